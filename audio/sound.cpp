#include "audio/sound.h"
#include "audio/sound_internal.h"

#include <cstdlib>

#include "audio/softmix.h"
#include "stream/handler_chain.h"

namespace {

THandlerChain<TAudioDriver> registry;
TAudioDriverPtr silent_driver;
TAudioDriverPtr current_driver;

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

void InitAudio() {
  static bool done = false;
  if (done) return;
  done = true;
  // The silent driver goes in first so that it is the last one a lookup meets.
  silent_driver = TAudioDriver::Create();
  InitSoftMixDrivers();
  // A device thread must not outlive main.
  std::atexit(ShutdownAudio);
}

}  // namespace

TChannelPtr TSound::Play(const TChannelPtr&) { return std::make_shared<TChannel>(); }
TChannelPtr TSound::Cue(const TChannelPtr&) { return std::make_shared<TChannel>(); }

TSoundPtr TSound::Load(const TAudioSamplePtr& sample, int32_t flags) {
  if (!sample) return nullptr;
  return CurrentAudioDriver()->CreateSound(sample, flags);
}

TSoundPtr TSound::Load(const TUrl& url, int32_t flags) {
  TAudioSamplePtr sample;
  try {
    sample = LoadAudioSample(url);
  } catch (const TRuntimeError&) {
    return nullptr;  // an unseekable stream is one more file that cannot be loaded
  }
  return Load(sample, flags);
}

TSoundPtr TAudioDriver::CreateSound(const TAudioSamplePtr&, int32_t) { return std::make_shared<TSound>(); }
TChannelPtr TAudioDriver::AllocChannel() { return std::make_shared<TChannel>(); }

TAudioDriverPtr TAudioDriver::Create() {
  auto d = std::make_shared<TAudioDriver>();
  RegisterAudioDriver(d);
  return d;
}

void RegisterAudioDriver(TAudioDriverPtr driver) {
  registry.Add(std::move(driver));
}

void RemoveAudioDriver(const TAudioDriver* driver) {
  if (driver != current_driver.get() && driver != silent_driver.get()) registry.Remove(driver);
}

int32_t SelectAudioDriver(std::u16string_view name) {
  InitAudio();
  if (current_driver) current_driver->Shutdown();
  current_driver = silent_driver;
  for (TAudioDriverPtr d = registry.Head(); d; d = d->_succ) {
    if (!SameName(d->Name(), name)) continue;
    if (!d->Startup()) return 0;
    current_driver = std::move(d);
    return 1;
  }
  return 0;
}

TAudioDriver* CurrentAudioDriver() {
  InitAudio();
  if (!current_driver && !SelectAudioDriver(u"SoftMix")) SelectAudioDriver(u"Null");
  return current_driver.get();
}

void ShutdownAudio() {
  if (current_driver) current_driver->Shutdown();
  current_driver.reset();
}

std::vector<std::u16string> ListAudioDrivers() {
  InitAudio();
  std::vector<std::u16string> names;
  for (TAudioDriver* d = registry.Head().get(); d && names.size() < 100; d = d->_succ.get())
    names.push_back(d->Name());
  return names;
}

int32_t HasAudioDriver(std::u16string_view name) {
  InitAudio();
  for (TAudioDriver* d = registry.Head().get(); d; d = d->_succ.get())
    if (SameName(d->Name(), name)) return 1;
  return 0;
}

TSoundPtr LoadSoundFile(const TUrl& source, int32_t flags) { return TSound::Load(source, flags); }
TSoundPtr LoadSoundFile(const TAudioSamplePtr& source, int32_t flags) { return TSound::Load(source, flags); }

TChannelPtr PlaySoundOn(const TSoundPtr& sound, const TChannelPtr& channel) {
  return sound ? sound->Play(channel) : nullptr;
}

TChannelPtr CueSoundOn(const TSoundPtr& sound, const TChannelPtr& channel) {
  return sound ? sound->Cue(channel) : nullptr;
}

TChannelPtr NewAudioChannel() { return CurrentAudioDriver()->AllocChannel(); }

void StopAudioChannel(const TChannelPtr& ch) {
  if (ch) ch->Stop();
}
void PauseAudioChannel(const TChannelPtr& ch) {
  if (ch) ch->SetPaused(1);
}
void ResumeAudioChannel(const TChannelPtr& ch) {
  if (ch) ch->SetPaused(0);
}
void SetAudioChannelVolume(const TChannelPtr& ch, float v) {
  if (ch) ch->SetVolume(v);
}
void SetAudioChannelPan(const TChannelPtr& ch, float p) {
  if (ch) ch->SetPan(p);
}
void SetAudioChannelDepth(const TChannelPtr& ch, float d) {
  if (ch) ch->SetDepth(d);
}
void SetAudioChannelRate(const TChannelPtr& ch, float r) {
  if (ch) ch->SetRate(r);
}
int32_t IsAudioChannelPlaying(const TChannelPtr& ch) { return ch ? ch->Playing() : 0; }
