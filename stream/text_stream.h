// Text over any stream: characters, lines and strings in Latin-1, UTF-8 or UTF-16 of either
// byte order. Reading takes a byte-order mark at the start of the stream as the encoding;
// "\n", "\r\n" and "\r" each end a line; bytes that are no text in the encoding read as
// U+FFFD. The prefixes "latin1::", "utf8::", "utf16le::" and "utf16be::" open their path so.
#pragma once

#include <cstdint>
#include <vector>

#include "stream/stream.h"

class TTextStream : public TStream {
 public:
  static constexpr int32_t LATIN1 = 1;  // one byte a character: its low 8 bits
  static constexpr int32_t UTF8 = 2;
  static constexpr int32_t UTF16BE = 3;
  static constexpr int32_t UTF16LE = 4;

  // Null for a null stream or an encoding not above. Closing it closes the wrapped stream.
  static std::shared_ptr<TTextStream> Create(TStreamPtr stream, int32_t encoding);
  int32_t Encoding() const { return _encoding; }  // once read, the one a byte-order mark named

  int32_t ReadChar();           // the next character's code point, -1 at the end
  void WriteChar(int32_t c);    // not a code point: U+FFFD
  void WriteBOM();              // the encoding's byte-order mark; none for Latin-1
  std::u16string ReadLine() override;                  // without its end; empty at the end
  bool WriteLine(std::u16string_view text) override;   // text, then "\n"; false when cut short
  std::u16string ReadString(int64_t length) override;  // `length` characters, fewer at the end
  void WriteString(std::u16string_view text) override;

  // The bytes: those read ahead for decoding come first, then the wrapped stream.
  bool Eof() override;  // may wait for the next character, as reading it would
  int64_t Pos() override;
  int64_t Size() override;
  int64_t Seek(int64_t pos) override;
  int Flush() override;
  int Close() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;

 private:
  int PeekByte(size_t ahead);  // -1 past the end
  int TakeByte();
  void CheckByteOrderMark();
  void SkipLineFeedAfterReturn();
  int32_t Decode();
  void DropReadAhead();
  std::string Encode(std::u16string_view text) const;

  TStreamPtr _stream;
  int32_t _encoding = UTF8;
  std::vector<uint8_t> _buf;  // read ahead: [_head, _tail)
  size_t _head = 0, _tail = 0;
  bool _mark_checked = false;
  bool _after_return = false;  // a line ended at "\r": a "\n" next belongs to it
};
