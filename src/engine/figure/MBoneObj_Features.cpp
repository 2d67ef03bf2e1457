// The figure's feature points: the coded reference points read from a
// feature-point list (their coordinates filled in by the caller), walking
// and picking them, placing the landmark joints on them and scaling the
// figure to their height.
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/figure/FigureInternal.h"
#include "engine/figure/MBoneObj.h"

namespace engine {

using namespace figure_detail;

bool MBoneObj::ReadFeaturePoints(QFile& file, std::string* why) {
  const int set = GetFeatureSetIndex();
  struct Entry {
    int code;
    int a;
    int b;
  };
  Entry entries[kFeaturePointLimit];
  const int room = kFeaturePointLimit - featureCount[set];
  int n = 0;
  std::int64_t offset = 0;
  for (;;) {
    std::string line;
    offset = file.ReadTextLine(offset, line);
    // An empty first line ends the list; with bare line feeds the reader
    // skips empty lines, so only the end of the file does.
    if (line.empty()) break;
    const int code = std::atoi(line.c_str());
    offset = file.ReadTextLine(offset, line);
    const int a = std::atoi(line.c_str());
    offset = file.ReadTextLine(offset, line);
    const int b = std::atoi(line.c_str());
    if (code < 0 || code >= kFeaturePointLimit)
      return Refuse(why, "feature point " + std::to_string(n + 1) + " has the code " + std::to_string(code) +
                             ", outside 0 to " + std::to_string(kFeaturePointLimit - 1));
    if (n >= room)
      return Refuse(why, "the list holds more feature points than the " + std::to_string(kFeaturePointLimit) +
                             " a figure keeps");
    entries[n++] = {code, a, b};
  }
  for (int i = 0; i < n; ++i) {
    const int k = featureCount[set]++;
    featureCodes[set][k] = entries[i].code;
    featureCodeMap[set][entries[i].code] = k;
    featureValues[set][k][0] = static_cast<short>(entries[i].b);
    featureValues[set][k][1] = static_cast<short>(entries[i].a);
  }
  return true;
}

void MBoneObj::GetFeatureSet(int* count, int* current, unsigned char* active, int** codes, short (**values)[2],
                             PointRecord** points) {
  const int set = GetFeatureSetIndex();
  if (count != nullptr) *count = featureCount[set];
  if (current != nullptr) *current = featureCurrent[set];
  if (active != nullptr) *active = featureActive[set];
  if (codes != nullptr) *codes = featureCodes[set];
  if (values != nullptr) *values = featureValues[set];
  if (points != nullptr) *points = featurePoints[set];
}

void MBoneObj::NextFeaturePoint() {
  const int set = GetFeatureSetIndex();
  if (featureCount[set] <= 0) return;  // no point to stand on
  if (++featureCurrent[set] >= featureCount[set]) {
    featureActive[set] = 0;
    featureCurrent[set] = featureCount[set] - 1;
  }
}

void MBoneObj::PickFeaturePoint(const PointRecord& point) {
  const int set = GetFeatureSetIndex();
  featureCurrent[set] = 0;
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < featureCount[set]; ++i) {
    const double d = MUtilDistance(featurePoints[set][i], point);
    if (d < best) {
      best = d;
      featureCurrent[set] = i;
    }
  }
}

bool MBoneObj::HasFeatureCode(int code) const {
  const int set = GetFeatureSetIndex();
  if (code < 0 || code >= kFeaturePointLimit) return false;
  // The map holds zeros until a reset: a code counts only when the point
  // it names carries it.
  const int n = featureCodeMap[set][code];
  return n >= 0 && n < featureCount[set] && featureCodes[set][n] == code;
}

PointRecord MBoneObj::GetFeaturePoint(int code) const {
  const int set = GetFeatureSetIndex();
  return HasFeatureCode(code) ? featurePoints[set][featureCodeMap[set][code]] : PointRecord{0, 0, 0};
}

bool MBoneObj::ScaleToFeatureHeight(MDocObj*, std::string* why) {
  if (!FindLandmarks(false, why)) return false;
  for (int code : {1, 35, 36})
    if (!HasFeatureCode(code)) return Refuse(why, "the feature point " + std::to_string(code) + " is missing");
  MGroupObj* parent = GetParent();
  if (parent == nullptr) return Refuse(why, "the figure is in no group to scale");
  const PointRecord feet = Mul(Add(landmarks[16]->position, landmarks[20]->position), 0.5);
  const double figureHeight = MUtilDistance(landmarks[0]->position, feet);
  const PointRecord pointFeet = Mul(Add(GetFeaturePoint(35), GetFeaturePoint(36)), 0.5);
  const double pointHeight = MUtilDistance(GetFeaturePoint(1), pointFeet);
  if (figureHeight < 1e-12 || pointHeight < 1e-12) return Refuse(why, "a height to match is zero");
  const double r = pointHeight / figureHeight;

  // The points keep their world places while the group grows or shrinks;
  // the figure's step keeps them for the undo, which gives the group its
  // old size back.
  SaveFeaturePointsUndo();
  if (Failed()) return false;
  const MatrixRecord world = WorldMatrixOf(this);
  for (int s = 0; s < 2; ++s)
    for (int i = 0; i < featureCount[s]; ++i) featurePoints[s][i] = TransformPoint(world, featurePoints[s][i]);
  parent->SaveUndo();
  MatrixRecord m, scaled;
  parent->GetMatrix(m);
  MUtilScale(m, r, r, r, scaled);  // the scale acts first, in the group's own frame
  parent->SetMatrix(scaled);
  parent->MarkChanged();
  const MatrixRecord back = Inverse(WorldMatrixOf(this));
  for (int s = 0; s < 2; ++s)
    for (int i = 0; i < featureCount[s]; ++i) featurePoints[s][i] = TransformPoint(back, featurePoints[s][i]);
  return true;
}

MVertex* MBoneObj::SetJointXY(MVertex* joint, const PointRecord& point) {
  SaveEditState();
  if (Failed()) return joint;
  MoveSavedVertex(joint, {point.x, point.y, joint->position.z});
  return joint;
}

bool MBoneObj::PlaceJointsOnFeatures(std::string* why) {
  if (!FindLandmarks(false, why)) return false;
  // Every code the placement reads, checked before any joint moves.
  int missing = -1;
  auto need = [&](int code) {
    if (HasFeatureCode(code)) return true;
    missing = code;
    return false;
  };
  auto pairOr = [&](int a, int b, int substitute) {
    return (HasFeatureCode(a) && HasFeatureCode(b)) || need(substitute);
  };
  const bool complete = need(1) && need(9) && need(10) && pairOr(12, 13, 80) && need(20) && need(21) &&
                        pairOr(16, 17, 82) && need(11) && pairOr(14, 15, 81) && need(22) && need(23) &&
                        pairOr(18, 19, 83) && need(35) && pairOr(31, 32, 86) && need(24) && need(26) &&
                        pairOr(27, 28, 84) && need(36) && pairOr(33, 34, 87) && need(25) && pairOr(29, 30, 85);
  if (!complete) return Refuse(why, "the feature point " + std::to_string(missing) + " is missing");

  auto p = [&](int code) { return GetFeaturePoint(code); };
  auto blend = [&](int a, double wa, int b, double wb) { return Add(Mul(p(a), wa), Mul(p(b), wb)); };
  auto pairPoint = [&](int a, int b, int substitute) {
    return HasFeatureCode(a) && HasFeatureCode(b) ? blend(a, 0.5, b, 0.5) : p(substitute);
  };
  // An ankle: between the middle of its direction pair and where the
  // line across that direction meets the line from the foot along it.
  auto ankle = [&](const PointRecord& foot, int a, int b, int substitute, const PointRecord& fallback) {
    PointRecord m, d;
    if (HasFeatureCode(a) && HasFeatureCode(b)) {
      m = blend(a, 0.5, b, 0.5);
      d = Sub(p(b), p(a));
    } else {
      m = p(substitute);
      d = fallback;
    }
    m.z = d.z = 0;
    const PointRecord f{foot.x, foot.y, 0};
    PointRecord x = f;
    if (Dot(d, d) > 1e-24) {
      d = Mul(d, 1.0 / std::sqrt(Dot(d, d)));
      if (MUtilClosestPointOnLine(f, Add(f, d), {-d.y, d.x, 0}, m, x) < 0) x = f;
    }
    return Add(Mul(m, 0.4), Mul(x, 0.6));
  };
  auto place = [&](int landmark, const PointRecord& target) {
    SetJointXY(landmarks[landmark], target);
    return !Failed();
  };
  auto at = [&](int landmark) { return landmarks[landmark]->position; };
  if (!place(0, blend(1, 0.75, 9, 0.25)) || !place(1, blend(1, 0.02, 9, 0.98)) || !place(5, p(10)) ||
      !place(6, pairPoint(12, 13, 80)) || !place(8, blend(20, 0.7, 21, 0.3)) || !place(7, pairPoint(16, 17, 82)) ||
      !place(9, p(11)) || !place(10, pairPoint(14, 15, 81)) || !place(12, blend(22, 0.7, 23, 0.3)) ||
      !place(11, pairPoint(18, 19, 83)) || !place(16, p(35)) || !place(15, ankle(p(35), 31, 32, 86, {1, 0, 0})) ||
      !place(13, blend(24, 0.6, 26, 0.4)) || !place(14, pairPoint(27, 28, 84)) || !place(20, p(36)) ||
      !place(19, ankle(p(36), 33, 34, 87, {-1, 0, 0})) || !place(17, blend(25, 0.6, 26, 0.4)) ||
      !place(18, pairPoint(29, 30, 85)))
    return false;
  const PointRecord hands = Sub(at(8), at(12));
  if (!place(2, Add(Mul(Add(at(8), at(12)), 0.5), Mul({hands.y, -hands.x, 0}, 0.05)))) return false;
  const PointRecord hips = Sub(at(13), at(17));
  if (!place(4, Add(Mul(Add(at(13), at(17)), 0.5), Mul({-hips.y, hips.x, 0}, 0.6)))) return false;
  return place(3, Add(Mul(at(2), 0.4), Mul(at(4), 0.6)));
}

void MBoneObj::CollectJointsBeyondDepth(const PtrArray& vertices, MMeshObj* mesh, const MatrixRecord& m,
                                        PtrArray& out) {
  double deepest = -std::numeric_limits<double>::infinity();
  for (int i = 0; i < vertices.count; ++i)
    deepest = std::max(deepest, TransformPoint(m, static_cast<MVertex*>(vertices[i])->position).z);
  for (MVertex* v : mesh->GetVertexList()) {
    if (TransformPoint(m, v->position).z <= deepest) continue;
    if (!out.Add(v)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

int MBoneObj::ClassifySide(double a, double b, double c, double d, double e, double f) {
  if (a < 0) return (b - c) * d - a * (f - c) > 0 ? 1 : 0;
  return (b - c) * e - a * (f - c) > 0 ? 3 : 2;
}

void MBoneObj::GetProjectedExtents(const PtrArray& vertices, int, const MatrixRecord& m, const PointRecord& origin,
                                   const PointRecord& axis, double out[4]) {
  const PointRecord across = Unit({axis.y, -axis.x, 0});
  out[0] = out[1] = out[2] = out[3] = 0;
  for (int i = 0; i < vertices.count; ++i) {
    const PointRecord w = Sub(TransformPoint(m, static_cast<MVertex*>(vertices[i])->position), origin);
    const double along = Dot(w, axis), side = Dot(w, across);
    if (i == 0) {
      out[0] = out[3] = along;
      out[1] = out[2] = side;
      continue;
    }
    out[0] = std::max(out[0], along);
    out[1] = std::min(out[1], side);
    out[2] = std::max(out[2], side);
    out[3] = std::min(out[3], along);
  }
}

}  // namespace engine
