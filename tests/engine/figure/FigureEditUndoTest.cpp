// Every edit of a figure through the undo round trip, and out of memory at
// each of its allocations in turn.
#include "FigureTestSupport.h"
#include "engine/core/CrPrefs.h"

namespace figuretest {
namespace {

using namespace engine;

struct Edit {
  const char* name;
  std::function<void(Chain&)> prepare;  // before the step (selection, pose)
  std::function<void(Chain&)> run;
};

// Stops, as the figure's own operations do, at a failure.
void BendUpper(Chain& c) {
  c.figure->SaveEditState();
  c.c->SaveUndo();
  if (EngContext().failState != kEngFailNone) return;
  c.c->SetPosition({-0.7, 1.7, 0});
  c.figure->UpdateBoneMatrices(1);
  c.figure->DeformBoundObjects(nullptr);
}

const Edit kEdits[] = {
    {"reset pose", BendUpper, [](Chain& c) { c.figure->ResetPose(nullptr); }},
    {"reset the selected bone and below", [](Chain& c) {
       BendUpper(c);
       c.upper->flags |= kLineSelected;
       c.figure->UpdateSelectionCache();
     },
     [](Chain& c) { c.figure->ResetSelectedBones(nullptr); }},
    {"exclude the selected bone", [](Chain& c) {
       c.upper->flags |= kLineSelected;
       c.figure->UpdateSelectionCache();
       c.figure->SetSkinBound(false);
     },
     [](Chain& c) { c.figure->ExcludeSelectedBones(nullptr, 3); }},
    {"include the selected bone again", [](Chain& c) {
       c.upper->flags |= kLineSelected;
       c.figure->UpdateSelectionCache();
       c.figure->SetSkinBound(false);
       c.figure->ExcludeSelectedBones(nullptr, 2);
       c.figure->Checkpoint(false);
       c.body->Checkpoint(false);
     },
     [](Chain& c) { c.figure->IncludeSelectedBones(nullptr); }},
    {"bind the selected vertices among the selected bones", [](Chain& c) {
       c.lower->flags |= kLineSelected;
       for (MVertex* v : c.body->GetVertexList()) v->flags |= kVertexSelected;
       c.body->UpdateSelectionCache();
     },
     [](Chain& c) { c.figure->BindByVertex(nullptr, 1); }},
    {"drag a bone's start joint", nullptr,
     [](Chain& c) {
       c.figure->SaveEditState();
       c.figure->DragBoneStartTo(nullptr, c.upper, {0.3, 0.1, 0});
       c.figure->UpdateBoneMatrices(1);
       c.figure->DeformBoundObjects(nullptr);
     }},
    {"apply a pose", nullptr,
     [](Chain& c) {
       MPose pose;
       BendUpper(c);
       if (EngContext().failState != kEngFailNone) return;
       c.figure->GetPose(pose);
       c.figure->ResetPose(nullptr);
       c.figure->SetPose(nullptr, pose);
     }},
};

class FigureEditUndoTest : public FigureTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    FigureTest::SetUp();
    prefs_.lineDisplayMode = 2;  // bone editing: exclusions rebuild the rig
  }
};

TEST_P(FigureEditUndoTest, UndoesAndRedoes) {
  const Edit& edit = kEdits[GetParam()];
  Chain chain = MakeChain();
  if (edit.prepare) edit.prepare(chain);
  EXPECT_TRUE(GroupUndoRoundTrip(*chain.group, [&] { edit.run(chain); })) << edit.name;
}

TEST_P(FigureEditUndoTest, UndoesToTheGroupBeforeAfterRunningOutOfMemory) {
  const Edit& edit = kEdits[GetParam()];
  Chain chain;
  EXPECT_TRUE(GroupUndoRestoresAfterAllocationFailures(
      [&]() -> MGroupObj& {
        chain = MakeChain();
        if (edit.prepare) edit.prepare(chain);
        return *chain.group;
      },
      [&](MGroupObj&) { edit.run(chain); }))
      << edit.name;
}

INSTANTIATE_TEST_SUITE_P(Edits, FigureEditUndoTest, ::testing::Range(0, static_cast<int>(std::size(kEdits))));

}  // namespace
}  // namespace figuretest
