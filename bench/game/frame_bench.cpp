// The busiest play frame: 50 invaders, 10 player shots, 20 invader shots, 300 sparks, the
// saucer, stereo on. The real game is started on an offscreen window. BM_BusiestFrameUpdateOnly:
// the game thread's work with drawing left out (the OpenGL driver wrapped so that every drawing
// call is only counted). BM_BusiestFrameDrawn/OpenGL and /OpenGLES: the same frame drawn by
// Mesa through each driver and presented, in wall time, with the draw calls (draws and
// clears) it issued: for the OpenGL driver each immediate-mode primitive, clear and pixel copy,
// for the OpenGL ES driver each draw of a batch and each clear.
// Run from the repository root (the game reads data/).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <vector>

#include "game/globals.h"
#include "game/shell/hud.h"
#include "game/shell/main_loop.h"
#include "gfx/collision.h"
#include "gfx/gles/gles_draw2d_internal.h"
#include "gfx/opengl/gl_draw2d.h"
#include "gfx/graphics.h"
#include "system/random.h"

namespace {

bool drawing = true;
int64_t counted = 0;

class TCountingFrame : public TImageFrame {
 public:
  explicit TCountingFrame(TImageFramePtr inner) : inner_(std::move(inner)) {}
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override {
    ++counted;
    if (drawing) inner_->Draw(x0, y0, x1, y1, tx, ty);
  }

 private:
  TImageFramePtr inner_;
};

// The OpenGL 2D driver counting its drawing calls, and leaving them out while `drawing` is
// false. State setters and pixel grabs always reach OpenGL: the game's rules read pixels back.
class TCountingDriver : public TGLDraw2DDriver {
 public:
  TImageFramePtr CreateFrameFromPixmap(const TPixmapPtr& pixmap, int32_t flags) override {
    TImageFramePtr frame = TGLDraw2DDriver::CreateFrameFromPixmap(pixmap, flags);
    return frame ? std::make_shared<TCountingFrame>(frame) : nullptr;
  }
  void Cls() override { Count() ? TGLDraw2DDriver::Cls() : void(); }
  void Plot(float x, float y) override { Count() ? TGLDraw2DDriver::Plot(x, y) : void(); }
  void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Count() ? TGLDraw2DDriver::DrawLine(x0, y0, x1, y1, tx, ty) : void();
  }
  void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Count() ? TGLDraw2DDriver::DrawRect(x0, y0, x1, y1, tx, ty) : void();
  }
  void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Count() ? TGLDraw2DDriver::DrawOval(x0, y0, x1, y1, tx, ty) : void();
  }
  void DrawPoly(const std::vector<float>& xy, float hx, float hy, float ox, float oy) override {
    Count() ? TGLDraw2DDriver::DrawPoly(xy, hx, hy, ox, oy) : void();
  }
  void DrawPixmap(const TPixmapPtr& p, int32_t x, int32_t y) override {
    Count() ? TGLDraw2DDriver::DrawPixmap(p, x, y) : void();
  }

 private:
  static bool Count() {
    ++counted;
    return drawing;
  }
};

TCountingDriver counting_driver;

// The game's screen opened again through another driver; every image makes its frames anew
// from its pixmaps on the next draw.
void use_driver(TDraw2DDriver* driver) {
  if (CurrentGraphicsDriver() == driver) return;
  EndOpenGraphics();
  SelectGraphicsDriver(driver, GraphicsBackBuffer);
  if (!OpenGraphics(640, 480, 0, 0, 0)) std::abort();
}

struct snapshot {
  player_tag player_;
  blocker_tag blocker_;
  ufo_tag ufo_;
  std::array<invader_tag, kInvaders> invaders_;
  std::vector<pshot_tag> pshots;
  std::vector<ishot_tag> ishots;
  std::vector<particle_tag> sparks;
  float march_dx_, march_speed_;
  int32_t seed;
};

template <class T>
std::vector<T> copy_of(ordered_list<T>& list) {
  std::vector<T> items;
  list.walk([&](T& item) { items.push_back(item); });
  return items;
}

template <class T>
void restore(ordered_list<T>& list, const std::vector<T>& items) {
  list.clear();
  for (const T& item : items) list.add(std::make_unique<T>(item));
}

snapshot busiest;

void start_game_once() {
  static bool started = false;
  if (started) return;
  started = true;
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  StartGLESDraw2DDriver();
  SelectGraphicsDriver(&counting_driver, GraphicsBackBuffer);
  if (!game_startup({640, 480, 0, 0})) std::abort();

  // A game in play, every invader alive, shots spread below the formation so none hits it
  // in the measured frame, sparks of a few bursts, the saucer mid-crossing, stereo on.
  SetRandomSeed(4242);
  player_tag::reset(1);
  invader_tag::reset_all(1);
  game_state = kPlaying;
  ready_scale = 1.0f;
  stereo_mode = 1;
  select_eye_colours(1);
  for (int32_t i = 0; i < 10; ++i) {
    auto shot = std::make_unique<pshot_tag>();
    shot->x = 60 + 55 * i;
    shot->y = 260 + 6 * i;
    pshot_list.add(std::move(shot));
  }
  for (int32_t i = 0; i < 20; ++i) ishot_tag::create_it(40.0f + 29.0f * static_cast<float>(i), 250.0f);
  for (int32_t i = 0; i < 20; ++i)
    particle_tag::create_it(100.0f + 20.0f * static_cast<float>(i), 200.0f, 0.9f, 15);
  ufo.limbo = 0;
  ufo.x = 300.0f;
  ufo.rel_ctr = 5000;
  busiest = {player, blocker, ufo, invaders, copy_of(pshot_list), copy_of(ishot_list),
             copy_of(particle_list), march_dx, march_speed, GetRandomSeed()};
}

void put_back_busiest() {
  player = busiest.player_;
  blocker = busiest.blocker_;
  ufo = busiest.ufo_;
  invaders = busiest.invaders_;
  restore(pshot_list, busiest.pshots);
  restore(ishot_list, busiest.ishots);
  restore(particle_list, busiest.sparks);
  march_dx = busiest.march_dx_;
  march_speed = busiest.march_speed_;
  SetRandomSeed(busiest.seed);
  game_state = kPlaying;
}

// The main loop's pass for the playing state, but for the flip.
void play_frame() {
  draw_background(0);
  ClearCollisionLayers(0);
  play_step();
  draw_hud();
}

void BM_BusiestFrameUpdateOnly(benchmark::State& state) {
  start_game_once();
  use_driver(&counting_driver);
  drawing = false;
  counted = 0;
  int64_t frames = 0;
  for (auto _ : state) {
    state.PauseTiming();
    put_back_busiest();
    state.ResumeTiming();
    play_frame();
    ++frames;
  }
  drawing = true;
  state.counters["draw_calls"] = static_cast<double>(counted) / static_cast<double>(frames);
  state.counters["alive"] = alive_count;
  state.counters["sparks"] = static_cast<double>(particle_list.size());
}
BENCHMARK(BM_BusiestFrameUpdateOnly)->Unit(benchmark::kMicrosecond);

void busiest_frame_drawn(benchmark::State& state, bool gles) {
  start_game_once();
  use_driver(gles ? static_cast<TDraw2DDriver*>(&TheGLESDraw2DDriver()) : &counting_driver);
  drawing = true;
  put_back_busiest();
  play_frame();  // textures are made on first use
  FlipGraphics(-1);
  int64_t frames = 0, calls = 0;
  for (auto _ : state) {
    state.PauseTiming();
    put_back_busiest();
    const int64_t before = counted;
    const TGLESCounts es_before = GLESDrawCounts();
    state.ResumeTiming();
    play_frame();
    FlipGraphics(-1);
    const TGLESCounts es_after = GLESDrawCounts();
    calls += gles ? es_after.draws + es_after.clears - es_before.draws - es_before.clears
                  : counted - before;
    ++frames;
  }
  state.counters["draw_calls"] = static_cast<double>(calls) / static_cast<double>(frames);
}

void BM_BusiestFrameDrawn_OpenGL(benchmark::State& state) { busiest_frame_drawn(state, false); }
BENCHMARK(BM_BusiestFrameDrawn_OpenGL)->Name("BM_BusiestFrameDrawn/OpenGL")->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_BusiestFrameDrawn_OpenGLES(benchmark::State& state) { busiest_frame_drawn(state, true); }
BENCHMARK(BM_BusiestFrameDrawn_OpenGLES)->Name("BM_BusiestFrameDrawn/OpenGLES")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
