// The OpenGL 2D driver drawn into a real context (SDL's offscreen driver, Mesa's software
// renderer) and checked by reading the pixels back.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_opengl.h>

#include <cmath>
#include <cstdlib>

#include "gfx/draw2d.h"
#include "gfx/opengl/gl_draw2d_internal.h"
#include "gfx/opengl/gl_graphics_internal.h"
#include "gfx/opengl/gl_util.h"
#include "stream/stream.h"

namespace {

struct Rgba {
  int r, g, b, a;
};

std::ostream& operator<<(std::ostream& os, const Rgba& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

// Top-left pixel coordinates, read straight from the frame buffer.
Rgba Px(int x, int y) {
  uint8_t p[4] = {};
  glReadPixels(x, CurrentGraphicsHeight() - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2], p[3]};
}

bool Near(const Rgba& c, int r, int g, int b, int tolerance = 1) {
  return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance &&
         std::abs(c.b - b) <= tolerance;
}

bool Lit(int x, int y) {
  Rgba c = Px(x, y);
  return c.r > 128;
}

TPixmapPtr Solid(int w, int h, uint32_t argb) {
  TPixmapPtr p = TPixmap::Create(w, h, RGBA32, 4);
  p->ClearPixels(argb);
  return p;
}

class GLDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    StartGLDraw2DDriver();
    g = OpenGraphics(640, 480, 0, 0, 0);
    ASSERT_TRUE(g) << "the offscreen video driver gave no OpenGL context";
    SetClearColor(0, 0, 0);
    ClearScreen();
  }
  void TearDown() override { EndOpenGraphics(); }

  // A 20 x 20 block in the drawing colour over a background of (100, 150, 200).
  Rgba BlendOverBackground(int32_t mode, float alpha) {
    SetClearColor(100, 150, 200);
    ClearScreen();
    SetDrawBlend(mode);
    SetDrawColor(200, 100, 50);
    SetDrawAlpha(alpha);
    FillRect(10, 10, 20, 20);
    return Px(20, 20);
  }

  TGraphicsPtr g;
};

}  // namespace

TEST_F(GLDriver, MaskDrawsOpaqueAndSkipsAlphaBelowOneHalf) {
  EXPECT_TRUE(Near(BlendOverBackground(BlendMask, 1.0f), 200, 100, 50));
  EXPECT_TRUE(Near(BlendOverBackground(BlendMask, 0.5f), 100, 150, 200))
      << "alpha 0.5 is the byte 127, below one half, so nothing is drawn";
}

TEST_F(GLDriver, SolidReplacesWhateverTheAlpha) {
  Rgba c = BlendOverBackground(BlendSolid, 0.5f);
  EXPECT_TRUE(Near(c, 200, 100, 50)) << "got " << c;
  c = BlendOverBackground(9, 0.5f);
  EXPECT_TRUE(Near(c, 200, 100, 50)) << "an unknown mode acts as solid; got " << c;
}

TEST_F(GLDriver, AlphaMixesSourceAndDestination) {
  Rgba c = BlendOverBackground(BlendAlpha, 0.5f);
  // a = 127 / 255: 200a + 100(1 - a), 100a + 150(1 - a), 50a + 200(1 - a)
  EXPECT_TRUE(Near(c, 150, 125, 125)) << "got " << c;
}

TEST_F(GLDriver, AddAddsTheWeightedSource) {
  Rgba c = BlendOverBackground(BlendAdd, 0.5f);
  EXPECT_TRUE(Near(c, 200, 200, 225)) << "got " << c;
  c = BlendOverBackground(BlendAdd, 1.0f);
  EXPECT_TRUE(Near(c, 255, 250, 250)) << "saturates at 255; got " << c;
}

TEST_F(GLDriver, MultiplyScalesTheDestinationBySource) {
  Rgba c = BlendOverBackground(BlendMultiply, 0.5f);
  EXPECT_TRUE(Near(c, 78, 59, 39)) << "200*100/255, 100*150/255, 50*200/255; got " << c;
}

TEST_F(GLDriver, TheSameBlendTwiceMakesNoSecondCall) {
  SetDrawBlend(BlendAlpha);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  glDisable(GL_BLEND);  // behind the driver's back
  SetDrawBlend(BlendAlpha);
  EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "the cached mode must not be applied again";
  SetDrawBlend(BlendMask);
  EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(GLDriver, ColourAndAlphaTintTextures) {
  auto frame = CurrentDraw2DDriver()->CreateFrameFromPixmap(Solid(8, 8, 0xFFFFFFFF), 0);
  ASSERT_TRUE(frame);
  SetDrawBlend(BlendSolid);
  SetDrawColor(255, 128, 0);
  frame->Draw(0, 0, 8, 8, 100, 100);
  EXPECT_TRUE(Near(Px(104, 104), 255, 128, 0)) << "got " << Px(104, 104);
  SetDrawBlend(BlendAlpha);
  SetDrawAlpha(0.5f);
  frame->Draw(0, 0, 8, 8, 200, 100);
  EXPECT_TRUE(Near(Px(204, 104), 127, 64, 0)) << "got " << Px(204, 104);
}

TEST_F(GLDriver, AlphaBytesTruncateAndClamp) {
  SetDrawAlpha(0.5f);
  EXPECT_EQ(127, GLDrawColorBytes()[3]);
  SetDrawAlpha(2.0f);
  EXPECT_EQ(255, GLDrawColorBytes()[3]);
  SetDrawAlpha(-1.0f);
  EXPECT_EQ(0, GLDrawColorBytes()[3]);
  EXPECT_FLOAT_EQ(-1.0f, GetDrawAlpha()) << "the state keeps what was given";
  GLfloat current[4];
  glGetFloatv(GL_CURRENT_COLOR, current);
  EXPECT_FLOAT_EQ(0.0f, current[3]);
}

TEST_F(GLDriver, ColoursAreClampedWhenApplied) {
  SetDrawColor(300, -5, 128);
  int32_t r, gr, b;
  GetDrawColor(r, gr, b);
  EXPECT_EQ(300, r);
  EXPECT_EQ(-5, gr);
  EXPECT_EQ(128, b);
  SetDrawBlend(BlendSolid);
  FillRect(0, 0, 4, 4);
  EXPECT_TRUE(Near(Px(1, 1), 255, 0, 128)) << "got " << Px(1, 1);
  SetClearColor(-20, 999, 64);
  ClearScreen();
  EXPECT_TRUE(Near(Px(300, 300), 0, 255, 64)) << "got " << Px(300, 300);
}

TEST_F(GLDriver, AFullViewportTurnsTheScissorOff) {
  SetDrawViewport(0, 0, 640, 480);
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  SetDrawViewport(0, 0, 640, 479);
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  GLint box[4];
  glGetIntegerv(GL_SCISSOR_BOX, box);
  EXPECT_EQ(1, box[1]) << "480 - 0 - 479 from the bottom";
  EXPECT_EQ(479, box[3]);
}

TEST_F(GLDriver, ClsClearsOnlyTheViewport) {
  SetDrawViewport(10, 20, 30, 40);
  SetClearColor(255, 0, 0);
  ClearScreen();
  EXPECT_TRUE(Lit(10, 20));
  EXPECT_TRUE(Lit(39, 59));
  EXPECT_FALSE(Lit(9, 20));
  EXPECT_FALSE(Lit(40, 59));
  EXPECT_FALSE(Lit(39, 60));
  EXPECT_FALSE(Lit(10, 19));
}

TEST_F(GLDriver, RectanglesCoverTheirPixelsExactly) {
  SetDrawBlend(BlendSolid);
  FillRect(10, 10, 20, 20);
  EXPECT_TRUE(Lit(10, 10));
  EXPECT_TRUE(Lit(29, 29));
  EXPECT_FALSE(Lit(30, 30));
  EXPECT_FALSE(Lit(9, 10));
  EXPECT_FALSE(Lit(10, 9));
  EXPECT_FALSE(Lit(30, 10));
}

TEST_F(GLDriver, PointsLandOnTheirPixel) {
  PlotPoint(5, 7);
  EXPECT_TRUE(Lit(5, 7));
  EXPECT_FALSE(Lit(4, 7));
  EXPECT_FALSE(Lit(6, 7));
  EXPECT_FALSE(Lit(5, 6));
  EXPECT_FALSE(Lit(5, 8));
}

TEST_F(GLDriver, LinesLeaveTheLastPixelToTheFlag) {
  DrawLineSegment(10, 50, 30, 50, 0);
  EXPECT_TRUE(Lit(10, 50));
  EXPECT_TRUE(Lit(29, 50));
  EXPECT_FALSE(Lit(30, 50)) << "without the flag the end pixel is the rasteriser's";
  EXPECT_FALSE(Lit(20, 49));
  EXPECT_FALSE(Lit(20, 51));
  DrawLineSegment(10, 60, 30, 60, 1);
  EXPECT_TRUE(Lit(30, 60)) << "with the flag the end pixel is plotted";
  DrawLineSegment(100, 100, 100, 120, 1);
  EXPECT_TRUE(Lit(100, 100));
  EXPECT_TRUE(Lit(100, 120));
  EXPECT_FALSE(Lit(101, 110));
}

TEST_F(GLDriver, OvalsFillTheirBoxAndNoMore) {
  FillOval(100, 100, 40, 20);
  EXPECT_TRUE(Lit(120, 110)) << "centre";
  EXPECT_TRUE(Lit(101, 110));
  EXPECT_TRUE(Lit(138, 110));
  EXPECT_TRUE(Lit(120, 101));
  EXPECT_TRUE(Lit(120, 118));
  EXPECT_FALSE(Lit(99, 110));
  EXPECT_FALSE(Lit(140, 110));
  EXPECT_FALSE(Lit(120, 99));
  EXPECT_FALSE(Lit(120, 120));
  EXPECT_FALSE(Lit(101, 101)) << "the corners of the box stay empty";
  EXPECT_FALSE(Lit(138, 118));
}

// The published examples of the segment rule: |xr| + |yr| truncated, at least 12, rounded
// down to a multiple of 4.
TEST(OvalSegments, TenByTenTakesTwelveAndHundredBySixtyEighty) {
  EXPECT_EQ(12, OvalSegments(10, 10)) << "the rule's own example for a 10 x 10 box";
  EXPECT_EQ(80, OvalSegments(100, 60)) << "the rule's own example for a 100 x 60 box";
  EXPECT_EQ(12, OvalSegments(2, 2)) << "at least 12";
  EXPECT_EQ(24, OvalSegments(-30, 20)) << "15 + 10 = 25, down to a multiple of 4";
}

// What the segment count is for: a large oval drawn round, not as a polygon. Pixels a pixel
// and a half inside its outline are lit all round, and a pixel and a half outside are not.
TEST_F(GLDriver, ALargeOvalIsDrawnRound) {
  const double cx = 320, cy = 240, rx = 150, ry = 100;
  FillOval(cx - rx, cy - ry, 2 * rx, 2 * ry);
  for (int degrees = 0; degrees < 360; degrees += 3) {
    const double a = degrees * M_PI / 180, c = std::cos(a), s = std::sin(a);
    // Along the outline's normal at that angle.
    const double nx = c / rx, ny = s / ry, n = std::hypot(nx, ny);
    const double ex = cx + rx * c, ey = cy - ry * s;
    const int ix = static_cast<int>(std::floor(ex - 1.5 * nx / n)), iy = static_cast<int>(std::floor(ey + 1.5 * ny / n));
    const int ox = static_cast<int>(std::floor(ex + 1.5 * nx / n)), oy = static_cast<int>(std::floor(ey - 1.5 * ny / n));
    EXPECT_TRUE(Lit(ix, iy)) << "expected (" << ix << ", " << iy << ") inside the outline lit at " << degrees << " degrees";
    EXPECT_FALSE(Lit(ox, oy)) << "expected (" << ox << ", " << oy << ") outside the outline dark at " << degrees << " degrees";
  }
}

TEST_F(GLDriver, LinesAreDrawnAtTheSetWidth) {
  SetDrawLineWidth(5);
  DrawLineSegment(100, 300, 200, 300, 1);
  SetDrawLineWidth(1);
  DrawLineSegment(100, 350, 200, 350, 1);
  int wide = 0, thin = 0;
  for (int y = 290; y <= 310; ++y) wide += Lit(150, y);
  for (int y = 340; y <= 360; ++y) thin += Lit(150, y);
  EXPECT_EQ(5, wide) << "expected a line 5 pixels across after SetDrawLineWidth(5)";
  EXPECT_EQ(1, thin) << "expected a line 1 pixel across after SetDrawLineWidth(1)";
}

TEST_F(GLDriver, PolygonsFillTheirOutline) {
  FillPoly({200, 200, 240, 200, 200, 240});
  EXPECT_TRUE(Lit(201, 201));
  EXPECT_TRUE(Lit(205, 230));
  EXPECT_FALSE(Lit(238, 238)) << "beyond the long edge";
  EXPECT_FALSE(Lit(199, 210));
  FillPoly({300, 300, 340, 300});
  EXPECT_FALSE(Lit(320, 300)) << "two points are no polygon";
  FillPoly({300, 300, 340, 300, 300, 340, 400});
  EXPECT_FALSE(Lit(301, 301)) << "an odd count is ignored";
}

TEST_F(GLDriver, GrabThenDrawReproducesThePixels) {
  SetDrawBlend(BlendSolid);
  for (int i = 0; i < 10; ++i) {
    SetDrawColor(i * 25, 255 - i * 20, (i * 77) % 256);
    FillRect(10.0f + i * 4, 10.0f + i * 3, 12, 9);
  }
  TPixmapPtr grab = GrabScreenPixmap(10, 10, 50, 40);
  ASSERT_TRUE(grab);
  EXPECT_EQ(50, grab->width);
  EXPECT_EQ(40, grab->height);
  EXPECT_EQ(RGBA32, grab->format);
  SetDrawBlend(BlendAlpha);
  DrawPixmapAt(grab, 300, 200);
  EXPECT_EQ(BlendAlpha, GetDrawBlend());
  TPixmapPtr again = GrabScreenPixmap(300, 200, 50, 40);
  ASSERT_TRUE(again);
  int diffs = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 50; ++x) diffs += grab->ReadPixel(x, y) != again->ReadPixel(x, y);
  }
  EXPECT_EQ(0, diffs) << "pixels that changed between the grab and the copy";
  EXPECT_EQ(grab->ReadPixel(0, 0), 0xFF000000u | (0u << 16) | (255u << 8) | 0u)
      << "the grab's top-left is the first block's corner";
}

TEST_F(GLDriver, GrabsReadOpaqueWithoutAnAlphaBuffer) {
  SetDrawBlend(BlendSolid);
  SetDrawAlpha(0.25f);
  FillRect(0, 0, 8, 8);
  TPixmapPtr grab = GrabScreenPixmap(0, 0, 4, 4);
  ASSERT_TRUE(grab);
  EXPECT_EQ(0xFFu, grab->ReadPixel(1, 1) >> 24);
}

TEST_F(GLDriver, GrabsOutsideTheScreenReadBlack) {
  SetClearColor(255, 255, 255);
  ClearScreen();
  TPixmapPtr grab = GrabScreenPixmap(630, 470, 20, 20);
  ASSERT_TRUE(grab);
  EXPECT_EQ(0xFFFFFFFFu, grab->ReadPixel(5, 5));
  EXPECT_EQ(0u, grab->ReadPixel(15, 15) & 0xFFFFFF) << "no stale memory past the edge";
}

TEST_F(GLDriver, AnOddPixmapPadsItsTextureAndSmearsTheEdge) {
  TPixmapPtr p = TPixmap::Create(50, 26, RGBA32, 4);
  for (int y = 0; y < 26; ++y) {
    for (int x = 0; x < 50; ++x) p->WritePixel(x, y, 0xFF000000u | (x * 5) << 16 | (y * 9) << 8 | 7);
  }
  auto frame = std::dynamic_pointer_cast<TGLImageFrame>(
      CurrentDraw2DDriver()->CreateFrameFromPixmap(p, 0));
  ASSERT_TRUE(frame);
  EXPECT_FLOAT_EQ(0.78125f, frame->u1);
  EXPECT_FLOAT_EQ(0.8125f, frame->v1);
  EXPECT_EQ(0.0f, frame->u0);
  EXPECT_EQ(GraphicsSeq(), frame->seq);
  glBindTexture(GL_TEXTURE_2D, frame->name);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  EXPECT_EQ(64, w);
  EXPECT_EQ(32, h);
  std::vector<uint32_t> tex(64 * 32);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, tex.data());
  auto at = [&](int x, int y) { return tex[y * 64 + x]; };
  EXPECT_EQ(p->ReadPixel(10, 3), at(10, 3));
  for (int y = 0; y < 26; ++y) EXPECT_EQ(at(49, y), at(50, y)) << "column 50 repeats 49, row " << y;
  for (int x = 0; x < 50; ++x) EXPECT_EQ(at(x, 25), at(x, 26)) << "row 26 repeats 25, column " << x;
  EXPECT_EQ(at(49, 25), at(50, 26)) << "the corner";
  EXPECT_EQ(0u, at(60, 30)) << "the rest of the padding is empty";
  glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(GLDriver, TextureSizesAreThePowersOfTwoAbove) {
  auto big = std::dynamic_pointer_cast<TGLImageFrame>(
      CurrentDraw2DDriver()->CreateFrameFromPixmap(Solid(640, 480, 0xFF102030), 0));
  ASSERT_TRUE(big);
  EXPECT_FLOAT_EQ(0.625f, big->u1);
  EXPECT_FLOAT_EQ(0.9375f, big->v1);
  auto square = std::dynamic_pointer_cast<TGLImageFrame>(
      CurrentDraw2DDriver()->CreateFrameFromPixmap(Solid(64, 64, 0xFF102030), 0));
  ASSERT_TRUE(square);
  EXPECT_FLOAT_EQ(1.0f, square->u1);
  EXPECT_FLOAT_EQ(1.0f, square->v1);
  TPixmapPtr grey = TPixmap::Create(4, 4, Grey8, 4);
  grey->ClearPixels(0xFF808080);
  auto converted = CurrentDraw2DDriver()->CreateFrameFromPixmap(grey, 0);
  ASSERT_TRUE(converted) << "other formats are converted";
  EXPECT_EQ(nullptr, CurrentDraw2DDriver()->CreateFrameFromPixmap(nullptr, 0));
}

TEST_F(GLDriver, TexturesTooLargeAreHalvedUntilTheyFit) {
  GLint max = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
  int32_t w = max * 2 - 100, h = 3;
  AdjustTexSize(w, h);
  EXPECT_EQ(max, w);
  EXPECT_EQ(2, h) << "both sides halve together";
  w = 1;
  h = 1;
  AdjustTexSize(w, h);
  EXPECT_EQ(1, w);
}

TEST_F(GLDriver, MipmappedTexturesHaveEveryLevelDownToOnePixel) {
  auto frame = std::dynamic_pointer_cast<TGLImageFrame>(
      CurrentDraw2DDriver()->CreateFrameFromPixmap(Solid(64, 32, 0xFFFF0000), 4));
  ASSERT_TRUE(frame);
  glBindTexture(GL_TEXTURE_2D, frame->name);
  const int expected[7][2] = {{64, 32}, {32, 16}, {16, 8}, {8, 4}, {4, 2}, {2, 1}, {1, 1}};
  for (int level = 0; level < 7; ++level) {
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
    EXPECT_EQ(expected[level][0], w) << "level " << level;
    EXPECT_EQ(expected[level][1], h) << "level " << level;
    uint8_t texel[4] = {};
    std::vector<uint8_t> all(static_cast<size_t>(w) * h * 4);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, all.data());
    std::copy(all.begin(), all.begin() + 4, texel);
    EXPECT_EQ(255, texel[0]) << "level " << level << " holds the picture";
  }
  GLint min = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
  EXPECT_EQ(GL_NEAREST_MIPMAP_NEAREST, min);
  glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(GLDriver, FramesDrawTheirPixelsOneToOne) {
  TPixmapPtr p = TPixmap::Create(3, 2, RGBA32, 4);
  const uint32_t colours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                               0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
  for (int i = 0; i < 6; ++i) p->WritePixel(i % 3, i / 3, colours[i]);
  auto frame = CurrentDraw2DDriver()->CreateFrameFromPixmap(p, 0);
  ASSERT_TRUE(frame);
  SetDrawBlend(BlendSolid);
  frame->Draw(0, 0, 3, 2, 50, 60);
  TPixmapPtr grab = GrabScreenPixmap(50, 60, 3, 2);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(colours[i], grab->ReadPixel(i % 3, i / 3)) << "pixel " << i;
}

TEST_F(GLDriver, FramesSurviveANewOpeningAndNewOnesGetItsStamp) {
  auto frame = std::dynamic_pointer_cast<TGLImageFrame>(
      CurrentDraw2DDriver()->CreateFrameFromPixmap(Solid(4, 4, 0xFF0000FF), 0));
  ASSERT_TRUE(frame);
  int32_t first = frame->seq;
  ASSERT_TRUE(OpenGraphics(320, 240, 0, 0, 0));
  EXPECT_NE(first, GraphicsSeq()) << "the old frame is now stale";
  SetDrawBlend(BlendSolid);
  frame->Draw(0, 0, 4, 4, 20, 20);
  EXPECT_TRUE(Near(Px(21, 21), 0, 0, 255)) << "textures live in the shared context; got " << Px(21, 21);
  auto rebuilt = std::dynamic_pointer_cast<TGLImageFrame>(
      CurrentDraw2DDriver()->CreateFrameFromPixmap(Solid(4, 4, 0xFF0000FF), 0));
  EXPECT_EQ(GraphicsSeq(), rebuilt->seq);
  frame.reset();
  rebuilt->Draw(0, 0, 4, 4, 40, 20);
  EXPECT_TRUE(Near(Px(41, 21), 0, 0, 255));
}

TEST_F(GLDriver, CreatingAFrameLeavesTheContextCurrent) {
  SDL_GLContext before = SDL_GL_GetCurrentContext();
  auto frame = CurrentDraw2DDriver()->CreateFrameFromPixmap(Solid(4, 4, 0xFFFFFFFF), 0);
  EXPECT_EQ(before, SDL_GL_GetCurrentContext());
  frame.reset();
  EXPECT_EQ(before, SDL_GL_GetCurrentContext());
}

TEST(GLScaledPath, GrabsAndCopiesStayInTheContextsOwnPixels) {
  StartGLDraw2DDriver();
  GLForceScaledPath(true);
  TGraphicsPtr g = OpenGraphics(320, 240, 0, 0, 0);
  GLForceScaledPath(false);
  ASSERT_TRUE(g);
  EXPECT_TRUE(GLGraphicsInfo(*g).scaled);
  SetDrawBlend(BlendSolid);
  SetClearColor(0, 0, 0);
  ClearScreen();
  SetDrawColor(255, 0, 0);
  FillRect(10, 10, 5, 5);
  TPixmapPtr grab = GrabScreenPixmap(8, 8, 10, 10);
  ASSERT_TRUE(grab);
  EXPECT_EQ(0xFF000000u, grab->ReadPixel(1, 1));
  EXPECT_EQ(0xFFFF0000u, grab->ReadPixel(2, 2));
  EXPECT_EQ(0xFFFF0000u, grab->ReadPixel(6, 6));
  EXPECT_EQ(0xFF000000u, grab->ReadPixel(7, 7));
  DrawPixmapAt(grab, 100, 100);
  TPixmapPtr again = GrabScreenPixmap(100, 100, 10, 10);
  EXPECT_EQ(grab->ReadPixel(4, 4), again->ReadPixel(4, 4));
  EXPECT_EQ(grab->ReadPixel(0, 0), again->ReadPixel(0, 0));
  FlipGraphics(0);
  EXPECT_EQ(0xFFFF0000u, GrabScreenPixmap(12, 12, 1, 1)->ReadPixel(0, 0))
      << "the offscreen picture outlives the flip";
  SetDrawViewport(0, 0, 100, 100);
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  FlipGraphics(0);
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST)) << "the flip puts the scissor back";
  EndOpenGraphics();
}

TEST_F(GLDriver, RawTextDrawsTheEmbeddedFontGlyphs) {
  SetDrawColor(255, 255, 255);
  GLDrawText(u"A", 16, 32);
  const auto* bits = static_cast<const uint8_t*>(EmbeddedData(u"gldrawtextfont.bin"));
  ASSERT_NE(nullptr, bits) << "the font is registered on first use";
  EXPECT_EQ(GLTextFontBytes, EmbeddedSize(u"gldrawtextfont.bin"));
  int lit = 0, mismatches = 0;
  for (int row = 0; row < 16; ++row) {
    for (int k = 0; k < 8; ++k) {
      bool want = bits[row * 96 + ('A' - 32)] & (1 << k);
      lit += want;
      mismatches += want != Lit(16 + k, 32 + row);
    }
  }
  EXPECT_GT(lit, 0) << "'A' has lit pixels";
  EXPECT_EQ(0, mismatches) << "pixels that differ from the font's bits";
  EXPECT_FALSE(Lit(24, 40)) << "one character is 8 pixels wide";
}

TEST_F(GLDriver, RawHelpersPutTheCallersStateBack) {
  GLfloat before[16], after[16];
  glGetFloatv(GL_PROJECTION_MATRIX, before);
  glEnable(GL_TEXTURE_2D);
  GLDrawRect(0, 0, 4, 4);
  GLDrawPixmap(Solid(2, 2, 0xFF00FF00), 10, 10);
  GLDrawText(u"Hi", 20, 20);
  glGetFloatv(GL_PROJECTION_MATRIX, after);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(before[i], after[i]) << "projection element " << i;
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(GL_MODELVIEW, mode);
  glDisable(GL_TEXTURE_2D);
  EXPECT_TRUE(Near(Px(11, 11), 0, 255, 0)) << "got " << Px(11, 11);
  EXPECT_TRUE(Lit(2, 2));
}

TEST_F(GLDriver, RawTexturesFollowTheSizeRule) {
  int32_t tw = 0, th = 0;
  uint32_t name = GLTexFromPixmap(Solid(50, 26, 0xFFFFFFFF), true, &tw, &th);
  EXPECT_NE(0u, name);
  EXPECT_EQ(64, tw);
  EXPECT_EQ(32, th);
  GLuint n = name;
  EXPECT_TRUE(glIsTexture(n));
  glDeleteTextures(1, &n);
  EXPECT_EQ(0u, GLTexFromPixmap(nullptr));
}
