// Reads what SDL's disk audio driver wrote (44100 Hz, 16-bit stereo, no header) and answers
// three questions for the end-to-end runs: how loud a stretch of it is, where in a stretch
// an effect decoded with the game's own Ogg loader sounds best, by normalised cross-correlation
// of the effect's opening (what the effect then sets off in play may sound over its tail), and
// whether any value of a stretch reached full scale, where the mixer clamps (apart from the
// moment the device starts over after the mixer fell behind).
// usage: audio_check loud RAW FROM_BYTE TO_BYTE MIN_DBFS
//        audio_check cue RAW FROM_BYTE TO_BYTE CUE.ogg MIN_NCC
//        audio_check peak RAW FROM_BYTE TO_BYTE (TO_BYTE -1: to the end)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "audio/sample.h"

namespace {

constexpr int32_t kFrameBytes = 4;
constexpr double kRate = 44100.0;
constexpr size_t kCueFrames = 44100 * 15 / 100;  // the opening 150 ms

// The frames of [from, to) as mono floats, the two channels averaged.
std::vector<float> read_raw(const char* path, long from, long to) {
  std::ifstream in(path, std::ios::binary);
  std::vector<float> mono;
  if (!in) return mono;
  from -= from % kFrameBytes;
  in.seekg(from);
  std::vector<int16_t> pcm(static_cast<size_t>(std::max(0L, to - from)) / 2);
  in.read(reinterpret_cast<char*>(pcm.data()), static_cast<std::streamsize>(pcm.size() * 2));
  pcm.resize(static_cast<size_t>(in.gcount()) / 2);
  for (size_t i = 0; i + 1 < pcm.size(); i += 2) mono.push_back((pcm[i] + pcm[i + 1]) / 2.0f);
  return mono;
}

std::vector<float> read_cue(const char* path) {
  std::u16string name;
  for (const char* c = path; *c; ++c) name += static_cast<char16_t>(static_cast<unsigned char>(*c));
  std::vector<float> mono;
  TAudioSamplePtr s = LoadAudioSample(TUrl(name));
  if (!s) return mono;
  TAudioSamplePtr st = s->Convert(TAudioSample::FORMAT_STEREO16LE);
  const auto* pcm = reinterpret_cast<const int16_t*>(st->samples);
  for (int32_t i = 0; i < st->length && mono.size() < kCueFrames; ++i) mono.push_back((pcm[2 * i] + pcm[2 * i + 1]) / 2.0f);
  return mono;
}

int loud(const char* raw, long from, long to, double min_dbfs) {
  const std::vector<float> x = read_raw(raw, from, to);
  if (x.empty()) {
    std::printf("FAIL: no audio written between bytes %ld and %ld of %s\n", from, to, raw);
    return 1;
  }
  double sum = 0;
  for (float v : x) sum += static_cast<double>(v) * v;
  const double rms = std::sqrt(sum / static_cast<double>(x.size()));
  const double dbfs = rms > 0 ? 20.0 * std::log10(rms / 32768.0) : -200.0;
  std::printf("%.2f s from %.2f s: %.1f dBFS (wanted at least %.1f)\n", x.size() / kRate, from / kFrameBytes / kRate,
              dbfs, min_dbfs);
  return dbfs >= min_dbfs ? 0 : 1;
}

int cue(const char* raw, long from, long to, const char* ogg, double min_ncc) {
  const std::vector<float> c = read_cue(ogg);
  const std::vector<float> x = read_raw(raw, from, to);
  if (c.empty()) {
    std::printf("FAIL: %s cannot be decoded\n", ogg);
    return 1;
  }
  if (x.size() < c.size()) {
    std::printf("FAIL: only %zu frames written between bytes %ld and %ld, the cue has %zu\n", x.size(), from, to,
                c.size());
    return 1;
  }
  double cc = 0;
  for (float v : c) cc += static_cast<double>(v) * v;
  // Running energy of the window under the cue, so each offset costs one dot product.
  double xx = 0;
  for (size_t i = 0; i < c.size(); ++i) xx += static_cast<double>(x[i]) * x[i];
  double best = -1;
  size_t at = 0;
  for (size_t off = 0; off + c.size() <= x.size(); ++off) {
    if (off > 0) {
      xx += static_cast<double>(x[off + c.size() - 1]) * x[off + c.size() - 1];
      xx -= static_cast<double>(x[off - 1]) * x[off - 1];
    }
    if (xx <= 1.0) continue;  // silence matches nothing
    float dot = 0;
    const float* w = &x[off];
    for (size_t i = 0; i < c.size(); ++i) dot += w[i] * c[i];
    const double ncc = dot / std::sqrt(xx * cc);
    if (ncc > best) {
      best = ncc;
      at = off;
    }
  }
  std::printf("%s: best correlation %.3f at %.3f s (wanted at least %.2f)\n", ogg, best,
              (from / kFrameBytes + static_cast<double>(at)) / kRate, min_ncc);
  return best >= min_ncc ? 0 : 1;
}

// Full scale is where the mixer clamps: 32767 or -32768, never reached by a mix that fits.
// Exact silence longer than half a second after sound is the device starting over after the
// mixer fell behind (a starved machine); every sound cued meanwhile then starts at once, so
// the half second after one is counted apart.
int peak(const char* raw, long from, long to) {
  std::ifstream in(raw, std::ios::binary);
  if (!in) {
    std::printf("FAIL: %s cannot be read\n", raw);
    return 1;
  }
  from -= from % kFrameBytes;
  in.seekg(from);
  constexpr long kSecond = static_cast<long>(kRate);  // frames
  constexpr long kGap = kSecond / 2;
  std::vector<int16_t> pcm(static_cast<size_t>(kSecond) * 2);
  struct Tally {
    int largest = 0;
    long full = 0;
    void Add(int l, int r) {
      largest = std::max({largest, std::abs(l), std::abs(r)});
      full += (l >= 32767 || l <= -32768) + (r >= 32767 || r <= -32768);
    }
  } play, restart;
  long frames = 0, restarts = 0, silent = 0, since_restart = kGap, worst_second = 0, worst_second_at = 0;
  bool heard = false;
  const long limit = to < 0 ? -1 : (to - from) / kFrameBytes;
  while (limit < 0 || frames < limit) {
    long want = kSecond;
    if (limit >= 0) want = std::min(want, limit - frames);
    in.read(reinterpret_cast<char*>(pcm.data()), static_cast<std::streamsize>(want * kFrameBytes));
    const long got = static_cast<long>(in.gcount()) / kFrameBytes;
    if (got == 0) break;
    const long full_before = play.full;
    for (long i = 0; i < got; ++i) {
      const int l = pcm[static_cast<size_t>(2 * i)], r = pcm[static_cast<size_t>(2 * i + 1)];
      if (l == 0 && r == 0) {
        if (++silent == kGap && heard) ++restarts;
      } else {
        if (silent >= kGap && heard) since_restart = 0;
        silent = 0;
        heard = true;
      }
      (since_restart < kGap ? restart : play).Add(l, r);
      ++since_restart;
    }
    if (play.full - full_before > worst_second) worst_second = play.full - full_before, worst_second_at = frames / kSecond;
    frames += got;
  }
  if (frames == 0) {
    std::printf("FAIL: no audio written from byte %ld of %s\n", from, raw);
    return 1;
  }
  std::printf("%.1f s from %.2f s: peak %d (%.2f dBFS), %ld values at full scale", frames / kRate,
              from / kFrameBytes / kRate, play.largest, 20.0 * std::log10(std::max(play.largest, 1) / 32768.0), play.full);
  if (play.full > 0) std::printf(" (%ld of them in second %ld)", worst_second, worst_second_at);
  std::printf(", wanted none");
  if (restarts > 0)
    std::printf("; apart from that the device started over %ld times, then peak %d and %ld values at full scale",
                restarts, restart.largest, restart.full);
  std::printf("\n");
  return play.full == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "loud" && argc == 6) return loud(argv[2], std::atol(argv[3]), std::atol(argv[4]), std::atof(argv[5]));
  if (mode == "cue" && argc == 7)
    return cue(argv[2], std::atol(argv[3]), std::atol(argv[4]), argv[5], std::atof(argv[6]));
  if (mode == "peak" && argc == 5) return peak(argv[2], std::atol(argv[3]), std::atol(argv[4]));
  std::fprintf(stderr,
               "usage: audio_check loud RAW FROM_BYTE TO_BYTE MIN_DBFS\n"
               "       audio_check cue RAW FROM_BYTE TO_BYTE CUE.ogg MIN_NCC\n"
               "       audio_check peak RAW FROM_BYTE TO_BYTE\n");
  return 2;
}
