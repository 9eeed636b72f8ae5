// A hidden SDL window registered as a framework window, and helpers that push SDL
// events for it through the real pump.
#pragma once

#include <gtest/gtest.h>

#include "system/sdl_system.h"

class SdlWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartSystemDriver();
    window = SDL_CreateWindow("test", 0, 0, 640, 480, SDL_WINDOW_HIDDEN);
    ASSERT_NE(nullptr, window) << SDL_GetError();
    id = SDL_GetWindowID(window);
    TFrameworkWindow w;
    w.sdl_window_id = id;
    w.client_width = 640;
    w.client_height = 480;
    Register(w);
  }
  void TearDown() override {
    RemoveFrameworkWindow(id);
    if (window) SDL_DestroyWindow(window);
  }
  void Register(TFrameworkWindow w) {
    w.sdl_window_id = id;
    AddFrameworkWindow(w);
  }

  void Push(SDL_Event e) { ASSERT_EQ(1, SDL_PushEvent(&e)) << SDL_GetError(); }
  void Key(uint32_t type, SDL_Scancode code, uint16_t mod = 0, uint8_t repeat = 0, uint32_t window_id = 0) {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = window_id ? window_id : id;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat;
    e.key.keysym.scancode = code;
    e.key.keysym.mod = mod;
    Push(e);
  }
  void Down(SDL_Scancode code, uint16_t mod = 0) { Key(SDL_KEYDOWN, code, mod); }
  void Repeat(SDL_Scancode code, uint16_t mod = 0) { Key(SDL_KEYDOWN, code, mod, 1); }
  void Up(SDL_Scancode code, uint16_t mod = 0) { Key(SDL_KEYUP, code, mod); }
  void Motion(int x, int y, uint32_t state = 0) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = id;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = state;
    Push(e);
  }
  void Button(uint32_t type, uint8_t button, int x = 0, int y = 0) {
    SDL_Event e{};
    e.type = type;
    e.button.windowID = id;
    e.button.button = button;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    Push(e);
  }
  void Wheel(float precise_y, int x = 0, int y = 0, uint32_t direction = SDL_MOUSEWHEEL_NORMAL) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = id;
    e.wheel.preciseY = precise_y;
    e.wheel.y = static_cast<Sint32>(precise_y);
    e.wheel.direction = direction;
    e.wheel.mouseX = x;
    e.wheel.mouseY = y;
    Push(e);
  }
  void Window(uint8_t event) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = id;
    e.window.event = event;
    Push(e);
  }
  void Text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = id;
    SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
    Push(e);
  }

  SDL_Window* window = nullptr;
  uint32_t id = 0;
};
