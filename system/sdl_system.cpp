// The SDL system driver: pumps SDL's queue, translates the events of framework
// windows into TEvents, keeps the pointer visibility rule, shows SDL message boxes,
// starts desktop helper programs and runs work posted to the main thread.
#include "system/sdl_system.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "system/event.h"
#include "system/system.h"

extern char** environ;

namespace {
using TWindowRef = std::shared_ptr<TFrameworkWindow>;

std::vector<TWindowRef> framework_windows;
bool driver_started = false;
std::atomic<uint32_t> main_thread_event{0};  // read by posting threads
bool pumping = false;
int32_t current_mods = 0;
bool pointer_visible = true;
bool cursor_hidden = false;
uint32_t over_window = 0;  // 0: the pointer is over no framework window
std::shared_ptr<void> over_source;
float over_x = 0, over_y = 0;  // last client position seen in the window under the pointer

struct TMainThreadRecord {
  TMainThreadFunction function;
  std::shared_ptr<void> user;
  int32_t value;
};

TWindowRef FindWindow(uint32_t id) {
  for (const auto& w : framework_windows)
    if (w->sdl_window_id == id) return w;
  return nullptr;
}

void Emit(int32_t id, const std::shared_ptr<void>& source, int32_t data, int32_t mods, int32_t x,
          int32_t y) {
  TEvent::Create(id, source, data, mods, x, y)->Emit();
}

void ApplyPointerVisibility() {
  const bool hide = !pointer_visible && over_window != 0;
  if (hide == cursor_hidden) return;
  cursor_hidden = hide;
  SDL_ShowCursor(hide ? SDL_DISABLE : SDL_ENABLE);
}

// Enter and leave: the pointer is now over window (0: none) at x, y in the client
// coordinates of `seen_in`, the window whose event placed it there.
void PointerOver(const TWindowRef& window, const TWindowRef& seen_in, float x, float y) {
  const uint32_t id = window ? window->sdl_window_id : 0;
  if (id == over_window) {
    if (window) over_x = x, over_y = y;
    return;
  }
  if (over_window) {
    const std::shared_ptr<void> left = std::move(over_source);
    // Where the pointer went, when the event speaks of the window it left; a pointer that
    // jumped straight into another window has no position in this one but the last.
    const bool here = seen_in && seen_in->sdl_window_id == over_window;
    const float lx = here ? x : over_x, ly = here ? y : over_y;
    over_source = nullptr;
    over_window = 0;
    Emit(EventMouseLeave, left, 0, 0, static_cast<int32_t>(lx), static_cast<int32_t>(ly));
  }
  over_window = id;
  ApplyPointerVisibility();
  if (window) {
    over_source = window->source;
    over_x = x, over_y = y;
    Emit(EventMouseEnter, over_source, 0, 0, static_cast<int32_t>(x), static_cast<int32_t>(y));
  }
}

void ToClient(const TFrameworkWindow& w, float& x, float& y) {
  if (w.to_client) w.to_client(x, y);
}

// The pointer's position as SDL knows it now, in the window's client coordinates.
void PointerPosition(const TFrameworkWindow& w, float& x, float& y) {
  int ix = 0, iy = 0;
  SDL_GetMouseState(&ix, &iy);
  x = static_cast<float>(ix), y = static_cast<float>(iy);
  ToClient(w, x, y);
}

bool InsideClient(const TFrameworkWindow& w, float x, float y) {
  return x >= 0 && y >= 0 && x < static_cast<float>(w.client_width) &&
         y < static_cast<float>(w.client_height);
}

int32_t ModsFrom(uint16_t mod) {
  int32_t bits = 0;
  if (mod & KMOD_SHIFT) bits |= 1;
  if (mod & KMOD_CTRL) bits |= 2;
  if (mod & KMOD_ALT) bits |= 4;
  if (mod & KMOD_GUI) bits |= 8;
  return bits;
}

int32_t ButtonCode(uint8_t sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 3;
    default: return 0;
  }
}

// The keys that type a control character, as the desktop's text input does not report them.
int32_t ControlCharOf(int32_t key) {
  switch (key) {
    case 8: case 9: case 13: case 27: return key;
    default: return 0;
  }
}

void EmitText(const char* utf8, const std::shared_ptr<void>& source) {
  const auto* s = reinterpret_cast<const unsigned char*>(utf8);
  while (*s) {
    uint32_t c = *s++;
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (more) c &= 0x3Fu >> more;
    for (; more && (*s & 0xC0) == 0x80; --more) c = c << 6 | (*s++ & 0x3Fu);
    if (more) continue;  // a broken sequence gives nothing rather than a wrong character
    if (c >= 0x10000) {
      c -= 0x10000;
      Emit(EventKeyChar, source, static_cast<int32_t>(0xD800 + (c >> 10)), current_mods, 0, 0);
      Emit(EventKeyChar, source, static_cast<int32_t>(0xDC00 + (c & 0x3FF)), current_mods, 0, 0);
    } else {
      Emit(EventKeyChar, source, static_cast<int32_t>(c), current_mods, 0, 0);
    }
  }
}

void HandleWindowEvent(const TWindowRef& w, const SDL_WindowEvent& e) {
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
      Emit(EventAppTerminate, w->source, 0, current_mods, 0, 0);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      Emit(EventAppResume, w->source, 0, current_mods, 0, 0);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      Emit(EventAppSuspend, w->source, 0, current_mods, 0, 0);
      break;
    case SDL_WINDOWEVENT_ENTER: {
      float x = 0, y = 0;
      PointerPosition(*w, x, y);
      if (InsideClient(*w, x, y)) PointerOver(w, w, x, y);
      break;
    }
    case SDL_WINDOWEVENT_LEAVE:
      if (over_window == w->sdl_window_id) {
        float x = 0, y = 0;
        PointerPosition(*w, x, y);
        PointerOver(nullptr, w, x, y);
      }
      break;
    default:
      break;
  }
}

void HandleEvent(const SDL_Event& e) {
  if (e.type == main_thread_event.load(std::memory_order_relaxed) && e.type != 0) {
    auto* record = static_cast<TMainThreadRecord*>(e.user.data1);
    if (!record) return;
    std::unique_ptr<TMainThreadRecord> owned(record);  // freed, and the user released, even if it throws
    owned->function(owned->user, owned->value);
    return;
  }
  uint32_t window_id = 0;
  switch (e.type) {
    case SDL_QUIT:  // also SIGINT and SIGTERM
      Emit(EventAppTerminate, nullptr, 0, current_mods, 0, 0);
      return;
    case SDL_JOYDEVICEADDED:
      NoteJoystickAdded(e.jdevice.which);
      return;
    case SDL_WINDOWEVENT: window_id = e.window.windowID; break;
    case SDL_KEYDOWN: case SDL_KEYUP: window_id = e.key.windowID; break;
    case SDL_TEXTINPUT: window_id = e.text.windowID; break;
    case SDL_MOUSEMOTION: window_id = e.motion.windowID; break;
    case SDL_MOUSEBUTTONDOWN: case SDL_MOUSEBUTTONUP: window_id = e.button.windowID; break;
    case SDL_MOUSEWHEEL: window_id = e.wheel.windowID; break;
    default: return;
  }
  const TWindowRef w = FindWindow(window_id);
  if (!w) return;
  if (w->on_event) w->on_event(e);
  switch (e.type) {
    case SDL_WINDOWEVENT:
      HandleWindowEvent(w, e.window);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      current_mods = ModsFrom(e.key.keysym.mod);
      const int32_t key = VirtualKeyOf(e.key.keysym.scancode, (e.key.keysym.mod & KMOD_NUM) != 0);
      if (key <= 0 || key > 255) break;
      if (e.type == SDL_KEYUP) {
        Emit(EventKeyUp, w->source, key, current_mods, 0, 0);
        break;
      }
      Emit(e.key.repeat ? EventKeyRepeat : EventKeyDown, w->source, key, current_mods, 0, 0);
      if (const int32_t c = ControlCharOf(key)) Emit(EventKeyChar, w->source, c, current_mods, 0, 0);
      break;
    }
    case SDL_TEXTINPUT:
      EmitText(e.text.text, w->source);
      break;
    case SDL_MOUSEMOTION: {
      float x = static_cast<float>(e.motion.x), y = static_cast<float>(e.motion.y);
      ToClient(*w, x, y);
      const uint32_t held = e.motion.state;
      const int32_t data = held & SDL_BUTTON_RMASK ? 2 : held & SDL_BUTTON_MMASK ? 4
                         : held & SDL_BUTTON_LMASK ? 1 : 0;
      PointerOver(InsideClient(*w, x, y) ? w : nullptr, w, x, y);
      Emit(EventMouseMove, w->source, data, current_mods, static_cast<int32_t>(x),
           static_cast<int32_t>(y));
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const int32_t button = ButtonCode(e.button.button);
      if (!button) break;
      float x = static_cast<float>(e.button.x), y = static_cast<float>(e.button.y);
      ToClient(*w, x, y);
      Emit(e.type == SDL_MOUSEBUTTONDOWN ? EventMouseDown : EventMouseUp, w->source, button,
           current_mods, static_cast<int32_t>(x), static_cast<int32_t>(y));
      break;
    }
    case SDL_MOUSEWHEEL: {
      float notches = e.wheel.preciseY;
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      float x = static_cast<float>(e.wheel.mouseX), y = static_cast<float>(e.wheel.mouseY);
      ToClient(*w, x, y);
      Emit(EventMouseWheel, w->source, static_cast<int32_t>(std::trunc(notches)), current_mods,
           static_cast<int32_t>(x), static_cast<int32_t>(y));
      break;
    }
    default:
      break;
  }
}

// Clears the busy flag however the pump is left (a hook may throw).
struct TPumpGuard {
  TPumpGuard() { pumping = true; }
  ~TPumpGuard() { pumping = false; }
};

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
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

std::u16string FromUtf8(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    uint32_t c = static_cast<unsigned char>(s[i++]);
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (more) c &= 0x3Fu >> more;
    for (; more && i < s.size() && (s[i] & 0xC0) == 0x80; --more)
      c = c << 6 | (static_cast<unsigned char>(s[i++]) & 0x3Fu);
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

// The window a box belongs to and the pointer moves in: the focused framework window,
// else the first registered one.
SDL_Window* ActiveWindow() {
  SDL_Window* focus = SDL_GetKeyboardFocus();
  if (focus && FindWindow(SDL_GetWindowID(focus))) return focus;
  for (const auto& w : framework_windows)
    if (SDL_Window* window = SDL_GetWindowFromID(w->sdl_window_id)) return window;
  return nullptr;
}

std::string AppTitle() {
  for (const auto& w : framework_windows)
    if (!w->source)
      if (SDL_Window* window = SDL_GetWindowFromID(w->sdl_window_id))
        return SDL_GetWindowTitle(window);
  return {};
}

// Remembers the focused window around a modal box or dialog and gives the focus back.
struct TFocusKeeper {
  SDL_Window* focus = SDL_GetKeyboardFocus();
  ~TFocusKeeper() {
    if (focus && FindWindow(SDL_GetWindowID(focus))) SDL_RaiseWindow(focus);
  }
};

int ShowBox(const std::u16string& text, bool serious, const std::vector<SDL_MessageBoxButtonData>& buttons,
            int& button_id) {
  StartSystemDriver();
  TFocusKeeper keep;
  const std::string title = AppTitle(), message = Utf8(text);
  SDL_MessageBoxData box{};
  box.flags = serious ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
  box.window = ActiveWindow();
  box.title = title.c_str();
  box.message = message.c_str();
  box.numbuttons = static_cast<int>(buttons.size());
  box.buttons = buttons.data();
  button_id = -1;
  return SDL_ShowMessageBox(&box, &button_id);
}

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
  TFocusKeeper keep;
  for (const auto& args : candidates) {
    std::string output;
    int status = 0;
    if (!RunProgram(args, output, status)) continue;
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) continue;  // not runnable here
    if (WEXITSTATUS(status) != 0) return {};
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    return FromUtf8(output);
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

class TSDLSystemDriver final : public TSystemDriver {
 public:
  void Poll() override {
    if (pumping) return;
    TPumpGuard guard;
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleEvent(e);
  }

  void Wait() override {
    if (pumping) return;
    TPumpGuard guard;
    SDL_Event e;
    if (!SDL_WaitEvent(&e)) return;
    HandleEvent(e);
    while (SDL_PollEvent(&e)) HandleEvent(e);
  }

  void MoveMouse(int32_t x, int32_t y) override {
    SDL_Window* window = ActiveWindow();
    float fx = static_cast<float>(x), fy = static_cast<float>(y);
    const TWindowRef w = window ? FindWindow(SDL_GetWindowID(window)) : nullptr;
    if (w && w->to_window) w->to_window(fx, fy);
    if (!window) {
      SDL_WarpMouseGlobal(x, y);
      return;
    }
    const int wx = static_cast<int>(fx), wy = static_cast<int>(fy);
    const bool had_pointer = SDL_GetMouseFocus() == window;
    SDL_WarpMouseInWindow(window, wx, wy);
    if (!had_pointer) {
      // SDL reports the move only to the window that had the pointer; tell ours.
      SDL_Event e{};
      e.type = SDL_MOUSEMOTION;
      e.motion.windowID = SDL_GetWindowID(window);
      e.motion.x = wx;
      e.motion.y = wy;
      e.motion.state = SDL_GetMouseState(nullptr, nullptr);
      SDL_PushEvent(&e);
    }
  }

  void SetMouseVisible(bool visible) override {
    pointer_visible = visible;
    ApplyPointerVisibility();
  }

  void Notify(const std::u16string& text, bool serious) override {
    int id;
    ShowBox(text, serious,
            {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
              kBoxButtonOk, "OK"}},
            id);
  }

  int32_t Confirm(const std::u16string& text, bool serious) override {
    int id;
    const int shown = ShowBox(text, serious,
                              {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kBoxButtonOk, "OK"},
                               {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kBoxButtonCancel, "Cancel"}},
                              id);
    return ConfirmAnswer(shown, id);
  }

  int32_t Proceed(const std::u16string& text, bool serious) override {
    int id;
    const int shown = ShowBox(text, serious,
                              {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kBoxButtonYes, "Yes"},
                               {0, kBoxButtonNo, "No"},
                               {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kBoxButtonCancel, "Cancel"}},
                              id);
    return ProceedAnswer(shown, id);
  }

  std::u16string RequestFile(const std::u16string& title, const std::u16string& filter, bool save,
                             const std::u16string& path) override {
    const std::string t = Utf8(title), p = Utf8(path);
    const auto groups = ParseFilter(Utf8(filter));
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

  std::u16string RequestDir(const std::u16string& title, const std::u16string& path) override {
    const std::string t = Utf8(title), p = Utf8(path);
    std::vector<std::string> zenity = {"zenity", "--file-selection", "--directory", "--title=" + t};
    if (!p.empty()) zenity.push_back("--filename=" + (p.back() == '/' ? p : p + "/"));
    return RunDialog({zenity, {"kdialog", "--title", t, "--getexistingdirectory", p.empty() ? "." : p}});
  }

  int32_t OpenURL(const std::u16string& url) override {
    const std::string u = Utf8(url);
    if (u.empty() || u[0] == '-') return 0;  // never let the text pass for an option
    TFocusKeeper keep;
    std::vector<char*> argv = {const_cast<char*>("xdg-open"), const_cast<char*>(u.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv.data(), environ) != 0) return 0;
    std::thread([pid] {
      int status;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    }).detach();
    return 1;
  }
};

TSDLSystemDriver* system_driver = nullptr;
}  // namespace

int32_t VirtualKeyOf(int scancode, bool num_lock) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 65 + (scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return 49 + (scancode - SDL_SCANCODE_1);
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) return 112 + (scancode - SDL_SCANCODE_F1);
  if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24) return 124 + (scancode - SDL_SCANCODE_F13);
  if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) {
    static const int32_t nav[9] = {35, 40, 34, 37, 12, 39, 36, 38, 33};  // End Down PgDn Left Clear Right Home Up PgUp
    return num_lock ? 97 + (scancode - SDL_SCANCODE_KP_1) : nav[scancode - SDL_SCANCODE_KP_1];
  }
  switch (scancode) {
    case SDL_SCANCODE_0: return 48;
    case SDL_SCANCODE_RETURN: return 13;
    case SDL_SCANCODE_ESCAPE: return 27;
    case SDL_SCANCODE_BACKSPACE: return 8;
    case SDL_SCANCODE_TAB: return 9;
    case SDL_SCANCODE_SPACE: return 32;
    case SDL_SCANCODE_MINUS: return 189;
    case SDL_SCANCODE_EQUALS: return 187;
    case SDL_SCANCODE_LEFTBRACKET: return 219;
    case SDL_SCANCODE_RIGHTBRACKET: return 221;
    case SDL_SCANCODE_BACKSLASH: return 220;
    case SDL_SCANCODE_NONUSHASH: return 220;
    case SDL_SCANCODE_SEMICOLON: return 186;
    case SDL_SCANCODE_APOSTROPHE: return 222;
    case SDL_SCANCODE_GRAVE: return 192;
    case SDL_SCANCODE_COMMA: return 188;
    case SDL_SCANCODE_PERIOD: return 190;
    case SDL_SCANCODE_SLASH: return 191;
    case SDL_SCANCODE_NONUSBACKSLASH: return 226;
    case SDL_SCANCODE_CAPSLOCK: return 20;
    case SDL_SCANCODE_PRINTSCREEN: return 44;
    case SDL_SCANCODE_SCROLLLOCK: return 145;
    case SDL_SCANCODE_PAUSE: return 19;
    case SDL_SCANCODE_INSERT: return 45;
    case SDL_SCANCODE_HOME: return 36;
    case SDL_SCANCODE_PAGEUP: return 33;
    case SDL_SCANCODE_DELETE: return 46;
    case SDL_SCANCODE_END: return 35;
    case SDL_SCANCODE_PAGEDOWN: return 34;
    case SDL_SCANCODE_RIGHT: return 39;
    case SDL_SCANCODE_LEFT: return 37;
    case SDL_SCANCODE_DOWN: return 40;
    case SDL_SCANCODE_UP: return 38;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 144;
    case SDL_SCANCODE_KP_DIVIDE: return 111;
    case SDL_SCANCODE_KP_MULTIPLY: return 106;
    case SDL_SCANCODE_KP_MINUS: return 109;
    case SDL_SCANCODE_KP_PLUS: return 107;
    case SDL_SCANCODE_KP_ENTER: return 13;
    case SDL_SCANCODE_KP_0: return num_lock ? 96 : 45;
    case SDL_SCANCODE_KP_PERIOD: return num_lock ? 110 : 46;
    case SDL_SCANCODE_APPLICATION: return 93;
    case SDL_SCANCODE_LCTRL: return 162;
    case SDL_SCANCODE_LSHIFT: return 160;
    case SDL_SCANCODE_LALT: return 164;
    case SDL_SCANCODE_LGUI: return 91;
    case SDL_SCANCODE_RCTRL: return 163;
    case SDL_SCANCODE_RSHIFT: return 161;
    case SDL_SCANCODE_RALT: return 165;
    case SDL_SCANCODE_RGUI: return 92;
    default: return 0;
  }
}

void AddFrameworkWindow(const TFrameworkWindow& w) {
  StartSystemDriver();
  auto entry = std::make_shared<TFrameworkWindow>(w);
  for (auto& e : framework_windows)
    if (e->sdl_window_id == w.sdl_window_id) {
      e = entry;
      return;
    }
  framework_windows.push_back(entry);
}

void RemoveFrameworkWindow(uint32_t sdl_window_id) {
  for (size_t i = 0; i < framework_windows.size(); ++i)
    if (framework_windows[i]->sdl_window_id == sdl_window_id) {
      framework_windows.erase(framework_windows.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  if (over_window == sdl_window_id) {  // the window is gone: nothing to leave, only forget it
    over_window = 0;
    over_source = nullptr;
    ApplyPointerVisibility();
  }
}

void StartSystemDriver() {
  if (driver_started) return;
  driver_started = true;
  // Each subsystem on its own, so joysticks, timers and main-thread work still run without a display.
  SDL_InitSubSystem(SDL_INIT_EVENTS);
  SDL_InitSubSystem(SDL_INIT_TIMER);
  SDL_InitSubSystem(SDL_INIT_VIDEO);
  // A pad is read whatever has the focus: without this SDL drops joystick input while no
  // window of the program is focused (no window manager, or another window in front).
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  SDL_InitSubSystem(SDL_INIT_JOYSTICK);
  // Joysticks are read on demand; their motion would only fill the queue.
  for (uint32_t type : {SDL_JOYAXISMOTION, SDL_JOYBALLMOTION, SDL_JOYHATMOTION, SDL_JOYBUTTONDOWN,
                        SDL_JOYBUTTONUP, SDL_JOYBATTERYUPDATED})
    SDL_EventState(type, SDL_IGNORE);
  const uint32_t type = SDL_RegisterEvents(1);
  main_thread_event.store(type == static_cast<uint32_t>(-1) ? 0 : type);
  static TSDLSystemDriver driver;
  system_driver = &driver;
  EnableEventQueue();  // collects from the start, so a reader that comes later misses nothing
}

TSystemDriver& SystemDriver() {
  StartSystemDriver();
  return *system_driver;
}

bool SystemEventsBusy() { return pumping; }
void PollSystemEvents() { SystemDriver().Poll(); }
void WaitSystemEvents() { SystemDriver().Wait(); }
void MoveMousePointer(int32_t x, int32_t y) { SystemDriver().MoveMouse(x, y); }
void ShowMousePointer() { SystemDriver().SetMouseVisible(true); }
void HideMousePointer() { SystemDriver().SetMouseVisible(false); }
void ShowNotice(const std::u16string& text, bool serious) { SystemDriver().Notify(text, serious); }
int32_t AskConfirm(const std::u16string& text, bool serious) { return SystemDriver().Confirm(text, serious); }
int32_t AskProceed(const std::u16string& text, bool serious) { return SystemDriver().Proceed(text, serious); }
std::u16string AskFileName(const std::u16string& title, const std::u16string& filter, bool save,
                           const std::u16string& path) {
  return SystemDriver().RequestFile(title, filter, save, path);
}
std::u16string AskDirectory(const std::u16string& title, const std::u16string& path) {
  return SystemDriver().RequestDir(title, path);
}
int32_t OpenWithShell(const std::u16string& url) { return SystemDriver().OpenURL(url); }

int32_t ConfirmAnswer(int shown, int button_id) { return shown >= 0 && button_id == kBoxButtonOk ? 1 : 0; }

int32_t ProceedAnswer(int shown, int button_id) {
  if (shown < 0) return -1;
  if (button_id == kBoxButtonYes) return 1;
  if (button_id == kBoxButtonNo) return 0;
  return -1;  // Cancel, Escape or the box closed
}

namespace {
std::u16string LocalTimeText(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[64];
  const size_t n = std::strftime(buffer, sizeof buffer, format, &local);
  return FromUtf8(std::string(buffer, n));
}
}  // namespace

std::u16string CurrentDateText() { return LocalTimeText("%d %b %Y"); }
std::u16string CurrentTimeText() { return LocalTimeText("%H:%M:%S"); }

void PostToMainThread(TMainThreadFunction function, std::shared_ptr<void> user, int32_t value) {
  uint32_t type = main_thread_event.load();
  if (type == 0) {  // first system call of the process; the main thread makes it
    StartSystemDriver();
    type = main_thread_event.load();
  }
  auto* record = new TMainThreadRecord{function, std::move(user), value};
  SDL_Event e{};
  e.type = type;
  e.user.data1 = record;
  if (type == 0 || SDL_PushEvent(&e) != 1) delete record;  // SDL's queue is full or absent
}
