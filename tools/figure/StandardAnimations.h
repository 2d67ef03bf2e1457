#pragma once
// The standard animations of the standard figure: "walk", a walk cycle of
// five keys (two strides and the passing steps between them) moving the
// figure forward, and "wave", the right arm raised and the forearm waving.
// Each is recorded in a scene the way a user records keys (the figure
// posed, then a key taken at the frame) and written as the track block of
// an animation file's "anim.Z4E" member.
#include <string>
#include <vector>

#include "engine/scene/MDocObj.h"
#include "platform/Image.h"

namespace standardfigure {

std::vector<std::string> StandardAnimationNames();

// Records the named animation on the figure's group, a child of the scene:
// the group's animation (object and pose tracks) gets its keys. False for
// an unknown name or when the engine failed (the failure state says why).
bool RecordStandardAnimation(engine::MDocObj& scene, engine::MGroupObj& group, const std::string& name);

// Records a standard pose (StandardPoseNames) as a one-key animation at
// frame 0: how the material library carries a pose. The figure is left
// posed. False for an unknown name or when the engine failed.
bool RecordStandardPose(engine::MDocObj& scene, engine::MGroupObj& group, const std::string& poseName);

// Writes the animation of the scene's selection as an animation file: a
// package whose member "anim.Z4E" is its track block, with the library's
// thumbnail members when a thumbnail is given. False (with a line on
// stderr) when it cannot be written.
bool WriteAnimationFile(engine::MDocObj& scene, const std::string& path, const platform::Image* thumbnail = nullptr,
                        const std::string& title = {});

}  // namespace standardfigure
