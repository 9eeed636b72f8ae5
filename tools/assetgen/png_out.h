// Writes 8-bit RGB and RGBA PNG files (no time stamp) through libpng, so the same
// pixels always give the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

// rgb holds width x height x 3 bytes, rows top to bottom. Throws on failure.
void WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);
// rgba holds width x height x 4 bytes with straight alpha.
void WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);

}  // namespace assetgen
