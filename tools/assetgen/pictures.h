// The game's four pictures, drawn from shapes, noise and the Play Bold font:
// the maker's logo, the flat title, the deep-space backdrop and the sprite sheet.
#pragma once

#include <string>

namespace assetgen {

struct Fonts {
  std::string title;      // TrueType font for lettering (Play Bold)
  std::string mono;       // monospaced font for the framework's bitmap font
  std::string mono_bold;  // its bold cut, for the OpenGL text routine's font
};

// Each writes one PNG into `dir` (graphx/).
void WriteLogo(const std::string& dir, const Fonts& fonts);
void WriteTitle(const std::string& dir, const Fonts& fonts);
void WriteBackdrop(const std::string& dir);
void WriteSpriteSheet(const std::string& dir, const Fonts& fonts);
// The desktop icon at 32, 48, 64, 128 and 256 pixels square, with transparency.
void WriteIcons(const std::string& dir);

}  // namespace assetgen
