// Decoding an RGB PNG through LoadPixmapUrl (stream, loader chain, PNG loader) against
// libpng's simplified API on the same bytes, at the game's screen size and at the size of
// its title picture.
#include <benchmark/benchmark.h>
#include <png.h>

#include <memory>
#include <vector>

#include "gfx/pixmap.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Append(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

// A picture with smooth areas, edges and some noise, compressed at libpng's default level.
Bytes MakePng(int w, int h) {
  Bytes pixels(static_cast<size_t>(w) * h * 3);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      uint8_t* p = &pixels[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<uint8_t>(x * 255 / w);
      p[1] = static_cast<uint8_t>(((x / 32 + y / 32) & 1) ? 200 : 40);
      p[2] = static_cast<uint8_t>((y * 255 / h) ^ (seed >> 29));
    }
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, Append, nullptr);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) png_write_row(png, &pixels[static_cast<size_t>(y) * w * 3]);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

const Bytes& Picture(int which) {
  static const Bytes screen = MakePng(640, 480), title = MakePng(614, 249);
  return which == 0 ? screen : title;
}

void BM_LoadPixmapUrl(benchmark::State& state) {
  Bytes bytes = Picture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto stream = TRamStream::Create(bytes.data(), static_cast<int64_t>(bytes.size()), true, false);
    TPixmapPtr p = LoadPixmapUrl(TUrl(stream));
    if (!p) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(p->pixels);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

// The PNG loader alone, without the URL and the chain in front of it.
void BM_PngLoader(benchmark::State& state) {
  Bytes bytes = Picture(static_cast<int>(state.range(0)));
  const TPixmapLoaderPtr loader = CreatePngLoader();
  for (auto _ : state) {
    auto stream = TRamStream::Create(bytes.data(), static_cast<int64_t>(bytes.size()), true, false);
    TPixmapPtr p = loader->LoadPixmap(stream);
    if (!p) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(p->pixels);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

void BM_LibpngSimplified(benchmark::State& state) {
  const Bytes& bytes = Picture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) state.SkipWithError("begin failed");
    image.format = PNG_FORMAT_RGB;
    std::unique_ptr<uint8_t[]> out(new uint8_t[PNG_IMAGE_SIZE(image)]);
    if (!png_image_finish_read(&image, nullptr, out.get(), 0, nullptr)) state.SkipWithError("finish failed");
    benchmark::DoNotOptimize(out.get());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

}  // namespace

// Argument 0: 640 x 480; 1: 614 x 249.
BENCHMARK(BM_LoadPixmapUrl)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PngLoader)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LibpngSimplified)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
