#include "gfx/pixmap.h"

#include "gfx/loaders/pixmap_io.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

void ExpandToRgba(const uint8_t* s, int32_t from, uint8_t* d, int32_t n) {
  switch (from) {
    case Grey8:
      for (int32_t i = 0; i < n; ++i, d += 4) d[0] = d[1] = d[2] = s[i], d[3] = 255;
      break;
    case WhiteAlpha8:
      for (int32_t i = 0; i < n; ++i, d += 4) d[0] = d[1] = d[2] = 255, d[3] = s[i];
      break;
    case BGR24:
      for (int32_t i = 0; i < n; ++i, s += 3, d += 4) d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 255;
      break;
    case RGB24:
      for (int32_t i = 0; i < n; ++i, s += 3, d += 4) d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
      break;
    case BGRA32:
      for (int32_t i = 0; i < n; ++i, s += 4, d += 4) d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
      break;
    case RGBA32:
      std::memcpy(d, s, static_cast<size_t>(n) * 4);
      break;
    case Red8:
      for (int32_t i = 0; i < n; ++i, d += 4) d[0] = s[i], d[1] = 0, d[2] = 0, d[3] = 1;
      break;
    case Green8:
      for (int32_t i = 0; i < n; ++i, d += 4) d[0] = 0, d[1] = s[i], d[2] = 0, d[3] = 1;
      break;
    case Blue8:
      for (int32_t i = 0; i < n; ++i, d += 4) d[0] = 0, d[1] = 0, d[2] = s[i], d[3] = 1;
      break;
    case BlackAlpha8:
      for (int32_t i = 0; i < n; ++i, d += 4) d[0] = d[1] = d[2] = 0, d[3] = s[i];
      break;
    case Intensity8:
      for (int32_t i = 0; i < n; ++i, d += 4) d[0] = d[1] = d[2] = d[3] = s[i];
      break;
    case Luminance8:
      for (int32_t i = 0; i < n; ++i, d += 4) d[0] = d[1] = d[2] = s[i], d[3] = 1;
      break;
    default:
      break;
  }
}

void ReduceFromRgba(const uint8_t* s, uint8_t* d, int32_t to, int32_t n) {
  switch (to) {
    case Grey8:
    case Luminance8:
      for (int32_t i = 0; i < n; ++i, s += 4) d[i] = static_cast<uint8_t>((s[0] + s[1] + s[2]) / 3);
      break;
    case WhiteAlpha8:
    case BlackAlpha8:
      for (int32_t i = 0; i < n; ++i, s += 4) d[i] = s[3];
      break;
    case BGR24:
      for (int32_t i = 0; i < n; ++i, s += 4, d += 3) d[0] = s[2], d[1] = s[1], d[2] = s[0];
      break;
    case RGB24:
      for (int32_t i = 0; i < n; ++i, s += 4, d += 3) d[0] = s[0], d[1] = s[1], d[2] = s[2];
      break;
    case BGRA32:
      for (int32_t i = 0; i < n; ++i, s += 4, d += 4) d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
      break;
    case RGBA32:
      std::memcpy(d, s, static_cast<size_t>(n) * 4);
      break;
    case Red8:
      for (int32_t i = 0; i < n; ++i, s += 4) d[i] = s[0];
      break;
    case Green8:
      for (int32_t i = 0; i < n; ++i, s += 4) d[i] = s[1];
      break;
    case Blue8:
      for (int32_t i = 0; i < n; ++i, s += 4) d[i] = s[2];
      break;
    case Intensity8:
      for (int32_t i = 0; i < n; ++i, s += 4) d[i] = static_cast<uint8_t>((s[0] + s[1] + s[2] + s[3]) >> 2);
      break;
    default:
      break;
  }
}

}  // namespace

void ConvertPixels(const uint8_t* src, int32_t from, uint8_t* dst, int32_t to, int32_t n) {
  if (n <= 0 || !ValidPixmapFormat(from) || !ValidPixmapFormat(to)) return;
  if (from == to) {
    std::memmove(dst, src, static_cast<size_t>(n) * BytesPerPixel[from]);
  } else if (to == RGBA32) {
    ExpandToRgba(src, from, dst, n);
  } else if (from == RGBA32) {
    ReduceFromRgba(src, dst, to, n);
  } else {
    // Through a small hub buffer on the stack, so long rows need no allocation.
    constexpr int32_t kChunk = 256;
    uint8_t hub[kChunk * 4];
    const int32_t sb = BytesPerPixel[from], db = BytesPerPixel[to];
    for (int32_t done = 0; done < n; done += kChunk) {
      int32_t m = std::min(kChunk, n - done);
      ExpandToRgba(src + static_cast<size_t>(done) * sb, from, hub, m);
      ReduceFromRgba(hub, dst + static_cast<size_t>(done) * db, to, m);
    }
  }
}

TPixmap::~TPixmap() { delete[] _owned; }

const char16_t* TPixmap::DataType() const { return u"TPixmap"; }

uint8_t* TPixmap::PixelPtr(int32_t x, int32_t y) {
  return pixels + static_cast<ptrdiff_t>(y) * pitch + static_cast<ptrdiff_t>(x) * BytesPerPixel[format];
}

TPixmapPtr TPixmap::Create(int32_t width, int32_t height, int32_t format, int32_t align) {
  if (!ValidPixmapFormat(format) || align < 1) return nullptr;
  if (width < 0 || height < 0 || width > MaxPixmapSide || height > MaxPixmapSide) return nullptr;
  int64_t row = static_cast<int64_t>(width) * BytesPerPixel[format];
  int64_t pitch = (row + align - 1) / align * align;
  int64_t size = pitch * height;
  if (pitch > INT32_MAX || size > INT32_MAX) return nullptr;
  auto p = std::make_shared<TPixmap>();
  if (size > 0) {
    p->_owned = new (std::nothrow) uint8_t[static_cast<size_t>(size)];
    if (!p->_owned) return nullptr;
  }
  p->pixels = p->_owned;
  p->width = width;
  p->height = height;
  p->pitch = static_cast<int32_t>(pitch);
  p->format = format;
  p->capacity = static_cast<int32_t>(size);
  return p;
}

TPixmapPtr TPixmap::CreateStatic(void* pixels, int32_t width, int32_t height, int32_t pitch,
                                 int32_t format) {
  if (!ValidPixmapFormat(format) || width < 0 || height < 0) return nullptr;
  auto p = std::make_shared<TPixmap>();
  p->pixels = static_cast<uint8_t*>(pixels);
  p->width = width;
  p->height = height;
  p->pitch = pitch;
  p->format = format;
  p->capacity = -1;
  return p;
}

TPixmapPtr TPixmap::Window(int32_t x, int32_t y, int32_t w, int32_t h) {
  if (x < 0 || y < 0 || w < 0 || h < 0 || x > width - w || y > height - h) return nullptr;
  TPixmapPtr win = CreateStatic(PixelPtr(x, y), w, h, pitch, format);
  win->_source = shared_from_this();
  return win;
}

TPixmapPtr TPixmap::Copy() {
  TPixmapPtr p = Create(width, height, format, 4);
  if (!p) return nullptr;
  size_t row = static_cast<size_t>(RowBytes());
  for (int32_t y = 0; y < height; ++y) std::memcpy(p->PixelPtr(0, y), PixelPtr(0, y), row);
  return p;
}

void TPixmap::Paste(const TPixmapPtr& source, int32_t x, int32_t y) {
  if (!source) return;
  int32_t sx = std::max(0, -x), sy = std::max(0, -y);
  int64_t right = std::min<int64_t>(source->width, static_cast<int64_t>(width) - x);
  int64_t bottom = std::min<int64_t>(source->height, static_cast<int64_t>(height) - y);
  if (right <= sx || bottom <= sy) return;
  int32_t n = static_cast<int32_t>(right - sx);
  for (int32_t row = sy; row < bottom; ++row)
    ConvertPixels(source->PixelPtr(sx, row), source->format, PixelPtr(x + sx, y + row), format, n);
}

TPixmapPtr TPixmap::Convert(int32_t to) {
  TPixmapPtr p = Create(width, height, to, 4);
  if (!p) return nullptr;
  for (int32_t y = 0; y < height; ++y) ConvertPixels(PixelPtr(0, y), format, p->PixelPtr(0, y), to, width);
  return p;
}

uint32_t TPixmap::ReadPixel(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const uint8_t* p = PixelPtr(x, y);
  auto argb = [](uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; };
  switch (format) {
    case Grey8: return argb(255, p[0], p[0], p[0]);
    case WhiteAlpha8: return argb(p[0], 255, 255, 255);
    case BGR24: return argb(255, p[2], p[1], p[0]);
    case RGB24: return argb(255, p[0], p[1], p[2]);
    case BGRA32: return argb(p[3], p[2], p[1], p[0]);
    case RGBA32: return argb(p[3], p[0], p[1], p[2]);
    default: return 0;
  }
}

void TPixmap::WritePixel(int32_t x, int32_t y, uint32_t argb) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  uint8_t* p = PixelPtr(x, y);
  uint8_t a = argb >> 24, r = argb >> 16, g = argb >> 8, b = argb;
  switch (format) {
    case Grey8: p[0] = static_cast<uint8_t>((r + g + b) / 3); break;
    case WhiteAlpha8: p[0] = a; break;
    case BGR24: p[0] = b, p[1] = g, p[2] = r; break;
    case RGB24: p[0] = r, p[1] = g, p[2] = b; break;
    case BGRA32: p[0] = b, p[1] = g, p[2] = r, p[3] = a; break;
    case RGBA32: p[0] = r, p[1] = g, p[2] = b, p[3] = a; break;
    default: break;
  }
}

void TPixmap::ClearPixels(uint32_t argb) {
  if (width <= 0 || height <= 0) return;
  size_t row = static_cast<size_t>(RowBytes());
  if (argb == 0 && pitch == RowBytes()) {
    std::memset(pixels, 0, row * height);
    return;
  }
  if (argb == 0) {
    for (int32_t y = 0; y < height; ++y) std::memset(PixelPtr(0, y), 0, row);
    return;
  }
  if (format > RGBA32) return;
  // One row is filled pixel by pixel, the others are copies of it.
  for (int32_t x = 0; x < width; ++x) WritePixel(x, 0, argb);
  for (int32_t y = 1; y < height; ++y) std::memcpy(PixelPtr(0, y), PixelPtr(0, 0), row);
}

TPixmapPtr MaskColourToAlpha(const TPixmapPtr& pixmap, int32_t red, int32_t green, int32_t blue) {
  if (!pixmap) return nullptr;
  TPixmapPtr src = pixmap->format == RGBA32 ? pixmap : pixmap->Convert(RGBA32);
  if (!src) return nullptr;
  const int32_t w = src->width, h = src->height;
  TPixmapPtr out = TPixmap::Create(w, h, RGBA32, 4);
  if (!out) return nullptr;
  auto masked = [&](int32_t x, int32_t y) {
    const uint8_t* p = src->PixelPtr(x, y);
    return p[0] == red && p[1] == green && p[2] == blue;
  };
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t* s = src->PixelPtr(x, y);
      uint8_t* d = out->PixelPtr(x, y);
      if (!masked(x, y)) {
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
        continue;
      }
      int32_t r = 0, g = 0, b = 0, count = 0;
      for (int32_t ny = std::max(0, y - 1); ny <= std::min(h - 1, y + 1); ++ny) {
        for (int32_t nx = std::max(0, x - 1); nx <= std::min(w - 1, x + 1); ++nx) {
          if (masked(nx, ny)) continue;
          const uint8_t* q = src->PixelPtr(nx, ny);
          r += q[0], g += q[1], b += q[2], ++count;
        }
      }
      if (count) r /= count, g /= count, b /= count;
      d[0] = static_cast<uint8_t>(r), d[1] = static_cast<uint8_t>(g), d[2] = static_cast<uint8_t>(b), d[3] = 0;
    }
  }
  return out;
}

TPixmapPtr FlipPixmapX(const TPixmapPtr& pixmap) {
  if (!pixmap) return nullptr;
  TPixmapPtr out = TPixmap::Create(pixmap->width, pixmap->height, pixmap->format, 4);
  if (!out) return nullptr;
  const int32_t bpp = BytesPerPixel[pixmap->format], w = pixmap->width;
  for (int32_t y = 0; y < pixmap->height; ++y) {
    const uint8_t* s = pixmap->PixelPtr(0, y);
    uint8_t* d = out->PixelPtr(0, y);
    for (int32_t x = 0; x < w; ++x) std::memcpy(d + (w - 1 - x) * bpp, s + x * bpp, bpp);
  }
  return out;
}

TPixmapPtr FlipPixmapY(const TPixmapPtr& pixmap) {
  if (!pixmap) return nullptr;
  TPixmapPtr out = TPixmap::Create(pixmap->width, pixmap->height, pixmap->format, 4);
  if (!out) return nullptr;
  const size_t row = static_cast<size_t>(pixmap->RowBytes());
  for (int32_t y = 0; y < pixmap->height; ++y)
    std::memcpy(out->PixelPtr(0, pixmap->height - 1 - y), pixmap->PixelPtr(0, y), row);
  return out;
}

namespace {

// Where one output row or column samples its source: two source indexes and the weight of
// the second, with the edge rule (outside the inner span, the edge line with weight 0).
struct Tap {
  int32_t i0, i1;
  float f;
};

std::vector<Tap> Taps(int32_t src, int32_t dst) {
  std::vector<Tap> taps(dst);
  const float step = static_cast<float>(src) / static_cast<float>(dst);
  for (int32_t i = 0; i < dst; ++i) {
    float s = (static_cast<float>(i) + 0.5f) * step - 0.5f;
    float fl = std::floor(s);
    if (fl < 0) {
      taps[i] = {0, 0, 0.0f};
    } else if (fl >= static_cast<float>(src - 1)) {
      taps[i] = {src - 1, src - 1, 0.0f};
    } else {
      int32_t i0 = static_cast<int32_t>(fl);
      taps[i] = {i0, i0 + 1, s - fl};
    }
  }
  return taps;
}

}  // namespace

TPixmapPtr ScalePixmap(const TPixmapPtr& pixmap, int32_t width, int32_t height) {
  if (!pixmap) return nullptr;
  TPixmapPtr out = TPixmap::Create(width, height, pixmap->format, 4);
  if (!out || width == 0 || height == 0) return out;
  if (pixmap->width <= 0 || pixmap->height <= 0) {
    out->ClearPixels(0);
    return out;
  }
  TPixmapPtr src = pixmap->format == RGBA32 ? pixmap : pixmap->Convert(RGBA32);
  if (!src) return nullptr;
  const std::vector<Tap> cols = Taps(src->width, width), rows = Taps(src->height, height);
  std::vector<uint8_t> line(static_cast<size_t>(width) * 4);
  for (int32_t i = 0; i < height; ++i) {
    const Tap& ty = rows[i];
    const uint8_t* r0 = src->PixelPtr(0, ty.i0);
    const uint8_t* r1 = src->PixelPtr(0, ty.i1);
    for (int32_t j = 0; j < width; ++j) {
      const Tap& tx = cols[j];
      for (int32_t c = 0; c < 4; ++c) {
        // a + (b - a) x f keeps equal neighbours exact, which a x (1 - f) + b x f does not.
        float a0 = r0[tx.i0 * 4 + c], b0 = r0[tx.i1 * 4 + c];
        float a1 = r1[tx.i0 * 4 + c], b1 = r1[tx.i1 * 4 + c];
        float top = a0 + (b0 - a0) * tx.f;
        float bottom = a1 + (b1 - a1) * tx.f;
        line[j * 4 + c] = static_cast<uint8_t>(top + (bottom - top) * ty.f);
      }
    }
    ConvertPixels(line.data(), RGBA32, out->PixelPtr(0, i), out->format, width);
  }
  return out;
}

TPixmapPtr CreatePixmap(int32_t width, int32_t height, int32_t format, int32_t align) {
  return TPixmap::Create(width, height, format, align);
}
TPixmapPtr CreateStaticPixmap(void* pixels, int32_t width, int32_t height, int32_t pitch, int32_t format) {
  return TPixmap::CreateStatic(pixels, width, height, pitch, format);
}
int32_t PixmapWidth(const TPixmapPtr& pixmap) { return pixmap->width; }
int32_t PixmapHeight(const TPixmapPtr& pixmap) { return pixmap->height; }
int32_t PixmapPitch(const TPixmapPtr& pixmap) { return pixmap->pitch; }
int32_t PixmapFormat(const TPixmapPtr& pixmap) { return pixmap->format; }
uint8_t* PixmapPixelPtr(const TPixmapPtr& pixmap, int32_t x, int32_t y) { return pixmap->PixelPtr(x, y); }
TPixmapPtr PixmapWindow(const TPixmapPtr& pixmap, int32_t x, int32_t y, int32_t w, int32_t h) {
  return pixmap->Window(x, y, w, h);
}
TPixmapPtr CopyPixmap(const TPixmapPtr& pixmap) { return pixmap->Copy(); }
TPixmapPtr ConvertPixmap(const TPixmapPtr& pixmap, int32_t format) { return pixmap->Convert(format); }
uint32_t ReadPixel(const TPixmapPtr& pixmap, int32_t x, int32_t y) { return pixmap->ReadPixel(x, y); }
void WritePixel(const TPixmapPtr& pixmap, int32_t x, int32_t y, uint32_t argb) { pixmap->WritePixel(x, y, argb); }
void ClearPixmap(const TPixmapPtr& pixmap, uint32_t argb) { pixmap->ClearPixels(argb); }

void TPixmapDataType::Write(TStream& stream, const TPixmapPtr& pixmap) {
  stream.WriteInt(pixmap->width);
  stream.WriteInt(pixmap->height);
  stream.WriteInt(pixmap->format);
  for (int32_t y = 0; y < pixmap->height; ++y) stream.WriteBytes(pixmap->PixelPtr(0, y), pixmap->RowBytes());
}

TPixmapPtr TPixmapDataType::Read(TStream& stream) {
  uint8_t header[12];
  if (ReadUpTo(stream, header, 12) != 12) return nullptr;
  const int32_t width = LoadLe32(header), height = LoadLe32(header + 4), format = LoadLe32(header + 8);
  if (!ValidPixmapFormat(format)) return nullptr;
  const int64_t left = BytesLeft(stream);
  if (left >= 0 && static_cast<int64_t>(width) * BytesPerPixel[format] * height > left) return nullptr;
  TPixmapPtr p = TPixmap::Create(width, height, format, 4);
  if (!p) return nullptr;
  for (int32_t y = 0; y < height; ++y)
    if (ReadUpTo(stream, p->PixelPtr(0, y), p->RowBytes()) != p->RowBytes()) return nullptr;
  return p;
}
