// Attaches a graphics context to a window this program made with Xlib, draws into it and
// reads the pixels back: the context's size is the window's, and drawing lands in it.
// Run on an X server (xvfb-run); exit code 0 when every check holds.
#include <X11/Xlib.h>

#include <cstdio>

#include "gfx/draw2d.h"

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::printf("FAIL: %s\n", what);
    ++failures;
  }
}

}  // namespace

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::printf("FAIL: no X display\n");
    return 1;
  }
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 200, 120, 0,
                                      0, 0);
  XMapWindow(display, window);
  XSync(display, False);

  StartDraw2DGraphics();
  TGraphicsPtr g = AttachGraphicsContext(reinterpret_cast<const void*>(window), 0);
  Check(g != nullptr, "a context over the foreign window");
  if (g) {
    MakeGraphicsCurrent(g);
    Check(CurrentGraphicsWidth() == 200 && CurrentGraphicsHeight() == 120,
          "the context has the window's client size");
    Check(CurrentGraphicsDepth() == 0 && CurrentGraphicsHertz() == 0, "depth and hertz are 0");
    SetClearColor(0, 0, 0);
    ClearScreen();
    SetDrawBlend(BlendSolid);
    SetDrawColor(0, 255, 0);
    FillRect(20, 30, 10, 10);
    TPixmapPtr p = GrabScreenPixmap(19, 29, 3, 3);
    Check(p && p->ReadPixel(1, 1) == 0xFF00FF00u, "the rectangle's corner is green");
    Check(p && p->ReadPixel(0, 0) == 0xFF000000u, "outside it stays black");
    FlipGraphics(0);
    CloseGraphicsContext(g);
  }
  // The window is the caller's: it is still there after the context closed.
  XWindowAttributes attributes;
  Check(XGetWindowAttributes(display, window, &attributes) != 0 && attributes.width == 200,
        "the foreign window outlives the context");
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  if (failures == 0) std::printf("attached, drew and read back: all checks hold\n");
  return failures == 0 ? 0 : 1;
}
