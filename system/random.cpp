#include "system/random.h"

static int32_t rnd_state = 0x1234;

static int32_t Step() {
  int32_t s = (rnd_state % 44488) * 48271 - (rnd_state / 44488) * 3399;
  if (s < 0) s += 0x7FFFFFFF;
  rnd_state = s;
  return s;
}

void SetRandomSeed(int32_t seed) {
  rnd_state = seed & 0x7FFFFFFF;
  if (rnd_state == 0 || rnd_state == 0x7FFFFFFF) rnd_state = 0x1234;
}

int32_t GetRandomSeed() { return rnd_state; }

float RandomFloat() { return static_cast<float>((Step() & 0x0FFFFFF0) / 268435456.0); }

double RandomDouble() {
  double h = Step() & 0x1FFFFFFC;
  double l = Step() & 0x1FFFFFF8;
  return (h + l / 134217728.0) / 536870912.0;
}

double RandomRange(double a, double b) {
  double r = RandomDouble();
  return b > a ? a + r * (b - a) : b + r * (a - b);
}

int32_t RandomInt(int32_t a, int32_t b) {
  int32_t d = static_cast<int32_t>(static_cast<uint32_t>(b) - static_cast<uint32_t>(a));
  double r = RandomDouble();
  if (d > 0) return a + static_cast<int32_t>(r * (static_cast<double>(d) + 1));
  return b + static_cast<int32_t>(r * (1 - static_cast<double>(d)));
}
