// Start-up time of the real game: the parent notes the time, starts this program again as the
// game, and the game reports when its first logo frame has been presented, with the times of
// the steps on the way. Run under Xvfb by startup.sh. With --trace the game also prints, on
// standard error, when each SDL call that makes the screen or the sound device began and how
// long it took, and every swap: where the main thread's time goes, step by step.
#include <dlfcn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/sample.h"
#include "audio/sound.h"
#include "game/shell/main_loop.h"
#include "gfx/draw2d.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/graphics_internal.h"
#include "gfx/image.h"
#include "stream/stream.h"
#include "system/hook.h"

void RegisterGameAssets();

namespace {

double now_ms() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double launched_at = 0;
int flips = 0;
bool tracing = false;

void trace(const char* what, double began) {
  if (tracing && launched_at > 0)
    std::fprintf(stderr, "%8.1f ms  %6.1f ms  %s\n", began - launched_at, now_ms() - began, what);
}

// Runs before each flip. Making the context current flips twice to clear both buffers; the
// third flip is the logo's first frame.
std::shared_ptr<void> count_flips(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>&) {
  ++flips;
  return data;
}

}  // namespace

struct SDL_Window;

// Each stands in for SDL's own, which it calls, timing the call.
#define TRACED(ret, name, params, args)                                                  \
  extern "C" ret name params {                                                          \
    using Real = ret(*) params;                                                         \
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, #name));          \
    const double began = now_ms();                                                      \
    ret r = real args;                                                                  \
    trace(#name, began);                                                                \
    return r;                                                                           \
  }
TRACED(int, SDL_InitSubSystem, (unsigned flags), (flags))
TRACED(SDL_Window*, SDL_CreateWindow, (const char* t, int x, int y, int w, int h, unsigned f),
       (t, x, y, w, h, f))
TRACED(void*, SDL_GL_CreateContext, (SDL_Window* w), (w))
TRACED(unsigned, SDL_OpenAudioDevice, (const char* d, int c, const void* want, void* got, int a),
       (d, c, want, got, a))

// Stands in for SDL's swap, which the graphics driver calls to present a frame: the time is
// taken when the logo's first frame has been handed to the display.
extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
  using Swap = void (*)(SDL_Window*);
  static const auto real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
  const double began = now_ms();
  real(window);
  trace(flips == 3 ? "SDL_GL_SwapWindow: the logo's first frame" : "SDL_GL_SwapWindow", began);
  if (flips == 3 && launched_at > 0) {
    std::printf("%.1f\n", now_ms() - launched_at);
    std::fflush(stdout);
    _exit(0);
  }
}

namespace {

// The steps of start-up one after another on the main thread, each timed on its own.
void time_parts() {
  double t = now_ms();
  auto step = [&t](const char* what) {
    const double n = now_ms();
    std::printf("  %-44s %7.1f ms\n", what, n - t);
    t = n;
  };
  RegisterGameAssets();
  StartDraw2DGraphics();
  step("graphics driver");
  CurrentAudioDriver();
  // Starting the graphics driver began loading Mesa's driver on a thread; the loader's lock
  // holds SDL's own library loading until it is done, so this step carries most of it.
  step("audio device and mixer, GL driver loaded");
  OpenGraphics(640, 480, 32, 60, GraphicsBackBuffer);
  step("OpenGraphics 640x480x32 60 Hz (window, context)");
  const TOpenGraphicsTimes& open = LastOpenGraphicsTimes();
  std::printf("    of which the window, its context and two clearing flips %7.1f ms\n", open.create_ns / 1e6);
  std::printf("    of which the blank probe (%d flips)         %7.1f ms\n", open.probe_flips,
              open.probe_ns / 1e6);
  FlipGraphics(-1);
  step("first flip");
  OpenImageFont(u"incbin::fonts\\astronbv.ttf", 24, FontSmooth);
  step("font");
  for (const char16_t* name : {u"incbin::graphx\\vscl_bkdrop.png", u"incbin::graphx\\vscl_title.png",
                               u"incbin::graphx\\vs3D_sprites.png", u"incbin::graphx\\kxlogo.png"})
    OpenImage(name, -1);
  step("four pictures decoded");
  for (const char16_t* name : {u"data\\shoot.ogg", u"data\\warpin.ogg", u"data\\alienhit.ogg",
                               u"data\\thud.ogg", u"data\\explode.ogg", u"data\\hiscore.ogg",
                               u"data\\ufoloop.ogg", u"data\\ufohit.ogg", u"data\\blockhit.ogg",
                               u"data\\rebirth.ogg"})
    LoadAudioSample(name);
  step("ten effects decoded (worker thread in the game)");
  LoadAudioSample(u"data\\swarm.ogg");
  step("music decoded (worker thread in the game)");
}

}  // namespace

int main(int argc, char** argv) {
  if ((argc == 3 || argc == 4) && std::string(argv[1]) == "--game") {
    launched_at = std::atof(argv[2]);
    tracing = argc == 4;
    AttachHook(FlipHookChannel(), count_flips);
    game_startup();
    return 1;  // the logo never came
  }
  if (argc == 2 && std::string(argv[1]) == "--parts") {
    time_parts();
    return 0;
  }
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%.3f", now_ms());
  const bool trace_calls = argc == 2 && std::string(argv[1]) == "--trace";
  execl(argv[0], argv[0], "--game", stamp, trace_calls ? "--trace" : static_cast<char*>(nullptr),
        static_cast<char*>(nullptr));
  return 2;
}
