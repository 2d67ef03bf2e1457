// PENDING: the material record and the image operations come with the
// materials work; until then these stand in.
#include "engine/mesh/MMeshObj.h"

namespace engine {

std::int64_t MaterialRecordSize(const MShader&) { return 0; }
void WriteMaterialRecord(QFile&, const MShader&) {}
bool ReadMaterialRecord(QFile&, MShader&) { return true; }

void MMeshObj::ApplyMorphMaterial(MMorph*, MMorphTgt*, double, int) {}
void MMeshObj::ShiftMorphFacesTexture(MMorph*, double, double) {}
void MMeshObj::MergeEqualShaders() {}
void MMeshObj::ApplyShaderToMorphFaces(const char*, const MShader*) {}
void MMeshObj::CropTexturesToSelection() {}
bool MMeshObj::SetFaceShaderColour(MFace*, std::uint32_t) { return false; }
bool MeshGetFaceShaderColour(const MFace*, std::uint32_t&) { return false; }

}  // namespace engine
