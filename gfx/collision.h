// Pixel-exact collision: quads of image frames kept in 32 layers, and the scanline test that
// decides whether two quads cover a common pixel, consulting each quad's alpha mask.
// Builds on pixmaps only; images (image.h) turn their frames into quads.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/pixmap.h"

inline constexpr int32_t CollisionLayers = 32;

// One transformed frame: four corners with texture coordinates, and what decides coverage.
struct TQuad {
  TQuad* link = nullptr;        // next quad in its layer or in the pool
  std::shared_ptr<void> id;     // answered by a hit
  TPixmapPtr mask;              // alpha decides coverage; null = solid
  int32_t frame = 0;            // copied along, not used by the test
  float minx = 0, miny = 0, maxx = 0, maxy = 0;
  // Corners x, y, u, v: top-left (0, 0), top-right (1, 0), bottom-right (1, 1), bottom-left (0, 1).
  float xyuv[16] = {};

  void SetCoords(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3);
};

// True when the quads share at least one covered pixel. Spans are half-open, so quads that
// only touch along an edge do not overlap. A mask texel covers when its alpha is 128 or more.
bool QuadsOverlap(const TQuad& a, const TQuad& b);

// Moves the quads of every layer whose bit is set (every layer for 0) back to the pool.
void ClearCollisionLayers(int32_t mask);

// Tests `quad` against the layers of `collide_mask` (0 to 31, each newest first) and answers
// the ids of the quads it overlaps; then stores a copy of it in each layer of `write_mask`.
std::vector<std::shared_ptr<void>> CollideQuadLayer(const TQuad& quad, int32_t collide_mask,
                                                    int32_t write_mask);
