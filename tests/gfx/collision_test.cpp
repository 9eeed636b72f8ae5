// The scanline overlap test and the collision layers, on quads built by hand; and the
// bitmask answers of ImagesOverlap held against them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "gfx/collision.h"
#include "gfx/collision_internal.h"
#include "gfx/draw2d.h"
#include "gfx/image.h"

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

// ImagesOverlap answers upright unscaled frames from row bitmasks; its answers, and the layer
// it leaves behind, must be those of the layer test with its scanline scan.
namespace {

struct Rng {
  std::mt19937 gen{20261209};
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); }
  bool Chance(int percent) { return Int(0, 99) < percent; }
  // Whole, half, quarter or arbitrary fractions, so truncation and pixel centres are tried.
  float Place(int lo, int hi) {
    float v = static_cast<float>(Int(lo, hi));
    switch (Int(0, 3)) {
      case 1: return v + 0.5f;
      case 2: return v + 0.25f * static_cast<float>(Int(1, 3));
      case 3: return v + std::uniform_real_distribution<float>(0.0f, 1.0f)(gen);
    }
    return v;
  }
};

// A frame picture: alpha in the top byte (RGBA32, BGRA32) or alone (WhiteAlpha8), none (RGB24,
// solid unless the image masks it), of the image's size or one off; texels empty, full, mixed,
// or opaque in one block only, like a blocker with gaps beside it.
TPixmapPtr RandomPixmap(Rng& r, int w, int h) {
  if (r.Chance(10)) w = std::max(0, w + r.Int(-1, 1)), h = std::max(0, h + r.Int(-1, 1));
  const int32_t formats[] = {RGBA32, RGBA32, RGBA32, BGRA32, WhiteAlpha8, RGB24};
  const int32_t format = formats[r.Int(0, 5)];
  TPixmapPtr p = TPixmap::Create(w, h, format, 4);
  const int density = std::array{0, 100, r.Int(1, 99), 30, -1}[r.Int(0, 4)];
  const int bx0 = r.Int(0, w), bx1 = r.Int(bx0, w), by0 = r.Int(0, h), by1 = r.Int(by0, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool on = density < 0 ? x >= bx0 && x < bx1 && y >= by0 && y < by1
                                  : r.Int(0, 99) < density;
      const uint8_t alphas[] = {0, 127, 128, 255};
      const uint8_t alpha = alphas[on ? r.Int(2, 3) : r.Int(0, 1)];
      uint8_t* px = p->PixelPtr(x, y);
      if (format == WhiteAlpha8) px[0] = alpha;
      else if (format == RGB24) px[0] = px[1] = px[2] = on ? 200 : 0;  // black masks away
      else px[0] = px[1] = px[2] = 90, px[3] = alpha;
    }
  return p;
}

TImagePtr RandomImage(Rng& r) {
  const int sides[] = {1, 63, 64, 65, 127, 128, 129};
  const int w = r.Chance(30) ? sides[r.Int(0, 6)] : r.Int(r.Chance(3) ? 0 : 1, 70);
  const int h = r.Chance(10) ? 1 : r.Int(1, 40);
  TImagePtr image = TImage::Create(w, h, 2, r.Chance(80) ? ImageMasked : 0, 0, 0, 0);
  for (int f = 0; f < 2; ++f)  // some frames keep no pixmap: Lock makes a transparent one
    if (r.Chance(85)) image->SetPixmap(f, RandomPixmap(r, w, h));
  switch (r.Int(0, 3)) {
    case 0: CentreImageHandle(image); break;
    case 1: break;
    case 2: SetImageHandlePoint(image, r.Int(-5, w + 5), r.Int(-5, h + 5)); break;
    case 3: SetImageHandlePoint(image, r.Place(-5, w + 5), r.Place(-5, h + 5)); break;
  }
  return image;
}

// Some texels of a frame rewritten through Lock, or a new picture set: the bits must follow.
void Rewrite(Rng& r, const TImagePtr& image) {
  const int f = r.Int(0, 1);
  if (r.Chance(50)) return image->SetPixmap(f, RandomPixmap(r, image->width, image->height));
  TPixmapPtr p = image->Lock(f, 1, 1);
  if (AlphaBitsPerPixel[p->format] == 0 || p->width == 0 || p->height == 0) return;
  const int a = BytesPerPixel[p->format] == 4 ? 3 : 0;
  for (int n = r.Int(1, 20); n > 0; --n)
    p->PixelPtr(r.Int(0, p->width - 1), r.Int(0, p->height - 1))[a] ^= 0x80;
}

// What an overlap test leaves in layer 31.
struct Layer31 {
  int32_t size = 0, made = 0, frame = 0;
  const void* mask = nullptr;
  bool id = false;
  std::array<float, 20> coords{};
  static Layer31 Now() {
    Layer31 s;
    s.size = CollisionLayerSize(31);
    s.made = CollisionQuadsMade();
    if (const TQuad* q = CollisionLayerHead(31)) {
      s.frame = q->frame, s.mask = q->mask.get(), s.id = q->id != nullptr;
      std::copy(q->xyuv, q->xyuv + 16, s.coords.begin());
      s.coords[16] = q->minx, s.coords[17] = q->miny;
      s.coords[18] = q->maxx, s.coords[19] = q->maxy;
    }
    return s;
  }
  bool operator==(const Layer31&) const = default;
};

// A drawing state without a driver: enough to carry an origin and a matrix.
struct DrawingState {
  TDraw2DGraphicsPtr g = TDraw2DGraphics::Create(nullptr, nullptr);
  DrawingState() { g->MakeCurrent(); }
  ~DrawingState() {
    SetDrawOrigin(0, 0);
    SetDrawTransform(0, 1, 1);
    TDraw2DGraphics::ClearCurrent();
  }
};

std::string Describe(const TImagePtr& a, float x1, float y1, int f1, const TImagePtr& b,
                     float x2, float y2, int f2) {
  std::ostringstream s;
  s.precision(9);
  auto one = [&](const TImagePtr& i, float x, float y, int f) {
    const TPixmapPtr& p = i->pixmaps[f];
    s << i->width << "x" << i->height << " handle (" << i->handle_x << ", " << i->handle_y
      << ") at (" << x << ", " << y << ") frame " << f << " pixmap ";
    if (p) s << p->width << "x" << p->height << " format " << p->format;
    else s << "none";
  };
  one(a, x1, y1, f1);
  s << " against ";
  one(b, x2, y2, f2);
  float ox, oy;
  GetDrawOrigin(ox, oy);
  const TCollisionTransform& t = CollisionTransform();
  s << "; origin (" << ox << ", " << oy << ") matrix " << t.ix << " " << t.iy << " " << t.jx
    << " " << t.jy;
  return s.str();
}

}  // namespace

TEST(ImagesOverlap, AgreesWithTheLayerTestOnRandomFrames) {
  Rng r;
  DrawingState state;
  std::vector<TImagePtr> images;
  for (int i = 0; i < 12; ++i) images.push_back(RandomImage(r));
  const int cases = 20000;
  int hits = 0, upright_calls = 0;
  const uint64_t box_before = BoxOverlapAnswers();
  for (int n = 0; n < cases; ++n) {
    if (r.Chance(5)) images[r.Int(0, 11)] = RandomImage(r);
    if (r.Chance(10)) Rewrite(r, images[r.Int(0, 11)]);
    SetDrawOrigin(r.Chance(80) ? 0.0f : r.Place(-20, 20), r.Chance(80) ? 0.0f : r.Place(-20, 20));
    const bool upright = r.Chance(90);
    if (upright) SetDrawTransform(0, 1, 1);
    else SetDrawTransform(std::array{90.0f, 180.0f, 0.0f, 0.0f}[r.Int(0, 3)],
                          std::array{1.0f, 2.0f, -1.0f}[r.Int(0, 2)], 1.0f);

    const TImagePtr& a = images[r.Int(0, 11)];
    const TImagePtr& b = images[r.Int(0, 11)];
    const int f1 = r.Int(0, 1), f2 = r.Int(0, 1);
    const float x1 = r.Place(-60, 120), y1 = r.Place(-60, 120);
    float x2 = x1 + r.Place(-b->width - 4, a->width + 4);
    float y2 = y1 + r.Place(-b->height - 4, a->height + 4);
    if (r.Chance(20)) {  // b's box exactly against one edge of a's
      const float left1 = x1 - a->handle_x, top1 = y1 - a->handle_y;
      switch (r.Int(0, 3)) {
        case 0: x2 = left1 + a->width + b->handle_x; break;
        case 1: x2 = left1 - b->width + b->handle_x; break;
        case 2: y2 = top1 + a->height + b->handle_y; break;
        case 3: y2 = top1 - b->height + b->handle_y; break;
      }
    }

    // Either may come first, so each meets frames still without a pixmap.
    int32_t expected, got;
    Layer31 left_by_layers, left_by_fast;
    if (n % 2) {
      expected = LayerImagesOverlap(a, x1, y1, f1, b, x2, y2, f2);
      left_by_layers = Layer31::Now();
      got = ImagesOverlap(a, x1, y1, f1, b, x2, y2, f2);
      left_by_fast = Layer31::Now();
    } else {
      got = ImagesOverlap(a, x1, y1, f1, b, x2, y2, f2);
      left_by_fast = Layer31::Now();
      expected = LayerImagesOverlap(a, x1, y1, f1, b, x2, y2, f2);
      left_by_layers = Layer31::Now();
    }
    ASSERT_EQ(expected, got) << "case " << n << ": " << Describe(a, x1, y1, f1, b, x2, y2, f2);
    ASSERT_TRUE(left_by_layers == left_by_fast)
        << "case " << n << ": layer 31 differs from what the layer test leaves; "
        << Describe(a, x1, y1, f1, b, x2, y2, f2);
    if (upright) {
      SetDrawTransform(45, 3, 3);  // TransformedImagesOverlap must not depend on it
      ASSERT_EQ(expected, TransformedImagesOverlap(a, x1, y1, f1, 0, 1, 1, b, x2, y2, f2, 0, 1, 1))
          << "case " << n << ": " << Describe(a, x1, y1, f1, b, x2, y2, f2);
    }
    hits += expected;
    upright_calls += upright ? 2 : 0;
  }
  const uint64_t by_box = BoxOverlapAnswers() - box_before;
  EXPECT_GT(hits, cases / 10) << "expected many collisions among the cases";
  EXPECT_GT(cases - hits, cases / 10) << "expected many misses among the cases";
  EXPECT_GT(by_box, uint64_t{cases / 2}) << "expected many cases answered from the bits";
  EXPECT_LT(by_box, uint64_t(upright_calls))
      << "expected some upright cases (boxes across 0 at a fraction, masks one off) scanned";
}

TEST(ImagesOverlap, SeesAFrameRewrittenAfterItWasTested) {
  // The blocker row after a hole is punched: the bits taken by the first test must not stay.
  TImagePtr row = TImage::Create(640, 70, 1, ImageMasked, 0, 0, 0);
  row->Lock(0, 1, 1)->ClearPixels(0xFFFFFFFFu);
  CentreImageHandle(row);
  TImagePtr shot = TImage::Create(12, 28, 1, ImageMasked, 0, 0, 0);
  shot->Lock(0, 1, 1)->ClearPixels(0xFFFFFFFFu);
  CentreImageHandle(shot);
  ASSERT_EQ(1, ImagesOverlap(shot, 200, 350, 0, row, 320, 360, 0)) << "intact row";
  TPixmapPtr p = LockImageFrame(row, 0);
  for (int y = 0; y < 70; ++y)
    for (int x = 190; x < 210; ++x) p->WritePixel(x, y, 0);
  EXPECT_EQ(0, ImagesOverlap(shot, 200, 350, 0, row, 320, 360, 0)) << "through the hole";
  EXPECT_EQ(0, LayerImagesOverlap(shot, 200, 350, 0, row, 320, 360, 0));
  TPixmapPtr whole = TPixmap::Create(640, 70, RGB24, 4);
  whole->ClearPixels(0xFFFFFFFFu);
  row->SetPixmap(0, whole);  // as GrabImageFrame does
  EXPECT_EQ(1, ImagesOverlap(shot, 200, 350, 0, row, 320, 360, 0)) << "row grabbed whole again";
}

TEST(ImagesOverlap, TakesThePixelsALockOverrideAnswers) {
  // An image whose frames are drawn from elsewhere: its own pixmaps stay transparent.
  struct Borrowed : TImage {
    TPixmapPtr pixels;
    TPixmapPtr Lock(int32_t, int32_t, int32_t) override { return pixels; }
  };
  auto image = std::make_shared<Borrowed>();
  image->width = image->height = 4;
  image->pixmaps = {Mask(4, 4, {})};
  image->pixels = Mask(4, 4, {{2, 2}});
  TImagePtr dot = TImage::Create(1, 1, 1, 0, 0, 0, 0);
  dot->Lock(0, 1, 1)->ClearPixels(0xFFFFFFFFu);
  EXPECT_EQ(1, ImagesOverlap(image, 0, 0, 0, dot, 2, 2, 0)) << "the texel Lock answers";
  EXPECT_EQ(0, ImagesOverlap(image, 0, 0, 0, dot, 1, 1, 0));
}

TEST(ImagesOverlap, FollowsTheCollisionMatrixNotTheDrawingStateGetters) {
  // A bar turned upright by the last context's matrix still reaches a dot below it after that
  // context stops being current, although the getters then answer rotation 0.
  TImagePtr bar = TImage::Create(40, 2, 1, 0, 0, 0, 0);
  TImagePtr dot = TImage::Create(2, 2, 1, 0, 0, 0, 0);
  bar->Lock(0, 1, 1)->ClearPixels(0xFFFFFFFFu);
  dot->Lock(0, 1, 1)->ClearPixels(0xFFFFFFFFu);
  CentreImageHandle(bar);
  CentreImageHandle(dot);
  {
    DrawingState state;
    SetDrawRotation(90);
    TDraw2DGraphics::ClearCurrent();
    EXPECT_EQ(0.0f, GetDrawRotation());
    EXPECT_EQ(1, ImagesOverlap(bar, 100, 100, 0, dot, 100, 115, 0)) << "upright bar reaches down";
    EXPECT_EQ(0, ImagesOverlap(bar, 100, 100, 0, dot, 115, 100, 0)) << "and not to the side";
    state.g->MakeCurrent();
  }
  EXPECT_EQ(1, CollisionTransform().ix) << "identity again for the tests after";
}
