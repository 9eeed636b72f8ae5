// The SDL system driver: pumps SDL's queue, translates the events of framework
// windows into TEvents, keeps the pointer visibility rule, shows SDL message boxes
// and runs work posted to the main thread; file dialogs and the URL handler are
// desktop helper programs (desktop_helpers.cpp).
#include "system/sdl_system.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "stream/core.h"
#include "system/desktop_internal.h"
#include "system/event.h"
#include "system/input_internal.h"
#include "system/system.h"
#include "system/system_internal.h"

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
bool confine_asked = false;    // ConfineMousePointer

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

bool Confines(const TFrameworkWindow& w) { return w.confined || confine_asked; }

void ClampToClient(const TFrameworkWindow& w, float& x, float& y) {
  x = std::clamp(x, 0.0f, static_cast<float>(std::max(0, w.client_width - 1)));
  y = std::clamp(y, 0.0f, static_cast<float>(std::max(0, w.client_height - 1)));
}

// A position reported by a window that confines the pointer: held on its client area. The
// pointer itself, gone past the picture's edge (into the bars around a scaled picture, say),
// is put back on it, so that moving it back answers at once.
void Confine(const TFrameworkWindow& w, float& x, float& y) {
  if (!Confines(w) || InsideClient(w, x, y)) return;
  ClampToClient(w, x, y);
  SDL_Window* window = SDL_GetWindowFromID(w.sdl_window_id);
  if (!window || SDL_GetMouseFocus() != window) return;
  float wx = x + 0.5f, wy = y + 0.5f;  // the middle of the edge pixel, which maps back inside
  if (w.to_window) w.to_window(wx, wy);
  SDL_WarpMouseInWindow(window, static_cast<int>(std::floor(wx)), static_cast<int>(std::floor(wy)));
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
  for (char16_t c : Utf8ToText(utf8)) Emit(EventKeyChar, source, c, current_mods, 0, 0);
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
      NoteAppTerminate();
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
  if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) current_mods = ModsFrom(e.key.keysym.mod);
  if (w->on_event && w->on_event(e)) return;
  switch (e.type) {
    case SDL_WINDOWEVENT:
      HandleWindowEvent(w, e.window);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
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
      Confine(*w, x, y);
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
      if (Confines(*w)) ClampToClient(*w, x, y);
      Emit(e.type == SDL_MOUSEBUTTONDOWN ? EventMouseDown : EventMouseUp, w->source, button,
           current_mods, static_cast<int32_t>(x), static_cast<int32_t>(y));
      break;
    }
    case SDL_MOUSEWHEEL: {
      float notches = e.wheel.preciseY;
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      float x = static_cast<float>(e.wheel.mouseX), y = static_cast<float>(e.wheel.mouseY);
      ToClient(*w, x, y);
      if (Confines(*w)) ClampToClient(*w, x, y);
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
  const std::string title = AppTitle(), message = TextToUtf8(text);
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
    if (w && Confines(*w)) ClampToClient(*w, fx, fy);
    if (w && w->to_window) {
      fx += 0.5f, fy += 0.5f;  // the pixel's middle: on a scaled picture the way back lands on it
      w->to_window(fx, fy);
    }
    if (!window) {
      SDL_WarpMouseGlobal(x, y);
      return;
    }
    const int wx = static_cast<int>(std::floor(fx)), wy = static_cast<int>(std::floor(fy));
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

  void ConfineMouse(bool on) override {
    if (on == confine_asked) return;
    confine_asked = on;
    // SDL keeps the grab only while the window has the focus and takes it again on return.
    if (on) {
      if (SDL_Window* window = ActiveWindow()) SDL_SetWindowMouseGrab(window, SDL_TRUE);
    } else {
      for (const auto& w : framework_windows)
        if (SDL_Window* window = SDL_GetWindowFromID(w->sdl_window_id))
          SDL_SetWindowMouseGrab(window, SDL_FALSE);
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
    TFocusKeeper keep;
    return RunFileDialog(title, filter, save, path);
  }

  std::u16string RequestDir(const std::u16string& title, const std::u16string& path) override {
    TFocusKeeper keep;
    return RunDirectoryDialog(title, path);
  }

  int32_t OpenURL(const std::u16string& url) override {
    TFocusKeeper keep;
    return StartUrlHandler(url);
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
  // Game controllers too: their mapping tells which button is the south face button.
  SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
  // Joysticks are read on demand; their motion would only fill the queue.
  for (uint32_t type : {SDL_JOYAXISMOTION, SDL_JOYBALLMOTION, SDL_JOYHATMOTION, SDL_JOYBUTTONDOWN,
                        SDL_JOYBUTTONUP, SDL_JOYBATTERYUPDATED, SDL_CONTROLLERAXISMOTION,
                        SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLERBUTTONUP,
                        SDL_CONTROLLERTOUCHPADDOWN, SDL_CONTROLLERTOUCHPADMOTION,
                        SDL_CONTROLLERTOUCHPADUP, SDL_CONTROLLERSENSORUPDATE})
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
void ConfineMousePointer(int32_t on) { SystemDriver().ConfineMouse(on != 0); }
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
  return Utf8ToText(std::string_view(buffer, n));
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
