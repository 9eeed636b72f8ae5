// The OpenGL ES 2D driver: the same drawing as the OpenGL driver (gl_draw2d.h), through one
// shader pair and one vertex buffer. Vertices collect in a batch with their colour, and a draw
// is issued only when the texture, blend mode, scissor, primitive kind or line width changes,
// or before a clear, flip, grab or pixel read. Frames of up to 64 x 64 texels share array
// textures (one per filtering mode), so the sprites of a sheet, the stars and the glyphs of a
// text go out in one draw each. Builds on draw2d.h and the OpenGL ES graphics driver
// (gles_graphics.h); where no ES or core context can be made it hands over to the OpenGL one.
#pragma once

#include <cstdint>
#include <memory>

#include "gfx/draw2d.h"
#include "gfx/gles/gles_graphics.h"

struct TGLESTextureArray;

class TGLESImageFrame : public TImageFrame {
 public:
  float u0 = 0.0f, v0 = 0.0f;  // always 0
  float u1 = 0.0f, v1 = 0.0f;  // used size / size of the texture's layer
  float layer = 0.0f;          // the layer of the array texture holding the frame
  int32_t seq = 0;             // GraphicsSeq when made; 0 once its texture is given back
  std::shared_ptr<TGLESTextureArray> _array;

  ~TGLESImageFrame() override;
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override;
};

class TGLESDraw2DDriver : public TDraw2DDriver {
 public:
  std::vector<TGraphicsMode> GraphicsModes() override;
  TGraphicsPtr AttachGraphics(const void* widget, int32_t flags) override;
  TGraphicsPtr CreateGraphics(int32_t width, int32_t height, int32_t depth, int32_t hertz,
                              int32_t flags) override;
  void SetGraphics(const TGraphicsPtr& g) override;
  void Flip(int32_t sync) override;
  std::u16string ToString() const override { return u"OpenGL ES"; }
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

  // The pixel projection, the vertex layout and fresh caches for a context that has just
  // become current.
  virtual void ResetGLContext(const TGraphicsPtr& g);
};

TGLESDraw2DDriver& TheGLESDraw2DDriver();
// Starts the OpenGL driver, then selects this one with GraphicsBackBuffer, once. Its first
// context decides: where neither an OpenGL ES 3.0 nor an OpenGL 3.3 core context can be made,
// or its shaders do not build, the OpenGL driver is selected and makes that context instead.
void StartGLESDraw2DDriver();
