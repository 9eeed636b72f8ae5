// Reading helpers shared by the picture loaders: reads that report how much really came,
// so a file cut short is noticed instead of leaving parts of a buffer unfilled.
// Builds on the stream layer.
#pragma once

#include <cstdint>
#include <cstring>

#include "stream/stream.h"

// Reads up to `count` bytes; fewer only at the end of the stream (or when it fails).
inline int64_t ReadUpTo(TStream& stream, void* buffer, int64_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count && !stream.Eof()) {
    int64_t n = stream.Read(p + done, count - done);
    if (n <= 0) break;
    done += n;
  }
  return done;
}

// Bytes left in the stream from where it stands, or -1 when it cannot tell.
inline int64_t BytesLeft(TStream& stream) {
  int64_t pos = stream.Pos(), size = stream.Size();
  return pos >= 0 && size >= pos ? size - pos : -1;
}

// A forward-only reader with its own buffer, so per-pixel reads cost no virtual call.
class TLoaderInput {
 public:
  explicit TLoaderInput(TStream& stream) : _stream(stream) {}

  // All `count` bytes, or false when the stream ends first.
  bool Read(void* buffer, int64_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    while (count > 0) {
      if (_pos == _end && !Fill()) return false;
      int64_t n = _end - _pos < count ? _end - _pos : count;
      std::memcpy(out, _buf + _pos, static_cast<size_t>(n));
      _pos += n, out += n, count -= n;
    }
    return true;
  }

  bool Skip(int64_t count) {
    while (count > 0) {
      if (_pos == _end && !Fill()) return false;
      int64_t n = _end - _pos < count ? _end - _pos : count;
      _pos += n, count -= n;
    }
    return true;
  }

  bool Byte(uint8_t& b) { return Read(&b, 1); }

  // Bytes taken from the stream so far.
  int64_t Consumed() const { return _taken - (_end - _pos); }

 private:
  bool Fill() {
    _pos = 0;
    _end = ReadUpTo(_stream, _buf, sizeof _buf);
    _taken += _end;
    return _end > 0;
  }

  TStream& _stream;
  uint8_t _buf[16384];
  int64_t _pos = 0, _end = 0, _taken = 0;
};

inline uint16_t LoadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline int32_t LoadLe32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}
