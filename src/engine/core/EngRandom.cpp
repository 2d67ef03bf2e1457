// A 64-bit linear congruential generator (Knuth's MMIX constants) whose
// high bits give the numbers: plenty for jitter, and the same on every
// platform.
#include "engine/core/EngRandom.h"

namespace engine {
namespace {

std::uint64_t state = 0x853c49e6748fea9bULL;

}  // namespace

void EngSeedRandom(std::uint32_t seed) { state = 0x853c49e6748fea9bULL ^ seed; }

int EngRandom() {
  state = state * 6364136223846793005ULL + 1442695040888963407ULL;
  return static_cast<int>(state >> 33);
}

}  // namespace engine
