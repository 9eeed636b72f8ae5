// The OpenGL ES driver draws what the OpenGL driver draws: each scene goes through both
// drivers into offscreen contexts of one size and the pixels read back are compared.
// Upright unscaled frames, fills, text, clearing, pixmaps and the five blend modes must be
// identical; turned or scaled frames, lines, points and ovals within 2 per channel on at
// least 99.5 % of the pixels. Built twice: against OpenGL ES 3.0 and against the desktop
// form, OpenGL 3.3 core (VS_DESKTOP_FORM).
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "gfx/draw2d.h"
#include "gfx/font.h"
#include "gfx/gles/gles_draw2d_internal.h"
#include "gfx/image.h"
#include "gfx/opengl/gl_draw2d.h"
#include "gfx/opengl/gl_draw2d_internal.h"

namespace {

constexpr int32_t kW = 320, kH = 240;
const char16_t* const kPlay = u"/usr/share/fonts/truetype/play/Play-Bold.ttf";

// A picture with every kind of texel a sprite has: colours, black (the mask colour), a
// gradient for the filters to blend, and an odd size so that its texture is padded.
TPixmapPtr Sprite(int32_t w, int32_t h, uint32_t seed) {
  TPixmapPtr p = TPixmap::Create(w, h, RGB24, 4);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint32_t r = (x * 255 / std::max(w - 1, 1) + seed) & 0xFF;
      uint32_t g = (y * 255 / std::max(h - 1, 1)) & 0xFF;
      uint32_t b = ((x ^ y) * 37 + seed * 3) & 0xFF;
      if ((x + y + seed) % 7 == 0) r = g = b = 0;  // masked out
      p->WritePixel(x, y, 0xFF000000u | r << 16 | g << 8 | b);
    }
  return p;
}

TImagePtr Image(int32_t w, int32_t h, int32_t flags, uint32_t seed) {
  TImagePtr image = OpenImage(Sprite(w, h, seed), flags);
  if (image) CentreImageHandle(image);
  return image;
}

struct Difference {
  int64_t differing = 0;  // pixels with any channel apart
  int64_t beyond = 0;     // pixels with a channel more than 2 apart
  int32_t worst = 0;
  int32_t first_x = -1, first_y = -1;
  uint32_t first_gl = 0, first_es = 0;
};

Difference Compare(const TPixmapPtr& gl, const TPixmapPtr& es) {
  Difference d;
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) {
      const uint32_t a = gl->ReadPixel(x, y), b = es->ReadPixel(x, y);
      int32_t most = 0;
      for (int shift : {0, 8, 16}) most = std::max(most, std::abs(int32_t((a >> shift) & 0xFF) - int32_t((b >> shift) & 0xFF)));
      if (most == 0) continue;
      if (d.differing++ == 0) d.first_x = x, d.first_y = y, d.first_gl = a, d.first_es = b;
      if (most > 2) ++d.beyond;
      d.worst = std::max(d.worst, most);
    }
  return d;
}

std::string Describe(const Difference& d) {
  char text[200];
  std::snprintf(text, sizeof text,
                "%lld pixels differ, %lld by more than 2 (worst %d); first at (%d, %d): OpenGL "
                "%06X, OpenGL ES %06X",
                static_cast<long long>(d.differing), static_cast<long long>(d.beyond), d.worst,
                d.first_x, d.first_y, d.first_gl & 0xFFFFFF, d.first_es & 0xFFFFFF);
  return text;
}

class DriversAgree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
#ifdef VS_DESKTOP_FORM
    GLESAskForContexts({{SDL_GL_CONTEXT_PROFILE_CORE, 3, 3}});
#endif
    StartGLESDraw2DDriver();
    // Frames are stamped with the generation of contexts, which the first opening starts.
    OpenGraphics(16, 16, 0, 0, 0);
    EndOpenGraphics();
    gl_ = TheGLDraw2DDriver().CreateGraphics(kW, kH, 0, 0, GraphicsBackBuffer);
    es_ = TheGLESDraw2DDriver().CreateGraphics(kW, kH, 0, 0, GraphicsBackBuffer);
  }
  static void TearDownTestSuite() {
    MakeGraphicsCurrent(nullptr);
    gl_.reset();
    es_.reset();
    // Making the OpenGL context current selected its driver: the OpenGL ES one, as started,
    // is selected again for the tests that follow.
    SelectGraphicsDriver(&TheGLESDraw2DDriver(), GraphicsBackBuffer);
  }

  void SetUp() override {
    ASSERT_TRUE(gl_) << "expected an OpenGL context of " << kW << " x " << kH << ", got none";
    ASSERT_TRUE(es_) << "expected an OpenGL ES context, got none (handed over: "
                     << GLESHandedOver() << ")";
    ASSERT_EQ(es_->Driver(), &TheGLESDraw2DDriver()) << "expected the OpenGL ES driver's context";
  }

  // The scene drawn through one driver from the same starting state, read back. Scenes make
  // their own images: an image keeps the frame of the driver that drew it first.
  static TPixmapPtr Render(const TGraphicsPtr& g, const std::function<void()>& scene) {
    MakeGraphicsCurrent(g);
    SetDrawBlend(BlendSolid);
    SetDrawColor(255, 255, 255);
    SetDrawAlpha(1.0f);
    SetDrawTransform(0.0f, 1.0f, 1.0f);
    SetDrawLineWidth(1.0f);
    SetDrawViewport(0, 0, kW, kH);
    SetDrawHandle(0, 0);
    SetDrawOrigin(0, 0);
    SetClearColor(20, 30, 60);
    SelectImageFont(nullptr);
    ClearScreen();
    scene();
    TPixmapPtr shot = GrabScreenPixmap(0, 0, kW, kH);
    FlipGraphics(0);
    return shot;
  }

  static void ExpectIdentical(const std::function<void()>& scene) {
    const Difference d = Compare(Render(gl_, scene), Render(es_, scene));
    EXPECT_EQ(d.differing, 0) << "expected identical pixels, got " << Describe(d);
  }

  static void ExpectClose(const std::function<void()>& scene) {
    const Difference d = Compare(Render(gl_, scene), Render(es_, scene));
    EXPECT_LE(d.beyond * 1000, int64_t{kW} * kH * 5)
        << "expected at least 99.5 % of the pixels within 2 per channel, got " << Describe(d);
  }

  static TGraphicsPtr gl_, es_;
};

TGraphicsPtr DriversAgree::gl_, DriversAgree::es_;

// A backdrop under the blended scenes, so that every mode has something to blend with.
void Backdrop(const TImagePtr& image) {
  SetDrawBlend(BlendSolid);
  for (int32_t y = 0; y < kH; y += image->height)
    for (int32_t x = 0; x < kW; x += image->width)
      DrawImageFrame(image, static_cast<float>(x) + image->handle_x,
                     static_cast<float>(y) + image->handle_y, 0);
}

TEST_F(DriversAgree, UprightUnscaledFramesOfEveryFlagAndSize) {
  // Frames that share array textures and frames with textures of their own, with and
  // without filtering and mipmaps; the game's sprite sizes among them.
  ExpectIdentical([] {
    std::vector<TImagePtr> images;
    for (int32_t flags : {ImageMasked, ImageMasked | ImageFiltered, ImageFiltered | ImageMipmapped,
                          ImageMasked | ImageDynamic})
      for (auto [w, h] : {std::pair{50, 26}, {12, 28}, {13, 13}, {64, 64}, {100, 70}, {33, 65}})
        images.push_back(Image(w, h, flags, static_cast<uint32_t>(images.size() * 11)));
    SetDrawBlend(BlendMask);
    float x = 40, y = 40;
    for (const TImagePtr& image : images) {
      DrawImageFrame(image, x, y, 0);
      x += 53;
      if (x > kW - 40) x = 40, y += 50;
    }
  });
}

TEST_F(DriversAgree, FillsAndTheFiveBlendModesWithColourAndAlpha) {
  ExpectIdentical([] {
    TImagePtr back = Image(64, 48, ImageFiltered, 5);
    TImagePtr sprite = Image(40, 30, ImageMasked, 9);
    TImagePtr big = Image(90, 70, ImageMasked | ImageFiltered, 3);
    Backdrop(back);
    int32_t i = 0;
    for (int32_t mode : {BlendMask, BlendSolid, BlendAlpha, BlendAdd, BlendMultiply, 9}) {
      const float x = 10.0f + 50.0f * static_cast<float>(i++);
      SetDrawBlend(mode);
      SetDrawColor(250, 120 + 20 * i, 60);
      SetDrawAlpha(i % 2 ? 0.5f : 0.8f);
      FillRect(x, 10, 40, 40);
      SetDrawColor(200, 255, 180);
      DrawImageFrame(sprite, x + 20, 90, 0);
      DrawImageFrame(big, x + 20, 160, 0);
      SetDrawAlpha(0.3f);  // under one half: BlendMask draws nothing
      FillRect(x, 210, 40, 20);
    }
  });
}

TEST_F(DriversAgree, TextOfTheDefaultAndASmoothFont) {
  ASSERT_TRUE(OpenImageFont(kPlay, 24, FontSmooth)) << "expected Play-Bold.ttf from fonts-play, got no font";
  // The default font's glyphs are images too: each driver gets glyphs of its own.
  ExpectIdentical([] {
    TImageFontPtr smooth = OpenImageFont(kPlay, 24, FontSmooth);
    SelectImageFont(TImageFont::CreateDefault());
    SetDrawBlend(BlendAlpha);
    SetDrawColor(200, 200, 255);
    DrawString(u"Score: 1230  Best: 99999", 4, 4);
    SelectImageFont(smooth);
    DrawString(u"Start Game", 20, 40);
    SetDrawColor(250, 250, 85);
    DrawString(u"3D Graphics: R\\C", 20, 80);
    SetDrawBlend(BlendAdd);
    SetDrawColor(140, 4, 40);
    DrawString(u"Exit Vektor Swarm", 20, 130);
    SetDrawBlend(BlendMask);
    SelectImageFont(TImageFont::CreateDefault());
    DrawString(u"Version 1.0.0", 20, 200);
  });
}

TEST_F(DriversAgree, ViewportClearsAndClipsAndPixmapsComeBackAsTheyWent) {
  ExpectIdentical([] {
    TImagePtr sprite = Image(50, 26, ImageMasked, 1);
    TPixmapPtr picture = Sprite(70, 45, 17);
    SetDrawViewport(30, 20, 200, 150);
    SetClearColor(90, 10, 10);
    ClearScreen();
    SetDrawBlend(BlendMask);
    for (int32_t i = 0; i < 8; ++i) DrawImageFrame(sprite, 20.0f + 30.0f * i, 30.0f + 20.0f * i, 0);
    SetDrawViewport(0, 0, kW, kH);
    SetDrawBlend(BlendAlpha);
    SetDrawAlpha(0.5f);
    DrawPixmapAt(picture, 230, 170);  // untouched by blend, colour and alpha
    DrawPixmapAt(GrabScreenPixmap(30, 20, 60, 40), 250, 10);
  });
}

TEST_F(DriversAgree, TurnedAndScaledFramesWithinTwo) {
  ExpectClose([] {
    TImagePtr nearest = Image(50, 26, ImageMasked, 2);
    TImagePtr filtered = Image(13, 13, ImageMasked | ImageFiltered, 4);
    TImagePtr mipmapped = Image(60, 40, ImageFiltered | ImageMipmapped, 6);
    TImagePtr large = Image(120, 90, ImageFiltered, 8);
    TImagePtr exact = Image(32, 16, ImageFiltered, 10);  // no padding: its edge is clamped
    SetDrawBlend(BlendMask);
    for (int32_t i = 0; i < 6; ++i) {
      SetDrawTransform(17.0f + 29.0f * i, 0.8f + 0.3f * i, 1.1f);
      DrawImageFrame(nearest, 30.0f + 50.0f * i, 30, 0);
      DrawImageFrame(filtered, 30.0f + 50.0f * i, 80, 0);
    }
    SetDrawBlend(BlendAlpha);
    SetDrawTransform(0.0f, 0.4f, 0.35f);  // minified: the mipmaps are sampled
    DrawImageFrame(mipmapped, 60, 130, 0);
    SetDrawTransform(-12.0f, 1.9f, 1.9f);
    DrawImageFrame(mipmapped, 140, 150, 0);
    SetDrawTransform(33.0f, 0.9f, 0.6f);
    DrawImageFrame(large, 250, 170, 0);
    SetDrawTransform(0.0f, 1.0f, 1.0f);
    DrawImageStretched(nearest, 50, 215, 90, 30, 0);
    DrawImageStretched(exact, 200, 200, 110, 38, 0);
  });
}

TEST_F(DriversAgree, LinesPointsOvalsAndPolygonsWithinTwo) {
  ExpectClose([&] {
    SetDrawColor(255, 220, 100);
    for (int32_t i = 0; i < 12; ++i)
      DrawLineSegment(10.0f + 7.0f * i, 10, 60.0f + 19.0f * i, 90.0f + 3.0f * i, i % 2);
    SetDrawLineWidth(3.0f);
    SetDrawColor(100, 220, 255);
    DrawLineSegment(20, 120, 300, 150, 0);
    DrawLineSegment(40, 200, 70, 110, 0);
    SetDrawLineWidth(1.0f);
    for (int32_t i = 0; i < 40; ++i) PlotPoint(200.0f + (i * 13) % 100, 20.0f + (i * 7) % 60);
    SetDrawBlend(BlendAlpha);
    SetDrawAlpha(0.7f);
    SetDrawColor(250, 80, 200);
    FillOval(150, 100, 100, 60);
    FillOval(10, 160, 10, 10);
    SetDrawRotation(25.0f);
    FillOval(200, 170, 80, 40);
    SetDrawRotation(0.0f);
    SetDrawColor(60, 250, 90);
    FillPoly({260, 100, 310, 130, 290, 200, 240, 180});
  });
}

TEST_F(DriversAgree, TexturesLargerThanTheLibraryAllowsShrinkAlike) {
  // Sizes past any limit the library has: both drivers halve both sides until it takes them.
  for (auto [w, h] : {std::pair{50, 26}, {640, 480}, {40000, 3}, {3, 70000}, {1 << 20, 1 << 20}}) {
    int32_t gl_w = w, gl_h = h, es_w = w, es_h = h;
    MakeGraphicsCurrent(gl_);
    AdjustTexSize(gl_w, gl_h);
    MakeGraphicsCurrent(es_);
    GLESAdjustTexSize(es_w, es_h);
    EXPECT_TRUE(gl_w == es_w && gl_h == es_h)
        << "expected the OpenGL driver's " << gl_w << " x " << gl_h << " for " << w << " x " << h
        << ", got " << es_w << " x " << es_h;
  }
}

TEST(GLESBatching, SpritesOfOneSheetStarsAndTextGoOutInOneDrawEach) {
  StartGLESDraw2DDriver();
  TGraphicsPtr g = OpenGraphics(kW, kH, 0, 0, 0);
  ASSERT_TRUE(g) << "expected a context, got none";
  ASSERT_EQ(CurrentGraphicsDriver(), &TheGLESDraw2DDriver()) << "expected the OpenGL ES driver current";
  TImagePtr sheet = NewImage(50, 26, 11, -1);
  TImagePtr dots = NewImage(13, 13, 2, -1);
  for (int32_t i = 0; i < 11; ++i) sheet->SetPixmap(i, Sprite(50, 26, static_cast<uint32_t>(i)));
  for (int32_t i = 0; i < 2; ++i) dots->SetPixmap(i, Sprite(13, 13, static_cast<uint32_t>(i)));
  auto draws_of = [](const std::function<void()>& part) {
    part();  // textures are made on first use
    FlipGraphics(0);
    const int64_t before = GLESDrawCounts().draws;
    part();
    FlipGraphics(0);
    return GLESDrawCounts().draws - before;
  };
  EXPECT_EQ(draws_of([&] {
              SetDrawBlend(BlendMask);
              for (int32_t i = 0; i < 50; ++i) {
                SetDrawColor(255, 5 * i, 255);  // colour travels with the vertices
                SetDrawTransform(static_cast<float>(i * 7), 1.0f, 1.0f);
                DrawImageFrame(sheet, 10.0f + 6.0f * i, 40.0f + 3.0f * i, i % 11);
              }
              SetDrawTransform(0, 1, 1);
            }),
            1)
      << "expected the 50 sprites of one sheet in one draw";
  EXPECT_EQ(draws_of([&] {
              SetDrawBlend(BlendAdd);
              for (int32_t i = 0; i < 120; ++i)
                DrawImageFrame(dots, static_cast<float>(i * 37 % kW), static_cast<float>(i * 53 % kH), i % 2);
            }),
            1)
      << "expected 120 stars of two eyes' colours in one draw";
  EXPECT_EQ(draws_of([&] {
              SetDrawBlend(BlendAlpha);
              DrawString(u"Score: 000123   Best: 004560   Stage: 07", 4, 4);
            }),
            1)
      << "expected the glyphs of a text in one draw";
  EXPECT_EQ(draws_of([&] {
              SetDrawBlend(BlendMask);
              DrawImageFrame(sheet, 100, 100, 0);
              SetDrawBlend(BlendAlpha);
              DrawImageFrame(sheet, 100, 100, 1);
              SetDrawViewport(0, 0, 100, 100);
              DrawImageFrame(sheet, 100, 100, 2);
              SetDrawViewport(0, 0, kW, kH);
              FillRect(0, 0, 5, 5);
              DrawLineSegment(0, 0, 10, 10, 0);
            }),
            5)
      << "expected a draw at each change of blend mode, scissor, texture and primitive kind";
  EndOpenGraphics();
}

}  // namespace
