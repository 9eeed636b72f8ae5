#include <gtest/gtest.h>

#include <cstring>

#include "gfx/pixmap.h"

namespace {

TPixmapPtr OnePixel(int32_t format, std::initializer_list<uint8_t> bytes) {
  TPixmapPtr p = TPixmap::Create(1, 1, format, 4);
  std::memcpy(p->pixels, bytes.begin(), bytes.size());
  return p;
}

std::vector<uint8_t> Bytes(const TPixmapPtr& p, int32_t x = 0, int32_t y = 0) {
  const uint8_t* at = p->PixelPtr(x, y);
  return std::vector<uint8_t>(at, at + BytesPerPixel[p->format]);
}

using V = std::vector<uint8_t>;

}  // namespace

TEST(PixmapCreate, PitchIsRowRoundedUpToAlign) {
  TPixmapPtr a = TPixmap::Create(3, 2, RGB24, 4);
  ASSERT_TRUE(a);
  EXPECT_EQ(12, a->pitch);
  EXPECT_EQ(24, a->capacity);
  TPixmapPtr b = TPixmap::Create(4, 2, RGBA32, 4);
  EXPECT_EQ(16, b->pitch);
  EXPECT_EQ(5, TPixmap::Create(5, 1, Grey8, 1)->pitch) << "align 1 packs rows";
  EXPECT_EQ(8, TPixmap::Create(5, 1, Grey8, 8)->pitch);
}

TEST(PixmapCreate, RefusesWhatCannotBeAllocatedSafely) {
  EXPECT_FALSE(TPixmap::Create(MaxPixmapSide + 1, 1, Grey8, 4));
  EXPECT_FALSE(TPixmap::Create(1, MaxPixmapSide + 1, Grey8, 4));
  EXPECT_FALSE(TPixmap::Create(-1, 1, Grey8, 4));
  EXPECT_FALSE(TPixmap::Create(MaxPixmapSide, MaxPixmapSide, RGBA32, 1 << 20)) << "16 GiB overflows the 32-bit size";
  EXPECT_FALSE(TPixmap::Create(1, 2, Grey8, INT32_MAX)) << "two rows of a 2^31 - 1 pitch overflow";
  EXPECT_FALSE(TPixmap::Create(1, 1, 0, 4));
  EXPECT_FALSE(TPixmap::Create(1, 1, 13, 4));
  EXPECT_FALSE(TPixmap::Create(1, 1, Grey8, 0));
  TPixmapPtr empty = TPixmap::Create(0, 0, RGBA32, 4);
  ASSERT_TRUE(empty) << "an empty pixmap is allowed";
  EXPECT_EQ(0, empty->capacity);
}

TEST(PixmapCreate, StaticPixmapDoesNotOwnItsMemory) {
  uint8_t memory[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  TPixmapPtr p = TPixmap::CreateStatic(memory, 2, 1, 8, RGBA32);
  EXPECT_EQ(-1, p->capacity);
  EXPECT_EQ(memory + 4, p->PixelPtr(1, 0));
  p.reset();
  EXPECT_EQ(5, memory[4]) << "memory stays untouched after the pixmap goes";
}

TEST(PixmapConvert, ExpandsEachFormatToRgbaByItsRule) {
  struct Case {
    int32_t format;
    V in, rgba;
  } cases[] = {
      {Grey8, {9}, {9, 9, 9, 255}},          {WhiteAlpha8, {9}, {255, 255, 255, 9}},
      {BGR24, {1, 2, 3}, {3, 2, 1, 255}},    {RGB24, {1, 2, 3}, {1, 2, 3, 255}},
      {BGRA32, {1, 2, 3, 4}, {3, 2, 1, 4}},  {RGBA32, {1, 2, 3, 4}, {1, 2, 3, 4}},
      {Red8, {9}, {9, 0, 0, 1}},             {Green8, {9}, {0, 9, 0, 1}},
      {Blue8, {9}, {0, 0, 9, 1}},            {BlackAlpha8, {9}, {0, 0, 0, 9}},
      {Intensity8, {9}, {9, 9, 9, 9}},       {Luminance8, {9}, {9, 9, 9, 1}},
  };
  for (const Case& c : cases) {
    TPixmapPtr p = TPixmap::Create(1, 1, c.format, 4);
    std::memcpy(p->pixels, c.in.data(), c.in.size());
    EXPECT_EQ(c.rgba, Bytes(p->Convert(RGBA32))) << "format " << c.format;
  }
}

TEST(PixmapConvert, ReducesRgbaToEachFormatByItsRule) {
  TPixmapPtr src = OnePixel(RGBA32, {10, 20, 31, 200});
  struct Case {
    int32_t format;
    V out;
  } cases[] = {
      {Grey8, {20}},       {WhiteAlpha8, {200}},  {BGR24, {31, 20, 10}}, {RGB24, {10, 20, 31}},
      {BGRA32, {31, 20, 10, 200}}, {Red8, {10}}, {Green8, {20}},        {Blue8, {31}},
      {BlackAlpha8, {200}}, {Intensity8, {65}},  {Luminance8, {20}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.out, Bytes(src->Convert(c.format))) << "format " << c.format;
  EXPECT_EQ(V{20}, Bytes(OnePixel(RGBA32, {10, 20, 32, 0})->Convert(Grey8))) << "62 / 3 truncates to 20";
}

TEST(PixmapConvert, Bgr24ToRgbaAndBackKeepsEveryByte) {
  TPixmapPtr p = TPixmap::Create(5, 3, BGR24, 4);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t i = 0; i < 15; ++i) p->PixelPtr(0, y)[i] = static_cast<uint8_t>(y * 50 + i * 7);
  TPixmapPtr back = p->Convert(RGBA32)->Convert(BGR24);
  for (int32_t y = 0; y < 3; ++y)
    EXPECT_EQ(0, std::memcmp(p->PixelPtr(0, y), back->PixelPtr(0, y), 15)) << "row " << y;
}

TEST(PixmapConvert, NonHubPairsGoThroughRgba) {
  EXPECT_EQ(V{255}, Bytes(OnePixel(Grey8, {7})->Convert(WhiteAlpha8))) << "grey expands with alpha 255";
  EXPECT_EQ(V{1}, Bytes(OnePixel(Red8, {200})->Convert(BlackAlpha8))) << "red-only has alpha 1";
  EXPECT_EQ(V{66}, Bytes(OnePixel(Red8, {200})->Convert(Grey8)));
  // A row longer than the internal hub chunk must convert every pixel.
  TPixmapPtr wide = TPixmap::Create(1000, 1, BGR24, 4);
  for (int32_t i = 0; i < 3000; ++i) wide->pixels[i] = static_cast<uint8_t>(i % 251);
  TPixmapPtr rgb = wide->Convert(RGB24);
  EXPECT_EQ(wide->PixelPtr(999, 0)[0], rgb->PixelPtr(999, 0)[2]);
  EXPECT_EQ(wide->PixelPtr(300, 0)[2], rgb->PixelPtr(300, 0)[0]);
}

TEST(PixmapPixels, ReadPixelFollowsEachLayout) {
  EXPECT_EQ(0x80FFFFFFu, OnePixel(WhiteAlpha8, {0x80})->ReadPixel(0, 0));
  EXPECT_EQ(0xFF404040u, OnePixel(Grey8, {0x40})->ReadPixel(0, 0));
  EXPECT_EQ(0xFF030201u, OnePixel(BGR24, {1, 2, 3})->ReadPixel(0, 0));
  EXPECT_EQ(0xFF010203u, OnePixel(RGB24, {1, 2, 3})->ReadPixel(0, 0));
  EXPECT_EQ(0x04030201u, OnePixel(BGRA32, {1, 2, 3, 4})->ReadPixel(0, 0));
  EXPECT_EQ(0x04010203u, OnePixel(RGBA32, {1, 2, 3, 4})->ReadPixel(0, 0));
  EXPECT_EQ(0u, OnePixel(Red8, {9})->ReadPixel(0, 0)) << "formats past 6 read as 0";
}

TEST(PixmapPixels, WritePixelStoresComponentsInByteOrder) {
  const uint32_t argb = 0x11223344;
  struct Case {
    int32_t format;
    V bytes;
  } cases[] = {{Grey8, {0x33}},           {WhiteAlpha8, {0x11}},
               {BGR24, {0x44, 0x33, 0x22}}, {RGB24, {0x22, 0x33, 0x44}},
               {BGRA32, {0x44, 0x33, 0x22, 0x11}}, {RGBA32, {0x22, 0x33, 0x44, 0x11}}};
  for (const Case& c : cases) {
    TPixmapPtr p = TPixmap::Create(1, 1, c.format, 4);
    p->WritePixel(0, 0, argb);
    EXPECT_EQ(c.bytes, Bytes(p)) << "format " << c.format;
  }
  TPixmapPtr red = OnePixel(Red8, {5});
  red->WritePixel(0, 0, argb);
  EXPECT_EQ(V{5}, Bytes(red)) << "formats past 6 are left alone";
}

TEST(PixmapPixels, AccessOutsideThePixmapIsHarmless) {
  TPixmapPtr big = TPixmap::Create(4, 4, RGBA32, 4);
  big->ClearPixels(0);
  TPixmapPtr win = big->Window(1, 1, 2, 2);
  win->WritePixel(2, 0, 0xFFFFFFFF);
  win->WritePixel(-1, 0, 0xFFFFFFFF);
  win->WritePixel(0, 2, 0xFFFFFFFF);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(0u, big->ReadPixel(x, y)) << x << "," << y;
  EXPECT_EQ(0u, win->ReadPixel(5, 5));
}

TEST(PixmapWindow, SharesMemoryAndKeepsItsParentAlive) {
  TPixmapPtr parent = TPixmap::Create(4, 3, RGB24, 4);
  TPixmapPtr win = parent->Window(1, 1, 2, 2);
  ASSERT_TRUE(win);
  EXPECT_EQ(parent->PixelPtr(1, 1), win->pixels);
  EXPECT_EQ(parent->pitch, win->pitch);
  EXPECT_EQ(-1, win->capacity);
  std::weak_ptr<TPixmap> watch = parent;
  parent.reset();
  EXPECT_FALSE(watch.expired()) << "the window holds its parent";
  win->WritePixel(1, 1, 0xFF102030);
  EXPECT_EQ(0xFF102030u, win->ReadPixel(1, 1));
  win.reset();
  EXPECT_TRUE(watch.expired());
}

TEST(PixmapWindow, RectangleOutsideTheParentIsRefused) {
  TPixmapPtr parent = TPixmap::Create(4, 3, Grey8, 4);
  EXPECT_FALSE(parent->Window(3, 0, 2, 1));
  EXPECT_FALSE(parent->Window(0, 2, 1, 2));
  EXPECT_FALSE(parent->Window(-1, 0, 1, 1));
  EXPECT_TRUE(parent->Window(0, 0, 4, 3));
}

TEST(PixmapClear, ZeroOnAWindowClearsOnlyTheWindow) {
  TPixmapPtr big = TPixmap::Create(5, 4, RGB24, 4);
  std::memset(big->pixels, 0xAB, big->capacity);
  big->Window(1, 1, 3, 2)->ClearPixels(0);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 5; ++x) {
      bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 2;
      EXPECT_EQ(inside ? 0xFF000000u : 0xFFABABABu, big->ReadPixel(x, y)) << x << "," << y;
    }
  EXPECT_EQ(0xAB, big->PixelPtr(0, 1)[15]) << "row padding outside the window is untouched";
}

TEST(PixmapClear, ColourFillsEveryPixelAsWritePixelWould) {
  TPixmapPtr grey = TPixmap::Create(3, 2, Grey8, 4);
  grey->ClearPixels(0xFF0A141F);
  for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(0x14, grey->PixelPtr(i % 3, i / 3)[0]) << "(10 + 20 + 31) / 3";
  TPixmapPtr bgra = TPixmap::Create(2, 2, BGRA32, 4);
  bgra->ClearPixels(0x80112233);
  EXPECT_EQ(0x80112233u, bgra->ReadPixel(1, 1));
  TPixmapPtr red = TPixmap::Create(2, 1, Red8, 4);
  red->pixels[0] = red->pixels[1] = 7;
  red->ClearPixels(0xFFFFFFFF);
  EXPECT_EQ(7, red->pixels[1]) << "formats past 6 keep their pixels for a colour";
  red->ClearPixels(0);
  EXPECT_EQ(0, red->pixels[1]) << "but zero clears every format";
}

TEST(PixmapCopy, CopyHasItsOwnPackedRows) {
  TPixmapPtr src = TPixmap::Create(3, 2, RGB24, 1);
  for (int32_t i = 0; i < 18; ++i) src->pixels[i] = static_cast<uint8_t>(i);
  TPixmapPtr copy = src->Copy();
  EXPECT_EQ(12, copy->pitch) << "copies use align 4";
  EXPECT_EQ(0, std::memcmp(src->PixelPtr(0, 1), copy->PixelPtr(0, 1), 9));
  copy->WritePixel(0, 0, 0);
  EXPECT_EQ(0xFF000102u, src->ReadPixel(0, 0)) << "the source is untouched";
}

TEST(PixmapPaste, ConvertsRowsIntoPlace) {
  TPixmapPtr dst = TPixmap::Create(4, 4, RGBA32, 4);
  dst->ClearPixels(0);
  TPixmapPtr src = TPixmap::Create(2, 2, BGR24, 4);
  src->ClearPixels(0xFF102030);
  dst->Paste(src, 1, 2);
  EXPECT_EQ(0xFF102030u, dst->ReadPixel(1, 2));
  EXPECT_EQ(0xFF102030u, dst->ReadPixel(2, 3));
  EXPECT_EQ(0u, dst->ReadPixel(0, 2));
  EXPECT_EQ(0u, dst->ReadPixel(1, 1));
}

TEST(PixmapPaste, PartsOutsideTheTargetAreLeftOut) {
  TPixmapPtr big = TPixmap::Create(6, 6, Grey8, 4);
  big->ClearPixels(0);
  TPixmapPtr target = big->Window(2, 2, 2, 2);
  TPixmapPtr src = TPixmap::Create(3, 3, Grey8, 4);
  src->ClearPixels(0xFFFFFFFF);
  target->Paste(src, -1, 1);
  target->Paste(src, 1, -2);
  int painted = 0;
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      bool inside = x >= 2 && x <= 3 && y >= 2 && y <= 3;
      if (!inside) {
        EXPECT_EQ(0xFF000000u, big->ReadPixel(x, y)) << "outside written at " << x << "," << y;
      }
      painted += big->ReadPixel(x, y) == 0xFFFFFFFFu;
    }
  EXPECT_EQ(3, painted) << "(2,3), (3,3) from the first paste and (3,2) from the second";
}

TEST(PixmapMask, EveryPixelMaskedGivesTransparentBlack) {
  TPixmapPtr p = TPixmap::Create(3, 3, RGB24, 4);
  p->ClearPixels(0xFFFF00FF);
  TPixmapPtr m = MaskColourToAlpha(p, 255, 0, 255);
  ASSERT_EQ(RGBA32, m->format);
  for (int32_t i = 0; i < 9; ++i) EXPECT_EQ(0u, m->ReadPixel(i % 3, i / 3)) << "pixel " << i;
}

TEST(PixmapMask, MaskedPixelTakesAverageOfUnmaskedNeighbours) {
  TPixmapPtr p = TPixmap::Create(3, 2, RGBA32, 4);
  p->ClearPixels(0x00000000);  // all mask colour (black), alpha 0 in the source
  p->WritePixel(0, 0, 0x10640000);  // red 100
  p->WritePixel(2, 0, 0x10C80000);  // red 200
  p->WritePixel(2, 1, 0x1000000B);  // blue 11
  TPixmapPtr m = MaskColourToAlpha(p, 0, 0, 0);
  EXPECT_EQ(0xFF640000u, m->ReadPixel(0, 0)) << "unmasked pixels become opaque, colour kept";
  EXPECT_EQ(0x00640000u, m->ReadPixel(0, 1)) << "only (0,0) is an unmasked neighbour";
  EXPECT_EQ(0x00640003u, m->ReadPixel(1, 1)) << "(100 + 200 + 0) / 3 red, 11 / 3 blue";
  EXPECT_EQ(0x00640003u, m->ReadPixel(1, 0)) << "the same three neighbours, the pixel itself excluded";
}

TEST(PixmapFlip, MirrorsPixelsKeepingFormat) {
  TPixmapPtr p = TPixmap::Create(3, 2, BGR24, 1);
  for (int32_t i = 0; i < 6; ++i) p->WritePixel(i % 3, i / 3, 0xFF000000u | static_cast<uint32_t>(i));
  TPixmapPtr x = FlipPixmapX(p), y = FlipPixmapY(p);
  EXPECT_EQ(BGR24, x->format);
  EXPECT_EQ(12, x->pitch);
  for (int32_t i = 0; i < 6; ++i) {
    EXPECT_EQ(p->ReadPixel(i % 3, i / 3), x->ReadPixel(2 - i % 3, i / 3)) << "left-right, pixel " << i;
    EXPECT_EQ(p->ReadPixel(i % 3, i / 3), y->ReadPixel(i % 3, 1 - i / 3)) << "top-bottom, pixel " << i;
  }
}

TEST(PixmapScale, OnePixelScaledUpRepeatsItExactly) {
  TPixmapPtr p = OnePixel(RGBA32, {255, 127, 1, 200});
  TPixmapPtr s = ScalePixmap(p, 4, 4);
  ASSERT_EQ(4, s->width);
  for (int32_t i = 0; i < 16; ++i) EXPECT_EQ(0xC8FF7F01u, s->ReadPixel(i % 4, i / 4)) << "pixel " << i;
}

TEST(PixmapScale, BlendsBilinearlyWithEdgeRule) {
  TPixmapPtr p = TPixmap::Create(2, 1, Grey8, 4);
  p->pixels[0] = 0, p->pixels[1] = 200;
  TPixmapPtr s = ScalePixmap(p, 4, 1);
  ASSERT_EQ(Grey8, s->format) << "the result keeps the source format";
  const uint8_t expected[4] = {0, 50, 150, 200};
  for (int32_t j = 0; j < 4; ++j) EXPECT_EQ(expected[j], s->pixels[j]) << "column " << j;
  TPixmapPtr down = ScalePixmap(TPixmap::Create(4, 4, RGB24, 4), 1, 1);
  EXPECT_EQ(1, down->width);
}

TEST(PixmapForwards, ActOnThePixmap) {
  TPixmapPtr p = CreatePixmap(3, 2, RGB24, 4);
  EXPECT_EQ(3, PixmapWidth(p));
  EXPECT_EQ(2, PixmapHeight(p));
  EXPECT_EQ(12, PixmapPitch(p));
  EXPECT_EQ(RGB24, PixmapFormat(p));
  EXPECT_EQ(p->pixels + 15, PixmapPixelPtr(p, 1, 1));
  ClearPixmap(p, 0xFF010203);
  EXPECT_EQ(0xFF010203u, ReadPixel(CopyPixmap(p), 2, 1));
  EXPECT_EQ(0xFF010203u, ReadPixel(ConvertPixmap(p, BGRA32), 2, 1));
  EXPECT_EQ(p->pixels + 15, PixmapWindow(p, 1, 1, 1, 1)->pixels);
}

TEST(PixmapDataType, RoundTripsThroughAStreamAndRefusesCutData) {
  TPixmapPtr p = TPixmap::Create(3, 2, RGB24, 1);
  for (int32_t i = 0; i < 18; ++i) p->pixels[i] = static_cast<uint8_t>(i + 1);
  uint8_t memory[64] = {};
  auto out = TRamStream::Create(memory, sizeof memory, false, true);
  TPixmapDataType::Write(*out, p);
  EXPECT_EQ(12 + 18, out->Pos()) << "header, then packed rows";
  auto in = TRamStream::Create(memory, 30, true, false);
  TPixmapPtr back = TPixmapDataType::Read(*in);
  ASSERT_TRUE(back);
  EXPECT_EQ(12, back->pitch) << "rows padded to 4 bytes";
  EXPECT_EQ(p->ReadPixel(2, 1), back->ReadPixel(2, 1));
  EXPECT_FALSE(TPixmapDataType::Read(*TRamStream::Create(memory, 29, true, false))) << "one byte short";
  memory[8] = 13;
  EXPECT_FALSE(TPixmapDataType::Read(*TRamStream::Create(memory, 30, true, false))) << "format 13";
}
