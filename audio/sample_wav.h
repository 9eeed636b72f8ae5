// RIFF WAVE loader for the sample chain: 8- and 16-bit PCM, mono or stereo.
// Builds on sample.h and the stream layer's little-endian reads.
#pragma once

#include "audio/sample.h"

class TAudioSampleLoaderWAV : public TAudioSampleLoader {
 public:
  // Null for anything but uncompressed 8/16-bit mono/stereo; a data chunk that claims
  // more than the file holds gives the whole frames actually present.
  TAudioSamplePtr LoadAudioSample(const TStreamPtr& stream) override;
};
