// Writers of small real picture files for the loader tests, the seed corpus and the
// benchmark: PNG through libpng's writer, JPEG through libjpeg's compressor, BMP and TGA by
// hand. Also the byte-level surgery the malformed-file tests need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/pixmap.h"

using Bytes = std::vector<uint8_t>;

struct PngLayout {
  int width = 0, height = 0;
  int colour_type = 2;  // libpng's PNG_COLOR_TYPE_*
  int bit_depth = 8;
  bool interlaced = false;
  Bytes pixels;       // rows packed as libpng expects them (16-bit samples big-endian)
  Bytes palette;      // r, g, b triples for colour type 3
  Bytes trns;         // tRNS chunk contents
  int compression = 6;
};
Bytes EncodePng(const PngLayout& layout);

struct JpegLayout {
  int width = 0, height = 0;
  int components = 3;  // 1 grey, 3 RGB, 4 CMYK
  Bytes pixels;        // packed rows
  int quality = 95;
  bool progressive = false;
};
Bytes EncodeJpeg(const JpegLayout& layout);

// BMP with a 40-byte info header. `pixels` are packed file rows without padding, in the
// order they appear in the file (bottom-up unless top_down); palette entries are b, g, r, 0.
struct BmpLayout {
  int width = 0, height = 0;  // height as stored: negative for top-down
  int bpp = 24;
  Bytes palette;
  int palette_count = 0;      // the colours-used field
  Bytes rows;                 // unpadded rows, file order
  int compression = 0;
  int header_size = 40;       // extra header bytes are written as zeros
  int gap = 0;                // bytes between palette and pixels, named by the data offset
};
Bytes EncodeBmp(const BmpLayout& layout);

// TGA header and body; `body` follows the header and the identification field.
Bytes TgaHeader(int image_type, int width, int height, int depth, int id_length = 0, int map_type = 0);

// Offsets and lengths of the chunks of a PNG, and a CRC fix-up after editing one.
struct PngChunk {
  size_t offset;  // of the length field
  uint32_t length;
  std::string type;
};
std::vector<PngChunk> PngChunks(const Bytes& png);
void FixPngCrc(Bytes& png, const PngChunk& chunk);

// A test pattern: byte i of the picture is (i x 37 + seed) mod 256.
Bytes Pattern(size_t count, int seed = 0);

// A seekable stream over its own copy of the bytes.
TStreamPtr MemoryStream(const Bytes& bytes);
// Decodes through one loader, or through the whole chain when loader is null.
TPixmapPtr Decode(const Bytes& bytes, const TPixmapLoaderPtr& loader = nullptr);
