// MDocObj: mesh commands over the selection. With whole objects selected
// a command runs the mesh operation's "all" form on every mesh of those
// objects; otherwise the "selected" form on every mesh holding selected
// elements. Also dropping objects onto what lies below them, mirrored
// copies, scaling objects, hiding and showing, and the transform panel's
// values.
#include <cmath>
#include <cstdint>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"
#include "engine/scene/SceneFigures.h"

namespace engine {

using namespace scene_detail;
namespace {

// Vertex flag bits 16 to 19: the crease weight.
constexpr std::uint32_t kCreaseWeightBits = 0x000F0000u;

// The crease commands: the line form on objects and on meshes with selected
// lines; when neither touched a mesh, the selected vertices (one per ring)
// are changed directly by `vertexChange`.
template <class All, class SelectedLines, class VertexChange>
void CreaseCommand(MDocObj& scene, All all, SelectedLines selectedLines, VertexChange vertexChange) {
  bool handled = false;
  if (scene.HasSelectedObject()) {
    PtrArray meshes;
    scene.CollectSelectedMeshes(meshes);
    for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
      auto* mesh = static_cast<MMeshObj*>(meshes[i]);
      mesh->SaveEditState();
      if (!SceneFailed()) all(mesh);
      handled = true;
    }
  }
  PtrArray meshes;
  if (!SceneFailed()) scene.CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (!HasSelectedLine(mesh)) continue;
    mesh->SaveEditState();
    if (!SceneFailed()) selectedLines(mesh);
    handled = true;
  }
  if (handled) return;
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveSelectionForUndo();
    PtrArray rings;
    if (!SceneFailed()) mesh->GatherSelectedVertices(rings);
    for (int k = 0; k < rings.count && !SceneFailed(); ++k) {
      auto* v = static_cast<MVertex*>(rings[k]);
      v->SaveUndo();
      if (!SceneFailed()) vertexChange(v);
    }
  }
}

// Every mesh of the scene on a visible, editable layer: its step opened,
// then `op`; stops at the first failure.
template <class Op>
void ForEachShownEditableMesh(MDocObj& scene, Op op) {
  PtrArray meshes;
  scene.CollectMeshes(&scene, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (!scene.IsObjectEditable(mesh) || !scene.IsObjectVisible(mesh)) continue;
    mesh->SaveEditState();
    if (!SceneFailed()) op(mesh);
  }
}

// A scene point in the mesh's own coordinates.
PointRecord EyeInMesh(MDocObj& scene, MMeshObj* mesh, const PointRecord& eye) {
  MatrixRecord inverse;
  scene.GetObjectWorldMatrix(mesh, nullptr, &inverse);
  PointRecord local;
  MUtilTransformPoint(inverse, eye, local);
  return local;
}

// Scale is baked into the contents unless animations drive the objects.
void BakeScaleUnlessAnimated(MDocObj& scene, MObject* object) {
  if (!scene.IsAnimationActive(0)) object->ApplyScale();
}

// The bounds of every direct child of the scene that is selected.
void SelectedChildrenBounds(MDocObj& scene, BoundsRecord& out) {
  out = BoundsRecord{0, 0, 0, 0, 0, 0, 1};
  PtrArray selected;
  scene.GetSelectedObjects(selected);
  for (int i = 0; i < selected.count; ++i) {
    BoundsRecord box;
    scene.GetWorldBounds(static_cast<MObject*>(selected[i]), box);
    MUtilBoxUnion(out, box, out);
  }
}

// Removes the listed objects from the scene (where they were added) and
// deletes them.
void DeleteObjectsOfScene(MDocObj& scene, PtrArray& objects) {
  for (int i = 0; i < objects.count; ++i) {
    auto* object = static_cast<MObject*>(objects[i]);
    scene.RemoveChild(object);
    delete object;
  }
  objects.count = 0;
}

}  // namespace

void MDocObj::SetLineColour(int colour) {
  // A colour word: red in the low byte, then green and blue.
  const PointRecord rgb{(colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0, ((colour >> 16) & 0xFF) / 255.0};
  ForEachCommandMesh(
      *this, true, [&](MMeshObj* m) { m->SetLineColourAll(rgb); }, [&](MMeshObj* m) { m->SetLineColourSelected(rgb); });
}

void MDocObj::FillSelectedHoles() {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveSelectionForUndo();
    if (!SceneFailed()) mesh->FillSelectedLoops();
  }
  MarkChanged();
}

void MDocObj::MakeFacesInAllLoops() {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (!IsObjectEditable(mesh)) continue;
    MObject* top = GetTopLevelObject(mesh);
    if (top->GetType() == kObjectGroup && static_cast<MGroupObj*>(top)->HasBoneChild(true)) continue;
    mesh->SaveEditState();
    if (!SceneFailed()) mesh->MakeFacesInLoopsAll();
  }
  MarkChanged();
}

void MDocObj::MakeFacesInLoops() {
  ForEachCommandMesh(
      *this, true, [](MMeshObj* m) { m->MakeFacesInLoopsAll(); }, [](MMeshObj* m) { m->MakeFacesInLoopsSelected(); });
}

void MDocObj::DivideSelectedLines(int count) {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  // Only line drawings standing on their own in the scene are divided.
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (mesh->GetParent() != this || mesh->HasFaces()) return EngRecordFailure(kEngReasonNotFaceless);
  }
  const bool mirror = IsCurrentLayerMirror();
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveEditState();
    if (!SceneFailed()) mesh->ApplyMatrixToVertices();
    if (!SceneFailed()) mesh->DivideLines(count, mirror);
  }
}

void MDocObj::OrientFaces(const PointRecord* eyeAndTarget) {
  ForEachCommandMesh(
      *this, true,
      [&](MMeshObj* m) {
        if (eyeAndTarget == nullptr) return m->ReverseAllFaces();
        m->OrientParts(false, EyeInMesh(*this, m, eyeAndTarget[0]));
      },
      [&](MMeshObj* m) {
        if (eyeAndTarget == nullptr) return m->OrientAll();
        m->OrientParts(true, EyeInMesh(*this, m, eyeAndTarget[0]));
      });
}

void MDocObj::SetCrease() {
  CreaseCommand(
      *this, [](MMeshObj* m) { m->SetCreaseBitAll(); }, [](MMeshObj* m) { m->SetCreaseBitSelected(); },
      [](MVertex* v) { v->flags |= kVertexFullCrease; });
}

void MDocObj::ClearCrease() {
  CreaseCommand(
      *this, [](MMeshObj* m) { m->ClearUnpairedCreaseBits(); },
      [](MMeshObj* m) { m->ClearUnpairedCreaseBitsSelected(); },
      [](MVertex* v) { v->flags &= ~(kVertexFullCrease | kCreaseWeightBits); });
}

void MDocObj::DropSelectedObjects(int axis) {
  SaveUndoAll();
  if (SceneFailed()) return;
  PtrArray selected, meshes, obstacles;
  GetSelectedObjects(selected);
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i) {
    MObject* top = GetTopLevelObject(static_cast<MObject*>(meshes[i]));
    if (top->IsSelected()) continue;
    BoundsRecord box;
    GetWorldBounds(static_cast<MObject*>(meshes[i]), box);
    bool overlaps = false;
    for (int k = 0; k < selected.count && !overlaps; ++k) {
      BoundsRecord own, meet;
      GetWorldBounds(static_cast<MObject*>(selected[k]), own);
      MUtilBoxIntersect(box, own, meet);
      overlaps = meet.empty == 0;
    }
    if (!overlaps && !AddOrFail(obstacles, meshes[i])) return;
  }
  // Half the grid's extent in x and z.
  double limitX, floorY, limitZ;
  GetPrimitiveExtent(limitX, floorY, limitZ);
  for (int i = 0; i < selected.count && !SceneFailed(); ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    BoundsRecord b;
    GetWorldBounds(object, b);
    if (b.empty != 0) continue;
    PointRecord move{0, 0, 0};
    auto obstacleBox = [&](int k) {
      BoundsRecord o;
      GetWorldBounds(static_cast<MObject*>(obstacles[k]), o);
      return o;
    };
    auto meets = [](const BoundsRecord& a, const BoundsRecord& o) {
      BoundsRecord meet;
      MUtilBoxIntersect(a, o, meet);
      return meet.empty == 0;
    };
    if (axis == 2) {
      double target = floorY;
      if (b.minY >= floorY) {
        BoundsRecord stretched = b;
        stretched.minY = floorY;
        for (int k = 0; k < obstacles.count; ++k) {
          const BoundsRecord o = obstacleBox(k);
          if (meets(stretched, o) && o.maxY > target) target = o.maxY;
        }
      }
      move.y = target - b.minY;
    } else if (axis == 1 || axis == 3) {
      const bool alongX = axis == 1;
      const double limit = alongX ? limitX : limitZ;
      const double maxEdge = alongX ? b.maxX : b.maxZ;
      double target = limit;
      if (maxEdge <= limit) {
        BoundsRecord stretched = b;
        (alongX ? stretched.maxX : stretched.maxZ) = limit;
        for (int k = 0; k < obstacles.count; ++k) {
          const BoundsRecord o = obstacleBox(k);
          const double low = alongX ? o.minX : o.minZ;
          if (meets(stretched, o) && low < target) target = low;
        }
      }
      (alongX ? move.x : move.z) = target - maxEdge;
    }
    MatrixRecord m;
    object->GetMatrix(m);
    MUtilTranslateAfter(m, move, m);
    object->SetMatrix(m);
  }
  MarkChanged();
}

void MDocObj::MakeMirroredCopies(bool newStep) {
  PtrArray selected, clones;
  GetSelectedObjects(selected);
  for (int i = 0; i < selected.count && !SceneFailed(); ++i) {
    MObject* clone = static_cast<MObject*>(selected[i])->Clone();
    if (clone == nullptr) {
      if (!SceneFailed()) EngRecordFailure(kEngReasonOutOfMemory);
      break;
    }
    clone->SetEditState(kEditCreated);
    MatrixRecord m;
    clone->GetMatrix(m);
    MUtilScaleAfter(m, -1, 1, 1, m);
    clone->SetMatrix(m);
    if (!clones.Add(clone)) {
      delete clone;
      EngRecordFailure(kEngReasonOutOfMemory);
      break;
    }
    clone->ApplyScale();
  }
  // The halves of symmetric meshes exist already; the other copies turn
  // their faces, which the mirroring turned inside out.
  if (!SceneFailed()) FinishMirroredCopies(&clones);
  PtrArray meshes;
  if (!SceneFailed()) CollectSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (mesh->IsMirrorMode() == 0) continue;
    mesh->MirrorToFull(nullptr);
    if (newStep && !SceneFailed()) mesh->SetEditState(kEditUnchanged);
  }
  if (newStep && !SceneFailed())
    for (int i = 0; i < selected.count; ++i) static_cast<MObject*>(selected[i])->SetEditState(kEditCreated);
  int added = 0;
  for (; added < clones.count && !SceneFailed(); ++added)
    if (!AddChild(static_cast<MObject*>(clones[added]))) break;
  if (!SceneFailed()) {
    PtrArray all;
    CollectMeshes(this, all);
    for (int i = 0; i < all.count && !SceneFailed(); ++i) static_cast<MMeshObj*>(all[i])->UpdateVertexNormals();
  }
  if (!SceneFailed()) return;
  // Out of the scene before they go: no child may point at a deleted clone.
  DeleteObjectsOfScene(*this, clones);
}

void MDocObj::PasteMirroredLeft() {
  PasteObjects(nullptr, false, false);
  if (!SceneFailed()) MakeMirroredCopies(true);
  if (SceneFailed()) return;
  BoundsRecord box;
  SelectedChildrenBounds(*this, box);
  if (box.empty != 0) return;
  int kind, divisions, subdivisions;
  double extent;
  PointRecord colourA, colourB;
  GetGridParams(kind, extent, divisions, subdivisions, colourA, colourB);
  MoveSelectionBy(PointRecord{-box.maxX - extent * 0.5 / divisions, 0, 0});
}

void MDocObj::SmoothSelection(int strength) {
  // A smoothed figure mesh carries its figure along.
  const auto follow = [this](MMeshObj* mesh) {
    if (!SceneFailed() && mesh->IsBoneObject()) SceneFigureFollowVertices(mesh, this);
  };
  ForEachCommandMesh(
      *this, false,
      [&](MMeshObj* m) {
        m->SmoothAll(strength);
        follow(m);
      },
      [&](MMeshObj* m) {
        m->SmoothSelected(strength);
        follow(m);
      });
}

void MDocObj::ReduceSelection(double amount) {
  ForEachCommandMesh(
      *this, false, [=](MMeshObj* m) { m->ReduceAll(amount); }, [=](MMeshObj* m) { m->ReduceSelected(amount); });
}

void MDocObj::FlattenSelection(int kind) {
  const bool ownMode = kind == 11 || kind == 12;
  ENG_FATAL_IF(!ownMode && (kind < 1 || kind > 3));
  const PointRecord sceneAxis{kind == 1 ? 1.0 : 0.0, kind == 2 ? 1.0 : 0.0, kind == 3 ? 1.0 : 0.0};
  PtrArray meshes;
  const bool objectsMode = CollectModeMeshes(*this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    PointRecord direction{0, 0, 0};
    if (!ownMode) {
      MatrixRecord world, inverse;
      GetObjectWorldMatrix(mesh, &world, &inverse);
      MUtilTransformVector(inverse, sceneAxis, direction);
      const double length = MUtilLength(direction);
      if (length > 0) direction = Scaled(direction, 1 / length);
    }
    if (objectsMode)
      mesh->FlattenAll(ownMode, direction);
    else
      mesh->FlattenSelected(ownMode, direction);
  }
  MarkChanged();
}

void MDocObj::ScaleSelectedObjects(double sx, double sy, double sz) {
  PtrArray selected;
  GetSelectedObjects(selected);
  for (int i = 0; i < selected.count && !SceneFailed(); ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    object->SaveUndo();
    if (SceneFailed()) break;
    MatrixRecord m;
    object->GetMatrix(m);
    MUtilScale(m, sx, sy, sz, m);
    object->SetMatrix(m);
    BakeScaleUnlessAnimated(*this, object);
  }
}

void MDocObj::HideSelection(int how) {
  if (HasSelectedObject()) {
    if (how == 2) {
      InvertEditableSelection(nullptr);
      how = 0;
    }
    PtrArray meshes;
    CollectSelectedMeshes(meshes);
    ForEachSavedMesh(meshes, [&](MMeshObj* mesh) { mesh->SetHideFlagAll(how != 0); });
  } else {
    ForEachShownEditableMesh(*this, [&](MMeshObj* mesh) { mesh->SetHideFlagSelected(how); });
  }
  SelectAll(false);
}

void MDocObj::ClearAllShown() { SetAllShown(false); }

void MDocObj::ShowAll() {
  ForEachShownEditableMesh(*this, [](MMeshObj* mesh) { mesh->ClearHideFlagAll(); });
  SetAllShown(true);
}

void MDocObj::GetTransformPanelValues(TransformPanelValues& out, bool& partsFlag) {
  out = TransformPanelValues();
  partsFlag = false;
  out.clipboardValue = GetUnitCode();
  PtrArray meshes;
  const bool objectsMode = CollectModeMeshes(*this, meshes);
  BoundsRecord box{0, 0, 0, 0, 0, 0, 1};
  int counted = 0;
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (mesh->GetVertexList().IsEmpty()) continue;
    MatrixRecord world;
    GetObjectWorldMatrix(mesh, &world, nullptr);
    BoundsRecord one;
    mesh->GetTransformedBounds(world, !objectsMode, one);
    MUtilBoxUnion(box, one, box);
    ++counted;
  }
  if (counted == 0) return;
  if (box.empty == 0) {
    out.step.scale = PointRecord{box.maxX - box.minX, box.maxY - box.minY, box.maxZ - box.minZ};
    out.boxMin = PointRecord{box.minX, box.minY, box.minZ};
    out.boxMax = PointRecord{box.maxX, box.maxY, box.maxZ};
  } else {
    out.step.scale = PointRecord{0, 0, 0};
  }
  if (objectsMode) {
    MObject* object = GetEarliestSelected();
    ENG_FATAL_IF(object == nullptr);
    MatrixRecord m;
    object->GetMatrix(m);
    PointRecord scale;
    MUtilDecomposeMatrix(m, out.step.turnY, out.step.turnX, out.step.turnZ, scale, out.step.move);
    constexpr double kDegrees = 180 / 3.14159265358979323846;
    out.step.turnY *= kDegrees;
    out.step.turnX *= kDegrees;
    out.step.turnZ *= kDegrees;
  } else {
    GetSelectedVerticesCentre(out.step.move);
    partsFlag = true;
  }
}

}  // namespace engine
