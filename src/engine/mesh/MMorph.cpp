#include "engine/mesh/MMorph.h"

#include <cstring>
#include <utility>

#include "engine/core/EngMath.h"

namespace engine {

MMorph::MMorph() {
  std::memset(name, 0, sizeof name);
  MUtilIdentity(frame);
  MUtilIdentity(frameInverse);
  MUtilIdentity(savedFrame);
}

void MMorph::CopyTo(MMorph* target) const {
  CopyHeaderTo(target);
  std::memcpy(target->name, name, sizeof name);
  target->frame = frame;
  target->frameInverse = frameInverse;
  target->savedFrame = savedFrame;
  target->textureOffsetU = textureOffsetU;
  target->textureOffsetV = textureOffsetV;
  target->index = index;
}

MMorph* MMorph::Clone() {
  MMorph* clone = CloneElement();
  if (clone != nullptr) clone->index = -1;
  return clone;
}

void MMorph::AppendTransform(const MatrixRecord& t) {
  MatrixRecord combined;
  MUtilMultiply(t, frame, combined);
  frame = combined;
}

void MMorph::SwapSavedTransform() { std::swap(frame, savedFrame); }

}  // namespace engine
