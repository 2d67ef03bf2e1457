// Mesh object: the morph list, the morphs' frames, making a morph from the
// selection, recording a target, and the queries on the faces of a morph.
#include <cstring>
#include <string_view>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"

namespace engine {
namespace {

bool Failed() { return EngContext().failState == kEngFailFailed; }

[[noreturn]] void MissingMorph() {
  EngContext().fatalText = "a morph target names no morph of the mesh";
  ENG_FATAL();
}

// Cuts a trailing number of four digits.
std::string_view WithoutCopyNumber(std::string_view path) {
  if (path.size() < 4) return path;
  for (std::size_t i = path.size() - 4; i < path.size(); ++i)
    if (path[i] < '0' || path[i] > '9') return path;
  return path.substr(0, path.size() - 4);
}

}  // namespace

int AnimMatchObjectPath(const char* a, const char* b) {
  const std::string_view x(a), y(b);
  if (x == y) return 1;
  constexpr std::string_view kHuman = "/tamarik/human/";
  if (x.find(kHuman) == std::string_view::npos || y.find(kHuman) == std::string_view::npos) return 0;
  return WithoutCopyNumber(x) == WithoutCopyNumber(y) ? 2 : 0;
}

// ---- the list ------------------------------------------------------------------

void MMeshObj::AddMorph(MMorph* morph) { morphs.Add(morph); }

MMorph* MMeshObj::CreateMorph() {
  MMorph* morph = new (std::nothrow) MMorph();
  if (morph == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  AddMorph(morph);
  return morph;
}

MMorph* MMeshObj::FindMorph(const char* name) const {
  for (MMorph* morph : morphs)
    if (morph->HasName(name)) return morph;
  return nullptr;
}

MMorph* MMeshObj::FindMorphByName(const char* path) const {
  for (MMorph* morph : morphs)
    if (AnimMatchObjectPath(morph->name, path) != 0) return morph;
  return nullptr;
}

void MMeshObj::DeleteMorph(const char* name) {
  MMorph* morph = FindMorph(name);
  if (morph == nullptr) return;
  morph->Unlink();
  delete morph;
}

void MMeshObj::RenameMorph(const char* name, const char* newName) {
  if (MMorph* morph = FindMorph(name)) morph->SetName(newName);
}

int MMeshObj::GetMorphIndex(const char* name, unsigned char* signFlag) const {
  const MMorph* morph = FindMorph(name);
  if (morph == nullptr) return -2;
  if (signFlag != nullptr) *signFlag = morph->GetSignFlag() ? 1 : 0;
  return morph->GetIndex();
}

void MMeshObj::SetMorphIndex(const char* name, int n) {
  if (MMorph* morph = FindMorph(name)) morph->SetIndex(n);
}

void MMeshObj::DeleteSharedMorphsFrom(MMeshObj* other) {
  for (MMorph* morph : morphs)
    if (other->FindMorph(morph->name) != nullptr) other->DeleteMorph(morph->name);
}

void MMeshObj::CollectMorphNames(PtrArray& out) const {
  for (MMorph* morph : morphs) {
    if (!out.Add(morph->name)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

void MMeshObj::DetachMorphVertices(const MItemList<MVertex>& holder) {
  if (morphs.IsEmpty() || holder.IsEmpty()) return;
  const int stamp = TakeVisitStamp();
  for (MVertex* v : holder) v->id = stamp;
  for (MMorph* morph : morphs) {
    for (int i = 0; i < morph->entries.count; ++i) {
      MorphVertexEntry& entry = morph->entries[i];
      if (entry.vertex != nullptr && entry.vertex->id == stamp) entry.vertex = nullptr;
    }
  }
}

// ---- frames ----------------------------------------------------------------------

void MMeshObj::TransformMorphs(const MatrixRecord& m) {
  for (MMorph* morph : morphs) morph->AppendTransform(m);
}

void MMeshObj::SaveMorphTransforms() {
  for (MMorph* morph : morphs) {
    if (Failed()) return;
    morph->SaveTransform();
  }
}

void MMeshObj::SwapMorphTransforms() {
  for (MMorph* morph : morphs) morph->SwapSavedTransform();
}

// ---- making a morph and finding its faces ------------------------------------------

MMorph* MMeshObj::CreateMorphFromSelection(const char* name, int& nextTargetIndex, int& shaderRequest,
                                           MShader** found) {
  if (found != nullptr) *found = nullptr;
  MMorph* morph = CreateMorph();
  if (morph == nullptr) return nullptr;
  morph->SetName(name);
  PtrArray selected;
  GatherSelected(0, nullptr, nullptr, &selected);
  PointArray positions;
  for (int i = 0; i < selected.count && !Failed(); ++i) {
    MVertex* v = static_cast<MVertex*>(selected[i]);
    morph->AddEntry(nextTargetIndex++, v, v->position);
    if (!positions.Add(v->position)) EngRecordFailure(kEngReasonOutOfMemory);
  }
  if (Failed()) return morph;
  BoundsRecord box = morph->bounds;
  MUtilBoxOfPoints(positions.count, positions.items, box);
  morph->SetParams(box);
  if (shaderRequest == 0) return morph;
  int count = 0;
  MShader* main = FindMainSelectedShader(count);
  if (count > 1) shaderRequest = -count;
  if (main != nullptr) morph->CreateOwnShader(main);
  if (found != nullptr) *found = main;
  return morph;
}

void MMeshObj::SelectMorphVertices(const char* name) {
  const MMorph* morph = FindMorph(name);
  if (morph == nullptr) return;
  for (int i = 0; i < morph->entries.count; ++i) {
    MVertex* v = morph->entries[i].vertex;
    if (MItemIsLive(v)) v->flags |= kVertexSelected;
  }
  PropagateRingSelection();
  for (MLine* line : lines)
    if ((line->end0->flags & kVertexSelected) && (line->end1->flags & kVertexSelected)) line->flags |= kLineSelected;
  UpdateSelectionCache();
}

MShader* MMeshObj::FindMainSelectedShader(int& count) {
  count = 0;
  // The materials are numbered in their number words (below every later
  // stamp) to count their faces.
  EngArray<int> uses;
  int n = 0;
  for (MShader* shader : shaders) {
    shader->id = n++;
    if (!uses.Add(0)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return nullptr;
    }
  }
  if (visitStamp <= n) SetVisitStamp(n + 1);
  for (MFace* face : faces) {
    if (face->shader == nullptr || !face->AllEdgesSelected()) continue;
    const int k = face->shader->id;
    if (k >= 0 && k < n && uses[k]++ == 0) ++count;
  }
  MShader* best = nullptr;
  int bestUses = 0;
  for (MShader* shader : shaders) {
    if (uses[shader->id] > bestUses) {
      best = shader;
      bestUses = uses[shader->id];
    }
  }
  return best;
}

void MMeshObj::CollectSelectedFacesOfShader(const MShader* shader, PtrArray& out) {
  const int stamp = visitStamp + 1;
  SetVisitStamp(visitStamp + 2);
  auto append = [&](MFace* face) {
    face->id = stamp;
    if (out.Add(face)) return true;
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  };
  for (MFace* face : faces) {
    if (face->id == stamp || face->shader != shader || !face->AllEdgesSelected()) continue;
    MFace* partner = GetQuadPartner(face);
    if (partner != nullptr && !partner->AllEdgesSelected()) continue;
    if (!append(face)) return;
    if (partner != nullptr && partner->id != stamp && !append(partner)) return;
  }
}

MMorph* MMeshObj::FindFaceMorphForFace(MFace* face) {
  MMorph* morph = FindMorphByName("/tamarik/human/face/");
  if (morph == nullptr) return nullptr;
  ClearSelection();
  SelectMorphVertices(morph->name);
  const bool inside = face->AllEdgesSelected();
  ClearSelection();
  return inside ? morph : nullptr;
}

// ---- recording a target -----------------------------------------------------------------

int MMeshObj::RecordTarget(MMorphTgt* target, int meshOrdinal) {
  MMorph* morph = FindMorph(target->groupName);
  if (morph == nullptr) MissingMorph();
  morph->UpdateInverse();
  for (int i = 0; i < morph->entries.count; ++i) {
    const MorphVertexEntry& entry = morph->entries[i];
    // An index the target does not have (a morph from a damaged file) is
    // left out.
    if (!MItemIsLive(entry.vertex) || entry.targetIndex < 0 || entry.targetIndex >= target->GetVectorCount())
      continue;
    PointRecord p;
    morph->InverseTransformPoint(entry.vertex->position, p);
    const PointRecord& base = entry.basePosition;
    target->SetVector(entry.targetIndex, {p.x - base.x, p.y - base.y, p.z - base.z});
  }
  int result = 0;
  if (meshOrdinal == 0 && morph->GetShader() != nullptr && !target->IsTextureOffsetMode()) {
    ClearSelection();
    SelectMorphVertices(morph->name);
    int count = 0;
    MShader* captured = FindMainSelectedShader(count);
    ClearSelection();
    if (captured != nullptr) target->CreateOwnShader(captured);
    if (Failed()) return 0;
    const MShader* own = morph->GetShader();
    if (captured != nullptr && EngContext().textureMode != 0 && own->HasTexture() && captured->HasTexture() &&
        (own->texture.width != captured->texture.width || own->texture.height != captured->texture.height))
      result = 1;
  }
  if (target->IsTextureOffsetMode()) {
    double u = 0, v = 0;
    target->GetTextureOffset(u, v);
    ApplyTextureOffset(morph->name, u, v, 0);
  }
  return result;
}

// ---- bounds ---------------------------------------------------------------------------------

void MMeshObj::GetTransformedBounds(const MatrixRecord& m, bool selectedOnly, BoundsRecord& out) {
  out = BoundsRecord{0, 0, 0, 0, 0, 0, 1};
  for (const MVertex* v : vertices) {
    if (selectedOnly && !(v->flags & kVertexSelected)) continue;
    PointRecord p;
    MUtilTransformPoint(m, v->position, p);
    if (out.empty != 0) {
      out = BoundsRecord{p.x, p.y, p.z, p.x, p.y, p.z, 0};
      continue;
    }
    out.minX = p.x < out.minX ? p.x : out.minX;
    out.minY = p.y < out.minY ? p.y : out.minY;
    out.minZ = p.z < out.minZ ? p.z : out.minZ;
    out.maxX = p.x > out.maxX ? p.x : out.maxX;
    out.maxY = p.y > out.maxY ? p.y : out.maxY;
    out.maxZ = p.z > out.maxZ ? p.z : out.maxZ;
  }
}

}  // namespace engine
