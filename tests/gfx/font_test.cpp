// Source fonts through FreeType (real TrueType files from Debian's font packages, and a
// bitmap font written here), the glyph-picture rules, image fonts and the default font.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "gfx/font.h"
#include "gfx/loaders/font_freetype.h"
#include "gfx/loaders_internal.h"
#include "stream/core.h"

namespace {

const char16_t* const kDejaVu = u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char16_t* const kPlay = u"/usr/share/fonts/truetype/play/Play-Bold.ttf";

std::vector<uint8_t> FileBytes(const char16_t* path) { return LoadBytes(TUrl(path)); }

// A bitmap font with one fixed size of `pixels` pixels holding a space and an 'A' whose
// 6-pixel rows are given as bytes, most significant bit first.
std::string WriteBdf(int pixels) {
  std::ostringstream s;
  s << "STARTFONT 2.1\nFONT -test-fixed-medium-r-normal--" << pixels << "-" << pixels * 10
    << "-72-72-c-60-iso10646-1\nSIZE " << pixels << " 72 72\nFONTBOUNDINGBOX 6 " << pixels
    << " 0 -2\nSTARTPROPERTIES 4\nPIXEL_SIZE " << pixels << "\nFONT_ASCENT " << pixels - 2
    << "\nFONT_DESCENT 2\nDEFAULT_CHAR 32\nENDPROPERTIES\nCHARS 2\n";
  s << "STARTCHAR space\nENCODING 32\nSWIDTH 500 0\nDWIDTH 6 0\nBBX 0 0 0 0\nBITMAP\nENDCHAR\n";
  s << "STARTCHAR A\nENCODING 65\nSWIDTH 500 0\nDWIDTH 7 0\nBBX 6 3 0 0\nBITMAP\n"
       "84\n30\nFC\nENDCHAR\nENDFONT\n";
  char name[] = "/tmp/vs_font_test_XXXXXX";
  int fd = mkstemp(name);
  FILE* f = fdopen(fd, "w");
  fputs(s.str().c_str(), f);
  fclose(f);
  return name;
}

// A rendered slot over the given bytes.
FTGlyph Slot(int32_t mode, int32_t w, int32_t h, int32_t pitch, const uint8_t* buffer,
             int32_t left = 0, int32_t top = 0) {
  FTGlyph s;
  s.bitmap_pixel_mode = mode;
  s.bitmap_num_grays = mode == FTPixelModeGray ? 256 : 0;
  s.bitmap_width = w;
  s.bitmap_rows = h;
  s.bitmap_pitch = pitch;
  s.bitmap_buffer = buffer;
  s.bitmap_left = left;
  s.bitmap_top = top;
  s.advance_x = 9 << 6;
  return s;
}

std::string Rows(const TPixmapPtr& p) {
  std::string out;
  for (int y = 0; y < p->height; ++y) {
    for (int x = 0; x < p->width; ++x) out += p->PixelPtr(x, y)[0] ? '#' : '.';
    out += '\n';
  }
  return out;
}

TPixmapPtr PixmapOf(const TGlyphPtr& g) {
  TGlyphPixels p = g->Pixels();
  const TPixmapPtr* pixmap = std::get_if<TPixmapPtr>(&p);
  return pixmap ? *pixmap : nullptr;
}

}  // namespace

TEST(FreeTypeFont, LoadsATrueTypeFileWithMetricsOfTheSize) {
  TFreeTypeFontPtr font = TFreeTypeFont::Load(kDejaVu, 24, 0);
  ASSERT_TRUE(font) << "DejaVuSans.ttf from fonts-dejavu-core";
  EXPECT_EQ(24, font->_size);
  EXPECT_EQ(font->_metrics.height >> 6, font->Height());
  EXPECT_EQ(font->_metrics.ascender >> 6, font->_ascend);
  EXPECT_EQ(font->_metrics.descender >> 6, font->_descend);
  EXPECT_LT(font->_descend, 0);
  EXPECT_EQ(font->_face.num_glyphs, font->CountGlyphs()) << "one slot per glyph";
  EXPECT_TRUE(font->_buf.empty()) << "a file face keeps no bytes";
}

TEST(FreeTypeFont, GlyphIndexIsFreeTypesMinusOne) {
  TFreeTypeFontPtr font = TFreeTypeFont::Load(kDejaVu, 16, 0);
  ASSERT_TRUE(font);
  const int32_t a = font->CharToGlyph('A');
  EXPECT_GE(a, 0);
  EXPECT_EQ(-1, font->CharToGlyph(0xE000)) << "a private-use character the face lacks";
  EXPECT_EQ(-1, font->CharToGlyph(-5));
  TGlyphPtr g = font->LoadGlyph(a);
  ASSERT_TRUE(g);
  TPixmapPtr p = PixmapOf(g);
  ASSERT_TRUE(p) << "'A' has a picture";
  int32_t x, y, w, h;
  g->GetRect(x, y, w, h);
  EXPECT_EQ(WhiteAlpha8, p->format);
  EXPECT_EQ(w, p->width);
  EXPECT_EQ(h, p->height);
  EXPECT_GT(y, 0) << "the top of a capital lies below the top of the line";
  EXPECT_EQ(11.0f, g->Advance()) << "DejaVu Sans 'A' at 16 pixels, hinted";
  EXPECT_EQ(g, font->LoadGlyph(a)) << "rendered once, then kept";
  EXPECT_FALSE(font->LoadGlyph(font->CountGlyphs())) << "past the last slot";
  EXPECT_FALSE(font->LoadGlyph(-1));
}

TEST(FreeTypeFont, SpaceAdvancesWithoutAPicture) {
  TFreeTypeFontPtr font = TFreeTypeFont::Load(kPlay, 24, FontSmooth);
  ASSERT_TRUE(font) << "Play-Bold.ttf from fonts-play";
  TGlyphPtr space = font->LoadGlyph(font->CharToGlyph(' '));
  ASSERT_TRUE(space);
  EXPECT_GT(space->Advance(), 3.0f);
  EXPECT_FALSE(PixmapOf(space));
  int32_t x, y, w, h;
  space->GetRect(x, y, w, h);
  EXPECT_EQ(0, w) << "no border is added to an empty glyph";
}

TEST(FreeTypeFont, MemoryFaceOwnsItsBytes) {
  // A resource whose bytes are overwritten after the font has been opened from them.
  // Resources stay registered for the process: each run registers bytes and a name of its own.
  static std::deque<std::vector<uint8_t>> runs;
  std::vector<uint8_t>& bytes = runs.emplace_back(FileBytes(kDejaVu));
  ASSERT_FALSE(bytes.empty());
  const std::u16string name = u"fonttest\\scratch" + BytesToText(std::to_string(runs.size())) + u".ttf";
  ASSERT_EQ(1, RegisterEmbedded(name, bytes.data(), static_cast<int64_t>(bytes.size())));
  TFreeTypeFontPtr font = TFreeTypeFont::Load(u"incbin::" + name, 20, 0);
  ASSERT_TRUE(font);
  EXPECT_EQ(bytes.size(), font->_buf.size());
  std::fill(bytes.begin(), bytes.end(), 0);
  TGlyphPtr g = font->LoadGlyph(font->CharToGlyph('W'));
  ASSERT_TRUE(g);
  EXPECT_TRUE(PixmapOf(g)) << "the face still reads its own copy";
  EXPECT_GT(g->Advance(), 10.0f);
}

// A damaged font can make one glyph thousands of pixels across: here the em is shrunk to 16
// units, so every outline of Play's 1000-unit em comes out about 60 times too large.
TEST(FreeTypeFont, AGlyphOfMoreThanSixteenEmsStaysEmpty) {
  static std::vector<uint8_t> bytes = FileBytes(kPlay);
  ASSERT_GT(bytes.size(), 12u);
  const size_t tables = size_t{bytes[4]} << 8 | bytes[5];
  size_t head = 0;
  for (size_t i = 0; i < tables && 12 + 16 * i + 16 <= bytes.size(); ++i)
    if (std::equal(bytes.begin() + 12 + 16 * i, bytes.begin() + 12 + 16 * i + 4, "head"))
      for (int b = 8; b < 12; ++b) head = head << 8 | bytes[12 + 16 * i + b];
  ASSERT_GT(head, 0u) << "Play-Bold.ttf has a head table";
  bytes[head + 18] = 0, bytes[head + 19] = 16;  // unitsPerEm
  RegisterEmbedded(u"fonttest\\huge.ttf", bytes.data(), static_cast<int64_t>(bytes.size()));
  TFreeTypeFontPtr huge = TFreeTypeFont::Load(u"incbin::fonttest\\huge.ttf", 16, FontSmooth);
  ASSERT_TRUE(huge) << "a shrunk em is still a font FreeType opens";
  TGlyphPtr g = huge->LoadGlyph(huge->CharToGlyph('N'));
  ASSERT_TRUE(g);
  EXPECT_FALSE(PixmapOf(g)) << "expected no picture for a glyph of about 60 ems, got one";
  TFreeTypeFontPtr sound = TFreeTypeFont::Load(kPlay, 16, FontSmooth);
  ASSERT_TRUE(sound);
  EXPECT_TRUE(PixmapOf(sound->LoadGlyph(sound->CharToGlyph('N')))) << "the undamaged font draws it";
}

TEST(FreeTypeFont, UnusableSourcesGiveNull) {
  EXPECT_FALSE(TFreeTypeFont::Load(u"/no/such/font.ttf", 24, 0));
  EXPECT_FALSE(TFreeTypeFont::Load(u"incbin::no such resource", 24, 0));
  static const uint8_t junk[64] = {1, 2, 3, 4};
  RegisterEmbedded(u"fonttest\\junk", junk, sizeof junk);
  EXPECT_FALSE(TFreeTypeFont::Load(u"incbin::fonttest\\junk", 24, 0)) << "FreeType refuses it";
  EXPECT_FALSE(TFreeTypeFont::Load(kDejaVu, 0, 0)) << "size 0";
  TFreeTypeFontLoader loader;
  EXPECT_FALSE(loader.LoadFont(TUrl(), 24, 0)) << "the loader takes only text sources";
}

TEST(FreeTypeFont, SizeFallsBackToTheNearestSmallerOne) {
  const std::string bdf = WriteBdf(12);
  TFreeTypeFontPtr font = TFreeTypeFont::Load(BytesToText(bdf), 15, 0);
  ASSERT_TRUE(font) << "15 and 14 and 13 are refused, 12 is the font's size";
  EXPECT_EQ(12, font->_size);
  EXPECT_EQ(12, font->Height());
  EXPECT_FALSE(TFreeTypeFont::Load(BytesToText(bdf), 11, 0)) << "nothing from 11 down to 1";
  // Its glyphs are one-bit bitmaps, read most significant bit first.
  TGlyphPtr a = font->LoadGlyph(font->CharToGlyph('A'));
  ASSERT_TRUE(a);
  TPixmapPtr p = PixmapOf(a);
  ASSERT_TRUE(p);
  EXPECT_EQ("#....#\n..##..\n######\n", Rows(p));
  EXPECT_EQ(255, p->PixelPtr(0, 0)[0]);
  EXPECT_EQ(7.0f, a->Advance());
  std::remove(bdf.c_str());
}

TEST(FreeTypeGlyph, SmoothRectangleGrowsByOneEachSide) {
  const std::vector<uint8_t> bits(10 * 12, 200);
  FTGlyph s = Slot(FTPixelModeGray, 10, 12, 10, bits.data(), 1, 15);
  TFreeTypeGlyphPtr g = TFreeTypeGlyph::FromSlot(s, 19, FontSmooth);
  int32_t x, y, w, h;
  g->GetRect(x, y, w, h);
  EXPECT_EQ(0, x);
  EXPECT_EQ(3, y);
  EXPECT_EQ(12, w);
  EXPECT_EQ(14, h);
  ASSERT_TRUE(g->_pixmap);
  EXPECT_EQ(12, g->_pixmap->width);
  EXPECT_EQ(14, g->_pixmap->height);
  EXPECT_EQ(0, g->_pixmap->PixelPtr(0, 0)[0]);
  EXPECT_EQ(200, g->_pixmap->PixelPtr(1, 1)[0]);
  EXPECT_EQ(0, g->_pixmap->PixelPtr(11, 13)[0]);
  EXPECT_EQ(9.0f, g->Advance());

  TFreeTypeGlyphPtr sharp = TFreeTypeGlyph::FromSlot(s, 19, 0);
  sharp->GetRect(x, y, w, h);
  EXPECT_EQ(1, x);
  EXPECT_EQ(4, y);
  EXPECT_EQ(10, w);
  EXPECT_EQ(12, h);
}

TEST(FreeTypeGlyph, PaddedAndNegativePitchesReadTheRightRows) {
  // Rows "#.." and ".#." of a grey bitmap, each padded to 4 bytes.
  const uint8_t padded[8] = {255, 0, 0, 77, 0, 255, 0, 77};
  TFreeTypeGlyphPtr down = TFreeTypeGlyph::FromSlot(Slot(FTPixelModeGray, 3, 2, 4, padded), 0, 0);
  EXPECT_EQ("#..\n.#.\n", Rows(down->_pixmap)) << "padding bytes are not pixels";
  // The same picture stored bottom row first, as a negative pitch says.
  const uint8_t upward[8] = {0, 255, 0, 77, 255, 0, 0, 77};
  TFreeTypeGlyphPtr up = TFreeTypeGlyph::FromSlot(Slot(FTPixelModeGray, 3, 2, -4, upward), 0, 0);
  EXPECT_EQ("#..\n.#.\n", Rows(up->_pixmap));
  // One-bit rows 1000 0001 1 and 0100 0000 0, two bytes each plus padding, bottom first.
  const uint8_t mono_up[8] = {0x40, 0x00, 0, 0, 0x81, 0x80, 0, 0};
  TFreeTypeGlyphPtr m = TFreeTypeGlyph::FromSlot(Slot(FTPixelModeMono, 9, 2, -4, mono_up), 0, 0);
  EXPECT_EQ("#......##\n.#.......\n", Rows(m->_pixmap));
  EXPECT_EQ(255, m->_pixmap->PixelPtr(8, 0)[0]);
}

TEST(FontLoaders, FreeTypeIsInTheChainAndLoadersAreNotAddedTwice) {
  TFontLoaderPtr head = FontLoaders();
  ASSERT_TRUE(head);
  EXPECT_TRUE(std::dynamic_pointer_cast<TFreeTypeFontLoader>(head));
  EXPECT_TRUE(LoadFont(kDejaVu, 12, 0));
  auto mine = std::make_shared<TFreeTypeFontLoader>();
  AddFontLoader(mine);
  EXPECT_EQ(mine, FontLoaders()) << "a new loader goes to the head";
  AddFontLoader(mine);
  AddFontLoader(head);
  int links = 0;
  for (TFontLoaderPtr l = FontLoaders(); l && links < 10; l = l->_succ) ++links;
  RemoveFontLoader(mine.get());
  EXPECT_EQ(2, links) << "re-adding must not make a ring";
  EXPECT_EQ(head, FontLoaders()) << "expected the built-in chain back";
}

TEST(ImageFont, LoadTakesTheSourcesGlyphCountAndSmoothFlags) {
  TImageFontPtr smooth = OpenImageFont(kPlay, 24, FontSmooth | 1);
  ASSERT_TRUE(smooth);
  EXPECT_EQ(ImageFiltered | ImageMipmapped, smooth->_imageFlags);
  EXPECT_EQ(smooth->_src_font->CountGlyphs(), smooth->CountGlyphs());
  EXPECT_EQ(5, smooth->Style());
  TImageFontPtr sharp = OpenImageFont(kPlay, 24, 0);
  EXPECT_EQ(0, sharp->_imageFlags);
  EXPECT_FALSE(OpenImageFont(u"/no/such/font.ttf", 24, 0));
}

TEST(ImageFont, GlyphImagesCopyTheSourcePicture) {
  TImageFontPtr font = OpenImageFont(kPlay, 24, FontSmooth);
  ASSERT_TRUE(font);
  const int32_t i = font->CharToGlyph('g');
  TImageGlyphPtr g = font->LoadGlyph(i);
  ASSERT_TRUE(g && g->_image);
  TGlyphPtr src = font->_src_font->LoadGlyph(i);
  int32_t x, y, w, h;
  src->GetRect(x, y, w, h);
  EXPECT_EQ(x, g->_x);
  EXPECT_EQ(y, g->_y);
  EXPECT_EQ(w, g->_image->width);
  EXPECT_EQ(h, g->_image->height);
  EXPECT_EQ(src->Advance(), g->Advance());
  EXPECT_EQ(6, g->_image->flags) << "filtered and mipmapped, not masked";
  EXPECT_NE(PixmapOf(src), g->_image->pixmaps[0]) << "a copy, not the source's pixmap";
  EXPECT_EQ(0.0f, g->_image->handle_x) << "glyph images keep the top-left handle";
  TImageGlyphPtr space = font->LoadGlyph(font->CharToGlyph(' '));
  EXPECT_FALSE(space->_image);
}

TEST(DefaultFont, NinetySixGlyphsOfEightBySixteen) {
  TImageFontPtr font = DefaultImageFont();
  ASSERT_TRUE(font);
  EXPECT_EQ(font, DefaultImageFont()) << "made once";
  EXPECT_EQ(16, font->Height());
  EXPECT_EQ(96, font->CountGlyphs());
  EXPECT_EQ(0, font->CharToGlyph(' '));
  EXPECT_EQ(33, font->CharToGlyph('A'));
  EXPECT_EQ(95, font->CharToGlyph(127));
  EXPECT_EQ(-1, font->CharToGlyph(31));
  EXPECT_EQ(-1, font->CharToGlyph(128));
}

TEST(DefaultFont, MeasuresWithoutAContext) {
  EXPECT_EQ(16, FontLineHeight());
  EXPECT_EQ(24, StringWidth(u"abc"));
  EXPECT_EQ(0, StringWidth(u""));
  EXPECT_EQ(0, StringWidth(u"\u00e9\u263a\n")) << "characters without glyphs add nothing";
  EXPECT_EQ(16, StringWidth(u"a\u00e9b"));
  EXPECT_EQ(DefaultImageFont(), CurrentImageFont());
}
