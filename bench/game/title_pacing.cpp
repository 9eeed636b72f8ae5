// Frame pacing of the real game on its title menu: start-up as the player gets it (full screen,
// 60 Hz), then the title's frames as the main loop draws them, each noted when its flip has
// presented it. Prints the mean period, the share of periods within 2 ms of 1000/60 ms and the
// worst. Run under Xvfb from the repository root by title_pacing.sh.
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "game/globals.h"
#include "game/shell/hud.h"
#include "game/shell/main_loop.h"
#include "game/shell/screens.h"
#include "gfx/collision.h"
#include "gfx/graphics.h"

namespace {

double now_ms() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 1200;
  if (!game_startup()) return 1;
  main_loop_pass();  // the first title frame, drawn once before timing
  std::vector<double> flips;
  for (int i = 0; i <= frames; ++i) {
    // The main loop's pass for the title, timed when the flip returns.
    draw_background(0);
    ClearCollisionLayers(0);
    menu_step();
    draw_hud();
    FlipGraphics(-1);
    flips.push_back(now_ms());
  }
  std::vector<double> periods;
  for (size_t i = 1; i < flips.size(); ++i) periods.push_back(flips[i] - flips[i - 1]);
  const double target = 1000.0 / 60.0;
  double sum = 0, worst = 0;
  int near = 0;
  for (double p : periods) {
    sum += p;
    worst = std::max(worst, std::fabs(p - target));
    if (std::fabs(p - target) <= 2.0) ++near;
  }
  const double mean = sum / static_cast<double>(periods.size());
  std::printf("%zu periods on the title: mean %.4f ms (%+.3f %% of 16.667), %.2f %% within 2 ms, worst %.2f ms off\n",
              periods.size(), mean, (mean / target - 1.0) * 100.0,
              100.0 * near / static_cast<double>(periods.size()), worst);
  return 0;
}
