#include "gfx/collision.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

constexpr int kChannels = 4;  // x, y, u, v per vertex
constexpr int kVertices = 4;
// Beyond this no sprite can be meant, and truncating to int would overflow.
constexpr float kCoordLimit = 1 << 28;

struct Layers {
  TQuad* heads[CollisionLayers] = {};
  int32_t sizes[CollisionLayers] = {};
  TQuad* pool = nullptr;
  std::vector<std::unique_ptr<TQuad>> made;  // owns every quad, pooled or in a layer
};

Layers& State() {
  static Layers layers;
  return layers;
}

TQuad* TakeQuad() {
  Layers& s = State();
  if (TQuad* q = s.pool) {
    s.pool = q->link;
    q->link = nullptr;
    return q;
  }
  s.made.push_back(std::make_unique<TQuad>());
  return s.made.back().get();
}

void ReturnQuad(TQuad* q) {
  // A pooled quad must not keep the caller's object or a pixmap alive.
  q->id.reset();
  q->mask.reset();
  Layers& s = State();
  q->link = s.pool;
  s.pool = q;
}

// A quad's mask reduced to what the texel rule reads.
struct MaskView {
  enum Kind { kSolid, kMasked, kEmpty } kind = kSolid;
  const uint8_t* pixels = nullptr;
  ptrdiff_t pitch = 0;
  int bpp = 0, alpha = 0;  // bytes per pixel, offset of the alpha byte
  int width = 0, height = 0;
  float fwidth = 0, fheight = 0;

  MaskView() = default;
  explicit MaskView(const TPixmap* t) {
    // Without alpha a mask cannot say anything; the quad is solid.
    if (!t || !ValidPixmapFormat(t->format) || AlphaBitsPerPixel[t->format] == 0) return;
    if (t->width <= 0 || t->height <= 0 || !t->pixels) {
      kind = kEmpty;
      return;
    }
    kind = kMasked;
    pixels = t->pixels;
    pitch = t->pitch;
    bpp = BytesPerPixel[t->format];
    // The alpha byte is the top byte of a 32-bit pixel; one-byte formats are all alpha.
    alpha = bpp == 4 ? 3 : 0;
    width = t->width, height = t->height;
    fwidth = static_cast<float>(width), fheight = static_cast<float>(height);
  }

  bool Covers(float u, float v) const {
    u = std::clamp(u, 0.0f, 1.0f);
    v = std::clamp(v, 0.0f, 1.0f);
    const int col = std::min(static_cast<int>(u * fwidth), width - 1);
    const int row = std::min(static_cast<int>(v * fheight), height - 1);
    return (pixels[row * pitch + col * bpp + alpha] & 0x80) != 0;
  }

  // The alpha bytes of the row that v falls in; u then picks the column.
  const uint8_t* Row(float v) const {
    const int row = std::min(static_cast<int>(std::clamp(v, 0.0f, 1.0f) * fheight), height - 1);
    return pixels + row * pitch + alpha;
  }
  bool CoversInRow(const uint8_t* row, float u) const {
    const int col = std::min(static_cast<int>(std::clamp(u, 0.0f, 1.0f) * fwidth), width - 1);
    return (row[col * bpp] & 0x80) != 0;
  }
};

// The working record of the scanline test, one per polygon.
struct RPoly {
  MaskView texture;
  float data[kVertices * kChannels];
  int count = kVertices;
  float ldat[kChannels], ladd[kChannels], rdat[kChannels], radd[kChannels];
  int Left = 0, Right = 0;  // vertex that ends the current left / right edge
  int lend = 0, rend = 0;   // first scanline past the current left / right edge
  int used = 0;             // edges taken by both walks together
  int topv = 0;             // topmost vertex
  int top = 0, bottom = 0;  // scanlines of the topmost and bottommost vertex
  int state = 0;            // 0 not yet reached, 1 active, 2 finished

  float X(int i) const { return data[i * kChannels]; }
  float Y(int i) const { return data[i * kChannels + 1]; }
};

bool Setup(RPoly& p, const TQuad& q) {
  p.texture = MaskView(q.mask.get());
  std::memcpy(p.data, q.xyuv, sizeof p.data);
  for (float v : p.data)
    if (!std::isfinite(v) || std::fabs(v) > kCoordLimit) return false;
  // The walks assume clockwise order on the screen (y down); mirrored quads come reversed.
  bool all_non_negative = true;
  for (int i = 2; i < p.count; ++i) {
    const float cross = (p.X(i) - p.X(i - 1)) * (p.Y(i - 1) - p.Y(0)) -
                        (p.X(i - 1) - p.X(0)) * (p.Y(i) - p.Y(i - 1));
    if (cross <= -1.0f) all_non_negative = false;  // truncated toward zero, below 0
  }
  if (all_non_negative) {
    for (int i = 0; i < p.count / 2; ++i)
      for (int c = 0; c < kChannels; ++c)
        std::swap(p.data[i * kChannels + c], p.data[(p.count - 1 - i) * kChannels + c]);
  }
  p.topv = 0;
  p.top = p.bottom = static_cast<int>(p.Y(0));
  for (int i = 1; i < p.count; ++i) {
    const int y = static_cast<int>(p.Y(i));
    if (y < p.top) p.top = y, p.topv = i;
    if (y > p.bottom) p.bottom = y;
  }
  p.state = 0;
  return true;
}

// Starts the edge from vertex a to vertex b with its values at the centre of scanline y.
void StartEdge(const RPoly& p, int a, int b, int y, float* dat, float* add, int& end) {
  const int ya = static_cast<int>(p.Y(a));
  const int yb = static_cast<int>(p.Y(b));
  end = yb;
  if (yb <= ya) return;  // no scanline of its own; the walk passes on
  const float lines = static_cast<float>(yb - ya);
  const float offset = static_cast<float>(y - ya) + 0.5f;
  for (int c = 0; c < kChannels; ++c) {
    const float va = p.data[a * kChannels + c];
    add[c] = (p.data[b * kChannels + c] - va) / lines;
    dat[c] = va + add[c] * offset;
  }
}

// Walks both edges to those spanning scanline y; false when the polygon has run out of edges.
bool Walk(RPoly& p, int y) {
  while (p.rend <= y) {
    if (p.used == p.count) return false;
    const int a = p.Right, b = (p.Right + 1) % p.count;
    p.Right = b;
    ++p.used;
    StartEdge(p, a, b, y, p.rdat, p.radd, p.rend);
  }
  while (p.lend <= y) {
    if (p.used == p.count) return false;
    const int a = p.Left, b = (p.Left + p.count - 1) % p.count;
    p.Left = b;
    ++p.used;
    StartEdge(p, a, b, y, p.ldat, p.ladd, p.lend);
  }
  return true;
}

void Advance(RPoly& p) {
  for (int c = 0; c < kChannels; ++c) p.ldat[c] += p.ladd[c], p.rdat[c] += p.radd[c];
}

std::vector<uint8_t>& Scratch() {
  static std::vector<uint8_t> row;
  return row;
}

// Covers the entries [x0, x0 + n) of the scratch row with polygon p; true on a hit.
bool Cover(const RPoly& p, int x0, int n, uint8_t* row) {
  // Branch-free: the answer is the same whether the row stops at its first hit or runs out.
  uint8_t hit = 0;
  if (p.texture.kind == MaskView::kEmpty) return false;
  if (p.texture.kind == MaskView::kSolid) {
    for (int i = 0; i < n; ++i) hit |= row[i], row[i] = 1;
    return hit != 0;
  }
  const MaskView m = p.texture;  // a local copy: the row writes cannot alias it
  const int sl = static_cast<int>(p.ldat[0]);
  const int sr = static_cast<int>(p.rdat[0]);
  const float width = static_cast<float>(sr - sl);
  const float du = (p.rdat[2] - p.ldat[2]) / width;
  const float dv = (p.rdat[3] - p.ldat[3]) / width;
  const float start = static_cast<float>(x0 - sl) + 0.5f;
  float u = p.ldat[2] + du * start;
  float v = p.ldat[3] + dv * start;
  if (dv == 0.0f) {  // an unturned quad reads one texel row per scanline
    const uint8_t* texels = m.Row(v);
    for (int i = 0; i < n; ++i, u += du) {
      const uint8_t covered = m.CoversInRow(texels, u);
      hit |= covered & row[i];
      row[i] |= covered;
    }
    return hit != 0;
  }
  for (int i = 0; i < n; ++i, u += du, v += dv) {
    const uint8_t covered = m.Covers(u, v);
    hit |= covered & row[i];
    row[i] |= covered;
  }
  return hit != 0;
}

}  // namespace

void TQuad::SetCoords(float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                      float y3) {
  float* c = xyuv;
  c[0] = x0, c[1] = y0, c[2] = 0, c[3] = 0;
  c[4] = x1, c[5] = y1, c[6] = 1, c[7] = 0;
  c[8] = x2, c[9] = y2, c[10] = 1, c[11] = 1;
  c[12] = x3, c[13] = y3, c[14] = 0, c[15] = 1;
  minx = std::min(std::min(x0, x1), std::min(x2, x3));
  maxx = std::max(std::max(x0, x1), std::max(x2, x3));
  miny = std::min(std::min(y0, y1), std::min(y2, y3));
  maxy = std::max(std::max(y0, y1), std::max(y2, y3));
}

bool QuadsOverlap(const TQuad& a, const TQuad& b) {
  if (a.maxx < b.minx || a.maxy < b.miny || a.minx > b.maxx || a.miny > b.maxy) return false;
  RPoly p[2];
  if (!Setup(p[0], a) || !Setup(p[1], b)) return false;
  // Only scanlines where both polygons can be active matter; each walk starts at the first.
  const int y0 = std::max(p[0].top, p[1].top);
  const int y1 = std::min(p[0].bottom, p[1].bottom);
  std::vector<uint8_t>& scratch = Scratch();
  for (int y = y0; y < y1; ++y) {
    for (RPoly& q : p) {
      if (q.state == 0 && y >= q.top) {
        q.state = 1;
        q.Left = q.Right = q.topv;
        q.lend = q.rend = q.top;
        q.used = 0;
      }
      if (q.state == 1 && !Walk(q, y)) q.state = 2;
    }
    if (p[0].state == 2 || p[1].state == 2) return false;
    if (p[0].state == 1 && p[1].state == 1) {
      const int l = std::max(static_cast<int>(p[0].ldat[0]), static_cast<int>(p[1].ldat[0]));
      const int r = std::min(static_cast<int>(p[0].rdat[0]), static_cast<int>(p[1].rdat[0]));
      if (l < r) {
        const int n = r - l;
        if (scratch.size() < static_cast<size_t>(n)) scratch.resize(n);
        std::memset(scratch.data(), 0, n);
        if (Cover(p[0], l, n, scratch.data()) || Cover(p[1], l, n, scratch.data())) return true;
      }
    }
    for (RPoly& q : p)
      if (q.state == 1) Advance(q);
  }
  return false;
}

void ClearCollisionLayers(int32_t mask) {
  Layers& s = State();
  for (uint32_t bits = mask ? static_cast<uint32_t>(mask) : ~0u; bits; bits &= bits - 1) {
    const int layer = std::countr_zero(bits);
    TQuad* q = s.heads[layer];
    while (q) {
      TQuad* next = q->link;
      ReturnQuad(q);
      q = next;
    }
    s.heads[layer] = nullptr;
    s.sizes[layer] = 0;
  }
}

std::vector<std::shared_ptr<void>> CollideQuadLayer(const TQuad& quad, int32_t collide_mask,
                                                    int32_t write_mask) {
  Layers& s = State();
  std::vector<std::shared_ptr<void>> hits;
  for (uint32_t bits = static_cast<uint32_t>(collide_mask); bits; bits &= bits - 1) {
    const int layer = std::countr_zero(bits);
    for (TQuad* q = s.heads[layer]; q; q = q->link)
      if (QuadsOverlap(*q, quad)) hits.push_back(q->id);
  }
  for (uint32_t bits = static_cast<uint32_t>(write_mask); bits; bits &= bits - 1) {
    const int layer = std::countr_zero(bits);
    TQuad* q = TakeQuad();
    q->id = quad.id;
    q->mask = quad.mask;
    q->frame = quad.frame;
    q->minx = quad.minx, q->miny = quad.miny, q->maxx = quad.maxx, q->maxy = quad.maxy;
    std::memcpy(q->xyuv, quad.xyuv, sizeof q->xyuv);
    q->link = s.heads[layer];
    s.heads[layer] = q;
    ++s.sizes[layer];
  }
  return hits;
}

int32_t CollisionLayerSize(int32_t layer) {
  if (layer < 0 || layer >= CollisionLayers) return 0;
  return State().sizes[layer];
}

int32_t CollisionQuadsMade() { return static_cast<int32_t>(State().made.size()); }
