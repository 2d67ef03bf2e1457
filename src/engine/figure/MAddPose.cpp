#include "engine/figure/MAddPose.h"

#include <string>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"

namespace engine {

namespace {

constexpr int kInitialCapacity = 5;

template <class A>
void Empty(A& array) {
  array.RemoveAll();
  array.capacity = kInitialCapacity;
  array.initialCapacity = kInitialCapacity;
}

void RecordOutOfMemory() { EngRecordFailure(kEngReasonOutOfMemory); }

// The fixed part of the record before the first entries, and the block's
// fields after the ratios.
constexpr std::int64_t kHeadSize = 44;

}  // namespace

MAddPose::MAddPose()
    : entryKeys(kInitialCapacity),
      entryVertices(kInitialCapacity),
      entryVectors(kInitialCapacity),
      entryWeights(kInitialCapacity),
      ratios(kInitialCapacity) {}

void MAddPose::Reset(bool full) {
  if (full) {
    reservedWord = 1;
    flags = 0;
    offsetVertex = -1;
    skeletonKind = -1;
    extraIndex = -1;
  }
  offsetVector = {0, 0, 0};
  Empty(entryKeys);
  Empty(entryVertices);
  Empty(entryVectors);
  Empty(entryWeights);
  Empty(ratios);
}

bool MAddPose::AppendEntry(int key, int vertex, const PointRecord& vector, double weight) {
  // Grow all four first, so that a failure leaves them of equal length.
  if (!entryKeys.Add(key)) return false;
  if (!entryVertices.Add(vertex) || !entryVectors.Add(vector) || !entryWeights.Add(weight)) {
    const int n = entryKeys.count - 1;
    entryKeys.count = n;
    if (entryVertices.count > n) entryVertices.count = n;
    if (entryVectors.count > n) entryVectors.count = n;
    return false;
  }
  return true;
}

void MAddPose::CopyFrom(const MAddPose& source) {
  if (&source == this) return;
  Reset(true);
  reservedWord = source.reservedWord;
  flags = source.flags;
  offsetVertex = source.offsetVertex;
  skeletonKind = source.skeletonKind;
  offsetVector = source.offsetVector;
  for (int i = 0; i < source.entryKeys.count; ++i) {
    if (!AppendEntry(source.entryKeys[i], source.entryVertices[i], source.entryVectors[i],
                     source.entryWeights[i])) {
      RecordOutOfMemory();
      return;
    }
  }
  for (int i = 0; i < source.ratios.count; ++i) {
    if (!ratios.Add(source.ratios[i])) {
      RecordOutOfMemory();
      return;
    }
  }
}

void MAddPose::GetOffset(int* flagWord, int* vertex, PointRecord* vector) const {
  if (flagWord != nullptr) *flagWord = flags;
  if (vertex != nullptr) *vertex = offsetVertex;
  if (vector != nullptr) *vector = offsetVector;
}

void MAddPose::SetOffset(int flagWord, int vertex, const PointRecord& vector) {
  flags = flagWord;
  offsetVertex = vertex;
  offsetVector = vector;
}

void MAddPose::SetEnabled(bool enabled) {
  if (enabled)
    flags |= 1;
  else
    flags &= ~1;
}

DoubleArray& MAddPose::GetRatioList(DoubleArray* out) {
  if (out != nullptr && out != &ratios) {
    out->RemoveAll();
    for (int i = 0; i < ratios.count; ++i) {
      if (!out->Add(ratios[i])) {
        RecordOutOfMemory();
        break;
      }
    }
  }
  return ratios;
}

void MAddPose::SetRatioList(const DoubleArray& values) {
  if (&values == &ratios) return;
  Empty(ratios);
  for (int i = 0; i < values.count; ++i) {
    if (!ratios.Add(values[i])) {
      RecordOutOfMemory();
      return;
    }
  }
}

void MAddPose::ResizeRatioList(int n) {
  if (n == ratios.count) return;
  Empty(ratios);
  for (int i = 0; i < n; ++i) {
    if (!ratios.Add(1.0)) {
      RecordOutOfMemory();
      return;
    }
  }
}

int MAddPose::FindEntry(int key, int vertex) const {
  for (int i = 0; i < entryKeys.count; ++i)
    if (entryKeys[i] == key && entryVertices[i] == vertex) return i;
  return -1;
}

int MAddPose::AddEntry(int firstJoint, int bone, int vertex) {
  const int key = KeyOf(firstJoint, bone);
  if (key >= 0) {
    for (int i = 0; i < entryKeys.count; ++i)
      if (entryKeys[i] == key) return 1;
  }
  if (!AppendEntry(key, vertex, {0, 0, 0}, 1.0)) {
    RecordOutOfMemory();
    return 1;
  }
  return 0;
}

void MAddPose::RemoveEntry(int index) {
  ENG_FATAL_IF(index < 0 || index >= entryKeys.count);
  auto shift = [index](auto& array) {
    for (int i = index; i + 1 < array.count; ++i) array[i] = array[i + 1];
    --array.count;
  };
  shift(entryKeys);
  shift(entryVertices);
  shift(entryVectors);
  shift(entryWeights);
}

void MAddPose::GetEntry(int index, int* firstJoint, int* bone, int* vertex, PointRecord* vector,
                        double* weight) const {
  const int key = entryKeys[index];
  if (firstJoint != nullptr) *firstJoint = key >= kPairKeyBase ? key - kPairKeyBase : -1;
  if (bone != nullptr) *bone = key >= kPairKeyBase ? -1 : key;
  if (vertex != nullptr) *vertex = entryVertices[index];
  if (vector != nullptr) *vector = entryVectors[index];
  if (weight != nullptr) *weight = entryWeights[index];
}

void MAddPose::SetEntry(int index, int firstJoint, int bone, int vertex, const PointRecord& vector,
                        double weight) {
  entryKeys[index] = KeyOf(firstJoint, bone);
  entryVertices[index] = vertex;
  entryVectors[index] = vector;
  entryWeights[index] = weight;
}

void MAddPose::WriteTo(QFile* file, int* size, int leading, const int* pair) const {
  int positive = 0, negative = 0;
  for (int i = 0; i < entryKeys.count; ++i) (entryKeys[i] >= 0 ? positive : negative) += 1;
  const int blockSize = 16 + 8 * ratios.count + kEntrySize * negative;
  if (size != nullptr) {
    *size = static_cast<int>(kHeadSize) + kEntrySize * positive + 4 + blockSize;
    return;
  }
  auto writeEntries = [&](bool positiveKeys) {
    for (int i = 0; i < entryKeys.count; ++i) {
      if ((entryKeys[i] >= 0) != positiveKeys) continue;
      file->WriteInt(entryKeys[i]);
      file->WriteInt(entryVertices[i]);
      file->WritePoint(entryVectors[i]);
      file->WriteDouble(entryWeights[i]);
    }
  };
  file->WriteInt(leading);
  file->WriteInt(reservedWord);
  file->WriteInt(pair != nullptr ? pair[1] : flags);
  file->WriteInt(offsetVertex);
  file->WritePoint(offsetVector);
  file->WriteInt(positive);
  writeEntries(true);
  file->WriteInt(blockSize);
  file->WriteInt(ratios.count);
  for (int i = 0; i < ratios.count; ++i) file->WriteDouble(ratios[i]);
  file->WriteInt(pair != nullptr ? pair[0] : skeletonKind);
  file->WriteInt(extraIndex);
  file->WriteInt(negative);
  writeEntries(false);
}

void MAddPose::ReadEntries(QFile& file, int count) {
  for (int i = 0; i < count; ++i) {
    std::int32_t key = 0, vertex = 0;
    PointRecord vector;
    double weight = 0;
    file.ReadInt(key);
    file.ReadInt(vertex);
    file.ReadPoint(vector);
    file.ReadDouble(weight);
    if (!AppendEntry(key, vertex, vector, weight)) throw kEngFileErrorOutOfMemory;
  }
}

int MAddPose::ReadFrom(QFile& file) {
  static const char* const kWhat = "pose additions";
  std::int32_t leading = 0, value = 0;
  file.ReadInt(leading);
  file.ReadInt(value);
  reservedWord = value;
  file.ReadInt(value);
  flags = value;
  file.ReadInt(value);
  offsetVertex = value;
  file.ReadPoint(offsetVector);
  std::int32_t count = 0;
  file.ReadInt(count);
  if (count < 0 || count > file.BytesLeft() / kEntrySize) {
    EngRecordLoadFailure(std::string(kWhat) + ": an entry count reaches beyond the file");
    return leading;
  }
  ReadEntries(file, count);
  std::int32_t block = 0;
  file.ReadInt(block);
  if (!EngCheckNotTruncated(file, kWhat)) return leading;
  if (block < 0 || block > file.BytesLeft()) {
    EngRecordLoadFailure(std::string(kWhat) + ": the block size reaches beyond the file");
    return leading;
  }
  // Each member is read only when the block still holds it whole; what is
  // left of the block is skipped, never a negative amount.
  std::int64_t left = block;
  if (left >= 4) {
    file.ReadInt(count);
    left -= 4;
    if (count < 0 || count > left / 8) {
      EngRecordLoadFailure(std::string(kWhat) + ": the ratio count exceeds its block");
      return leading;
    }
    for (int i = 0; i < count; ++i) {
      double ratio = 0;
      file.ReadDouble(ratio);
      if (!ratios.Add(ratio)) throw kEngFileErrorOutOfMemory;
    }
    left -= 8 * static_cast<std::int64_t>(count);
  }
  if (left >= 4) {
    file.ReadInt(value);
    skeletonKind = value;
    left -= 4;
  }
  if (left >= 4) {
    file.ReadInt(value);
    extraIndex = value;
    left -= 4;
  }
  if (left >= 4) {
    file.ReadInt(count);
    left -= 4;
    if (count < 0 || count > left / kEntrySize) {
      EngRecordLoadFailure(std::string(kWhat) + ": the world pin count exceeds its block");
      return leading;
    }
    ReadEntries(file, count);
    left -= static_cast<std::int64_t>(kEntrySize) * count;
  }
  if (!EngSkipRecordBytes(file, left, kWhat)) return leading;
  EngCheckNotTruncated(file, kWhat);
  return leading;
}

void MAddPose::ScaleBy(double factor) {
  if (offsetVertex >= 0) offsetVector = {offsetVector.x * factor, offsetVector.y * factor, offsetVector.z * factor};
  for (int i = 0; i < entryVectors.count; ++i) {
    PointRecord& v = entryVectors[i];
    v = {v.x * factor, v.y * factor, v.z * factor};
  }
}

bool MAddPose::IsBoneFlagged(int bone) const {
  if (skeletonKind < 0) return false;
  return EngGlobalM().IsBoneFlagged(skeletonKind, bone);
}

}  // namespace engine
