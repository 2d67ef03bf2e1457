// A head and its hair, made once for the standard figure, fitted onto
// bodies of 2, 5 and 8 heads tall by their feature points: each lands on
// the body's neck at the body's head size, every vertex stays bound, and
// the figure still poses.
#include <cmath>

#include "FigureRender.h"
#include "FittingTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MGroup.h"
#include "platform/ImageCodec.h"
#include "support/GoldenImage.h"

namespace figuretest {
// A name of its own: test files are compiled together in batches.
namespace head_fitting_test {

using namespace engine;
using namespace standardfigure;

constexpr double kNeckY = 1.5;  // of the standard figure
constexpr double kHeadHeight = 0.2;

// The standard figure squeezed below its neck so that it stands `heads`
// times its head's height, without its own head, rigged again.
std::unique_ptr<MGroupObj> MakeBodyOfHeads(double heads) {
  std::unique_ptr<MGroupObj> group = BuildStandardFigure();
  MBoneObj& f = *FigureOf(*group);
  MObject* head = group->ChildAt(2);
  group->RemoveChild(head);
  delete head;
  const double k = (heads - 1) * kHeadHeight / kNeckY;
  auto squeeze = [&](PointRecord p) {
    p.y = p.y < kNeckY ? p.y * k : kNeckY * k + (p.y - kNeckY);
    return p;
  };
  for (MMeshObj* m : MeshesOf(*group))
    for (MVertex* v : m->GetVertexList()) v->position = squeeze(v->position);
  RigFigure(f, *group);
  return group;
}

// A mesh made one marked region (an element group of all its lines), its
// lines of width 0 so that the region moves whole.
MMeshObj* MakeRegionMesh(meshkit::MeshFixture fixture, const PointRecord& colour) {
  MMeshObj* mesh = fixture.mesh.release();
  MGroup* group = mesh->AddGroup();
  for (MLine* line : mesh->lines) {
    line->group = group;
    line->flags &= ~kLineWidthMask;
  }
  for (MVertex* v : mesh->GetVertexList()) v->group = group;
  for (MFace* face : mesh->GetFaceList()) face->shader->diffuseColor = colour;
  return mesh;
}

// The head (a sphere of radius 0.1) and the hair over it as made for the
// standard figure, put roughly on the body: moved with its neck, and 0.03
// too high.
struct HeadAndHair {
  MMeshObj* head;
  MMeshObj* hair;
};
HeadAndHair AddHeadAndHair(MGroupObj& group) {
  const double neck = FigureOf(group)->GetVertexByIndex(kNeck)->position.y;
  const PointRecord rough{0, neck - kNeckY + 0.03, 0};
  meshkit::MeshFixture head = meshkit::MakeSphere(24, 16, 0.1);
  for (MVertex* v : head.v) v->position = Add(Add(v->position, {0, 1.6, 0.01}), rough);
  meshkit::MeshFixture hair = meshkit::MakeSphere(24, 16, 0.112);
  for (MVertex* v : hair.v)
    v->position = Add({v->position.x, 1.64 + 0.6 * v->position.y, v->position.z * 1.02 - 0.008}, rough);
  HeadAndHair out{MakeRegionMesh(std::move(head), {0.93, 0.78, 0.66}),
                  MakeRegionMesh(std::move(hair), {0.30, 0.18, 0.10})};
  group.AddChild(out.head);
  group.AddChild(out.hair);
  RigFigure(*FigureOf(group), group);  // the new meshes bound as a body is
  return out;
}

PointRecord Centre(MMeshObj& mesh, double* halfWidth = nullptr) {
  PtrArray list;
  for (MVertex* v : mesh.GetVertexList()) list.Add(v);
  MatrixRecord identity;
  MUtilIdentity(identity);
  PointRecord c;
  MBoneObj::GetTransformedBoxCentre(list, identity, 1, c);
  if (halfWidth != nullptr) {
    *halfWidth = 0;
    for (MVertex* v : mesh.GetVertexList()) *halfWidth = std::max(*halfWidth, std::fabs(v->position.x - c.x));
  }
  return c;
}

platform::Image SavePicture(MGroupObj& group, double heads, const std::string& name) {
  platform::Image image;
  std::string error;
  const double top = heads * kHeadHeight;
  EXPECT_TRUE(RenderGroupAround(group, 240, 320, 20, true, {0, top / 2, 0}, top / 2 + 0.12, image, &error)) << error;
  EXPECT_TRUE(platform::SaveImageFile(image, PictureFolder() + "/" + name + ".png"));
  return image;
}

// The fitted figure of five heads against its golden picture.
void CompareWithGolden(const platform::Image& picture) {
  const std::string golden = std::string(PENNET_ENGINE_TEST_DATA) + "/golden/head_hair_5_heads.png";
  if (std::getenv("PENNET_UPDATE_GOLDEN")) {
    ASSERT_TRUE(platform::SaveImageFile(picture, golden));
    return;
  }
  platform::Image expected;
  ASSERT_TRUE(platform::LoadImageFile(golden, expected)) << golden;
  ASSERT_EQ(expected.Width(), picture.Width());
  ASSERT_EQ(expected.Height(), picture.Height());
  EXPECT_LE(testsupport::PixelsOffGolden(picture, expected), 20);
}

class HeadFittingTest : public FigureTest, public ::testing::WithParamInterface<int> {};

TEST_P(HeadFittingTest, HeadAndHairFitTheBodyAndFollowItsPoses) {
  const int heads = GetParam();
  std::unique_ptr<MGroupObj> group = MakeBodyOfHeads(heads);
  MBoneObj& f = *FigureOf(*group);
  const HeadAndHair parts = AddHeadAndHair(*group);
  ASSERT_EQ(FailState(), 0);
  const std::string tag = std::to_string(heads) + "_heads";
  SavePicture(*group, heads, "head_hair_" + tag + "_before");

  // Where this body wants its head: on the neck, wider the fewer heads
  // tall the body is; the hair over it.
  ASSERT_TRUE(f.FindLandmarks(false));
  const PointRecord neck = f.GetLandmark(1)->position;
  const PointRecord top = f.GetLandmark(0)->position;
  const PointRecord middle = Mul(Add(neck, top), 0.5);
  const double width = 0.2 * (1 + (8 - heads) / 12.0);
  const PointRecord hairMiddle = Add(middle, {0, 0.2 * width, 0});
  SetFeaturePoints(f, {{74, Add(hairMiddle, {-0.56 * width, 0, 0})}, {75, Add(hairMiddle, {0.56 * width, 0, 0})},
                       {90, Add(middle, {-0.5 * width, 0, 0})}, {91, Add(middle, {0.5 * width, 0, 0})}});
  f.FitPairedRegions(nullptr);
  ASSERT_EQ(FailState(), 0);

  // Each part is centred between its two points, as wide as they are apart.
  double half;
  PointRecord c = Centre(*parts.head, &half);
  EXPECT_NEAR(c.x, middle.x, 1e-9);
  EXPECT_NEAR(c.y, middle.y, 1e-9);
  EXPECT_NEAR(half, 0.5 * width, 1e-9);
  c = Centre(*parts.hair, &half);
  EXPECT_NEAR(c.y, hairMiddle.y, 1e-9);
  EXPECT_NEAR(half, 0.56 * width, 1e-9);

  // No coordinate went bad, and every bound vertex has its rest state and
  // bones that share its whole weight.
  EXPECT_TRUE(AllFinite(*group));
  ASSERT_TRUE(f.RigFitsBody());
  f.NumberBodyVertices(nullptr);
  for (MMeshObj* m : MeshesOf(*group)) {
    if (m->IsBoneObject()) continue;
    for (MVertex* v : m->GetVertexList()) {
      const SkinRecord* r = f.GetSkinRecordOfVertex(v);
      ASSERT_NE(r, nullptr);
      ASSERT_GE(r->count, 1);
      double sum = 0;
      for (int i = 0; i < r->count; ++i) sum += r->weights[i];
      EXPECT_NEAR(sum, 1.0, 1e-9);
    }
  }
  // The rest state is the fitted shape.
  for (MVertex* v : parts.head->GetVertexList()) {
    PointRecord rest;
    EXPECT_NEAR(MUtilDistance(f.GetRestPosition(rest, v), v->position), 0, 1e-12);
  }
  const platform::Image fitted = SavePicture(*group, heads, "head_hair_" + tag + "_fitted");
  if (heads == 5) CompareWithGolden(fitted);

  // Raising the arms leaves the upper half of the head nearly where it is
  // (a head as wide as the chibi's takes a few hundredths of its weights
  // from the bones to the shoulders); nodding takes the hair along about
  // the neck.
  std::vector<PointRecord> headBefore;
  for (MVertex* v : parts.head->GetVertexList()) headBefore.push_back(v->position);
  MPose pose;
  ASSERT_TRUE(MakeStandardPose(f, "arms_raised", pose));
  size_t i = 0;
  for (MVertex* v : parts.head->GetVertexList()) {
    const PointRecord& before = headBefore[i++];
    if (before.y > middle.y) {
      EXPECT_LT(MUtilDistance(v->position, before), 0.1 * width) << before.y;
    }
  }
  // The crown of the hair turns with the head bone, whose weight it mostly
  // carries (a little less on the chibi, whose wide head reaches the bones
  // to the shoulders).
  MVertex* crown = parts.hair->GetVertexList().First();
  for (MVertex* v : parts.hair->GetVertexList())
    if (v->position.y > crown->position.y) crown = v;
  const PointRecord crownBefore = crown->position;
  TurnBone(f, kNeck, kHeadTop, {1, 0, 0}, 30);  // a nod: the head's joints stay on the mirror plane
  f.UpdateBoneMatrices(1);
  f.DeformBoundObjects(nullptr);
  ASSERT_EQ(FailState(), 0);
  EXPECT_TRUE(AllFinite(*group));
  const PointRecord from = Sub(crownBefore, neck), to = Sub(crown->position, neck);
  const double turned = std::atan2(from.y * to.z - from.z * to.y, from.y * to.y + from.z * to.z) * 180 / M_PI;
  EXPECT_NEAR(std::fabs(turned), 30, 3) << "the hair turns with the head";
  EXPECT_NEAR(MUtilDistance(crownBefore, neck), MUtilDistance(crown->position, neck), 0.01);
  SavePicture(*group, heads, "head_hair_" + tag + "_posed");
}

INSTANTIATE_TEST_SUITE_P(Proportions, HeadFittingTest, ::testing::Values(2, 5, 8));

}  // namespace head_fitting_test
}  // namespace figuretest
