// The formation, the waves and the blocker row in the real game: main-loop passes from a new
// game, invaders and shots placed where a rule is about positions, and the row's pixels read
// back where a rule is about what is punched or drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "game/globals.h"
#include "game/shell/assets_internal.h"
#include "game/shell/main_loop.h"
#include "gfx/draw2d.h"
#include "tests/game/field_support.h"
#include "tests/game/game_harness.h"

namespace {

using Field = harness::GameTest;

using Formation = Field;
using Wave = Field;
using Blockers = Field;

TEST_F(Formation, FirstTurnComesAfter225FramesAndAKillChangesThePaceOnlyThere) {
  field::start_playing();
  field::quiet_field();
  int32_t turn = 0;
  for (int32_t frame = 1; frame <= 300 && turn == 0; ++frame) {
    if (frame == 100) field::aim_at(invaders[45]);
    const float x0 = invaders[0].x;
    harness::run_passes(1);
    if (invaders[0].y != 90.0f) {
      turn = frame;
    } else {
      EXPECT_NEAR(0.2f, invaders[0].x - x0, 1e-4f) << "pace at frame " << frame;
    }
  }
  EXPECT_EQ(225, turn) << "frame of the first turn";
  EXPECT_EQ(0, invaders[45].alive) << "the shot placed at frame 100 should have killed it";
  for (int32_t i = 0; i < kInvaders; ++i)
    EXPECT_EQ(static_cast<float>(95 + 30 * (i / 10)), invaders[static_cast<size_t>(i)].y)
        << "invader " << i << " after one drop";
  const float x0 = invaders[0].x;
  harness::run_passes(1);
  EXPECT_NEAR(-0.3f, invaders[0].x - x0, 1e-4f) << "leftwards at the speed the kill added";
}

TEST_F(Formation, DeadInvadersDropButNeverTurnIt) {
  field::start_playing();
  field::quiet_field();
  invaders[9].alive = 0;
  invaders[9].x = 640.0f;  // dead, and past the right side
  harness::run_passes(1);
  EXPECT_EQ(90.0f, invaders[0].y) << "a dead invader past the side should not turn the formation";
  EXPECT_GT(march_dx, 0.0f);
  harness::run_passes(224);
  EXPECT_EQ(95.0f, invaders[0].y) << "the living column under it turns at frame 225";
  EXPECT_EQ(95.0f, invaders[9].y) << "the dead invader drops with the others";
  EXPECT_EQ(640.0f, invaders[9].x) << "but does not march";
}

TEST_F(Formation, BlockerRowGoesAtThe21stDropAndTheGameAtThe39th) {
  field::start_playing();
  field::quiet_field();
  player.lives = 3;
  march_speed = march_dx = 100.0f;  // a turn every other frame
  int32_t drops = 0, row_gone_at = 0;
  for (int32_t frame = 0; frame < 200 && game_state == kPlaying; ++frame) {
    const float y0 = invaders[0].y;
    const int32_t enabled = blocker.enable;
    harness::run_passes(1);
    if (invaders[0].y != y0) ++drops;
    if (enabled != 0 && blocker.enable == 0) row_gone_at = drops;
  }
  EXPECT_EQ(21, row_gone_at) << "drop that took the blocker row away";
  EXPECT_EQ(1, cue_count(snd_blockhit));
  ASSERT_EQ(kDying, game_state);
  EXPECT_EQ(39, drops) << "drop that reached the bottom";
  EXPECT_EQ(1, player.lives) << "the formation at the bottom leaves one ship to lose";
  EXPECT_EQ(10, cue_count(snd_explode)) << "one cue per living invader past the line";
  harness::run_passes(1);
  EXPECT_EQ(kGameOver, game_state) << "three ships, but the dying sequence ends the game";
}

TEST_F(Formation, TwoShotsOnOneInvaderInOneFrameBothScoreAndItsLastShotStillLeaves) {
  field::start_playing();
  field::quiet_field();
  invaders[45].shot_tmr = 1;  // runs out in the frame it is hit
  field::aim_at(invaders[45]);
  field::aim_at(invaders[45]);
  harness::run_passes(1);
  EXPECT_EQ(1u, ishot_list.size()) << "an invader shot down as its countdown ends still fires";
  EXPECT_EQ(0, invaders[45].alive);
  EXPECT_TRUE(pshot_list.empty()) << pshot_list.size() << " shots left, both should be consumed";
  EXPECT_EQ(20, player.score) << "10 points for each shot";
  EXPECT_EQ(2, cue_count(snd_alienhit));
  EXPECT_NEAR(0.4f, march_speed, 1e-5f) << "0.1 faster for each hit";
}

// The get-ready banner as drawn over the background in a frame of the zoom.
TPixmapPtr banner_as_drawn(const std::u16string& text) {
  draw_background(0);
  const int32_t saved = stereo_mode;
  stereo_mode = 0;
  kxdraw.sip(BlendAlpha, 1.0f, 0, 2.0f, 2.0f);
  SetDrawColor(200, 200, 85);
  kxdraw.t3d(text, 320.0f, 280.0f, 0, 1);
  stereo_mode = saved;
  SetDrawColor(255, 255, 255);
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  return GrabScreenPixmap(0, 0, 640, 480);
}

// Pixels that differ in the band between the formation and the blocker row, where the
// banner lies.
int32_t banner_band_differences(const TPixmapPtr& a, const TPixmapPtr& b) {
  int32_t n = 0;
  for (int32_t y = 236; y < 325; ++y)
    for (int32_t x = 0; x < 640; ++x) n += (ReadPixel(a, x, y) & 0xFFFFFF) != (ReadPixel(b, x, y) & 0xFFFFFF);
  return n;
}

TEST_F(Wave, GetReadyZoomLasts151FramesWithTheFormationStill) {
  field::start_game();
  invaders[0].shot_tmr = 1;  // would fire at its next update
  const TPixmapPtr first = field::next_frame();
  EXPECT_EQ(0, banner_band_differences(first, banner_as_drawn(u"Get Ready!")))
      << "the first wave's banner should read \"Get Ready!\"";
  int32_t frames = 1;
  while (ready_scale < 1.0f && frames < 1000) {
    harness::run_passes(1);
    ++frames;
  }
  EXPECT_EQ(151, frames) << "frames of the zoom";
  EXPECT_EQ(1.0f, ready_sep);
  EXPECT_EQ(70.0f, invaders[0].x) << "the formation stands still during the zoom";
  EXPECT_TRUE(ishot_list.empty()) << "and holds its fire";
  harness::run_passes(1);
  EXPECT_NEAR(70.2f, invaders[0].x, 1e-4f) << "it marches in the first frame after";
  EXPECT_EQ(1u, ishot_list.size()) << "and fires";
}

TEST_F(Wave, ClearedOneFrameAfterItsLastKillWithTheBonusTheBannerShows) {
  field::start_playing();
  field::quiet_field();
  for (int32_t i = 0; i < kInvaders - 1; ++i) invaders[static_cast<size_t>(i)].alive = 0;
  field::aim_at(invaders[49]);
  harness::run_passes(1);
  ASSERT_EQ(0, invaders[49].alive);
  EXPECT_EQ(1, player.level) << "the frame of the last kill still counts it";
  EXPECT_EQ(10, player.score);
  harness::run_passes(1);
  EXPECT_EQ(2, player.level);
  EXPECT_EQ(10 + 500 + 250, player.score) << "the kill, 250 x the new level, 250 for the standing row";
  EXPECT_NEAR(0.1f, ready_scale, 1e-6f) << "the next zoom begins";
  for (int32_t i = 0; i < kInvaders; ++i) {
    const invader_tag& inv = invaders[static_cast<size_t>(i)];
    EXPECT_EQ(1, inv.alive) << "invader " << i;
    EXPECT_EQ(static_cast<float>(70 + 55 * (i % 10)), inv.x) << "invader " << i;
    EXPECT_EQ(static_cast<float>(90 + 30 * (i / 10)), inv.y) << "invader " << i;
  }
  EXPECT_FALSE(particle_list.empty()) << "sparks of the kill are left to fade";

  particle_list.clear();  // so that nothing crosses the banner
  const TPixmapPtr frame = field::next_frame();
  EXPECT_EQ(0, banner_band_differences(frame, banner_as_drawn(u"Bonus: 500 - Get Ready!")))
      << "the banner should show the bonus the score got";
  EXPECT_NE(0, banner_band_differences(frame, banner_as_drawn(u"Bonus: 250 - Get Ready!")));
}

// The row's covered pixels that the punch removed, against those that the shot's frame
// would cover with its centre at (x, y): 0 when the hole has exactly that shape and place.
int32_t hole_mismatch(const field::Coverage& before, const field::Coverage& after, int32_t frame,
                      int32_t x, int32_t y) {
  const field::Coverage shot = field::coverage(img_shots, frame);
  const int32_t left = x - static_cast<int32_t>(img_shots->handle_x);
  const int32_t top = y - static_cast<int32_t>(img_shots->handle_y) - 325;
  int32_t n = 0;
  for (int32_t py = 0; py < before.height; ++py)
    for (int32_t px = 0; px < before.width; ++px) {
      const bool punched = before.at(px, py) && !after.at(px, py);
      const bool expected = before.at(px, py) && shot.at(px - left, py - top);
      n += punched != expected || (!before.at(px, py) && after.at(px, py));
    }
  return n;
}

TEST_F(Blockers, HitsPunchTheShotsShapeAtTheRecordedPointInTheNextFrame) {
  field::start_playing();
  field::quiet_field();
  const field::Coverage whole = field::coverage(img_blocklayer, 0);

  harness::click(320, 440);  // a shot from the ship under the middle blocker
  harness::run_passes(1);
  ASSERT_EQ(1u, pshot_list.size());
  int32_t last_y = 0;
  for (int32_t i = 0; i < 50 && !pshot_list.empty(); ++i) {
    last_y = field::items(pshot_list)[0]->y;
    harness::run_passes(1);
  }
  ASSERT_TRUE(pshot_list.empty()) << "the shot should have hit the row";
  EXPECT_EQ(1, cue_count(snd_thud));
  EXPECT_EQ(5u, particle_list.size());
  EXPECT_EQ(0, whole.count() - field::coverage(img_blocklayer, 0).count())
      << "the hole is punched at the start of the next frame";
  harness::run_passes(1);
  const field::Coverage once = field::coverage(img_blocklayer, 0);
  ASSERT_LT(once.count(), whole.count());
  int32_t best = 1 << 30;
  for (int32_t f = 0; f <= 3; ++f) best = std::min(best, hole_mismatch(whole, once, f, 320, last_y - 4));
  EXPECT_EQ(0, best) << "the hole should be a player shot's frame 4 pixels above the shot at "
                     << last_y;

  ishot_tag::create_it(120.0f, 300.0f);  // an invader shot over the left blocker
  float shot_y = 0.0f;
  for (int32_t i = 0; i < 50 && !ishot_list.empty(); ++i) {
    shot_y = field::items(ishot_list)[0]->y;
    harness::run_passes(1);
  }
  ASSERT_TRUE(ishot_list.empty()) << "the invader shot should have hit the row";
  harness::run_passes(1);
  const field::Coverage twice = field::coverage(img_blocklayer, 0);
  best = 1 << 30;
  for (int32_t f = 4; f <= 5; ++f)
    best = std::min(best, hole_mismatch(once, twice, f, 120, static_cast<int32_t>(shot_y) + 6));
  EXPECT_EQ(0, best) << "the hole should be an invader shot's frame 6 pixels below the shot at "
                     << shot_y;
}

TEST_F(Blockers, OfSeveralHitsInOneFrameOnlyTheLastIsPunched) {
  field::start_playing();
  field::quiet_field();
  const field::Coverage whole = field::coverage(img_blocklayer, 0);
  for (int32_t x : {120, 320, 520}) field::place_pshot(x, 340);
  harness::run_passes(1);
  EXPECT_TRUE(pshot_list.empty()) << "every shot that hit the row is removed";
  EXPECT_EQ(3, cue_count(snd_thud));
  harness::run_passes(1);
  const field::Coverage after = field::coverage(img_blocklayer, 0);
  int32_t left = 0, right = 0;
  for (int32_t y = 0; y < 70; ++y)
    for (int32_t x = 0; x < 640; ++x)
      (x < 420 ? left : right) += whole.at(x, y) != after.at(x, y);
  EXPECT_EQ(0, left) << "pixels changed at the first two hits";
  EXPECT_GT(right, 0) << "the last hit should be punched";
}

// Covered pixels of the row that a presented frame shows in the row's own colours.
int32_t row_pixels_shown(const TPixmapPtr& frame) {
  TPixmapPtr row = LockImageFrame(img_blocklayer, 0, 1, 0);
  int32_t n = 0;
  for (int32_t y = 0; y < 70; ++y)
    for (int32_t x = 0; x < 640; ++x) {
      const uint32_t p = ReadPixel(row, x, y);
      if ((p >> 24) >= 0x80 && (p & 0xFFFFFF) == (ReadPixel(frame, x, y + 325) & 0xFFFFFF)) ++n;
    }
  UnlockImageFrame(img_blocklayer, 0);
  return n;
}

TEST_F(Blockers, LowInvadersTakeTheRowAwayUntilTheNextWaveWhichShowsItsOldHoles) {
  field::start_playing();
  field::quiet_field();
  field::place_pshot(320, 340);
  harness::run_passes(2);
  const field::Coverage holed = field::coverage(img_blocklayer, 0);
  const int32_t shown = row_pixels_shown(field::next_frame());
  ASSERT_GT(shown, holed.count() * 9 / 10) << "the row should be drawn while enabled";

  for (int32_t i = 0; i < kInvaders - 1; ++i) invaders[static_cast<size_t>(i)].alive = 0;
  invaders[49].x = 611.0f;  // turns, and drops past y 310, in the next frame
  invaders[49].y = 306.0f;
  harness::run_passes(1);
  EXPECT_EQ(0, blocker.enable) << "the row goes when a living invader passes y 310";
  EXPECT_EQ(1, cue_count(snd_blockhit));
  EXPECT_LT(row_pixels_shown(field::next_frame()), shown / 10) << "and is no longer drawn";

  field::place_pshot(320, 400);
  harness::run_passes(25);
  ASSERT_EQ(1u, pshot_list.size()) << "a shot crosses the row's area untouched";
  EXPECT_EQ(300, field::items(pshot_list)[0]->y);
  pshot_list.clear();
  EXPECT_EQ(1, cue_count(snd_thud));

  const int32_t score = player.score;
  field::aim_at(invaders[49]);
  harness::run_passes(2);
  ASSERT_EQ(2, player.level) << "the wave should be cleared";
  EXPECT_EQ(score + 10 + 500, player.score) << "no 250 for a row that was gone";
  EXPECT_EQ(1, blocker.enable) << "the row is back in the next wave";
  EXPECT_TRUE(holed.bits == field::coverage(img_blocklayer, 0).bits) << "with its old holes";
  EXPECT_GT(row_pixels_shown(field::next_frame()), holed.count() * 9 / 10) << "and drawn";
}

}  // namespace
