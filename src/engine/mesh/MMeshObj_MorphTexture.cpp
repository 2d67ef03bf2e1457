// Mesh object: the materials and textures of morphs and faces: a morph's
// material given to its faces, blended or shifted textures, merging equal
// materials, cropping textures to the selected faces, and a face's colour.
//
// Every change to a material that stays in the mesh's list saves the
// material first, inside the mesh's edit step, so that undo restores its
// pixels and colours.
#include <cmath>

#include "engine/core/CRGlobalM.h"
#include "engine/image/OsUtilImage.h"
#include "engine/mesh/MMeshObj.h"

namespace engine {
namespace {

bool FailedHard() { return EngContext().failState == kEngFailFailed; }

bool TexturesOn() { return EngContext().textureMode != 0; }

// A material that is about to change in place: inside the step, saved.
bool SaveForChange(MMeshObj& mesh, MShader* shader) {
  mesh.SaveEditState();
  shader->SaveUndo();
  return !FailedHard();
}

}  // namespace

// ---- a morph's material ------------------------------------------------------------

void MMeshObj::ApplyShaderToMorphFaces(const char* name, const MShader* shader) {
  if (shader == nullptr) return;
  // Opened before the selection changes: the step's snapshot keeps the
  // caches of the selection the user had.
  SaveEditState();
  ClearSelection();
  SelectMorphVertices(name);
  int count = 0;
  MShader* present = FindMainSelectedShader(count);
  if (present == nullptr || present->IsEqual(*shader, false)) {
    ClearSelection();
    return;
  }
  PtrArray morphFaces;
  CollectSelectedFacesOfShader(present, morphFaces);
  ClearSelection();
  if (FailedHard()) return;
  MShader* copy = AddShader();
  if (copy == nullptr) return;
  // A new material of this step: it takes the values, not the header.
  shader->AssignTo(copy);
  copy->id = 0;
  copy->state = kItemCreated;
  copy->copy = nullptr;
  if (FailedHard()) return;
  AssignShader(morphFaces, copy);
  if (!FailedHard()) CleanUpShaders(false);
}

void MMeshObj::ApplyMorphMaterial(MMorph* morph, MMorphTgt* target, double weight, int additive) {
  if (morph->GetShader() == nullptr || target->GetShader() == nullptr) return;
  if (additive != 0 && weight < 0.5) return;
  target->GetShader()->DecodeStoredImages();
  const MShader* chosen = weight >= 0.5 ? target->GetShader() : morph->GetShader();
  if (additive == 0) {
    ApplyShaderToMorphFaces(morph->name, chosen);
    return;
  }
  ClearSelection();
  SelectMorphVertices(morph->name);
  int count = 0;
  MShader* present = FindMainSelectedShader(count);
  if (present == nullptr) return;
  if (TexturesOn() && present->HasTexture()) {
    if (chosen->HasTexture() && SaveForChange(*this, present))
      OsUtilBlendImageOver(present->texture, chosen->texture);
    return;
  }
  ApplyShaderToMorphFaces(morph->name, chosen);
}

void MMeshObj::ShiftMorphFacesTexture(MMorph* morph, double du, double dv) {
  SelectMorphVertices(morph->name);
  int count = 0;
  MShader* present = FindMainSelectedShader(count);
  if (present == nullptr || !TexturesOn() || !present->HasTexture()) return;
  if (SaveForChange(*this, present)) OsUtilShiftImage(present->texture, du, dv);
}

// ---- merging equal materials -----------------------------------------------------------

void MMeshObj::MergeEqualShaders() {
  PtrArray table;
  for (MShader* shader : shaders) {
    shader->id = table.count;
    if (!table.Add(shader)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  const int n = table.count;
  // The numbers must stay below every later visit stamp.
  if (visitStamp <= n) SetVisitStamp(n + 1);
  EngArray<int> target;
  for (int i = 0; i < n; ++i)
    if (!target.Add(i)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  CRGlobalM& store = EngGlobalM();
  for (int i = 0; i < n; ++i) {
    if (target[i] != i) continue;
    const MShader* kept = static_cast<MShader*>(table[i]);
    for (int d = i + 1; d < n; ++d) {
      MShader* later = static_cast<MShader*>(table[d]);
      if (target[d] != d || !kept->IsEqual(*later, false)) continue;
      target[d] = i;
      if (store.lastMesh == this && store.lastShader == later) store.ForgetCurrentShader();
      later->SaveUndo();
      if (FailedHard()) return;
      later->Remove();
    }
  }
  for (MFace* face : faces) {
    const int k = face->shader != nullptr ? face->shader->id : -1;
    if (k < 0 || k >= n || target[k] == k || table[k] != face->shader) continue;
    face->SaveUndo();
    if (FailedHard()) return;
    face->SetShader(static_cast<MShader*>(table[target[k]]));
  }
}

// ---- cropping textures to the selection ---------------------------------------------------

namespace {

// The part of the texture one axis of the selected faces' coordinates uses.
struct CropAxis {
  double offset = 0, scale = 1, lo = 0, hi = 1;
};

CropAxis AxisCrop(double low, double high) {
  CropAxis axis;
  // The whole texture stays when the range is wider than one repeat,
  // crosses a whole number, or has no width to divide by.
  if (high - low > 1.00000001 || std::ceil(low + 1e-8) != std::ceil(high) || high - low < 1e-8) return axis;
  axis.offset = low;
  axis.scale = high - low;
  axis.lo = low;
  axis.hi = high;
  if (low < 0) {
    const double raise = 1 - std::ceil(low + 1e-8);
    axis.lo += raise;
    axis.hi += raise;
  }
  if (axis.hi > 1) {
    const double lower = std::floor(axis.hi - 1e-8);
    axis.lo -= lower;
    axis.hi -= lower;
  }
  return axis;
}

}  // namespace

void MMeshObj::CropTexturesToSelection() {
  if (!TexturesOn()) return;
  SaveEditState();
  // Materials added here are not visited again: they come before the first
  // one at the head of the list.
  for (MShader* s : shaders) {
    if (!s->HasTexture()) continue;
    PtrArray chosen;
    double umin = 0, umax = 0, vmin = 0, vmax = 0;
    for (MFace* face : faces) {
      if (face->shader != s || face->uv == nullptr || !face->AllEdgesSelected()) continue;
      for (const MFaceUV::Pair& pair : face->uv->corner) {
        if (chosen.count == 0 && &pair == face->uv->corner) {  // the first coordinates seen
          umin = umax = pair.u;
          vmin = vmax = pair.v;
        }
        umin = std::fmin(umin, pair.u);
        umax = std::fmax(umax, pair.u);
        vmin = std::fmin(vmin, pair.v);
        vmax = std::fmax(vmax, pair.v);
      }
      if (!chosen.Add(face)) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return;
      }
    }
    if (chosen.count == 0) continue;
    const CropAxis u = AxisCrop(umin, umax);
    const CropAxis v = AxisCrop(vmin, vmax);
    const int width = s->texture.width;
    const int height = s->texture.height;
    platform::RECT rect{static_cast<int>(width * u.lo), static_cast<int>(height * v.lo),
                        static_cast<int>(width * u.hi), static_cast<int>(height * v.hi)};
    if (rect.left < 0 || rect.top < 0 || rect.bottom > height || rect.right > width) continue;
    // The crop takes its edges inclusively: a range up to 1 ends at the last
    // texel.
    if (rect.right >= width) rect.right = width - 1;
    if (rect.bottom >= height) rect.bottom = height - 1;
    if (rect.right < rect.left || rect.bottom < rect.top) continue;
    MShader* cropped = AddShader();
    if (cropped == nullptr) return;
    cropped->baseColor = s->baseColor;
    cropped->diffuseColor = s->diffuseColor;
    cropped->specular = s->specular;
    cropped->opacity = s->opacity;
    cropped->UpdateDerivedValues();
    OsUtilCropImage(s->texture, cropped->texture, rect, true);
    if (FailedHard()) return;
    for (int i = 0; i < chosen.count; ++i) {
      MFace* face = static_cast<MFace*>(chosen[i]);
      face->SaveUndo();
      if (FailedHard()) return;
      face->SetShader(cropped);
      for (MFaceUV::Pair& pair : face->GetUVBlock()->corner) {
        pair.u = (pair.u - u.offset) / u.scale;
        pair.v = (pair.v - v.offset) / v.scale;
      }
    }
  }
}

// ---- a face's colour ----------------------------------------------------------------------

bool MeshGetFaceShaderColour(const MFace* face, std::uint32_t& colour) {
  const MShader* shader = face->shader;
  if (TexturesOn() && shader->HasTexture()) {
    if (!shader->IsTextureUniform()) return false;
    colour = shader->GetFirstTexel();
    return true;
  }
  auto byte = [](double component) { return static_cast<std::uint32_t>(static_cast<int>(component * 255)) & 0xFF; };
  colour = byte(shader->diffuseColor.x) | byte(shader->diffuseColor.y) << 8 | byte(shader->diffuseColor.z) << 16;
  return true;
}

bool MMeshObj::SetFaceShaderColour(MFace* face, std::uint32_t colour) {
  std::uint32_t present = 0;
  if (!MeshGetFaceShaderColour(face, present)) return false;
  MShader* shader = face->shader;
  if (!SaveForChange(*this, shader)) return false;
  if (TexturesOn() && shader->HasTexture()) {
    shader->FillTexture(colour);
    return true;
  }
  shader->diffuseColor = {(colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0, ((colour >> 16) & 0xFF) / 255.0};
  return true;
}

}  // namespace engine
