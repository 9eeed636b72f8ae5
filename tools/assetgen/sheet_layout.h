// Where each picture of the sprite sheet lies: the game cuts the sheet at these
// rectangles, the generator draws into them and the asset tests check them.
#pragma once

#include <vector>

namespace assetgen {

struct SheetRect {
  const char* strip;  // the game's image that takes this frame
  int frame;
  int x, y, w, h;
};

constexpr int kSheetWidth = 614;
constexpr int kSheetHeight = 249;

inline std::vector<SheetRect> SheetLayout() {
  std::vector<SheetRect> r;
  r.push_back({"img_block", 0, 1, 61, 100, 70});
  r.push_back({"img_logo3d", 0, 115, 38, 454, 128});
  for (int i = 0; i < 11; ++i) r.push_back({"img_sprites", i, 1 + 51 * i, 1, 50, 26});
  for (int i = 0; i < 2; ++i) r.push_back({"img_dots", i, 81 + 14 * i, 30, 13, 13});
  for (int i = 0; i < 6; ++i) r.push_back({"img_shots", i, 1 + 13 * i, 30, 12, 28});
  return r;
}

}  // namespace assetgen
