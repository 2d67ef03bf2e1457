// Radial body binding: the bound meshes' shape across each bone, measured
// as ratios against the rest shape and smoothed along the bone, becomes the
// new rest state; inflation thickens or thins the body about its bones.
// Also the bone centre curve and the skeleton point of a skin record, which
// the reshaping and feature operations share.
#include <algorithm>
#include <cmath>
#include <new>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QView.h"
#include "engine/figure/FigureInternal.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

using namespace figure_detail;

namespace {

// One measured ratio at a place along a bone (its parameter t) or round an
// end cap (a cosine); `order` is its place in the order of arrival.
struct FitSample {
  double position;
  double ratio;
  int order;
};

// The samples of one zone. They arrive in any order and are sorted once,
// before the first look-up: by position, and among equal positions the
// newest first.
struct FitSampleList {
  EngArray<FitSample> samples;
  bool sorted = true;

  void Sort() {
    if (sorted) return;
    std::sort(samples.items, samples.items + samples.count, [](const FitSample& a, const FitSample& b) {
      return a.position < b.position || (a.position == b.position && a.order > b.order);
    });
    sorted = true;
  }
};

// The samples of one vertex class on one bone: zones 1 (the cap beyond the
// first end), 2 and 3 (the two sides) and 4 (the cap beyond the second end).
struct FitSampleSet {
  FitSampleList zones[4];
};

constexpr int kFitClasses = 4;

FitSampleList* FindList(const BoneRecord& bone, int vertexClass, int zone) {
  ENG_FATAL_IF(zone < 1 || zone > 4);
  const int c = vertexClass >= 1 && vertexClass <= 3 ? vertexClass : 0;
  auto* set = static_cast<FitSampleSet*>(bone.bindWork[c]);
  return set != nullptr ? &set->zones[zone - 1] : nullptr;
}

FitSampleSet* NewSampleSet() {
  void* block = EngAlloc(sizeof(FitSampleSet));
  return block != nullptr ? ::new (block) FitSampleSet() : nullptr;
}

void FreeSampleSets(BoneRecordArray& bones) {
  for (int i = 0; i < bones.count; ++i) {
    for (void*& work : bones[i].bindWork) {
      if (work == nullptr) continue;
      static_cast<FitSampleSet*>(work)->~FitSampleSet();
      EngFree(work);
      work = nullptr;
    }
  }
}

// The cosine of the angle between two vectors; 0 when either has no
// direction (a point on the bone's axis has no side).
double CosBetween(const PointRecord& a, const PointRecord& b) {
  const double la = MUtilLength(a), lb = MUtilLength(b);
  if (la < 1e-12 || lb < 1e-12) return 0.0;
  return Dot(a, b) / (la * lb);
}

PointRecord UnitOr001(const PointRecord& v) {
  return Dot(v, v) <= 1e-16 ? PointRecord{0, 0, 1} : Mul(v, 1.0 / std::sqrt(Dot(v, v)));
}

bool HasBones(const MBoneObj& f) {
  return f.bones != nullptr && f.restPositions != nullptr && f.skinRecords != nullptr;
}

}  // namespace

void MBoneObj::GetBonePointAt(const BoneRecord& bone, double t, PointRecord& out) {
  MLine* line = bone.line;
  const PointRecord a = line->end0->position;
  const PointRecord b = line->end1->position;
  const double sb = bone.startBlend, eb = bone.endBlend;
  // Within a blend range the curve bends into the neighbouring bone; a
  // range at a joint with no neighbour (blend ranges not yet updated after
  // an edit) keeps the straight line.
  if (sb > 1e-8 && t < sb && line->prevAround0 != line) {
    const PointRecord c = line->prevAround0->OtherEnd(line->end0)->position;
    const PointRecord p0 = Add(Mul(c, sb), Mul(a, 1 - sb));
    const PointRecord p2 = Add(Mul(a, 1 - sb), Mul(b, sb));
    MUtilCurvePoint(p0, a, p2, 0.5 + 0.5 * t / sb, out);
    return;
  }
  if (eb < 0.99999999 && t > eb && line->prevAround1 != line) {
    const PointRecord c = line->prevAround1->OtherEnd(line->end1)->position;
    const PointRecord p0 = Add(Mul(b, eb), Mul(a, 1 - eb));
    const PointRecord p2 = Add(Mul(b, eb), Mul(c, 1 - eb));
    MUtilCurvePoint(p0, b, p2, 0.5 - 0.5 * (1 - t) / (1 - eb), out);
    return;
  }
  out = Add(a, Mul(Sub(b, a), t));
}

double MBoneObj::GetSkeletonPoint(const SkinRecord& record, int, PointRecord& out) {
  out = {0, 0, 0};
  double first = 0.5;
  for (int i = 0; i < record.count && i < 4; ++i) {
    if (bones == nullptr || record.bones[i] < 0 || record.bones[i] >= bones->count) continue;
    const BoneRecord& bone = (*bones)[record.bones[i]];
    double t = record.params[i];
    if (IsRedBone(bone)) t = ((t - bone.startBlend) / (1 - bone.startBlend) - 1.0 / 3) * 1.5;
    PointRecord p;
    GetBonePointAt(bone, t, p);
    out = Add(out, Mul(p, record.weights[i]));
    if (i == 0) first = t;
  }
  return first;
}

void MBoneObj::AddFitSample(BoneRecord& bone, int vertexClass, int zone, double position, double ratio) {
  FitSampleList* list = FindList(bone, vertexClass, zone);
  if (list == nullptr) return;
  if (!list->samples.Add({position, ratio, list->samples.count})) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  list->sorted = false;
}

BoneRecord* MBoneObj::GetNeighbourBone(const BoneRecord& bone, bool atFirstEnd) {
  MLine* line = bone.line;
  MVertex* joint = atFirstEnd ? line->end0 : line->end1;
  if (joint->CountLines() != 2) return nullptr;
  return FindBoneByLine(atFirstEnd ? line->nextAround0 : line->nextAround1);
}

void MBoneObj::LookupFitRatio(const BoneRecord& bone, int vertexClass, int zone, double x, double& ratio,
                              double* edge) {
  FitSampleList* list = FindList(bone, vertexClass, zone);
  if (list == nullptr || list->samples.count == 0) {
    ratio = 1.0;
    if (edge != nullptr) *edge = 0.5;
    return;
  }
  list->Sort();
  const EngArray<FitSample>& s = list->samples;
  // r: the last sample below x; n: the first at x or beyond.
  int n = 0;
  while (n < s.count && s[n].position < x) ++n;
  const FitSample* below = n > 0 ? &s[n - 1] : nullptr;
  const FitSample* above = n < s.count ? &s[n] : nullptr;
  if (below != nullptr && above != nullptr) {
    const double span = above->position - below->position;
    ratio = span < 1e-8 ? 0.5 * (below->ratio + above->ratio)
                        : below->ratio + (above->ratio - below->ratio) * (x - below->position) / span;
    return;
  }
  const bool sides = zone == 2 || zone == 3;
  if (below != nullptr) {
    ratio = below->ratio;
    if (edge != nullptr) {
      *edge = below->position;
      return;
    }
    // Beyond the last sample the bone across the second joint lends its
    // first one, counted at 1 + its position on this bone.
    BoneRecord* next = sides ? GetNeighbourBone(bone, false) : nullptr;
    if (next == nullptr) return;
    double lent = 1.0, at = 0.5;
    LookupFitRatio(*next, vertexClass, zone, -10, lent, &at);
    const double d = 1 - x + at;
    const double denominator = x - below->position + d;
    if (std::fabs(denominator) > 1e-8) ratio = (d * below->ratio + (x - below->position) * lent) / denominator;
    return;
  }
  ratio = above->ratio;
  if (edge != nullptr) {
    *edge = above->position;
    return;
  }
  // Before the first sample the bone across the first joint lends its last
  // one, counted at its position - 1.
  BoneRecord* previous = sides ? GetNeighbourBone(bone, true) : nullptr;
  if (previous == nullptr) return;
  double lent = 1.0, at = 0.5;
  LookupFitRatio(*previous, vertexClass, zone, 10, lent, &at);
  const double d = x + 1 - at;
  const double denominator = above->position - x + d;
  if (std::fabs(denominator) > 1e-8) ratio = (d * above->ratio + (above->position - x) * lent) / denominator;
}

void MBoneObj::GetFitRatios(const BoneRecord& bone, int vertexClass, int zone, double x, double& side,
                            double& depth) {
  if (zone == 1 || zone == 4) {
    LookupFitRatio(bone, vertexClass, zone, x, side, nullptr);
    double high, low;
    LookupFitRatio(bone, vertexClass, zone, 10, high, nullptr);
    LookupFitRatio(bone, vertexClass, zone, -10, low, nullptr);
    depth = 0.5 * (high + low);
  } else {
    LookupFitRatio(bone, vertexClass, zone, x, side, nullptr);
    double other;
    LookupFitRatio(bone, vertexClass, 5 - zone, x, other, nullptr);
    depth = 0.5 * (side + other);
  }
  if (IsRedBone(bone)) {
    depth = 1.0;
  } else if ((zone == 2 || zone == 3) && bone.line->prevAround1 != nullptr &&
             BodyLineHasColourKind(bone.line->prevAround1, kBodyRed)) {
    depth = x + (1 - x) * depth;
  }
}

void MBoneObj::ClassifyAgainstBone(const BoneRecord& bone, double t, const PointRecord& p, const PointRecord& s,
                                   const PointRecord& view, int& zone, double& position) {
  const MLine* line = bone.line;
  const PointRecord a = line->end0->position;
  const PointRecord b = line->end1->position;
  const PointRecord across = Cross(view, Sub(b, a));
  // At an end joint of one bone the cap beyond it is measured round the
  // bone: the cosine between the side direction and the point's offset
  // seen along the view.
  auto cap = [&](const PointRecord& end) {
    const PointRecord offset = Sub(p, end);
    return CosBetween(across, Sub(offset, Mul(view, Dot(offset, view))));
  };
  if (t < 1e-8 && line->end0->CountLines() == 1) {
    zone = 1;
    position = cap(a);
  } else if (t > 0.99999999 && line->end1->CountLines() == 1) {
    zone = 4;
    position = cap(b);
  } else {
    zone = Dot(Sub(p, s), across) < 0 ? 2 : 3;
    position = t;
  }
}

void MBoneObj::SampleVertexFit(const SkinRecord& record, int vertexClass, const PointRecord& current,
                               const PointRecord& rest, const PointRecord& view) {
  if (record.count <= 0) return;
  PointRecord s;
  GetSkeletonPoint(record, 0, s);
  const double reach = MUtilDistance(s, rest);
  if (reach < 1e-8) return;
  const PointRecord u = UnitOr001(Sub(rest, s));
  const PointRecord w = UnitOr001(Sub(current, rest));
  const double c = Dot(u, w);
  if (std::fabs(c) < 1e-8) return;
  const double ratio = 1 + (MUtilDistance(current, rest) / c) / reach;
  const int influences = vertexClass == 3 ? 1 : std::min(record.count, 4);
  for (int i = 0; i < influences; ++i) {
    if (record.bones[i] < 0 || record.bones[i] >= bones->count) continue;
    BoneRecord& bone = (*bones)[record.bones[i]];
    int zone;
    double position;
    ClassifyAgainstBone(bone, record.params[i], rest, s, view, zone, position);
    AddFitSample(bone, vertexClass, zone, position, ratio);
    if (Failed()) return;
  }
}

PointRecord MBoneObj::GetViewDirectionInFrame(QView* view) {
  if (view == nullptr) return {0, 0, 1};
  const MatrixRecord inverse = view->GetInverseViewMatrix();
  const double distance = view->GetDistance() > 0 ? view->GetDistance() : 1.0;
  const PointRecord eye = TransformPoint(inverse, {0, 0, 0});
  const PointRecord along = TransformPoint(inverse, {0, 0, distance});
  MatrixRecord own;
  GetInverseMatrix(own);
  return Unit(TransformVector(own, Sub(along, eye)));
}

int MBoneObj::GatherFitSamples(QView* view, MDocObj*) {
  if (!HasBones(*this)) return 0;
  const PointRecord v = GetViewDirectionInFrame(view);
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return 0;
  int skipped = 0;
  for (int m = 0; m < meshes.count && !Failed(); ++m) {
    if (meshes[m].mesh->IsBoneObject()) continue;
    MatrixRecord toRest, fromRest;
    GetRestMatrices(meshes[m], toRest, fromRest);
    for (MVertex* vertex : meshes[m].mesh->GetVertexList()) {
      if ((vertex->flags & kVertexHidden) != 0) continue;
      const bool red = BodyVertexHasColourKind(vertex, kBodyRed);
      const bool magenta = BodyVertexHasColourKind(vertex, kBodyMagenta);
      const bool green = BodyVertexHasColourKind(vertex, kBodyGreen);
      if ((red || magenta || green) && BodyVertexHasPickableLine(vertex)) continue;
      if (BodyVertexHasColourKind(vertex, kBodyBlue) || BodyVertexHasColourKind(vertex, kBodyCyan) ||
          BodyVertexHasColourKind(vertex, kBodyYellow))
        continue;
      const SkinRecord* record = GetSkinRecordOfVertex(vertex);
      if (record == nullptr) {
        ++skipped;
        continue;
      }
      const int vertexClass = red ? 1 : magenta ? 2 : green ? 3 : 0;
      PointRecord rest;
      GetRestPosition(rest, vertex);
      SampleVertexFit(*record, vertexClass, TransformPoint(toRest, vertex->position), rest, v);
      if (Failed()) break;
    }
  }
  return skipped;
}

void MBoneObj::ApplyFitToPoint(const SkinRecord& record, int vertexClass, PointRecord& point,
                               const PointRecord& view) {
  if (record.count <= 0) return;
  PointRecord s;
  GetSkeletonPoint(record, 0, s);
  const PointRecord d = Sub(point, s);
  const PointRecord along = Mul(view, Dot(d, view));
  const PointRecord across = Sub(d, along);
  PointRecord result{0, 0, 0};
  for (int i = 0; i < record.count && i < 4; ++i) {
    if (record.bones[i] < 0 || record.bones[i] >= bones->count) continue;
    const BoneRecord& bone = (*bones)[record.bones[i]];
    int zone;
    double x, side, depth;
    ClassifyAgainstBone(bone, record.params[i], point, s, view, zone, x);
    GetFitRatios(bone, vertexClass, zone, x, side, depth);
    result = Add(result, Mul(Add(s, Add(Mul(across, side), Mul(along, depth))), record.weights[i]));
  }
  point = result;
}

namespace {

// Moves every bound vertex that has a rest state of its own to the point
// `reshape` makes of its rest position (rest space), or leaves it where it
// is when `reshape` answers false. Answers how many bound vertices had no
// rest state and stayed.
template <class F>
int ReshapeBoundVertices(MBoneObj& figure, F&& reshape) {
  BoundMeshArray meshes;
  if (!figure.CollectBoundMeshes(meshes)) return 0;
  int skipped = 0;
  for (int m = 0; m < meshes.count && !Failed(); ++m) {
    MMeshObj* mesh = meshes[m].mesh;
    if (mesh->IsBoneObject()) continue;
    mesh->SaveEditState();
    if (Failed()) break;
    MatrixRecord toRest, fromRest;
    figure.GetRestMatrices(meshes[m], toRest, fromRest);
    for (MVertex* vertex : mesh->GetVertexList()) {
      const SkinRecord* record = figure.GetSkinRecordOfVertex(vertex);
      if (record == nullptr) {
        ++skipped;  // vertices added since the rest state was taken
        continue;
      }
      PointRecord rest;
      figure.GetRestPosition(rest, vertex);
      if (!reshape(vertex, *record, rest)) continue;
      if (!MoveSavedVertex(vertex, TransformPoint(fromRest, rest))) break;
    }
    mesh->MarkChanged();
  }
  return skipped;
}

}  // namespace

int MBoneObj::ApplyFitSamples(QView* view, MDocObj*) {
  if (!HasBones(*this)) return 0;
  const PointRecord v = GetViewDirectionInFrame(view);
  return ReshapeBoundVertices(*this, [&](MVertex* vertex, const SkinRecord& record, PointRecord& rest) {
    if (BodyVertexHasColourKind(vertex, kBodyBlue)) return false;
    int vertexClass = 0;
    if (BodyVertexHasColourKind(vertex, kBodyRed)) vertexClass = 1;
    else if (BodyVertexHasColourKind(vertex, kBodyMagenta) || BodyVertexHasColourKind(vertex, kBodyCyan))
      vertexClass = 2;
    else if (BodyVertexHasColourKind(vertex, kBodyGreen) || BodyVertexHasColourKind(vertex, kBodyYellow))
      vertexClass = 3;
    ApplyFitToPoint(record, vertexClass, rest, v);
    return true;
  });
}

bool MBoneObj::AllocateFitSamples() {
  if (bones == nullptr) return true;
  for (int i = 0; i < bones->count; ++i)
    for (void*& work : (*bones)[i].bindWork) work = nullptr;
  for (int i = 0; i < bones->count; ++i) {
    for (int c = 0; c < kFitClasses; ++c) {
      (*bones)[i].bindWork[c] = NewSampleSet();
      if ((*bones)[i].bindWork[c] == nullptr) {
        ReleaseFitSamples();
        EngRecordFailure(kEngReasonOutOfMemory);
        return false;
      }
    }
  }
  return true;
}

void MBoneObj::ReleaseFitSamples() {
  if (bones != nullptr) FreeSampleSets(*bones);
}

int MBoneObj::BindBody(QView* view, MDocObj* scene) {
  if (!HasBones(*this)) return 0;
  if (!RigFitsBody()) {
    int boneCount = 0, boundCount = 0;
    CountRigElements(boneCount, boundCount);
    return boundCount;
  }
  SaveEditState();  // the rest state below is the figure's to undo
  if (Failed() || !AllocateFitSamples()) return 0;
  NumberBodyVertices(scene);
  int skipped = GatherFitSamples(view, scene);
  if (!Failed()) skipped = ApplyFitSamples(view, scene);
  if (!Failed()) CaptureRestState(scene, false);
  ReleaseFitSamples();
  return skipped;
}

void MBoneObj::ScaleAboutSkeleton(const SkinRecord& record, double factor, PointRecord& point) {
  if (record.count <= 0) return;
  PointRecord s;
  GetSkeletonPoint(record, 0, s);
  point = Add(s, Mul(Sub(point, s), factor));
}

double MBoneObj::GetInflateWeight(const SkinRecord& record) {
  if (record.count <= 0) return 1.0;
  auto bone = [&](int i) -> const BoneRecord* {
    return bones != nullptr && record.bones[i] >= 0 && record.bones[i] < bones->count ? &(*bones)[record.bones[i]]
                                                                                       : nullptr;
  };
  if (record.count == 2) {
    const BoneRecord* a = bone(0);
    const BoneRecord* b = bone(1);
    if (a != nullptr && b != nullptr && !a->line->HasEnd(b->line->end0) && !a->line->HasEnd(b->line->end1))
      return 0.0;  // between two bones that do not meet: left as it is
  }
  for (int i = 0; i < record.count && i < 4; ++i) {
    const BoneRecord* b = bone(i);
    if (b == nullptr) continue;
    MLine* line = b->line;
    MLine* next = line->GetNextAround(line->end0);
    if (BodyLineHasColourKind(line, kBodyRed) || BodyVertexHasColourKind(line->end0, kBodyRed) ||
        BodyVertexHasColourKind(line->end1, kBodyRed) || next->end0 == line->end0)
      return 1.0 - record.weights[i];
  }
  return 1.0;
}

int MBoneObj::InflateBody(QView*, MDocObj*, double factor) {
  if (!HasBones(*this)) return 0;
  // Inflation reads the vertices' numbers as they stand.
  return ReshapeBoundVertices(*this, [&](MVertex*, const SkinRecord& record, PointRecord& rest) {
    ScaleAboutSkeleton(record, 1 + (factor - 1) * GetInflateWeight(record), rest);
    return true;
  });
}

}  // namespace engine
