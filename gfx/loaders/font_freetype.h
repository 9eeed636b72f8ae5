// Source fonts over FreeType: TrueType and other outline (or bitmap) fonts opened from a
// file or, for stream URLs such as "incbin::...", from bytes the font owns, with glyphs
// rendered at a pixel size into one-byte coverage pixmaps. Builds on font.h and FreeType 2.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/font.h"

struct FT_FaceRec_;

// Plain copies of FreeType's public records, field for field.
struct FTBBox {
  int64_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

struct FTFace {
  int64_t num_faces = 0, face_index = 0, face_flags = 0, style_flags = 0, num_glyphs = 0;
  std::string family_name, style_name;
  int32_t num_fixed_sizes = 0;
  std::vector<int32_t> fixed_heights;  // pixel height of each fixed size
  int32_t num_charmaps = 0;
  FTBBox bbox;
  int32_t units_per_EM = 0;
  int32_t ascender = 0, descender = 0, height = 0;
  int32_t max_advance_width = 0, max_advance_height = 0;
  int32_t underline_position = 0, underline_thickness = 0;
};

struct FTMetrics {
  int32_t x_ppem = 0, y_ppem = 0;
  int64_t x_scale = 0, y_scale = 0;
  int64_t ascender = 0, descender = 0, height = 0, max_advance = 0;  // 26.6 fixed point
};

// FreeType's pixel modes, as far as glyph pictures are made from them.
inline constexpr int32_t FTPixelModeMono = 1;   // one bit per pixel, most significant first
inline constexpr int32_t FTPixelModeGray = 2;   // one byte per pixel, num_grays levels
inline constexpr int32_t FTPixelModeGray2 = 3;  // two bits per pixel
inline constexpr int32_t FTPixelModeGray4 = 4;  // four bits per pixel
inline constexpr int32_t FTPixelModeBgra = 7;   // four bytes per pixel, premultiplied

struct FTGlyph {
  int64_t width = 0, height = 0, horiBearingX = 0, horiBearingY = 0, horiAdvance = 0;
  int64_t vertBearingX = 0, vertBearingY = 0, vertAdvance = 0;  // metrics, 26.6
  int64_t linearHoriAdvance = 0, linearVertAdvance = 0;
  int64_t advance_x = 0, advance_y = 0;  // 26.6
  int32_t format = 0;
  int32_t bitmap_rows = 0, bitmap_width = 0, bitmap_pitch = 0;  // pitch < 0: rows go up
  const uint8_t* bitmap_buffer = nullptr;
  int32_t bitmap_num_grays = 0, bitmap_pixel_mode = 0;
  int32_t bitmap_left = 0, bitmap_top = 0;
};

class TFreeTypeGlyph : public TGlyph {
 public:
  TPixmapPtr _pixmap;  // null for an empty glyph
  float _advance = 0.0f;
  int32_t _x = 0, _y = 0, _w = 0, _h = 0;

  TGlyphPixels Pixels() override;
  float Advance() override;
  void GetRect(int32_t& x, int32_t& y, int32_t& width, int32_t& height) override;

  // The glyph of a rendered slot in a font of that ascender and style: a WhiteAlpha8 picture
  // of the coverage, with a one-pixel clear border for FontSmooth.
  static std::shared_ptr<TFreeTypeGlyph> FromSlot(const FTGlyph& slot, int32_t ascend,
                                                  int32_t style);
};
using TFreeTypeGlyphPtr = std::shared_ptr<TFreeTypeGlyph>;

class TFreeTypeFont;
using TFreeTypeFontPtr = std::shared_ptr<TFreeTypeFont>;

// A glyph wider or taller than this many ems (of the size that was set) loads empty: only
// a damaged font draws one, and rendering it would cost far more than any text.
inline constexpr int32_t kMaxGlyphEms = 16;

class TFreeTypeFont : public TFont {
 public:
  FTFace _face;
  FTMetrics _metrics;  // of the size that was set
  FT_FaceRec_* _ft_face = nullptr;
  int32_t _style = 0;
  int32_t _height = 0, _ascend = 0, _descend = 0;  // pixels
  int32_t _size = 0;                               // the pixel size that was set
  std::vector<TFreeTypeGlyphPtr> _glyphs;          // one slot per glyph, null until loaded
  std::vector<uint8_t> _buf;                       // the file's bytes for a face in memory

  TFreeTypeFont() = default;
  TFreeTypeFont(const TFreeTypeFont&) = delete;
  TFreeTypeFont& operator=(const TFreeTypeFont&) = delete;
  ~TFreeTypeFont() override;  // closes the face, then lets the bytes go

  int32_t Style() override;
  int32_t Height() override;
  int32_t CountGlyphs() override;
  int32_t CharToGlyph(int32_t character) override;  // FreeType's index minus 1
  TGlyphPtr LoadGlyph(int32_t index) override;

  // Null for an unreadable or empty source, a face FreeType refuses, or no pixel size from
  // `size` down to 1 that the face accepts.
  static TFreeTypeFontPtr Load(const TUrl& source, int32_t size, int32_t style);
};

class TFreeTypeFontLoader : public TFontLoader {
 public:
  TFontPtr LoadFont(const TUrl& source, int32_t size, int32_t style) override;
};
