// The sound files as the game's own sample loader reads them from data/.
#include <gtest/gtest.h>

#include <string>

#include "audio/sample.h"
#include "stream/core.h"
#include "tools/assetgen/sound_list.h"

TEST(GameSoundsThroughTheSampleLoader, EachLoadsAs16BitPcmOfItsLength) {
  for (const assetgen::SoundFile& s : assetgen::SoundFiles()) {
    std::string path = std::string(VS_SOURCE_DIR) + "/data/" + s.file;
    TAudioSamplePtr sample = LoadAudioSample(TUrl(BytesToText(path)));
    ASSERT_NE(nullptr, sample) << s.file << " does not load";
    EXPECT_EQ(44100, sample->hertz) << s.file;
    EXPECT_EQ(s.channels == 1 ? TAudioSample::FORMAT_MONO16LE : TAudioSample::FORMAT_STEREO16LE, sample->format)
        << s.file;
    EXPECT_EQ(s.frames, sample->length) << s.file << ": frames";
  }
}
