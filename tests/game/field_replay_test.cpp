// Play is a function of the seed, the input and the frame count: the same scripted game run
// twice from one seed must give the same play state in every frame.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "game/globals.h"
#include "game/shell/assets_internal.h"
#include "system/random.h"
#include "tests/game/field_support.h"
#include "tests/game/game_harness.h"

namespace {

// FNV-1a over the bytes of each value fed in.
class Digest {
 public:
  template <class T>
  Digest& operator<<(const T& value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (unsigned char b : bytes) hash_ = (hash_ ^ b) * 1099511628211ull;
    return *this;
  }
  uint64_t value() const { return hash_; }

 private:
  uint64_t hash_ = 14695981039346656037ull;
};

uint64_t play_state_digest() {
  Digest d;
  d << game_state << player.score << player.best_sc << player.new_bs << player.lives
    << player.level << player.x << player.y << player.shot_tmr;
  for (const invader_tag& inv : invaders)
    d << inv.x << inv.y << inv.alive << inv.shot_tmr << inv.frame << inv.fr_tmr << inv.fr_ctr;
  d << march_dx << march_speed << alive_count << ready_scale << ready_sep;
  d << ufo.x << ufo.limbo << ufo.fr_tmr << ufo.fr_ctr << ufo.rel_ctr;
  d << blocker.bhit_x << blocker.bhit_y << blocker.hit << blocker.bh_frame << blocker.enable;
  d << pshot_list.size();
  for (const pshot_tag* s : field::items(pshot_list)) d << s->x << s->y << s->fr_tmr << s->fr_ctr;
  d << ishot_list.size();
  for (const ishot_tag* s : field::items(ishot_list)) d << s->x << s->y << s->fr_tmr << s->fr_ctr;
  d << particle_list.size();
  for (const particle_tag* p : field::items(particle_list))
    d << p->x << p->y << p->scale << p->xstp << p->ystp << p->rotation;
  for (const uint8_t covered : field::coverage(img_blocklayer, 0).bits) d << covered;
  d << GetRandomSeed();
  return d.value();
}

// What a run went through, so that the comparison covers the rules it is meant to.
struct Seen {
  int32_t kills = 0, invader_shots = 0, saucer_frames = 0, row_hits = 0;  // row_hits: thud cues
};

// One scripted game of `frames` passes from the title: the start click, the ship swept
// under the formation with a click every 12 frames, and an early saucer.
std::vector<uint64_t> scripted_run(int32_t frames, Seen& seen) {
  harness::back_to_title(2024);
  player.best_sc = 0;
  ufo.rel_ctr = 200;
  std::vector<uint64_t> digests;
  harness::click(320, 245);
  for (int32_t frame = 0; frame < frames; ++frame) {
    if (frame > 0 && frame % 12 == 0) {
      const int32_t x = 60 + (frame * 37) % 520;
      harness::click(x, 440);
    }
    if (frame % 97 == 50) harness::key_down(SDL_SCANCODE_LEFT);
    if (frame % 97 == 70) harness::key_up(SDL_SCANCODE_LEFT);
    if (!harness::run_passes(1)) break;
    seen.invader_shots += ishot_list.empty() ? 0 : 1;
    seen.saucer_frames += ufo.limbo == 0 ? 1 : 0;
    digests.push_back(play_state_digest());
  }
  seen.kills = cue_count(snd_alienhit);
  seen.row_hits = cue_count(snd_thud);
  return digests;
}

TEST(Replay, OneSeedAndOneScriptGiveTheSamePlayFrameByFrame) {
  harness::start_game();
  Seen first_seen, second_seen;
  const std::vector<uint64_t> first = scripted_run(600, first_seen);
  const std::vector<uint64_t> second = scripted_run(600, second_seen);
  ASSERT_EQ(600u, first.size());
  ASSERT_EQ(first.size(), second.size());
  size_t differs = first.size();
  for (size_t i = 0; i < first.size() && differs == first.size(); ++i)
    if (first[i] != second[i]) differs = i;
  EXPECT_EQ(first.size(), differs) << "the runs part at frame " << differs;
  EXPECT_GT(first_seen.kills, 0) << "the script should shoot invaders down";
  EXPECT_GT(first_seen.invader_shots, 0) << "and see the invaders fire";
  EXPECT_GT(first_seen.saucer_frames, 0) << "and the saucer fly";
  EXPECT_GT(first_seen.row_hits, 0) << "and shots hit the blocker row";
}

}  // namespace
