// The game's pictures as it embeds and decodes them: sizes and format, the sprite
// sheet's rectangles and masks, and the tones the drawing code relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "gfx/pixmap.h"
#include "stream/core.h"
#include "stream/stream.h"
#include "tools/assetgen/sheet_layout.h"

void RegisterGameAssets();

namespace {

using assetgen::SheetRect;

void RegisterOnce() {
  static bool done = (RegisterGameAssets(), true);
  (void)done;
}

TPixmapPtr LoadEmbedded(const std::string& name) {
  RegisterOnce();
  return LoadPixmapUrl(TUrl(u"incbin::" + BytesToText(name)));
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

uint32_t Rgb(const TPixmapPtr& p, int x, int y) { return ReadPixel(p, x, y) & 0xFFFFFFu; }

struct Picture {
  const char* name;
  int width, height;
};
const Picture kPictures[] = {{"graphx\\kxlogo.png", 420, 236},
                             {"graphx\\vscl_title.png", 414, 173},
                             {"graphx\\vscl_bkdrop.png", 640, 480},
                             {"graphx\\vs3D_sprites.png", assetgen::kSheetWidth, assetgen::kSheetHeight}};

class SpriteSheet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sheet_ = LoadEmbedded("graphx\\vs3D_sprites.png"); }
  void SetUp() override { ASSERT_NE(nullptr, sheet_) << "the sprite sheet does not decode"; }
  static bool Opaque(int x, int y) { return Rgb(sheet_, x, y) != 0; }
  // Opaque pixels of a rectangle, row by row.
  static std::vector<bool> MaskOf(const SheetRect& r) {
    std::vector<bool> m;
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; ++x) m.push_back(Opaque(x, y));
    return m;
  }
  static SheetRect Rect(const std::string& strip, int frame) {
    for (const SheetRect& r : assetgen::SheetLayout())
      if (strip == r.strip && frame == r.frame) return r;
    ADD_FAILURE() << "no rectangle " << strip << " " << frame;
    return {};
  }
  static int Differences(const std::vector<bool>& a, const std::vector<bool>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n;
  }
  static TPixmapPtr sheet_;
};
TPixmapPtr SpriteSheet::sheet_;

}  // namespace

TEST(GamePictures, EachIsAnEightBitRgbPngOfItsSize) {
  for (const Picture& p : kPictures) {
    std::string path = std::string(VS_SOURCE_DIR) + "/" + p.name;
    path[path.find('\\')] = '/';
    std::vector<uint8_t> bytes = FileBytes(path);
    ASSERT_GE(bytes.size(), 33u) << path;
    // IHDR: width and height big-endian at 16 and 20, bit depth at 24, colour type at 25.
    auto be32 = [&](size_t at) { return int(bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3]); };
    EXPECT_EQ(p.width, be32(16)) << p.name;
    EXPECT_EQ(p.height, be32(20)) << p.name;
    EXPECT_EQ(8, bytes[24]) << p.name << ": bit depth";
    EXPECT_EQ(2, bytes[25]) << p.name << ": colour type 2 is RGB without alpha";

    TPixmapPtr pix = LoadEmbedded(p.name);
    ASSERT_NE(nullptr, pix) << p.name << " does not decode from its embedded copy";
    EXPECT_EQ(p.width, PixmapWidth(pix)) << p.name;
    EXPECT_EQ(p.height, PixmapHeight(pix)) << p.name;
    RegisterOnce();
    EXPECT_EQ(int64_t(bytes.size()), EmbeddedSize(BytesToText(p.name))) << p.name << ": embedded copy differs from the file";
  }
}

TEST(GamePictures, TheFontIsEmbeddedFromPlayBold) {
  RegisterOnce();
  std::vector<uint8_t> ttf = FileBytes(VS_TITLE_FONT);
  ASSERT_FALSE(ttf.empty()) << VS_TITLE_FONT;
  const auto* data = static_cast<const uint8_t*>(EmbeddedData(u"fonts\\astronbv.ttf"));
  ASSERT_NE(nullptr, data) << "fonts\\astronbv.ttf is not registered";
  ASSERT_EQ(int64_t(ttf.size()), EmbeddedSize(u"fonts\\astronbv.ttf"));
  EXPECT_TRUE(std::equal(ttf.begin(), ttf.end(), data)) << "embedded font differs from " << VS_TITLE_FONT;
}

TEST(GamePictures, BackdropIsDarkButNotEmpty) {
  TPixmapPtr p = LoadEmbedded("graphx\\vscl_bkdrop.png");
  ASSERT_NE(nullptr, p);
  double sum = 0;
  int bright = 0;
  std::set<uint32_t> tones;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      uint32_t c = Rgb(p, x, y);
      int luma = int(((c >> 16) & 255) * 3 + ((c >> 8) & 255) * 6 + (c & 255)) / 10;
      sum += luma;
      bright += luma > 100;
      tones.insert(c);
    }
  double mean = sum / (640.0 * 480.0);
  EXPECT_LT(mean, 40.0) << "text and sprites must stand out over the backdrop";
  EXPECT_GT(mean, 4.0) << "the backdrop is nearly black";
  EXPECT_LT(bright, 640 * 480 / 50) << "more than 2% of the backdrop is bright";
  EXPECT_GT(tones.size(), 5000u) << "the backdrop has too little structure to read in depth";
}

TEST(GamePictures, PicturesHaveTransparentCornersAndOpaqueBodies) {
  for (const char* name : {"graphx\\kxlogo.png", "graphx\\vscl_title.png"}) {
    TPixmapPtr p = LoadEmbedded(name);
    ASSERT_NE(nullptr, p) << name;
    int w = PixmapWidth(p), h = PixmapHeight(p), opaque = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) opaque += Rgb(p, x, y) != 0;
    EXPECT_EQ(0u, Rgb(p, 0, 0)) << name << ": the masked black must frame the picture";
    EXPECT_EQ(0u, Rgb(p, w - 1, h - 1)) << name;
    EXPECT_GT(opaque, w * h / 6) << name << ": too little is drawn";
    EXPECT_LT(opaque, w * h * 9 / 10) << name << ": hardly anything is transparent";
  }
}

// Under the emblem, "P R E S E N T S" stands between two violet rule lines that lead up to
// it from either side: no rule pixel lies in a letter's box or touches it.
TEST(GamePictures, LogoRulesLeaveTheLettersOfPresentsAlone) {
  TPixmapPtr p = LoadEmbedded("graphx\\kxlogo.png");
  ASSERT_NE(nullptr, p);
  const int w = PixmapWidth(p), h = PixmapHeight(p), top = 200;  // the emblem ends above row 200
  auto green = [&](int x, int y) { return int((Rgb(p, x, y) >> 8) & 255); };
  auto is_letter = [&](int x, int y) { return green(x, y) >= 150; };
  auto is_rule = [&](int x, int y) { uint32_t c = Rgb(p, x, y); return c != 0 && green(x, y) < 120 && (c & 255) > 180; };
  struct Box {
    int x0, x1, y0, y1;  // inclusive
  };
  std::vector<Box> letters;  // one per run of columns holding letter pixels
  for (int x = 0; x < w; ++x) {
    int y0 = h, y1 = -1;
    for (int y = top; y < h; ++y)
      if (is_letter(x, y)) y0 = std::min(y0, y), y1 = std::max(y1, y);
    if (y1 < 0) continue;
    if (!letters.empty() && letters.back().x1 == x - 1) {
      Box& b = letters.back();
      b.x1 = x, b.y0 = std::min(b.y0, y0), b.y1 = std::max(b.y1, y1);
    } else {
      letters.push_back({x, x, y0, y1});
    }
  }
  ASSERT_EQ(8u, letters.size()) << "expected the eight letters of PRESENTS below the emblem, got " << letters.size()
                                << " runs of letter columns";
  int left = 0, right = 0, touching = 0;
  std::string first;
  for (int y = top; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!is_rule(x, y)) continue;
      left += x < letters.front().x0;
      right += x > letters.back().x1;
      for (size_t i = 0; i < letters.size(); ++i) {
        const Box& b = letters[i];
        if (x < b.x0 - 2 || x > b.x1 + 2 || y < b.y0 - 2 || y > b.y1 + 2) continue;
        if (touching++ == 0) first = "(" + std::to_string(x) + ", " + std::to_string(y) + ") by letter " + std::to_string(i + 1);
      }
    }
  EXPECT_GT(left, 40) << "expected a rule line left of the word, got " << left << " rule pixels there";
  EXPECT_GT(right, 40) << "expected a rule line right of the word, got " << right << " rule pixels there";
  EXPECT_EQ(0, touching) << "expected no rule pixel within 2 pixels of a letter's box, got " << touching
                         << ", the first at " << first;
}

TEST_F(SpriteSheet, EveryRectangleHoldsOpaquePixelsAndIsFramedInBlack) {
  for (const SheetRect& r : assetgen::SheetLayout()) {
    int opaque = 0;
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; ++x) opaque += Opaque(x, y);
    EXPECT_GT(opaque, 0) << r.strip << " frame " << r.frame << " is empty";
    int spilled = 0;
    for (int x = r.x - 1; x <= r.x + r.w; ++x)
      for (int y : {r.y - 1, r.y + r.h})
        if (x >= 0 && y >= 0 && x < assetgen::kSheetWidth && y < assetgen::kSheetHeight) spilled += Opaque(x, y);
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x : {r.x - 1, r.x + r.w})
        if (x >= 0 && x < assetgen::kSheetWidth) spilled += Opaque(x, y);
    EXPECT_EQ(0, spilled) << r.strip << " frame " << r.frame << ": opaque pixels on its one-pixel border";
  }
}

TEST_F(SpriteSheet, MasksAreNeitherEmptyNorFullRectangles) {
  for (const SheetRect& r : assetgen::SheetLayout()) {
    std::vector<bool> m = MaskOf(r);
    size_t opaque = size_t(std::count(m.begin(), m.end(), true));
    EXPECT_GT(opaque, m.size() / 10) << r.strip << " frame " << r.frame << ": almost nothing to hit";
    EXPECT_LT(opaque, m.size()) << r.strip << " frame " << r.frame << ": its mask is the whole rectangle";
  }
}

// A black pixel that cannot be reached from the rectangle's edge through black is a
// hole the mask would punch into the body of a sprite.
TEST_F(SpriteSheet, SpriteBodiesHaveNoBlackHoles) {
  for (const SheetRect& r : assetgen::SheetLayout()) {
    if (std::string(r.strip) == "img_logo3d") continue;  // letters have counters
    std::vector<bool> m = MaskOf(r), reached(m.size(), false);
    std::vector<int> todo;
    for (int y = 0; y < r.h; ++y)
      for (int x = 0; x < r.w; ++x)
        if ((x == 0 || y == 0 || x == r.w - 1 || y == r.h - 1) && !m[size_t(y * r.w + x)]) todo.push_back(y * r.w + x);
    for (int i : todo) reached[size_t(i)] = true;
    while (!todo.empty()) {
      int i = todo.back();
      todo.pop_back();
      int x = i % r.w, y = i / r.w;
      const std::array<std::pair<int, int>, 4> steps{{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}};
      for (auto [dx, dy] : steps) {
        int nx = x + dx, ny = y + dy, j = ny * r.w + nx;
        if (nx < 0 || ny < 0 || nx >= r.w || ny >= r.h || m[size_t(j)] || reached[size_t(j)]) continue;
        reached[size_t(j)] = true;
        todo.push_back(j);
      }
    }
    int holes = 0;
    for (size_t i = 0; i < m.size(); ++i) holes += !m[i] && !reached[i];
    EXPECT_EQ(0, holes) << r.strip << " frame " << r.frame << ": enclosed black pixels";
  }
}

TEST_F(SpriteSheet, InvaderKindsDifferAndTheirFramesAnimate) {
  auto frame = [&](int i) { return MaskOf(Rect("img_sprites", i)); };
  for (int a : {1, 3, 5})
    for (int b : {1, 3, 5})
      if (a < b) {
        EXPECT_GT(Differences(frame(a), frame(b)), 150) << "invader frames " << a << " and " << b << " look alike";
      }
  for (int base : {1, 3, 5}) {
    int d = Differences(frame(base), frame(base + 1));
    EXPECT_GT(d, 10) << "invader frames " << base << " and " << base + 1 << " do not animate";
  }
  for (int s : {0, 1, 3, 5}) EXPECT_GT(Differences(frame(0), frame(s == 0 ? 7 : s)), 150) << "frame " << s;
}

TEST_F(SpriteSheet, SaucerFramesAndShotFramesAllDiffer) {
  auto pixels = [&](const SheetRect& r) {
    std::vector<uint32_t> v;
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; ++x) v.push_back(Rgb(sheet_, x, y));
    return v;
  };
  for (int a = 7; a <= 10; ++a)
    for (int b = a + 1; b <= 10; ++b)
      EXPECT_NE(pixels(Rect("img_sprites", a)), pixels(Rect("img_sprites", b))) << "saucer frames " << a << ", " << b;
  for (int a = 0; a < 6; ++a)
    for (int b = a + 1; b < 6; ++b)
      EXPECT_NE(pixels(Rect("img_shots", a)), pixels(Rect("img_shots", b))) << "shot frames " << a << ", " << b;
}

// The stereo title is tinted by the eye colours, so it must carry no colour of its own.
TEST_F(SpriteSheet, StereoTitleIsWhiteAndLightGreys) {
  SheetRect r = Rect("img_logo3d", 0);
  int coloured = 0, dark = 0;
  for (int y = r.y; y < r.y + r.h; ++y)
    for (int x = r.x; x < r.x + r.w; ++x) {
      uint32_t c = Rgb(sheet_, x, y);
      if (c == 0) continue;
      int red = int(c >> 16), green = int((c >> 8) & 255), blue = int(c & 255);
      coloured += red != green || green != blue;
      dark += red < 128;
    }
  EXPECT_EQ(0, coloured) << "pixels of the stereo title that are not grey";
  EXPECT_EQ(0, dark) << "pixels of the stereo title darker than a light grey";
}
