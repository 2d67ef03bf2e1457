// MDocObj: the floor grid, scene bounds and centres, clearing element
// selections, the element link check and the statistics report.
#include <cstdio>
#include <string>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;

void MDocObj::ClearOtherSelections(MMeshObj* except) {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (mesh != except && mesh->HasSelectedVertex()) mesh->ClearSelection();
  }
}

void MDocObj::ApplyElementParamToAll() {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i) {
    const std::string fault = static_cast<MMeshObj*>(meshes[i])->DescribeLinkFault(-1);
    if (!fault.empty()) {
      EngContext().fatalText = fault;
      ENG_FATAL();
    }
  }
}

void MDocObj::ReportStatistics() {
  // The lines go to the engine's debug text, which this build discards.
  auto debugText = [](const std::string&) {};
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  CollectElementSelectedMeshes(meshes);
  if (SceneFailed()) return;
  int sums[4] = {0, 0, 0, 0};
  debugText("");
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    bool closed = true;
    for (MLine* line : mesh->lines)
      if (line->forwardFace == nullptr || line->backwardFace == nullptr) closed = false;
    debugText(closed ? "solid \r" : "surface \r");
    int counts[4];
    mesh->CountElements(counts[0], counts[1], counts[2], counts[3]);
    for (int k = 0; k < 4; ++k) sums[k] += counts[k];
  }
  const char* labels[4] = {"num of vert %7d \r", "num of line %7d \r", "num of face %7d \r", "num of flln %7d \r"};
  for (int k = 0; k < 4; ++k) {
    char text[64];
    std::snprintf(text, sizeof text, labels[k], sums[k]);
    debugText(text);
  }
}

void MDocObj::GetWorldBounds(MObject* object, BoundsRecord& out) {
  BoundsRecord local;
  object->GetLocalBounds(local);
  MatrixRecord world;
  GetObjectWorldMatrix(object, &world, nullptr);
  MUtilTransformBox(local, world, out);
}

void MDocObj::GetSelectionCentre(PointRecord& out) {
  out = PointRecord{0, 0, 0};
  PtrArray selected;
  GetSelectedObjects(selected);
  BoundsRecord box{0, 0, 0, 0, 0, 0, 1};
  for (int i = 0; i < selected.count; ++i) {
    BoundsRecord b;
    GetWorldBounds(static_cast<MObject*>(selected[i]), b);
    MUtilBoxUnion(box, b, box);
  }
  if (box.empty != 0) return;
  out = BoxCentre(box);
}

void MDocObj::GetPrimitiveExtent(double& x, double& y, double& z) {
  int kind, divisions, subdivisions;
  double extent;
  PointRecord a, b;
  GetGridParams(kind, extent, divisions, subdivisions, a, b);
  x = z = extent * 0.5;
  y = 0;
}

MGridObj* MDocObj::GetGridObject() {
  ENG_FATAL_IF(children.count == 0);
  ENG_FATAL_IF(ChildAt(0)->GetType() != kObjectGrid);
  return static_cast<MGridObj*>(ChildAt(0));
}

double MDocObj::GetGridStep() {
  int kind, divisions, subdivisions;
  double extent;
  PointRecord a, b;
  GetGridParams(kind, extent, divisions, subdivisions, a, b);
  return extent / divisions / subdivisions;
}

void MDocObj::GetGridParams(int& kind, double& extent, int& divisions, int& subdivisions, PointRecord& colourA,
                            PointRecord& colourB) {
  GetGridObject()->GetGridParams(kind, extent, divisions, colourA, colourB, subdivisions);
}

void MDocObj::SetGrid(int kind, double extent, int divisions, int subdivisions, const PointRecord& colourA,
                      const PointRecord& colourB) {
  GetGridObject()->Rebuild(kind, extent, divisions, subdivisions, colourA, colourB);
  MarkChanged();
}

void MDocObj::GetSelectedVerticesCentre(PointRecord& out) {
  out = PointRecord{0, 0, 0};
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  PointArray points;
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    MatrixRecord world;
    GetObjectWorldMatrix(mesh, &world, nullptr);
    PtrArray vertices;
    mesh->GatherSelectedVertices(vertices);
    for (int k = 0; k < vertices.count; ++k) {
      PointRecord p;
      MUtilTransformPoint(world, static_cast<MVertex*>(vertices[k])->GetPosition(), p);
      if (!points.Add(p)) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return;
      }
    }
  }
  if (points.count == 0) return;
  BoundsRecord box;
  MUtilBoxOfPoints(points.count, points.items, box);
  out = BoxCentre(box);
}

}  // namespace engine
