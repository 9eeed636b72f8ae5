#include "audio/sample_ogg.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// vorbisfile takes its data source to start at offset 0, so the callbacks show it the
// stream from the loader's start position on.
struct Source {
  TStream* stream;
  int64_t base;
};

// The callbacks run inside libvorbis' C frames, so no exception may leave them.
size_t ReadCallback(void* buffer, size_t size, size_t count, void* source) {
  if (size == 0 || count == 0) return 0;
  TStream* s = static_cast<Source*>(source)->stream;
  auto* p = static_cast<uint8_t*>(buffer);
  int64_t want = static_cast<int64_t>(size * count), got = 0;
  try {
    while (got < want) {
      int64_t n = s->Read(p + got, want - got);
      if (n <= 0) break;
      got += n;
    }
  } catch (const std::exception&) {
  }
  return static_cast<size_t>(got) / size;
}

int SeekCallback(void* source, ogg_int64_t offset, int origin) {
  auto* src = static_cast<Source*>(source);
  TStream* s = src->stream;
  try {
    int64_t target;
    switch (origin) {
      case SEEK_SET: target = src->base + offset; break;
      case SEEK_CUR: target = s->Pos() + offset; break;
      case SEEK_END: target = s->Size() + offset; break;
      default: return -1;
    }
    if (target < src->base) return -1;
    return s->Seek(target) == target ? 0 : -1;
  } catch (const std::exception&) {
    return -1;
  }
}

// The caller closes the stream; vorbisfile must not.
int CloseCallback(void*) { return 0; }

long TellCallback(void* source) {
  try {
    auto* src = static_cast<Source*>(source);
    return static_cast<long>(src->stream->Pos() - src->base);
  } catch (const std::exception&) {
    return -1;
  }
}

struct VorbisFile {
  OggVorbis_File vf;
  bool open = false;
  ~VorbisFile() {
    if (open) ov_clear(&vf);
  }
};

}  // namespace

TAudioSamplePtr TAudioSampleLoaderOGG::LoadAudioSample(const TStreamPtr& stream) {
  const ov_callbacks callbacks = {ReadCallback, SeekCallback, CloseCallback, TellCallback};
  Source source{stream.get(), stream->Pos()};
  if (source.base < 0) return nullptr;
  VorbisFile file;
  if (ov_open_callbacks(&source, &file.vf, nullptr, 0, callbacks) != 0) return nullptr;
  file.open = true;

  vorbis_info* info = ov_info(&file.vf, 0);
  ogg_int64_t total = ov_pcm_total(&file.vf, -1);
  if (!info || total < 0 || info->rate <= 0 || info->rate > std::numeric_limits<int32_t>::max()) return nullptr;
  int channels = info->channels;
  if (channels < 1 || channels > 2) return nullptr;
  // A chained file (logical streams one after another) is one sample when every link has
  // the first one's rate and channels; vorbisfile leaves such a file positioned past its
  // first link, so decoding starts from an explicit seek to the beginning.
  const long links = ov_streams(&file.vf);
  for (long i = 1; i < links; ++i) {
    vorbis_info* link = ov_info(&file.vf, static_cast<int>(i));
    if (!link || link->channels != channels || link->rate != info->rate) return nullptr;
  }
  if (links > 1 && ov_pcm_seek(&file.vf, 0) != 0) return nullptr;
  const int32_t format = channels == 1 ? 2 : 5;
  const int64_t frame_bytes = AudioFormatFrameBytes(format);
  if (total > std::numeric_limits<int32_t>::max() / frame_bytes) return nullptr;
  const int64_t want = total * frame_bytes;

  // A real file decodes straight into its sample. A header claiming hours of sound in a
  // few bytes of garbage grows a buffer only as the data really decodes, so that it costs
  // little before the decoder gives up.
  const int64_t plausible = std::max<int64_t>(stream->Size() - source.base, 4096) * 256;
  TAudioSamplePtr sample;
  if (want <= plausible)
    sample = TAudioSample::Create(static_cast<int32_t>(total), static_cast<int32_t>(info->rate), format);
  std::vector<uint8_t> grown;
  char chunk[8192];
  for (int64_t done = 0; done < want;) {
    int section = 0;
    char* out = sample ? reinterpret_cast<char*>(sample->samples) + done : chunk;
    const int64_t room = sample ? want - done : std::min<int64_t>(sizeof chunk, want - done);
    long n = ov_read(&file.vf, out, static_cast<int>(std::min<int64_t>(room, 1 << 20)), 0, 2, 1, &section);
    if (n <= 0) return nullptr;  // a decode error, or the data ended short of its length
    vorbis_info* now = ov_info(&file.vf, section);
    if (!now || now->channels != channels || now->rate != info->rate) return nullptr;
    if (!sample) grown.insert(grown.end(), chunk, chunk + n);
    done += n;
  }
  if (!sample) {
    sample = TAudioSample::Create(static_cast<int32_t>(total), static_cast<int32_t>(info->rate), format);
    if (want > 0) std::memcpy(sample->samples, grown.data(), static_cast<size_t>(want));
  }
  return sample;
}
