#pragma once
// MPose: a figure's pose held apart from the figure: the signature of the
// skeleton it fits, one record per bone (its rest segment and its rotation
// as three compose angles) and the pose additions. Poses are captured from
// figures and applied back (MBoneObj), kept in animation keys and pose
// files, and blended between keys.
#include "engine/core/EngArrays.h"
#include "engine/figure/MAddPose.h"

namespace engine {

class QFile;

// The skeleton signature: 0 bone count; 1 to 10 the joints by number of
// lines (10: ten or more); 11 to 15 the first five bones whose start joint
// is a root, 0 where there are fewer.
struct PoseHeader {
  int values[16];
};
bool PoseHeaderEqual(const PoseHeader& a, const PoseHeader& b);

// One bone: rest start and end, and the angles (Y, X, Z) of its rotation in
// the convention of MUtilComposeMatrix.
struct PoseBoneRecord {
  PointRecord start;
  PointRecord end;
  double angles[3];
};
using PoseBoneArray = EngArray<PoseBoneRecord>;

class MPose {
 public:
  static constexpr int kVersion = 3;

  MPose();
  virtual ~MPose() = default;
  MPose(const MPose&) = delete;
  MPose& operator=(const MPose&) = delete;

  // Frees the bones and resets the additions fully; the header stays.
  virtual void Clear();
  virtual PoseHeader& GetHeader() { return header; }
  virtual PoseBoneArray& GetBoneRecords() { return bones; }
  virtual MAddPose& GetAddPose() { return addPose; }
  // Out of memory is recorded and ends the copy.
  virtual void CopyFrom(const MPose& source);
  // Every bone double 0, the additions' entries, ratios and offset cleared
  // (partial reset) and the accumulated weight 0.
  virtual void SetZero();
  // Turns bone A towards bone B by the fraction t: the swing between their
  // directions and the twist about the bone, each by t; the angles go to
  // `out` (which may be A) and A's points are blended linearly.
  static void Interpolate(PoseBoneRecord& a, const PoseBoneRecord& b, double t, PoseBoneRecord& out);
  // Adds pose P with weight w to a blend whose weights so far sum to
  // `accumulated`.
  virtual void AddWeighted(const MPose& pose, double weight, double accumulated);
  // The record; with `size` given only its size is stored. `pair` replaces
  // the skeleton kind and flag word written into the additions.
  virtual void WriteTo(QFile* file, int* size, int recordSize, const int* pair);
  // Reads a record (version 1 or 3); answers the stored record size (0 for
  // version 1). Damaged input is a load failure; out of memory throws -108.
  virtual int ReadFrom(QFile& file);
  virtual void ScaleAddPose(double factor) { addPose.ScaleBy(factor); }
  // Every bone the source's bone flag table leaves unflagged takes the
  // source's record; nothing without a skeleton kind or for other counts.
  virtual void CopyUnflaggedBones(const MPose& source);
  // Each entry whose match in A and in B has the same vector takes A's
  // vector exactly.
  void KeepUnchangedAddValues(const MPose& a, const MPose& b);

  int BoneCount() const { return bones.count; }

  PoseHeader header{};
  PoseBoneArray bones;
  MAddPose addPose;
};

// MPose::ReadFrom on the pose; 0.
int BonePoseRead(QFile& file, MPose& pose);

// Hands a pose to the engine clipboard's pose slot, which owns it from then
// on (the previous one is deleted); null empties the slot.
void SetClipboardPose(MPose* pose);
// The clipboard's pose, or null.
MPose* GetClipboardPose();

}  // namespace engine
