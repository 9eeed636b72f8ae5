#include "system/sdl_system.h"

#include <vector>

namespace {
std::vector<TFrameworkWindow> framework_windows;
bool driver_started = false;
}  // namespace

void AddFrameworkWindow(const TFrameworkWindow& w) {
  StartSystemDriver();
  for (auto& e : framework_windows)
    if (e.sdl_window_id == w.sdl_window_id) { e = w; return; }
  framework_windows.push_back(w);
}

void RemoveFrameworkWindow(uint32_t sdl_window_id) {
  for (size_t i = 0; i < framework_windows.size(); ++i)
    if (framework_windows[i].sdl_window_id == sdl_window_id) {
      framework_windows.erase(framework_windows.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}

void StartSystemDriver() {
  if (driver_started) return;
  driver_started = true;
  SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_JOYSTICK);
}
