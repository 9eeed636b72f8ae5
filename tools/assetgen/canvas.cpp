#include "tools/assetgen/canvas.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

Rgb Mix(Rgb a, Rgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Scale(Rgb c, float k) { return {c.r * k, c.g * k, c.b * k}; }

Sdf Circle(float cx, float cy, float r) {
  return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}

Sdf Ellipse(float cx, float cy, float rx, float ry) {
  return [=](float x, float y) {
    float k = std::hypot((x - cx) / rx, (y - cy) / ry);
    return (k - 1.0f) * std::min(rx, ry);
  };
}

Sdf Box(float cx, float cy, float hw, float hh, float round) {
  return [=](float x, float y) {
    float qx = std::fabs(x - cx) - hw + round, qy = std::fabs(y - cy) - hh + round;
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - round;
  };
}

static float SegmentDistance(float px, float py, float ax, float ay, float bx, float by) {
  float dx = bx - ax, dy = by - ay;
  float len2 = dx * dx + dy * dy;
  float t = len2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0f, 1.0f) : 0.0f;
  return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

Sdf Capsule(float ax, float ay, float bx, float by, float r) {
  return [=](float x, float y) { return SegmentDistance(x, y, ax, ay, bx, by) - r; };
}

Sdf Polygon(std::vector<float> xy) {
  return [xy = std::move(xy)](float x, float y) {
    size_t n = xy.size() / 2;
    float d = 1e30f;
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
      float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
      d = std::min(d, SegmentDistance(x, y, xi, yi, xj, yj));
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside ? -d : d;
  };
}

Sdf Union(Sdf a, Sdf b) {
  return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}
Sdf Union(std::vector<Sdf> parts) {
  return [parts = std::move(parts)](float x, float y) {
    float d = 1e30f;
    for (auto& p : parts) d = std::min(d, p(x, y));
    return d;
  };
}
Sdf Subtract(Sdf a, Sdf b) {
  return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}
Sdf Intersect(Sdf a, Sdf b) {
  return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}
Sdf Grow(Sdf a, float by) {
  return [=](float x, float y) { return a(x, y) - by; };
}
Sdf MirrorX(Sdf a, float axis) {
  return [=](float x, float y) { return a(axis - std::fabs(x - axis), y); };
}
Sdf Translate(Sdf a, float dx, float dy) {
  return [=](float x, float y) { return a(x - dx, y - dy); };
}

Shader Solid(Rgb c) {
  return [=](float, float) { return c; };
}
Shader VerticalGradient(float y0, Rgb c0, float y1, Rgb c1) {
  return [=](float, float y) { return Mix(c0, c1, std::clamp((y - y0) / (y1 - y0), 0.0f, 1.0f)); };
}

Mask Mask::FromSdf(int w, int h, const Sdf& sdf) {
  Mask m(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) m.ref(x, y) = std::clamp(0.5f - sdf(x + 0.5f, y + 0.5f), 0.0f, 1.0f);
  return m;
}

float Mask::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return 0.0f;
  return v_[size_t(y) * w_ + x];
}

Mask Mask::Dilated(float radius) const {
  Mask out(w_, h_);
  int r = int(std::ceil(radius + 0.5f));
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      float best = 0;
      for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
          float weight = std::clamp(radius + 0.5f - std::hypot(float(dx), float(dy)), 0.0f, 1.0f);
          if (weight > 0) best = std::max(best, at(x + dx, y + dy) * weight);
        }
      out.ref(x, y) = best;
    }
  return out;
}

Mask Mask::Blurred(float radius) const {
  int r = std::max(1, int(radius / 1.7f + 0.5f));
  Mask a = *this, b(w_, h_);
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        float s = 0;
        for (int k = -r; k <= r; ++k) s += a.at(x + k, y);
        b.ref(x, y) = s / float(2 * r + 1);
      }
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        float s = 0;
        for (int k = -r; k <= r; ++k) s += b.at(x, y + k);
        a.ref(x, y) = s / float(2 * r + 1);
      }
  }
  return a;
}

Mask Mask::Minus(const Mask& other) const {
  Mask out = *this;
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) out.ref(x, y) = std::max(0.0f, at(x, y) - other.at(x, y));
  return out;
}

Mask Mask::Shifted(int dx, int dy) const {
  Mask out(w_, h_);
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) out.ref(x, y) = at(x - dx, y - dy);
  return out;
}

void Mask::Add(const Mask& other) {
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) ref(x, y) = std::max(at(x, y), other.at(x, y));
}

void Canvas::Paint(const Mask& m, const Shader& s, float opacity, int ox, int oy) {
  for (int y = 0; y < m.height(); ++y)
    for (int x = 0; x < m.width(); ++x) {
      int cx = x + ox, cy = y + oy;
      float c = m.at(x, y) * opacity;
      if (c <= 0 || cx < 0 || cy < 0 || cx >= w_ || cy >= h_) continue;
      Rgb col = s(cx + 0.5f, cy + 0.5f);
      Px& p = at(cx, cy);
      p.r = col.r * c + p.r * (1 - c);
      p.g = col.g * c + p.g * (1 - c);
      p.b = col.b * c + p.b * (1 - c);
      p.a = c + p.a * (1 - c);
    }
}

void Canvas::Paint(const Sdf& sdf, const Shader& s, float opacity) {
  if (scale_ == 1.0f) {
    Paint(Mask::FromSdf(w_, h_, sdf), s, opacity);
    return;
  }
  const float k = scale_;
  Paint(Mask::FromSdf(w_, h_, [&](float x, float y) { return sdf(x / k, y / k) * k; }),
        [&](float x, float y) { return s(x / k, y / k); }, opacity);
}

void Canvas::AddLight(int x, int y, Rgb c) {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
  Px& p = at(x, y);
  p.r += c.r;
  p.g += c.g;
  p.b += c.b;
  p.a = std::min(1.0f, p.a + std::max({c.r, c.g, c.b}) / 255.0f);
}

void Canvas::Blit(const Canvas& src, int x, int y) {
  for (int j = 0; j < src.height(); ++j)
    for (int i = 0; i < src.width(); ++i)
      if (x + i >= 0 && y + j >= 0 && x + i < w_ && y + j < h_) at(x + i, y + j) = src.at(i, j);
}

void Canvas::Over(const Canvas& src, int x, int y) {
  for (int j = 0; j < src.height(); ++j)
    for (int i = 0; i < src.width(); ++i) {
      if (x + i < 0 || y + j < 0 || x + i >= w_ || y + j >= h_) continue;
      const Px& s = src.at(i, j);
      Px& d = at(x + i, y + j);
      const float keep = 1 - std::min(s.a, 1.0f);
      d = {s.r + d.r * keep, s.g + d.g * keep, s.b + d.b * keep, s.a + d.a * keep};
    }
}

static uint8_t Quantise(float v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

std::vector<uint8_t> Canvas::ToSpriteRgb() const {
  std::vector<uint8_t> out(size_t(w_) * h_ * 3, 0);
  for (size_t i = 0; i < px_.size(); ++i) {
    const Px& p = px_[i];
    if (p.a < 0.5f) continue;
    uint8_t* o = &out[i * 3];
    o[0] = std::max<uint8_t>(1, Quantise(p.r / p.a));
    o[1] = std::max<uint8_t>(1, Quantise(p.g / p.a));
    o[2] = std::max<uint8_t>(1, Quantise(p.b / p.a));
  }
  return out;
}

std::vector<uint8_t> Canvas::ToRgb() const {
  std::vector<uint8_t> out(size_t(w_) * h_ * 3, 0);
  for (size_t i = 0; i < px_.size(); ++i) {
    out[i * 3] = Quantise(px_[i].r);
    out[i * 3 + 1] = Quantise(px_[i].g);
    out[i * 3 + 2] = Quantise(px_[i].b);
  }
  return out;
}

std::vector<uint8_t> Canvas::ToRgba() const {
  std::vector<uint8_t> out(size_t(w_) * h_ * 4, 0);
  for (size_t i = 0; i < px_.size(); ++i) {
    const Px& p = px_[i];
    if (p.a <= 0) continue;
    out[i * 4] = Quantise(p.r / p.a);
    out[i * 4 + 1] = Quantise(p.g / p.a);
    out[i * 4 + 2] = Quantise(p.b / p.a);
    out[i * 4 + 3] = Quantise(std::min(p.a, 1.0f) * 255);
  }
  return out;
}

uint32_t Rng::Next() {
  // splitmix64: tiny, fast and the same on every platform.
  uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return uint32_t((z ^ (z >> 31)) >> 32);
}

static float Lattice(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) * (1.0f / 16777215.0f);
}

float ValueNoise(float x, float y, uint32_t seed, int period) {
  int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  float fx = x - x0, fy = y - y0;
  auto wrap = [&](int v) { return ((v % period) + period) % period; };
  auto smooth = [](float t) { return t * t * t * (t * (t * 6 - 15) + 10); };
  float sx = smooth(fx), sy = smooth(fy);
  float a = Lattice(wrap(x0), wrap(y0), seed), b = Lattice(wrap(x0 + 1), wrap(y0), seed);
  float c = Lattice(wrap(x0), wrap(y0 + 1), seed), d = Lattice(wrap(x0 + 1), wrap(y0 + 1), seed);
  return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

float Fbm(float x, float y, int octaves, uint32_t seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += ValueNoise(x, y, seed + uint32_t(i) * 101u) * amp;
    norm += amp;
    x = x * 2.03f + 17.1f;
    y = y * 2.03f + 5.3f;
    amp *= 0.5f;
  }
  return sum / norm;
}

}  // namespace assetgen
