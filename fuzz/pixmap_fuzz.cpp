// libFuzzer target for one picture loader, chosen at build time by PIXMAP_LOADER (Png,
// Jpeg, Bmp or Tga). Each input is decoded by that loader and then by the whole chain;
// a found picture is converted so every decoded byte is read.
#include <cstddef>
#include <cstdint>

#include "gfx/pixmap.h"

#define VS_CONCAT2(a, b) a##b
#define VS_CONCAT(a, b) VS_CONCAT2(a, b)
#define VS_CREATE_LOADER VS_CONCAT(Create, VS_CONCAT(PIXMAP_LOADER, Loader))

// Written so the reads below are not optimised away.
volatile uint32_t pixmap_fuzz_sink;

namespace {

void Touch(const TPixmapPtr& p) {
  if (!p) return;
  if (TPixmapPtr rgba = p->Convert(RGBA32)) {
    uint32_t sum = 0;
    for (int32_t y = 0; y < rgba->height; y += 7) sum += rgba->ReadPixel(rgba->width - 1, y);
    pixmap_fuzz_sink = sum;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TPixmapLoaderPtr loader = VS_CREATE_LOADER();
  auto stream = TRamStream::Create(const_cast<uint8_t*>(data), static_cast<int64_t>(size), true, false);
  try {
    Touch(loader->LoadPixmap(stream));
  } catch (const TStreamException&) {
  }
  stream->Seek(0);
  Touch(LoadPixmap(stream));
  return 0;
}
