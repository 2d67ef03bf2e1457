#pragma once
// The figure tests' kit: the mesh fixture with the figure's services
// installed, a two-bone chain in a group with a tube around it, a dump of a
// figure's own data, and the undo round trip over a figure's whole group
// (the figure and its bound meshes each keep a step of their own).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "StandardFigure.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/ObjectFactory.h"
#include "engine/figure/MBoneObj.h"
#include "meshkit/MeshTestSupport.h"

namespace figuretest {

class FigureTest : public meshkit::MeshTest {
 protected:
  void SetUp() override {
    meshkit::MeshTest::SetUp();
    engine::InstallMeshObjectServices();
    engine::InstallFigureObjectServices();
  }
};

// The figure tests on the standard figure: its group and figure, built
// before each test.
class StandardFigureFixture : public FigureTest {
 protected:
  void SetUp() override {
    FigureTest::SetUp();
    group_ = standardfigure::BuildStandardFigure();
    ASSERT_TRUE(group_ != nullptr);
    ASSERT_EQ(FailState(), 0);
    figure_ = standardfigure::FigureOf(*group_);
    ASSERT_NE(figure_, nullptr);
  }
  std::unique_ptr<engine::MGroupObj> group_;
  engine::MBoneObj* figure_ = nullptr;
};

//   C (0, 2, 0)     a chain of two bones, A the root, in a group with a
//   |               closed tube of radius 0.2 around it (rings every 0.1)
//   B (0, 1, 0)
//   |
//   A (0, 0, 0)
struct Chain {
  std::unique_ptr<engine::MGroupObj> group;
  engine::MBoneObj* figure = nullptr;
  engine::MMeshObj* body = nullptr;
  engine::MVertex* a = nullptr;
  engine::MVertex* b = nullptr;
  engine::MVertex* c = nullptr;
  engine::MLine* lower = nullptr;  // A -> B, bone 0
  engine::MLine* upper = nullptr;  // B -> C, bone 1
};
// Rigged with `rigKind` (1 blends at joints, 0 binds objects rigidly); the
// tube has `sides` points a ring and `segments` + 1 rings (fewer make a
// small figure for the tests that run out of memory at every allocation).
Chain MakeChain(int rigKind = 1, int sides = 8, int segments = 20);
// The chain of MakeChain (A (0,0,0) -> B (0,1,0) -> C (0,2,0)) in a group
// with the given meshes in place of its tube, rigged after they are added.
Chain MakeChainWith(const std::vector<engine::MMeshObj*>& meshes, int rigKind = 1);

// The meshes of a group (its direct children), figures included.
std::vector<engine::MMeshObj*> MeshesOf(engine::MGroupObj& group);

// The figure's own data as text: rig kind, skin flag, bones, skin records
// rest positions and feature points (undo copies left out).
std::string DumpFigureData(engine::MBoneObj& figure);

// The undo round trip of an edit of a figure's group: every mesh of the
// group is checkpointed, the edit runs, and undoing and redoing (twice)
// must give back every mesh and the figure's data exactly.
::testing::AssertionResult GroupUndoRoundTrip(engine::MGroupObj& group,
                                              const std::function<void()>& edit);

// An edit of a figure's group that runs out of memory part way must leave
// steps that undo to the group as it was: for n = 1, 2, ... a fresh group
// from `makeFresh` is checkpointed and edited with the nth engine
// allocation failing, then every mesh's open step is undone and the meshes
// and the figure's data compared with their state before.
::testing::AssertionResult GroupUndoRestoresAfterAllocationFailures(const std::function<engine::MGroupObj&()>& makeFresh,
                                                                    const std::function<void(engine::MGroupObj&)>& edit);

// The largest distance between the joints of two figures of the same shape.
double JointDistance(engine::MBoneObj& a, engine::MBoneObj& b);

}  // namespace figuretest
