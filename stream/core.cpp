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

std::string TextToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00u);
    else if (c >= 0xD800 && c < 0xE000)
      c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string Utf8ToText(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const uint32_t lead = static_cast<unsigned char>(utf8[i++]);
    const int more = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 && lead < 0xF0 ? 2 : lead >= 0xC0 && lead < 0xE0 ? 1 : 0;
    if (lead >= 0x80 && more == 0) {  // a stray continuation byte or an impossible lead
      out += u'\uFFFD';
      continue;
    }
    uint32_t c = more ? lead & (0x3Fu >> more) : lead;
    int got = 0;
    while (got < more && i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80)
      c = c << 6 | (static_cast<unsigned char>(utf8[i++]) & 0x3Fu), ++got;
    static constexpr uint32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
    if (got < more || c < kLeast[more] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
      out += u'\uFFFD';
    } else if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
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
