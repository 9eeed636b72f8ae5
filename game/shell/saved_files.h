// The two values kept between runs, one little-endian int32 each: the best score in
// "data\hiscore.dat" and the glasses type in "Data\anaglyph3d.dat", both in the one folder
// data/ (made so, lower case, where there is none of either spelling).
#pragma once

#include <cstdint>

void best_score_file(int32_t action);  // 0 reads, 1 writes
void stereo_file(int32_t action);      // 1 reads, 2 writes, 0 only; each then sets the eye colours
// One line on standard error naming the files the writes above could not replace, if any.
void report_unsaved_files();
