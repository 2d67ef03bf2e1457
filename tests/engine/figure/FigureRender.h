#pragma once
// Pictures of a figure's group for the tests, drawn into an OSMesa image:
// the group drawn through the mesh drawing as a shaded view draws it (two
// lights from the front left), the skeleton's overlay segments on top.
// An orthographic view of y -0.1..2.1 (x as wide as the aspect), looking along -z
// after turning the scene by `turnDegrees` about y.
#include <string>

#include "engine/core/MGroupObj.h"
#include "platform/Image.h"

namespace figuretest {

// False with a reason when no context could be made.
bool RenderGroup(engine::MGroupObj& group, int width, int height, double turnDegrees, bool withBones,
                 platform::Image& out, std::string* error);
// The same around a centre, `halfHeight` up and down from it.
bool RenderGroupAround(engine::MGroupObj& group, int width, int height, double turnDegrees, bool withBones,
                       const engine::PointRecord& centre, double halfHeight, platform::Image& out,
                       std::string* error);

// Only the body's lines, in bone editing: each shaded green by how much the
// figure's selected bones move its ends, on black.
bool RenderInfluence(engine::MGroupObj& group, int width, int height, platform::Image& out, std::string* error);

// Pixels that differ from the golden image by more than a few levels, each
// allowed to match a neighbour (edges may move by a pixel).
int PixelsOffGolden(const platform::Image& actual, const platform::Image& golden);

// Where the tests write their pictures (a folder in the build tree).
std::string PictureFolder();

}  // namespace figuretest
