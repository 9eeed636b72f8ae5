#include "audio/mixer/mixer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace softmix {

namespace {

constexpr int32_t kIndexMask = HANDLE_ENTRIES - 1;
constexpr uint32_t kSerialStep = HANDLE_ENTRIES;
constexpr uint32_t kSerialMask = 0x7FFFF000u;  // keeps handles positive
constexpr int32_t kMaxRate = 256 << 16;
constexpr int32_t kMaxHertz = 1 << 20;

// Each table starts its serials far from the last one's, so a handle kept across a
// device restart does not name a voice of the new table.
std::atomic<uint32_t> table_generation{0};

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

}  // namespace

mixer_sample* CreateSample(int32_t length, int32_t bits, int32_t channels, int32_t hertz, const void* data,
                           uint32_t flags) {
  if (length <= 0 || (bits != 8 && bits != 16) || (channels != 1 && channels != 2) || hertz <= 0 ||
      hertz > kMaxHertz || !data)
    return nullptr;
  const int32_t frame_bytes = channels * bits / 8;
  if (length > 0x7FFFFFFF / frame_bytes - 1) return nullptr;
  auto* s = new mixer_sample;
  s->hertz = hertz;
  s->channels = channels;
  s->bits = bits;
  s->frame_bytes = frame_bytes;
  s->length = length;
  s->loop = (flags & ~SAMPLE_STATIC) != 0;
  if (flags & SAMPLE_STATIC) {
    s->data = static_cast<uint8_t*>(const_cast<void*>(data));
  } else {
    s->owned_size = (length + 1) * frame_bytes;
    s->data = new uint8_t[static_cast<size_t>(s->owned_size)];
    std::memcpy(s->data, data, static_cast<size_t>(length) * frame_bytes);
  }
  // The guard frame lets the interpolation read one frame past any position.
  const uint8_t* guard = s->loop ? s->data : s->data + size_t(length - 1) * frame_bytes;
  std::memmove(s->data + size_t(length) * frame_bytes, guard, static_cast<size_t>(frame_bytes));
  return s;
}

void RetainSample(mixer_sample* s) {
  if (s) s->refs.fetch_add(1, std::memory_order_relaxed);
}

void ReleaseSample(mixer_sample* s) {
  if (!s || s->refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  if (s->owned_size) delete[] s->data;
  delete s;
}

bool voice_ring::Push(sound* v) {
  uint32_t t = _tail.load(std::memory_order_relaxed);
  if (t - _head.load(std::memory_order_acquire) == MAX_VOICES) return false;
  _slots[t % MAX_VOICES] = v;
  _tail.store(t + 1, std::memory_order_release);
  return true;
}

sound* voice_ring::Pop() {
  uint32_t h = _head.load(std::memory_order_relaxed);
  if (h == _tail.load(std::memory_order_acquire)) return nullptr;
  sound* v = _slots[h % MAX_VOICES];
  _head.store(h + 1, std::memory_order_release);
  return v;
}

mixer::mixer(int32_t fragment, int32_t output_rate)
    : _fragment(fragment), _rate(output_rate), _acc(static_cast<size_t>(fragment), 0),
      _voices(new sound[MAX_VOICES]), _handles(new entry[HANDLE_ENTRIES]) {
  if (fragment <= 0 || fragment % 2 != 0 || output_rate <= 0)
    throw std::invalid_argument("mixer needs a positive, even fragment and a positive rate");
  _free.reserve(MAX_VOICES);
  for (int32_t i = MAX_VOICES - 1; i >= 0; --i) {
    _voices[i].owner = this;
    _free.push_back(&_voices[i]);
  }
  uint32_t serial = (table_generation.fetch_add(1) * 1024u * kSerialStep) & kSerialMask;
  for (int32_t i = 0; i < HANDLE_ENTRIES; ++i) {
    _handles[i].serial = serial;
    _handles[i].next_free = i + 1 < HANDLE_ENTRIES ? i + 1 : 0;
  }
}

mixer::~mixer() { ReleaseAll(); }

mixer::entry* mixer::Lookup(int32_t handle) {
  if (handle <= 0) return nullptr;
  int32_t index = handle & kIndexMask;
  if (index == 0) return nullptr;
  entry& e = _handles[index];
  if (!e.used || e.serial != (static_cast<uint32_t>(handle) & ~uint32_t(kIndexMask))) return nullptr;
  return &e;
}

void mixer::FreeEntry(int32_t index) {
  entry& e = _handles[index];
  e.used = false;
  e.voice = nullptr;
  e.next_free = _handles[0].next_free;
  _handles[0].next_free = index;
}

// Voices the mixer has let go come back here, on the game thread, which is also where
// their samples and handles are released: the mixing thread never frees memory.
void mixer::Reclaim() {
  while (sound* v = _pool.Pop()) {
    ReleaseSample(v->sample);
    v->sample = nullptr;
    if (entry* e = Lookup(v->handle); e && e->voice == v) FreeEntry(v->handle & kIndexMask);
    v->handle = 0;
    _free.push_back(v);
  }
}

sound* mixer::TakeVoice() {
  Reclaim();
  if (_free.empty()) return nullptr;
  sound* v = _free.back();
  _free.pop_back();
  return v;
}

int32_t mixer::AllocHandle() {
  Reclaim();
  int32_t index = _handles[0].next_free;
  if (index == 0) return 0;
  entry& e = _handles[index];
  _handles[0].next_free = e.next_free;
  e.serial = (e.serial + kSerialStep) & kSerialMask;
  e.used = true;
  e.voice = nullptr;
  e.rate = 0x10000;
  e.volume = 4096;
  e.pan = 0;
  e.depth = 0;
  return index | static_cast<int32_t>(e.serial);
}

void mixer::ReleaseHandle(int32_t handle) {
  entry* e = Lookup(handle);
  if (!e) return;
  if (sound* v = e->voice) {
    v->handle = 0;
    v->auto_free.store(1, std::memory_order_release);
  }
  FreeEntry(handle & kIndexMask);
}

int32_t mixer::StartSound(mixer_sample* sample, bool paused, int32_t handle, int32_t now) {
  Reclaim();
  if (!sample) return 0;
  bool fresh = handle == 0;
  if (fresh && (handle = AllocHandle()) == 0) return 0;
  entry* e = Lookup(handle);
  if (!e) return 0;
  sound* v = TakeVoice();
  if (!v) {
    if (fresh) ReleaseHandle(handle);
    return 0;
  }
  int32_t rate = e->rate, volume = e->volume, pan = e->pan, depth = e->depth;
  if (sound* old = e->voice) {
    rate = old->rate_target.load(std::memory_order_relaxed);
    volume = old->volume_target.load(std::memory_order_relaxed);
    pan = old->pan_target.load(std::memory_order_relaxed);
    depth = old->depth_target.load(std::memory_order_relaxed);
    // Auto free as well, or the replaced voice would stay in the active list for good.
    old->handle = 0;
    old->auto_free.store(1, std::memory_order_relaxed);
    old->status.store(STATUS_FINISHED, std::memory_order_release);
  }
  RetainSample(sample);
  v->sample = sample;
  v->handle = handle;
  v->auto_free.store(fresh ? 1 : 0, std::memory_order_relaxed);
  v->position.store(0, std::memory_order_relaxed);
  v->rate.store(rate, std::memory_order_relaxed);
  v->rate_target.store(rate, std::memory_order_relaxed);
  v->volume.store(volume, std::memory_order_relaxed);
  v->volume_target.store(volume, std::memory_order_relaxed);
  v->pan.store(pan, std::memory_order_relaxed);
  v->pan_target.store(pan, std::memory_order_relaxed);
  v->depth.store(depth, std::memory_order_relaxed);
  v->depth_target.store(depth, std::memory_order_relaxed);
  v->start_time = now;
  v->start_delay = 0;
  v->status.store((sample->loop ? STATUS_LOOPED : STATUS_ONCE) | (paused ? STATUS_PAUSED : 0),
                  std::memory_order_relaxed);
  e->voice = v;
  _start_queue.Push(v);  // cannot be full: it holds at most every voice there is
  return handle;
}

void mixer::Stop(int32_t handle) {
  entry* e = Lookup(handle);
  if (!e) return;
  if (sound* v = e->voice) {
    v->auto_free.store(1, std::memory_order_relaxed);
    v->status.store(STATUS_FINISHED, std::memory_order_release);
  }
  ReleaseHandle(handle);
}

void mixer::SetPaused(int32_t handle, bool paused) {
  entry* e = Lookup(handle);
  if (!e || !e->voice) return;
  std::atomic<int32_t>& status = e->voice->status;
  int32_t s = status.load(std::memory_order_relaxed);
  // A finished or dead voice stays as it is; the mixer may be writing it right now.
  while (s != STATUS_DEAD && s != STATUS_FINISHED) {
    int32_t want = paused ? (s | STATUS_PAUSED) : (s & ~STATUS_PAUSED);
    if (status.compare_exchange_weak(s, want, std::memory_order_acq_rel)) break;
  }
}

void mixer::SetVolume(int32_t handle, int32_t volume) {
  volume = Clamp(volume, -32768, 32767);
  entry* e = Lookup(handle);
  if (!e) return;
  if (sound* v = e->voice) {
    v->volume_target.store(volume, std::memory_order_relaxed);
    if (v->status.load(std::memory_order_relaxed) & STATUS_PAUSED) v->volume.store(volume, std::memory_order_relaxed);
  } else {
    e->volume = volume;
  }
}

void mixer::SetPan(int32_t handle, int32_t pan) {
  pan = Clamp(pan, -4096, 4096);
  entry* e = Lookup(handle);
  if (!e) return;
  if (sound* v = e->voice) {
    v->pan_target.store(pan, std::memory_order_relaxed);
    if (v->status.load(std::memory_order_relaxed) & STATUS_PAUSED) v->pan.store(pan, std::memory_order_relaxed);
  } else {
    e->pan = pan;
  }
}

void mixer::SetDepth(int32_t handle, int32_t depth) {
  depth = Clamp(depth, -4096, 4096);
  entry* e = Lookup(handle);
  if (!e) return;
  if (sound* v = e->voice) v->depth_target.store(depth, std::memory_order_relaxed);
  else e->depth = depth;
}

void mixer::SetRate(int32_t handle, int32_t rate) {
  rate = Clamp(rate, 0, kMaxRate);
  entry* e = Lookup(handle);
  if (!e) return;
  if (sound* v = e->voice) {
    v->rate_target.store(rate, std::memory_order_relaxed);
    if (v->status.load(std::memory_order_relaxed) & STATUS_PAUSED) v->rate.store(rate, std::memory_order_relaxed);
  } else {
    e->rate = rate;
  }
}

int32_t mixer::Status(int32_t handle) {
  entry* e = Lookup(handle);
  return e && e->voice ? e->voice->status.load(std::memory_order_acquire) : 0;
}

int32_t mixer::Position(int32_t handle) {
  entry* e = Lookup(handle);
  return e && e->voice ? static_cast<int32_t>(e->voice->position.load(std::memory_order_relaxed) >> 32) : 0;
}

void mixer::ReleaseAll() {
  while (sound* v = _start_queue.Pop()) {
    v->next = _active;
    _active = v;
  }
  while (_active) {
    sound* v = _active;
    _active = v->next;
    v->next = nullptr;
    v->status.store(STATUS_DEAD, std::memory_order_relaxed);
    _pool.Push(v);
    Reclaim();
  }
  Reclaim();  // voices the mixer pooled before
  _active_count.store(0, std::memory_order_relaxed);
  for (int32_t i = 1; i < HANDLE_ENTRIES; ++i)
    if (_handles[i].used) FreeEntry(i);
}

namespace {

// What one fragment of one voice needs, read once from the shared fields.
struct voice_mix {
  const uint8_t* data;
  uint64_t end;      // length in frames, 32.32
  bool loop;
  uint64_t pos;
  uint64_t step;     // frames per output frame, 32.32
  int64_t dstep;     // per output frame while the rate ramps
  int32_t vol_fx;    // volume in 1/256 steps while it ramps
  int32_t dvol;
  int32_t pan;
  int32_t depth;
};

inline void Gains(int32_t v, int32_t pan, int32_t depth, int32_t& left, int32_t& right) {
  left = pan > 0 ? v * (4096 - pan) / 4096 : v;
  right = pan < 0 ? v * (4096 + pan) / 4096 : v;
  if (depth < 0) right = -right;
}

template <int Bits>
inline int32_t Value(const uint8_t* data, uint64_t index) {
  if constexpr (Bits == 8) {
    return data[index] * 256 - 32768;
  } else {
    int16_t v;
    std::memcpy(&v, data + index * 2, 2);
    return v;
  }
}

template <int Bits>
inline int32_t Interpolate(const uint8_t* data, uint64_t index, int32_t channels, uint32_t frac16) {
  int32_t a = Value<Bits>(data, index);
  int32_t b = Value<Bits>(data, index + channels);
  return a + static_cast<int32_t>((static_cast<int64_t>(b - a) * frac16) >> 16);
}

// Returns false when a voice that does not loop has reached its end.
template <int Bits, int Channels, bool Ramp>
bool MixFrames(voice_mix& m, int64_t* acc, int32_t frames) {
  // Locals: the accumulators could alias the fields of `m`, which would keep them in memory.
  const uint8_t* const data = m.data;
  const uint64_t end = m.end;
  uint64_t pos = m.pos, step = m.step;
  int32_t vol_fx = m.vol_fx;
  int32_t gl = 0, gr = 0;
  if constexpr (!Ramp) Gains(vol_fx >> 8, m.pan, m.depth, gl, gr);
  bool going = true;
  for (int32_t i = 0; i < frames; ++i, acc += 2) {
    if constexpr (Ramp) {
      Gains(vol_fx >> 8, m.pan, m.depth, gl, gr);
      vol_fx += m.dvol;
    }
    const uint64_t frame = pos >> 32;
    const auto frac = static_cast<uint32_t>(pos >> 16) & 0xFFFF;
    if constexpr (Channels == 1) {
      int32_t v = Interpolate<Bits>(data, frame, 1, frac);
      acc[0] += (gl * v) >> 8;
      acc[1] += (gr * v) >> 8;
    } else {
      acc[0] += (gl * Interpolate<Bits>(data, frame * 2, 2, frac)) >> 8;
      acc[1] += (gr * Interpolate<Bits>(data, frame * 2 + 1, 2, frac)) >> 8;
    }
    pos += step;
    if constexpr (Ramp) step = static_cast<uint64_t>(static_cast<int64_t>(step) + m.dstep);
    if (pos >= end) {
      if (!m.loop) {
        going = false;
        break;
      }
      pos %= end;
    }
  }
  m.pos = pos;
  m.step = step;
  m.vol_fx = vol_fx;
  return going;
}

template <bool Ramp>
bool MixSource(int32_t bits, int32_t channels, voice_mix& m, int64_t* acc, int32_t frames) {
  if (bits == 8)
    return channels == 1 ? MixFrames<8, 1, Ramp>(m, acc, frames) : MixFrames<8, 2, Ramp>(m, acc, frames);
  return channels == 1 ? MixFrames<16, 1, Ramp>(m, acc, frames) : MixFrames<16, 2, Ramp>(m, acc, frames);
}

}  // namespace

// 1 finished, 0 goes on, -1 dead, -2 paused.
int mixer::MixVoice(sound* v, int32_t frames) {
  const int32_t status = v->status.load(std::memory_order_acquire);
  if (status == STATUS_DEAD) return -1;
  if (status == STATUS_FINISHED) return 1;
  if (status & STATUS_PAUSED) return -2;
  if (v->start_delay >= frames) {
    v->start_delay -= frames;
    return 0;
  }
  const auto first = static_cast<int32_t>(v->start_delay);
  v->start_delay = 0;
  const int32_t n = frames - first;

  const mixer_sample* s = v->sample;
  const int32_t rate = v->rate.load(std::memory_order_relaxed);
  const int32_t rate_target = v->rate_target.load(std::memory_order_relaxed);
  const int32_t volume = v->volume.load(std::memory_order_relaxed);
  const int32_t volume_target = v->volume_target.load(std::memory_order_relaxed);
  const bool ramp = rate != rate_target || volume != volume_target;
  auto step_of = [&](int32_t r) { return (static_cast<uint64_t>(r) * static_cast<uint64_t>(s->hertz) << 16) / _rate; };

  voice_mix m;
  m.data = s->data;
  m.end = static_cast<uint64_t>(s->length) << 32;
  m.loop = s->loop != 0;
  m.pos = v->position.load(std::memory_order_relaxed);
  m.step = step_of(rate);
  m.pan = v->pan_target.load(std::memory_order_relaxed);
  m.depth = v->depth_target.load(std::memory_order_relaxed);
  m.vol_fx = volume * 256;
  m.dvol = ramp ? (volume_target - volume) * 256 / n : 0;
  m.dstep = ramp ? (static_cast<int64_t>(step_of(rate_target)) - static_cast<int64_t>(m.step)) / n : 0;

  bool going = true;
  if (volume_target == 0 && !ramp) {
    // Silent, but keeping time so that raising the volume resumes at the right point.
    m.pos += m.step * static_cast<uint64_t>(n);
    if (m.pos >= m.end) {
      if (m.loop) m.pos %= m.end;
      else going = false;
    }
  } else {
    int64_t* acc = _acc.data() + static_cast<size_t>(first) * 2;
    going = ramp ? MixSource<true>(s->bits, s->channels, m, acc, n) : MixSource<false>(s->bits, s->channels, m, acc, n);
  }
  if (!going) m.pos = m.end;
  v->position.store(m.pos, std::memory_order_relaxed);
  v->pan.store(m.pan, std::memory_order_relaxed);
  v->depth.store(m.depth, std::memory_order_relaxed);
  if (ramp) {
    v->rate.store(rate_target, std::memory_order_relaxed);
    v->volume.store(volume_target, std::memory_order_relaxed);
  }
  return going ? 0 : 1;
}

void mixer::MixVoices(int32_t now) {
  const int32_t frames = _fragment / 2;
  int32_t added = 0;
  while (sound* v = _start_queue.Pop()) {
    // Wrapping clock: compare by difference.
    int32_t wait = static_cast<int32_t>(static_cast<uint32_t>(v->start_time) + START_OFFSET_MS - static_cast<uint32_t>(now));
    v->start_delay = wait > 0 ? static_cast<int64_t>(wait) * _rate / 1000 : 0;
    v->next = _active;
    _active = v;
    ++added;
  }
  int32_t count = _active_count.load(std::memory_order_relaxed) + added;
  sound** link = &_active;
  while (sound* v = *link) {
    int result = MixVoice(v, frames);
    bool unlink = result == -1;
    if (result == 1) {
      if (v->auto_free.load(std::memory_order_acquire)) {
        v->status.store(STATUS_DEAD, std::memory_order_release);
        unlink = true;
      } else {
        v->status.store(STATUS_FINISHED, std::memory_order_release);
      }
    }
    if (unlink) {
      *link = v->next;
      v->next = nullptr;
      _pool.Push(v);
      --count;
    } else {
      link = &v->next;
    }
  }
  _active_count.store(count, std::memory_order_relaxed);
}

void mixer::Mix(int16_t* out, int32_t now) {
  MixVoices(now);
  for (int32_t i = 0; i < _fragment; ++i) {
    int64_t v = _acc[i];
    out[i] = static_cast<int16_t>(v > 524271 ? 32767 : v < -524288 ? -32768 : v >> 4);
    _acc[i] = 0;
  }
}

void mixer::Mix8(uint8_t* out, int32_t now) {
  MixVoices(now);
  for (int32_t i = 0; i < _fragment; ++i) {
    int64_t v = (_acc[i] >> 12) + 128;
    out[i] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    _acc[i] = 0;
  }
}

}  // namespace softmix
