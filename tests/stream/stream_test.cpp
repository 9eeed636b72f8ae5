// Typed values, short streams, RAM streams, wrappers and text lines.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "stream/stream.h"

namespace {

template <size_t N>
std::shared_ptr<TRamStream> Ram(std::array<uint8_t, N>& bytes, bool readable = true, bool writeable = true) {
  return TRamStream::Create(bytes.data(), N, readable, writeable);
}

// The one conversion between framework text and UTF-8; a lone surrogate or a broken
// sequence becomes U+FFFD in either direction, never a byte pattern that is not UTF-8.
TEST(Utf8Text, SurrogatePairsAreOneCharacterAndWhatCannotBeEncodedIsReplaced) {
  const std::u16string text = u"a\u00e9\u20ac\U0001F600";
  const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  EXPECT_EQ(utf8, TextToUtf8(text));
  EXPECT_TRUE(Utf8ToText(utf8) == text) << "expected the same four characters back";
  const std::u16string lone_high{0xD800, u'x'}, lone_low{u'x', 0xDC00}, high_at_end{0xD83D};
  EXPECT_EQ("\xEF\xBF\xBDx", TextToUtf8(lone_high));
  EXPECT_EQ("x\xEF\xBF\xBD", TextToUtf8(lone_low));
  EXPECT_EQ("\xEF\xBF\xBD", TextToUtf8(high_at_end));
  const struct {
    const char* what;
    std::string bytes;
    std::u16string text;
  } broken[] = {{"stray continuation", "\x80z", u"\uFFFDz"},
                {"cut short", "\xE2\x82z", u"\uFFFDz"},
                {"cut at the end", "z\xF0\x9F", u"z\uFFFD"},
                {"overlong slash", "\xC0\xAF", u"\uFFFD"},
                {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD"},
                {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD"},
                {"impossible lead", "\xFF", u"\uFFFD"}};
  for (const auto& b : broken)
    EXPECT_TRUE(Utf8ToText(b.bytes) == b.text) << b.what << ": expected U+FFFD in place of the sequence";
}

TEST(TypedValues, AreLittleEndian) {
  std::array<uint8_t, 4> out{};
  Ram(out)->WriteInt(258);
  EXPECT_EQ((std::array<uint8_t, 4>{2, 1, 0, 0}), out);

  std::array<uint8_t, 4> ones{255, 255, 255, 255};
  EXPECT_EQ(-1, Ram(ones)->ReadInt());
  EXPECT_EQ(65535, Ram(ones)->ReadShort()) << "ReadShort is unsigned";
  EXPECT_EQ(255, Ram(ones)->ReadByte());
}

TEST(TypedValues, RoundTripEveryWidth) {
  std::array<uint8_t, 27> buf{};
  auto s = Ram(buf);
  s->WriteByte(0x1FF);
  s->WriteShort(-2);
  s->WriteInt(-123456789);
  s->WriteLong(-1234567890123LL);
  s->WriteFloat(1.5f);
  s->WriteDouble(-0.1);
  EXPECT_EQ(27, s->Pos());
  s->Seek(0);
  EXPECT_EQ(0xFF, s->ReadByte()) << "WriteByte keeps the low 8 bits";
  EXPECT_EQ(0xFFFE, s->ReadShort());
  EXPECT_EQ(-123456789, s->ReadInt());
  EXPECT_EQ(-1234567890123LL, s->ReadLong());
  EXPECT_EQ(1.5f, s->ReadFloat());
  EXPECT_EQ(-0.1, s->ReadDouble());
  EXPECT_TRUE(s->Eof());
}

TEST(TypedValues, MissingBytesAtTheEndReadAsZero) {
  std::array<uint8_t, 2> two{1, 2};
  auto s = Ram(two);
  EXPECT_EQ(513, s->ReadInt());
  EXPECT_TRUE(s->Eof());
  EXPECT_EQ(0, s->ReadInt()) << "reading past the end is not an error";
  EXPECT_EQ(0.0, s->ReadDouble());
}

TEST(RamStream, SeekClampsToItsBlock) {
  std::array<uint8_t, 8> buf{};
  auto s = Ram(buf);
  EXPECT_EQ(0, s->Seek(-5));
  EXPECT_EQ(8, s->Seek(8 + 10));
  EXPECT_TRUE(s->Eof());
}

TEST(RamStream, NeverGrowsAndHonoursDirections) {
  std::array<uint8_t, 3> buf{};
  auto s = Ram(buf);
  uint8_t five[5] = {1, 2, 3, 4, 5};
  EXPECT_EQ(3, s->Write(five, 5));
  EXPECT_EQ(0, s->Write(five, 5)) << "a full RAM stream takes nothing more";
  EXPECT_THROW(s->WriteBytes(five, 1), TStreamWriteException);
  EXPECT_EQ(3, s->Size());

  auto read_only = Ram(buf, true, false);
  EXPECT_EQ(0, read_only->Write(five, 1));
  auto write_only = Ram(buf, false, true);
  EXPECT_EQ(0, write_only->Read(five, 1));
  EXPECT_EQ(0, s->Read(five, 0));
  EXPECT_EQ(0, s->Read(five, -4));
}

// A stream that cannot seek and never delivers: reads must fail, not spin.
class TDryStream : public TStream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t) override { return 0; }
};

TEST(StreamFailures, NoProgressRaisesWithTheirTexts) {
  TDryStream dry;
  uint8_t b[4];
  try {
    dry.ReadBytes(b, 4);
    FAIL() << "expected TStreamReadException";
  } catch (const TStreamReadException& e) {
    EXPECT_STREQ("Error reading from stream", e.what());
  }
  try {
    dry.WriteInt(1);
    FAIL() << "expected TStreamWriteException";
  } catch (const TStreamWriteException& e) {
    EXPECT_STREQ("Error writing to stream", e.what());
  }
  EXPECT_THROW(dry.SkipBytes(1), TStreamReadException);
}

TEST(StreamFailures, TheBaseStreamCanNeitherReadNorWrite) {
  TStream plain;
  uint8_t b = 0;
  try {
    plain.Read(&b, 1);
    FAIL();
  } catch (const TRuntimeError& e) {
    EXPECT_STREQ("Stream is not readable", e.what());
  }
  try {
    plain.Write(&b, 1);
    FAIL();
  } catch (const TRuntimeError& e) {
    EXPECT_STREQ("Stream is not writeable", e.what());
  }
  EXPECT_EQ(-1, plain.Pos());
  EXPECT_FALSE(plain.Eof()) << "Pos -1 against Size 0";
  EXPECT_THROW(plain.ReadObject(), TRuntimeError);
}

TEST(TextLines, WriteLineEndsWithCrLf) {
  std::array<uint8_t, 4> buf{};
  EXPECT_TRUE(Ram(buf)->WriteLine(u"ab"));
  EXPECT_EQ((std::array<uint8_t, 4>{97, 98, 13, 10}), buf);

  std::array<uint8_t, 3> small{};
  EXPECT_FALSE(Ram(small)->WriteLine(u"ab")) << "a line that did not fit reports failure";
}

TEST(TextLines, ReadLineStopsAtLineFeedOrNulAndDropsCr) {
  std::array<uint8_t, 11> buf{'o', 'n', 'e', 13, 10, 't', 'w', 0, 'x', 0xE9, 13};
  auto s = Ram(buf);
  EXPECT_EQ(u"one", s->ReadLine());
  EXPECT_EQ(u"tw", s->ReadLine());
  EXPECT_EQ(std::u16string(u"x\u00E9"), s->ReadLine()) << "bytes become characters of the same code";
  EXPECT_EQ(u"", s->ReadLine());
}

TEST(TextLines, StringsMoveLowBytes) {
  std::array<uint8_t, 3> buf{};
  auto s = Ram(buf);
  s->WriteString(u"A\u0142z");  // U+0142 keeps its low byte 0x42
  EXPECT_EQ((std::array<uint8_t, 3>{'A', 0x42, 'z'}), buf);
  s->Seek(0);
  EXPECT_EQ(u"ABz", s->ReadString(3));
}

TEST(Wrappers, ClosingAStreamStreamLeavesTheWrappedOneOpen) {
  std::array<uint8_t, 4> buf{7, 0, 0, 0};
  auto inner = Ram(buf);
  auto outer = TStreamStream::Create(inner);
  outer->Close();
  EXPECT_EQ(7, inner->ReadInt());
}

TEST(Wrappers, ForwardEveryOperation) {
  std::array<uint8_t, 8> buf{};
  auto inner = Ram(buf);
  auto outer = TStreamStream::Create(inner);
  outer->WriteInt(99);
  EXPECT_EQ(4, inner->Pos());
  EXPECT_EQ(0, outer->Seek(0));
  EXPECT_EQ(99, outer->ReadInt());
  EXPECT_EQ(8, outer->Size());
}

TEST(Conversions, TextMeetsBytesThroughTheLowEightBits) {
  EXPECT_EQ(std::string("a\x42", 2), TextToBytes(u"a\u0142"));
  EXPECT_EQ(std::u16string(u"\u00FF"), BytesToText("\xFF"));
}

}  // namespace
