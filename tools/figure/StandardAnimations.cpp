#include "StandardAnimations.h"

#include <cstdio>

#include "StandardFigure.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/figure/MPose.h"
#include "imaging/archive/SArchiver.h"

namespace standardfigure {

using namespace engine;

namespace {

struct BoneTurn {
  int from, to;
  char axis;  // 'x' or 'z'
  double degrees;
};

struct AnimationKey {
  int frame;
  double forward;  // the group's place along z
  std::vector<BoneTurn> turns;
};

// Strides: one leg forward, the other back with its knee bent, the arms
// swinging against the legs; passing: the standing leg straight under the
// body, the other lifted with its knee bent.
std::vector<AnimationKey> WalkKeys() {
  const std::vector<BoneTurn> strideA = {{kHipR, kKneeR, 'x', -25}, {kHipL, kKneeL, 'x', 20},
                                         {kKneeL, kAnkleL, 'x', 25},  {kShoulderR, kElbowR, 'x', 20},
                                         {kShoulderL, kElbowL, 'x', -20}, {kElbowR, kWristR, 'x', -15},
                                         {kElbowL, kWristL, 'x', -25}};
  const std::vector<BoneTurn> strideB = {{kHipL, kKneeL, 'x', -25}, {kHipR, kKneeR, 'x', 20},
                                         {kKneeR, kAnkleR, 'x', 25},  {kShoulderL, kElbowL, 'x', 20},
                                         {kShoulderR, kElbowR, 'x', -20}, {kElbowL, kWristL, 'x', -15},
                                         {kElbowR, kWristR, 'x', -25}};
  const std::vector<BoneTurn> passingA = {{kHipL, kKneeL, 'x', -20}, {kKneeL, kAnkleL, 'x', 45},
                                          {kElbowR, kWristR, 'x', -15}, {kElbowL, kWristL, 'x', -15}};
  const std::vector<BoneTurn> passingB = {{kHipR, kKneeR, 'x', -20}, {kKneeR, kAnkleR, 'x', 45},
                                          {kElbowR, kWristR, 'x', -15}, {kElbowL, kWristL, 'x', -15}};
  return {{0, 0.0, strideA}, {10, 0.35, passingA}, {20, 0.7, strideB}, {30, 1.05, passingB}, {40, 1.4, strideA}};
}

// The right arm goes up and the forearm waves three times.
std::vector<AnimationKey> WaveKeys() {
  const std::vector<BoneTurn> down = {{kShoulderR, kElbowR, 'z', -8}, {kShoulderL, kElbowL, 'z', 8}};
  auto raised = [](double elbow) {
    return std::vector<BoneTurn>{{kShoulderR, kElbowR, 'z', 100}, {kElbowR, kWristR, 'z', elbow},
                                 {kShoulderL, kElbowL, 'z', 8}};
  };
  return {{0, 0, down},          {8, 0, raised(20)},   {12, 0, raised(55)}, {16, 0, raised(5)},
          {20, 0, raised(55)},   {24, 0, raised(5)},   {28, 0, raised(55)}, {36, 0, down}};
}

bool Failed() { return EngContext().failState != kEngFailNone; }

// The group's animation (object and pose tracks), made when it has none,
// under the name.
MAnim* GroupAnimation(MDocObj& scene, MGroupObj& group, const std::string& name) {
  int index = scene.FindAnimation(&group, false);
  if (index < 0) {
    const int before = scene.GetTrackCount();
    scene.SelectAll(false);
    group.Select(true);
    if (scene.CreateObjectAnimation(&group) == 0) return nullptr;
    index = scene.FindAnimation(&group, false);
    if (index < 0 || scene.GetTrackCount() != before + 2) return nullptr;
  }
  MAnim* animation = scene.CurrentAnimations().At(index);
  animation->SetName(name.c_str());
  return animation;
}

}  // namespace

std::vector<std::string> StandardAnimationNames() { return {"walk", "wave"}; }

bool RecordStandardAnimation(MDocObj& scene, MGroupObj& group, const std::string& name) {
  std::vector<AnimationKey> keys;
  if (name == "walk")
    keys = WalkKeys();
  else if (name == "wave")
    keys = WaveKeys();
  else
    return false;
  MBoneObj* figure = FigureOf(group);
  if (figure == nullptr) return false;
  MAnim* animation = GroupAnimation(scene, group, name);
  if (animation == nullptr) return false;
  const int objectTrack = animation->Track(0)->trackNumber;
  const int poseTrack = animation->Track(1)->trackNumber;
  for (const AnimationKey& key : keys) {
    figure->ResetPose(nullptr);
    for (const BoneTurn& turn : key.turns)
      TurnBone(*figure, turn.from, turn.to, turn.axis == 'x' ? PointRecord{1, 0, 0} : PointRecord{0, 0, 1},
               turn.degrees);
    figure->UpdateBoneMatrices(1);
    figure->DeformBoundObjects(&scene);
    MatrixRecord place;
    MUtilIdentity(place);
    place.m[3][2] = key.forward;
    group.SetMatrix(place);
    if (Failed()) return false;
    if (scene.RecordKey(key.frame, objectTrack, nullptr) == 0 || scene.RecordKey(key.frame, poseTrack, nullptr) == 0)
      return false;
    if (Failed()) return false;
  }
  // The walk moves at an even pace: straight segments for the object track.
  if (name == "walk")
    for (int i = 0; i < animation->Track(0)->keys.count; ++i) animation->Track(0)->KeyAt(i)->SetInterpolation(1);
  scene.ShowFrame(0, nullptr);
  return !Failed();
}

bool RecordStandardPose(MDocObj& scene, MGroupObj& group, const std::string& poseName) {
  MBoneObj* figure = FigureOf(group);
  if (figure == nullptr) return false;
  MAnim* animation = GroupAnimation(scene, group, poseName);
  if (animation == nullptr) return false;
  MPose pose;
  if (!MakeStandardPose(*figure, poseName, pose)) return false;
  figure->DeformBoundObjects(&scene);
  if (Failed()) return false;
  if (scene.RecordKey(0, animation->Track(0)->trackNumber, nullptr) == 0 ||
      scene.RecordKey(0, animation->Track(1)->trackNumber, nullptr) == 0)
    return false;
  scene.ShowFrame(0, nullptr);
  return !Failed();
}

bool WriteAnimationFile(MDocObj& scene, const std::string& path, const platform::Image* thumbnail,
                        const std::string& title) {
  std::string staging;
  if (imaging::ArcCreateTempFolder(staging) != imaging::kArcOk) {
    std::fprintf(stderr, "animation file %s: no temporary folder\n", path.c_str());
    return false;
  }
  bool ok = false;
  try {
    QFile file(staging + "/anim.Z4E", platform::File::Mode::kCreateWrite);
    ok = scene.WriteSelectedAnimation(file) == 0;
    file.FlushAndClose();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "animation file %s: %s\n", path.c_str(), e.what());
    ok = false;
  }
  if (ok && thumbnail != nullptr && imaging::ArcWriteThumbnailFiles(staging, title, "", *thumbnail) != imaging::kArcOk) {
    std::fprintf(stderr, "animation file %s: the thumbnail cannot be written\n", path.c_str());
    ok = false;
  }
  if (ok && imaging::ArcPackFolderToFile(staging, path, {}, false) != imaging::kArcOk) {
    std::fprintf(stderr, "animation file %s cannot be written\n", path.c_str());
    ok = false;
  }
  imaging::ArcDeleteFolder(staging);
  return ok;
}

}  // namespace standardfigure
