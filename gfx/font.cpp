#include "gfx/font.h"

#include <algorithm>
#include <cstring>

#include "gfx/loaders/font_freetype.h"
#include "stream/handler_chain.h"

void RegisterDefaultFont();  // generated with the embedded font (image.cmake)

namespace {

constexpr int32_t kDefaultFirst = 32, kDefaultCount = 96;
constexpr int32_t kDefaultWidth = 8, kDefaultHeight = 16;
constexpr int64_t kDefaultBytes = kDefaultCount * kDefaultHeight;

THandlerChain<TFontLoader> chain;

}  // namespace

void AddFontLoader(const TFontLoaderPtr& loader) {
  chain.Add(loader);
}

void RemoveFontLoader(const TFontLoader* loader) { chain.Remove(loader); }

TFontLoaderPtr FontLoaders() {
  static const bool started = [] {
    AddFontLoader(std::make_shared<TFreeTypeFontLoader>());
    return true;
  }();
  (void)started;
  return chain.Head();
}

TFontPtr LoadFont(const TUrl& source, int32_t size, int32_t style) {
  for (TFontLoaderPtr l = FontLoaders(); l; l = l->_succ)
    if (TFontPtr font = l->LoadFont(source, size, style)) return font;
  return nullptr;
}

TGlyphPixels TImageGlyph::Pixels() {
  if (_image) return _image;
  return {};
}

float TImageGlyph::Advance() { return _advance; }

void TImageGlyph::GetRect(int32_t& x, int32_t& y, int32_t& width, int32_t& height) {
  x = _x, y = _y, width = _w, height = _h;
}

int32_t TImageFont::Style() { return _src_font ? _src_font->Style() : 0; }

int32_t TImageFont::Height() { return _src_font ? _src_font->Height() : kDefaultHeight; }

int32_t TImageFont::CountGlyphs() { return static_cast<int32_t>(_glyphs.size()); }

int32_t TImageFont::CharToGlyph(int32_t character) {
  if (_src_font) return _src_font->CharToGlyph(character);
  if (character >= kDefaultFirst && character < kDefaultFirst + kDefaultCount)
    return character - kDefaultFirst;
  return -1;
}

TImageGlyphPtr TImageFont::LoadGlyph(int32_t index) {
  if (index < 0 || index >= CountGlyphs()) return nullptr;
  if (_glyphs[index]) return _glyphs[index];
  auto glyph = std::make_shared<TImageGlyph>();
  _glyphs[index] = glyph;
  TGlyphPtr src = _src_font ? _src_font->LoadGlyph(index) : nullptr;
  if (!src) return glyph;
  glyph->_advance = src->Advance();
  src->GetRect(glyph->_x, glyph->_y, glyph->_w, glyph->_h);
  TGlyphPixels pixels = src->Pixels();
  if (const TPixmapPtr* p = std::get_if<TPixmapPtr>(&pixels); p && *p)
    glyph->_image = TImage::Load((*p)->Copy(), _imageFlags, 0, 0, 0);
  return glyph;
}

void TImageFont::Draw(std::u16string_view text, float x, float y, float ix, float iy, float jx,
                      float jy) {
  for (char16_t c : text) {
    const int32_t i = CharToGlyph(c);
    if (i < 0) continue;
    TImageGlyphPtr g = LoadGlyph(i);
    if (!g) continue;
    if (g->_image) {
      if (TImageFramePtr f = g->_image->Frame(0)) {
        const float gx = static_cast<float>(g->_x), gy = static_cast<float>(g->_y);
        f->Draw(0.0f, 0.0f, static_cast<float>(g->_image->width),
                static_cast<float>(g->_image->height), gx * ix + gy * iy + x,
                gx * jx + gy * jy + y);
      }
    }
    x += ix * g->_advance;
    y += jx * g->_advance;
  }
}

TImageFontPtr TImageFont::Load(const TUrl& source, int32_t size, int32_t style) {
  TFontPtr src = LoadFont(source, size, style);
  if (!src) return nullptr;
  auto font = std::make_shared<TImageFont>();
  font->_src_font = src;
  font->_glyphs.resize(static_cast<size_t>(std::max(src->CountGlyphs(), 0)));
  font->_imageFlags = (style & FontSmooth) ? (ImageFiltered | ImageMipmapped) : 0;
  return font;
}

TImageFontPtr TImageFont::CreateDefault() {
  RegisterDefaultFont();
  auto font = std::make_shared<TImageFont>();
  font->_glyphs.resize(kDefaultCount);
  const auto* bits = static_cast<const uint8_t*>(EmbeddedData(u"vantlefont.bin"));
  TPixmapPtr sheet;
  // Without its bytes the font still measures text; it only draws nothing.
  if (bits && EmbeddedSize(u"vantlefont.bin") >= kDefaultBytes)
    sheet = TPixmap::Create(kDefaultCount * kDefaultWidth, kDefaultHeight, RGBA32, 4);
  if (sheet) {
    for (int32_t row = 0; row < kDefaultHeight; ++row) {
      auto* out = reinterpret_cast<uint32_t*>(sheet->PixelPtr(0, row));
      for (int32_t j = 0; j < kDefaultCount; ++j) {
        const uint8_t b = bits[row * kDefaultCount + j];
        for (int32_t k = 0; k < kDefaultWidth; ++k)
          out[j * kDefaultWidth + k] = (b >> k) & 1 ? 0xFFFFFFFFu : 0u;
      }
    }
  }
  for (int32_t i = 0; i < kDefaultCount; ++i) {
    auto glyph = std::make_shared<TImageGlyph>();
    glyph->_advance = static_cast<float>(kDefaultWidth);
    glyph->_w = kDefaultWidth;
    glyph->_h = kDefaultHeight;
    if (sheet) {
      TPixmapPtr cell = sheet->Window(i * kDefaultWidth, 0, kDefaultWidth, kDefaultHeight);
      if (cell) glyph->_image = TImage::Load(cell->Copy(), 0, 0, 0, 0);
    }
    font->_glyphs[i] = glyph;
  }
  return font;
}

TImageFontPtr OpenImageFont(const TUrl& source, int32_t size, int32_t style) {
  return TImageFont::Load(source, size, style);
}

TImageFontPtr DefaultImageFont() {
  static const TImageFontPtr font = TImageFont::CreateDefault();
  return font;
}
