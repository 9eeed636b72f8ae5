// What the play-field tests share: a game started from the title menu, objects placed
// directly where a rule is about positions, the ordered lists read as vectors, the covered
// pixels of a picture, and the frame a main-loop pass presents.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "game/globals.h"
#include "gfx/draw2d.h"
#include "gfx/graphics.h"
#include "gfx/image.h"
#include "system/hook.h"
#include "tests/game/game_harness.h"

namespace field {

// The title's "Start Game" clicked, and the pass that reads the click: the get-ready zoom
// begins with the next pass.
inline void start_game() {
  harness::click(320, 245);
  harness::run_passes(1);
  ASSERT_EQ(kPlaying, game_state) << "a click on the first item should start a game";
}

// Straight into play proper, past the zoom.
inline void start_playing() {
  start_game();
  ready_scale = 1.0f;
  ready_sep = 1.0f;
}

// The invaders hold their fire and the saucer stays away, so that only what a test places
// moves on the field.
inline void quiet_field() {
  for (invader_tag& inv : invaders) inv.shot_tmr = 1 << 20;
  ufo.rel_ctr = 1 << 20;
}

inline pshot_tag& place_pshot(int32_t x, int32_t y) {
  auto shot = std::make_unique<pshot_tag>();
  shot->x = x;
  shot->y = y;
  return pshot_list.add(std::move(shot));
}

// A player shot that meets the invader in the next play step (shots climb before the
// invaders move and test).
inline void aim_at(const invader_tag& inv) {
  place_pshot(static_cast<int32_t>(inv.x), static_cast<int32_t>(inv.y) + 4);
}

template <class T>
std::vector<T*> items(ordered_list<T>& list) {
  std::vector<T*> out;
  list.walk([&](T& item) { out.push_back(&item); });
  return out;
}

// The pixels of a frame that hit tests count as covered.
struct Coverage {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> bits;
  bool at(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < width && y < height && bits[static_cast<size_t>(y * width + x)] != 0;
  }
  int32_t count() const {
    int32_t n = 0;
    for (uint8_t b : bits) n += b;
    return n;
  }
};

inline Coverage coverage(const TImagePtr& image, int32_t frame) {
  TPixmapPtr p = LockImageFrame(image, frame, 1, 0);
  Coverage c;
  c.width = ImageWidth(image);
  c.height = ImageHeight(image);
  c.bits.resize(static_cast<size_t>(c.width * c.height));
  for (int32_t y = 0; y < c.height; ++y)
    for (int32_t x = 0; x < c.width; ++x)
      c.bits[static_cast<size_t>(y * c.width + x)] = (ReadPixel(p, x, y) >> 24) >= 0x80 ? 1 : 0;
  UnlockImageFrame(image, frame);
  return c;
}

// The frame the next main-loop pass presents, read just before its flip.
inline TPixmapPtr& captured_frame() {
  static TPixmapPtr frame;
  return frame;
}
inline bool& capture_armed() {
  static bool armed = false;
  return armed;
}
inline std::shared_ptr<void> grab_before_flip(int32_t, const std::shared_ptr<void>& data,
                                              const std::shared_ptr<void>&) {
  if (capture_armed()) {
    captured_frame() = GrabScreenPixmap(0, 0, 640, 480);
    capture_armed() = false;
  }
  return data;
}
inline TPixmapPtr next_frame() {
  static bool attached = false;
  if (!attached) AttachHook(FlipHookChannel(), grab_before_flip);
  attached = true;
  captured_frame() = nullptr;
  capture_armed() = true;
  harness::run_passes(1);
  return captured_frame();
}

}  // namespace field
