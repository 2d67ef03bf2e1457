#pragma once
// Small helpers the figure's topic files share.
#include <string>

#include "engine/core/EngMath.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MUtilInternal.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {
class MDocObj;
}

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

// MUtilMultiply's product as a value: `b` acts first, then `a`.
inline MatrixRecord Multiply(const MatrixRecord& a, const MatrixRecord& b) {
  MatrixRecord out;
  MUtilMultiply(a, b, out);
  return out;
}
inline MatrixRecord Inverse(const MatrixRecord& m) {
  MatrixRecord out;
  MUtilInvert(m, out);
  out.flag = 0;
  return out;
}
inline PointRecord TransformPoint(const MatrixRecord& m, const PointRecord& p) {
  PointRecord out;
  MUtilTransformPoint(m, p, out);
  return out;
}
inline PointRecord TransformVector(const MatrixRecord& m, const PointRecord& v) {
  PointRecord out;
  MUtilTransformVector(m, v, out);
  return out;
}
inline PointRecord Unit(PointRecord v) {
  OsUtilNormalize(v);
  return v;
}

// The object's matrix composed with those of all its parents.
inline MatrixRecord WorldMatrixOf(MObject* object) {
  MatrixRecord world;
  object->GetMatrix(world);
  for (MGroupObj* p = object->GetParent(); p != nullptr; p = p->GetParent()) {
    MatrixRecord m;
    p->GetMatrix(m);
    world = Multiply(m, world);
  }
  world.flag = 0;
  return world;
}

// A refusal with its reason for the user: false, the reason in `why`.
inline bool Refuse(std::string* why, const std::string& reason) {
  if (why != nullptr) *why = reason;
  return false;
}

// Appends to an engine array; false with out of memory recorded when it
// cannot grow.
template <class A, class T>
bool AppendOrFail(A& list, const T& item) {
  if (list.Add(item)) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}

// Every mesh of the scene (the scene's own collection, which leaves out
// hidden layers), or without a scene every mesh of the tree the figure
// belongs to. False with out of memory recorded.
bool CollectSceneMeshes(MObject* figure, MDocObj* scene, PtrArray& out);

// Moves a body vertex with its ring of coincident vertices, every member
// saved for undo first (the ring moves together); false when saving failed.
// The mesh's edit step must be open.
inline bool MoveSavedVertex(MVertex* v, const PointRecord& p) {
  v->SaveUndoRing();
  if (EngContext().failState == kEngFailFailed) return false;
  v->SetPosition(p);  // members on the mirror plane keep x = 0
  return true;
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
