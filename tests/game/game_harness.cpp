#include "tests/game/game_harness.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "game/globals.h"
#include "game/shell/assets.h"
#include "game/shell/assets_internal.h"
#include "game/shell/main_loop.h"
#include "gfx/graphics.h"
#include "system/hook.h"
#include "system/input.h"
#include "system/random.h"
#include "system/system.h"
#include "tests/game/sdl_events.h"

namespace harness {
namespace {

std::string dir;
int64_t flip_count = 0;

std::shared_ptr<void> count_flip(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  ++flip_count;
  return data;
}

}  // namespace

void start_game() {
  static bool started = false;
  if (started) return;
  started = true;
  namespace fs = std::filesystem;
  // The game's files land in a directory of this process's own, removed when it ends (still
  // the working directory then, so whatever is written after fails rather than lands elsewhere).
  // A check run in a fresh process (fresh_process.h) ends without that: its directory is named
  // after its parent's, which removes both.
  const bool fresh_process = !GTEST_FLAG_GET(internal_run_death_test).empty();
  dir = (fs::temp_directory_path() / ("vs_game_" + std::to_string(fresh_process ? getppid() : getpid()) +
                                      (fresh_process ? "_fresh" : "")))
            .string();
  fs::remove_all(dir);
  fs::create_directories(dir + "/data");
  if (!fresh_process)
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(dir, ignored);
      fs::remove_all(dir + "_fresh", ignored);
    });
  for (const auto& f : fs::directory_iterator(fs::path(VS_SOURCE_DIR) / "data"))
    if (f.path().extension() == ".ogg") fs::create_symlink(f.path(), dir + "/data/" + f.path().filename().string());
  ASSERT_EQ(0, chdir(dir.c_str()));

  AttachHook(FlipHookChannel(), count_flip);
  ASSERT_TRUE(game_startup({640, 480, 0, 0})) << "start-up failed";
  // The unpaced logo can end before the music is decoded; tests start from a playing music.
  finish_sound_decoding();
  start_music_if_decoded();
  back_to_title();
}

const std::string& run_dir() { return dir; }

void key_down(SDL_Scancode code) { sdl_events::key(SDL_KEYDOWN, code); }
void key_up(SDL_Scancode code) { sdl_events::key(SDL_KEYUP, code); }
void press_key(SDL_Scancode code) {
  key_down(code);
  key_up(code);
}

void move_mouse(int32_t x, int32_t y) { sdl_events::motion(x, y); }

void click(int32_t x, int32_t y, uint8_t which) {
  move_mouse(x, y);
  sdl_events::button(SDL_MOUSEBUTTONDOWN, which, x, y);
  sdl_events::button(SDL_MOUSEBUTTONUP, which, x, y);
}

bool run_passes(int32_t count) {
  for (int32_t i = 0; i < count; ++i)
    if (!main_loop_pass()) return false;
  return true;
}

int64_t flips() { return flip_count; }

void back_to_title(int32_t seed) {
  game_state = kTitle;
  quit_requested = 0;
  player.score = 0;
  player.level = 1;
  blocker = blocker_tag{};
  blocker_tag::reset();  // the picture undamaged, as a new game would find it anyway
  ufo = ufo_tag{};
  ufo.limbo = 1;
  march_dx = march_speed = 0.0f;
  alive_count = 0;
  pshot_list.clear();
  ishot_list.clear();
  particle_list.clear();
  MoveMousePointer(320, 250);
  PollSystemEvents();
  FlushKeyState();
  FlushMouseState();
  SetRandomSeed(seed);
  ufo.rel_ctr = 1000;
  reset_cue_counts();
}

}  // namespace harness
