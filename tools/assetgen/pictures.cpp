#include "tools/assetgen/pictures.h"

#include <algorithm>
#include <cmath>

#include "tools/assetgen/canvas.h"
#include "tools/assetgen/glyphs.h"
#include "tools/assetgen/png_out.h"
#include "tools/assetgen/sheet_layout.h"

namespace assetgen {

namespace {

constexpr float kPi = 3.14159265358979f;

Shader Radial(float cx, float cy, float r, Rgb inner, Rgb outer) {
  return [=](float x, float y) { return Mix(inner, outer, std::clamp(std::hypot(x - cx, y - cy) / r, 0.0f, 1.0f)); };
}

// Three-stop vertical gradient, the "chrome" look of arcade lettering.
Shader Chrome(float y0, float y1, Rgb top, Rgb mid, Rgb low, Rgb bottom) {
  return [=](float, float y) {
    float t = std::clamp((y - y0) / (y1 - y0), 0.0f, 1.0f);
    if (t < 0.5f) return Mix(top, mid, t / 0.5f);
    return Mix(low, bottom, (t - 0.5f) / 0.5f);
  };
}

// Mask of lettering placed with its top-left at (x, y) on a w x h field.
Mask Place(const Mask& text, int w, int h, int x, int y) {
  Mask m(w, h);
  for (int j = 0; j < text.height(); ++j)
    for (int i = 0; i < text.width(); ++i)
      if (x + i >= 0 && y + j >= 0 && x + i < w && y + j < h) m.ref(x + i, y + j) = text.at(i, j);
  return m;
}

// The largest pixel height at which `text` fits `max_w` x `max_h`.
Mask FitText(const std::string& font, const char* text, int max_w, int max_h, int tracking, int start_height) {
  for (int px = start_height; px > 8; --px) {
    Mask m = TextMask(font, text, px, tracking, 0);
    if (m.width() <= max_w && m.height() <= max_h) return m;
  }
  return TextMask(font, text, 8, tracking, 0);
}

// The box of a mask's ink (pixels at least half covered), for placing shading and rules.
struct Bounds {
  int y0, y1, x0, x1;  // rows y0 to y1 - 1, columns x0 to x1 - 1
};
Bounds InkBounds(const Mask& m) {
  Bounds b{m.height(), 0, m.width(), 0};
  for (int y = 0; y < m.height(); ++y)
    for (int x = 0; x < m.width(); ++x)
      if (m.at(x, y) > 0.5f) {
        b.y0 = std::min(b.y0, y);
        b.y1 = std::max(b.y1, y + 1);
        b.x0 = std::min(b.x0, x);
        b.x1 = std::max(b.x1, x + 1);
      }
  return b;
}

// Paints the title's lettering: "VEKTOR SWARM" over a larger "3D" between
// speed bars. `colour` false gives the white and grey version the game tints
// with the eye colours in stereo.
void DrawTitle(Canvas& c, const Fonts& fonts, bool colour) {
  const int w = c.width(), h = c.height();
  const int margin = 6;
  Mask line1 = FitText(fonts.title, "VEKTOR SWARM", w - 2 * margin, h, 2, 120);
  int line2_h = int(h * 0.48f);
  Mask line2 = FitText(fonts.title, "3D", w / 3, line2_h, 4, 160);
  int gap = std::max(3, h / 28);
  int total = line1.height() + gap + line2.height();
  int y1 = (h - total) / 2, y2 = y1 + line1.height() + gap;
  Mask m1 = Place(line1, w, h, (w - line1.width()) / 2, y1);
  Mask m2 = Place(line2, w, h, (w - line2.width()) / 2, y2);

  // Speed bars either side of "3D", tapering outwards.
  Mask bars(w, h);
  float cy = y2 + line2.height() * 0.5f;
  float inner = (w - line2.width()) / 2.0f - 10, outer_full = margin + 8.0f;
  for (int k = -1; k <= 1; ++k) {
    float y = cy + k * line2.height() * 0.28f;
    float thick = k == 0 ? 3.2f : 2.0f;
    float reach = outer_full + std::abs(k) * 26.0f;
    bars.Add(Mask::FromSdf(w, h, Union(Capsule(reach, y, inner, y, thick), Capsule(w - reach, y, w - inner, y, thick))));
  }

  Mask letters = m1;
  letters.Add(m2);
  Mask all = letters;
  all.Add(bars);
  Mask outline = all.Dilated(colour ? 2.5f : 2.0f);

  if (colour) {
    Mask shadow = all.Dilated(2.5f).Shifted(4, 4);
    c.Paint(shadow, Solid({40, 12, 70}));
    c.Paint(outline, Solid({22, 20, 78}));
    Bounds b1 = InkBounds(m1), b2 = InkBounds(m2);
    c.Paint(m1, Chrome(float(b1.y0), float(b1.y1), {235, 255, 255}, {70, 170, 255}, {150, 60, 230}, {255, 150, 250}));
    c.Paint(m2, Chrome(float(b2.y0), float(b2.y1), {255, 255, 190}, {255, 190, 40}, {255, 90, 30}, {255, 200, 120}));
    c.Paint(bars, VerticalGradient(cy - 20, {255, 120, 240}, cy + 20, {120, 60, 255}));
    // A thin bright rim on the upper edges of the letters.
    Mask rim = letters.Minus(letters.Shifted(0, 2));
    c.Paint(rim, Solid({255, 255, 255}), 0.55f);
  } else {
    c.Paint(outline, Solid({150, 150, 150}));
    Bounds b1 = InkBounds(m1), b2 = InkBounds(m2);
    c.Paint(m1, Chrome(float(b1.y0), float(b1.y1), {255, 255, 255}, {235, 235, 235}, {200, 200, 200}, {235, 235, 235}));
    c.Paint(m2, Chrome(float(b2.y0), float(b2.y1), {255, 255, 255}, {235, 235, 235}, {205, 205, 205}, {240, 240, 240}));
    c.Paint(bars, Solid({215, 215, 215}));
  }
}

// Sprites, each drawn on its own small canvas so nothing reaches a neighbour.

Canvas Ship(float k = 1.0f) {
  Canvas c(int(50 * k), int(26 * k), k);
  Sdf hull = MirrorX(Polygon({25, 0.6f, 23.3f, 3, 21.8f, 10, 18.5f, 13, 9, 16, 2.2f, 19.8f, 1.2f, 25, 25, 25}), 25);
  c.Paint(hull, [](float x, float y) {
    Rgb base = Mix({235, 245, 255}, {80, 120, 200}, std::clamp((y - 2) / 23, 0.0f, 1.0f));
    return Scale(base, 1.0f - 0.2f * std::fabs(x - 25) / 25);
  });
  // Dark seams and red wing stripes.
  c.Paint(MirrorX(Capsule(9.5f, 19.5f, 19.5f, 15.5f, 0.55f), 25), Solid({50, 70, 130}));
  c.Paint(MirrorX(Capsule(3.5f, 22.5f, 11.5f, 19.3f, 0.9f), 25), Solid({235, 60, 60}));
  c.Paint(Ellipse(25, 13.5f, 2.4f, 5.2f), VerticalGradient(9, {230, 255, 255}, 18, {40, 150, 220}));
  c.Paint(MirrorX(Box(18, 24.2f, 2.6f, 1.2f), 25), Solid({255, 170, 60}));
  c.Paint(Box(25, 24.3f, 2, 1.1f), Solid({255, 220, 120}));
  return c;
}

// Bottom rows: a wide crab drone whose claws open and close.
Canvas Crab(int phase) {
  Canvas c(50, 26);
  Shader body = VerticalGradient(4, {255, 160, 235}, 20, {170, 30, 140});
  float lift = phase ? 4.0f : -1.0f;
  Sdf claw = Union(Capsule(15, 12, 7.5f, 9 + lift * 0.3f, 2.1f), Capsule(7.5f, 9 + lift * 0.3f, 4, 14 - lift, 1.8f));
  Sdf legs = Union({Capsule(19, 17, 16.5f, 22 + (phase ? 1.5f : 0), 1.3f),
                    Capsule(22.5f, 18, 21.5f, 23.5f - (phase ? 1.5f : 0), 1.3f)});
  const float tip = 18.5f + (phase ? -1.0f : 1.0f);
  Sdf antennae = Capsule(21.5f, 6, tip, 1.8f, 1.0f);
  Sdf shape = Union({Ellipse(25, 12, 11.5f, 7.5f), MirrorX(claw, 25), MirrorX(legs, 25), MirrorX(antennae, 25)});
  c.Paint(shape, body);
  c.Paint(MirrorX(Circle(tip, 1.8f, 1.6f), 25), Solid({255, 230, 120}));
  c.Paint(MirrorX(Ellipse(21, 10.5f, 2.3f, 2.6f), 25), Solid({255, 245, 150}));
  c.Paint(MirrorX(Circle(21.3f, 11, 1.1f), 25), Solid({50, 10, 40}));
  c.Paint(Box(25, 15.5f, 4, 0.7f), Solid({110, 20, 90}));
  return c;
}

// Middle rows: a domed walker with a visor and swinging tentacles.
Canvas Walker(int phase) {
  Canvas c(50, 26);
  Sdf dome = Intersect(Circle(25, 13.5f, 12.5f), Box(25, 7, 13.5f, 7));
  Sdf skirt = Box(25, 15.5f, 14.5f, 2.6f, 1.5f);
  float s = phase ? 1.0f : -1.0f;
  Sdf tentacles = Union({Capsule(13, 17, 8.5f - 3 * s, 24, 1.6f), Capsule(19.5f, 17.5f, 17.5f + 2 * s, 24.3f, 1.5f)});
  Sdf shape = Union({dome, skirt, MirrorX(tentacles, 25)});
  c.Paint(shape, [](float x, float y) {
    Rgb base = Mix({255, 225, 120}, {210, 95, 20}, std::clamp((y - 2) / 20, 0.0f, 1.0f));
    return Scale(base, 1.0f - 0.2f * std::fabs(x - 25) / 15);
  });
  c.Paint(Box(25, 9.5f, 9, 2.1f, 1.5f), Solid({30, 40, 70}));
  float eye = phase ? 2.5f : -2.5f;
  c.Paint(Union(Box(25 + eye - 3.5f, 9.5f, 1.8f, 1.1f), Box(25 + eye + 3.5f, 9.5f, 1.8f, 1.1f)), Solid({110, 240, 255}));
  c.Paint(Box(25, 15.5f, 12.5f, 0.6f), Solid({150, 60, 10}));
  return c;
}

// Top row: a swept arrowhead with a burning core; its wings beat.
Canvas Arrowhead(int phase, float k = 1.0f) {
  Canvas c(int(50 * k), int(26 * k), k);
  Sdf core = Polygon({25, 1.5f, 34.5f, 11.5f, 25, 21.5f, 15.5f, 11.5f});
  Sdf wing = phase ? Polygon({18, 9, 3, 3.5f, 6.5f, 13, 18.5f, 15.5f}) : Polygon({18, 11, 2.5f, 19.5f, 9, 20, 19.5f, 15.5f});
  Sdf tail = Capsule(21, 19, 19 + (phase ? 1.0f : -1.0f), 24.3f, 1.3f);
  c.Paint(MirrorX(Union(wing, tail), 25), VerticalGradient(3, {170, 255, 150}, 21, {30, 150, 80}));
  c.Paint(core, [](float x, float y) {
    Rgb base = Mix({200, 255, 190}, {40, 170, 90}, std::clamp((y - 2) / 20, 0.0f, 1.0f));
    return Scale(base, x < 25 ? 1.0f : 0.78f);
  });
  c.Paint(Circle(25, 11.5f, 3.6f), Radial(25, 11.5f, 3.6f, {255, 255, 230}, {255, 40, 50}));
  c.Paint(MirrorX(Capsule(17.5f, 12, 12, 13.5f + (phase ? -2.0f : 2.0f), 0.6f), 25), Solid({20, 90, 50}));
  return c;
}

// The saucer; a light runs round the rim over the four frames.
Canvas Saucer(int phase) {
  Canvas c(50, 26);
  c.Paint(Ellipse(25, 22.8f, 7.5f + (phase % 2) * 1.5f, 2.0f), Radial(25, 22.8f, 8, {220, 255, 255}, {60, 160, 255}));
  c.Paint(Intersect(Circle(25, 15, 10.5f), Box(25, 9, 11, 6.5f)), [](float x, float y) {
    float d = std::hypot(x - 21.5f, y - 7.5f);
    return Mix({235, 255, 255}, {40, 120, 210}, std::clamp(d / 10, 0.0f, 1.0f));
  });
  c.Paint(Ellipse(25, 16, 24, 5.8f), VerticalGradient(10.5f, {250, 120, 120}, 21.5f, {110, 18, 40}));
  c.Paint(Box(25, 15.2f, 22.5f, 0.65f), Solid({255, 190, 190}));
  for (int k = 0; k < 8; ++k) {
    float x = 6.5f + k * 5.3f;
    bool lit = k % 4 == phase;
    c.Paint(Circle(x, 17.4f, lit ? 1.9f : 1.4f), Solid(lit ? Rgb{255, 255, 170} : Rgb{150, 55, 40}));
  }
  return c;
}

Canvas PlayerShot(int phase) {
  Canvas c(12, 28);
  float wobble = std::sin(phase * kPi / 2) * 0.6f;
  c.Paint(Capsule(6, 3.5f, 6, 24.5f, 2.4f + wobble * 0.3f), VerticalGradient(2, {200, 255, 255}, 27, {30, 110, 255}));
  c.Paint(Capsule(6, 3.5f, 6, 21, 1.1f), Solid({255, 255, 255}));
  for (int k = 0; k < 2; ++k) {
    float y = 6.0f + ((phase * 5 + k * 10) % 20);
    float side = (k + phase) % 2 ? 1.0f : -1.0f;
    c.Paint(Polygon({6, y - 2, 6 + 4.8f * side, y, 6, y + 2}), Solid({150, 235, 255}));
  }
  return c;
}

Canvas InvaderShot(int phase) {
  Canvas c(12, 28);
  std::vector<Sdf> outer, inner;
  float px = 6, py = 1.8f;
  for (int k = 1; k <= 6; ++k) {
    float x = ((k + phase) % 2) ? 9.0f : 3.0f, y = 1.8f + k * 4.1f;
    if (k == 6) x = 6;
    outer.push_back(Capsule(px, py, x, y, 1.9f));
    inner.push_back(Capsule(px, py, x, y, 0.75f));
    px = x;
    py = y;
  }
  c.Paint(Union(outer), VerticalGradient(0, {255, 200, 80}, 27, {230, 40, 30}));
  c.Paint(Union(inner), Solid({255, 250, 200}));
  return c;
}

Canvas Star() {
  Canvas c(13, 13);
  Sdf spikes = Union(Capsule(1.2f, 6.5f, 11.8f, 6.5f, 0.55f), Capsule(6.5f, 1.2f, 6.5f, 11.8f, 0.55f));
  c.Paint(spikes, Radial(6.5f, 6.5f, 6, {200, 210, 255}, {50, 60, 120}));
  c.Paint(Circle(6.5f, 6.5f, 2.1f), Radial(6.5f, 6.5f, 2.2f, {255, 255, 255}, {150, 170, 255}));
  return c;
}

Canvas Spark() {
  Canvas c(13, 13);
  std::vector<float> pts;
  for (int k = 0; k < 8; ++k) {
    float a = k * kPi / 4, r = k % 2 ? 1.9f : 6.0f;
    pts.push_back(6.5f + r * std::cos(a));
    pts.push_back(6.5f + r * std::sin(a));
  }
  c.Paint(Polygon(pts), Radial(6.5f, 6.5f, 6, {255, 255, 210}, {255, 110, 20}));
  return c;
}

// One bunker of the blocker row: armour plates with an arched gap underneath.
Canvas Blocker() {
  Canvas c(100, 70);
  Sdf outline = Polygon({16, 1, 84, 1, 99, 16, 99, 69, 1, 69, 1, 16});
  Sdf shape = Subtract(outline, Ellipse(50, 72, 19, 20));
  Rng rng(77);
  std::vector<float> shade(9 * 14);
  for (float& s : shade) s = rng.Range(0.82f, 1.0f);
  c.Paint(shape, [&](float x, float y) {
    int row = int(y / 8), col = int((x + (row % 2) * 6) / 12);
    float fx = std::fmod(x + (row % 2) * 6, 12.0f), fy = std::fmod(y, 8.0f);
    Rgb base = Mix({120, 235, 130}, {35, 140, 75}, std::clamp(y / 70, 0.0f, 1.0f));
    if (fx < 1.0f || fy < 1.0f) return Rgb{18, 70, 38};  // groove between plates
    float k = shade[size_t(row % 9) * 14 + col % 14];
    if (fy < 2.0f) k += 0.18f;                             // lit upper edge of a plate
    return Scale(base, std::min(k, 1.1f));
  });
  return c;
}

}  // namespace

void WriteLogo(const std::string& dir, const Fonts& fonts) {
  Canvas c(420, 236);
  const float cx = 210, cy = 100;
  // Hexagonal emblem ring.
  auto hexagon = [&](float r) {
    std::vector<float> p;
    for (int k = 0; k < 6; ++k) {
      float a = kPi / 6 + k * kPi / 3;
      p.push_back(cx + r * std::cos(a));
      p.push_back(cy + r * std::sin(a));
    }
    return Polygon(p);
  };
  c.Paint(Subtract(hexagon(98), hexagon(86)), [&](float x, float y) {
    float a = std::atan2(y - cy, x - cx);
    return Mix({90, 220, 255}, {150, 60, 255}, 0.5f + 0.5f * std::sin(a * 1.0f + 0.6f));
  });
  c.Paint(Subtract(hexagon(82), hexagon(79)), Solid({60, 90, 170}));
  Mask kx = FitText(fonts.title, "KX", 160, 120, 2, 180);
  Mask m = Place(kx, 420, 236, int(cx - kx.width() / 2), int(cy - kx.height() / 2));
  Bounds b = InkBounds(m);
  c.Paint(m.Dilated(3.5f).Shifted(3, 4), Solid({30, 10, 60}));
  c.Paint(m.Dilated(3.0f), VerticalGradient(float(b.y0), {255, 190, 60}, float(b.y1), {230, 70, 30}));
  c.Paint(m, [&](float, float y) {
    float t = std::clamp((y - b.y0) / float(b.y1 - b.y0), 0.0f, 1.0f);
    Rgb v = t < 0.5f ? Mix({255, 255, 255}, {170, 190, 215}, t * 2) : Mix({70, 80, 120}, {210, 225, 245}, (t - 0.5f) * 2);
    return Scale(v, (int(y) % 3 == 0) ? 0.86f : 1.0f);  // fine scan lines
  });
  Mask word = FitText(fonts.title, "P R E S E N T S", 300, 26, 3, 30);
  Mask presents = Place(word, 420, 236, (420 - word.width()) / 2, 206);
  c.Paint(presents, Solid({150, 200, 255}));
  // Rule lines lead up to the word from either side and stop short of its end letters.
  Bounds t = InkBounds(presents);
  const float rule_y = float(t.y0 + t.y1) / 2, gap = 10, length = 44;
  c.Paint(Union(Capsule(float(t.x0) - gap - length, rule_y, float(t.x0) - gap, rule_y, 1.2f),
                Capsule(float(t.x1) + gap, rule_y, float(t.x1) + gap + length, rule_y, 1.2f)),
          Solid({110, 80, 230}));
  WritePng(dir + "/kxlogo.png", c.width(), c.height(), c.ToSpriteRgb());
}

void WriteTitle(const std::string& dir, const Fonts& fonts) {
  Canvas c(414, 173);
  DrawTitle(c, fonts, true);
  WritePng(dir + "/vscl_title.png", c.width(), c.height(), c.ToSpriteRgb());
}

void WriteBackdrop(const std::string& dir) {
  const int w = 640, h = 480;
  Canvas c(w, h);
  // Nebula: warped fractal noise in two hues along a diagonal band, with dark dust lanes.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float u = x / 160.0f, v = y / 160.0f;
      float wx = Fbm(u + 3.1f, v, 4, 11) * 2.2f, wy = Fbm(u, v + 7.7f, 4, 23) * 2.2f;
      float n = Fbm(u + wx, v + wy, 6, 5);
      float band = std::exp(-std::pow((y - (120 + x * 0.35f)) / 190.0f, 2.0f));
      float glow = std::pow(std::clamp(n * 1.45f - 0.35f, 0.0f, 1.0f), 2.2f) * (0.35f + 0.9f * band);
      float dust = std::clamp(Fbm(u * 2.5f + 40, v * 2.5f, 5, 77) * 2.2f - 1.0f, 0.0f, 1.0f);
      glow *= 1.0f - 0.75f * dust;
      float hue = Fbm(u * 0.7f + 9, v * 0.7f, 3, 41);
      Rgb neb = Mix({30, 80, 120}, {105, 35, 130}, std::clamp(hue * 2.0f - 0.5f, 0.0f, 1.0f));
      Rgb base = Mix({3, 4, 14}, {7, 3, 16}, y / float(h));
      Rgb col = Mix(base, Scale(neb, 1.25f), std::min(glow, 1.0f));
      Canvas::Px& p = c.at(x, y);
      p.r = col.r;
      p.g = col.g;
      p.b = col.b;
      p.a = 1;
    }
  // A dark banded planet low on the right, lit from the upper left.
  const float pcx = 560, pcy = 545, pr = 175;
  for (int y = 330; y < h; ++y)
    for (int x = 360; x < w; ++x) {
      float dx = x + 0.5f - pcx, dy = y + 0.5f - pcy, d = std::hypot(dx, dy);
      float cover = std::clamp(pr + 0.5f - d, 0.0f, 1.0f);
      if (cover <= 0) continue;
      float nz = std::sqrt(std::max(0.0f, 1 - (d / pr) * (d / pr)));
      float light = std::clamp((-dx * 0.6f - dy * 0.75f) / pr * 0.8f + nz * 0.35f, 0.0f, 1.0f);
      float bands = 0.75f + 0.25f * std::sin(dy * 0.09f + Fbm(x / 40.0f, y / 12.0f, 3, 91) * 4);
      Rgb surf = Scale(Mix({8, 7, 20}, {78, 62, 108}, std::pow(light, 1.4f)), bands);
      float rim = std::pow(std::clamp(1 - (pr - d) / 9, 0.0f, 1.0f), 2.0f) * std::clamp(light * 1.6f, 0.0f, 1.0f);
      surf = Mix(surf, {120, 170, 255}, rim * 0.7f);
      Canvas::Px& p = c.at(x, y);
      p.r = p.r * (1 - cover) + surf.r * cover;
      p.g = p.g * (1 - cover) + surf.g * cover;
      p.b = p.b * (1 - cover) + surf.b * cover;
    }
  // Stars: many faint points, fewer bright ones with a halo, a handful with spikes.
  Rng rng(2026);
  for (int i = 0; i < 1400; ++i) {
    float x = rng.Range(0, w), y = rng.Range(0, h);
    float bright = std::pow(rng.Uniform(), 5.0f);
    float temp = rng.Uniform();
    Rgb tint = temp < 0.6f ? Rgb{0.85f, 0.9f, 1.0f} : (temp < 0.85f ? Rgb{1.0f, 0.92f, 0.8f} : Rgb{0.75f, 0.85f, 1.0f});
    float peak = 35 + 190 * bright;
    if (std::hypot(x - pcx, y - pcy) < pr + 1) continue;  // the planet hides what is behind it
    int ix = int(x), iy = int(y);
    c.AddLight(ix, iy, Scale(tint, peak));
    if (bright > 0.15f) {
      float halo = peak * 0.28f;
      for (int k = 0; k < 4; ++k)
        c.AddLight(ix + (k == 0) - (k == 1), iy + (k == 2) - (k == 3), Scale(tint, halo));
    }
    if (bright > 0.55f)
      for (int r = 2; r <= 5; ++r) {
        float s = peak * 0.22f / r;
        c.AddLight(ix + r, iy, Scale(tint, s));
        c.AddLight(ix - r, iy, Scale(tint, s));
        c.AddLight(ix, iy + r, Scale(tint, s));
        c.AddLight(ix, iy - r, Scale(tint, s));
      }
  }
  WritePng(dir + "/vscl_bkdrop.png", w, h, c.ToRgb());
}

void WriteSpriteSheet(const std::string& dir, const Fonts& fonts) {
  Canvas sheet(kSheetWidth, kSheetHeight);
  for (const SheetRect& r : SheetLayout()) {
    std::string strip = r.strip;
    Canvas frame(r.w, r.h);
    if (strip == "img_block") {
      frame = Blocker();
    } else if (strip == "img_logo3d") {
      DrawTitle(frame, fonts, false);
    } else if (strip == "img_sprites") {
      if (r.frame == 0) frame = Ship();
      else if (r.frame <= 2) frame = Crab(r.frame - 1);
      else if (r.frame <= 4) frame = Walker(r.frame - 3);
      else if (r.frame <= 6) frame = Arrowhead(r.frame - 5);
      else frame = Saucer(r.frame - 7);
    } else if (strip == "img_dots") {
      frame = r.frame == 0 ? Star() : Spark();
    } else {
      frame = r.frame < 4 ? PlayerShot(r.frame) : InvaderShot(r.frame - 4);
    }
    sheet.Blit(frame, r.x, r.y);
  }
  WritePng(dir + "/vs3D_sprites.png", sheet.width(), sheet.height(), sheet.ToSpriteRgb());
}

void WriteIcons(const std::string& dir) {
  for (int n : {32, 48, 64, 128, 256}) {
    Canvas icon(n, n);
    const float h = n / 2.0f;
    icon.Paint(Box(h, h, h - 0.5f, h - 0.5f, n * 0.16f), VerticalGradient(0, {40, 28, 96}, float(n), {6, 6, 24}));
    const float ki = n / 62.0f, ks = n / 100.0f;  // the invader above, the ship below
    icon.Over(Arrowhead(0, ki), (n - int(50 * ki)) / 2, int(0.14f * n));
    icon.Over(Ship(ks), (n - int(50 * ks)) / 2, n - int(26 * ks) - int(0.12f * n));
    WritePngRgba(dir + "/vektor-swarm-" + std::to_string(n) + ".png", n, n, icon.ToRgba());
  }
}

}  // namespace assetgen
