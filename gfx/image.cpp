#include "gfx/image.h"

#include <cassert>
#include <cmath>
#include <typeinfo>

#include "gfx/collision_internal.h"

namespace {

int32_t default_flags = ImageMasked | ImageFiltered;
int32_t auto_centre = 0;
int32_t mask_red = 0, mask_green = 0, mask_blue = 0;

constexpr int32_t kOverlapLayerIndex = 31;
constexpr int32_t kOverlapLayer = static_cast<int32_t>(1u << kOverlapLayerIndex);

uint64_t box_answers = 0;

int32_t Flags(int32_t flags) { return flags == -1 ? default_flags : flags; }

TImagePtr Centred(TImagePtr image) {
  if (image && auto_centre) CentreImageHandle(image);
  return image;
}

struct Matrix {
  float ix = 1.0f, iy = 0.0f, jx = 0.0f, jy = 1.0f;
};

// The same matrix the drawing state makes from a rotation in degrees and a scale.
Matrix MakeMatrix(float degrees, float scale_x, float scale_y) {
  const double radians = static_cast<double>(degrees) * 3.14159265358979323846 / 180.0;
  const double s = std::sin(radians), c = std::cos(radians);
  return {static_cast<float>(c * scale_x), static_cast<float>(-s * scale_y),
          static_cast<float>(s * scale_x), static_cast<float>(c * scale_y)};
}

Matrix CurrentMatrix() {
  const TCollisionTransform& t = CollisionTransform();
  return {t.ix, t.iy, t.jx, t.jy};
}

// 0, 0 without a current context.
void CurrentOrigin(float& ox, float& oy) { GetDrawOrigin(ox, oy); }

// The corners of the local box (hx, hy)-(hx + w, hy + h) placed at (x, y) plus the origin.
TQuadCorners Place(float x, float y, float hx, float hy, float w, float h, const Matrix& m,
                   float ox, float oy) {
  const float px = x + ox, py = y + oy;
  auto cx = [&](float a, float b) { return px + a * m.ix + b * m.iy; };
  auto cy = [&](float a, float b) { return py + a * m.jx + b * m.jy; };
  return {{cx(hx, hy), cy(hx, hy), cx(hx + w, hy), cy(hx + w, hy), cx(hx + w, hy + h),
           cy(hx + w, hy + h), cx(hx, hy + h), cy(hx, hy + h)}};
}

void SetQuad(TQuad& q, const TQuadCorners& k) {
  q.SetCoords(k.xy[0], k.xy[1], k.xy[2], k.xy[3], k.xy[4], k.xy[5], k.xy[6], k.xy[7]);
}

void PlaceQuad(TQuad& q, float x, float y, float hx, float hy, float w, float h,
               const Matrix& m) {
  float ox, oy;
  CurrentOrigin(ox, oy);
  SetQuad(q, Place(x, y, hx, hy, w, h, m, ox, oy));
}

bool HasAlpha(const TPixmapPtr& p) {
  return p && ValidPixmapFormat(p->format) && AlphaBitsPerPixel[p->format] > 0;
}

// A frame's corners, and its pixmap as Lock(frame, 1, 0) answers it, in `locked` or, for a
// plain TImage whose frame has one, where the image keeps it: with game threads running every
// copy of a reference is an atomic count, and the overlap test runs hundreds of times a frame.
const TPixmapPtr* FramePlace(const TImagePtr& image, float x, float y, int32_t frame,
                             const Matrix& m, float ox, float oy, TQuadCorners& corners,
                             TPixmapPtr& locked) {
  assert(image && image->ValidFrame(frame) && "frame index outside the image's frames");
  if (!image || !image->ValidFrame(frame)) return nullptr;
  corners = Place(x, y, -image->handle_x, -image->handle_y, static_cast<float>(image->width),
                  static_cast<float>(image->height), m, ox, oy);
  if (typeid(*image) == typeid(TImage) && image->pixmaps[frame]) return &image->pixmaps[frame];
  locked = image->Lock(frame, 1, 0);
  return &locked;
}

bool ImageQuad(TQuad& q, const TImagePtr& image, float x, float y, int32_t frame,
               const Matrix& m) {
  assert(image && image->ValidFrame(frame) && "frame index outside the image's frames");
  if (!image || !image->ValidFrame(frame)) return false;
  PlaceQuad(q, x, y, -image->handle_x, -image->handle_y, static_cast<float>(image->width),
            static_cast<float>(image->height), m);
  TPixmapPtr p = image->Lock(frame, 1, 0);
  if (HasAlpha(p)) q.mask = std::move(p);
  q.frame = frame;
  return true;
}

void InvalidateMask(TImage& image, int32_t index) {
  if (static_cast<size_t>(index) < image._masks.size() && image._masks[index])
    image._masks[index]->Invalidate();
}

// The coverage bits of a frame whose quad has `mask`, rebuilt when the frame's pixmap has been
// written or replaced since.
const TCollisionMask& FrameMask(TImage& image, int32_t frame, const TPixmapPtr& mask) {
  static const TCollisionMask solid;
  if (!mask) return solid;
  if (image._masks.size() < image.pixmaps.size()) image._masks.resize(image.pixmaps.size());
  std::shared_ptr<TCollisionMask>& m = image._masks[frame];
  if (!m) m = std::make_shared<TCollisionMask>();
  if (!m->Fresh(mask.get())) m->Build(mask);
  return *m;
}

// The layer test's answer and the state it leaves layer 31 in; upright unscaled frames are
// answered from their bits instead of a scan.
int32_t OverlapWith(const TImagePtr& image1, float x1, float y1, int32_t frame1,
                    const Matrix& m1, const TImagePtr& image2, float x2, float y2,
                    int32_t frame2, const Matrix& m2) {
  float ox, oy;
  CurrentOrigin(ox, oy);
  TQuadCorners ka, kb;
  TPixmapPtr locked1, locked2;
  const TPixmapPtr* p1 = FramePlace(image1, x1, y1, frame1, m1, ox, oy, ka, locked1);
  const TPixmapPtr* p2 = p1 ? FramePlace(image2, x2, y2, frame2, m2, ox, oy, kb, locked2) : nullptr;
  if (!p2) {
    ClearCollisionLayers(kOverlapLayer);
    return 0;
  }
  static const TPixmapPtr solid;
  const TPixmapPtr& ma = HasAlpha(*p1) ? *p1 : solid;
  const TPixmapPtr& mb = HasAlpha(*p2) ? *p2 : solid;
  SetCollisionLayer(kOverlapLayerIndex, ka, ma, frame1);
  const int32_t box =
      BoxQuadsOverlap(ka, FrameMask(*image1, frame1, ma), kb, FrameMask(*image2, frame2, mb));
  if (box >= 0) {
    ++box_answers;
    return box;
  }
  TQuad a, b;
  SetQuad(a, ka), SetQuad(b, kb);
  a.mask = ma, b.mask = mb;
  return QuadsOverlap(a, b) ? 1 : 0;
}

TPixmapPtr PixmapOf(const TUrl& url) { return LoadPixmapUrl(url); }

}  // namespace

TImagePtr TImage::Create(int32_t width, int32_t height, int32_t frames, int32_t flags,
                         int32_t mask_r, int32_t mask_g, int32_t mask_b) {
  if (width < 0 || height < 0 || frames < 0 || width > MaxPixmapSide || height > MaxPixmapSide)
    return nullptr;
  auto image = std::make_shared<TImage>();
  image->width = width;
  image->height = height;
  image->flags = flags;
  image->mask_r = mask_r;
  image->mask_g = mask_g;
  image->mask_b = mask_b;
  image->pixmaps.resize(frames);
  image->frames.resize(frames);
  image->seqs.assign(frames, 0);
  return image;
}

TImagePtr TImage::Load(const TPixmapPtr& pixmap, int32_t flags, int32_t mask_r, int32_t mask_g,
                       int32_t mask_b) {
  if (!pixmap) return nullptr;
  TImagePtr image = Create(pixmap->width, pixmap->height, 1, flags, mask_r, mask_g, mask_b);
  if (image) image->SetPixmap(0, pixmap);
  return image;
}

TImagePtr TImage::Load(const TUrl& url, int32_t flags, int32_t mask_r, int32_t mask_g,
                       int32_t mask_b) {
  return Load(PixmapOf(url), flags, mask_r, mask_g, mask_b);
}

TImagePtr TImage::LoadAnim(const TPixmapPtr& pixmap, int32_t cell_width, int32_t cell_height,
                           int32_t first, int32_t count, int32_t flags, int32_t mask_r,
                           int32_t mask_g, int32_t mask_b) {
  if (!pixmap || cell_width <= 0 || cell_height <= 0 || first < 0 || count < 1) return nullptr;
  const int32_t columns = pixmap->width / cell_width;
  const int32_t rows = pixmap->height / cell_height;
  if (static_cast<int64_t>(columns) * rows < static_cast<int64_t>(first) + count) return nullptr;
  TImagePtr image = Create(cell_width, cell_height, count, flags, mask_r, mask_g, mask_b);
  if (!image) return nullptr;
  for (int32_t i = first; i < first + count; ++i) {
    TPixmapPtr cell = pixmap->Window(cell_width * (i % columns), cell_height * (i / columns),
                                     cell_width, cell_height);
    image->SetPixmap(i - first, cell ? cell->Copy() : nullptr);
  }
  return image;
}

TImagePtr TImage::LoadAnim(const TUrl& url, int32_t cell_width, int32_t cell_height,
                           int32_t first, int32_t count, int32_t flags, int32_t mask_r,
                           int32_t mask_g, int32_t mask_b) {
  if (cell_width <= 0 || cell_height <= 0) return nullptr;
  return LoadAnim(PixmapOf(url), cell_width, cell_height, first, count, flags, mask_r, mask_g,
                  mask_b);
}

TImageFramePtr TImage::Frame(int32_t index) {
  assert(ValidFrame(index) && "frame index outside the image's frames");
  if (!ValidFrame(index)) return nullptr;
  const int32_t seq = GraphicsSeq();
  if (seqs[index] == seq) return frames[index];
  TDraw2DDriver* driver = CurrentDraw2DDriver();
  if (!driver) return nullptr;
  TPixmapPtr pixmap = Lock(index, 1, 0);
  frames[index] = pixmap ? driver->CreateFrameFromPixmap(pixmap, flags) : nullptr;
  seqs[index] = frames[index] ? seq : 0;
  return frames[index];
}

TPixmapPtr TImage::Lock(int32_t index, int32_t /*read*/, int32_t write) {
  assert(ValidFrame(index) && "frame index outside the image's frames");
  if (!ValidFrame(index)) return nullptr;
  if (write) {
    seqs[index] = 0;
    frames[index] = nullptr;
    InvalidateMask(*this, index);
  }
  if (!pixmaps[index]) {
    pixmaps[index] = TPixmap::Create(width, height, RGBA32, 4);
    // A frame nobody has written yet shows nothing and collides with nothing.
    if (pixmaps[index]) pixmaps[index]->ClearPixels(0);
  }
  return pixmaps[index];
}

void TImage::SetPixmap(int32_t index, const TPixmapPtr& pixmap) {
  assert(ValidFrame(index) && "frame index outside the image's frames");
  if (!ValidFrame(index)) return;
  TPixmapPtr p = pixmap;
  if (p && (flags & ImageMasked) && ValidPixmapFormat(p->format) &&
      AlphaBitsPerPixel[p->format] == 0)
    p = MaskColourToAlpha(p, mask_r, mask_g, mask_b);
  pixmaps[index] = p;
  seqs[index] = 0;
  frames[index] = nullptr;
  InvalidateMask(*this, index);
}

void SetDefaultImageFlags(int32_t flags) {
  if (flags != -1) default_flags = flags;
}
int32_t DefaultImageFlags() { return default_flags; }
void SetAutoCentreHandle(int32_t flag) { auto_centre = flag; }
int32_t AutoCentreHandle() { return auto_centre; }

void SetImageMaskColor(int32_t red, int32_t green, int32_t blue) {
  mask_red = red, mask_green = green, mask_blue = blue;
}

void GetImageMaskColor(int32_t& red, int32_t& green, int32_t& blue) {
  red = mask_red, green = mask_green, blue = mask_blue;
}

TImagePtr NewImage(int32_t width, int32_t height, int32_t frames, int32_t flags) {
  return Centred(TImage::Create(width, height, frames, Flags(flags) | ImageDynamic, mask_red,
                                mask_green, mask_blue));
}

TImagePtr OpenImage(const TUrl& url, int32_t flags) {
  return Centred(TImage::Load(url, Flags(flags), mask_red, mask_green, mask_blue));
}

TImagePtr OpenImage(const TPixmapPtr& pixmap, int32_t flags) {
  return Centred(TImage::Load(pixmap, Flags(flags), mask_red, mask_green, mask_blue));
}

TImagePtr OpenImageStrip(const TUrl& url, int32_t cell_width, int32_t cell_height,
                         int32_t first, int32_t count, int32_t flags) {
  return Centred(TImage::LoadAnim(url, cell_width, cell_height, first, count, Flags(flags),
                                  mask_red, mask_green, mask_blue));
}

TImagePtr OpenImageStrip(const TPixmapPtr& pixmap, int32_t cell_width, int32_t cell_height,
                         int32_t first, int32_t count, int32_t flags) {
  return Centred(TImage::LoadAnim(pixmap, cell_width, cell_height, first, count, Flags(flags),
                                  mask_red, mask_green, mask_blue));
}

TImagePtr LoadAnim(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first,
                   int32_t count, int32_t flags) {
  return OpenImageStrip(url, cell_width, cell_height, first, count, flags);
}

void DrawImageFrame(const TImagePtr& image, float x, float y, int32_t frame) {
  if (!image) return;
  DrawImageStretched(image, x, y, static_cast<float>(image->width),
                     static_cast<float>(image->height), frame);
}

void DrawImageStretched(const TImagePtr& image, float x, float y, float w, float h,
                        int32_t frame) {
  TDraw2DGraphicsPtr g = TDraw2DGraphics::Current();
  if (!image || !g) return;
  TImageFramePtr f = image->Frame(frame);
  if (!f) return;
  const float hx = -image->handle_x, hy = -image->handle_y;
  f->Draw(hx, hy, hx + w, hy + h, x + g->origin_x, y + g->origin_y);
}

void TileImageFrame(const TImagePtr& image, float x, float y, int32_t frame) {
  TDraw2DGraphicsPtr g = TDraw2DGraphics::Current();
  TDraw2DDriver* driver = CurrentDraw2DDriver();
  if (!image || !g || !driver || image->width <= 0 || image->height <= 0) return;
  TImageFramePtr f = image->Frame(frame);
  if (!f) return;
  const int32_t w = image->width, h = image->height;
  const float fx = x + g->origin_x - image->handle_x;
  const float fy = y + g->origin_y - image->handle_y;
  const double flx = std::floor(fx), fly = std::floor(fy);
  const float frac_x = static_cast<float>(fx - flx), frac_y = static_cast<float>(fy - fly);
  // The first tile lies at or left of (above) the viewport's edge, on the tiling grid.
  auto first = [](int64_t edge, double start, int32_t step) {
    const int64_t off = ((edge - static_cast<int64_t>(start)) % step + step) % step;
    return edge - off;
  };
  const int64_t col0 = first(g->viewport_x, flx, w);
  const int64_t row0 = first(g->viewport_y, fly, h);
  const int64_t right = static_cast<int64_t>(g->viewport_x) + g->viewport_w;
  const int64_t bottom = static_cast<int64_t>(g->viewport_y) + g->viewport_h;
  driver->SetTransform(1.0f, 0.0f, 0.0f, 1.0f);
  for (int64_t row = row0; row < bottom; row += h)
    for (int64_t col = col0; col < right; col += w)
      f->Draw(0.0f, 0.0f, static_cast<float>(w), static_cast<float>(h),
              static_cast<float>(col) + frac_x, static_cast<float>(row) + frac_y);
  driver->SetTransform(g->tform_ix, g->tform_iy, g->tform_jx, g->tform_jy);
}

void GrabImageFrame(const TImagePtr& image, int32_t x, int32_t y, int32_t frame) {
  assert(image && image->ValidFrame(frame) && "frame index outside the image's frames");
  if (!image || !image->ValidFrame(frame)) return;
  TPixmapPtr p = GrabScreenPixmap(x, y, image->width, image->height);
  if (!p) return;
  if (image->flags & ImageMasked) p = MaskColourToAlpha(p, mask_red, mask_green, mask_blue);
  image->SetPixmap(frame, p);
}

void CentreImageHandle(const TImagePtr& image) {
  if (!image) return;
  image->handle_x = static_cast<float>(image->width) * 0.5f;
  image->handle_y = static_cast<float>(image->height) * 0.5f;
}

void SetImageHandlePoint(const TImagePtr& image, float x, float y) {
  if (!image) return;
  image->handle_x = x;
  image->handle_y = y;
}

int32_t ImageWidth(const TImagePtr& image) { return image ? image->width : 0; }
int32_t ImageHeight(const TImagePtr& image) { return image ? image->height : 0; }

TPixmapPtr LockImageFrame(const TImagePtr& image, int32_t frame, int32_t read, int32_t write) {
  return image ? image->Lock(frame, read, write) : nullptr;
}

void UnlockImageFrame(const TImagePtr&, int32_t) {}

std::vector<std::shared_ptr<void>> CollideImageLayer(const TImagePtr& image, float x, float y,
                                                     int32_t frame, int32_t collide_mask,
                                                     int32_t write_mask,
                                                     std::shared_ptr<void> id) {
  TQuad q;
  if (!ImageQuad(q, image, x, y, frame, CurrentMatrix())) return {};
  q.id = std::move(id);
  return CollideQuadLayer(q, collide_mask, write_mask);
}

std::vector<std::shared_ptr<void>> CollideRectLayer(float x, float y, float width, float height,
                                                    int32_t collide_mask, int32_t write_mask,
                                                    std::shared_ptr<void> id) {
  TQuad q;
  PlaceQuad(q, x, y, 0.0f, 0.0f, width, height, CurrentMatrix());
  q.id = std::move(id);
  return CollideQuadLayer(q, collide_mask, write_mask);
}

int32_t ImagesOverlap(const TImagePtr& image1, float x1, float y1, int32_t frame1,
                      const TImagePtr& image2, float x2, float y2, int32_t frame2) {
  const Matrix m = CurrentMatrix();
  return OverlapWith(image1, x1, y1, frame1, m, image2, x2, y2, frame2, m);
}

int32_t TransformedImagesOverlap(const TImagePtr& image1, float x1, float y1, int32_t frame1,
                                 float rotation1, float scale_x1, float scale_y1,
                                 const TImagePtr& image2, float x2, float y2, int32_t frame2,
                                 float rotation2, float scale_x2, float scale_y2) {
  // The matrices are made here rather than through the drawing state, so the driver's
  // matrix is never touched and the test works without a context too.
  return OverlapWith(image1, x1, y1, frame1, MakeMatrix(rotation1, scale_x1, scale_y1), image2,
                     x2, y2, frame2, MakeMatrix(rotation2, scale_x2, scale_y2));
}

int32_t LayerImagesOverlap(const TImagePtr& image1, float x1, float y1, int32_t frame1,
                           const TImagePtr& image2, float x2, float y2, int32_t frame2) {
  const Matrix m = CurrentMatrix();
  ClearCollisionLayers(kOverlapLayer);
  TQuad a, b;
  if (!ImageQuad(a, image1, x1, y1, frame1, m) || !ImageQuad(b, image2, x2, y2, frame2, m))
    return 0;
  CollideQuadLayer(a, 0, kOverlapLayer);
  return CollideQuadLayer(b, kOverlapLayer, 0).empty() ? 0 : 1;
}

uint64_t BoxOverlapAnswers() { return box_answers; }
