#include "SceneFigureSupport.h"

#include <algorithm>
#include <array>
#include <regex>
#include <utility>
#include <vector>

#include "engine/SceneTestSupport.h"
#include "engine/core/CRGlobalM.h"
#include "engine/core/EngMath.h"
#include "meshkit/MeshFixtures.h"
#include "meshkit/MeshTestSupport.h"
#include "meshkit/MeshValidator.h"

namespace figuretest {

using namespace engine;

void SceneFigureTest::TearDown() {
  EngGlobalM().Clear();
  FigureTest::TearDown();
}

namespace {

void PlaceAt(MObject* object, double x) {
  MatrixRecord m;
  MUtilIdentity(m);
  m.m[3][0] = x;
  object->SetMatrix(m);
}

// Adds the object as a committed part of the scene.
void AddCommitted(MDocObj& scene, MObject* object) {
  scene.AddChild(object);
  PtrArray all;
  scene.CollectAllObjects(object, all);
  for (int i = 0; i < all.count; ++i) {
    auto* o = static_cast<MObject*>(all[i]);
    o->SetEditState(kEditUnchanged);
    o->SaveState();
    if (MMeshObj* mesh = AsMesh(o)) mesh->Checkpoint(false);
  }
}

// Element selections are left out of the dump (the edit step does not
// keep them) without changing them: the bits are taken off while the dump
// is made and put back.
class SelectionBitsHidden {
 public:
  explicit SelectionBitsHidden(MDocObj& scene) {
    PtrArray found;
    scene.CollectMeshes(&scene, found);
    for (int i = 0; i < found.count; ++i) {
      auto* mesh = static_cast<MMeshObj*>(found[i]);
      meshes_.push_back(mesh);
      caches_.push_back({mesh->vertexSelectionCache, mesh->lineSelectionCache, mesh->faceSelectionCache});
      for (MVertex* v : mesh->GetVertexList()) {
        vertices_.push_back({v, v->flags});
        v->flags &= ~kVertexSelected;
      }
      for (MLine* line : mesh->lines) {
        lines_.push_back({line, line->flags});
        line->flags &= ~kLineSelected;
      }
    }
  }
  ~SelectionBitsHidden() {
    for (auto& [v, flags] : vertices_) v->flags = flags;
    for (auto& [line, flags] : lines_) line->flags = flags;
    for (std::size_t i = 0; i < meshes_.size(); ++i) {
      meshes_[i]->vertexSelectionCache = caches_[i][0];
      meshes_[i]->lineSelectionCache = caches_[i][1];
      meshes_[i]->faceSelectionCache = caches_[i][2];
    }
  }

 private:
  std::vector<MMeshObj*> meshes_;
  std::vector<std::array<int, 3>> caches_;
  std::vector<std::pair<MVertex*, std::uint32_t>> vertices_;
  std::vector<std::pair<MLine*, std::uint32_t>> lines_;
};

std::string MeshFaults(MDocObj& scene) {
  std::string out;
  PtrArray meshes;
  scene.CollectMeshes(&scene, meshes);
  for (int i = 0; i < meshes.count; ++i)
    for (const std::string& fault : meshkit::FindMeshFaults(*static_cast<MMeshObj*>(meshes[i]))) out += fault + "\n";
  return out;
}

}  // namespace

MGroupObj* SceneFigureTest::AddStandard(MDocObj& scene, double x) {
  std::unique_ptr<MGroupObj> built = standardfigure::BuildStandardFigure();
  MGroupObj* group = built.release();
  PlaceAt(group, x);
  AddCommitted(scene, group);
  return group;
}

MGroupObj* SceneFigureTest::AddChain(MDocObj& scene, double x, bool small) {
  Chain chain = small ? MakeChain(1, 4, 4) : MakeChain();
  MGroupObj* group = chain.group.release();
  PlaceAt(group, x);
  AddCommitted(scene, group);
  return group;
}

namespace {

// The figure's skeleton as a plain mesh and the group's other meshes, as
// copies added to the scene.
MMeshObj* AddParts(MDocObj& scene, MGroupObj& group) {
  MBoneObj* figure = FindBoneObj(&group);
  auto* skeleton = new MMeshObj();
  figure->MMeshObj::CopyTo(skeleton);
  AddCommitted(scene, skeleton);
  for (int i = 0; i < group.GetChildCount(); ++i) {
    MObject* child = group.ChildAt(i);
    if (!child->IsBoneObject()) AddCommitted(scene, child->Clone());
  }
  return skeleton;
}

}  // namespace

MMeshObj* SceneFigureTest::AddChainParts(MDocObj& scene) {
  Chain chain = MakeChain(1, 4, 4);
  return AddParts(scene, *chain.group);
}

MMeshObj* SceneFigureTest::AddStandardParts(MDocObj& scene) {
  std::unique_ptr<MGroupObj> built = standardfigure::BuildStandardFigure();
  return AddParts(scene, *built);
}

MMeshObj* SceneFigureTest::AddProp(MDocObj& scene, double x) {
  MMeshObj* prop = meshkit::MakeTetra().mesh.release();
  PlaceAt(prop, x);
  AddCommitted(scene, prop);
  return prop;
}

void SceneFigureTest::SelectInOrder(MDocObj& scene, std::initializer_list<MObject*> objects) {
  scene.SelectAll(false);
  std::uint32_t time = 1;
  for (MObject* object : objects) {
    object->Select(true);
    object->selectTime = time++;
  }
}

void SceneFigureTest::SelectAllElements(MMeshObj& mesh) {
  for (MVertex* v : mesh.GetVertexList()) v->flags |= kVertexSelected;
  for (MLine* line : mesh.lines) line->flags |= kLineSelected;
  mesh.InvalidateSelectionCache();
}

std::string DumpSceneWithFigures(MDocObj& scene) {
  SelectionBitsHidden hidden(scene);
  std::string out = scenetest::DumpScene(scene);
  std::vector<std::string> figures;
  PtrArray meshes;
  scene.CollectMeshes(&scene, meshes);
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MObject*>(meshes[i]);
    if (mesh->IsBoneObject()) figures.push_back(DumpFigureData(*static_cast<MBoneObj*>(mesh)));
  }
  std::sort(figures.begin(), figures.end());
  for (const std::string& one : figures) out += "figure\n" + one;
  return out;
}

::testing::AssertionResult SceneCommandUndoesAndRedoes(const std::function<std::unique_ptr<MDocObj>()>& make,
                                                       const std::function<void(MDocObj&)>& command) {
  std::unique_ptr<MDocObj> scene = make();
  const std::string before = DumpSceneWithFigures(*scene);
  command(*scene);
  if (EngContext().failState != kEngFailNone)
    return ::testing::AssertionFailure() << "the command failed with reason " << EngContext().failReason;
  const std::string after = DumpSceneWithFigures(*scene);
  if (after == before) return ::testing::AssertionFailure() << "the command changed nothing";
  for (int round = 0; round < 2; ++round) {
    scene->UndoEdit(0);
    if (DumpSceneWithFigures(*scene) != before)
      return ::testing::AssertionFailure() << "undo " << round << " differs from the scene before";
    scene->UndoEdit(1);
    if (DumpSceneWithFigures(*scene) != after)
      return ::testing::AssertionFailure() << "redo " << round << " differs from the scene after";
  }
  scene->EndEdit(0);
  if (DumpSceneWithFigures(*scene) != after) return ::testing::AssertionFailure() << "the commit changed the scene";
  const std::string faults = MeshFaults(*scene);
  if (!faults.empty()) return ::testing::AssertionFailure() << faults;
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult SceneCommandSurvivesAllocationFailures(
    const std::function<std::unique_ptr<MDocObj>()>& make, const std::function<void(MDocObj&)>& command,
    bool committing, int limit) {
  // A committing command numbers the bound vertices in a scratch field of
  // theirs (no content, outside every step): left out of its comparison.
  auto dump = [committing](MDocObj& scene) {
    std::string text = DumpSceneWithFigures(scene);
    return committing ? std::regex_replace(text, std::regex(" st=[^ ]*"), "") : text;
  };
  // A committing command that failed only while committing has done its
  // work: the scene it leaves then is the one a run without failures leaves.
  std::string done;
  if (committing) {
    std::unique_ptr<MDocObj> clean = make();
    command(*clean);
    done = dump(*clean);
  }
  std::unique_ptr<MDocObj> scene;
  std::string before;
  auto fresh = [&] {
    scene = make();
    before = dump(*scene);
  };
  fresh();
  std::string problem;
  const int needed = meshkit::ForEachAllocationFailure(
      [&] { command(*scene); },
      [&](int nth) {
        if (!problem.empty()) return;
        EngContext().ClearFailure();
        if (!committing) scene->UndoEdit(0);
        if (EngContext().failState != kEngFailNone) problem = "undo failed at allocation " + std::to_string(nth);
        else if (const std::string now = dump(*scene); now != before && (!committing || now != done)) problem = "allocation " + std::to_string(nth) + " left a changed scene";
        else if (const std::string faults = MeshFaults(*scene); !faults.empty())
          problem = "allocation " + std::to_string(nth) + ": " + faults;
        fresh();
      },
      limit);
  if (!problem.empty()) return ::testing::AssertionFailure() << problem;
  if (needed == 0) return ::testing::AssertionFailure() << "the command allocated nothing";
  return ::testing::AssertionSuccess() << needed << " allocations";
}

}  // namespace figuretest
