// MDocObj: one mesh operation over every mesh the selection designates, or
// a question about those meshes: crease weights, smooth display, the
// prepared normals and smooth surfaces, undo preparation, texture
// coordinate shifts, normalising and projecting, mirror editing, what kind
// of meshes are selected, lines divided to a length, and sweeping a
// profile along a path.
#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;
namespace {

// The selected meshes followed by the element-selected ones.
void CollectSelectedThenElementMeshes(MDocObj& scene, PtrArray& out) {
  scene.CollectSelectedMeshes(out);
  PtrArray more;
  if (!SceneFailed()) scene.CollectElementSelectedMeshes(more);
  for (int i = 0; i < more.count && !SceneFailed(); ++i) AddOrFail(out, more[i]);
}

// The candidate meshes of a command that works on selected objects, or on
// element-selected meshes when no object is selected; true for objects.
bool CollectObjectOrElementMeshes(MDocObj& scene, PtrArray& meshes) {
  scene.CollectSelectedMeshes(meshes);
  if (meshes.count > 0 || SceneFailed()) return true;
  scene.CollectElementSelectedMeshes(meshes);
  return false;
}

}  // namespace

void MDocObj::SetLineCreaseWeight(double weight) {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  bool touched = meshes.count > 0;
  ForEachSavedMesh(meshes, [&](MMeshObj* mesh) { mesh->SetLineCreaseWeightAll(weight); });
  PtrArray elementMeshes;
  if (!SceneFailed()) CollectElementSelectedMeshes(elementMeshes);
  for (int i = 0; i < elementMeshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(elementMeshes[i]);
    if (!HasSelectedLine(mesh)) continue;
    mesh->SaveEditState();
    if (!SceneFailed()) mesh->SetLineCreaseWeightSelected(weight);
    touched = true;
  }
  if (!touched && !SceneFailed()) SetVertexCreaseWeight(weight);
}

void MDocObj::SetVertexCreaseWeight(double weight) {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  ForEachSavedMesh(meshes, [&](MMeshObj* mesh) { mesh->SetVertexCreaseWeightAll(weight); });
  PtrArray elementMeshes;
  if (!SceneFailed()) CollectElementSelectedMeshes(elementMeshes);
  ForEachSavedMesh(elementMeshes, [&](MMeshObj* mesh) { mesh->SetVertexCreaseWeightSelected(weight); });
}

void MDocObj::ApplySmoothSurface(int level) {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (mesh->IsSmoothDisplay() == 0) continue;
    mesh->SaveEditState();
    if (!SceneFailed()) mesh->BuildSmoothSurface(level, 0);
    if (!SceneFailed()) mesh->SetSmoothDisplay(0);
  }
}

void MDocObj::SetSmoothSurfaceOn(bool on) {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  ForEachSavedMesh(meshes, [&](MMeshObj* mesh) { mesh->SetSmoothDisplay(on ? 1 : 0); });
}

bool MDocObj::HasSmoothSurfaceOn() {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (static_cast<MMeshObj*>(meshes[i])->IsSmoothDisplay() != 0) return true;
  return false;
}

int MDocObj::GetSelectionSmoothState() {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  int state = 0;
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (!GetTopLevelObject(mesh)->IsSelected()) continue;
    state |= mesh->IsSmoothDisplay() != 0 ? 2 : 1;
  }
  return state;
}

bool MDocObj::SelectionHasSmoothSurfaceOn() {
  PtrArray meshes;
  CollectSelectedThenElementMeshes(*this, meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (static_cast<MMeshObj*>(meshes[i])->IsSmoothDisplay() != 0) return true;
  return false;
}

void MDocObj::PrepareMeshes(unsigned char r1, unsigned char r2, unsigned char r3) {
  const CrPrefs* prefs = EngContext().prefs;
  const int smoothLevel = prefs != nullptr ? prefs->smoothSurfaceLevel : 2;
  unsigned char flags[3];
  GetModeBytes(flags[0], flags[1], flags[2]);
  const unsigned char requests[3] = {r1, r2, r3};
  bool fresh[3];
  for (int k = 0; k < 3; ++k) fresh[k] = flags[k] == 0 && requests[k] == 1;
  if (!fresh[0] && !fresh[1] && !fresh[2]) return;
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    const bool smooth = mesh->IsSmoothDisplay() != 0;
    if ((!smooth && fresh[0]) || (smooth && fresh[1])) mesh->UpdateVertexNormals();
    if (smooth && fresh[2] && !SceneFailed()) mesh->RefreshSmoothSurface(smoothLevel, GetTrackCount() > 0 ? 1 : 0);
  }
  if (SceneFailed()) return;
  for (int k = 0; k < 3; ++k)
    if (fresh[k]) flags[k] = 1;
  SetModeBytes(flags[0], flags[1], flags[2]);
}

bool MDocObj::SelectionHasFaces() {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (static_cast<MMeshObj*>(meshes[i])->HasFaces()) return true;
  return false;
}

void MDocObj::SaveSelectionForUndo() {
  PtrArray meshes;
  const bool objectsMode = CollectModeMeshes(*this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveEditState();
    PtrArray faces, lines, vertices;
    if (SceneFailed()) break;
    if (objectsMode) {
      mesh->GatherAll(&faces, &lines, &vertices);
      if (!SceneFailed()) mesh->SaveListsForUndo(&faces, &lines, &vertices);
    } else {
      mesh->GatherSelected(1, &faces, &lines, &vertices);
      if (!SceneFailed()) mesh->ApplyToListVertices(&faces, &lines, &vertices);
    }
  }
}

void MDocObj::GetAverageTextureVectors(PointRecord& a, PointRecord& b) {
  a = b = PointRecord{0, 0, 0};
  int n = 0;
  PtrArray meshes;
  const bool objectsMode = CollectModeMeshes(*this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveEditState();
    PtrArray vertices;
    if (SceneFailed()) break;
    if (objectsMode)
      mesh->CollectRingRepresentatives(vertices);
    else
      mesh->GatherSelectedVertices(vertices);
    for (int k = 0; k < vertices.count && !SceneFailed(); ++k) {
      PointRecord uRates, vRates;
      mesh->VertexUVGradient(static_cast<MVertex*>(vertices[k]), nullptr, uRates, vRates);
      a = Add(a, uRates);
      b = Add(b, vRates);
      ++n;
    }
  }
  // Without a vertex the averages stay zero rather than dividing by zero.
  if (n == 0) return;
  a = Scaled(a, 1.0 / n);
  b = Scaled(b, 1.0 / n);
}

void MDocObj::ShiftTextureCoords(double du, double dv) {
  PtrArray meshes;
  if (HasSelectedObject()) {
    CollectSelectedMeshes(meshes);
    for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
      auto* mesh = static_cast<MMeshObj*>(meshes[i]);
      mesh->SaveEditState();
      PtrArray rings;
      if (!SceneFailed()) mesh->CollectRingRepresentatives(rings);
      for (int k = 0; k < rings.count && !SceneFailed(); ++k)
        mesh->MoveVertexUV(static_cast<MVertex*>(rings[k]), nullptr, du, dv);
    }
  } else {
    CollectElementSelectedMeshes(meshes);
    for (int i = 0; i < meshes.count && !SceneFailed(); ++i)
      static_cast<MMeshObj*>(meshes[i])->MoveSelectedVertexUVs(du, dv);
  }
  MarkChanged();
}

bool MDocObj::SetMirrorEditing(bool on) {
  PtrArray queue;
  CollectSelectedThenElementMeshes(*this, queue);
  bool skipped = false;
  if (on) {
    for (int i = 0; i < queue.count && !SceneFailed(); ++i) {
      auto* mesh = static_cast<MMeshObj*>(queue[i]);
      if (mesh->IsSymmetric()) continue;
      if (!IsObjectOnMirrorLayer(mesh, true)) {
        skipped = true;
        continue;
      }
      // The chain from the scene's direct child down to the mesh.
      PtrArray chain;
      for (MObject* o = mesh; o != nullptr && o != this; o = o->GetParent())
        if (!AddOrFail(chain, o)) break;
      for (int k = chain.count - 1; k >= 0 && !SceneFailed(); --k) static_cast<MObject*>(chain[k])->ResetPivot();
      if (!SceneFailed()) mesh->SetMirrorMode(1);
    }
  }
  PtrArray meshes;
  if (!SceneFailed()) CollectSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (!IsObjectOnMirrorLayer(mesh, true)) continue;
    mesh->SaveEditState();
    if (!SceneFailed()) mesh->SetMirrorPlaneFlags(on);
  }
  PtrArray elementMeshes;
  if (!SceneFailed()) CollectElementSelectedMeshes(elementMeshes);
  for (int i = 0; i < elementMeshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(elementMeshes[i]);
    if (!IsObjectOnMirrorLayer(mesh, true)) continue;
    PtrArray vertices;
    mesh->GatherSelected(0, nullptr, nullptr, &vertices);
    if (vertices.count == 0) continue;
    mesh->SaveEditState();
    if (!SceneFailed()) mesh->SetMirrorPlaneFlagsSelected(on);
  }
  if (!on)
    for (int i = 0; i < queue.count && !SceneFailed(); ++i) {
      auto* mesh = static_cast<MMeshObj*>(queue[i]);
      if (IsObjectOnMirrorLayer(mesh, true)) mesh->UpdateMirrorMode();
    }
  return skipped;
}

int MDocObj::ClassifySelectionMeshes() {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  const bool objectsMode = meshes.count > 0;
  if (!objectsMode) CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    int textured = 0;
    mesh->CountTexturedShaders(&textured);
    if (textured != 0) return 1;
    if (mesh->HasOpenOrSeamLine(objectsMode)) return 2;
  }
  return 0;
}

void MDocObj::ApplyLengthToSelection(double length) {
  PtrArray meshes;
  const bool objectsMode = CollectObjectOrElementMeshes(*this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (objectsMode) {
      // Inverting selects what was not selected: everything is saved.
      mesh->SaveAllForUndo();
      if (!SceneFailed()) mesh->InvertSelection();
      if (SceneFailed()) break;
    }
    // The scene length measured in the mesh's own units.
    MatrixRecord inverse;
    GetObjectWorldMatrix(mesh, nullptr, &inverse);
    PointRecord local;
    MUtilTransformVector(inverse, PointRecord{length, 0, 0}, local);
    mesh->RefineSelectionToLength(MUtilLength(local));
  }
  MarkChanged();
}

void MDocObj::NormalizeSelectedTextureCoords() {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  ForEachSavedMesh(meshes, [](MMeshObj* mesh) { mesh->NormalizeSelectedTextureCoords(); });
  MarkChanged();
}

bool MDocObj::ProjectUVsFromView(ProjectionView& view, bool cylinder, PtrArray& faces) {
  EndEdit(0);
  PtrArray meshes;
  const bool objectsMode = CollectObjectOrElementMeshes(*this, meshes);
  ENG_FATAL_IF(meshes.count == 0 && !SceneFailed());
  if (SceneFailed()) return false;
  // Only the largest candidate (by the sum of its box's extents in the
  // scene) takes the projection; the first wins a tie.
  MMeshObj* winner = nullptr;
  MatrixRecord winnerWorld;
  double largest = -1;
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    MatrixRecord world;
    GetObjectWorldMatrix(mesh, &world, nullptr);
    BoundsRecord box;
    mesh->GetTransformedBounds(world, !objectsMode, box);
    const double size = box.empty ? 0 : (box.maxX - box.minX) + (box.maxY - box.minY) + (box.maxZ - box.minZ);
    if (size > largest) {
      largest = size;
      winner = mesh;
      winnerWorld = world;
    }
  }
  if (objectsMode)
    winner->GatherAll(&faces, nullptr, nullptr);
  else
    winner->GatherSelected(0, &faces, nullptr, nullptr);
  if (!SceneFailed()) winner->SaveListsForUndo(&faces, nullptr, nullptr);
  if (SceneFailed()) return meshes.count > 1;
  MatrixRecord frame;
  MUtilMultiply(view.GetViewMatrix(), winnerWorld, frame);
  winner->ProjectUVs(&faces, nullptr, frame, cylinder ? 2 : 1, 1, 1, 1, nullptr, nullptr, nullptr);
  return meshes.count > 1;
}

void MDocObj::SweepAlongPath(bool turn) {
  PtrArray selected;
  GetSelectedObjects(selected);
  if (SceneFailed()) return;
  PtrArray profiles, paths;
  if (selected.count == 2) CollectMeshesOfPair(profiles, paths);
  if (SceneFailed()) return;
  if (profiles.count != 1 || paths.count != 1) return EngRecordFailure(kEngReasonNotSweepPair);
  auto* profile = static_cast<MMeshObj*>(profiles[0]);
  auto* path = static_cast<MMeshObj*>(paths[0]);
  if (!profile->IsOpenPolyline(false) || !path->IsOpenPolyline(true)) return EngRecordFailure(kEngReasonNotSweepChains);
  MatrixRecord profileInverse, pathWorld;
  GetObjectWorldMatrix(profile, nullptr, &profileInverse);
  GetObjectWorldMatrix(path, &pathWorld, nullptr);
  SelectAll(false);
  if (SceneFailed()) return;
  // The path in the profile's coordinates, from its end nearer the
  // profile's centre.
  BoundsRecord box;
  profile->GetLocalBounds(box);
  MatrixRecord pathToProfile;
  MUtilMultiply(profileInverse, pathWorld, pathToProfile);
  PointArray points;
  path->CollectPolylinePoints(pathToProfile, BoxCentre(box), points);
  if (SceneFailed()) return;
  profile->SaveAllForUndo();
  if (!SceneFailed()) profile->InvertSelection();
  // Each step copies the profile's last copy, carries it to the next path
  // point and joins the two by walls.
  for (int u = 1; u < points.count && !SceneFailed(); ++u) {
    PtrArray sourceLines, copyLines;
    profile->CopySelectedLines(sourceLines, copyLines);
    if (!SceneFailed()) profile->SweepSelectionStep(turn, u, points);
    if (!SceneFailed()) profile->JoinLinesToCopies(sourceLines, copyLines);
  }
  if (SceneFailed()) return;
  profile->ClearUnpairedCreaseBits();
  if (!SceneFailed()) profile->ClearSelection();
  if (!SceneFailed()) RemoveObject(GetTopLevelObject(path));
}

bool MDocObj::HasClosedLineLoop(MObject* object) {
  if (MMeshObj* mesh = AsMesh(object)) return mesh->HasLineCycle();
  ENG_FATAL_IF(object->GetType() != kObjectGroup);
  PtrArray meshes;
  CollectMeshes(object, meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (static_cast<MMeshObj*>(meshes[i])->HasLineCycle()) return true;
  return false;
}

}  // namespace engine
