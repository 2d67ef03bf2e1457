// Mesh object: applying a morph target with a weight, restoring a morph's
// base shape, and the texture offsets of texture morphs.
#include <cmath>

#include "engine/mesh/MMeshObj.h"

namespace engine {
namespace {

[[noreturn]] void MissingMorph() {
  EngContext().fatalText = "a morph target names no morph of the mesh";
  ENG_FATAL();
}

bool FailedHard() { return EngContext().failState == kEngFailFailed; }

// Moves the vertex alone (not its ring) to p, saved first; x = 0 on the
// mirror plane. False when saving failed.
bool MoveMorphVertex(MVertex* v, const PointRecord& p) {
  v->SaveUndo();
  if (FailedHard()) return false;
  v->position = p;
  if (v->flags & kVertexOnMirror) v->position.x = 0;
  return true;
}

}  // namespace

void MMeshObj::ApplyTarget(MMorphTgt* target, double weight, int additive) {
  SaveEditState();
  MMorph* morph = FindMorph(target->groupName);
  if (morph == nullptr) MissingMorph();
  for (int i = 0; i < morph->entries.count; ++i) {
    const MorphVertexEntry& entry = morph->entries[i];
    // An index the target lacks (a morph from a damaged file, or a target of
    // another size) moves nothing.
    if (!MItemIsLive(entry.vertex) || entry.targetIndex < 0 || entry.targetIndex >= target->GetVectorCount())
      continue;
    PointRecord start = entry.vertex->position;
    if (additive == 0) morph->TransformPoint(entry.basePosition, start);
    PointRecord d;
    morph->TransformVector(target->vectors[entry.targetIndex], d);
    if (!MoveMorphVertex(entry.vertex, {start.x + weight * d.x, start.y + weight * d.y, start.z + weight * d.z}))
      return;
  }
  for (MVertex* v : vertices) v->UpdateNormals();
  ApplyMorphMaterial(morph, target, weight, additive);
  if (target->IsTextureOffsetMode()) {
    double u = 0, v = 0;
    target->GetTextureOffset(u, v);
    ApplyTextureOffset(morph->name, u * weight, v * weight, additive);
  }
  ClearSelection();
  MarkChanged();
}

void MMeshObj::RestoreBase(const char* name) {
  SaveEditState();
  MMorph* morph = FindMorph(name);
  if (morph == nullptr) MissingMorph();
  for (int i = 0; i < morph->entries.count; ++i) {
    const MorphVertexEntry& entry = morph->entries[i];
    if (!MItemIsLive(entry.vertex)) continue;
    PointRecord base;
    morph->TransformPoint(entry.basePosition, base);
    if (!MoveMorphVertex(entry.vertex, base)) return;
  }
  for (MVertex* v : vertices) v->UpdateNormals();
  if (morph->GetShader() != nullptr) ApplyShaderToMorphFaces(morph->name, morph->GetShader());
  ApplyTextureOffset(morph->name, 0, 0, 0);
  MarkChanged();
}

void MMeshObj::ApplyTextureOffset(const char* name, double du, double dv, int additive) {
  MMorph* morph = FindMorph(name);
  if (morph == nullptr) MissingMorph();
  // The step opens before the morph's vertices are selected, so that its
  // snapshot keeps the selection caches as the user had them.
  SaveEditState();
  if (morph->GetShader() != nullptr) {
    // The offset moves the texture image of the faces' material.
    if (additive == 0) {
      // The base image back first.
      SelectMorphVertices(morph->name);
      ApplyShaderToMorphFaces(morph->name, morph->GetShader());
      ClearSelection();
    }
    ShiftMorphFacesTexture(morph, du, dv);
    ClearSelection();
    return;
  }
  // The offset moves the faces' texture coordinates; the morph remembers
  // the sum applied so far.
  double u = 0, v = 0;
  morph->GetTextureOffset(u, v);
  if (additive == 0 && std::fabs(u) + std::fabs(v) > 1e-8) {
    morph->SetTextureOffset(0, 0);
    SelectMorphVertices(morph->name);
    MoveSelectedVertexUVs(-u, -v);
    ClearSelection();
  }
  if (std::fabs(du) + std::fabs(dv) <= 1e-8) return;
  morph->GetTextureOffset(u, v);
  morph->SetTextureOffset(u + du, v + dv);
  SelectMorphVertices(morph->name);
  MoveSelectedVertexUVs(du, dv);
  ClearSelection();
}

}  // namespace engine
