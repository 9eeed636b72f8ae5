#include "audio/sample.h"

#include <cstring>
#include <limits>

#include "audio/sample_ogg.h"
#include "audio/sample_wav.h"
#include "stream/handler_chain.h"

const int32_t AudioFormatChannels[7] = {0, 1, 1, 1, 2, 2, 2};
const int32_t AudioFormatBytesPerFrame[7] = {0, 1, 2, 2, 2, 4, 4};

int32_t AudioFormatChannelCount(int32_t format) {
  return format >= 0 && format <= 6 ? AudioFormatChannels[format] : 0;
}

int32_t AudioFormatFrameBytes(int32_t format) {
  return format >= 0 && format <= 6 ? AudioFormatBytesPerFrame[format] : 0;
}

TAudioSamplePtr TAudioSample::Create(int32_t length, int32_t hertz, int32_t format) {
  if (length < 0) length = 0;
  int32_t bpf = AudioFormatFrameBytes(format);
  if (bpf > 0 && length > std::numeric_limits<int32_t>::max() / bpf)
    throw TRuntimeError("Audio sample too large");
  auto s = std::make_shared<TAudioSample>();
  s->length = length;
  s->hertz = hertz;
  s->format = format;
  s->capacity = length * bpf;
  // One byte at least, so that even an empty sample has a valid pointer. Not cleared: a
  // minute of music would be written twice, and its pages touched twice, before it plays.
  s->_owned = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(s->capacity) + 1);
  s->samples = s->_owned.get();
  return s;
}

TAudioSamplePtr TAudioSample::CreateStatic(void* samples, int32_t length, int32_t hertz, int32_t format) {
  auto s = std::make_shared<TAudioSample>();
  s->samples = static_cast<uint8_t*>(samples);
  s->length = length < 0 ? 0 : length;
  s->hertz = hertz;
  s->format = format;
  s->capacity = -1;
  return s;
}

TAudioSamplePtr TAudioSample::Copy() {
  TAudioSamplePtr s = Create(length, hertz, format);
  if (s->capacity > 0) std::memcpy(s->samples, samples, static_cast<size_t>(s->capacity));
  return s;
}

// Format 6 (stereo, 16-bit big-endian) is the hub every conversion passes through.
static void ToHub(const uint8_t* src, uint8_t* dst, int32_t frames, int32_t format) {
  for (int32_t i = 0; i < frames; ++i, dst += 4) {
    switch (format) {
      case 1: {
        uint8_t v = src[i];
        dst[0] = dst[2] = static_cast<uint8_t>(v - 128);
        dst[1] = dst[3] = v;
        break;
      }
      case 2:
        dst[0] = dst[2] = src[i * 2 + 1];
        dst[1] = dst[3] = src[i * 2];
        break;
      case 3:
        dst[0] = dst[2] = src[i * 2];
        dst[1] = dst[3] = src[i * 2 + 1];
        break;
      case 4: {
        uint8_t l = src[i * 2], r = src[i * 2 + 1];
        dst[0] = static_cast<uint8_t>(l - 128);
        dst[1] = l;
        dst[2] = static_cast<uint8_t>(r - 128);
        dst[3] = r;
        break;
      }
      case 5:
        dst[0] = src[i * 4 + 1];
        dst[1] = src[i * 4];
        dst[2] = src[i * 4 + 3];
        dst[3] = src[i * 4 + 2];
        break;
    }
  }
}

static int32_t HubValue(const uint8_t* p) { return static_cast<int16_t>((p[0] << 8) | p[1]); }
static uint8_t To8(int32_t v) { return static_cast<uint8_t>((v + 32768) / 257); }

static void FromHub(const uint8_t* src, uint8_t* dst, int32_t frames, int32_t format) {
  for (int32_t i = 0; i < frames; ++i, src += 4) {
    int32_t l = HubValue(src), r = HubValue(src + 2);
    switch (format) {
      case 1:
        dst[i] = To8(l);
        break;
      case 2:
        dst[i * 2] = src[1];
        dst[i * 2 + 1] = src[0];
        break;
      case 3:
        dst[i * 2] = src[0];
        dst[i * 2 + 1] = src[1];
        break;
      case 4:
        dst[i * 2] = To8(l);
        dst[i * 2 + 1] = To8(r);
        break;
      case 5:
        dst[i * 4] = src[1];
        dst[i * 4 + 1] = src[0];
        dst[i * 4 + 2] = src[3];
        dst[i * 4 + 3] = src[2];
        break;
    }
  }
}

TAudioSamplePtr TAudioSample::Convert(int32_t to) {
  if (to == format) return Copy();
  if (format < 1 || format > 6 || to < 1 || to > 6)
    throw TRuntimeError("Unimplemented sample format conversion");
  TAudioSamplePtr out = Create(length, hertz, to);
  if (format == 6) {
    FromHub(samples, out->samples, length, to);
  } else if (to == 6) {
    ToHub(samples, out->samples, length, format);
  } else {
    TAudioSamplePtr hub = Create(length, hertz, 6);
    ToHub(samples, hub->samples, length, format);
    FromHub(hub->samples, out->samples, length, to);
  }
  return out;
}

static THandlerChain<TAudioSampleLoader> loaders;

static void InitLoaders() {
  static bool done = false;
  if (done) return;
  done = true;
  // WAV goes in last so that it is asked first: its four-byte check is the cheaper refusal.
  AddAudioSampleLoader(std::make_shared<TAudioSampleLoaderOGG>());
  AddAudioSampleLoader(std::make_shared<TAudioSampleLoaderWAV>());
}

void AddAudioSampleLoader(std::shared_ptr<TAudioSampleLoader> loader) {
  InitLoaders();
  loaders.Add(std::move(loader));
}

TAudioSampleLoader* AudioSampleLoaders() {
  InitLoaders();
  return loaders.Head().get();
}

TAudioSamplePtr LoadAudioSample(const TUrl& url) {
  TAudioSampleLoader* head = AudioSampleLoaders();
  TStreamPtr stream = OpenReadStream(url);
  if (!stream) return nullptr;
  struct Closer {
    TStreamPtr& s;
    ~Closer() { s->Close(); }
  } closer{stream};
  int64_t start = stream->Pos();
  if (start < 0) throw TRuntimeError("Stream is not seekable");
  for (TAudioSampleLoader* l = head; l; l = l->_succ.get()) {
    try {
      if (stream->Seek(start) != start) continue;
      if (TAudioSamplePtr s = l->LoadAudioSample(stream)) return s;
    } catch (const std::exception&) {
      // A loader that throws has refused; the next one is asked.
    }
  }
  return nullptr;
}
