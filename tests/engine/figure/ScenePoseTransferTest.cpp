// Poses kept and put back around an edit at rest, one figure taking over
// another's body, and mesh commands run on posed figures in their rest
// pose; each through undo (or its own commit) and running out of memory.
#include "SceneFigureSupport.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MMorph.h"
#include "engine/scene/MDocObj.h"

namespace figuretest {
namespace {

using namespace engine;
namespace sf = standardfigure;

class ScenePoseTransferTest : public SceneFigureTest {
 protected:
  // Two standard figures, the first posed walking, neither selected.
  static std::unique_ptr<MDocObj> TwoStandard() {
    auto scene = std::make_unique<MDocObj>();
    MGroupObj* a = AddStandard(*scene, 0);
    AddStandard(*scene, 1.5);
    MPose walking;
    sf::MakeStandardPose(*sf::FigureOf(*a), "walking", walking);
    scene->EndEdit(0);
    return scene;
  }
  // Two small chains, the first bent at B.
  static std::unique_ptr<MDocObj> TwoChains() {
    auto scene = std::make_unique<MDocObj>();
    MGroupObj* a = AddChain(*scene, 0, true);
    AddChain(*scene, 1, true);
    MBoneObj* figure = FindBoneObj(a);
    sf::TurnBone(*figure, 1, 2, PointRecord{0, 0, 1}, 40);
    figure->UpdateBoneMatrices(1);
    figure->DeformBoundObjects(scene.get());
    scene->EndEdit(0);
    return scene;
  }
  static MBoneObj* FigureAt(MDocObj& scene, int child) { return FindBoneObj(scene.ChildAt(child)); }
};

TEST_F(ScenePoseTransferTest, TheFigureSelectedFirstTakesOverTheOthersBodyAndKeepsItsPose) {
  std::unique_ptr<MDocObj> scene = TwoStandard();
  auto* receiver = static_cast<MGroupObj*>(scene->ChildAt(1));
  auto* giver = static_cast<MGroupObj*>(scene->ChildAt(2));
  MBoneObj* figure = sf::FigureOf(*receiver);
  std::unique_ptr<MObject> posed(figure->Clone());
  const int bodies = receiver->GetChildCount() + giver->GetChildCount() - 1;
  const int records = figure->skinRecords->count + sf::FigureOf(*giver)->skinRecords->count;
  SelectInOrder(*scene, {receiver, giver});
  scene->TransferPoseToSelection();
  ASSERT_EQ(FailState(), 0) << FailReason();
  ASSERT_EQ(scene->GetChildCount(), 2) << "the giver's group left the scene";
  EXPECT_EQ(scene->ChildAt(1), receiver);
  EXPECT_EQ(receiver->GetChildCount(), bodies);
  EXPECT_EQ(figure->skinRecords->count, records);
  EXPECT_LT(JointDistance(*figure, *static_cast<MBoneObj*>(posed.get())), 1e-6) << "the pose is kept";
}

TEST_F(ScenePoseTransferTest, TransferUndoesAndRedoes) {
  EXPECT_TRUE(SceneCommandUndoesAndRedoes(
      [] {
        std::unique_ptr<MDocObj> scene = TwoStandard();
        SelectInOrder(*scene, {scene->ChildAt(1), scene->ChildAt(2)});
        return scene;
      },
      [](MDocObj& s) { s.TransferPoseToSelection(); }));
}

TEST_F(ScenePoseTransferTest, TransferRunOutOfMemoryUndoesToTheSceneBefore) {
  EXPECT_TRUE(SceneCommandSurvivesAllocationFailures(
      [] {
        std::unique_ptr<MDocObj> scene = TwoChains();
        SelectInOrder(*scene, {scene->ChildAt(2), scene->ChildAt(1)});
        return scene;
      },
      [](MDocObj& s) { s.TransferPoseToSelection(); }));
}

// Two small chains at rest selected receiver first, the receiver's group
// twice as large; with `withTarget` the scene holds a morph target whose
// parts are the giver's body, marked at its top ring.
std::unique_ptr<MDocObj> ChainsWithTargetParts(bool withTarget) {
  auto scene = std::make_unique<MDocObj>();
  MGroupObj* receiver = SceneFigureTest::AddChain(*scene, 0, true);
  MGroupObj* giver = SceneFigureTest::AddChain(*scene, 1, true);
  MatrixRecord m;
  receiver->GetMatrix(m);
  MUtilScale(m, 2, 2, 2, m);
  receiver->SetMatrix(m);
  auto* body = static_cast<MMeshObj*>(giver->ChildAt(1));
  for (MVertex* v : body->GetVertexList())
    if (v->position.y > 1.95) v->flags |= kVertexMarked;
  if (withTarget) {
    body->CreateMorph()->SetName("face");
    auto* target = new MMorphTgt();
    target->SetGroupName("face");
    target->SetTargetName("smile");
    scene->morphTargets->Add(target);
  }
  scene->EndEdit(0);
  SceneFigureTest::SelectInOrder(*scene, {receiver, giver});
  return scene;
}

// The giver's morph-target parts are scaled by the size ratio of the two
// figures (bone against bone, times their groups' scales): the giver's body
// about the centre of its marked part, by 1 / 2 here.
TEST_F(ScenePoseTransferTest, TheGiversMorphTargetPartsTakeTheSizeRatio) {
  for (const bool withTarget : {false, true}) {
    SCOPED_TRACE(withTarget ? "with the target" : "without a target");
    std::unique_ptr<MDocObj> scene = ChainsWithTargetParts(withTarget);
    auto* body = static_cast<MMeshObj*>(static_cast<MGroupObj*>(scene->ChildAt(2))->ChildAt(1));
    std::vector<PointRecord> before;
    PointRecord centre{0, 0, 0};
    int marked = 0;
    for (MVertex* v : body->GetVertexList()) {
      before.push_back(v->position);
      if ((v->flags & kVertexMarked) == 0) continue;
      centre = {centre.x + v->position.x, centre.y + v->position.y, centre.z + v->position.z};
      ++marked;
    }
    ASSERT_GT(marked, 0);
    centre = {centre.x / marked, centre.y / marked, centre.z / marked};
    scene->TransferPoseToSelection();
    ASSERT_EQ(FailState(), 0) << FailReason();
    ASSERT_EQ(body->GetParent(), scene->ChildAt(1)) << "the body went to the receiver";
    const double factor = withTarget ? 0.5 : 1.0;
    size_t i = 0;
    for (MVertex* v : body->GetVertexList()) {
      const PointRecord& p = before[i++];
      EXPECT_NEAR(v->position.x, centre.x + factor * (p.x - centre.x), 1e-9);
      EXPECT_NEAR(v->position.y, centre.y + factor * (p.y - centre.y), 1e-9);
      EXPECT_NEAR(v->position.z, centre.z + factor * (p.z - centre.z), 1e-9);
    }
  }
}

TEST_F(ScenePoseTransferTest, TransferWithTargetPartsUndoesAndSurvivesRunningOutOfMemory) {
  const auto make = [] { return ChainsWithTargetParts(true); };
  const auto transfer = [](MDocObj& s) { s.TransferPoseToSelection(); };
  EXPECT_TRUE(SceneCommandUndoesAndRedoes(make, transfer));
  EXPECT_TRUE(SceneCommandSurvivesAllocationFailures(make, transfer));
}

TEST_F(ScenePoseTransferTest, TransferIsRefusedUnlessTwoMatchingFiguresAreSelected) {
  struct Case {
    const char* name;
    std::function<void(MDocObj&)> select;
  };
  const std::vector<Case> cases = {
      {"one", [](MDocObj& s) { SelectInOrder(s, {s.ChildAt(1)}); }},
      {"three", [](MDocObj& s) { SelectInOrder(s, {s.ChildAt(1), s.ChildAt(2), s.ChildAt(3)}); }},
      {"a figure and a prop", [](MDocObj& s) { SelectInOrder(s, {s.ChildAt(1), s.ChildAt(4)}); }},
      {"other skeletons", [](MDocObj& s) { SelectInOrder(s, {s.ChildAt(1), s.ChildAt(3)}); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MDocObj scene;
    AddStandard(scene, 0);
    AddStandard(scene, 1.5);
    AddChain(scene, 3);
    AddProp(scene, 4);
    scene.EndEdit(0);
    c.select(scene);
    const std::string before = DumpSceneWithFigures(scene);
    scene.TransferPoseToSelection();
    EXPECT_EQ(FailReason(), kEngReasonPoseTransferRefused);
    EngContext().ClearFailure();
    EXPECT_EQ(DumpSceneWithFigures(scene), before);
    EXPECT_EQ(scene.removedObjects.count, 0);
  }
}

TEST_F(ScenePoseTransferTest, PosesKeptAroundAnEditAtRestComeBack) {
  std::unique_ptr<MDocObj> scene = TwoStandard();
  MBoneObj* a = FigureAt(*scene, 1);
  MBoneObj* b = FigureAt(*scene, 2);
  MPose sitting;
  ASSERT_TRUE(sf::MakeStandardPose(*b, "sitting", sitting));
  std::unique_ptr<MObject> posedA(a->Clone()), posedB(b->Clone());
  PtrArray figures, poses;
  figures.Add(a);
  figures.Add(b);
  EXPECT_FALSE(scene->AreFiguresAtRest(figures));
  scene->SaveFigurePoses(poses, figures);
  ASSERT_EQ(FailState(), 0);
  ASSERT_EQ(poses.count, 2);
  EXPECT_TRUE(scene->AreFiguresAtRest(figures));
  PtrArray none;
  EXPECT_TRUE(scene->AreFiguresAtRest(none));
  scene->RestoreFigurePoses(poses, figures);
  ASSERT_EQ(FailState(), 0);
  EXPECT_LT(JointDistance(*a, *static_cast<MBoneObj*>(posedA.get())), 1e-6);
  EXPECT_LT(JointDistance(*b, *static_cast<MBoneObj*>(posedB.get())), 1e-6);
  EXPECT_FALSE(scene->HasUndoStep() && scene->removedObjects.count != 0);
  for (int i = 0; i < poses.count; ++i) delete static_cast<MPose*>(poses[i]);
  // Lists of different lengths are a caller's mistake.
  PtrArray one;
  one.Add(a);
  EXPECT_TRUE(EndsInFatalExit([&] { scene->RestoreFigurePoses(none, one); }));
}

// ---- mesh commands on figures at rest ---------------------------------------------------------------

// Two body meshes of the standard figure's group with some vertices
// selected: its head and chest.
void SelectHeadAndChest(MDocObj& scene) {
  auto* group = static_cast<MGroupObj*>(scene.ChildAt(1));
  for (int child : {1, 2}) {
    auto* mesh = static_cast<MMeshObj*>(group->ChildAt(child));
    SceneFigureTest::SelectAllElements(*mesh);
  }
}

TEST_F(ScenePoseTransferTest, MergingTwoBodyMeshesAtRestKeepsThePose) {
  std::unique_ptr<MDocObj> scene = TwoStandard();
  auto* group = static_cast<MGroupObj*>(scene->ChildAt(1));
  MBoneObj* figure = sf::FigureOf(*group);
  std::unique_ptr<MObject> posed(figure->Clone());
  const int children = group->GetChildCount();
  const int records = figure->skinRecords->count;
  SelectHeadAndChest(*scene);
  scene->EditFiguresInRestPose(3);
  ASSERT_EQ(FailState(), 0) << FailReason();
  EXPECT_EQ(group->GetChildCount(), children - 1) << "head and chest are one mesh";
  EXPECT_EQ(figure->skinRecords->count, records);
  EXPECT_EQ(figure->savedPose, nullptr);
  EXPECT_LT(JointDistance(*figure, *static_cast<MBoneObj*>(posed.get())), 1e-6) << "posed again";
  EXPECT_EQ(scene->removedObjects.count, 0) << "the step is committed";
  // The body still follows the skeleton.
  figure->ResetPose(scene.get());
  EXPECT_EQ(FailState(), 0);
}

TEST_F(ScenePoseTransferTest, WithOneMeshNothingIsMergedAndThePoseComesBack) {
  std::unique_ptr<MDocObj> scene = TwoStandard();
  auto* group = static_cast<MGroupObj*>(scene->ChildAt(1));
  MBoneObj* figure = sf::FigureOf(*group);
  std::unique_ptr<MObject> posed(figure->Clone());
  SelectAllElements(*static_cast<MMeshObj*>(group->ChildAt(1)));
  // Selected vertices of a prop and of the figure itself are let go.
  MMeshObj* prop = AddProp(*scene, 4);
  SelectAllElements(*prop);
  SelectAllElements(*figure);
  const int children = group->GetChildCount();
  scene->EditFiguresInRestPose(3);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(group->GetChildCount(), children);
  EXPECT_FALSE(prop->HasSelectedVertex());
  EXPECT_FALSE(figure->HasSelectedVertex());
  EXPECT_LT(JointDistance(*figure, *static_cast<MBoneObj*>(posed.get())), 1e-6);
}

TEST_F(ScenePoseTransferTest, AnEditAtRestCutShortByMemoryLeavesTheFiguresAsTheyWere) {
  // The chain's body split in two meshes, both bound, both selected.
  auto make = [] {
    auto scene = std::make_unique<MDocObj>();
    MGroupObj* group = AddChain(*scene, 0, true);
    MBoneObj* figure = FindBoneObj(group);
    auto* upper = static_cast<MMeshObj*>(group->ChildAt(1)->Clone());
    MatrixRecord m;
    MUtilIdentity(m);
    m.m[3][0] = 0.5;
    upper->SetMatrix(m);
    group->AddChild(upper);
    sf::RigFigure(*figure, *group);
    sf::TurnBone(*figure, 1, 2, PointRecord{0, 0, 1}, 40);
    figure->UpdateBoneMatrices(1);
    figure->DeformBoundObjects(scene.get());
    scene->EndEdit(0);
    SelectAllElements(*static_cast<MMeshObj*>(group->ChildAt(1)));
    SelectAllElements(*upper);
    return scene;
  };
  EXPECT_TRUE(SceneCommandSurvivesAllocationFailures(make, [](MDocObj& s) { s.EditFiguresInRestPose(3); }, true));
}

}  // namespace
}  // namespace figuretest
