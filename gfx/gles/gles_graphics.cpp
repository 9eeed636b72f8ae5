#include "gfx/gles/gles_graphics.h"

#include "gfx/gles/gles_draw2d_internal.h"

namespace {

GLWindowContext* RecordOf(const TGraphicsPtr& g) { return g ? GLRecordOf(*g) : nullptr; }

std::vector<TGLContextApi> asked = {{SDL_GL_CONTEXT_PROFILE_ES, 3, 0},
                                     {SDL_GL_CONTEXT_PROFILE_CORE, 3, 3}};

}  // namespace

TGLWindowHost& GLESGraphicsHost() {
  static TGLWindowHost* host = new TGLWindowHost(&TheGLESGraphicsDriver(), asked);
  return *host;
}

void GLESAskForContexts(std::vector<TGLContextApi> apis) { asked = std::move(apis); }

std::vector<TGraphicsMode> TGLESGraphicsDriver::GraphicsModes() { return GLDisplayModes(); }

TGraphicsPtr TGLESGraphicsDriver::AttachGraphics(const void* widget, int32_t flags) {
  GLWindowContext* rec = GLESGraphicsHost().Attach(widget, flags);
  return rec ? std::make_shared<TGLESGraphics>(rec) : nullptr;
}

TGraphicsPtr TGLESGraphicsDriver::CreateGraphics(int32_t width, int32_t height, int32_t depth,
                                                 int32_t hertz, int32_t flags) {
  GLWindowContext* rec = GLESGraphicsHost().Create(width, height, depth, hertz, flags);
  return rec ? std::make_shared<TGLESGraphics>(rec) : nullptr;
}

void TGLESGraphicsDriver::SetGraphics(const TGraphicsPtr& g) {
  GLESGraphicsHost().SetCurrent(RecordOf(g));
}

void TGLESGraphicsDriver::Flip(int32_t sync) { GLESGraphicsHost().Flip(sync); }
void TGLESGraphicsDriver::FinishFrame() { GLESGraphicsHost().FinishFrame(); }
int32_t TGLESGraphicsDriver::DisplayHertz() { return GLESGraphicsHost().DisplayHertz(); }
void TGLESGraphicsDriver::SetIcon(const std::shared_ptr<TPixmap>& pixmap) { SetGLWindowIcon(pixmap); }
void TGLESGraphicsDriver::SwapSharedContext() { GLESGraphicsHost().SwapSharedContext(); }

TGLESGraphicsDriver& TheGLESGraphicsDriver() {
  static TGLESGraphicsDriver* driver = new TGLESGraphicsDriver;
  return *driver;
}
