// Image fonts: glyphs of a source font (from the loader chain) turned into small images on
// first use and drawn as a row of them along the current matrix; the built-in 8 x 16 font
// serves as default. Also the text operations of the drawing state. Builds on image.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "gfx/image.h"
#include "gfx/pixmap.h"
#include "stream/stream.h"

// Style bits; the others are only stored and answered by Style().
inline constexpr int32_t FontSmooth = 4;  // filtered, mipmapped glyphs with a transparent border

// A glyph's picture: a pixmap for a source font, an image for an image font, or nothing.
using TGlyphPixels = std::variant<std::monostate, TPixmapPtr, TImagePtr>;

class TGlyph {
 public:
  virtual ~TGlyph() = default;
  virtual TGlyphPixels Pixels() = 0;
  virtual float Advance() = 0;  // pixels to move the pen on
  // The picture's offset from the pen at the top of the line, and its size.
  virtual void GetRect(int32_t& x, int32_t& y, int32_t& width, int32_t& height) = 0;
};
using TGlyphPtr = std::shared_ptr<TGlyph>;

class TFont {
 public:
  virtual ~TFont() = default;
  virtual int32_t Style() = 0;
  virtual int32_t Height() = 0;
  virtual int32_t CountGlyphs() = 0;
  virtual int32_t CharToGlyph(int32_t character) = 0;  // -1: the font lacks it
  virtual TGlyphPtr LoadGlyph(int32_t index) = 0;      // null for an index out of range
};
using TFontPtr = std::shared_ptr<TFont>;

// A link of the font loader chain; LoadFont answers null for a source it does not take.
class TFontLoader {
 public:
  virtual ~TFontLoader() = default;
  virtual TFontPtr LoadFont(const TUrl& source, int32_t size, int32_t style) = 0;
  std::shared_ptr<TFontLoader> _succ;
};
using TFontLoaderPtr = std::shared_ptr<TFontLoader>;

// Puts the loader at the head of the chain; a null one is refused, and one already in the
// chain is left where it is.
void AddFontLoader(const TFontLoaderPtr& loader);
// The head of the chain; the first call adds the FreeType loader.
TFontLoaderPtr FontLoaders();
// The first font a loader of the chain gives, or null.
TFontPtr LoadFont(const TUrl& source, int32_t size, int32_t style);

class TImageGlyph : public TGlyph {
 public:
  TImagePtr _image;
  float _advance = 0.0f;
  int32_t _x = 0, _y = 0, _w = 0, _h = 0;

  TGlyphPixels Pixels() override;
  float Advance() override;
  void GetRect(int32_t& x, int32_t& y, int32_t& width, int32_t& height) override;
};
using TImageGlyphPtr = std::shared_ptr<TImageGlyph>;

class TImageFont;
using TImageFontPtr = std::shared_ptr<TImageFont>;

class TImageFont {
 public:
  TFontPtr _src_font;                   // null for the default font
  std::vector<TImageGlyphPtr> _glyphs;  // null until loaded
  int32_t _imageFlags = 0;              // ImageFiltered | ImageMipmapped for smooth fonts

  virtual ~TImageFont() = default;
  virtual int32_t Style();
  virtual int32_t Height();
  virtual int32_t CountGlyphs();
  virtual int32_t CharToGlyph(int32_t character);
  virtual TImageGlyphPtr LoadGlyph(int32_t index);  // null for an index out of range
  // Draws the text with the pen starting at (x, y), the top-left of the line, moving along
  // the matrix's first column (ix, jx); characters without a glyph are skipped.
  virtual void Draw(std::u16string_view text, float x, float y, float ix, float iy, float jx,
                    float jy);

  static TImageFontPtr Load(const TUrl& source, int32_t size, int32_t style);
  // The built-in 8 x 16 font of the characters 32-127, from "vantlefont.bin".
  static TImageFontPtr CreateDefault();
};

TImageFontPtr OpenImageFont(const TUrl& source, int32_t size, int32_t style);
TImageFontPtr DefaultImageFont();  // made once, on first use

// Text through the current context's font, with the drawing handle turned by the matrix.
void DrawString(std::u16string_view text, float x, float y);
int32_t StringWidth(std::u16string_view text);  // advances summed, truncated at each step
int32_t FontLineHeight();
void SelectImageFont(const TImageFontPtr& font);  // null selects the default font
TImageFontPtr CurrentImageFont();
