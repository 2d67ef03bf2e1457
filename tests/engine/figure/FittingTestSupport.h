#pragma once
// What the figure fitting tests share: marker colours put on lines and
// materials, feature points set straight into a figure, small rigged
// figures with the meshes a test gives, and checks over a whole group.
#include <initializer_list>
#include <utility>
#include <vector>

#include "FigureTestSupport.h"
#include "engine/core/MUtilInternal.h"

namespace figuretest {

using engine::detail::Add;
using engine::detail::Dot;
using engine::detail::Mul;
using engine::detail::Sub;

// Marker colours as the body meshes carry them.
constexpr unsigned char kRed[3] = {255, 0, 0};
constexpr unsigned char kBlue[3] = {0, 0, 255};
constexpr unsigned char kMagenta[3] = {255, 0, 255};
constexpr unsigned char kCyan[3] = {0, 255, 255};
constexpr unsigned char kGreen[3] = {0, 255, 0};
constexpr unsigned char kYellow[3] = {255, 255, 0};
void ColourLine(engine::MLine* line, const unsigned char rgb[3]);

// A material of the colour in the mesh, put on the listed faces.
engine::MShader* PaintFaces(engine::MMeshObj& mesh, const std::vector<engine::MFace*>& faces,
                            const engine::PointRecord& colour);

// The figure's current feature set becomes exactly these points.
void SetFeaturePoints(engine::MBoneObj& figure, std::initializer_list<std::pair<int, engine::PointRecord>> points);

// A tube of `sides` points per ring around the y axis from y0 to y1, ring
// every `step`, radius r, closed by caps.
engine::MMeshObj* MakeUprightTube(double y0, double y1, double step, double r, int sides = 8);

// The vertex of the mesh nearest to the point.
engine::MVertex* NearestVertex(engine::MMeshObj& mesh, const engine::PointRecord& p);

// Makes the vertex, the lines around it and their far ends an element group
// of the mesh (a marked region); with a colour, the faces around the vertex
// take a material of that colour.
engine::MGroup* MarkPatch(engine::MMeshObj& mesh, engine::MVertex* centre, const engine::PointRecord* colour);

// The chain with an upright tube of 16 sides (radius 0.2, rings every 0.1
// from 0 to 2) carrying four magenta-marked regions, as the regions of
// feature codes 4 (the one furthest along +x, at y 0.5), 5 (furthest along
// -x, at y 0.5), 6 (front, y 0.8) and 7 (front, y 0.2, the lowest). Its
// lines have width 0, so that moved regions take no rings along.
struct MarkedArm {
  Chain chain;
  engine::MGroup* regions[4] = {};
  engine::MVertex* centres[4] = {};
};
MarkedArm MakeMarkedArm();

// The standard figure with a finely made head in place of its own: a
// sphere (radius 0.1 about (0, 1.6, 0.01)) carrying four magenta-marked
// features and a red-marked outline of the face round them (on both sides,
// or on the -x side only), bound to the head bone, which is red (and runs
// down from the top of the head in its frame). Off the standard figure: the
// chain, with a head of radius 0.3 about (0, 1.6, 0) on its upper bone.
struct FaceFigure {
  std::unique_ptr<engine::MGroupObj> group;
  engine::MBoneObj* figure = nullptr;
  engine::MMeshObj* head = nullptr;
  engine::MGroup* features[4] = {};  // codes 4 (right eye), 5 (left eye), 6 (nose), 7 (mouth)
};
FaceFigure MakeFaceFigure(bool outlineOnBothSides = true, bool onStandardFigure = true);

// The chain (lower bone red) with a textured sheet as its body: vertex
// (i, j) of a grid whose texture coordinates are (i, j) stands at
// x = (i - 3) / 10, y = 0.2 + j / 20 and depth z = j / 10; the lines of
// row 0 are the seam (green, two wide).
struct SeamSheet {
  static constexpr int kColumns = 6;
  static constexpr int kRows = 6;
  Chain chain;
  engine::MMeshObj* mesh = nullptr;
  std::vector<engine::MVertex*> v;
  engine::MVertex* At(int i, int j) const { return v[j * (kColumns + 1) + i]; }
};
SeamSheet MakeSeamSheet();

// The chain with an upright tube (8 sides, radius 0.2) whose lower half
// has magenta lines, and a plate of red lines standing at x = 0.3 across
// the lower bone (its corners at y -0.5 .. 1.5, z -1 .. 1).
Chain MakeLimbPlate();

engine::MatrixRecord IdentityMatrix();

// Whether every vertex of every mesh of the group has finite coordinates.
bool AllFinite(engine::MGroupObj& group);


}  // namespace figuretest
