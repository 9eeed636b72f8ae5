// The generator's exact sequence, its seed rules and its ranges.
#include <gtest/gtest.h>

#include <set>

#include "system/random.h"

namespace {

TEST(RandomSequence, StartsFrom4660InAFreshProcess) {
  // This test runs first in its own process; nothing has drawn yet.
  EXPECT_EQ(4660, GetRandomSeed());
  RandomFloat();
  EXPECT_EQ(224942860, GetRandomSeed()) << "4660 x 48271";
}

TEST(RandomSequence, SchrageStepMatchesTheExactProduct) {
  for (int32_t seed : {1, 2, 4660, 44487, 44488, 123456789, 2147483646}) {
    SetRandomSeed(seed);
    RandomFloat();
    int64_t expected = (static_cast<int64_t>(seed) * 48271) % 2147483647;
    EXPECT_EQ(expected, GetRandomSeed()) << "seed " << seed;
  }
}

TEST(RandomSeed, DegenerateSeedsFallBackAndHighBitsAreDropped) {
  SetRandomSeed(0);
  EXPECT_EQ(4660, GetRandomSeed());
  SetRandomSeed(0x7FFFFFFF);
  EXPECT_EQ(4660, GetRandomSeed());
  SetRandomSeed(static_cast<int32_t>(0xFFFFFFFFu));
  EXPECT_EQ(4660, GetRandomSeed());
  SetRandomSeed(static_cast<int32_t>(0x80000005u));
  EXPECT_EQ(5, GetRandomSeed());
}

TEST(RandomSeed, FeedingTheStateBackResumesTheSequence) {
  SetRandomSeed(99);
  RandomDouble();
  int32_t saved = GetRandomSeed();
  double a = RandomDouble(), b = RandomDouble();
  SetRandomSeed(saved);
  EXPECT_EQ(a, RandomDouble());
  EXPECT_EQ(b, RandomDouble());
}

TEST(RandomDouble, UsesTwoStepsAndItsMasks) {
  SetRandomSeed(4660);
  double r = RandomDouble();
  int32_t s1 = 224942860;
  int32_t s2 = static_cast<int32_t>((static_cast<int64_t>(s1) * 48271) % 2147483647);
  EXPECT_EQ(s2, GetRandomSeed());
  double expected = ((s1 & 0x1FFFFFFC) + (s2 & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
  EXPECT_EQ(expected, r);
  EXPECT_LT((0x1FFFFFFC + 0x1FFFFFF8 / 134217728.0) / 536870912.0, 1.0) << "the largest value stays below 1";
}

TEST(RandomFloat, Takes28BitsOfOneStep) {
  SetRandomSeed(4660);
  float f = RandomFloat();
  EXPECT_EQ(static_cast<float>((224942860 & 0x0FFFFFF0) / 268435456.0), f);
}

TEST(RandomRange, BoundsInEitherOrderGiveTheSameValue) {
  SetRandomSeed(777);
  double forward = RandomRange(2, 5);
  SetRandomSeed(777);
  double backward = RandomRange(5, 2);
  SetRandomSeed(777);
  double r = RandomDouble();
  EXPECT_EQ(forward, backward);
  EXPECT_EQ(2 + r * 3, forward);
}

TEST(RandomRange, EqualBoundsStillAdvanceTwoSteps) {
  SetRandomSeed(31337);
  EXPECT_EQ(7.25, RandomRange(7.25, 7.25));
  int32_t after = GetRandomSeed();
  SetRandomSeed(31337);
  RandomFloat();
  RandomFloat();
  EXPECT_EQ(GetRandomSeed(), after);
}

TEST(RandomInt, CoversBothBoundsInEitherOrder) {
  SetRandomSeed(1);
  EXPECT_EQ(3, RandomInt(3, 3));
  std::set<int32_t> seen, seen_reversed;
  for (int i = 0; i < 2000; ++i) {
    seen.insert(RandomInt(1, 6));
    seen_reversed.insert(RandomInt(6, 1));
  }
  EXPECT_EQ((std::set<int32_t>{1, 2, 3, 4, 5, 6}), seen);
  EXPECT_EQ((std::set<int32_t>{1, 2, 3, 4, 5, 6}), seen_reversed);
}

}  // namespace
