#include "stream/message_frame.h"

#include <algorithm>

bool TMessageFramer::Feed(const uint8_t* bytes, size_t size, std::vector<std::vector<uint8_t>>& out) {
  while (size > 0 && !_malformed) {
    if (!_have_length) {
      const size_t take = std::min(size, 4 - _length_bytes);
      std::copy_n(bytes, take, _length_buf + _length_bytes);
      _length_bytes += take, bytes += take, size -= take;
      if (_length_bytes < 4) break;
      _length = static_cast<uint32_t>(_length_buf[0]) | static_cast<uint32_t>(_length_buf[1]) << 8 |
                static_cast<uint32_t>(_length_buf[2]) << 16 | static_cast<uint32_t>(_length_buf[3]) << 24;
      _length_bytes = 0;
      if (_length > _limit) {
        _malformed = true;
        break;
      }
      _have_length = true;
      _message.clear();
    }
    const size_t take = std::min<size_t>(size, _length - _message.size());
    _message.insert(_message.end(), bytes, bytes + take);
    bytes += take, size -= take;
    if (_message.size() == _length) {
      out.push_back(std::move(_message));
      _message = {};
      _have_length = false;
    }
  }
  return !_malformed;
}

void FrameMessage(const void* data, uint32_t size, std::vector<uint8_t>& out) {
  const uint8_t length[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                             static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
  out.insert(out.end(), length, length + 4);
  const auto* b = static_cast<const uint8_t*>(data);
  if (size > 0) out.insert(out.end(), b, b + size);
}

std::shared_ptr<TBank> ReadMessage(TStream& stream, int32_t limit) {
  uint8_t length[4];
  int64_t got = 0;
  while (got < 4) {
    const int64_t n = stream.Read(length + got, 4 - got);
    if (n <= 0) {
      if (got == 0 && stream.Eof()) return nullptr;  // the end between messages
      throw TStreamReadException();
    }
    got += n;
  }
  const uint32_t size = static_cast<uint32_t>(length[0]) | static_cast<uint32_t>(length[1]) << 8 |
                        static_cast<uint32_t>(length[2]) << 16 | static_cast<uint32_t>(length[3]) << 24;
  if (limit < 0 || size > static_cast<uint32_t>(limit)) return nullptr;
  auto bank = std::make_shared<TBank>();
  // Grown as the bytes come, so a length alone never takes the memory it announces.
  constexpr uint32_t kPiece = 65536;
  for (uint32_t done = 0; done < size;) {
    const uint32_t piece = std::min(kPiece, size - done);
    bank->bytes.resize(done + piece);
    for (uint32_t at = done; at < done + piece;) {
      const int64_t n = stream.Read(bank->bytes.data() + at, done + piece - at);
      if (n <= 0) throw TStreamReadException();
      at += static_cast<uint32_t>(n);
    }
    done += piece;
  }
  return bank;
}

void WriteMessage(TStream& stream, const void* data, int32_t size) {
  std::vector<uint8_t> frame;
  FrameMessage(data, static_cast<uint32_t>(std::max(size, 0)), frame);
  stream.WriteBytes(frame.data(), static_cast<int64_t>(frame.size()));
}
