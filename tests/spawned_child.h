// A helper program a test starts beside itself (a server, a second peer): its standard input
// is a pipe the test holds, so the child can end when the test closes it or dies, and its
// first line of output is read back with a bounded wait. Never outlives the test's object.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class TSpawnedChild {
 public:
  explicit TSpawnedChild(std::vector<std::string> argv) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return;
    if (::pipe2(out, O_CLOEXEC) != 0) {
      ::close(in[0]), ::close(in[1]);
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    if (posix_spawnp(&_pid, args[0], &actions, nullptr, args.data(), environ) != 0) _pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    _in = in[1];
    _out = out[0];
  }
  ~TSpawnedChild() {
    if (_in >= 0) ::close(_in);
    if (_out >= 0) ::close(_out);
    if (_pid > 0 && ExitCode(30000) == kRunning) {
      ::kill(_pid, SIGKILL);
      ::waitpid(_pid, nullptr, 0);
    }
  }
  bool Started() const { return _pid > 0; }

  // The next line of its output, without its end; empty when none comes within the bound.
  std::string ReadLine(int bound_ms = 60000) {
    std::string line;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(bound_ms);
    char c;
    while (std::chrono::steady_clock::now() < until) {
      pollfd p{_out, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      if (::read(_out, &c, 1) != 1) break;
      if (c == '\n') return line;
      line += c;
    }
    return "";
  }

  void CloseInput() {
    if (_in >= 0) ::close(_in);
    _in = -1;
  }

  static constexpr int kRunning = -1000;
  // Its exit code (minus the signal that ended it), waiting for its end up to the bound.
  int ExitCode(int bound_ms) {
    if (_pid <= 0) return kRunning;
    if (_reaped) return _code;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(bound_ms);
    for (;;) {
      int status = 0;
      if (::waitpid(_pid, &status, WNOHANG) == _pid) {
        _reaped = true;
        _code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        return _code;
      }
      if (std::chrono::steady_clock::now() >= until) return kRunning;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

 private:
  pid_t _pid = 0;
  int _in = -1, _out = -1;
  bool _reaped = false;
  int _code = kRunning;
};
