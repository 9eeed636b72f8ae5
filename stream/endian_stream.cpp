#include "stream/endian_stream.h"

#include <bit>

namespace {
uint16_t Swap(uint16_t v) { return __builtin_bswap16(v); }
int32_t Swap(int32_t v) { return static_cast<int32_t>(__builtin_bswap32(static_cast<uint32_t>(v))); }
int64_t Swap(int64_t v) { return static_cast<int64_t>(__builtin_bswap64(static_cast<uint64_t>(v))); }
}  // namespace

std::shared_ptr<TBigEndianStream> TBigEndianStream::Create(TStreamPtr stream) {
  if (!stream) return nullptr;
  auto s = std::make_shared<TBigEndianStream>();
  s->SetStream(std::move(stream));
  return s;
}

// The wrapped stream's own typed operations read the bytes, so a short read zero-fills as it does.
int32_t TBigEndianStream::ReadShort() { return Swap(static_cast<uint16_t>(_stream->ReadShort())); }
void TBigEndianStream::WriteShort(int32_t n) { _stream->WriteShort(Swap(static_cast<uint16_t>(n))); }
int32_t TBigEndianStream::ReadInt() { return Swap(_stream->ReadInt()); }
void TBigEndianStream::WriteInt(int32_t n) { _stream->WriteInt(Swap(n)); }
int64_t TBigEndianStream::ReadLong() { return Swap(_stream->ReadLong()); }
void TBigEndianStream::WriteLong(int64_t n) { _stream->WriteLong(Swap(n)); }
float TBigEndianStream::ReadFloat() { return std::bit_cast<float>(Swap(_stream->ReadInt())); }
void TBigEndianStream::WriteFloat(float x) { _stream->WriteInt(Swap(std::bit_cast<int32_t>(x))); }
double TBigEndianStream::ReadDouble() { return std::bit_cast<double>(Swap(_stream->ReadLong())); }
void TBigEndianStream::WriteDouble(double x) { _stream->WriteLong(Swap(std::bit_cast<int64_t>(x))); }

std::shared_ptr<TLittleEndianStream> TLittleEndianStream::Create(TStreamPtr stream) {
  if (!stream) return nullptr;
  auto s = std::make_shared<TLittleEndianStream>();
  s->SetStream(std::move(stream));
  return s;
}
