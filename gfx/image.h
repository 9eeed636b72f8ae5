// Images: pictures of equal-size frames that keep their pixels as pixmaps and make their
// driver frames (textures) lazily, again after every new OpenGraphics; and the image
// collision tests over the layers of collision.h. Builds on pixmap.h and draw2d.h.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/collision.h"
#include "gfx/draw2d.h"
#include "gfx/pixmap.h"
#include "stream/stream.h"

// Image flags; -1 stands for the module's default flags wherever flags are asked for.
inline constexpr int32_t ImageMasked = 1;     // pixels of the mask colour become transparent
inline constexpr int32_t ImageFiltered = 2;   // linear filtering when scaled or rotated
inline constexpr int32_t ImageMipmapped = 4;  // mipmapped texture
inline constexpr int32_t ImageDynamic = 8;    // pixels written at run time; NewImage adds it

class TImage;
using TImagePtr = std::shared_ptr<TImage>;
struct TCollisionMask;

class TImage {
 public:
  int32_t width = 0, height = 0;  // frame size
  int32_t flags = 0;
  int32_t mask_r = 0, mask_g = 0, mask_b = 0;
  float handle_x = 0.0f, handle_y = 0.0f;  // from the frame's top-left corner
  std::vector<TPixmapPtr> pixmaps;         // null until set or locked
  std::vector<TImageFramePtr> frames;      // null until drawn
  std::vector<int32_t> seqs;               // GraphicsSeq of each frame; 0 = none built
  // Coverage bits of each frame for ImagesOverlap, made on first use and stale, like the
  // driver frame, after SetPixmap or Lock for writing.
  std::vector<std::shared_ptr<TCollisionMask>> _masks;

  virtual ~TImage() = default;

  // The driver frame, rebuilt from the pixmap when GraphicsSeq has moved on; null without a
  // 2D driver or when the driver makes none.
  virtual TImageFramePtr Frame(int32_t index);
  // The frame's pixmap, made (RGBA32, transparent) if there is none; writing throws the
  // driver frame away so the next draw shows the new pixels.
  virtual TPixmapPtr Lock(int32_t index, int32_t read, int32_t write);
  // Masks a pixmap without alpha with the image's mask colour when ImageMasked is set.
  virtual void SetPixmap(int32_t index, const TPixmapPtr& pixmap);

  int32_t FrameCount() const { return static_cast<int32_t>(pixmaps.size()); }
  bool ValidFrame(int32_t index) const { return index >= 0 && index < FrameCount(); }

  // Null for a negative size or frame count, or a side above MaxPixmapSide.
  static TImagePtr Create(int32_t width, int32_t height, int32_t frames, int32_t flags,
                          int32_t mask_r, int32_t mask_g, int32_t mask_b);
  // One frame holding the picture; null when no pixmap results.
  static TImagePtr Load(const TPixmapPtr& pixmap, int32_t flags, int32_t mask_r,
                        int32_t mask_g, int32_t mask_b);
  static TImagePtr Load(const TUrl& url, int32_t flags, int32_t mask_r, int32_t mask_g,
                        int32_t mask_b);
  // `count` cells from `first` in reading order; null when the picture holds fewer cells
  // or a cell size is not positive.
  static TImagePtr LoadAnim(const TPixmapPtr& pixmap, int32_t cell_width, int32_t cell_height,
                            int32_t first, int32_t count, int32_t flags, int32_t mask_r,
                            int32_t mask_g, int32_t mask_b);
  static TImagePtr LoadAnim(const TUrl& url, int32_t cell_width, int32_t cell_height,
                            int32_t first, int32_t count, int32_t flags, int32_t mask_r,
                            int32_t mask_g, int32_t mask_b);
};

// Module state for images made from now on.
void SetDefaultImageFlags(int32_t flags);  // -1 leaves the default (3 at start) unchanged
int32_t DefaultImageFlags();
void SetAutoCentreHandle(int32_t flag);
int32_t AutoCentreHandle();
void SetImageMaskColor(int32_t red, int32_t green, int32_t blue);  // black at start
void GetImageMaskColor(int32_t& red, int32_t& green, int32_t& blue);

// Making images; flags -1 means the default flags. Each centres the handle when auto-centre is on.
TImagePtr NewImage(int32_t width, int32_t height, int32_t frames = 1, int32_t flags = -1);
TImagePtr OpenImage(const TUrl& url, int32_t flags = -1);
TImagePtr OpenImage(const TPixmapPtr& pixmap, int32_t flags = -1);
TImagePtr OpenImageStrip(const TUrl& url, int32_t cell_width, int32_t cell_height,
                         int32_t first, int32_t count, int32_t flags = -1);
TImagePtr OpenImageStrip(const TPixmapPtr& pixmap, int32_t cell_width, int32_t cell_height,
                         int32_t first, int32_t count, int32_t flags = -1);
TImagePtr LoadAnim(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first,
                   int32_t count, int32_t flags = -1);

// Drawing at (x, y) plus the origin, about the image's own handle; rotation and scale apply.
void DrawImageFrame(const TImagePtr& image, float x, float y, int32_t frame = 0);
void DrawImageStretched(const TImagePtr& image, float x, float y, float w, float h,
                        int32_t frame = 0);  // the handle is not scaled
// Repeats the frame unscaled and unrotated over the whole viewport.
void TileImageFrame(const TImagePtr& image, float x, float y, int32_t frame = 0);
// Copies the screen rectangle at (x, y) of the image's size into the frame, masked with the
// module's mask colour when the image has ImageMasked.
void GrabImageFrame(const TImagePtr& image, int32_t x, int32_t y, int32_t frame = 0);

void CentreImageHandle(const TImagePtr& image);
void SetImageHandlePoint(const TImagePtr& image, float x, float y);
int32_t ImageWidth(const TImagePtr& image);
int32_t ImageHeight(const TImagePtr& image);
// Write the pixels before the frame is next drawn or tested: that is when the driver frame and
// the collision bits are taken from them again.
TPixmapPtr LockImageFrame(const TImagePtr& image, int32_t frame, int32_t read = 1,
                          int32_t write = 1);
void UnlockImageFrame(const TImagePtr& image, int32_t frame);

// Collision through the layers, with the current origin and matrix. The ids of the quads hit.
std::vector<std::shared_ptr<void>> CollideImageLayer(const TImagePtr& image, float x, float y,
                                                     int32_t frame, int32_t collide_mask,
                                                     int32_t write_mask,
                                                     std::shared_ptr<void> id = nullptr);
std::vector<std::shared_ptr<void>> CollideRectLayer(float x, float y, float width, float height,
                                                    int32_t collide_mask, int32_t write_mask,
                                                    std::shared_ptr<void> id = nullptr);
// 1 when the frames share a covered pixel, else 0; uses (and clears) layer 31.
int32_t ImagesOverlap(const TImagePtr& image1, float x1, float y1, int32_t frame1,
                      const TImagePtr& image2, float x2, float y2, int32_t frame2);
// As ImagesOverlap, each image with its own rotation and scale instead of the current ones.
int32_t TransformedImagesOverlap(const TImagePtr& image1, float x1, float y1, int32_t frame1,
                                 float rotation1, float scale_x1, float scale_y1,
                                 const TImagePtr& image2, float x2, float y2, int32_t frame2,
                                 float rotation2, float scale_x2, float scale_y2);
