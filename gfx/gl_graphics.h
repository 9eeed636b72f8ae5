// The OpenGL graphics driver over SDL2: window-context records (a hidden shared context whose
// textures serve every context, windows on the desktop, full-screen windows, foreign windows),
// the display-mode list and the buffer swap. A full-screen context never changes the display
// mode: it covers the display and draws into an offscreen buffer of its own size, which the
// swap scales into the window with the aspect kept. Builds on graphics.h and the SDL system layer.
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
  // Between the hidden shared context and the current record's context.
  virtual void SwapSharedContext();
};

TGLGraphicsDriver& TheGLGraphicsDriver();
// Selects TheGLGraphicsDriver() with GraphicsBackBuffer as default flags, once.
void StartGLGraphicsDriver();

// What the swap of a context draws into, for tests and tools.
struct TGLContextInfo {
  int32_t kind = -1;         // 0 shared, 1 attached, 2 windowed, 3 full screen; -1 none
  bool scaled = false;       // drawing goes to an offscreen buffer of the asked size
  int32_t window_width = 0, window_height = 0;      // SDL window size
  int32_t drawable_width = 0, drawable_height = 0;  // the window's pixels
  // Where the asked size lands in the drawable (scaled path), y from the top.
  int32_t dest_x = 0, dest_y = 0, dest_w = 0, dest_h = 0;
};
TGLContextInfo GLGraphicsInfo(const TGraphics& g);  // a TGLGraphics, or a wrapper of one
int32_t GLLastSwapInterval();  // -1 until the first flip sets it
// Sends every later window through the offscreen buffer even when its drawable has the
// asked size, as on a HiDPI display.
void GLForceScaledPath(bool on);
uint32_t GLGraphicsWindowId(const TGraphics& g);  // the SDL window id, 0 if none
// SDL window coordinates to the context's own and back, as pointer events and
// MoveMousePointer use them.
void GLWindowToClient(const TGraphics& g, float& x, float& y);
void GLClientToWindow(const TGraphics& g, float& x, float& y);
// False before the first context and once the process is ending: no GL calls then.
bool GLSharedContextAlive();

// Where a context of width x height lands in a drawable of dw x dh: the largest size with
// the same aspect that fits, centred; y from the top.
void GLScaledRect(int32_t width, int32_t height, int32_t dw, int32_t dh, int32_t& x, int32_t& y,
                  int32_t& w, int32_t& h);
