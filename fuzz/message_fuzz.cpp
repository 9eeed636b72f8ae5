// Arbitrary bytes through the message framing: the first byte picks the size limit and the
// second how the rest is cut into pieces. Whatever the cut, the framer must give the same
// messages as when fed all at once and as ReadMessage over a stream; each must be within the
// limit, and framing them again must give back the bytes they came from. A mismatch traps.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "stream/message_frame.h"
#include "stream/stream.h"

namespace {

using TMessages = std::vector<std::vector<uint8_t>>;

void Check(bool holds) {
  if (!holds) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static constexpr uint32_t kLimits[] = {0, 1, 3, 4, 16, 255, 256, 4096, 65536, DefaultMessageLimit};
  const uint32_t limit = kLimits[data[0] % (sizeof kLimits / sizeof kLimits[0])];
  uint32_t cut = data[1] | 1u;
  const uint8_t* bytes = data + 2;
  size = size - 2;

  TMessages whole;
  TMessageFramer at_once(limit);
  const bool fine = at_once.Feed(bytes, size, whole);
  Check(fine == !at_once.Malformed());

  TMessages pieces;
  TMessageFramer in_pieces(limit);
  bool pieces_fine = true;
  for (size_t at = 0; at < size;) {
    cut = cut * 1103515245u + 12345u;  // piece sizes 1 to 64, varying with the second byte
    const size_t n = std::min<size_t>(size - at, 1 + (cut >> 16) % 64);
    pieces_fine = in_pieces.Feed(bytes + at, n, pieces) && pieces_fine;
    at += n;
  }
  Check(pieces == whole && pieces_fine == fine && in_pieces.Partial() == at_once.Partial());

  std::vector<uint8_t> again;
  for (const auto& m : whole) {
    Check(m.size() <= limit);
    FrameMessage(m.data(), static_cast<uint32_t>(m.size()), again);
  }
  Check(again.size() <= size && std::equal(again.begin(), again.end(), bytes));

  auto stream = TRamStream::Create(const_cast<uint8_t*>(bytes), static_cast<int64_t>(size), true, false);
  TMessages read;
  try {
    while (auto bank = ReadMessage(*stream, static_cast<int32_t>(limit))) read.push_back(bank->bytes);
    // Null: the end between messages, or a length over the limit.
    Check(!fine || stream->Eof());
  } catch (const TStreamReadException&) {
    Check(at_once.Partial());  // cut inside a message
  }
  Check(read == whole);
  return 0;
}
