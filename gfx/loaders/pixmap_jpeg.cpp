// The JPEG loader over libjpeg (interface 62). Library errors leave by longjmp to the one
// setjmp in Decode, so no frame between them owns a resource; exceptions from the stream are
// caught in the source callbacks and passed on after the library is destroyed.
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <exception>

#include "gfx/pixmap.h"
#include "gfx/loaders/pixmap_io.h"

namespace {

// A progressive file may hold any number of scans; real ones use about ten.
constexpr int kMaxScans = 256;
// libjpeg's whole-image buffers (progressive and multi-scan files) are held to this much.
constexpr long kMaxLibraryMemory = 512L << 20;

struct JpegError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

struct JpegSource {
  jpeg_source_mgr pub;
  TStream* stream;
  std::exception_ptr failure;
  JOCTET buffer[16384];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
void OutputMessage(j_common_ptr) {}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
  int64_t n = 0;
  try {
    n = ReadUpTo(*src->stream, src->buffer, sizeof src->buffer);
  } catch (...) {
    src->failure = std::current_exception();
    n = 0;
  }
  // A file cut short is an error, not a picture padded with grey.
  if (n <= 0) ERREXIT(cinfo, JERR_INPUT_EOF);
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = static_cast<size_t>(n);
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
  if (count <= 0) return;
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void Progress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) ERREXIT(cinfo, JERR_NOT_COMPILED);
}

struct JpegState {
  jpeg_decompress_struct cinfo{};
  JpegError err{};
  JpegSource src{};
  jpeg_progress_mgr progress{};
  int64_t available = -1;  // bytes the stream holds from the picture on, -1 unknown
  bool created = false;
  ~JpegState() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// Everything here may be left by longjmp: no local owns anything.
bool Decode(JpegState& st, TPixmapPtr& out) {
  j_decompress_ptr cinfo = &st.cinfo;
  if (setjmp(st.err.jump)) return false;
  jpeg_create_decompress(cinfo);
  st.created = true;
  cinfo->src = &st.src.pub;
  cinfo->progress = &st.progress;
  jpeg_read_header(cinfo, TRUE);
  const JDIMENSION w = cinfo->image_width, h = cinfo->image_height;
  const int components = cinfo->num_components;
  if (w == 0 || h == 0 || w > MaxPixmapSide || h > MaxPixmapSide) return false;
  if (components != 1 && components != 3) return false;
  if (static_cast<int64_t>(w) * h * components > INT32_MAX) return false;
  // A sequential Huffman scan spends at least one bit on every block of a component, and
  // every component has a block for each 32 x 32 pixels or fewer. A file too short for its
  // declared size is refused here, before the picture is allocated. (Progressive files are
  // read whole inside jpeg_start_decompress, so a short one fails before that allocation.)
  if (!cinfo->arith_code && !cinfo->progressive_mode && st.available >= 0 &&
      static_cast<int64_t>(w) * h > (st.available + 64) * 8 * 1024)
    return false;
  cinfo->mem->max_memory_to_use = kMaxLibraryMemory;
  jpeg_start_decompress(cinfo);
  int32_t format;
  if (cinfo->output_components == 1) {
    format = Grey8;
  } else if (cinfo->output_components == 3) {
    format = RGB24;
  } else {
    return false;
  }
  out = TPixmap::Create(static_cast<int32_t>(cinfo->output_width), static_cast<int32_t>(cinfo->output_height),
                        format, 4);
  if (!out) return false;
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = out->PixelPtr(0, static_cast<int32_t>(cinfo->output_scanline));
    jpeg_read_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

class TJpegLoader : public TPixmapLoader {
 public:
  TPixmapPtr LoadPixmap(const TStreamPtr& stream) override {
    // Cheap rejection before the library is set up: every JPEG starts with SOI and a marker.
    uint8_t magic[3];
    if (ReadUpTo(*stream, magic, 3) != 3 || magic[0] != 0xFF || magic[1] != 0xD8 || magic[2] != 0xFF)
      return nullptr;

    auto st = std::make_unique<JpegState>();
    st->cinfo.err = jpeg_std_error(&st->err.pub);
    st->err.pub.error_exit = ErrorExit;
    st->err.pub.output_message = OutputMessage;
    st->src.stream = stream.get();
    st->src.pub.init_source = InitSource;
    st->src.pub.fill_input_buffer = FillInputBuffer;
    st->src.pub.skip_input_data = SkipInputData;
    st->src.pub.resync_to_restart = jpeg_resync_to_restart;
    st->src.pub.term_source = TermSource;
    // The three bytes already taken are handed back through the buffer.
    st->src.buffer[0] = magic[0], st->src.buffer[1] = magic[1], st->src.buffer[2] = magic[2];
    st->src.pub.next_input_byte = st->src.buffer;
    st->src.pub.bytes_in_buffer = 3;
    st->progress.progress_monitor = Progress;
    const int64_t pos = stream->Pos(), size = stream->Size();
    if (pos >= 3 && size >= pos) st->available = size - pos + 3;

    TPixmapPtr pixmap;
    bool ok = Decode(*st, pixmap);
    std::exception_ptr failure = st->src.failure;
    st.reset();
    if (failure) std::rethrow_exception(failure);
    return ok ? pixmap : nullptr;
  }
};

}  // namespace

TPixmapLoaderPtr CreateJpegLoader() { return std::make_shared<TJpegLoader>(); }
