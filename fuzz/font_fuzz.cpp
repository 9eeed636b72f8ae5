// Arbitrary bytes as a font file, opened through the font loader chain at two sizes; the
// characters the font maps in a range are rendered and their glyph pictures read, and a few
// glyphs go through an image font as well. Null fonts and glyphs are fine; a crash is not.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <tuple>
#include <variant>

#include "gfx/font.h"
#include "stream/stream.h"

// Written so the reads below are not optimised away.
volatile uint32_t font_fuzz_sink;

namespace {

void Touch(const TGlyphPtr& glyph) {
  if (!glyph) return;
  int32_t x = 0, y = 0, w = 0, h = 0;
  glyph->GetRect(x, y, w, h);
  uint32_t sum = static_cast<uint32_t>(x + y + w + h) + static_cast<uint32_t>(glyph->Advance());
  const TGlyphPixels pixels = glyph->Pixels();
  if (const auto* p = std::get_if<TPixmapPtr>(&pixels); p && *p) {
    const TPixmapPtr& pixmap = *p;
    for (int32_t row = 0; row < pixmap->height; ++row)
      sum += pixmap->ReadPixel(pixmap->width - 1, row) + pixmap->ReadPixel(0, row);
  }
  font_fuzz_sink = sum;
}

// "fuzz::" opens the current input, so every run reads fresh bytes through the real chain.
const uint8_t* input_data = nullptr;
size_t input_size = 0;
class TInputFactory : public TStreamFactory {
 public:
  TStreamPtr CreateStream(const TUrl&, const std::u16string& protocol, const std::u16string&,
                          bool readable, bool writeable) override {
    if (protocol != u"fuzz" || writeable || !readable) return nullptr;
    return TRamStream::Create(const_cast<uint8_t*>(input_data), static_cast<int64_t>(input_size),
                              true, false);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool added = (AddStreamFactory(std::make_shared<TInputFactory>()), true);
  (void)added;
  input_data = data;
  input_size = size;
  // Two sizes, the smooth one over the characters a text uses, the small one over a few:
  // rendering is most of the cost of an input, and a slow target finds less.
  for (const auto& [px, style, first, last] : {std::tuple{16, FontSmooth, 0, 127}, std::tuple{7, 0, 48, 90}}) {
    TFontPtr font = LoadFont(u"fuzz::font", px, style);
    if (!font) continue;
    font_fuzz_sink = static_cast<uint32_t>(font->Height() + font->CountGlyphs() + font->Style());
    for (int32_t c = first; c <= last; ++c) {
      const int32_t index = font->CharToGlyph(c);
      if (index >= 0) Touch(font->LoadGlyph(index));
    }
    Touch(font->LoadGlyph(-1));
    Touch(font->LoadGlyph(font->CountGlyphs()));
  }
  if (TImageFontPtr image_font = TImageFont::Load(u"fuzz::font", 12, FontSmooth)) {
    for (int32_t c : {0, 65, 103, 0xE9})
      if (const int32_t index = image_font->CharToGlyph(c); index >= 0)
        if (TImageGlyphPtr glyph = image_font->LoadGlyph(index)) font_fuzz_sink = glyph->_w;
  }
  return 0;
}
