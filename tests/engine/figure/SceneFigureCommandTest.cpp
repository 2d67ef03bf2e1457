// The scene's figure commands on the standard figure: which figures a
// command takes, a figure built from a skeleton and the objects around it,
// bound and measured, dissolved again; the per-figure commands through the
// undo round trip and running out of memory.
#include <cmath>
#include <string>
#include <vector>

#include "FittingTestSupport.h"
#include "SceneFigureSupport.h"
#include "engine/core/EngMath.h"
#include "engine/scene/MDocObj.h"
#include "meshkit/MeshUndoCheck.h"
#include "platform/Hooks.h"
#include "support/FakeQView.h"

namespace figuretest {
namespace {

using namespace engine;
namespace sf = standardfigure;

using SceneFigureSelectionTest = SceneFigureTest;

TEST_F(SceneFigureSelectionTest, FiguresAreTakenFromTheSelectionOrTheSceneWhenItHoldsOnlyOne) {
  MDocObj scene;
  MGroupObj* first = AddStandard(scene, 0);
  PtrArray list;
  // Nothing selected: the scene's only figure.
  EXPECT_EQ(scene.GetSelectedFigures(1, &list), 1);
  EXPECT_EQ(list.count, 1);
  EXPECT_EQ(scene.GetSelectedFigures(2, nullptr), 0) << "it is bound";
  MGroupObj* second = AddStandard(scene, 2);
  EXPECT_EQ(scene.GetSelectedFigures(1, &list), 0) << "two figures and none selected";
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(scene.GetSelectedFigures(3, &list), 2) << "kind 3 takes every one";
  SelectInOrder(scene, {second});
  EXPECT_EQ(scene.GetSelectedFigures(1, &list), 1);
  EXPECT_EQ(list[0], second);
  EXPECT_EQ(scene.GetSelectedFigureBone(), sf::FigureOf(*second));
  // A figure on a hidden layer is never taken.
  scene.AddLayer(0);
  second->SetLayer(1);
  scene.SetLayerFlag(1, kLayerVisible, 0, false);
  EXPECT_EQ(scene.GetSelectedFigures(1, &list), 1) << "the only visible one";
  EXPECT_EQ(list[0], first);
  // Both selected: no single figure bone, but both are figures.
  second->SetLayer(0);
  SelectInOrder(scene, {first, second});
  EXPECT_EQ(scene.GetSelectedFigureBone(), nullptr);
  EXPECT_EQ(scene.GetSelectedFigures(0, nullptr), 2);
  EXPECT_TRUE(scene.HasFigure(0));
  EXPECT_TRUE(scene.HasFigure(1));
  EXPECT_FALSE(scene.HasFigure(2));
  EXPECT_FALSE(scene.HasFigure(4));
  sf::FigureOf(*first)->SetSkinBound(false);
  EXPECT_TRUE(scene.HasFigure(2));
  EXPECT_EQ(scene.GetSelectedFigures(2, &list), 1);
  EXPECT_EQ(list[0], first);
}

TEST_F(SceneFigureSelectionTest, ARigNeedsOneSkeletonAndSomethingBesideIt) {
  MDocObj scene;
  MMeshObj* skeleton = AddStandardParts(scene);
  MObject* body = scene.ChildAt(2);
  SelectInOrder(scene, {skeleton});
  EXPECT_EQ(scene.FindRigBase(), nullptr) << "a skeleton alone";
  SelectInOrder(scene, {skeleton, body});
  EXPECT_EQ(scene.FindRigBase(), skeleton);
  SelectInOrder(scene, {body, scene.ChildAt(3)});
  EXPECT_EQ(scene.FindRigBase(), nullptr) << "no skeleton";
  auto* second = static_cast<MMeshObj*>(skeleton->Clone());
  scene.AddChild(second);
  SelectInOrder(scene, {skeleton, second, body});
  EXPECT_EQ(scene.FindRigBase(), nullptr) << "two skeletons";
  MGroupObj* figure = AddStandard(scene, 3);
  SelectInOrder(scene, {skeleton, body, figure});
  EXPECT_EQ(scene.FindRigBase(), nullptr) << "a figure group among them";
  // A mirror layer is no place to build on.
  scene.AddLayer(0);
  scene.SetLayerFlag(1, kLayerMirror, 1, false);
  body->SetLayer(1);
  SelectInOrder(scene, {skeleton, body});
  EXPECT_EQ(scene.FindRigBase(), nullptr);
}

class SceneFigureBuildTest : public SceneFigureTest {
 protected:
  // The parts `add` puts into a new scene, committed, every one selected,
  // the skeleton first.
  static std::unique_ptr<MDocObj> SelectedParts(MMeshObj* (*add)(MDocObj&)) {
    auto scene = std::make_unique<MDocObj>();
    MMeshObj* skeleton = add(*scene);
    scene->EndEdit(0);
    scene->SelectAll(true);
    skeleton->selectTime = 0;
    return scene;
  }
  // The standard figure's parts, as above.
  static std::unique_ptr<MDocObj> Parts() { return SelectedParts(AddStandardParts); }
  // The body's points in the group, mesh after mesh.
  static std::vector<PointRecord> BodyPoints(MGroupObj& group) {
    std::vector<PointRecord> out;
    for (int i = 0; i < group.GetChildCount(); ++i)
      if (!group.ChildAt(i)->IsBoneObject())
        for (MVertex* v : static_cast<MMeshObj*>(group.ChildAt(i))->GetVertexList()) out.push_back(v->position);
    return out;
  }
  // How far the body's points go when the committed scene's figure takes
  // the standard pose with raised arms.
  static double MoveWithArmsRaised(MDocObj& scene, MGroupObj& group) {
    MBoneObj* figure = FindBoneObj(&group);
    scene.EndEdit(0);
    const std::vector<PointRecord> rest = BodyPoints(group);
    MPose raised;
    EXPECT_TRUE(sf::MakeStandardPose(*figure, "arms_raised", raised));
    figure->ResetPose(&scene);
    EXPECT_EQ(scene.ApplyPoseToSelection(raised, nullptr, 0), 0);
    const std::vector<PointRecord> posed = BodyPoints(group);
    double moved = 0;
    for (std::size_t k = 0; k < rest.size() && k < posed.size(); ++k)
      moved = std::max(moved, MUtilDistance(posed[k], rest[k]));
    return moved;
  }
};

TEST_F(SceneFigureBuildTest, AFigureBuiltFromItsPartsPosesItsBody) {
  std::unique_ptr<MDocObj> scene = Parts();
  const int objects = scene->GetChildCount() - 1;
  MGroupObj* group = scene->BuildFigureRig(1);
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(FailState(), 0) << FailReason();
  EXPECT_EQ(scene->GetChildCount(), 2) << "the grid and the figure's group";
  EXPECT_EQ(group->GetChildCount(), objects);
  EXPECT_TRUE(group->IsSelected());
  MBoneObj* figure = FindBoneObj(group);
  ASSERT_NE(figure, nullptr);
  EXPECT_FALSE(figure->IsSkinBound());
  int bones = 0, bound = 0;
  figure->CountRigElements(bones, bound);
  EXPECT_EQ(bones, 20);
  EXPECT_EQ(figure->skinRecords->count, bound);
  scene->BindUnboundFigures();
  EXPECT_TRUE(figure->IsSkinBound());
  EXPECT_GT(MoveWithArmsRaised(*scene, *group), 0.5) << "raised arms take the hands along";
}

TEST_F(SceneFigureBuildTest, BindingPutsTheObjectsOnTheTopBoneAndMeasuresIt) {
  std::unique_ptr<MDocObj> scene = Parts();
  MGroupObj* group = scene->BuildFigureRig(1);
  ASSERT_NE(group, nullptr);
  MBoneObj* figure = FindBoneObj(group);
  ASSERT_EQ(scene->BindToFigure(), 0);
  ASSERT_EQ(FailState(), 0) << FailReason();
  EXPECT_TRUE(figure->IsSkinBound());
  // Every bound vertex follows the top bone alone, which the weighting of
  // the other bones leaves out from now on.
  MVertex* top = figure->GetVertexByIndex(sf::kHeadTop);
  MVertex* neck = figure->GetVertexByIndex(sf::kNeck);
  int topBone = -1;
  ASSERT_NE(figure->FindBoneByLine(top->FindLineBetweenRings(neck), &topBone), nullptr);
  EXPECT_EQ((*figure->bones)[topBone].excluded, 1);
  EXPECT_TRUE(figure->IsRedBone((*figure->bones)[topBone]));
  for (int i = 0; i < figure->skinRecords->count; ++i) {
    const SkinRecord& r = (*figure->skinRecords)[i];
    ASSERT_EQ(r.count, 1) << "vertex " << i;
    EXPECT_EQ(r.bones[0], topBone);
    EXPECT_EQ(r.locked, 1);
  }
  // The measuring points are the head's top and the joint below it.
  scene->SelectAll(false);
  group->Select(true);
  double height = 0;
  PointRecord point;
  ASSERT_EQ(scene->GetFigureHeight(height, point), 0);
  EXPECT_NEAR(height, MUtilDistance(top->position, neck->position), 1e-9);
  EXPECT_NEAR(point.y, neck->position.y, 1e-9);
  // Turned and scaled, the measure is taken in the scene.
  MatrixRecord m;
  MUtilIdentity(m);
  m.m[0][0] = m.m[1][1] = m.m[2][2] = 2;
  m.m[3][1] = 1;
  group->SetMatrix(m);
  ASSERT_EQ(scene->GetFigureHeight(height, point), 0);
  EXPECT_NEAR(height, 2 * MUtilDistance(top->position, neck->position), 1e-9);
  EXPECT_NEAR(point.y, 2 * neck->position.y + 1, 1e-9);
  EXPECT_LT(MoveWithArmsRaised(*scene, *group), 1e-9) << "the body follows the top bone alone";
}

TEST_F(SceneFigureBuildTest, BuildingAndBindingUndoAndRedo) {
  EXPECT_TRUE(SceneCommandUndoesAndRedoes(Parts, [](MDocObj& s) {
    s.BuildFigureRig(1);
    s.BindToFigure();
  }));
}

TEST_F(SceneFigureBuildTest, BuildingRunOutOfMemoryUndoesToTheParts) {
  auto parts = [] { return SelectedParts(AddChainParts); };
  EXPECT_TRUE(SceneCommandSurvivesAllocationFailures(parts, [](MDocObj& s) {
    s.BuildFigureRig(1);
    if (FailState() == 0) s.BindToFigure();
  }));
}

TEST_F(SceneFigureBuildTest, ASkeletonWithMorphsIsRefusedAndNothingChanges) {
  std::unique_ptr<MDocObj> scene = Parts();
  auto* skeleton = static_cast<MMeshObj*>(scene->ChildAt(1));
  ASSERT_NE(skeleton->CreateMorph(), nullptr);
  const std::string before = DumpSceneWithFigures(*scene);
  EXPECT_EQ(scene->BuildFigureRig(1), nullptr);
  EXPECT_EQ(FailReason(), kEngReasonRigRefusedWithMorphs);
  EngContext().ClearFailure();
  EXPECT_EQ(DumpSceneWithFigures(*scene), before);
  EXPECT_EQ(scene->removedObjects.count, 0);
}

TEST_F(SceneFigureBuildTest, BindingAndMeasuringWantOneFigureGroupSelected) {
  MDocObj scene;
  MGroupObj* a = AddStandard(scene, 0);
  MGroupObj* b = AddStandard(scene, 2);
  SelectInOrder(scene, {a, b});
  EXPECT_EQ(scene.BindToFigure(), -1);
  double height = 0;
  PointRecord point;
  EXPECT_EQ(scene.GetFigureHeight(height, point), -1);
  SelectInOrder(scene, {a->ChildAt(1)});
  EXPECT_EQ(scene.GetFigureHeight(height, point), -1) << "a body mesh is no figure group";
}

TEST_F(SceneFigureBuildTest, DissolvingGivesTheSkeletonAndBodyBackWhereTheyStood) {
  MDocObj scene;
  MGroupObj* group = AddStandard(scene, 1.5);
  const int children = group->GetChildCount();
  MBoneObj* figure = sf::FigureOf(*group);
  const PointRecord headTop = figure->GetVertexByIndex(sf::kHeadTop)->position;
  SelectInOrder(scene, {group});
  int asked = 0;
  platform::MessageHook previous = platform::SetMessageHook([&](const std::string&, const std::string&, unsigned) {
    ++asked;
    return int(platform::kIdYes);
  });
  scene.DissolveFigures();
  platform::SetMessageHook(previous);
  ASSERT_EQ(FailState(), 0) << FailReason();
  EXPECT_EQ(asked, 0) << "every object stays on the figure's layer";
  ASSERT_EQ(scene.GetChildCount(), 1 + children);
  EXPECT_FALSE(scene.HasFigure(3));
  // The skeleton is the first new object: its head top stands where the
  // figure's did.
  MMeshObj* skeleton = nullptr;
  for (int i = 1; i < scene.GetChildCount(); ++i) {
    MMeshObj* mesh = AsMesh(scene.ChildAt(i));
    ASSERT_NE(mesh, nullptr);
    int vertices = 0, lines = 0, faces = 0, drawn = 0;
    mesh->CountElements(vertices, lines, faces, drawn);
    if (faces == 0) skeleton = mesh;
  }
  ASSERT_NE(skeleton, nullptr);
  MatrixRecord world;
  scene.GetObjectWorldMatrix(skeleton, &world, nullptr);
  PointRecord p;
  MUtilTransformPoint(world, skeleton->GetVertexList().First()->position, p);
  EXPECT_NEAR(p.x, headTop.x + 1.5, 1e-9);
  EXPECT_NEAR(p.y, headTop.y, 1e-9);
  EXPECT_EQ(scene.removedObjects.count, 0) << "the dissolving commits its step";
}

// ---- every per-figure command through undo and out of memory ----------------------------------------

struct FigureCommand {
  const char* name;
  std::function<void(MDocObj&)> prepare;  // on the committed scene: what to select
  std::function<void(MDocObj&)> run;
};

// On the small chain (joints A, B, C in vertex order; bones A-B and B-C).
MBoneObj* ChainFigure(MDocObj& scene) { return FindBoneObj(scene.ChildAt(1)); }

void SelectUpperBone(MDocObj& scene) {
  MBoneObj* figure = ChainFigure(scene);
  scene.SelectMeshLine(figure, figure->GetVertexByIndex(2)->firstLine);
}

// Bends the chain at B and commits it.
void BendChain(MDocObj& scene) {
  MBoneObj* figure = ChainFigure(scene);
  sf::TurnBone(*figure, 1, 2, PointRecord{0, 0, 1}, 40);
  figure->UpdateBoneMatrices(1);
  figure->DeformBoundObjects(&scene);
  scene.EndEdit(0);
}

std::vector<FigureCommand> FigureCommands() {
  auto pose = std::make_shared<MPose>();
  return {
      {"unbind", nullptr, [](MDocObj& s) { s.UnbindFigures(); }},
      {"bind again",
       [](MDocObj& s) {
         s.UnbindFigures();
         s.EndEdit(0);
       },
       [](MDocObj& s) { s.BindUnboundFigures(); }},
      {"reset the selected bones",
       [](MDocObj& s) {
         BendChain(s);
         SelectUpperBone(s);
       },
       [](MDocObj& s) { s.ResetFigureBones(); }},
      {"exclude the selected bone", SelectUpperBone, [](MDocObj& s) { s.ExcludeSelectedBones(); }},
      {"include it again",
       [](MDocObj& s) {
         SelectUpperBone(s);
         s.ExcludeSelectedBones();
         s.EndEdit(0);
         SelectUpperBone(s);
       },
       [](MDocObj& s) { s.IncludeSelectedBones(); }},
      {"part roots", SelectUpperBone, [](MDocObj& s) { s.SetPartRoots(); }},
      {"capture rest states", BendChain, [](MDocObj& s) { s.CaptureFigureRestStates(); }},
      {"pose with the floor kept",
       [pose](MDocObj& s) {
         MBoneObj* figure = ChainFigure(s);
         sf::TurnBone(*figure, 0, 1, PointRecord{0, 0, 1}, 100);
         figure->UpdateBoneMatrices(1);
         figure->GetPose(*pose);
         figure->ResetPose(&s);
         s.EndEdit(0);
       },
       [pose](MDocObj& s) { s.ApplyPoseToSelection(*pose, nullptr, 1); }},
  };
}

std::unique_ptr<MDocObj> ChainScene(const FigureCommand& command) {
  auto scene = std::make_unique<MDocObj>();
  SceneFigureTest::AddChain(*scene, 0, true);
  scene->EndEdit(0);
  if (command.prepare) command.prepare(*scene);
  return scene;
}

TEST_F(SceneFigureTest, EveryFigureCommandUndoesAndRedoes) {
  for (const FigureCommand& command : FigureCommands()) {
    SCOPED_TRACE(command.name);
    EXPECT_TRUE(SceneCommandUndoesAndRedoes([&] { return ChainScene(command); }, command.run));
  }
}

TEST_F(SceneFigureTest, EveryFigureCommandRunOutOfMemoryUndoesToTheSceneBefore) {
  for (const FigureCommand& command : FigureCommands()) {
    SCOPED_TRACE(command.name);
    EXPECT_TRUE(SceneCommandSurvivesAllocationFailures([&] { return ChainScene(command); }, command.run));
  }
}

// The standard figure placed off the origin, with feature points standing
// twice its height: scaling the group to them moves the points within the
// figure, and its undo must bring back both the group's size and the points.
std::unique_ptr<MDocObj> FigureWithTallFeaturePoints() {
  auto scene = std::make_unique<MDocObj>();
  MGroupObj* group = SceneFigureTest::AddStandard(*scene, 0.5);
  MBoneObj& f = *sf::FigureOf(*group);
  f.FindLandmarks(false);
  const PointRecord top = f.GetLandmark(0)->position;
  const PointRecord feet = Mul(Add(f.GetLandmark(16)->position, f.GetLandmark(20)->position), 0.5);
  const double height = MUtilDistance(top, feet);
  SetFeaturePoints(f, {{1, {feet.x, feet.y + 2 * height, 0}}, {35, {feet.x - 0.1, feet.y, 0}},
                       {36, {feet.x + 0.1, feet.y, 0}}, {4, {0.3, 1.2, 0.1}}});
  f.featureCount[1] = 1;
  f.featurePoints[1][0] = {0.2, 0.4, 0.6};
  scene->EndEdit(0);
  return scene;
}

void ScaleToFeatureHeight(MDocObj& scene) {
  EXPECT_TRUE(FindBoneObj(&scene)->ScaleToFeatureHeight(&scene) || EngContext().failState != kEngFailNone);
}

TEST_F(SceneFigureTest, ScalingToTheFeatureHeightUndoesWithTheFeaturePoints) {
  EXPECT_TRUE(SceneCommandUndoesAndRedoes(FigureWithTallFeaturePoints, ScaleToFeatureHeight));
  // A second scaling in the same step keeps the points the step began with.
  std::unique_ptr<MDocObj> scene = FigureWithTallFeaturePoints();
  MBoneObj* figure = FindBoneObj(scene.get());
  const std::string before = DumpFigureData(*figure);
  ASSERT_TRUE(figure->ScaleToFeatureHeight(scene.get()));
  figure->featurePoints[0][0] = Mul(figure->featurePoints[0][0], 1.5);
  ASSERT_TRUE(figure->ScaleToFeatureHeight(scene.get()));
  scene->UndoEdit(0);
  EXPECT_EQ(DumpFigureData(*figure), before);
}

// The body fittings the scene runs on every figure, each on a figure that
// gives it something to change: its group added to a scene and committed,
// the bound vertices numbered (working values every fitting writes again).
struct BodyFitting {
  const char* name;
  std::unique_ptr<MGroupObj> (*make)();
  void (*run)(MDocObj&);
};

std::unique_ptr<MGroupObj> WidenedChainGroup() {
  Chain chain = MakeChain();
  for (MVertex* v : chain.body->GetVertexList())
    v->position = {v->position.x * 1.5, v->position.y, v->position.z * 1.5};
  return std::move(chain.group);
}

std::unique_ptr<MGroupObj> ChainWithMovedBodyVertex() {
  Chain chain = MakeChain();
  chain.body->GetVertexList().First()->SetPosition({0.3, 1.7, 0});
  return std::move(chain.group);
}

std::unique_ptr<MGroupObj> FaceWithItsPoints() {
  FaceFigure face = MakeFaceFigure(true, false);
  SetFeaturePoints(*face.figure, {{1, {0, 1.87, 0}}, {4, {0.15, 1.69, 0}}, {5, {-0.15, 1.69, 0}}, {6, {0, 1.58, 0}},
                                  {7, {-0.06, 1.44, 0}}, {8, {0.06, 1.44, 0}}, {9, {0, 1.33, 0}}});
  return std::move(face.group);
}

testsupport::FakeQView* FittingView() {
  static testsupport::FakeQView view;
  return &view;
}

const BodyFitting kBodyFittings[] = {
    {"bind the bodies", WidenedChainGroup, [](MDocObj& s) { s.BindFigureBodies(FittingView()); }},
    {"rebuild the rigs", ChainWithMovedBodyVertex, [](MDocObj& s) { s.RebuildFigureRigs(); }},
    {"fit the limbs", [] { return MakeLimbPlate().group; }, [](MDocObj& s) { s.FitFigureLimbs(); }},
    {"fit the figures to the scene", FaceWithItsPoints, [](MDocObj& s) { s.FitFiguresToScene(); }},
};

std::unique_ptr<MDocObj> SceneForFitting(const BodyFitting& fitting) {
  auto scene = std::make_unique<MDocObj>();
  std::unique_ptr<MGroupObj> group = fitting.make();
  FindBoneObj(group.get())->NumberBodyVertices(nullptr);
  scene->AddChild(group.release());
  scene->EndEdit(0);
  return scene;
}

TEST_F(SceneFigureTest, EveryBodyFittingOfTheSceneUndoesAndRedoes) {
  for (const BodyFitting& fitting : kBodyFittings) {
    SCOPED_TRACE(fitting.name);
    EXPECT_TRUE(SceneCommandUndoesAndRedoes([&] { return SceneForFitting(fitting); }, fitting.run));
    EXPECT_TRUE(SceneCommandSurvivesAllocationFailures([&] { return SceneForFitting(fitting); }, fitting.run));
  }
}

TEST_F(SceneFigureTest, BodyFittingsReachEveryFigureAndLeaveOtherObjectsAlone) {
  // Two widened chains and a prop: binding fits both bodies.
  MDocObj scene;
  MGroupObj* first = AddChain(scene, 0);
  MGroupObj* second = AddChain(scene, 2);
  MMeshObj* prop = AddProp(scene, 4);
  std::vector<std::string> bodiesBefore;
  for (MGroupObj* group : {first, second}) {
    MMeshObj* body = static_cast<MMeshObj*>(group->ChildAt(1));
    for (MVertex* v : body->GetVertexList())
      v->position = {v->position.x * 1.5, v->position.y, v->position.z * 1.5};
    FindBoneObj(group)->NumberBodyVertices(nullptr);
    bodiesBefore.push_back(meshkit::TakeSnapshot(*body).dump);
  }
  scene.EndEdit(0);
  const std::string propBefore = meshkit::TakeSnapshot(*prop).dump;
  scene.BindFigureBodies(FittingView());
  ASSERT_EQ(EngContext().failState, kEngFailNone);
  int i = 0;
  for (MGroupObj* group : {first, second}) {
    EXPECT_EQ(FindBoneObj(group)->GetEditState(), kEditMeshStep) << "the figure is in the scene's step";
    EXPECT_NE(meshkit::TakeSnapshot(*static_cast<MMeshObj*>(group->ChildAt(1))).dump, bodiesBefore[i++]);
  }
  EXPECT_EQ(meshkit::TakeSnapshot(*prop).dump, propBefore);
}

TEST_F(SceneFigureTest, SelectingAllFiguresOrEverythingElse) {
  MDocObj scene;
  MGroupObj* figure = AddStandard(scene, 0);
  Chain chain = MakeChain();
  MGroupObj* other = chain.group.release();
  scene.AddChild(other);
  MMeshObj* prop = static_cast<MMeshObj*>(figure->ChildAt(1)->Clone());
  scene.AddChild(prop);
  SelectInOrder(scene, {figure, other});
  scene.SelectAllFigures(true);
  EXPECT_TRUE(figure->IsSelected());
  EXPECT_TRUE(other->IsSelected());
  EXPECT_FALSE(prop->IsSelected());
  scene.SelectAllFigures(false);
  EXPECT_FALSE(figure->IsSelected());
  EXPECT_FALSE(other->IsSelected());
  EXPECT_TRUE(prop->IsSelected());
}

TEST_F(SceneFigureTest, InvertingTheEditableSelection) {
  MDocObj scene;
  MGroupObj* figure = AddStandard(scene, 0);
  MMeshObj* prop = static_cast<MMeshObj*>(figure->ChildAt(1)->Clone());
  scene.AddChild(prop);
  MMeshObj* locked = static_cast<MMeshObj*>(figure->ChildAt(2)->Clone());
  scene.AddChild(locked);
  scene.AddLayer(0);
  locked->SetLayer(1);
  scene.SetLayerFlag(1, kLayerEditable, 0, false);
  // Objects: only editable ones flip.
  SelectInOrder(scene, {figure});
  scene.InvertEditableSelection(nullptr);
  EXPECT_FALSE(figure->IsSelected());
  EXPECT_TRUE(prop->IsSelected());
  EXPECT_FALSE(locked->IsSelected());
  // Elements: every editable mesh under the scope flips its elements.
  scene.SelectAll(false);
  auto* head = static_cast<MMeshObj*>(figure->ChildAt(1));
  auto* chest = static_cast<MMeshObj*>(figure->ChildAt(2));
  SelectAllElements(*head);
  scene.InvertEditableSelection(figure);
  EXPECT_FALSE(head->HasSelectedVertex());
  int unselected = 0;
  for (MVertex* v : chest->GetVertexList()) unselected += (v->flags & kVertexSelected) == 0;
  EXPECT_EQ(unselected, 0);
  EXPECT_FALSE(prop->HasSelectedVertex()) << "outside the scope";
  // A scope without element selections is a caller's mistake.
  scene.SelectAll(false);
  EXPECT_TRUE(EndsInFatalExit([&] { scene.InvertEditableSelection(figure); }));
}

}  // namespace
}  // namespace figuretest
