#include "stream/core.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

std::string TextToBytes(std::u16string_view text) {
  std::string bytes(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) bytes[i] = static_cast<char>(text[i] & 0xFF);
  return bytes;
}

std::u16string BytesToText(std::string_view bytes) {
  std::u16string text(bytes.size(), u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) text[i] = static_cast<unsigned char>(bytes[i]);
  return text;
}

void AbstractMethodCalled() { throw TRuntimeError("Attempt to call abstract method"); }

static void ReportAndExit(const char* text) {
  std::fputs(text, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  std::_Exit(-1);
}

// Failures that escape another thread end the process the same way.
static void OnTerminate() {
  if (auto failure = std::current_exception()) {
    try {
      std::rethrow_exception(failure);
    } catch (const std::exception& e) {
      ReportAndExit(e.what());
    } catch (...) {
    }
  }
  ReportAndExit("Unhandled exception");
}

int RunGuarded(int (*main_routine)()) {
  std::set_terminate(OnTerminate);
  try {
    return main_routine();
  } catch (const std::exception& e) {
    ReportAndExit(e.what());
  } catch (...) {
    ReportAndExit("Unhandled exception");
  }
  return -1;
}

#if defined(__SANITIZE_ADDRESS__)
// Sanitizer builds: SDL's X11 back end leaves one D-Bus buffer behind at exit, which is
// the library's, not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
#endif
