#include "audio/sample_wav.h"

#include <algorithm>
#include <cstring>

namespace {

// Reads exactly `count` bytes or reports that the stream ran out.
bool ReadExact(TStream& s, void* buffer, int64_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    int64_t n = s.Read(p, count);
    if (n <= 0) return false;
    p += n;
    count -= n;
  }
  return true;
}

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Moves forward `count` bytes; false once that would pass the end.
bool Skip(TStream& s, int64_t count) {
  int64_t pos = s.Pos();
  int64_t size = s.Size();
  if (pos < 0 || pos + count > size) return false;
  return s.Seek(pos + count) == pos + count;
}

// Every chunk costs at least its 8-byte header, so a walk over a real file ends by
// itself; the bound stops a stream that keeps answering without moving.
constexpr int kMaxChunks = 1 << 16;

}  // namespace

TAudioSamplePtr TAudioSampleLoaderWAV::LoadAudioSample(const TStreamPtr& stream) {
  TStream& s = *stream;
  uint8_t head[12];
  if (!ReadExact(s, head, 12)) return nullptr;
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return nullptr;

  int32_t format = 0, hertz = 0, frame_bytes = 0;
  for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
    uint8_t tag[8];
    if (!ReadExact(s, tag, 8)) return nullptr;
    int64_t size = Le32(tag + 4);
    int64_t padded = size + (size & 1);
    if (std::memcmp(tag, "fmt ", 4) == 0) {
      if (size < 16) return nullptr;
      uint8_t fmt[16];
      if (!ReadExact(s, fmt, 16)) return nullptr;
      int32_t tag_code = Le16(fmt);
      int32_t channels = Le16(fmt + 2);
      hertz = static_cast<int32_t>(std::min<uint32_t>(Le32(fmt + 4), 0x7FFFFFFF));
      int32_t align = Le16(fmt + 12);
      int32_t bits = Le16(fmt + 14);
      if (tag_code != 1 || align == 0 || hertz == 0) return nullptr;
      if (bits == 8 && channels == 1) format = 1;
      else if (bits == 8 && channels == 2) format = 4;
      else if (bits == 16 && channels == 1) format = 2;
      else if (bits == 16 && channels == 2) format = 5;
      else return nullptr;
      frame_bytes = AudioFormatFrameBytes(format);
      if (!Skip(s, padded - 16)) return nullptr;
    } else if (std::memcmp(tag, "data", 4) == 0) {
      if (format == 0) return nullptr;  // data before any fmt chunk cannot be read
      int64_t present = std::max<int64_t>(0, s.Size() - s.Pos());
      int64_t bytes = std::min(size, present);
      // A sample counts its bytes in 32 bits: anything past that is not loaded.
      auto length = static_cast<int32_t>(std::min<int64_t>(bytes / frame_bytes, 0x7FFFFFFF / frame_bytes));
      TAudioSamplePtr sample = TAudioSample::Create(length, hertz, format);
      if (length > 0 && !ReadExact(s, sample->samples, int64_t(length) * frame_bytes)) return nullptr;
      return sample;
    } else if (!Skip(s, padded)) {
      return nullptr;
    }
  }
  return nullptr;
}
