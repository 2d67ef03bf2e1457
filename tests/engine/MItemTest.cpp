// The element protocol every element class shares: edit states, saved
// copies, removal into the holder, clones and their failures.
#include <gtest/gtest.h>

#include "meshkit/MeshTestSupport.h"

namespace {

using namespace engine;
using meshkit::MeshTest;

using ElementProtocol = MeshTest;

TEST_F(ElementProtocol, SaveUndoFilesOneSavedCopyAndRemoveKeepsIt) {
  // Created or already saved in this step: nothing to file.
  for (int state : {kItemCreated, kItemSaved}) {
    MMeshObj mesh;
    MVertex* v = mesh.AddVertex({1, 2, 3});
    v->state = state;
    v->SaveUndo();
    EXPECT_EQ(v->state, state);
    EXPECT_TRUE(mesh.removedVertices.IsEmpty());
  }
  MMeshObj mesh;
  MVertex* v = mesh.AddVertex({1, 2, 3});
  v->state = kItemUnchanged;
  v->SaveUndo();
  v->position.x = 9;
  v->SaveUndo();  // a second change in the step keeps the first copy
  MVertex* saved = mesh.removedVertices.First();
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(mesh.removedVertices.Length(), 1);
  EXPECT_EQ(v->state, kItemSaved);
  EXPECT_EQ(saved->state, kItemSaved);
  EXPECT_EQ(saved->copy, v);
  EXPECT_EQ(saved->position.x, 1.0);
  EXPECT_EQ(saved->holder, &mesh.removedVertices);

  MGroup* g = mesh.AddGroup();
  g->state = kItemUnchanged;
  g->SaveUndo();
  EXPECT_EQ(mesh.removedGroups.First()->copy, g);

  v->Remove();
  EXPECT_EQ(v->state, kItemRemoved);
  EXPECT_EQ(mesh.removedVertices.First(), v);
  EXPECT_EQ(saved->state, kItemSaved);
  EXPECT_EQ(mesh.removedVertices.Length(), 2);
  EXPECT_TRUE(mesh.vertices.IsEmpty());
}

TEST_F(ElementProtocol, RemoveMarksCreatedElementsSixAndOthersTwo) {
  const struct {
    int before;
    int after;
  } cases[] = {{kItemCreated, kItemCreatedRemoved}, {kItemUnchanged, kItemRemoved}, {kItemSaved, kItemRemoved}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    MMeshObj mesh;
    MVertex* v = mesh.AddVertex({0, 0, 0});
    MGroup* g = mesh.AddGroup();
    for (MItem* element : std::initializer_list<MItem*>{v, g}) element->state = c.before;
    v->Remove();
    g->Remove();
    for (MItem* element : std::initializer_list<MItem*>{v, g}) {
      EXPECT_EQ(element->state, c.after);
      EXPECT_FALSE(MItemIsLive(element));
    }
    EXPECT_EQ(mesh.removedVertices.First(), v);
    EXPECT_EQ(mesh.removedGroups.First(), g);
  }
}

TEST_F(ElementProtocol, ALiveListCountsEveryAdditionAndNoRemoval) {
  MMeshObj mesh;
  mesh.AddVertex({0, 0, 0});
  MVertex* middle = mesh.AddVertex({1, 0, 0});
  mesh.AddVertex({2, 0, 0});
  middle->Remove();
  EXPECT_EQ(mesh.vertices.count, 3);
  EXPECT_EQ(mesh.vertices.Length(), 2);
  EXPECT_EQ(mesh.removedVertices.count, 1);
}

TEST_F(ElementProtocol, ClonesAreRefusedOnceAFailureIsRecordedAndWhenMemoryRunsOut) {
  MMeshObj mesh;
  MVertex* v = mesh.AddVertex({1, 2, 3});
  v->state = kItemUnchanged;
  EngRecordFailure(kEngReasonTopologyConflict);
  EXPECT_EQ(v->Clone(), nullptr);
  v->SaveUndo();
  EXPECT_EQ(v->state, kItemUnchanged);
  EngContext().ClearFailure();
  {
    EngAllocFailureScope failNext(1);
    v->SaveUndo();
  }
  EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
  EXPECT_EQ(v->state, kItemUnchanged);
  EXPECT_TRUE(mesh.removedVertices.IsEmpty());
}

TEST_F(ElementProtocol, SavingOrRemovingAnElementWithoutHolderIsFatal) {
  MVertex loose({0, 0, 0}, nullptr);
  loose.state = kItemUnchanged;
  EXPECT_TRUE(EndsInFatalExit([&] { loose.SaveUndo(); }));
  EXPECT_TRUE(EndsInFatalExit([&] { loose.Remove(); }));
  MGroup group;
  EXPECT_TRUE(EndsInFatalExit([&] { group.Remove(); }));
}

TEST_F(ElementProtocol, ADestroyedElementKeepsItsMarkAndBrokenLinksToItAreFound) {
  MMeshObj mesh;
  MVertex* a = mesh.AddVertex({0, 0, 0});
  MVertex* b = mesh.AddVertex({1, 0, 0});
  MLine* line = mesh.AddLine(a, b, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(line->DescribeLinkFault(1), nullptr);
  // Destroying a vertex that a line still uses is a programming error; the
  // line's check recognises the destroyed end by its mark.
  b->Unlink();
  delete b;
  EXPECT_EQ(b->id, kItemDestroyedId);
  EXPECT_STREQ(line->DescribeLinkFault(0), "an end of the line is destroyed");
  EXPECT_TRUE(EndsInFatalExit([&] { line->CheckLinks(0); }));
  // Put a live vertex back in its place so the mesh can be freed cleanly.
  MVertex* again = mesh.AddVertex({1, 0, 0});
  again->firstLine = line;
  again->lineCount = 1;
  line->end1 = again;
}

}  // namespace
