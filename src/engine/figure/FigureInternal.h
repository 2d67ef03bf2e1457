#pragma once
// Small helpers the figure's topic files share.
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MUtilInternal.h"
#include "engine/mesh/MeshWalk.h"

namespace engine::figure_detail {

using detail::Add;
using detail::Dot;
using detail::Mul;
using detail::Sub;

inline PointRecord Cross(const PointRecord& a, const PointRecord& b) {
  PointRecord out;
  OsUtilCrossProduct(a, b, out);
  return out;
}

inline bool Failed() { return EngContext().failState == kEngFailFailed; }

// A rotation by `angle` about `axis` (right-handed).
inline MatrixRecord RotationAbout(const PointRecord& axis, double angle) {
  MatrixRecord identity, out;
  MUtilIdentity(identity);
  MUtilRotateAxis(identity, angle, axis, out);
  return out;
}

// A position for a vertex on the mirror plane keeps x = 0.
inline PointRecord KeptOnMirror(std::uint32_t flags, PointRecord p) {
  if ((flags & 0x02) != 0) p.x = 0;
  return p;
}

// Visits `start` and every line below it (around each visited line's
// second end), each once, tagging them with `stamp` in their id; an
// explicit stack keeps long chains off the call stack. `visit` may answer
// false to stop. False when the stack could not grow (out of memory
// recorded) or `visit` stopped.
template <class F>
bool ForEachLineBelow(MLine* start, int stamp, F&& visit) {
  PtrArray pending;
  start->id = stamp;
  bool ok = pending.Add(start);
  while (ok && pending.count > 0) {
    MLine* line = static_cast<MLine*>(pending[pending.count - 1]);
    --pending.count;
    if (!visit(line)) return false;
    ok = ForEachLineAround(line->end1, [&](MLine* next) {
      if (next->id == stamp) return true;
      next->id = stamp;
      return pending.Add(next);
    });
  }
  if (!ok) EngRecordFailure(kEngReasonOutOfMemory);
  return ok;
}

}  // namespace engine::figure_detail
