// Arbitrary bytes through the Ogg Vorbis loader: null or a sample of the length the
// file claims, never a crash or a leak.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/sample.h"
#include "audio/sample_ogg.h"

// libvorbisfile 1.3.7 itself loses its 8-byte list of stream serials when an open fails
// with a read error (OV_EREAD); the same happens from plain C with its default callbacks.
extern "C" const char* __lsan_default_suppressions() { return "leak:libvorbisfile.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  auto stream = TRamStream::Create(bytes.data(), static_cast<int64_t>(bytes.size()), true, false);
  TAudioSamplePtr s = TAudioSampleLoaderOGG().LoadAudioSample(stream);
  if (s && int64_t(s->length) * s->FrameBytes() > s->capacity) __builtin_trap();
  return 0;
}
