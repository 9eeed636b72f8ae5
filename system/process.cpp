// Children are started with posix_spawn: only their three pipe ends reach them, every pipe end
// of ours is close-on-exec. A watcher thread per child waits for its end, reaps it and posts
// the exit to the main thread, where "ProcessExit" is emitted with the process as its source.
#include "system/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "system/event.h"
#include "system/system.h"

extern char** environ;

namespace {

void CloseDescriptor(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// A write to a pipe whose reader is gone raises SIGPIPE, which would end the program: it is
// held back on this thread for the write and the one it caused is taken off again.
ssize_t WriteWithoutSigpipe(int fd, const void* buffer, size_t count) {
  sigset_t pipe_only, old;
  sigemptyset(&pipe_only);
  sigaddset(&pipe_only, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_only, &old);
  ssize_t n;
  do n = ::write(fd, buffer, count);
  while (n < 0 && errno == EINTR);
  if (n < 0 && errno == EPIPE) {
    const timespec now{};
    sigtimedwait(&pipe_only, nullptr, &now);
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return n;
}

void DeliverExit(const std::shared_ptr<void>& process, int32_t code) {
  TEvent::Create(EventProcessExit, process, code)->Emit();
}

}  // namespace

// ---- TPipeStream

std::shared_ptr<TPipeStream> TPipeStream::Create(int fd, bool readable, bool writeable) {
  if (fd < 0) return nullptr;
  auto s = std::make_shared<TPipeStream>();
  s->_fd = fd;
  s->_readable = readable;
  s->_writeable = writeable;
  return s;
}

TPipeStream::~TPipeStream() { Close(); }

int TPipeStream::Close() {
  CloseDescriptor(_fd);
  return 0;
}

bool TPipeStream::Eof() {
  if (!_readable) return false;
  if (_ended || _fd < 0) return true;
  pollfd p{_fd, POLLIN, 0};
  while (::poll(&p, 1, -1) < 0 && errno == EINTR) {}
  // Readable with nothing to read, or hung up with nothing left: the writer has closed.
  if (ReadAvail() > 0) return false;
  _ended = true;
  return true;
}

int32_t TPipeStream::ReadAvail() {
  int n = 0;
  if (_fd < 0 || !_readable || ::ioctl(_fd, FIONREAD, &n) != 0) return 0;
  return n;
}

int64_t TPipeStream::Read(void* buffer, int64_t count) {
  if (!_readable) throw TRuntimeError("Stream is not readable");
  if (count <= 0 || _fd < 0) return 0;
  ssize_t n;
  do n = ::read(_fd, buffer, static_cast<size_t>(count));
  while (n < 0 && errno == EINTR);
  if (n <= 0) {
    _ended = true;
    return 0;
  }
  return n;
}

void TPipeStream::SetWriteTimeout(int32_t millis) { _write_timeout = millis; }

int64_t TPipeStream::Write(const void* buffer, int64_t count) {
  if (!_writeable) throw TRuntimeError("Stream is not writeable");
  if (count <= 0 || _fd < 0) return 0;
  // The descriptor does not block, so a full pipe is waited on here, for the timeout at most.
  for (;;) {
    const ssize_t n = WriteWithoutSigpipe(_fd, buffer, static_cast<size_t>(count));
    if (n > 0) return n;
    if (n < 0 && errno != EAGAIN) return 0;  // EPIPE: the reader has gone
    pollfd p{_fd, POLLOUT, 0};
    int ready;
    do ready = ::poll(&p, 1, _write_timeout);
    while (ready < 0 && errno == EINTR);
    if (ready <= 0) return 0;
  }
}

// ---- TProcess

TProcessPtr TProcess::Create(const std::u16string& program, const std::vector<std::u16string>& arguments) {
  if (program.empty()) return nullptr;
  SystemDriver();  // the exit is posted to the main thread, whose queue must be up first
  std::vector<std::string> words{TextToUtf8(program)};
  for (const std::u16string& a : arguments) words.push_back(TextToUtf8(a));
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
  auto close_all = [&] {
    for (int* p : {in, out, err}) CloseDescriptor(p[0]), CloseDescriptor(p[1]);
  };
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
    close_all();
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  // Whatever else this program has open without close-on-exec stays out of the child.
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  // The child starts with the default action for SIGPIPE and no signal blocked.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, pipe_only;
  sigemptyset(&none);
  sigemptyset(&pipe_only);
  sigaddset(&pipe_only, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &pipe_only);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  const bool has_slash = program.find(u'/') != std::u16string::npos;
  const int rc = has_slash ? posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ)
                           : posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  CloseDescriptor(in[0]);
  CloseDescriptor(out[1]);
  CloseDescriptor(err[1]);
  if (rc != 0) {  // glibc reports a program that cannot be run here, and leaves no child
    close_all();
    return nullptr;
  }
  ::fcntl(in[1], F_SETFL, ::fcntl(in[1], F_GETFL) | O_NONBLOCK);

  auto process = std::make_shared<TProcess>();
  process->_pid = pid;
  process->input = TPipeStream::Create(in[1], false, true);
  process->output = TPipeStream::Create(out[0], true, false);
  process->error = TPipeStream::Create(err[0], true, false);
  try {
    std::thread(Watch, process).detach();
  } catch (const std::system_error&) {
    // No thread to watch it: the child is ended and reaped here rather than left behind.
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
    return nullptr;
  }
  return process;
}

TProcess::~TProcess() = default;

void TProcess::Watch(std::shared_ptr<TProcess> process) {
  // The child is left unreaped until its end is recorded under the lock, so that Terminate and
  // Kill, which signal under the same lock, can never reach another process given its number.
  siginfo_t info{};
  while (::waitid(P_PID, static_cast<id_t>(process->_pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {}
  int32_t code = info.si_code == CLD_EXITED ? info.si_status : -info.si_status;
  {
    std::lock_guard<std::mutex> hold(process->_lock);
    int status = 0;
    while (::waitpid(process->_pid, &status, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(status)) code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) code = -WTERMSIG(status);
    process->_exit_code = code;
    process->_ended = true;
  }
  process->_ended_signal.notify_all();
  PostToMainThread(DeliverExit, std::move(process), code);
}

int32_t TProcess::Status() {
  std::lock_guard<std::mutex> hold(_lock);
  return _ended ? 0 : 1;
}

int32_t TProcess::ExitCode() {
  std::lock_guard<std::mutex> hold(_lock);
  return _exit_code;
}

int32_t TProcess::Wait() {
  std::unique_lock<std::mutex> hold(_lock);
  _ended_signal.wait(hold, [this] { return _ended; });
  return _exit_code;
}

int32_t TProcess::Signal(int sig) {
  std::lock_guard<std::mutex> hold(_lock);
  if (_ended) return 0;
  return ::kill(_pid, sig) == 0 ? 1 : 0;
}

int32_t TProcess::Terminate() { return Signal(SIGTERM); }
int32_t TProcess::Kill() { return Signal(SIGKILL); }

TProcessPtr CreateProcess(const std::u16string& program, const std::vector<std::u16string>& arguments) {
  return TProcess::Create(program, arguments);
}
int32_t ProcessStatus(const TProcessPtr& process) { return process ? process->Status() : 0; }
int32_t ProcessExitCode(const TProcessPtr& process) { return process ? process->ExitCode() : -1; }
void TerminateProcess(const TProcessPtr& process) {
  if (process) process->Terminate();
}
void KillProcess(const TProcessPtr& process) {
  if (process) process->Kill();
}
