// The OpenGL graphics driver's inner workings, for the framework's own files, tests and
// benchmarks: its host in the shared SDL window layer, whose header also answers what a
// context's swap draws into, its SDL window and the coordinate mapping of the scaled path.
// Programs use gl_graphics.h or graphics.h.
#pragma once

#include <cstdint>

#include "gfx/opengl/gl_graphics.h"
#include "gfx/sdl/sdl_gl_window.h"

TGLWindowHost& GLGraphicsHost();
// The swap interval of this driver's last flip (see GLSwapIntervalUnset).
int32_t GLLastSwapInterval();
// False before the first context and once the process is ending: no GL calls then.
bool GLSharedContextAlive();
// Makes the hidden shared context if there is none yet, as the first context does; false
// when no video or no OpenGL can be had.
bool GLEnsureSharedContext();
