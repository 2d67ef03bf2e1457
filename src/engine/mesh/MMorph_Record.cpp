// The records of morphs and morph targets.
//
// Morph, 320 + 56 n + material + 152 bytes:
//   name                256  code page 932, zero-padded
//   bounds maximum       24  x, y, z
//   bounds minimum       24
//   empty flag            4  1 when the box is empty
//   entry count n         4
//   n entries            56  target index, vertex number (-1 none),
//                            reserved x, y, z, base position x, y, z
//   value                 4  negative with the sign flag
//   has material          4  1 or 0
//   material              -  the material record, when present
//   frame               128  16 doubles
//   bytes that follow     4  written 20
//   texture offset u, v  16
//   index                 4
//
// Target, 552 + 24 n + material bytes:
//   group name          256
//   target name         256
//   vector count n        4
//   n vectors            24
//   has material          4
//   material              -
//   weight                8
//   bytes that follow     4  written 20
//   flags                 4
//   texture offset u, v  16
//
// The trailing fields are read while the count that precedes them still
// covers them; a later writer's surplus is skipped. A count too short for
// the next field ends the record there (its bytes are skipped), so a damaged
// count can neither split a field nor make the reader step backwards.
#include <cstdint>
#include <string>

#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/mesh/MMorph.h"
#include "engine/mesh/MShader.h"
#include "engine/mesh/MVertex.h"

namespace engine {
namespace {

constexpr const char* kMorph = "morph record";
constexpr const char* kTarget = "morph target record";

bool Failed() { return EngContext().failState != kEngFailNone; }

std::int64_t MaterialSize(const MShader* shader) {
  int size = 0;
  if (shader != nullptr) shader->WriteTo(nullptr, &size);
  return size;
}

// Reads the material record into a new material that `owner` takes; false
// when it fails (the owner keeps what was read, for its destructor).
bool ReadOwnMaterial(QFile& file, MShader*& owner, bool keepOriginalImages) {
  owner = new (std::nothrow) MShader();
  if (owner == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
  owner->keepOriginalImages = keepOriginalImages ? 1 : 0;
  owner->ReadFrom(file);
  owner->keepOriginalImages = 0;
  return !Failed();
}

// The trailing block: `count` bytes announced; each field is read only
// while the count covers it. Answers false on a load failure.
class TrailingBlock {
 public:
  TrailingBlock(QFile& file, std::int32_t count, const char* what) : file_(file), left_(count), what_(what) {}
  // Whether the next field of `size` bytes is there. Callers read the
  // fields in order and stop at the first one missing.
  bool Has(std::int64_t size) const { return left_ >= size; }
  void Took(std::int64_t size) { left_ -= size; }
  // Skips what is still counted (nothing for a count of 0 or less).
  bool Finish() {
    if (left_ > 0 && !EngSkipRecordBytes(file_, left_, what_)) return false;
    return EngCheckNotTruncated(file_, what_);
  }

 private:
  QFile& file_;
  std::int64_t left_;
  const char* what_;
};

}  // namespace

// ---- MMorph -------------------------------------------------------------------------

void MMorph::WriteTo(QFile& file, int* size) const {
  const std::int64_t materialSize = MaterialSize(shader);
  if (size != nullptr) {
    *size = static_cast<int>(kFixedRecordSize + std::int64_t{kEntryRecordSize} * entries.count + materialSize);
    return;
  }
  WriteNameText(file, name);
  file.WritePoint({bounds.maxX, bounds.maxY, bounds.maxZ});
  file.WritePoint({bounds.minX, bounds.minY, bounds.minZ});
  file.WriteInt(bounds.empty == 1 ? 1 : 0);
  file.WriteInt(entries.count);
  for (int i = 0; i < entries.count; ++i) {
    const MorphVertexEntry& entry = entries[i];
    file.WriteInt(entry.targetIndex);
    // A removed vertex has no number of its own: its id is whatever an
    // earlier walk left there.
    file.WriteInt(MItemIsLive(entry.vertex) ? entry.vertex->id : -1);
    file.WritePoint(entry.reserved);
    file.WritePoint(entry.basePosition);
  }
  file.WriteInt(value);
  file.WriteInt(shader != nullptr ? 1 : 0);
  if (shader != nullptr) shader->WriteTo(&file, nullptr);
  file.WriteMatrix(frame);
  file.WriteInt(20);
  file.WriteDouble(textureOffsetU);
  file.WriteDouble(textureOffsetV);
  file.WriteInt(index);
}

bool MMorph::ReadFrom(QFile& file) {
  if (Failed()) return false;
  if (!ReadNameText(file, name, kMorph)) return false;
  std::int32_t emptyFlag = 0;
  file.ReadDouble(bounds.maxX);
  file.ReadDouble(bounds.maxY);
  file.ReadDouble(bounds.maxZ);
  file.ReadDouble(bounds.minX);
  file.ReadDouble(bounds.minY);
  file.ReadDouble(bounds.minZ);
  file.ReadInt(emptyFlag);
  bounds.empty = emptyFlag == 1 ? 1 : 0;
  std::int32_t n = 0;
  file.ReadInt(n);
  if (!EngCheckNotTruncated(file, kMorph) || !CheckRecordCount(file, n, kEntryRecordSize, kMorph)) return false;
  for (std::int32_t i = 0; i < n; ++i) {
    MorphVertexEntry entry{0, nullptr, {}, {}, -1, 0};
    file.ReadInt(entry.targetIndex);
    file.ReadInt(entry.vertexNumber);
    file.ReadPoint(entry.reserved);
    file.ReadPoint(entry.basePosition);
    if (entry.targetIndex < 0) {
      EngRecordLoadFailure(std::string(kMorph) + ": a negative target index");
      return false;
    }
    if (!entries.Add(entry)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
  }
  std::int32_t hasMaterial = 0;
  file.ReadInt(value);
  file.ReadInt(hasMaterial);
  if (!EngCheckNotTruncated(file, kMorph)) return false;
  if (hasMaterial != 0 && !ReadOwnMaterial(file, shader, false)) return false;
  file.ReadMatrix(frame);
  std::int32_t count = 0;
  file.ReadInt(count);
  if (!EngCheckNotTruncated(file, kMorph)) return false;
  TrailingBlock block(file, count, kMorph);
  if (block.Has(16)) {
    file.ReadDouble(textureOffsetU);
    file.ReadDouble(textureOffsetV);
    block.Took(16);
    if (block.Has(4)) {
      file.ReadInt(index);
      block.Took(4);
    }
  }
  return block.Finish();
}

void MMorph::ResolveVertexRefs(const EngArray<MVertex*>& vertices) {
  for (int i = 0; i < entries.count; ++i) {
    MorphVertexEntry& entry = entries[i];
    const std::int32_t n = entry.vertexNumber;
    entry.vertex = n >= 0 && n < vertices.count ? vertices[n] : nullptr;
  }
}

// ---- MMorphTgt ----------------------------------------------------------------------

void MMorphTgt::WriteTo(QFile& file, int* size) const {
  const std::int64_t materialSize = MaterialSize(shader);
  if (size != nullptr) {
    *size = static_cast<int>(kFixedRecordSize + std::int64_t{24} * vectors.count + materialSize);
    return;
  }
  WriteNameText(file, groupName);
  WriteNameText(file, targetName);
  file.WriteInt(vectors.count);
  for (int i = 0; i < vectors.count; ++i) file.WritePoint(vectors[i]);
  file.WriteInt(shader != nullptr ? 1 : 0);
  if (shader != nullptr) shader->WriteTo(&file, nullptr);
  file.WriteDouble(weight);
  file.WriteInt(20);
  file.WriteInt(flags);
  file.WriteDouble(textureOffsetU);
  file.WriteDouble(textureOffsetV);
}

bool MMorphTgt::ReadFrom(QFile& file) {
  if (Failed()) return false;
  if (!ReadNameText(file, groupName, kTarget) || !ReadNameText(file, targetName, kTarget)) return false;
  std::int32_t n = 0;
  file.ReadInt(n);
  if (!EngCheckNotTruncated(file, kTarget) || !CheckRecordCount(file, n, 24, kTarget)) return false;
  vectors.RemoveAll();
  for (std::int32_t i = 0; i < n; ++i) {
    PointRecord v;
    file.ReadPoint(v);
    if (!vectors.Add(v)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
  }
  std::int32_t hasMaterial = 0;
  file.ReadInt(hasMaterial);
  if (!EngCheckNotTruncated(file, kTarget)) return false;
  // The texture files stay stored image bytes until the target is applied.
  if (hasMaterial != 0 && !ReadOwnMaterial(file, shader, true)) return false;
  file.ReadDouble(weight);
  std::int32_t count = 0;
  file.ReadInt(count);
  if (!EngCheckNotTruncated(file, kTarget)) return false;
  TrailingBlock block(file, count, kTarget);
  if (block.Has(4)) {
    file.ReadInt(flags);
    block.Took(4);
    if (block.Has(16)) {
      file.ReadDouble(textureOffsetU);
      file.ReadDouble(textureOffsetV);
      block.Took(16);
    }
  }
  return block.Finish();
}

}  // namespace engine
