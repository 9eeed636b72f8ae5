// Frame pacing of FlipGraphics(-1) where the swap does not wait for a vertical blank (a
// virtual X screen): opens the game's 640 x 480 full-screen context at 60 Hz, draws a light
// frame and flips FRAMES times (600 by default), timing each period from one flip's return
// to the next. Prints the mean period, the share within 2 ms of 1000/60 ms, the extremes
// and percentiles. pacing_bench.sh runs it idle and with the other core busy.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gfx/draw2d.h"
#include "gfx/graphics_internal.h"

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 600;
  if (frames < 2) return 1;
  StartDraw2DGraphics();
  if (!OpenGraphics(640, 480, 32, 60, GraphicsBackBuffer)) {
    std::printf("OpenGraphics failed\n");
    return 1;
  }
  using Clock = std::chrono::steady_clock;
  std::vector<double> periods;
  periods.reserve(frames);
  FlipGraphics(-1);
  auto last = Clock::now();
  for (int i = 0; i < frames; ++i) {
    SetClearColor(0, 0, 32);
    ClearScreen();
    SetDrawColor(255, 255, 255);
    for (int k = 0; k < 20; ++k) FillRect(static_cast<float>((i * 4 + k * 30) % 640), k * 24.0f, 16, 8);
    FlipGraphics(-1);
    auto now = Clock::now();
    periods.push_back(std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
  }
  const double target = 1000.0 / 60.0;
  double sum = 0;
  int within = 0;
  for (double p : periods) {
    sum += p;
    if (std::fabs(p - target) <= 2.0) ++within;
  }
  std::vector<double> sorted = periods;
  std::sort(sorted.begin(), sorted.end());
  auto pct = [&](double q) { return sorted[static_cast<size_t>(q * (sorted.size() - 1))]; };
  const double mean = sum / periods.size();
  std::printf("frames=%d soft_sync=%d mean_ms=%.4f mean_error=%+.3f%% within_2ms=%.2f%% "
              "min_ms=%.3f p1_ms=%.3f p50_ms=%.3f p99_ms=%.3f max_ms=%.3f\n",
              frames, GraphicsPacing().soft_sync, mean, (mean / target - 1.0) * 100.0,
              100.0 * within / periods.size(), sorted.front(), pct(0.01), pct(0.5), pct(0.99),
              sorted.back());
  EndOpenGraphics();
  return 0;
}
