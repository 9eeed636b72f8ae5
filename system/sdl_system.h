// The SDL side of the system layer: graphics and other framework windows register
// here so the driver translates their SDL events into TEvents. Platform header;
// only the files that wrap SDL include it.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>

// A window of the framework whose SDL events the driver translates into TEvents.
struct TFrameworkWindow {
  uint32_t sdl_window_id = 0;
  std::shared_ptr<void> source;                       // null for the graphics window
  int client_width = 0, client_height = 0;            // the client area in its own coordinates
  bool confined = false;  // holds the pointer on the client area always (full screen)
  std::function<void(float& x, float& y)> to_client;  // SDL window coordinates -> client coordinates (may be empty: identity)
  std::function<void(float& x, float& y)> to_window;  // client -> SDL window coordinates (MoveMousePointer)
  // Sees each of the window's SDL events before translation (may be empty); true keeps the
  // event from becoming a TEvent, for a keystroke the window itself acts on.
  std::function<bool(const SDL_Event&)> on_event;
};

void AddFrameworkWindow(const TFrameworkWindow& w);  // replaces an entry of the same id
void RemoveFrameworkWindow(uint32_t sdl_window_id);
void StartSystemDriver();  // once; every public system operation starts it on first use

// Between the driver's files: the virtual-key code of an SDL scancode (0: none), and the
// joystick reader's notice of a device SDL reports as added.
int32_t VirtualKeyOf(int scancode, bool num_lock);
void NoteJoystickAdded(int32_t device_index);
