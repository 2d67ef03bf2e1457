// Pose transfer (one figure taking over another's body, rebinding after the
// body was edited at rest) and the landmark search's refusals.
#include "FigureTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MMorph.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/SceneFigures.h"

namespace figuretest {
namespace {

using namespace engine;
namespace sf = standardfigure;

using TransferTest = FigureTest;

TEST_F(TransferTest, TakingOverABodyKeepsThePoseAndGrowsTheCounts) {
  MGroupObj scene;
  MGroupObj* own = sf::BuildStandardFigure().release();
  MGroupObj* other = sf::BuildStandardFigure().release();
  scene.AddChild(own);
  scene.AddChild(other);
  MBoneObj* a = sf::FigureOf(*own);
  MBoneObj* b = sf::FigureOf(*other);
  MPose walking;
  ASSERT_TRUE(sf::MakeStandardPose(*a, "walking", walking));
  std::unique_ptr<MObject> posed(a->Clone());
  const int ownCount = a->skinRecords->count, otherCount = b->skinRecords->count;
  const int ownChildren = own->GetChildCount(), otherChildren = other->GetChildCount();
  a->AdoptBodyFrom(nullptr, b);
  ASSERT_EQ(FailState(), 0) << FailReason();
  EXPECT_LT(JointDistance(*a, *static_cast<MBoneObj*>(posed.get())), 1e-6) << "the pose is kept";
  EXPECT_EQ(a->skinRecords->count, ownCount + otherCount);
  EXPECT_EQ(a->restPositions->count, ownCount + otherCount);
  EXPECT_EQ(a->undoRestPositions->count, ownCount + otherCount);
  EXPECT_EQ(own->GetChildCount(), ownChildren + otherChildren - 1);
  EXPECT_EQ(scene.GetChildCount(), 1) << "the other group left the scene";
  // Both bodies follow the skeleton now.
  int boneCount = 0, boundCount = 0;
  a->CountRigElements(boneCount, boundCount);
  EXPECT_EQ(boundCount, a->skinRecords->count);
  a->ResetPose(nullptr);
  EXPECT_EQ(FailState(), 0);
}

TEST_F(TransferTest, SkeletonsThatDifferAreRefusedAndNothingChanges) {
  MGroupObj scene;
  MGroupObj* own = sf::BuildStandardFigure().release();
  scene.AddChild(own);
  Chain chain = MakeChain();
  MGroupObj* other = chain.group.release();
  scene.AddChild(other);
  MBoneObj* a = sf::FigureOf(*own);
  const std::string ownBefore = DumpFigureData(*a);
  const std::string otherBefore = DumpFigureData(*chain.figure);
  a->AdoptBodyFrom(nullptr, chain.figure);
  EXPECT_EQ(FailState(), kEngFailFailed);
  EXPECT_EQ(FailReason(), kEngReasonPoseTransferRefused);
  EngContext().ClearFailure();
  EXPECT_EQ(DumpFigureData(*a), ownBefore);
  EXPECT_EQ(DumpFigureData(*chain.figure), otherBefore);
  EXPECT_EQ(scene.GetChildCount(), 2);
  // A figure whose skin is not bound is refused the same way.
  MGroupObj* third = sf::BuildStandardFigure().release();
  scene.AddChild(third);
  sf::FigureOf(*third)->SetSkinBound(false);
  a->AdoptBodyFrom(nullptr, sf::FigureOf(*third));
  EXPECT_EQ(FailReason(), kEngReasonPoseTransferRefused);
}

TEST_F(TransferTest, RebindingAfterAnEditKeepsThePoseAndItsUndoGivesMatchingArrays) {
  std::unique_ptr<MGroupObj> group = sf::BuildStandardFigure();
  MBoneObj* f = sf::FigureOf(*group);
  MPose pose;
  ASSERT_TRUE(sf::MakeStandardPose(*f, "arms_raised", pose));
  std::unique_ptr<MObject> posed(f->Clone());
  MMeshObj* body = static_cast<MMeshObj*>(group->ChildAt(1));
  for (int i = 0; i < group->GetChildCount(); ++i) static_cast<MMeshObj*>(group->ChildAt(i))->Checkpoint(true);
  const int before = f->skinRecords->count;

  f->CreateOwnPose(nullptr);
  ASSERT_EQ(FailState(), 0);
  EXPECT_TRUE(f->IsAtRestPose());
  // The edit at rest: a new vertex, which no record knows.
  body->SaveEditState();
  MVertex* added = body->AddVertex({0.0, 1.2, 0.3});
  ASSERT_NE(added, nullptr);
  added->faceS = 0;
  f->RebindAfterEdit(nullptr);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(f->skinRecords->count, before + 1);
  EXPECT_EQ(f->savedPose, nullptr);
  EXPECT_LT(JointDistance(*f, *static_cast<MBoneObj*>(posed.get())), 1e-6) << "the pose is back";
  // The new vertex is weighted where it rests: on the spine or chest.
  int boneCount = 0, boundCount = 0;
  f->CountRigElements(boneCount, boundCount);
  EXPECT_EQ(boundCount, before + 1);

  // Undoing the whole step takes the vertex away again; the figure's arrays
  // must come back with the old count, so that deforming still works.
  for (int i = 0; i < group->GetChildCount(); ++i) {
    MMeshObj* m = static_cast<MMeshObj*>(group->ChildAt(i));
    if (m->GetEditState() == kEditMeshStep) m->ExchangeUndoStep(0);
  }
  f->CountRigElements(boneCount, boundCount);
  EXPECT_EQ(boundCount, before);
  EXPECT_EQ(f->skinRecords->count, before);
  EXPECT_EQ(f->restPositions->count, before);
  f->UpdateBoneMatrices(1);
  f->DeformBoundObjects(nullptr);
  EXPECT_EQ(FailState(), 0);
  EXPECT_LT(JointDistance(*f, *static_cast<MBoneObj*>(posed.get())), 1e-6);
  // And redo brings the edit's arrays back.
  for (int i = 0; i < group->GetChildCount(); ++i) {
    MMeshObj* m = static_cast<MMeshObj*>(group->ChildAt(i));
    if (m->GetEditState() == kEditMeshStep) m->ExchangeUndoStep(1);
  }
  EXPECT_EQ(f->skinRecords->count, before + 1);
  f->DeformBoundObjects(nullptr);
  EXPECT_EQ(FailState(), 0);
}

TEST_F(TransferTest, RunningOutOfMemoryInATakeOverLeavesCountsThatAgree) {
  // Two chains: the same skeleton, each with its own tube.
  for (int nth = 1; nth < 5000; nth += 3) {
    MGroupObj scene;
    Chain own = MakeChain();
    Chain other = MakeChain();
    MGroupObj* ownGroup = own.group.release();
    MGroupObj* otherGroup = other.group.release();
    scene.AddChild(ownGroup);
    scene.AddChild(otherGroup);
    bool failed;
    {
      EngAllocFailureScope fail(nth);
      own.figure->AdoptBodyFrom(nullptr, other.figure);
      failed = FailState() == kEngFailFailed;
    }
    if (!failed) break;
    EXPECT_EQ(FailReason(), kEngReasonOutOfMemory) << nth;
    EngContext().ClearFailure();
    // Whatever step failed, each figure's arrays match its bound meshes,
    // so that the next deformation finds what it needs.
    for (MGroupObj* g : {ownGroup, otherGroup}) {
      MBoneObj* f = FindBoneObj(g);
      int bones = 0, bound = 0;
      f->CountRigElements(bones, bound);
      ASSERT_EQ(f->restPositions->count, bound) << nth;
      ASSERT_EQ(f->skinRecords->count, bound) << nth;
      f->UpdateBoneMatrices(1);
      f->DeformBoundObjects(nullptr);
      EngContext().ClearFailure();
    }
  }
}

// A morph target's parts are the meshes that carry the morph it belongs
// to (its group name, not its own name); the targets come from the scene.
TEST_F(TransferTest, PartsOfTheScenesMorphTargetsScaleAboutTheirCentre) {
  MDocObj scene;
  Chain chain = MakeChain();
  scene.AddChild(chain.group.release());
  MMorph* morph = chain.body->CreateMorph();
  ASSERT_NE(morph, nullptr);
  morph->SetName("tip");
  auto* stray = new MMorphTgt();  // of a morph no mesh carries: passed over
  stray->SetGroupName("brow");
  stray->SetTargetName("tip");
  scene.morphTargets->Add(stray);
  auto* target = new MMorphTgt();
  target->SetGroupName("tip");
  target->SetTargetName("smile");
  scene.morphTargets->Add(target);
  // The marked vertices: the tube's top ring, around (0, 2, 0).
  for (MVertex* v : chain.body->GetVertexList())
    if (v->position.y > 1.95) v->flags |= kVertexMarked;
  PtrArray bones, targets;
  chain.figure->ScaleTargetParts(&scene, 0.0, false, &bones, &targets);
  ASSERT_EQ(FailState(), 0);
  ASSERT_EQ(bones.count, 1);
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(bones[0]), 1) << "the upper bone";
  EXPECT_EQ(targets[0], target);
  // Without a scene there are no targets.
  PtrArray noBones;
  chain.figure->ScaleTargetParts(nullptr, 0.0, false, &noBones, nullptr);
  EXPECT_EQ(noBones.count, 0);
  // With apply, the target's meshes scale about the marked part's centre.
  PointRecord centre{0, 0, 0};
  int n = 0;
  for (MVertex* v : chain.body->GetVertexList()) {
    if ((v->flags & kVertexMarked) == 0) continue;
    centre = {centre.x + v->position.x, centre.y + v->position.y, centre.z + v->position.z};
    ++n;
  }
  ASSERT_GT(n, 0);
  centre = {centre.x / n, centre.y / n, centre.z / n};
  const PointRecord before = chain.body->GetVertexList().First()->position;
  chain.figure->ScaleTargetParts(&scene, 0.5, true, nullptr, nullptr);
  const PointRecord after = chain.body->GetVertexList().First()->position;
  EXPECT_NEAR(after.x, centre.x + 0.5 * (before.x - centre.x), 1e-12);
  EXPECT_NEAR(after.y, centre.y + 0.5 * (before.y - centre.y), 1e-12);
  EXPECT_NEAR(after.z, centre.z + 0.5 * (before.z - centre.z), 1e-12);
}

TEST_F(TransferTest, TheSceneAsksFiguresThroughTheInstalledServices) {
  Chain chain = MakeChain();
  EXPECT_TRUE(SceneFigureIsSkinBound(chain.figure));
  EXPECT_FALSE(SceneFigureIsSkinBound(chain.body));
  // Joints moved by the scene: the body follows.
  chain.figure->SaveEditState();
  chain.c->SaveUndo();
  chain.c->SetPosition({-1, 1, 0});
  SceneFigureFollowVertices(chain.figure, nullptr);
  EXPECT_EQ(FailState(), 0);
  int moved = 0;
  for (MVertex* v : chain.body->GetVertexList()) moved += v->position.x < -0.5;
  EXPECT_GT(moved, 0) << "the upper part of the tube turned with the bone";
  chain.figure->SetSkinBound(false);
  EXPECT_FALSE(SceneFigureIsSkinBound(chain.figure));
}

TEST_F(TransferTest, AFigureKeepingItsPoseReleasesItWhenDestroyed) {
  Chain chain = MakeChain();
  chain.figure->CreateOwnPose(nullptr);
  ASSERT_NE(chain.figure->savedPose, nullptr);
  // The group deletes the figure with its kept pose (the leak check of the
  // sanitizer build watches this).
  chain.group.reset();
}

using LandmarkTest = FigureTest;

TEST_F(LandmarkTest, SkeletonsOfAnotherShapeAreRefusedWithAReason) {
  Chain chain = MakeChain();
  std::string why;
  EXPECT_FALSE(chain.figure->FindLandmarks(false, &why));
  EXPECT_FALSE(why.empty());
  // The chain still has a top end with a joint of two bones below it.
  PointRecord top, next;
  ASSERT_TRUE(chain.figure->GetTopLandmarkPoints(top, next));
  EXPECT_EQ(top.y, 2);
  EXPECT_EQ(next.y, 1);

  // One bone: no joint of two bones below the top.
  MBoneObj single;
  MVertex* p = single.AddVertex({0, 0, 0});
  MVertex* q = single.AddVertex({0, 1, 0});
  sf::AddSkeletonLine(single, p, q);
  EXPECT_FALSE(single.GetTopLandmarkPoints(top, next));
  EXPECT_FALSE(single.SelectTopBone());
  EXPECT_FALSE(single.FindLandmarks(false, &why));
  EXPECT_EQ(FailState(), 0);

  // A standing human with a sixth end joint (a loose bone by its feet).
  std::unique_ptr<MGroupObj> group = sf::BuildStandardFigure();
  MBoneObj* f = sf::FigureOf(*group);
  EXPECT_TRUE(f->FindLandmarks(false));
  MVertex* s = f->AddVertex({0.0, 0.05, 0.3});
  MVertex* t = f->AddVertex({0.05, 0.05, 0.3});
  sf::AddSkeletonLine(*f, s, t);
  EXPECT_FALSE(f->FindLandmarks(false, &why));
  EXPECT_NE(why.find("two leg ends"), std::string::npos) << why;
}

TEST_F(LandmarkTest, SelectingTheTopBoneSelectsTheHeadBone) {
  std::unique_ptr<MGroupObj> group = sf::BuildStandardFigure();
  MBoneObj* f = sf::FigureOf(*group);
  f->ClearSelection();
  ASSERT_TRUE(f->SelectTopBone());
  EXPECT_EQ(f->CountSelectedLines(), 1);
  EXPECT_NE((f->GetVertexByIndex(sf::kHeadTop)->flags & kVertexSelected), 0u);
  EXPECT_NE((f->GetVertexByIndex(sf::kNeck)->flags & kVertexSelected), 0u);
  EXPECT_NE(((*f->bones)[1].line->flags & kLineSelected), 0u);
}

}  // namespace
}  // namespace figuretest
