// Where SDL has no video back end to offer (run with SDL_VIDEODRIVER naming none), or nothing
// names a display, opening graphics fails back to the caller with null: the library never
// ends the process itself, nor draws where nobody sees it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "gfx/draw2d.h"
#include "gfx/graphics.h"

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

TEST(WithoutADisplay, NothingOpensUnseenUnlessADriverIsAskedForByName) {
  for (const char* name : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}) unsetenv(name);
  EXPECT_FALSE(DisplayAvailable());
  StartDraw2DGraphics();
  EXPECT_EQ(nullptr, OpenGraphics(640, 480, 32, 60, GraphicsBackBuffer))
      << "expected null, not a context on a driver that shows nothing";
  EXPECT_EQ(0, GraphicsModeCount()) << "expected no modes without a display";
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  EXPECT_TRUE(DisplayAvailable()) << "expected a driver asked for by name to count";
  EXPECT_NE(nullptr, OpenGraphics(64, 48, 0, 0, 0)) << "expected a context on the driver asked for";
}
