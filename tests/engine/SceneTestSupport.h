#pragma once
// The scene tests' fixture: the mesh tests' clean context, the mesh and a
// stand-in figure registered with the object factory, an empty engine
// clipboard; objects made from the mesh kit's fixtures; and a canonical
// dump of a whole scene (objects in child order with type, layer, matrix,
// selection and each mesh's own dump; layers in use; removed objects) that
// undo tests compare.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>
#include <memory>
#include <string>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngMath.h"
#include "engine/core/ObjectFactory.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/SceneFigures.h"
#include "meshkit/MeshDump.h"
#include "meshkit/MeshFixtures.h"
#include "meshkit/MeshTestSupport.h"

namespace scenetest {

// A figure as the scene sees it: a mesh that answers true to IsBoneObject,
// stored with tag 6. Its skin counts as bound while `bound` is set, and the
// scene's figure updates are counted.
class StandInFigure : public engine::MMeshObj {
 public:
  bool IsBoneObject() override { return true; }
  engine::MObject* Clone() override {
    auto* copy = static_cast<StandInFigure*>(FinishClone(new (std::nothrow) StandInFigure()));
    if (copy != nullptr) copy->bound = bound;
    return copy;
  }
  static engine::MObject* Create() { return new (std::nothrow) StandInFigure(); }
  bool bound = false;
  int updates = 0;
};

// A mesh whose nearest-element pick answers what the test sets.
class PickMesh : public engine::MMeshObj {
 public:
  engine::MObject* PickNearest(const engine::PointRecord&, const engine::PointRecord&, const engine::PointRecord&,
                               double* t, bool) override {
    if (!hits) return nullptr;
    *t = hitT;
    return this;
  }
  bool hits = false;
  double hitT = 0;
};

class SceneTest : public meshkit::MeshTest {
 protected:
  void SetUp() override {
    MeshTest::SetUp();
    engine::InstallMeshObjectServices();
    engine::RegisterObjectCreator(engine::kObjectFigure, StandInFigure::Create);
    engine::FigureSceneServices services;
    services.isSkinBound = [](engine::MObject* o) { return static_cast<StandInFigure*>(o)->bound; };
    services.updateAfterVertexMove = [](engine::MObject* o, engine::MDocObj*) {
      ++static_cast<StandInFigure*>(o)->updates;
    };
    engine::SetFigureSceneServices(services);
    engine::EngGlobalM().Clear();
    engine::EngGlobalM().pasteFlag = 0;
    engine::EngGlobalM().pasteValue = 0;
    engine::EngContext().undoDepth = 1;
  }
  void TearDown() override {
    engine::EngGlobalM().Clear();
    engine::RegisterObjectCreator(engine::kObjectFigure, nullptr);
    engine::SetFigureSceneServices(engine::FigureSceneServices());
    engine::EngContext().undoDepth = 1;
    MeshTest::TearDown();
  }

 public:
  // A mesh of the fixture placed at (x, y, z), taken out of the fixture.
  static engine::MMeshObj* Place(meshkit::MeshFixture f, double x, double y, double z) {
    engine::MMeshObj* mesh = f.mesh.release();
    mesh->SetMatrix(objecttest::Translation(x, y, z));
    mesh->Checkpoint(false);
    return mesh;
  }
  static engine::MMeshObj* Tetra(double x = 0, double y = 0, double z = 0) {
    return Place(meshkit::MakeTetra(), x, y, z);
  }
  // Adds the object to the scene on `layer` as a committed part of it.
  static engine::MObject* Add(engine::MDocObj& scene, engine::MObject* object, int layer = 0) {
    EXPECT_TRUE(scene.AddChild(object));
    object->SetLayer(layer);
    object->SetEditState(engine::kEditUnchanged);
    object->SaveState();
    return object;
  }
  // A fresh scene with committed contents: made by `fill`, then EndEdit.
  template <class Fill>
  static std::unique_ptr<engine::MDocObj> MakeScene(Fill fill) {
    auto scene = std::make_unique<engine::MDocObj>();
    fill(*scene);
    scene->EndEdit(0);
    return scene;
  }
  static void SelectOnly(engine::MDocObj& scene, std::initializer_list<int> childIndices) {
    scene.SetAllSelected(false);
    std::uint32_t time = 1;
    for (int i : childIndices) {
      scene.ChildAt(i)->Select(true);
      scene.ChildAt(i)->selectTime = time++;  // selection order independent of the clock
    }
  }
  static void ExpectNear(const engine::PointRecord& p, double x, double y, double z, double tolerance = 1e-9) {
    EXPECT_NEAR(p.x, x, tolerance);
    EXPECT_NEAR(p.y, y, tolerance);
    EXPECT_NEAR(p.z, z, tolerance);
  }
  static engine::PointRecord Origin(engine::MObject* object) {
    engine::MatrixRecord m;
    object->GetMatrix(m);
    return {m.m[3][0], m.m[3][1], m.m[3][2]};
  }
};

// The canonical text of a scene.
// Selection is left out unless asked for: the edit step does not keep it.
inline void DumpObject(engine::MObject* object, int depth, std::string& out, bool selection) {
  char line[512];
  engine::MatrixRecord m;
  object->GetMatrix(m);
  std::snprintf(line, sizeof line, "%*stype %d layer %d sel %d figure %d flags %d m", depth * 2, "",
                object->GetType(), object->GetLayer(), selection && object->IsSelected() ? 1 : 0, object->IsBoneObject() ? 1 : 0,
                object->flags);
  out += line;
  for (const auto& row : m.m)
    for (double v : row) {
      std::snprintf(line, sizeof line, " %.12g", v + 0.0);
      out += line;
    }
  out += "\n";
  if (auto* mesh = engine::AsMesh(object)) {
    mesh->InvalidateSelectionCache();  // a cache, not content
    out += meshkit::DumpMesh(*mesh, {.normals = false});
  }
  if (object->GetType() == engine::kObjectGroup) {
    auto* group = static_cast<engine::MGroupObj*>(object);
    for (int i = 0; i < group->children.count; ++i) DumpObject(group->ChildAt(i), depth + 1, out, selection);
  }
}

inline std::string DumpScene(engine::MDocObj& scene, bool selection = false) {
  std::string out;
  char line[512];
  std::snprintf(line, sizeof line, "layers %d current %d unit %d\n", scene.GetLayerCount(), scene.GetCurrentLayer(),
                scene.GetUnitCode());
  out += line;
  for (int i = 0; i < scene.GetLayerCount(); ++i) {
    const engine::LayerRecord& r = scene.GetLayerRecord(i);
    std::snprintf(line, sizeof line, "layer %d %d%d%d%d%d '%s'\n", i, r.visible, r.editable, r.groupHead,
                  r.spareFlag, r.mirror, r.name);
    out += line;
  }
  // The grid first, then the objects in the order of their dumps: an undone
  // deletion puts its object back at the end of the list.
  std::vector<std::string> objects;
  for (int i = 0; i < scene.children.count; ++i) {
    std::string one;
    DumpObject(scene.ChildAt(i), 0, one, selection);
    objects.push_back(one);
  }
  if (!objects.empty()) std::sort(objects.begin() + 1, objects.end());
  for (const std::string& one : objects) out += one;
  return out;
}

}  // namespace scenetest
