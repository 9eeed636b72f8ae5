// Drawing surface for the asset generator: coverage masks built from signed
// distance shapes or glyph bitmaps, painted with colour functions onto a
// premultiplied float canvas, then quantised to 8-bit RGB for the PNG writer.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace assetgen {

struct Rgb {
  float r = 0, g = 0, b = 0;
};
Rgb Mix(Rgb a, Rgb b, float t);
Rgb Scale(Rgb c, float k);
inline Rgb Hex(uint32_t v) {
  return {float((v >> 16) & 255), float((v >> 8) & 255), float(v & 255)};
}

// Signed distance in pixels: negative inside, positive outside.
using Sdf = std::function<float(float x, float y)>;
// Colour in 0..255 per channel at a point.
using Shader = std::function<Rgb(float x, float y)>;

Sdf Circle(float cx, float cy, float r);
Sdf Ellipse(float cx, float cy, float rx, float ry);  // approximate, good near the rim
Sdf Box(float cx, float cy, float hw, float hh, float round = 0);
Sdf Capsule(float ax, float ay, float bx, float by, float r);
Sdf Polygon(std::vector<float> xy);  // x0, y0, x1, y1, ... (any winding, even-odd)
Sdf Union(Sdf a, Sdf b);
Sdf Union(std::vector<Sdf> parts);
Sdf Subtract(Sdf a, Sdf b);
Sdf Intersect(Sdf a, Sdf b);
Sdf Grow(Sdf a, float by);           // outset (negative: inset)
Sdf MirrorX(Sdf a, float axis);      // left half reflected onto the right
Sdf Translate(Sdf a, float dx, float dy);

Shader Solid(Rgb c);
Shader VerticalGradient(float y0, Rgb c0, float y1, Rgb c1);

// Per-pixel coverage 0..1.
class Mask {
 public:
  Mask(int w, int h) : w_(w), h_(h), v_(size_t(w) * h, 0.0f) {}
  static Mask FromSdf(int w, int h, const Sdf& sdf);
  int width() const { return w_; }
  int height() const { return h_; }
  float at(int x, int y) const;  // 0 outside the mask
  float& ref(int x, int y) { return v_[size_t(y) * w_ + x]; }
  Mask Dilated(float radius) const;
  Mask Blurred(float radius) const;  // three box passes, approximately Gaussian
  Mask Minus(const Mask& other) const;
  Mask Shifted(int dx, int dy) const;
  void Add(const Mask& other);  // union by maximum

 private:
  int w_, h_;
  std::vector<float> v_;
};

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), px_(size_t(w) * h) {}
  // Shapes and shaders given in units of 1/scale pixel: a sprite drawn larger, as crisp.
  Canvas(int w, int h, float scale) : w_(w), h_(h), scale_(scale), px_(size_t(w) * h) {}
  int width() const { return w_; }
  int height() const { return h_; }
  void Paint(const Mask& m, const Shader& s, float opacity = 1.0f, int ox = 0, int oy = 0);
  void Paint(const Sdf& sdf, const Shader& s, float opacity = 1.0f);
  // Adds light (for glows and stars) without covering what is below.
  void AddLight(int x, int y, Rgb c);
  void Blit(const Canvas& src, int x, int y);  // replaces the rectangle
  void Over(const Canvas& src, int x, int y);  // lays src over what is there

  // Sprite quantisation: a pixel at least half covered keeps its own colour at full
  // strength and is never pure black; anything less is exact black (transparent).
  std::vector<uint8_t> ToSpriteRgb() const;
  // Plain quantisation over black, for the backdrop.
  std::vector<uint8_t> ToRgb() const;
  // Colour with straight alpha, for pictures that keep their own transparency (icons).
  std::vector<uint8_t> ToRgba() const;

  struct Px {
    float r = 0, g = 0, b = 0, a = 0;  // premultiplied
  };
  Px& at(int x, int y) { return px_[size_t(y) * w_ + x]; }
  const Px& at(int x, int y) const { return px_[size_t(y) * w_ + x]; }

 private:
  int w_, h_;
  float scale_ = 1.0f;
  std::vector<Px> px_;
};

// Deterministic generator, so every run writes the same bytes.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t Next();
  float Uniform() { return (Next() >> 8) * (1.0f / 16777216.0f); }  // [0, 1)
  float Range(float a, float b) { return a + (b - a) * Uniform(); }

 private:
  uint64_t s_;
};

// Smooth value noise in [0, 1], periodic with the given period in lattice cells.
float ValueNoise(float x, float y, uint32_t seed, int period = 1 << 16);
float Fbm(float x, float y, int octaves, uint32_t seed);

}  // namespace assetgen
