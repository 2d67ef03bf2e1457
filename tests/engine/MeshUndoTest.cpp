// The mesh's edit steps and undo ring: the ring's rules (steps gone for
// good, the visit stamp, the selection caches, deeper rings, the fatal
// travels, running out of memory). Every edit of the mesh runs through the
// undo properties of the test kit in MeshEditUndoTest.cpp.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/EngMath.h"
#include "meshkit/MeshTestSupport.h"
#include "meshkit/MeshUndoCheck.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;
using meshkit::MeshIsValid;

class MeshUndo : public meshkit::MeshTest {
 protected:
  void TearDown() override {
    EngContext().undoDepth = 1;
    EngContext().textureMode = 1;
    MeshTest::TearDown();
  }
};

// A morph "m" of the listed vertices and a target of it whose vectors are
// all `vector`.
std::unique_ptr<MMorphTgt> AddMorph(MeshFixture& f, std::initializer_list<int> members, PointRecord vector) {
  std::unique_ptr<MMorphTgt> target = meshkit::MakeMorph(f, members);
  for (int i = 0; i < target->GetVectorCount(); ++i) target->SetVector(i, vector);
  return target;
}

// Saves what removing or adding faces at these vertices touches.
void SaveStars(MMeshObj& m, const std::vector<MVertex*>& corners) {
  for (MVertex* v : corners) m.SaveVertexStar(v);
}

TEST_F(MeshUndo, AVertexCreatedAndRemovedInTheStepIsGoneForGood) {
  MeshFixture f = meshkit::MakeTetra();
  f->Checkpoint(true);
  f->SaveEditState();
  f.v[0]->SaveUndo();
  f.v[0]->position.x = 2;
  MVertex* passing = f->AddVertex({7, 7, 7});
  passing->Remove();
  EXPECT_EQ(passing->state, kItemCreatedRemoved);
  f->ExchangeUndoStep(0);
  // Only the saved copy of the moved vertex is left to redo the step.
  EXPECT_EQ(f->removedVertices.Length(), 1);
  f->ExchangeUndoStep(1);
  EXPECT_EQ(f->vertices.Length(), 4);
  EXPECT_EQ(f.v[0]->position.x, 2);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshUndo, TheVisitStampNeverGoesBackAndUnknownCachesComeBackSelected) {
  MeshFixture f = meshkit::MakeTetra();
  f->Checkpoint(true);
  f->SetVisitStamp(10);
  f->SaveEditState();
  f->SetVisitStamp(50);
  f->vertexSelectionCache = -1;
  f->lineSelectionCache = 0;
  f->faceSelectionCache = 1;
  f->ExchangeUndoStep(0);
  EXPECT_EQ(f->GetVisitStamp(), 50);
  f->ExchangeUndoStep(1);
  EXPECT_EQ(f->GetVisitStamp(), 50);
  // An unknown cache may hide a selection: it comes back as "selected".
  EXPECT_EQ(f->vertexSelectionCache, 1);
  EXPECT_EQ(f->lineSelectionCache, 0);
  EXPECT_EQ(f->faceSelectionCache, 1);
}

TEST_F(MeshUndo, StepsAlternateAndACheckpointAfterAnUndoDropsTheStep) {
  MeshFixture f = meshkit::MakeTetra();
  f->Checkpoint(true);
  EXPECT_FALSE(f->CanStep(2));
  f->SaveEditState();
  f.v[3]->SaveUndo();
  f.v[3]->position.z = 4;
  EXPECT_TRUE(f->CanStep(0));
  EXPECT_FALSE(f->CanStep(1));
  f->ExchangeUndoStep(0);
  EXPECT_EQ(f.v[3]->position.z, 1);
  EXPECT_TRUE(f->CanStep(1));
  // With the ring's one level a second undo would have to travel to a step
  // that was never stored.
  EXPECT_FALSE(f->CanStep(0));
  EXPECT_TRUE(EndsInFatalExit([&] { f->ExchangeUndoStep(0); }));
  f->Checkpoint(true);
  EXPECT_TRUE(f->removedVertices.IsEmpty());
  EXPECT_EQ(f->GetEditState(), kEditUnchanged);
  EXPECT_FALSE(f->CanStep(1));
  EXPECT_EQ(f.v[3]->position.z, 1);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshUndo, ADeeperRingUndoesAndRedoesSeveralSteps) {
  // The scene closes a step when the next one begins, so the last step is
  // still open when the user undoes it; older steps come from the ring.
  EngContext().undoDepth = 3;
  MeshFixture f = meshkit::MakeGrid(2, 1);
  f->ClearSelection();  // known caches come back exactly
  f->Checkpoint(true);
  f->AllocateUndoRing();
  const meshkit::MeshSnapshot s0 = meshkit::TakeSnapshot(*f);
  f->SaveEditState();
  f.v[0]->SaveUndo();
  f.v[0]->position.z = 1;
  f->Checkpoint(true);
  EXPECT_EQ(f->forwardCount, 1);
  const meshkit::MeshSnapshot s1 = meshkit::TakeSnapshot(*f);
  f->SaveEditState();
  SaveStars(*f, {f.v[4], f.v[5]});
  MVertex* added = f->AddVertex({2, 2, 0});
  ASSERT_NE(f->AddFace(f.v[4], f.v[5], added, f.shader), nullptr);
  const meshkit::MeshSnapshot s2 = meshkit::TakeSnapshot(*f);

  f->ExchangeUndoStep(0);
  EXPECT_EQ(meshkit::DumpInOrderOf(*f, s1), s1.dump);
  f->ExchangeUndoStep(0);  // travels to the stored step
  EXPECT_EQ(meshkit::DumpInOrderOf(*f, s0), s0.dump);
  EXPECT_FALSE(f->CanStep(0));
  f->ExchangeUndoStep(1);
  EXPECT_EQ(meshkit::DumpInOrderOf(*f, s1), s1.dump);
  f->ExchangeUndoStep(1);  // travels back
  EXPECT_EQ(meshkit::DumpInOrderOf(*f, s2), s2.dump);
  EXPECT_FALSE(f->CanStep(1));
  EXPECT_TRUE(MeshIsValid(*f));
  // Closing the step after two undos drops both undone steps: nothing is
  // left to redo, and the mesh stays as it was at the start.
  f->ExchangeUndoStep(0);
  f->ExchangeUndoStep(0);
  f->Checkpoint(true);
  EXPECT_EQ(f->backCount, 0);
  EXPECT_FALSE(f->CanStep(1));
  EXPECT_EQ(meshkit::DumpInOrderOf(*f, s0), s0.dump);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshUndo, RunningOutOfMemoryWhileStoringAStepBeepsAndKeepsItUndoable) {
  MeshFixture f = meshkit::MakeTetra();
  f->Checkpoint(true);
  const meshkit::MeshSnapshot before = meshkit::TakeSnapshot(*f);
  f->SaveEditState();
  f.v[1]->SaveUndo();
  f.v[1]->position.y = 9;
  {
    EngAllocFailureScope fail(1);
    f->Checkpoint(true);
  }
  EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
  EXPECT_EQ(beeps_, 1);
  // The step stays open, its saved copy in place: it can still be undone.
  EngContext().ClearFailure();
  EXPECT_EQ(f->GetEditState(), kEditMeshStep);
  f->ExchangeUndoStep(0);
  EXPECT_EQ(meshkit::DumpInOrderOf(*f, before), before.dump);
}

TEST_F(MeshUndo, FreedStepsLetGoOfTheirVerticesInMorphs) {
  // A morph keeps pointing at a removed vertex while a step holds it; when
  // the vertex is freed the entry must let go of it.
  MeshFixture f = meshkit::MakeCubeCorners();
  std::unique_ptr<MMorphTgt> target = AddMorph(f, {0, 1, 2}, {1, 0, 0});
  MMorph* morph = f->morphs.First();
  auto entryOf = [&](const MVertex* v) {
    for (int i = 0; i < morph->GetEntryCount(); ++i)
      if (morph->entries[i].vertex == v) return i;
    return -1;
  };
  const int removedEntry = entryOf(f.v[0]);
  const int passingEntry = entryOf(f.v[2]);
  ASSERT_GE(removedEntry, 0);
  f->Checkpoint(true);
  f->SaveEditState();
  f.v[0]->Remove();
  f->ExchangeUndoStep(0);
  f->ExchangeUndoStep(1);
  f->Checkpoint(true);  // the step goes into the ring: the vertex is kept there
  EXPECT_EQ(morph->entries[removedEntry].vertex, f.v[0]);
  EXPECT_TRUE(MeshIsValid(*f, 0));
  f->SaveEditState();
  f->Checkpoint(true);  // the ring's entry is reused: the vertex is freed
  EXPECT_EQ(morph->entries[removedEntry].vertex, nullptr);

  // Undoing a step deletes the vertices created and removed in it.
  f->SaveEditState();
  MVertex* passing = f->AddVertex({4, 4, 4});
  morph->entries[passingEntry].vertex = passing;
  passing->Remove();
  f->ExchangeUndoStep(0);
  EXPECT_EQ(morph->entries[passingEntry].vertex, nullptr);
  EXPECT_EQ(morph->entries[entryOf(f.v[1])].vertex, f.v[1]);
  EXPECT_TRUE(MeshIsValid(*f, 0));
  // A ring set up again frees the steps it kept, and their vertices.
  const int keptEntry = entryOf(f.v[1]);
  f->Checkpoint(true);
  f->SaveEditState();
  f.v[1]->Remove();
  f->Checkpoint(true);
  EXPECT_EQ(morph->entries[keptEntry].vertex, f.v[1]);
  f->AllocateUndoRing();
  EXPECT_EQ(morph->entries[keptEntry].vertex, nullptr);
}

}  // namespace
