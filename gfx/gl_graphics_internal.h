// The OpenGL graphics driver's inner workings, for the framework's own files, tests and
// benchmarks: what a context's swap draws into, its SDL window, the coordinate mapping of
// the scaled path and the swap-interval cache. Programs use gl_graphics.h or graphics.h.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/gl_graphics.h"

// What the swap of a context draws into.
struct TGLContextInfo {
  int32_t kind = -1;         // 0 shared, 1 attached, 2 windowed, 3 full screen; -1 none
  bool scaled = false;       // drawing goes to an offscreen buffer of the asked size
  bool windowed = false;     // a full-screen context switched into a window (Alt+Enter, F11)
  int32_t window_width = 0, window_height = 0;      // SDL window size
  int32_t drawable_width = 0, drawable_height = 0;  // the window's pixels
  // Where the asked size lands in the drawable (scaled path), y from the top.
  int32_t dest_x = 0, dest_y = 0, dest_w = 0, dest_h = 0;
};
TGLContextInfo GLGraphicsInfo(const TGraphics& g);  // a TGLGraphics, or a wrapper of one
// The swap interval the last flip asked for: 0, 1, or -1 for adaptive (where the library
// refuses it, 1 was set); GLSwapIntervalUnset until a flip of the current context sets it.
inline constexpr int32_t GLSwapIntervalUnset = -2;
int32_t GLLastSwapInterval();
// Sends every later window through the offscreen buffer even when its drawable has the
// asked size, as on a HiDPI display.
void GLForceScaledPath(bool on);
// The SDL window id, 0 if none: tests push input events to a context's window with it.
uint32_t GLGraphicsWindowId(const TGraphics& g);
// SDL window coordinates to the context's own and back, as pointer events and
// MoveMousePointer use them.
void GLWindowToClient(const TGraphics& g, float& x, float& y);
void GLClientToWindow(const TGraphics& g, float& x, float& y);
// False before the first context and once the process is ending: no GL calls then.
bool GLSharedContextAlive();
// Makes the hidden shared context if there is none yet, as the first context does; false
// when no video or no OpenGL can be had.
bool GLEnsureSharedContext();

// Where a context of width x height lands in a drawable of dw x dh: the largest size with
// the same aspect that fits, centred; y from the top.
void GLScaledRect(int32_t width, int32_t height, int32_t dw, int32_t dh, int32_t& x, int32_t& y,
                  int32_t& w, int32_t& h);
// The size a full-screen context of width x height takes when switched into a window: the
// largest whole multiple that fits room_w x room_h (the usable desktop less the frame), at least 1x.
void GLWindowedSize(int32_t width, int32_t height, int32_t room_w, int32_t room_h, int32_t& w,
                    int32_t& h);

// A display mode as SDL reports it, and the modes the driver lists out of them: four bytes a
// pixel count as 32 bits, modes under 16 bits are left out, and at most 1024 are listed.
struct TGLDisplayMode {
  int32_t width = 0, height = 0;
  uint32_t sdl_format = 0;
  int32_t hertz = 0;
};
std::vector<TGraphicsMode> GLListedModes(const std::vector<TGLDisplayMode>& display);
