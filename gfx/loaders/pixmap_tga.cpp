// The TGA loader: uncompressed and run-length true-colour pictures of 15, 16, 24 or 32 bits.
#include <vector>

#include "gfx/pixmap.h"
#include "gfx/loaders/pixmap_io.h"

namespace {

constexpr int32_t kMaxTgaSide = 4096;

class TTgaLoader : public TPixmapLoader {
 public:
  TPixmapPtr LoadPixmap(const TStreamPtr& stream) override {
    const int64_t file_bytes = BytesLeft(*stream);
    TLoaderInput in(*stream);
    uint8_t hdr[18];
    if (!in.Read(hdr, sizeof hdr)) return nullptr;
    const int id_length = hdr[0], map_type = hdr[1], image_type = hdr[2];
    const int32_t width = LoadLe16(hdr + 12), height = LoadLe16(hdr + 14);
    const int depth = hdr[16];
    // Bit 5 of the descriptor marks pictures stored top row first.
    const bool top_down = (hdr[17] & 0x20) != 0;
    if (map_type != 0) return nullptr;
    if (image_type != 1 && image_type != 2 && image_type != 10) return nullptr;
    if (depth != 15 && depth != 16 && depth != 24 && depth != 32) return nullptr;
    if (width < 1 || width > kMaxTgaSide || height < 1 || height > kMaxTgaSide) return nullptr;
    // Colour-mapped pictures pass the header test but have no decoder.
    if (image_type == 1) return nullptr;
    if (!in.Skip(id_length)) return nullptr;

    const int bytes = (depth + 7) / 8;
    // Raw rows need every byte; a run packet codes at most 128 pixels in two or more bytes.
    if (file_bytes >= 0) {
      const int64_t pixels = static_cast<int64_t>(width) * height, left = file_bytes - in.Consumed();
      if (image_type == 2 ? pixels * bytes > left : pixels > left * 64) return nullptr;
    }
    TPixmapPtr pixmap = TPixmap::Create(width, height, depth == 16 || depth == 32 ? RGBA32 : RGB24, 4);
    if (!pixmap) return nullptr;
    std::vector<uint8_t> raw(static_cast<size_t>(width) * bytes);
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * 4);

    // One pixel value of the file as blue, green, red, alpha bytes.
    auto decode = [&](const uint8_t* p, uint8_t* d) {
      if (depth == 15 || depth == 16) {
        uint16_t v = LoadLe16(p);
        d[0] = static_cast<uint8_t>((v & 31) << 3);
        d[1] = static_cast<uint8_t>((v >> 5 & 31) << 3);
        d[2] = static_cast<uint8_t>((v >> 10 & 31) << 3);
        d[3] = depth == 16 && (v & 0x8000) ? 0 : 255;
      } else {
        d[0] = p[0], d[1] = p[1], d[2] = p[2];
        d[3] = depth == 32 ? p[3] : 255;
      }
    };

    for (int32_t row = 0; row < height; ++row) {
      const int32_t y = top_down ? row : height - 1 - row;
      if (image_type == 2) {
        if (!in.Read(raw.data(), static_cast<int64_t>(raw.size()))) return nullptr;
        for (int32_t x = 0; x < width; ++x) decode(&raw[x * bytes], &bgra[x * 4]);
      } else {
        // Packets belong to one row; one that would run past the row's end is refused.
        int32_t x = 0;
        while (x < width) {
          uint8_t h;
          if (!in.Byte(h)) return nullptr;
          const int32_t count = h & 0x80 ? h - 127 : h + 1;
          if (count > width - x) return nullptr;
          if (h & 0x80) {
            uint8_t value[4];
            if (!in.Read(value, bytes)) return nullptr;
            decode(value, &bgra[x * 4]);
            for (int32_t i = 1; i < count; ++i)
              for (int c = 0; c < 4; ++c) bgra[(x + i) * 4 + c] = bgra[x * 4 + c];
          } else {
            if (!in.Read(raw.data(), static_cast<int64_t>(count) * bytes)) return nullptr;
            for (int32_t i = 0; i < count; ++i) decode(&raw[i * bytes], &bgra[(x + i) * 4]);
          }
          x += count;
        }
      }
      ConvertPixels(bgra.data(), BGRA32, pixmap->PixelPtr(0, y), pixmap->format, width);
    }
    return pixmap;
  }
};

}  // namespace

TPixmapLoaderPtr CreateTgaLoader() { return std::make_shared<TTgaLoader>(); }
