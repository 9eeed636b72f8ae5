#include "tools/assetgen/music.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

#include "tools/assetgen/synth.h"

namespace assetgen {

namespace {

constexpr double kBeat = 0.5;  // seconds, 120 beats a minute
constexpr double kBar = 4 * kBeat;
constexpr double kEighth = kBeat / 2;
constexpr double kTail = 4.0;  // rendered past the end, then wrapped into the start

// A stereo bus long enough for the loop and its tail.
struct Bus {
  std::vector<float> l, r;
  explicit Bus(size_t frames) : l(frames, 0), r(frames, 0) {}
  void Add(size_t i, float v, float pan) {  // pan -1 left .. +1 right, constant power
    if (i >= l.size()) return;
    double a = (pan + 1) * kTau / 8;
    l[i] += v * float(std::cos(a));
    r[i] += v * float(std::sin(a));
  }
};

size_t At(double seconds) { return size_t(std::lround(seconds * kSampleRate)); }

struct Note {
  double start, length;  // seconds
  double midi;
};

// "E5:2 A5:1 -:1": note names with lengths in eighths; "-" rests. Sharps "G#5", flats "Bb5".
std::vector<Note> Phrase(const std::string& text, double start) {
  static const int kSemis[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  std::vector<Note> out;
  std::istringstream in(text);
  std::string tok;
  double t = start;
  while (in >> tok) {
    size_t colon = tok.find(':');
    double len = std::stod(tok.substr(colon + 1)) * kEighth;
    std::string name = tok.substr(0, colon);
    if (name != "-") {
      int semi = kSemis[name[0] - 'A'];
      size_t p = 1;
      if (name[p] == '#') semi++, p++;
      else if (name[p] == 'b') semi--, p++;
      int octave = std::stoi(name.substr(p));
      out.push_back({t, len, double(12 * (octave + 1) + semi)});
    }
    t += len;
  }
  return out;
}

// Chords of the four eight-bar sections, one a bar: root (MIDI, octave 2) and minor or not.
struct Chord {
  int root;
  bool minor;
};
const Chord kA[8] = {{45, true}, {41, false}, {48, false}, {43, false}, {45, true}, {41, false}, {43, false}, {40, false}};
const Chord kB[8] = {{38, true}, {45, true}, {41, false}, {40, false}, {38, true}, {45, true}, {46, false}, {40, false}};

Chord ChordOfBar(int bar) {
  int section = bar / 8;
  return section == 2 ? kB[bar % 8] : kA[bar % 8];
}

const char* kLeadA[8] = {
    "E5:2 A5:1 E5:1 C5:2 A4:2",  "F5:2 C5:1 F5:1 A5:2 G5:1 F5:1", "E5:2 G5:1 E5:1 C5:2 D5:1 E5:1",
    "D5:2 B4:1 D5:1 G5:4",       "E5:2 A5:1 E5:1 C6:2 B5:1 A5:1", "A5:2 F5:1 A5:1 C6:2 A5:2",
    "B5:2 G5:1 B5:1 D6:2 B5:1 G5:1", "G#5:4 E5:2 B4:2"};
const char* kLeadB[8] = {"F5:3 E5:1 D5:2 A5:2", "E5:4 C5:2 E5:2",     "F5:3 G5:1 A5:2 C6:2",
                         "B5:4 G#5:4",          "D6:3 C6:1 A5:2 F5:2", "E5:3 A5:1 C6:4",
                         "D6:2 C6:1 Bb5:1 F5:2 D5:2", "E5:2 G#5:2 B5:2 E6:2"};

// The note a third below in A minor, with the raised seventh (G#) over E major.
double ThirdBelow(double midi, const Chord& chord) {
  static const int kScale[7] = {0, 2, 3, 5, 7, 8, 10};  // A B C D E F G, from A
  int n = int(midi), rel = ((n - 57) % 12 + 12) % 12, octave = (n - 57 - rel) / 12;
  int degree = 0;
  while (degree < 6 && kScale[degree + 1] <= rel) ++degree;  // G# counts as G
  int target = degree - 2, down = 0;
  if (target < 0) target += 7, down = 1;
  int note = 57 + 12 * (octave - down) + kScale[target];
  if (chord.root % 12 == 4 && !chord.minor && kScale[target] == 10) ++note;
  return note;
}

void Kick(Bus& bus, double at, float gain) {
  Osc o;
  for (size_t i = 0, n = At(0.35); i < n; ++i) {
    double t = double(i) / kSampleRate;
    float v = o.Sine(Sweep(160, 45, t, 0.09)) * AttackDecay(t, 0.001, 0.12);
    bus.Add(At(at) + i, v * gain, 0);
  }
}

void Snare(Bus& bus, double at, float gain, uint64_t seed) {
  Osc o;
  Noise n(seed);
  Svf f;
  for (size_t i = 0, len = At(0.3); i < len; ++i) {
    double t = double(i) / kSampleRate;
    float tone = o.Sine(Sweep(240, 170, t, 0.05)) * AttackDecay(t, 0.001, 0.05);
    float noise = f.Run(n.Next(), 4200, 0.9).band * AttackDecay(t, 0.001, 0.09);
    bus.Add(At(at) + i, (tone * 0.7f + noise * 0.9f) * gain, 0.05f);
  }
}

void Hat(Bus& bus, double at, float gain, double tau, uint64_t seed) {
  Noise n(seed);
  OnePole hp;
  for (size_t i = 0, len = At(tau * 6); i < len; ++i) {
    double t = double(i) / kSampleRate;
    bus.Add(At(at) + i, hp.High(n.Next(), 7000) * AttackDecay(t, 0.0005, tau) * gain, 0.3f);
  }
}

void Crash(Bus& bus, double at, float gain, uint64_t seed) {
  Noise n(seed);
  Svf f;
  for (size_t i = 0, len = At(2.2); i < len; ++i) {
    double t = double(i) / kSampleRate;
    float v = f.Run(n.Next(), 6500, 0.7).high * AttackDecay(t, 0.002, 0.5);
    bus.Add(At(at) + i, v * gain, -0.35f);
  }
}

// Resonant saw bass with a plucked filter.
void Bass(Bus& bus, const Note& note, float gain) {
  Osc a, b;
  Svf f;
  double hz = MidiHz(note.midi);
  for (size_t i = 0, len = At(note.length + 0.08); i < len; ++i) {
    double t = double(i) / kSampleRate;
    float raw = a.Saw(hz) * 0.7f + b.Pulse(hz * 0.5, 0.5) * 0.5f;
    float env = t < note.length ? float(std::min(1.0, t / 0.004)) : float(std::exp(-(t - note.length) / 0.02));
    float v = f.Run(raw, 250 + 1600 * std::exp(-t / 0.07), 2.2).low;
    bus.Add(At(note.start) + i, v * env * gain, 0);
  }
}

// Thin pulse arpeggio, panned to one side; its echo answers from the other.
void Arp(Bus& bus, const Note& note, float gain, float pan) {
  Osc o;
  Svf f;
  double hz = MidiHz(note.midi);
  for (size_t i = 0, len = At(0.2); i < len; ++i) {
    double t = double(i) / kSampleRate;
    float v = f.Run(o.Pulse(hz, 0.25), 3800, 0.8).low * AttackDecay(t, 0.002, 0.06);
    bus.Add(At(note.start) + i, v * gain, pan);
  }
}

// Detuned saw pad, slow to swell, spread wide.
void Pad(Bus& bus, const Note& note, float gain, float pan) {
  Osc a, b(0.37);
  Svf f;
  double hz = MidiHz(note.midi);
  for (size_t i = 0, len = At(note.length + 0.6); i < len; ++i) {
    double t = double(i) / kSampleRate;
    float env = float(std::min(1.0, t / 0.35));
    if (t > note.length) env *= float(std::exp(-(t - note.length) / 0.2));
    float v = f.Run(a.Saw(hz * 0.997) + b.Saw(hz * 1.003), 1400, 0.7).low;
    bus.Add(At(note.start) + i, v * env * gain, pan);
  }
}

// Lead: two detuned saws and a square an octave down, with delayed vibrato.
void Lead(Bus& bus, const Note& note, float gain, float pan) {
  Osc a, b(0.21), c(0.5);
  Svf f;
  double base = MidiHz(note.midi);
  for (size_t i = 0, len = At(note.length + 0.25); i < len; ++i) {
    double t = double(i) / kSampleRate;
    double vib = t > 0.18 ? 0.005 * std::sin(kTau * 5.5 * (t - 0.18)) * std::min(1.0, (t - 0.18) / 0.2) : 0;
    double hz = base * (1 + vib);
    float raw = a.Saw(hz * 0.996) * 0.5f + b.Saw(hz * 1.004) * 0.5f + c.Pulse(hz * 0.5, 0.5) * 0.25f;
    float env = t < note.length ? float(std::min(1.0, t / 0.01) * (0.75 + 0.25 * std::exp(-t / 0.15)))
                                : float(0.75 * std::exp(-(t - note.length) / 0.07));
    float v = f.Run(raw, 1200 + 3800 * std::exp(-t / 0.25), 1.1).low;
    bus.Add(At(note.start) + i, v * env * gain, pan);
  }
}

// Ping-pong echo of a bus into another, dotted eighths apart.
void Echo(const Bus& src, Bus& dst, double delay, float feedback, float mix) {
  size_t d = At(delay);
  std::vector<float> l(src.l.size(), 0), r(src.r.size(), 0);
  for (size_t i = d; i < l.size(); ++i) {
    l[i] = src.r[i - d] * mix + r[i - d] * feedback;
    r[i] = src.l[i - d] * mix + l[i - d] * feedback;
  }
  for (size_t i = 0; i < l.size(); ++i) {
    dst.l[i] += src.l[i] + l[i];
    dst.r[i] += src.r[i] + r[i];
  }
}

}  // namespace

std::vector<float> ComposeMusic(int frames) {
  const int bars = int(std::lround(double(frames) / kSampleRate / kBar));
  const size_t total = size_t(frames) + At(kTail);
  Bus drums(total), bass(total), keys(total), lead(total);
  uint64_t seed = 100;

  for (int bar = 0; bar < bars; ++bar) {
    const double t0 = bar * kBar;
    const int section = bar / 8, in_section = bar % 8;
    const Chord ch = ChordOfBar(bar);
    const int third = ch.minor ? 3 : 4;
    const bool intro = section == 0 && in_section < 4;
    const bool fill = in_section == 7 && section > 0;

    // Drums: hats alone for the first four bars, then the full kit.
    for (int s = 0; s < 16; ++s) {
      double t = t0 + s * kEighth / 2;
      if (intro) {
        if (s % 2 == 0) Hat(drums, t, s % 4 == 2 ? 0.22f : 0.12f, 0.02, seed++);
        continue;
      }
      if (s % 4 == 0) Kick(drums, t, 0.95f);
      if (section == 2 && s == 10) Kick(drums, t, 0.6f);
      if (s == 4 || s == 12) Snare(drums, t, 0.55f, seed++);
      if (fill && s >= 12) Snare(drums, t, 0.25f + 0.08f * float(s - 12), seed++);
      if (s % 4 == 2) Hat(drums, t, 0.17f, 0.08, seed++);
      else Hat(drums, t, s % 2 ? 0.08f : 0.14f, 0.018, seed++);
    }
    if (in_section == 0 && bar > 0) Crash(drums, t0, 0.32f, seed++);

    // Bass: eighths on the root with octave jumps.
    static const int kOct[8] = {0, 0, 12, 0, 0, 12, 0, 12};
    for (int e = 0; e < 8; ++e) {
      if (intro && e % 2) continue;
      Bass(bass, {t0 + e * kEighth, kEighth * 0.8, double(ch.root + kOct[e])}, intro ? 0.22f : 0.32f);
    }

    // Arpeggio in sixteenths over the chord, rising then falling; pad underneath.
    const int arp[8] = {0, third, 7, 12, 15 + (ch.minor ? 0 : 1), 12, 7, third};
    for (int s = 0; s < 16; ++s) {
      double note = ch.root + 24 + arp[s % 8];
      Arp(keys, {t0 + s * kEighth / 2, 0.1, note}, intro ? 0.07f + 0.02f * in_section : 0.13f, s % 2 ? 0.45f : -0.45f);
    }
    for (int k : {12, 12 + third, 19}) Pad(keys, {t0, kBar, double(ch.root + k)}, 0.045f, k == 19 ? 0.5f : -0.5f);

    // Lead: melody A in the second and fourth sections, melody B in the third;
    // the fourth doubles the melody a third below.
    if (section == 1 || section == 3) {
      for (const Note& n : Phrase(kLeadA[in_section], t0)) {
        Lead(lead, n, 0.34f, 0);
        if (section == 3) {
          Note low = n;
          low.midi = ThirdBelow(n.midi, ch);
          Lead(lead, low, 0.16f, -0.3f);
        }
      }
    } else if (section == 2) {
      for (const Note& n : Phrase(kLeadB[in_section], t0)) Lead(lead, n, 0.34f, 0.1f);
    }
  }

  Bus mix(total);
  Echo(lead, mix, 0.375, 0.35f, 0.3f);
  Echo(keys, mix, 0.375, 0.25f, 0.25f);
  for (size_t i = 0; i < total; ++i) {
    mix.l[i] += drums.l[i] + bass.l[i];
    mix.r[i] += drums.r[i] + bass.r[i];
  }

  // Wrap what sounds past the end round into the start.
  std::vector<float> out(size_t(frames) * 2);
  for (size_t i = 0; i < total; ++i) {
    size_t j = i % size_t(frames);
    out[j * 2] += mix.l[i];
    out[j * 2 + 1] += mix.r[i];
  }
  RemoveMean(out, 2);
  return out;
}

}  // namespace assetgen
