// ImagesOverlap for the game's pairs: a 12 x 28 shot against a 50 x 26 invader and against the
// 640 x 70 blocker row, all masked, shot first as the game calls it. Each case runs through the
// layer test alone (Layer: the scanline scan, as before the fast path) and through ImagesOverlap
// (Fast: row bitmasks for upright unscaled frames); a plain bitmask test of the same frames
// is the floor. BM_BusiestFrame runs the hit tests of the busiest play frame.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "gfx/collision_internal.h"
#include "gfx/image.h"

namespace {

// The game runs audio and timer threads, so its reference counts are atomic; a process that
// never made a thread would count them without locking and time too well.
const bool kThreaded = [] {
  std::thread([] {}).join();
  return true;
}();

// Pictures as the game grabs them: RGB, black is transparent once masked.
TImagePtr Masked(int w, int h, bool (*opaque)(int x, int y)) {
  TPixmapPtr p = TPixmap::Create(w, h, RGB24, 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p->WritePixel(x, y, opaque(x, y) ? 0xFF30C040u : 0xFF000000u);
  TImagePtr image = TImage::Load(p, ImageMasked | ImageDynamic, 0, 0, 0);
  CentreImageHandle(image);
  return image;
}

struct Frames {
  TImagePtr invader, shot, row;
  Frames() {
    // Opaque except a 4-pixel slot down columns 23-26 and ragged edges.
    invader = Masked(50, 26, [](int x, int y) {
      return !((x >= 23 && x <= 26) || ((x + 3 * y) % 11 == 0 && (x < 4 || x > 45)));
    });
    shot = Masked(12, 28, [](int x, int) { return x == 5 || x == 6; });  // a 2-pixel beam
    // Three 100 x 70 blockers centred at x 120, 320 and 520, each with an arch cut out below.
    row = Masked(640, 70, [](int x, int y) {
      const int dx = (x + 130) % 200;  // from the left edge of the blocker at or left of x
      return dx >= 0 && dx < 100 && !(y > 45 && dx > 30 && dx < 70);
    });
  }
};

const Frames& TheFrames() {
  static Frames f;
  return f;
}

using OverlapFn = int32_t (*)(const TImagePtr&, float, float, int32_t, const TImagePtr&, float,
                              float, int32_t);

enum Target { kInvader, kRow };

// The shot at (x, y) against the invader at (300, 200) or the row at (320, 360).
void Pair(benchmark::State& state, OverlapFn overlap, Target target, float x, float y,
          int32_t expected) {
  const Frames& f = TheFrames();
  const TImagePtr& other = target == kInvader ? f.invader : f.row;
  const float ox = target == kInvader ? 300.0f : 320.0f, oy = target == kInvader ? 200.0f : 360.0f;
  if (overlap(f.shot, x, y, 0, other, ox, oy, 0) != expected)
    state.SkipWithError("unexpected answer");
  for (auto _ : state) benchmark::DoNotOptimize(overlap(f.shot, x, y, 0, other, ox, oy, 0));
}

// One row mask per row; bit x set where the pixel's alpha is 128 or more.
struct BitMask {
  int w = 0, h = 0;
  float hx = 0, hy = 0;
  std::vector<uint64_t> rows;
  explicit BitMask(const TImagePtr& image) : w(image->width), h(image->height) {
    hx = image->handle_x, hy = image->handle_y;
    TPixmapPtr p = image->Lock(0, 1, 0);
    rows.assign(h, 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (p->ReadPixel(x, y) >> 31) rows[y] |= uint64_t{1} << x;
  }
};

bool MasksOverlap(const BitMask& a, float ax, float ay, const BitMask& b, float bx, float by) {
  auto cell = [](float v) { return static_cast<int>(std::floor(v)); };
  const int ax0 = cell(ax - a.hx), ay0 = cell(ay - a.hy);
  const int bx0 = cell(bx - b.hx), by0 = cell(by - b.hy);
  if (ax0 >= bx0 + b.w || bx0 >= ax0 + a.w || ay0 >= by0 + b.h || by0 >= ay0 + a.h) return false;
  const int dx = bx0 - ax0;  // b's columns in a's coordinates
  const int y0 = std::max(ay0, by0), y1 = std::min(ay0 + a.h, by0 + b.h);
  for (int y = y0; y < y1; ++y) {
    const uint64_t ra = a.rows[y - ay0], rb = b.rows[y - by0];
    const uint64_t aligned = dx >= 0 ? rb << dx : rb >> -dx;
    if (ra & aligned) return true;
  }
  return false;
}

// The floor: 50 x 26 and 12 x 28 fit one word a row, so no windows across words.
void Bitmask(benchmark::State& state, float x, float y, bool expected) {
  const Frames& f = TheFrames();
  static const BitMask invader(f.invader), shot(f.shot);
  if (MasksOverlap(shot, x, y, invader, 300, 200) != expected)
    state.SkipWithError("unexpected answer");
  for (auto _ : state) benchmark::DoNotOptimize(MasksOverlap(shot, x, y, invader, 300, 200));
}

// Shot centres: beam over solid invader pixels (early hit), down the invader's slot (every row
// scanned, no hit), boxes apart; over a blocker, through the arch under it, above the row.
constexpr float kHitX = 290, kHitY = 205.5f;
constexpr float kSlotX = 300, kSlotY = 200;
constexpr float kAwayX = 100, kAwayY = 50;
constexpr float kBlockX = 120, kBlockY = 340;
constexpr float kArchX = 320, kArchY = 392;
constexpr float kAboveX = 320, kAboveY = 300;

// 50 invaders in a 10 x 5 formation against 10 player shots; 20 invader shots against the row
// and against the ship; the 10 player shots against the row. The shots climb through the
// formation's gaps, so most tests reach the scan and few end early.
void BusiestFrame(benchmark::State& state, OverlapFn overlap) {
  const Frames& f = TheFrames();
  std::vector<std::pair<float, float>> invaders, shots, bombs;
  for (int i = 0; i < 50; ++i) invaders.emplace_back(80.0f + 55 * (i % 10), 60.0f + 36 * (i / 10));
  for (int i = 0; i < 10; ++i) shots.emplace_back(52.0f + 55 * i + (i % 3), 100.0f + 29.5f * i);
  for (int i = 0; i < 20; ++i) bombs.emplace_back(30.0f + 31 * i, 150.0f + 13 * i);
  int32_t hits = 0;
  for (auto _ : state) {
    for (auto [ix, iy] : invaders)
      for (auto [sx, sy] : shots) hits += overlap(f.shot, sx, sy, 0, f.invader, ix, iy, 0);
    for (auto [bx, by] : bombs) {
      hits += overlap(f.shot, bx, by, 0, f.row, 320, 360, 0);
      hits += overlap(f.shot, bx, by, 0, f.invader, 320, 440, 0);
    }
    for (auto [sx, sy] : shots) hits += overlap(f.shot, sx, sy, 0, f.row, 320, 360, 0);
  }
  benchmark::DoNotOptimize(hits);
  state.counters["tests"] = 50 * 10 + 20 * 2 + 10;
}

}  // namespace

#define VS_PAIR(name, target, x, y, expected)                                                \
  BENCHMARK_CAPTURE(Pair, name##_Layer, &LayerImagesOverlap, target, x, y, expected);        \
  BENCHMARK_CAPTURE(Pair, name##_Fast, &ImagesOverlap, target, x, y, expected)

VS_PAIR(ShotInvaderOverlapping, kInvader, kHitX, kHitY, 1);
VS_PAIR(ShotInvaderNear, kInvader, kSlotX, kSlotY, 0);
VS_PAIR(ShotInvaderFar, kInvader, kAwayX, kAwayY, 0);
VS_PAIR(ShotRowBlocker, kRow, kBlockX, kBlockY, 1);
VS_PAIR(ShotRowArch, kRow, kArchX, kArchY, 0);
VS_PAIR(ShotRowAbove, kRow, kAboveX, kAboveY, 0);
BENCHMARK_CAPTURE(Bitmask, ShotInvaderOverlapping, kHitX, kHitY, true);
BENCHMARK_CAPTURE(Bitmask, ShotInvaderNear, kSlotX, kSlotY, false);
BENCHMARK_CAPTURE(Bitmask, ShotInvaderFar, kAwayX, kAwayY, false);
BENCHMARK_CAPTURE(BusiestFrame, Layer, &LayerImagesOverlap)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BusiestFrame, Fast, &ImagesOverlap)->Unit(benchmark::kMicrosecond);
