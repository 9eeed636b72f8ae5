// ImagesOverlap of a 12 x 28 shot against a 50 x 26 masked invader frame, the game's most
// frequent test, beside a plain bitmask test (row masks ANDed after aligning) on the same frames.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "gfx/image.h"

namespace {

constexpr int kSpriteW = 50, kSpriteH = 26, kShotW = 12, kShotH = 28;

// Invader: opaque except a 4-pixel transparent slot down columns 23-26 and ragged edges.
TPixmapPtr SpritePixels() {
  TPixmapPtr p = TPixmap::Create(kSpriteW, kSpriteH, RGB24, 4);
  for (int y = 0; y < kSpriteH; ++y)
    for (int x = 0; x < kSpriteW; ++x) {
      const bool hole = (x >= 23 && x <= 26) || ((x + 3 * y) % 11 == 0 && (x < 4 || x > 45));
      p->WritePixel(x, y, hole ? 0xFF000000u : 0xFF30C040u);
    }
  return p;
}

// Shot: a 2-pixel beam down the middle of a 12 x 28 frame.
TPixmapPtr ShotPixels() {
  TPixmapPtr p = TPixmap::Create(kShotW, kShotH, RGB24, 4);
  for (int y = 0; y < kShotH; ++y)
    for (int x = 0; x < kShotW; ++x)
      p->WritePixel(x, y, (x == 5 || x == 6) ? 0xFFFFFFFFu : 0xFF000000u);
  return p;
}

struct Frames {
  TImagePtr sprite, shot;
  Frames() {
    SetImageMaskColor(0, 0, 0);
    sprite = TImage::Load(SpritePixels(), ImageMasked | ImageDynamic, 0, 0, 0);
    shot = TImage::Load(ShotPixels(), ImageMasked | ImageDynamic, 0, 0, 0);
    CentreImageHandle(sprite);
    CentreImageHandle(shot);
  }
};

const Frames& TheFrames() {
  static Frames f;
  return f;
}

// Sprite at (300, 200); the shot's centre positions for the three cases.
constexpr float kSx = 300, kSy = 200;
constexpr float kHitX = 290, kHitY = 205;     // beam over solid pixels: early hit
constexpr float kMissX = 300, kMissY = 200;   // beam down the slot: every row scanned
constexpr float kAwayX = 100, kAwayY = 50;    // boxes apart

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
  const int ax0 = static_cast<int>(std::floor(ax - a.hx)), ay0 = static_cast<int>(std::floor(ay - a.hy));
  const int bx0 = static_cast<int>(std::floor(bx - b.hx)), by0 = static_cast<int>(std::floor(by - b.hy));
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

void Overlap(benchmark::State& state, float x, float y, int32_t expected) {
  const Frames& f = TheFrames();
  if (ImagesOverlap(f.sprite, kSx, kSy, 0, f.shot, x, y, 0) != expected)
    state.SkipWithError("unexpected answer");
  for (auto _ : state)
    benchmark::DoNotOptimize(ImagesOverlap(f.sprite, kSx, kSy, 0, f.shot, x, y, 0));
}

void Bitmask(benchmark::State& state, float x, float y, bool expected) {
  const Frames& f = TheFrames();
  static const BitMask sprite(f.sprite), shot(f.shot);
  if (MasksOverlap(sprite, kSx, kSy, shot, x, y) != expected)
    state.SkipWithError("unexpected answer");
  for (auto _ : state) benchmark::DoNotOptimize(MasksOverlap(sprite, kSx, kSy, shot, x, y));
}

void BM_ImagesOverlap_Hit(benchmark::State& s) { Overlap(s, kHitX, kHitY, 1); }
void BM_ImagesOverlap_FullScanMiss(benchmark::State& s) { Overlap(s, kMissX, kMissY, 0); }
void BM_ImagesOverlap_BoxRejected(benchmark::State& s) { Overlap(s, kAwayX, kAwayY, 0); }
void BM_Bitmask_Hit(benchmark::State& s) { Bitmask(s, kHitX, kHitY, true); }
void BM_Bitmask_FullScanMiss(benchmark::State& s) { Bitmask(s, kMissX, kMissY, false); }
void BM_Bitmask_BoxRejected(benchmark::State& s) { Bitmask(s, kAwayX, kAwayY, false); }

}  // namespace

BENCHMARK(BM_ImagesOverlap_Hit);
BENCHMARK(BM_ImagesOverlap_FullScanMiss);
BENCHMARK(BM_ImagesOverlap_BoxRejected);
BENCHMARK(BM_Bitmask_Hit);
BENCHMARK(BM_Bitmask_FullScanMiss);
BENCHMARK(BM_Bitmask_BoxRejected);
