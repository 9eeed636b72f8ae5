// Shots, saucer, sparks, stars and the dying sequence in the real game: main-loop passes with
// clicks, keys and pointer moves through the real event pump where a rule is about input, and
// shots, sparks and the saucer placed directly where it is about positions.
#include <gtest/gtest.h>

#include <vector>

#include "game/globals.h"
#include "game/shell/assets_internal.h"
#include "tests/game/field_support.h"
#include "tests/game/game_harness.h"

namespace {

using Field = harness::GameTest;

using PlayerShots = Field;
using InvaderShots = Field;
using Saucer = Field;
using Sparks = Field;
using Stars = Field;
using Dying = Field;
using BestScore = Field;

// The frames, counted from 0, in which a shot left while `press(frame)` pushed input before
// each pass. The ship stands in the gap at x 220 during the zoom, so no shot is stopped.
template <class Press>
std::vector<int32_t> frames_fired(int32_t frames, Press press) {
  field::start_game();
  harness::move_mouse(220, 440);
  harness::run_passes(1);
  std::vector<int32_t> fired;
  for (int32_t frame = 0; frame < frames; ++frame) {
    press(frame);
    const int32_t before = cue_count(snd_shoot);
    harness::run_passes(1);
    if (cue_count(snd_shoot) != before) fired.push_back(frame);
  }
  EXPECT_EQ(static_cast<size_t>(cue_count(snd_shoot)), pshot_list.size()) << "one shot per cue";
  return fired;
}

TEST_F(PlayerShots, FireEvery11thFrameWhileTheButtonIsClickedEveryFrame) {
  const auto fired = frames_fired(34, [](int32_t) { harness::click(220, 440); });
  EXPECT_EQ((std::vector<int32_t>{0, 11, 22, 33}), fired);
}

TEST_F(PlayerShots, APressDuringTheCoolDownFiresWhenItEnds) {
  const auto fired = frames_fired(30, [](int32_t frame) {
    if (frame == 0 || frame == 3) harness::click(220, 440);
  });
  EXPECT_EQ((std::vector<int32_t>{0, 11}), fired);
}

TEST_F(PlayerShots, AClickAndLeftCtrlInOneFrameGiveTwoShots11FramesApart) {
  const auto fired = frames_fired(30, [](int32_t frame) {
    if (frame != 0) return;
    harness::click(220, 440);
    harness::press_key(SDL_SCANCODE_LCTRL);
  });
  EXPECT_EQ((std::vector<int32_t>{0, 11}), fired);
}

TEST_F(PlayerShots, ArrowsMoveTheShip4PerFrameAndCancelWhenBothAreHeld) {
  field::start_game();
  harness::key_down(SDL_SCANCODE_LEFT);
  harness::run_passes(5);
  EXPECT_EQ(300.0f, player.x) << "five frames of the left arrow from 320";
  harness::key_down(SDL_SCANCODE_RIGHT);
  harness::run_passes(5);
  EXPECT_EQ(300.0f, player.x) << "both arrows held";
  harness::key_up(SDL_SCANCODE_LEFT);
  harness::run_passes(1);
  EXPECT_EQ(304.0f, player.x);
  harness::key_up(SDL_SCANCODE_RIGHT);
  harness::run_passes(1);
  EXPECT_EQ(304.0f, player.x) << "the pointer was kept on the ship, so it stays";
}

TEST_F(PlayerShots, AShotFromTheShipIsGoneAfter106Moves) {
  field::start_game();  // the zoom: invaders take no hits
  harness::click(220, 440);
  harness::run_passes(1);
  ASSERT_EQ(1u, pshot_list.size());
  const pshot_tag shot = *field::items(pshot_list)[0];
  EXPECT_EQ(220, shot.x) << "the ship follows the pointer before it fires";
  EXPECT_EQ(440, shot.y);
  int32_t moves = 0;
  while (!pshot_list.empty() && moves < 200) {
    harness::run_passes(1);
    ++moves;
  }
  EXPECT_EQ(106, moves) << "moves until it passed y 20";
}

TEST_F(InvaderShots, AShotFromY210LeavesAfter65Moves) {
  field::start_playing();
  field::quiet_field();
  invaders[42].shot_tmr = 1;  // x 180: its shots fall through the gap left of the middle blocker
  harness::run_passes(1);
  ASSERT_EQ(1u, ishot_list.size());
  const ishot_tag shot = *field::items(ishot_list)[0];
  EXPECT_EQ(invaders[42].x, shot.x);
  EXPECT_EQ(223.0f + 4.0f, shot.y) << "13 below the invader, and one move in the frame it is fired";
  int32_t moves = 1;
  while (!ishot_list.empty() && moves < 200) {
    harness::run_passes(1);
    ++moves;
  }
  EXPECT_EQ(65, moves) << "moves until it passed y 480";
  EXPECT_EQ(kPlaying, game_state);
}

TEST_F(InvaderShots, AShotOnTheShipStaysAndOneDeathSoundsOnce) {
  field::start_playing();
  field::quiet_field();
  ufo.rel_ctr = 0;
  harness::run_passes(1);
  ASSERT_EQ(0, ufo.limbo);
  ASSERT_NE(0, IsAudioChannelPlaying(ufo_channel));
  ishot_tag::create_it(player.x, 430.0f);
  ishot_tag::create_it(player.x, 434.0f);
  harness::run_passes(1);
  EXPECT_EQ(kDying, game_state);
  EXPECT_EQ(1, cue_count(snd_explode)) << "two shots on the ship in one frame";
  EXPECT_EQ(2u, ishot_list.size()) << "a shot that hits the ship is not removed";
  EXPECT_EQ(15u, particle_list.size());
  EXPECT_EQ(0, IsAudioChannelPlaying(ufo_channel)) << "the saucer's loop stops";
}

TEST_F(Saucer, CrossesLeftToRightIn346FramesAndStopsItsLoopAtTheEdge) {
  field::start_playing();
  field::quiet_field();
  ufo.rel_ctr = 0;
  harness::run_passes(1);
  ASSERT_EQ(0, ufo.limbo);
  EXPECT_EQ(-23.0f, ufo.x) << "x in the frame of release";
  EXPECT_EQ(1, cue_count(snd_ufoloop));
  int32_t frames = 1;
  while (ufo.limbo == 0 && frames < 1000) {
    const float x0 = ufo.x;
    EXPECT_NE(0, IsAudioChannelPlaying(ufo_channel)) << "frame " << frames;
    harness::run_passes(1);
    ++frames;
    EXPECT_EQ(x0 + 2.0f, ufo.x) << "frame " << frames;
  }
  EXPECT_EQ(346, frames) << "frames of the crossing, the release and exit frames included";
  EXPECT_EQ(667.0f, ufo.x);
  EXPECT_EQ(0, IsAudioChannelPlaying(ufo_channel)) << "the loop stops when it leaves";
}

TEST_F(Saucer, ShotDownItStopsItsLoopAndTheNextReleaseKeepsItsCount) {
  field::start_playing();
  field::quiet_field();
  ufo.rel_ctr = 0;
  harness::run_passes(1);
  const int32_t wait = ufo.rel_ctr;
  EXPECT_GE(wait, 600);
  EXPECT_LE(wait, 1799);
  harness::run_passes(59);
  // It moves 2 before it tests the shots, and the shot has not climbed yet.
  field::place_pshot(static_cast<int32_t>(ufo.x) + 2, 50);
  harness::run_passes(1);
  EXPECT_EQ(1, ufo.limbo);
  EXPECT_EQ(0, IsAudioChannelPlaying(ufo_channel)) << "the loop stops at the hit";
  EXPECT_EQ(1, cue_count(snd_ufohit));
  EXPECT_TRUE(pshot_list.empty());
  EXPECT_GE(player.score, 100);
  EXPECT_LE(player.score, 999);
  int32_t frames = 60;
  while (ufo.limbo != 0 && frames < 2000) {
    harness::run_passes(1);
    ++frames;
  }
  EXPECT_EQ(wait + 1, frames) << "frames from release to release";
  EXPECT_EQ(-23.0f, ufo.x);
}

TEST_F(Saucer, ANewGameKeepsTheCountdownWhereTheLastLeftIt) {
  field::start_playing();
  harness::run_passes(30);
  harness::press_key(SDL_SCANCODE_ESCAPE);
  harness::run_passes(1);
  harness::press_key(SDL_SCANCODE_ESCAPE);
  harness::run_passes(1);
  ASSERT_EQ(kTitle, game_state) << "Escape twice: paused, then quit to the title";
  const int32_t countdown = ufo.rel_ctr;
  harness::run_passes(10);
  field::start_game();
  harness::run_passes(5);
  EXPECT_EQ(countdown - 5, ufo.rel_ctr) << "counted only in the play step, never renewed per game";
}

TEST_F(Saucer, PauseSilencesItAndResumingRestartsTheLoop) {
  field::start_playing();
  field::quiet_field();
  ufo.rel_ctr = 0;
  harness::run_passes(10);
  const TChannelPtr first = ufo_channel;
  harness::press_key(SDL_SCANCODE_SPACE);
  harness::run_passes(1);
  ASSERT_EQ(kPaused, game_state);
  EXPECT_EQ(0, IsAudioChannelPlaying(ufo_channel));
  const float x = ufo.x;
  const int32_t countdown = ufo.rel_ctr;
  harness::run_passes(20);
  EXPECT_EQ(x, ufo.x);
  EXPECT_EQ(countdown, ufo.rel_ctr) << "the countdown waits while paused";
  harness::press_key(SDL_SCANCODE_SPACE);
  harness::run_passes(1);
  ASSERT_EQ(kPlaying, game_state);
  EXPECT_EQ(2, cue_count(snd_ufoloop)) << "resuming cues the loop again";
  EXPECT_NE(first, ufo_channel) << "on a fresh channel, from the start of the sound";
  EXPECT_NE(0, IsAudioChannelPlaying(ufo_channel));
  harness::run_passes(1);
  EXPECT_EQ(x + 2.0f, ufo.x) << "it flies on from where it stopped";
}

// A spark far above the screen, where it falls for hundreds of frames without leaving it.
particle_tag& high_spark(float scale, float xstp) {
  particle_tag::create_it(320.0f, -3000.0f, scale, 1);
  particle_tag& spark = *field::items(particle_list).back();
  spark.xstp = xstp;
  spark.ystp = 0.0f;
  return spark;
}

TEST_F(Sparks, LiveTheirScaleOver0002FramesAndLeftwardOnesSlowTwiceAsFast) {
  field::start_playing();
  field::quiet_field();
  const particle_tag& right = high_spark(0.5f, 1.0f);
  const particle_tag& left = high_spark(0.5f, -1.0f);
  high_spark(0.4f, 0.0f);
  harness::run_passes(50);
  EXPECT_NEAR(0.0f, left.xstp, 1e-4f) << "a spark moving left at 1 stops after 50 frames";
  EXPECT_NEAR(-25.5f, left.x - 320.0f, 1e-3f) << "1 + 0.98 + ... + 0.02";
  EXPECT_NEAR(0.5f, right.xstp, 1e-4f) << "one moving right has lost half its speed";
  harness::run_passes(50);
  EXPECT_NEAR(0.0f, right.xstp, 1e-4f) << "and stops after 100 frames";
  EXPECT_NEAR(50.5f, right.x - 320.0f, 1e-3f) << "1 + 0.99 + ... + 0.01";
  ASSERT_EQ(3u, particle_list.size()) << "a spark above the top stays";

  int32_t frame = 100;
  std::vector<int32_t> ends;
  while (!particle_list.empty() && frame < 600) {
    const size_t before = particle_list.size();
    harness::run_passes(1);
    ++frame;
    if (particle_list.size() != before) ends.push_back(frame);
  }
  EXPECT_EQ((std::vector<int32_t>{200, 250}), ends) << "frames lived at scale 0.4, then 0.5";
}

TEST_F(Stars, StayWhereTheyAreForTheWholeRun) {
  const auto at_start = stars;
  for (const star_tag& s : stars) {
    EXPECT_GE(s.x, 14);
    EXPECT_LE(s.x, 625);
    EXPECT_GE(s.y, 30);
    EXPECT_LE(s.y, 399);
    EXPECT_GE(s.distance, -5);
    EXPECT_LE(s.distance, -1);
  }
  for (int32_t game = 0; game < 2; ++game) {
    field::start_playing();
    harness::run_passes(20);
    harness::back_to_title();
  }
  for (size_t i = 0; i < stars.size(); ++i) {
    EXPECT_EQ(at_start[i].x, stars[i].x) << "star " << i;
    EXPECT_EQ(at_start[i].y, stars[i].y) << "star " << i;
    EXPECT_EQ(at_start[i].distance, stars[i].distance) << "star " << i;
  }
}

TEST_F(Dying, FreezesFor250FramesThenANewShipFindsTheFormationWhereItWas) {
  field::start_playing();
  field::quiet_field();
  harness::run_passes(30);
  ufo.rel_ctr = 0;
  harness::run_passes(1);
  field::place_pshot(220, 300);
  ishot_tag::create_it(player.x, 430.0f);
  harness::run_passes(1);
  ASSERT_EQ(kDying, game_state);
  const auto formation = invaders;
  const int64_t flips = harness::flips();
  harness::run_passes(1);
  EXPECT_EQ(250 + 1, harness::flips() - flips) << "the freeze and the main loop's own frame";
  EXPECT_EQ(kPlaying, game_state);
  EXPECT_EQ(2, player.lives);
  EXPECT_EQ(320.0f, player.x);
  EXPECT_EQ(440.0f, player.y);
  EXPECT_TRUE(pshot_list.empty());
  EXPECT_TRUE(ishot_list.empty());
  EXPECT_TRUE(particle_list.empty());
  EXPECT_EQ(1, ufo.limbo) << "the saucer is withdrawn";
  EXPECT_EQ(1, cue_count(snd_rebirth));
  for (size_t i = 0; i < invaders.size(); ++i) {
    EXPECT_EQ(formation[i].alive, invaders[i].alive) << "invader " << i;
    EXPECT_EQ(formation[i].y, invaders[i].y) << "invader " << i;
    EXPECT_NEAR(formation[i].x + 0.2f, invaders[i].x, 1e-4f) << "invader " << i << ": one march step";
  }
}

TEST_F(Dying, LosingTheThirdShipEndsTheGame) {
  field::start_playing();
  field::quiet_field();
  for (int32_t lives = 3; lives >= 1; --lives) {
    ASSERT_EQ(lives, player.lives);
    ASSERT_EQ(kPlaying, game_state);
    ishot_tag::create_it(player.x, 430.0f);
    harness::run_passes(1);
    ASSERT_EQ(kDying, game_state);
    harness::run_passes(1);
  }
  EXPECT_EQ(kGameOver, game_state);
  EXPECT_EQ(0, player.lives);
  EXPECT_EQ(2, cue_count(snd_rebirth)) << "a new ship after each of the first two";
  harness::run_passes(1);
  EXPECT_EQ(kTitle, game_state);
}

TEST_F(Dying, ACloseRequestDuringTheFreezeEndsTheGameWhenItIsOver) {
  field::start_playing();
  field::quiet_field();
  ishot_tag::create_it(player.x, 430.0f);
  harness::run_passes(1);
  ASSERT_EQ(kDying, game_state);
  SDL_Event e{};
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  const int64_t flips = harness::flips();
  EXPECT_FALSE(harness::run_passes(1)) << "the main loop should end after the freeze";
  EXPECT_EQ(251, harness::flips() - flips) << "the freeze runs to its end first";
}

TEST_F(BestScore, FollowsTheScoreWithOneCuePerGame) {
  field::start_playing();
  field::quiet_field();
  player.best_sc = 15;
  for (int32_t i : {40, 41, 42}) {  // 10 points each
    field::aim_at(invaders[static_cast<size_t>(i)]);
    harness::run_passes(1);
  }
  EXPECT_EQ(30, player.score);
  EXPECT_EQ(30, player.best_sc);
  EXPECT_EQ(1, player.new_bs);
  EXPECT_EQ(1, cue_count(snd_hiscore)) << "the cue sounds when the best is first beaten";
}

struct entry {
  int32_t value = 0;
};

std::vector<int32_t> values(ordered_list<entry>& list) {
  std::vector<int32_t> out;
  for (entry* e : field::items(list)) out.push_back(e->value);
  return out;
}

TEST(OrderedList, KeepsInsertionOrderAndAWalkSurvivesRemovingTheVisited) {
  ordered_list<entry> list;
  for (int32_t v = 1; v <= 5; ++v) list.add(std::make_unique<entry>(entry{v}));
  EXPECT_EQ((std::vector<int32_t>{1, 2, 3, 4, 5}), values(list));
  std::vector<int32_t> seen;
  list.walk([&](entry& e) {
    seen.push_back(e.value);
    if (e.value % 2 == 1) {
      list.remove(&e);
      list.remove(&e);  // a second removal, as a shot that hit a blocker and then passed y 20
    }
  });
  EXPECT_EQ((std::vector<int32_t>{1, 2, 3, 4, 5}), seen) << "every element visited once";
  EXPECT_EQ(2u, list.size());
  EXPECT_EQ((std::vector<int32_t>{2, 4}), values(list));
  list.add(std::make_unique<entry>(entry{6}));
  EXPECT_EQ((std::vector<int32_t>{2, 4, 6}), values(list));
}

}  // namespace
