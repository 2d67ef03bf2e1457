#pragma once
// Two-bone inverse kinematics: the solver behind dragging the start joint of
// a bone while the two bones above it keep their lengths. It works on plain
// points (any one frame); the figure's drags and the view's bone-line
// tracker both use it.
//
//     R (root) ---L1--- J (joint) ---L2--- E (end, dragged to the target T)
#include "engine/core/EngGeometry.h"

namespace engine {

// The chain as it was when the drag began.
struct TwoBoneChain {
  PointRecord root;   // PR; the joint's position when there is no root
  PointRecord joint;  // PJ; the end's position when there is no joint
  PointRecord end;    // PE
  double upper;       // L1 = |PR - PJ|
  double lower;       // L2 = |PE - PJ|
  bool hasJoint;      // the end has a parent joint
  bool hasRoot;       // the joint has a parent and exactly two lines
};

TwoBoneChain MakeTwoBoneChain(const PointRecord& end, const PointRecord* joint, const PointRecord* root);

// Solves a drag of the end towards `target` (in/out): a target out of
// reach is pulled back along its direction from the root, a little inside
// the reach (1.001 |L1 - L2| when too near, so the bones never fold onto
// each other; 0.999 (L1 + L2) when too far). With one bone the target is
// pulled onto the sphere around the joint. `newJoint` receives the joint's
// new position, which stays in the plane the chain had when the drag began
// and on its side; `currentJoint` is the joint where it is now (used only
// when the target falls on the root). Answers true when the joint moves
// (two bones), false when only the end moves.
bool SolveTwoBoneDrag(const TwoBoneChain& chain, const PointRecord& currentJoint, PointRecord& target,
                      PointRecord& newJoint);

}  // namespace engine
