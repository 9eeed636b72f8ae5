#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/gfx/pixmap_samples.h"

namespace {

const TPixmapLoaderPtr jpeg = CreateJpegLoader();

JpegLayout Flat(int w, int h, int components, std::initializer_list<uint8_t> value, bool progressive = false) {
  JpegLayout s;
  s.width = w, s.height = h, s.components = components, s.quality = 100, s.progressive = progressive;
  for (int i = 0; i < w * h; ++i) s.pixels.insert(s.pixels.end(), value.begin(), value.end());
  return s;
}

// Offset of the first marker of the given kind (0xFF, code), or npos.
size_t FindMarker(const Bytes& b, uint8_t code, size_t from = 2) {
  size_t at = from;
  while (at + 4 <= b.size() && b[at] == 0xFF) {
    if (b[at + 1] == code) return at;
    if (b[at + 1] == 0xDA) return std::string::npos;  // entropy data follows: stop walking
    at += 2 + (b[at + 2] << 8 | b[at + 3]);
  }
  return std::string::npos;
}

void SetSize(Bytes& b, uint16_t w, uint16_t h) {
  size_t sof = FindMarker(b, 0xC0);
  if (sof == std::string::npos) sof = FindMarker(b, 0xC2);
  ASSERT_NE(std::string::npos, sof) << "no frame header";
  b[sof + 5] = h >> 8, b[sof + 6] = h & 255, b[sof + 7] = w >> 8, b[sof + 8] = w & 255;
}

void ExpectNear(uint32_t expected, uint32_t got, int tolerance, const char* what) {
  for (int s = 0; s < 32; s += 8) {
    int e = expected >> s & 255, g = got >> s & 255;
    EXPECT_LE(std::abs(e - g), tolerance) << what << ": expected " << std::hex << expected << ", got " << got;
  }
}

}  // namespace

TEST(JpegLoader, GreyAndColourGiveGrey8AndRgb24) {
  TPixmapPtr grey = Decode(EncodeJpeg(Flat(16, 8, 1, {100})), jpeg);
  ASSERT_TRUE(grey);
  EXPECT_EQ(Grey8, grey->format);
  EXPECT_EQ(16, grey->width);
  EXPECT_EQ(8, grey->height);
  ExpectNear(0xFF646464, grey->ReadPixel(7, 3), 1, "grey");

  TPixmapPtr rgb = Decode(EncodeJpeg(Flat(24, 16, 3, {200, 40, 90})), jpeg);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(RGB24, rgb->format);
  EXPECT_EQ(72, rgb->pitch);
  ExpectNear(0xFFC8285A, rgb->ReadPixel(12, 9), 3, "colour");
}

TEST(JpegLoader, ProgressiveFileDecodes) {
  TPixmapPtr p = Decode(EncodeJpeg(Flat(40, 30, 3, {10, 120, 250}, true)), jpeg);
  ASSERT_TRUE(p);
  EXPECT_EQ(40, p->width);
  ExpectNear(0xFF0A78FA, p->ReadPixel(39, 29), 3, "progressive");
}

TEST(JpegLoader, FourComponentFileGivesNull) {
  EXPECT_FALSE(Decode(EncodeJpeg(Flat(8, 8, 4, {1, 2, 3, 4})), jpeg));
}

TEST(JpegLoader, NotAJpegGivesNull) {
  EXPECT_FALSE(Decode({}, jpeg));
  EXPECT_FALSE(Decode({0xFF, 0xD8}, jpeg));
  EXPECT_FALSE(Decode({'B', 'M', 0, 0, 0, 0}, jpeg));
  EXPECT_FALSE(Decode({0xFF, 0xD8, 0xFF, 0xD9}, jpeg)) << "start then end, no picture";
}

TEST(JpegLoader, EveryCutShortFileGivesNull) {
  for (bool progressive : {false, true}) {
    JpegLayout s = Flat(16, 16, 3, {0, 0, 0}, progressive);
    s.pixels = Pattern(16 * 16 * 3);
    Bytes full = EncodeJpeg(s);
    ASSERT_TRUE(Decode(full, jpeg));
    for (size_t n = 0; n < full.size(); ++n) {
      Bytes cut(full.begin(), full.begin() + n);
      EXPECT_FALSE(Decode(cut, jpeg)) << (progressive ? "progressive" : "baseline") << " cut at " << n;
    }
  }
}

TEST(JpegLoader, HugeDeclaredSizeIsRefusedBeforeDecoding) {
  Bytes b = EncodeJpeg(Flat(16, 16, 3, {5, 5, 5}));
  Bytes wide = b;
  SetSize(wide, 20000, 16);
  EXPECT_FALSE(Decode(wide, jpeg)) << "wider than the limit";
  Bytes big = b;
  SetSize(big, 16384, 16384);
  EXPECT_FALSE(Decode(big, jpeg)) << "a few hundred bytes cannot code 16384 x 16384 pixels";
  Bytes prog = EncodeJpeg(Flat(16, 16, 3, {5, 5, 5}, true));
  SetSize(prog, 16384, 16384);
  EXPECT_FALSE(Decode(prog, jpeg)) << "progressive, same size";
}

TEST(JpegLoader, ThousandsOfScansAreCutOff) {
  Bytes b = EncodeJpeg(Flat(16, 16, 1, {77}, true));
  ASSERT_TRUE(Decode(b, jpeg)) << "the plain progressive file decodes";
  // Repeat the last scan (its header up to the end marker) 3000 times.
  size_t last = std::string::npos;
  for (size_t i = 2; i + 1 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == 0xDA) last = i;
  ASSERT_NE(std::string::npos, last);
  Bytes scan(b.begin() + last, b.end() - 2);
  Bytes many(b.begin(), b.end() - 2);
  for (int i = 0; i < 3000; ++i) many.insert(many.end(), scan.begin(), scan.end());
  many.push_back(0xFF), many.push_back(0xD9);
  EXPECT_FALSE(Decode(many, jpeg));
}

TEST(JpegLoader, ReadsFromTheStreamPositionItIsGiven) {
  Bytes b{'x', 'y', 'z'};
  Bytes j = EncodeJpeg(Flat(8, 8, 1, {50}));
  b.insert(b.end(), j.begin(), j.end());
  TStreamPtr s = MemoryStream(b);
  s->Seek(3);
  TPixmapPtr p = jpeg->LoadPixmap(s);
  ASSERT_TRUE(p);
  ExpectNear(0xFF323232, p->ReadPixel(4, 4), 1, "offset picture");
}
