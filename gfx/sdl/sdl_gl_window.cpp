#include "gfx/sdl/sdl_gl_window.h"

#include <SDL_syswm.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <thread>

#include "gfx/draw2d.h"
#include "gfx/pixmap.h"
#include "stream/core.h"
#include "system/sdl_system.h"

namespace {

GLWindowContext* records = nullptr;  // of every host, newest first
bool force_scaled = false;
bool shut_down = false;
SDL_Surface* icon = nullptr;  // set on every window this driver makes

void PixelFormat(int32_t flags, const TGLContextApi& api) {
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, (flags & GraphicsAlphaBuffer) ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, (flags & GraphicsDepthBuffer) ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, (flags & GraphicsStencilBuffer) ? 1 : 0);
  int accum = (flags & GraphicsAccumBuffer) ? 1 : 0;
  SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (flags & GraphicsBackBuffer) ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, api.profile);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, api.major);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, api.minor);
}

void MakeRecordCurrent(GLWindowContext* rec) {
  if (rec) {
    SDL_GL_MakeCurrent(rec->window, rec->context);
  } else {
    SDL_GL_MakeCurrent(nullptr, nullptr);
  }
}

void MarkShutDown() { shut_down = true; }

// When the X display goes away, Xlib ends the process from inside whichever call noticed it;
// closing windows on the way out would then wait on the dead connection for ever. Xlib is
// reached through SDL's loader, so nothing links against it.
using XIOErrorHandler = int (*)(void* display);
XIOErrorHandler previous_io_handler = nullptr;

int OnDisplayLost(void* display) {
  shut_down = true;
  return previous_io_handler ? previous_io_handler(display) : 0;
}

// Xlib is SDL's business; the few calls made here go through SDL's own handle on it.
void* XlibHandle() {
  static void* xlib = SDL_LoadObject("libX11.so.6");
  return xlib;
}

void WatchForDisplayLoss() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0) return;
  void* xlib = XlibHandle();
  if (!xlib) return;
  using Setter = XIOErrorHandler (*)(XIOErrorHandler);
  if (auto set = reinterpret_cast<Setter>(SDL_LoadFunction(xlib, "XSetIOErrorHandler")))
    previous_io_handler = set(OnDisplayLost);
}

// False only where the display is X and no window manager announces itself on it. There
// nobody acts on a full-screen request, and SDL would wait a tenth of a second for it in vain;
// a borderless window at the display's size covers the display all the same.
bool WindowManagerRunning(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
  void* xlib = XlibHandle();
  if (!xlib) return true;
  using InternAtom = Atom (*)(Display*, const char*, Bool);
  using DefaultRoot = Window (*)(Display*);
  using GetProperty = int (*)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*,
                              unsigned long*, unsigned long*, unsigned char**);
  using Free = int (*)(void*);
  auto intern = reinterpret_cast<InternAtom>(SDL_LoadFunction(xlib, "XInternAtom"));
  auto root = reinterpret_cast<DefaultRoot>(SDL_LoadFunction(xlib, "XDefaultRootWindow"));
  auto get = reinterpret_cast<GetProperty>(SDL_LoadFunction(xlib, "XGetWindowProperty"));
  auto release = reinterpret_cast<Free>(SDL_LoadFunction(xlib, "XFree"));
  if (!intern || !root || !get || !release) return true;
  Display* display = info.info.x11.display;
  const Atom check = intern(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom window_type = 33;  // XA_WINDOW
  if (get(display, root(display), check, 0, 1, False, window_type, &type, &format, &count, &after,
          &data) != Success)
    return true;
  const bool found = type == window_type && format == 32 && count == 1 && data &&
                     *reinterpret_cast<unsigned long*>(data) != 0;
  if (data) release(data);
  return found;
}

// Loading Mesa's driver, and the LLVM it links, is the longest step of making the first
// context. A thread starts it as soon as the driver is chosen, so that the loading overlaps
// whatever the program does before it opens its screen. Every Mesa driver of a system is one
// file under several names, so loading the software one loads the one in use. Where the
// display is driven by NVIDIA's own library, Mesa is never used and the load is skipped.
std::jthread warm_up;  // joined at exit too, should no screen ever be opened

void StartWarmUp() {
  if (FILE* nvidia = std::fopen("/proc/driver/nvidia/version", "r")) {
    std::fclose(nvidia);
    return;
  }
  warm_up = std::jthread([] {
    void* gl = dlopen("libGL.so.1", RTLD_NOW | RTLD_GLOBAL);
    void* entry = gl ? dlsym(gl, "glXGetProcAddress") : nullptr;
    Dl_info where{};
    if (!entry || !dladdr(entry, &where) || !where.dli_fname) return;
    std::string dir = where.dli_fname;
    dir.resize(dir.rfind('/') + 1);
    // The handles are kept: the libraries stay loaded for the context that comes.
    dlopen((dir + "dri/swrast_dri.so").c_str(), RTLD_NOW | RTLD_GLOBAL);
  });
}

// Where no display can be reached, SDL falls back to a video driver that shows nothing, and
// the program would run unseen until killed; such a driver serves only when asked for by name.
bool VideoAllowed() {
  if (!DisplayAvailable()) {
    SDL_SetError("No display: neither DISPLAY nor WAYLAND_DISPLAY is set");
    return false;
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  if (asked && *asked) return true;
  const char* driver = SDL_GetCurrentVideoDriver();
  for (const char* unseen : {"offscreen", "dummy", "evdev"}) {
    if (driver && std::strcmp(driver, unseen) == 0) {
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      SDL_SetError("The display cannot be reached");
      return false;
    }
  }
  return true;
}

}  // namespace

void WarmUpGL() {
  static bool started = false;
  if (started) return;
  started = true;
  StartWarmUp();
}

namespace {

void ScaledRect(const GLWindowContext* rec, int32_t& dw, int32_t& dh, int32_t& x, int32_t& y,
                int32_t& w, int32_t& h) {
  SDL_GL_GetDrawableSize(rec->window, &dw, &dh);
  if (rec->scaled) {
    GLScaledRect(rec->width, rec->height, dw, dh, x, y, w, h);
  } else {
    x = y = 0;
    w = rec->width;
    h = rec->height;
  }
}

// Window coordinates (SDL's) to the context's own and back.
void ToClient(const GLWindowContext* rec, float& x, float& y) {
  int ww = 0, wh = 0;
  SDL_GetWindowSize(rec->window, &ww, &wh);
  int32_t dw, dh, rx, ry, rw, rh;
  ScaledRect(rec, dw, dh, rx, ry, rw, rh);
  if (ww <= 0 || wh <= 0 || rw <= 0 || rh <= 0) return;
  float px = x * static_cast<float>(dw) / static_cast<float>(ww);
  float py = y * static_cast<float>(dh) / static_cast<float>(wh);
  x = (px - static_cast<float>(rx)) * static_cast<float>(rec->width) / static_cast<float>(rw);
  y = (py - static_cast<float>(ry)) * static_cast<float>(rec->height) / static_cast<float>(rh);
}

void ToWindow(const GLWindowContext* rec, float& x, float& y) {
  int ww = 0, wh = 0;
  SDL_GetWindowSize(rec->window, &ww, &wh);
  int32_t dw, dh, rx, ry, rw, rh;
  ScaledRect(rec, dw, dh, rx, ry, rw, rh);
  if (dw <= 0 || dh <= 0 || rec->width <= 0 || rec->height <= 0) return;
  float px = x * static_cast<float>(rw) / static_cast<float>(rec->width) + static_cast<float>(rx);
  float py = y * static_cast<float>(rh) / static_cast<float>(rec->height) + static_cast<float>(ry);
  x = px * static_cast<float>(ww) / static_cast<float>(dw);
  y = py * static_cast<float>(wh) / static_cast<float>(dh);
}

void PresentScaled(GLWindowContext* rec);

int DisplayOf(SDL_Window* window) {
  const int index = SDL_GetWindowDisplayIndex(window);
  return index < 0 ? 0 : index;
}

// Full screen and a resizable window on the desktop, one SDL window throughout: the context,
// its offscreen buffer and its textures stay as they are.
void ShowWindowed(GLWindowContext* rec, bool windowed) {
  SDL_Window* window = rec->window;
  const int display = DisplayOf(window);
  if (windowed) {
    if (SDL_SetWindowFullscreen(window, 0) != 0) return;
    SDL_SetWindowBordered(window, SDL_TRUE);
    SDL_SetWindowResizable(window, SDL_TRUE);
    SDL_SetWindowMinimumSize(window, std::max(1, rec->width / 2), std::max(1, rec->height / 2));
    SDL_Rect area;
    if (SDL_GetDisplayUsableBounds(display, &area) != 0 && SDL_GetDisplayBounds(display, &area) != 0)
      area = {0, 0, rec->width, rec->height};
    // Known only where the window manager has already framed the window; else 0.
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0) top = left = bottom = right = 0;
    const int32_t room_w = area.w - left - right, room_h = area.h - top - bottom;
    int32_t w, h;
    GLWindowedSize(rec->width, rec->height, room_w, room_h, w, h);
    SDL_SetWindowSize(window, w, h);
    SDL_SetWindowPosition(window, area.x + left + std::max(0, (room_w - w) / 2),
                          area.y + top + std::max(0, (room_h - h) / 2));
  } else {
    SDL_SetWindowResizable(window, SDL_FALSE);
    SDL_SetWindowBordered(window, SDL_FALSE);
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(display, &bounds) == 0) {
      // As at creation: the display's size even where no window manager applies the state.
      SDL_SetWindowPosition(window, bounds.x, bounds.y);
      SDL_SetWindowSize(window, bounds.w, bounds.h);
    }
    if (WindowManagerRunning(window) &&
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
      return;
  }
  rec->windowed = windowed;
}

void Register(GLWindowContext* rec);

// Whether the picture can be drawn offscreen and scaled, as a window of another size needs.
bool Scalable(const GLWindowContext* rec) {
  return rec->scaled || (rec->host->GL().fbo && !rec->fbo_failed);
}

bool IsToggleKey(const SDL_KeyboardEvent& key) {
  const SDL_Scancode code = key.keysym.scancode;
  if (code == SDL_SCANCODE_F11) return true;
  return (code == SDL_SCANCODE_RETURN || code == SDL_SCANCODE_KP_ENTER) && (key.keysym.mod & KMOD_ALT);
}

// True for the keystrokes the window keeps to itself: the program never sees the toggle
// key go down, repeat or come up.
bool OnWindowEvent(GLWindowContext* rec, const SDL_Event& e) {
  if (rec->kind != 3) return false;
  switch (e.type) {
    case SDL_KEYDOWN:
      if (!e.key.repeat && Scalable(rec) && IsToggleKey(e.key)) {
        rec->toggle_held = e.key.keysym.scancode;
        ShowWindowed(rec, !rec->windowed);
        Register(rec);  // full screen holds the pointer on the picture, a window does not
        return true;
      }
      return e.key.keysym.scancode == rec->toggle_held;
    case SDL_KEYUP:
      if (e.key.keysym.scancode != rec->toggle_held) return false;
      rec->toggle_held = SDL_SCANCODE_UNKNOWN;
      return true;
    case SDL_WINDOWEVENT:
      break;
    default:
      return false;
  }
  if (rec->windowed) {
    // A window on the desktop stays put when another one is used. While it has no focus the
    // program holds and draws nothing, so the last frame is shown again where it was damaged.
    const bool damaged = e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                         e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED;
    if (damaged && rec == rec->host->Current() && !shut_down && SDL_GL_GetCurrentContext() == rec->context &&
        !(SDL_GetWindowFlags(rec->window) & SDL_WINDOW_INPUT_FOCUS))
      PresentScaled(rec);
    return false;
  }
  // A full-screen window gives the desktop back while it is not in use.
  if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
    SDL_MinimizeWindow(rec->window);
  } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
    if (SDL_GetWindowFlags(rec->window) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(rec->window);
  }
  return false;
}

void Register(GLWindowContext* rec) {
  TFrameworkWindow w;
  w.sdl_window_id = SDL_GetWindowID(rec->window);
  w.client_width = rec->width;
  w.client_height = rec->height;
  w.confined = rec->kind == 3 && !rec->windowed;
  w.to_client = [rec](float& x, float& y) { ToClient(rec, x, y); };
  w.to_window = [rec](float& x, float& y) { ToWindow(rec, x, y); };
  w.on_event = [rec](const SDL_Event& e) { return OnWindowEvent(rec, e); };
  AddFrameworkWindow(w);
}

void DeleteFbo(GLWindowContext* rec) {
  const TGLProcs& gl = rec->host->GL();
  if (rec->fbo) gl.DeleteFramebuffers(1, &rec->fbo);
  if (rec->color_rb) gl.DeleteRenderbuffers(1, &rec->color_rb);
  if (rec->depth_rb) gl.DeleteRenderbuffers(1, &rec->depth_rb);
  rec->fbo = rec->color_rb = rec->depth_rb = 0;
}

// With the record's context current: an offscreen buffer of the asked size, left bound.
bool MakeFbo(GLWindowContext* rec) {
  const TGLProcs& gl = rec->host->GL();
  if (!gl.fbo || rec->fbo_failed) return false;
  gl.GenFramebuffers(1, &rec->fbo);
  gl.BindFramebuffer(GL_FRAMEBUFFER, rec->fbo);
  gl.GenRenderbuffers(1, &rec->color_rb);
  gl.BindRenderbuffer(GL_RENDERBUFFER, rec->color_rb);
  // Without an alpha buffer asked for, reads give opaque pixels and the window gets no alpha.
  bool complete = false;
  for (GLenum format : {(rec->flags & GraphicsAlphaBuffer) ? GLenum(GL_RGBA8) : GLenum(GL_RGB8),
                        GLenum(GL_RGBA8)}) {
    gl.RenderbufferStorage(GL_RENDERBUFFER, format, rec->width, rec->height);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                rec->color_rb);
    if (gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
      complete = true;
      break;
    }
  }
  if (complete && (rec->flags & (GraphicsDepthBuffer | GraphicsStencilBuffer))) {
    gl.GenRenderbuffers(1, &rec->depth_rb);
    gl.BindRenderbuffer(GL_RENDERBUFFER, rec->depth_rb);
    gl.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, rec->width, rec->height);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                rec->depth_rb);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                rec->depth_rb);
    complete = gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  }
  gl.BindRenderbuffer(GL_RENDERBUFFER, 0);
  if (!complete) {
    gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    DeleteFbo(rec);
    rec->fbo_failed = true;
    return false;
  }
  gl.Disable(GL_SCISSOR_TEST);
  gl.ClearColor(0, 0, 0, 1);
  gl.Clear(GL_COLOR_BUFFER_BIT);
  rec->scaled = true;
  return true;
}

// The offscreen picture scaled into the window's back buffer, ready for the swap. Only the bars
// are cleared: the picture covers the rest, and a clear of the whole window costs a software
// renderer as much as the scaling.
void CopyToWindow(GLWindowContext* rec) {
  const TGLProcs& gl = rec->host->GL();
  int32_t dw, dh, x, y, w, h;
  ScaledRect(rec, dw, dh, x, y, w, h);
  GLboolean scissor = gl.IsEnabled(GL_SCISSOR_TEST);
  GLint box[4];
  gl.GetIntegerv(GL_SCISSOR_BOX, box);
  GLfloat clear[4];
  gl.GetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  const int32_t gl_y = dh - y - h;
  const int32_t bars[4][4] = {{0, 0, x, dh}, {x + w, 0, dw - x - w, dh},  // left, right
                              {x, 0, w, gl_y}, {x, gl_y + h, w, dh - gl_y - h}};  // below, above
  gl.ClearColor(0, 0, 0, 1);
  gl.Enable(GL_SCISSOR_TEST);
  for (const auto& bar : bars) {
    if (bar[2] <= 0 || bar[3] <= 0) continue;
    gl.Scissor(bar[0], bar[1], bar[2], bar[3]);
    gl.Clear(GL_COLOR_BUFFER_BIT);
  }
  gl.Disable(GL_SCISSOR_TEST);
  // Whole multiples stay sharp; any other scale is filtered.
  bool whole = w % rec->width == 0 && h % rec->height == 0 && w / rec->width == h / rec->height;
  gl.BlitFramebuffer(0, 0, rec->width, rec->height, x, gl_y, x + w, gl_y + h,
                     GL_COLOR_BUFFER_BIT, whole ? GL_NEAREST : GL_LINEAR);
  gl.BindFramebuffer(GL_FRAMEBUFFER, rec->fbo);
  gl.ClearColor(clear[0], clear[1], clear[2], clear[3]);
  gl.Scissor(box[0], box[1], box[2], box[3]);
  if (scissor) gl.Enable(GL_SCISSOR_TEST);
}

// A window that has taken another size than its picture's: from now on the picture is drawn
// offscreen, starting from the frame just drawn into the window.
void StartScaling(GLWindowContext* rec) {
  const TGLProcs& gl = rec->host->GL();
  GLboolean scissor = gl.IsEnabled(GL_SCISSOR_TEST);
  GLfloat clear[4];
  gl.GetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  if (!MakeFbo(rec)) return;
  gl.ClearColor(clear[0], clear[1], clear[2], clear[3]);
  // The frame lies where the viewport put it, at the bottom left of a back buffer that keeps its
  // old size until the next swap.
  gl.BindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  gl.BlitFramebuffer(0, 0, rec->width, rec->height, 0, 0, rec->width, rec->height,
                     GL_COLOR_BUFFER_BIT, GL_NEAREST);
  gl.BindFramebuffer(GL_FRAMEBUFFER, rec->fbo);
  if (scissor) gl.Enable(GL_SCISSOR_TEST);
}

void PresentScaled(GLWindowContext* rec) {
  if (!rec->copied) CopyToWindow(rec);
  rec->copied = false;
  SDL_GL_SwapWindow(rec->window);
}

}  // namespace

void GLWindowedSize(int32_t width, int32_t height, int32_t room_w, int32_t room_h, int32_t& w,
                    int32_t& h) {
  int32_t scale = 1;
  if (width > 0 && height > 0) scale = std::max(1, std::min(room_w / width, room_h / height));
  w = width * scale;
  h = height * scale;
}

void GLScaledRect(int32_t width, int32_t height, int32_t dw, int32_t dh, int32_t& x, int32_t& y,
                  int32_t& w, int32_t& h) {
  if (width <= 0 || height <= 0 || dw <= 0 || dh <= 0) {
    x = y = w = h = 0;
    return;
  }
  double scale = std::min(static_cast<double>(dw) / width, static_cast<double>(dh) / height);
  w = std::min(dw, static_cast<int32_t>(std::lround(width * scale)));
  h = std::min(dh, static_cast<int32_t>(std::lround(height * scale)));
  x = (dw - w) / 2;
  y = (dh - h) / 2;
}

TGLWindowGraphics::~TGLWindowGraphics() { Close(); }

TGraphicsDriver* TGLWindowGraphics::Driver() {
  return _context ? _context->host->Driver() : nullptr;
}

void TGLWindowGraphics::GetSettings(int32_t& width, int32_t& height, int32_t& depth,
                                    int32_t& hertz, int32_t& flags) {
  if (!_context) {
    width = height = depth = hertz = flags = 0;
    return;
  }
  if (_context->kind == 1) {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(_context->window, &w, &h);
    _context->width = w;
    _context->height = h;
  }
  width = _context->width;
  height = _context->height;
  depth = _context->depth;
  hertz = _context->hertz;
  flags = _context->flags;
}

void TGLWindowGraphics::Close() {
  if (!_context) return;
  GLWindowContext* rec = _context;
  _context = nullptr;
  if (shut_down) return;  // the process is ending; the platform takes the window
  rec->host->Destroy(rec);
}

TGLWindowHost::TGLWindowHost(TGraphicsDriver* driver, std::vector<TGLContextApi> apis)
    : driver_(driver), apis_(std::move(apis)) {
  if (apis_.empty()) apis_.push_back(TGLContextApi{});
}

bool TGLWindowHost::SharedAlive() const { return shared_ && !shut_down; }

bool TGLWindowHost::EnsureShared() {
  if (shared_) return true;
  if (!VideoAllowed()) return false;
  // Mesa's own loading then finds the libraries in place.
  if (warm_up.joinable()) warm_up.join();
  // Minimising a full-screen window then keeps it full screen for its restoration.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1");
  TGLKeepCurrent keep;
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  for (api_ = 0; api_ < apis_.size(); ++api_) {
    PixelFormat(0, apis_[api_]);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    window = SDL_CreateWindow("", 0, 0, 1, 1,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS |
                                  SDL_WINDOW_SKIP_TASKBAR);
    if (!window) break;
    context = SDL_GL_CreateContext(window);
    if (context) break;
    SDL_DestroyWindow(window);
    window = nullptr;
  }
  if (!context) {
    api_ = 0;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  gl_.Load(apis_[api_].Es());
  shared_ = new GLWindowContext;
  shared_->host = this;
  shared_->kind = 0;
  shared_->width = 1;
  shared_->height = 1;
  shared_->window = window;
  shared_->context = context;
  keep.Restore();
  static const bool watching = [] {
    WatchForDisplayLoss();
    std::atexit(MarkShutDown);
    return true;
  }();
  (void)watching;
  return true;
}

// Creates the GL context of a new record's window and links the record in.
bool TGLWindowHost::FinishRecord(GLWindowContext* rec) {
  TGLKeepCurrent keep;
  rec->host = this;
  MakeRecordCurrent(shared_);
  PixelFormat(rec->flags, Api());
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
  rec->context = SDL_GL_CreateContext(rec->window);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
  if (!rec->context) {
    keep.Restore();
    return false;
  }
  if (rec->kind >= 2) {
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(rec->window, &dw, &dh);
    // Where the window has the picture's size (a full-screen picture the size of the display,
    // say), it is drawn straight into the window, a whole copy a frame the cheaper.
    if (force_scaled || dw != rec->width || dh != rec->height) MakeFbo(rec);
  }
  keep.Restore();
  rec->next = records;
  records = rec;
  Register(rec);
  return true;
}

void TGLWindowHost::Destroy(GLWindowContext* rec) {
  for (GLWindowContext** p = &records; *p; p = &(*p)->next) {
    if (*p == rec) {
      *p = rec->next;
      break;
    }
  }
  if (rec->window) RemoveFrameworkWindow(SDL_GetWindowID(rec->window));
  if (rec == current_) current_ = nullptr;
  if (swapped_context_ == rec->context) swapped_context_ = nullptr;
  TGLKeepCurrent keep;
  if (rec->context && (on_release || rec->fbo || rec->color_rb)) {
    MakeRecordCurrent(rec);
    if (on_release) on_release(rec);
    DeleteFbo(rec);
  }
  keep.Restore(rec->context);
  if (rec->context) SDL_GL_DeleteContext(rec->context);
  // For a foreign window this frees only SDL's side of it; the window itself stays.
  if (rec->window) SDL_DestroyWindow(rec->window);
  delete rec;
}

GLWindowContext* TGLWindowHost::Attach(const void* widget, int32_t flags) {
  if (!widget || !EnsureShared()) return nullptr;
  SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
  PixelFormat(flags, Api());
  SDL_Window* window = SDL_CreateWindowFrom(widget);
  if (!window) return nullptr;
  auto* rec = new GLWindowContext;
  rec->kind = 1;
  rec->flags = flags;
  rec->window = window;
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  rec->width = w;
  rec->height = h;
  if (!FinishRecord(rec)) {
    SDL_DestroyWindow(window);
    delete rec;
    return nullptr;
  }
  return rec;
}

GLWindowContext* TGLWindowHost::Create(int32_t width, int32_t height, int32_t depth,
                                       int32_t hertz, int32_t flags) {
  if (width <= 0 || height <= 0 || !EnsureShared()) return nullptr;
  PixelFormat(flags, Api());
  Uint32 wflags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
  int x = 32, y = 32, w = width, h = height;
  if (depth != 0) {
    SDL_Rect bounds;
    if (gl_.fbo && SDL_GetDisplayBounds(0, &bounds) == 0) {
      // Made at the display's own size as well, so that it covers the display even where
      // no window manager applies the full-screen state (a bare X server).
      wflags |= SDL_WINDOW_BORDERLESS;
      if (WindowManagerRunning(shared_->window)) wflags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
      x = bounds.x;
      y = bounds.y;
      w = bounds.w;
      h = bounds.h;
    } else {
      // Without offscreen buffers the old way remains: a real mode change.
      wflags |= SDL_WINDOW_FULLSCREEN;
      x = y = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(0));
    }
  }
  SDL_Window* window = SDL_CreateWindow(TextToUtf8(ApplicationTitle).c_str(), x, y, w, h, wflags);
  if (!window) return nullptr;
  if (icon) SDL_SetWindowIcon(window, icon);
  if (depth != 0 && !gl_.fbo) {
    SDL_DisplayMode mode{};
    mode.w = width;
    mode.h = height;
    mode.refresh_rate = hertz;
    SDL_SetWindowDisplayMode(window, &mode);
  }
  auto* rec = new GLWindowContext;
  rec->kind = depth != 0 ? 3 : 2;
  rec->width = width;
  rec->height = height;
  rec->depth = depth;
  rec->hertz = hertz;
  rec->flags = flags;
  rec->window = window;
  if (!FinishRecord(rec)) {
    SDL_DestroyWindow(window);
    delete rec;
    return nullptr;
  }
  SDL_ShowWindow(window);
  if (rec->kind == 3) SDL_RaiseWindow(window);
  return rec;
}

void TGLWindowHost::SetCurrent(GLWindowContext* rec) {
  if (rec == current_) return;
  current_ = rec;
  MakeRecordCurrent(rec);
  // The interval belongs to the context: a new one starts with the library's default.
  last_swap_interval_ = GLSwapIntervalUnset;
}

void TGLWindowHost::Flip(int32_t sync) {
  GLWindowContext* rec = current_;
  if (!rec) return;
  int32_t s = sync < 0 ? -1 : sync ? 1 : 0;
  if (s != last_swap_interval_) {
    last_swap_interval_ = s;
    if (s != -1 || SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(s == -1 ? 1 : s);
  }
  if (!rec->scaled && rec->kind >= 2) {
    // The window manager or the display may have given another size after creation.
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(rec->window, &dw, &dh);
    if (dw != rec->width || dh != rec->height) StartScaling(rec);
  }
  if (rec->scaled) {
    PresentScaled(rec);
  } else {
    SDL_GL_SwapWindow(rec->window);
  }
}

void TGLWindowHost::FinishFrame() {
  if (!current_) return;
  // The copy into the window is drawing too: done here, the flip after the pacing sleep is
  // the swap alone, and the instant the frame is shown moves less from frame to frame.
  if (current_->scaled) {
    CopyToWindow(current_);
    current_->copied = true;
  }
  gl_.Finish();
}

int32_t TGLWindowHost::DisplayHertz() {
  if (!current_ || !current_->window) return 0;
  int index = SDL_GetWindowDisplayIndex(current_->window);
  if (index < 0) return 0;
  SDL_DisplayMode mode;
  if (SDL_GetCurrentDisplayMode(index, &mode) == 0 && mode.refresh_rate > 0) return mode.refresh_rate;
  if (SDL_GetDesktopDisplayMode(index, &mode) == 0 && mode.refresh_rate > 0) return mode.refresh_rate;
  return 0;
}

bool TGLWindowHost::MakeSharedCurrent() {
  if (!SharedAlive()) return false;
  MakeRecordCurrent(shared_);
  return true;
}

void TGLWindowHost::SwapSharedContext() {
  if (!shared_ || shut_down) return;
  if (SDL_GL_GetCurrentContext() != shared_->context) {
    swapped_window_ = SDL_GL_GetCurrentWindow();
    swapped_context_ = SDL_GL_GetCurrentContext();
    MakeRecordCurrent(shared_);
  } else if (swapped_context_) {
    // Back to whichever context was in use, the other driver's included.
    SDL_GL_MakeCurrent(swapped_window_, swapped_context_);
    swapped_window_ = nullptr;
    swapped_context_ = nullptr;
  } else {
    MakeRecordCurrent(current_);
  }
}

std::vector<TGraphicsMode> GLListedModes(const std::vector<SDL_DisplayMode>& display) {
  std::vector<TGraphicsMode> modes;
  for (const SDL_DisplayMode& m : display) {
    if (modes.size() >= 1024) break;
    // Four bytes a pixel is the 32-bit desktop, though SDL counts 24 bits of it.
    int bits = SDL_BYTESPERPIXEL(m.format) == 4 ? 32 : static_cast<int>(SDL_BITSPERPIXEL(m.format));
    if (bits < 16) continue;
    modes.push_back({m.w, m.h, bits, m.refresh_rate});
  }
  return modes;
}

std::vector<TGraphicsMode> GLDisplayModes() {
  if (!VideoAllowed()) return {};
  std::vector<SDL_DisplayMode> display;
  int n = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, i, &m) != 0) break;
    display.push_back(m);
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return GLListedModes(display);
}

void SetGLWindowIcon(const std::shared_ptr<TPixmap>& pixmap) {
  if (icon) SDL_FreeSurface(icon);
  icon = nullptr;
  if (!pixmap || pixmap->width <= 0 || pixmap->height <= 0) return;
  const TPixmapPtr rgba = pixmap->format == RGBA32 ? pixmap : pixmap->Convert(RGBA32);
  if (!rgba) return;
  icon = SDL_CreateRGBSurfaceWithFormat(0, rgba->width, rgba->height, 32, SDL_PIXELFORMAT_RGBA32);
  if (!icon) return;
  for (int32_t row = 0; row < rgba->height; ++row)
    std::memcpy(static_cast<uint8_t*>(icon->pixels) + static_cast<ptrdiff_t>(row) * icon->pitch,
                rgba->pixels + static_cast<ptrdiff_t>(row) * rgba->pitch,
                static_cast<size_t>(rgba->width) * 4);
  // Foreign windows keep their owner's icon.
  for (GLWindowContext* rec = records; rec; rec = rec->next)
    if (rec->kind >= 2 && rec->window) SDL_SetWindowIcon(rec->window, icon);
}

GLWindowContext* GLRecordOf(const TGraphics& g) {
  if (auto* gl = dynamic_cast<const TGLWindowGraphics*>(&g)) return gl->_context;
  if (auto* d2 = dynamic_cast<const TDraw2DGraphics*>(&g)) {
    if (d2->_graphics) return GLRecordOf(*d2->_graphics);
  }
  return nullptr;
}

TGLContextInfo GLGraphicsInfo(const TGraphics& g) {
  TGLContextInfo info;
  GLWindowContext* rec = GLRecordOf(g);
  if (!rec) return info;
  info.kind = rec->kind;
  info.scaled = rec->scaled;
  info.windowed = rec->windowed;
  SDL_GetWindowSize(rec->window, &info.window_width, &info.window_height);
  int32_t dw, dh;
  ScaledRect(rec, dw, dh, info.dest_x, info.dest_y, info.dest_w, info.dest_h);
  info.drawable_width = dw;
  info.drawable_height = dh;
  return info;
}

void GLForceScaledPath(bool on) { force_scaled = on; }

uint32_t GLGraphicsWindowId(const TGraphics& g) {
  GLWindowContext* rec = GLRecordOf(g);
  return rec && rec->window ? SDL_GetWindowID(rec->window) : 0;
}

void GLWindowToClient(const TGraphics& g, float& x, float& y) {
  if (GLWindowContext* rec = GLRecordOf(g)) ToClient(rec, x, y);
}

void GLClientToWindow(const TGraphics& g, float& x, float& y) {
  if (GLWindowContext* rec = GLRecordOf(g)) ToWindow(rec, x, y);
}

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
    if (const char* value = SDL_getenv(name); value && *value) return true;
  const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);  // the variable, or a hint set in code
  return asked && *asked;
}
