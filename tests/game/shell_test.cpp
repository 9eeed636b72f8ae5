// The shell in the real game: start-up on an offscreen window, then main-loop passes driven by
// input through the real event pump, with pixels read back where the rule is about pictures.
#include <gtest/gtest.h>

#include <algorithm>

#include "game/globals.h"
#include "game/shell/assets_internal.h"
#include "game/shell/hud.h"
#include "game/shell/main_loop.h"
#include "game/shell/screens.h"
#include "gfx/draw2d.h"
#include "gfx/font.h"
#include "system/input.h"
#include "system/system.h"
#include "tests/game/game_harness.h"

namespace {

class Shell : public harness::GameTest {
 protected:
  void TearDown() override {
    stereo_mode = 0;
    music_step = sfx_step = 10;
    music_volume = sfx_volume = 1.0f;
    harness::back_to_title();
  }
  void click_item(int32_t item) {
    harness::click(320, 245 + 40 * item);
    harness::run_passes(1);
  }
  // Into play past the get-ready zoom.
  void start_playing() {
    click_item(0);
    ASSERT_EQ(kPlaying, game_state);
    ready_scale = 1.0f;
  }
};

struct Box {
  int32_t left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

// The box of every pixel brighter than black in the back buffer.
Box lit_box() {
  TPixmapPtr p = GrabScreenPixmap(0, 0, 640, 480);
  Box b;
  for (int32_t y = 0; y < 480; ++y)
    for (int32_t x = 0; x < 640; ++x)
      if ((ReadPixel(p, x, y) & 0xFFFFFF) != 0) {
        b.left = std::min(b.left, x);
        b.top = std::min(b.top, y);
        b.right = std::max(b.right, x);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

uint32_t rgb_at(int32_t x, int32_t y) { return ReadPixel(GrabScreenPixmap(x, y, 1, 1), 0, 0) & 0xFFFFFF; }

TEST_F(Shell, MenuBandsTruncateTowardsZero) {
  for (int32_t y : {201, 279}) {
    harness::back_to_title();
    harness::click(320, y);
    harness::run_passes(1);
    EXPECT_EQ(kPlaying, game_state) << "a click at y " << y << " should start a game";
  }
  harness::back_to_title();
  harness::click(320, 280);
  harness::run_passes(1);
  EXPECT_EQ(1, stereo_mode) << "y 280 is the first pixel of the stereo item";
  stereo_mode = 0;
  for (int32_t y : {200, 440}) {
    harness::back_to_title();
    harness::click(320, y);
    harness::run_passes(1);
    EXPECT_EQ(kTitle, game_state) << "y " << y << " lies outside every item";
    EXPECT_EQ(0, stereo_mode);
    EXPECT_EQ(10, music_step);
    EXPECT_EQ(0, quit_requested);
  }
}

int32_t highlighted_item() { return menu_item_at(MousePosY()); }

TEST_F(Shell, UpAndDownWalkTheItemsRoundAndReturnChoosesTheHighlightedOne) {
  ASSERT_EQ(0, highlighted_item()) << "the title opens on the first item";
  for (int32_t want : {1, 2, 3, 4, 0}) {
    harness::press_key(SDL_SCANCODE_DOWN);
    harness::run_passes(1);
    EXPECT_EQ(want, highlighted_item()) << "after Down";
  }
  harness::press_key(SDL_SCANCODE_UP);
  harness::run_passes(1);
  EXPECT_EQ(4, highlighted_item()) << "Up from the first item goes round to the last";
  for (int32_t i = 0; i < 3; ++i) harness::press_key(SDL_SCANCODE_UP);
  harness::press_key(SDL_SCANCODE_RETURN);
  harness::run_passes(1);
  EXPECT_EQ(1, highlighted_item()) << "three presses in one frame move three items";
  EXPECT_EQ(1, stereo_mode) << "Return in the same frame chooses the item the keys went to";
  EXPECT_EQ(kTitle, game_state);
}

TEST_F(Shell, LeftCtrlChoosesAsAClickWouldAndTheGameItStartsDoesNotFireIt) {
  harness::press_key(SDL_SCANCODE_LCTRL);
  harness::run_passes(1);
  ASSERT_EQ(kPlaying, game_state) << "left Ctrl on Start Game starts a game";
  ready_scale = 1.0f;
  harness::run_passes(20);
  EXPECT_EQ(0u, pshot_list.size()) << "the press that chose the item fired no shot";
  EXPECT_EQ(0, cue_count(snd_shoot));
}

TEST_F(Shell, ThePauseMenuAnswersTheKeysToo) {
  start_playing();
  harness::press_key(SDL_SCANCODE_SPACE);
  harness::run_passes(1);
  ASSERT_EQ(kPaused, game_state);
  harness::press_key(SDL_SCANCODE_UP);
  harness::run_passes(1);
  EXPECT_EQ(u"Quit This Game", menu_item_text(highlighted_item()));
  harness::press_key(SDL_SCANCODE_RETURN);
  harness::run_passes(1);
  EXPECT_EQ(kTitle, game_state);
}

TEST_F(Shell, MusicVolumeStepsThroughOffBackToMaxInSinglePrecision) {
  const char16_t* expected[] = {u"Off", u"10%", u"20%", u"30%", u"40%", u"50%",
                                u"60%", u"70%", u"80%", u"90%", u"Max"};
  for (const char16_t* label : expected) {
    click_item(2);
    EXPECT_EQ(std::u16string(u"Music Volume: ") + label, menu_item_text(2));
  }
  EXPECT_EQ(10, music_step);
  EXPECT_EQ(1.0000001f, music_volume) << "ten steps of 0.1 from 0 in single precision";
  EXPECT_NE(1.0f, music_volume);
}

TEST_F(Shell, EffectsVolumeItemPlaysTheCueAtEachStep) {
  click_item(3);
  click_item(3);
  EXPECT_EQ(u"SoundFX Volume: 10%", menu_item_text(3));
  EXPECT_EQ(2, cue_count(snd_hiscore));
}

TEST_F(Shell, ItemsChangeTheirTextWhenPaused) {
  EXPECT_EQ(u"Start Game", menu_item_text(0));
  EXPECT_EQ(u"Exit Vektor Swarm", menu_item_text(4));
  game_state = kPaused;
  EXPECT_EQ(u"Resume Game", menu_item_text(0));
  EXPECT_EQ(u"Quit This Game", menu_item_text(4));
  stereo_mode = 3;
  EXPECT_EQ(u"3D Graphics: R\\C", menu_item_text(1));
}

// The eye colours are the published table of the glasses types, "M\G", "R\G", "R\C" and
// "R\B"; Off keeps the colours in force.
TEST_F(Shell, StereoItemCyclesTheGlassesThroughThePublishedEyeColours) {
  struct Eyes {
    int32_t l[3], r[3];
  };
  const Eyes table[] = {{{140, 4, 40}, {4, 100, 20}},
                        {{4, 100, 20}, {140, 4, 10}},
                        {{4, 80, 60}, {140, 4, 10}},
                        {{4, 20, 140}, {140, 4, 20}}};
  for (int32_t mode = 1; mode <= 5; ++mode) {
    click_item(1);
    const int32_t want = mode % 5;
    EXPECT_EQ(want, stereo_mode);
    const Eyes& e = table[(want == 0 ? 4 : want) - 1];  // off keeps the last colours
    const std::string of = "the published colours of glasses type " + std::to_string(want);
    EXPECT_EQ(e.l[0], kxdraw.leye_r) << of;
    EXPECT_EQ(e.l[1], kxdraw.leye_g) << of;
    EXPECT_EQ(e.l[2], kxdraw.leye_b) << of;
    EXPECT_EQ(e.r[0], kxdraw.reye_r) << of;
    EXPECT_EQ(e.r[1], kxdraw.reye_g) << of;
    EXPECT_EQ(e.r[2], kxdraw.reye_b) << of;
  }
}

TEST_F(Shell, EscapeOnTheTitleEndsTheLoopWithTheCue) {
  harness::press_key(SDL_SCANCODE_ESCAPE);
  EXPECT_FALSE(harness::run_passes(1)) << "the main loop should end after this pass";
  EXPECT_EQ(1, quit_requested);
  EXPECT_EQ(1, cue_count(snd_hiscore));
}

TEST_F(Shell, EscapeOnThePauseScreenGoesBackToTheTitle) {
  start_playing();
  harness::press_key(SDL_SCANCODE_ESCAPE);
  harness::run_passes(1);
  ASSERT_EQ(kPaused, game_state) << "Escape during play pauses";
  harness::press_key(SDL_SCANCODE_ESCAPE);
  EXPECT_TRUE(harness::run_passes(1));
  EXPECT_EQ(kTitle, game_state);
  EXPECT_EQ(0, blocker.enable);
  EXPECT_EQ(1, cue_count(snd_hiscore));
}

TEST_F(Shell, HoldingSpacePausesOnceAndSpaceAgainResumes) {
  start_playing();
  harness::key_down(SDL_SCANCODE_SPACE);
  harness::run_passes(5);
  EXPECT_EQ(kPaused, game_state) << "a held key is one hit, flushed on pausing";
  harness::key_up(SDL_SCANCODE_SPACE);
  harness::press_key(SDL_SCANCODE_SPACE);
  harness::run_passes(1);
  EXPECT_EQ(kPlaying, game_state);
}

TEST_F(Shell, ClosingTheWindowEndsTheLoopAtTheEndOfThePass) {
  start_playing();
  SDL_Event e{};
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  EXPECT_FALSE(harness::run_passes(1));
}

TEST_F(Shell, HeadsUpFiguresHaveAtLeastTwoDigits) {
  EXPECT_EQ(u"Score: 00", hud_text(u"Score: ", 0));
  EXPECT_EQ(u"Stage: 07", hud_text(u"Stage: ", 7));
  EXPECT_EQ(u"Score: 10", hud_text(u"Score: ", 10));
  EXPECT_EQ(u"Best: 250", hud_text(u"Best: ", 250));
}

TEST_F(Shell, SpareShipsShowOnlyDuringPlay) {
  auto icons_drawn = [](int32_t state, int32_t lives) {
    game_state = state;
    player.lives = lives;
    ClearScreen();
    draw_hud();
    std::string seen;
    for (int32_t x : {15, 40, 65}) seen += rgb_at(x, 470) != 0 ? '#' : '.';
    return seen;
  };
  EXPECT_EQ("##.", icons_drawn(kPlaying, 3));
  EXPECT_EQ("...", icons_drawn(kPlaying, 1));
  EXPECT_EQ("...", icons_drawn(kTitle, 3));
  EXPECT_EQ("...", icons_drawn(kDying, 3));
}

TEST_F(Shell, StageFigureEndsAtTheSameEdgeWhateverItsWidth) {
  game_state = kTitle;
  for (int32_t level : {1, 12345}) {
    player.level = level;
    ClearScreen();
    draw_hud();
    const Box b = lit_box();
    EXPECT_GE(b.right, 630) << "stage " << level;
    EXPECT_LE(b.right, 638) << "stage " << level;
  }
  player.level = 1;
}

TEST_F(Shell, StereoCopiesOfAWhitePixelAddUpToBothEyeColours) {
  TImagePtr white = NewImage(3, 3, 1, 0);
  ClearPixmap(LockImageFrame(white, 0), 0xFFFFFFFF);
  stereo_mode = 2;
  select_eye_colours(2);
  ClearScreen();
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  kxdraw.i3d(white, 100, 100, 0, 0.0f, 0, 1);
  EXPECT_EQ(0x90681Eu, rgb_at(101, 101)) << "(144, 104, 30) expected in mode 2";

  ClearScreen();
  kxdraw.i3d(white, 100, 100, 0, 0.0f, 0, 0);
  EXPECT_EQ(0u, rgb_at(101, 101)) << "no passes draw nothing in stereo";
  stereo_mode = 0;
  SetDrawColor(255, 255, 255);
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  kxdraw.i3d(white, 100, 100, 0, 0.0f, 0, 0);
  EXPECT_EQ(0xFFFFFFu, rgb_at(101, 101)) << "flat drawing ignores the passes";
}

TEST_F(Shell, CentredTextMovesByOneUnscaledWidthAndLineHeight) {
  const std::u16string text = u"Vektor";
  SetDrawColor(255, 255, 255);
  kxdraw.sip(BlendAlpha, 1.0f, 0, 2.0f, 2.0f);
  ClearScreen();
  kxdraw.t3d(text, 320, 240, 0, 0);
  const Box plain = lit_box();
  ClearScreen();
  kxdraw.t3d(text, 320, 240, 0, 1);
  const Box centred = lit_box();
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  EXPECT_EQ(plain.left - StringWidth(text), centred.left);
  EXPECT_EQ(plain.top - FontLineHeight(), centred.top);
}

TEST_F(Shell, TurningAPairLeavesTheRotationTruncated) {
  SetDrawRotation(10.7f);
  kxdraw.i3d(img_dots, 100, 100, 0, 1.0f, 0, 1);
  EXPECT_EQ(10.7f, GetDrawRotation()) << "rot 0 never touches the rotation";
  kxdraw.i3d(img_dots, 100, 100, 0, 1.0f, 5.0f, 1);
  EXPECT_EQ(10.0f, GetDrawRotation());
  SetDrawRotation(0);
}

// Runs the logo screen once and answers how many frames it presented.
int64_t logo_frames() {
  const int64_t before = harness::flips();
  EXPECT_TRUE(logo_screen(-25));
  StopAudioChannel(music_channel);
  return harness::flips() - before;
}

TEST_F(Shell, LogoLastsItsFramesFlatAndInStereo) {
  EXPECT_EQ(326, logo_frames());
  stereo_mode = 1;
  EXPECT_EQ(351, logo_frames());
}

TEST_F(Shell, LogoIsSkippedByEscapeSpaceOrAClick) {
  harness::press_key(SDL_SCANCODE_ESCAPE);
  EXPECT_EQ(1, logo_frames());
  harness::press_key(SDL_SCANCODE_SPACE);
  EXPECT_EQ(1, logo_frames());
  harness::click(10, 10);
  EXPECT_EQ(1, logo_frames());
  SDL_Event e{};
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  EXPECT_EQ(1, logo_frames());
  EXPECT_EQ(1, quit_requested) << "a close request during the logo ends the game";
}

TEST_F(Shell, GameOverRunsItsFramesAndReturnsToTheTitle) {
  game_state = kGameOver;
  blocker.enable = 1;
  stereo_mode = 2;
  const int64_t before = harness::flips();
  harness::run_passes(1);
  EXPECT_EQ(301 + 1, harness::flips() - before) << "301 frames of its own and the main loop's";
  EXPECT_EQ(kTitle, game_state);
  EXPECT_EQ(2, stereo_mode) << "the stereo mode is restored";
  EXPECT_EQ(0, blocker.enable);
}

}  // namespace
