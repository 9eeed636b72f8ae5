// Sprites drawn through TGLImageFrame::Draw with the blend, texture and enable caches hit,
// against a plain immediate-mode loop drawing the same textured quads in the same context:
// the ratio of the two rates is the driver's overhead. Runs on the offscreen video driver
// when there is no display.
#include <benchmark/benchmark.h>

#include <SDL_opengl.h>

#include <cstdlib>

#include "gfx/draw2d.h"
#include "gfx/opengl/gl_draw2d.h"

namespace {

constexpr int kSpritesPerBatch = 1000;

std::shared_ptr<TGLImageFrame> Setup() {
  static std::shared_ptr<TGLImageFrame> frame;
  if (frame) return frame;
  if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
  StartGLDraw2DDriver();
  if (!OpenGraphics(640, 480, 0, 0, 0)) return nullptr;
  TPixmapPtr p = TPixmap::Create(16, 16, RGBA32, 4);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) p->WritePixel(x, y, ((x ^ y) & 1) ? 0xFFFFFFFF : 0);
  frame = std::dynamic_pointer_cast<TGLImageFrame>(CurrentDraw2DDriver()->CreateFrameFromPixmap(p, 0));
  return frame;
}

void BM_DriverFrameDraw(benchmark::State& state) {
  auto frame = Setup();
  if (!frame) {
    state.SkipWithError("no OpenGL context");
    return;
  }
  SetDrawBlend(BlendMask);
  SetDrawRotation(0);
  for (auto _ : state) {
    for (int i = 0; i < kSpritesPerBatch; ++i) {
      float x = static_cast<float>((i * 37) % 620), y = static_cast<float>((i * 53) % 460);
      frame->Draw(-8, -8, 8, 8, x + 8, y + 8);
    }
    glFinish();
  }
  state.SetItemsProcessed(state.iterations() * kSpritesPerBatch);
}
BENCHMARK(BM_DriverFrameDraw)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_RawGLQuads(benchmark::State& state) {
  auto frame = Setup();
  if (!frame) {
    state.SkipWithError("no OpenGL context");
    return;
  }
  SetDrawBlend(BlendMask);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, frame->name);
  for (auto _ : state) {
    for (int i = 0; i < kSpritesPerBatch; ++i) {
      float x = static_cast<float>((i * 37) % 620), y = static_cast<float>((i * 53) % 460);
      glBegin(GL_QUADS);
      glTexCoord2f(0, 0);
      glVertex2f(x, y);
      glTexCoord2f(1, 0);
      glVertex2f(x + 16, y);
      glTexCoord2f(1, 1);
      glVertex2f(x + 16, y + 16);
      glTexCoord2f(0, 1);
      glVertex2f(x, y + 16);
      glEnd();
    }
    glFinish();
  }
  state.SetItemsProcessed(state.iterations() * kSpritesPerBatch);
  // Leave the caches' view of the context true for the next benchmark.
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
  TheGLDraw2DDriver().ResetGLContext(CurrentGraphicsContext());
  TDraw2DGraphics::Current()->Validate();
}
BENCHMARK(BM_RawGLQuads)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
