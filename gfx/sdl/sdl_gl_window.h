// The SDL side both OpenGL drivers stand on, written once: window-context records (a hidden
// context whose textures serve every later context of its driver, windows on the desktop,
// full-screen windows, foreign windows), the display-mode list, the buffer swap with its
// interval, and the full-screen path: a borderless window covering the display whose picture
// is drawn offscreen at the asked size and scaled in with the aspect kept, Alt+Enter and F11
// to a letterboxed window and back, the icon, the X display-loss watch, window-manager
// detection and the warm-up of Mesa's driver. Each driver owns a TGLWindowHost that makes its
// contexts in its own OpenGL flavour. Platform header: only the drivers' files include it.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "gfx/graphics.h"
#include "gfx/sdl/gl_procs.h"
#include "gfx/sdl/gl_window_graphics.h"

// The kind of OpenGL context a host asks SDL for.
struct TGLContextApi {
  int32_t profile = SDL_GL_CONTEXT_PROFILE_COMPATIBILITY;  // SDL_GL_CONTEXT_PROFILE_*
  int32_t major = 2, minor = 1;
  bool Es() const { return profile == SDL_GL_CONTEXT_PROFILE_ES; }
};

class TGLWindowHost;

struct GLWindowContext {
  GLWindowContext* next = nullptr;  // every host's records, newest first
  TGLWindowHost* host = nullptr;
  int32_t kind = 0;  // 0 shared, 1 attached, 2 windowed, 3 full screen
  int32_t width = 0, height = 0, depth = 0, hertz = 0, flags = 0;
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  // The scaled path: the context draws into fbo, the swap scales it into the window.
  bool scaled = false;
  bool fbo_failed = false;  // tried once and the library refused; drawing goes to the window
  bool copied = false;      // the frame is already scaled into the window's back buffer
  GLuint fbo = 0, color_rb = 0, depth_rb = 0;
  // A full-screen context the player has put in a window on the desktop for now.
  bool windowed = false;
  SDL_Scancode toggle_held = SDL_SCANCODE_UNKNOWN;  // its repeats and release stay here too
};

class TGLWindowHost {
 public:
  // `apis` in order of preference: the hidden context takes the first SDL can make, and every
  // later context of this host is made the same way.
  TGLWindowHost(TGraphicsDriver* driver, std::vector<TGLContextApi> apis);

  TGraphicsDriver* Driver() const { return driver_; }
  // Makes the hidden shared context if there is none yet; false, with SDL's error set, when
  // no video or none of the context kinds can be had.
  bool EnsureShared();
  bool SharedAlive() const;  // false before the first context and once the process is ending
  const TGLContextApi& Api() const { return apis_[api_]; }
  const TGLProcs& GL() const { return gl_; }

  GLWindowContext* Attach(const void* widget, int32_t flags);  // null when none can be made
  GLWindowContext* Create(int32_t width, int32_t height, int32_t depth, int32_t hertz,
                          int32_t flags);
  void SetCurrent(GLWindowContext* rec);  // nothing when it already is
  GLWindowContext* Current() const { return current_; }
  void Flip(int32_t sync);
  void FinishFrame();
  int32_t DisplayHertz();
  // Into the hidden context, and back to the context that was current before it.
  void SwapSharedContext();
  bool MakeSharedCurrent();  // false when there is no hidden context (yet, or any more)
  int32_t LastSwapInterval() const { return last_swap_interval_; }

  // Called with a record's context current just before the context is deleted.
  std::function<void(GLWindowContext*)> on_release;

 private:
  friend class TGLWindowGraphics;
  bool FinishRecord(GLWindowContext* rec);
  void Destroy(GLWindowContext* rec);

  TGraphicsDriver* driver_;
  std::vector<TGLContextApi> apis_;
  size_t api_ = 0;
  TGLProcs gl_;
  GLWindowContext* shared_ = nullptr;
  GLWindowContext* current_ = nullptr;
  int32_t last_swap_interval_ = -2;
  // The context SwapSharedContext left for the hidden one, to go back to.
  SDL_Window* swapped_window_ = nullptr;
  SDL_GLContext swapped_context_ = nullptr;
};

// Whatever context the thread had, put back after work in another one: the other driver's
// context may be the one in use.
class TGLKeepCurrent {
 public:
  TGLKeepCurrent() : window_(SDL_GL_GetCurrentWindow()), context_(SDL_GL_GetCurrentContext()) {}
  // `unless`: a context about to be deleted, which is not put back.
  void Restore(SDL_GLContext unless = nullptr) {
    if (context_ && context_ != unless) {
      SDL_GL_MakeCurrent(window_, context_);
    } else {
      SDL_GL_MakeCurrent(nullptr, nullptr);
    }
  }

 private:
  SDL_Window* window_;
  SDL_GLContext context_;
};

// The swap interval the last flip asked for: 0, 1, or -1 for adaptive (where the library
// refuses it, 1 was set); GLSwapIntervalUnset until a flip of the current context sets it.
inline constexpr int32_t GLSwapIntervalUnset = -2;

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
// For a context of either driver, or a 2D wrapper of one; kind -1 for anything else.
TGLContextInfo GLGraphicsInfo(const TGraphics& g);
GLWindowContext* GLRecordOf(const TGraphics& g);
// Sends every later window through the offscreen buffer even when its drawable has the
// asked size, as on a HiDPI display.
void GLForceScaledPath(bool on);
// The SDL window id, 0 if none: tests push input events to a context's window with it.
uint32_t GLGraphicsWindowId(const TGraphics& g);
// SDL window coordinates to the context's own and back, as pointer events and
// MoveMousePointer use them.
void GLWindowToClient(const TGraphics& g, float& x, float& y);
void GLClientToWindow(const TGraphics& g, float& x, float& y);

// Where a context of width x height lands in a drawable of dw x dh: the largest size with
// the same aspect that fits, centred; y from the top.
void GLScaledRect(int32_t width, int32_t height, int32_t dw, int32_t dh, int32_t& x, int32_t& y,
                  int32_t& w, int32_t& h);
// The size a full-screen context of width x height takes when switched into a window: the
// largest whole multiple that fits room_w x room_h (the usable desktop less the frame), at least 1x.
void GLWindowedSize(int32_t width, int32_t height, int32_t room_w, int32_t room_h, int32_t& w,
                    int32_t& h);

// The display modes of the first display, 16 bits a pixel and more, at most 1024.
std::vector<TGraphicsMode> GLDisplayModes();
// The modes listed out of the display's as SDL gives them: four bytes a pixel count as 32
// bits, modes under 16 bits are left out, and at most 1024 are listed.
std::vector<TGraphicsMode> GLListedModes(const std::vector<SDL_DisplayMode>& display);
// The icon of every window the hosts make from now on and of those open; null: none.
void SetGLWindowIcon(const std::shared_ptr<TPixmap>& pixmap);
// Starts loading Mesa's driver on a thread, once, so that the first context finds it loaded.
void WarmUpGL();
