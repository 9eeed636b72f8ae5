// Arbitrary bytes through the WAV loader and the whole load chain: null or a sample
// whose frames lie inside its memory, never a crash.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/sample.h"
#include "audio/sample_wav.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  auto stream = TRamStream::Create(bytes.data(), static_cast<int64_t>(bytes.size()), true, false);
  TAudioSamplePtr s = TAudioSampleLoaderWAV().LoadAudioSample(stream);
  if (s) {
    volatile uint8_t sink = 0;
    int64_t n = int64_t(s->length) * s->FrameBytes();
    if (n > s->capacity) __builtin_trap();
    for (int64_t i = 0; i < n; ++i) sink = sink + s->samples[i];
    if (s->format != 6 && n > 0) s->Convert(6);
  }
  stream->Seek(0);
  LoadAudioSample(TUrl(std::static_pointer_cast<TStream>(stream)));
  return 0;
}
