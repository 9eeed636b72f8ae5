// The "SoftMix" audio driver: sounds and channels as handles into the software mixer,
// which plays through the SDL output device. Builds on sound.h and mixer/device.h.
#pragma once

#include "audio/mixer/mixer.h"
#include "audio/sound.h"

class TSoftMixSound : public TSound {
 public:
  ~TSoftMixSound() override;
  // Null for a channel of another driver, or when no handle or voice is free.
  TChannelPtr Play(const TChannelPtr& channel) override;
  TChannelPtr Cue(const TChannelPtr& channel) override;
  // Takes over the reference `handle` holds; a null handle plays nothing.
  static std::shared_ptr<TSoftMixSound> CreateWithSound(softmix::mixer_sample* handle, const TAudioSamplePtr& sample);

  // The mixer sample (a pointer: the mixer's samples live in memory, not in a table).
  softmix::mixer_sample* fa_sound = nullptr;

 private:
  TChannelPtr Start(const TChannelPtr& channel, bool paused);
};

class TSoftMixChannel : public TChannel {
 public:
  ~TSoftMixChannel() override;  // releases the handle; a playing voice goes on to its end
  void Stop() override;
  void SetPaused(int32_t flag) override;
  void SetVolume(float volume) override;  // x 4096
  void SetPan(float pan) override;        // x 4096
  void SetDepth(float depth) override;    // x 4096
  void SetRate(float rate) override;      // x 65536
  int32_t Playing() override;             // false while paused
  int32_t Position();                     // frames into the sample
  static std::shared_ptr<TSoftMixChannel> CreateWithChannel(int32_t handle);

  int32_t fa_channel = 0;  // 0 once stopped
};

class TSoftMixAudioDriver : public TAudioDriver {
 public:
  std::u16string Name() override { return _name; }
  int32_t Startup() override;
  void Shutdown() override;
  TSoundPtr CreateSound(const TAudioSamplePtr& sample, int32_t flags) override;
  TChannelPtr AllocChannel() override;
  // mode -1: the SDL device; 0 likewise ("Multimedia"); 1 would be DirectSound, which Linux lacks.
  static std::shared_ptr<TSoftMixAudioDriver> Create(std::u16string name, int32_t mode);

  std::u16string _name;
  int32_t _mode = -1;
};

// Registers "SoftMix Multimedia" (mode 0) and then "SoftMix" (mode -1).
void InitSoftMixDrivers();
