// Arbitrary bytes through a text stream: the first byte picks the encoding and how many bytes
// each read hands over, the rest is the text. Never a crash; UTF-8 without a byte-order mark
// reads as the codebase's one conversion reads the whole text, in lines or in characters.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "stream/text_stream.h"

namespace {
class TDrip : public TStream {
 public:
  TDrip(const uint8_t* data, size_t size, size_t step) : data_(data), size_(size), step_(step) {}
  int64_t Read(void* b, int64_t count) override {
    const size_t n = std::min({static_cast<size_t>(count), step_, size_ - at_});
    std::memcpy(b, data_ + at_, n);
    at_ += n;
    return static_cast<int64_t>(n);
  }

 private:
  const uint8_t* data_;
  size_t size_, step_, at_ = 0;
};

bool StartsWithMark(const uint8_t* d, size_t n) {
  return (n >= 2 && ((d[0] == 0xFF && d[1] == 0xFE) || (d[0] == 0xFE && d[1] == 0xFF))) ||
         (n >= 3 && d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int32_t encoding = 1 + (data[0] & 3);
  const size_t step = 1 + (data[0] >> 2 & 7);
  const uint8_t* text = data + 1;
  const size_t n = size - 1;

  auto lines = TTextStream::Create(std::make_shared<TDrip>(text, n, step), encoding);
  std::u16string joined;
  while (!lines->Eof()) joined += lines->ReadLine() + u'\n';

  auto chars = TTextStream::Create(std::make_shared<TDrip>(text, n, step), encoding);
  std::u16string each;
  for (int32_t c; (c = chars->ReadChar()) >= 0;) {
    if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) __builtin_trap();  // not a character
    if (c >= 0x10000) {
      each += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      each += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      each += static_cast<char16_t>(c);
    }
  }
  if (!chars->Eof()) __builtin_trap();

  if (encoding == TTextStream::UTF8 && !StartsWithMark(text, n)) {
    const std::u16string whole = Utf8ToText(std::string_view(reinterpret_cast<const char*>(text), n));
    if (each != whole) __builtin_trap();
  }
  return 0;
}
