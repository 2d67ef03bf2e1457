// The standard figure: its skeleton's shape, its binding, every standard
// pose deformed without a broken value, its records, and pictures of it.
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "FigureRender.h"
#include "FigureTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/core/ObjectFactory.h"
#include "engine/core/QFile.h"
#include "engine/scene/MDocObj.h"
#include "support/TempDir.h"
#include "platform/ImageCodec.h"

namespace figuretest {
namespace {

using namespace engine;

using StandardFigureTest = StandardFigureFixture;

TEST_F(StandardFigureTest, TheSkeletonHasTheStandardShape) {
  std::string why;
  ASSERT_TRUE(figure_->FindLandmarks(false, &why)) << why;
  for (int i = 0; i < MBoneObj::kLandmarkCount; ++i) EXPECT_NE(figure_->GetLandmark(i), nullptr) << i;
  // The landmarks fall on the joints the builder meant.
  const int expected[MBoneObj::kLandmarkCount] = {
      standardfigure::kHeadTop, standardfigure::kNeck,      standardfigure::kChest,     standardfigure::kSpine,
      standardfigure::kPelvis,  standardfigure::kHandR,     standardfigure::kWristR,    standardfigure::kElbowR,
      standardfigure::kShoulderR, standardfigure::kHandL,   standardfigure::kWristL,    standardfigure::kElbowL,
      standardfigure::kShoulderL, standardfigure::kHipR,    standardfigure::kKneeR,     standardfigure::kAnkleR,
      standardfigure::kToeR,    standardfigure::kHipL,      standardfigure::kKneeL,     standardfigure::kAnkleL,
      standardfigure::kToeL};
  for (int i = 0; i < MBoneObj::kLandmarkCount; ++i)
    EXPECT_EQ(figure_->GetVertexIndex(figure_->GetLandmark(i)), expected[i]) << "landmark " << i;
  EXPECT_TRUE(figure_->IsPoseCompatible(true));
  EXPECT_FALSE(figure_->IsPoseCompatible(false));
}

TEST_F(StandardFigureTest, EveryBodyVertexIsBound) {
  int boneCount = 0, boundCount = 0;
  figure_->CountRigElements(boneCount, boundCount);
  EXPECT_EQ(boneCount, 20);
  ASSERT_EQ(figure_->skinRecords->count, boundCount);
  ASSERT_EQ(figure_->restPositions->count, boundCount);
  for (int i = 0; i < boundCount; ++i) {
    const SkinRecord& r = (*figure_->skinRecords)[i];
    ASSERT_GE(r.count, 1) << i;
    double sum = 0;
    for (int k = 0; k < r.count; ++k) sum += r.weights[k];
    EXPECT_NEAR(sum, 1.0, 1e-9) << i;
  }
}

TEST_F(StandardFigureTest, EveryStandardPoseDeformsWithoutBrokenValues) {
  for (const std::string& name : standardfigure::StandardPoseNames()) {
    MPose pose;
    ASSERT_TRUE(standardfigure::MakeStandardPose(*figure_, name, pose)) << name;
    EXPECT_EQ(pose.BoneCount(), 20);
    // Applied back from rest, the pose gives the same joints.
    std::unique_ptr<MObject> copy(figure_->Clone());
    figure_->ResetPose(nullptr);
    figure_->SetPose(nullptr, pose);
    ASSERT_EQ(FailState(), 0) << name;
    EXPECT_LT(JointDistance(*figure_, *static_cast<MBoneObj*>(copy.get())), 1e-6) << name;
    BoundMeshArray meshes;
    ASSERT_TRUE(figure_->CollectBoundMeshes(meshes));
    for (int m = 0; m < meshes.count; ++m)
      for (MVertex* v : meshes[m].mesh->GetVertexList())
        ASSERT_TRUE(std::isfinite(v->position.x) && std::isfinite(v->position.y) && std::isfinite(v->position.z))
            << name;
  }
}

TEST_F(StandardFigureTest, TheFilesTheBuildMadeReadBackAndPoseTheFigure) {
  const std::string folder = PENNET_FIGURE_DATA_DIR;
  std::unique_ptr<MObject> object;
  {
    QFile in(folder + "/standard_figure.grp", platform::File::Mode::kRead);
    object.reset(ReadObject(in));
    ASSERT_NE(object, nullptr) << EngContext().failText;
    EXPECT_EQ(in.BytesLeft(), 0);
  }
  ASSERT_EQ(object->GetType(), kObjectGroup);
  MBoneObj* read = FindBoneObj(object.get());
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(DumpFigureData(*read), DumpFigureData(*figure_));
  EXPECT_TRUE(read->FindLandmarks(false));
  for (const std::string& name : standardfigure::StandardPoseNames()) {
    MPose stored;
    {
      QFile in(folder + "/pose_" + name + ".pos", platform::File::Mode::kRead);
      stored.ReadFrom(in);
      ASSERT_EQ(FailState(), 0) << name;
      EXPECT_EQ(in.BytesLeft(), 0);
    }
    EXPECT_TRUE(read->MatchesPoseHeader(stored.header)) << name;
    MPose made;
    ASSERT_TRUE(standardfigure::MakeStandardPose(*figure_, name, made));
    read->SetPose(nullptr, stored);
    ASSERT_EQ(FailState(), 0) << name;
    EXPECT_LT(JointDistance(*read, *figure_), 1e-6) << name;
  }
}

TEST_F(StandardFigureTest, InBoneEditingTheBodysLinesShowTheSelectedBonesInfluence) {
  // The right upper arm selected: its lines are bright green, the legs'
  // stay black.
  (*figure_->bones)[9].line->flags |= kLineSelected;
  platform::Image image;
  std::string error;
  ASSERT_TRUE(RenderInfluence(*group_, 240, 240, image, &error)) << error;
  EXPECT_TRUE(platform::SaveImageFile(image, PictureFolder() + "/standard_influence.png"));
  auto greenAround = [&](double x, double y) {
    // Window pixel of the point (x, y) in the view of y -0.1..2.1.
    const int px = static_cast<int>((x + 1.1) / 2.2 * image.Width());
    const int py = static_cast<int>((2.1 - y) / 2.2 * image.Height());
    int best = 0;
    for (int dy = -6; dy <= 6; ++dy)
      for (int dx = -6; dx <= 6; ++dx)
        if (image.Contains(px + dx, py + dy)) best = std::max<int>(best, image.GetBgra(px + dx, py + dy).g);
    return best;
  };
  EXPECT_GT(greenAround(0.26, 1.26), 200) << "the upper arm";
  EXPECT_LT(greenAround(-0.26, 1.26), 30) << "the other arm";
  EXPECT_LT(greenAround(0.11, 0.5), 30) << "a knee";
}

TEST_F(StandardFigureTest, AFigureInASceneFileReadsBackPosable) {
  MPose walking;
  ASSERT_TRUE(standardfigure::MakeStandardPose(*figure_, "walking", walking));
  figure_->ResetPose(nullptr);
  testsupport::TempDir dir;
  {
    MDocObj scene;
    scene.AddChild(group_.release());
    QFile out(dir.File("scene.bin"), platform::File::Mode::kCreateWrite);
    scene.WriteTo(out);
    out.FlushAndClose();
  }
  ASSERT_EQ(FailState(), 0) << EngContext().failText;
  MDocObj read;
  {
    QFile in(dir.File("scene.bin"), platform::File::Mode::kRead);
    read.ReadFrom(in);
    EXPECT_EQ(in.BytesLeft(), 0);
    ASSERT_EQ(FailState(), 0) << EngContext().failText;
  }
  MBoneObj* figure = FindBoneObj(&read);
  ASSERT_NE(figure, nullptr);
  EXPECT_TRUE(figure->IsSkinBound());
  figure->SetPose(&read, walking);
  ASSERT_EQ(FailState(), 0);
  BoundMeshArray meshes;
  ASSERT_TRUE(figure->CollectBoundMeshes(meshes));
  EXPECT_EQ(meshes.count, 9);
}

// Renders the figure in a pose, writes the picture beside the tests and
// answers it.
platform::Image Picture(MGroupObj& group, const std::string& name, double turn) {
  platform::Image image;
  std::string error;
  EXPECT_TRUE(RenderGroup(group, 240, 320, turn, true, image, &error)) << error;
  EXPECT_TRUE(platform::SaveImageFile(image, PictureFolder() + "/standard_" + name + ".png"));
  return image;
}

TEST_F(StandardFigureTest, RendersInTwoPosesAndWalkingMatchesItsGoldenImage) {
  MPose pose;
  ASSERT_TRUE(standardfigure::MakeStandardPose(*figure_, "arms_raised", pose));
  const platform::Image raised = Picture(*group_, "arms_raised", 0);
  ASSERT_TRUE(standardfigure::MakeStandardPose(*figure_, "walking", pose));
  const platform::Image walking = Picture(*group_, "walking", 60);
  // The raised hands are above the head: skin colour high in the picture.
  int high = 0;
  for (int x = 0; x < raised.Width(); ++x)
    for (int y = 0; y < 30; ++y) high += raised.GetBgra(x, y).r != 255 || raised.GetBgra(x, y).b != 255;
  EXPECT_GT(high, 20);

  // The other two poses, for the eye: sitting seen from the side.
  ASSERT_TRUE(standardfigure::MakeStandardPose(*figure_, "sitting", pose));
  Picture(*group_, "sitting", 90);
  ASSERT_TRUE(standardfigure::MakeStandardPose(*figure_, "standing", pose));
  Picture(*group_, "standing", 20);
  // A closer look at the raised right arm, for the eye.
  ASSERT_TRUE(standardfigure::MakeStandardPose(*figure_, "arms_raised", pose));
  platform::Image arm;
  std::string error;
  ASSERT_TRUE(RenderGroupAround(*group_, 240, 240, 0, false, {0.45, 1.55, 0}, 0.35, arm, &error)) << error;
  EXPECT_TRUE(platform::SaveImageFile(arm, PictureFolder() + "/standard_arm_raised.png"));

  const std::string golden = std::string(PENNET_ENGINE_TEST_DATA) + "/golden/standard_figure_walking.png";
  if (std::getenv("PENNET_UPDATE_GOLDEN")) {
    ASSERT_TRUE(platform::SaveImageFile(walking, golden));
    GTEST_SKIP() << "golden image written to " << golden;
  }
  platform::Image expected;
  ASSERT_TRUE(platform::LoadImageFile(golden, expected)) << golden;
  ASSERT_EQ(expected.Width(), walking.Width());
  ASSERT_EQ(expected.Height(), walking.Height());
  EXPECT_LE(PixelsOffGolden(walking, expected), 20);
}

}  // namespace
}  // namespace figuretest
