// Images without a graphics context: creation under the module's defaults, strips, masking,
// locking, and the image collision tests (which need no driver).
#include <gtest/gtest.h>

#include "gfx/collision_internal.h"
#include "gfx/image.h"

namespace {

// An RGB24 picture (no alpha) filled with one colour, optionally with a black rectangle.
TPixmapPtr Rgb(int w, int h, uint32_t argb, int bx = 0, int by = 0, int bw = 0, int bh = 0) {
  TPixmapPtr p = TPixmap::Create(w, h, RGB24, 4);
  p->ClearPixels(argb);
  for (int y = by; y < by + bh; ++y)
    for (int x = bx; x < bx + bw; ++x) p->WritePixel(x, y, 0xFF000000u);
  return p;
}

TImagePtr Sprite(const TPixmapPtr& pixels, int32_t flags = ImageMasked) {
  TImagePtr image = TImage::Load(pixels, flags, 0, 0, 0);
  CentreImageHandle(image);
  return image;
}

// A frame of the driver's kind that draws nothing; enough to see frames being thrown away.
struct InertFrame : TImageFrame {
  void Draw(float, float, float, float, float, float) override {}
};

}  // namespace

TEST(NewImage, GameDefaultsGiveMaskedDynamicCentredFrames) {
  SetDefaultImageFlags(ImageMasked | ImageDynamic);
  SetAutoCentreHandle(1);
  SetImageMaskColor(0, 0, 0);
  TImagePtr image = NewImage(50, 26, 11, -1);
  ASSERT_TRUE(image);
  EXPECT_EQ(9, image->flags);
  EXPECT_EQ(25.0f, image->handle_x);
  EXPECT_EQ(13.0f, image->handle_y);
  EXPECT_EQ(0, image->mask_r + image->mask_g + image->mask_b) << "black mask";
  EXPECT_EQ(11, image->FrameCount());
  for (int i = 0; i < 11; ++i) {
    EXPECT_FALSE(image->pixmaps[i]) << "frame " << i;
    EXPECT_FALSE(image->frames[i]) << "frame " << i;
    EXPECT_EQ(0, image->seqs[i]) << "frame " << i;
  }
  SetDefaultImageFlags(ImageMasked | ImageFiltered);
  SetAutoCentreHandle(0);
}

TEST(NewImage, StartDefaultsAndTheUnchangedMarker) {
  EXPECT_EQ(ImageMasked | ImageFiltered, DefaultImageFlags()) << "default at start";
  EXPECT_EQ(0, AutoCentreHandle()) << "auto-centre off at start";
  SetDefaultImageFlags(-1);
  EXPECT_EQ(3, DefaultImageFlags()) << "-1 leaves the default alone";
  TImagePtr image = NewImage(4, 4);
  EXPECT_EQ(3 | ImageDynamic, image->flags) << "NewImage always adds ImageDynamic";
  EXPECT_EQ(0.0f, image->handle_x) << "no centring while auto-centre is off";
  EXPECT_FALSE(NewImage(-1, 4)) << "negative size";
}

TEST(OpenImageStrip, CellsInReadingOrder) {
  // 100 x 50 holds 4 x 2 cells of 25 x 25; cell i is filled with colour i + 1.
  TPixmapPtr sheet = TPixmap::Create(100, 50, RGBA32, 4);
  for (int i = 0; i < 8; ++i)
    for (int y = 0; y < 25; ++y)
      for (int x = 0; x < 25; ++x)
        sheet->WritePixel(25 * (i % 4) + x, 25 * (i / 4) + y, 0xFF000000u | (i + 1));
  TImagePtr strip = OpenImageStrip(sheet, 25, 25, 0, 8, 0);
  ASSERT_TRUE(strip);
  EXPECT_EQ(8, strip->FrameCount());
  EXPECT_EQ(25, strip->width);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(0xFF000000u | (i + 1), strip->pixmaps[i]->ReadPixel(12, 12)) << "frame " << i;
  EXPECT_FALSE(OpenImageStrip(sheet, 25, 25, 0, 9, 0)) << "only 8 cells";
  TImagePtr tail = OpenImageStrip(sheet, 25, 25, 5, 3, 0);
  ASSERT_TRUE(tail);
  EXPECT_EQ(0xFF000006u, tail->pixmaps[0]->ReadPixel(0, 0)) << "frame 0 is cell 5";
  EXPECT_FALSE(OpenImageStrip(sheet, 25, 25, 6, 3, 0));
}

TEST(OpenImageStrip, UnusableCellSizesGiveNull) {
  TPixmapPtr sheet = Rgb(100, 50, 0xFFFFFFFFu);
  EXPECT_FALSE(OpenImageStrip(sheet, 0, 25, 0, 1)) << "cell width 0";
  EXPECT_FALSE(OpenImageStrip(sheet, 25, 0, 0, 1)) << "cell height 0";
  EXPECT_FALSE(LoadAnim(u"/no/such/picture.png", 0, 0, 0, 1)) << "through a URL too";
  EXPECT_FALSE(OpenImageStrip(sheet, 101, 25, 0, 1)) << "wider than the picture";
  EXPECT_FALSE(OpenImageStrip(sheet, 25, 25, -1, 2)) << "negative first cell";
}

TEST(ImageSetPixmap, MasksOnlyPicturesWithoutAlpha) {
  TImagePtr masked = TImage::Create(4, 1, 2, ImageMasked, 10, 20, 30);
  TPixmapPtr rgb = TPixmap::Create(4, 1, RGB24, 4);
  rgb->ClearPixels(0xFF0A141Eu);  // the mask colour 10, 20, 30
  rgb->WritePixel(3, 0, 0xFFFFFFFFu);
  masked->SetPixmap(0, rgb);
  ASSERT_EQ(RGBA32, masked->pixmaps[0]->format);
  EXPECT_EQ(0u, masked->pixmaps[0]->ReadPixel(0, 0) >> 24) << "mask colour is transparent";
  EXPECT_EQ(0xFFFFFFFFu, masked->pixmaps[0]->ReadPixel(3, 0));

  TPixmapPtr rgba = TPixmap::Create(4, 1, RGBA32, 4);
  rgba->ClearPixels(0x800A141Eu);
  masked->SetPixmap(1, rgba);
  EXPECT_EQ(rgba, masked->pixmaps[1]) << "a picture with alpha is kept as it is";

  TImagePtr plain = TImage::Create(4, 1, 1, 0, 10, 20, 30);
  plain->SetPixmap(0, rgb);
  EXPECT_EQ(rgb, plain->pixmaps[0]) << "no masking without ImageMasked";
}

TEST(ImageLock, MakesAClearFrameAndWritingDropsTheDriverFrame) {
  TImagePtr image = TImage::Create(3, 2, 1, 0, 0, 0, 0);
  TPixmapPtr p = LockImageFrame(image, 0, 1, 0);
  ASSERT_TRUE(p);
  EXPECT_EQ(RGBA32, p->format);
  EXPECT_EQ(3, p->width);
  EXPECT_EQ(2, p->height);
  EXPECT_EQ(0u, p->ReadPixel(2, 1)) << "a new frame is transparent, not garbage";
  EXPECT_EQ(p, image->Lock(0, 1, 0)) << "the same pixmap every time";

  image->frames[0] = std::make_shared<InertFrame>();
  image->seqs[0] = 7;
  image->Lock(0, 1, 0);
  EXPECT_EQ(7, image->seqs[0]) << "reading keeps the driver frame";
  LockImageFrame(image, 0);
  UnlockImageFrame(image, 0);
  EXPECT_EQ(0, image->seqs[0]) << "writing throws it away";
  EXPECT_FALSE(image->frames[0]);

  image->frames[0] = std::make_shared<InertFrame>();
  image->seqs[0] = 7;
  image->SetPixmap(0, Rgb(3, 2, 0xFFFFFFFFu));
  EXPECT_EQ(0, image->seqs[0]) << "a new pixmap throws it away too";
  EXPECT_FALSE(image->frames[0]);
}

// A debug build stops at the caller's error; a release build (the default) answers the
// documented null or 0, which the inner checks hold it to.
TEST(ImageFrameDeathTest, IndexOutsideTheFramesIsTheCallersError) {
  TImagePtr image = TImage::Create(4, 4, 2, 0, 0, 0, 0);
  EXPECT_DEBUG_DEATH(EXPECT_EQ(nullptr, image->Frame(2)) << "expected no frame 2 of two", "frame index");
  EXPECT_DEBUG_DEATH(EXPECT_EQ(nullptr, image->Lock(-1, 1, 0)) << "expected no pixmap for frame -1",
                     "frame index");
  EXPECT_DEBUG_DEATH(EXPECT_EQ(0, ImagesOverlap(image, 0, 0, 5, image, 0, 0, 0))
                         << "expected no overlap for frame 5 of two",
                     "frame index");
  EXPECT_TRUE(image->Lock(1, 1, 0)) << "the last frame is inside";
}

TEST(ImagesOverlap, SolidImagesTouchingAlongAnEdgeDoNotOverlap) {
  TImagePtr a = Sprite(Rgb(10, 10, 0xFFFFFFFFu));
  EXPECT_EQ(0, ImagesOverlap(a, 100, 100, 0, a, 110, 100, 0)) << "x2 = x1 + 10";
  EXPECT_EQ(0, ImagesOverlap(a, 100, 100, 0, a, 100, 110, 0)) << "y2 = y1 + 10";
  EXPECT_EQ(1, ImagesOverlap(a, 100, 100, 0, a, 109, 109, 0)) << "one shared pixel";
}

TEST(ImagesOverlap, MaskedSpritesDoNotCollideWhereOneIsBlack) {
  // A's left half is black (transparent once masked), B is solid white.
  TImagePtr a = Sprite(Rgb(10, 10, 0xFFFFFFFFu, 0, 0, 5, 10));
  TImagePtr b = Sprite(Rgb(10, 10, 0xFFFFFFFFu));
  EXPECT_EQ(0, ImagesOverlap(a, 100, 100, 0, b, 91, 100, 0)) << "B covers only A's black half";
  EXPECT_EQ(1, ImagesOverlap(a, 100, 100, 0, b, 96, 100, 0)) << "B reaches A's white column 5";
}

TEST(ImagesOverlap, OneOpaquePixelCollidesWithItself) {
  TImagePtr dot = Sprite(Rgb(8, 8, 0xFF000000u));
  dot->Lock(0, 1, 1)->WritePixel(3, 6, 0xFFFFFFFFu);
  EXPECT_EQ(1, ImagesOverlap(dot, 50, 50, 0, dot, 50, 50, 0));
  EXPECT_EQ(0, ImagesOverlap(dot, 50, 50, 0, dot, 51, 50, 0)) << "moved by one pixel";
  TImagePtr empty = Sprite(Rgb(8, 8, 0xFF000000u));
  EXPECT_EQ(0, ImagesOverlap(empty, 50, 50, 0, empty, 50, 50, 0)) << "all black: nothing";
}

TEST(ImagesOverlap, PictureWithoutAlphaCollidesAsARectangle) {
  // Not masked, so the RGB24 pixmap is kept and its black pixels count.
  TImagePtr a = Sprite(Rgb(10, 10, 0xFF000000u), 0);
  ASSERT_EQ(RGB24, a->pixmaps[0]->format);
  EXPECT_EQ(1, ImagesOverlap(a, 0, 0, 0, a, 9, 9, 0));
  EXPECT_EQ(0, ImagesOverlap(a, 0, 0, 0, a, 10, 0, 0));
}

TEST(ImagesOverlap, UsesOnlyLayer31) {
  ClearCollisionLayers(0);
  TImagePtr a = Sprite(Rgb(10, 10, 0xFFFFFFFFu));
  CollideImageLayer(a, 0, 0, 0, 0, 1);
  CollideImageLayer(a, 0, 0, 0, 0, 1 << 31);
  ImagesOverlap(a, 0, 0, 0, a, 100, 100, 0);
  EXPECT_EQ(1, CollisionLayerSize(0)) << "layer 0 untouched";
  EXPECT_EQ(1, CollisionLayerSize(31)) << "layer 31 cleared, then the first image written";
}

TEST(TransformedImagesOverlap, RotationTurnsTheFrameAboutItsHandle) {
  TImagePtr bar = Sprite(Rgb(40, 2, 0xFFFFFFFFu));  // horizontal, centred
  TImagePtr dot = Sprite(Rgb(2, 2, 0xFFFFFFFFu));
  EXPECT_EQ(0, TransformedImagesOverlap(bar, 100, 100, 0, 0, 1, 1, dot, 100, 115, 0, 0, 1, 1))
      << "the flat bar misses a dot 15 below its centre";
  EXPECT_EQ(1, TransformedImagesOverlap(bar, 100, 100, 0, 90, 1, 1, dot, 100, 115, 0, 0, 1, 1))
      << "turned upright it reaches the dot";
  EXPECT_EQ(0, TransformedImagesOverlap(bar, 100, 100, 0, 90, 1, 1, dot, 115, 100, 0, 0, 1, 1))
      << "and no longer reaches to the side";
  EXPECT_EQ(1, TransformedImagesOverlap(bar, 100, 100, 0, 45, 1, 1, dot, 110, 110, 0, 0, 1, 1))
      << "at 45 degrees it runs down to the right (clockwise)";
  EXPECT_EQ(0, TransformedImagesOverlap(bar, 100, 100, 0, 45, 1, 1, dot, 90, 110, 0, 0, 1, 1));
}

TEST(TransformedImagesOverlap, ScaleGrowsTheFrameAndMaskTogether) {
  TImagePtr ring = Sprite(Rgb(4, 4, 0xFFFFFFFFu, 1, 1, 2, 2));  // hollow centre once masked
  TImagePtr dot = Sprite(Rgb(2, 2, 0xFFFFFFFFu));
  EXPECT_EQ(0, TransformedImagesOverlap(ring, 0, 0, 0, 0, 1, 1, dot, 0, 10, 0, 0, 1, 1));
  EXPECT_EQ(1, TransformedImagesOverlap(ring, 0, 0, 0, 0, 6, 6, dot, 0, 10, 0, 0, 1, 1))
      << "scaled 6 times the ring's edge reaches 10 pixels down";
  EXPECT_EQ(0, TransformedImagesOverlap(ring, 0, 0, 0, 0, 6, 6, dot, 0, 0, 0, 0, 1, 1))
      << "its hollow centre scales too";
  EXPECT_EQ(1, TransformedImagesOverlap(ring, 0, 0, 0, 0, 1, 1, dot, 0, 10, 0, 0, 1, 12))
      << "the second image's own scale applies to it";
  EXPECT_EQ(1, TransformedImagesOverlap(ring, 0, 0, 0, 0, -6, 6, dot, 0, 10, 0, 0, 1, 1))
      << "mirrored by a negative scale";
  EXPECT_EQ(0, TransformedImagesOverlap(ring, 0, 0, 0, 0, -6, 6, dot, 0, 0, 0, 0, 1, 1));
}

TEST(CollideImageLayer, AnswersTheIdsOfTheQuadsHit) {
  ClearCollisionLayers(0);
  TImagePtr a = Sprite(Rgb(10, 10, 0xFFFFFFFFu));
  auto left = std::make_shared<int>(1), right = std::make_shared<int>(2);
  CollideImageLayer(a, 10, 10, 0, 0, 1 << 3, left);
  CollideImageLayer(a, 30, 10, 0, 0, 1 << 3, right);
  auto hits = CollideImageLayer(a, 22, 10, 0, 1 << 3, 0);
  ASSERT_EQ(1u, hits.size()) << "only the right one";
  EXPECT_EQ(right, hits[0]);
  hits = CollideRectLayer(0, 0, 50, 20, 1 << 3, 0);
  EXPECT_EQ(2u, hits.size()) << "a rectangle over both";
  hits = CollideRectLayer(15, 0, 10, 20, 1 << 3, 0);
  EXPECT_EQ(0u, hits.size()) << "a rectangle between them, touching both";
}
