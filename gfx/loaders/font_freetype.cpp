#include "gfx/loaders/font_freetype.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>

namespace {

FT_Library library = nullptr;

// Initialised once and never closed; a failed attempt is tried again next time.
FT_Library Library() {
  if (!library && FT_Init_FreeType(&library) != 0) library = nullptr;
  return library;
}

FTFace CopyFace(const FT_FaceRec_& f) {
  FTFace c;
  c.num_faces = f.num_faces;
  c.face_index = f.face_index;
  c.face_flags = f.face_flags;
  c.style_flags = f.style_flags;
  c.num_glyphs = f.num_glyphs;
  if (f.family_name) c.family_name = f.family_name;
  if (f.style_name) c.style_name = f.style_name;
  c.num_fixed_sizes = f.num_fixed_sizes;
  for (int i = 0; i < f.num_fixed_sizes && f.available_sizes; ++i)
    c.fixed_heights.push_back(f.available_sizes[i].height);
  c.num_charmaps = f.num_charmaps;
  c.bbox = {f.bbox.xMin, f.bbox.yMin, f.bbox.xMax, f.bbox.yMax};
  c.units_per_EM = f.units_per_EM;
  c.ascender = f.ascender;
  c.descender = f.descender;
  c.height = f.height;
  c.max_advance_width = f.max_advance_width;
  c.max_advance_height = f.max_advance_height;
  c.underline_position = f.underline_position;
  c.underline_thickness = f.underline_thickness;
  return c;
}

FTMetrics CopyMetrics(const FT_Size_Metrics& m) {
  return {m.x_ppem, m.y_ppem, m.x_scale, m.y_scale, m.ascender, m.descender, m.height,
          m.max_advance};
}

FTGlyph CopySlot(const FT_GlyphSlotRec_& s) {
  FTGlyph g;
  g.width = s.metrics.width;
  g.height = s.metrics.height;
  g.horiBearingX = s.metrics.horiBearingX;
  g.horiBearingY = s.metrics.horiBearingY;
  g.horiAdvance = s.metrics.horiAdvance;
  g.vertBearingX = s.metrics.vertBearingX;
  g.vertBearingY = s.metrics.vertBearingY;
  g.vertAdvance = s.metrics.vertAdvance;
  g.linearHoriAdvance = s.linearHoriAdvance;
  g.linearVertAdvance = s.linearVertAdvance;
  g.advance_x = s.advance.x;
  g.advance_y = s.advance.y;
  g.format = static_cast<int32_t>(s.format);
  g.bitmap_rows = static_cast<int32_t>(s.bitmap.rows);
  g.bitmap_width = static_cast<int32_t>(s.bitmap.width);
  g.bitmap_pitch = s.bitmap.pitch;
  g.bitmap_buffer = s.bitmap.buffer;
  g.bitmap_num_grays = s.bitmap.num_grays;
  g.bitmap_pixel_mode = s.bitmap.pixel_mode;
  g.bitmap_left = s.bitmap_left;
  g.bitmap_top = s.bitmap_top;
  return g;
}

// Row y of the bitmap from the top; a negative pitch means the rows are stored bottom first.
const uint8_t* BitmapRow(const FTGlyph& s, int32_t y) {
  const ptrdiff_t pitch = s.bitmap_pitch;
  const uint8_t* top = pitch >= 0 ? s.bitmap_buffer
                                  : s.bitmap_buffer + (-pitch) * (s.bitmap_rows - 1);
  return top + pitch * y;
}

// Coverage 0-255 of pixel x in a bitmap row, by the bitmap's pixel mode.
uint8_t Coverage(const FTGlyph& s, const uint8_t* row, int32_t x) {
  switch (s.bitmap_pixel_mode) {
    case FTPixelModeMono:
      return (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
    case FTPixelModeGray2:
      return static_cast<uint8_t>(((row[x >> 2] >> (6 - 2 * (x & 3))) & 3) * 85);
    case FTPixelModeGray4:
      return static_cast<uint8_t>(((row[x >> 1] >> (4 - 4 * (x & 1))) & 15) * 17);
    case FTPixelModeBgra:
      return row[x * 4 + 3];
    default: {
      const int32_t levels = s.bitmap_num_grays;
      if (levels <= 1 || levels == 256) return row[x];
      return static_cast<uint8_t>(std::min(255, row[x] * 255 / (levels - 1)));
    }
  }
}

bool KnownPixelMode(int32_t mode) {
  return mode == FTPixelModeMono || mode == FTPixelModeGray || mode == FTPixelModeGray2 ||
         mode == FTPixelModeGray4 || mode == FTPixelModeBgra;
}

}  // namespace

TGlyphPixels TFreeTypeGlyph::Pixels() {
  if (_pixmap) return _pixmap;
  return {};
}

float TFreeTypeGlyph::Advance() { return _advance; }

void TFreeTypeGlyph::GetRect(int32_t& x, int32_t& y, int32_t& width, int32_t& height) {
  x = _x, y = _y, width = _w, height = _h;
}

TFreeTypeGlyphPtr TFreeTypeGlyph::FromSlot(const FTGlyph& slot, int32_t ascend, int32_t style) {
  auto g = std::make_shared<TFreeTypeGlyph>();
  g->_x = slot.bitmap_left;
  g->_y = ascend - slot.bitmap_top;
  g->_w = slot.bitmap_width;
  g->_h = slot.bitmap_rows;
  g->_advance = static_cast<float>(slot.advance_x >> 6);
  if (slot.bitmap_width <= 0 || slot.bitmap_rows <= 0 || !slot.bitmap_buffer ||
      !KnownPixelMode(slot.bitmap_pixel_mode))
    return g;
  TPixmapPtr p = TPixmap::Create(slot.bitmap_width, slot.bitmap_rows, WhiteAlpha8, 4);
  if (!p) return g;
  for (int32_t y = 0; y < slot.bitmap_rows; ++y) {
    const uint8_t* row = BitmapRow(slot, y);
    uint8_t* out = p->PixelPtr(0, y);
    for (int32_t x = 0; x < slot.bitmap_width; ++x) out[x] = Coverage(slot, row, x);
  }
  if (style & FontSmooth) {
    // A clear border keeps filtering from smearing the glyph's edge into nothing.
    TPixmapPtr framed = TPixmap::Create(p->width + 2, p->height + 2, WhiteAlpha8, 4);
    if (!framed) return g;
    framed->ClearPixels(0);
    framed->Paste(p, 1, 1);
    p = framed;
    g->_x -= 1, g->_y -= 1, g->_w += 2, g->_h += 2;
  }
  g->_pixmap = p;
  return g;
}

TFreeTypeFont::~TFreeTypeFont() {
  if (_ft_face) FT_Done_Face(_ft_face);
}

int32_t TFreeTypeFont::Style() { return _style; }
int32_t TFreeTypeFont::Height() { return _height; }
int32_t TFreeTypeFont::CountGlyphs() { return static_cast<int32_t>(_glyphs.size()); }

int32_t TFreeTypeFont::CharToGlyph(int32_t character) {
  if (!_ft_face || character < 0) return -1;
  return static_cast<int32_t>(FT_Get_Char_Index(_ft_face, static_cast<FT_ULong>(character))) - 1;
}

TGlyphPtr TFreeTypeFont::LoadGlyph(int32_t index) {
  if (index < 0 || index >= CountGlyphs()) return nullptr;
  if (_glyphs[index]) return _glyphs[index];
  _glyphs[index] = std::make_shared<TFreeTypeGlyph>();
  if (FT_Load_Glyph(_ft_face, static_cast<FT_UInt>(index) + 1, FT_LOAD_DEFAULT) != 0)
    return _glyphs[index];
  // A damaged font can give a glyph thousands of pixels across at any size; rendering and
  // copying it would cost seconds and hundreds of megabytes for one character, so a glyph
  // larger than kMaxGlyphEms ems on a side stays empty.
  FT_GlyphSlot slot = _ft_face->glyph;
  const int64_t limit = int64_t{kMaxGlyphEms} * std::max(_size, 1);
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    FT_BBox box;
    FT_Outline_Get_CBox(&slot->outline, &box);
    if ((box.xMax - box.xMin) / 64 > limit || (box.yMax - box.yMin) / 64 > limit) return _glyphs[index];
  }
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return _glyphs[index];
  if (slot->bitmap.width > limit || slot->bitmap.rows > limit) return _glyphs[index];
  _glyphs[index] = TFreeTypeGlyph::FromSlot(CopySlot(*slot), _ascend, _style);
  return _glyphs[index];
}

TFreeTypeFontPtr TFreeTypeFont::Load(const TUrl& source, int32_t size, int32_t style) {
  FT_Library lib = Library();
  if (!lib || source.text.empty() || size <= 0) return nullptr;
  auto font = std::make_shared<TFreeTypeFont>();
  FT_Face face = nullptr;
  const size_t protocol = source.text.find(u"::");
  if (protocol != std::u16string::npos && protocol > 0) {
    font->_buf = LoadBytes(source);
    if (font->_buf.empty()) return nullptr;
    if (FT_New_Memory_Face(lib, font->_buf.data(), static_cast<FT_Long>(font->_buf.size()), 0,
                           &face) != 0)
      return nullptr;
  } else {
    std::u16string path = ResolveFileCase(source.text);
    if (path.empty()) path = NormalisePath(source.text);
    if (FT_New_Face(lib, TextToBytes(path).c_str(), 0, &face) != 0) return nullptr;
  }
  font->_ft_face = face;  // from here the font closes the face
  while (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0)
    if (--size == 0) return nullptr;
  font->_size = size;
  font->_face = CopyFace(*face);
  font->_metrics = CopyMetrics(face->size->metrics);
  font->_height = static_cast<int32_t>(face->size->metrics.height >> 6);
  font->_ascend = static_cast<int32_t>(face->size->metrics.ascender >> 6);
  font->_descend = static_cast<int32_t>(face->size->metrics.descender >> 6);
  font->_style = style;
  font->_glyphs.resize(static_cast<size_t>(std::max<FT_Long>(face->num_glyphs, 0)));
  return font;
}

TFontPtr TFreeTypeFontLoader::LoadFont(const TUrl& source, int32_t size, int32_t style) {
  if (source.text.empty()) return nullptr;
  return TFreeTypeFont::Load(source, size, style);
}
