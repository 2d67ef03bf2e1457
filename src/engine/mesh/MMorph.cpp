// Morphs and morph targets: values, names, entries, own materials, copies
// and the morph's frame.
#include "engine/mesh/MMorph.h"

#include <cstring>
#include <utility>

#include "engine/core/EngMath.h"
#include "engine/mesh/MShader.h"
#include "engine/mesh/MVertex.h"

namespace engine {
namespace {

void RecordOutOfMemory() {
  if (EngContext().failState == kEngFailNone) EngRecordFailure(kEngReasonOutOfMemory);
}

// A copy of `source` without holder, or null (failure recorded).
MShader* CopyOfShader(const MShader* source) {
  MShader* copy = new (std::nothrow) MShader();
  if (copy == nullptr) {
    RecordOutOfMemory();
    return nullptr;
  }
  source->AssignTo(copy);
  return copy;
}

}  // namespace

void CopyNameField(char (&field)[MMorph::kNameSize], const char* text) {
  std::memset(field, 0, sizeof field);
  if (text != nullptr) std::strncpy(field, text, sizeof field - 1);
}

// ---- MMorph --------------------------------------------------------------------

MMorph::MMorph() {
  std::memset(name, 0, sizeof name);
  bounds = BoundsRecord{0, 0, 0, 0, 0, 0, 1};
  MUtilIdentity(frame);
  MUtilIdentity(frameInverse);
  MUtilIdentity(savedFrame);
}

MMorph::~MMorph() { delete shader; }

void MMorph::SetValue(int n) { value = value < 0 ? -n : n; }

void MMorph::SetSignFlag(unsigned char flag) {
  const std::int32_t magnitude = GetValue();
  value = flag != 0 ? -magnitude : magnitude;
}

void MMorph::SetName(const char* text) { CopyNameField(name, text); }

bool MMorph::HasName(const char* text) const { return text != nullptr && std::strcmp(name, text) == 0; }

void MMorph::AddEntry(int targetIndex, MVertex* vertex, const PointRecord& base) {
  const MorphVertexEntry entry{targetIndex, vertex, {0, 0, 0}, base, -1, 0};
  if (!entries.Add(entry)) RecordOutOfMemory();
}

void MMorph::GetEntry(int i, int* targetIndex, MVertex** vertex, PointRecord* base) const {
  const MorphVertexEntry& entry = entries[i];
  if (targetIndex != nullptr) *targetIndex = entry.targetIndex;
  if (vertex != nullptr) *vertex = entry.vertex;
  if (base != nullptr) *base = entry.basePosition;
}

void MMorph::SetEntry(int i, int targetIndex, MVertex* vertex, const PointRecord& base) {
  MorphVertexEntry& entry = entries[i];
  entry.targetIndex = targetIndex;
  entry.vertex = vertex;
  entry.basePosition = base;
}

void MMorph::CreateOwnShader(const MShader* source) {
  delete shader;
  shader = CopyOfShader(source);
}

void MMorph::CopyTo(MMorph* target) const {
  CopyHeaderTo(target);
  std::memcpy(target->name, name, sizeof name);
  target->bounds = bounds;
  for (int i = 0; i < entries.count; ++i) {
    if (!target->entries.Add(entries[i])) {
      RecordOutOfMemory();
      return;
    }
  }
  target->value = value;
  delete target->shader;
  target->shader = shader != nullptr ? CopyOfShader(shader) : nullptr;
  target->frame = frame;
  target->frameInverse = frameInverse;
  target->savedFrame = savedFrame;
  target->textureOffsetU = textureOffsetU;
  target->textureOffsetV = textureOffsetV;
  target->savedTextureOffsetU = savedTextureOffsetU;
  target->savedTextureOffsetV = savedTextureOffsetV;
}

MMorph* MMorph::Clone() {
  MMorph* clone = CloneElementOrNull();
  if (clone != nullptr) clone->index = -1;
  return clone;
}

void MMorph::RemapToCopies() {
  for (int i = 0; i < entries.count; ++i) {
    MorphVertexEntry& entry = entries[i];
    // Only live vertices are copied with a mesh: a removed one's copy link
    // is whatever an earlier copy left there.
    entry.vertex = MItemIsLive(entry.vertex) ? entry.vertex->Copy() : nullptr;
  }
}

void MMorph::AppendTransform(const MatrixRecord& t) {
  MatrixRecord combined;
  MUtilMultiply(t, frame, combined);
  frame = combined;
}

void MMorph::UpdateInverse() { MUtilInvert(frame, frameInverse); }

void MMorph::TransformPoint(const PointRecord& in, PointRecord& out) const {
  const PointRecord p = in;
  MUtilTransformPoint(frame, p, out);
}

void MMorph::InverseTransformPoint(const PointRecord& in, PointRecord& out) const {
  const PointRecord p = in;
  MUtilTransformPoint(frameInverse, p, out);
}

void MMorph::TransformVector(const PointRecord& in, PointRecord& out) const {
  const PointRecord v = in;
  MUtilTransformVector(frame, v, out);
}

void MMorph::InverseTransformVector(const PointRecord& in, PointRecord& out) const {
  const PointRecord v = in;
  MUtilTransformVector(frameInverse, v, out);
}

void MMorph::SaveTransform() {
  savedFrame = frame;
  savedTextureOffsetU = textureOffsetU;
  savedTextureOffsetV = textureOffsetV;
}

void MMorph::SwapSavedTransform() {
  std::swap(frame, savedFrame);
  std::swap(textureOffsetU, savedTextureOffsetU);
  std::swap(textureOffsetV, savedTextureOffsetV);
}

// ---- MMorphTgt -----------------------------------------------------------------

MMorphTgt::MMorphTgt() {
  std::memset(groupName, 0, sizeof groupName);
  std::memset(targetName, 0, sizeof targetName);
}

MMorphTgt::~MMorphTgt() { delete shader; }

void MMorphTgt::SetTargetName(const char* text) { CopyNameField(targetName, text); }

void MMorphTgt::SetGroupName(const char* text) { CopyNameField(groupName, text); }

void MMorphTgt::GetTargetName(char* buffer) const { std::memcpy(buffer, targetName, std::strlen(targetName) + 1); }

void MMorphTgt::GetGroupName(char* buffer) const { std::memcpy(buffer, groupName, std::strlen(groupName) + 1); }

void MMorphTgt::SetVectorCount(int n) {
  vectors.RemoveAll();
  for (int i = 0; i < n; ++i) {
    if (!vectors.Add(PointRecord{0, 0, 0})) {
      vectors.RemoveAll();
      RecordOutOfMemory();
      return;
    }
  }
}

void MMorphTgt::SetVector(int i, const PointRecord& v) {
  ENG_FATAL_IF(i < 0 || i >= vectors.count);
  vectors[i] = v;
}

void MMorphTgt::GetVector(PointRecord& out, int i) const { out = vectors[i]; }

void MMorphTgt::CreateOwnShader(const MShader* source) {
  delete shader;
  shader = CopyOfShader(source);
}

void MMorphTgt::CopyTo(MMorphTgt* target) const {
  CopyHeaderTo(target);
  std::memcpy(target->groupName, groupName, sizeof groupName);
  std::memcpy(target->targetName, targetName, sizeof targetName);
  for (int i = 0; i < vectors.count; ++i) {
    if (!target->vectors.Add(vectors[i])) {
      RecordOutOfMemory();
      return;
    }
  }
  delete target->shader;
  target->shader = shader != nullptr ? CopyOfShader(shader) : nullptr;
  target->weight = weight;
  target->flags = flags;
  target->textureOffsetU = textureOffsetU;
  target->textureOffsetV = textureOffsetV;
}

MMorphTgt* MMorphTgt::Clone() { return CloneElementOrNull(); }

}  // namespace engine
