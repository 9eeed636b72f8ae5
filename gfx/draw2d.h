// The 2D drawing state: every context the 2D layer makes is a TDraw2DGraphics carrying colour,
// alpha, blend mode, line width, rotation and scale, viewport, origin and handle; global
// operations read and write the current one and forward each change at once to the current
// TDraw2DDriver. Builds on graphics.h (contexts) and pixmap.h; the OpenGL driver is gl_draw2d.h.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/graphics.h"
#include "gfx/pixmap.h"

// Blend modes; any other value acts as BlendSolid.
inline constexpr int32_t BlendMask = 1;      // no blending; alpha below one half is not drawn
inline constexpr int32_t BlendSolid = 2;     // source replaces destination
inline constexpr int32_t BlendAlpha = 3;     // src * a + dst * (1 - a)
inline constexpr int32_t BlendAdd = 4;       // src * a + dst
inline constexpr int32_t BlendMultiply = 5;  // src * dst

class TImageFont;  // fonts, font.h

// A driver's picture of one image frame (an OpenGL texture, for instance).
class TImageFrame {
 public:
  virtual ~TImageFrame() = default;
  // Stretched over the local box, turned by the driver's matrix and moved by (tx, ty).
  virtual void Draw(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
};
using TImageFramePtr = std::shared_ptr<TImageFrame>;

// A graphics driver that also draws. Colours are clamped here, not in the state.
class TDraw2DDriver : public TGraphicsDriver {
 public:
  virtual TImageFramePtr CreateFrameFromPixmap(const TPixmapPtr& pixmap, int32_t flags) = 0;
  virtual void SetBlend(int32_t mode) = 0;
  virtual void SetAlpha(float alpha) = 0;
  virtual void SetColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void SetClsColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  virtual void SetTransform(float ix, float iy, float jx, float jy) = 0;
  virtual void SetLineWidth(float width) = 0;
  virtual void Cls() = 0;                    // the viewport, in the clear colour
  virtual void Plot(float x, float y) = 0;   // one pixel at a screen position
  // Local points (x, y) land at (x * ix + y * iy + tx, x * jx + y * jy + ty).
  virtual void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  virtual void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  virtual void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  // x, y pairs; fewer than three points or an odd count draws nothing.
  virtual void DrawPoly(const std::vector<float>& xy, float handle_x, float handle_y,
                        float origin_x, float origin_y) = 0;
  virtual void DrawPixmap(const TPixmapPtr& pixmap, int32_t x, int32_t y) = 0;  // untransformed
  virtual TPixmapPtr GrabPixmap(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
};

class TDraw2DGraphics;
using TDraw2DGraphicsPtr = std::shared_ptr<TDraw2DGraphics>;

class TDraw2DGraphics : public TGraphics, public std::enable_shared_from_this<TDraw2DGraphics> {
 public:
  int32_t color_red = 255, color_green = 255, color_blue = 255;
  float color_alpha = 1.0f;
  int32_t clscolor_red = 0, clscolor_green = 0, clscolor_blue = 0;
  float line_width = 1.0f;
  float tform_rot = 0.0f;
  float tform_scale_x = 1.0f, tform_scale_y = 1.0f;
  float tform_ix = 1.0f, tform_iy = 0.0f, tform_jx = 0.0f, tform_jy = 1.0f;
  int32_t viewport_x = 0, viewport_y = 0, viewport_w = 0, viewport_h = 0;
  float origin_x = 0.0f, origin_y = 0.0f;
  float handle_x = 0.0f, handle_y = 0.0f;  // stored negated
  std::shared_ptr<TImageFont> image_font;  // null stands for the default font
  int32_t blend_mode = BlendMask;
  TGraphicsPtr _graphics;
  TDraw2DDriver* _driver = nullptr;
  int32_t _setup = 0;

  TGraphicsDriver* Driver() override;
  void GetSettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hertz,
                   int32_t& flags) override;
  void Close() override;
  virtual void Validate();     // pushes every stored value to the driver again
  virtual void MakeCurrent();  // the first time also clears both buffers

  void UpdateMatrix();  // from rotation and scale, to the driver and the collision copy

  static void ClearCurrent();
  static TDraw2DGraphicsPtr Current();
  static TDraw2DGraphicsPtr Create(const TGraphicsPtr& graphics, TDraw2DDriver* driver);
};

TDraw2DDriver* CurrentDraw2DDriver();
// Starts the platform's 2D driver (OpenGL) and selects it, once; programs call this
// instead of naming a driver.
void StartDraw2DGraphics();

// The collision layer's own copy of the matrix, written at every matrix update (drawing
// code may set the driver's matrix on its own, as tiling does).
struct TCollisionTransform {
  float ix = 1.0f, iy = 0.0f, jx = 0.0f, jy = 1.0f;
};
const TCollisionTransform& CollisionTransform();

// State of the current context; without a current context setters do nothing and
// getters answer the start values.
void SetDrawColor(int32_t red, int32_t green, int32_t blue);
void GetDrawColor(int32_t& red, int32_t& green, int32_t& blue);
void SetDrawAlpha(float alpha);
float GetDrawAlpha();
void SetDrawBlend(int32_t mode);
int32_t GetDrawBlend();
void SetClearColor(int32_t red, int32_t green, int32_t blue);
void GetClearColor(int32_t& red, int32_t& green, int32_t& blue);
void SetDrawLineWidth(float width);
float GetDrawLineWidth();
void SetDrawViewport(int32_t x, int32_t y, int32_t width, int32_t height);
void GetDrawViewport(int32_t& x, int32_t& y, int32_t& width, int32_t& height);
void SetDrawOrigin(float x, float y);
void GetDrawOrigin(float& x, float& y);
void SetDrawHandle(float x, float y);
void GetDrawHandle(float& x, float& y);
void SetDrawRotation(float degrees);
float GetDrawRotation();
void SetDrawScale(float scale_x, float scale_y);
void GetDrawScale(float& scale_x, float& scale_y);
void SetDrawTransform(float degrees, float scale_x, float scale_y);

// Primitives: origin and drawing handle are added, the driver applies the matrix.
void ClearScreen();
void PlotPoint(float x, float y);
void FillRect(float x, float y, float width, float height);
void DrawLineSegment(float x0, float y0, float x1, float y1, int32_t last_pixel = 1);
void FillOval(float x, float y, float width, float height);
void FillPoly(const std::vector<float>& xy);
void DrawPixmapAt(const TPixmapPtr& pixmap, int32_t x, int32_t y);  // untransformed
TPixmapPtr GrabScreenPixmap(int32_t x, int32_t y, int32_t width, int32_t height);
