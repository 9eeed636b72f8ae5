// The OpenGL ES graphics driver: contexts of OpenGL ES 3.0, or of OpenGL 3.3 with the core
// profile where no ES context can be had, for the shader-based 2D driver (gles_draw2d.h). The
// windows, the hidden shared context, the full-screen path with its window toggle, the icon
// and the swap are the shared SDL window layer's (gfx/sdl/). Builds on graphics.h.
#pragma once

#include <cstdint>

#include "gfx/graphics.h"
#include "gfx/sdl/gl_window_graphics.h"

class TGLESGraphics : public TGLWindowGraphics {
 public:
  using TGLWindowGraphics::TGLWindowGraphics;
};

class TGLESGraphicsDriver : public TGraphicsDriver {
 public:
  std::vector<TGraphicsMode> GraphicsModes() override;
  TGraphicsPtr AttachGraphics(const void* widget, int32_t flags) override;
  TGraphicsPtr CreateGraphics(int32_t width, int32_t height, int32_t depth, int32_t hertz,
                              int32_t flags) override;
  void SetGraphics(const TGraphicsPtr& g) override;
  void Flip(int32_t sync) override;
  std::u16string ToString() const override { return u"GLESGraphics"; }
  int32_t DisplayHertz() override;
  void FinishFrame() override;
  void SetIcon(const std::shared_ptr<TPixmap>& pixmap) override;
  // Between the hidden shared context and the current record's context.
  virtual void SwapSharedContext();
};

TGLESGraphicsDriver& TheGLESGraphicsDriver();
