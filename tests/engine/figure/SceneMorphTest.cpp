// Morphs made from the selected vertices of several meshes, targets taken
// from the meshes' present shape, weights put on the meshes (also through
// morph keys, and on a posed figure, which keeps its pose), and the
// refusals, each with its own reason.
#include <algorithm>
#include <cmath>
#include <vector>

#include "SceneFigureSupport.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MMorph.h"
#include "engine/scene/AnimKeys.h"
#include "engine/scene/MDocObj.h"

namespace figuretest {
namespace scene_morph_test {

using namespace engine;
namespace sf = standardfigure;

constexpr const char* kPath = "/tamarik/prop/brow";

MVertex* VertexAt(MMeshObj& mesh, int index) {
  int i = 0;
  for (MVertex* v : mesh.GetVertexList())
    if (i++ == index) return v;
  return nullptr;
}

void ExpectAt(const PointRecord& p, double x, double y, double z) {
  EXPECT_NEAR(p.x, x, 1e-9);
  EXPECT_NEAR(p.y, y, 1e-9);
  EXPECT_NEAR(p.z, z, 1e-9);
}

// Every vertex of every mesh of the scene, in the scene's mesh order.
std::vector<PointRecord> Positions(MDocObj& scene) {
  std::vector<PointRecord> out;
  PtrArray meshes;
  scene.CollectMeshes(&scene, meshes);
  for (int i = 0; i < meshes.count; ++i)
    for (MVertex* v : static_cast<MMeshObj*>(meshes[i])->GetVertexList()) out.push_back(v->position);
  return out;
}

double LargestMove(const std::vector<PointRecord>& a, const std::vector<PointRecord>& b) {
  if (a.size() != b.size()) return INFINITY;
  double largest = 0;
  for (size_t i = 0; i < a.size(); ++i)
    largest = std::max(largest, std::hypot(a[i].x - b[i].x, a[i].y - b[i].y, a[i].z - b[i].z));
  return largest;
}

void SelectVertices(MMeshObj& mesh, std::initializer_list<int> indices) {
  for (int i : indices) VertexAt(mesh, i)->flags |= kVertexSelected;
  mesh.InvalidateSelectionCache();
}

class SceneMorphTest : public SceneFigureTest {
 protected:
  // Two tetrahedra; vertices 1 and 2 of the first and 3 of the second
  // selected.
  static std::unique_ptr<MDocObj> TwoProps() {
    auto scene = std::make_unique<MDocObj>();
    MMeshObj* a = AddProp(*scene, 0);
    MMeshObj* b = AddProp(*scene, 3);
    scene->EndEdit(0);
    SelectVertices(*a, {1, 2});
    SelectVertices(*b, {3});
    return scene;
  }
  static MMeshObj* Mesh(MDocObj& scene, int child) { return AsMesh(scene.ChildAt(child)); }
  // TwoProps with the morph made and two targets: "up" lifts each morph
  // vertex by 1 along y, "out" moves it by 2 along x; both at weight 0.
  static std::unique_ptr<MDocObj> WithTargets() {
    std::unique_ptr<MDocObj> scene = TwoProps();
    scene->CreateMorph(kPath, false);
    Capture(*scene, "up", PointRecord{0, 1, 0});
    Capture(*scene, "out", PointRecord{2, 0, 0});
    scene->ResetObjectMorphs(kPath, 2);
    scene->EndEdit(0);
    return scene;
  }
  // Moves the morph's vertices by d, captures the target and puts them back.
  static void Capture(MDocObj& scene, const char* name, PointRecord d) {
    for (int c = 1; c <= 2; ++c) {
      MMorph* morph = Mesh(scene, c)->FindMorph(kPath);
      for (int i = 0; i < morph->GetEntryCount(); ++i) {
        MVertex* v = morph->entries[i].vertex;
        v->position = {v->position.x + d.x, v->position.y + d.y, v->position.z + d.z};
      }
    }
    scene.CaptureMorphTarget(kPath, name, 0, 0, 0, "", false);
    for (int c = 1; c <= 2; ++c) {
      MMorph* morph = Mesh(scene, c)->FindMorph(kPath);
      for (int i = 0; i < morph->GetEntryCount(); ++i) {
        MVertex* v = morph->entries[i].vertex;
        v->position = {v->position.x - d.x, v->position.y - d.y, v->position.z - d.z};
      }
    }
  }
};

TEST_F(SceneMorphTest, AMorphOverTwoMeshesNumbersItsEntriesAcrossThemAndTakesTheNextIndex) {
  std::unique_ptr<MDocObj> scene = TwoProps();
  const unsigned char result = scene->CreateMorph(kPath, false);
  ASSERT_EQ(FailState(), 0) << FailReason();
  EXPECT_EQ(result, 0);
  MMorph* first = Mesh(*scene, 1)->FindMorph(kPath);
  MMorph* second = Mesh(*scene, 2)->FindMorph(kPath);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(first->GetEntryCount(), 2);
  ASSERT_EQ(second->GetEntryCount(), 1);
  EXPECT_EQ(first->entries[0].targetIndex + first->entries[1].targetIndex, 0 + 1);
  EXPECT_EQ(second->entries[0].targetIndex, 2);
  EXPECT_EQ(scene->GetMorphIndex(kPath), 0);
  EXPECT_EQ(scene->CheckMorphEntries(kPath, 0), 0) << "every entry has one live vertex";
  EXPECT_FALSE(Mesh(*scene, 1)->HasSelectedVertex()) << "everything is deselected";
  // A second morph comes after it in the index order.
  SelectVertices(*Mesh(*scene, 2), {0});
  scene->CreateMorph("/tamarik/prop/lid", false);
  EXPECT_EQ(scene->GetMorphIndex("/tamarik/prop/lid"), 1);
}

TEST_F(SceneMorphTest, RefusedMorphCommandsSayWhyAndChangeNothing) {
  struct Case {
    const char* what;
    std::function<void(MDocObj&)> prepare;
    std::function<void(MDocObj&)> command;
    int reason;
  };
  const Case cases[] = {
      {"a path in use", [](MDocObj& s) { s.CreateMorph(kPath, false); SelectVertices(*Mesh(s, 1), {0}); },
       [](MDocObj& s) { s.CreateMorph(kPath, false); }, kEngReasonNameInUse},
      {"no selected vertex", [](MDocObj& s) { s.SelectAll(false); }, [](MDocObj& s) { s.CreateMorph(kPath, false); },
       kEngReasonNoSelection},
      {"a target of no morph", [](MDocObj&) {}, [](MDocObj& s) { s.CaptureMorphTarget(kPath, "up", 0, 0, 0, "", false); },
       kEngReasonNoSelection},
      {"a target that exists", [](MDocObj& s) { s.CreateMorph(kPath, false); Capture(s, "up", {0, 1, 0}); },
       [](MDocObj& s) { s.CaptureMorphTarget(kPath, "up", 0, 0, 0, "", false); }, kEngReasonNameInUse},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<MDocObj> scene = TwoProps();
    c.prepare(*scene);
    ASSERT_EQ(FailState(), 0) << FailReason();
    scene->EndEdit(0);
    const std::string before = DumpSceneWithFigures(*scene);
    int targets = 0;
    for (MMorphTgt* t : *scene->morphTargets) targets += t != nullptr;
    c.command(*scene);
    EXPECT_EQ(FailState(), kEngFailFailed);
    EXPECT_EQ(FailReason(), c.reason) << "not reported as running out of memory";
    EngContext().ClearFailure();
    EXPECT_EQ(DumpSceneWithFigures(*scene), before);
    int after = 0;
    for (MMorphTgt* t : *scene->morphTargets) after += t != nullptr;
    EXPECT_EQ(after, targets);
  }
  // A figure's skeleton takes no morph.
  auto scene = std::make_unique<MDocObj>();
  MGroupObj* group = AddStandard(*scene);
  scene->EndEdit(0);
  SelectAllElements(*sf::FigureOf(*group));
  scene->CreateMorph(kPath, false);
  EXPECT_EQ(FailReason(), kEngReasonFigureNotAllowed);
  EngContext().ClearFailure();
}

TEST_F(SceneMorphTest, WeightsPutTheTargetsOnEveryMeshTheFirstReplacingAndTheRestAdding) {
  std::unique_ptr<MDocObj> scene = WithTargets();
  ASSERT_EQ(FailState(), 0) << FailReason();
  // The vertex list runs newest first: these are the tetrahedra's (0, 1, 0)
  // and (0, 0, 0), in their meshes' own coordinates.
  MVertex* a = VertexAt(*Mesh(*scene, 1), 1);
  MVertex* b = VertexAt(*Mesh(*scene, 2), 3);
  ExpectAt(a->position, 0, 1, 0);
  struct Case {
    double up, out;
    double dx, dy;
  };
  const Case cases[] = {{0.3, 0.5, 1.0, 0.3}, {0, 0.5, 1.0, 0}, {1, 0, 0, 1}, {0, 0, 0, 0}, {-0.5, 0.25, 0.5, -0.5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.up << " " << c.out);
    PtrArray names;
    DoubleArray weights;
    ASSERT_TRUE(names.Add(const_cast<char*>("up")) && names.Add(const_cast<char*>("out")));
    ASSERT_TRUE(weights.Add(c.up) && weights.Add(c.out));
    scene->SetObjectMorphWeights(kPath, &names, &weights, 2, "", 0, false);
    ASSERT_EQ(FailState(), 0) << FailReason();
    ExpectAt(a->position, c.dx, 1 + c.dy, 0);
    ExpectAt(b->position, c.dx, c.dy, 0);
    EXPECT_EQ(scene->FindMorphTarget(kPath, "up")->GetWeight(), c.up);
    EXPECT_EQ(scene->FindMorphTarget(kPath, "out")->GetWeight(), c.out);
  }
  // One named target set exclusively: the others of its group go to 0.
  scene->SetObjectMorphWeights(kPath, nullptr, nullptr, 2, "out", 0.8, true);
  EXPECT_EQ(scene->FindMorphTarget(kPath, "up")->GetWeight(), 0);
  ExpectAt(a->position, 1.6, 1, 0);
  scene->ResetObjectMorphs(kPath, 2);
  ExpectAt(a->position, 0, 1, 0);
  EXPECT_EQ(scene->FindMorphTarget(kPath, "out")->GetWeight(), 0);
}

TEST_F(SceneMorphTest, MorphKeysCaptureAndApplyWeightsAndMergeExpressions) {
  std::unique_ptr<MDocObj> scene = WithTargets();
  scene->SetObjectMorphWeights(kPath, nullptr, nullptr, 2, "up", 0.25, false);
  MAKeyMorph key;
  key.CaptureFrom(scene.get(), nullptr, kPath);
  ASSERT_EQ(FailState(), 0) << FailReason();
  scene->ResetObjectMorphs(kPath, 2);
  MVertex* a = VertexAt(*Mesh(*scene, 1), 1);
  MVertex* b = VertexAt(*Mesh(*scene, 2), 3);
  ExpectAt(a->position, 0, 1, 0);
  // A key works on the selection, as showing a frame selects the track's
  // object first: the second prop holds the morph too but stays as it is.
  SelectInOrder(*scene, {scene->ChildAt(1)});
  key.ApplyTo(scene.get(), nullptr);
  ExpectAt(a->position, 0, 1.25, 0);
  ExpectAt(b->position, 0, 0, 0);
  EXPECT_EQ(scene->FindMorphTarget(kPath, "up")->GetWeight(), 0.25);
  // Halfway between that key and one of "out" alone: both half weighted.
  scene->SetObjectMorphWeights(kPath, nullptr, nullptr, 2, "out", 1, true);
  MAKeyMorph other;
  other.CaptureFrom(scene.get(), nullptr, kPath);
  MAKeyInfo* keys[2] = {&key, &other};
  const double halves[2] = {0.5, 0.5};
  MAKeyMorph blend;
  blend.Interpolate(2, keys, halves);
  blend.ApplyTo(scene.get(), nullptr);
  ASSERT_EQ(FailState(), 0) << FailReason();
  ExpectAt(a->position, 1.0, 1.125, 0);
  // A key without weights puts the morph back on its base shape.
  MAKeyMorph empty;
  empty.CaptureFrom(scene.get(), nullptr, "/tamarik/prop/none");
  std::snprintf(empty.path, sizeof empty.path, "%s", kPath);
  empty.ApplyTo(scene.get(), nullptr);
  ExpectAt(a->position, 0, 1, 0);
}

TEST_F(SceneMorphTest, MorphCommandsUndoAndRedoAndSurviveRunningOutOfMemory) {
  // Each command on the scene it works on: the two props with their
  // vertices selected, or with the morph made and its two targets.
  struct Case {
    const char* what;
    std::function<std::unique_ptr<MDocObj>()> make;
    std::function<void(MDocObj&)> command;
  };
  auto weighted = [] {
    std::unique_ptr<MDocObj> scene = WithTargets();
    scene->SetObjectMorphWeights(kPath, nullptr, nullptr, 2, "out", 0.5, false);
    scene->EndEdit(0);
    return scene;
  };
  const Case cases[] = {
      {"weights", WithTargets, [](MDocObj& s) { s.SetObjectMorphWeights(kPath, nullptr, nullptr, 2, "up", 0.5, false); }},
      {"a reset", weighted, [](MDocObj& s) { s.ResetObjectMorphs(kPath, 2); }},
      {"a new morph", TwoProps, [](MDocObj& s) { s.CreateMorph(kPath, false); }},
      {"a deleted morph", WithTargets, [](MDocObj& s) { s.DeleteMorph(kPath); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(SceneCommandUndoesAndRedoes(c.make, c.command));
    EXPECT_TRUE(SceneCommandSurvivesAllocationFailures(c.make, c.command));
  }
}

TEST_F(SceneMorphTest, AMorphOnAPosedFigureIsWeightedAtRestAndThePoseComesBack) {
  auto make = [] {
    auto scene = std::make_unique<MDocObj>();
    MGroupObj* group = AddStandard(*scene);
    MBoneObj* figure = sf::FigureOf(*group);
    MMeshObj* body = nullptr;
    for (int i = 0; i < group->GetChildCount() && body == nullptr; ++i)
      if (!group->ChildAt(i)->IsBoneObject()) body = AsMesh(group->ChildAt(i));
    scene->EndEdit(0);
    SelectVertices(*body, {0, 1, 2});
    scene->CreateMorph(kPath, false);
    MMorph* morph = body->FindMorph(kPath);
    for (int i = 0; i < morph->GetEntryCount(); ++i) morph->entries[i].vertex->position.y += 0.1;
    scene->CaptureMorphTarget(kPath, "up", 0, 0, 0, "", false);
    scene->ResetObjectMorphs(kPath, 2);
    MPose walking;
    sf::MakeStandardPose(*figure, "walking", walking);
    scene->EndEdit(0);
    return scene;
  };
  std::unique_ptr<MDocObj> scene = make();
  ASSERT_EQ(FailState(), 0) << FailReason();
  MBoneObj* figure = FindBoneObj(scene->ChildAt(1));
  std::unique_ptr<MObject> posed(figure->Clone());
  const std::vector<PointRecord> before = Positions(*scene);
  scene->SetObjectMorphWeights(kPath, nullptr, nullptr, 2, "up", 1, false);
  ASSERT_EQ(FailState(), 0) << FailReason();
  EXPECT_LT(JointDistance(*figure, *static_cast<MBoneObj*>(posed.get())), 1e-6) << "the pose is kept";
  EXPECT_GT(LargestMove(before, Positions(*scene)), 0.05) << "the morph moved the posed body";
  scene->SetObjectMorphWeights(kPath, nullptr, nullptr, 2, "up", 0, false);
  EXPECT_LT(JointDistance(*figure, *static_cast<MBoneObj*>(posed.get())), 1e-6);
  // The pose goes back through a pose copy put on the figure at rest, which
  // gives the posed shape again up to rounding, not bit for bit.
  EXPECT_LT(LargestMove(before, Positions(*scene)), 1e-9) << "weight 0 gives the posed shape back";
}

}  // namespace scene_morph_test
}  // namespace figuretest
