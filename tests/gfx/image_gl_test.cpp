// Images and text drawn into a real OpenGL context (SDL's offscreen driver with Mesa's
// software renderer), checked by grabbing the pixels back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "gfx/draw2d.h"
#include "gfx/font.h"
#include "gfx/opengl/gl_draw2d.h"
#include "gfx/image.h"

namespace {

const char16_t* const kPlay = u"/usr/share/fonts/truetype/play/Play-Bold.ttf";

uint32_t Rgb(const TPixmapPtr& screen, int x, int y) { return screen->ReadPixel(x, y) & 0xFFFFFF; }

// The box of the pixels brighter than half in every channel; empty when none.
struct Box {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
  bool Empty() const { return x1 < 0; }
};

Box LitBox(const TPixmapPtr& screen) {
  Box b;
  for (int y = 0; y < screen->height; ++y)
    for (int x = 0; x < screen->width; ++x)
      if ((screen->ReadPixel(x, y) & 0x808080) == 0x808080) {
        b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y);
        b.x1 = std::max(b.x1, x), b.y1 = std::max(b.y1, y);
      }
  return b;
}

bool SamePixels(const TPixmapPtr& a, const TPixmapPtr& b) {
  for (int y = 0; y < a->height; ++y)
    for (int x = 0; x < a->width; ++x)
      if (Rgb(a, x, y) != Rgb(b, x, y)) return false;
  return true;
}

// A source font whose one glyph ('a') advances 2.7 pixels, to see how widths are summed.
struct FractionalFont : TFont {
  struct Glyph : TGlyph {
    TGlyphPixels Pixels() override { return {}; }
    float Advance() override { return 2.7f; }
    void GetRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override { x = y = w = h = 0; }
  };
  int32_t Style() override { return 0; }
  int32_t Height() override { return 11; }
  int32_t CountGlyphs() override { return 1; }
  int32_t CharToGlyph(int32_t c) override { return c == 'a' ? 0 : -1; }
  TGlyphPtr LoadGlyph(int32_t) override { return std::make_shared<Glyph>(); }
};

class ImageGL : public ::testing::Test {
 protected:
  void SetUp() override {
    StartGLDraw2DDriver();
    ASSERT_TRUE(OpenGraphics(320, 240, 0, 0, 0)) << "no OpenGL context from the offscreen driver";
    Clear();
  }
  void TearDown() override { EndOpenGraphics(); }

  void Clear(int r = 0, int g = 0, int b = 0) {
    SetClearColor(r, g, b);
    ClearScreen();
  }
  TPixmapPtr Screen() { return GrabScreenPixmap(0, 0, 320, 240); }
};

}  // namespace

TEST_F(ImageGL, GrabDrawGrabAgainShowsTheNewPixels) {
  SetImageMaskColor(0, 0, 0);
  TImagePtr image = NewImage(10, 10, 1, ImageMasked);
  SetDrawColor(255, 0, 0);
  FillRect(0, 0, 5, 10);  // the right half stays black
  GrabImageFrame(image, 0, 0, 0);
  Clear(0, 0, 255);
  DrawImageFrame(image, 100, 100, 0);
  TPixmapPtr s = Screen();
  EXPECT_EQ(0xFF0000u, Rgb(s, 102, 105)) << "first grab drawn";
  EXPECT_EQ(0x0000FFu, Rgb(s, 107, 105)) << "grabbed black is transparent when masked";

  SetDrawColor(0, 255, 0);
  FillRect(0, 0, 10, 10);
  GrabImageFrame(image, 0, 0, 0);
  Clear();
  DrawImageFrame(image, 100, 100, 0);
  EXPECT_EQ(0x00FF00u, Rgb(Screen(), 107, 105)) << "the frame was rebuilt from the new grab";
}

TEST_F(ImageGL, FramesAreBuiltOnceAndRebuiltAfterASecondOpenGraphics) {
  TImagePtr a = NewImage(4, 4, 2, 0), b = NewImage(6, 6, 1, 0);
  a->Lock(0, 1, 1)->ClearPixels(0xFFFF0000u);
  a->Lock(1, 1, 1)->ClearPixels(0xFF00FF00u);
  b->Lock(0, 1, 1)->ClearPixels(0xFF0000FFu);
  for (int i = 0; i < 2; ++i) DrawImageFrame(a, 10.0f + 10 * i, 10, i);
  DrawImageFrame(b, 40, 10, 0);
  const int32_t seq = GraphicsSeq();
  TImageFramePtr first = a->frames[0];
  EXPECT_EQ(seq, a->seqs[0]);
  EXPECT_EQ(seq, b->seqs[0]);
  DrawImageFrame(a, 10, 10, 0);
  EXPECT_EQ(first, a->frames[0]) << "the same context draws the same frame";

  ASSERT_TRUE(OpenGraphics(320, 240, 0, 0, 0));
  Clear();
  EXPECT_NE(seq, GraphicsSeq());
  for (int i = 0; i < 2; ++i) DrawImageFrame(a, 10.0f + 10 * i, 10, i);
  DrawImageFrame(b, 40, 10, 0);
  EXPECT_NE(first, a->frames[0]) << "frame 0 rebuilt";
  EXPECT_EQ(GraphicsSeq(), a->seqs[0]);
  EXPECT_EQ(GraphicsSeq(), a->seqs[1]);
  EXPECT_EQ(GraphicsSeq(), b->seqs[0]);
  TPixmapPtr s = Screen();
  EXPECT_EQ(0xFF0000u, Rgb(s, 11, 11));
  EXPECT_EQ(0x00FF00u, Rgb(s, 21, 11));
  EXPECT_EQ(0x0000FFu, Rgb(s, 42, 12)) << "every image draws in the new context";
}

TEST_F(ImageGL, DrawingTurnsAboutTheImagesOwnHandle) {
  TImagePtr bar = NewImage(20, 4, 1, 0);
  bar->Lock(0, 1, 1)->ClearPixels(0xFFFFFFFFu);
  CentreImageHandle(bar);
  SetDrawHandle(50, 50);  // the drawing handle is for primitives only
  DrawImageFrame(bar, 100, 100, 0);
  Box flat = LitBox(Screen());
  EXPECT_EQ(90, flat.x0);
  EXPECT_EQ(109, flat.x1);
  EXPECT_EQ(98, flat.y0);
  EXPECT_EQ(101, flat.y1);

  Clear();
  SetDrawRotation(90);
  DrawImageFrame(bar, 100, 100, 0);
  SetDrawRotation(0);
  Box upright = LitBox(Screen());
  EXPECT_EQ(98, upright.x0);
  EXPECT_EQ(101, upright.x1);
  EXPECT_EQ(90, upright.y0);
  EXPECT_EQ(109, upright.y1);

  Clear();
  SetDrawOrigin(30, 20);
  DrawImageStretched(bar, 100, 100, 40, 8, 0);
  SetDrawOrigin(0, 0);
  Box stretched = LitBox(Screen());
  EXPECT_EQ(120, stretched.x0) << "the handle (10, 2) is not scaled";
  EXPECT_EQ(159, stretched.x1);
  EXPECT_EQ(118, stretched.y0);
  EXPECT_EQ(125, stretched.y1);
}

TEST_F(ImageGL, TilingCoversTheViewportOnTheImagesGrid) {
  TImagePtr tile = NewImage(16, 16, 1, 0);
  TPixmapPtr p = tile->Lock(0, 1, 1);
  p->ClearPixels(0xFF000000u);
  p->WritePixel(0, 0, 0xFFFF0000u);
  p->WritePixel(15, 15, 0xFF00FF00u);
  SetDrawRotation(90);
  TileImageFrame(tile, 3, 5, 0);
  TPixmapPtr s = Screen();
  EXPECT_EQ(0xFF0000u, Rgb(s, 3, 5));
  EXPECT_EQ(0xFF0000u, Rgb(s, 3 + 16 * 19, 5 + 16 * 14)) << "far corner tile";
  EXPECT_EQ(0u, Rgb(s, 4 + 16 * 19, 5 + 16 * 14)) << "tiles are drawn unturned";
  EXPECT_EQ(0x00FF00u, Rgb(s, 2, 4)) << "the tile left of and above the start";
  Clear();
  TImagePtr bar = NewImage(20, 2, 1, 0);
  bar->Lock(0, 1, 1)->ClearPixels(0xFFFFFFFFu);
  SetDrawRotation(90);
  DrawImageFrame(bar, 100, 100, 0);
  SetDrawRotation(0);
  Box b = LitBox(Screen());
  EXPECT_EQ(b.x0 + 1, b.x1) << "the matrix was put back after tiling: the bar stands upright";
}

TEST_F(ImageGL, DefaultFontDrawsTheBitsOfItsGlyphs) {
  DrawString(u"A", 10, 20);
  const auto* bits = static_cast<const uint8_t*>(EmbeddedData(u"vantlefont.bin"));
  ASSERT_TRUE(bits);
  TPixmapPtr s = Screen();
  for (int row = 0; row < 16; ++row)
    for (int k = 0; k < 8; ++k) {
      const uint32_t want = (bits[row * 96 + ('A' - 32)] >> k) & 1 ? 0xFFFFFFu : 0u;
      EXPECT_EQ(want, Rgb(s, 10 + k, 20 + row)) << "row " << row << " pixel " << k;
    }
}

TEST_F(ImageGL, TextAtRotation90GoesDown) {
  SetDrawRotation(90);
  DrawString(u"A", 100, 100);
  DrawString(u"B", 100, 108);
  TPixmapPtr apart = Screen();
  Clear();
  DrawString(u"AB", 100, 100);
  TPixmapPtr together = Screen();
  SetDrawRotation(0);
  EXPECT_TRUE(SamePixels(apart, together)) << "the second glyph lands 8 pixels below the first";
  Box b = LitBox(together);
  ASSERT_FALSE(b.Empty());
  EXPECT_GE(b.x0, 84) << "glyph rows turn to the left of the pen";
  EXPECT_LE(b.x1, 100);
  EXPECT_GE(b.y0, 100);
  EXPECT_LE(b.y1, 115);
  EXPECT_GT(b.y1, 108) << "the 'B' reaches below the 'A'";
}

TEST_F(ImageGL, TextSkipsWhatTheFontLacksAndSpacesAdvance) {
  DrawString(u"A", 58, 30);
  TPixmapPtr plain = Screen();
  Clear();
  DrawString(u"\u00e9 \u263aA", 50, 30);
  EXPECT_TRUE(SamePixels(plain, Screen()))
      << "only the space moved the pen: characters outside 32-127 are skipped";
}

TEST_F(ImageGL, TextUsesTheDrawingHandleTurnedByTheMatrix) {
  DrawString(u"Hi", 40, 50);
  TPixmapPtr plain = Screen();
  Clear();
  SetDrawHandle(10, 5);
  DrawString(u"Hi", 50, 55);
  EXPECT_TRUE(SamePixels(plain, Screen())) << "handle (10, 5) moves the text up and left";

  Clear();
  SetDrawHandle(0, 0);
  SetDrawRotation(90);
  DrawString(u"Hi", 100, 90);
  TPixmapPtr turned = Screen();
  Clear();
  SetDrawHandle(10, 0);
  DrawString(u"Hi", 100, 100);
  EXPECT_TRUE(SamePixels(turned, Screen())) << "turned, the handle's x runs along y";
  SetDrawHandle(0, 0);
  SetDrawRotation(0);
}

TEST_F(ImageGL, SelectedFontMeasuresAndNullSelectsTheDefault) {
  TImageFontPtr play = OpenImageFont(kPlay, 24, FontSmooth);
  ASSERT_TRUE(play);
  SelectImageFont(play);
  EXPECT_EQ(play, CurrentImageFont());
  EXPECT_EQ(play->Height(), FontLineHeight());
  const int32_t i = play->CharToGlyph('W');
  EXPECT_EQ(2 * static_cast<int32_t>(play->LoadGlyph(i)->Advance()), StringWidth(u"WW"));
  SelectImageFont(nullptr);
  EXPECT_EQ(DefaultImageFont(), CurrentImageFont());
  EXPECT_EQ(16, FontLineHeight());
}

TEST_F(ImageGL, StringWidthTruncatesAtEveryStep) {
  auto font = std::make_shared<TImageFont>();
  font->_src_font = std::make_shared<FractionalFont>();
  font->_glyphs.resize(1);
  SelectImageFont(font);
  EXPECT_EQ(6, StringWidth(u"aaa")) << "2, 4, 6 rather than the 8 of a sum of 8.1";
  EXPECT_EQ(2, StringWidth(u"xay")) << "characters without a glyph add nothing";
  EXPECT_EQ(11, FontLineHeight());
  DrawString(u"aaa", 10, 10);  // glyphs without pictures draw nothing
  EXPECT_TRUE(LitBox(Screen()).Empty());
  SelectImageFont(nullptr);
}

TEST_F(ImageGL, TrueTypeTextDrawsWithinItsGlyphRectangles) {
  TImageFontPtr play = OpenImageFont(kPlay, 24, FontSmooth);
  ASSERT_TRUE(play);
  SelectImageFont(play);
  SetDrawBlend(BlendAlpha);
  DrawString(u"I", 100, 100);
  SetDrawBlend(BlendMask);
  SelectImageFont(nullptr);
  TImageGlyphPtr g = play->LoadGlyph(play->CharToGlyph('I'));
  ASSERT_TRUE(g && g->_image);
  EXPECT_EQ(GraphicsSeq(), g->_image->seqs[0]) << "the glyph's frame was made for drawing";
  Box b = LitBox(Screen());
  ASSERT_FALSE(b.Empty()) << "the stroke of the I";
  EXPECT_GE(b.x0, 100 + g->_x);
  EXPECT_LT(b.x1, 100 + g->_x + g->_w);
  EXPECT_GE(b.y0, 100 + g->_y);
  EXPECT_LT(b.y1, 100 + g->_y + g->_h);
  EXPECT_GT(b.y1 - b.y0, 10) << "a capital at size 24 is tall";
}
