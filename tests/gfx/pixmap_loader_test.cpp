#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>

#include "gfx/loaders_internal.h"
#include "tests/gfx/pixmap_samples.h"

namespace {

namespace fs = std::filesystem;

Bytes SmallPng() {
  PngLayout s;
  s.width = 3, s.height = 2, s.colour_type = PNG_COLOR_TYPE_RGB, s.pixels = Pattern(18);
  return EncodePng(s);
}
Bytes SmallJpeg() {
  JpegLayout s;
  s.width = 8, s.height = 8, s.components = 1, s.pixels = Bytes(64, 90);
  return EncodeJpeg(s);
}
Bytes SmallBmp() {
  BmpLayout s;
  s.width = 1, s.height = 1, s.bpp = 24, s.rows = {1, 2, 3};
  return EncodeBmp(s);
}
Bytes SmallTga() {
  Bytes b = TgaHeader(2, 1, 1, 24);
  b.insert(b.end(), {4, 5, 6});
  return b;
}

// Takes any input after reading a lot of it, and gives nothing.
class TGreedyLoader : public TPixmapLoader {
 public:
  TPixmapPtr LoadPixmap(const TStreamPtr& stream) override {
    uint8_t scratch[64];
    stream->Read(scratch, sizeof scratch);
    ++calls;
    return nullptr;
  }
  int calls = 0;
};

template <typename E>
class TThrowingLoader : public TPixmapLoader {
 public:
  TPixmapPtr LoadPixmap(const TStreamPtr&) override { throw E(); }
};

struct Runtime : TRuntimeError {
  Runtime() : TRuntimeError("loader broke") {}
};

// A stream that cannot seek.
class TPipeLike : public TStream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
};

fs::path TempFile(const std::string& name, const Bytes& b) {
  fs::path p = fs::temp_directory_path() / ("vs_pixmap_" + std::to_string(::getpid()) + "_" + name);
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
  return p;
}

// Loaders a test adds are taken out after it: the next test meets the built-in chain.
class PixmapLoaderChain : public ::testing::Test {
 protected:
  void Add(const TPixmapLoaderPtr& loader) {
    AddPixmapLoader(loader);
    added.push_back(loader);
  }
  void TearDown() override {
    for (const auto& l : added) RemovePixmapLoader(l.get());
  }
  std::vector<TPixmapLoaderPtr> added;
};

}  // namespace

TEST_F(PixmapLoaderChain, AsksTgaThenPngThenJpegThenBmp) {
  const Bytes files[4] = {SmallTga(), SmallPng(), SmallJpeg(), SmallBmp()};
  TPixmapLoaderPtr loader = PixmapLoaders();
  for (int i = 0; i < 4; ++i, loader = loader->_succ) {
    ASSERT_TRUE(loader) << "chain ends after " << i << " loaders";
    for (int j = 0; j < 4; ++j)
      EXPECT_EQ(i == j, Decode(files[j], loader) != nullptr) << "loader " << i << " given file kind " << j;
  }
  EXPECT_FALSE(loader) << "exactly four built-in loaders";
}

TEST_F(PixmapLoaderChain, NewLoaderGoesFirstAndEachIsGivenTheSameStart) {
  auto greedy = std::make_shared<TGreedyLoader>();
  Add(greedy);
  EXPECT_EQ(greedy, PixmapLoaders());
  Bytes b{'j', 'u', 'n', 'k', '!'};
  Bytes bmp = SmallBmp();
  b.insert(b.end(), bmp.begin(), bmp.end());
  TStreamPtr s = MemoryStream(b);
  s->Seek(5);
  TPixmapPtr p = LoadPixmap(s);
  EXPECT_EQ(1, greedy->calls);
  ASSERT_TRUE(p) << "the BMP loader still starts at the recorded position";
  EXPECT_EQ(0xFF030201u, p->ReadPixel(0, 0));
}

TEST_F(PixmapLoaderChain, StreamExceptionIsARejection) {
  Add(std::make_shared<TThrowingLoader<TStreamReadException>>());
  TPixmapPtr p = Decode(SmallPng());
  ASSERT_TRUE(p) << "the PNG loader behind the failing one decodes";
  EXPECT_EQ(3, p->width);
}

TEST_F(PixmapLoaderChain, OtherExceptionsPassToTheCaller) {
  Add(std::make_shared<TThrowingLoader<Runtime>>());
  EXPECT_THROW(Decode(SmallPng()), TRuntimeError);
  fs::path file = TempFile("throw.png", SmallPng());
  EXPECT_THROW(LoadPixmapUrl(TUrl(file.u16string())), TRuntimeError);
  fs::remove(file);
}

TEST(LoadPixmapUrl, DecodesFilesResourcesAndStreams) {
  fs::path file = TempFile("a.jpg", SmallJpeg());
  TPixmapPtr from_file = LoadPixmapUrl(TUrl(file.u16string()));
  fs::remove(file);
  ASSERT_TRUE(from_file);
  EXPECT_EQ(Grey8, from_file->format);

  static const Bytes embedded = SmallTga();
  RegisterEmbedded(u"pictures\\dot.tga", embedded.data(), static_cast<int64_t>(embedded.size()));
  TPixmapPtr from_resource = LoadPixmapUrl(u"incbin::pictures\\dot.tga");
  ASSERT_TRUE(from_resource);
  EXPECT_EQ(0xFF060504u, from_resource->ReadPixel(0, 0));

  TStreamPtr s = MemoryStream(SmallPng());
  TPixmapPtr from_stream = LoadPixmapUrl(TUrl(s));
  ASSERT_TRUE(from_stream);
  EXPECT_EQ(0, s->Seek(0)) << "the given stream is left open";
  EXPECT_TRUE(LoadPixmapUrl(TUrl(s)));
}

TEST(LoadPixmapUrl, NullForWhatCannotBeOpenedSoughtOrDecoded) {
  EXPECT_FALSE(LoadPixmapUrl(u"no/such/picture.png"));
  EXPECT_FALSE(LoadPixmapUrl(u"incbin::no such resource"));
  EXPECT_FALSE(LoadPixmapUrl(TUrl(std::make_shared<TPipeLike>()))) << "a stream that cannot seek";
  EXPECT_FALSE(LoadPixmapUrl(TUrl(MemoryStream({'G', 'I', 'F', '8', '9', 'a'}))));
}

TEST(LoadPixmapUrl, EveryKeptMalformedFileGivesNull) {
  int count = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(PIXMAP_FILES_DIR)) {
    EXPECT_FALSE(LoadPixmapUrl(TUrl(e.path().u16string()))) << e.path().filename();
    ++count;
  }
  EXPECT_LE(38, count) << "malformed files found in " << PIXMAP_FILES_DIR;
}

TEST(LoadPixmapUrl, EverySeedFileDecodes) {
  int count = 0;
  for (const char* kind : {"png", "jpeg", "bmp", "tga"}) {
    for (const fs::directory_entry& e : fs::directory_iterator(fs::path(FUZZ_CORPUS_DIR) / kind)) {
      EXPECT_TRUE(LoadPixmapUrl(TUrl(e.path().u16string()))) << e.path();
      ++count;
    }
  }
  EXPECT_LE(16, count) << "seed files found in " << FUZZ_CORPUS_DIR;
}
