#include "tools/assetgen/synth.h"

#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace assetgen {

double Osc::Step(double hz) {
  double p = phase_;
  dt_ = hz / kSampleRate;
  phase_ += dt_;
  phase_ -= std::floor(phase_);
  return p;
}

// Polynomial band-limited step: takes the edge off the discontinuities that would alias.
static double Blep(double t, double dt) {
  if (dt <= 0) return 0;
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0;
}

float Osc::Saw(double hz) {
  double t = Step(hz);
  return float(2.0 * t - 1.0 - Blep(t, dt_));
}

float Osc::Pulse(double hz, double duty) {
  double t = Step(hz);
  double v = t < duty ? 1.0 : -1.0;
  v += Blep(t, dt_);
  double t2 = t - duty;
  t2 -= std::floor(t2);
  v -= Blep(t2, dt_);
  return float(v - (2.0 * duty - 1.0));  // no DC for any duty
}

float Osc::Triangle(double hz) {
  double t = Step(hz);
  return float(t < 0.5 ? 4.0 * t - 1.0 : 3.0 - 4.0 * t);
}

Svf::Out Svf::Run(float x, double cutoff_hz, double q) {
  double f = 2.0 * std::sin(kTau * std::min(cutoff_hz, 16000.0) / (4.0 * kSampleRate));
  double damp = 1.0 / std::max(q, 0.5);
  float high = 0;
  for (int i = 0; i < 2; ++i) {
    low_ += float(f) * band_;
    high = x - low_ - float(damp) * band_;
    band_ += float(f) * high;
  }
  return {low_, band_, high};
}

float OnePole::Low(float x, double cutoff_hz) {
  float a = float(1.0 - std::exp(-kTau * cutoff_hz / kSampleRate));
  y_ += a * (x - y_);
  return y_;
}

float Normalise(std::vector<float>& samples, double peak_dbfs) {
  float peak = 0;
  for (float s : samples) peak = std::max(peak, std::fabs(s));
  if (peak <= 0) return 1.0f;
  float gain = float(std::pow(10.0, peak_dbfs / 20.0) / peak);
  for (float& s : samples) s *= gain;
  return gain;
}

void FinishOneShot(std::vector<float>& mono, double fade) {
  OnePole dc;
  for (float& s : mono) s = dc.High(s, 20.0);
  size_t n = std::min(mono.size(), size_t(fade * kSampleRate));
  for (size_t i = 0; i < n; ++i) mono[mono.size() - 1 - i] *= float(i) / float(n);
}

void RemoveMean(std::vector<float>& interleaved, int channels) {
  size_t frames = interleaved.size() / channels;
  for (int c = 0; c < channels; ++c) {
    double sum = 0;
    for (size_t i = 0; i < frames; ++i) sum += interleaved[i * channels + c];
    float mean = float(sum / double(frames));
    for (size_t i = 0; i < frames; ++i) interleaved[i * channels + c] -= mean;
  }
}

namespace {

struct VorbisState {
  vorbis_info vi;
  vorbis_comment vc;
  vorbis_dsp_state vd;
  vorbis_block vb;
  ogg_stream_state os;
  bool dsp = false, stream = false;
  VorbisState() {
    vorbis_info_init(&vi);
    vorbis_comment_init(&vc);
  }
  ~VorbisState() {
    if (stream) ogg_stream_clear(&os);
    if (dsp) {
      vorbis_block_clear(&vb);
      vorbis_dsp_clear(&vd);
    }
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
  }
};

void WritePage(FILE* f, const ogg_page& page) {
  if (std::fwrite(page.header, 1, size_t(page.header_len), f) != size_t(page.header_len) ||
      std::fwrite(page.body, 1, size_t(page.body_len), f) != size_t(page.body_len))
    throw std::runtime_error("cannot write Ogg page");
}

}  // namespace

void WriteOgg(const std::string& path, int channels, const std::vector<float>& interleaved, float quality,
              int serial, const char* title) {
  VorbisState v;
  if (vorbis_encode_init_vbr(&v.vi, channels, kSampleRate, quality) != 0)
    throw std::runtime_error("vorbisenc refuses the settings for " + path);
  vorbis_comment_add_tag(&v.vc, "TITLE", title);
  vorbis_comment_add_tag(&v.vc, "ARTIST", "Vektor Swarm 3D");
  vorbis_analysis_init(&v.vd, &v.vi);
  vorbis_block_init(&v.vd, &v.vb);
  v.dsp = true;
  ogg_stream_init(&v.os, serial);
  v.stream = true;

  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f) throw std::runtime_error("cannot create " + path);
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&v.vd, &v.vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&v.os, &header);
  ogg_stream_packetin(&v.os, &comments);
  ogg_stream_packetin(&v.os, &codebooks);
  ogg_page page;
  while (ogg_stream_flush(&v.os, &page) != 0) WritePage(f.get(), page);

  const size_t frames = interleaved.size() / channels;
  const size_t chunk = 1024;
  size_t done = 0;
  bool eos = false, ended = false;
  while (!eos) {
    if (done < frames) {
      size_t n = std::min(chunk, frames - done);
      float** buf = vorbis_analysis_buffer(&v.vd, int(n));
      for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c) buf[c][i] = interleaved[(done + i) * channels + c];
      vorbis_analysis_wrote(&v.vd, int(n));
      done += n;
    } else if (!ended) {
      vorbis_analysis_wrote(&v.vd, 0);  // end of stream
      ended = true;
    } else {
      throw std::runtime_error("vorbisenc did not finish " + path);
    }
    while (vorbis_analysis_blockout(&v.vd, &v.vb) == 1) {
      vorbis_analysis(&v.vb, nullptr);
      vorbis_bitrate_addblock(&v.vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&v.vd, &packet)) {
        ogg_stream_packetin(&v.os, &packet);
        while (!eos && ogg_stream_pageout(&v.os, &page) != 0) {
          WritePage(f.get(), page);
          if (ogg_page_eos(&page)) eos = true;
        }
      }
    }
  }
  if (std::fflush(f.get()) != 0) throw std::runtime_error("cannot write " + path);
}

double DecodedPeakDbfs(const std::string& path) {
  OggVorbis_File vf;
  if (ov_fopen(path.c_str(), &vf) != 0) throw std::runtime_error("cannot decode " + path);
  float peak = 0;
  float** pcm = nullptr;
  int section = 0;
  long n;
  const int channels = ov_info(&vf, -1)->channels;
  while ((n = ov_read_float(&vf, &pcm, 4096, &section)) > 0)
    for (int c = 0; c < channels; ++c)
      for (long i = 0; i < n; ++i) peak = std::max(peak, std::fabs(pcm[c][i]));
  ov_clear(&vf);
  if (n < 0) throw std::runtime_error("cannot decode " + path);
  return 20.0 * std::log10(std::max(peak, 1e-9f));
}

void WriteOggUnder(const std::string& path, int channels, std::vector<float> interleaved, float quality,
                   int serial, const char* title, double ceiling_dbfs) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    WriteOgg(path, channels, interleaved, quality, serial, title);
    double over = DecodedPeakDbfs(path) - ceiling_dbfs;
    if (over <= 0) return;
    float gain = float(std::pow(10.0, -(over + 0.1) / 20.0));
    for (float& s : interleaved) s *= gain;
  }
  throw std::runtime_error(path + " stays above its ceiling");
}

}  // namespace assetgen
