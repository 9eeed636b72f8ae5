// Child processes and pipe streams: a program started with an argument vector (never through a
// shell), its standard input, output and error as streams, and its end delivered as a
// "ProcessExit" event on the main thread. Builds on stream.h, event.h and the main-thread queue.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "stream/stream.h"

// One end of a pipe. It cannot seek; Read waits for at least one byte or the end.
class TPipeStream : public TStream {
 public:
  ~TPipeStream() override;
  // Takes over the descriptor; null for a negative one.
  static std::shared_ptr<TPipeStream> Create(int fd, bool readable, bool writeable);
  bool Eof() override;  // waits until a byte or the end is there
  int Close() override;
  int64_t Read(void* buffer, int64_t count) override;   // 0 at the end
  // What the pipe takes; 0 once the reader is gone or nothing went in for the write timeout
  // (a reader that never reads), so that WriteBytes raises "Error writing to stream".
  int64_t Write(const void* buffer, int64_t count) override;
  int32_t ReadAvail();                      // bytes there to read without waiting
  void SetWriteTimeout(int32_t millis);     // default 10000; negative waits for ever
  int Descriptor() const { return _fd; }    // -1 once closed

 private:
  int _fd = -1;
  bool _readable = false, _writeable = false, _ended = false;
  int32_t _write_timeout = 10000;
};

// A running program. It holds itself until its exit has been delivered, so it is told of
// whatever the program keeps; the watcher of each child reaps it, leaving no zombie.
class TProcess : public std::enable_shared_from_this<TProcess> {
 public:
  ~TProcess();
  // `program` is a path, or a name looked up in PATH; the arguments follow it. Null when it
  // cannot be started (no such program, not executable, no pipes or threads left).
  static std::shared_ptr<TProcess> Create(const std::u16string& program,
                                          const std::vector<std::u16string>& arguments = {});
  int32_t Status();             // 1 while it runs, 0 once it has ended
  int32_t ExitCode();           // its exit code, minus the signal that ended it, -1 while it runs
  int32_t Wait();               // waits until it ends; its exit code as ExitCode gives it
  int32_t Terminate();          // asks it to end (SIGTERM); 1 when it was still running
  int32_t Kill();               // ends it (SIGKILL); 1 when it was still running
  int32_t Pid() const { return _pid; }

  std::shared_ptr<TPipeStream> input;   // its standard input; closing it ends that input
  std::shared_ptr<TPipeStream> output;  // its standard output
  std::shared_ptr<TPipeStream> error;   // its standard error

 private:
  static void Watch(std::shared_ptr<TProcess> process);
  int32_t Signal(int sig);

  int32_t _pid = 0;
  std::mutex _lock;
  std::condition_variable _ended_signal;
  bool _ended = false;
  int32_t _exit_code = -1;
};

using TProcessPtr = std::shared_ptr<TProcess>;

TProcessPtr CreateProcess(const std::u16string& program, const std::vector<std::u16string>& arguments = {});
int32_t ProcessStatus(const TProcessPtr& process);    // 0 for null
int32_t ProcessExitCode(const TProcessPtr& process);  // -1 for null
void TerminateProcess(const TProcessPtr& process);
void KillProcess(const TProcessPtr& process);
