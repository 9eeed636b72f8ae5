// A bare SDL2 + OpenGL ES 3 program, the yardstick of the game's graphics costs.
//   bare_gl first-frame: milliseconds from exec to its first frame presented (a full-screen
//     window at the display's size, one clear, one swap), timed as startup_probe times the game.
//   bare_gl floor SECONDS: for that long, 60 frames a second, draws a 640 x 480 backdrop into a
//     picture of that size and scales it into a full-screen window with the aspect kept (where
//     the window has the picture's size the picture is drawn straight into it): the least a
//     full-screen 640 x 480 game costs. Run under Xvfb (cpu_usage.sh, startup.sh).
#include <SDL.h>
#include <SDL_opengl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double now_ms() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

#define PROC(type, name) auto name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name))

SDL_Window* OpenWindow() {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return nullptr;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
  SDL_Rect bounds{0, 0, 640, 480};
  SDL_GetDisplayBounds(0, &bounds);
  SDL_Window* window = SDL_CreateWindow("bare", bounds.x, bounds.y, bounds.w, bounds.h,
                                        SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS);
  if (!window || !SDL_GL_CreateContext(window)) return nullptr;
  return window;
}

int FirstFrame(double launched_at) {
  SDL_Window* window = OpenWindow();
  if (!window) return 1;
  PROC(void(APIENTRY*)(GLfloat, GLfloat, GLfloat, GLfloat), glClearColor);
  PROC(void(APIENTRY*)(GLbitfield), glClear);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  SDL_GL_SwapWindow(window);
  std::printf("%.1f\n", now_ms() - launched_at);
  return 0;
}

int Floor(double seconds) {
  SDL_Window* window = OpenWindow();
  if (!window) return 1;
  PROC(void(APIENTRY*)(GLfloat, GLfloat, GLfloat, GLfloat), glClearColor);
  PROC(void(APIENTRY*)(GLbitfield), glClear);
  PROC(void(APIENTRY*)(GLsizei, GLuint*), glGenTextures);
  PROC(void(APIENTRY*)(GLenum, GLuint), glBindTexture);
  PROC(void(APIENTRY*)(GLenum, GLenum, GLint), glTexParameteri);
  PROC(void(APIENTRY*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*), glTexImage2D);
  PROC(void(APIENTRY*)(GLsizei, GLuint*), glGenFramebuffers);
  PROC(void(APIENTRY*)(GLenum, GLuint), glBindFramebuffer);
  PROC(void(APIENTRY*)(GLenum, GLenum, GLenum, GLuint, GLint), glFramebufferTexture2D);
  PROC(void(APIENTRY*)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum), glBlitFramebuffer);
  PROC(void(APIENTRY*)(GLint, GLint, GLsizei, GLsizei), glViewport);
  PROC(void(APIENTRY*)(void), glFinish);
  // The backdrop: a 640 x 480 texture, drawn each frame as the picture's whole first layer.
  std::vector<uint32_t> texels(640 * 480);
  for (size_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u);
  GLuint backdrop = 0, picture = 0, read = 0, draw = 0;
  glGenTextures(1, &backdrop);
  glBindTexture(GL_TEXTURE_2D, backdrop);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 640, 480, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glGenFramebuffers(1, &read);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, read);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backdrop, 0);
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(window, &dw, &dh);
  const bool scaled = dw != 640 || dh != 480;
  if (scaled) {
    glGenTextures(1, &picture);
    glBindTexture(GL_TEXTURE_2D, picture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 640, 480, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &draw);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, draw);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, picture, 0);
  }
  const double scale = std::min(dw / 640.0, dh / 480.0);
  const int w = static_cast<int>(640 * scale), h = static_cast<int>(480 * scale);
  const int x = (dw - w) / 2, y = (dh - h) / 2;
  SDL_GL_SetSwapInterval(0);
  const double start = now_ms();
  double next = start;
  while (now_ms() - start < seconds * 1000.0) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {}
    // The backdrop into the picture, then the picture into the window.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, read);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, draw);
    glBlitFramebuffer(0, 0, 640, 480, 0, 0, 640, 480, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    if (scaled) {
      glBindFramebuffer(GL_READ_FRAMEBUFFER, draw);
      glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
      glViewport(0, 0, dw, dh);
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT);
      glBlitFramebuffer(0, 0, 640, 480, x, y, x + w, y + h, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    }
    glFinish();
    next += 1000.0 / 60.0;
    const double wait = next - now_ms();
    if (wait > 0) SDL_Delay(static_cast<Uint32>(wait));
    SDL_GL_SwapWindow(window);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "first-frame") {
    if (argc > 2) return FirstFrame(std::atof(argv[2]));
    // The parent notes the time and starts the program again, as startup_probe does.
    char launched[32];
    std::snprintf(launched, sizeof launched, "%.3f", now_ms());
    execl("/proc/self/exe", argv[0], "first-frame", launched, static_cast<char*>(nullptr));
    return 1;
  }
  if (mode == "floor") return Floor(argc > 2 ? std::atof(argv[2]) : 5.0);
  std::fprintf(stderr, "usage: bare_gl first-frame | bare_gl floor SECONDS\n");
  return 2;
}
