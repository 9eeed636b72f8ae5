#include "game/shell/game_main.h"

#include "gfx/draw2d.h"
#include "gfx/gl_util.h"
#include "gfx/graphics.h"
#include "system/input.h"

namespace {

constexpr int32_t kEscape = 27;

// One frame of the placeholder screen: a border, the title and a marker that crosses the
// screen once a second, so a glance shows that frames are being presented.
void draw_frame(int32_t frame) {
  SetClearColor(0, 0, 40);
  ClearScreen();
  SetDrawBlend(BlendSolid);
  SetDrawColor(90, 160, 255);
  FillRect(0, 0, 640, 4);
  FillRect(0, 476, 640, 4);
  FillRect(0, 0, 4, 480);
  FillRect(636, 0, 4, 480);
  SetDrawColor(255, 220, 60);
  FillOval(static_cast<float>(frame % 60) * (600.0f / 60.0f) + 10.0f, 300.0f, 20.0f, 20.0f);
  SetDrawColor(255, 255, 255);
  GLDrawText(u"Vektor Swarm 3D", 320 - 15 * 4, 232);
}

}  // namespace

int game_main() {
  static bool started = false;
  if (started) return 0;
  started = true;

  StartDraw2DGraphics();
  ApplicationTitle = u"Vektor Swarm 3D";
  if (!OpenGraphics(640, 480, 32, 60, GraphicsBackBuffer)) return -1;

  int32_t frame = 0;
  for (;;) {
    draw_frame(frame++);
    FlipGraphics(-1);
    if (TakeAppTerminateRequest() || KeyHitCount(kEscape)) break;
  }
  return 0;
}
