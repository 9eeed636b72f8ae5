// Whole messages over a byte stream: each is its length as 4 bytes, little-endian, then its
// bytes. A length over the reader's limit is malformed, and nothing after it can be trusted.
// The message host (system/message_host.h) speaks it; any TStream can too.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "stream/stream.h"

constexpr int32_t DefaultMessageLimit = 1 << 20;  // bytes in one message

// Cuts bytes as they come, in pieces of any size, into messages.
class TMessageFramer {
 public:
  explicit TMessageFramer(uint32_t limit = DefaultMessageLimit) : _limit(limit) {}
  // Takes the bytes and appends each message they complete to `out`. False once a length over
  // the limit has come: that length and everything after it are refused.
  bool Feed(const uint8_t* bytes, size_t size, std::vector<std::vector<uint8_t>>& out);
  bool Partial() const { return _have_length || _length_bytes > 0; }  // inside a message
  bool Malformed() const { return _malformed; }
  void SetLimit(uint32_t limit) { _limit = limit; }  // for the lengths still to come

 private:
  uint32_t _limit;
  uint8_t _length_buf[4] = {};
  size_t _length_bytes = 0;
  bool _have_length = false;
  uint32_t _length = 0;
  std::vector<uint8_t> _message;  // grows as its bytes come, never by the length announced
  bool _malformed = false;
};

// The length, then the bytes, appended to `out`.
void FrameMessage(const void* data, uint32_t size, std::vector<uint8_t>& out);

// One message from the stream: null at the end of the stream or for a length over the limit;
// a message cut short raises TStreamReadException.
std::shared_ptr<TBank> ReadMessage(TStream& stream, int32_t limit = DefaultMessageLimit);
void WriteMessage(TStream& stream, const void* data, int32_t size);  // raises as WriteBytes does
