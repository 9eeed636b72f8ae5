// Ogg Vorbis loader for the sample chain: decodes a whole file through vorbisfile,
// reading from a framework stream. Builds on sample.h and libvorbisfile.
#pragma once

#include "audio/sample.h"

class TAudioSampleLoaderOGG : public TAudioSampleLoader {
 public:
  // Format 2 for mono, 5 for stereo; files of more than two channels, and files whose
  // chained sections change the channel count, are refused (null).
  TAudioSamplePtr LoadAudioSample(const TStreamPtr& stream) override;
};
