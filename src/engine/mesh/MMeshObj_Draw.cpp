// MMeshObj: which drawing passes run for each view setting, the face pass
// and the face emitters, bounds.
#include <algorithm>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/QImp.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MMetaSurf.h"
#include "engine/mesh/MeshDrawing.h"
#include "engine/mesh/MeshToneFill.h"

namespace engine {
namespace {

bool Failed() { return EngContext().failState != kEngFailNone; }

bool IsTextured(const MShader* material) { return EngContext().textureMode != 0 && material->HasTexture(); }

// Texture coordinates of corner i as the renderer takes them: v + 1.
void CornerTex(const MFace* face, int i, float out[2]) {
  const MFaceUV* uv = face->GetUVBlock();
  out[0] = uv != nullptr ? static_cast<float>(uv->corner[i].u) : 0.0f;
  out[1] = uv != nullptr ? static_cast<float>(uv->corner[i].v + 1.0) : 1.0f;
}

PointRecord CornerNormal(const MFace* face, const MVertex* corner, int i, const PointRecord& faceNormal) {
  switch (face->cornerModes[i]) {
    case kCornerStored:
      if (face->normals != nullptr) return face->normals->normal[i];
      return faceNormal;
    case kCornerSmooth:
      return corner->normal;
    default:
      return faceNormal;
  }
}

}  // namespace

// ---- helpers shared with the other drawing files ---------------------------

PointRecord MeshUnitDirection(const PointRecord& from, const PointRecord& to, const PointRecord& fallback) {
  const PointRecord d = VSub(to, from);
  const double squared = VDot(d, d);
  if (squared <= 1e-16) return fallback;
  return VScale(d, 1.0 / std::sqrt(squared));
}

void MeshLineColour(const MLine* line, float out[3]) {
  out[0] = static_cast<float>(line->colourR * 0.0039);
  out[1] = static_cast<float>(line->colourG * 0.0039);
  out[2] = static_cast<float>(line->colourB * 0.0039);
}

void MeshPrefColour(int entry, float out[3]) {
  const CrPrefs* prefs = EngContext().prefs;
  PrefColour c{0, 0, 0};
  if (prefs != nullptr && entry >= 0 && entry < kPrefColourCount) c = prefs->colours[entry];
  out[0] = static_cast<float>(c.r / 255.0);
  out[1] = static_cast<float>(c.g / 255.0);
  out[2] = static_cast<float>(c.b / 255.0);
}

void MeshColourOfRef(std::uint32_t colour, float out[3]) {
  out[0] = static_cast<float>((colour & 0xFF) / 255.0);
  out[1] = static_cast<float>(((colour >> 8) & 0xFF) / 255.0);
  out[2] = static_cast<float>(((colour >> 16) & 0xFF) / 255.0);
}

void MeshOutlineColour(QView* view, const MLine* line, float out[3]) {
  if (view->IsLineColorOverride()) MeshColourOfRef(view->GetLineColor(), out);
  else MeshLineColour(line, out);
}

bool MeshMirrorPass() {
  const CrPrefs* prefs = EngContext().prefs;
  return prefs != nullptr && prefs->mirrorPass != 0;
}

MatrixRecord MeshWorldMatrix(MObject* object) {
  MatrixRecord world;
  object->GetMatrix(world);
  for (MObject* p = object->GetParent(); p != nullptr; p = p->GetParent()) {
    MatrixRecord m, product;
    p->GetMatrix(m);
    MUtilMultiply(m, world, product);
    world = product;
  }
  return world;
}

// ---- bounds ------------------------------------------------------------------

void MMeshObj::ExtendBounds(const PointRecord& point, BoundsRecord& box) {
  if (box.empty != 0) {
    box.minX = box.maxX = point.x;
    box.minY = box.maxY = point.y;
    box.minZ = box.maxZ = point.z;
    box.empty = 0;
    return;
  }
  box.minX = std::min(box.minX, point.x);
  box.maxX = std::max(box.maxX, point.x);
  box.minY = std::min(box.minY, point.y);
  box.maxY = std::max(box.maxY, point.y);
  box.minZ = std::min(box.minZ, point.z);
  box.maxZ = std::max(box.maxZ, point.z);
}

void MMeshObj::ExtendBoundsByElements(const PtrArray* faceList, const PtrArray* lineList,
                                      const PtrArray* vertexList, BoundsRecord& out) {
  out = BoundsRecord{};
  out.empty = 1;
  if (faceList != nullptr)
    for (int i = 0; i < faceList->count; ++i) {
      MVertex* c[3];
      static_cast<MFace*>((*faceList)[i])->GetVertices(c);
      for (MVertex* v : c) ExtendBounds(v->position, out);
    }
  if (lineList != nullptr)
    for (int i = 0; i < lineList->count; ++i) {
      const MLine* line = static_cast<MLine*>((*lineList)[i]);
      ExtendBounds(line->end0->position, out);
      ExtendBounds(line->end1->position, out);
    }
  if (vertexList != nullptr)
    for (int i = 0; i < vertexList->count; ++i) ExtendBounds(static_cast<MVertex*>((*vertexList)[i])->position, out);
}

void MMeshObj::UpdateVertexNormals() {
  for (MVertex* v : vertices) v->UpdateNormals();
}

// ---- which passes run ------------------------------------------------------------

void MMeshObj::DrawBody(QView* view, const DrawRecord& record) {
  if (view->GetRenderer()->GetRendererKind() == kRendererOpenGL) DrawInView(view, record);
  else DrawForRenderer(view, record);
}

bool MMeshObj::IsShownSmooth(QView* view) const {
  return view->IsSmoothShown() && smoothDisplay != 0 && smoothSurface != nullptr;
}

void MMeshObj::DrawFacesInStyle(QView* view, const DrawRecord& record, bool toned) {
  if (IsShownSmooth(view)) smoothSurface->DrawFaces(view, record, toned);
  else DrawFacesByMaterial(view, record, toned);
}

void MMeshObj::DrawPageFaces(QView* view, const DrawRecord& record) {
  const int faceStyle = view->GetPageFaceStyle();
  if (faceStyle <= 0) return;
  if (faceStyle == 1 || faceStyle == 5) {
    DrawFacesInStyle(view, record, false);
    return;
  }
  SetupToneLevels(view);
  DrawFacesInStyle(view, record, true);
}

void MMeshObj::DrawPageLines(QView* view, const DrawRecord& record) {
  const int lineStyle = view->GetPageLineStyle();
  if (lineStyle == 0 || pageLineStyle == 6) return;
  if (lineStyle == 6) {
    DrawLinesPlain(view, record);
    return;
  }
  if (IsShownSmooth(view)) {
    smoothSurface->DrawPageOutlines(view, record);
    if (!Failed() && view->IsOutlineShown()) smoothSurface->DrawSectionLines(view, record);
    return;
  }
  DrawPageOutlines(view, record);
  if (!Failed() && view->IsOutlineShown()) DrawSectionLines(view, record);
}

void MMeshObj::DrawLinePass(QView* view, const DrawRecord& record, bool altAllowed) {
  const CrPrefs* prefs = EngContext().prefs;
  const int mode = prefs != nullptr ? prefs->lineDisplayMode : 1;
  if (altAllowed && view->IsAltMeshDraw()) DrawLinesPlain(view, record);
  else if (mode == 0) DrawLinesPlain(view, record);
  else if (mode == 2) {
    if (!IsInBoneGroup()) DrawLinesByCrease(view, record);
  } else {
    DrawLinesChained(view, record);
  }
}

void MMeshObj::DrawAfterFaces(QView* view, const DrawRecord& record) {
  if (view->GetDrawMode() == 6) {
    DrawPageLines(view, record);
    return;
  }
  if (IsShownSmooth(view)) {
    DrawLinePass(view, record, false);
    if (Failed()) return;
    DrawVertexPoints(view, record);
    if (Failed()) return;
    DrawCurveLines(view, record);
    return;
  }
  if (view->IsOutlineShown()) DrawSectionLines(view, record);
  if (Failed()) return;
  DrawLinePass(view, record, true);
  if (Failed()) return;
  DrawVertexPoints(view, record);
}

void MMeshObj::DrawInView(QView* view, const DrawRecord& record) {
  const int quick = view->GetQuickDrawLevel();
  if (quick >= 1 && quick <= 3) return;
  if (quick == 4 || quick == 5 || quick == 7) {
    DrawLinesByClass(view, record);
    return;
  }
  if (view->IsRenderSlow() && quick == 0) {
    DrawLinesChained(view, record);
    return;
  }
  const int mode = view->GetDrawMode();
  if ((mode == 3 || mode == 6) && IsShadowOnly()) return;
  if (mode == 6) DrawPageFaces(view, record);
  else DrawFacesInStyle(view, record, false);
  if (Failed()) return;
  DrawAfterFaces(view, record);
}

void MMeshObj::DrawForRenderer(QView* view, const DrawRecord& record) {
  const int mode = view->GetDrawMode();
  if ((mode == 3 || mode == 6) && IsShadowOnly()) return;
  QImp* renderer = view->GetRenderer();
  renderer->BeginMesh(view);
  if (!renderer->SkipsFaces()) {
    renderer->SetFacePass(true);
    if (mode == 6) DrawPageFaces(view, record);
    else DrawFacesInStyle(view, record, false);
    renderer->SetFacePass(false);
    if (Failed()) return;
  }
  DrawAfterFaces(view, record);
}

// ---- the face pass -----------------------------------------------------------------

void MMeshObj::SetupToneLevels(QView* view) { MeshSetupToneLevels(view); }

void MMeshObj::DeferTransparentFace(QView* view, MFace* face) { view->AddDeferredFace(this, face, nullptr, 0.0); }

void MMeshObj::DrawFacesByMaterial(QView* view, const DrawRecord& record, bool tone) {
  const int drawMode = view->GetDrawMode();
  if (drawMode == 0) return;
  QImp* renderer = view->GetRenderer();
  const bool mirrored = MeshMirrorPass();
  const bool smooth =
      !tone && (drawMode == 2 || drawMode == 3 || (drawMode == 6 && view->GetPageFaceStyle() != 5));
  renderer->SetShadeModel(smooth ? kShadeSmooth : kShadeFlat);
  renderer->SetDrawingMode(kDrawFilledLit);
  MShader* current = nullptr;
  view->ApplyCullMode(mirrored);
  int mode;
  if (tone) {
    renderer->LightingOff();
    mode = 10 + (mirrored ? 1 : 0);
  } else {
    mode = (view->IsFaceOrderFlipped() != mirrored) ? 1 : 0;
  }
  const bool indexed = renderer->IsIndexedOutput();
  if (indexed) PrepareIndexedOutput(view);
  const int stamp = TakeVisitStamp();
  for (MShader* shader : shaders) {
    MShader* override = view->GetOverrideMaterial();
    MShader* used = override != nullptr ? override : shader;
    for (MFace* face : faces) {
      if (face->shader != shader || (face->flags & kFaceHidden) != 0 || face->id == stamp) continue;
      if (tone || smooth) {
        if (used->opacity < 1.0) DeferTransparentFace(view, face);
        else MeshEmitTriangle(view, face, used, current, mode, record.eye, shader);
      } else if (used->opacity < 1.0) {
        DeferTransparentFace(view, face);
        MFace* partner = nullptr;
        MLine* lines[5];
        MVertex* corners[4];
        if (GetQuadCorners(face, &partner, lines, corners, nullptr, nullptr, nullptr) == 4) partner->id = stamp;
      } else {
        MeshEmitFace(view, face, used, current, mode, stamp, shader);
      }
      if (Failed()) break;
    }
    if (Failed()) break;
  }
  if (indexed) ClearVertexIndices();
  renderer->EnableTexture(false);
  if (tone) renderer->LightingOn();
  renderer->SetCullMode(kCullNone);
}

void MeshEmitTriangle(QView* view, MFace* face, MShader* material, MShader*& current, int mode,
                      const PointRecord& eye, MShader* ownMaterial) {
  QImp* renderer = view->GetRenderer();
  const bool textured = IsTextured(material) && !(material->sphereMap != 0 && mode >= 2);
  if (material != current) {
    renderer->SetMaterial(material, current, textured, ownMaterial);
    current = material;
  }
  float tex[3][2] = {};
  if (textured) {
    renderer->EnableTexture(true);
    for (int i = 0; i < 3; ++i) CornerTex(face, i, tex[i]);
  }
  MVertex* corners[3];
  face->GetVertices(corners);
  const PointRecord faceNormal = face->GetNormal();
  PointRecord normals[3];
  for (int i = 0; i < 3; ++i) normals[i] = CornerNormal(face, corners[i], i, faceNormal);
  if (mode < 2) {
    float p[3][3], n[3][3];
    for (int i = 0; i < 3; ++i) {
      if (mode == 1) normals[i] = VScale(normals[i], -1.0);
      VToFloats(corners[i]->position, p[i]);
      VToFloats(normals[i], n[i]);
    }
    if (textured) renderer->DrawTriangleTextured(p[0], n[0], tex[0], p[1], n[1], tex[1], p[2], n[2], tex[2]);
    else renderer->DrawTriangleNormals(p[0], n[0], p[1], n[1], p[2], n[2]);
    return;
  }
  const PointRecord points[3] = {corners[0]->position, corners[1]->position, corners[2]->position};
  int* words[3] = {&corners[0]->id, &corners[1]->id, &corners[2]->id};
  MeshEmitToneFill(view, 3, points, normals, words, textured, &tex[0][0], material, eye, faceNormal);
}

void MeshEmitToneFill(QView* view, int count, const PointRecord* points, PointRecord* normals, int* const* indexWords,
                      bool textured, const float* textureCoords, MShader* material, const PointRecord& eye,
                      const PointRecord& faceNormal) {
  QImp* renderer = view->GetRenderer();
  int indices[4];
  int* indexArgument = nullptr;
  if (renderer->IsIndexedOutput()) {
    for (int k = 0; k < count; ++k) {
      int& word = *indexWords[k];
      if (word == -1) indices[k] = word = renderer->NextVertexIndex();
      else if (word == -2) indices[k] = renderer->NextVertexIndex();
      else indices[k] = word;
    }
    indexArgument = indices;
  } else if (VDot(VSub(eye, points[0]), faceNormal) < 0.0) {
    for (int k = 0; k < count; ++k) normals[k] = VScale(normals[k], -1.0);
  }
  double pointValues[12], normalValues[12];
  for (int k = 0; k < count; ++k) {
    pointValues[3 * k] = points[k].x;
    pointValues[3 * k + 1] = points[k].y;
    pointValues[3 * k + 2] = points[k].z;
    normalValues[3 * k] = normals[k].x;
    normalValues[3 * k + 1] = normals[k].y;
    normalValues[3 * k + 2] = normals[k].z;
  }
  float colour[4];
  if (textured) colour[0] = colour[1] = colour[2] = 1.0f;
  else VToFloats(material->diffuseColor, colour);
  colour[3] = static_cast<float>(material->opacity);
  const PointRecord eyeDirection = view->GetEyeDirection();
  renderer->FillToneBands(count, pointValues, normalValues, textured, textureCoords, colour, eyeDirection.x,
                          eyeDirection.y, eyeDirection.z, material, indexArgument);
}

void MeshEmitFace(QView* view, MFace* face, MShader* material, MShader*& current, int mode, int stamp,
                  MShader* ownMaterial) {
  QImp* renderer = view->GetRenderer();
  const bool textured = IsTextured(material);
  MFace* partner = nullptr;
  MLine* lines[5];
  MVertex* corners[4];
  MFaceUV::Pair uvs[4] = {};
  const int count = GetQuadCorners(face, &partner, lines, corners, uvs, nullptr, nullptr);
  if (count == 4) partner->id = stamp;
  face->id = stamp;
  if (material != current) {
    renderer->SetMaterial(material, current, textured, ownMaterial);
    current = material;
  }
  if (textured) renderer->EnableTexture(true);
  PointRecord normal = face->GetNormal();
  if (mode == 1) normal = VScale(normal, -1.0);
  float n[3], p[4][3], t[4][2];
  VToFloats(normal, n);
  for (int k = 0; k < count; ++k) {
    VToFloats(corners[k]->position, p[k]);
    t[k][0] = static_cast<float>(uvs[k].u);
    t[k][1] = static_cast<float>(uvs[k].v + 1.0);
  }
  if (count == 3) {
    if (textured) renderer->DrawTriangleTextured(p[0], n, t[0], p[1], n, t[1], p[2], n, t[2]);
    else renderer->DrawTriangleNormals(p[0], n, p[1], n, p[2], n);
  } else if (textured) {
    renderer->DrawQuadTextured(p[0], n, t[0], p[1], n, t[1], p[2], n, t[2], p[3], n, t[3]);
  } else {
    renderer->DrawQuadNormals(p[0], n, p[1], n, p[2], n, p[3], n);
  }
}

void MeshDrawFace(QView* view, MFace* face, MShader*& current, bool flip, int stamp, const PointRecord& eye) {
  const int drawMode = view->GetDrawMode();
  if (drawMode == 6 && view->GetPageFaceStyle() != 1) {
    MeshDrawFacePageStyle(view, face, current, flip, eye);
    return;
  }
  view->ApplyCullMode(flip);
  MShader* material = view->IsFaceColorOverride() ? view->GetOverrideMaterial() : face->shader;
  if (material == nullptr) material = face->shader;
  const bool hidden = (face->flags & kFaceHidden) != 0;
  if (drawMode == 2 || drawMode == 3 || drawMode == 6) {
    if (hidden || (flip && face->AllCornersOnMirror())) return;
    const int mode = (view->IsFaceOrderFlipped() != flip) ? 1 : 0;
    MeshEmitTriangle(view, face, material, current, mode, eye, face->shader);
  } else if (!hidden) {
    MeshEmitFace(view, face, material, current, 0, stamp, face->shader);
  }
}

void MeshDrawFacePageStyle(QView* view, MFace* face, MShader*& current, bool flip, const PointRecord& eye) {
  QImp* renderer = view->GetRenderer();
  renderer->LightingOff();
  view->ApplyCullMode(flip);
  if ((face->flags & kFaceHidden) == 0 && !(flip && face->AllCornersOnMirror())) {
    MShader* material = view->IsFaceColorOverride() ? view->GetOverrideMaterial() : face->shader;
    if (material == nullptr) material = face->shader;
    MeshEmitTriangle(view, face, material, current, flip ? 3 : 2, eye, face->shader);
  }
  renderer->LightingOn();
}

// ---- indexed output ----------------------------------------------------------------

void MMeshObj::PrepareIndexedOutput(QView* view) {
  for (MVertex* v : vertices) v->id = -1;
  if (CountTexturedShaders(nullptr))
    for (MVertex* v : vertices)
      if (!v->GetSharedUV(true, nullptr, nullptr)) v->id = -2;
  int split = 0, splitCorners = 0, visible = 0, vertexTotal = 0;
  for (MVertex* v : vertices) {
    ++vertexTotal;
    if (v->id == -2) ++split;
  }
  for (MFace* face : faces) {
    if ((face->flags & kFaceHidden) != 0) continue;
    ++visible;
    MVertex* c[3];
    face->GetVertices(c);
    for (MVertex* v : c) splitCorners += v->id == -2 ? 1 : 0;
  }
  QImp* renderer = view->GetRenderer();
  renderer->SetVertexCount(vertexTotal + splitCorners - split);
  renderer->SetFaceCount(visible);
}

void MMeshObj::ClearVertexIndices() {
  for (MVertex* v : vertices) v->id = 0;
}

// ---- moved vertices -----------------------------------------------------------------

void MMeshObj::TransformVertices(const MatrixRecord& m) {
  for (MVertex* v : vertices) {
    PointRecord moved;
    MUtilTransformPoint(m, v->position, moved);
    if ((v->flags & kVertexOnMirror) != 0) moved.x = 0.0;
    v->position = moved;
  }
  MarkChanged();
  TransformMorphs(m);
}

// ---- figures' groups -------------------------------------------------------------------

bool MMeshObj::IsInBoneGroup() {
  for (MObject* o = this; o != nullptr; o = o->GetParent())
    if (o->GetType() == kObjectGroup && static_cast<MGroupObj*>(o)->HasBoneChild(true)) return true;
  return false;
}

}  // namespace engine
