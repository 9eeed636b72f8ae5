// The OpenGL 2D driver's inner workings, for the framework's own files, tests and
// benchmarks: the texture-size rule, the colour bytes last given to OpenGL and the
// ellipse's segment count. Programs use gl_draw2d.h or draw2d.h.
#pragma once

#include <cstdint>

#include "gfx/gl_draw2d.h"

// Texture sizes: powers of two the library accepts, halving both until it does.
// Raises "Unable to calculate tex size" when not even 1 x 1 fits.
void AdjustTexSize(int32_t& width, int32_t& height);
// The colour and alpha bytes as last given to glColor4ubv.
const uint8_t* GLDrawColorBytes();
// The number of segments DrawOval uses for a box of that size.
int32_t OvalSegments(float width, float height);
