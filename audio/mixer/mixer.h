// The software mixer: samples with a guard frame, voices from a fixed pool, channel
// handles with serials, and the fixed-point mix into 44100 Hz stereo. Plain code:
// the device (device.h) calls Mix from its own thread, the driver calls the rest.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace softmix {

constexpr uint32_t SAMPLE_STATIC = 0x80000000u;  // create sample: use the caller's memory in place
constexpr int32_t MAX_VOICES = 4096;
constexpr int32_t HANDLE_ENTRIES = 4096;  // entry 0 heads the free list: 4095 usable handles
constexpr int32_t START_OFFSET_MS = 20;

// Voice status bits.
constexpr int32_t STATUS_DEAD = 0;
constexpr int32_t STATUS_FINISHED = 1;
constexpr int32_t STATUS_ONCE = 2;
constexpr int32_t STATUS_LOOPED = 4;
constexpr int32_t STATUS_PAUSED = 16;

// PCM ready to mix, reference-counted by hand because voices on the mixing thread
// hold it; the last reference is always dropped on the game thread.
struct mixer_sample {
  int32_t hertz = 0;
  int32_t channels = 0;     // 1 or 2
  int32_t bits = 0;         // 8 (unsigned) or 16 (signed little-endian)
  int32_t frame_bytes = 0;
  int32_t length = 0;       // frames, not counting the guard frame
  uint8_t* data = nullptr;  // length + 1 frames; the last repeats frame 0 (looping) or frame length-1
  int32_t loop = 0;
  int32_t owned_size = 0;   // 0 when the memory is the caller's
  std::atomic<int32_t> refs{1};
};

// Copies `data` (length frames) into fresh memory with its guard frame; with SAMPLE_STATIC
// the caller's memory, which must hold length + 1 frames, is used in place and its last
// frame overwritten with the guard. Loop = any other flag bit. Null for unusable formats,
// no frames, or rates outside 1 .. 1048576.
mixer_sample* CreateSample(int32_t length, int32_t bits, int32_t channels, int32_t hertz, const void* data,
                           uint32_t flags);
void RetainSample(mixer_sample* sample);
void ReleaseSample(mixer_sample* sample);  // frees it with the last reference

class mixer;

// One playing sound. Fields the game thread writes while the mixer may read are atomic.
class sound {
 public:
  mixer* owner = nullptr;
  std::atomic<int32_t> status{STATUS_FINISHED};
  int32_t handle = 0;                     // game thread only
  std::atomic<int32_t> auto_free{0};
  sound* next = nullptr;                  // mixing thread only
  mixer_sample* sample = nullptr;
  std::atomic<uint64_t> position{0};      // frames, 32.32 fixed point
  std::atomic<int32_t> rate{0x10000}, rate_target{0x10000};  // 16.16
  std::atomic<int32_t> volume{4096}, volume_target{4096};    // 4096 = 1.0
  std::atomic<int32_t> pan{0}, pan_target{0};                // -4096 left .. 4096 right
  std::atomic<int32_t> depth{0}, depth_target{0};            // only the sign counts
  int32_t start_time = 0;                 // clock reading at start
  int64_t start_delay = 0;                // output frames still to wait
};

// A single-producer single-consumer ring of voices.
class voice_ring {
 public:
  bool Push(sound* v);
  sound* Pop();

 private:
  sound* _slots[MAX_VOICES] = {};
  std::atomic<uint32_t> _head{0}, _tail{0};
};

class mixer {
 public:
  // fragment: output values per Mix call (stereo, so twice the frames).
  explicit mixer(int32_t fragment, int32_t output_rate = 44100);
  ~mixer();
  mixer(const mixer&) = delete;
  mixer& operator=(const mixer&) = delete;

  int32_t Fragment() const { return _fragment; }
  int32_t OutputRate() const { return _rate; }

  // Game thread. A null or stale handle is ignored; `now` is the clock in milliseconds.
  int32_t AllocHandle();                   // 0 when none is free
  void ReleaseHandle(int32_t handle);      // a voice on it plays on to its end
  // Handle 0 takes a fresh handle released when the sound ends; otherwise the handle's
  // voice is replaced and its settings inherited. Returns the handle used, or 0.
  int32_t StartSound(mixer_sample* sample, bool paused, int32_t handle, int32_t now);
  void Stop(int32_t handle);
  void SetPaused(int32_t handle, bool paused);
  void SetVolume(int32_t handle, int32_t volume);  // clamped to 16 bits
  void SetPan(int32_t handle, int32_t pan);        // clamped to -4096 .. 4096
  void SetDepth(int32_t handle, int32_t depth);
  void SetRate(int32_t handle, int32_t rate);      // 16.16, clamped to 0 .. 256.0
  int32_t Status(int32_t handle);
  int32_t Position(int32_t handle);                // frames into the sample
  int32_t ActiveVoices() const { return _active_count.load(std::memory_order_relaxed); }

  // Mixing thread: one fragment into `out` (Fragment() values).
  void Mix(int16_t* out, int32_t now);
  void Mix8(uint8_t* out, int32_t now);  // unsigned 8-bit output, 128 = silence

  // Lets go of every voice; only while nothing mixes.
  void ReleaseAll();

 private:
  struct entry {
    sound* voice = nullptr;
    int32_t next_free = 0;
    uint32_t serial = 0;
    bool used = false;
    int32_t rate = 0x10000, volume = 4096, pan = 0, depth = 0;  // held until a voice starts
  };

  entry* Lookup(int32_t handle);
  void FreeEntry(int32_t index);
  void Reclaim();
  sound* TakeVoice();
  void MixVoices(int32_t now);
  int MixVoice(sound* v, int32_t frames);

  int32_t _fragment;
  int32_t _rate;
  std::vector<int64_t> _acc;
  std::unique_ptr<sound[]> _voices;
  std::vector<sound*> _free;  // game thread's stock of pooled voices
  voice_ring _start_queue;    // game thread -> mixer
  voice_ring _pool;           // mixer -> game thread
  sound* _active = nullptr;
  std::atomic<int32_t> _active_count{0};
  std::unique_ptr<entry[]> _handles;
};

}  // namespace softmix
