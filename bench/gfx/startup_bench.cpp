// How long the game's start-up takes to its first picture: StartDraw2DGraphics, then
// OpenGraphics(640, 480, 32, 60, GraphicsBackBuffer), then the first FlipGraphics(-1), broken
// down into SDL's video start, the hidden shared context, the window and its context, the
// vertical-blank probe and the first flip. One start-up per run; startup_bench.sh runs it
// several times under xvfb-run and reports the medians.
#include <SDL.h>

#include <chrono>
#include <cstdio>

#include "gfx/draw2d.h"
#include "gfx/opengl/gl_graphics_internal.h"
#include "gfx/graphics_internal.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main() {
  const auto start = Clock::now();
  StartDraw2DGraphics();
  const auto driver = Clock::now();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::printf("no video: %s\n", SDL_GetError());
    return 1;
  }
  const auto video = Clock::now();
  GLEnsureSharedContext();
  const auto shared = Clock::now();
  if (!OpenGraphics(640, 480, 32, 60, GraphicsBackBuffer)) {
    std::printf("OpenGraphics failed\n");
    return 1;
  }
  const auto opened = Clock::now();
  FlipGraphics(-1);
  const auto flipped = Clock::now();

  const TOpenGraphicsTimes& t = LastOpenGraphicsTimes();
  const double window = t.create_ns / 1e6, probe = t.probe_ns / 1e6;
  std::printf(
      "driver_ms=%.2f video_init_ms=%.2f shared_context_ms=%.2f window_context_ms=%.2f "
      "probe_ms=%.2f probe_flips=%d open_rest_ms=%.2f first_flip_ms=%.2f total_ms=%.2f\n",
      Ms(driver - start), Ms(video - driver), Ms(shared - video), window, probe, t.probe_flips,
      Ms(opened - shared) - window - probe, Ms(flipped - opened), Ms(flipped - start));
  EndOpenGraphics();
  return 0;
}
