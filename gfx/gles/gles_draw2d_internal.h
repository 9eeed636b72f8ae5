// The OpenGL ES drivers' inner workings, for the framework's own files, tests and benchmarks:
// their host in the shared SDL window layer, the draws and clears issued so far, the shader
// build with its one-line log, and switches that send the driver down its other paths (the
// desktop OpenGL 3.3 form, other shader sources). Programs use gles_draw2d.h or draw2d.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/gles/gles_draw2d.h"
#include "gfx/sdl/sdl_gl_window.h"

TGLWindowHost& GLESGraphicsHost();
// Before the first context: the kinds of context to try, in order (OpenGL ES 3.0, then
// OpenGL 3.3 core, unless told otherwise).
void GLESAskForContexts(std::vector<TGLContextApi> apis);

// Draw calls and clears issued since the start.
struct TGLESCounts {
  int64_t draws = 0, clears = 0;
};
TGLESCounts GLESDrawCounts();

// Compiles and links a program from the bodies of a vertex and a fragment shader (the version
// line and precision statements for the context's kind are put in front), with the current
// context. 0 on failure, after one line on standard error with what the compiler or linker said.
uint32_t GLESBuildProgram(const std::string& vertex_body, const std::string& fragment_body);
// Before the first context: the bodies the driver's program is built from (empty: its own).
void GLESSetShaderBodies(const std::string& vertex_body, const std::string& fragment_body);
// The OpenGL ES driver could not make its first context and handed over to the OpenGL one.
bool GLESHandedOver();

// Texture sizes: powers of two within GL_MAX_TEXTURE_SIZE, halving both until they fit.
// Raises "Unable to calculate tex size" when not even 1 x 1 fits.
void GLESAdjustTexSize(int32_t& width, int32_t& height);
// The frames of up to this size in each direction share array textures.
inline constexpr int32_t GLESCellSize = 64;
