// The heads-up display: score, best score and stage along the top and the spare ships at the
// bottom, always flat, drawn last in every frame that shows the play area or a menu.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

void draw_hud();
// A label and a figure of at least two digits: "Score: 07", "Stage: 12".
std::u16string hud_text(std::u16string_view label, int32_t value);
