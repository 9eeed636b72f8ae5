// The process-wide pseudo-random generator: minimal-standard multiplier 48271,
// modulus 2^31 - 1, stepped by Schrage's method. Same seed, same sequence.
#pragma once

#include <cstdint>

void SetRandomSeed(int32_t seed);  // 0 and 0x7FFFFFFF fall back to 4660
int32_t GetRandomSeed();
float RandomFloat();                  // [0, 1)
double RandomDouble();                // [0, 1)
double RandomRange(double a, double b);  // [lower, upper) whichever order
int32_t RandomInt(int32_t a, int32_t b);   // both bounds included
