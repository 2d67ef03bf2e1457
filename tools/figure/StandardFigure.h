#pragma once
// The standard figure: a standing human made from the engine's own
// functions. Its skeleton has the shape the figure's landmark search
// accepts (a top end, two arm ends, two leg ends, every limb a chain of
// three joints of two lines) and the standard skeleton's signature (20
// bones, the root at the hips with root bones 2, 4 and 17); its body is a
// set of closed tubes bound to the skeleton by the rig set-up, with marker
// colours on its materials and lines.
//
// The build's data step writes it and its poses with the engine's writers;
// the tests build it in memory.
#include <memory>
#include <string>
#include <vector>

#include "engine/core/MGroupObj.h"
#include "engine/figure/MBoneObj.h"

namespace standardfigure {

// The group holding the figure (first child) and its body meshes, all
// with identity matrices. Null when the engine ran out of memory (the
// failure state says so).
std::unique_ptr<engine::MGroupObj> BuildStandardFigure();

// The same skeleton bound to a part of the body only: everything but the
// head, or the head alone (the person composer's bodies and heads).
enum class FigurePart { kWhole, kBody, kHead };
std::unique_ptr<engine::MGroupObj> BuildStandardFigurePart(FigurePart part);

// The figure of a group made by BuildStandardFigure.
engine::MBoneObj* FigureOf(engine::MGroupObj& group);

// The standard poses by name, in order: "standing", "sitting", "walking",
// "arms_raised".
std::vector<std::string> StandardPoseNames();

// Poses the figure (from rest) as the named pose and captures it into
// `pose`; the figure is left posed. False for an unknown name.
bool MakeStandardPose(engine::MBoneObj& figure, const std::string& name, engine::MPose& pose);

// Turns the bone from joint a to joint b, with everything below it, about
// a by `degrees` about `axis` (joints as numbered below).
void TurnBone(engine::MBoneObj& figure, int a, int b, const engine::PointRecord& axis, double degrees);

// Building blocks, for the tests' small figures too.
// A line from `from` (parent joint) to `to` at the end of the cycles around
// both joints; null when memory ran out.
engine::MLine* AddSkeletonLine(engine::MBoneObj& figure, engine::MVertex* from, engine::MVertex* to);
// A closed tube through the centres with elliptic sections (radii across
// per centre), `sides` points per ring and caps at both ends, in one
// material of the colour; faces run counter-clockwise seen from outside.
engine::MMeshObj* MakeTubeMesh(const std::vector<engine::PointRecord>& centres, const std::vector<double>& radiusA,
                               const std::vector<double>& radiusB, int sides, const engine::PointRecord& colour);
// The rig set-up of a figure in its group: arrays, rest state with radii,
// binding by vertex, influence radii, skin bound, bone matrices; every mesh
// of the group checkpointed.
void RigFigure(engine::MBoneObj& figure, engine::MGroupObj& group);

// The joint indices (vertex-list order) of the named landmarks, for tests.
enum Joint : int {
  kHeadTop = 0,
  kNeck,
  kChest,
  kSpine,
  kPelvis,
  kShoulderR,  // +x side
  kElbowR,
  kWristR,
  kHandR,
  kShoulderL,  // -x side
  kElbowL,
  kWristL,
  kHandL,
  kHipR,
  kKneeR,
  kAnkleR,
  kToeR,
  kHipL,
  kKneeL,
  kAnkleL,
  kToeL,
  kJointCount,
};

}  // namespace standardfigure
