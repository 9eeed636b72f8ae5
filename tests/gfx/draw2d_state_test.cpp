// The drawing state of a context: start values, setters and getters, the matrix and its
// collision copy, handle and origin, and what making a context current does.
#include <gtest/gtest.h>

#include <SDL_opengl.h>

#include "gfx/draw2d.h"
#include "gfx/opengl/gl_draw2d_internal.h"

namespace {

bool Lit(int x, int y) {
  uint8_t p[4] = {};
  glReadPixels(x, CurrentGraphicsHeight() - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return p[0] > 128;
}

class Draw2D : public ::testing::Test {
 protected:
  void SetUp() override {
    StartGLDraw2DDriver();
    g = std::dynamic_pointer_cast<TDraw2DGraphics>(OpenGraphics(640, 480, 0, 0, 0));
    ASSERT_TRUE(g) << "the offscreen video driver gave no OpenGL context";
  }
  void TearDown() override { EndOpenGraphics(); }
  TDraw2DGraphicsPtr g;
};

}  // namespace

TEST_F(Draw2D, ANewContextDrawsWhiteOpaqueMaskedAndUnturned) {
  EXPECT_EQ(g, TDraw2DGraphics::Current());
  int32_t r, gr, b;
  GetDrawColor(r, gr, b);
  EXPECT_EQ(255, r);
  EXPECT_EQ(255, gr);
  EXPECT_EQ(255, b);
  EXPECT_EQ(1.0f, GetDrawAlpha());
  EXPECT_EQ(BlendMask, GetDrawBlend());
  EXPECT_EQ(0.0f, GetDrawRotation());
  float sx, sy;
  GetDrawScale(sx, sy);
  EXPECT_EQ(1.0f, sx);
  EXPECT_EQ(1.0f, sy);
  GetClearColor(r, gr, b);
  EXPECT_EQ(0, r + gr + b);
  EXPECT_EQ(1.0f, GetDrawLineWidth());
  int32_t x, y, w, h;
  GetDrawViewport(x, y, w, h);
  EXPECT_EQ(0, x);
  EXPECT_EQ(0, y);
  EXPECT_EQ(640, w);
  EXPECT_EQ(480, h);
  EXPECT_EQ(1, g->_setup) << "made current once, so cleared and flipped";
  EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST)) << "BlendMask reached the library";
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST)) << "the full viewport needs no scissor";
}

TEST_F(Draw2D, TheHandleIsStoredNegatedAndMovesPrimitives) {
  SetDrawHandle(10, 5);
  float hx, hy;
  GetDrawHandle(hx, hy);
  EXPECT_EQ(10.0f, hx);
  EXPECT_EQ(5.0f, hy);
  EXPECT_EQ(-10.0f, g->handle_x);
  SetDrawBlend(BlendSolid);
  FillRect(100, 100, 20, 20);
  EXPECT_TRUE(Lit(90, 95));
  EXPECT_TRUE(Lit(109, 114));
  EXPECT_FALSE(Lit(110, 115));
  EXPECT_FALSE(Lit(89, 95));
}

TEST_F(Draw2D, TheOriginIsAddedToEveryPosition) {
  SetDrawOrigin(50, 60);
  float ox, oy;
  GetDrawOrigin(ox, oy);
  EXPECT_EQ(50.0f, ox);
  EXPECT_EQ(60.0f, oy);
  PlotPoint(1, 2);
  EXPECT_TRUE(Lit(51, 62));
  FillOval(0, 0, 20, 20);
  EXPECT_TRUE(Lit(60, 70));
}

TEST_F(Draw2D, ANinetyDegreeTurnSendsLocalXDown) {
  SetDrawRotation(90);
  EXPECT_NEAR(0.0f, g->tform_ix, 1e-6f);
  EXPECT_NEAR(1.0f, g->tform_jx, 1e-6f) << "local (1, 0) lands at screen offset (0, 1)";
  EXPECT_NEAR(-1.0f, g->tform_iy, 1e-6f);
  EXPECT_NEAR(0.0f, g->tform_jy, 1e-6f);
  EXPECT_EQ(90.0f, GetDrawRotation());
}

TEST_F(Draw2D, ScaleGivesADiagonalMatrixAndTheCollisionCopy) {
  SetDrawScale(2, 3);
  EXPECT_EQ(2.0f, g->tform_ix);
  EXPECT_EQ(0.0f, g->tform_iy);
  EXPECT_EQ(0.0f, g->tform_jx);
  EXPECT_EQ(3.0f, g->tform_jy);
  const TCollisionTransform& c = CollisionTransform();
  EXPECT_EQ(2.0f, c.ix);
  EXPECT_EQ(3.0f, c.jy);
  SetDrawTransform(180, 1, 1);
  EXPECT_NEAR(-1.0f, CollisionTransform().ix, 1e-6f);
  EXPECT_NEAR(-1.0f, CollisionTransform().jy, 1e-6f);
  EXPECT_EQ(180.0f, GetDrawRotation());
}

TEST_F(Draw2D, MakingAContextCurrentAgainNeitherClearsNorFlips) {
  TGraphicsPtr other = CreateGraphicsContext(64, 64, 0, 0, 0);
  ASSERT_TRUE(other);
  SetClearColor(0, 0, 0);
  ClearScreen();
  SetDrawBlend(BlendSolid);
  FillRect(0, 0, 10, 10);
  SetDrawColor(10, 20, 30);
  SetDrawRotation(45);
  MakeGraphicsCurrent(other);
  EXPECT_EQ(64, CurrentGraphicsWidth());
  MakeGraphicsCurrent(g);
  EXPECT_TRUE(Lit(5, 5)) << "the drawing survives becoming current again";
  int32_t r, gr, b;
  GetDrawColor(r, gr, b);
  EXPECT_EQ(10, r) << "the state survives while another context is current";
  EXPECT_EQ(45.0f, GetDrawRotation());
  EXPECT_EQ(10, GLDrawColorBytes()[0]) << "and is pushed to the driver again";
  CloseGraphicsContext(other);
}

TEST_F(Draw2D, ValidatePushesEveryValueAgain) {
  SetDrawBlend(BlendAlpha);
  SetDrawViewport(0, 0, 320, 240);
  glDisable(GL_BLEND);
  glDisable(GL_SCISSOR_TEST);
  TheGLDraw2DDriver().ResetGLContext(g);
  g->Validate();
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
}

TEST_F(Draw2D, ClosingTheContextLeavesNothingCurrent) {
  CloseGraphicsContext(g);
  EXPECT_EQ(nullptr, TDraw2DGraphics::Current());
  EXPECT_EQ(nullptr, CurrentDraw2DDriver());
  EXPECT_EQ(nullptr, g->_graphics);
  EXPECT_EQ(0, CurrentGraphicsWidth());
  // Without a context the operations are harmless, and nothing of them reaches the next one.
  SetDrawColor(1, 2, 3);
  SetDrawLineWidth(7);
  FillRect(0, 0, 10, 10);
  ClearScreen();
  EXPECT_EQ(nullptr, GrabScreenPixmap(0, 0, 4, 4));
  FlipGraphics(-1);
  g->Close();  // a second close does nothing
  EXPECT_EQ(nullptr, g->_graphics);
  g = std::dynamic_pointer_cast<TDraw2DGraphics>(OpenGraphics(640, 480, 0, 0, 0));
  ASSERT_TRUE(g);
  int32_t r, gr, b;
  GetDrawColor(r, gr, b);
  EXPECT_EQ(255 * 3, r + gr + b) << "expected the next context white, got " << r << "," << gr << "," << b;
  EXPECT_EQ(1.0f, GetDrawLineWidth()) << "expected the next context's own line width";
  EXPECT_FALSE(Lit(5, 5)) << "expected the next context cleared, not holding the rectangle";
}
