// The system driver and the global system operations: pumping the platform's
// events into TEvents, the mouse pointer, modal boxes, file requesters, the
// desktop's URL handler and main-thread work. The SDL driver (sdl_system.cpp) implements it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TSystemDriver {
 public:
  virtual ~TSystemDriver() = default;
  virtual void Poll() = 0;  // handle every queued platform event, then return
  virtual void Wait() = 0;  // block until one arrives, then handle all queued
  virtual void MoveMouse(int32_t x, int32_t y) = 0;  // client coordinates of the active window
  virtual void ConfineMouse(bool on) = 0;
  virtual void SetMouseVisible(bool visible) = 0;
  virtual void Notify(const std::u16string& text, bool serious) = 0;
  virtual int32_t Confirm(const std::u16string& text, bool serious) = 0;  // 1 OK, else 0
  virtual int32_t Proceed(const std::u16string& text, bool serious) = 0;  // 1 Yes, 0 No, -1 otherwise
  virtual std::u16string RequestFile(const std::u16string& title, const std::u16string& filter,
                                     bool save, const std::u16string& path) = 0;
  virtual std::u16string RequestDir(const std::u16string& title, const std::u16string& path) = 0;
  virtual int32_t OpenURL(const std::u16string& url) = 0;  // 1 when the handler was started
};

TSystemDriver& SystemDriver();  // starts the driver on first use

// Poll and wait share one busy flag: called while either runs (from a hook), they return at once.
void PollSystemEvents();
void WaitSystemEvents();
void MoveMousePointer(int32_t x, int32_t y);
// While on, the pointer stays on the picture of the framework window it is in: positions it
// reports and MoveMousePointer targets are held inside the client area, and the pointer cannot
// leave the focused window (it is let go while the window has no focus). A full-screen
// context holds it so always.
void ConfineMousePointer(int32_t on);
void ShowMousePointer();
void HideMousePointer();  // hidden only while over a framework window
void ShowNotice(const std::u16string& text, bool serious = false);
int32_t AskConfirm(const std::u16string& text, bool serious = false);
int32_t AskProceed(const std::u16string& text, bool serious = false);
// The filter is "Name:ext,ext;Name:ext"; the result is the chosen path or empty.
std::u16string AskFileName(const std::u16string& title, const std::u16string& filter = {},
                           bool save = false, const std::u16string& path = {});
std::u16string AskDirectory(const std::u16string& title, const std::u16string& path = {});
int32_t OpenWithShell(const std::u16string& url);
std::u16string CurrentDateText();  // "%d %b %Y", local time
std::u16string CurrentTimeText();  // "%H:%M:%S", local time

// Runs function(user, value) on the main thread inside its next poll or wait; callable
// from any thread once the driver has started. The user object is released after the call.
using TMainThreadFunction = void (*)(const std::shared_ptr<void>& user, int32_t value);
void PostToMainThread(TMainThreadFunction function, std::shared_ptr<void> user, int32_t value);
