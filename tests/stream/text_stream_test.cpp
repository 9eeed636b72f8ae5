// Text streams in each encoding, their line ends and byte-order marks, broken input; and
// big-endian typed values.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "stream/endian_stream.h"
#include "stream/text_stream.h"
#include "tests/temp_working_dir.h"

namespace fs = std::filesystem;

namespace {

// A readable stream over the given bytes that hands them out at most `step` at a time and
// cannot seek, as a pipe does.
class TDrip : public TStream {
 public:
  TDrip(std::string bytes, size_t step) : bytes_(std::move(bytes)), step_(step) {}
  int64_t Read(void* b, int64_t count) override {
    const size_t n = std::min({static_cast<size_t>(count), step_, bytes_.size() - at_});
    std::memcpy(b, bytes_.data() + at_, n);
    at_ += n;
    return static_cast<int64_t>(n);
  }

 private:
  std::string bytes_;
  size_t step_, at_ = 0;
};

std::shared_ptr<TTextStream> Reader(std::string bytes, int32_t encoding, size_t step = 4096) {
  return TTextStream::Create(std::make_shared<TDrip>(std::move(bytes), step), encoding);
}

// A writeable memory stream that keeps what was written.
struct TMemory {
  char bytes[256] = {};
  TStreamPtr stream = TRamStream::Create(bytes, sizeof bytes, true, true);
  std::string Written() { return std::string(bytes, static_cast<size_t>(stream->Pos())); }
};

std::string Hex(std::string_view s) {
  std::string out;
  char b[4];
  for (unsigned char c : s) std::snprintf(b, sizeof b, "%02X ", c), out += b;
  return out;
}

const std::u16string kMixed = u"A\u00E9\u20AC\U0001F600";  // A, e acute, euro, a face beyond 16 bits

TEST(TextStreams, EachEncodingWritesItsOwnBytesAndReadsThemBack) {
  const struct {
    int32_t encoding;
    std::string bytes;
  } cases[] = {
      {TTextStream::UTF8, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\n"},
      {TTextStream::UTF16LE, std::string("A\0\xE9\0\xAC\x20\x3D\xD8\x00\xDE\n\0", 12)},
      {TTextStream::UTF16BE, std::string("\0A\0\xE9\x20\xAC\xD8\x3D\xDE\x00\0\n", 12)},
  };
  for (const auto& c : cases) {
    TMemory m;
    auto w = TTextStream::Create(m.stream, c.encoding);
    ASSERT_TRUE(w->WriteLine(kMixed));
    EXPECT_EQ(Hex(c.bytes), Hex(m.Written())) << "expected these bytes for encoding " << c.encoding;
    auto r = Reader(c.bytes, c.encoding, 1);
    EXPECT_TRUE(r->ReadLine() == kMixed) << "expected the line back, one byte arriving at a time";
    EXPECT_TRUE(r->Eof()) << "expected the end after the only line";
  }
}

TEST(TextStreams, Latin1WritesTheLowEightBitsAsTheStreamLayerDoes) {
  TMemory m;
  TTextStream::Create(m.stream, TTextStream::LATIN1)->WriteString(u"\u00E9\u0141");
  EXPECT_EQ("E9 41 ", Hex(m.Written()));
  EXPECT_TRUE(Reader("\xE9\xFF", TTextStream::LATIN1)->ReadString(5) == u"\u00E9\u00FF");
}

TEST(TextStreams, LineFeedReturnAndBothTogetherEachEndALine) {
  for (int32_t encoding : {TTextStream::UTF8, TTextStream::UTF16LE, TTextStream::UTF16BE}) {
    TMemory m;
    TTextStream::Create(m.stream, encoding)->WriteString(u"a\nb\r\nc\rd\r\re\r");
    auto r = Reader(m.Written(), encoding, 1);
    std::vector<std::u16string> lines;
    while (!r->Eof()) lines.push_back(r->ReadLine());
    const std::vector<std::u16string> expected = {u"a", u"b", u"c", u"d", u"", u"e"};
    EXPECT_TRUE(lines == expected) << "expected 6 lines (a, b, c, d, empty, e) for encoding "
                                   << encoding << ", got " << lines.size();
  }
}

// A pipe's reader must not wait for more text than the line it asked for.
TEST(TextStreams, ALineEndingInAReturnIsHandedOverWithoutWaitingForTheNextByte) {
  class TOneLineThenFail : public TStream {
   public:
    int64_t Read(void* b, int64_t count) override {
      if (sent_) throw TRuntimeError("read past the line");
      sent_ = true;
      std::memcpy(b, "ok\r", 3);
      return std::min<int64_t>(count, 3);
    }
    bool sent_ = false;
  };
  auto r = TTextStream::Create(std::make_shared<TOneLineThenFail>(), TTextStream::LATIN1);
  EXPECT_TRUE(r->ReadLine() == u"ok") << "expected the line without a read beyond it";
}

TEST(TextStreams, AByteOrderMarkNamesTheEncodingAndIsNotRead) {
  auto le = Reader(std::string("\xFF\xFEh\0i\0", 6), TTextStream::UTF8);
  EXPECT_TRUE(le->ReadLine() == u"hi") << "expected UTF-16LE text after its mark";
  EXPECT_EQ(TTextStream::UTF16LE, le->Encoding());
  auto be = Reader(std::string("\xFE\xFF\0h", 4), TTextStream::LATIN1);
  EXPECT_TRUE(be->ReadLine() == u"h");
  EXPECT_EQ(TTextStream::UTF16BE, be->Encoding());
  auto u8 = Reader("\xEF\xBB\xBF\xC3\xA9", TTextStream::UTF16LE);
  EXPECT_TRUE(u8->ReadLine() == u"\u00E9");
  EXPECT_EQ(TTextStream::UTF8, u8->Encoding());
  auto none = Reader("\xFF\x41", TTextStream::LATIN1);
  EXPECT_TRUE(none->ReadLine() == u"\u00FFA") << "expected a lone 0xFF to stay text";
  EXPECT_EQ(TTextStream::LATIN1, none->Encoding());
}

// Every cut of random bytes into reads of any size decodes as the whole text does through the
// codebase's one UTF-8 conversion.
TEST(TextStreams, BrokenUtf8ReadsAsReplacementCharactersLikeTheWholeTextDoes) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(rng() % 40, '\0');
    for (char& b : bytes) b = static_cast<char>(0x7F + rng() % 0x81);  // mostly not ASCII
    if (bytes.size() >= 2 && (uint8_t(bytes[0]) == 0xFE || uint8_t(bytes[0]) == 0xFF)) bytes[0] = 'x';
    if (bytes.size() >= 3 && uint8_t(bytes[0]) == 0xEF) bytes[0] = 'x';
    auto r = Reader(bytes, TTextStream::UTF8, 1 + rng() % 5);
    const std::u16string got = r->ReadString(1000);
    ASSERT_TRUE(got == Utf8ToText(bytes)) << "expected the conversion of the whole text for " << Hex(bytes);
    EXPECT_TRUE(r->Eof());
  }
}

TEST(TextStreams, AStreamCutInsideACharacterEndsInOneReplacementCharacter) {
  EXPECT_TRUE(Reader("a\xE2\x82", TTextStream::UTF8)->ReadString(9) == u"a\uFFFD");
  EXPECT_TRUE(Reader(std::string("a\0b", 3), TTextStream::UTF16LE)->ReadString(9) == u"a\uFFFD");
  EXPECT_TRUE(Reader(std::string("\x3D\xD8", 2), TTextStream::UTF16LE)->ReadString(9) == u"\uFFFD")
      << "expected a high surrogate with nothing after it to read as U+FFFD";
  EXPECT_TRUE(Reader(std::string("\x00\xDEx\0", 4), TTextStream::UTF16LE)->ReadString(9) == u"\uFFFDx")
      << "expected a lone low surrogate to read as U+FFFD";
  auto r = Reader("", TTextStream::UTF8);
  EXPECT_EQ(-1, r->ReadChar()) << "expected -1 at the end";
  EXPECT_TRUE(r->ReadLine().empty());
}

using TextFiles = TempWorkingDir;

TEST_F(TextFiles, ThePrefixesOpenTextStreamsThroughTheFactoryChain) {
  auto w = OpenWriteStream(u"UTF16BE::notes.txt");
  ASSERT_TRUE(w) << "expected utf16be:: to open a file for writing";
  auto text = std::dynamic_pointer_cast<TTextStream>(w);
  ASSERT_TRUE(text) << "expected a text stream";
  text->WriteBOM();
  text->WriteLine(u"\u20AC1");
  w->Close();
  std::ifstream in("notes.txt", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(Hex(std::string("\xFE\xFF\x20\xAC\0001\0\n", 8)), Hex(bytes));
  auto r = OpenReadStream(u"utf8::notes.txt");
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->ReadLine() == u"\u20AC1") << "expected the mark to override the prefix's encoding";
  EXPECT_FALSE(OpenReadStream(u"utf8::no-such-file")) << "expected null for a file that is not there";
  EXPECT_FALSE(OpenReadStream(u"utf7::notes.txt")) << "expected null for an encoding nobody answers";
  EXPECT_FALSE(TTextStream::Create(nullptr, TTextStream::UTF8));
  EXPECT_FALSE(TTextStream::Create(OpenReadStream(u"notes.txt"), 9)) << "expected null for encoding 9";
}

TEST_F(TextFiles, PositionCountsOnlyTheBytesReadAndAWriteLandsThere) {
  std::ofstream("mixed.txt", std::ios::binary) << "first\r\nsecond\n";
  auto r = TTextStream::Create(OpenStreamUrl(u"mixed.txt", true, true), TTextStream::UTF8);
  EXPECT_TRUE(r->ReadLine() == u"first");
  EXPECT_EQ(7, r->Pos()) << "expected the position after the line's return and line feed";
  EXPECT_EQ('s', r->ReadByte());
  r->WriteString(u"EC");
  r->Close();
  std::ifstream in("mixed.txt", std::ios::binary);
  EXPECT_EQ("first\r\nsECond\n", std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST(EndianStreams, TypedValuesAreWrittenAndReadMostSignificantByteFirst) {
  TMemory m;
  auto big = TBigEndianStream::Create(m.stream);
  big->WriteShort(0x0102);
  big->WriteInt(258);
  big->WriteLong(0x0102030405060708);
  big->WriteFloat(1.0f);
  big->WriteDouble(-2.0);
  EXPECT_EQ("01 02 00 00 01 02 01 02 03 04 05 06 07 08 3F 80 00 00 C0 00 00 00 00 00 00 00 ",
            Hex(m.Written()));
  m.stream->Seek(0);
  EXPECT_EQ(0x0102, big->ReadShort());
  EXPECT_EQ(258, big->ReadInt());
  EXPECT_EQ(0x0102030405060708, big->ReadLong());
  EXPECT_EQ(1.0f, big->ReadFloat());
  EXPECT_EQ(-2.0, big->ReadDouble());
  static char tail[] = "\xFF\xFE\x01\x02";
  auto shorts = TBigEndianStream::Create(TRamStream::Create(tail, 4, true, false));
  EXPECT_EQ(65534, shorts->ReadShort()) << "expected a short to read unsigned";
  EXPECT_EQ(0x01020000, shorts->ReadInt()) << "expected the missing low bytes to read as 0";
  EXPECT_FALSE(TBigEndianStream::Create(nullptr));
}

}  // namespace
