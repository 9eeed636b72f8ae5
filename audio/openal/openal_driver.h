// The "OpenAL" audio driver over OpenAL Soft: sounds become buffers and channels sources, with
// volume, pan, depth, rate, pause and resume, looping and the playing state of sound.h. A
// program chooses it with SelectAudioDriver("OpenAL"); the game stays on "SoftMix".
// Builds on sound.h; OpenAL's own headers stay in openal_driver.cpp.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/sound.h"

struct TOpenALBuffer;
struct TOpenALSource;

class TOpenALSound : public TSound {
 public:
  // Null for a channel of another driver, or when the device has gone or no source is left.
  TChannelPtr Play(const TChannelPtr& channel) override;
  TChannelPtr Cue(const TChannelPtr& channel) override;

  std::shared_ptr<TOpenALBuffer> _buffer;  // null when the device was not running
  bool _loop = false;

 private:
  TChannelPtr Start(const TChannelPtr& channel, bool paused);
};

// Pan and depth place the source on a circle around the listener: pan -1 left, +1 right;
// depth below 0 behind. A stereo sound plays as it is, unpanned, as OpenAL plays stereo.
class TOpenALChannel : public TChannel {
 public:
  ~TOpenALChannel() override;  // a sound still playing goes on to its end
  void Stop() override;
  void SetPaused(int32_t flag) override;  // resuming a sound that has ended does nothing
  void SetVolume(float volume) override;
  void SetPan(float pan) override;
  void SetDepth(float depth) override;
  void SetRate(float rate) override;
  int32_t Playing() override;  // 0 while cued or paused and once ended

  std::shared_ptr<TOpenALSource> _source;  // null once stopped
  float _pan = 0.0f, _depth = 0.0f;
};

class TOpenALAudioDriver : public TAudioDriver {
 public:
  std::u16string Name() override { return u"OpenAL"; }
  int32_t Startup() override;  // opens the default device; 0 when there is none
  void Shutdown() override;    // sounds and channels made before go silent
  TSoundPtr CreateSound(const TAudioSamplePtr& sample, int32_t flags) override;
  TChannelPtr AllocChannel() override;  // null when the device has no source left

  static std::shared_ptr<TOpenALAudioDriver> Create();  // registers it
};

// Registers "OpenAL"; the audio module's start does it.
void InitOpenALDriver();
