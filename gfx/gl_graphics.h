// The OpenGL graphics driver over SDL2: window-context records (a hidden shared context whose
// textures serve every context, windows on the desktop, full-screen windows, foreign windows),
// the display-mode list and the buffer swap. A full-screen context never changes the display
// mode: it covers the display and draws into an offscreen buffer of its own size, which the
// swap scales into the window with the aspect kept. Alt+Enter and F11 switch such a context
// between full screen and a resizable window on the desktop that shows the same picture.
// Builds on graphics.h, pixmap.h and the SDL system layer.
#pragma once

#include <cstdint>

#include "gfx/graphics.h"

struct GLWindowContext;

class TGLGraphics : public TGraphics {
 public:
  explicit TGLGraphics(GLWindowContext* context) : _context(context) {}
  ~TGLGraphics() override;  // closes the context if still open
  TGraphicsDriver* Driver() override;
  void GetSettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hertz,
                   int32_t& flags) override;
  void Close() override;

  GLWindowContext* _context;
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
