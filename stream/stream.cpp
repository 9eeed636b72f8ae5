#include "stream/stream.h"

#include <algorithm>
#include <cstring>

// ---- TIO defaults

bool TIO::Eof() { return Pos() == Size(); }
int64_t TIO::Pos() { return -1; }
int64_t TIO::Size() { return 0; }
int64_t TIO::Seek(int64_t) { return -1; }
int TIO::Flush() { return 0; }
int TIO::Close() { return 0; }
int64_t TIO::Read(void*, int64_t) { throw TRuntimeError("Stream is not readable"); }
int64_t TIO::Write(const void*, int64_t) { throw TRuntimeError("Stream is not writeable"); }

// ---- TStream

int64_t TStream::ReadBytes(void* buffer, int64_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  int64_t left = count;
  while (left > 0 && !Eof()) {
    int64_t n = Read(p, left);
    if (n <= 0) throw TStreamReadException();
    p += n;
    left -= n;
  }
  return count;
}

int64_t TStream::WriteBytes(const void* buffer, int64_t count) {
  auto* p = static_cast<const uint8_t*>(buffer);
  int64_t left = count;
  while (left > 0) {
    int64_t n = Write(p, left);
    if (n <= 0) throw TStreamWriteException();
    p += n;
    left -= n;
  }
  return count;
}

int64_t TStream::SkipBytes(int64_t count) {
  uint8_t scratch[1024];
  int64_t left = count;
  while (left > 0 && !Eof()) {
    int64_t n = Read(scratch, std::min<int64_t>(left, sizeof scratch));
    if (n <= 0) throw TStreamReadException();
    left -= n;
  }
  return count;
}

// Typed values start zeroed so that bytes past the end read as 0.
template <typename T>
static T ReadValue(TStream& s) {
  T value{};
  s.ReadBytes(&value, sizeof value);
  return value;
}

template <typename T>
static void WriteValue(TStream& s, T value) {
  s.WriteBytes(&value, sizeof value);
}

int32_t TStream::ReadByte() { return ReadValue<uint8_t>(*this); }
void TStream::WriteByte(int32_t n) { WriteValue<uint8_t>(*this, static_cast<uint8_t>(n)); }
int32_t TStream::ReadShort() { return ReadValue<uint16_t>(*this); }
void TStream::WriteShort(int32_t n) { WriteValue<uint16_t>(*this, static_cast<uint16_t>(n)); }
int32_t TStream::ReadInt() { return ReadValue<int32_t>(*this); }
void TStream::WriteInt(int32_t n) { WriteValue(*this, n); }
int64_t TStream::ReadLong() { return ReadValue<int64_t>(*this); }
void TStream::WriteLong(int64_t n) { WriteValue(*this, n); }
float TStream::ReadFloat() { return ReadValue<float>(*this); }
void TStream::WriteFloat(float x) { WriteValue(*this, x); }
double TStream::ReadDouble() { return ReadValue<double>(*this); }
void TStream::WriteDouble(double x) { WriteValue(*this, x); }

std::u16string TStream::ReadLine() {
  std::u16string line;
  for (;;) {
    uint8_t c = 0;
    if (Read(&c, 1) != 1 || c == 0 || c == 10) break;
    if (c != 13) line.push_back(c);
  }
  return line;
}

bool TStream::WriteLine(std::u16string_view text) {
  std::string bytes = TextToBytes(text);
  bytes += "\r\n";
  for (char c : bytes)
    if (Write(&c, 1) != 1) return false;
  return true;
}

std::u16string TStream::ReadString(int64_t length) {
  if (length <= 0) return {};
  std::string bytes(static_cast<size_t>(length), '\0');
  ReadBytes(bytes.data(), length);
  return BytesToText(bytes);
}

void TStream::WriteString(std::u16string_view text) {
  std::string bytes = TextToBytes(text);
  WriteBytes(bytes.data(), static_cast<int64_t>(bytes.size()));
}

std::shared_ptr<void> TStream::ReadObject() { throw TRuntimeError("Unable to read object"); }
void TStream::WriteObject(const std::shared_ptr<void>&) { throw TRuntimeError("Unable to write object"); }

// ---- TStreamWrapper

TStreamWrapper::~TStreamWrapper() = default;
bool TStreamWrapper::Eof() { return _stream->Eof(); }
int64_t TStreamWrapper::Pos() { return _stream->Pos(); }
int64_t TStreamWrapper::Size() { return _stream->Size(); }
int64_t TStreamWrapper::Seek(int64_t pos) { return _stream->Seek(pos); }
int TStreamWrapper::Flush() { return _stream->Flush(); }
int TStreamWrapper::Close() { return _stream ? _stream->Close() : 0; }
int64_t TStreamWrapper::Read(void* b, int64_t n) { return _stream->Read(b, n); }
int64_t TStreamWrapper::Write(const void* b, int64_t n) { return _stream->Write(b, n); }
int64_t TStreamWrapper::ReadBytes(void* b, int64_t n) { return _stream->ReadBytes(b, n); }
int64_t TStreamWrapper::WriteBytes(const void* b, int64_t n) { return _stream->WriteBytes(b, n); }
int64_t TStreamWrapper::SkipBytes(int64_t n) { return _stream->SkipBytes(n); }
int32_t TStreamWrapper::ReadByte() { return _stream->ReadByte(); }
void TStreamWrapper::WriteByte(int32_t n) { _stream->WriteByte(n); }
int32_t TStreamWrapper::ReadShort() { return _stream->ReadShort(); }
void TStreamWrapper::WriteShort(int32_t n) { _stream->WriteShort(n); }
int32_t TStreamWrapper::ReadInt() { return _stream->ReadInt(); }
void TStreamWrapper::WriteInt(int32_t n) { _stream->WriteInt(n); }
int64_t TStreamWrapper::ReadLong() { return _stream->ReadLong(); }
void TStreamWrapper::WriteLong(int64_t n) { _stream->WriteLong(n); }
float TStreamWrapper::ReadFloat() { return _stream->ReadFloat(); }
void TStreamWrapper::WriteFloat(float x) { _stream->WriteFloat(x); }
double TStreamWrapper::ReadDouble() { return _stream->ReadDouble(); }
void TStreamWrapper::WriteDouble(double x) { _stream->WriteDouble(x); }
std::u16string TStreamWrapper::ReadLine() { return _stream->ReadLine(); }
bool TStreamWrapper::WriteLine(std::u16string_view t) { return _stream->WriteLine(t); }
std::u16string TStreamWrapper::ReadString(int64_t n) { return _stream->ReadString(n); }
void TStreamWrapper::WriteString(std::u16string_view t) { _stream->WriteString(t); }
std::shared_ptr<void> TStreamWrapper::ReadObject() { return _stream->ReadObject(); }
void TStreamWrapper::WriteObject(const std::shared_ptr<void>& o) { _stream->WriteObject(o); }

std::shared_ptr<TStreamStream> TStreamStream::Create(TStreamPtr stream) {
  auto s = std::make_shared<TStreamStream>();
  s->SetStream(std::move(stream));
  return s;
}

int TStreamStream::Close() {
  _stream.reset();
  return 0;
}

// ---- TRamStream

std::shared_ptr<TRamStream> TRamStream::Create(void* buffer, int64_t size, bool readable, bool writeable) {
  auto s = std::make_shared<TRamStream>();
  s->_buf = static_cast<uint8_t*>(buffer);
  s->_size = size < 0 ? 0 : size;
  s->_read = readable;
  s->_write = writeable;
  return s;
}

int64_t TRamStream::Seek(int64_t pos) {
  _pos = std::clamp<int64_t>(pos, 0, _size);
  return _pos;
}

int64_t TRamStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || !_read) return 0;
  int64_t n = std::min(count, _size - _pos);
  if (n > 0) std::memcpy(buffer, _buf + _pos, static_cast<size_t>(n));
  _pos += n;
  return n;
}

int64_t TRamStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || !_write) return 0;
  int64_t n = std::min(count, _size - _pos);
  if (n > 0) std::memcpy(_buf + _pos, buffer, static_cast<size_t>(n));
  _pos += n;
  return n;
}

std::shared_ptr<TBankStream> TBankStream::Create(std::shared_ptr<TBank> bank, bool readable, bool writeable) {
  auto s = std::make_shared<TBankStream>();
  s->_buf = bank->bytes.data();
  s->_size = static_cast<int64_t>(bank->bytes.size());
  s->_read = readable;
  s->_write = writeable;
  s->_bank = std::move(bank);
  return s;
}

std::shared_ptr<TBank> TBank::Load(const TUrl& url) {
  auto bank = std::make_shared<TBank>();
  bank->bytes = LoadBytes(url);
  return bank;
}
