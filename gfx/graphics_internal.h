// The front end's inner workings, for the framework's own files, tests and benchmarks: the
// frame-pacing schedule of FlipGraphics(-1), the vertical-blank probe of OpenGraphics and
// what the last opening spent its time on. Programs use graphics.h.
#pragma once

#include <cstdint>

#include "gfx/graphics.h"

// Clock pacing of FlipGraphics(-1): frame_ms per frame plus frame_rem spread over each
// second, so that `hertz` frames take exactly 1000 ms.
struct TFramePacing {
  int32_t pace_hertz = 0, frame_ms = 0, frame_rem = 0, rem_accum = 0, next_tick = 0;
  int32_t soft_sync = 0;  // 1: sleep to the schedule; 0: the vertical blank paces
  int32_t clock_sync = 0;  // the driver's Flip sync for a frame paced by the clock
  void Start(int32_t hertz, int32_t now);
  // Moves the schedule on by one frame; answers how long to sleep, or 0 after putting a late
  // schedule back to `now` so that a late frame is not made up later.
  int32_t Advance(int32_t now);
};
const TFramePacing& GraphicsPacing();

// How OpenGraphics paces a context, from its depth and rate and the rate the driver reports
// for the display (0 unknown): whether to probe the vertical blank first, and the sync of
// the frames the clock paces (-1 waits for the blank, adaptively; 0 does not wait).
struct TPacingPlan {
  bool probe = false;
  int32_t clock_sync = 0;
};
TPacingPlan PlanPacing(int32_t depth, int32_t hertz, int32_t display_hertz);

// The vertical-blank probe of OpenGraphics: three timed flips in a row within 1 ms of the
// frame time mean the display runs at the asked rate.
struct TVBlankProbe {
  int32_t frame_ms = 0, run = 0;
  bool Feed(int32_t elapsed_ms);  // true once three in a row matched
};

// Where the last successful OpenGraphics spent its time, in nanoseconds.
struct TOpenGraphicsTimes {
  int64_t create_ns = 0;    // the driver's CreateGraphics and making the context current
  int64_t probe_ns = 0;     // the vertical-blank probe
  int32_t probe_flips = 0;  // flips the probe made
};
const TOpenGraphicsTimes& LastOpenGraphicsTimes();
