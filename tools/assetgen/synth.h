// Signal building blocks for the generator's sounds (band-limited oscillators,
// envelopes, a state-variable filter, noise) and the Ogg Vorbis writer.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/canvas.h"
#include "tools/assetgen/sound_list.h"

namespace assetgen {

constexpr double kTau = 6.283185307179586;

// One oscillator with its own phase; frequency may change every sample.
class Osc {
 public:
  explicit Osc(double phase = 0) : phase_(phase) {}
  float Sine(double hz) { return float(std::sin(kTau * Step(hz))); }
  float Saw(double hz);
  float Pulse(double hz, double duty);
  float Triangle(double hz);

 private:
  double Step(double hz);  // answers the phase before the step
  double phase_;
  double dt_ = 0;
};

// Chamberlin state-variable filter, run twice per sample for stability at high cutoffs.
class Svf {
 public:
  struct Out {
    float low, band, high;
  };
  Out Run(float x, double cutoff_hz, double q);

 private:
  float low_ = 0, band_ = 0;
};

class OnePole {
 public:
  float Low(float x, double cutoff_hz);
  float High(float x, double cutoff_hz) { return x - Low(x, cutoff_hz); }

 private:
  float y_ = 0;
};

// White noise in [-1, 1).
class Noise {
 public:
  explicit Noise(uint64_t seed) : rng_(seed) {}
  float Next() { return rng_.Uniform() * 2.0f - 1.0f; }

 private:
  Rng rng_;
};

// Exponential sweep from a to b over `time` seconds, then held at b.
inline double Sweep(double a, double b, double t, double time) {
  return t >= time ? b : a * std::pow(b / a, t / time);
}
// Linear attack, then exponential decay with time constant tau.
inline float AttackDecay(double t, double attack, double tau) {
  if (t < 0) return 0;
  if (t < attack) return float(t / attack);
  return float(std::exp(-(t - attack) / tau));
}
inline double MidiHz(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// Scales so the largest magnitude is `peak_dbfs`; answers the gain used.
float Normalise(std::vector<float>& samples, double peak_dbfs);
// Removes the DC of a one-shot with a 20 Hz high-pass and fades its last `fade` seconds.
void FinishOneShot(std::vector<float>& mono, double fade);
// Removes the mean of each channel, which keeps a loop continuous across its seam.
void RemoveMean(std::vector<float>& interleaved, int channels);

// Encodes interleaved float samples (-1..1) at 44100 Hz. Throws on failure.
void WriteOgg(const std::string& path, int channels, const std::vector<float>& interleaved, float quality,
              int serial, const char* title);
// Encodes, decodes the result and, while the decoded peak is above `ceiling_dbfs` (the
// codec's ripple can add a decibel to sharp edges), lowers the level and encodes again.
void WriteOggUnder(const std::string& path, int channels, std::vector<float> interleaved, float quality,
                   int serial, const char* title, double ceiling_dbfs);
// The largest decoded magnitude of an Ogg Vorbis file in dBFS. Throws if it does not decode.
double DecodedPeakDbfs(const std::string& path);

}  // namespace assetgen
