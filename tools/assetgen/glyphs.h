// Text and bitmap fonts through FreeType: coverage masks of a line of text for the
// pictures, and the two 8 x 16 one-bit fonts of characters 32-127.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/assetgen/canvas.h"

namespace assetgen {

// The ink of one line of text, cropped to its bounding box plus `pad` on each side.
// `tracking` is extra pixels between letters. Throws if the font cannot be opened.
Mask TextMask(const std::string& font_file, std::string_view text, int pixel_height, int tracking, int pad);

// 1536 bytes: 16 rows of 96 bytes; byte j of row i is row i of character 32 + j,
// bit k (least significant first) lit = pixel k from the left.
std::vector<uint8_t> BitmapFont(const std::string& font_file, int pixel_height);

}  // namespace assetgen
