#include "gfx/draw2d.h"

#include <cmath>

namespace {

TDraw2DGraphicsPtr current_graphics;
TDraw2DDriver* current_driver = nullptr;
TCollisionTransform collision_transform;

TDraw2DGraphics* Cur() { return current_graphics.get(); }

}  // namespace

TGraphicsDriver* TDraw2DGraphics::Driver() { return _driver; }

void TDraw2DGraphics::GetSettings(int32_t& width, int32_t& height, int32_t& depth,
                                  int32_t& hertz, int32_t& flags) {
  if (_graphics) {
    _graphics->GetSettings(width, height, depth, hertz, flags);
  } else {
    width = height = depth = hertz = flags = 0;
  }
}

void TDraw2DGraphics::Close() {
  if (!_graphics) return;
  _graphics->Close();
  _graphics.reset();
  _driver = nullptr;
}

void TDraw2DGraphics::UpdateMatrix() {
  double radians = static_cast<double>(tform_rot) * 3.14159265358979323846 / 180.0;
  double s = std::sin(radians), c = std::cos(radians);
  tform_ix = static_cast<float>(c * tform_scale_x);
  tform_iy = static_cast<float>(-s * tform_scale_y);
  tform_jx = static_cast<float>(s * tform_scale_x);
  tform_jy = static_cast<float>(c * tform_scale_y);
  if (_driver) _driver->SetTransform(tform_ix, tform_iy, tform_jx, tform_jy);
  collision_transform = {tform_ix, tform_iy, tform_jx, tform_jy};
}

void TDraw2DGraphics::Validate() {
  if (!_driver) return;
  _driver->SetBlend(blend_mode);
  _driver->SetColor(color_red, color_green, color_blue);
  _driver->SetAlpha(color_alpha);
  _driver->SetClsColor(clscolor_red, clscolor_green, clscolor_blue);
  _driver->SetLineWidth(line_width);
  UpdateMatrix();  // once for the rotation, once for the scale
  UpdateMatrix();
  _driver->SetViewport(viewport_x, viewport_y, viewport_w, viewport_h);
  // Origin, handle and font are read at each draw; nothing to push.
}

void TDraw2DGraphics::MakeCurrent() {
  current_graphics = shared_from_this();
  current_driver = _driver;
  Validate();
  if (_setup == 0) {
    ClearScreen();
    FlipGraphics(0);
    ClearScreen();
    FlipGraphics(0);
    _setup = 1;
  }
}

void TDraw2DGraphics::ClearCurrent() {
  current_graphics.reset();
  current_driver = nullptr;
}

TDraw2DGraphicsPtr TDraw2DGraphics::Current() { return current_graphics; }

TDraw2DGraphicsPtr TDraw2DGraphics::Create(const TGraphicsPtr& graphics, TDraw2DDriver* driver) {
  auto g = std::make_shared<TDraw2DGraphics>();
  g->_graphics = graphics;
  g->_driver = driver;
  int32_t width = 0, height = 0, depth = 0, hertz = 0, flags = 0;
  if (graphics) graphics->GetSettings(width, height, depth, hertz, flags);
  g->viewport_w = width;
  g->viewport_h = height;
  return g;
}

TDraw2DDriver* CurrentDraw2DDriver() { return current_driver; }

const TCollisionTransform& CollisionTransform() { return collision_transform; }

void SetDrawColor(int32_t red, int32_t green, int32_t blue) {
  TDraw2DGraphics* g = Cur();
  if (!g) return;
  g->color_red = red;
  g->color_green = green;
  g->color_blue = blue;
  if (current_driver) current_driver->SetColor(red, green, blue);
}

void GetDrawColor(int32_t& red, int32_t& green, int32_t& blue) {
  TDraw2DGraphics* g = Cur();
  red = g ? g->color_red : 255;
  green = g ? g->color_green : 255;
  blue = g ? g->color_blue : 255;
}

void SetDrawAlpha(float alpha) {
  TDraw2DGraphics* g = Cur();
  if (!g) return;
  g->color_alpha = alpha;
  if (current_driver) current_driver->SetAlpha(alpha);
}

float GetDrawAlpha() { return Cur() ? Cur()->color_alpha : 1.0f; }

void SetDrawBlend(int32_t mode) {
  TDraw2DGraphics* g = Cur();
  if (!g) return;
  g->blend_mode = mode;
  if (current_driver) current_driver->SetBlend(mode);
}

int32_t GetDrawBlend() { return Cur() ? Cur()->blend_mode : BlendMask; }

void SetClearColor(int32_t red, int32_t green, int32_t blue) {
  TDraw2DGraphics* g = Cur();
  if (!g) return;
  g->clscolor_red = red;
  g->clscolor_green = green;
  g->clscolor_blue = blue;
  if (current_driver) current_driver->SetClsColor(red, green, blue);
}

void GetClearColor(int32_t& red, int32_t& green, int32_t& blue) {
  TDraw2DGraphics* g = Cur();
  red = g ? g->clscolor_red : 0;
  green = g ? g->clscolor_green : 0;
  blue = g ? g->clscolor_blue : 0;
}

void SetDrawLineWidth(float width) {
  TDraw2DGraphics* g = Cur();
  if (!g) return;
  g->line_width = width;
  if (current_driver) current_driver->SetLineWidth(width);
}

float GetDrawLineWidth() { return Cur() ? Cur()->line_width : 1.0f; }

void SetDrawViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  TDraw2DGraphics* g = Cur();
  if (!g) return;
  g->viewport_x = x;
  g->viewport_y = y;
  g->viewport_w = width;
  g->viewport_h = height;
  if (current_driver) current_driver->SetViewport(x, y, width, height);
}

void GetDrawViewport(int32_t& x, int32_t& y, int32_t& width, int32_t& height) {
  TDraw2DGraphics* g = Cur();
  x = g ? g->viewport_x : 0;
  y = g ? g->viewport_y : 0;
  width = g ? g->viewport_w : 0;
  height = g ? g->viewport_h : 0;
}

void SetDrawOrigin(float x, float y) {
  TDraw2DGraphics* g = Cur();
  if (!g) return;
  g->origin_x = x;
  g->origin_y = y;
}

void GetDrawOrigin(float& x, float& y) {
  TDraw2DGraphics* g = Cur();
  x = g ? g->origin_x : 0.0f;
  y = g ? g->origin_y : 0.0f;
}

void SetDrawHandle(float x, float y) {
  TDraw2DGraphics* g = Cur();
  if (!g) return;
  g->handle_x = -x;
  g->handle_y = -y;
}

void GetDrawHandle(float& x, float& y) {
  TDraw2DGraphics* g = Cur();
  x = g ? -g->handle_x : 0.0f;
  y = g ? -g->handle_y : 0.0f;
}

void SetDrawRotation(float degrees) {
  TDraw2DGraphics* g = Cur();
  if (!g) return;
  g->tform_rot = degrees;
  g->UpdateMatrix();
}

float GetDrawRotation() { return Cur() ? Cur()->tform_rot : 0.0f; }

void SetDrawScale(float scale_x, float scale_y) {
  TDraw2DGraphics* g = Cur();
  if (!g) return;
  g->tform_scale_x = scale_x;
  g->tform_scale_y = scale_y;
  g->UpdateMatrix();
}

void GetDrawScale(float& scale_x, float& scale_y) {
  TDraw2DGraphics* g = Cur();
  scale_x = g ? g->tform_scale_x : 1.0f;
  scale_y = g ? g->tform_scale_y : 1.0f;
}

void SetDrawTransform(float degrees, float scale_x, float scale_y) {
  TDraw2DGraphics* g = Cur();
  if (!g) return;
  g->tform_rot = degrees;
  g->tform_scale_x = scale_x;
  g->tform_scale_y = scale_y;
  g->UpdateMatrix();
}

void ClearScreen() {
  if (current_driver) current_driver->Cls();
}

void PlotPoint(float x, float y) {
  TDraw2DGraphics* g = Cur();
  if (!g || !current_driver) return;
  current_driver->Plot(x + g->origin_x, y + g->origin_y);
}

void FillRect(float x, float y, float width, float height) {
  TDraw2DGraphics* g = Cur();
  if (!g || !current_driver) return;
  current_driver->DrawRect(g->handle_x, g->handle_y, g->handle_x + width, g->handle_y + height,
                           x + g->origin_x, y + g->origin_y);
}

void DrawLineSegment(float x0, float y0, float x1, float y1, int32_t last_pixel) {
  TDraw2DGraphics* g = Cur();
  if (!g || !current_driver) return;
  float a = g->handle_x + x1 - x0;
  float b = g->handle_y + y1 - y0;
  current_driver->DrawLine(g->handle_x, g->handle_y, a, b, x0 + g->origin_x, y0 + g->origin_y);
  if (last_pixel) {
    current_driver->Plot(a * g->tform_ix + b * g->tform_iy + x0 + g->origin_x,
                         a * g->tform_jx + b * g->tform_jy + y0 + g->origin_y);
  }
}

void FillOval(float x, float y, float width, float height) {
  TDraw2DGraphics* g = Cur();
  if (!g || !current_driver) return;
  current_driver->DrawOval(g->handle_x, g->handle_y, g->handle_x + width, g->handle_y + height,
                           x + g->origin_x, y + g->origin_y);
}

void FillPoly(const std::vector<float>& xy) {
  TDraw2DGraphics* g = Cur();
  if (!g || !current_driver) return;
  current_driver->DrawPoly(xy, g->handle_x, g->handle_y, g->origin_x, g->origin_y);
}

void DrawPixmapAt(const TPixmapPtr& pixmap, int32_t x, int32_t y) {
  if (current_driver && pixmap) current_driver->DrawPixmap(pixmap, x, y);
}

TPixmapPtr GrabScreenPixmap(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!current_driver) return nullptr;
  return current_driver->GrabPixmap(x, y, width, height);
}
