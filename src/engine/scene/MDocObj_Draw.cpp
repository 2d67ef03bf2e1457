// MDocObj: the drawing passes (normal pass, floor shadows, the mirror image
// of symmetric modelling, deferred transparent faces back to front), the
// overlay segments and the ray cast of projected shadows.
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/core/CRGlobalM.h"
#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QImp.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MMetaSurf.h"
#include "engine/mesh/MeshDrawing.h"
#include "engine/scene/MDocObj.h"

namespace engine {
namespace {

// The reflection across x = 0 that mirror layers show.
MatrixRecord MirrorMatrix() {
  MatrixRecord m;
  MUtilIdentity(m);
  m.m[0][0] = -1.0;
  return m;
}

PointRecord MirroredX(const PointRecord& p) { return {-p.x, p.y, p.z}; }

// Line colours 1 to 3 and the vertex display mode, saved while a pass
// draws with other element colours.
class ElementColours {
 public:
  // Lines in colour table entry `entry`; with hideVertices no vertex points.
  void Use(int entry, bool hideVertices) {
    CrPrefs* prefs = EngContext().prefs;
    if (prefs == nullptr) return;
    if (!saved_) {
      for (int i = 0; i < 3; ++i) lines_[i] = prefs->colours[kColourLine + i];
      vertexDisplayMode_ = prefs->vertexDisplayMode;
      saved_ = true;
    }
    for (int i = 0; i < 3; ++i) prefs->colours[kColourLine + i] = prefs->colours[entry];
    if (hideVertices) prefs->vertexDisplayMode = 0;
  }
  void Restore() {
    CrPrefs* prefs = EngContext().prefs;
    if (prefs == nullptr || !saved_) return;
    for (int i = 0; i < 3; ++i) prefs->colours[kColourLine + i] = lines_[i];
    prefs->vertexDisplayMode = vertexDisplayMode_;
    saved_ = false;
  }

 private:
  PrefColour lines_[3] = {};
  int vertexDisplayMode_ = 0;
  bool saved_ = false;
};

void SetMirrorPass(int value) {
  if (CrPrefs* prefs = EngContext().prefs) prefs->mirrorPass = value;
}

bool InMirrorPass() {
  const CrPrefs* prefs = EngContext().prefs;
  return prefs != nullptr && prefs->mirrorPass != 0;
}

DrawRecord Reflected(const DrawRecord& frame) {
  return {MirroredX(frame.eye), MirroredX(frame.target), MirroredX(frame.sectionOrigin),
          MirroredX(frame.sectionStep)};
}

DrawRecord Transformed(const MatrixRecord& m, const DrawRecord& frame) {
  DrawRecord out;
  MUtilTransformPoint(m, frame.eye, out.eye);
  MUtilTransformPoint(m, frame.target, out.target);
  MUtilTransformPoint(m, frame.sectionOrigin, out.sectionOrigin);
  MUtilTransformPoint(m, frame.sectionStep, out.sectionStep);
  return out;
}

// Where a deferred entry lies in its object: the centre of its face, or of
// its smooth-surface patch.
PointRecord DeferredCentre(const DeferredEntry& entry) {
  if (entry.face != nullptr) {
    MVertex* corners[3];
    static_cast<MFace*>(entry.face)->GetVertices(corners);
    return VScale(VAdd(VAdd(corners[0]->position, corners[1]->position), corners[2]->position), 1.0 / 3.0);
  }
  SurfVertex* corners[4];
  SurfEdge* edges[4];
  const int n = SurfFace::GetCorners(static_cast<SurfFace*>(entry.element), corners, edges);
  PointRecord sum{0.0, 0.0, 0.0};
  for (int i = 0; i < n; ++i) sum = VAdd(sum, corners[i]->position);
  return n > 0 ? VScale(sum, 1.0 / n) : sum;
}

// Whether a mesh with selected elements is a figure.
bool FigureInElementSelection(MDocObj& scene) {
  PtrArray meshes;
  scene.CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (static_cast<MObject*>(meshes[i])->IsBoneObject()) return true;
  return false;
}

}  // namespace

// ---- drawing passes ----------------------------------------------------------------

void MDocObj::DrawBody(QView* view, const DrawRecord& frame) { DrawWithMirror(view, frame, true); }

void MDocObj::DrawWithMirror(QView* view, const DrawRecord& frame, bool drawDeferred) {
  ElementColours colours;
  const bool single = IsSingleMeshMode();
  if (single) colours.Use(kColourMirrorCopy, false);
  SetMirrorPass(0);
  view->SetAltFlag2(single ? 1 : 0);
  view->ClearOverlayLines3(false);

  DrawObjects(view, frame);
  if (single) colours.Restore();
  if (SceneFailed()) return;
  PrepareFloorShadow(view, frame);
  if (SceneFailed()) return;

  // The mirror image: every point reflected across x = 0, lines in the
  // mirror colour, no vertex points.
  colours.Use(kColourDimmed, true);
  const PointRecord eyeDirection = view->GetEyeDirection();
  view->SetEyeDirection(MirroredX(eyeDirection));
  SetMirrorPass(1);
  QImp* renderer = view->GetRenderer();
  const MatrixRecord mirror = MirrorMatrix();
  renderer->PushMatrix();
  renderer->MultMatrix(&mirror.m[0][0]);
  DrawObjects(view, Reflected(frame));
  // Put back on every path: a failed pass must not leave the matrix pushed
  // or the eye mirrored for the frames after it.
  renderer->PopMatrix();
  view->SetEyeDirection(eyeDirection);
  if (!SceneFailed() && drawDeferred) {
    DrawDeferredFaces(view, frame);
    view->ClearOverlayLines3(false);
  }
  colours.Restore();
  SetMirrorPass(0);
}

void MDocObj::DrawObjects(QView* view, const DrawRecord& frame) {
  const bool mirrorPass = InMirrorPass();
  for (int i = 0; i < children.count && !SceneFailed(); ++i) {
    MObject* child = ChildAt(i);
    if (i == 0 && child->GetType() == kObjectGrid) {
      child->Draw(view, frame);  // whatever its layer; it draws nothing in the mirror pass
      continue;
    }
    if (!IsObjectVisible(child)) continue;
    const bool drawn = IsObjectOnMirrorLayer(child, true) ? (!mirrorPass || IsAllShown())
                                                          : (mirrorPass == view->IsFaceOrderFlipped());
    if (!drawn) continue;
    CrPrefs* prefs = EngContext().prefs;
    const bool dimmed = prefs != nullptr && !IsObjectEditable(child);
    if (dimmed) prefs->UseHighlightColors();
    child->Draw(view, frame);
    if (dimmed) prefs->RestoreColors();
  }
}

void MDocObj::PrepareFloorShadow(QView* view, const DrawRecord&) {
  const int mode = view->GetDrawMode();
  if (mode != 3 && mode != 6) return;
  QImp* renderer = view->GetRenderer();
  renderer->SetShadeModel(kShadeFlat);
  renderer->SetDrawingMode(kDrawFilledLit);
  CheckFloorShadowFrame(view);
  ResetShadowPassCount();
  for (int i = 0; i < children.count && !SceneFailed(); ++i) {
    MObject* child = ChildAt(i);
    if (IsObjectVisible(child)) child->DrawProjectedShadow(view, this);
  }
  ResetShadowPassCount();
  // Images made only in part stay stale, so the next draw makes them again.
  if (!SceneFailed()) StoreFloorShadowFrame(view);
}

void MDocObj::CheckFloorShadowFrame(QView* view) {
  if (floorShadowState != 2) return;
  double angles[2][2];
  bool fixedInScene = false;
  view->GetLights(angles, fixedInScene);
  bool same = floorShadowLightFlag != 0 && fixedInScene;
  for (int i = 0; i < 2 && same; ++i)
    for (int j = 0; j < 2 && same; ++j) same = std::fabs(angles[i][j] - floorShadowAngles[i][j]) <= 1e-8;
  if (!same) floorShadowState = 1;
}

void MDocObj::StoreFloorShadowFrame(QView* view) {
  bool fixedInScene = false;
  view->GetLights(floorShadowAngles, fixedInScene);
  floorShadowLightFlag = fixedInScene ? 1 : 0;
  floorShadowState = 2;
}

void MDocObj::DrawDeferredFaces(QView* view, const DrawRecord& frame) {
  std::vector<DeferredEntry>& entries = view->GetOverlayLines3();
  const int drawMode = view->GetDrawMode();
  const int faceStyle = view->GetPageFaceStyle();
  if (drawMode == 0 || faceStyle == 0 || entries.empty()) return;

  // Each object once, in list order: its number, its stamp, and its matrix
  // for either image at 2 × number + mirrored.
  std::vector<MObject*> objects;
  MatrixArray matrices, inverses;
  int largestStamp = 0;
  const MatrixRecord mirror = MirrorMatrix();
  for (const DeferredEntry& entry : entries) {
    if (std::find(objects.begin(), objects.end(), entry.object) != objects.end()) continue;
    entry.object->SetIndex(static_cast<int>(objects.size()));
    objects.push_back(entry.object);
    if (MMeshObj* mesh = AsMesh(entry.object)) {
      mesh->NextVisitStamp();
      largestStamp = std::max(largestStamp, mesh->GetVisitStamp());
    }
    MatrixRecord world, inverse, mirrored, mirroredInverse;
    GetObjectWorldMatrix(entry.object, &world, &inverse);
    MUtilMultiply(mirror, world, mirrored);  // the object's matrix, then the reflection
    MUtilInvert(mirrored, mirroredInverse);
    if (!matrices.Add(world) || !matrices.Add(mirrored) || !inverses.Add(inverse) ||
        !inverses.Add(mirroredInverse)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }

  const PointRecord axis = VSub(frame.target, frame.eye);
  const double axisSquared = VDot(axis, axis);
  for (DeferredEntry& entry : entries) {
    PointRecord p;
    MUtilTransformPoint(matrices[2 * entry.object->GetIndex() + entry.mirrored], DeferredCentre(entry), p);
    entry.depth = axisSquared > 0.0 ? VDot(VSub(p, frame.eye), axis) / axisSquared : 0.0;
  }
  // Farthest first; equal depths keep their list order.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const DeferredEntry& a, const DeferredEntry& b) { return a.depth > b.depth; });

  QImp* renderer = view->GetRenderer();
  const bool smooth = drawMode == 2 || drawMode == 3 || (drawMode == 6 && faceStyle == 1);
  renderer->SetShadeModel(smooth ? kShadeSmooth : kShadeFlat);
  renderer->SetDrawingMode(kDrawFilledLit);
  renderer->SetMatrixMode(kMatrixModelView);
  renderer->PushMatrix();
  const PointRecord eyeDirection = view->GetEyeDirection();
  MObject* previous = nullptr;
  int previousMirrored = -1;
  MShader* current = nullptr;
  DrawRecord local = frame;
  for (const DeferredEntry& entry : entries) {
    if (entry.object != previous || entry.mirrored != previousMirrored) {
      previous = entry.object;
      previousMirrored = entry.mirrored;
      MMeshObj* mesh = AsMesh(entry.object);
      if (mesh != nullptr && mesh->GetVisitStamp() < largestStamp) mesh->SetVisitStamp(largestStamp);
      const int slot = 2 * entry.object->GetIndex() + entry.mirrored;
      renderer->PopMatrix();
      renderer->PushMatrix();
      renderer->MultMatrix(&matrices[slot].m[0][0]);
      PointRecord eye;
      MUtilTransformVector(inverses[slot], eyeDirection, eye);
      OsUtilNormalize(eye);
      view->SetEyeDirection(eye);
      local = Transformed(inverses[slot], frame);
    }
    if (entry.face != nullptr)
      MeshDrawFace(view, static_cast<MFace*>(entry.face), current, entry.mirrored != 0, largestStamp, local.eye);
    else
      MetaSurfDrawPatch(view, static_cast<SurfFace*>(entry.element), current, entry.mirrored != 0, local);
    if (SceneFailed()) break;
  }
  renderer->EnableTexture(false);
  renderer->PopMatrix();
  view->SetEyeDirection(eyeDirection);
}

// ---- overlay segments ----------------------------------------------------------------

void MDocObj::CollectOverlaySegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view) {
  CollectSceneSegments(out, parentMatrix, view, nullptr);
}

void MDocObj::CollectSceneSegments(LineSegArray& out, const MatrixRecord& matrix, QView* view, MGroupObj* group) {
  MatrixRecord m, mirrored;
  MUtilMultiply(matrix, this->matrix, m);  // the scene's own matrix, then the given one
  const MatrixRecord mirror = MirrorMatrix();
  MUtilMultiply(m, mirror, mirrored);
  const int mode = view->GetOverlayMode();
  const bool mirrorCopies = mode != 0 && mode != 3 && view->GetAxisViewCode() != 1;

  CollectSelectedBoxSegments(out, m, view, false, group);
  if (!SceneFailed() && mirrorCopies) CollectSelectedBoxSegments(out, mirrored, view, true, group);
  if (!SceneFailed()) CollectObjectSegments(out, m, view, false, group);
  if (!SceneFailed() && mirrorCopies) CollectObjectSegments(out, mirrored, view, true, group);
  if (SceneFailed()) return;
  const CrPrefs* prefs = EngContext().prefs;
  if (prefs != nullptr && prefs->worldAxisMark != 0)
    CollectMirrorPlaneSegments(out, m, view, false);
  else if (EngGlobalM().axisMarkAtSelection != 0)
    CollectMirrorPlaneSegments(out, m, view, true);
}

void MDocObj::CollectSelectedBoxSegments(LineSegArray& out, const MatrixRecord& matrix, QView* view,
                                         bool mirroredOnly, MGroupObj* group) {
  if (view->GetOverlayMode() != 2) return;
  MGroupObj* owner = group != nullptr ? group : this;
  MatrixRecord m = matrix;
  if (group != nullptr) MUtilMultiply(matrix, group->matrix, m);
  for (int i = 0; i < owner->children.count && !SceneFailed(); ++i) {
    MObject* object = owner->ChildAt(i);
    if (!object->IsSelected() && group == nullptr) continue;
    if (mirroredOnly && !IsObjectOnMirrorLayer(object, false)) continue;
    object->CollectBoxSegments(out, m, view);
  }
}

void MDocObj::CollectObjectSegments(LineSegArray& out, const MatrixRecord& matrix, QView* view, bool mirroredOnly,
                                    MGroupObj* group) {
  MGroupObj* owner = group != nullptr ? group : this;
  MatrixRecord m = matrix;
  if (group != nullptr) MUtilMultiply(matrix, group->matrix, m);
  const int mode = view->GetOverlayMode();
  for (int i = 0; i < owner->children.count && !SceneFailed(); ++i) {
    MObject* object = owner->ChildAt(i);
    if (!IsObjectEditable(object)) continue;
    if (mirroredOnly && !IsObjectOnMirrorLayer(object, false)) continue;
    ENG_FATAL_IF(mode == 1);  // the view never asks the scene in that mode
    if (mode == 0 || mode == 3 || (mode == 2 && (object->IsSelected() || group != nullptr)))
      object->CollectOverlaySegments(out, m, view);
  }
}

void MDocObj::CollectMirrorPlaneSegments(LineSegArray& out, const MatrixRecord& matrix, QView* view,
                                         bool atSelection) {
  PointRecord p{0.0, 0.0, 0.0};
  if (atSelection) {
    int count = 0;
    CountElementSelectedMeshes(count);
    if (count == 0 || FigureInElementSelection(*this)) return;
    GetSelectedVerticesCentre(p);
  }
  double c = 80.0 * view->GetWorldPerPixel();
  if (view->GetSamplingFactor() != 0) c *= view->GetSamplingFactor();
  const PointRecord axes[3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
  for (int a = 0; a < 3; ++a) {
    const PointRecord end = VAdd(p, VScale(axes[a], c));
    const PointRecord tip = VAdd(p, VScale(axes[a], 1.2 * c));
    if (!AppendOverlaySegment(out, matrix, p, end, 24 + a)) return;
    if (!AppendOverlaySegment(out, matrix, end, tip, 27 + a)) return;
  }
}

// ---- shadows on other objects ----------------------------------------------------------

void MDocObj::CollectByShadowMode(int mode, PtrArray* out) {
  for (int i = 0; i < children.count && !SceneFailed(); ++i) {
    MObject* child = ChildAt(i);
    if (IsObjectEditable(child)) child->CollectByShadowMode(mode, out);
  }
}

bool MDocObj::RayCastObjects(const PointRecord& start, const PointRecord& direction, PointRecord& normal,
                             PointRecord& point, double lift) {
  PtrArray receivers;
  CollectByShadowMode(3, &receivers);
  if (SceneFailed()) return false;
  bool hit = false;
  double nearest = 0.0;
  for (int i = 0; i < receivers.count; ++i) {
    MMeshObj* mesh = AsMesh(static_cast<MObject*>(receivers[i]));
    if (mesh == nullptr) continue;
    MatrixRecord world, inverse;
    GetObjectWorldMatrix(mesh, &world, &inverse);
    PointRecord n, p;
    if (!mesh->IntersectRay(world, inverse, start, direction, &n, &p)) continue;
    const double along = VDot(p, direction);
    if (hit && along >= nearest) continue;  // the earlier object keeps an equal hit
    hit = true;
    nearest = along;
    normal = n;
    point = p;
  }
  if (!hit) return false;
  if (VDot(normal, normal) <= 1e-16)
    normal = {0.0, 0.0, 1.0};
  else
    OsUtilNormalize(normal);
  PointRecord offset = VScale(normal, lift);
  if (VDot(offset, direction) > 0.0) offset = VScale(offset, -1.0);
  point = VAdd(point, offset);
  return true;
}

}  // namespace engine
