/* Breaks the real game from outside, to prove that a program test fails when the game does:
 * preloaded (LD_PRELOAD), it wraps SDL_GL_SwapWindow and, after VS_BREAK_AFTER frames (60 by
 * default), does what VS_BREAK names:
 *   crash   a segmentation fault;
 *   hang    the main thread sleeps for good, as in a dead lock;
 *   freeze  the game runs on but no frame is shown again;
 *   black   every frame from then on is cleared to black before it is shown.
 * Without VS_BREAK it changes nothing, and in a program without SDL (the X server, xdotool,
 * ImageMagick: LD_PRELOAD reaches them too) it is never called. The game has no such switch. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef struct SDL_Window SDL_Window;
typedef void (*swap_fn)(SDL_Window*);
typedef void* (*proc_fn)(const char*);
typedef void (*bind_fn)(unsigned, unsigned);
typedef void (*cap_fn)(unsigned);
typedef void (*colour_fn)(float, float, float, float);
typedef void (*clear_fn)(unsigned);
typedef void (*mask_fn)(unsigned char, unsigned char, unsigned char, unsigned char);

void SDL_GL_SwapWindow(SDL_Window* window) {
  static swap_fn real;
  static long frames;
  if (!real) real = (swap_fn)dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  const char* mode = getenv("VS_BREAK");
  const char* after = getenv("VS_BREAK_AFTER");
  if (!mode || ++frames <= (after ? atol(after) : 60)) {
    real(window);
    return;
  }
  if (strcmp(mode, "crash") == 0) {
    raise(SIGSEGV);
  } else if (strcmp(mode, "hang") == 0) {
    for (;;) pause();
  } else if (strcmp(mode, "freeze") == 0) {
    return;
  } else if (strcmp(mode, "black") == 0) {
    /* The GL calls through SDL, so that nothing else needs libGL loaded. */
    proc_fn proc = (proc_fn)dlsym(RTLD_DEFAULT, "SDL_GL_GetProcAddress");
    if (proc) {
      ((bind_fn)proc("glBindFramebuffer"))(0x8CA9 /* GL_DRAW_FRAMEBUFFER */, 0);
      ((cap_fn)proc("glDisable"))(0x0C11 /* GL_SCISSOR_TEST */);
      ((mask_fn)proc("glColorMask"))(1, 1, 1, 1);
      ((colour_fn)proc("glClearColor"))(0, 0, 0, 1);
      ((clear_fn)proc("glClear"))(0x4000 /* GL_COLOR_BUFFER_BIT */);
    }
  }
  real(window);
}
