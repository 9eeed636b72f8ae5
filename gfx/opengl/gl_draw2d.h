// The OpenGL 2D driver: immediate-mode OpenGL 1.x with a pixel projection, one textured quad
// per image frame, untextured primitives, scissoring for the viewport and cached blend and
// texture state. Its frames are textures made in the shared context, so they serve every
// context. Builds on draw2d.h and the OpenGL graphics driver (gl_graphics.h).
#pragma once

#include <cstdint>

#include "gfx/draw2d.h"
#include "gfx/opengl/gl_graphics.h"

class TGLImageFrame : public TImageFrame {
 public:
  float u0 = 0.0f, v0 = 0.0f;  // always 0
  float u1 = 0.0f, v1 = 0.0f;  // used size / texture size
  int32_t name = 0;            // the texture
  int32_t seq = 0;             // GraphicsSeq when made; 0 once the texture is deleted

  ~TGLImageFrame() override;
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override;
  // A texture holding the pixmap (ImageFiltered and ImageMipmapped of the image flags apply).
  static std::shared_ptr<TGLImageFrame> CreateFromPixmap(const TPixmapPtr& pixmap, int32_t flags);
};

class TGLDraw2DDriver : public TDraw2DDriver {
 public:
  std::vector<TGraphicsMode> GraphicsModes() override;
  TGraphicsPtr AttachGraphics(const void* widget, int32_t flags) override;
  TGraphicsPtr CreateGraphics(int32_t width, int32_t height, int32_t depth, int32_t hertz,
                              int32_t flags) override;
  void SetGraphics(const TGraphicsPtr& g) override;
  void Flip(int32_t sync) override;
  std::u16string ToString() const override { return u"OpenGL"; }
  int32_t DisplayHertz() override;
  void FinishFrame() override;
  void SetIcon(const std::shared_ptr<TPixmap>& pixmap) override;

  TImageFramePtr CreateFrameFromPixmap(const TPixmapPtr& pixmap, int32_t flags) override;
  void SetBlend(int32_t mode) override;
  void SetAlpha(float alpha) override;
  void SetColor(int32_t red, int32_t green, int32_t blue) override;
  void SetClsColor(int32_t red, int32_t green, int32_t blue) override;
  void SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) override;
  void SetTransform(float ix, float iy, float jx, float jy) override;
  void SetLineWidth(float width) override;
  void Cls() override;
  void Plot(float x, float y) override;
  void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void DrawPoly(const std::vector<float>& xy, float handle_x, float handle_y, float origin_x,
                float origin_y) override;
  void DrawPixmap(const TPixmapPtr& pixmap, int32_t x, int32_t y) override;
  TPixmapPtr GrabPixmap(int32_t x, int32_t y, int32_t width, int32_t height) override;

  // Pixel projection and fresh caches for a context that has just become current.
  virtual void ResetGLContext(const TGraphicsPtr& g);
};

TGLDraw2DDriver& TheGLDraw2DDriver();
// Starts the OpenGL graphics driver, then selects the 2D driver with GraphicsBackBuffer, once.
void StartGLDraw2DDriver();
