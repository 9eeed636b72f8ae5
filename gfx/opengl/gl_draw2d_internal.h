// The OpenGL 2D driver's inner workings, for the framework's own files, tests and
// benchmarks, and for the OpenGL ES driver: the texture-size rule, the texture sources both
// drivers build from, the colour bytes last given to OpenGL and the ellipse's segment count.
// Programs use gl_draw2d.h or draw2d.h.
#pragma once

#include <cstdint>

#include "gfx/opengl/gl_draw2d.h"

// Texture sizes: powers of two the library accepts, halving both until it does.
// Raises "Unable to calculate tex size" when not even 1 x 1 fits.
void AdjustTexSize(int32_t& width, int32_t& height);
// What both OpenGL drivers build their textures from, so that their texels agree: the next
// power of two (1 stays 1); the pixmap a texture of tex_w x tex_h is filled from (scaled down
// to fit, converted to RGBA32, padded with its last column and row smeared one pixel outwards)
// and the size of it that is used; the next mipmap level, halving each size above 1 (null after
// 1 x 1).
int32_t NextPow2(int32_t n);
TPixmapPtr TextureSource(const TPixmapPtr& pixmap, int32_t tex_w, int32_t tex_h, int32_t& used_w,
                         int32_t& used_h);
TPixmapPtr NextMipLevel(const TPixmapPtr& level);
// The colour and alpha bytes as last given to glColor4ubv.
const uint8_t* GLDrawColorBytes();
// The number of segments DrawOval uses for a box of that size.
int32_t OvalSegments(float width, float height);
