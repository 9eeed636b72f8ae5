#include <gtest/gtest.h>

#include "tests/gfx/pixmap_samples.h"

namespace {

const TPixmapLoaderPtr tga = CreateTgaLoader();

Bytes Tga(int type, int w, int h, int depth, const Bytes& body, int id_length = 0) {
  Bytes b = TgaHeader(type, w, h, depth, id_length);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

}  // namespace

TEST(TgaLoader, UncompressedDepthsGiveTheirPixels) {
  // Rows are stored bottom row first.
  TPixmapPtr p24 = Decode(Tga(2, 2, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), tga);
  ASSERT_TRUE(p24);
  EXPECT_EQ(RGB24, p24->format);
  EXPECT_EQ(0xFF090807u, p24->ReadPixel(0, 0));
  EXPECT_EQ(0xFF060504u, p24->ReadPixel(1, 1));

  TPixmapPtr p32 = Decode(Tga(2, 1, 1, 32, {1, 2, 3, 4}), tga);
  ASSERT_TRUE(p32);
  EXPECT_EQ(RGBA32, p32->format);
  EXPECT_EQ(0x04030201u, p32->ReadPixel(0, 0));

  // 0x7C1F: red 31, green 0, blue 31; bit 15 marks transparency in 16-bit files.
  TPixmapPtr p15 = Decode(Tga(2, 2, 1, 15, {0x1F, 0x7C, 0xE0, 0x83}), tga);
  ASSERT_TRUE(p15);
  EXPECT_EQ(RGB24, p15->format);
  EXPECT_EQ(0xFFF800F8u, p15->ReadPixel(0, 0));
  EXPECT_EQ(0xFF00F800u, p15->ReadPixel(1, 0)) << "bit 15 is ignored at 15 bits";
  TPixmapPtr p16 = Decode(Tga(2, 2, 1, 16, {0x1F, 0x7C, 0xE0, 0x83}), tga);
  ASSERT_TRUE(p16);
  EXPECT_EQ(RGBA32, p16->format);
  EXPECT_EQ(0xFFF800F8u, p16->ReadPixel(0, 0));
  EXPECT_EQ(0x0000F800u, p16->ReadPixel(1, 0)) << "bit 15 set: alpha 0";
}

TEST(TgaLoader, TopLeftOriginIsReadTopDown) {
  Bytes b = Tga(2, 1, 2, 24, {1, 2, 3, 4, 5, 6});
  b[17] = 0x20;
  TPixmapPtr p = Decode(b, tga);
  ASSERT_TRUE(p);
  EXPECT_EQ(0xFF030201u, p->ReadPixel(0, 0)) << "first stored row on top";
  EXPECT_EQ(0xFF060504u, p->ReadPixel(0, 1));
}

TEST(TgaLoader, IdentificationFieldIsSkipped) {
  TPixmapPtr p = Decode(Tga(2, 1, 1, 24, {7, 8, 9}, 5), tga);
  ASSERT_TRUE(p);
  EXPECT_EQ(0xFF090807u, p->ReadPixel(0, 0));
}

TEST(TgaLoader, RunLengthPacketsRepeatAndCopy) {
  // Row (bottom first): a run of 3 of (1,2,3), then 2 raw pixels; top row: one run of 5.
  Bytes body{0x82, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9, 0x84, 10, 11, 12};
  TPixmapPtr p = Decode(Tga(10, 5, 2, 24, body), tga);
  ASSERT_TRUE(p);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(0xFF030201u, p->ReadPixel(x, 1)) << "run pixel " << x;
  EXPECT_EQ(0xFF060504u, p->ReadPixel(3, 1));
  EXPECT_EQ(0xFF090807u, p->ReadPixel(4, 1));
  for (int x = 0; x < 5; ++x) EXPECT_EQ(0xFF0C0B0Au, p->ReadPixel(x, 0)) << "top row pixel " << x;
}

TEST(TgaLoader, PacketRunningPastItsRowIsRefused) {
  EXPECT_FALSE(Decode(Tga(10, 2, 2, 24, {0x82, 1, 2, 3, 0x82, 1, 2, 3}), tga)) << "run of 3 in a row of 2";
  EXPECT_FALSE(Decode(Tga(10, 2, 2, 24, {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x81, 1, 2, 3}), tga)) << "raw of 3";
  EXPECT_FALSE(Decode(Tga(10, 2, 2, 24, {0x80, 1, 2, 3, 0x81, 1, 2, 3, 0x81, 1, 2, 3}), tga))
      << "a packet that would finish a row and start the next";
}

TEST(TgaLoader, HeadersOutsideTheAcceptedSetGiveNull) {
  const Bytes px(4 * 4, 1);
  EXPECT_FALSE(Decode(Tga(1, 2, 2, 24, px), tga)) << "colour-mapped pictures have no decoder";
  EXPECT_FALSE(Decode(Tga(3, 2, 2, 24, px), tga)) << "image type 3";
  EXPECT_FALSE(Decode(Tga(2, 2, 2, 8, px), tga)) << "depth 8";
  EXPECT_FALSE(Decode(Tga(2, 0, 2, 24, px), tga)) << "width 0";
  // Sizes 1..4096 are accepted in both directions.
  EXPECT_FALSE(Decode(Tga(2, 4097, 1, 24, Bytes(4097 * 3, 1)), tga)) << "width 4097, beyond the accepted 4096";
  EXPECT_FALSE(Decode(Tga(2, 1, 4097, 24, Bytes(4097 * 3, 1)), tga)) << "height 4097, beyond the accepted 4096";
  EXPECT_TRUE(Decode(Tga(2, 4096, 1, 24, Bytes(4096 * 3, 1)), tga)) << "width 4096, the largest accepted";
  EXPECT_TRUE(Decode(Tga(2, 1, 4096, 24, Bytes(4096 * 3, 1)), tga)) << "height 4096, the largest accepted";
  Bytes mapped = TgaHeader(2, 1, 1, 24, 0, 1);
  mapped.insert(mapped.end(), {1, 2, 3});
  EXPECT_FALSE(Decode(mapped, tga)) << "colour-map type 1";
  Bytes png_start{0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 1};
  EXPECT_FALSE(Decode(png_start, tga)) << "PNG data is not a TGA";
}

TEST(TgaLoader, EveryCutShortFileGivesNull) {
  const Bytes raw = Tga(2, 3, 2, 32, Pattern(24), 2);
  const Bytes rle = Tga(10, 4, 2, 16, {0x81, 1, 2, 0x01, 3, 4, 5, 6, 0x03, 1, 2, 3, 4, 5, 6, 7, 8});
  for (const Bytes& full : {raw, rle}) {
    ASSERT_TRUE(Decode(full, tga));
    for (size_t n = 0; n < full.size(); ++n)
      EXPECT_FALSE(Decode(Bytes(full.begin(), full.begin() + n), tga)) << "cut at " << n << " of " << full.size();
  }
}
