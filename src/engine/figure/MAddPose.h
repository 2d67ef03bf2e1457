#pragma once
// MAddPose: what a pose adds to the bone rotations: where the figure stands
// (an offset), pins that hold joints while other bones move, and one length
// ratio per bone. Every MPose embeds one, and so does every figure (its own
// additions, captured into poses and restored from them).
//
// Entries are pins, one position in four parallel lists. The key says the
// kind:
//   200000 + j      pair pin of joint j with the reference joint
//   0 .. 199999     bone pin: bone of that index held relative to the reference joint
//   negative        world pin of the reference joint
// Joint indices count the figure's vertices in list order.
#include <cstdint>

#include "engine/core/EngArrays.h"

namespace engine {

class QFile;

class MAddPose {
 public:
  static constexpr int kPairKeyBase = 200000;
  static constexpr int kEntrySize = 40;

  // All lists empty with capacity 5; owners reset it fully right after.
  MAddPose();
  virtual ~MAddPose() = default;
  MAddPose(const MAddPose&) = delete;
  MAddPose& operator=(const MAddPose&) = delete;

  // Full: reserved word 1, flags 0, no offset joint, skeleton kind and
  // extra index -1. Always: offset (0, 0, 0) and the five lists emptied.
  // The accumulated weight is kept.
  virtual void Reset(bool full);
  // A full reset, then the source's values, entries and ratios. The extra
  // index stays -1 and the accumulated weight is kept. Out of memory is
  // recorded and ends the copy.
  virtual void CopyFrom(const MAddPose& source);
  virtual void GetOffset(int* flagWord, int* vertex, PointRecord* vector) const;
  virtual void SetOffset(int flagWord, int vertex, const PointRecord& vector);
  virtual void SetEnabled(bool enabled);
  virtual bool IsEnabled() const { return (flags & 1) != 0; }
  // Fills `out` (emptied first) when given; answers the own list.
  virtual DoubleArray& GetRatioList(DoubleArray* out);
  virtual void SetRatioList(const DoubleArray& values);
  virtual void ClearRatioList() { ratios.RemoveAll(); }
  // n values of 1.0 unless the count is n already.
  virtual void ResizeRatioList(int n);
  // 0 added; 1 when a non-negative key exists already or memory ran out.
  virtual int AddEntry(int firstJoint, int bone, int vertex);
  virtual void RemoveEntry(int index);
  virtual int GetEntryCount() const { return entryKeys.count; }
  virtual void GetEntry(int index, int* firstJoint, int* bone, int* vertex, PointRecord* vector,
                        double* weight) const;
  virtual void SetEntry(int index, int firstJoint, int bone, int vertex, const PointRecord& vector, double weight);
  // The record; with `size` given only its size is stored there. `pair`
  // (skeleton kind, flag word) replaces the two stored values when given.
  virtual void WriteTo(QFile* file, int* size, int leading, const int* pair) const;
  // Appends the record's entries and ratios to the lists as they are (the
  // caller resets first); answers the leading int. Damaged sizes are a
  // load failure; out of memory throws the engine file error -108.
  virtual int ReadFrom(QFile& file);
  virtual void ScaleBy(double factor);
  virtual void SetExtraIndex(int value) { extraIndex = value; }
  virtual int GetExtraIndex() const { return extraIndex; }

  static int GetEntrySize() { return kEntrySize; }
  // Whether the engine's bone flag table flags bone i for this skeleton
  // kind; false without a kind and outside the table.
  bool IsBoneFlagged(int bone) const;
  // The index of the entry with this key and reference joint, or -1.
  int FindEntry(int key, int vertex) const;
  static int KeyOf(int firstJoint, int bone) { return firstJoint >= 0 ? kPairKeyBase + firstJoint : bone; }

  double accumulatedWeight = 0.0;
  int reservedWord = 1;
  int flags = 0;
  int offsetVertex = -1;
  PointRecord offsetVector{0, 0, 0};
  EngArray<int> entryKeys;
  EngArray<int> entryVertices;
  PointArray entryVectors;
  DoubleArray entryWeights;
  DoubleArray ratios;
  int skeletonKind = -1;
  int extraIndex = -1;

 private:
  // Appends one whole entry to the four lists; false when memory ran out
  // (the lists stay of equal length).
  bool AppendEntry(int key, int vertex, const PointRecord& vector, double weight);
  void ReadEntries(QFile& file, int count);
};

// The engine file error that readers throw when memory runs out.
constexpr int kEngFileErrorOutOfMemory = -108;

}  // namespace engine
