// Fails in the ways a program can: the guard must report each one the same way.
#include <cstring>
#include <thread>

#include "stream/core.h"

static const char* mode = "";

static int Body() {
  if (std::strcmp(mode, "stream") == 0) throw TStreamReadException();
  if (std::strcmp(mode, "thread") == 0) {
    std::thread t([] { throw TRuntimeError("Failed on another thread"); });
    t.join();
  }
  if (std::strcmp(mode, "ok") == 0) return 0;
  throw TRuntimeError("Stream is not readable");
}

int main(int argc, char** argv) {
  if (argc > 1) mode = argv[1];
  return RunGuarded(Body);
}
