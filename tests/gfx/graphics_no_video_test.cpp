// Where SDL has no video back end to offer (run with SDL_VIDEODRIVER naming none), or nothing
// names a display, opening graphics fails back to the caller with null: the library never
// ends the process itself, nor draws where nobody sees it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "gfx/draw2d.h"
#include "gfx/graphics.h"
#include "tests/fresh_process.h"

TEST(WithoutVideo, OpeningGraphicsGivesNullAndTheProgramGoesOn) {
  StartDraw2DGraphics();
  const int32_t seq = GraphicsSeq();
  EXPECT_EQ(nullptr, OpenGraphics(640, 480, 32, 60, GraphicsBackBuffer))
      << "expected null when the hidden shared context cannot be made";
  EXPECT_EQ(nullptr, OpenGraphics(640, 480, 0, 0, 0)) << "and again on a second try, windowed";
  EXPECT_EQ(nullptr, CreateGraphicsContext(64, 48, 0, 0, 0));
  EXPECT_EQ(seq, GraphicsSeq()) << "a failed opening stamps no new generation";
  EXPECT_EQ(nullptr, CurrentGraphicsContext());
  EXPECT_EQ(0, GraphicsModeCount()) << "no display, no modes";
  FlipGraphics(-1);  // nothing to present: harmless
}

// It changes the environment and ends with a context open on a driver that works, which the
// rest of this program must not meet: it runs in a process of its own.
TEST(WithoutADisplay, NothingOpensUnseenUnlessADriverIsAskedForByName) {
  EXPECT_IN_FRESH_PROCESS([]() -> std::string {
    for (const char* name : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}) unsetenv(name);
    if (DisplayAvailable()) return "expected no display with none named";
    StartDraw2DGraphics();
    if (OpenGraphics(640, 480, 32, 60, GraphicsBackBuffer))
      return "expected null, not a context on a driver that shows nothing";
    if (GraphicsModeCount() != 0) return "expected no modes without a display";
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (!DisplayAvailable()) return "expected a driver asked for by name to count";
    if (!OpenGraphics(64, 48, 0, 0, 0)) return "expected a context on the driver asked for";
    return "";
  });
}
