#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "audio/sample.h"
#include "audio/sample_ogg.h"
#include "audio/sample_wav.h"
#include "tests/audio/ogg_maker.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void PutTag(Bytes& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(tag[i]));
}

Bytes FmtChunk(int tag, int channels, int rate, int bits, int align = -1, uint32_t size = 16) {
  Bytes b;
  PutTag(b, "fmt ");
  Put32(b, size);
  Put16(b, tag);
  Put16(b, channels);
  Put32(b, rate);
  Put32(b, rate * channels * bits / 8);
  Put16(b, align < 0 ? channels * bits / 8 : align);
  Put16(b, bits);
  for (uint32_t i = 16; i < size; ++i) b.push_back(0xEE);
  if (size & 1) b.push_back(0);
  return b;
}

Bytes Chunk(const char* tag, const Bytes& body, uint32_t size_field) {
  Bytes b;
  PutTag(b, tag);
  Put32(b, size_field);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}
Bytes Chunk(const char* tag, const Bytes& body) { return Chunk(tag, body, static_cast<uint32_t>(body.size())); }

Bytes Riff(std::initializer_list<Bytes> chunks) {
  Bytes b;
  PutTag(b, "RIFF");
  Put32(b, 0);  // ignored
  PutTag(b, "WAVE");
  for (const Bytes& c : chunks) b.insert(b.end(), c.begin(), c.end());
  return b;
}

// The stream keeps a copy of the bytes alive for as long as it lives.
struct OwnedRam : TRamStream {
  explicit OwnedRam(const Bytes& b) : bytes(b) {
    _buf = bytes.data();
    _size = static_cast<int64_t>(bytes.size());
    _read = true;
  }
  Bytes bytes;
  int closes = 0;
  int Close() override { return ++closes, 0; }
};
std::shared_ptr<OwnedRam> RamOf(const Bytes& b) { return std::make_shared<OwnedRam>(b); }

TAudioSamplePtr LoadWav(const Bytes& b) { return TAudioSampleLoaderWAV().LoadAudioSample(RamOf(b)); }

int16_t Le16At(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }

}  // namespace

// What each format means for a real sample: the bytes ten frames own, and what a stereo
// frame of (left 0x1234, right 0x5678) reads as once converted into it.
TEST(AudioFormats, EachFormatSizesAndLaysOutItsFrames) {
  const int16_t frame[2] = {0x1234, 0x5678};
  TAudioSamplePtr stereo = TAudioSample::CreateStatic(const_cast<int16_t*>(frame), 1, 8000,
                                                      TAudioSample::FORMAT_STEREO16LE);
  const struct {
    int32_t format, channels, ten_frames;
    std::vector<uint8_t> bytes;
  } cases[] = {{1, 1, 10, {0x91}},
               {2, 1, 20, {0x34, 0x12}},
               {3, 1, 20, {0x12, 0x34}},
               {4, 2, 20, {0x91, 0xD5}},
               {5, 2, 40, {0x34, 0x12, 0x78, 0x56}},
               {6, 2, 40, {0x12, 0x34, 0x56, 0x78}}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.channels, TAudioSample::Create(10, 8000, c.format)->Channels()) << "format " << c.format;
    EXPECT_EQ(c.ten_frames, TAudioSample::Create(10, 8000, c.format)->capacity) << "format " << c.format;
    TAudioSamplePtr converted = stereo->Convert(c.format);
    EXPECT_EQ(c.bytes, std::vector<uint8_t>(converted->samples, converted->samples + c.bytes.size()))
        << "format " << c.format;
  }
  EXPECT_EQ(0, AudioFormatFrameBytes(7)) << "an unknown code has no frame size";
  EXPECT_EQ(0, AudioFormatChannelCount(-1));
}

TEST(AudioSampleConvert, EightBitMapsOntoTheFullSixteenBitRange) {
  uint8_t mono8[3] = {0, 128, 255};
  TAudioSamplePtr hub = TAudioSample::CreateStatic(mono8, 3, 8000, 1)->Convert(6);
  const int16_t expect[3] = {-32768, 128, 32767};
  for (int i = 0; i < 3; ++i) {
    int16_t l = static_cast<int16_t>(hub->samples[i * 4] << 8 | hub->samples[i * 4 + 1]);
    int16_t r = static_cast<int16_t>(hub->samples[i * 4 + 2] << 8 | hub->samples[i * 4 + 3]);
    EXPECT_EQ(expect[i], l) << "value " << int(mono8[i]) << " left";
    EXPECT_EQ(expect[i], r) << "value " << int(mono8[i]) << " right";
  }
  TAudioSamplePtr back = hub->Convert(1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(mono8[i], back->samples[i]) << "round trip of " << int(mono8[i]);
  int16_t v[3] = {-32768, 0, 32767};
  TAudioSamplePtr s = TAudioSample::CreateStatic(v, 3, 8000, 2)->Convert(1);
  EXPECT_EQ(0, s->samples[0]);
  EXPECT_EQ(127, s->samples[1]) << "32768 / 257";
  EXPECT_EQ(255, s->samples[2]);
}

TEST(AudioSampleConvert, StereoToMonoKeepsTheLeftChannel) {
  int16_t v[4] = {1000, -2000, -3000, 4000};
  TAudioSamplePtr s = TAudioSample::CreateStatic(v, 2, 8000, 5)->Convert(2);
  EXPECT_EQ(4, s->capacity);
  EXPECT_EQ(1000, Le16At(s->samples));
  EXPECT_EQ(-3000, Le16At(s->samples + 2));
  TAudioSamplePtr be = TAudioSample::CreateStatic(v, 2, 8000, 5)->Convert(3);
  EXPECT_EQ(0x03, be->samples[0]) << "1000 big-endian, high byte first";
  EXPECT_EQ(0xE8, be->samples[1]);
}

TEST(AudioSampleConvert, ByteOrderSwapsBothWays) {
  uint8_t le[4] = {0x34, 0x12, 0x78, 0x56};
  TAudioSamplePtr be = TAudioSample::CreateStatic(le, 1, 8000, 5)->Convert(6);
  const uint8_t want[4] = {0x12, 0x34, 0x56, 0x78};
  EXPECT_EQ(0, std::memcmp(want, be->samples, 4));
  TAudioSamplePtr again = be->Convert(5);
  EXPECT_EQ(0, std::memcmp(le, again->samples, 4));
  uint8_t st8[2] = {0, 255};
  TAudioSamplePtr wide = TAudioSample::CreateStatic(st8, 1, 8000, 4)->Convert(5);
  EXPECT_EQ(-32768, Le16At(wide->samples)) << "left";
  EXPECT_EQ(32767, Le16At(wide->samples + 2)) << "right";
  TAudioSamplePtr narrow = wide->Convert(4);
  EXPECT_EQ(0, narrow->samples[0]);
  EXPECT_EQ(255, narrow->samples[1]);
}

TEST(AudioSampleConvert, UnknownFormatsAreRefused) {
  TAudioSamplePtr s = TAudioSample::Create(4, 8000, 2);
  try {
    s->Convert(9);
    FAIL() << "expected a runtime error";
  } catch (const TRuntimeError& e) {
    EXPECT_STREQ("Unimplemented sample format conversion", e.what());
  }
  EXPECT_NE(nullptr, s->Convert(2)) << "the same format is a copy";
}

TEST(WavLoader, ReadsEachPcmLayout) {
  struct Case {
    int channels, bits, format;
  } cases[] = {{1, 8, 1}, {2, 8, 4}, {1, 16, 2}, {2, 16, 5}};
  for (const Case& c : cases) {
    Bytes data(48);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 5);
    TAudioSamplePtr s = LoadWav(Riff({FmtChunk(1, c.channels, 11025, c.bits), Chunk("data", data)}));
    ASSERT_NE(nullptr, s) << c.channels << " channels, " << c.bits << " bits";
    EXPECT_EQ(c.format, s->format);
    EXPECT_EQ(11025, s->hertz);
    EXPECT_EQ(48 / (c.channels * c.bits / 8), s->length);
    EXPECT_EQ(0, std::memcmp(data.data(), s->samples, 48));
  }
}

TEST(WavLoader, WalksPastOtherChunksIncludingOddSizedOnes) {
  Bytes list = {'I', 'N', 'F', 'O', 'x'};  // odd: one pad byte follows
  Bytes data = {1, 0, 2, 0, 3, 0};
  Bytes file = Riff({FmtChunk(1, 1, 8000, 16, -1, 18), Chunk("LIST", list)});
  file.push_back(0);
  Bytes tail = Chunk("data", data);
  file.insert(file.end(), tail.begin(), tail.end());
  TAudioSamplePtr s = LoadWav(file);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(3, s->length);
  EXPECT_EQ(3, Le16At(s->samples + 4));
  Bytes junk_first = Riff({Chunk("JUNK", Bytes(6, 0)), FmtChunk(1, 1, 8000, 8), Chunk("data", Bytes(5, 128))});
  ASSERT_NE(nullptr, LoadWav(junk_first)) << "a chunk before fmt is skipped";
  EXPECT_EQ(5, LoadWav(junk_first)->length);
}

TEST(WavLoader, DataSizeBeyondTheFileIsClampedToWholeFrames) {
  Bytes data(7, 0x40);  // one 4-byte stereo frame and three stray bytes
  TAudioSamplePtr s = LoadWav(Riff({FmtChunk(1, 2, 8000, 16), Chunk("data", data, 1000000)}));
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(1, s->length) << "7 bytes present hold one whole 4-byte frame";
}

TEST(WavLoader, RefusesWhatItCannotPlay) {
  const Bytes data(16, 0);
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"24-bit values", Riff({FmtChunk(1, 1, 8000, 24), Chunk("data", data)})},
      {"32-bit values", Riff({FmtChunk(1, 2, 8000, 32), Chunk("data", data)})},
      {"compressed tag", Riff({FmtChunk(2, 1, 8000, 16), Chunk("data", data)})},
      {"zero channels", Riff({FmtChunk(1, 0, 8000, 16, 2), Chunk("data", data)})},
      {"zero bits", Riff({FmtChunk(1, 1, 8000, 0, 2), Chunk("data", data)})},
      {"zero block alignment", Riff({FmtChunk(1, 1, 8000, 16, 0), Chunk("data", data)})},
      {"three channels", Riff({FmtChunk(1, 3, 8000, 16), Chunk("data", data)})},
      {"short fmt chunk", Riff({Chunk("fmt ", Bytes(12, 1)), Chunk("data", data)})},
      {"no data chunk", Riff({FmtChunk(1, 1, 8000, 16)})},
      {"data before fmt", Riff({Chunk("data", data), FmtChunk(1, 1, 8000, 16)})},
      {"chunk larger than the file", Riff({FmtChunk(1, 1, 8000, 16), Chunk("LIST", Bytes(4, 0), 0xFFFFFFF0u)})},
      {"not RIFF", Bytes{'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}},
      {"truncated header", Bytes{'R', 'I', 'F', 'F', 0}},
      {"empty", Bytes{}},
  };
  for (const Case& c : cases) EXPECT_EQ(nullptr, LoadWav(c.file)) << c.what;
}

TEST(WavLoader, AChunkWalkOverManyEmptyChunksEnds) {
  Bytes file = Riff({FmtChunk(1, 1, 8000, 8)});
  for (int i = 0; i < 100000; ++i) {
    Bytes c = Chunk("pad ", {});
    file.insert(file.end(), c.begin(), c.end());
  }
  EXPECT_EQ(nullptr, LoadWav(file)) << "a walk past the chunk bound gives up";
}

TEST(OggLoader, DecodesToItsLengthAndRate) {
  struct Case {
    int channels;
    long rate, frames;
    int32_t format;
  } cases[] = {{1, 22050, 22050, 2}, {2, 44100, 30000, 5}};
  for (const Case& c : cases) {
    Bytes ogg = MakeOggTone(c.channels, c.rate, c.frames);
    ASSERT_FALSE(ogg.empty());
    auto stream = RamOf(ogg);
    TAudioSamplePtr s = TAudioSampleLoaderOGG().LoadAudioSample(stream);
    ASSERT_NE(nullptr, s) << c.channels << " channels";
    EXPECT_EQ(c.frames, s->length);
    EXPECT_EQ(c.rate, s->hertz);
    EXPECT_EQ(c.format, s->format);
    EXPECT_EQ(0, stream->closes) << "the loader leaves closing to its caller";
    int peak = 0;
    for (int32_t i = 0; i < s->length * c.channels; ++i) peak = std::max(peak, std::abs(int(Le16At(s->samples + i * 2))));
    EXPECT_NEAR(16384, peak, 1500) << "a tone at half level decodes near half level";
  }
}

// Two logical streams one after another load as one sample, each part as it decodes alone;
// a chain whose parts differ in rate or channels has no single format and is refused.
TEST(OggLoader, AChainedFileLoadsWholeWhenItsPartsShareRateAndChannels) {
  const Bytes first = MakeOggTone(2, 22050, 7000, 440.0, 1), second = MakeOggTone(2, 22050, 5000, 660.0, 2);
  Bytes chain = first;
  chain.insert(chain.end(), second.begin(), second.end());
  TAudioSamplePtr a = TAudioSampleLoaderOGG().LoadAudioSample(RamOf(first));
  TAudioSamplePtr b = TAudioSampleLoaderOGG().LoadAudioSample(RamOf(second));
  TAudioSamplePtr whole = TAudioSampleLoaderOGG().LoadAudioSample(RamOf(chain));
  ASSERT_TRUE(a && b);
  ASSERT_NE(nullptr, whole) << "expected a sample of both streams, got null";
  EXPECT_EQ(7000 + 5000, whole->length) << "expected the frames of both streams";
  EXPECT_EQ(22050, whole->hertz);
  EXPECT_EQ(TAudioSample::FORMAT_STEREO16LE, whole->format);
  EXPECT_EQ(0, std::memcmp(whole->samples, a->samples, 7000 * 4)) << "the first stream comes first, unchanged";
  EXPECT_EQ(0, std::memcmp(whole->samples + 7000 * 4, b->samples, 5000 * 4)) << "the second follows it, unchanged";

  for (const Bytes& other : {MakeOggTone(2, 44100, 5000, 660.0, 2), MakeOggTone(1, 22050, 5000, 660.0, 2)}) {
    Bytes mixed = first;
    mixed.insert(mixed.end(), other.begin(), other.end());
    EXPECT_EQ(nullptr, TAudioSampleLoaderOGG().LoadAudioSample(RamOf(mixed)))
        << "expected null for a chain of another rate or channel count";
  }
}

TEST(OggLoader, RefusesDamagedFilesAndMoreThanTwoChannels) {
  Bytes good = MakeOggTone(1, 22050, 22050);
  Bytes cut(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
  Bytes garbage(4000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 7919 >> 3);
  Bytes header_only(good.begin(), good.begin() + 200);
  Bytes surround = MakeOggTone(3, 22050, 4000);
  ASSERT_FALSE(surround.empty());
  struct Case {
    const char* what;
    const Bytes& file;
  } cases[] = {{"cut short", cut}, {"garbage", garbage}, {"headers cut", header_only}, {"three channels", surround}};
  for (const Case& c : cases) EXPECT_EQ(nullptr, TAudioSampleLoaderOGG().LoadAudioSample(RamOf(c.file))) << c.what;
}

TEST(LoadAudioSample, AsksEveryLoaderFromTheSameStart) {
  Bytes wav = Riff({FmtChunk(1, 1, 8000, 8), Chunk("data", Bytes(10, 128))});
  Bytes ogg = MakeOggTone(2, 44100, 5000);
  // Put each file at an offset, so that "the same start" is not simply 0.
  for (const Bytes* file : {&wav, &ogg}) {
    Bytes padded(3, 0xAA);
    padded.insert(padded.end(), file->begin(), file->end());
    auto stream = RamOf(padded);
    stream->Seek(3);
    TAudioSamplePtr s = LoadAudioSample(TUrl(std::static_pointer_cast<TStream>(stream)));
    ASSERT_NE(nullptr, s) << (file == &wav ? "WAV" : "Ogg") << " three bytes into the stream";
    EXPECT_EQ(file == &wav ? 1 : 5, s->format);
  }
  EXPECT_EQ(nullptr, LoadAudioSample(TUrl(std::static_pointer_cast<TStream>(RamOf(Bytes(100, 'x'))))))
      << "neither WAV nor Ogg";
  EXPECT_EQ(nullptr, LoadAudioSample(TUrl(u"no/such/file.ogg")));
}

TEST(LoadAudioSample, AStreamWithoutPositionIsRefused) {
  struct NoSeek : TStream {
    int64_t Read(void*, int64_t) override { return 0; }
  };
  try {
    LoadAudioSample(TUrl(std::static_pointer_cast<TStream>(std::make_shared<NoSeek>())));
    FAIL() << "expected a runtime error";
  } catch (const TRuntimeError& e) {
    EXPECT_STREQ("Stream is not seekable", e.what());
  }
}

TEST(LoadAudioSample, ClosesTheStreamItOpenedExactlyOnce) {
  static std::shared_ptr<OwnedRam> last;
  static Bytes served;
  struct Counting : TStreamFactory {
    TStreamPtr CreateStream(const TUrl&, const std::u16string& protocol, const std::u16string&, bool, bool) override {
      if (protocol != u"count") return nullptr;
      return last = RamOf(served);
    }
  };
  AddStreamFactory(std::make_shared<Counting>());
  const Bytes good = MakeOggTone(1, 8000, 4000);
  const Bytes cut(good.begin(), good.begin() + static_cast<long>(good.size() * 2 / 3));
  for (const Bytes* file : {&good, &cut}) {
    served = *file;
    TAudioSamplePtr s = LoadAudioSample(TUrl(u"count::tone"));
    EXPECT_EQ(file == &good, s != nullptr);
    ASSERT_NE(nullptr, last);
    EXPECT_EQ(1, last->closes) << (file == &good ? "a whole file" : "a file cut short");
  }
}
