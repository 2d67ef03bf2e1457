// Face colours for the colour bucket: a face is addressed by (mesh index,
// face index) over all meshes of the scene; its colour is its material's,
// or for a figure's face the single colour of the facial-expression
// textures, which are recoloured together. A few scene-wide material
// utilities the loader and the writer use: texture indices of the distinct
// textured materials, the line style of the selected meshes, and the
// current material as a record.
#include <cstring>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MMorph.h"
#include "engine/mesh/MShader.h"
#include "engine/scene/MDocObj.h"
#include "platform/Hooks.h"

namespace engine {

namespace {

// The facial-expression textures, in the order they are read and written.
constexpr const char* kFaceTextureMorphs[] = {
    "skinbase_normal", "eyebase_normal",    "eyebase_anger",  "eyebase_laugh",
    "eyebase_close",   "eyebase_laughhard", "eyebase_cry",    "eyebase_cryhard",
    "eyebase_surprise", "eyebase_closehard", "eyebase_confuse", "eyebase_slight"};

bool TexturesOn() { return EngContext().textureMode != 0; }

// Runs `edit` with the engine's file-format version of a material record
// of its own.
template <class Edit>
void AsMaterialRecord(Edit edit) {
  const int kept = EngContext().formatVersion;
  EngContext().formatVersion = -5;
  edit();
  EngContext().formatVersion = kept;
}

}  // namespace

int MDocObj::GetMeshIndex(MObject* mesh) {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (meshes[i] == mesh) return i;
  return -1;
}

MMeshObj* MDocObj::GetMeshAt(int index) {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  // The view's pick may be stale: an index outside the list names no mesh.
  if (index < 0 || index >= meshes.count) return nullptr;
  return AsMesh(static_cast<MObject*>(meshes[index]));
}

bool MDocObj::AccessFaceTextureColour(MMeshObj* mesh, MFace* face, std::uint32_t& colour, bool set) {
  MMorph* morph = mesh->FindFaceMorphForFace(face);
  if (morph == nullptr) return false;
  bool found = false;
  for (const char* name : kFaceTextureMorphs) {
    char buffer[kNameTextSize] = {};
    std::strncpy(buffer, name, sizeof buffer - 1);
    MMorphTgt* target = FindMorphTarget(morph->name, buffer);
    if (target == nullptr || target->GetShader() == nullptr) continue;
    MShader* shader = target->GetShader();
    shader->DecodeStoredImages();
    if (!TexturesOn() || !shader->HasTexture()) continue;
    found = true;
    if (!set) {
      colour = shader->GetFirstTexel();
      return true;
    }
    shader->FillTexture(colour);
  }
  if (set) {
    MObject* top = GetTopLevelObject(mesh);
    if (top != nullptr && FindAnimation(top, false) < 0 && CanAnimateObject(top, nullptr, nullptr)) {
      CreateObjectAnimation(top);
      EngContext().ClearFailure();
    }
  }
  return found;
}

bool MDocObj::GetFaceColour(MMeshObj* mesh, MFace* face, std::uint32_t& colour) {
  if (MeshGetFaceShaderColour(face, colour)) return true;
  return AccessFaceTextureColour(mesh, face, colour, false);
}

bool MDocObj::SetFaceColour(int meshIndex, int faceIndex, std::uint32_t colour, std::uint32_t& old) {
  MMeshObj* mesh = GetMeshAt(meshIndex);
  MFace* face = mesh != nullptr && faceIndex >= 0 ? mesh->GetFaceAt(faceIndex) : nullptr;
  if (face == nullptr) return false;
  if (!GetFaceColour(mesh, face, old)) return false;
  if (mesh->SetFaceShaderColour(face, colour)) return true;
  std::uint32_t value = colour;
  return AccessFaceTextureColour(mesh, face, value, true);
}

bool MDocObj::HasTransparentShader() {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (MMeshObj* mesh = AsMesh(static_cast<MObject*>(meshes[i])); mesh != nullptr && mesh->HasTransparentShader())
      return true;
  return false;
}

void MDocObj::AvoidKeyGreenShaders() {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (MMeshObj* mesh = AsMesh(static_cast<MObject*>(meshes[i]))) mesh->AvoidKeyGreenShaders();
}

void MDocObj::SetSelectedMeshLineStyle(int value) {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveEditState();
    if (!SceneFailed()) mesh->SetPageLineStyle(value);
  }
}

bool MDocObj::HasTexturedSelection() {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  if (meshes.count == 0) CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveEditState();
    PtrArray faces;
    if (mesh->HasSelectedVertex())
      mesh->GatherSelected(0, &faces, nullptr, nullptr);
    else
      mesh->GatherAll(&faces, nullptr, nullptr);
    for (int k = 0; k < faces.count; ++k) {
      const MShader* shader = static_cast<MFace*>(faces[k])->shader;
      if (TexturesOn() && shader != nullptr && shader->HasTexture()) return true;
    }
  }
  return false;
}

void MDocObj::ClearTextureSlots() { EngContext().textureFileTable.RemoveAll(); }

MShader* MDocObj::RegisterTexturedShader(MShader* shader, PtrArray& list) {
  if (shader == nullptr || !TexturesOn() || !shader->HasTexture()) return nullptr;
  for (int i = 0; i < list.count; ++i) {
    auto* known = static_cast<MShader*>(list[i]);
    if (known->IsEqual(*shader, false)) {
      shader->textureIndex = known->textureIndex;
      return known;
    }
  }
  if (!list.Add(shader)) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  shader->textureIndex = list.count - 1;
  return nullptr;
}

void MDocObj::AssignTextureIndices() {
  if (EngContext().textureFileCount == 0) return;
  PtrArray registered;
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    for (MShader* shader : mesh->GetShaderList()) RegisterTexturedShader(shader, registered);
    for (MMorph* morph : mesh->morphs) RegisterTexturedShader(morph->GetShader(), registered);
  }
  for (MMorphTgt* target : *morphTargets) RegisterTexturedShader(target->GetShader(), registered);
  if (SceneFailed()) return;
  EngArray<int>& table = EngContext().textureFileTable;
  table.RemoveAll();
  for (int i = 0; i < registered.count; ++i) {
    if (!table.Add(-1)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

int MDocObj::WriteCurrentMaterial(QFile& file) {
  MShader* current = EngGlobalM().currentMaterial.Get();
  if (current == nullptr) {
    platform::Beep();
    return -1;
  }
  AsMaterialRecord([&] { current->WriteTo(&file, nullptr); });
  return 0;
}

int MDocObj::ReadCurrentMaterial(QFile& file) {
  MShader* current = EngGlobalM().currentMaterial.Get();
  if (current == nullptr) {
    platform::Beep();
    return -1;
  }
  // Read apart first: a damaged record must not leave the user's current
  // material half replaced.
  MShader read;
  AsMaterialRecord([&] { read.ReadFrom(file); });
  if (SceneFailed()) return -1;
  EngGlobalM().ForgetCurrentShader();
  current->FreeImageData();
  read.AssignTo(current);
  return SceneFailed() ? -1 : 0;
}

}  // namespace engine
