#pragma once
// The undo round trip every mesh edit must survive, for the tests of any
// operation that edits a mesh:
//
//   EXPECT_TRUE(meshkit::UndoRoundTrip(*f, [&](engine::MMeshObj& m) {
//     m.SaveEditState();            // as the operation's caller would
//     m.JoinToQuad(f.Line(0, 2));
//   }));
//
// The mesh is checkpointed and its canonical dump taken; the edit runs (it
// must open the mesh's edit step, itself or in the lambda); the dump after
// the edit is taken. Then undo must give the first dump back and redo the
// second, twice over, and a checkpoint must keep the edited mesh. The live
// elements must be the very objects of the matching state (whatever points
// to them from outside stays good), so the dumps after an undo or a redo
// are taken in the element order of the state they must match. The mesh is
// validated after every step. Shading normals are caches (valid after the
// next MVertex::UpdateNormals) and are left out of the comparison.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/mesh/MMeshObj.h"
#include "meshkit/MeshDump.h"

namespace meshkit {

// The mesh's dump with the order of its elements at that moment.
struct MeshSnapshot {
  std::string dump;
  ElementOrder order;
};
MeshSnapshot TakeSnapshot(const engine::MMeshObj& mesh);
// The mesh's dump with its elements in the snapshot's order.
std::string DumpInOrderOf(const engine::MMeshObj& mesh, const MeshSnapshot& snapshot);

// `validationMode` is the validator's mode (1 for meshes without lone
// vertices, 0 otherwise).
::testing::AssertionResult UndoRoundTrip(engine::MMeshObj& mesh, const std::function<void(engine::MMeshObj&)>& edit,
                                         int validationMode = 1);

// An edit that runs out of memory part way must leave a step that undoes
// to the mesh as it was before the edit. For n = 1, 2, ... a fresh mesh
// from `makeFresh` (which keeps it alive until its next call) is
// checkpointed and edited with the nth engine allocation failing; after a
// run that failed, the failure is cleared and the step undone, and the mesh
// must be sound and equal to its dump before the edit. The runs end with
// the first one that meets no failure; the edit must not end the program
// on the way.
::testing::AssertionResult UndoRestoresAfterAllocationFailures(const std::function<engine::MMeshObj&()>& makeFresh,
                                                               const std::function<void(engine::MMeshObj&)>& edit,
                                                               int validationMode = 1);

}  // namespace meshkit
