// Arbitrary bytes through the Ogg Vorbis loader: null or a sample of the length the
// file claims, never a crash or a leak.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/sample.h"
#include "audio/sample_ogg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  auto stream = TRamStream::Create(bytes.data(), static_cast<int64_t>(bytes.size()), true, false);
  TAudioSamplePtr s = TAudioSampleLoaderOGG().LoadAudioSample(stream);
  if (s && int64_t(s->length) * s->FrameBytes() > s->capacity) __builtin_trap();
  return 0;
}
