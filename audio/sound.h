// Playable sounds, the channels (voices) that play them and the audio drivers that
// make both, with the registry of drivers and the global operations the game calls.
// Builds on sample.h; the driver in use, "SoftMix", lives in softmix.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/sample.h"

class TChannel;
class TSound;
class TAudioDriver;
using TChannelPtr = std::shared_ptr<TChannel>;
using TSoundPtr = std::shared_ptr<TSound>;
using TAudioDriverPtr = std::shared_ptr<TAudioDriver>;

constexpr int32_t SOUND_LOOP = 1;  // bit 0 of a sound's flags

// A voice: volume 1.0 is full level, pan and depth -1.0 .. +1.0, rate 1.0 the sample's speed.
// The base type is silent: every operation does nothing and Playing() is 0.
class TChannel {
 public:
  virtual ~TChannel() = default;
  virtual void Stop() {}
  virtual void SetPaused(int32_t /*flag*/) {}
  virtual void SetVolume(float /*volume*/) {}
  virtual void SetPan(float /*pan*/) {}
  virtual void SetDepth(float /*depth*/) {}
  virtual void SetRate(float /*rate*/) {}
  virtual int32_t Playing() { return 0; }
};

// A loaded sound. The base type is silent: Play and Cue hand back a new silent channel.
class TSound {
 public:
  virtual ~TSound() = default;
  virtual TChannelPtr Play(const TChannelPtr& channel);
  virtual TChannelPtr Cue(const TChannelPtr& channel);  // set up paused
  // Through the current driver; null when the file cannot be opened or decoded.
  static TSoundPtr Load(const TUrl& url, int32_t flags);
  static TSoundPtr Load(const TAudioSamplePtr& sample, int32_t flags);
};

// A back end. The base type is itself the silent driver "Null".
class TAudioDriver {
 public:
  virtual ~TAudioDriver() = default;
  virtual std::u16string Name() { return u"Null"; }
  virtual int32_t Startup() { return 1; }
  virtual void Shutdown() {}
  virtual TSoundPtr CreateSound(const TAudioSamplePtr& sample, int32_t flags);
  virtual TChannelPtr AllocChannel();
  TAudioDriverPtr _succ;

  // Builds the silent driver and puts it in the registry.
  static TAudioDriverPtr Create();
};

// Puts `driver` at the head of the registry; lookups walk from the head. A null driver, or
// one already registered, is refused.
void RegisterAudioDriver(TAudioDriverPtr driver);

// The current driver; on first use "SoftMix" is selected, and "Null" when that fails.
TAudioDriver* CurrentAudioDriver();
std::vector<std::u16string> ListAudioDrivers();          // registry order, at most 100
int32_t HasAudioDriver(std::u16string_view name);        // 1 when registered, case ignored
int32_t SelectAudioDriver(std::u16string_view name);     // 1 when it started and is current
void ShutdownAudio();                                    // shuts the current driver down; none is current after

// The game's operations. Null sounds and channels are tolerated: nothing happens,
// Playing is 0, and playing a null sound gives a null channel.
TSoundPtr LoadSoundFile(const TUrl& source, int32_t flags);
TSoundPtr LoadSoundFile(const TAudioSamplePtr& source, int32_t flags);
TChannelPtr PlaySoundOn(const TSoundPtr& sound, const TChannelPtr& channel);
TChannelPtr CueSoundOn(const TSoundPtr& sound, const TChannelPtr& channel);
TChannelPtr NewAudioChannel();
void StopAudioChannel(const TChannelPtr& channel);
void PauseAudioChannel(const TChannelPtr& channel);
void ResumeAudioChannel(const TChannelPtr& channel);
void SetAudioChannelVolume(const TChannelPtr& channel, float volume);
void SetAudioChannelPan(const TChannelPtr& channel, float pan);
void SetAudioChannelDepth(const TChannelPtr& channel, float depth);
void SetAudioChannelRate(const TChannelPtr& channel, float rate);
int32_t IsAudioChannelPlaying(const TChannelPtr& channel);
