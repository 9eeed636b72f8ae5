// The collision module's insides, shared with images, tests and benchmarks but not with users:
// layer counters, the row bitmasks behind the fast test of upright unscaled frames, and the
// layer-only ImagesOverlap that the fast test must always agree with.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/collision.h"
#include "gfx/image.h"

int32_t CollisionLayerSize(int32_t layer);       // quads held by a layer (0 outside 0..31)
int32_t CollisionQuadsMade();                    // quads ever allocated; the pool recycles them
const TQuad* CollisionLayerHead(int32_t layer);  // newest quad of a layer; null when empty

// A quad's corners in SetCoords order: x, y of top-left, top-right, bottom-right, bottom-left.
struct TQuadCorners {
  float xy[8];
};

// Leaves `layer` holding one quad with these corners and mask and no id, as clearing the layer
// and writing such a quad would, but reusing the quad already there.
void SetCollisionLayer(int32_t layer, const TQuadCorners& corners, const TPixmapPtr& mask,
                       int32_t frame);

// What a quad's mask pixmap covers, one bit per texel, rows padded with a zero word so a
// 64-bit window may start at any column. Kept per image frame and rebuilt when stale.
struct TCollisionMask {
  enum Kind { kSolid, kMasked, kEmpty };  // solid: no alpha to read; empty: no texels
  Kind kind = kSolid;
  int32_t width = 0, height = 0;
  int32_t stride = 0;  // 64-bit words per row
  bool exact = false;  // bits were taken: masked and small enough for the sampling to be exact
  std::vector<uint64_t> bits;
  // The pixmap the bits were taken from, held so its address is not reused while cached.
  TPixmapPtr source;
  const uint8_t* pixels = nullptr;
  int32_t pitch = 0, format = 0;
  bool valid = false;  // cleared when the frame is written or given a new pixmap

  bool Fresh(const TPixmap* pixmap) const;
  void Build(const TPixmapPtr& pixmap);
  void Invalidate();
};

// Masked frames up to this many texels a side are sampled one texel per pixel by the scanline
// test when drawn unscaled (checked for every width up to it), so their bits stand in for it.
inline constexpr int32_t BoxMaskMaxSide = 2048;

// QuadsOverlap of two quads with these corners and masks, answered from the bits when both are
// upright boxes whose masks map one texel to one pixel; -1 otherwise.
int32_t BoxQuadsOverlap(const TQuadCorners& a, const TCollisionMask& ma, const TQuadCorners& b,
                        const TCollisionMask& mb);

// ImagesOverlap through the layers and the scanline test only, as it was before the fast path.
int32_t LayerImagesOverlap(const TImagePtr& image1, float x1, float y1, int32_t frame1,
                           const TImagePtr& image2, float x2, float y2, int32_t frame2);
// How many ImagesOverlap and TransformedImagesOverlap answers came from BoxQuadsOverlap.
uint64_t BoxOverlapAnswers();
