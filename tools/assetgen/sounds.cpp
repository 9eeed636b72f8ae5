#include "tools/assetgen/sounds.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

#include "tools/assetgen/music.h"
#include "tools/assetgen/sound_list.h"
#include "tools/assetgen/synth.h"

namespace assetgen {

namespace {

// Alone, an effect would peak at -2 dBFS, and the saucer's loop and the music, which
// sound for seconds on end, 3 dB lower. The mixer adds its voices and clamps the sum, so
// every sound is mastered the same headroom lower: the loudest moments of play at Max (the
// music, the saucer's loop, two shots, two invaders bursting and two shots striking the
// blockers in one frame) then stay a decibel under full scale, and music and effects keep
// their balance. The ceiling catches the encoder's ripple, which can add a decibel to sharp
// edges.
constexpr double kHeadroom = 14.5;
constexpr double kEffectPeak = -2.0 - kHeadroom;
constexpr double kLoopPeak = -5.0 - kHeadroom;
constexpr double kMusicPeak = -5.0 - kHeadroom;
constexpr double kCeiling = -1.5 - kHeadroom;

std::vector<float> Render(int frames, const std::function<float(double t)>& f) {
  std::vector<float> out(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) out[size_t(i)] = f(double(i) / kSampleRate);
  return out;
}

// "Pew": a pulse sweeping down with a bright click at the start.
std::vector<float> Shoot(int frames) {
  Osc pulse, sub;
  Noise noise(1);
  Svf tone, click;
  return Render(frames, [&](double t) {
    double hz = Sweep(1500, 190, t, 0.24);
    float v = pulse.Pulse(hz, 0.3) * 0.6f + sub.Sine(hz * 0.5) * 0.5f;
    v = tone.Run(v, Sweep(7000, 1200, t, 0.25), 1.2).low * AttackDecay(t, 0.002, 0.075);
    float c = click.Run(noise.Next(), 5000, 1.0).band * AttackDecay(t, 0.0005, 0.008);
    return v + c * 0.8f;
  });
}

// The formation warps in: a rising, trembling FM sweep over a rushing noise.
std::vector<float> Warpin(int frames) {
  Osc car, mod, trem;
  Noise noise(2);
  Svf whoosh;
  const double len = double(frames) / kSampleRate;
  return Render(frames, [&](double t) {
    double hz = Sweep(90, 1000, t, len * 0.85);
    double index = 3.0 * (1.0 - t / len) + 0.4;
    float fm = car.Sine(hz + mod.Sine(hz * 1.5) * hz * index * 0.5);
    float tremolo = 0.65f + 0.35f * trem.Sine(9 + 14 * t / len);
    float air = whoosh.Run(noise.Next(), Sweep(300, 6000, t, len), 3.0).band * 0.5f;
    float env = float(std::min(1.0, t / 0.08) * std::min(1.0, (len - t) / 0.35));
    return (fm * tremolo * 0.7f + air) * env;
  });
}

// An invader bursts: a crunched, falling noise burst over a dropping blip.
std::vector<float> Alienhit(int frames) {
  Osc blip;
  Noise noise(3);
  Svf band;
  float held = 0;
  int hold = 0;
  return Render(frames, [&](double t) {
    float n = band.Run(noise.Next(), Sweep(3500, 350, t, 0.3), 1.5).band * 1.4f * AttackDecay(t, 0.001, 0.15);
    float b = blip.Pulse(Sweep(700, 120, t, 0.16), 0.5) * 0.7f * AttackDecay(t, 0.001, 0.08);
    // Sample-and-hold at about 11 kHz gives the burst its arcade grit.
    if (hold-- <= 0) {
      held = n + b;
      hold = 3;
    }
    return held;
  });
}

// A shot hits the blockers: a short dull knock.
std::vector<float> Thud(int frames) {
  Osc body;
  Noise noise(4);
  Svf dull;
  return Render(frames, [&](double t) {
    float s = body.Sine(Sweep(140, 45, t, 0.12)) * AttackDecay(t, 0.001, 0.07);
    float n = dull.Run(noise.Next(), 700, 0.8).low * AttackDecay(t, 0.0005, 0.02);
    return s + n * 1.5f;
  });
}

// The ship explodes: noise darkening over two seconds, a sub-bass rumble and crackle.
std::vector<float> Explode(int frames) {
  Osc rumble;
  Noise noise(5), crackle(6);
  Svf body, snap;
  Rng pops(7);
  double next_pop = 0.02;
  float pop_env = 0;
  return Render(frames, [&](double t) {
    float n = body.Run(noise.Next(), Sweep(6000, 150, t, 1.6), 0.9).low * AttackDecay(t, 0.003, 0.45);
    float r = rumble.Sine(Sweep(70, 28, t, 1.2)) * AttackDecay(t, 0.01, 0.55);
    if (t >= next_pop) {
      pop_env = float(std::exp(-t / 0.5));
      next_pop = t + pops.Range(0.01f, 0.08f) * (1 + t * 2);
    }
    pop_env *= 0.995f;
    float c = snap.Run(crackle.Next(), 2500, 2.0).band * pop_env;
    return n * 1.2f + r * 0.9f + c * 0.8f;
  });
}

// A short brass-like fanfare: ta-ta-taaa.
std::vector<float> Hiscore(int frames) {
  struct Note {
    double start, length, midi;
  };
  const Note notes[] = {{0.0, 0.09, 79}, {0.1, 0.09, 79}, {0.2, 0.55, 84}, {0.2, 0.55, 88}, {0.2, 0.55, 91}};
  std::vector<Osc> a(5), b(5);
  std::vector<Svf> filt(5);
  return Render(frames, [&](double t) {
    float v = 0;
    for (int k = 0; k < 5; ++k) {
      double lt = t - notes[k].start;
      if (lt < 0) continue;
      double hz = MidiHz(notes[k].midi) * (1 + (lt > 0.15 ? 0.006 * std::sin(kTau * 6 * lt) : 0));
      float env = lt < notes[k].length ? float(std::min(1.0, lt / 0.008))
                                       : float(std::exp(-(lt - notes[k].length) / 0.06));
      float raw = a[size_t(k)].Saw(hz) * 0.6f + b[size_t(k)].Pulse(hz * 1.003, 0.4) * 0.4f;
      v += filt[size_t(k)].Run(raw, 800 + 5000 * std::exp(-lt / 0.15), 1.0).low * env * (k < 2 ? 1.0f : 0.5f);
    }
    return v;
  });
}

// The saucer's engine: a warbling siren over a hum. Every part repeats a whole
// number of times in the loop, so the last sample leads smoothly into the first.
std::vector<float> Ufoloop(int frames) {
  const double len = double(frames) / kSampleRate;  // 0.8 s
  const double lfo = 4.0 / len;  // four warbles per loop, five a second
  const double mean = 850.0, depth = 170.0, hum = 100.0;
  return Render(frames, [&](double t) {
    // Phase of a tone whose pitch swings sinusoidally, integrated in closed form.
    double phase = mean * t - depth / (kTau * lfo) * std::cos(kTau * lfo * t);
    float siren = float(std::sin(kTau * phase) + 0.3 * std::sin(2 * kTau * phase) + 0.15 * std::sin(3 * kTau * phase));
    float throb = float(0.75 + 0.25 * std::sin(kTau * lfo * 2 * t));
    float h = float(std::sin(kTau * hum * t) * 0.35 + std::sin(kTau * hum * 3 * t) * 0.12);
    return siren * throb * 0.6f + h;
  });
}

// The saucer is hit: it spins down with a metallic ring, then bursts.
std::vector<float> Ufohit(int frames) {
  Osc zap, wob, ring1, ring2;
  Noise noise(8);
  Svf body;
  return Render(frames, [&](double t) {
    double hz = Sweep(1800, 70, t, 0.65) * (1 + 0.15 * wob.Sine(Sweep(30, 6, t, 0.6)));
    float z = zap.Pulse(hz, 0.35) * 0.5f * AttackDecay(t, 0.001, 0.3);
    float ring = ring1.Sine(1230) * ring2.Sine(1771) * AttackDecay(t, 0.001, 0.18);
    float burst = body.Run(noise.Next(), Sweep(4000, 200, t - 0.25, 0.8), 0.8).low * AttackDecay(t - 0.25, 0.01, 0.3);
    return z + ring * 0.6f + burst * 1.3f;
  });
}

// The blockers crumble: a low collapse and a shower of falling rubble.
std::vector<float> Blockhit(int frames) {
  Osc thump;
  Noise noise(9);
  Rng grains(10);
  struct Grain {
    double start, hz, tau;
    float gain;
    Svf f;
  };
  std::vector<Grain> rubble;
  for (int k = 0; k < 22; ++k) {
    double start = 0.02 + std::pow(grains.Uniform(), 1.6f) * 0.62;
    rubble.push_back({start, grains.Range(250, 1800), grains.Range(0.02f, 0.06f),
                      float(grains.Range(0.4f, 1.0f) * std::exp(-start / 0.4)), Svf()});
  }
  return Render(frames, [&](double t) {
    float v = thump.Sine(Sweep(90, 35, t, 0.3)) * AttackDecay(t, 0.002, 0.18);
    float n = noise.Next();
    for (Grain& g : rubble)
      if (t >= g.start) v += g.f.Run(n, g.hz, 2.5).band * AttackDecay(t - g.start, 0.002, g.tau) * g.gain * 1.6f;
    return v;
  });
}

// A new ship materialises: a rising triangle arpeggio over a shimmering sweep.
std::vector<float> Rebirth(int frames) {
  const double notes[] = {60, 64, 67, 72, 76, 79, 84, 88};
  std::vector<Osc> tri(8), sh(8);
  Noise noise(11);
  Svf air;
  const double len = double(frames) / kSampleRate;
  return Render(frames, [&](double t) {
    float v = 0;
    for (int k = 0; k < 8; ++k) {
      double lt = t - k * 0.075;
      if (lt < 0) continue;
      double hz = MidiHz(notes[k]);
      v += (tri[size_t(k)].Triangle(hz) * 0.7f + sh[size_t(k)].Sine(hz * 2.0) * 0.25f) * AttackDecay(lt, 0.004, 0.35);
    }
    float shimmer = air.Run(noise.Next(), Sweep(800, 9000, t, len * 0.7), 6.0).band * 0.25f;
    return v * 0.45f + shimmer * float(std::sin(kTau * 0.5 * t / len));
  });
}

}  // namespace

void WriteSounds(const std::string& dir) {
  int serial = 0x56533344;  // fixed stream serials keep the files identical between runs
  for (const SoundFile& s : SoundFiles()) {
    std::string name = s.file;
    std::vector<float> pcm;
    if (name == "swarm.ogg") {
      pcm = ComposeMusic(s.frames);
      Normalise(pcm, kMusicPeak);
      WriteOggUnder(dir + "/" + name, 2, std::move(pcm), 0.25f, serial++, "Swarm", kCeiling);
      continue;
    }
    if (name == "shoot.ogg") pcm = Shoot(s.frames);
    else if (name == "warpin.ogg") pcm = Warpin(s.frames);
    else if (name == "alienhit.ogg") pcm = Alienhit(s.frames);
    else if (name == "thud.ogg") pcm = Thud(s.frames);
    else if (name == "explode.ogg") pcm = Explode(s.frames);
    else if (name == "hiscore.ogg") pcm = Hiscore(s.frames);
    else if (name == "ufoloop.ogg") pcm = Ufoloop(s.frames);
    else if (name == "ufohit.ogg") pcm = Ufohit(s.frames);
    else if (name == "blockhit.ogg") pcm = Blockhit(s.frames);
    else if (name == "rebirth.ogg") pcm = Rebirth(s.frames);
    else throw std::runtime_error("no recipe for " + name);
    if (s.loops) RemoveMean(pcm, 1);
    else FinishOneShot(pcm, 0.01);
    Normalise(pcm, s.loops ? kLoopPeak : kEffectPeak);
    WriteOggUnder(dir + "/" + name, 1, std::move(pcm), 0.4f, serial++, name.substr(0, name.size() - 4).c_str(),
                  kCeiling);
  }
}

}  // namespace assetgen
