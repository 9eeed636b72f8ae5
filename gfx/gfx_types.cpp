// The graphics layer's classes as reflection sees them; registered as the layer is loaded.
// Sizes and formats read only: they describe memory a write would not resize. The drawing
// state changes through its setters, which reach the driver; here it is read.
#include "gfx/draw2d.h"
#include "gfx/font.h"
#include "gfx/gles/gles_draw2d.h"
#include "gfx/gles/gles_graphics.h"
#include "gfx/image.h"
#include "gfx/loaders/font_freetype.h"
#include "gfx/opengl/gl_draw2d.h"
#include "gfx/opengl/gl_graphics.h"
#include "gfx/pixmap.h"
#include "stream/reflect.h"

void RegisterGfxTypes() {
  TTypeRegistration<TPixmap>(u"TPixmap")
      .Creator([] { return TPixmap::Create(0, 0, 6); })
      .ReadOnlyField(u"width", &TPixmap::width)
      .ReadOnlyField(u"height", &TPixmap::height)
      .ReadOnlyField(u"pitch", &TPixmap::pitch)
      .ReadOnlyField(u"format", &TPixmap::format);
  TTypeRegistration<TPixmapLoader>(u"TPixmapLoader");
  TTypeRegistration<TImage>(u"TImage")
      .Creator([] { return TImage::Create(0, 0, 1, DefaultImageFlags(), 0, 0, 0); })
      .ReadOnlyField(u"width", &TImage::width)
      .ReadOnlyField(u"height", &TImage::height)
      .ReadOnlyField(u"flags", &TImage::flags)
      .Property<int32_t>(u"frames", [](TImage& i) { return i.FrameCount(); })
      .Field(u"mask_r", &TImage::mask_r)
      .Field(u"mask_g", &TImage::mask_g)
      .Field(u"mask_b", &TImage::mask_b)
      .Field(u"handle_x", &TImage::handle_x)
      .Field(u"handle_y", &TImage::handle_y);
  TTypeRegistration<TImageFrame>(u"TImageFrame");
  TTypeRegistration<TGLImageFrame, TImageFrame>(u"TGLImageFrame");
  TTypeRegistration<TGLESImageFrame, TImageFrame>(u"TGLESImageFrame");
  TTypeRegistration<TGlyph>(u"TGlyph");
  TTypeRegistration<TImageGlyph, TGlyph>(u"TImageGlyph");
  TTypeRegistration<TFreeTypeGlyph, TGlyph>(u"TFreeTypeGlyph");
  TTypeRegistration<TFont>(u"TFont");
  TTypeRegistration<TFreeTypeFont, TFont>(u"TFreeTypeFont");
  TTypeRegistration<TFontLoader>(u"TFontLoader");
  TTypeRegistration<TFreeTypeFontLoader, TFontLoader>(u"TFreeTypeFontLoader");
  TTypeRegistration<TImageFont>(u"TImageFont")
      .Property<int32_t>(u"height", [](TImageFont& f) { return f.Height(); })
      .Property<int32_t>(u"glyphs", [](TImageFont& f) { return f.CountGlyphs(); });
  TTypeRegistration<TGraphics>(u"TGraphics");
  TTypeRegistration<TGLWindowGraphics, TGraphics>(u"TGLWindowGraphics");
  TTypeRegistration<TGLGraphics, TGLWindowGraphics>(u"TGLGraphics");
  TTypeRegistration<TGLESGraphics, TGLWindowGraphics>(u"TGLESGraphics");
  TTypeRegistration<TDraw2DGraphics, TGraphics>(u"TDraw2DGraphics")
      .ReadOnlyField(u"color_red", &TDraw2DGraphics::color_red)
      .ReadOnlyField(u"color_green", &TDraw2DGraphics::color_green)
      .ReadOnlyField(u"color_blue", &TDraw2DGraphics::color_blue)
      .ReadOnlyField(u"color_alpha", &TDraw2DGraphics::color_alpha)
      .ReadOnlyField(u"blend_mode", &TDraw2DGraphics::blend_mode)
      .ReadOnlyField(u"line_width", &TDraw2DGraphics::line_width)
      .ReadOnlyField(u"tform_rot", &TDraw2DGraphics::tform_rot)
      .ReadOnlyField(u"origin_x", &TDraw2DGraphics::origin_x)
      .ReadOnlyField(u"origin_y", &TDraw2DGraphics::origin_y);
  TTypeRegistration<TGraphicsDriver>(u"TGraphicsDriver")
      .Property<std::u16string>(u"name", [](TGraphicsDriver& d) { return d.ToString(); });
  TTypeRegistration<TGLGraphicsDriver, TGraphicsDriver>(u"TGLGraphicsDriver");
  TTypeRegistration<TGLESGraphicsDriver, TGraphicsDriver>(u"TGLESGraphicsDriver");
  TTypeRegistration<TDraw2DDriver, TGraphicsDriver>(u"TDraw2DDriver");
  TTypeRegistration<TGLDraw2DDriver, TDraw2DDriver>(u"TGLDraw2DDriver");
  TTypeRegistration<TGLESDraw2DDriver, TDraw2DDriver>(u"TGLESDraw2DDriver");
}
