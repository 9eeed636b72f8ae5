#include "stream/text_stream.h"

#include <algorithm>
#include <cstring>

#include "stream/text_stream_internal.h"

namespace {

constexpr size_t kReadAhead = 4096;

void AppendCodePoint(std::u16string& text, int32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    text += static_cast<char16_t>(0xD800 + (c >> 10));
    text += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else {
    text += static_cast<char16_t>(c);
  }
}

bool IsHighSurrogate(uint32_t u) { return u >= 0xD800 && u < 0xDC00; }
bool IsLowSurrogate(uint32_t u) { return u >= 0xDC00 && u < 0xE000; }

class TTextStreamFactory : public TStreamFactory {
 public:
  TStreamPtr CreateStream(const TUrl&, const std::u16string& protocol, const std::u16string& path,
                          bool readable, bool writeable) override {
    int32_t encoding = 0;
    if (protocol == u"latin1") encoding = TTextStream::LATIN1;
    else if (protocol == u"utf8") encoding = TTextStream::UTF8;
    else if (protocol == u"utf16be") encoding = TTextStream::UTF16BE;
    else if (protocol == u"utf16le") encoding = TTextStream::UTF16LE;
    else return nullptr;
    return TTextStream::Create(OpenStreamUrl(TUrl(path), readable, writeable), encoding);
  }
};

}  // namespace

void AddTextStreamFactory() { AddStreamFactory(std::make_shared<TTextStreamFactory>()); }

std::shared_ptr<TTextStream> TTextStream::Create(TStreamPtr stream, int32_t encoding) {
  if (!stream || encoding < LATIN1 || encoding > UTF16LE) return nullptr;
  auto s = std::make_shared<TTextStream>();
  // Only a stream at its start can begin with a byte-order mark.
  const int64_t pos = stream->Pos();
  s->_mark_checked = pos > 0;
  s->_stream = std::move(stream);
  s->_encoding = encoding;
  return s;
}

int TTextStream::PeekByte(size_t ahead) {
  while (_tail - _head <= ahead) {
    if (!_stream) return -1;
    if (_head > 0) {  // keep what is unread at the front
      std::memmove(_buf.data(), _buf.data() + _head, _tail - _head);
      _tail -= _head;
      _head = 0;
    }
    if (_buf.size() < kReadAhead) _buf.resize(kReadAhead);
    const int64_t n = _stream->Read(_buf.data() + _tail, static_cast<int64_t>(_buf.size() - _tail));
    if (n <= 0) return -1;
    _tail += static_cast<size_t>(n);
  }
  return _buf[_head + ahead];
}

int TTextStream::TakeByte() {
  const int b = PeekByte(0);
  if (b >= 0) ++_head;
  return b;
}

void TTextStream::CheckByteOrderMark() {
  if (_mark_checked) return;
  _mark_checked = true;
  const int b0 = PeekByte(0);
  // Each further byte is looked at only while the mark still matches, so a pipe is never
  // waited on for bytes that are not part of one.
  if (b0 == 0xEF && PeekByte(1) == 0xBB && PeekByte(2) == 0xBF) {
    _encoding = UTF8;
    _head += 3;
  } else if (b0 == 0xFF && PeekByte(1) == 0xFE) {
    _encoding = UTF16LE;
    _head += 2;
  } else if (b0 == 0xFE && PeekByte(1) == 0xFF) {
    _encoding = UTF16BE;
    _head += 2;
  }
}

void TTextStream::SkipLineFeedAfterReturn() {
  if (!_after_return) return;
  _after_return = false;
  switch (_encoding) {
    case UTF16LE:
      if (PeekByte(0) == 10 && PeekByte(1) == 0) _head += 2;
      break;
    case UTF16BE:
      if (PeekByte(0) == 0 && PeekByte(1) == 10) _head += 2;
      break;
    default:
      if (PeekByte(0) == 10) ++_head;
  }
}

int32_t TTextStream::Decode() {
  CheckByteOrderMark();
  SkipLineFeedAfterReturn();
  if (_encoding == LATIN1) return TakeByte();
  if (_encoding == UTF8) {
    const int lead = TakeByte();
    if (lead < 0x80) return lead;  // ASCII, or -1 at the end
    // The bytes of one sequence go through the one UTF-8 conversion; a sequence cut short,
    // overlong or out of range comes back as U+FFFD, as it would from the whole text.
    const int more = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 && lead < 0xF0 ? 2 : lead >= 0xC0 && lead < 0xE0 ? 1 : 0;
    std::string sequence(1, static_cast<char>(lead));
    for (int i = 0; i < more; ++i) {
      const int b = PeekByte(0);
      if (b < 0 || (b & 0xC0) != 0x80) break;
      sequence += static_cast<char>(TakeByte());
    }
    const std::u16string text = Utf8ToText(sequence);
    if (text.size() == 2) return 0x10000 + ((text[0] - 0xD800) << 10) + (text[1] - 0xDC00);
    return text[0];
  }
  const bool big = _encoding == UTF16BE;
  auto unit_at = [&](size_t ahead) -> int32_t {
    const int a = PeekByte(ahead), b = PeekByte(ahead + 1);
    if (a < 0) return -1;
    if (b < 0) return -2;  // one byte of a unit: the stream was cut inside a character
    return big ? a << 8 | b : b << 8 | a;
  };
  const int32_t unit = unit_at(0);
  if (unit == -1) return -1;
  if (unit == -2) {
    ++_head;
    return 0xFFFD;
  }
  _head += 2;
  if (IsLowSurrogate(unit)) return 0xFFFD;
  if (!IsHighSurrogate(unit)) return unit;
  const int32_t next = unit_at(0);
  if (next < 0 || !IsLowSurrogate(next)) return 0xFFFD;  // the unit after stays for the next read
  _head += 2;
  return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
}

int32_t TTextStream::ReadChar() { return Decode(); }

std::u16string TTextStream::ReadLine() {
  std::u16string line;
  for (;;) {
    const int32_t c = Decode();
    if (c < 0 || c == '\n') break;
    if (c == '\r') {
      _after_return = true;
      break;
    }
    AppendCodePoint(line, c);
  }
  return line;
}

std::u16string TTextStream::ReadString(int64_t length) {
  std::u16string text;
  for (int64_t i = 0; i < length; ++i) {
    const int32_t c = Decode();
    if (c < 0) break;
    AppendCodePoint(text, c);
  }
  return text;
}

std::string TTextStream::Encode(std::u16string_view text) const {
  switch (_encoding) {
    case LATIN1:
      return TextToBytes(text);
    case UTF8:
      return TextToUtf8(text);
    default: {
      std::string bytes;
      bytes.reserve(text.size() * 2);
      for (char16_t u : text) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        bytes += _encoding == UTF16BE ? hi : lo;
        bytes += _encoding == UTF16BE ? lo : hi;
      }
      return bytes;
    }
  }
}

void TTextStream::WriteString(std::u16string_view text) {
  const std::string bytes = Encode(text);
  WriteBytes(bytes.data(), static_cast<int64_t>(bytes.size()));
}

bool TTextStream::WriteLine(std::u16string_view text) {
  std::u16string line(text);
  line += u'\n';
  const std::string bytes = Encode(line);
  const char* p = bytes.data();
  int64_t left = static_cast<int64_t>(bytes.size());
  while (left > 0) {
    const int64_t n = Write(p, left);
    if (n <= 0) return false;
    p += n;
    left -= n;
  }
  return true;
}

void TTextStream::WriteChar(int32_t c) {
  std::u16string text;
  AppendCodePoint(text, c < 0 || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000) ? 0xFFFD : c);
  WriteString(text);
}

void TTextStream::WriteBOM() {
  if (_encoding != LATIN1) WriteString(u"\uFEFF");
}

bool TTextStream::Eof() {
  CheckByteOrderMark();
  SkipLineFeedAfterReturn();
  return PeekByte(0) < 0;
}

// Where a stream can seek, looking one character ahead never waits, so a line's "\r\n" is
// counted whole before the position is told or a write goes there.
int64_t TTextStream::Pos() {
  if (!_stream) return -1;
  if (_stream->Pos() < 0) return -1;
  SkipLineFeedAfterReturn();
  return _stream->Pos() - static_cast<int64_t>(_tail - _head);
}

int64_t TTextStream::Size() { return _stream ? _stream->Size() : 0; }

int64_t TTextStream::Seek(int64_t pos) {
  if (!_stream) return -1;
  _head = _tail = 0;
  _after_return = false;
  const int64_t at = _stream->Seek(pos);
  _mark_checked = at != 0;
  return at;
}

int TTextStream::Flush() { return _stream ? _stream->Flush() : 0; }

int TTextStream::Close() {
  _head = _tail = 0;
  _buf.clear();
  _buf.shrink_to_fit();
  TStreamPtr s = std::move(_stream);
  return s ? s->Close() : 0;
}

int64_t TTextStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (_tail > _head) {
    const size_t n = std::min(static_cast<size_t>(count), _tail - _head);
    std::memcpy(buffer, _buf.data() + _head, n);
    _head += n;
    return static_cast<int64_t>(n);
  }
  return _stream ? _stream->Read(buffer, count) : 0;
}

// Bytes read ahead lie after the place a write belongs; a stream that can seek goes back there.
void TTextStream::DropReadAhead() {
  if (_tail == _head) return;
  const int64_t pos = Pos();
  if (pos < 0) return;  // a pipe: the read side and the write side are apart anyway
  _head = _tail = 0;
  _stream->Seek(pos);
}

int64_t TTextStream::Write(const void* buffer, int64_t count) {
  if (!_stream) throw TRuntimeError("Stream is not writeable");
  DropReadAhead();
  _mark_checked = true;  // what is written at the start is the program's own choice
  return _stream->Write(buffer, count);
}
