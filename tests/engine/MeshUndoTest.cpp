// The mesh's edit steps and undo ring: every edit of the mesh's own topics
// undone and redone through the round trip of the test kit, and the ring's
// rules (steps gone for good, the visit stamp, the selection caches, deeper
// rings, the fatal travels, running out of memory).
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
using meshkit::UndoRoundTrip;

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

TEST_F(MeshUndo, EveryEditOfTheMeshSurvivesUndoAndRedo) {
  // Each case builds its mesh, prepares it (outside the step) and edits it
  // inside one step, saving first what the edit will change, as the
  // modelling operations do.
  struct Case {
    const char* name;
    std::function<MeshFixture()> make;
    std::function<void(MeshFixture&)> prepare;
    std::function<void(MeshFixture&, MMeshObj&)> edit;
    int validation = 1;
  };
  auto nothing = [](MeshFixture&) {};
  auto textured = [](MeshFixture f) {
    meshkit::GiveTexture(f);
    return f;
  };
  std::unique_ptr<MMorphTgt> target;
  const Case cases[] = {
      {"a vertex moved twice: one saved copy, the first contents back", [] { return meshkit::MakeCube(); }, nothing,
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         f.v[6]->SaveUndo();
         f.v[6]->position = {2, 2, 2};
         f.v[6]->SaveUndo();
         f.v[6]->position = {3, 3, 3};
       }},
      {"a face removed with the lines and the corner it leaves alone", [] { return meshkit::MakeGrid(2, 1); },
       nothing,
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         MFace* corner = f.Line(1, 2)->LeavingFace(f.v[1]);
         SaveStars(m, {f.v[1], f.v[2], f.v[5]});
         corner->Remove(0);
         EXPECT_EQ(m.vertices.Length(), 5);
       }},
      {"a face added on a new and two old vertices", [] { return meshkit::MakeGrid(1, 1); }, nothing,
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         SaveStars(m, {f.v[1], f.v[3]});
         MVertex* n = m.AddVertex({2, 1, 0});
         ASSERT_NE(m.AddFace(f.v[1], n, f.v[3], f.shader), nullptr);
       }},
      {"two triangles joined into a quad, the second taking the first's material",
       [] { return meshkit::MakeQuadPair(false); },
       [](MeshFixture& f) {
         MShader* other = f->AddShader();
         other->diffuseColor = {1, 0, 0};
         MLine* diagonal = f.Line(0, 2);
         diagonal->flags |= kLineSharp | 0x0F000000;
         diagonal->backwardFace->SetShader(other);
       },
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         EXPECT_TRUE(m.JoinToQuad(f.Line(0, 2)));
       }},
      {"a hidden diagonal exposed", [] { return meshkit::MakeQuadPair(true); }, nothing,
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         EXPECT_EQ(m.ExposeDiagonal(f.v[2], f.v[0]), f.Line(0, 2));
       }},
      {"the other diagonal exposed by turning the shared line", [] { return meshkit::MakeGrid(2, 2); }, nothing,
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         // Cell (0, 0) is split along 0-4; its other diagonal joins 1 and 3.
         MLine* turned = m.ExposeDiagonal(f.v[1], f.v[3]);
         ASSERT_NE(turned, nullptr);
         EXPECT_TRUE(turned->HasEnd(f.v[1]) && turned->HasEnd(f.v[3]));
         EXPECT_EQ(f.Line(0, 4), nullptr);
       }},
      {"a line between textured faces turned", [&] { return textured(meshkit::MakeGrid(1, 1)); }, nothing,
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         MLine* line = f.Line(0, 3);
         m.SaveLineEndsStar(line);
         ASSERT_NE(m.FlipLine(line), nullptr);
       }},
      {"faces given another material, the unused one removed", [] { return meshkit::MakeTetra(); },
       [](MeshFixture& f) { f->AddShader()->diffuseColor = {1, 0, 0}; },
       [](MeshFixture&, MMeshObj& m) {
         PtrArray list;
         m.GatherAll(&list, nullptr, nullptr);
         m.AssignShader(list, m.shaders.First());
         m.CleanUpShaders(false);
         EXPECT_EQ(m.shaders.Length(), 1);
       }},
      {"texture coordinates of a selected vertex moved", [&] { return textured(meshkit::MakeGrid(2, 2)); },
       [](MeshFixture& f) {
         f.v[4]->flags |= kVertexSelected;
         f->InvalidateSelectionCache();
       },
       [](MeshFixture&, MMeshObj& m) { m.MoveSelectedVertexUVs(0.25, -0.5); }},
      {"groups made and re-parented, an element put in one", [] { return meshkit::MakeTetra(); },
       [](MeshFixture& f) { f->AddGroup(); },
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         MGroup* old = m.groups.First();
         MGroup* made = m.AddGroup();
         old->SaveUndo();
         old->parent = made;
         f.v[0]->SaveUndo();
         f.v[0]->group = made;
       }},
      {"the step values and a scale moved into the vertices, with a morph's frame",
       [] { return meshkit::MakeTetra(); },
       [&target](MeshFixture& f) {
         target = AddMorph(f, {0, 1}, {0, 1, 0});
         f->SetMatrix(objecttest::Composed(0.5, 0, 0, {2, 2, 2}, {1, 0, 0}));
       },
       [](MeshFixture&, MMeshObj& m) {
         m.SaveEditState();
         m.SetMirrorMode(1);
         m.SetSmoothDisplay(1);
         m.SetPageLineStyle(3);
         m.ApplyScale();
       }},
      {"a free line changed, then removed",
       [] {
         MeshFixture f = meshkit::MakeCubeCorners();
         MLine* first = f->AddLine(f.v[0], f.v[1], nullptr, nullptr, nullptr, nullptr);
         f->AddLine(f.v[1], f.v[2], first, first, nullptr, nullptr);
         return f;
       },
       nothing,
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         MLine* line = f.Line(1, 2);
         line->SaveUndo();
         line->flags |= kLineSharp;
         for (MVertex* end : {line->end0, line->end1}) end->SaveUndo();
         f.Line(0, 1)->SaveUndo();
         line->Remove(1);
       },
       0},
      {"a vertex created and removed in the step, beside a move", [] { return meshkit::MakeTetra(); }, nothing,
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         m.AddVertex({5, 5, 5})->Remove();
         f.v[0]->SaveUndo();
         f.v[0]->position.x = -1;
       }},
      {"a morph target applied", [] { return meshkit::MakeTetra(); },
       [&target](MeshFixture& f) { target = AddMorph(f, {1, 2}, {0, 0, 1}); },
       [&target](MeshFixture&, MMeshObj& m) { m.ApplyTarget(target.get(), 0.5, 0); }},
      {"a morph's base shape restored", [] { return meshkit::MakeTetra(); },
       [&target](MeshFixture& f) {
         target = AddMorph(f, {1, 2}, {0, 0, 1});
         f->ApplyTarget(target.get(), 1, 0);
       },
       [](MeshFixture&, MMeshObj& m) { m.RestoreBase("m"); }},
      {"a texture-offset morph applied: the coordinates and the morph's offset",
       [&] { return textured(meshkit::MakeGrid(1, 1)); },
       [&target](MeshFixture& f) {
         target = AddMorph(f, {0, 1, 2, 3}, {0, 0, 0});
         target->SetTextureOffsetMode(1);
         target->SetTextureOffset(0.5, 0.25);
       },
       [&target](MeshFixture&, MMeshObj& m) { m.ApplyTarget(target.get(), 1, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = c.make();
    c.prepare(f);
    EXPECT_TRUE(UndoRoundTrip(*f, [&](MMeshObj& m) { c.edit(f, m); }, c.validation));
    target.reset();
  }
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
