// Frame pacing of FlipGraphics(-1) where the swap does not wait for a vertical blank (a
// virtual X screen): opens the game's 640 x 480 full-screen context at 60 Hz, draws a light
// frame and flips FRAMES times (600 by default), timing each period from one flip's return
// to the next. Prints the mean period, the share within 2 ms of 1000/60 ms, the extremes
// and percentiles, how far past its scheduled tick each flip returned (the sleep's overshoot
// and the swap) and how many frames found themselves late and restarted the schedule.
// pacing_bench.sh runs it idle and with the other core busy. Usage: pacing_bench [frames]
// [file to write every period to]
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
  std::vector<double> periods, past_tick;
  periods.reserve(frames);
  past_tick.reserve(frames);
  int restarts = 0;
  FlipGraphics(-1);
  auto last = Clock::now();
  for (int i = 0; i < frames; ++i) {
    SetClearColor(0, 0, 32);
    ClearScreen();
    SetDrawColor(255, 255, 255);
    for (int k = 0; k < 20; ++k) FillRect(static_cast<float>((i * 4 + k * 30) % 640), k * 24.0f, 16, 8);
    const int32_t before = GraphicsPacing().next_tick;
    FlipGraphics(-1);
    auto now = Clock::now();
    periods.push_back(std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
    // The tick is in the steady clock's whole milliseconds: how far past it are we now?
    const int64_t now_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count();
    const int32_t tick = GraphicsPacing().next_tick;
    const int32_t behind = static_cast<int32_t>(static_cast<uint32_t>(now_ns / 1000000) - static_cast<uint32_t>(tick));
    past_tick.push_back(behind + (now_ns % 1000000) / 1e6);
    const int32_t step = static_cast<int32_t>(static_cast<uint32_t>(tick) - static_cast<uint32_t>(before));
    if (step != 16 && step != 17) ++restarts;
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
  std::sort(past_tick.begin(), past_tick.end());
  double past_sum = 0;
  for (double p : past_tick) past_sum += p;
  std::printf("frames=%d soft_sync=%d mean_ms=%.4f mean_error=%+.3f%% within_2ms=%.2f%% "
              "min_ms=%.3f p1_ms=%.3f p50_ms=%.3f p99_ms=%.3f max_ms=%.3f "
              "past_tick_mean_ms=%.3f past_tick_p99_ms=%.3f past_tick_max_ms=%.3f restarts=%d\n",
              frames, GraphicsPacing().soft_sync, mean, (mean / target - 1.0) * 100.0,
              100.0 * within / periods.size(), sorted.front(), pct(0.01), pct(0.5), pct(0.99),
              sorted.back(), past_sum / past_tick.size(),
              past_tick[static_cast<size_t>(0.99 * (past_tick.size() - 1))], past_tick.back(),
              restarts);
  if (argc > 2) {  // every period, one a line, for a closer look
    if (FILE* f = std::fopen(argv[2], "w")) {
      for (double p : periods) std::fprintf(f, "%.3f\n", p);
      std::fclose(f);
    }
  }
  EndOpenGraphics();
  return 0;
}
