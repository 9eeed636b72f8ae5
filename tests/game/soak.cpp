// The whole game in-process on a real window for a given number of minutes, fed random mouse,
// key and joystick input (an SDL virtual joystick, plugged out and in now and then) and focus
// changes; it samples its resident memory every minute and prints the samples. Run it from a
// directory whose data/ holds the game's sounds (scripts/soak.sh does).
// usage: game_soak [MINUTES] [SEED]
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "game/globals.h"
#include "game/shell/main_loop.h"
#include "gfx/graphics.h"
#include "tests/game/sdl_events.h"

namespace {

std::mt19937 rng;

int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
bool chance(double p) { return std::bernoulli_distribution(p)(rng); }

long resident_kib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

using sdl_events::button;
using sdl_events::key;
using sdl_events::motion;
using sdl_events::window_event;

// The focus comes back from SDL's timer thread while the game holds on the main thread.
uint32_t regain_focus(uint32_t, void*) {
  window_event(SDL_WINDOWEVENT_FOCUS_GAINED);
  return 0;
}

// The virtual pad: plugged in, it is opened here too so its axes and buttons can be set.
struct TPad {
  SDL_Joystick* js = nullptr;
  int plugs = 0, unplugs = 0;

  void plug() {
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 1);
    if (index < 0) return;
    js = SDL_JoystickOpen(index);
    ++plugs;
  }
  void unplug() {
    if (!js) return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(js);
    SDL_JoystickClose(js);
    js = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
      if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    ++unplugs;
  }
  void poke() {
    if (!js) return;
    static const int16_t kAxis[] = {-32768, 0, 32767, 0, 12000, -20000};
    if (chance(0.5)) SDL_JoystickSetVirtualAxis(js, uniform(0, 1), kAxis[uniform(0, 5)]);
    if (chance(0.5)) SDL_JoystickSetVirtualButton(js, uniform(0, 3), static_cast<uint8_t>(uniform(0, 1)));
    if (chance(0.1)) SDL_JoystickSetVirtualHat(js, 0, static_cast<uint8_t>(uniform(0, 15) & 0x0F));
  }
};

const SDL_Scancode kKeys[] = {SDL_SCANCODE_LEFT, SDL_SCANCODE_RIGHT, SDL_SCANCODE_UP,     SDL_SCANCODE_DOWN,
                              SDL_SCANCODE_LCTRL, SDL_SCANCODE_SPACE, SDL_SCANCODE_ESCAPE};

// One pass's worth of random input.
void feed(TPad& pad, std::vector<std::pair<SDL_Scancode, int>>& held) {
  for (auto& [code, passes] : held)
    if (--passes == 0) key(SDL_KEYUP, code);
  std::erase_if(held, [](const auto& h) { return h.second <= 0; });

  if (chance(0.3)) motion(uniform(-20, 660), uniform(-20, 500));
  if (chance(0.05)) {
    const uint8_t which = static_cast<uint8_t>(chance(0.8) ? SDL_BUTTON_LEFT : uniform(2, 3));
    const int x = uniform(0, 639), y = uniform(0, 479);
    button(SDL_MOUSEBUTTONDOWN, which, x, y);
    button(SDL_MOUSEBUTTONUP, which, x, y);
  }
  if (chance(0.04)) {
    // Arrows and Ctrl are held for a while, space and Escape only tapped.
    const SDL_Scancode code = kKeys[uniform(0, 6)];
    const bool tap = code == SDL_SCANCODE_SPACE || code == SDL_SCANCODE_ESCAPE;
    key(SDL_KEYDOWN, code);
    if (tap) key(SDL_KEYUP, code);
    else held.emplace_back(code, uniform(1, 120));
  }
  pad.poke();
}

}  // namespace

int main(int argc, char** argv) {
  const double minutes = argc > 1 ? std::atof(argv[1]) : 30.0;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : std::random_device{}();
  rng.seed(seed);
  std::printf("soak: %.1f minutes, seed %u\n", minutes, seed);
  std::fflush(stdout);

  if (!game_startup()) return 1;
  TPad pad;
  pad.plug();
  std::vector<std::pair<SDL_Scancode, int>> held;

  using clock = std::chrono::steady_clock;
  const auto start = clock::now();
  const auto end = start + std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(minutes * 60.0));
  auto next_sample = start;
  int sample = 0;
  long passes = 0, quits_undone = 0, focus_losses = 0, title_starts = 0, title_passes = 0;
  while (clock::now() < end) {
    if (clock::now() >= next_sample) {
      std::printf("minute %d: resident %ld KiB, %ld passes\n", sample++, resident_kib(), passes);
      std::fflush(stdout);
      next_sample += std::chrono::minutes(1);
    }
    feed(pad, held);
    if (chance(0.002)) {
      if (pad.js) pad.unplug();
      else pad.plug();
    }
    if (chance(0.0005)) {
      ++focus_losses;
      window_event(SDL_WINDOWEVENT_FOCUS_LOST);
      SDL_AddTimer(static_cast<uint32_t>(uniform(50, 1500)), regain_focus, nullptr);
    }
    // On the title, a new game after a while, so play goes on for the whole run.
    if (game_state == kTitle && ++title_passes > uniform(30, 300)) {
      title_passes = 0;
      ++title_starts;
      motion(320, 250);
      button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 320, 250);
      button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 320, 250);
    }
    ++passes;
    if (!main_loop_pass()) {
      // Random input chose to leave (Escape or the exit item on the title): take it back.
      ++quits_undone;
      quit_requested = 0;
    }
  }
  std::printf("minute %d: resident %ld KiB, %ld passes\n", sample, resident_kib(), passes);
  std::printf("soak done: %ld passes, %d plugs, %d unplugs, %ld focus losses, %ld games started from the title, "
              "%ld quits taken back\n",
              passes, pad.plugs, pad.unplugs, focus_losses, title_starts, quits_undone);
  pad.unplug();
  game_exit();
  return 0;
}
