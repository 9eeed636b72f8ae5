// Input as SDL delivers it, pushed onto SDL's queue for the game's window, so that it goes
// through the framework's real event pump. Shared by the game's tests and its soak.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace sdl_events {

uint32_t window_id();  // of the current graphics context; 0 when none
void key(uint32_t type, SDL_Scancode code);  // SDL_KEYDOWN or SDL_KEYUP
void button(uint32_t type, uint8_t which, int32_t x, int32_t y);  // SDL_MOUSEBUTTONDOWN or UP
void motion(int32_t x, int32_t y);
void window_event(uint8_t what);  // an SDL_WINDOWEVENT_* of the game's window

}  // namespace sdl_events
