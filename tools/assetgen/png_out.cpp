#include "tools/assetgen/png_out.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace assetgen {

static void Write(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb, int channels) {
  if (rgb.size() != size_t(width) * height * channels) throw std::runtime_error("WritePng: wrong pixel count for " + path);
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f) throw std::runtime_error("cannot create " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw std::runtime_error("libpng: out of memory");
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng failed writing " + path);
  }
  png_init_io(png, f.get());
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
               channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) png_write_row(png, &rgb[size_t(y) * width * channels]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fflush(f.get()) != 0) throw std::runtime_error("cannot write " + path);
}

void WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
  Write(path, width, height, rgb, 3);
}

void WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
  Write(path, width, height, rgba, 4);
}

}  // namespace assetgen
