// The context object both OpenGL drivers hand out: a TGraphics over one window-context record
// of the shared SDL window layer (sdl_gl_window.h), answering the driver that made it.
// Builds on graphics.h only, so the drivers' public headers stay free of SDL.
#pragma once

#include <cstdint>

#include "gfx/graphics.h"

struct GLWindowContext;

class TGLWindowGraphics : public TGraphics {
 public:
  explicit TGLWindowGraphics(GLWindowContext* context) : _context(context) {}
  ~TGLWindowGraphics() override;  // closes the context if still open
  TGraphicsDriver* Driver() override;
  void GetSettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hertz,
                   int32_t& flags) override;
  void Close() override;

  GLWindowContext* _context;
};
