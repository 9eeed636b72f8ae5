#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>

#include "tests/gfx/pixmap_samples.h"

namespace {

const TPixmapLoaderPtr png = CreatePngLoader();

PngLayout Layout(int w, int h, int colour_type, int depth, Bytes pixels) {
  PngLayout s;
  s.width = w, s.height = h, s.colour_type = colour_type, s.bit_depth = depth, s.pixels = std::move(pixels);
  return s;
}

Bytes SmallRgb() { return EncodePng(Layout(5, 4, PNG_COLOR_TYPE_RGB, 8, Pattern(60))); }

// Writes a raw chunk with a correct CRC.
void AppendChunk(Bytes& b, const char* type, const Bytes& data) {
  uint32_t n = static_cast<uint32_t>(data.size());
  Bytes chunk{static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
              static_cast<uint8_t>(n)};
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  uLong crc = crc32(0, chunk.data() + 4, n + 4);
  for (int s = 24; s >= 0; s -= 8) chunk.push_back(static_cast<uint8_t>(crc >> s));
  b.insert(b.end(), chunk.begin(), chunk.end());
}

// A PNG whose header declares w x h RGB pixels and whose IDAT is `idat`.
Bytes HandMadePng(uint32_t w, uint32_t h, const Bytes& idat) {
  Bytes b{0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  Bytes ihdr{static_cast<uint8_t>(w >> 24), static_cast<uint8_t>(w >> 16), static_cast<uint8_t>(w >> 8),
             static_cast<uint8_t>(w),       static_cast<uint8_t>(h >> 24), static_cast<uint8_t>(h >> 16),
             static_cast<uint8_t>(h >> 8),  static_cast<uint8_t>(h),       8, 2, 0, 0, 0};
  AppendChunk(b, "IHDR", ihdr);
  AppendChunk(b, "IDAT", idat);
  AppendChunk(b, "IEND", {});
  return b;
}

Bytes Deflate(const Bytes& raw) {
  uLongf n = compressBound(raw.size());
  Bytes out(n);
  compress2(out.data(), &n, raw.data(), raw.size(), 9);
  out.resize(n);
  return out;
}

}  // namespace

TEST(PngLoader, ColourTypesGiveTheirFormats) {
  TPixmapPtr grey = Decode(EncodePng(Layout(3, 2, PNG_COLOR_TYPE_GRAY, 8, {1, 2, 3, 4, 5, 6})), png);
  ASSERT_TRUE(grey);
  EXPECT_EQ(Grey8, grey->format);
  EXPECT_EQ(0xFF060606u, grey->ReadPixel(2, 1));

  Bytes rgb_bytes = Pattern(60);
  TPixmapPtr rgb = Decode(EncodePng(Layout(5, 4, PNG_COLOR_TYPE_RGB, 8, rgb_bytes)), png);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(RGB24, rgb->format);
  EXPECT_EQ(16, rgb->pitch) << "15-byte rows aligned to 4";
  for (int y = 0; y < 4; ++y) EXPECT_EQ(0, std::memcmp(rgb_bytes.data() + y * 15, rgb->PixelPtr(0, y), 15));

  TPixmapPtr rgba = Decode(EncodePng(Layout(2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, {1, 2, 3, 4, 5, 6, 7, 8})), png);
  ASSERT_TRUE(rgba);
  EXPECT_EQ(RGBA32, rgba->format);
  EXPECT_EQ(0x08050607u, rgba->ReadPixel(1, 0));
}

TEST(PngLoader, GreyWithAlphaKeepsGreyAndItsOwnAlpha) {
  TPixmapPtr p = Decode(EncodePng(Layout(3, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {10, 200, 20, 0, 30, 255})), png);
  ASSERT_TRUE(p);
  ASSERT_EQ(RGBA32, p->format);
  EXPECT_EQ(0xC80A0A0Au, p->ReadPixel(0, 0));
  EXPECT_EQ(0x00141414u, p->ReadPixel(1, 0));
  EXPECT_EQ(0xFF1E1E1Eu, p->ReadPixel(2, 0));
}

TEST(PngLoader, PaletteExpandsToRgbOrRgbaWithTransparency) {
  PngLayout s = Layout(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2});
  s.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  TPixmapPtr plain = Decode(EncodePng(s), png);
  ASSERT_TRUE(plain);
  EXPECT_EQ(RGB24, plain->format);
  EXPECT_EQ(0xFF00FF00u, plain->ReadPixel(1, 0));

  s.trns = {0, 128};  // entry 2 has no tRNS value: opaque
  TPixmapPtr clear = Decode(EncodePng(s), png);
  ASSERT_TRUE(clear);
  EXPECT_EQ(RGBA32, clear->format);
  EXPECT_EQ(0x00FF0000u, clear->ReadPixel(0, 0));
  EXPECT_EQ(0x8000FF00u, clear->ReadPixel(1, 0));
  EXPECT_EQ(0xFF0000FFu, clear->ReadPixel(2, 0));
}

TEST(PngLoader, SixteenBitChannelsBecomeEightBits) {
  // Samples are big-endian; the high byte survives.
  TPixmapPtr p = Decode(EncodePng(Layout(1, 1, PNG_COLOR_TYPE_RGB, 16, {0x12, 0xFF, 0x34, 0x00, 0xAB, 0x80})), png);
  ASSERT_TRUE(p);
  EXPECT_EQ(RGB24, p->format);
  EXPECT_EQ(0xFF1234ABu, p->ReadPixel(0, 0));
  TPixmapPtr ga = Decode(EncodePng(Layout(1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16, {0x40, 1, 0x90, 2})), png);
  ASSERT_TRUE(ga);
  EXPECT_EQ(0x90404040u, ga->ReadPixel(0, 0));
}

TEST(PngLoader, LowBitGreyExpandsToFullRange) {
  TPixmapPtr p = Decode(EncodePng(Layout(8, 1, PNG_COLOR_TYPE_GRAY, 1, {0xA5})), png);
  ASSERT_TRUE(p);
  EXPECT_EQ(Grey8, p->format);
  const uint8_t expected[8] = {255, 0, 255, 0, 0, 255, 0, 255};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(expected[x], p->pixels[x]) << "pixel " << x;
  PngLayout s = Layout(2, 1, PNG_COLOR_TYPE_GRAY, 4, {0x3F});
  s.trns = {0, 3};
  TPixmapPtr keyed = Decode(EncodePng(s), png);
  ASSERT_TRUE(keyed);
  EXPECT_EQ(RGBA32, keyed->format) << "a grey tRNS key becomes an alpha channel";
  EXPECT_EQ(0x00333333u, keyed->ReadPixel(0, 0));
  EXPECT_EQ(0xFFFFFFFFu, keyed->ReadPixel(1, 0));
}

TEST(PngLoader, InterlacedDecodesToTheSamePixels) {
  PngLayout s = Layout(13, 11, PNG_COLOR_TYPE_RGB, 8, Pattern(13 * 11 * 3, 5));
  TPixmapPtr a = Decode(EncodePng(s), png);
  s.interlaced = true;
  TPixmapPtr b = Decode(EncodePng(s), png);
  ASSERT_TRUE(a && b);
  for (int y = 0; y < 11; ++y) EXPECT_EQ(0, std::memcmp(a->PixelPtr(0, y), b->PixelPtr(0, y), 39)) << "row " << y;
}

TEST(PngLoader, NotAPngIsRefusedWithoutError) {
  EXPECT_FALSE(Decode({}, png));
  EXPECT_FALSE(Decode({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, png));
}

TEST(PngLoader, EveryCutShortFileGivesNull) {
  Bytes full = SmallRgb();
  ASSERT_TRUE(Decode(full, png));
  for (size_t n = 0; n < full.size(); ++n) {
    Bytes cut(full.begin(), full.begin() + n);
    EXPECT_FALSE(Decode(cut, png)) << "cut at " << n << " of " << full.size();
  }
}

TEST(PngLoader, BadCrcOfCriticalChunkGivesNull) {
  for (const char* type : {"IHDR", "IDAT"}) {
    Bytes b = SmallRgb();
    for (const PngChunk& c : PngChunks(b))
      if (c.type == type) b[c.offset + 8 + c.length] ^= 0x55;
    EXPECT_FALSE(Decode(b, png)) << type;
  }
}

TEST(PngLoader, OversizeDeclaredPictureIsRefused) {
  Bytes idat = Deflate(Bytes(4 * 16, 0));
  EXPECT_TRUE(Decode(HandMadePng(1, 16, Deflate(Bytes(16 * 4, 0))), png)) << "the hand-made file itself is fine";
  EXPECT_FALSE(Decode(HandMadePng(MaxPixmapSide + 1, 1, idat), png)) << "too wide";
  EXPECT_FALSE(Decode(HandMadePng(1, MaxPixmapSide + 1, idat), png)) << "too tall";
  EXPECT_FALSE(Decode(HandMadePng(0, 1, idat), png)) << "empty";
  EXPECT_FALSE(Decode(HandMadePng(0x7FFFFFFF, 0x7FFFFFFF, idat), png));
}

TEST(PngLoader, PictureLargerThanItsDataCouldInflateToIsRefused) {
  // 16000 x 16000 RGB needs 768 MB of rows; 40 bytes of deflate data cannot hold that.
  EXPECT_FALSE(Decode(HandMadePng(16000, 16000, Deflate(Bytes(1000, 0))), png));
}

TEST(PngLoader, RealCompressionBombStillDecodesWithinItsSize) {
  // 4000 x 4000 grey zeros: 16 MB from about 16 KB, a legal ratio.
  PngLayout s = Layout(4000, 4000, PNG_COLOR_TYPE_GRAY, 8, {});
  s.compression = 9;
  Bytes b = EncodePng(s);
  EXPECT_LT(b.size(), 40000u);
  TPixmapPtr p = Decode(b, png);
  ASSERT_TRUE(p);
  EXPECT_EQ(0u, p->ReadPixel(3999, 3999) & 0xFFFFFF);
}

TEST(PngLoader, OversizeTextChunkIsSkippedNotAllocated) {
  // A zTXt chunk inflating to 12 MB passes the chunk limit only as a warning.
  Bytes b = SmallRgb();
  Bytes text{'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
  Bytes bomb = Deflate(Bytes(12u << 20, 'A'));
  text.insert(text.end(), bomb.begin(), bomb.end());
  Bytes with_text(b.begin(), b.begin() + 33);
  AppendChunk(with_text, "zTXt", text);
  with_text.insert(with_text.end(), b.begin() + 33, b.end());
  TPixmapPtr p = Decode(with_text, png);
  ASSERT_TRUE(p) << "the picture itself is intact";
  EXPECT_EQ(5, p->width);
}

namespace {

// A stream that fails with something other than a stream exception.
class TBrokenStream : public TRamStream {
 public:
  explicit TBrokenStream(Bytes b) : _bytes(std::move(b)) {
    _buf = _bytes.data(), _size = static_cast<int64_t>(_bytes.size()), _read = true;
  }
  int64_t Read(void* buffer, int64_t count) override {
    if (_pos >= 40) throw TRuntimeError("disk on fire");
    return TRamStream::Read(buffer, std::min<int64_t>(count, 40 - _pos));
  }

 private:
  Bytes _bytes;
};

}  // namespace

TEST(PngLoader, ForeignExceptionFromTheStreamPassesOnAfterCleanUp) {
  auto s = std::make_shared<TBrokenStream>(SmallRgb());
  EXPECT_THROW(png->LoadPixmap(s), TRuntimeError);
  auto again = std::make_shared<TBrokenStream>(SmallRgb());
  EXPECT_THROW(LoadPixmap(again), TRuntimeError) << "the chain passes it on too";
}

TEST(PngLoader, LeavesTheGivenStreamOpen) {
  TStreamPtr s = MemoryStream(SmallRgb());
  ASSERT_TRUE(png->LoadPixmap(s));
  EXPECT_EQ(0, s->Seek(0));
  EXPECT_TRUE(png->LoadPixmap(s)) << "the stream can be read again";
}
