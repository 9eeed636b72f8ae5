// The generator's exact sequence, its seed rules and its ranges.
#include <gtest/gtest.h>

#include <set>

#include "system/random.h"
#include "tests/fresh_process.h"

namespace {

TEST(RandomSequence, StartsFrom4660InAFreshProcess) {
  EXPECT_IN_FRESH_PROCESS([]() -> std::string {
    const int32_t at_start = GetRandomSeed();
    RandomFloat();
    const int32_t after = GetRandomSeed();
    if (at_start == 4660 && after == 224942860) return "";
    return "expected 4660 then 224942860 (4660 x 48271), got " + std::to_string(at_start) + " then " +
           std::to_string(after);
  });
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

// The seed whose next step gives `state`: the generator's multiplier inverted modulo 2^31 - 1.
int32_t SeedBefore(int32_t state) {
  int64_t inverse = 1, base = 48271, e = 2147483647 - 2;  // Fermat: 48271^(p-2) mod p
  for (; e; e >>= 1, base = base * base % 2147483647)
    if (e & 1) inverse = inverse * base % 2147483647;
  return static_cast<int32_t>(state * inverse % 2147483647);
}

// The published composition: h = the first step's state AND 0x1FFFFFFC, l = the second's
// AND 0x1FFFFFF8, the value (h + l / 2^27) / 2^29.
TEST(RandomDouble, IsTheFirstStepsHighPartPlusTheSecondsAsTheLowBits) {
  SetRandomSeed(4660);
  double r = RandomDouble();
  int32_t s1 = 224942860;
  int32_t s2 = static_cast<int32_t>((static_cast<int64_t>(s1) * 48271) % 2147483647);
  EXPECT_EQ(s2, GetRandomSeed()) << "two steps per draw";
  double expected = ((s1 & 0x1FFFFFFC) + (s2 & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
  EXPECT_EQ(expected, r);
}

TEST(RandomDouble, StaysBelowOneWhenTheFirstStepHasEveryHighBit) {
  for (int32_t s1 : {0x7FFFFFFC, 0x7FFFFFFE, 0x5FFFFFFD, 0x1FFFFFFF}) {
    SetRandomSeed(SeedBefore(s1));
    const double r = RandomDouble();
    EXPECT_LT(r, 1.0) << "first step " << s1;
    EXPECT_GE(r, 0x1FFFFFFC / 536870912.0) << "first step " << s1 << ": expected the top of the range";
  }
}

// The published composition: one step, its state AND 0x0FFFFFF0 over 2^28.
TEST(RandomFloat, IsTwentyEightBitsOfOneStepAndStaysBelowOne) {
  SetRandomSeed(4660);
  float f = RandomFloat();
  EXPECT_EQ(static_cast<float>((224942860 & 0x0FFFFFF0) / 268435456.0), f);
  SetRandomSeed(SeedBefore(0x7FFFFFFE));
  f = RandomFloat();
  EXPECT_LT(f, 1.0f) << "every one of the 28 bits set";
  EXPECT_GT(f, 0.9999f) << "every one of the 28 bits set";
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
