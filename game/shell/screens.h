// The screens around a game: the opening logo, the title and pause menus (one routine whose
// first and last items change with the state), the pause screen and the game-over screen.
#pragma once

#include <cstdint>
#include <string>

// Runs until the logo has faded or was skipped; false when the logo picture cannot be opened.
bool logo_screen(int32_t y_offset);
void menu_step();                    // one frame of the title or pause menu
void pause_step();                   // one frame of the pause screen
void game_over_sequence();           // the whole game-over screen, then the title
void steer_pointer_by_joystick();
// Up and Down put the pointer on the line of the previous or next item (round the ends).
void steer_pointer_by_keys();

// The menu item under pointer height y: 0 to 4, or another value where none is.
int32_t menu_item_at(int32_t y);
int32_t menu_line_y(int32_t item);  // a pointer height that highlights item 0 to 4
// The text of menu item i as the current state shows it.
std::u16string menu_item_text(int32_t i);
// The one credit line at the foot of the menus.
std::u16string credit_line();
