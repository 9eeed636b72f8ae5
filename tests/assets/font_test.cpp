// The framework's two 8 x 16 bitmap fonts: size, layout (byte j of row i is row i
// of character 32 + j, lowest bit leftmost) and legibility, as the build embeds them.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "stream/stream.h"

void RegisterFrameworkFonts();

namespace {

struct Font {
  std::vector<uint8_t> bytes;
  bool Lit(int ch, int x, int y) const { return bytes[size_t(y) * 96 + size_t(ch - 32)] >> x & 1; }
  int Ink(int ch, int x0, int x1, int y0, int y1) const {  // lit pixels in [x0, x1) x [y0, y1)
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += Lit(ch, x, y);
    return n;
  }
  uint64_t Pattern(int ch, int half) const {
    uint64_t v = 0;
    for (int y = 0; y < 8; ++y) v = v << 8 | bytes[size_t(y + 8 * half) * 96 + size_t(ch - 32)];
    return v;
  }
};

Font Load(const char16_t* name) {
  static bool done = (RegisterFrameworkFonts(), true);
  (void)done;
  const auto* p = static_cast<const uint8_t*>(EmbeddedData(name));
  int64_t n = EmbeddedSize(name);
  if (!p || n <= 0) return {};
  return {std::vector<uint8_t>(p, p + n)};
}

class BitmapFonts : public ::testing::TestWithParam<const char16_t*> {};

}  // namespace

TEST_P(BitmapFonts, HoldNinetySixCharactersOfEightBySixteen) {
  Font f = Load(GetParam());
  ASSERT_EQ(1536u, f.bytes.size()) << "16 rows of 96 bytes";
  EXPECT_EQ(0, f.Ink(' ', 0, 8, 0, 16)) << "the space must be blank";
  std::set<std::pair<uint64_t, uint64_t>> seen;
  for (int ch = 33; ch < 128; ++ch) {
    EXPECT_GE(f.Ink(ch, 0, 8, 0, 16), 2) << "character " << ch << " has no picture";
    EXPECT_TRUE(seen.insert({f.Pattern(ch, 0), f.Pattern(ch, 1)}).second) << "character " << ch << " repeats another";
  }
}

// These catch a font stored with its bits or rows the wrong way round.
TEST_P(BitmapFonts, LettersFaceTheRightWayAndSitOnOneBaseline) {
  Font f = Load(GetParam());
  ASSERT_EQ(1536u, f.bytes.size());
  EXPECT_GT(f.Ink('L', 0, 3, 0, 16), f.Ink('L', 5, 8, 0, 11)) << "the stem of L must be on the left";
  EXPECT_GT(f.Ink('J', 5, 8, 0, 11), f.Ink('J', 0, 3, 0, 11)) << "the stem of J must be on the right";
  EXPECT_GT(f.Ink('T', 0, 8, 0, 5), f.Ink('T', 0, 8, 10, 12) + 2) << "the bar of T must be at the top";
  EXPECT_GT(f.Ink('L', 0, 8, 10, 12), f.Ink('L', 0, 8, 0, 5) - 2) << "the foot of L must be at the bottom";
  EXPECT_GT(f.Ink('/', 5, 8, 0, 6), f.Ink('/', 0, 3, 0, 6)) << "a slash rises to the right";
  // The baseline lies under row 11: capitals end there, descenders go on to row 15.
  for (int ch : {'g', 'p', 'q', 'y'}) EXPECT_GT(f.Ink(ch, 0, 8, 12, 16), 0) << char(ch) << " must descend";
  for (int ch = 'A'; ch <= 'Z'; ++ch) {
    if (ch == 'Q' || ch == 'J') continue;
    EXPECT_EQ(0, f.Ink(ch, 0, 8, 12, 16)) << char(ch) << " reaches below the baseline";
    EXPECT_GT(f.Ink(ch, 0, 8, 11, 12), 0) << char(ch) << " does not stand on the baseline";
    EXPECT_GT(f.Ink(ch, 0, 8, 0, 5), 0) << char(ch) << " lacks its upper part";
  }
}

INSTANTIATE_TEST_SUITE_P(Embedded, BitmapFonts, ::testing::Values(u"vantlefont.bin", u"gldrawtextfont.bin"),
                         [](const auto& info) { return info.index == 0 ? "vantlefont" : "gldrawtextfont"; });

TEST(BitmapFontsBoth, OpenGlTextFontIsTheBoldCut) {
  Font regular = Load(u"vantlefont.bin"), bold = Load(u"gldrawtextfont.bin");
  ASSERT_EQ(1536u, regular.bytes.size());
  ASSERT_EQ(1536u, bold.bytes.size());
  int r = 0, b = 0;
  for (int ch = 33; ch < 127; ++ch) {
    r += regular.Ink(ch, 0, 8, 0, 16);
    b += bold.Ink(ch, 0, 8, 0, 16);
  }
  EXPECT_GT(b, r) << "the OpenGL text font is the bold cut";
}
