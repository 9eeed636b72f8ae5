// The OpenGL graphics driver: contexts of OpenGL 2.1 with the compatibility profile, for the
// immediate-mode 2D driver (gl_draw2d.h). The windows, the hidden shared context, the
// full-screen path with its window toggle, the icon and the swap are the shared SDL window
// layer's (gfx/sdl/); this driver asks it for its kind of context. Builds on graphics.h.
#pragma once

#include <cstdint>

#include "gfx/graphics.h"
#include "gfx/sdl/gl_window_graphics.h"

class TGLGraphics : public TGLWindowGraphics {
 public:
  using TGLWindowGraphics::TGLWindowGraphics;
};

class TGLGraphicsDriver : public TGraphicsDriver {
 public:
  std::vector<TGraphicsMode> GraphicsModes() override;
  TGraphicsPtr AttachGraphics(const void* widget, int32_t flags) override;
  TGraphicsPtr CreateGraphics(int32_t width, int32_t height, int32_t depth, int32_t hertz,
                              int32_t flags) override;
  void SetGraphics(const TGraphicsPtr& g) override;
  void Flip(int32_t sync) override;
  std::u16string ToString() const override { return u"GLGraphics"; }
  int32_t DisplayHertz() override;
  void FinishFrame() override;
  void SetIcon(const std::shared_ptr<TPixmap>& pixmap) override;
  // Between the hidden shared context and the current record's context.
  virtual void SwapSharedContext();
};

TGLGraphicsDriver& TheGLGraphicsDriver();
// Selects TheGLGraphicsDriver() with GraphicsBackBuffer as default flags, once.
void StartGLGraphicsDriver();
