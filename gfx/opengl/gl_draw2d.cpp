#include "gfx/opengl/gl_draw2d.h"

#include <SDL_opengl.h>

#include <algorithm>
#include <cmath>

#include "gfx/opengl/gl_draw2d_internal.h"
#include "gfx/opengl/gl_graphics_internal.h"
#include "gfx/image.h"
#include "stream/core.h"

namespace {

// Process-wide, shared by every context; ResetGLContext starts them afresh.
int32_t applied_blend = 0;
GLuint bound_texture = 0;
bool texturing = false;
float m_ix = 1.0f, m_iy = 0.0f, m_jx = 0.0f, m_jy = 1.0f;
uint8_t color[4] = {255, 255, 255, 255};

void TexturingOn() {
  if (!texturing) {
    glEnable(GL_TEXTURE_2D);
    texturing = true;
  }
}

void TexturingOff() {
  if (texturing) {
    glDisable(GL_TEXTURE_2D);
    texturing = false;
  }
}

void BindTexture(GLuint name) {
  if (name != bound_texture) {
    glBindTexture(GL_TEXTURE_2D, name);
    bound_texture = name;
  }
}

void ApplyBlend(int32_t mode) {
  switch (mode) {
    case BlendMask:
      glDisable(GL_BLEND);
      glEnable(GL_ALPHA_TEST);
      glAlphaFunc(GL_GEQUAL, 0.5f);
      break;
    case BlendAlpha:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glDisable(GL_ALPHA_TEST);
      break;
    case BlendAdd:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      glDisable(GL_ALPHA_TEST);
      break;
    case BlendMultiply:
      glEnable(GL_BLEND);
      glBlendFunc(GL_DST_COLOR, GL_ZERO);
      glDisable(GL_ALPHA_TEST);
      break;
    default:  // BlendSolid and anything unknown
      glDisable(GL_BLEND);
      glDisable(GL_ALPHA_TEST);
      break;
  }
}

uint8_t ClampByte(int32_t v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

void Vertex(float x, float y, float tx, float ty) {
  glVertex2f(x * m_ix + y * m_iy + tx, x * m_jx + y * m_jy + ty);
}

// With the texture bound: allocate level 0 and, with mipmaps, every level down to 1 x 1.
void AllocateLevels(int32_t width, int32_t height, bool mipmapped) {
  for (int32_t level = 0;; ++level) {
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    if (!mipmapped || (width == 1 && height == 1)) break;
    if (width > 1) width /= 2;
    if (height > 1) height /= 2;
  }
}

GLuint CreateTex(int32_t width, int32_t height, int32_t flags) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);  // the shared context's own binding, not the cache's
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  bool mipmapped = flags & ImageMipmapped;
  if (flags & ImageFiltered) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
  } else {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    mipmapped ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST);
  }
  AllocateLevels(width, height, mipmapped);
  return name;
}

void UploadTex(TPixmapPtr pixmap, int32_t flags) {
  bool mipmapped = flags & ImageMipmapped;
  for (int32_t level = 0; pixmap; ++level) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, pixmap->pitch / BytesPerPixel[pixmap->format]);
    glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, pixmap->width, pixmap->height, GL_RGBA,
                    GL_UNSIGNED_BYTE, pixmap->pixels);
    if (!mipmapped) break;
    pixmap = NextMipLevel(pixmap);
  }
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

}  // namespace

int32_t NextPow2(int32_t n) {
  int32_t p = 1;
  while (p < n && p < (1 << 30)) p <<= 1;
  return p;
}

TPixmapPtr NextMipLevel(const TPixmapPtr& level) {
  if (level->width == 1 && level->height == 1) return nullptr;
  return ScalePixmap(level, level->width > 1 ? level->width / 2 : 1,
                     level->height > 1 ? level->height / 2 : 1);
}

TPixmapPtr TextureSource(const TPixmapPtr& pixmap, int32_t tex_w, int32_t tex_h, int32_t& used_w,
                         int32_t& used_h) {
  used_w = std::min(pixmap->width, tex_w);
  used_h = std::min(pixmap->height, tex_h);
  TPixmapPtr src = pixmap;
  if (used_w != pixmap->width || used_h != pixmap->height) {
    src = ScalePixmap(pixmap, used_w, used_h);
    if (!src) return nullptr;
  }
  if (used_w < tex_w || used_h < tex_h) {
    TPixmapPtr padded = TPixmap::Create(tex_w, tex_h, RGBA32, 4);
    if (!padded) return nullptr;
    padded->ClearPixels(0);  // the padding beyond the smeared edge is transparent black
    padded->Paste(src, 0, 0);
    // The edge is smeared one pixel outwards so that filtering never picks up padding.
    if (used_w < tex_w) padded->Paste(src->Window(used_w - 1, 0, 1, used_h), used_w, 0);
    if (used_h < tex_h) {
      padded->Paste(src->Window(0, used_h - 1, used_w, 1), 0, used_h);
      if (used_w < tex_w) padded->Paste(src->Window(used_w - 1, used_h - 1, 1, 1), used_w, used_h);
    }
    return padded;
  }
  return src->format == RGBA32 ? src : src->Convert(RGBA32);
}

void AdjustTexSize(int32_t& width, int32_t& height) {
  int32_t w = NextPow2(width), h = NextPow2(height);
  for (;;) {
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 4, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint got = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &got);
    if (got != 0) break;
    if (w == 1 && h == 1) throw TRuntimeError("Unable to calculate tex size");
    if (w > 1) w /= 2;
    if (h > 1) h /= 2;
  }
  width = w;
  height = h;
}

const uint8_t* GLDrawColorBytes() { return color; }

int32_t OvalSegments(float width, float height) {
  float xr = width * 0.5f, yr = height * 0.5f;
  int32_t n = static_cast<int32_t>(std::fabs(xr) + std::fabs(yr));
  if (n < 12) n = 12;
  return n & ~3;
}

TGLImageFrame::~TGLImageFrame() {
  if (seq == 0) return;
  seq = 0;
  if (!GLSharedContextAlive()) return;
  TGLGraphicsDriver& gl = TheGLGraphicsDriver();
  gl.SwapSharedContext();
  GLuint n = static_cast<GLuint>(name);
  glDeleteTextures(1, &n);
  gl.SwapSharedContext();
  // The name may come back for a new texture; the current context must then bind again.
  if (bound_texture == n) bound_texture = 0;
}

void TGLImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty) {
  BindTexture(static_cast<GLuint>(name));
  TexturingOn();
  glBegin(GL_QUADS);
  glTexCoord2f(u0, v0);
  Vertex(x0, y0, tx, ty);
  glTexCoord2f(u1, v0);
  Vertex(x1, y0, tx, ty);
  glTexCoord2f(u1, v1);
  Vertex(x1, y1, tx, ty);
  glTexCoord2f(u0, v1);
  Vertex(x0, y1, tx, ty);
  glEnd();
}

std::shared_ptr<TGLImageFrame> TGLImageFrame::CreateFromPixmap(const TPixmapPtr& pixmap,
                                                               int32_t flags) {
  if (!pixmap || pixmap->width <= 0 || pixmap->height <= 0) return nullptr;
  int32_t tex_w = pixmap->width, tex_h = pixmap->height;
  AdjustTexSize(tex_w, tex_h);
  int32_t used_w = 0, used_h = 0;
  TPixmapPtr src = TextureSource(pixmap, tex_w, tex_h, used_w, used_h);
  if (!src) return nullptr;
  auto frame = std::make_shared<TGLImageFrame>();
  frame->name = static_cast<int32_t>(CreateTex(tex_w, tex_h, flags));
  UploadTex(src, flags);
  frame->u0 = frame->v0 = 0.0f;
  frame->u1 = static_cast<float>(used_w) / static_cast<float>(tex_w);
  frame->v1 = static_cast<float>(used_h) / static_cast<float>(tex_h);
  frame->seq = GraphicsSeq();
  return frame;
}

std::vector<TGraphicsMode> TGLDraw2DDriver::GraphicsModes() {
  return TheGLGraphicsDriver().GraphicsModes();
}

TGraphicsPtr TGLDraw2DDriver::AttachGraphics(const void* widget, int32_t flags) {
  TGraphicsPtr g = TheGLGraphicsDriver().AttachGraphics(widget, flags);
  if (!g) return nullptr;
  return TDraw2DGraphics::Create(g, this);
}

TGraphicsPtr TGLDraw2DDriver::CreateGraphics(int32_t width, int32_t height, int32_t depth,
                                             int32_t hertz, int32_t flags) {
  TGraphicsPtr g = TheGLGraphicsDriver().CreateGraphics(width, height, depth, hertz, flags);
  if (!g) return nullptr;
  return TDraw2DGraphics::Create(g, this);
}

void TGLDraw2DDriver::SetGraphics(const TGraphicsPtr& g) {
  if (!g) {
    TDraw2DGraphics::ClearCurrent();
    TheGLGraphicsDriver().SetGraphics(nullptr);
    return;
  }
  auto d2 = std::dynamic_pointer_cast<TDraw2DGraphics>(g);
  if (!d2) {
    TheGLGraphicsDriver().SetGraphics(g);
    return;
  }
  TheGLGraphicsDriver().SetGraphics(d2->_graphics);
  ResetGLContext(g);
  d2->MakeCurrent();
}

void TGLDraw2DDriver::Flip(int32_t sync) { TheGLGraphicsDriver().Flip(sync); }

int32_t TGLDraw2DDriver::DisplayHertz() { return TheGLGraphicsDriver().DisplayHertz(); }
void TGLDraw2DDriver::FinishFrame() { TheGLGraphicsDriver().FinishFrame(); }

void TGLDraw2DDriver::SetIcon(const std::shared_ptr<TPixmap>& pixmap) {
  TheGLGraphicsDriver().SetIcon(pixmap);
}

void TGLDraw2DDriver::ResetGLContext(const TGraphicsPtr& g) {
  int32_t width = 0, height = 0, depth, hertz, flags;
  g->GetSettings(width, height, depth, hertz, flags);
  applied_blend = 0;
  bound_texture = 0;
  texturing = false;
  glDisable(GL_TEXTURE_2D);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glViewport(0, 0, width, height);
}

TImageFramePtr TGLDraw2DDriver::CreateFrameFromPixmap(const TPixmapPtr& pixmap, int32_t flags) {
  TGLGraphicsDriver& gl = TheGLGraphicsDriver();
  gl.SwapSharedContext();
  std::shared_ptr<TGLImageFrame> frame;
  try {
    frame = TGLImageFrame::CreateFromPixmap(pixmap, flags);
  } catch (...) {
    gl.SwapSharedContext();
    throw;
  }
  gl.SwapSharedContext();
  return frame;
}

void TGLDraw2DDriver::SetBlend(int32_t mode) {
  if (mode == applied_blend) return;
  applied_blend = mode;
  ApplyBlend(mode);
}

void TGLDraw2DDriver::SetAlpha(float alpha) {
  float a = std::clamp(alpha, 0.0f, 1.0f);
  if (std::isnan(alpha)) a = 0.0f;
  color[3] = static_cast<uint8_t>(a * 255.0f);
  glColor4ubv(color);
}

void TGLDraw2DDriver::SetColor(int32_t red, int32_t green, int32_t blue) {
  color[0] = ClampByte(red);
  color[1] = ClampByte(green);
  color[2] = ClampByte(blue);
  glColor4ubv(color);
}

void TGLDraw2DDriver::SetClsColor(int32_t red, int32_t green, int32_t blue) {
  glClearColor(ClampByte(red) / 255.0f, ClampByte(green) / 255.0f, ClampByte(blue) / 255.0f, 1.0f);
}

void TGLDraw2DDriver::SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  int32_t cw = CurrentGraphicsWidth(), ch = CurrentGraphicsHeight();
  if (x == 0 && y == 0 && width == cw && height == ch) {
    glDisable(GL_SCISSOR_TEST);
  } else {
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, ch - y - height, std::max(width, 0), std::max(height, 0));
  }
}

void TGLDraw2DDriver::SetTransform(float ix, float iy, float jx, float jy) {
  m_ix = ix;
  m_iy = iy;
  m_jx = jx;
  m_jy = jy;
}

void TGLDraw2DDriver::SetLineWidth(float width) { glLineWidth(width); }

void TGLDraw2DDriver::Cls() { glClear(GL_COLOR_BUFFER_BIT); }

void TGLDraw2DDriver::Plot(float x, float y) {
  TexturingOff();
  glBegin(GL_POINTS);
  glVertex2f(x + 0.5f, y + 0.5f);
  glEnd();
}

void TGLDraw2DDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) {
  TexturingOff();
  glBegin(GL_LINES);
  Vertex(x0, y0, tx + 0.5f, ty + 0.5f);
  Vertex(x1, y1, tx + 0.5f, ty + 0.5f);
  glEnd();
}

void TGLDraw2DDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
  TexturingOff();
  glBegin(GL_QUADS);
  Vertex(x0, y0, tx, ty);
  Vertex(x1, y0, tx, ty);
  Vertex(x1, y1, tx, ty);
  Vertex(x0, y1, tx, ty);
  glEnd();
}

void TGLDraw2DDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) {
  float xr = (x1 - x0) * 0.5f, yr = (y1 - y0) * 0.5f;
  float cx = x0 + xr, cy = y0 + yr;
  int32_t n = OvalSegments(x1 - x0, y1 - y0);
  TexturingOff();
  glBegin(GL_POLYGON);
  for (int32_t i = 0; i < n; ++i) {
    double angle = i * 360.0 / n * 3.14159265358979323846 / 180.0;
    Vertex(cx + xr * static_cast<float>(std::cos(angle)),
           cy - yr * static_cast<float>(std::sin(angle)), tx, ty);
  }
  glEnd();
}

void TGLDraw2DDriver::DrawPoly(const std::vector<float>& xy, float handle_x, float handle_y,
                               float origin_x, float origin_y) {
  if (xy.size() < 6 || xy.size() % 2 != 0) return;
  TexturingOff();
  glBegin(GL_POLYGON);
  for (size_t i = 0; i < xy.size(); i += 2) {
    float x = xy[i] + handle_x, y = xy[i + 1] + handle_y;
    glVertex2f(x * m_ix + y * m_iy + origin_x, x * m_jx + y * m_jy + origin_y);
  }
  glEnd();
}

void TGLDraw2DDriver::DrawPixmap(const TPixmapPtr& pixmap, int32_t x, int32_t y) {
  if (!pixmap || pixmap->width <= 0 || pixmap->height <= 0) return;
  TPixmapPtr flipped = FlipPixmapY(pixmap);
  if (flipped && flipped->format != RGBA32) flipped = flipped->Convert(RGBA32);
  if (!flipped) return;
  int32_t blend = applied_blend;
  TexturingOff();
  SetBlend(BlendSolid);
  glRasterPos2i(0, 0);
  glBitmap(0, 0, 0, 0, static_cast<float>(x), static_cast<float>(-y - flipped->height), nullptr);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, flipped->pitch / 4);
  glDrawPixels(flipped->width, flipped->height, GL_RGBA, GL_UNSIGNED_BYTE, flipped->pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  SetBlend(blend);
}

TPixmapPtr TGLDraw2DDriver::GrabPixmap(int32_t x, int32_t y, int32_t width, int32_t height) {
  int32_t blend = applied_blend;
  SetBlend(BlendSolid);
  TPixmapPtr grab = TPixmap::Create(width, height, RGBA32, 4);
  if (!grab) {
    SetBlend(blend);
    return nullptr;
  }
  int32_t ch = CurrentGraphicsHeight();
  if (width > 0 && height > 0) {
    // What lies outside the frame buffer reads as black, not as old memory.
    if (x < 0 || y < 0 || x + width > CurrentGraphicsWidth() || y + height > ch) {
      grab->ClearPixels(0);
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, grab->pitch / 4);
    glReadPixels(x, ch - y - height, width, height, GL_RGBA, GL_UNSIGNED_BYTE, grab->pixels);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    // A frame buffer without an alpha buffer asked for reads as opaque everywhere.
    if (!(CurrentGraphicsFlags() & GraphicsAlphaBuffer)) {
      for (int32_t row = 0; row < height; ++row) {
        uint8_t* p = grab->PixelPtr(0, row);
        for (int32_t i = 0; i < width; ++i) p[i * 4 + 3] = 255;
      }
    }
  }
  TPixmapPtr flipped = FlipPixmapY(grab);
  SetBlend(blend);
  return flipped;
}

TGLDraw2DDriver& TheGLDraw2DDriver() {
  static TGLDraw2DDriver* driver = new TGLDraw2DDriver;
  return *driver;
}

void StartGLDraw2DDriver() {
  static bool started = false;
  if (started) return;
  started = true;
  StartGLGraphicsDriver();
  SelectGraphicsDriver(&TheGLDraw2DDriver(), GraphicsBackBuffer);
}

