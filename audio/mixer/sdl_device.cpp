// The SDL side of the device: SDL's audio thread copies from the ring, the tick
// thread mixes into it; they meet only through atomics. A device that goes away
// (unplugged, its sound server restarted) is the tick thread's business alone: it keeps
// the mixer running in time with nothing to hear and opens the default device again
// every few seconds, so the game thread never waits and the voices carry on.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "audio/mixer/device.h"
#include "audio/mixer/device_internal.h"
#include "system/timer.h"

namespace softmix {

namespace {

constexpr int32_t kRingFrames = DEVICE_FRAGMENT / 2 * DEVICE_RING_FRAGMENTS;
std::atomic<int32_t> retry_ms{DEVICE_RETRY_MS};

// ALSA tells standard error of every step of a failed search for a device, eight lines where
// there is no sound card, and again at each try after a device was lost; the program's own
// line says what it means. libasound is SDL's to load, so its handler is set through SDL's
// loader; the handle is kept, so the library and the handler stay for SDL's later loads.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
  static void* alsa = [] {
    void* lib = SDL_LoadObject("libasound.so.2");
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = lib ? reinterpret_cast<SetHandler>(SDL_LoadFunction(lib, "snd_lib_error_set_handler")) : nullptr)
      set(IgnoreAlsaError);
    SDL_ClearError();  // a system without ALSA is no failure of the device
    return lib;
  }();
  (void)alsa;
}

class sdldevice {
 public:
  bool Start();
  void Stop();
  mixer* Mixer() { return _mixer.get(); }
  int64_t Played() const { return _played.load(std::memory_order_acquire); }
  int32_t Lead() const { return _lead.load(std::memory_order_relaxed); }
  int32_t Restarts() const { return _restarts.load(std::memory_order_relaxed); }
  void Stall(int32_t ms) { _stall_ms.store(ms, std::memory_order_relaxed); }
  void Lose() { _lose.store(true, std::memory_order_relaxed); }
  int32_t Reopens() const { return _reopens.load(std::memory_order_relaxed); }
  int32_t FailedReopens() const { return _failed_reopens.load(std::memory_order_relaxed); }

 private:
  static void Callback(void* self, Uint8* stream, int len);
  SDL_AudioDeviceID Open();
  void Tick();
  void Run();
  void Play();
  void Reset();
  void ZeroRing();
  void Fill();
  void Lost();
  void KeepTime();
  void TryReopen();

  SDL_AudioDeviceID _dev = 0;
  std::unique_ptr<mixer> _mixer;
  // One stereo frame per element, so that neither thread ever sees half a frame.
  std::unique_ptr<std::atomic<uint32_t>[]> _ring{new std::atomic<uint32_t>[kRingFrames]};
  std::atomic<int64_t> _played{0};   // bytes; the callback advances it, the tick resets it while paused
  std::atomic<int64_t> _written{0};  // publishes mixed fragments to the callback
  int64_t _write_pos = 0;            // values; tick thread only
  int32_t _countdown = 0;
  std::atomic<int32_t> _lead{DEVICE_LEAD};
  std::atomic<int32_t> _restarts{0};
  // While no device is open (_dev 0): when it went, values mixed since, the next try.
  uint32_t _lost_at = 0, _next_try = 0;
  int64_t _kept_values = 0;
  std::atomic<bool> _lose{false};
  std::atomic<int32_t> _reopens{0}, _failed_reopens{0};
  std::atomic<bool> _active{false};
  std::atomic<int32_t> _stall_ms{0};
  std::thread _thread;
  int16_t _fragment[DEVICE_FRAGMENT] = {};
};

void sdldevice::Callback(void* self, Uint8* stream, int len) {
  auto* d = static_cast<sdldevice*>(self);
  d->_written.load(std::memory_order_acquire);
  int64_t played = d->_played.load(std::memory_order_relaxed);
  int64_t frame = (played / 4) % kRingFrames;
  for (int i = 0; i + 4 <= len; i += 4) {
    uint32_t v = d->_ring[frame].load(std::memory_order_relaxed);
    std::memcpy(stream + i, &v, 4);
    if (++frame == kRingFrames) frame = 0;
  }
  d->_played.store(played + len, std::memory_order_release);
}

void sdldevice::ZeroRing() {
  for (int32_t i = 0; i < kRingFrames; ++i) _ring[i].store(0, std::memory_order_relaxed);
}

// Pausing takes SDL's device lock, so once it returns the callback is not running.
void sdldevice::Reset() {
  SDL_PauseAudioDevice(_dev, 1);
  _played.store(0, std::memory_order_release);
}

void sdldevice::Play() {
  SDL_PauseAudioDevice(_dev, 0);
  if (SDL_GetAudioDeviceStatus(_dev) != SDL_AUDIO_PLAYING)
    std::fprintf(stderr, "SDL audio error: the device refused to play (%s)\n", SDL_GetError());
}

void sdldevice::Tick() {
  if (_dev == 0) {
    KeepTime();
    TryReopen();
    return;
  }
  if (_lose.exchange(false, std::memory_order_relaxed) ||
      SDL_GetAudioDeviceStatus(_dev) == SDL_AUDIO_STOPPED) {
    Lost();
    return;
  }
  if (_countdown > 0) {
    if (--_countdown == 0) Play();
    return;
  }
  const int64_t fragment = DEVICE_FRAGMENT;
  const int64_t p = Played() / 2;
  if (p > 0 && _write_pos < p + 2 * fragment) {
    Reset();
    ZeroRing();
    _countdown = DEVICE_RESTART_TICKS;
    if (_lead.load(std::memory_order_relaxed) <= DEVICE_MAX_LEAD - 1)
      _lead.store(std::min(_lead.load(std::memory_order_relaxed) + 2, DEVICE_MAX_LEAD), std::memory_order_relaxed);
    _write_pos = _lead.load(std::memory_order_relaxed) * fragment * 2;
    _restarts.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  Fill();
}

// Mixes ahead of the play position up to the lead.
void sdldevice::Fill() {
  const int64_t fragment = DEVICE_FRAGMENT;
  const int64_t p = Played() / 2;
  while (_write_pos < p + _lead.load(std::memory_order_relaxed) * fragment) {
    _mixer->Mix(_fragment, SystemMillis());
    int64_t slot = (_write_pos / fragment) % DEVICE_RING_FRAGMENTS;
    std::atomic<uint32_t>* dst = &_ring[slot * (fragment / 2)];
    for (int32_t i = 0; i < DEVICE_FRAGMENT / 2; ++i) {
      uint32_t v;
      std::memcpy(&v, _fragment + i * 2, 4);
      dst[i].store(v, std::memory_order_relaxed);
    }
    _write_pos += fragment;
    _written.store(_write_pos, std::memory_order_release);
  }
}

void sdldevice::Lost() {
  std::fprintf(stderr, "SDL audio error: the output device was lost (%s); trying again every %g s\n",
               SDL_GetError(), retry_ms.load(std::memory_order_relaxed) / 1000.0);
  SDL_CloseAudioDevice(_dev);
  _dev = 0;
  _countdown = 0;
  _lost_at = SystemMillis();
  _kept_values = 0;
  _next_try = _lost_at + static_cast<uint32_t>(retry_ms.load(std::memory_order_relaxed));
}

// Mixes into nothing at the output's rate, so that voices end, loops go round and the start
// queue empties as if they were heard.
void sdldevice::KeepTime() {
  const uint32_t now = SystemMillis();
  const int64_t due = static_cast<int64_t>(now - _lost_at) * DEVICE_RATE * 2 / 1000;
  for (int32_t n = 0; _kept_values + DEVICE_FRAGMENT <= due && n < DEVICE_MAX_LEAD; ++n) {
    _mixer->Mix(_fragment, now);
    _kept_values += DEVICE_FRAGMENT;
  }
  if (_kept_values + DEVICE_FRAGMENT <= due) _kept_values = due;  // a stalled thread skips, as a device would
}

void sdldevice::TryReopen() {
  const uint32_t now = SystemMillis();
  if (static_cast<int32_t>(now - _next_try) < 0) return;
  _next_try = now + static_cast<uint32_t>(retry_ms.load(std::memory_order_relaxed));
  // A restarted sound server is found only by a fresh start of SDL's audio layer. The audio
  // subsystem's reference count stays as StartDevice left it, so StopDevice still ends it.
  SDL_AudioQuit();
  const SDL_AudioDeviceID dev = SDL_AudioInit(nullptr) == 0 ? Open() : 0;
  if (dev == 0) {
    _failed_reopens.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  _dev = dev;
  ZeroRing();
  _write_pos = 0;
  _played.store(0, std::memory_order_release);
  Fill();
  Play();
  _reopens.fetch_add(1, std::memory_order_relaxed);
}

void sdldevice::Run() {
  // A late tick is heard as a restart, so ask for the priority SDL's own audio thread has
  // (refused quietly where the system does not allow it).
  SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL);
  while (_active.load(std::memory_order_acquire)) {
    Tick();
    DelayMillis(DEVICE_TICK_MS + _stall_ms.exchange(0, std::memory_order_relaxed));
  }
  // SDL keeps its error text per thread; one it did not start has to give that back itself.
  SDL_TLSCleanup();
}

// The default output device, paused; 0 when none opens.
SDL_AudioDeviceID sdldevice::Open() {
  SDL_AudioSpec want{}, have{};
  want.freq = DEVICE_RATE;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = DEVICE_FRAGMENT / 2;
  want.callback = Callback;
  want.userdata = this;
  // No changes allowed: SDL converts to whatever the hardware takes.
  return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

bool sdldevice::Start() {
  QuietAlsa();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  _dev = Open();
  if (_dev == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  _mixer = std::make_unique<mixer>(DEVICE_FRAGMENT, DEVICE_RATE);
  ZeroRing();
  _lead.store(DEVICE_LEAD);
  _write_pos = 0;
  _played.store(0);
  Tick();
  _active.store(true, std::memory_order_release);
  _thread = std::thread([this] { Run(); });
  Play();
  return true;
}

void sdldevice::Stop() {
  _active.store(false, std::memory_order_release);
  if (_thread.joinable()) _thread.join();
  if (_dev != 0) SDL_CloseAudioDevice(_dev);
  _dev = 0;
  _mixer.reset();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::unique_ptr<sdldevice> running;
int64_t last_played = 0;

}  // namespace

bool StartDevice(int32_t mode) {
  if (mode == 1) return false;
  if (running) return true;
  auto d = std::make_unique<sdldevice>();
  if (!d->Start()) return false;
  running = std::move(d);
  return true;
}

void StopDevice() {
  if (!running) return;
  running->Stop();
  last_played = running->Played();  // final: the callback cannot run once the device is closed
  running.reset();
}

mixer* RunningMixer() { return running ? running->Mixer() : nullptr; }
int64_t DevicePlayedBytes() { return running ? running->Played() : last_played; }
int32_t DeviceLead() { return running ? running->Lead() : 0; }
int32_t DeviceRestarts() { return running ? running->Restarts() : 0; }
void StallDevice(int32_t ms) {
  if (running) running->Stall(ms);
}
void LoseDevice() {
  if (running) running->Lose();
}
int32_t DeviceReopens() { return running ? running->Reopens() : 0; }
int32_t DeviceFailedReopens() { return running ? running->FailedReopens() : 0; }
void SetDeviceRetryMillis(int32_t ms) { retry_ms.store(ms > 0 ? ms : DEVICE_RETRY_MS); }

}  // namespace softmix
