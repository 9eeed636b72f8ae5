// Where SDL has no video back end to offer (run with SDL_VIDEODRIVER naming none), opening
// graphics fails back to the caller with null: the library never ends the process itself.
#include <gtest/gtest.h>

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
