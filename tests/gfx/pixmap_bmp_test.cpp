#include <gtest/gtest.h>

#include "tests/gfx/pixmap_samples.h"

namespace {

const TPixmapLoaderPtr bmp = CreateBmpLoader();

BmpLayout Layout(int w, int h, int bpp, Bytes rows) {
  BmpLayout s;
  s.width = w, s.height = h, s.bpp = bpp, s.rows = std::move(rows);
  return s;
}

// Four palette entries: black, red, green, blue (stored b, g, r, 0).
Bytes FourColours() { return {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0}; }

// Byte offsets of the fields the tests edit.
constexpr size_t kWidth = 18, kHeight = 22, kBpp = 28;

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

TEST(BmpLoader, TwentyFourBitRowsAreReadBottomUp) {
  // File rows: bottom row (1,2,3 / 4,5,6), then top row (7,8,9 / 10,11,12).
  TPixmapPtr p = Decode(EncodeBmp(Layout(2, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})), bmp);
  ASSERT_TRUE(p);
  EXPECT_EQ(BGR24, p->format);
  EXPECT_EQ(0xFF090807u, p->ReadPixel(0, 0)) << "the last file row is the top row";
  EXPECT_EQ(0xFF060504u, p->ReadPixel(1, 1));
}

TEST(BmpLoader, NegativeHeightIsTopDown) {
  TPixmapPtr p = Decode(EncodeBmp(Layout(2, -2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})), bmp);
  ASSERT_TRUE(p);
  EXPECT_EQ(2, p->height);
  EXPECT_EQ(0xFF030201u, p->ReadPixel(0, 0)) << "the first file row is the top row";
  EXPECT_EQ(0xFF0C0B0Au, p->ReadPixel(1, 1));
}

TEST(BmpLoader, ThirtyTwoBitKeepsAlphaInBgra) {
  TPixmapPtr p = Decode(EncodeBmp(Layout(1, 1, 32, {1, 2, 3, 4})), bmp);
  ASSERT_TRUE(p);
  EXPECT_EQ(BGRA32, p->format);
  EXPECT_EQ(0x04030201u, p->ReadPixel(0, 0));
}

TEST(BmpLoader, PaletteDepthsIndexTheirPalette) {
  BmpLayout one = Layout(10, 1, 1, {0xA0, 0x40});  // 1010 0000 01..
  one.palette = {1, 1, 1, 0, 200, 201, 202, 0};
  TPixmapPtr p1 = Decode(EncodeBmp(one), bmp);
  ASSERT_TRUE(p1);
  const uint32_t on = 0xFFCAC9C8, off = 0xFF010101;
  const uint32_t bits[10] = {on, off, on, off, off, off, off, off, off, on};
  for (int x = 0; x < 10; ++x) EXPECT_EQ(bits[x], p1->ReadPixel(x, 0)) << "1-bit pixel " << x;

  BmpLayout four = Layout(3, 1, 4, {0x12, 0x30});
  four.palette = FourColours();
  four.palette_count = 4;
  TPixmapPtr p4 = Decode(EncodeBmp(four), bmp);
  ASSERT_TRUE(p4);
  EXPECT_EQ(0xFFFF0000u, p4->ReadPixel(0, 0)) << "high nibble first";
  EXPECT_EQ(0xFF00FF00u, p4->ReadPixel(1, 0));
  EXPECT_EQ(0xFF0000FFu, p4->ReadPixel(2, 0));

  BmpLayout eight = Layout(2, 1, 8, {3, 1});
  eight.palette = FourColours();
  eight.palette_count = 4;
  TPixmapPtr p8 = Decode(EncodeBmp(eight), bmp);
  ASSERT_TRUE(p8);
  EXPECT_EQ(0xFF0000FFu, p8->ReadPixel(0, 0));
  EXPECT_EQ(0xFFFF0000u, p8->ReadPixel(1, 0));
}

TEST(BmpLoader, LongerHeaderAndGapBeforePixelsAreHonoured) {
  BmpLayout s = Layout(1, 1, 24, {9, 8, 7});
  s.header_size = 124;
  s.gap = 6;
  TPixmapPtr p = Decode(EncodeBmp(s), bmp);
  ASSERT_TRUE(p);
  EXPECT_EQ(0xFF070809u, p->ReadPixel(0, 0));
}

TEST(BmpLoader, PaletteIndexBeyondThePaletteGivesNull) {
  BmpLayout s = Layout(2, 1, 8, {1, 4});
  s.palette = FourColours();
  s.palette_count = 4;
  EXPECT_FALSE(Decode(EncodeBmp(s), bmp)) << "index 4 of a 4-entry palette";
}

TEST(BmpLoader, PaletteCountBeyondTheLimitGivesNull) {
  for (int bpp : {1, 4, 8}) {
    BmpLayout s = Layout(1, 1, bpp, {0});
    s.palette_count = (1 << bpp) + 1;
    s.palette = Bytes(4 * s.palette_count, 0);
    EXPECT_FALSE(Decode(EncodeBmp(s), bmp)) << bpp << " bits";
  }
  BmpLayout huge = Layout(1, 1, 8, {0});
  huge.palette_count = -1;
  EXPECT_FALSE(Decode(EncodeBmp(huge), bmp));
}

TEST(BmpLoader, BadSizesAndDepthsGiveNull) {
  const Bytes good = EncodeBmp(Layout(2, 2, 24, Pattern(12)));
  ASSERT_TRUE(Decode(good, bmp));
  struct Edit {
    size_t at;
    uint32_t value;
    const char* what;
  } edits[] = {{kWidth, 0, "zero width"},
               {kWidth, 0xFFFFFFFE, "negative width"},
               {kWidth, MaxPixmapSide + 1, "too wide"},
               {kHeight, 0, "zero height"},
               {kHeight, 0x80000000, "height -2147483648"},
               {kHeight, MaxPixmapSide + 1, "too tall"},
               {kHeight, static_cast<uint32_t>(-(MaxPixmapSide + 1)), "too tall, top-down"}};
  for (const Edit& e : edits) {
    Bytes b = good;
    Put32(b, e.at, e.value);
    EXPECT_FALSE(Decode(b, bmp)) << e.what;
  }
  for (int bpp : {0, 2, 16, 33}) {
    Bytes b = good;
    b[kBpp] = static_cast<uint8_t>(bpp);
    EXPECT_FALSE(Decode(b, bmp)) << bpp << " bits per pixel";
  }
  BmpLayout rle = Layout(2, 2, 8, {0, 0, 0, 0});
  rle.compression = 1;
  EXPECT_FALSE(Decode(EncodeBmp(rle), bmp)) << "run-length data is not read as raw pixels";
  Bytes wrong = good;
  wrong[1] = 'A';
  EXPECT_FALSE(Decode(wrong, bmp)) << "signature";
}

TEST(BmpLoader, EveryCutShortFileGivesNull) {
  BmpLayout pal = Layout(5, 3, 4, Pattern(9));
  pal.palette = Bytes(64, 7);
  for (const Bytes& full : {EncodeBmp(Layout(3, 3, 24, Pattern(27))), EncodeBmp(pal)}) {
    ASSERT_TRUE(Decode(full, bmp));
    for (size_t n = 0; n < full.size(); ++n)
      EXPECT_FALSE(Decode(Bytes(full.begin(), full.begin() + n), bmp)) << "cut at " << n << " of " << full.size();
  }
}

TEST(BmpLoader, DeclaredSizeMuchLargerThanTheFileAllocatesBoundedly) {
  // 16384 x 16384 at 32 bits declared in a 58-byte file: refused before the 1 GiB picture.
  Bytes b = EncodeBmp(Layout(1, 1, 32, {1, 2, 3, 4}));
  Put32(b, kWidth, MaxPixmapSide);
  Put32(b, kHeight, MaxPixmapSide);
  EXPECT_FALSE(Decode(b, bmp));
}
