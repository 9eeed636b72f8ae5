// Graphics contexts and the front end over them: a driver lists display modes and makes
// contexts, one context is current, OpenGraphics opens the application's main context and
// FlipGraphics presents it, paced to its refresh rate. Builds on the system layer (clock,
// hook chains, input polling); the OpenGL side lives in gl_graphics.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TStream;
class TPixmap;

// Graphics flags: what the pixel format of a new context must offer.
inline constexpr int32_t GraphicsBackBuffer = 2;     // double-buffered
inline constexpr int32_t GraphicsAlphaBuffer = 4;    // at least 1 alpha bit
inline constexpr int32_t GraphicsDepthBuffer = 8;    // at least 1 depth bit
inline constexpr int32_t GraphicsStencilBuffer = 16; // at least 1 stencil bit
inline constexpr int32_t GraphicsAccumBuffer = 32;   // at least 1 accumulation bit

// The caption of every window the graphics drivers make.
extern std::u16string ApplicationTitle;

class TGraphicsDriver;

// One window with a rendering context in it.
class TGraphics {
 public:
  virtual ~TGraphics() = default;
  virtual TGraphicsDriver* Driver() = 0;
  virtual void GetSettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hertz,
                           int32_t& flags) = 0;
  virtual void Close() = 0;  // releases the window; a second Close does nothing
};
using TGraphicsPtr = std::shared_ptr<TGraphics>;

struct TGraphicsMode {
  int32_t width = 0, height = 0, depth = 0, hertz = 0;
  std::u16string ToString() const;  // "640,480,32 60Hz"
};

class TGraphicsDriver {
 public:
  virtual ~TGraphicsDriver() = default;
  virtual std::vector<TGraphicsMode> GraphicsModes() = 0;
  // A context drawing into an existing native window, or null.
  virtual TGraphicsPtr AttachGraphics(const void* widget, int32_t flags) = 0;
  // Depth 0 asks for a window on the desktop, any other depth for full screen.
  virtual TGraphicsPtr CreateGraphics(int32_t width, int32_t height, int32_t depth,
                                      int32_t hertz, int32_t flags) = 0;
  virtual void SetGraphics(const TGraphicsPtr& g) = 0;  // null: no context
  // Sync 1 waits for the vertical blank and 0 does not; -1 waits too, but shows a frame
  // that missed its blank at once where the display can (elsewhere it acts as 1).
  virtual void Flip(int32_t sync) = 0;
  virtual std::u16string ToString() const { return u"GraphicsDriver"; }
  // The refresh rate of the display showing the current context; 0 when unknown.
  virtual int32_t DisplayHertz() { return 0; }
  // Completes the drawing of the frame, so that a flip right after only presents it.
  virtual void FinishFrame() {}
  // The icon of the windows it makes from now on and of those open (see SetGraphicsIcon).
  virtual void SetIcon(const std::shared_ptr<TPixmap>&) {}
};

// Front end: everything acts on the current driver and context.
void SelectGraphicsDriver(TGraphicsDriver* driver, int32_t default_flags);
TGraphicsDriver* CurrentGraphicsDriver();
int32_t GraphicsDefaultFlags();
std::vector<TGraphicsMode> ListGraphicsModes();  // cached until the driver changes
int32_t GraphicsModeCount();
void GraphicsModeAt(int32_t index, int32_t& width, int32_t& height, int32_t& depth,
                    int32_t& hertz);
int32_t HasGraphicsMode(int32_t width, int32_t height, int32_t depth, int32_t hertz);  // 0 matches any
TGraphicsPtr CreateGraphicsContext(int32_t width, int32_t height, int32_t depth, int32_t hertz,
                                   int32_t flags);  // null on any failure
TGraphicsPtr AttachGraphicsContext(const void* widget, int32_t flags);
void CloseGraphicsContext(const TGraphicsPtr& g);
void MakeGraphicsCurrent(const TGraphicsPtr& g);
TGraphicsPtr CurrentGraphicsContext();
int32_t CurrentGraphicsWidth();
int32_t CurrentGraphicsHeight();
int32_t CurrentGraphicsDepth();
int32_t CurrentGraphicsHertz();
int32_t CurrentGraphicsFlags();
// The picture the desktop shows for every window the graphics drivers make, those already
// open included; set it before OpenGraphics. Null: windows made later have none.
void SetGraphicsIcon(const std::shared_ptr<TPixmap>& pixmap);

// False where no screen can be shown: neither an X nor a Wayland display is named and no video
// driver is asked for by name (SDL_VIDEODRIVER). Contexts then fail to open rather than draw
// unseen; a program can ask first and say so.
bool DisplayAvailable();

// Closes the previously opened context, opens a new one, makes it current and sets up
// the pacing of FlipGraphics(-1). Null (and nothing changed) when no context can be had.
TGraphicsPtr OpenGraphics(int32_t width, int32_t height, int32_t depth, int32_t hertz,
                          int32_t flags);
void EndOpenGraphics();
// sync -1 paces the opened context to its refresh rate; 0 or 1 go straight to the driver.
void FlipGraphics(int32_t sync);
int32_t GraphicsSeq();       // stamp of the current generation of contexts; never 0 once opened
int32_t FlipHookChannel();   // run with no data before every flip

// Contexts as data: four int32 values width, height, depth, hertz.
void WriteGraphicsSettings(TStream& stream, TGraphics& g);
TGraphicsPtr ReadGraphicsSettings(TStream& stream);  // OpenGraphics(width, height, depth, hertz, 0)
