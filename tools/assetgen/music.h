// The music, "Swarm": an original arcade track in A minor at 120 beats a minute,
// 32 bars, written as note lists and rendered with the generator's synthesiser.
#pragma once

#include <vector>

namespace assetgen {

// Interleaved stereo of exactly `frames` frames that loops without a seam: the tails
// of the last notes and echoes are wrapped round into the start. Its level is the caller's.
std::vector<float> ComposeMusic(int frames);

}  // namespace assetgen
