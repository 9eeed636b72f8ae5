#include "gfx/opengl/gl_util.h"

#include <SDL_opengl.h>

#include "gfx/opengl/gl_draw2d_internal.h"
#include "gfx/image.h"
#include "stream/stream.h"

void RegisterGLTextFont();  // generated with the embedded font

namespace {

GLuint font_texture = 0;
bool font_tried = false;

// Saves what the helpers touch and sets one unit to one pixel over the current viewport.
void BeginPixelSpace() {
  glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_TRANSFORM_BIT | GL_COLOR_BUFFER_BIT |
               GL_CURRENT_BIT);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, vp[2], vp[3], 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
}

void EndPixelSpace() {
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glPopClientAttrib();
  glPopAttrib();
}

GLuint FontTexture() {
  if (font_tried) return font_texture;
  font_tried = true;
  RegisterGLTextFont();
  const auto* bits = static_cast<const uint8_t*>(EmbeddedData(u"gldrawtextfont.bin"));
  if (!bits || EmbeddedSize(u"gldrawtextfont.bin") != GLTextFontBytes) return 0;
  TPixmapPtr sheet = TPixmap::Create(1024, 16, RGBA32, 4);
  if (!sheet) return 0;
  sheet->ClearPixels(0);
  for (int32_t row = 0; row < 16; ++row) {
    for (int32_t ch = 0; ch < 96; ++ch) {
      uint8_t b = bits[row * 96 + ch];
      for (int32_t k = 0; k < 8; ++k) {
        if (b & (1 << k)) sheet->WritePixel(ch * 8 + k, row, 0xFFFFFFFFu);
      }
    }
  }
  int32_t tw = 0, th = 0;
  font_texture = GLTexFromPixmap(sheet, false, &tw, &th);
  glBindTexture(GL_TEXTURE_2D, font_texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  return font_texture;
}

}  // namespace

uint32_t GLTexFromPixmap(const TPixmapPtr& pixmap, bool mipmapped, int32_t* tex_width,
                         int32_t* tex_height) {
  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  auto frame = TGLImageFrame::CreateFromPixmap(pixmap, ImageFiltered | (mipmapped ? ImageMipmapped : 0));
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
  if (!frame) return 0;
  uint32_t name = static_cast<uint32_t>(frame->name);
  int32_t tw = pixmap->width, th = pixmap->height;
  AdjustTexSize(tw, th);
  if (tex_width) *tex_width = tw;
  if (tex_height) *tex_height = th;
  frame->seq = 0;  // the texture now belongs to the caller
  return name;
}

void GLDrawRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  BeginPixelSpace();
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  glVertex2i(x, y);
  glVertex2i(x + width, y);
  glVertex2i(x + width, y + height);
  glVertex2i(x, y + height);
  glEnd();
  EndPixelSpace();
}

void GLDrawPixmap(const TPixmapPtr& pixmap, int32_t x, int32_t y) {
  if (!pixmap || pixmap->width <= 0 || pixmap->height <= 0) return;
  TPixmapPtr flipped = FlipPixmapY(pixmap);
  if (flipped && flipped->format != RGBA32) flipped = flipped->Convert(RGBA32);
  if (!flipped) return;
  BeginPixelSpace();
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  glRasterPos2i(0, 0);
  glBitmap(0, 0, 0, 0, static_cast<float>(x), static_cast<float>(-y - flipped->height), nullptr);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, flipped->pitch / 4);
  glDrawPixels(flipped->width, flipped->height, GL_RGBA, GL_UNSIGNED_BYTE, flipped->pixels);
  EndPixelSpace();
}

void GLDrawText(const std::u16string& text, int32_t x, int32_t y) {
  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  GLuint tex = FontTexture();
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
  if (!tex) return;
  BeginPixelSpace();
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, tex);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_ALPHA_TEST);
  glBegin(GL_QUADS);
  int32_t cx = x;
  for (char16_t c : text) {
    if (c < 32 || c > 127) continue;
    float u0 = (c - 32) * 8 / 1024.0f, u1 = ((c - 32) * 8 + 8) / 1024.0f;
    glTexCoord2f(u0, 0);
    glVertex2i(cx, y);
    glTexCoord2f(u1, 0);
    glVertex2i(cx + 8, y);
    glTexCoord2f(u1, 1);
    glVertex2i(cx + 8, y + 16);
    glTexCoord2f(u0, 1);
    glVertex2i(cx, y + 16);
    cx += 8;
  }
  glEnd();
  EndPixelSpace();
}
