// Pixmaps: rectangles of pixels in main memory in twelve byte layouts, their conversions,
// flips, masking and scaling, and the chain of picture loaders (TGA, PNG, JPEG, BMP) that
// decode files and embedded resources into them. Builds on the stream layer only; no GPU.
#pragma once

#include <cstdint>
#include <memory>

#include "stream/stream.h"

// Pixel formats; ARGB values carry alpha in bits 24-31, red 16-23, green 8-15, blue 0-7.
inline constexpr int32_t Grey8 = 1;        // grey
inline constexpr int32_t WhiteAlpha8 = 2;  // alpha over white
inline constexpr int32_t BGR24 = 3;
inline constexpr int32_t RGB24 = 4;
inline constexpr int32_t BGRA32 = 5;
inline constexpr int32_t RGBA32 = 6;  // the hub of every conversion
inline constexpr int32_t Red8 = 7;
inline constexpr int32_t Green8 = 8;
inline constexpr int32_t Blue8 = 9;
inline constexpr int32_t BlackAlpha8 = 10;  // alpha over black
inline constexpr int32_t Intensity8 = 11;   // one value for all four channels
inline constexpr int32_t Luminance8 = 12;   // grey

// Indexed by format number; entry 0 (no format) is 0.
inline constexpr int32_t BytesPerPixel[13] = {0, 1, 1, 3, 3, 4, 4, 1, 1, 1, 1, 1, 1};
inline constexpr int32_t AlphaBitsPerPixel[13] = {0, 0, 8, 0, 0, 8, 8, 0, 0, 0, 8, 0, 0};

// Pictures larger than this in either direction are refused by Create and every loader.
inline constexpr int32_t MaxPixmapSide = 16384;

inline bool ValidPixmapFormat(int32_t format) { return format >= 1 && format <= 12; }

class TPixmap;
using TPixmapPtr = std::shared_ptr<TPixmap>;

class TPixmap : public std::enable_shared_from_this<TPixmap> {
 public:
  uint8_t* pixels = nullptr;  // first byte of row 0
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;     // bytes from one row to the next
  int32_t format = 0;    // 1..12
  int32_t capacity = 0;  // bytes owned; -1 when the memory belongs to someone else
  std::shared_ptr<void> _source;  // kept alive as long as this pixmap (a window's parent)

  virtual ~TPixmap();

  virtual const char16_t* DataType() const;
  virtual uint8_t* PixelPtr(int32_t x, int32_t y);  // no bounds check
  // A static pixmap over the rectangle; null unless it lies inside this pixmap.
  virtual TPixmapPtr Window(int32_t x, int32_t y, int32_t w, int32_t h);
  virtual TPixmapPtr Copy();
  // Converts the source's rows into this pixmap at (x, y); parts that fall outside are left out.
  virtual void Paste(const TPixmapPtr& source, int32_t x, int32_t y);
  virtual TPixmapPtr Convert(int32_t format);
  virtual uint32_t ReadPixel(int32_t x, int32_t y);  // ARGB; formats 1..6, else 0; 0 outside
  virtual void WritePixel(int32_t x, int32_t y, uint32_t argb);  // formats 1..6; ignored outside

  // pitch = width x bytes-per-pixel rounded up to a multiple of align; the buffer is not
  // cleared. Null for a bad format or align, a side outside 1..MaxPixmapSide (0 is allowed
  // and gives an empty pixmap), a size that overflows 32 bits or memory that cannot be had.
  static TPixmapPtr Create(int32_t width, int32_t height, int32_t format, int32_t align = 4);
  // Over memory owned by someone else (capacity -1); it is never freed here.
  static TPixmapPtr CreateStatic(void* pixels, int32_t width, int32_t height, int32_t pitch,
                                 int32_t format);

  virtual void ClearPixels(uint32_t argb);

  int32_t RowBytes() const { return width * BytesPerPixel[format]; }

 private:
  uint8_t* _owned = nullptr;
};

// Stores a pixmap in a stream as width, height and format (32-bit integers) followed by the
// rows (width x bytes-per-pixel bytes each), and reads it back with rows padded to 4 bytes.
class TPixmapDataType {
 public:
  static void Write(TStream& stream, const TPixmapPtr& pixmap);
  // Null for a bad header or data cut short.
  static TPixmapPtr Read(TStream& stream);
};

// Converts n pixels from format `from` to format `to`, through RGBA32 when neither is it.
void ConvertPixels(const uint8_t* src, int32_t from, uint8_t* dst, int32_t to, int32_t n);

// A new RGBA32 pixmap where the mask colour is transparent and takes the average colour of
// its unmasked 3 x 3 neighbours (black if none); every other pixel is opaque.
TPixmapPtr MaskColourToAlpha(const TPixmapPtr& pixmap, int32_t red, int32_t green, int32_t blue);
TPixmapPtr FlipPixmapX(const TPixmapPtr& pixmap);  // mirrored left-right
TPixmapPtr FlipPixmapY(const TPixmapPtr& pixmap);  // mirrored top-bottom
TPixmapPtr ScalePixmap(const TPixmapPtr& pixmap, int32_t width, int32_t height);  // bilinear

// Global forwards.
TPixmapPtr CreatePixmap(int32_t width, int32_t height, int32_t format, int32_t align = 4);
TPixmapPtr CreateStaticPixmap(void* pixels, int32_t width, int32_t height, int32_t pitch,
                              int32_t format);
int32_t PixmapWidth(const TPixmapPtr& pixmap);
int32_t PixmapHeight(const TPixmapPtr& pixmap);
int32_t PixmapPitch(const TPixmapPtr& pixmap);
int32_t PixmapFormat(const TPixmapPtr& pixmap);
uint8_t* PixmapPixelPtr(const TPixmapPtr& pixmap, int32_t x = 0, int32_t y = 0);
TPixmapPtr PixmapWindow(const TPixmapPtr& pixmap, int32_t x, int32_t y, int32_t w, int32_t h);
TPixmapPtr CopyPixmap(const TPixmapPtr& pixmap);
TPixmapPtr ConvertPixmap(const TPixmapPtr& pixmap, int32_t format);
uint32_t ReadPixel(const TPixmapPtr& pixmap, int32_t x, int32_t y);
void WritePixel(const TPixmapPtr& pixmap, int32_t x, int32_t y, uint32_t argb);
void ClearPixmap(const TPixmapPtr& pixmap, uint32_t argb);

// A link of the loader chain. Creating one (through New) puts it at the head of the chain.
// LoadPixmap answers null for a picture it does not take or cannot decode.
class TPixmapLoader {
 public:
  virtual ~TPixmapLoader() = default;
  virtual TPixmapPtr LoadPixmap(const TStreamPtr& stream) = 0;
  std::shared_ptr<TPixmapLoader> _succ;
};
using TPixmapLoaderPtr = std::shared_ptr<TPixmapLoader>;

void AddPixmapLoader(TPixmapLoaderPtr loader);  // at the head; null or already there: refused
// The head of the chain; the first call creates the four loaders (BMP, JPEG, PNG, TGA, so
// they are asked TGA, PNG, JPEG, BMP).
TPixmapLoaderPtr PixmapLoaders();

// The built-in loaders, for direct use and for tests.
TPixmapLoaderPtr CreatePngLoader();
TPixmapLoaderPtr CreateJpegLoader();
TPixmapLoaderPtr CreateBmpLoader();
TPixmapLoaderPtr CreateTgaLoader();

// Offers the stream to each loader in turn, seeking back to where it started before each.
// Stream exceptions count as rejections; other exceptions pass on. Null when no loader takes it.
TPixmapPtr LoadPixmap(const TStreamPtr& stream);
// Opens the URL (a path, "incbin::name", or a stream) and decodes it; null if it cannot be
// opened or sought, or no loader takes it.
TPixmapPtr LoadPixmapUrl(const TUrl& url);
