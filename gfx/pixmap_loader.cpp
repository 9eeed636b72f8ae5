#include "gfx/pixmap.h"
#include "gfx/loaders_internal.h"

#include "stream/handler_chain.h"

namespace {

THandlerChain<TPixmapLoader> chain;

// The built-in loaders come first, so loaders added later are asked before them.
void EnsureBuiltIns() {
  static bool done = false;
  if (done) return;
  done = true;
  chain.Add(CreateBmpLoader());
  chain.Add(CreateJpegLoader());
  chain.Add(CreatePngLoader());
  chain.Add(CreateTgaLoader());
}

// Closes the stream on every way out, exceptions included.
struct CloseOnExit {
  TStreamPtr stream;
  ~CloseOnExit() { stream->Close(); }
};

}  // namespace

void AddPixmapLoader(TPixmapLoaderPtr loader) {
  EnsureBuiltIns();
  chain.Add(std::move(loader));
}

void RemovePixmapLoader(const TPixmapLoader* loader) { chain.Remove(loader); }

TPixmapLoaderPtr PixmapLoaders() {
  EnsureBuiltIns();
  return chain.Head();
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
