// Face colours for the colour bucket: a face is addressed by (mesh index,
// face index) over all meshes of the scene; its colour is its material's,
// or for a figure's face the single colour of the facial-expression
// textures, which are recoloured together. A few scene-wide material
// utilities the loader uses.
#include <cstring>

#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"

namespace engine {

namespace {

// The facial-expression textures, in the order they are read and written.
constexpr const char* kFaceTextureMorphs[] = {
    "skinbase_normal", "eyebase_normal",    "eyebase_anger",  "eyebase_laugh",
    "eyebase_close",   "eyebase_laughhard", "eyebase_cry",    "eyebase_cryhard",
    "eyebase_surprise", "eyebase_closehard", "eyebase_confuse", "eyebase_slight"};

bool TexturesOn() { return EngContext().textureMode != 0; }

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

}  // namespace engine
