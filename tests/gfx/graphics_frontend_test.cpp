// The graphics front end: mode text and matching, frame pacing, the vertical-blank probe,
// GraphicsSeq and the current-context bookkeeping, over the real OpenGL driver where a
// context is needed (SDL's offscreen video driver).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <SDL.h>
#include <SDL_opengl.h>

#include "gfx/draw2d.h"
#include "gfx/opengl/gl_draw2d.h"
#include "gfx/opengl/gl_graphics_internal.h"
#include "gfx/graphics_internal.h"
#include "gfx/pixmap.h"
#include "stream/stream.h"
#include "system/hook.h"
#include "system/input.h"
#include "system/system.h"

namespace {

// A driver with a fixed mode list, for the front end's own rules.
class ListedModesDriver : public TGraphicsDriver {
 public:
  std::vector<TGraphicsMode> modes;
  int asked = 0;
  std::vector<TGraphicsMode> GraphicsModes() override {
    ++asked;
    return modes;
  }
  TGraphicsPtr AttachGraphics(const void*, int32_t) override { return nullptr; }
  TGraphicsPtr CreateGraphics(int32_t, int32_t, int32_t, int32_t, int32_t) override {
    throw TRuntimeError("GLGraphicsDriver failed to set display mode");
  }
  void SetGraphics(const TGraphicsPtr&) override {}
  void Flip(int32_t) override {}
  void SetIcon(const std::shared_ptr<TPixmap>& pixmap) override { icon = pixmap; }
  std::shared_ptr<TPixmap> icon;
};

// Puts the OpenGL 2D driver back after a test that selected one of its own.
void SelectGLAgain() { SelectGraphicsDriver(&TheGLDraw2DDriver(), GraphicsBackBuffer); }

}  // namespace

TEST(GraphicsMode, TextJoinsSizeDepthAndRate) {
  TGraphicsMode m{640, 480, 32, 60};
  EXPECT_EQ(u"640,480,32 60Hz", m.ToString());
}

TEST(GraphicsModes, ZeroArgumentsMatchAnyListedMode) {
  ListedModesDriver d;
  d.modes = {{640, 480, 32, 60}, {800, 600, 16, 75}};
  SelectGraphicsDriver(&d, GraphicsBackBuffer);
  EXPECT_EQ(1, HasGraphicsMode(0, 0, 0, 0));
  EXPECT_EQ(1, HasGraphicsMode(640, 480, 0, 0));
  EXPECT_EQ(1, HasGraphicsMode(0, 0, 16, 75));
  EXPECT_EQ(0, HasGraphicsMode(640, 480, 16, 0)) << "every nonzero argument must match one mode";
  EXPECT_EQ(0, HasGraphicsMode(1024, 0, 0, 0));
  EXPECT_EQ(2, GraphicsModeCount());
  int32_t w, h, depth, hz;
  GraphicsModeAt(1, w, h, depth, hz);
  EXPECT_EQ(800, w);
  EXPECT_EQ(75, hz);
  EXPECT_EQ(1, d.asked) << "the list is cached while the driver stays";
  SelectGLAgain();
}

TEST(GraphicsModes, ChangingTheDriverEmptiesTheCache) {
  ListedModesDriver a, b;
  a.modes = {{640, 480, 32, 60}};
  b.modes = {{320, 200, 16, 70}, {320, 240, 16, 70}};
  SelectGraphicsDriver(&a, 0);
  EXPECT_EQ(1, GraphicsModeCount());
  SelectGraphicsDriver(&b, 0);
  EXPECT_EQ(2, GraphicsModeCount());
  EXPECT_EQ(0, HasGraphicsMode(640, 0, 0, 0));
  SelectGLAgain();
}

// The display's modes as SDL gives them, through the drivers' filter: SDL's offscreen
// display lists none, so the filter is fed made-up ones.
TEST(GraphicsModes, FourBytesAre32BitsNoModeUnderSixteenBitsAndAtMost1024) {
  auto mode = [](int w, int h, uint32_t format, int hz) { return SDL_DisplayMode{format, w, h, hz, nullptr}; };
  const std::vector<TGraphicsMode> listed = GLListedModes(
      {mode(640, 480, SDL_PIXELFORMAT_RGB332, 60), mode(640, 480, SDL_PIXELFORMAT_RGB565, 60),
       mode(800, 600, SDL_PIXELFORMAT_RGB888, 75), mode(800, 600, SDL_PIXELFORMAT_RGB24, 75),
       mode(320, 200, SDL_PIXELFORMAT_INDEX8, 70)});
  std::vector<std::string> seen;
  for (const TGraphicsMode& m : listed) seen.push_back(TextToBytes(m.ToString()));
  EXPECT_EQ((std::vector<std::string>{"640,480,16 60Hz", "800,600,32 75Hz", "800,600,24 75Hz"}), seen)
      << "expected 8-bit modes left out and XRGB8888 listed as 32 bits";
  std::vector<SDL_DisplayMode> many(1100, mode(1024, 768, SDL_PIXELFORMAT_ARGB8888, 60));
  many.insert(many.begin(), mode(640, 480, SDL_PIXELFORMAT_INDEX8, 60));
  EXPECT_EQ(1024u, GLListedModes(many).size()) << "expected the list cut at 1024 listed modes";
}

TEST(CreateGraphicsContext, ErrorsRaisedByTheDriverGiveNull) {
  ListedModesDriver d;
  SelectGraphicsDriver(&d, 0);
  int32_t seq = GraphicsSeq();
  const int32_t hertz = GraphicsPacing().pace_hertz;
  EXPECT_EQ(nullptr, CreateGraphicsContext(640, 480, 32, 60, 0));
  EXPECT_EQ(nullptr, OpenGraphics(640, 480, 32, 60, 0));
  EXPECT_EQ(seq, GraphicsSeq()) << "a failed opening leaves the sequence number alone";
  EXPECT_EQ(hertz, GraphicsPacing().pace_hertz) << "a failed opening of a 60 Hz mode leaves the pacing alone";
  SelectGLAgain();
}

TEST(FramePacing, SixtyFramesAtSixtyHertzScheduleOneSecond) {
  TFramePacing p;
  p.Start(60, 5000);
  EXPECT_EQ(16, p.frame_ms);
  EXPECT_EQ(40, p.frame_rem);
  int longer = 0;
  int32_t before = p.next_tick;
  for (int i = 0; i < 60; ++i) {
    EXPECT_GT(p.Advance(5000), 0) << "frame " << i << " was early, so it must wait";
    if (p.next_tick - before == 17) ++longer;
    before = p.next_tick;
  }
  EXPECT_EQ(6000, p.next_tick) << "60 frames must take exactly 1000 ms";
  EXPECT_EQ(40, longer) << "40 of 60 frames take 17 ms";
}

TEST(FramePacing, ALateFrameResetsTheScheduleToNow) {
  TFramePacing p;
  p.Start(60, 1000);
  EXPECT_EQ(16, p.Advance(1000));
  EXPECT_EQ(0, p.Advance(1100)) << "a frame past its slot does not wait";
  EXPECT_EQ(1100, p.next_tick) << "the schedule restarts from the present";
  int32_t wait = p.Advance(1100);
  EXPECT_TRUE(wait == 16 || wait == 17) << "the following frame gets a whole slot, not a catch-up; got " << wait;
}

TEST(FramePacing, TheClockWrapsWithoutAStall) {
  TFramePacing p;
  p.Start(60, INT32_MAX - 5);
  int32_t wait = p.Advance(INT32_MAX - 5);
  EXPECT_EQ(16, wait) << "differences, not comparisons, decide across the wrap";
  EXPECT_EQ(0, p.Advance(INT32_MIN + 100)) << "a frame late past the wrap is late";
  EXPECT_EQ(INT32_MIN + 100, p.next_tick);
}

TEST(VBlankProbe, ThreeTimedFlipsInARowWithinOneMillisecond) {
  TVBlankProbe probe;
  probe.frame_ms = 1000 / 60;
  EXPECT_FALSE(probe.Feed(16));
  EXPECT_FALSE(probe.Feed(17));
  EXPECT_TRUE(probe.Feed(15));
}

TEST(VBlankProbe, AFlipOutsideTheWindowRestartsTheRun) {
  TVBlankProbe probe;
  probe.frame_ms = 16;
  EXPECT_FALSE(probe.Feed(16));
  EXPECT_FALSE(probe.Feed(16));
  EXPECT_FALSE(probe.Feed(18)) << "2 ms off breaks the run";
  EXPECT_FALSE(probe.Feed(16));
  EXPECT_FALSE(probe.Feed(16));
  EXPECT_TRUE(probe.Feed(16));
  TVBlankProbe no_wait;
  no_wait.frame_ms = 16;
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(no_wait.Feed(0)) << "a display that never waits";
}

TEST(GraphicsSeq, EveryOpeningAndClosingStampsANewGeneration) {
  StartGLDraw2DDriver();
  EndOpenGraphics();
  const int32_t start = GraphicsSeq();
  ASSERT_TRUE(OpenGraphics(64, 48, 0, 0, 0));
  EXPECT_NE(0, GraphicsSeq()) << "never 0 once opened";
  EXPECT_EQ(start + 1, GraphicsSeq());
  ASSERT_TRUE(OpenGraphics(64, 48, 0, 0, 0));
  EXPECT_EQ(start + 3, GraphicsSeq()) << "closing the first and opening the second";
  EndOpenGraphics();
  EXPECT_EQ(start + 4, GraphicsSeq());
  EndOpenGraphics();
  EXPECT_EQ(start + 4, GraphicsSeq()) << "nothing to close, nothing stamped";
  EXPECT_EQ(nullptr, OpenGraphics(0, 48, 0, 0, 0));
  EXPECT_EQ(start + 4, GraphicsSeq());
}

TEST(OpenGraphics, MakesTheContextCurrentWithItsSettings) {
  StartGLDraw2DDriver();
  TGraphicsPtr g = OpenGraphics(320, 200, 0, 60, GraphicsAlphaBuffer);
  ASSERT_TRUE(g);
  EXPECT_EQ(g, CurrentGraphicsContext());
  EXPECT_EQ(320, CurrentGraphicsWidth());
  EXPECT_EQ(200, CurrentGraphicsHeight());
  EXPECT_EQ(0, CurrentGraphicsDepth());
  EXPECT_EQ(60, CurrentGraphicsHertz());
  EXPECT_EQ(GraphicsAlphaBuffer | GraphicsBackBuffer, CurrentGraphicsFlags())
      << "the default flags are added";
  EXPECT_EQ(u"OpenGL", CurrentGraphicsDriver()->ToString());
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(320, vp[2]);
  EXPECT_EQ(200, vp[3]);
  EndOpenGraphics();
}

TEST(OpenGraphics, AWindowWithARateAlwaysPacesByTheClock) {
  StartGLDraw2DDriver();
  ASSERT_TRUE(OpenGraphics(64, 48, 0, 60, 0));
  EXPECT_EQ(1, GraphicsPacing().soft_sync);
  EXPECT_EQ(16, GraphicsPacing().frame_ms);
  int32_t before = GraphicsPacing().next_tick;
  FlipGraphics(-1);
  EXPECT_NE(before, GraphicsPacing().next_tick) << "the paced flip moves the schedule";
  EXPECT_EQ(0, GLLastSwapInterval()) << "on a display of unknown rate the swap does not wait";
  EndOpenGraphics();
}

TEST(OpenGraphics, FullScreenOnADisplayOfUnknownRatePacesByTheClockWithoutProbing) {
  StartGLDraw2DDriver();
  ASSERT_TRUE(OpenGraphics(64, 48, 32, 60, 0));
  ASSERT_EQ(0, CurrentGraphicsDriver()->DisplayHertz())
      << "expected SDL's offscreen display to report no refresh rate";
  EXPECT_EQ(0, LastOpenGraphicsTimes().probe_flips) << "only a display at the asked rate is probed";
  EXPECT_EQ(1, GraphicsPacing().soft_sync);
  FlipGraphics(-1);
  EXPECT_EQ(0, GLLastSwapInterval()) << "a display that may be slower than the schedule is not waited for";
  EndOpenGraphics();
}

TEST(PacingPlan, ProbesOnlyAtTheAskedRateAndWaitsOnlyForDisplaysAsFast) {
  EXPECT_TRUE(PlanPacing(32, 60, 60).probe);
  EXPECT_FALSE(PlanPacing(32, 60, 0).probe) << "unknown rate";
  EXPECT_FALSE(PlanPacing(32, 60, 144).probe) << "another rate";
  EXPECT_FALSE(PlanPacing(0, 60, 60).probe) << "a window is always paced by the clock";
  EXPECT_FALSE(PlanPacing(32, 0, 60).probe) << "hertz 0 is never paced";
  EXPECT_EQ(-1, PlanPacing(32, 60, 144).clock_sync) << "a faster display shows whole frames";
  EXPECT_EQ(-1, PlanPacing(0, 60, 75).clock_sync);
  EXPECT_EQ(0, PlanPacing(32, 60, 50).clock_sync) << "waiting for a slower blank would miss the slots";
  EXPECT_EQ(0, PlanPacing(32, 60, 0).clock_sync) << "a rate nobody reports may be slower";
}

TEST(OpenGraphics, HertzZeroNeverPaces) {
  StartGLDraw2DDriver();
  ASSERT_TRUE(OpenGraphics(64, 48, 0, 0, 0));
  EXPECT_EQ(0, GraphicsPacing().soft_sync);
  EXPECT_EQ(0, GraphicsPacing().frame_ms);
  int32_t before = GraphicsPacing().next_tick;
  FlipGraphics(-1);
  EXPECT_EQ(before, GraphicsPacing().next_tick);
  EXPECT_EQ(0, GLLastSwapInterval()) << "a window flips with sync 0";
  EndOpenGraphics();
}

TEST(OpenGraphics, FullScreenAtHertzZeroFlipsWithSyncOne) {
  StartGLDraw2DDriver();
  ASSERT_TRUE(OpenGraphics(64, 48, 32, 0, 0));
  EXPECT_EQ(0, GraphicsPacing().soft_sync);
  FlipGraphics(-1);
  EXPECT_EQ(1, GLLastSwapInterval());
  EndOpenGraphics();
}

TEST(FlipGraphics, AContextOtherThanTheOpenedOneIsNotPaced) {
  StartGLDraw2DDriver();
  TGraphicsPtr opened = OpenGraphics(64, 48, 0, 60, 0);
  ASSERT_TRUE(opened);
  TGraphicsPtr other = CreateGraphicsContext(32, 32, 0, 60, 0);
  ASSERT_TRUE(other);
  MakeGraphicsCurrent(other);
  TFramePacing before = GraphicsPacing();
  FlipGraphics(-1);
  EXPECT_EQ(before.next_tick, GraphicsPacing().next_tick);
  EXPECT_EQ(before.rem_accum, GraphicsPacing().rem_accum);
  EXPECT_EQ(0, GLLastSwapInterval()) << "cached depth 0: sync 0";
  CloseGraphicsContext(other);
  EXPECT_EQ(nullptr, CurrentGraphicsContext()) << "closing the current context leaves none";
  EXPECT_EQ(0, CurrentGraphicsWidth());
  EXPECT_EQ(0, CurrentGraphicsHeight());
  EndOpenGraphics();
}

TEST(FlipGraphics, TheFlipHookChannelRunsBeforeEveryFlip) {
  StartGLDraw2DDriver();
  ASSERT_TRUE(OpenGraphics(64, 48, 0, 0, 0));
  static int runs;
  runs = 0;
  THookFunction hook = [](int32_t, const std::shared_ptr<void>& data,
                          const std::shared_ptr<void>&) {
    ++runs;
    return data;
  };
  AttachHook(FlipHookChannel(), hook);
  FlipGraphics(-1);
  FlipGraphics(0);
  DetachHook(FlipHookChannel(), hook);
  EXPECT_EQ(2, runs);
  EndOpenGraphics();
}

TEST(GLGraphicsDriver, TheFirstFlipOfEveryContextSetsTheSwapInterval) {
  StartGLDraw2DDriver();
  TGraphicsPtr first = OpenGraphics(64, 48, 0, 0, 0);
  ASSERT_TRUE(first) << "opening clears and flips with sync 0";
  EXPECT_EQ(0, GLLastSwapInterval());
  FlipGraphics(1);
  EXPECT_EQ(1, GLLastSwapInterval());
  TGraphicsPtr second = CreateGraphicsContext(32, 32, 0, 0, 0);
  ASSERT_TRUE(second);
  MakeGraphicsCurrent(second);
  MakeGraphicsCurrent(first);
  EXPECT_EQ(GLSwapIntervalUnset, GLLastSwapInterval())
      << "the interval is the context's own: one made current again is set at its next flip";
  FlipGraphics(1);
  EXPECT_EQ(1, GLLastSwapInterval());
  CloseGraphicsContext(second);
  EndOpenGraphics();
}

TEST(GLGraphicsDriver, AWindowSitsAtItsAskedSizeWithTheCaption) {
  StartGLDraw2DDriver();
  ApplicationTitle = u"Vektor Swarm 3D";
  TGraphicsPtr g = OpenGraphics(200, 100, 0, 0, 0);
  ASSERT_TRUE(g);
  TGLContextInfo info = GLGraphicsInfo(*g);
  EXPECT_EQ(2, info.kind);
  EXPECT_FALSE(info.scaled);
  SDL_Window* w = SDL_GetWindowFromID(GLGraphicsWindowId(*g));
  ASSERT_NE(nullptr, w);
  EXPECT_STREQ("Vektor Swarm 3D", SDL_GetWindowTitle(w));
  EXPECT_FALSE(SDL_GetWindowFlags(w) & SDL_WINDOW_RESIZABLE);
  EndOpenGraphics();
  EXPECT_EQ(nullptr, SDL_GetWindowFromID(GLGraphicsWindowId(*g))) << "closing destroys the window";
}

TEST(GLGraphicsDriver, AWindowGivenAnotherSizeGoesOnFromThePictureDrawnBefore) {
  StartGLDraw2DDriver();
  TGraphicsPtr g = OpenGraphics(200, 100, 0, 0, 0);
  ASSERT_TRUE(g);
  ASSERT_FALSE(GLGraphicsInfo(*g).scaled) << "a window of the picture's size is drawn into directly";
  SetClearColor(0, 0, 255);
  ClearScreen();
  SetDrawColor(255, 0, 0);
  FillRect(10, 70, 20, 20);  // near the bottom left, where the two row orders differ
  SDL_SetWindowSize(SDL_GetWindowFromID(GLGraphicsWindowId(*g)), 400, 150);
  PollSystemEvents();
  FlipGraphics(0);
  ASSERT_TRUE(GLGraphicsInfo(*g).scaled) << "a window of another size shows the picture scaled";
  TPixmapPtr p = GrabScreenPixmap(0, 0, 200, 100);
  EXPECT_EQ(0xFF0000u, ReadPixel(p, 15, 75) & 0xFFFFFF) << "the rectangle, where it was drawn";
  EXPECT_EQ(0x0000FFu, ReadPixel(p, 15, 25) & 0xFFFFFF) << "the cleared ground above it";
  SetClearColor(0, 0, 0);
  EndOpenGraphics();
}

TEST(GLGraphicsDriver, FullScreenCoversTheDisplayAndKeepsItsOwnSize) {
  StartGLDraw2DDriver();
  TGraphicsPtr g = OpenGraphics(640, 480, 32, 0, 0);
  ASSERT_TRUE(g);
  TGLContextInfo info = GLGraphicsInfo(*g);
  EXPECT_EQ(3, info.kind);
  EXPECT_TRUE(info.scaled) << "full screen always draws offscreen at its own size";
  SDL_DisplayMode desktop;
  ASSERT_EQ(0, SDL_GetDesktopDisplayMode(0, &desktop));
  EXPECT_EQ(desktop.w, info.drawable_width);
  EXPECT_EQ(desktop.h, info.drawable_height);
  EXPECT_EQ(640, CurrentGraphicsWidth());
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(640, vp[2]);
  EXPECT_EQ(480, vp[3]);
  EndOpenGraphics();
}

TEST(GLGraphicsDriver, PointerPositionsStayInTheContextsOwnPixels) {
  StartGLDraw2DDriver();
  TGraphicsPtr g = OpenGraphics(640, 480, 32, 0, 0);
  ASSERT_TRUE(g);
  TGLContextInfo info = GLGraphicsInfo(*g);
  ASSERT_GT(info.window_width, 0);
  // The middle of the window is the middle of the context, whatever the display's size.
  float x = info.window_width / 2.0f, y = info.window_height / 2.0f;
  GLWindowToClient(*g, x, y);
  EXPECT_NEAR(320.0f, x, 0.01f);
  EXPECT_NEAR(240.0f, y, 0.01f);
  // The top-left of the picture inside the bars is the context's origin.
  float wx = info.dest_x * static_cast<float>(info.window_width) / info.drawable_width;
  float wy = info.dest_y * static_cast<float>(info.window_height) / info.drawable_height;
  GLWindowToClient(*g, wx, wy);
  EXPECT_NEAR(0.0f, wx, 0.01f);
  EXPECT_NEAR(0.0f, wy, 0.01f);
  float cx = 100.0f, cy = 50.0f;
  GLClientToWindow(*g, cx, cy);
  GLWindowToClient(*g, cx, cy);
  EXPECT_NEAR(100.0f, cx, 0.01f) << "there and back";
  EXPECT_NEAR(50.0f, cy, 0.01f);
  EndOpenGraphics();
}

TEST(GLGraphicsDriver, MouseEventsArriveInTheContextsOwnPixels) {
  StartGLDraw2DDriver();
  TGraphicsPtr g = OpenGraphics(640, 480, 32, 0, 0);
  ASSERT_TRUE(g);
  TGLContextInfo info = GLGraphicsInfo(*g);
  // Three quarters across and a quarter down the picture, in SDL window coordinates.
  float wx = 480.0f, wy = 120.0f;
  GLClientToWindow(*g, wx, wy);
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = GLGraphicsWindowId(*g);
  e.motion.x = static_cast<Sint32>(wx);
  e.motion.y = static_cast<Sint32>(wy);
  ASSERT_EQ(1, SDL_PushEvent(&e));
  EXPECT_NEAR(480, MousePosX(), 1) << "window " << info.window_width << " x " << info.window_height;
  EXPECT_NEAR(120, MousePosY(), 1);
  EndOpenGraphics();
}

namespace {
// A key pressed and released in the context's window, as the desktop would report it.
void PressKey(const TGraphics& g, SDL_Scancode code, Uint16 mods) {
  for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
    SDL_Event e{};
    e.key.type = type;
    e.key.windowID = GLGraphicsWindowId(g);
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = code;
    e.key.keysym.mod = mods;
    ASSERT_EQ(1, SDL_PushEvent(&e));
  }
  PollSystemEvents();
}

// Top-left pixel coordinates of the current context, read from what it draws into.
bool Lit(int x, int y) {
  uint8_t p[4] = {};
  glReadPixels(x, CurrentGraphicsHeight() - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return p[0] > 128;
}
}  // namespace

TEST(GLGraphicsDriver, AltEnterAndF11SwitchFullScreenAndAWindowKeepingTheContextsOwnPixels) {
  StartGLDraw2DDriver();
  TGraphicsPtr g = OpenGraphics(640, 480, 32, 0, 0);
  ASSERT_TRUE(g);
  SDL_Window* window = SDL_GetWindowFromID(GLGraphicsWindowId(*g));
  ASSERT_NE(nullptr, window);
  SDL_Rect display;
  ASSERT_EQ(0, SDL_GetDisplayBounds(0, &display));

  PressKey(*g, SDL_SCANCODE_RETURN, KMOD_LALT);
  TGLContextInfo info = GLGraphicsInfo(*g);
  EXPECT_TRUE(info.windowed) << "expected a window after Alt+Enter";
  EXPECT_FALSE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
  int32_t w, h;
  GLWindowedSize(640, 480, display.w, display.h, w, h);
  EXPECT_EQ(w, info.window_width) << "expected the largest whole multiple that fits";
  EXPECT_EQ(h, info.window_height);
  EXPECT_EQ(640, CurrentGraphicsWidth()) << "the context keeps its size";
  EXPECT_EQ(0, KeyHitCount(13)) << "the switch is the window's: the program sees no Enter";
  EXPECT_EQ(0, NextCharCode()) << "nor its character";

  // A player's resize: wider than 4:3, so bars left and right.
  SDL_SetWindowSize(window, 1000, 500);
  PollSystemEvents();
  info = GLGraphicsInfo(*g);
  ASSERT_EQ(1000, info.window_width);
  float x = 500.0f, y = 250.0f;
  GLWindowToClient(*g, x, y);
  EXPECT_NEAR(320.0f, x, 0.5f) << "the window's middle is the picture's middle (to the rounding of the bars)";
  EXPECT_NEAR(240.0f, y, 0.5f);
  x = 0.0f, y = 0.0f;
  GLClientToWindow(*g, x, y);
  EXPECT_NEAR((1000.0f - 500.0f * 4 / 3) / 2, x, 1.0f) << "the picture starts after the left bar";
  EXPECT_NEAR(0.0f, y, 0.01f);
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.windowID = GLGraphicsWindowId(*g);
  float wx = 600.0f, wy = 400.0f;
  GLClientToWindow(*g, wx, wy);
  motion.motion.x = static_cast<Sint32>(wx + 0.5f);
  motion.motion.y = static_cast<Sint32>(wy + 0.5f);
  ASSERT_EQ(1, SDL_PushEvent(&motion));
  EXPECT_NEAR(600, MousePosX(), 1) << "the pointer in the context's own pixels";
  EXPECT_NEAR(400, MousePosY(), 1);
  SetClearColor(0, 0, 0);
  ClearScreen();
  SetDrawColor(255, 255, 255);
  FillRect(600, 400, 10, 10);
  EXPECT_TRUE(Lit(605, 405)) << "pixel reads stay in the context's own pixels";
  EXPECT_FALSE(Lit(595, 405));
  FlipGraphics(0);

  PressKey(*g, SDL_SCANCODE_F11, KMOD_NONE);
  info = GLGraphicsInfo(*g);
  EXPECT_FALSE(info.windowed) << "expected full screen again after F11";
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP);
  EXPECT_EQ(display.w, info.window_width) << "covering the display";
  EXPECT_EQ(display.h, info.window_height);
  EXPECT_EQ(0, KeyHitCount(122)) << "the program sees no F11";
  PressKey(*g, SDL_SCANCODE_RETURN, KMOD_NONE);
  EXPECT_EQ(1, KeyHitCount(13)) << "Enter without Alt is the program's";
  EXPECT_FALSE(GLGraphicsInfo(*g).windowed);
  EndOpenGraphics();
}

namespace {
void PushMotion(const TGraphics& g, int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = GLGraphicsWindowId(g);
  e.motion.x = x;
  e.motion.y = y;
  ASSERT_EQ(1, SDL_PushEvent(&e));
}
}  // namespace

TEST(GLGraphicsDriver, FullScreenHoldsThePointerOnThePictureAndAWindowOnlyWhenAsked) {
  StartGLDraw2DDriver();
  TGraphicsPtr g = OpenGraphics(640, 480, 32, 0, 0);
  ASSERT_TRUE(g);
  TGLContextInfo info = GLGraphicsInfo(*g);
  PushMotion(*g, info.window_width + 300, -200);
  EXPECT_EQ(639, MousePosX()) << "full screen: a position past the picture reads as its edge";
  EXPECT_EQ(0, MousePosY());
  MoveMousePointer(-50, 1000);
  EXPECT_EQ(0, MousePosX()) << "and the pointer is moved no further than the edge";
  EXPECT_EQ(479, MousePosY());
  MoveMousePointer(321, 239);
  EXPECT_EQ(321, MousePosX()) << "a pointer put on a scaled picture reads where it was put";
  EXPECT_EQ(239, MousePosY());

  PressKey(*g, SDL_SCANCODE_RETURN, KMOD_LALT);
  ASSERT_TRUE(GLGraphicsInfo(*g).windowed);
  SDL_SetWindowSize(SDL_GetWindowFromID(GLGraphicsWindowId(*g)), 1000, 500);
  PollSystemEvents();
  PushMotion(*g, 5, 250);
  EXPECT_LT(MousePosX(), 0) << "in a window the pointer may rest on the bars";
  ConfineMousePointer(1);
  PushMotion(*g, 5, 250);
  EXPECT_EQ(0, MousePosX()) << "unless the program holds it on the picture";
  ConfineMousePointer(0);
  EndOpenGraphics();
}

TEST(GLWindowedSize, IsTheLargestWholeMultipleThatFitsAndNeverBelowOne) {
  int32_t w, h;
  GLWindowedSize(640, 480, 1920, 1040, w, h);
  EXPECT_EQ(1280, w) << "a 1920 x 1080 desktop with a panel";
  EXPECT_EQ(960, h);
  GLWindowedSize(640, 480, 3840, 2100, w, h);
  EXPECT_EQ(2560, w) << "the height decides on a wide desktop";
  EXPECT_EQ(1920, h);
  GLWindowedSize(640, 480, 800, 440, w, h);
  EXPECT_EQ(640, w) << "a desktop smaller than the picture still gets it at 1x";
  EXPECT_EQ(480, h);
}

TEST(SetGraphicsIcon, ReachesTheDriversSelectedLater) {
  StartGLDraw2DDriver();
  TPixmapPtr picture = TPixmap::Create(64, 64, RGB24);
  ASSERT_TRUE(picture);
  SetGraphicsIcon(picture);  // set before any window, as programs do
  TGraphicsPtr g = OpenGraphics(64, 48, 0, 0, 0);
  EXPECT_TRUE(g) << "a window opens with an icon of another format than the desktop's";
  EndOpenGraphics();
  ListedModesDriver listed;
  SelectGraphicsDriver(&listed, 0);
  EXPECT_EQ(picture, listed.icon) << "expected the icon handed to the newly selected driver";
  SetGraphicsIcon(nullptr);
  EXPECT_EQ(nullptr, listed.icon) << "expected the current driver told at once";
  SelectGLAgain();
}

TEST(GLGraphicsDriver, AttachingNoWindowGivesNull) {
  StartGLDraw2DDriver();
  EXPECT_EQ(nullptr, AttachGraphicsContext(nullptr, 0));
}

TEST(GLScaledRect, KeepsTheAspectWithBarsCentred) {
  int32_t x, y, w, h;
  GLScaledRect(640, 480, 1280, 1024, x, y, w, h);
  EXPECT_EQ(0, x);
  EXPECT_EQ(32, y);
  EXPECT_EQ(1280, w);
  EXPECT_EQ(960, h);
  GLScaledRect(640, 480, 1920, 1080, x, y, w, h);
  EXPECT_EQ(240, x) << "bars left and right on a wide display";
  EXPECT_EQ(0, y);
  EXPECT_EQ(1440, w);
  EXPECT_EQ(1080, h);
  GLScaledRect(640, 480, 640, 480, x, y, w, h);
  EXPECT_EQ(0, x);
  EXPECT_EQ(640, w);
  GLScaledRect(640, 480, 0, 0, x, y, w, h);
  EXPECT_EQ(0, w) << "a minimised window has nothing to draw into";
}

TEST(GraphicsSettings, AreWrittenAsFourIntegers) {
  StartGLDraw2DDriver();
  TGraphicsPtr g = OpenGraphics(96, 64, 0, 0, 0);
  ASSERT_TRUE(g);
  uint8_t bytes[16] = {};
  auto ram = TRamStream::Create(bytes, sizeof bytes, true, true);
  WriteGraphicsSettings(*ram, *g);
  EXPECT_EQ(16, ram->Pos());
  EXPECT_EQ(96, bytes[0]) << "little-endian width first";
  ram->Seek(0);
  TGraphicsPtr again = ReadGraphicsSettings(*ram);
  ASSERT_TRUE(again);
  EXPECT_EQ(96, CurrentGraphicsWidth());
  EXPECT_EQ(64, CurrentGraphicsHeight());
  EndOpenGraphics();
}
