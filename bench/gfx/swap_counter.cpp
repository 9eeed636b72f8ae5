// Preloaded into a program by cpu_usage.sh: counts the frames it presents (SDL_GL_SwapWindow) into
// the 8-byte file VS_SWAP_COUNT_FILE names, so that its CPU can be taken per frame presented, a
// figure that holds however busy the machine is, rather than per second.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

struct SDL_Window;

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
  using Swap = void (*)(SDL_Window*);
  static const auto real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
  static const int fd = [] {
    const char* path = std::getenv("VS_SWAP_COUNT_FILE");
    return path ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
  }();
  static uint64_t swaps = 0;
  real(window);
  ++swaps;
  if (fd >= 0) (void)!pwrite(fd, &swaps, sizeof swaps, 0);
}
