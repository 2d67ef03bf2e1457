// The figure record: the mesh record, then the rig kind, the skin flag, the
// skin records, the rest positions and the bone records, and in the newer
// formats a sized block with the pose additions and the carried block.
#include <string>
#include <type_traits>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/figure/MBoneObj.h"

namespace engine {

namespace {

constexpr const char* kWhat = "figure";
constexpr std::int64_t kBoneRecordSize = 212;

bool IsNewFormat() { return EngContext().formatVersion < -4; }

bool OddAndPositive(std::int32_t value) { return value > 0 && (value & 1) != 0; }

bool CountFits(QFile& file, std::int32_t count, std::int64_t minimumSize, const char* what) {
  if (count >= 0 && count <= file.BytesLeft() / minimumSize) return true;
  EngRecordLoadFailure(std::string(kWhat) + ": the " + what + " count reaches beyond the file");
  return false;
}

}  // namespace

void MBoneObj::WriteExtraBlock(QFile* file, int* size) {
  if (size != nullptr) {
    *size = 264 + extraByteCount + 128 * extraMatrices.count;
    return;
  }
  file->WriteInt(extraByteCount);
  if (extraByteCount > 0) file->Write(extraBytes, static_cast<std::size_t>(extraByteCount));
  file->WriteInt(extraMatrices.count);
  for (int i = 0; i < extraMatrices.count; ++i) file->WriteMatrix(extraMatrices[i]);
  file->WriteMatrix(extraMatrixA);
  file->WriteMatrix(extraMatrixB);
}

int MBoneObj::ReadExtraBlock(QFile& file) {
  std::int32_t byteCount = 0;
  file.ReadInt(byteCount);
  // The byte count must fit the file with the two matrices after it.
  if (byteCount < 0 || byteCount > file.BytesLeft() - 260) {
    EngRecordLoadFailure(std::string(kWhat) + ": the carried block's size reaches beyond the file");
    return 0;
  }
  unsigned char* bytes = nullptr;
  if (byteCount > 0) {
    bytes = static_cast<unsigned char*>(EngAlloc(static_cast<std::size_t>(byteCount)));
    if (bytes == nullptr) throw kEngFileErrorOutOfMemory;
    file.Read(bytes, static_cast<std::size_t>(byteCount));
  }
  EngFree(extraBytes);
  extraBytes = bytes;
  extraByteCount = byteCount;
  std::int32_t matrixCount = 0;
  file.ReadInt(matrixCount);
  if (!CountFits(file, matrixCount, 128, "carried matrix")) return 0;
  extraMatrices.RemoveAll();
  for (int i = 0; i < matrixCount; ++i) {
    MatrixRecord m;
    file.ReadMatrix(m);
    m.flag = 0;
    if (!extraMatrices.Add(m)) throw kEngFileErrorOutOfMemory;
  }
  file.ReadMatrix(extraMatrixA);
  file.ReadMatrix(extraMatrixB);
  extraMatrixA.flag = extraMatrixB.flag = 0;
  return 264 + byteCount + 128 * matrixCount;
}

void MBoneObj::ClearExtraBlock() {
  EngFree(extraBytes);
  extraBytes = nullptr;
  extraByteCount = 0;
  extraMatrices.RemoveAll();
}

void MBoneObj::WriteTo(QFile& file) {
  MMeshObj::WriteTo(file);
  if (!IsNewFormat()) return;
  file.WriteInt(rigKind);
  file.WriteInt(skinBound != 0 ? 1 : 0);
  const int skinCount = skinRecords != nullptr ? skinRecords->count : 0;
  file.WriteInt(skinCount);
  for (int i = 0; i < skinCount; ++i) {
    const SkinRecord& r = (*skinRecords)[i];
    file.WriteInt(r.count);
    for (int j = 0; j < r.count; ++j) {
      file.WriteInt(r.bones[j]);
      file.WriteDouble(r.weights[j]);
      file.WriteDouble(r.params[j]);
    }
    file.WriteInt(r.locked != 0 ? 1 : 0);
  }
  const int restCount = restPositions != nullptr ? restPositions->count : 0;
  file.WriteInt(restCount);
  for (int i = 0; i < restCount; ++i) file.WritePoint((*restPositions)[i]);
  const int boneCount = bones != nullptr ? bones->count : 0;
  file.WriteInt(boneCount);
  for (int i = 0; i < boneCount; ++i) {
    const BoneRecord& b = (*bones)[i];
    file.WritePoint(b.restStart);
    file.WritePoint(b.restEnd);
    file.WriteDouble(b.startBlend);
    file.WriteDouble(b.endBlend);
    file.WriteDouble(b.radius);
    file.WriteDouble(b.twist);
    file.WriteMatrix(b.posedMatrix);
    file.WriteInt(b.excluded != 0 ? 1 : 0);
  }
  int additionSize = 0, extraSize = 0;
  addPose.WriteTo(nullptr, &additionSize, 0, nullptr);
  WriteExtraBlock(nullptr, &extraSize);
  file.WriteInt(additionSize + extraSize);
  addPose.WriteTo(&file, nullptr, additionSize, nullptr);
  WriteExtraBlock(&file, nullptr);
}

void MBoneObj::ReadFrom(QFile& file) {
  auto replace = [](auto*& array, int capacity) {
    using A = std::remove_reference_t<decltype(*array)>;
    A* fresh = NewFigureArray<A>(capacity);
    if (fresh == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
    DeleteFigureArray(array);
    array = fresh;
    return true;
  };
  if (!replace(skinRecords, 100) || !replace(restPositions, 100) || !replace(bones, 10) ||
      !replace(undoRestPositions, 100))
    return;
  MMeshObj::ReadFrom(file);
  if (EngContext().failState == kEngFailFailed) return;
  std::int32_t value = 0;
  file.ReadInt(value);
  rigKind = value;
  file.ReadInt(value);
  skinBound = value != 0 ? 1 : 0;

  std::int32_t skinCount = 0;
  file.ReadInt(skinCount);
  if (!CountFits(file, skinCount, 8, "skin record")) return;
  for (int i = 0; i < skinCount; ++i) {
    SkinRecord r{};
    std::int32_t count = 0;
    file.ReadInt(count);
    // A record holds at most four influences.
    if (count < 0 || count > 4) {
      EngRecordLoadFailure(std::string(kWhat) + ": a skin record has " + std::to_string(count) + " influences");
      return;
    }
    r.count = count;
    for (int j = 0; j < count; ++j) {
      std::int32_t bone = 0;
      file.ReadInt(bone);
      r.bones[j] = bone;
      file.ReadDouble(r.weights[j]);
      file.ReadDouble(r.params[j]);
    }
    file.ReadInt(value);
    r.locked = OddAndPositive(value) ? 1 : 0;
    if (!skinRecords->Add(r)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  std::int32_t restCount = 0;
  file.ReadInt(restCount);
  if (!CountFits(file, restCount, 24, "rest position")) return;
  for (int i = 0; i < restCount; ++i) {
    PointRecord p;
    file.ReadPoint(p);
    if (!restPositions->Add(p) || !undoRestPositions->Add(p)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  std::int32_t boneCount = 0;
  file.ReadInt(boneCount);
  if (!CountFits(file, boneCount, kBoneRecordSize, "bone")) return;
  for (int i = 0; i < boneCount; ++i) {
    BoneRecord b;
    b.line = nullptr;
    file.ReadPoint(b.restStart);
    file.ReadPoint(b.restEnd);
    file.ReadDouble(b.startBlend);
    file.ReadDouble(b.endBlend);
    file.ReadDouble(b.radius);
    file.ReadDouble(b.twist);
    file.ReadMatrix(b.posedMatrix);
    b.posedMatrix.flag = 0;
    file.ReadInt(value);
    b.excluded = OddAndPositive(value) ? 1 : 0;
    MUtilIdentity(b.deformMatrix);
    b.undoTwist = b.twist;
    b.undoPosedMatrix = b.posedMatrix;
    b.changed = 1;
    b.undoRadius = b.radius;
    b.undoExcluded = b.excluded;
    b.undoRestStart = b.restStart;
    b.undoRestEnd = b.restEnd;
    b.undoDeformMatrix = b.deformMatrix;
    for (void*& work : b.bindWork) work = nullptr;
    if (!bones->Add(b)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  if (!EngCheckNotTruncated(file, kWhat)) return;

  if (IsNewFormat()) {
    std::int32_t blockSize = 0;
    file.ReadInt(blockSize);
    if (blockSize < 0 || blockSize > file.BytesLeft()) {
      EngRecordLoadFailure(std::string(kWhat) + ": the block size reaches beyond the file");
      return;
    }
    std::int64_t left = blockSize;
    if (left == 0) {
      addPose.Reset(true);
    } else {
      const std::int64_t before = file.ReadPosition();
      addPose.ReadFrom(file);
      if (EngContext().failState == kEngFailFailed) return;
      left -= file.ReadPosition() - before;
      if (left < 0) {
        EngRecordLoadFailure(std::string(kWhat) + ": the pose additions overrun their block");
        return;
      }
      if (left > 0) {
        const std::int64_t start = file.ReadPosition();
        ReadExtraBlock(file);
        if (EngContext().failState == kEngFailFailed) return;
        left -= file.ReadPosition() - start;
        if (left < 0) {
          EngRecordLoadFailure(std::string(kWhat) + ": the carried block overruns its block");
          return;
        }
      }
    }
    if (!EngSkipRecordBytes(file, left, kWhat)) return;
  }
  if (!EngCheckNotTruncated(file, kWhat)) return;

  // Every line needs its bone record, and every influence a bone.
  int lineCount = 0;
  for (MLine* line : lines) {
    (void)line;
    ++lineCount;
  }
  // A figure never rigged has no bone records at all.
  if (bones->count != lineCount && bones->count != 0) {
    EngRecordLoadFailure(std::string(kWhat) + ": the bone records do not match the skeleton lines");
    return;
  }
  for (int i = 0; i < skinRecords->count; ++i) {
    const SkinRecord& r = (*skinRecords)[i];
    for (int j = 0; j < r.count; ++j) {
      if (r.bones[j] < 0 || r.bones[j] >= bones->count) {
        EngRecordLoadFailure(std::string(kWhat) + ": a skin record names a bone that does not exist");
        return;
      }
    }
  }
  PairBonesWithLines();
  UpdateBoneMatrices(2);
}

}  // namespace engine
