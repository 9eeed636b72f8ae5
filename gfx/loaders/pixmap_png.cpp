// The PNG loader over libpng. libpng reports errors by longjmp, so nothing in the frames it
// can jump over owns a resource: the library structures and the pixmap live in the caller,
// and C++ exceptions from the stream are caught in the read callback and carried out.
#include <png.h>

#include <csetjmp>
#include <exception>
#include <vector>

#include "gfx/pixmap.h"
#include "gfx/loaders/pixmap_io.h"

namespace {

// Largest output/input ratio a deflate stream can reach (258-byte matches coded in about
// two bits, plus slack); a picture that needs more data than this has no complete file.
constexpr int64_t kMaxInflateRatio = 1040;

struct PngSource {
  TStream* stream = nullptr;
  std::exception_ptr failure;  // what the stream raised, passed on after clean-up
};

struct PngHandles {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngHandles() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

void ReadCallback(png_structp png, png_bytep data, png_size_t length) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  int64_t got = -1;
  try {
    got = ReadUpTo(*source->stream, data, static_cast<int64_t>(length));
  } catch (...) {
    source->failure = std::current_exception();
  }
  if (got != static_cast<int64_t>(length)) png_error(png, "file cut short");
}

[[noreturn]] void ErrorCallback(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void WarningCallback(png_structp, png_const_charp) {}

struct PngResult {
  TPixmapPtr pixmap;
  std::vector<png_bytep> rows;
};

// Everything here may be left by longjmp: no local owns anything.
bool Decode(PngHandles& h, PngSource& source, int64_t available, PngResult& out) {
  if (setjmp(png_jmpbuf(h.png))) return false;
  png_set_read_fn(h.png, &source, ReadCallback);
  png_set_sig_bytes(h.png, 8);
  png_set_user_limits(h.png, MaxPixmapSide, MaxPixmapSide);
  png_set_chunk_cache_max(h.png, 1000);
  png_set_chunk_malloc_max(h.png, 8u << 20);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  // Random mutations almost never keep a CRC valid; let the fuzzer reach the decoder.
  png_set_crc_action(h.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
  png_read_info(h.png, h.info);

  const png_uint_32 width = png_get_image_width(h.png, h.info);
  const png_uint_32 height = png_get_image_height(h.png, h.info);
  const int depth = png_get_bit_depth(h.png, h.info);
  const int channels = png_get_channels(h.png, h.info);
  if (width == 0 || height == 0 || width > MaxPixmapSide || height > MaxPixmapSide) return false;
  if (available >= 0) {
    const int64_t least_inflated = static_cast<int64_t>(width) * height * channels * depth / 8;
    if (least_inflated > available * kMaxInflateRatio + 4096) return false;
  }

  png_set_strip_16(h.png);
  png_set_expand(h.png);
  png_set_interlace_handling(h.png);
  png_read_update_info(h.png, h.info);
  if (png_get_bit_depth(h.png, h.info) != 8) return false;

  int32_t format;
  switch (png_get_color_type(h.png, h.info)) {
    case PNG_COLOR_TYPE_GRAY: format = Grey8; break;
    case PNG_COLOR_TYPE_RGB: format = RGB24; break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
    case PNG_COLOR_TYPE_GRAY_ALPHA: format = RGBA32; break;
    default: return false;
  }
  const bool grey_alpha = png_get_color_type(h.png, h.info) == PNG_COLOR_TYPE_GRAY_ALPHA;
  const size_t rowbytes = png_get_rowbytes(h.png, h.info);
  out.pixmap = TPixmap::Create(static_cast<int32_t>(width), static_cast<int32_t>(height), format, 4);
  if (!out.pixmap || rowbytes > static_cast<size_t>(out.pixmap->pitch)) return false;
  out.rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) out.rows[y] = out.pixmap->PixelPtr(0, static_cast<int32_t>(y));
  png_read_image(h.png, out.rows.data());
  png_read_end(h.png, nullptr);

  if (grey_alpha) {
    // Each row holds (grey, alpha) pairs in its first half; spread them from the right so
    // no pair is overwritten before it is read.
    for (png_uint_32 y = 0; y < height; ++y) {
      uint8_t* row = out.rows[y];
      for (int64_t x = static_cast<int64_t>(width) - 1; x >= 0; --x) {
        uint8_t g = row[2 * x], a = row[2 * x + 1];
        row[4 * x] = g, row[4 * x + 1] = g, row[4 * x + 2] = g, row[4 * x + 3] = a;
      }
    }
  }
  return true;
}

class TPngLoader : public TPixmapLoader {
 public:
  TPixmapPtr LoadPixmap(const TStreamPtr& stream) override {
    // Reads go through a wrapper; closing it leaves the given stream open.
    std::shared_ptr<TStreamStream> wrapper = TStreamStream::Create(stream);
    struct CloseWrapper {
      TStreamStream& w;
      ~CloseWrapper() { w.Close(); }
    } close{*wrapper};

    png_byte signature[8];
    if (ReadUpTo(*wrapper, signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0) return nullptr;

    int64_t available = -1;
    int64_t pos = wrapper->Pos(), size = wrapper->Size();
    if (pos >= 0 && size >= pos) available = size - pos;

    PngHandles h;
    h.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorCallback, WarningCallback);
    if (!h.png) return nullptr;
    h.info = png_create_info_struct(h.png);
    if (!h.info) return nullptr;

    PngSource source;
    source.stream = wrapper.get();
    PngResult result;
    bool ok = Decode(h, source, available, result);
    if (source.failure) std::rethrow_exception(source.failure);
    return ok ? result.pixmap : nullptr;
  }
};

}  // namespace

TPixmapLoaderPtr CreatePngLoader() { return std::make_shared<TPngLoader>(); }
