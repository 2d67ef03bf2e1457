#pragma once
// The engine's own pseudo-random numbers. Operations that jitter geometry
// draw from here rather than from the C library, so a run repeats exactly
// once the generator is seeded (tests seed it before each case).
#include <cstdint>

namespace engine {

void EngSeedRandom(std::uint32_t seed);
// The next number in 0 .. 0x7fffffff.
int EngRandom();

}  // namespace engine
