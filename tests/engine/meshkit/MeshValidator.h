#pragma once
// The mesh validator every mesh test runs after each operation. It checks
// each link in both directions and names the broken element by class,
// position in its live list and link:
//   - every live element's own link check (DescribeLinkFault) at the mode
//     given;
//   - every reference (ends, wings, faces, corners, first lines, rings,
//     partners, groups, materials) points to a live element of this mesh;
//   - every element's holder is this mesh's removed holder of its class;
//   - each ring of coincident vertices closes through live vertices;
//   - a vertex's lineCount is the number of live lines that end at it;
//   - a line is on the loop of at most two faces, and they are its forward
//     and backward faces;
//   - two faces sharing a line run along it in opposite directions, so the
//     orientation agrees across every shared line;
//   - no removed element (state 2 or 6) is in a live list;
//   - group parents are live and free of cycles;
//   - morph entries name vertices of this mesh (or none).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/mesh/MMeshObj.h"

namespace meshkit {

// Every fault found, one line each; empty for a sound mesh. Mode as for
// CheckLinks: 1 adds the modelling invariants (no parallel lines, no vertex
// without lines, no vertex with both free and face lines).
std::vector<std::string> FindMeshFaults(const engine::MMeshObj& mesh, int mode = 1);

// For EXPECT_TRUE / ASSERT_TRUE: lists the first faults when it fails.
::testing::AssertionResult MeshIsValid(const engine::MMeshObj& mesh, int mode = 1);

}  // namespace meshkit
