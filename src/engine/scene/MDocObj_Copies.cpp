// MDocObj: repeated copies of the clipboard objects (in a straight series or
// a ring) and aligning or distributing the selection along a direction.
#include <algorithm>
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"
#include "engine/scene/SceneFigures.h"

namespace engine {

using namespace scene_detail;
namespace {

constexpr double kPi = 3.14159265358979323846;


// What the first pass learns about the points of the selection.
struct AlignSurvey {
  bool haveExtremes = false;
  PointRecord low{0, 0, 0};   // lowest point along the direction
  PointRecord high{0, 0, 0};  // highest
  PointRecord sum{0, 0, 0};
  int count = 0;
  SortEntryArray order;       // mode 3: (key, number)
  PointArray seen;            // mode 5: the points so far
  double farthest = -1;
  int pairA = 0;
  int pairB = 0;

  void Extreme(const PointRecord& p, const PointRecord& d) {
    if (!haveExtremes) {
      low = high = p;
      haveExtremes = true;
      return;
    }
    if (Dot(p, d) < Dot(low, d)) low = p;
    if (Dot(p, d) > Dot(high, d)) high = p;
  }
  // The origin-like point `p` number `n`; false when out of memory.
  bool Origin(int mode, const PointRecord& p, const PointRecord& d, int n) {
    if (mode == 3) {
      Extreme(p, d);
      if (!order.Add(SortEntry{Dot(p, d), n, nullptr})) return false;
    } else if (mode == 1 || mode == 4) {
      sum = Add(sum, p);
    } else if (mode == 5) {
      for (int j = 0; j < seen.count; ++j) {
        const double distance = MUtilDistance(p, seen[j]);
        if (distance > farthest) {
          farthest = distance;
          pairA = j;
          pairB = n;
        }
      }
      if (!seen.Add(p)) return false;
    }
    return true;
  }
  void Finish(int mode) {
    if ((mode == 1 || mode == 4) && count > 0) sum = Scaled(sum, 1.0 / count);
    if (mode == 3)
      std::sort(order.items, order.items + order.count,
                [](const SortEntry& a, const SortEntry& b) { return a.key < b.key; });
  }
  // The move of an origin-like point `o` (number n) by mode; for modes 0
  // and 2 `own` is its own lowest or highest corner.
  PointRecord Move(int mode, const PointRecord& o, const PointRecord& own, const PointRecord& d, int n) const {
    switch (mode) {
      case 0: return Scaled(d, Dot(low, d) - Dot(own, d));
      case 2: return Scaled(d, Dot(high, d) - Dot(own, d));
      case 1: return Scaled(d, Dot(Sub(sum, o), d));
      case 4: {
        const PointRecord w = Sub(sum, o);
        return Sub(w, Scaled(d, Dot(w, d)));
      }
      case 3: {
        int k = 0;
        while (k < order.count && order[k].value != n) ++k;
        const double t = count > 1 ? static_cast<double>(k) / (count - 1) : 0;
        const PointRecord target = Add(low, Scaled(Sub(high, low), t));
        return Scaled(d, Dot(Sub(target, o), d));
      }
      case 5: {
        const PointRecord a = seen[pairA];
        PointRecord e = Sub(seen[pairB], a);
        OsUtilNormalize(e);
        const PointRecord w = Sub(a, o);
        return Sub(w, Scaled(e, Dot(w, e)));
      }
      default: return PointRecord{0, 0, 0};
    }
  }
};

// The 8 corners of the object's box in scene space, and its origin.
void ObjectCorners(MObject* object, PointRecord corners[8], PointRecord& origin) {
  BoundsRecord box;
  object->GetLocalBounds(box);
  MatrixRecord m;
  object->GetMatrix(m);
  MUtilBoxCorners(box, corners);
  for (int k = 0; k < 8; ++k) MUtilTransformPoint(m, corners[k], corners[k]);
  origin = PointRecord{m.m[3][0], m.m[3][1], m.m[3][2]};
}

// The lowest (or highest) of the corners along d, the first on a tie.
PointRecord ExtremeCorner(const PointRecord corners[8], const PointRecord& d, bool highest) {
  PointRecord best = corners[0];
  for (int k = 1; k < 8; ++k) {
    const double key = Dot(corners[k], d);
    if (highest ? key > Dot(best, d) : key < Dot(best, d)) best = corners[k];
  }
  return best;
}

}  // namespace

// ---- repeated copies -------------------------------------------------------------------

void MDocObj::LinearCopyStep(int i, const TransformStep& base, TransformStep& out) {
  const double k = i + 1;
  out.move = Scaled(base.move, k);
  out.turnY = k * base.turnY;
  out.turnX = k * base.turnX;
  out.turnZ = k * base.turnZ;
  out.scale = PointRecord{k * (base.scale.x - 100) + 100, k * (base.scale.y - 100) + 100, k * (base.scale.z - 100) + 100};
}

void MDocObj::CircularCopyStep(int i, int n, int turn, const PointRecord& axis, MObject* copy, TransformStep& out) {
  const double angle = (i + 1) * 2 * kPi / (n + 1);
  PointRecord unit = axis;
  OsUtilNormalize(unit);
  MatrixRecord r;
  MUtilIdentity(r);
  MUtilRotateAxis(r, angle, unit, r);
  MatrixRecord m;
  copy->GetMatrix(m);
  const PointRecord t{m.m[3][0], m.m[3][1], m.m[3][2]};
  PointRecord turned;
  MUtilTransformPoint(r, t, turned);
  out = TransformStep();
  out.move = Sub(turned, t);
  if (turn != 0) {
    MatrixRecord after;
    MUtilMultiply(r, m, after);
    double y0, x0, z0, y1, x1, z1;
    PointRecord s, tr;
    MUtilDecomposeMatrix(m, y0, x0, z0, s, tr);
    MUtilDecomposeMatrix(after, y1, x1, z1, s, tr);
    out.turnY = (y1 - y0) * 180 / kPi;
    out.turnX = (x1 - x0) * 180 / kPi;
    out.turnZ = (z1 - z0) * 180 / kPi;
  }
}

void MDocObj::PasteCopies(int circular, int n, const TransformStep& base, int turn, const PointRecord& axis) {
  PtrArray kept, sources;
  GetSelectedObjects(kept);
  EngGlobalM().CopyObjectsTo(sources);
  if (SceneFailed()) return;
  SelectAll(false);
  if (EngGlobalM().pasteFlag == 0 && !IsSingleMeshMode()) {
    for (int c = 0; c < sources.count; ++c) {
      for (int i = 0; i < n; ++i) {
        MObject* copy = static_cast<MObject*>(sources[c])->Clone();
        if (copy == nullptr) return;
        SelectAll(false);
        copy->Select(true);
        if (!AddChild(copy)) {
          delete copy;
          return;
        }
        copy->SetEditState(kEditCreated);
        if (!kept.Add(copy)) {
          EngRecordFailure(kEngReasonOutOfMemory);
          return;
        }
        TransformStep step;
        if (circular != 0)
          CircularCopyStep(i, n, turn, axis, copy, step);
        else
          LinearCopyStep(i, base, step);
        ApplyTransformStep(step);
        copy->SetLayer(GetCurrentLayer());
        copy->SetEditState(kEditCreated);
        if (SceneFailed()) return;
      }
    }
  }
  SelectAll(false);
  for (int i = 0; i < kept.count; ++i) static_cast<MObject*>(kept[i])->Select(true);
}

// ---- align and distribute ---------------------------------------------------------------------

void MDocObj::AlignSelection(int mode, const PointRecord& direction) {
  if (HasSelectedObject()) {
    AlignObjects(mode, direction);
    return;
  }
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  if (meshes.count > 0) AlignVertices(mode, direction);
}

void MDocObj::AlignObjects(int mode, const PointRecord& d) {
  PtrArray selected;
  GetSelectedObjects(selected);
  if (selected.count < 2 || mode < 0 || mode > 5) return;
  AlignSurvey survey;
  survey.count = selected.count;
  for (int i = 0; i < selected.count; ++i) {
    PointRecord corners[8], origin;
    ObjectCorners(static_cast<MObject*>(selected[i]), corners, origin);
    if (mode == 0 || mode == 2)
      for (const PointRecord& c : corners) survey.Extreme(c, d);
    if (!survey.Origin(mode, origin, d, i)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  survey.Finish(mode);
  for (int i = 0; i < selected.count && !SceneFailed(); ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    SelectAll(false);
    object->Select(true);
    PointRecord corners[8], origin;
    ObjectCorners(object, corners, origin);
    const PointRecord own = ExtremeCorner(corners, d, mode == 2);
    TransformStep step;
    step.move = survey.Move(mode, origin, own, d, i);
    ApplyTransformStep(step);
  }
  SelectAll(false);
  for (int i = 0; i < selected.count; ++i) static_cast<MObject*>(selected[i])->Select(true);
}

void MDocObj::AlignVertices(int mode, const PointRecord& d) {
  if (mode < 0 || mode > 5) return;
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  AlignSurvey survey;
  int number = 0;
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    MatrixRecord world;
    GetObjectWorldMatrix(mesh, &world, nullptr);
    PtrArray vertices;
    mesh->GatherSelectedVertices(vertices);
    for (int k = 0; k < vertices.count; ++k, ++number) {
      PointRecord p;
      MUtilTransformPoint(world, static_cast<MVertex*>(vertices[k])->GetPosition(), p);
      if (mode == 0 || mode == 2) survey.Extreme(p, d);
      if (!survey.Origin(mode, p, d, number)) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return;
      }
    }
  }
  if (SceneFailed() || number < 2) return;
  survey.count = number;
  survey.Finish(mode);
  number = 0;
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveEditState();
    MatrixRecord world, inverse;
    GetObjectWorldMatrix(mesh, &world, &inverse);
    PtrArray vertices;
    mesh->GatherSelectedVertices(vertices);
    for (int k = 0; k < vertices.count && !SceneFailed(); ++k, ++number) {
      auto* v = static_cast<MVertex*>(vertices[k]);
      PointRecord p;
      MUtilTransformPoint(world, v->GetPosition(), p);
      const PointRecord moved = Add(p, survey.Move(mode, p, p, d, number));
      v->SaveUndoRing();
      if (SceneFailed()) return;
      PointRecord local;
      MUtilTransformPoint(inverse, moved, local);
      v->SetPosition(local);
    }
    mesh->MarkChanged();
    SceneFigureFollowVertices(mesh, this);
  }
}

}  // namespace engine
