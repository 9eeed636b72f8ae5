// The game's sound effects and music, synthesised sample by sample and encoded
// to Ogg Vorbis (44100 Hz) with libvorbisenc.
#pragma once

#include <string>

namespace assetgen {

// Writes the ten effects and swarm.ogg into `dir` (data/).
void WriteSounds(const std::string& dir);

}  // namespace assetgen
