#include "gfx/pixmap.h"

namespace {

TPixmapLoaderPtr& ChainHead() {
  static TPixmapLoaderPtr head;
  return head;
}

void Push(TPixmapLoaderPtr loader) {
  loader->_succ = ChainHead();
  ChainHead() = std::move(loader);
}

// The built-in loaders come first, so loaders added later are asked before them.
void EnsureBuiltIns() {
  static bool done = false;
  if (done) return;
  done = true;
  Push(CreateBmpLoader());
  Push(CreateJpegLoader());
  Push(CreatePngLoader());
  Push(CreateTgaLoader());
}

// Closes the stream on every way out, exceptions included.
struct CloseOnExit {
  TStreamPtr stream;
  ~CloseOnExit() { stream->Close(); }
};

}  // namespace

void AddPixmapLoader(TPixmapLoaderPtr loader) {
  if (!loader) return;
  EnsureBuiltIns();
  Push(std::move(loader));
}

TPixmapLoaderPtr PixmapLoaders() {
  EnsureBuiltIns();
  return ChainHead();
}

TPixmapPtr LoadPixmap(const TStreamPtr& stream) {
  if (!stream) return nullptr;
  const int64_t start = stream->Pos();
  if (start < 0) return nullptr;
  for (TPixmapLoaderPtr loader = PixmapLoaders(); loader; loader = loader->_succ) {
    if (stream->Seek(start) != start) return nullptr;
    try {
      if (TPixmapPtr p = loader->LoadPixmap(stream)) return p;
    } catch (const TStreamException&) {
      // A stream failure inside one loader only means that loader could not take it.
    }
  }
  return nullptr;
}

TPixmapPtr LoadPixmapUrl(const TUrl& url) {
  TStreamPtr stream = OpenReadStream(url);
  if (!stream) return nullptr;
  CloseOnExit guard{stream};
  return LoadPixmap(stream);
}
