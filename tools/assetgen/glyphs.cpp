#include "tools/assetgen/glyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace assetgen {

namespace {

class Face {
 public:
  Face(const std::string& file, int pixel_height) {
    if (FT_Init_FreeType(&lib_)) throw std::runtime_error("FreeType does not start");
    if (FT_New_Face(lib_, file.c_str(), 0, &face_)) {
      FT_Done_FreeType(lib_);
      throw std::runtime_error("cannot open font " + file);
    }
    FT_Set_Pixel_Sizes(face_, 0, FT_UInt(pixel_height));
  }
  ~Face() {
    FT_Done_Face(face_);
    FT_Done_FreeType(lib_);
  }
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;
  FT_Face operator->() const { return face_; }
  FT_Face get() const { return face_; }

 private:
  FT_Library lib_ = nullptr;
  FT_Face face_ = nullptr;
};

struct Placed {
  std::vector<uint8_t> pixels;
  int w, h, x, y;  // top-left in pen coordinates (baseline at y 0)
};

}  // namespace

Mask TextMask(const std::string& font_file, std::string_view text, int pixel_height, int tracking, int pad) {
  Face face(font_file, pixel_height);
  std::vector<Placed> glyphs;
  long pen = 0;  // 26.6
  FT_UInt prev = 0;
  int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
  for (unsigned char ch : text) {
    FT_UInt index = FT_Get_Char_Index(face.get(), ch);
    if (prev && index && FT_HAS_KERNING(face.get())) {
      FT_Vector k;
      FT_Get_Kerning(face.get(), prev, index, FT_KERNING_DEFAULT, &k);
      pen += k.x;
    }
    if (FT_Load_Glyph(face.get(), index, FT_LOAD_RENDER)) continue;
    const FT_Bitmap& bm = face->glyph->bitmap;
    Placed p{{}, int(bm.width), int(bm.rows), int(pen >> 6) + face->glyph->bitmap_left, -face->glyph->bitmap_top};
    for (unsigned r = 0; r < bm.rows; ++r)
      for (unsigned c = 0; c < bm.width; ++c) p.pixels.push_back(bm.buffer[r * bm.pitch + c]);
    if (p.w > 0 && p.h > 0) {
      x0 = std::min(x0, p.x);
      y0 = std::min(y0, p.y);
      x1 = std::max(x1, p.x + p.w);
      y1 = std::max(y1, p.y + p.h);
      glyphs.push_back(std::move(p));
    }
    pen += face->glyph->advance.x + tracking * 64;
    prev = index;
  }
  if (glyphs.empty()) return Mask(1, 1);
  Mask m(x1 - x0 + 2 * pad, y1 - y0 + 2 * pad);
  for (const Placed& p : glyphs)
    for (int r = 0; r < p.h; ++r)
      for (int c = 0; c < p.w; ++c) {
        float& v = m.ref(p.x - x0 + pad + c, p.y - y0 + pad + r);
        v = std::min(1.0f, v + p.pixels[size_t(r) * p.w + c] / 255.0f);
      }
  return m;
}

std::vector<uint8_t> BitmapFont(const std::string& font_file, int pixel_height) {
  constexpr int kBaseline = 12;  // letters stand on row 11; rows 12-15 take descenders
  Face face(font_file, pixel_height);
  std::vector<uint8_t> out(16 * 96, 0);
  auto lit = [&](int ch, int x, int y) {
    if (x >= 0 && x < 8 && y >= 0 && y < 16) out[size_t(y) * 96 + (ch - 32)] |= uint8_t(1u << x);
  };
  for (int ch = 33; ch < 127; ++ch) {
    if (FT_Load_Char(face.get(), FT_ULong(ch), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME))
      throw std::runtime_error("font lacks a printable ASCII character");
    const FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    int advance = int((g->advance.x + 32) >> 6);
    int left = g->bitmap_left + (8 - advance) / 2;
    // Centre glyphs that would be clipped at the right edge of the cell.
    if (left + int(bm.width) > 8) left = std::max(0, (8 - int(bm.width)) / 2);
    int top = kBaseline - g->bitmap_top;
    for (unsigned r = 0; r < bm.rows; ++r)
      for (unsigned c = 0; c < bm.width; ++c)
        if (bm.buffer[r * bm.pitch + c / 8] & (0x80 >> (c % 8))) lit(ch, left + int(c), top + int(r));
  }
  // Character 127 has no picture in ASCII: a hollow box makes it visible.
  for (int y = 2; y <= 12; ++y)
    for (int x = 1; x <= 6; ++x)
      if (y == 2 || y == 12 || x == 1 || x == 6) lit(127, x, y);
  return out;
}

}  // namespace assetgen
