// The scanline overlap test and the collision layers, on quads built by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "gfx/collision.h"

namespace {

TQuad Box(float x, float y, float w, float h, TPixmapPtr mask = nullptr) {
  TQuad q;
  q.SetCoords(x, y, x + w, y, x + w, y + h, x, y + h);
  q.mask = std::move(mask);
  return q;
}

// An RGBA32 mask whose texels are all transparent except the listed ones.
TPixmapPtr Mask(int w, int h, std::initializer_list<std::pair<int, int>> opaque,
                uint32_t alpha = 255) {
  TPixmapPtr p = TPixmap::Create(w, h, RGBA32, 4);
  p->ClearPixels(0);
  for (auto [x, y] : opaque) p->PixelPtr(x, y)[3] = static_cast<uint8_t>(alpha);
  return p;
}

std::shared_ptr<void> Id(int n) { return std::make_shared<int>(n); }
int IdValue(const std::shared_ptr<void>& id) { return *static_cast<int*>(id.get()); }

}  // namespace

TEST(QuadsOverlap, HalfOpenSpansDoNotTouch) {
  EXPECT_FALSE(QuadsOverlap(Box(0, 0, 10, 10), Box(10, 0, 10, 10))) << "touching along x = 10";
  EXPECT_FALSE(QuadsOverlap(Box(0, 0, 10, 10), Box(0, 10, 10, 10))) << "touching along y = 10";
  EXPECT_FALSE(QuadsOverlap(Box(0, 0, 10, 10), Box(10, 10, 10, 10))) << "touching at a corner";
  EXPECT_TRUE(QuadsOverlap(Box(0, 0, 10, 10), Box(9, 9, 10, 10))) << "sharing pixel (9, 9)";
  EXPECT_TRUE(QuadsOverlap(Box(-20, -20, 15, 15), Box(-10, -10, 15, 15))) << "left of and above 0";
}

TEST(QuadsOverlap, EitherWindingGivesTheSameAnswer) {
  // A quad mirrored in x arrives counter-clockwise on the screen and must be reversed.
  TQuad mirrored;
  mirrored.SetCoords(20, 0, 10, 0, 10, 10, 20, 10);
  EXPECT_TRUE(QuadsOverlap(mirrored, Box(15, 5, 2, 2)));
  EXPECT_FALSE(QuadsOverlap(mirrored, Box(20, 0, 5, 10)));
  EXPECT_FALSE(QuadsOverlap(mirrored, Box(5, 0, 5, 10)));
}

TEST(QuadsOverlap, RotatedDiamondMissesTheCornersOfItsBox) {
  TQuad diamond;  // centred on (50, 50), corners 20 away
  diamond.SetCoords(50, 30, 70, 50, 50, 70, 30, 50);
  EXPECT_FALSE(QuadsOverlap(diamond, Box(30, 30, 6, 6))) << "top-left corner of the box";
  EXPECT_FALSE(QuadsOverlap(diamond, Box(64, 64, 6, 6))) << "bottom-right corner";
  EXPECT_TRUE(QuadsOverlap(diamond, Box(48, 48, 4, 4))) << "centre";
  EXPECT_TRUE(QuadsOverlap(diamond, Box(39, 39, 3, 3))) << "just inside an edge";
}

TEST(QuadsOverlap, TexelCoversFromAlpha128) {
  EXPECT_FALSE(QuadsOverlap(Box(0, 0, 4, 4, Mask(4, 4, {{1, 1}}, 127)), Box(0, 0, 4, 4)))
      << "alpha 127 has the top bit clear";
  EXPECT_TRUE(QuadsOverlap(Box(0, 0, 4, 4, Mask(4, 4, {{1, 1}}, 128)), Box(0, 0, 4, 4)))
      << "alpha 128 has the top bit set";
  TPixmapPtr m = TPixmap::Create(3, 1, WhiteAlpha8, 4);  // one byte of alpha per texel
  m->ClearPixels(0);
  m->PixelPtr(2, 0)[0] = 200;
  EXPECT_TRUE(QuadsOverlap(Box(0, 0, 3, 1, m), Box(2, 0, 1, 1)));
  EXPECT_FALSE(QuadsOverlap(Box(0, 0, 3, 1, m), Box(0, 0, 2, 1)));
}

TEST(QuadsOverlap, ScaledMaskIsSampledAtPixelCentres) {
  // A 2 x 2 mask with its right column opaque, stretched over 20 x 20 pixels.
  TQuad big = Box(0, 0, 20, 20, Mask(2, 2, {{1, 0}, {1, 1}}));
  EXPECT_FALSE(QuadsOverlap(big, Box(0, 0, 10, 20))) << "left half is transparent";
  EXPECT_TRUE(QuadsOverlap(big, Box(10, 0, 1, 1))) << "column 10 samples u = 0.525";
  EXPECT_TRUE(QuadsOverlap(big, Box(19, 19, 1, 1))) << "the last pixel reads the last texel";
}

TEST(QuadsOverlap, UnusableCoordinatesNeverOverlap) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_FALSE(QuadsOverlap(Box(nan, 0, 10, 10), Box(0, 0, 10, 10)));
  EXPECT_FALSE(QuadsOverlap(Box(-inf, -inf, inf, inf), Box(0, 0, 10, 10)));
  EXPECT_FALSE(QuadsOverlap(Box(0, 0, 0, 0), Box(0, 0, 10, 10))) << "an empty quad covers nothing";
}

// A random mask at an integer place, turned by a multiple of 90 degrees about its top-left
// corner, and the texel that covers each screen pixel by plain arithmetic.
struct Sprite {
  TPixmapPtr mask;
  int x, y, quarter;
  int W() const { return quarter % 2 ? mask->height : mask->width; }
  int H() const { return quarter % 2 ? mask->width : mask->height; }
  TQuad Quad() const {
    const float l = x, t = y, r = x + W(), b = y + H();
    TQuad q;  // corners in texture order: (0, 0), (1, 0), (1, 1), (0, 1)
    if (quarter == 0) q.SetCoords(l, t, r, t, r, b, l, b);
    if (quarter == 1) q.SetCoords(r, t, r, b, l, b, l, t);
    if (quarter == 2) q.SetCoords(r, b, l, b, l, t, r, t);
    if (quarter == 3) q.SetCoords(l, b, l, t, r, t, r, b);
    q.mask = mask;
    return q;
  }
  bool Covers(int px, int py) const {
    int c = px - x, r = py - y;
    if (c < 0 || r < 0 || c >= W() || r >= H()) return false;
    const int w = mask->width, h = mask->height;
    if (quarter == 1) std::tie(c, r) = std::pair(r, h - 1 - c);
    if (quarter == 2) std::tie(c, r) = std::pair(w - 1 - c, h - 1 - r);
    if (quarter == 3) std::tie(c, r) = std::pair(w - 1 - r, c);
    return mask->PixelPtr(c, r)[3] >= 128;
  }
};

TEST(QuadsOverlap, AgreesWithAPixelByPixelTestOfTurnedMasks) {
  std::mt19937 rng(20261208);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto sprite = [&] {
    Sprite s{TPixmap::Create(pick(1, 12), pick(1, 12), RGBA32, 4), pick(-6, 14), pick(-6, 14),
             pick(0, 3)};
    for (int r = 0; r < s.mask->height; ++r)
      for (int c = 0; c < s.mask->width; ++c) s.mask->WritePixel(c, r, pick(0, 2) ? 0 : ~0u);
    return s;
  };
  int hits = 0;
  for (int n = 0; n < 2000; ++n) {
    const Sprite a = sprite(), b = sprite();
    bool expected = false;
    for (int py = -6; py < 30 && !expected; ++py)
      for (int px = -6; px < 30 && !expected; ++px) expected = a.Covers(px, py) && b.Covers(px, py);
    hits += expected;
    ASSERT_EQ(expected, QuadsOverlap(a.Quad(), b.Quad()))
        << "case " << n << ": " << a.mask->width << "x" << a.mask->height << " at (" << a.x
        << ", " << a.y << ") turned " << a.quarter << ", " << b.mask->width << "x"
        << b.mask->height << " at (" << b.x << ", " << b.y << ") turned " << b.quarter;
  }
  EXPECT_GT(hits, 200) << "the cases should include many collisions";
}

TEST(CollisionLayers, HitsComeNewestFirstFromTheLayersAsked) {
  ClearCollisionLayers(0);
  CollideQuadLayer([] { TQuad q = Box(0, 0, 10, 10); q.id = Id(1); return q; }(), 0, 1 << 2);
  CollideQuadLayer([] { TQuad q = Box(5, 5, 10, 10); q.id = Id(2); return q; }(), 0, 1 << 2);
  CollideQuadLayer([] { TQuad q = Box(0, 0, 10, 10); q.id = Id(3); return q; }(), 0, 1 << 7);
  EXPECT_EQ(2, CollisionLayerSize(2));
  EXPECT_EQ(1, CollisionLayerSize(7));

  auto hits = CollideQuadLayer(Box(6, 6, 2, 2), 1 << 2, 0);
  ASSERT_EQ(2u, hits.size());
  EXPECT_EQ(2, IdValue(hits[0])) << "newest first";
  EXPECT_EQ(1, IdValue(hits[1]));

  hits = CollideQuadLayer(Box(6, 6, 2, 2), (1 << 2) | (1 << 7), 0);
  ASSERT_EQ(3u, hits.size());
  EXPECT_EQ(3, IdValue(hits[2])) << "layer 7 after layer 2";

  EXPECT_TRUE(CollideQuadLayer(Box(6, 6, 2, 2), 1 << 3, 0).empty()) << "layer 3 is empty";
  EXPECT_TRUE(CollideQuadLayer(Box(50, 50, 2, 2), 1 << 2, 0).empty()) << "nothing there";
}

TEST(CollisionLayers, ClearingRecyclesQuadsThroughThePool) {
  ClearCollisionLayers(0);
  for (int i = 0; i < 5; ++i) CollideQuadLayer(Box(0, 0, 1, 1), 0, 1 << 4);
  CollideQuadLayer(Box(0, 0, 1, 1), 0, 1 << 5);
  ClearCollisionLayers(1 << 4);
  EXPECT_EQ(0, CollisionLayerSize(4));
  EXPECT_EQ(1, CollisionLayerSize(5)) << "only the layers in the mask are cleared";
  const int32_t made = CollisionQuadsMade();
  for (int frame = 0; frame < 10; ++frame) {
    for (int i = 0; i < 5; ++i) CollideQuadLayer(Box(0, 0, 1, 1), 0, 1 << 4);
    ClearCollisionLayers(1 << 4);
  }
  EXPECT_EQ(made, CollisionQuadsMade()) << "later frames reuse the pooled quads";
  auto id = Id(9);
  TQuad q = Box(0, 0, 1, 1);
  q.id = id;
  CollideQuadLayer(q, 0, 1 << 5);
  q.id.reset();
  ClearCollisionLayers(0);
  EXPECT_EQ(0, CollisionLayerSize(5)) << "mask 0 clears every layer";
  EXPECT_EQ(1, id.use_count()) << "pooled quads keep no reference to their ids";
}
