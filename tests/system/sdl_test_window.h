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
    Register({});
  }
  void TearDown() override {
    RemoveFrameworkWindow(id);
    if (window) SDL_DestroyWindow(window);
  }
  // Registers this window again with another source, size or mapping.
  void Register(TFrameworkWindow w, int width = 640, int height = 480) {
    w.sdl_window_id = id;
    w.client_width = width;
    w.client_height = height;
    AddFrameworkWindow(w);
  }
  void Push(SDL_Event e) { SDL_PushEvent(&e); }
  void Key(uint32_t type, SDL_Scancode code, uint16_t mod = 0, uint8_t repeat = 0) {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = id;
    e.key.repeat = repeat;
    e.key.keysym.scancode = code;
    e.key.keysym.mod = mod;
    Push(e);
  }
  void Down(SDL_Scancode code, uint16_t mod = 0) { Key(SDL_KEYDOWN, code, mod); }
  void Repeat(SDL_Scancode code, uint16_t mod = 0) { Key(SDL_KEYDOWN, code, mod, 1); }
  void Up(SDL_Scancode code, uint16_t mod = 0) { Key(SDL_KEYUP, code, mod); }
  void Motion(int x, int y, uint32_t held = 0) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion = {SDL_MOUSEMOTION, 0, id, 0, held, x, y, 0, 0};
    Push(e);
  }
  void Button(uint32_t type, uint8_t button, int x = 0, int y = 0) {
    SDL_Event e{};
    e.button = {type, 0, id, 0, button, 0, 1, 0, x, y};
    Push(e);
  }
  void Wheel(float notches, int x = 0, int y = 0, uint32_t direction = SDL_MOUSEWHEEL_NORMAL) {
    SDL_Event e{};
    e.wheel = {SDL_MOUSEWHEEL, 0, id, 0, 0, 0, direction, 0.0f, notches, x, y};
    Push(e);
  }
  void Window(uint8_t event) {
    SDL_Event e{};
    e.window = {SDL_WINDOWEVENT, 0, id, event, 0, 0, 0, 0, 0};
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
