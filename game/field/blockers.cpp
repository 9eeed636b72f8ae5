#include "game/field/blockers.h"

#include "game/globals.h"
#include "gfx/draw2d.h"
#include "gfx/image.h"

namespace {
// The row's rectangle on the screen, grabbed back after every change.
constexpr int32_t kRowLeft = 0, kRowTop = 325;
}  // namespace

void blocker_tag::reset() {
  ClearScreen();
  SetDrawBlend(BlendMask);
  SetDrawColor(255, 255, 255);
  DrawImageFrame(img_block, 120.0f, kBlockRowY, 0);
  DrawImageFrame(img_block, 320.0f, kBlockRowY, 0);
  DrawImageFrame(img_block, 520.0f, kBlockRowY, 0);
  GrabImageFrame(img_blocklayer, kRowLeft, kRowTop, 0);
}

void blocker_tag::update(int32_t flag) {
  if (flag == 0) return;
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  DrawImageFrame(img_blocklayer, kBlockRowX, kBlockRowY, 0);
}

void blocker_tag::update_hit() {
  if (hit == 0) return;
  hit = 0;
  SetDrawBlend(BlendMask);
  SetDrawColor(255, 255, 255);
  DrawImageFrame(img_blocklayer, kBlockRowX, kBlockRowY, 0);
  // The shot's shape in black: black is the mask colour, so the grab makes it a hole.
  SetDrawColor(0, 0, 0);
  DrawImageFrame(img_shots, bhit_x, bhit_y, bh_frame);
  GrabImageFrame(img_blocklayer, kRowLeft, kRowTop, 0);
  SetDrawColor(150, 150, 200);
}
