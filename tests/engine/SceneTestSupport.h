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
#include <functional>
#include <map>
#include <vector>
#include <memory>
#include <string>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngMath.h"
#include "engine/core/ObjectFactory.h"
#include "engine/core/QFile.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/SceneFigures.h"
#include "meshkit/MeshDump.h"
#include "meshkit/MeshFixtures.h"
#include "meshkit/MeshTestSupport.h"
#include "support/TempDir.h"

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

// The bytes `write` puts into a new file of the folder.
template <class Write>
std::vector<unsigned char> WrittenBytes(const testsupport::TempDir& dir, Write write) {
  const std::string path = dir.File("written.bin");
  {
    engine::QFile out(path, platform::File::Mode::kCreateWrite);
    write(out);
    out.FlushAndClose();
  }
  return testsupport::TempDir::ReadAll(path);
}

// Each mesh's element order at one moment: an undo may give the same
// elements back in another list order, so dumps compared across it name
// the elements in the order taken before.
using SceneOrder = std::map<const engine::MMeshObj*, meshkit::ElementOrder>;

// The canonical text of a scene.
// Selection is left out unless asked for: the edit step does not keep it.
inline void DumpObject(engine::MObject* object, int depth, std::string& out, bool selection,
                       const SceneOrder* order = nullptr) {
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
    meshkit::DumpOptions options{.normals = false};
    if (order != nullptr)
      if (auto it = order->find(mesh); it != order->end()) options.order = &it->second;
    out += meshkit::DumpMesh(*mesh, options);
  }
  if (object->GetType() == engine::kObjectGroup) {
    auto* group = static_cast<engine::MGroupObj*>(object);
    for (int i = 0; i < group->children.count; ++i)
      DumpObject(group->ChildAt(i), depth + 1, out, selection, order);
  }
}

inline std::string DumpScene(engine::MDocObj& scene, bool selection = false, const SceneOrder* order = nullptr) {
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
    DumpObject(scene.ChildAt(i), 0, one, selection, order);
    objects.push_back(one);
  }
  if (!objects.empty()) std::sort(objects.begin() + 1, objects.end());
  for (const std::string& one : objects) out += one;
  return out;
}

// The scene's dump against an expected one, naming the first line that
// differs rather than printing both dumps whole.
inline ::testing::AssertionResult DumpIs(engine::MDocObj& scene, const std::string& expected,
                                  const scenetest::SceneOrder* order = nullptr) {
  const std::string actual = DumpScene(scene, false, order);
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t a = 0, e = 0;
  int line = 1;
  while (true) {
    const std::size_t an = actual.find('\n', a), en = expected.find('\n', e);
    const std::string al = actual.substr(a, an == std::string::npos ? std::string::npos : an - a);
    const std::string el = expected.substr(e, en == std::string::npos ? std::string::npos : en - e);
    if (al != el || an == std::string::npos || en == std::string::npos)
      return ::testing::AssertionFailure() << "line " << line << "\n  is:       " << al << "\n  expected: " << el;
    a = an + 1;
    e = en + 1;
    ++line;
  }
}

inline SceneOrder OrderOf(engine::MDocObj& scene) {
  SceneOrder order;
  engine::PtrArray meshes;
  scene.CollectMeshes(&scene, meshes);
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<engine::MMeshObj*>(meshes[i]);
    order[mesh] = meshkit::ListOrder(*mesh);
  }
  return order;
}

// The command run on a fresh scene with each of its allocations failing in
// turn: after each failure the scene's undo gives the scene back as it was.
// `alsoCheck`, when given, looks at each scene after its undo as well.
inline void ExpectUndoneAfterEachAllocationFailure(const std::function<std::unique_ptr<engine::MDocObj>()>& make,
                                                   const std::function<void(engine::MDocObj&)>& run,
                                                   int limit = 2000,
                                                   const std::function<void(engine::MDocObj&)>& alsoCheck = {}) {
  std::unique_ptr<engine::MDocObj> scene;
  std::string before;
  SceneOrder order;
  auto fresh = [&] {
    scene = make();
    order = OrderOf(*scene);
    before = DumpScene(*scene, false, &order);
  };
  fresh();
  meshkit::ForEachAllocationFailure([&] { run(*scene); },
                                    [&](int nth) {
                                      engine::EngContext().ClearFailure();
                                      scene->UndoEdit(0);
                                      EXPECT_TRUE(DumpIs(*scene, before, &order)) << "allocation " << nth;
                                      if (alsoCheck) alsoCheck(*scene);
                                      fresh();
                                    },
                                    limit);
}

}  // namespace scenetest
