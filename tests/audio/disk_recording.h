// What SDL's disk audio driver wrote: the device's output as a file of interleaved signed
// 16-bit stereo frames, for the device tests and the device benchmark. Waits are counts of
// frames the device played, never lengths of time.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/mixer/device_internal.h"
#include "audio/sample.h"
#include "system/timer.h"

namespace disk_recording {

constexpr int kLevel = 16000;

// A sine at kLevel; 44100 frames of 440 Hz hold whole cycles, so it loops seamlessly.
inline TAudioSamplePtr Sine(int32_t frames, double hertz) {
  TAudioSamplePtr s = TAudioSample::Create(frames, 44100, TAudioSample::FORMAT_MONO16LE);
  auto* v = reinterpret_cast<int16_t*>(s->samples);
  for (int32_t i = 0; i < frames; ++i)
    v[i] = static_cast<int16_t>(std::lround(kLevel * std::sin(2 * M_PI * hertz * i / 44100)));
  return s;
}

struct Recording {
  std::vector<int16_t> values;  // stereo, interleaved
  int64_t frames() const { return static_cast<int64_t>(values.size() / 2); }
  int L(int64_t f) const { return values[static_cast<size_t>(f * 2)]; }
  int R(int64_t f) const { return values[static_cast<size_t>(f * 2 + 1)]; }
  bool Silent(int64_t f) const { return L(f) == 0 && R(f) == 0; }
};

// Points the disk driver at a file of this process's own: runs may overlap.
inline std::string UseFile(const std::string& dir, const char* name) {
  std::string path = dir + std::to_string(getpid()) + "_" + name;
  std::remove(path.c_str());
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  return path;
}

inline int64_t FileFrames(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) / 4 : 0;
}

// Returns once the device's callback has played `frames` more, however long that takes; a
// restart, which counts again from 0, only makes the wait longer.
inline void WaitForPlayed(int64_t frames) {
  int64_t last = softmix::DevicePlayedBytes() / 4, done = 0;
  while (done < frames) {
    DelayMillis(5);
    const int64_t now = softmix::DevicePlayedBytes() / 4;
    done += now >= last ? now - last : now;
    last = now;
  }
}

inline Recording Read(const std::string& path) {
  Recording r;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return r;
  int16_t buf[4096];
  size_t n;
  while ((n = std::fread(buf, 2, 4096, f)) > 0) r.values.insert(r.values.end(), buf, buf + n);
  std::fclose(f);
  return r;
}

inline int64_t FirstLoud(const Recording& r, int64_t from, int threshold) {
  for (int64_t f = from; f < r.frames(); ++f)
    if (std::abs(r.L(f)) > threshold) return f;
  return -1;
}

// The longest run of silent frames from `from` on, and where it ends.
inline int64_t LongestSilence(const Recording& r, int64_t from, int64_t* end = nullptr) {
  int64_t longest = 0, run = 0;
  for (int64_t f = from; f < r.frames(); ++f) {
    run = r.Silent(f) ? run + 1 : 0;
    if (run > longest) {
      longest = run;
      if (end) *end = f;
    }
  }
  return longest;
}

}  // namespace disk_recording
