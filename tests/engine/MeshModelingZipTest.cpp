// Zipping two coincident border lines into one where the collapse of a
// short side line left by the bridge is refused at first.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "meshkit/MeshTestSupport.h"
#include "meshkit/MeshUndoCheck.h"

namespace meshmodelingziptest {

using namespace engine;
using meshkit::MeshFixture;
using meshkit::MeshIsValid;

class MeshModelingZip : public meshkit::MeshTest {};

//        4            a slit from the tip 0 to the right edge: the upper
//      / | \          side 0-1-2 (faces 0-1-4, 1-2-4) and the lower side
//     0--1--2         0-3-5 (faces 0-6-3, 3-6-5); 1 and 3, 2 and 5 are
//     0--3--5         coincident. The tip 0 is joined to both 1 and 3, so
//      \ | /          the side line 1-3 left by bridging 1-2 with 3-5
//        6            would fold the surface over 0 when collapsed.
MeshFixture Slit() {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {1, -1, 0}},
        {{0, 1, 4}, {1, 2, 4}, {0, 6, 3}, {3, 6, 5}});
  f.v[1]->JoinRing(f.v[3]);
  f.v[2]->JoinRing(f.v[5]);
  return f;
}

void ZipSlitSides(MeshFixture& f) {
  MLine* a = f.Line(1, 2);
  MLine* b = f.Line(3, 5);
  MVertex *v1, *v2;
  ASSERT_TRUE(f->CanZipBorderLines(a, b, &v1, &v2));
  f->ZipBorderLines(a, b, v1, v2);
}

// Joining 1 with 3 would need the two lines from the tip to become one
// line, which no collapse or split can do: the near side stays as a
// zero-length line under one bridge face, the far ends 2 and 5 become one,
// and the coincident 1 and 3 stay in one ring.
TEST_F(MeshModelingZip, ASideThatWouldFoldOverTheSlitTipIsLeftSoundUnderItsBridgeFace) {
  MeshFixture f = Slit();
  f->Checkpoint(true);
  ZipSlitSides(f);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_TRUE(MeshIsValid(*f));
  EXPECT_EQ(f->vertices.Length(), 6);
  EXPECT_EQ(f->faces.Length(), 5);
  MLine* side = f.Line(1, 3);
  ASSERT_NE(side, nullptr);
  EXPECT_TRUE((side->forwardFace == nullptr) != (side->backwardFace == nullptr));
  EXPECT_EQ(f.v[1]->ringNext, f.v[3]);
  EXPECT_EQ(f.v[3]->ringNext, f.v[1]);
  // Both tip lines are still border lines of their own.
  for (auto [a, b] : {std::pair{0, 1}, {0, 3}}) {
    MLine* tip = f.Line(a, b);
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE((tip->forwardFace == nullptr) != (tip->backwardFace == nullptr));
  }
}

TEST_F(MeshModelingZip, ABlockedZipUndoesAndSurvivesRunningOutOfMemory) {
  MeshFixture f = Slit();
  EXPECT_TRUE(meshkit::UndoRoundTrip(*f, [&](MMeshObj&) { ZipSlitSides(f); }));
  MeshFixture fresh;
  EXPECT_TRUE(meshkit::UndoRestoresAfterAllocationFailures(
      [&]() -> MMeshObj& {
        fresh = Slit();
        return *fresh;
      },
      [&](MMeshObj&) { ZipSlitSides(fresh); }));
}

}  // namespace meshmodelingziptest
