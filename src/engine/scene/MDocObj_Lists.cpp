// MDocObj: object selection, element selection queries, the object and
// mesh lists, world matrices and the selection statistics.
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;
namespace {

bool IsGroupLike(MObject* object) {
  const int type = object->GetType();
  return type == kObjectGroup || type == kObjectScene;
}

// Counts (or collects) the meshes under `root` that pass `test`.
template <class Test, class Visit>
void WalkMeshes(MObject* root, Test test, Visit visit) {
  if (IsGroupLike(root)) {
    auto* group = static_cast<MGroupObj*>(root);
    for (int i = 0; i < group->children.count && !SceneFailed(); ++i) WalkMeshes(group->ChildAt(i), test, visit);
    return;
  }
  if (MMeshObj* mesh = AsMesh(root))
    if (test(mesh)) visit(mesh);
}

// The six counts of a mesh: vertices, vertices with flag 0x02, lines not
// hidden as a quad diagonal, faces, faces without a hidden edge, element
// groups; with selectedOnly the selected vertices and lines and the faces
// whose three edges are selected.
void CountMeshElements(MMeshObj& mesh, bool selectedOnly, int counts[6]) {
  for (MVertex* v : mesh.GetVertexList()) {
    if (selectedOnly && (v->flags & kVertexSelected) == 0) continue;
    ++counts[0];
    if ((v->flags & kVertexOnMirror) != 0) ++counts[1];
  }
  for (MLine* line : mesh.lines) {
    if (selectedOnly && (line->flags & kLineSelected) == 0) continue;
    if ((line->flags & kLineHiddenDiagonal) == 0) ++counts[2];
  }
  for (MFace* face : mesh.GetFaceList()) {
    MLine* edges[3];
    face->GetLines(edges);
    bool allSelected = true, hiddenEdge = false;
    for (MLine* edge : edges) {
      if (edge == nullptr) continue;
      if ((edge->flags & kLineSelected) == 0) allSelected = false;
      if ((edge->flags & kLineHiddenDiagonal) != 0) hiddenEdge = true;
    }
    if (selectedOnly && !allSelected) continue;
    ++counts[3];
    if (!hiddenEdge) ++counts[4];
  }
  counts[5] += mesh.groups.Length();
}

}  // namespace

// ---- object selection ------------------------------------------------------------

void MDocObj::SetAllSelected(bool value) {
  for (int i = 0; i < children.count; ++i) ChildAt(i)->Select(value);
}

void MDocObj::SelectAll(bool value) {
  ClearOtherSelections(nullptr);
  SetAllSelected(value);
}

void MDocObj::InvertSelection() {
  ClearOtherSelections(nullptr);
  for (int i = 1; i < children.count; ++i) ChildAt(i)->Select(!ChildAt(i)->IsSelected());
}

bool MDocObj::HasObjects() { return children.count > 1; }

bool MDocObj::HasSelectedObject() {
  for (int i = 0; i < children.count; ++i)
    if (ChildAt(i)->IsSelected()) return true;
  return false;
}

void MDocObj::GetSelectedObjects(PtrArray& out) {
  for (int i = 0; i < children.count; ++i)
    if (ChildAt(i)->IsSelected() && !AddOrFail(out, ChildAt(i))) return;
}

MObject* MDocObj::GetEarliestSelected() {
  MObject* earliest = nullptr;
  for (int i = 0; i < children.count; ++i) {
    MObject* child = ChildAt(i);
    if (!child->IsSelected()) continue;
    if (earliest == nullptr || child->GetSelectTime() < earliest->GetSelectTime()) earliest = child;
  }
  return earliest;
}

// ---- element selection ---------------------------------------------------------------

void MDocObj::SelectMeshLine(MMeshObj* mesh, MLine* line) {
  PtrArray lines;
  if (AddOrFail(lines, line)) mesh->SelectLists(nullptr, &lines, nullptr);
}

void MDocObj::SelectElementsByKind(bool keep, int kind, double a, double b) {
  SetAllSelected(false);
  if (!keep) ClearOtherSelections(nullptr);
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (!IsObjectEditable(mesh)) continue;
    switch (kind) {
      case 0: mesh->SelectNonManifoldLines(); break;
      case 1: mesh->SelectFacelessLines(); break;
      case 2: mesh->SelectCreaseItems(); break;
      case 3: mesh->SelectByThreshold(a); break;
      case 4: mesh->SelectBoundaryLines(); break;
      case 5: mesh->SelectPartialWeightItems(); break;
      case 6: mesh->SelectLinesByWidth(a, b); break;
      default: break;
    }
  }
}

void MDocObj::CountElementSelectedMeshesIn(MObject* root, int& count) {
  WalkMeshes(root, [](MMeshObj* m) { return m->HasSelectedVertex(); }, [&](MMeshObj*) { ++count; });
}

void MDocObj::CountElementSelectedMeshes(int& count) {
  count = 0;
  CountElementSelectedMeshesIn(this, count);
}

void MDocObj::CountSelectedLineMeshesIn(MObject* root, int& count) {
  WalkMeshes(root, [](MMeshObj* m) { return m->HasSelectedLine(); }, [&](MMeshObj*) { ++count; });
}

void MDocObj::CountSelectedLineMeshes(int& count) {
  count = 0;
  CountSelectedLineMeshesIn(this, count);
}

void MDocObj::CountSelectedFaceMeshesIn(MObject* root, int& count) {
  WalkMeshes(root, [](MMeshObj* m) { return m->HasSelectedFace(); }, [&](MMeshObj*) { ++count; });
}

void MDocObj::CountSelectedFaceMeshes(int& count) {
  count = 0;
  CountSelectedFaceMeshesIn(this, count);
}

void MDocObj::CollectElementSelectedMeshesIn(MObject* root, PtrArray& out) {
  WalkMeshes(root, [](MMeshObj* m) { return m->HasSelectedVertex(); }, [&](MMeshObj* m) { AddOrFail(out, m); });
}

void MDocObj::CollectElementSelectedMeshes(PtrArray& out) { CollectElementSelectedMeshesIn(this, out); }

bool MDocObj::HasTexturedMesh(int* count) {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  if (SceneFailed()) return false;
  int textured = 0;
  for (int i = 0; i < meshes.count; ++i) {
    int n = 0;
    static_cast<MMeshObj*>(meshes[i])->CountTexturedShaders(&n);
    if (n != 0) ++textured;
  }
  if (count != nullptr) *count = textured;
  return textured > 0;
}

// ---- object lists ------------------------------------------------------------------------

void MDocObj::CollectMeshes(MObject* root, PtrArray& out) {
  WalkMeshes(
      root, [this](MMeshObj* m) { return visibleLayersOnly == 0 || IsObjectVisible(m); },
      [&](MMeshObj* m) { AddOrFail(out, m); });
}

void MDocObj::CollectAllObjects(MObject* root, PtrArray& out) {
  if (IsGroupLike(root)) {
    if (!AddOrFail(out, root)) return;
    auto* group = static_cast<MGroupObj*>(root);
    for (int i = 0; i < group->children.count && !SceneFailed(); ++i) CollectAllObjects(group->ChildAt(i), out);
    return;
  }
  if (root->GetType() == kObjectMesh) AddOrFail(out, root);
}

void MDocObj::CollectSelectedMeshes(PtrArray& out) {
  for (int i = 0; i < children.count && !SceneFailed(); ++i)
    if (ChildAt(i)->IsSelected()) CollectMeshes(ChildAt(i), out);
}

void MDocObj::CollectMeshesOfPair(PtrArray& first, PtrArray& second) {
  PtrArray selected;
  GetSelectedObjects(selected);
  if (SceneFailed()) return;  // out of memory: a short list is no caller's mistake
  ENG_FATAL_IF(selected.count != 2);
  auto* a = static_cast<MObject*>(selected[0]);
  auto* b = static_cast<MObject*>(selected[1]);
  // On equal times the second in child order counts as the earlier.
  if (a->GetSelectTime() < b->GetSelectTime()) {
    CollectMeshes(a, first);
    CollectMeshes(b, second);
  } else {
    CollectMeshes(b, first);
    CollectMeshes(a, second);
  }
}

MObject* MDocObj::GetTopLevelObject(MObject* object) {
  if (object == this) return this;
  MObject* last = object;
  for (MObject* o = object; o != nullptr && o != this; o = o->GetParent()) last = o;
  return last;
}

void DocGetWorldMatrix(MObject* object, MObject* ancestor, MatrixRecord* matrix, MatrixRecord* inverse) {
  MatrixRecord m, inv;
  MUtilIdentity(m);
  MUtilIdentity(inv);
  for (MObject* o = object; o != nullptr && o != ancestor; o = o->GetParent()) {
    MatrixRecord local, localInverse;
    o->GetMatrix(local);
    o->GetInverseMatrix(localInverse);
    MUtilMultiply(local, m, m);          // the accumulated transform first, then the object's
    MUtilMultiply(inv, localInverse, inv);
  }
  if (matrix != nullptr) *matrix = m;
  if (inverse != nullptr) *inverse = inv;
}

void MDocObj::GetObjectWorldMatrix(MObject* object, MatrixRecord* matrix, MatrixRecord* inverse) {
  DocGetWorldMatrix(object, this, matrix, inverse);
}

void MDocObj::CollectMeshesWithMatrices(MObject* root, PtrArray& meshes, MatrixArray& matrices,
                                        MatrixArray& inverses) {
  PtrArray found;
  CollectMeshes(root, found);
  for (int i = 0; i < found.count && !SceneFailed(); ++i) {
    MatrixRecord relative, inverse;
    DocGetWorldMatrix(static_cast<MObject*>(found[i]), root, &relative, &inverse);
    if (!AddOrFail(meshes, found[i])) return;
    if (!matrices.Add(relative) || !inverses.Add(inverse)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

// ---- selection statistics ------------------------------------------------------------------

void MDocObj::GetSelectionInfo(SelectionInfo& info, PointRecord* point) {
  PtrArray selected, meshes, elementMeshes;
  GetSelectedObjects(selected);
  CollectSelectedMeshes(meshes);
  CollectElementSelectedMeshes(elementMeshes);
  if (SceneFailed()) return;
  const bool selectedEverything = selected.count == 0 && elementMeshes.count == 0;
  if (selectedEverything) {
    SetAllSelected(true);
    selected.RemoveAll();
    meshes.RemoveAll();
    GetSelectedObjects(selected);
    CollectSelectedMeshes(meshes);
    if (SceneFailed()) return;
  }

  info = SelectionInfo();
  if (selected.count == 0)
    info.kind = 4;
  else if (selected.count == 1)
    info.kind = static_cast<MObject*>(selected[0])->GetType() == kObjectMesh ? 2 : 3;
  else
    info.kind = 1;

  const PtrArray& counted = selected.count > 0 ? meshes : elementMeshes;
  int totals[6] = {0, 0, 0, 0, 0, 0};
  double wholeQuads = 0;
  for (int i = 0; i < counted.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(counted[i]);
    int counts[6] = {0, 0, 0, 0, 0, 0};
    CountMeshElements(*mesh, selected.count == 0, counts);
    for (int k = 0; k < 6; ++k) totals[k] += counts[k];
    const int quads = (counts[3] - counts[4]) / 2;
    wholeQuads += mesh->IsSmoothDisplay() != 0 ? quads : quads / 4;
    const int layer = mesh->GetLayer();
    if (info.layer == -2)
      info.layer = layer;
    else if (info.layer != -1 && info.layer != layer)
      info.layer = -1;
  }
  info.countKind = (selected.count == 1 ? 6 : 8) + (totals[0] == 0 ? 1 : 0);
  info.flaggedVertices = totals[1];
  info.lines = totals[2];
  info.triangles = totals[4];
  info.quads = (totals[3] - totals[4]) / 2;
  info.polygons = info.triangles + info.quads;
  info.meshes = counted.count;
  info.elementGroups = totals[5];

  if (point != nullptr) {
    int figureGroups = 0;
    for (int i = 0; i < selected.count; ++i) {
      auto* object = static_cast<MObject*>(selected[i]);
      if (object->GetType() == kObjectGroup && static_cast<MGroupObj*>(object)->HasBoneChild(false)) ++figureGroups;
    }
    *point = PointRecord{static_cast<double>(selected.count), static_cast<double>(figureGroups), wholeQuads};
  }
  if (selectedEverything) SetAllSelected(false);
}

}  // namespace engine
