#include "gfx/opengl/gl_graphics.h"

#include "gfx/draw2d.h"
#include "gfx/opengl/gl_graphics_internal.h"

namespace {

GLWindowContext* RecordOf(const TGraphicsPtr& g) { return g ? GLRecordOf(*g) : nullptr; }

}  // namespace

TGLWindowHost& GLGraphicsHost() {
  // Immediate mode needs a compatibility context.
  static TGLWindowHost* host = new TGLWindowHost(
      &TheGLGraphicsDriver(), {{SDL_GL_CONTEXT_PROFILE_COMPATIBILITY, 2, 1}});
  return *host;
}

std::vector<TGraphicsMode> TGLGraphicsDriver::GraphicsModes() { return GLDisplayModes(); }

TGraphicsPtr TGLGraphicsDriver::AttachGraphics(const void* widget, int32_t flags) {
  GLWindowContext* rec = GLGraphicsHost().Attach(widget, flags);
  return rec ? std::make_shared<TGLGraphics>(rec) : nullptr;
}

TGraphicsPtr TGLGraphicsDriver::CreateGraphics(int32_t width, int32_t height, int32_t depth,
                                               int32_t hertz, int32_t flags) {
  GLWindowContext* rec = GLGraphicsHost().Create(width, height, depth, hertz, flags);
  return rec ? std::make_shared<TGLGraphics>(rec) : nullptr;
}

void TGLGraphicsDriver::SetGraphics(const TGraphicsPtr& g) {
  GLGraphicsHost().SetCurrent(RecordOf(g));
}

void TGLGraphicsDriver::Flip(int32_t sync) { GLGraphicsHost().Flip(sync); }
void TGLGraphicsDriver::FinishFrame() { GLGraphicsHost().FinishFrame(); }
int32_t TGLGraphicsDriver::DisplayHertz() { return GLGraphicsHost().DisplayHertz(); }
void TGLGraphicsDriver::SetIcon(const std::shared_ptr<TPixmap>& pixmap) { SetGLWindowIcon(pixmap); }
void TGLGraphicsDriver::SwapSharedContext() { GLGraphicsHost().SwapSharedContext(); }

TGLGraphicsDriver& TheGLGraphicsDriver() {
  static TGLGraphicsDriver* driver = new TGLGraphicsDriver;
  return *driver;
}

void StartGLGraphicsDriver() {
  static bool started = false;
  if (started) return;
  started = true;
  WarmUpGL();
  SelectGraphicsDriver(&TheGLGraphicsDriver(), GraphicsBackBuffer);
}

int32_t GLLastSwapInterval() { return GLGraphicsHost().LastSwapInterval(); }
bool GLSharedContextAlive() { return GLGraphicsHost().SharedAlive(); }
bool GLEnsureSharedContext() { return GLGraphicsHost().EnsureShared(); }
