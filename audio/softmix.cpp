#include "audio/softmix.h"

#include <cmath>

#include "audio/mixer/device.h"
#include "system/timer.h"

using softmix::RunningMixer;

namespace {

// Float to a fixed-point level, truncated toward zero and kept inside int32.
int32_t Fixed(float value, float scale) {
  double v = static_cast<double>(value) * scale;
  if (std::isnan(v)) return 0;
  if (v > 2147483647.0) return 2147483647;
  if (v < -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

}  // namespace

TSoftMixSound::~TSoftMixSound() { softmix::ReleaseSample(fa_sound); }

std::shared_ptr<TSoftMixSound> TSoftMixSound::CreateWithSound(softmix::mixer_sample* handle, const TAudioSamplePtr&) {
  auto s = std::make_shared<TSoftMixSound>();
  s->fa_sound = handle;
  return s;
}

TChannelPtr TSoftMixSound::Start(const TChannelPtr& channel, bool paused) {
  int32_t handle = 0;
  TSoftMixChannel* given = nullptr;
  if (channel) {
    given = dynamic_cast<TSoftMixChannel*>(channel.get());
    if (!given) return nullptr;
    handle = given->fa_channel;
  }
  softmix::mixer* m = RunningMixer();
  if (!m) return nullptr;
  int32_t used = m->StartSound(fa_sound, paused, handle, SystemMillis());
  if (used == 0) return nullptr;
  if (given && used == handle) return channel;
  return TSoftMixChannel::CreateWithChannel(used);
}

TChannelPtr TSoftMixSound::Play(const TChannelPtr& channel) { return Start(channel, false); }
TChannelPtr TSoftMixSound::Cue(const TChannelPtr& channel) { return Start(channel, true); }

std::shared_ptr<TSoftMixChannel> TSoftMixChannel::CreateWithChannel(int32_t handle) {
  auto c = std::make_shared<TSoftMixChannel>();
  c->fa_channel = handle;
  return c;
}

TSoftMixChannel::~TSoftMixChannel() {
  if (softmix::mixer* m = RunningMixer()) m->ReleaseHandle(fa_channel);
}

void TSoftMixChannel::Stop() {
  if (softmix::mixer* m = RunningMixer()) m->Stop(fa_channel);
  fa_channel = 0;
}

void TSoftMixChannel::SetPaused(int32_t flag) {
  if (softmix::mixer* m = RunningMixer()) m->SetPaused(fa_channel, flag != 0);
}
void TSoftMixChannel::SetVolume(float v) {
  if (softmix::mixer* m = RunningMixer()) m->SetVolume(fa_channel, Fixed(v, 4096.0f));
}
void TSoftMixChannel::SetPan(float p) {
  if (softmix::mixer* m = RunningMixer()) m->SetPan(fa_channel, Fixed(p, 4096.0f));
}
void TSoftMixChannel::SetDepth(float d) {
  if (softmix::mixer* m = RunningMixer()) m->SetDepth(fa_channel, Fixed(d, 4096.0f));
}
void TSoftMixChannel::SetRate(float r) {
  if (softmix::mixer* m = RunningMixer()) m->SetRate(fa_channel, Fixed(r, 65536.0f));
}

int32_t TSoftMixChannel::Playing() {
  softmix::mixer* m = RunningMixer();
  if (!m) return 0;
  int32_t s = m->Status(fa_channel);
  return s != 0 && !(s & softmix::STATUS_FINISHED) && !(s & softmix::STATUS_PAUSED);
}

int32_t TSoftMixChannel::Position() {
  softmix::mixer* m = RunningMixer();
  return m ? m->Position(fa_channel) : 0;
}

std::shared_ptr<TSoftMixAudioDriver> TSoftMixAudioDriver::Create(std::u16string name, int32_t mode) {
  auto d = std::make_shared<TSoftMixAudioDriver>();
  d->_name = std::move(name);
  d->_mode = mode;
  RegisterAudioDriver(d);
  return d;
}

int32_t TSoftMixAudioDriver::Startup() { return softmix::StartDevice(_mode) ? 1 : 0; }

void TSoftMixAudioDriver::Shutdown() { softmix::StopDevice(); }

TSoundPtr TSoftMixAudioDriver::CreateSound(const TAudioSamplePtr& sample, int32_t flags) {
  if (!sample || sample->format < 1 || sample->format > 6) return nullptr;
  // The mixer takes little-endian data only.
  TAudioSamplePtr le = sample;
  if (sample->format == TAudioSample::FORMAT_MONO16BE) le = sample->Convert(TAudioSample::FORMAT_MONO16LE);
  if (sample->format == TAudioSample::FORMAT_STEREO16BE) le = sample->Convert(TAudioSample::FORMAT_STEREO16LE);
  softmix::mixer_sample* handle = nullptr;
  if (RunningMixer()) {
    int32_t channels = le->Channels();
    handle = softmix::CreateSample(le->length, le->FrameBytes() * 8 / channels, channels, le->hertz, le->samples,
                                   static_cast<uint32_t>(flags & SOUND_LOOP));
  }
  return TSoftMixSound::CreateWithSound(handle, sample);
}

TChannelPtr TSoftMixAudioDriver::AllocChannel() {
  softmix::mixer* m = RunningMixer();
  if (!m) return nullptr;
  int32_t handle = m->AllocHandle();
  if (!handle) return nullptr;
  return TSoftMixChannel::CreateWithChannel(handle);
}

void InitSoftMixDrivers() {
  TSoftMixAudioDriver::Create(u"SoftMix Multimedia", 0);
  TSoftMixAudioDriver::Create(u"SoftMix", -1);
}
