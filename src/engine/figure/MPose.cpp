#include "engine/figure/FigureInternal.h"
#include "engine/figure/MPose.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"

namespace engine {

using namespace figure_detail;

namespace {

PointRecord Lerp(const PointRecord& a, const PointRecord& b, double t) {
  return {(1 - t) * a.x + t * b.x, (1 - t) * a.y + t * b.y, (1 - t) * a.z + t * b.z};
}
const PointRecord kOrigin{0, 0, 0};
const PointRecord kUnitScale{1, 1, 1};


MatrixRecord FromAngles(const double angles[3]) {
  MatrixRecord m;
  MUtilComposeMatrix(angles[0], angles[1], angles[2], kUnitScale, kOrigin, nullptr, m);
  return m;
}

}  // namespace

bool PoseHeaderEqual(const PoseHeader& a, const PoseHeader& b) {
  for (int i = 0; i < 16; ++i)
    if (a.values[i] != b.values[i]) return false;
  return true;
}

MPose::MPose() : bones(5) { Clear(); }

void MPose::Clear() {
  bones.RemoveAll();
  bones.capacity = bones.initialCapacity = 5;
  addPose.Reset(true);
}

void MPose::CopyFrom(const MPose& source) {
  if (&source == this) return;
  header = source.header;
  bones.RemoveAll();
  for (int i = 0; i < source.bones.count; ++i) {
    if (!bones.Add(source.bones[i])) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  addPose.CopyFrom(source.addPose);
}

void MPose::SetZero() {
  for (int i = 0; i < bones.count; ++i) bones[i] = PoseBoneRecord{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  addPose.Reset(false);
  addPose.accumulatedWeight = 0.0;
}

void MPose::Interpolate(PoseBoneRecord& a, const PoseBoneRecord& b, double t, PoseBoneRecord& out) {
  const MatrixRecord ma = FromAngles(a.angles);
  const MatrixRecord mb = FromAngles(b.angles);
  PointRecord d = Sub(a.end, a.start);
  OsUtilNormalize(d);
  PointRecord va, vb;
  MUtilTransformVector(ma, d, va);
  MUtilTransformVector(mb, d, vb);
  PointRecord n;
  OsUtilCrossProduct(vb, va, n);
  const double th = std::acos(MUtilCosAngle(vb, kOrigin, va));
  // Opposite directions have no cross product: the swing is half a turn
  // about any axis across them (not about z, which may lie along them).
  if (Dot(n, n) <= 1e-16 && th > M_PI / 2)
    OsUtilCrossProduct(va, std::fabs(va.x) < 0.9 ? PointRecord{1, 0, 0} : PointRecord{0, 1, 0}, n);
  double angles[3];
  if (MUtilIsNaN(-th * t)) {
    for (int k = 0; k < 3; ++k) angles[k] = (1 - t) * a.angles[k] + t * b.angles[k];
  } else {
    const MatrixRecord s = RotationAbout(n, -th);
    const MatrixRecord st = RotationAbout(n, -th * t);
    PointRecord at;
    MUtilTransformVector(st, va, at);
    PointRecord e;
    OsUtilCrossProduct(d, std::fabs(d.x) > 0.9 ? PointRecord{0, 1, 0} : PointRecord{1, 0, 0}, e);
    OsUtilNormalize(e);
    PointRecord p, q, tmp;
    MUtilTransformVector(ma, e, tmp);
    MUtilTransformVector(s, tmp, p);
    MUtilTransformVector(mb, e, q);
    double ph = std::acos(MUtilCosAngle(q, kOrigin, p));
    if (MUtilIsNaN(ph)) {
      ph = 0;
    } else {
      PointRecord qp;
      OsUtilCrossProduct(q, p, qp);
      if (Dot(qp, vb) > 0) ph = -ph;
    }
    const MatrixRecord twist = RotationAbout(at, t * ph);
    MatrixRecord m1, m;
    MUtilMultiply(st, ma, m1);   // MA, then St
    MUtilMultiply(twist, m1, m); // then T
    PointRecord scale, translation;
    MUtilDecomposeMatrix(m, angles[0], angles[1], angles[2], scale, translation);
  }
  a.start = Lerp(a.start, b.start, t);
  a.end = Lerp(a.end, b.end, t);
  for (int k = 0; k < 3; ++k) out.angles[k] = angles[k];
}

void MPose::AddWeighted(const MPose& pose, double weight, double accumulated) {
  if (bones.count != pose.bones.count) {
    CopyFrom(pose);
    if (EngContext().failState == kEngFailFailed) return;
    SetZero();
  }
  for (int i = 0; i < pose.bones.count; ++i) {
    if (accumulated < 1e-8)
      bones[i] = pose.bones[i];
    else
      Interpolate(bones[i], pose.bones[i], weight / (accumulated + weight), bones[i]);
  }
  const MAddPose& p = pose.addPose;
  addPose.reservedWord = p.reservedWord;
  addPose.offsetVertex = p.offsetVertex;
  addPose.flags |= p.flags;
  addPose.offsetVector.x += weight * p.offsetVector.x;
  addPose.offsetVector.y += weight * p.offsetVector.y;
  addPose.offsetVector.z += weight * p.offsetVector.z;
  for (int i = 0; i < p.entryKeys.count; ++i) {
    const int j = addPose.FindEntry(p.entryKeys[i], p.entryVertices[i]);
    const PointRecord& v = p.entryVectors[i];
    if (j >= 0) {
      PointRecord& mine = addPose.entryVectors[j];
      mine = {mine.x + weight * v.x, mine.y + weight * v.y, mine.z + weight * v.z};
      addPose.entryWeights[j] += weight * p.entryWeights[i];
      continue;
    }
    const int n = addPose.GetEntryCount();
    if (!addPose.entryKeys.Add(p.entryKeys[i]) || !addPose.entryVertices.Add(p.entryVertices[i]) ||
        !addPose.entryVectors.Add({weight * v.x, weight * v.y, weight * v.z}) ||
        !addPose.entryWeights.Add(weight * p.entryWeights[i])) {
      addPose.entryKeys.count = addPose.entryVertices.count = n;
      if (addPose.entryVectors.count > n) addPose.entryVectors.count = n;
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  if (p.ratios.count > 0 && p.IsEnabled()) {
    for (int i = 0; i < p.ratios.count; ++i) {
      const double v = weight * p.ratios[i];
      if (i < addPose.ratios.count) {
        addPose.ratios[i] += v;
      } else if (!addPose.ratios.Add(v + addPose.accumulatedWeight)) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return;
      }
    }
  } else {
    for (int i = 0; i < addPose.ratios.count; ++i) addPose.ratios[i] += weight;
  }
  addPose.accumulatedWeight += weight;
}

void MPose::CopyUnflaggedBones(const MPose& source) {
  if (source.addPose.skeletonKind < 0 || source.bones.count != bones.count || bones.count == 0) return;
  for (int i = 0; i < bones.count; ++i)
    if (!source.addPose.IsBoneFlagged(i)) bones[i] = source.bones[i];
}

void MPose::KeepUnchangedAddValues(const MPose& a, const MPose& b) {
  for (int i = 0; i < addPose.entryKeys.count; ++i) {
    const int ia = a.addPose.FindEntry(addPose.entryKeys[i], addPose.entryVertices[i]);
    const int ib = b.addPose.FindEntry(addPose.entryKeys[i], addPose.entryVertices[i]);
    if (ia < 0 || ib < 0) continue;
    const PointRecord& va = a.addPose.entryVectors[ia];
    const PointRecord& vb = b.addPose.entryVectors[ib];
    if (std::fabs(va.x - vb.x) <= 1e-8 && std::fabs(va.y - vb.y) <= 1e-8 && std::fabs(va.z - vb.z) <= 1e-8)
      addPose.entryVectors[i] = va;
  }
}

void MPose::WriteTo(QFile* file, int* size, int recordSize, const int* pair) {
  ENG_FATAL_IF(header.values[0] != bones.count);
  int additionSize = 0;
  addPose.WriteTo(nullptr, &additionSize, 0, pair);
  if (size != nullptr) {
    *size = 92 + 72 * bones.count + additionSize;
    return;
  }
  file->WriteInt(kVersion);
  file->WriteInt(3);
  file->WriteInt(recordSize);
  for (int v : header.values) file->WriteInt(v);
  for (int i = 0; i < bones.count; ++i) {
    file->WritePoint(bones[i].start);
    file->WritePoint(bones[i].end);
  }
  for (int k = 0; k < 3; ++k) file->WriteInt(0);
  for (int i = 0; i < bones.count; ++i)
    for (double angle : bones[i].angles) file->WriteDouble(angle);
  file->WriteInt(additionSize);
  addPose.WriteTo(file, nullptr, additionSize, pair);
}

int MPose::ReadFrom(QFile& file) {
  static const char* const kWhat = "pose";
  Clear();
  std::int32_t version = 0, second = 0, recordSize = 0;
  file.ReadInt(version);
  file.ReadInt(second);
  if (version != 1) file.ReadInt(recordSize);
  for (int& v : header.values) {
    std::int32_t value = 0;
    file.ReadInt(value);
    v = value;
  }
  if (!EngCheckNotTruncated(file, kWhat)) return recordSize;
  const int count = header.values[0];
  // 48 bytes of rest segment and 24 of angles per bone.
  if (count < 0 || count > (file.BytesLeft() - 12) / 72) {
    EngRecordLoadFailure(std::string(kWhat) + ": the bone count reaches beyond the file");
    return recordSize;
  }
  for (int i = 0; i < count; ++i) {
    PoseBoneRecord bone{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    file.ReadPoint(bone.start);
    file.ReadPoint(bone.end);
    if (!bones.Add(bone)) throw kEngFileErrorOutOfMemory;
  }
  for (int k = 0; k < 3; ++k) {
    std::int32_t reserved = 0;
    file.ReadInt(reserved);
  }
  for (int i = 0; i < count; ++i)
    for (double& angle : bones[i].angles) file.ReadDouble(angle);
  if (!EngCheckNotTruncated(file, kWhat) || version == 1) return version == 1 ? 0 : recordSize;
  std::int32_t additionSize = 0;
  file.ReadInt(additionSize);
  if (!EngCheckNotTruncated(file, kWhat)) return recordSize;
  if (additionSize == 0) return recordSize;
  if (additionSize < 0 || additionSize > file.BytesLeft()) {
    EngRecordLoadFailure(std::string(kWhat) + ": the addition size reaches beyond the file");
    return recordSize;
  }
  const std::int64_t before = file.ReadPosition();
  const int leading = addPose.ReadFrom(file);
  if (EngContext().failState == kEngFailFailed) return recordSize;
  // What the addition size announces beyond the record it read is skipped;
  // never a negative amount.
  const std::int64_t read = file.ReadPosition() - before;
  const std::int64_t rest = static_cast<std::int64_t>(additionSize) - std::max<std::int64_t>(leading, read);
  if (rest > 0) EngSkipRecordBytes(file, rest, kWhat);
  return recordSize;
}

namespace {

void DeletePose(MPose* pose) { delete pose; }

}  // namespace

void SetClipboardPose(MPose* pose) { EngGlobalM().ownedObject.Reset(pose, pose != nullptr ? DeletePose : nullptr); }

MPose* GetClipboardPose() { return EngGlobalM().ownedObject.Get(); }

int BonePoseRead(QFile& file, MPose& pose) {
  pose.ReadFrom(file);
  return 0;
}

}  // namespace engine
