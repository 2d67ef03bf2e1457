// Skin weights, the per-bone matrices with their blend zones at the joints,
// and carrying one rest-space point into posed space.
#include <cmath>
#include <limits>

#include "engine/figure/FigureInternal.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

using namespace figure_detail;

namespace {

const PointRecord kOrigin{0, 0, 0};

MatrixRecord Identity() {
  MatrixRecord m;
  MUtilIdentity(m);
  return m;
}

// The smallest key a candidate gets: a point on a bone's inner segment
// binds fully to that bone instead of dividing infinity by infinity.
constexpr double kMinimumKey = 1e-12;

struct Candidate {
  double key;
  int bone;
  double t;
};

}  // namespace

bool MBoneObj::IsRedBone(const BoneRecord& bone) const {
  return bone.line != nullptr && BodyLineHasColourKind(bone.line, kBodyRed);
}

BoneRecord* MBoneObj::FindBoneByLine(const MLine* line, int* index) {
  if (index != nullptr) *index = -1;
  if (bones == nullptr) return nullptr;
  for (int i = 0; i < bones->count; ++i) {
    if ((*bones)[i].line == line) {
      if (index != nullptr) *index = i;
      return &(*bones)[i];
    }
  }
  return nullptr;
}

void MBoneObj::UpdateBlendRanges() {
  if (bones == nullptr) return;
  for (int i = 0; i < bones->count; ++i) {
    BoneRecord& b = (*bones)[i];
    MLine* line = b.line;
    const double length = MUtilDistance(b.restStart, b.restEnd);
    // The blend limit at one joint: 0 (or 1) without blending, 0.5 at a
    // joint that is not a full crease, else the smaller radius over L.
    auto limit = [&](MVertex* joint) -> double {
      if (rigKind == 0 || joint->CountLines() != 2) return -1.0;
      if ((joint->flags & kVertexFullCrease) == 0) return 0.5;
      MLine* other = line->GetPrevAround(joint);
      ENG_FATAL_IF(other == line);
      const BoneRecord* neighbour = FindBoneByLine(other);
      const double r = neighbour != nullptr && neighbour->radius < b.radius ? neighbour->radius : b.radius;
      return length > 0 ? std::min(r / length, 0.5) : 0.5;
    };
    const double start = limit(line->end0);
    b.startBlend = start < 0 ? 0.0 : start;
    const double end = limit(line->end1);
    b.endBlend = end < 0 ? 1.0 : 1.0 - end;
  }
}

void MBoneObj::BuildSegmentMatrix(int mode, const PointRecord& a, const PointRecord& b, const PointRecord& a2,
                                  const PointRecord& b2, const MatrixRecord& base, MatrixRecord& out) {
  MatrixRecord m = Identity();
  const double r2 = MUtilDistanceSquared(a, b);
  if (r2 > 1e-16) {
    const double s = MUtilDistance(a2, b2) / std::sqrt(r2);
    if (mode == 0) {
      MUtilScale(m, s, s, s, m);
      if (redBoneBuilding != 0) redBoneScale = s;
    } else {
      const PointRecord d = Sub(b2, a2);
      PointRecord n;
      OsUtilCrossProduct(d, {1, 0, 0}, n);
      if (n.x * n.x + n.y * n.y + n.z * n.z <= 1e-16) {
        MUtilScale(m, s, 1, 1, m);
      } else {
        const double angle = std::acos(MUtilCosAngle(d, kOrigin, {1, 0, 0}));
        MatrixRecord there, scale, back, step;
        MUtilRotateAxis(Identity(), angle, n, there);  // carries d onto the x axis
        MUtilScale(Identity(), s, 1, 1, scale);
        MUtilRotateAxis(Identity(), -angle, n, back);
        MUtilMultiply(scale, there, step);
        MUtilMultiply(back, step, m);
      }
    }
  }
  MatrixRecord composed;
  MUtilMultiply(m, base, composed);  // the base first
  PointRecord moved;
  MUtilTransformPoint(composed, a, moved);
  MUtilTranslateAfter(composed, Sub(a, moved), composed);
  MUtilTranslateAfter(composed, Sub(a2, a), composed);
  out = composed;
}

bool MBoneObj::UpdateBoneMatrices(int mode) {
  UpdateBlendRanges();
  if (bones == nullptr) return SpreadChangedFlags();
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < bones->count; ++i) {
      BoneRecord& b = (*bones)[i];
      MLine* line = b.line;
      ENG_FATAL_IF(line == nullptr);
      const PointRecord& s = b.restStart;
      const PointRecord& e = b.restEnd;
      const PointRecord p0 = line->end0->position;
      const PointRecord p1 = line->end1->position;
      const bool red = IsRedBone(b);
      const int m = red ? 0 : mode == 2 ? 1 : mode;
      UpdatePosedMatrix(m, s, e, p0, p1, 0.0, b.posedMatrix);
      redBoneBuilding = red ? 1 : 0;
      BuildSegmentMatrix(m, s, e, p0, p1, b.posedMatrix, b.deformMatrix);
      redBoneBuilding = 0;
      b.changed = mode == 2 || !MUtilMatrixEqual(b.deformMatrix, b.undoDeformMatrix) ? 1 : 0;
      if (pass == 0) continue;

      if (b.startBlend > 1e-8) {
        MVertex* j0 = line->end0;
        MLine* other = line->GetPrevAround(j0);
        ENG_FATAL_IF(other == line);
        const BoneRecord* nb = FindBoneByLine(other);
        ENG_FATAL_IF(nb == nullptr);
        PointRecord q, r;
        if (other->end0 == j0) {
          q = nb->restEnd;
          r = other->end1->position;
        } else if (other->end1 == j0) {
          q = nb->restStart;
          r = other->end0->position;
        } else {
          ENG_FATAL();
        }
        const double l = b.startBlend;
        PointRecord rest[11], posed[11];
        MUtilCurvePoints(Add(s, Mul(Sub(q, s), l)), s, Add(s, Mul(Sub(e, s), l)), 0.5, 1.0, 10, rest);
        MUtilCurvePoints(Add(p0, Mul(Sub(r, p0), l)), p0, Add(p0, Mul(Sub(p1, p0), l)), 0.5, 1.0, 10, posed);
        for (int z = 0; z < 10; ++z) {
          MatrixRecord g;
          MUtilInterpolateMatrix(b.posedMatrix, nb->posedMatrix, (9.5 - z) / 20.0, g);
          BuildSegmentMatrix(m, rest[z], rest[z + 1], posed[z], posed[z + 1], g, b.startZones[z]);
        }
      }
      if (b.endBlend < 0.99999999) {
        MVertex* j1 = line->end1;
        MLine* other = line->GetPrevAround(j1);
        ENG_FATAL_IF(other == line);
        const BoneRecord* nb = FindBoneByLine(other);
        ENG_FATAL_IF(nb == nullptr);
        PointRecord q, r;
        if (other->end0 == j1) {
          q = nb->restEnd;
          r = other->end1->position;
        } else {
          q = nb->restStart;
          r = other->end0->position;
        }
        const double h = b.endBlend;
        PointRecord rest[11], posed[11];
        MUtilCurvePoints(Add(s, Mul(Sub(e, s), h)), e, Add(e, Mul(Sub(q, e), 1 - h)), 0.0, 0.5, 10, rest);
        MUtilCurvePoints(Add(p0, Mul(Sub(p1, p0), h)), p1, Add(p1, Mul(Sub(r, p1), 1 - h)), 0.0, 0.5, 10, posed);
        for (int z = 0; z < 10; ++z) {
          MatrixRecord g;
          MUtilInterpolateMatrix(b.posedMatrix, nb->posedMatrix, (z + 0.5) / 20.0, g);
          BuildSegmentMatrix(m, rest[z], rest[z + 1], posed[z], posed[z + 1], g, b.endZones[z]);
        }
      }
    }
  }
  return SpreadChangedFlags();
}

void MBoneObj::DeformPoint(const SkinRecord& record, PointRecord& point) {
  if (record.count <= 0 || bones == nullptr) {
    point = {0, 0, 0};
    return;
  }
  const PointRecord p = point;
  PointRecord sum{0, 0, 0};
  for (int k = 0; k < record.count && k < 4; ++k) {
    const int index = record.bones[k];
    if (index < 0 || index >= bones->count) continue;
    const BoneRecord& b = (*bones)[index];
    const double t = record.params[k];
    const MatrixRecord* m = &b.deformMatrix;
    if (t <= 0.5 && b.startBlend > 1e-8) {
      if (t < b.startBlend) m = &b.startZones[std::min(static_cast<int>(9.5 * t / b.startBlend), 9)];
    } else if (t >= 0.5 && b.endBlend < 0.99999999 && t > b.endBlend) {
      m = &b.endZones[std::min(static_cast<int>(9.5 * (t - b.endBlend) / (1 - b.endBlend)), 9)];
    }
    PointRecord q;
    MUtilTransformPoint(*m, p, q);
    sum = Add(sum, Mul(q, record.weights[k]));
  }
  point = sum;
}

void MBoneObj::ComputeSkinWeights(const PointRecord& point, SkinRecord& out, int mode) {
  out.count = 0;
  if (bones == nullptr) return;
  Candidate slots[4];
  for (Candidate& c : slots) c = {std::numeric_limits<double>::infinity(), -1, -1.0};
  for (int i = 0; i < bones->count; ++i) {
    const BoneRecord& b = (*bones)[i];
    bool candidate = false;
    switch (mode) {
      case 0:
        candidate = b.excluded == 0;
        break;
      case 1:
        ENG_FATAL_IF(b.line == nullptr);
        candidate = (b.line->flags & kLineSelected) != 0 || (b.line->end0->flags & kVertexSelected) != 0 ||
                    (b.line->end1->flags & kVertexSelected) != 0;
        break;
      case 2:
        if (b.excluded != 0) break;
        ENG_FATAL_IF(b.line == nullptr);
        candidate = (b.line->flags & kLineSelected) != 0;
        break;
      default:
        ENG_FATAL_IF(b.line == nullptr);
        candidate = (b.line->flags & kLineSelected) != 0;
        break;
    }
    if (!candidate) continue;
    const double r = b.radius;
    double t = 0;
    const double d2 = MUtilDistanceToInnerSegment(point, b.restStart, b.restEnd, r, t);
    if (mode == 3) {
      if (!IsRedBone(b)) {
        if (t > b.endBlend) t = b.endBlend;
        if (t < b.startBlend) t = b.startBlend;
      } else {
        const PointRecord x = Add(b.restEnd, Mul(Sub(b.restStart, b.restEnd), 1.5));
        double t2 = 0;
        MUtilPointSegmentDistanceSquared(point, x, b.restEnd, &t2);
        t = b.startBlend + (1 - b.startBlend) * t2;
      }
    }
    const double d = std::sqrt(d2);
    const double normalised = d < r ? d / r : d + 1 - r;
    const double key = std::max(normalised * normalised, kMinimumKey);
    for (int s = 0; s < 4; ++s) {
      if (slots[s].key > key) {
        for (int k = 3; k > s; --k) slots[k] = slots[k - 1];
        slots[s] = {key, i, t};
        break;
      }
    }
  }
  int n = 0;
  while (n < 4 && slots[n].bone >= 0) ++n;
  if (n == 0) return;
  for (int s = 0; s < n; ++s) slots[s].key = 1.0 / slots[s].key;
  for (int a = 0; a < n - 1; ++a) {
    for (int s = a + 1; s < n; ++s) {
      if (AreBonesAdjacent(slots[a].bone, 0, slots[s].bone, 0)) {
        for (int k = s; k + 1 < n; ++k) slots[k] = slots[k + 1];
        --n;
        break;
      }
    }
  }
  double total = 0;
  for (int s = 0; s < n; ++s) total += slots[s].key;
  int kept = 0;
  double values[4];
  for (int s = 0; s < n; ++s) {
    const double w = slots[s].key / total;
    if (w < 0.2) break;
    values[kept++] = w - 0.2;
  }
  double sum = 0;
  for (int s = 0; s < kept; ++s) sum += values[s];
  for (int s = 0; s < kept; ++s) {
    out.bones[s] = slots[s].bone;
    // A single survivor keeps the whole weight (its share less one fifth
    // may be 0 when five fifths tie).
    out.weights[s] = sum > 0 ? values[s] / sum : 1.0 / kept;
    out.params[s] = slots[s].t;
  }
  out.count = kept;
}

void MBoneObj::ResetBoneAndBelow(MLine* start) {
  // Each line's second end moves to its first end plus the rest offset,
  // then the lines below it follow.
  ForEachLineBelow(start, TakeVisitStamp(), [&](MLine* line) {
    BoneRecord* b = FindBoneByLine(line);
    ENG_FATAL_IF(b == nullptr);
    // The undo copies stay as the step's checkpoint took them.
    b->twist = 0;
    MUtilIdentity(b->posedMatrix);
    MVertex* end = line->end1;
    end->SaveUndo();
    if (Failed()) return false;
    end->SetPosition(KeptOnMirror(end->flags, Add(line->end0->position, Sub(b->restEnd, b->restStart))));
    return true;
  });
}

void MBoneObj::CollectLinesBelow(int stamp, MLine* start, PtrArray& out) {
  ForEachLineBelow(start, stamp, [&](MLine* line) {
    if (out.Add(line)) return true;
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  });
}

void MBoneObj::ExcludeSelectedBones(MDocObj* scene, int mode) {
  if (rigKind == 0 || bones == nullptr) return;
  SaveEditState();
  if (Failed()) return;
  if (mode == 3) {
    MLine* first = nullptr;
    for (MLine* line : lines) {
      if ((line->flags & kLineSelected) != 0) {
        first = line;
        break;
      }
    }
    if (first == nullptr) return;
    if (!BodyLineHasColourKind(first, kBodyRed)) {
      first->SaveUndo();
      if (EngContext().failState == kEngFailFailed) return;
      first->SetColour({1, 0, 0});
    }
    for (MVertex* joint : {first->end0, first->end1}) {
      const bool ok = ForEachLineAround(joint, [&](MLine* other) {
        if (other == first || !BodyLineHasColourKind(other, kBodyRed)) return true;
        other->SaveUndo();
        if (EngContext().failState == kEngFailFailed) return false;
        other->colourR = other->colourG = other->colourB = 0;
        return true;
      });
      if (!ok) return;
    }
  }
  for (MVertex* joint : vertices) {
    if ((joint->flags & kVertexSelected) == 0 || joint->firstLine == nullptr) continue;
    const bool lineSelected =
        !ForEachLineAround(joint, [](MLine* line) { return (line->flags & kLineSelected) == 0; });
    if (lineSelected) continue;
    joint->SaveUndo();
    if (Failed()) return;
    joint->flags &= ~kVertexSelected;
  }
  BindByVertex(scene, mode);
  if (EngContext().failState == kEngFailFailed) return;
  for (MLine* line : lines) {
    if ((line->flags & kLineSelected) == 0) continue;
    BoneRecord* b = FindBoneByLine(line);
    ENG_FATAL_IF(b == nullptr);
    b->excluded = 1;
  }
  RebuildRigIfUnbound(scene);
}

bool MBoneObj::IncludeSelectedBones(MDocObj* scene) {
  if (bones == nullptr) return false;
  // The step is open before the first change, so that undo takes it back.
  SaveEditState();
  if (Failed()) return false;
  for (MLine* line : lines) {
    if ((line->flags & kLineSelected) == 0) continue;
    BoneRecord* b = FindBoneByLine(line);
    ENG_FATAL_IF(b == nullptr);
    b->excluded = 0;
  }
  if (skinRecords != nullptr) {
    for (int i = 0; i < skinRecords->count; ++i) {
      SkinRecord& r = (*skinRecords)[i];
      if (r.locked == 0) continue;
      bool nearExcluded = false;
      for (int k = 0; k < r.count; ++k)
        if (r.bones[k] >= 0 && r.bones[k] < bones->count && IsBoneOrNeighbourExcluded((*bones)[r.bones[k]]))
          nearExcluded = true;
      if (r.count == 0 || !nearExcluded) r.locked = 0;
    }
  }
  return RebuildRigIfUnbound(scene);
}

void MBoneObj::StoreInfluenceRatios() {
  if (bones == nullptr) return;
  for (int i = 0; i < bones->count; ++i) {
    BoneRecord& b = (*bones)[i];
    const double length = MUtilDistance(b.line->PointAt(0), b.line->PointAt(1));
    b.line->pairValue = length > 0 ? static_cast<int>(3000 * b.radius / length) : 0;
  }
}

void MBoneObj::RestoreInfluenceRadii() {
  if (bones == nullptr || bones->count == 0) return;
  auto outside = [](int v) { return v < 300 || v > 30000; };
  int bad = 0;
  for (int i = 0; i < bones->count; ++i)
    if (outside((*bones)[i].line->pairValue)) ++bad;
  if (bad >= bones->count / 2) return;
  for (int i = 0; i < bones->count; ++i) {
    BoneRecord& b = (*bones)[i];
    const double length = MUtilDistance(b.line->PointAt(0), b.line->PointAt(1));
    const int v = outside(b.line->pairValue) ? 1000 : b.line->pairValue;
    b.radius = length * v / 3000.0;
  }
}

void MBoneObj::BlendBorderSkin(MVertex* vertex, SkinRecord& out, const PointRecord& restPosition) {
  // The neighbours across the lines that lack a face on one side.
  MVertex* neighbours[2] = {nullptr, nullptr};
  int borderLines = 0;
  ForEachLineAround(vertex, [&](MLine* line) {
    if (line->forwardFace != nullptr && line->backwardFace != nullptr) return;
    if (borderLines < 2) neighbours[borderLines] = line->OtherEnd(vertex);
    ++borderLines;
  });
  const SkinRecord* a = borderLines == 2 ? GetSkinRecordOfVertex(neighbours[0]) : nullptr;
  const SkinRecord* b = borderLines == 2 ? GetSkinRecordOfVertex(neighbours[1]) : nullptr;
  if (a == nullptr && b == nullptr) {
    // No border with known neighbours: weight the vertex where it rests.
    const unsigned char locked = out.locked;
    ComputeSkinWeights(restPosition, out, 0);
    out.locked = locked;
    BackupSkinRecord(out);
    return;
  }
  if (a == nullptr || b == nullptr) {
    out = a != nullptr ? *a : *b;
    return;
  }
  struct Entry {
    int bone;
    double weight, param;
  };
  Entry merged[8];
  int n = 0;
  for (const SkinRecord* r : {a, b}) {
    for (int k = 0; k < r->count; ++k) {
      int found = -1;
      for (int m = 0; m < n; ++m)
        if (merged[m].bone == r->bones[k]) found = m;
      if (found >= 0) {
        merged[found].weight += r->weights[k];
        merged[found].param += r->params[k];
      } else {
        merged[n++] = {r->bones[k], r->weights[k], r->params[k]};
      }
    }
  }
  for (int m = 0; m < n; ++m) {
    merged[m].weight *= 0.5;
    merged[m].param *= 0.5;
  }
  for (int m = 0; m < n; ++m) {
    int best = m;
    for (int k = m + 1; k < n; ++k)
      if (merged[k].weight > merged[best].weight) best = k;
    std::swap(merged[m], merged[best]);
  }
  out.count = std::min(n, 3);
  for (int k = 0; k < out.count; ++k) {
    out.bones[k] = merged[k].bone;
    out.weights[k] = merged[k].weight;
    out.params[k] = merged[k].param;
  }
  BackupSkinRecord(out);
}

bool MBoneObj::IsAtRestPose() {
  for (MLine* line : lines)
    if (!IsBoneAtRest(line)) return false;
  return true;
}

}  // namespace engine
