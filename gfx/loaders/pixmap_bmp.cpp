// The BMP loader: uncompressed Windows bitmaps of 1, 4, 8, 24 and 32 bits per pixel, bottom-up
// or top-down, into BGR24 (BGRA32 for 32 bits).
#include <vector>

#include "gfx/pixmap.h"
#include "gfx/loaders/pixmap_io.h"

namespace {

constexpr int64_t kFileHeaderBytes = 14;
constexpr int64_t kInfoHeaderBytes = 40;

class TBmpLoader : public TPixmapLoader {
 public:
  TPixmapPtr LoadPixmap(const TStreamPtr& stream) override {
    const int64_t file_bytes = BytesLeft(*stream);
    TLoaderInput in(*stream);
    uint8_t hdr[kFileHeaderBytes + kInfoHeaderBytes];
    if (!in.Read(hdr, sizeof hdr) || hdr[0] != 'B' || hdr[1] != 'M') return nullptr;
    const int64_t data_offset = static_cast<uint32_t>(LoadLe32(hdr + 10));
    const int64_t header_size = static_cast<uint32_t>(LoadLe32(hdr + 14));
    const int32_t width = LoadLe32(hdr + 18);
    const int32_t file_height = LoadLe32(hdr + 22);
    const int bpp = LoadLe16(hdr + 28);
    const int32_t compression = LoadLe32(hdr + 30);
    const int64_t colours = static_cast<uint32_t>(LoadLe32(hdr + 46));

    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return nullptr;
    // Run-length and bit-field pictures would be read as garbage: refuse them.
    if (compression != 0) return nullptr;
    if (header_size < kInfoHeaderBytes) return nullptr;
    if (width <= 0 || width > MaxPixmapSide) return nullptr;
    if (file_height == 0 || file_height == INT32_MIN) return nullptr;
    const bool top_down = file_height < 0;
    const int32_t height = top_down ? -file_height : file_height;
    if (height > MaxPixmapSide) return nullptr;

    // Later header versions are longer; their extra fields are not needed.
    if (!in.Skip(header_size - kInfoHeaderBytes)) return nullptr;

    uint8_t palette[256 * 4];
    int64_t entries = 0;
    if (bpp <= 8) {
      const int64_t limit = int64_t{1} << bpp;
      entries = colours == 0 ? limit : colours;
      if (entries > limit) return nullptr;
      if (!in.Read(palette, entries * 4)) return nullptr;
    }
    // Some writers leave a gap before the pixels; the data offset says where they start.
    const int64_t here = in.Consumed();
    if (data_offset > here && !in.Skip(data_offset - here)) return nullptr;

    // The rows are stored whole, so a file too short for them is refused before allocating.
    const int64_t row_bytes = (static_cast<int64_t>(width) * bpp + 31) / 32 * 4;
    if (file_bytes >= 0 && row_bytes * height > file_bytes - in.Consumed()) return nullptr;
    TPixmapPtr pixmap = TPixmap::Create(width, height, bpp == 32 ? BGRA32 : BGR24, 4);
    if (!pixmap) return nullptr;
    std::vector<uint8_t> row(static_cast<size_t>(row_bytes));

    for (int32_t i = 0; i < height; ++i) {
      if (!in.Read(row.data(), row_bytes)) return nullptr;
      uint8_t* d = pixmap->PixelPtr(0, top_down ? i : height - 1 - i);
      if (bpp == 24 || bpp == 32) {
        std::memcpy(d, row.data(), static_cast<size_t>(width) * (bpp / 8));
        continue;
      }
      const int per_byte = 8 / bpp;
      const int mask = (1 << bpp) - 1;
      for (int32_t x = 0; x < width; ++x) {
        const int shift = 8 - bpp * (x % per_byte + 1);
        const int index = row[x / per_byte] >> shift & mask;
        if (index >= entries) return nullptr;
        d[x * 3] = palette[index * 4];
        d[x * 3 + 1] = palette[index * 4 + 1];
        d[x * 3 + 2] = palette[index * 4 + 2];
      }
    }
    return pixmap;
  }
};

}  // namespace

TPixmapLoaderPtr CreateBmpLoader() { return std::make_shared<TBmpLoader>(); }
