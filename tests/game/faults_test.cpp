// Bad conditions met in the middle of play, in the real game in-process: a joystick plugged in
// and pulled out (SDL's virtual joystick), the window losing and regaining the focus, and
// sound files missing or broken at start-up.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "audio/softmix.h"
#include "game/globals.h"
#include "game/shell/assets.h"
#include "game/shell/main_loop.h"
#include "gfx/graphics.h"
#include "system/input.h"
#include "system/system.h"
#include "tests/game/game_harness.h"
#include "tests/game/sdl_events.h"
#include "tests/fresh_process.h"

namespace {

class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    // The sounds must really play (and pause) here: SDL's dummy device, not the silent driver
    // the game falls back to when no device opens.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    harness::start_game();
    harness::back_to_title();
    harness::click(320, 245);
    harness::run_passes(1);
    ASSERT_EQ(kPlaying, game_state);
    ready_scale = 1.0f;  // past the get-ready zoom
    harness::run_passes(2);
  }
  void TearDown() override { harness::back_to_title(); }
};

void push_window_event(uint8_t what) { sdl_events::window_event(what); }

// Plugs a virtual pad in and opens it here too, so its controls can be set.
SDL_Joystick* plug_pad() {
  // The offscreen window never holds the keyboard focus, and SDL drops pad input meant for an
  // application without it.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
  return index < 0 ? nullptr : SDL_JoystickOpen(index);
}

void unplug_pad(SDL_Joystick* js) {
  const SDL_JoystickID id = SDL_JoystickInstanceID(js);
  SDL_JoystickClose(js);
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
}

// Fires with button 0 and answers how many shots the press added.
size_t shots_from_button(SDL_Joystick* js) {
  const size_t before = pshot_list.size();
  player.shot_tmr = 0;
  SDL_JoystickSetVirtualButton(js, 0, 1);
  harness::run_passes(1);
  SDL_JoystickSetVirtualButton(js, 0, 0);
  harness::run_passes(1);
  return pshot_list.size() - before;
}

TEST_F(Faults, InPlayThePointerAndTheShipStayOnThePictureAndAPauseLetsThePointerGo) {
  harness::move_mouse(-60, 440);
  EXPECT_EQ(0, MousePosX()) << "a pointer past the left edge reads as the edge";
  harness::run_passes(1);
  EXPECT_EQ(0.0f, player.x);
  harness::move_mouse(900, 700);
  EXPECT_EQ(639, MousePosX()) << "and past the right edge";
  EXPECT_EQ(479, MousePosY());
  harness::run_passes(1);
  EXPECT_EQ(639.0f, player.x);

  harness::move_mouse(100, 440);
  harness::key_down(SDL_SCANCODE_LEFT);
  float lowest = player.x;
  for (int32_t i = 0; i < 60 && game_state == kPlaying; ++i) {
    harness::run_passes(1);
    lowest = std::min(lowest, player.x);
  }
  harness::key_up(SDL_SCANCODE_LEFT);
  EXPECT_GE(lowest, -4.0f) << "held Left walks the ship to the edge and one step at most past it";
  EXPECT_LE(player.x, 0.0f) << "and it got there";

  harness::press_key(SDL_SCANCODE_SPACE);
  harness::run_passes(1);
  ASSERT_EQ(kPaused, game_state);
  harness::move_mouse(-60, 300);
  harness::run_passes(1);
  EXPECT_EQ(-60, MousePosX()) << "paused, the pointer is free again";
}

TEST_F(Faults, PadPluggedInDuringPlayFiresAndSteersAndAgainAfterBeingPulledOutAndBack) {
  SDL_Joystick* js = plug_pad();
  ASSERT_NE(nullptr, js) << SDL_GetError();
  harness::run_passes(1);  // the pump sees the new device
  EXPECT_EQ(1u, shots_from_button(js)) << "expected one shot from button 0 of a pad plugged in during play";
  const float x = player.x;
  SDL_JoystickSetVirtualAxis(js, 0, -32768);
  harness::run_passes(5);
  EXPECT_FLOAT_EQ(x - 20.0f, player.x) << "expected 4 pixels left per frame with the stick fully left";
  SDL_JoystickSetVirtualAxis(js, 0, 0);
  harness::run_passes(1);

  unplug_pad(js);
  const float parked = player.x;
  ASSERT_TRUE(harness::run_passes(60)) << "the game ended after the pad was pulled out";
  EXPECT_EQ(kPlaying, game_state);
  EXPECT_FLOAT_EQ(parked, player.x) << "a pad pulled out with its stick centred must leave the ship where it was";

  js = plug_pad();
  ASSERT_NE(nullptr, js) << SDL_GetError();
  harness::run_passes(1);
  EXPECT_EQ(1u, shots_from_button(js)) << "expected the pad plugged in again to fire through the same port";
  SDL_JoystickSetVirtualButton(js, 1, 1);  // the second button pauses
  harness::run_passes(1);
  EXPECT_EQ(kPaused, game_state) << "expected button 1 of the replugged pad to pause";
  SDL_JoystickSetVirtualButton(js, 1, 0);
  unplug_pad(js);
  EXPECT_TRUE(harness::run_passes(2));
}

// What the main thread sees, probe by probe, while the game holds for the lost focus.
struct Hold {
  std::atomic<bool> done{false};
  bool gave_up = false;
  int probes_held = 0, probes_sounding = 0;
  int64_t flips = -1;
  bool flipped = false, moved = false;
  float saucer_x = 0;
  int32_t music_at = -1, saucer_at = -1;
  int steady = 0;
};

TChannelPtr held_music, held_saucer;

int32_t position(const TChannelPtr& c) {
  auto* s = dynamic_cast<TSoftMixChannel*>(c.get());
  return s ? s->Position() : -1;
}

// Runs on the main thread inside the game's polls. Once both sounds are paused it watches
// that nothing is presented and nothing moves, and that the sounds stay where they stopped;
// when their positions have held still for a while it gives the focus back.
void probe(const std::shared_ptr<void>& user, int32_t) {
  auto* h = static_cast<Hold*>(user.get());
  if (h->done || IsAppSuspended() == 0) return;
  if (IsAudioChannelPlaying(held_music) != 0 || IsAudioChannelPlaying(held_saucer) != 0) {
    // The sounds were never paused: give the focus back rather than wait for ever.
    if (++h->probes_sounding >= 500) {
      h->gave_up = h->done = true;
      push_window_event(SDL_WINDOWEVENT_FOCUS_GAINED);
    }
    return;
  }
  if (h->probes_held++ == 0) {
    h->flips = harness::flips();
    h->saucer_x = ufo.x;
  }
  h->flipped |= harness::flips() != h->flips;
  h->moved |= ufo.x != h->saucer_x;
  const int32_t m = position(held_music), s = position(held_saucer);
  h->steady = m == h->music_at && s == h->saucer_at ? h->steady + 1 : 0;
  h->music_at = m;
  h->saucer_at = s;
  if (h->steady >= 20) {
    h->done = true;
    push_window_event(SDL_WINDOWEVENT_FOCUS_GAINED);
  }
}

TEST_F(Faults, LostFocusHoldsTheFrameAndPausesMusicAndSaucerWhichGoOnWhereTheyStopped) {
  ufo.rel_ctr = 0;  // the saucer takes off in the next pass
  harness::run_passes(30);
  ASSERT_EQ(0, ufo.limbo) << "expected the saucer flying";
  held_music = music_channel;
  held_saucer = ufo_channel;
  ASSERT_EQ(1, IsAudioChannelPlaying(held_music)) << "expected the music playing before the focus goes";
  ASSERT_EQ(1, IsAudioChannelPlaying(held_saucer)) << "expected the saucer loop playing before the focus goes";

  auto hold = std::make_shared<Hold>();
  push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
  std::thread prober([hold] {
    while (!hold->done) {
      PostToMainThread(probe, hold, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  harness::run_passes(1);  // returns only once the focus is back
  const bool held = hold->done.exchange(true);
  prober.join();
  if (!held) {
    push_window_event(SDL_WINDOWEVENT_FOCUS_GAINED);
    harness::run_passes(1);
  }
  ASSERT_TRUE(held) << "the main-loop pass returned while the window was still inactive";
  EXPECT_FALSE(hold->gave_up) << "the music or the saucer loop kept playing while the window was inactive";
  EXPECT_GE(hold->probes_held, 20);
  EXPECT_FALSE(hold->flipped) << "a frame was presented while the window was inactive";
  EXPECT_FALSE(hold->moved) << "the saucer moved while the window was inactive";
  EXPECT_EQ(held_music, music_channel) << "expected the same music channel, resumed rather than restarted";
  EXPECT_EQ(held_saucer, ufo_channel) << "expected the same saucer channel, resumed rather than restarted";
  EXPECT_EQ(1, IsAudioChannelPlaying(music_channel)) << "expected the music playing again";
  EXPECT_EQ(1, IsAudioChannelPlaying(ufo_channel)) << "expected the saucer loop playing again";
  // Both go on from where they stood while held, not from the start.
  EXPECT_GT(hold->music_at, 0);
  // Passes at hertz 0 can outrun a mixer starved on a loaded machine: the bound is a minute.
  int32_t music = position(music_channel), saucer = position(ufo_channel);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while ((music <= hold->music_at || saucer == hold->saucer_at) && std::chrono::steady_clock::now() < give_up) {
    harness::run_passes(1);
    music = position(music_channel);
    saucer = position(ufo_channel);
  }
  EXPECT_GT(music, hold->music_at) << "expected the music to go on from frame " << hold->music_at << " within a minute";
  EXPECT_NE(saucer, hold->saucer_at) << "expected the saucer loop to go on from frame " << hold->saucer_at << " within a minute";
  StopAudioChannel(ufo_channel);
  held_music.reset();
  held_saucer.reset();
}

// Start-up runs once a process, so this one has a process of its own: the sounds folder lacks
// shoot.ogg and holds an explode.ogg that is no Ogg file. Each is named in one line on standard
// error and nothing else is said; the game starts, plays on, and cueing them does nothing.
TEST(SoundFiles, AMissingAndAnUndecodableSoundAreNamedAndTheGamePlaysOnWithoutThem) {
  EXPECT_IN_FRESH_PROCESS([]() -> std::string {
    namespace fs = std::filesystem;
    char tmpl[] = "/tmp/vs_sounds_XXXXXX";
    if (!mkdtemp(tmpl)) return "expected a scratch directory";
    const fs::path dir = tmpl;
    fs::create_directory(dir / "data");
    for (const auto& e : fs::directory_iterator(fs::path(VS_SOURCE_DIR) / "data"))
      if (e.path().extension() == ".ogg" && e.path().filename() != "shoot.ogg" && e.path().filename() != "explode.ogg")
        fs::create_symlink(e.path(), dir / "data" / e.path().filename());
    std::ofstream(dir / "data" / "explode.ogg") << "OggS, and then nothing a decoder could use";
    fs::current_path(dir);
    // What the game says goes to a file while it runs.
    std::fflush(stderr);
    const int kept_stderr = dup(2);
    if (!std::freopen((dir / "said.txt").c_str(), "w", stderr)) return "expected to catch standard error";
    const bool started = game_startup({640, 480, 32, 0});
    int passes = 0;
    while (started && passes < 60 && main_loop_pass()) ++passes;
    play_sfx(snd_shoot);
    play_sfx(snd_explode);
    const bool others_loaded = snd_alienhit && snd_thud && snd_ufoloop && snd_rebirth;
    const bool broken_ones_null = !snd_shoot && !snd_explode;
    if (started) game_exit();
    std::fflush(stderr);
    dup2(kept_stderr, 2);
    close(kept_stderr);
    std::vector<std::string> said;
    std::ifstream in(dir / "said.txt");
    for (std::string line; std::getline(in, line);) said.push_back(line);
    fs::current_path("/");
    fs::remove_all(dir);

    if (!started) return "expected the game to start without two of its sounds";
    if (passes < 60) return "expected 60 passes of play, the loop ended after " + std::to_string(passes);
    if (!broken_ones_null || !others_loaded) return "expected exactly the missing and the broken sound null";
    const std::vector<std::string> expected = {"data/shoot.ogg: not found", "data/explode.ogg: does not decode"};
    if (said != expected) {
      std::string got;
      for (const auto& l : said) got += "\n  " + l;
      return "expected the two lines \"data/shoot.ogg: not found\" and \"data/explode.ogg: does not decode\", got:" + got;
    }
    return "";
  });
}

}  // namespace
