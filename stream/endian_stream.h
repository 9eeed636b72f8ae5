// Byte order over any stream: a wrapper whose typed reads and writes (ReadShort .. WriteDouble)
// use big-endian order, the order of most file formats and network protocols. The
// "bigendian::" and "littleendian::" prefixes of the factory chain open their path this way.
#pragma once

#include "stream/stream.h"

// Typed values big-endian; bytes, lines and strings pass through unchanged. Closing it closes
// the wrapped stream. Bytes missing at the end read as 0, so a short ReadInt fills the high bytes.
class TBigEndianStream : public TStreamWrapper {
 public:
  static std::shared_ptr<TBigEndianStream> Create(TStreamPtr stream);  // null for a null stream
  int32_t ReadShort() override;
  void WriteShort(int32_t n) override;
  int32_t ReadInt() override;
  void WriteInt(int32_t n) override;
  int64_t ReadLong() override;
  void WriteLong(int64_t n) override;
  float ReadFloat() override;
  void WriteFloat(float x) override;
  double ReadDouble() override;
  void WriteDouble(double x) override;
};

// The machine's own order (little-endian): a plain wrapper, there to name the choice.
class TLittleEndianStream : public TStreamWrapper {
 public:
  static std::shared_ptr<TLittleEndianStream> Create(TStreamPtr stream);  // null for a null stream
};
