// The selection the quad and morph operations use: the cache, gathering the
// selected elements (plain and grown by a ring of neighbours), one vertex
// per ring, and spreading a selection over rings of coincident vertices.
#include <gtest/gtest.h>

#include "meshkit/MeshTestSupport.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;

using MeshSelect = meshkit::MeshTest;

bool Holds(const PtrArray& list, const void* element) {
  for (int i = 0; i < list.count; ++i)
    if (list[i] == element) return true;
  return false;
}

TEST_F(MeshSelect, GatheringFollowsTheCacheAndTheListOrder) {
  MeshFixture f = meshkit::MakeGrid(2, 1);
  f->ClearSelection();
  EXPECT_EQ(f->vertexSelectionCache, 0);
  // Bits set behind the cache's back are not seen until it is refreshed.
  for (int i : {0, 1, 4}) f.v[i]->flags |= kVertexSelected;
  for (MLine* line : {f.Line(0, 1), f.Line(1, 4), f.Line(0, 4)}) line->flags |= kLineSelected;
  PtrArray faces, lines, vertices;
  f->GatherSelected(0, &faces, &lines, &vertices);
  EXPECT_EQ(vertices.count, 0);
  f->InvalidateSelectionCache();
  EXPECT_TRUE(f->HasSelectedFace());
  f->GatherSelected(0, &faces, &lines, &vertices);
  ASSERT_EQ(faces.count, 1);
  EXPECT_EQ(faces[0], f.Line(0, 1)->LeavingFace(f.v[0]));
  EXPECT_EQ(lines.count, 3);
  ASSERT_EQ(vertices.count, 3);
  EXPECT_EQ(vertices[0], f.v[4]);  // list order: the last made first
  EXPECT_EQ(f->CountSelectedLines(), 3);
  // Grown by one ring: every line around the selected lines' ends, and the
  // faces all of whose edges are among them.
  PtrArray grownFaces, grownLines;
  f.v[2]->flags |= kVertexSelected;  // a vertex alone adds nothing to the lines
  f->InvalidateSelectionCache();
  f->GatherSelected(1, &grownFaces, &grownLines, nullptr);
  EXPECT_EQ(grownLines.count, 8);  // all but 2-5
  EXPECT_FALSE(Holds(grownLines, f.Line(2, 5)));
  EXPECT_EQ(grownFaces.count, 3);
}

TEST_F(MeshSelect, RingsGiveOneVertexAndSpreadTheSelection) {
  MeshFixture f = meshkit::MakeSeamTube(4, 1);
  // v0 and v4 stand at one place, as do v5 and v9.
  f->ClearSelection();
  f.v[0]->flags |= kVertexSelected;
  f.v[4]->flags |= kVertexSelected;
  f->InvalidateSelectionCache();
  PtrArray one;
  f->GatherSelectedVertices(one);
  ASSERT_EQ(one.count, 1);
  EXPECT_EQ(one[0], f.v[4]);  // the first in list order stands for its ring
  // A selected seam line selects its coincident line, which cannot stay a
  // hidden diagonal.
  f->ClearSelection();
  MLine* seam = f.Line(0, 5);
  MLine* other = f.Line(4, 9);
  ASSERT_TRUE(seam != nullptr && other != nullptr);
  other->flags |= kLineHiddenDiagonal;
  seam->flags |= kLineSelected;
  f.v[0]->flags |= kVertexSelected;
  f->PropagateRingSelection();
  EXPECT_TRUE(f.v[4]->flags & kVertexSelected);
  EXPECT_TRUE(other->flags & kLineSelected);
  EXPECT_FALSE(other->flags & kLineHiddenDiagonal);
  PtrArray all;
  f->GatherAll(nullptr, nullptr, &all);
  EXPECT_EQ(all.count, 10);
}

}  // namespace
