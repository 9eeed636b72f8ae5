#include "gfx/sdl/gl_procs.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

template <typename T>
bool Find(T& proc, const char* name, const char* suffix) {
  const std::string full = std::string("gl") + name + suffix;
  proc = reinterpret_cast<T>(SDL_GL_GetProcAddress(full.c_str()));
  return proc != nullptr;
}

// The major version of the current context, from its version string.
int MajorVersion(const TGLProcs& gl, bool es) {
  const char* version = gl.GetString ? reinterpret_cast<const char*>(gl.GetString(GL_VERSION)) : nullptr;
  if (!version) return 0;
  if (es) {
    const char* digits = std::strpbrk(version, "0123456789");
    return digits ? std::atoi(digits) : 0;
  }
  return std::atoi(version);
}

}  // namespace

void TGLProcs::Load(bool es) {
  base = true;
#define VS_GL_PROC_FIND(ret, name, args) base = Find(name, #name, "") && base;
  VS_GL_BASE_PROCS(VS_GL_PROC_FIND)
#undef VS_GL_PROC_FIND
  const int major = MajorVersion(*this, es);
  const char* suffix = nullptr;
  if (major >= 3 || (!es && SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object"))) {
    suffix = "";
  } else if (!es && SDL_GL_ExtensionSupported("GL_EXT_framebuffer_object") &&
             SDL_GL_ExtensionSupported("GL_EXT_framebuffer_blit")) {
    suffix = "EXT";
  }
  fbo = suffix != nullptr;
  if (fbo) {
#define VS_GL_PROC_FIND(ret, name, args) fbo = Find(name, #name, suffix) && fbo;
    VS_GL_FBO_PROCS(VS_GL_PROC_FIND)
#undef VS_GL_PROC_FIND
  }
  shaders = major >= 3;
  if (shaders) {
#define VS_GL_PROC_FIND(ret, name, args) shaders = Find(name, #name, "") && shaders;
    VS_GL_SHADER_PROCS(VS_GL_PROC_FIND)
#undef VS_GL_PROC_FIND
  }
}
