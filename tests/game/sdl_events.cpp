#include "tests/game/sdl_events.h"

#include "gfx/opengl/gl_graphics_internal.h"
#include "gfx/graphics.h"

namespace sdl_events {
namespace {

void push(SDL_Event e) { SDL_PushEvent(&e); }

}  // namespace

uint32_t window_id() {
  TGraphicsPtr g = CurrentGraphicsContext();
  return g ? GLGraphicsWindowId(*g) : 0;
}

void key(uint32_t type, SDL_Scancode code) {
  SDL_Event e{};
  e.type = type;
  e.key.windowID = window_id();
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = code;
  push(e);
}

void button(uint32_t type, uint8_t which, int32_t x, int32_t y) {
  SDL_Event e{};
  e.button = {type, 0, window_id(), 0, which, static_cast<uint8_t>(type == SDL_MOUSEBUTTONDOWN), 1, 0, x, y};
  push(e);
}

void motion(int32_t x, int32_t y) {
  SDL_Event e{};
  e.motion = {SDL_MOUSEMOTION, 0, window_id(), 0, 0, x, y, 0, 0};
  push(e);
}

void window_event(uint8_t what) {
  SDL_Event e{};
  e.window.type = SDL_WINDOWEVENT;
  e.window.windowID = window_id();
  e.window.event = what;
  push(e);
}

}  // namespace sdl_events
