// URLs, the factory chain, embedded resources and whole-stream helpers.
#include <gtest/gtest.h>

#include <cstring>

#include "stream/stream.h"

void RegisterTestResources();

namespace {

class Embedded : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterTestResources(); }
};

const std::string kGreeting = "Hello from the executable.\n";

TEST_F(Embedded, FilesCompiledInReadBackThroughTheProtocol) {
  auto s = OpenReadStream(u"incbin::fixtures\\greeting.txt");
  ASSERT_TRUE(s);
  EXPECT_EQ(static_cast<int64_t>(kGreeting.size()), s->Size());
  EXPECT_EQ(u"Hello from the executable.", s->ReadLine());
  EXPECT_TRUE(s->Eof());
  EXPECT_EQ(static_cast<int64_t>(kGreeting.size()), EmbeddedSize(u"fixtures\\greeting.txt"));
  EXPECT_EQ(0, std::memcmp(kGreeting.data(), EmbeddedData(u"fixtures\\greeting.txt"), kGreeting.size()));
}

TEST_F(Embedded, ProtocolIgnoresCaseButNamesDoNot) {
  EXPECT_TRUE(OpenReadStream(u"InCbIn::fixtures\\greeting.txt"));
  EXPECT_FALSE(OpenReadStream(u"incbin::FIXTURES\\greeting.txt"));
  EXPECT_FALSE(OpenReadStream(u"incbin::fixtures/greeting.txt"));
  EXPECT_FALSE(OpenReadStream(u"incbin::"));
  EXPECT_EQ(nullptr, EmbeddedData(u"unknown"));
  EXPECT_EQ(0, EmbeddedSize(u"unknown"));
}

TEST_F(Embedded, CannotBeOpenedForWriting) {
  EXPECT_FALSE(OpenWriteStream(u"incbin::fixtures\\greeting.txt"));
  EXPECT_FALSE(OpenStreamUrl(u"incbin::fixtures\\greeting.txt", true, true));
  auto r = OpenReadStream(u"incbin::fixtures\\greeting.txt");
  uint8_t b = 'X';
  EXPECT_EQ(0, r->Write(&b, 1));
}

TEST_F(Embedded, TwoReadersAreIndependent) {
  auto a = OpenReadStream(u"incbin::fixtures\\greeting.txt");
  auto b = OpenReadStream(u"incbin::fixtures\\greeting.txt");
  a->SkipBytes(6);
  EXPECT_EQ('f', a->ReadByte());
  EXPECT_EQ('H', b->ReadByte());
}

TEST(RegisterEmbedded, ANameRegisteredTwiceKeepsTheFirstEntry) {
  // Entries stay for the process: each run of the test takes a name of its own.
  static int runs = 0;
  const std::u16string name = u"twice" + BytesToText(std::to_string(++runs));
  static const char first[] = "first", second[] = "second!";
  EXPECT_EQ(1, RegisterEmbedded(name, first, 5));
  EXPECT_EQ(0, RegisterEmbedded(name, second, 7));
  EXPECT_EQ(first, EmbeddedData(name));
  EXPECT_EQ(5, EmbeddedSize(name));
}

TEST(OpenStreamUrl, UnknownProtocolsAndEmptyUrlsGiveNull) {
  EXPECT_FALSE(OpenReadStream(u"nosuch::thing"));
  EXPECT_FALSE(OpenReadStream(u""));
  EXPECT_FALSE(OpenReadStream(TUrl()));
}

// One rule for every handler chain: null is refused, and a handler added again stays where
// it is instead of closing the chain into a ring (a walk would then never end).
TEST(StreamFactoryChain, NullIsRefusedAndAFactoryIsNeverLinkedTwice) {
  struct Counting : TStreamFactory {
    int asked = 0;
    TStreamPtr CreateStream(const TUrl&, const std::u16string& protocol, const std::u16string&, bool,
                            bool) override {
      ++asked;
      return protocol == u"counting" ? TRamStream::Create(nullptr, 0, true, false) : nullptr;
    }
  };
  auto first = std::make_shared<Counting>(), second = std::make_shared<Counting>();
  AddStreamFactory(nullptr);
  AddStreamFactory(first);
  AddStreamFactory(second);
  AddStreamFactory(first);
  EXPECT_TRUE(OpenReadStream(u"counting::x")) << "the newest factory answers";
  EXPECT_EQ(1, second->asked);
  EXPECT_EQ(0, first->asked) << "expected the first factory behind the second, not moved to the head";
  EXPECT_FALSE(OpenReadStream(u"nosuch::thing")) << "a walk past every factory ends";
  EXPECT_EQ(1, first->asked) << "expected the first factory asked once per walk, got a ring";
}

TEST(EndianFactories, BigEndianSwapsTypedValuesLittleEndianDoesNot) {
  static const char data[] = "\x01\x02\x03\x04\x3f\x80\x00\x00";
  RegisterEmbedded(u"endian", data, 8);
  auto big = OpenReadStream(u"bigendian::incbin::endian");
  ASSERT_TRUE(big);
  EXPECT_EQ(0x01020304, big->ReadInt());
  EXPECT_EQ(1.0f, big->ReadFloat());
  auto little = OpenReadStream(u"LittleEndian::incbin::endian");
  ASSERT_TRUE(little);
  EXPECT_EQ(0x0201, little->ReadShort());
  EXPECT_FALSE(OpenReadStream(u"bigendian::incbin::missing"));
}

// A source that cannot seek, handing out its bytes a few at a time.
class TTrickle : public TStream {
 public:
  explicit TTrickle(size_t n) : left_(n) {}
  int64_t Read(void* b, int64_t count) override {
    int64_t n = std::min<int64_t>({count, 3, static_cast<int64_t>(left_)});
    std::memset(b, 'z', static_cast<size_t>(n));
    left_ -= static_cast<size_t>(n);
    return n;
  }

 private:
  size_t left_;
};

TEST(OpenFileForReading, CopiesAStreamThatCannotSeekIntoMemory) {
  auto source = std::make_shared<TTrickle>(5000);
  auto s = OpenFileForReading(TUrl(source));
  ASSERT_TRUE(s);
  EXPECT_EQ(0, s->Pos());
  EXPECT_EQ(5000, s->Size()) << "LoadBytes grows past its first 1024 bytes";
  s->Seek(4999);
  EXPECT_EQ('z', s->ReadByte());
  EXPECT_TRUE(s->Eof());
}

TEST(LoadBytes, ReadsTheWholeStreamAndTrims) {
  std::vector<uint8_t> bytes = LoadBytes(TUrl(std::make_shared<TTrickle>(1537)));
  EXPECT_EQ(1537u, bytes.size());
  EXPECT_TRUE(LoadBytes(u"no-such-file").empty());
  static const char text[] = "first";
  RegisterEmbedded(u"text", text, 5);
  EXPECT_EQ(u"first", LoadText(u"incbin::text"));
}

TEST(CopyStream, DataAndBytes) {
  char src[10] = "abcdefghi", dst[10] = {};
  auto from = TRamStream::Create(src, 9, true, false);
  auto to = TRamStream::Create(dst, 9, false, true);
  CopyStreamData(*from, *to, 2);
  EXPECT_STREQ("abcdefghi", dst);

  char dst2[5] = {};
  from->Seek(2);
  auto to2 = TRamStream::Create(dst2, 4, false, true);
  CopyStreamBytes(*from, *to2, 4, 3);
  EXPECT_STREQ("cdef", dst2);
}

}  // namespace
