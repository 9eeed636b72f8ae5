#include "gfx/collision.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "gfx/collision_internal.h"

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

using MaskKind = TCollisionMask::Kind;

MaskKind KindOf(const TPixmap* t) {
  // Without alpha a mask cannot say anything; the quad is solid.
  if (!t || !ValidPixmapFormat(t->format) || AlphaBitsPerPixel[t->format] == 0)
    return TCollisionMask::kSolid;
  if (t->width <= 0 || t->height <= 0 || !t->pixels) return TCollisionMask::kEmpty;
  return TCollisionMask::kMasked;
}

// The alpha byte is the top byte of a 32-bit pixel; one-byte formats are all alpha.
int AlphaOffset(const TPixmap* t) { return BytesPerPixel[t->format] == 4 ? 3 : 0; }

// A quad's mask reduced to what the texel rule reads.
struct MaskView {
  MaskKind kind = TCollisionMask::kSolid;
  const uint8_t* pixels = nullptr;
  ptrdiff_t pitch = 0;
  int bpp = 0, alpha = 0;  // bytes per pixel, offset of the alpha byte
  int width = 0, height = 0;
  float fwidth = 0, fheight = 0;

  MaskView() = default;
  explicit MaskView(const TPixmap* t) : kind(KindOf(t)) {
    if (kind != TCollisionMask::kMasked) return;
    pixels = t->pixels;
    pitch = t->pitch;
    bpp = BytesPerPixel[t->format];
    alpha = AlphaOffset(t);
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
  if (p.texture.kind == TCollisionMask::kEmpty) return false;
  if (p.texture.kind == TCollisionMask::kSolid) {
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

// The pixels the scanline test gives an upright quad, columns l..r-1 and rows t..b-1.
struct PixelBox {
  int l, t, r, b;
};

// True when the scanline test would take the quad as an upright box (corners in SetCoords
// order, inside the coordinate limit, at least a pixel each way, so the winding test keeps the
// order) and read its mask one texel per pixel, texel (x - l, y - t) at pixel (x, y).
bool UprightBox(const TQuadCorners& q, const TCollisionMask& m, PixelBox& box) {
  const float* c = q.xy;
  const float x0 = c[0], y0 = c[1], x1 = c[2], y1 = c[5];
  if (!(c[3] == y0 && c[4] == x1 && c[6] == x0 && c[7] == y1)) return false;
  if (!(x0 >= -kCoordLimit && x1 <= kCoordLimit && y0 >= -kCoordLimit && y1 <= kCoordLimit))
    return false;
  if (!(x1 - x0 >= 1.0f && y1 - y0 >= 1.0f)) return false;
  // Truncation toward zero, not floor: a box across 0 at a fractional place loses a column or
  // row, its mask is then stretched, and only the scanline test answers.
  box = {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1), static_cast<int>(y1)};
  if (m.kind != TCollisionMask::kMasked) return true;
  return m.exact && box.r - box.l == m.width && box.b - box.t == m.height;
}

// 64 bits of a row from column `col` on; the row's pad word makes the second read safe.
inline uint64_t Window64(const uint64_t* row, int col) {
  const uint64_t* w = row + (col >> 6);
  const int s = col & 63;
  return (w[0] >> s) | ((w[1] << 1) << (63 - s));  // two shifts: no shift by 64 when s is 0
}

inline uint64_t LowBits(int n) { return n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1; }

// Whether a texel is set in both masks over an n x rows window at (xa, ya) of a and (xb, yb)
// of b; a null mask stands for a solid one.
bool WindowsMeet(const TCollisionMask* a, int xa, int ya, const TCollisionMask* b, int xb, int yb,
                 int n, int rows) {
  if (!a) std::swap(a, b), std::swap(xa, xb), std::swap(ya, yb);
  const uint64_t* ra = a->bits.data() + static_cast<ptrdiff_t>(ya) * a->stride;
  const uint64_t* rb = b ? b->bits.data() + static_cast<ptrdiff_t>(yb) * b->stride : nullptr;
  if (n <= 64 && rb) {  // a shot's width: one window a row, at the same columns every row
    const uint64_t keep = LowBits(n);
    for (int y = 0; y < rows; ++y, ra += a->stride, rb += b->stride)
      if (Window64(ra, xa) & Window64(rb, xb) & keep) return true;
    return false;
  }
  for (int y = 0; y < rows; ++y, ra += a->stride) {
    for (int c = 0; c < n; c += 64) {
      uint64_t both = Window64(ra, xa + c) & LowBits(n - c);
      if (rb) both &= Window64(rb, xb + c);
      if (both) return true;
    }
    if (rb) rb += b->stride;
  }
  return false;
}

}  // namespace

bool TCollisionMask::Fresh(const TPixmap* p) const {
  if (!valid || source.get() != p) return false;
  return !p || (p->pixels == pixels && p->width == width && p->height == height &&
                p->pitch == pitch && p->format == format);
}

void TCollisionMask::Build(const TPixmapPtr& pixmap) {
  const TPixmap* t = pixmap.get();
  kind = KindOf(t);
  source = pixmap;
  pixels = t ? t->pixels : nullptr;
  width = t ? t->width : 0, height = t ? t->height : 0;
  pitch = t ? t->pitch : 0, format = t ? t->format : 0;
  valid = true;
  exact = kind == kMasked && width <= BoxMaskMaxSide && height <= BoxMaskMaxSide;
  if (!exact) {
    stride = 0;
    bits.clear();
    return;
  }
  stride = (width + 63) / 64 + 1;
  bits.assign(static_cast<size_t>(stride) * height, 0);
  const int bpp = BytesPerPixel[format];
  for (int y = 0; y < height; ++y) {
    const uint8_t* texel = pixels + static_cast<ptrdiff_t>(y) * pitch + AlphaOffset(t);
    uint64_t* row = bits.data() + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x, texel += bpp)
      row[x >> 6] |= static_cast<uint64_t>(*texel >> 7) << (x & 63);
  }
}

void TCollisionMask::Invalidate() {
  valid = false;
  source.reset();
}

int32_t BoxQuadsOverlap(const TQuadCorners& a, const TCollisionMask& ma, const TQuadCorners& b,
                        const TCollisionMask& mb) {
  // A mask without texels covers nothing wherever its quad lies.
  if (ma.kind == TCollisionMask::kEmpty || mb.kind == TCollisionMask::kEmpty) return 0;
  PixelBox pa, pb;
  if (!UprightBox(a, ma, pa) || !UprightBox(b, mb, pb)) return -1;
  const int top = std::max(pa.t, pb.t), bottom = std::min(pa.b, pb.b);
  const int left = std::max(pa.l, pb.l), right = std::min(pa.r, pb.r);
  if (top >= bottom || left >= right) return 0;
  const TCollisionMask* bits_a = ma.kind == TCollisionMask::kMasked ? &ma : nullptr;
  const TCollisionMask* bits_b = mb.kind == TCollisionMask::kMasked ? &mb : nullptr;
  if (!bits_a && !bits_b) return 1;
  return WindowsMeet(bits_a, left - pa.l, top - pa.t, bits_b, left - pb.l, top - pb.t,
                     right - left, bottom - top);
}

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

void SetCollisionLayer(int32_t layer, const TQuadCorners& corners, const TPixmapPtr& mask,
                       int32_t frame) {
  if (layer < 0 || layer >= CollisionLayers) return;
  Layers& s = State();
  TQuad* q = s.heads[layer];
  if (q) {
    for (TQuad* r = q->link; r;) {
      TQuad* next = r->link;
      ReturnQuad(r);
      r = next;
    }
  } else {
    q = TakeQuad();
    s.heads[layer] = q;
  }
  q->link = nullptr;
  s.sizes[layer] = 1;
  q->id.reset();
  // Mostly the same frame as last time: skip the reference counting then.
  if (q->mask.get() != mask.get() || q->mask.owner_before(mask) || mask.owner_before(q->mask))
    q->mask = mask;
  q->frame = frame;
  const float* c = corners.xy;
  q->SetCoords(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
}

const TQuad* CollisionLayerHead(int32_t layer) {
  if (layer < 0 || layer >= CollisionLayers) return nullptr;
  return State().heads[layer];
}

int32_t CollisionLayerSize(int32_t layer) {
  if (layer < 0 || layer >= CollisionLayers) return 0;
  return State().sizes[layer];
}

int32_t CollisionQuadsMade() { return static_cast<int32_t>(State().made.size()); }
