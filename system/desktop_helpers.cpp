// File dialogs and the URL handler as desktop helper programs: each is started with
// posix_spawn and an argument vector, its answer read from its standard output.
#include "system/desktop_internal.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "stream/core.h"

extern char** environ;

namespace {

// Runs a program with an argument vector (never a shell) and collects what it prints.
// False when the program could not be started.
bool RunProgram(const std::vector<std::string>& args, std::string& output, int& status) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return false;
  }
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
    if (n > 0) output.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  return true;
}

// Tries each dialog program in turn; the chosen path, or empty when cancelled or none runs.
std::u16string RunDialog(const std::vector<std::vector<std::string>>& candidates) {
  for (const auto& args : candidates) {
    std::string output;
    int status = 0;
    if (!RunProgram(args, output, status)) continue;
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) continue;  // not runnable here
    if (WEXITSTATUS(status) != 0) return {};
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    return Utf8ToText(output);
  }
  return {};
}

struct TFilterGroup {
  std::string name;
  std::vector<std::string> patterns;
};

// "Images:png,jpg;Text:txt" -> groups of "*.png" patterns; "*" stays "*".
std::vector<TFilterGroup> ParseFilter(const std::string& filter) {
  std::vector<TFilterGroup> groups;
  size_t start = 0;
  while (start < filter.size()) {
    size_t end = filter.find(';', start);
    if (end == std::string::npos) end = filter.size();
    const std::string part = filter.substr(start, end - start);
    start = end + 1;
    const size_t colon = part.find(':');
    TFilterGroup g;
    g.name = colon == std::string::npos ? part : part.substr(0, colon);
    const std::string exts = colon == std::string::npos ? part : part.substr(colon + 1);
    size_t s = 0;
    while (s <= exts.size()) {
      size_t e = exts.find(',', s);
      if (e == std::string::npos) e = exts.size();
      const std::string ext = exts.substr(s, e - s);
      if (!ext.empty()) g.patterns.push_back(ext == "*" ? "*" : "*." + ext);
      s = e + 1;
    }
    if (!g.patterns.empty()) groups.push_back(g);
  }
  return groups;
}

}  // namespace

std::u16string RunFileDialog(const std::u16string& title, const std::u16string& filter, bool save,
                             const std::u16string& path) {
  const std::string t = TextToUtf8(title), p = TextToUtf8(path);
  const auto groups = ParseFilter(TextToUtf8(filter));
  std::vector<std::string> zenity = {"zenity", "--file-selection", "--title=" + t};
  if (save) zenity.push_back("--save");
  if (!p.empty()) zenity.push_back("--filename=" + p);
  std::string kfilter;
  for (const auto& g : groups) {
    std::string z = "--file-filter=" + g.name + " |", k = g.name + " (";
    for (size_t i = 0; i < g.patterns.size(); ++i) {
      z += " " + g.patterns[i];
      k += (i ? " " : "") + g.patterns[i];
    }
    zenity.push_back(z);
    kfilter += (kfilter.empty() ? "" : "|") + k + ")";
  }
  std::vector<std::string> kdialog = {"kdialog", "--title", t,
                                      save ? "--getsavefilename" : "--getopenfilename",
                                      p.empty() ? "." : p};
  if (!kfilter.empty()) kdialog.push_back(kfilter);
  return RunDialog({zenity, kdialog});
}

std::u16string RunDirectoryDialog(const std::u16string& title, const std::u16string& path) {
  const std::string t = TextToUtf8(title), p = TextToUtf8(path);
  std::vector<std::string> zenity = {"zenity", "--file-selection", "--directory", "--title=" + t};
  if (!p.empty()) zenity.push_back("--filename=" + (p.back() == '/' ? p : p + "/"));
  return RunDialog({zenity, {"kdialog", "--title", t, "--getexistingdirectory", p.empty() ? "." : p}});
}

int32_t StartUrlHandler(const std::u16string& url) {
  const std::string u = TextToUtf8(url);
  if (u.empty() || u[0] == '-') return 0;  // never let the text pass for an option
  std::vector<char*> argv = {const_cast<char*>("xdg-open"), const_cast<char*>(u.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv.data(), environ) != 0) return 0;
  std::thread([pid] {
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  }).detach();
  return 1;
}
