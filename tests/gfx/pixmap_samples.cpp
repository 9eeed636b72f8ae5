#include "tests/gfx/pixmap_samples.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <jpeglib.h>

#include <stdexcept>

namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void PngFlush(png_structp) {}

void Le16(Bytes& b, uint32_t v) {
  b.push_back(v & 255);
  b.push_back(v >> 8 & 255);
}
void Le32(Bytes& b, uint32_t v) {
  Le16(b, v & 0xFFFF);
  Le16(b, v >> 16);
}

}  // namespace

Bytes EncodePng(const PngLayout& layout) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("png writer failed");
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_compression_level(png, layout.compression);
  png_set_IHDR(png, info, layout.width, layout.height, layout.bit_depth, layout.colour_type,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (size_t i = 0; i + 2 < layout.palette.size(); i += 3)
    palette.push_back({layout.palette[i], layout.palette[i + 1], layout.palette[i + 2]});
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  Bytes trns = layout.trns;
  png_color_16 trns_colour{};
  if (!trns.empty()) {
    if (layout.colour_type == PNG_COLOR_TYPE_PALETTE) {
      png_set_tRNS(png, info, trns.data(), static_cast<int>(trns.size()), nullptr);
    } else {
      trns_colour.gray = static_cast<png_uint_16>(trns[0] << 8 | trns[1]);
      png_set_tRNS(png, info, nullptr, 0, &trns_colour);
    }
  }
  png_write_info(png, info);
  const size_t rowbytes = png_get_rowbytes(png, info);
  std::vector<png_bytep> rows(layout.height);
  Bytes pixels = layout.pixels;
  pixels.resize(rowbytes * layout.height);
  for (int y = 0; y < layout.height; ++y) rows[y] = pixels.data() + y * rowbytes;
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes EncodeJpeg(const JpegLayout& layout) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &mem, &size);
  cinfo.image_width = layout.width;
  cinfo.image_height = layout.height;
  cinfo.input_components = layout.components;
  cinfo.in_color_space = layout.components == 1 ? JCS_GRAYSCALE : layout.components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, layout.quality, TRUE);
  if (layout.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  Bytes pixels = layout.pixels;
  pixels.resize(static_cast<size_t>(layout.width) * layout.height * layout.components);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = pixels.data() + static_cast<size_t>(cinfo.next_scanline) * layout.width * layout.components;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes out(mem, mem + size);
  jpeg_destroy_compress(&cinfo);
  free(mem);
  return out;
}

Bytes EncodeBmp(const BmpLayout& layout) {
  const int64_t width = layout.width;
  const int64_t rows = layout.height < 0 ? -static_cast<int64_t>(layout.height) : layout.height;
  const int64_t row_bytes = (width * layout.bpp + 7) / 8;
  const int64_t padded = (width * layout.bpp + 31) / 32 * 4;
  const uint32_t offset = 14 + layout.header_size + static_cast<uint32_t>(layout.palette.size()) + layout.gap;
  Bytes b{'B', 'M'};
  Le32(b, static_cast<uint32_t>(offset + padded * rows));
  Le32(b, 0);
  Le32(b, offset);
  Le32(b, layout.header_size);
  Le32(b, static_cast<uint32_t>(layout.width));
  Le32(b, static_cast<uint32_t>(layout.height));
  Le16(b, 1);
  Le16(b, layout.bpp);
  Le32(b, layout.compression);
  Le32(b, static_cast<uint32_t>(padded * rows));
  Le32(b, 2835);
  Le32(b, 2835);
  Le32(b, layout.palette_count);
  Le32(b, 0);
  b.resize(14 + layout.header_size, 0);
  b.insert(b.end(), layout.palette.begin(), layout.palette.end());
  b.resize(b.size() + layout.gap, 0xEE);
  for (int64_t y = 0; y < rows; ++y) {
    size_t at = static_cast<size_t>(y * row_bytes);
    for (int64_t i = 0; i < padded; ++i)
      b.push_back(i < row_bytes && at + i < layout.rows.size() ? layout.rows[at + i] : 0);
  }
  return b;
}

Bytes TgaHeader(int image_type, int width, int height, int depth, int id_length, int map_type) {
  Bytes b{static_cast<uint8_t>(id_length), static_cast<uint8_t>(map_type), static_cast<uint8_t>(image_type),
          0, 0, 0, 0, 0};
  Le16(b, 0);
  Le16(b, 0);
  Le16(b, static_cast<uint32_t>(width));
  Le16(b, static_cast<uint32_t>(height));
  b.push_back(static_cast<uint8_t>(depth));
  b.push_back(0);
  for (int i = 0; i < id_length; ++i) b.push_back('i');
  return b;
}

std::vector<PngChunk> PngChunks(const Bytes& png) {
  std::vector<PngChunk> chunks;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    uint32_t length = static_cast<uint32_t>(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
    chunks.push_back({at, length, std::string(png.begin() + at + 4, png.begin() + at + 8)});
    at += 12 + length;
  }
  return chunks;
}

void FixPngCrc(Bytes& png, const PngChunk& chunk) {
  uLong crc = crc32(0, png.data() + chunk.offset + 4, chunk.length + 4);
  size_t at = chunk.offset + 8 + chunk.length;
  png[at] = crc >> 24 & 255, png[at + 1] = crc >> 16 & 255, png[at + 2] = crc >> 8 & 255, png[at + 3] = crc & 255;
}

Bytes Pattern(size_t count, int seed) {
  Bytes b(count);
  for (size_t i = 0; i < count; ++i) b[i] = static_cast<uint8_t>((i * 37 + seed) & 255);
  return b;
}

TStreamPtr MemoryStream(const Bytes& bytes) {
  auto bank = std::make_shared<TBank>();
  bank->bytes = bytes;
  return TBankStream::Create(std::move(bank), true, false);
}

TPixmapPtr Decode(const Bytes& bytes, const TPixmapLoaderPtr& loader) {
  TStreamPtr s = MemoryStream(bytes);
  return loader ? loader->LoadPixmap(s) : LoadPixmap(s);
}
