// Decoded PCM held whole in memory (TAudioSample), its six formats and the
// conversion between them, and the chain of loaders that turns a stream into a
// sample. Builds on the stream layer; the Ogg and WAV loaders plug into the chain.
#pragma once

#include <cstdint>
#include <memory>

#include "stream/stream.h"

// Indexed by format code 0..6; codes outside that range have no channels and no bytes.
extern const int32_t AudioFormatChannels[7];      // 0, 1, 1, 1, 2, 2, 2
extern const int32_t AudioFormatBytesPerFrame[7];  // 0, 1, 2, 2, 2, 4, 4
int32_t AudioFormatChannelCount(int32_t format);
int32_t AudioFormatFrameBytes(int32_t format);

class TAudioSample;
using TAudioSamplePtr = std::shared_ptr<TAudioSample>;

class TAudioSample {
 public:
  static constexpr int32_t FORMAT_MONO8 = 1;      // unsigned, 128 = silence
  static constexpr int32_t FORMAT_MONO16LE = 2;
  static constexpr int32_t FORMAT_MONO16BE = 3;
  static constexpr int32_t FORMAT_STEREO8 = 4;    // left first
  static constexpr int32_t FORMAT_STEREO16LE = 5;
  static constexpr int32_t FORMAT_STEREO16BE = 6;

  uint8_t* samples = nullptr;  // frames back to back, channels interleaved
  int32_t length = 0;          // frames
  int32_t hertz = 0;
  int32_t format = 0;
  int32_t capacity = -1;       // bytes owned, or -1 when the memory is the caller's

  virtual ~TAudioSample() = default;
  virtual TAudioSamplePtr Copy();
  // A new owning sample in `format`; "Unimplemented sample format conversion" for codes outside 1..6.
  virtual TAudioSamplePtr Convert(int32_t format);

  // Owns length x bytes-per-frame bytes, contents undefined. Negative lengths count as 0.
  static TAudioSamplePtr Create(int32_t length, int32_t hertz, int32_t format);
  // Wraps the caller's memory, which must outlive the sample and is never freed by it.
  static TAudioSamplePtr CreateStatic(void* samples, int32_t length, int32_t hertz, int32_t format);

  int32_t Channels() const { return AudioFormatChannelCount(format); }
  int32_t FrameBytes() const { return AudioFormatFrameBytes(format); }

 private:
  std::unique_ptr<uint8_t[]> _owned;
};

// One link of the loader chain: answers a sample, or null (or throws) to refuse.
class TAudioSampleLoader {
 public:
  virtual ~TAudioSampleLoader() = default;
  virtual TAudioSamplePtr LoadAudioSample(const TStreamPtr& stream) = 0;
  std::shared_ptr<TAudioSampleLoader> _succ;
};

// Puts `loader` at the head of the chain, so the loader added last is asked first; a null
// loader, or one already in the chain, is refused.
void AddAudioSampleLoader(std::shared_ptr<TAudioSampleLoader> loader);
TAudioSampleLoader* AudioSampleLoaders();  // head of the chain (the built-in loaders are added on first use)

// Opens `url` for reading and asks each loader in turn, from the same start position.
// Null when the stream cannot be opened or nobody accepts it; the stream is always closed.
// A stream that reports no position raises "Stream is not seekable".
TAudioSamplePtr LoadAudioSample(const TUrl& url);
