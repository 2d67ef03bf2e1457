// The standard figure animated in a scene: its animation's tracks, keys
// recorded and frames shown, the animation file put on another figure, the
// scene record keeping the animations, the undo copies, deleted objects
// leaving every list, and the walk played frame by frame into pictures.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "FigureRender.h"
#include "FigureTestSupport.h"
#include "StandardAnimations.h"
#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/QFile.h"
#include "engine/scene/MDocObj.h"
#include "platform/ImageCodec.h"
#include "support/TempDir.h"

namespace figuretest {
namespace {

using namespace engine;

// Animations, their objects (as child indexes), tracks and keys, one line each.
std::string DumpAnimations(MDocObj& scene, AnimList& list) {
  std::string out;
  char line[600];
  std::snprintf(line, sizeof line, "camera %d frames %d current %d value %d extra %d %d %d\n", list.cameraState,
                list.frameCount, list.currentFrame, list.storedValue, list.extraValues[0], list.extraValues[1],
                list.extraValues[2]);
  out += line;
  for (int i = 0; i < list.Count(); ++i) {
    MAnim* a = list.At(i);
    out += "anim '" + std::string(a->name) + "' objects";
    for (int k = 0; k < a->objects.count; ++k) out += " " + std::to_string(scene.GetTopObjectIndex(a->Object(k)));
    out += "\n";
    for (int t = 0; t < a->tracks.count; ++t) {
      MAnimKeys* track = a->Track(t);
      std::snprintf(line, sizeof line, " track %d kind %d '%s' keys", track->trackNumber, track->kind, track->name);
      out += line;
      for (int k = 0; k < track->keys.count; ++k)
        out += " " + std::to_string(track->KeyAt(k)->GetFrame()) + "/" + std::to_string(track->KeyAt(k)->flagWord);
      out += "\n";
    }
  }
  return out;
}

// The figure's bone angles, joined.
std::vector<double> BoneAngles(MBoneObj& figure) {
  MPose pose;
  figure.GetPose(pose);
  std::vector<double> out;
  for (int i = 0; i < pose.BoneCount(); ++i)
    for (double a : pose.bones[i].angles) out.push_back(a);
  return out;
}

double Largest(const std::vector<double>& a, const std::vector<double>& b) {
  double d = a.size() == b.size() ? 0 : 1e9;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) d = std::max(d, std::fabs(a[i] - b[i]));
  return d;
}

class FigureAnimationTest : public FigureTest {
 protected:
  void SetUp() override {
    FigureTest::SetUp();
    std::unique_ptr<MGroupObj> built = standardfigure::BuildStandardFigure();
    ASSERT_TRUE(built != nullptr);
    group_ = built.get();
    scene_.AddChild(built.release());
    figure_ = standardfigure::FigureOf(*group_);
    ASSERT_NE(figure_, nullptr);
  }
  void RecordWalk() {
    ASSERT_TRUE(standardfigure::RecordStandardAnimation(scene_, *group_, "walk")) << EngContext().failText;
    ASSERT_EQ(FailState(), 0);
  }
  MDocObj scene_;
  MGroupObj* group_ = nullptr;
  MBoneObj* figure_ = nullptr;
};

TEST_F(FigureAnimationTest, TheAnimationEditPreferenceSaysWhichEditsAnAnimationHolds) {
  RecordWalk();
  CrPrefs prefs;
  CrPrefs* kept = EngContext().prefs;
  EngContext().prefs = &prefs;
  // Purposes 0, 1 and 2 for each preference value.
  const struct {
    int preference;
    bool purpose[3];
  } cases[] = {
      {0, {true, true, true}},
      {1, {true, true, false}},
      {2, {true, false, false}},
      {3, {false, false, false}},
  };
  for (const auto& c : cases) {
    prefs.animationEdit = c.preference;
    for (int purpose = 0; purpose < 3; ++purpose)
      EXPECT_EQ(scene_.IsAnimationActive(purpose), c.purpose[purpose]) << c.preference << " " << purpose;
  }
  EngContext().prefs = kept;
  MDocObj still;
  EXPECT_FALSE(still.IsAnimationActive(0)) << "a scene without animations holds nothing";
}

TEST_F(FigureAnimationTest, AFiguresAnimationHasObjectAndPoseTracksWithTheRecordedKeys) {
  EXPECT_EQ(scene_.GetFrameCount(true), 1);
  EXPECT_FALSE(scene_.HasAnimations());
  EXPECT_FALSE(scene_.IsAnimationActive(0));
  RecordWalk();
  EXPECT_EQ(DumpAnimations(scene_, scene_.CurrentAnimations()),
            "camera -1 frames 50 current 0 value 15 extra 0 1 100\n"
            "anim 'walk' objects 1\n"
            " track 0 kind 3 'object' keys 0/1 10/1 20/1 30/1 40/1\n"
            " track 1 kind 1 'general_bone' keys 0/0 10/0 20/0 30/0 40/0\n");
  EXPECT_EQ(scene_.GetFrameCount(true), 40);
  EXPECT_TRUE(scene_.IsAnimationActive(0));
  EXPECT_FALSE(scene_.IsAnimationActive(2));
  // An animated object cannot be animated twice.
  scene_.SelectAll(false);
  group_->Select(true);
  EXPECT_FALSE(scene_.CreateSelectionAnimations(nullptr));
  EXPECT_EQ(scene_.GetTrackCount(), 2);
}

TEST_F(FigureAnimationTest, ShowingFramesPosesAndMovesTheFigureAlongTheCurve) {
  RecordWalk();
  scene_.ShowFrame(20, nullptr);
  ASSERT_EQ(FailState(), 0);
  const std::vector<double> strideB = BoneAngles(*figure_);
  MatrixRecord m;
  group_->GetMatrix(m);
  EXPECT_NEAR(m.m[3][2], 0.7, 1e-9);
  scene_.ShowFrame(0, nullptr);
  const std::vector<double> strideA = BoneAngles(*figure_);
  EXPECT_GT(Largest(strideA, strideB), 0.3);
  // The cycle ends where it began, further on.
  scene_.ShowFrame(40, nullptr);
  EXPECT_LT(Largest(BoneAngles(*figure_), strideA), 1e-9);
  group_->GetMatrix(m);
  EXPECT_NEAR(m.m[3][2], 1.4, 1e-9);
  // Straight object keys: an even pace between keys; beyond the last key
  // the last value.
  scene_.ShowFrame(5, nullptr);
  group_->GetMatrix(m);
  EXPECT_NEAR(m.m[3][2], 0.175, 1e-9);
  const std::vector<double> between = BoneAngles(*figure_);
  EXPECT_GT(Largest(between, strideA), 0.01);
  scene_.ShowFrame(90, nullptr);
  group_->GetMatrix(m);
  EXPECT_NEAR(m.m[3][2], 1.4, 1e-9);
  // Showing leaves nothing selected.
  PtrArray selected;
  scene_.GetSelectedObjects(selected);
  EXPECT_EQ(selected.count, 0);
}

TEST_F(FigureAnimationTest, RecordingOverAKeyKeepsItsKindAndAppendingAddsAKeyAfterTheLast) {
  RecordWalk();
  MAKeyInfo* key = scene_.GetKeyAt(10, 0);
  ASSERT_NE(key, nullptr);
  key->SetInterpolation(4);
  MatrixRecord m;
  MUtilIdentity(m);
  m.m[3][0] = 2;
  group_->SetMatrix(m);
  ASSERT_EQ(scene_.RecordKey(10, 0, nullptr), 1);
  EXPECT_EQ(key->GetInterpolation(), 4);
  EXPECT_EQ(static_cast<MAKeyObj*>(key)->matrix.m[3][0], 2);
  ASSERT_EQ(scene_.RecordKey(55, 0, nullptr), 1);
  EXPECT_EQ(scene_.GetFrameCount(true), 55);
  EXPECT_EQ(scene_.RecordKey(0, 7, nullptr), 0);
}

TEST_F(FigureAnimationTest, AnAnimationFilePutOnAnotherFigurePlaysTheSamePoses) {
  RecordWalk();
  testsupport::TempDir dir;
  scene_.SelectAll(false);
  group_->Select(true);
  {
    QFile out(dir.File("anim.Z4E"), platform::File::Mode::kCreateWrite);
    ASSERT_EQ(scene_.WriteSelectedAnimation(out), 0);
    out.FlushAndClose();
  }
  scene_.ShowFrame(25, nullptr);
  const std::vector<double> expected = BoneAngles(*figure_);

  MDocObj other;
  std::unique_ptr<MGroupObj> built = standardfigure::BuildStandardFigure();
  MGroupObj* group = built.get();
  other.AddChild(built.release());
  QFile in(dir.File("anim.Z4E"), platform::File::Mode::kRead);
  other.SelectAll(false);
  group->Select(true);
  ASSERT_EQ(other.LoadAnimation(in, false), 0) << EngContext().failText;
  EXPECT_EQ(in.BytesLeft(), 0);
  other.ShowFrame(25, nullptr);
  ASSERT_EQ(FailState(), 0);
  EXPECT_LT(Largest(BoneAngles(*standardfigure::FigureOf(*group)), expected), 1e-9);
  // The file's tracks took the places of the new animation's own.
  EXPECT_EQ(DumpAnimations(other, other.CurrentAnimations()),
            "camera -1 frames 50 current 0 value 15 extra 0 1 100\n"
            "anim '' objects 1\n"
            " track 0 kind 3 'object' keys 0/1 10/1 20/1 30/1 40/1\n"
            " track 1 kind 1 'general_bone' keys 0/0 10/0 20/0 30/0 40/0\n");
}

TEST_F(FigureAnimationTest, TheSceneRecordKeepsItsAnimationsByteForByte) {
  RecordWalk();
  scene_.SetCurrentFrame(12);
  scene_.SetExtraAnimValues(3, 4, 5);
  testsupport::TempDir dir;
  {
    QFile out(dir.File("scene.bin"), platform::File::Mode::kCreateWrite);
    scene_.WriteTo(out);
    out.FlushAndClose();
  }
  ASSERT_EQ(FailState(), 0);
  MDocObj read;
  {
    QFile in(dir.File("scene.bin"), platform::File::Mode::kRead);
    read.ReadFrom(in);
    EXPECT_EQ(in.BytesLeft(), 0);
    ASSERT_EQ(FailState(), 0) << EngContext().failText;
  }
  EXPECT_EQ(DumpAnimations(read, read.CurrentAnimations()), DumpAnimations(scene_, scene_.CurrentAnimations()));
  // The animation-list record is written again as it was read.
  auto listBytes = [&](MDocObj& scene, const std::string& name) {
    {
      QFile out(dir.File(name), platform::File::Mode::kCreateWrite);
      scene.WriteAnimList(out, nullptr);
      out.FlushAndClose();
    }
    return testsupport::ReadText(dir.File(name));
  };
  const std::string written = listBytes(scene_, "list.bin");
  int size = 0;
  QFile sizing(dir.File("unused.bin"), platform::File::Mode::kCreateWrite);
  scene_.WriteAnimList(sizing, &size);
  EXPECT_EQ(static_cast<int>(written.size()), size);
  EXPECT_EQ(listBytes(read, "again.bin"), written);
  EXPECT_NE(testsupport::ReadText(dir.File("scene.bin")).find(written), std::string::npos);
  read.ShowFrame(20, nullptr);
  scene_.ShowFrame(20, nullptr);
  EXPECT_LT(Largest(BoneAngles(*FindBoneObj(&read)), BoneAngles(*figure_)), 1e-9);
}

TEST_F(FigureAnimationTest, SwappingTheSavedCopyUndoesAndRedoesAKey) {
  RecordWalk();
  scene_.SaveAnimation();
  const std::string before = DumpAnimations(scene_, scene_.CurrentAnimations());
  ASSERT_EQ(scene_.RecordKey(15, 1, nullptr), 1);
  const std::string after = DumpAnimations(scene_, scene_.CurrentAnimations());
  ASSERT_NE(before, after);
  EXPECT_EQ(scene_.SwapSavedAnimation(), -1);
  EXPECT_EQ(DumpAnimations(scene_, scene_.CurrentAnimations()), before);
  EXPECT_EQ(scene_.SwapSavedAnimation(), 1);
  EXPECT_EQ(DumpAnimations(scene_, scene_.CurrentAnimations()), after);
  scene_.DropSavedAnimation();
  EXPECT_EQ(scene_.SwapSavedAnimation(), 0);
}

TEST_F(FigureAnimationTest, ADeletedFigureLeavesEveryAnimationList) {
  RecordWalk();
  scene_.SaveAnimation();
  scene_.PrepareAnimationSnapshot();
  scene_.RemoveObject(group_);
  scene_.EndEdit(0);
  // The figure is gone: no list keeps its address.
  EXPECT_EQ(scene_.CurrentAnimations().At(0)->objects.count, 0);
  scene_.CommitAnimationSnapshot();
  EXPECT_EQ(scene_.SwapSavedAnimation(), -1);
  ASSERT_EQ(scene_.CurrentAnimations().Count(), 1);
  EXPECT_EQ(scene_.CurrentAnimations().At(0)->objects.count, 0);
  scene_.ShowFrame(10, nullptr);
  EXPECT_EQ(FailState(), 0);
  EXPECT_EQ(scene_.DeleteSelectionTracks(), 0);
  EXPECT_FALSE(scene_.HasAnimations());
}

// The walk played frame by frame: the pictures go beside the tests; each
// step of the cycle differs from the last, and the figure comes back to the
// first stride's shape.
TEST_F(FigureAnimationTest, TheWalkPlaysFrameByFrameIntoPictures) {
  RecordWalk();
  std::vector<platform::Image> frames;
  for (int frame : {0, 5, 10, 15, 20, 30, 40}) {
    scene_.ShowFrame(frame, nullptr);
    ASSERT_EQ(FailState(), 0);
    // Drawn in the group's own frame: the pictures show the poses.
    platform::Image image;
    std::string error;
    ASSERT_TRUE(RenderGroupAround(*group_, 200, 240, 60, false, {0, 0.95, 0}, 1.05, image, &error))
        << error;
    EXPECT_TRUE(platform::SaveImageFile(image, PictureFolder() + "/walk_frame_" + std::to_string(frame) + ".png"));
    frames.push_back(std::move(image));
  }
  for (std::size_t i = 1; i + 1 < frames.size(); ++i)
    EXPECT_GT(PixelsOffGolden(frames[i], frames[i - 1]), 100) << "step " << i;
  EXPECT_LT(PixelsOffGolden(frames.back(), frames.front()), 20);
}

// The wave: the raised arm swings its forearm between keys.
TEST_F(FigureAnimationTest, TheWaveRaisesTheArmAndSwingsTheForearm) {
  ASSERT_TRUE(standardfigure::RecordStandardAnimation(scene_, *group_, "wave")) << EngContext().failText;
  EXPECT_EQ(scene_.GetFrameCount(true), 36);
  std::vector<platform::Image> frames;
  for (int frame : {0, 12, 16}) {
    scene_.ShowFrame(frame, nullptr);
    ASSERT_EQ(FailState(), 0);
    platform::Image image;
    std::string error;
    ASSERT_TRUE(RenderGroupAround(*group_, 200, 240, 0, false, {0, 1.1, 0}, 0.9, image, &error)) << error;
    EXPECT_TRUE(platform::SaveImageFile(image, PictureFolder() + "/wave_frame_" + std::to_string(frame) + ".png"));
    frames.push_back(std::move(image));
  }
  EXPECT_GT(PixelsOffGolden(frames[1], frames[0]), 100);
  EXPECT_GT(PixelsOffGolden(frames[2], frames[1]), 100);
}

}  // namespace
}  // namespace figuretest
