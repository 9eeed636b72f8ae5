// The text operations of the drawing state: they go through the current context's font.
#include "gfx/draw2d.h"
#include "gfx/font.h"

void DrawString(std::u16string_view text, float x, float y) {
  TDraw2DGraphicsPtr g = TDraw2DGraphics::Current();
  if (!g) return;
  TImageFontPtr font = CurrentImageFont();
  // The drawing handle is stored negated and turned by the matrix, like the glyphs.
  const float tx = x + g->origin_x + g->handle_x * g->tform_ix + g->handle_y * g->tform_iy;
  const float ty = y + g->origin_y + g->handle_x * g->tform_jx + g->handle_y * g->tform_jy;
  font->Draw(text, tx, ty, g->tform_ix, g->tform_iy, g->tform_jx, g->tform_jy);
}

int32_t StringWidth(std::u16string_view text) {
  TImageFontPtr font = CurrentImageFont();
  int32_t width = 0;
  for (char16_t c : text) {
    const int32_t i = font->CharToGlyph(c);
    if (i < 0) continue;
    if (TImageGlyphPtr glyph = font->LoadGlyph(i))
      width = static_cast<int32_t>(static_cast<float>(width) + glyph->Advance());
  }
  return width;
}

int32_t FontLineHeight() { return CurrentImageFont()->Height(); }

void SelectImageFont(const TImageFontPtr& font) {
  if (TDraw2DGraphicsPtr g = TDraw2DGraphics::Current()) g->image_font = font;
}

TImageFontPtr CurrentImageFont() {
  TDraw2DGraphicsPtr g = TDraw2DGraphics::Current();
  if (g && g->image_font) return g->image_font;
  return DefaultImageFont();
}
