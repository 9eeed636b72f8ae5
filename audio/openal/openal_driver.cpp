// Buffers and sources of one OpenAL Soft device. OpenAL reports no end of a sound, so a source
// whose channel object is let go while it plays is kept until it is seen stopped; each of the
// driver's calls looks. Shutdown deletes every source and buffer before the context goes, and
// the objects that outlive it hold id 0 and do nothing.
#include "audio/openal/openal_driver.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <algorithm>
#include <cmath>
#include <vector>

struct TOpenALBuffer {
  ALuint id = 0;
  ~TOpenALBuffer();
};

struct TOpenALSource {
  ALuint id = 0;
  std::shared_ptr<TOpenALBuffer> buffer;  // the sound it was last given, kept while it may play
  ~TOpenALSource();
  ALint State() const {
    ALint state = AL_STOPPED;
    if (id) alGetSourcei(id, AL_SOURCE_STATE, &state);
    return state;
  }
};

namespace {

struct TDevice {
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  std::vector<std::weak_ptr<TOpenALSource>> sources;
  std::vector<std::weak_ptr<TOpenALBuffer>> buffers;
  std::vector<std::shared_ptr<TOpenALSource>> playing_on;  // channel object gone, sound not ended
};
TDevice& al = *new TDevice;  // never destroyed: channels held in globals may go after it

template <class T>
void DropExpired(std::vector<std::weak_ptr<T>>& list) {
  list.erase(std::remove_if(list.begin(), list.end(), [](const std::weak_ptr<T>& w) { return w.expired(); }),
             list.end());
}

void ReapEnded() {
  auto& p = al.playing_on;
  p.erase(std::remove_if(p.begin(), p.end(), [](const auto& s) { return s->State() != AL_PLAYING; }), p.end());
  DropExpired(al.sources);
  DropExpired(al.buffers);
}

std::shared_ptr<TOpenALSource> NewSource() {
  if (!al.context) return nullptr;
  ReapEnded();
  alGetError();
  ALuint id = 0;
  alGenSources(1, &id);
  if (alGetError() != AL_NO_ERROR || id == 0) return nullptr;  // the device's sources are all in use
  // Placed relative to the listener, one unit away, with no fall-off: pan and depth only turn it.
  alSourcei(id, AL_SOURCE_RELATIVE, AL_TRUE);
  alSourcef(id, AL_ROLLOFF_FACTOR, 0.0f);
  alSource3f(id, AL_POSITION, 0.0f, 0.0f, -1.0f);
  auto source = std::make_shared<TOpenALSource>();
  source->id = id;
  al.sources.push_back(source);
  return source;
}

ALenum BufferFormat(int32_t format) {
  switch (format) {
    case TAudioSample::FORMAT_MONO8: return AL_FORMAT_MONO8;
    case TAudioSample::FORMAT_MONO16LE: return AL_FORMAT_MONO16;
    case TAudioSample::FORMAT_STEREO8: return AL_FORMAT_STEREO8;
    case TAudioSample::FORMAT_STEREO16LE: return AL_FORMAT_STEREO16;
    default: return 0;
  }
}

}  // namespace

TOpenALBuffer::~TOpenALBuffer() {
  if (id) alDeleteBuffers(1, &id);
}

TOpenALSource::~TOpenALSource() {
  if (!id) return;
  alSourceStop(id);
  alDeleteSources(1, &id);
}

// ---- TOpenALSound

TChannelPtr TOpenALSound::Start(const TChannelPtr& channel, bool paused) {
  std::shared_ptr<TOpenALChannel> ch;
  if (channel) {
    ch = std::dynamic_pointer_cast<TOpenALChannel>(channel);
    if (!ch) return nullptr;
  }
  if (!_buffer || !_buffer->id) return nullptr;
  if (!ch || !ch->_source || !ch->_source->id) {
    auto source = NewSource();
    if (!source) return nullptr;
    ch = std::make_shared<TOpenALChannel>();
    ch->_source = std::move(source);
  } else {
    ReapEnded();
  }
  // A channel given back keeps its volume, pan, depth and rate for the new sound.
  TOpenALSource& s = *ch->_source;
  alSourceStop(s.id);
  alSourcei(s.id, AL_BUFFER, static_cast<ALint>(_buffer->id));
  alSourcei(s.id, AL_LOOPING, _loop ? AL_TRUE : AL_FALSE);
  alSourceRewind(s.id);
  s.buffer = _buffer;
  if (!paused) alSourcePlay(s.id);
  return ch;
}

TChannelPtr TOpenALSound::Play(const TChannelPtr& channel) { return Start(channel, false); }
TChannelPtr TOpenALSound::Cue(const TChannelPtr& channel) { return Start(channel, true); }

// ---- TOpenALChannel

TOpenALChannel::~TOpenALChannel() {
  if (_source && _source->State() == AL_PLAYING) al.playing_on.push_back(std::move(_source));
}

void TOpenALChannel::Stop() {
  if (_source && _source->id) {
    alSourceStop(_source->id);
    alSourcei(_source->id, AL_BUFFER, 0);
  }
  _source.reset();
}

void TOpenALChannel::SetPaused(int32_t flag) {
  if (!_source || !_source->id) return;
  const ALint state = _source->State();
  if (flag && state == AL_PLAYING) alSourcePause(_source->id);
  if (!flag && (state == AL_PAUSED || state == AL_INITIAL) && _source->buffer) alSourcePlay(_source->id);
}

void TOpenALChannel::SetVolume(float volume) {
  if (_source && _source->id) alSourcef(_source->id, AL_GAIN, std::isnan(volume) ? 0.0f : std::max(volume, 0.0f));
}

void TOpenALChannel::SetPan(float pan) {
  _pan = std::isnan(pan) ? 0.0f : std::clamp(pan, -1.0f, 1.0f);
  if (!_source || !_source->id) return;
  const float front = std::sqrt(1.0f - _pan * _pan);
  alSource3f(_source->id, AL_POSITION, _pan, 0.0f, _depth < 0.0f ? front : -front);
}

void TOpenALChannel::SetDepth(float depth) {
  _depth = std::isnan(depth) ? 0.0f : depth;
  SetPan(_pan);
}

void TOpenALChannel::SetRate(float rate) {
  // OpenAL takes no pitch of 0 or below; the slowest it is given is 1/1024.
  if (_source && _source->id) alSourcef(_source->id, AL_PITCH, std::isnan(rate) ? 1.0f : std::max(rate, 1.0f / 1024));
}

int32_t TOpenALChannel::Playing() { return _source && _source->State() == AL_PLAYING ? 1 : 0; }

// ---- TOpenALAudioDriver

int32_t TOpenALAudioDriver::Startup() {
  if (al.context) return 1;
  al.device = alcOpenDevice(nullptr);
  if (!al.device) return 0;
  al.context = alcCreateContext(al.device, nullptr);
  if (!al.context || !alcMakeContextCurrent(al.context)) {
    if (al.context) alcDestroyContext(al.context);
    alcCloseDevice(al.device);
    al.context = nullptr;
    al.device = nullptr;
    return 0;
  }
  return 1;
}

void TOpenALAudioDriver::Shutdown() {
  if (!al.context) return;
  for (auto& w : al.sources)
    if (auto s = w.lock(); s && s->id) {
      alSourceStop(s->id);
      alDeleteSources(1, &s->id);
      s->id = 0;
    }
  for (auto& w : al.buffers)
    if (auto b = w.lock(); b && b->id) {
      alDeleteBuffers(1, &b->id);
      b->id = 0;
    }
  al.sources.clear();
  al.buffers.clear();
  al.playing_on.clear();
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(al.context);
  alcCloseDevice(al.device);  // the device's last samples are written out here
  al.context = nullptr;
  al.device = nullptr;
}

TSoundPtr TOpenALAudioDriver::CreateSound(const TAudioSamplePtr& sample, int32_t flags) {
  if (!sample || sample->format < 1 || sample->format > 6) return nullptr;
  TAudioSamplePtr le = sample;
  if (sample->format == TAudioSample::FORMAT_MONO16BE) le = sample->Convert(TAudioSample::FORMAT_MONO16LE);
  if (sample->format == TAudioSample::FORMAT_STEREO16BE) le = sample->Convert(TAudioSample::FORMAT_STEREO16LE);
  auto sound = std::make_shared<TOpenALSound>();
  sound->_loop = (flags & SOUND_LOOP) != 0;
  if (!al.context) return sound;  // plays nothing, as a sound of a device that is not running
  ReapEnded();
  alGetError();
  ALuint id = 0;
  alGenBuffers(1, &id);
  if (alGetError() != AL_NO_ERROR) return sound;
  alBufferData(id, BufferFormat(le->format), le->samples, le->length * le->FrameBytes(), le->hertz);
  if (alGetError() != AL_NO_ERROR) {  // no memory, or a rate OpenAL refuses
    alDeleteBuffers(1, &id);
    return sound;
  }
  sound->_buffer = std::make_shared<TOpenALBuffer>();
  sound->_buffer->id = id;
  al.buffers.push_back(sound->_buffer);
  return sound;
}

TChannelPtr TOpenALAudioDriver::AllocChannel() {
  auto source = NewSource();
  if (!source) return nullptr;
  auto ch = std::make_shared<TOpenALChannel>();
  ch->_source = std::move(source);
  return ch;
}

std::shared_ptr<TOpenALAudioDriver> TOpenALAudioDriver::Create() {
  auto d = std::make_shared<TOpenALAudioDriver>();
  RegisterAudioDriver(d);
  return d;
}

void InitOpenALDriver() { TOpenALAudioDriver::Create(); }
