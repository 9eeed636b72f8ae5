// The sounds the generator writes and their intended lengths, shared with the
// asset tests so they can check what the decoder gives back.
#pragma once

#include <vector>

namespace assetgen {

constexpr int kSampleRate = 44100;

struct SoundFile {
  const char* file;  // under data/
  int channels;
  int frames;        // exact decoded length
  bool loops;        // joins its end to its start
};

inline std::vector<SoundFile> SoundFiles() {
  return {
      {"shoot.ogg", 1, kSampleRate * 30 / 100, false},
      {"warpin.ogg", 1, kSampleRate * 140 / 100, false},
      {"alienhit.ogg", 1, kSampleRate * 50 / 100, false},
      {"thud.ogg", 1, kSampleRate * 30 / 100, false},
      {"explode.ogg", 1, kSampleRate * 200 / 100, false},
      {"hiscore.ogg", 1, kSampleRate * 90 / 100, false},
      {"ufoloop.ogg", 1, kSampleRate * 80 / 100, true},
      {"ufohit.ogg", 1, kSampleRate * 110 / 100, false},
      {"blockhit.ogg", 1, kSampleRate * 90 / 100, false},
      {"rebirth.ogg", 1, kSampleRate * 120 / 100, false},
      {"swarm.ogg", 2, kSampleRate * 64, true},  // 32 bars at 120 beats a minute
  };
}

}  // namespace assetgen
