// Helpers for programs that draw with raw OpenGL in a context of the OpenGL graphics driver:
// a pixmap-to-texture routine, and a rectangle, a pixmap copy and 8 x 16 text that each set a
// pixel projection over the current viewport and put the caller's state back afterwards.
// Builds on pixmap.h and the 2D driver's texture-size rule; the text font is the embedded
// "gldrawtextfont.bin".
#pragma once

#include <cstdint>
#include <string>

#include "gfx/pixmap.h"

// A new texture in the current context holding the pixmap at its top-left, sized as the 2D
// driver sizes textures; 0 for an empty pixmap. tex_width and tex_height, when given, receive
// the texture's size.
uint32_t GLTexFromPixmap(const TPixmapPtr& pixmap, bool mipmapped = false,
                         int32_t* tex_width = nullptr, int32_t* tex_height = nullptr);
void GLDrawRect(int32_t x, int32_t y, int32_t width, int32_t height);  // in the current colour
void GLDrawPixmap(const TPixmapPtr& pixmap, int32_t x, int32_t y);    // top-left at (x, y)
// Characters 32..127 in the current colour, 8 pixels each; others are skipped.
void GLDrawText(const std::u16string& text, int32_t x, int32_t y);

inline constexpr int32_t GLTextFontBytes = 1536;  // 16 rows of 96 bytes
