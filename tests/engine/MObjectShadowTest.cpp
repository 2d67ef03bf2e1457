#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

#include "LitFloor.h"
#include "ObjectTestSupport.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/ShadowScene.h"
#include "engine/render/GlLayer.h"
#include "platform/Dc.h"
#include "platform/GlContext.h"

namespace {

using namespace engine;

// A caster whose silhouette fills the middle half of its shadow image and
// whose extent is a square of half-size `half` around `centre`.
class SquareCaster : public MObject {
 public:
  SquareCaster(PointRecord centre, double half) : centre_(centre), half_(half) {
    shadowInfo.shadowMode = kShadowCasts;
    shadowInfo.lightKind = 2;
  }
  void PrepareShadowImage(MDocObj*) override {
    ++prepared;
    shadowInfo.centre = centre_;
    const PointRecord u = shadowInfo.axisU, v = shadowInfo.axisV;
    shadowInfo.axisU = {u.x * half_, u.y * half_, u.z * half_};
    shadowInfo.axisV = {v.x * half_, v.y * half_, v.z * half_};
  }
  void PaintShadowSilhouette(MDocObj*, platform::Image* image, int colour) override {
    ++painted;
    if (failWhilePainting) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    platform::Dc dc(*image);
    dc.FillRect({32, 32, 96, 96}, static_cast<platform::COLORREF>(colour));
  }
  int prepared = 0;
  int painted = 0;
  bool failWhilePainting = false;

 private:
  PointRecord centre_;
  double half_;
};

class FakeShadowScene : public MShadowScene {
 public:
  MDocObj* ShadowDocument() override { return nullptr; }
  int ShadowImageState() const override { return imageState; }
  void GetGridParams(int& kind, double& size, int& divisions, PointRecord& colour, PointRecord& axisColour,
                     int& subdivisions) override {
    kind = 0;
    size = gridSize;
    divisions = gridDivisions;
    colour = axisColour = {0, 0, 0};
    subdivisions = 5;
  }
  bool RayCastObjects(const PointRecord& start, const PointRecord& direction, PointRecord& normal, PointRecord& point,
                      double lift) override {
    rays.push_back({start, direction, lift});
    if (!hit) return false;
    normal = hitNormal;
    point = {hitPoint.x, hitPoint.y + lift, hitPoint.z};
    return true;
  }

  struct Ray {
    PointRecord start, direction;
    double lift;
  };
  int imageState = 0;
  double gridSize = 100.0;
  int gridDivisions = 10;
  bool hit = false;
  PointRecord hitNormal{0, 1, 0}, hitPoint{0, 0, 0};
  std::vector<Ray> rays;
};

// Looks straight down on the floor: world x left to right over columns,
// world z down the rows, 100 × 100 units on a 64 × 64 image; depth 0.75 - y / 200.
class ObjectShadowTest : public objecttest::EngineObjectTest {
 protected:
  void SetUp() override {
    EngineObjectTest::SetUp();
    ResetShadowPassCount();
    context_ = GlCreateContext(kSize, kSize);
    ASSERT_NE(context_, nullptr);
    GlViewport(0, 0, kSize, kSize);
    GlOrtho(-50, 50, -50, 50, -100, 100);
    GlLookAt(0, 50, 0, 0, 0, 0, 0, 0, -1);
  }
  void TearDown() override {
    ResetShadowPassCount();
    EngineObjectTest::TearDown();
  }

  // The heights (world y) of the flat rectangles the shadow step draws (GL
  // may hand a rectangle back as two triangles: polygons in a row at one
  // height count once).
  std::vector<double> DrawnHeights(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint n = glRenderMode(GL_RENDER);
    std::vector<double> heights;
    for (GLint i = 0; i < n;) {
      const GLint token = static_cast<GLint>(buffer[i++]);
      if (token != GL_POLYGON_TOKEN) {
        ADD_FAILURE() << "only polygons expected, got token " << token;
        break;
      }
      const int corners = static_cast<int>(buffer[i++]);
      const double height = (0.75 - buffer[i + 2]) * 200.0;
      for (int k = 1; k < corners; ++k) EXPECT_NEAR((0.75 - buffer[i + k * 3 + 2]) * 200.0, height, 1e-3) << "flat";
      if (heights.empty() || std::abs(heights.back() - height) > 1e-3) heights.push_back(height);
      i += corners * 3;
    }
    return heights;
  }

  static constexpr int kSize = 64;
  FakeShadowScene scene_;
  std::unique_ptr<platform::GlContext> context_;
};

TEST_F(ObjectShadowTest, CastersOnTheFloorStackOneStepEach) {
  SquareCaster a({-20, 5, 0}, 5), b({0, 5, 0}, 5), c({20, 5, 0}, 5);
  const std::vector<double> heights = DrawnHeights([&] {
    for (SquareCaster* caster : {&a, &b, &c}) caster->DrawProjectedShadow(&view_, &scene_);
  });
  // step = 100 × 0.01 / 10
  ASSERT_EQ(heights.size(), 3u);
  EXPECT_NEAR(heights[0], 0.1, 1e-3);
  EXPECT_NEAR(heights[1], 0.2, 1e-3);
  EXPECT_NEAR(heights[2], 0.3, 1e-3);
  EXPECT_EQ(ShadowPassCount(), 3);
  EXPECT_EQ(FailState(), kEngFailNone);
}

TEST_F(ObjectShadowTest, ShadowsFallOnTheReceiverTheLightMeets) {
  SquareCaster caster({0, 10, 0}, 5);
  caster.shadowInfo.projectOnObjects = 1;
  scene_.hit = true;
  scene_.hitPoint = {0, 3, 0};
  const std::vector<double> heights = DrawnHeights([&] { caster.DrawProjectedShadow(&view_, &scene_); });
  ASSERT_EQ(heights.size(), 1u);
  EXPECT_NEAR(heights[0], 3.1, 1e-3);
  ASSERT_EQ(scene_.rays.size(), 1u);
  EXPECT_EQ(scene_.rays[0].start.y, 10.0);
  EXPECT_EQ(scene_.rays[0].direction.y, -1.0);
  EXPECT_DOUBLE_EQ(scene_.rays[0].lift, 0.1);

  scene_.hit = false;
  EXPECT_TRUE(DrawnHeights([&] { caster.DrawProjectedShadow(&view_, &scene_); }).empty());
}

TEST_F(ObjectShadowTest, NoShadowForOtherModesALightFromBelowOrAFailedImage) {
  SquareCaster none({0, 5, 0}, 5), receiver({0, 5, 0}, 5), fromBelow({0, 5, 0}, 5), failing({0, 5, 0}, 5);
  none.shadowInfo.shadowMode = kShadowNone;
  receiver.shadowInfo.shadowMode = kShadowReceives;
  // Light kind 0 with the view's first light turned a quarter about X:
  // it points up, away from the floor.
  fromBelow.shadowInfo.lightKind = 0;
  view_.lightAngles[0][1] = std::numbers::pi / 2;
  view_.lightsFixed = true;
  failing.failWhilePainting = true;
  const std::vector<double> heights = DrawnHeights([&] {
    for (SquareCaster* caster : {&none, &receiver, &fromBelow}) caster->DrawProjectedShadow(&view_, &scene_);
  });
  EXPECT_TRUE(heights.empty());
  EXPECT_NEAR(fromBelow.shadowInfo.lightDir.y, 1.0, 1e-12);
  EXPECT_EQ(none.prepared + receiver.prepared, 0);
  EXPECT_EQ(ShadowPassCount(), 1) << "the caster lit from below still counts";

  EXPECT_TRUE(DrawnHeights([&] { failing.DrawProjectedShadow(&view_, &scene_); }).empty());
  EXPECT_EQ(ShadowPassCount(), 1) << "a failed image ends the step before it counts";
  EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
}

TEST_F(ObjectShadowTest, TheScenesImageStateDecidesWhetherImagesAreRemade) {
  struct Case {
    int state, lightKind;
    bool remade;
  };
  const Case cases[] = {{0, 2, true}, {1, 2, false}, {1, 0, true}, {2, 0, false}, {2, 2, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "state " << c.state << ", light kind " << c.lightKind);
    SquareCaster caster({0, 5, 0}, 5);
    caster.shadowInfo.lightKind = c.lightKind;
    scene_.imageState = 0;
    caster.DrawProjectedShadow(&view_, &scene_);
    const unsigned char* first = caster.shadowInfo.image.pixels;
    ASSERT_NE(first, nullptr);
    scene_.imageState = c.state;
    caster.DrawProjectedShadow(&view_, &scene_);
    EXPECT_EQ(caster.painted, c.remade ? 2 : 1);
    if (!c.remade) {
      EXPECT_EQ(caster.shadowInfo.image.pixels, first) << "the stored image is reused";
    }
  }
}

TEST_F(ObjectShadowTest, FrameAndCornersFollowTheLightAndTheExtent) {
  SquareCaster caster({1, 5, 2}, 4);
  caster.shadowInfo.shadowColour = 0x000080;
  EXPECT_EQ(caster.GetShadowKeyColour(), 0x000180u);
  caster.DrawProjectedShadow(&view_, &scene_);
  const ShadowInfo& s = caster.shadowInfo;
  EXPECT_EQ(s.image.width, 128);
  // Straight down: U = (0, 0, 1) × 4, V = (-1, 0, 0) × 4.
  const PointRecord expected[4] = {{5, 5, -2}, {-3, 5, -2}, {-3, 5, 6}, {5, 5, 6}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(s.corners[i].x, expected[i].x, 1e-12) << i;
    EXPECT_NEAR(s.corners[i].y, expected[i].y, 1e-12) << i;
    EXPECT_NEAR(s.corners[i].z, expected[i].z, 1e-12) << i;
  }
}

// A lit grey floor with the projected shadows of a group's children drawn
// over it, rendered through OSMesa.
TEST_F(ObjectShadowTest, ARenderedShadowIsVisibleOnTheFloor) {
  enginetest::DrawLitFloor(50);

  // A group whose children decide: one casts (half-opaque), one does not.
  MGroupObj group;
  auto* casting = new SquareCaster({-20, 10, 0}, 10);
  auto* silent = new SquareCaster({20, 10, 0}, 10);
  silent->shadowInfo.shadowMode = kShadowNone;
  ASSERT_TRUE(group.AddChild(casting));
  ASSERT_TRUE(group.AddChild(silent));
  group.DrawProjectedShadow(&view_, &scene_);
  context_->Finish();
  const platform::Image& frame = context_->Pixels();

  const int floorGrey = frame.GetBgra(32, 60).r;
  ASSERT_GT(floorGrey, 100) << "the floor is lit";
  // The casting child's silhouette covers x -25..-15, z -5..5: around
  // column 19, row 32. The silent child's (x 15..25) would be column 45.
  const int shadowed = frame.GetBgra(19, 32).r;
  EXPECT_LT(shadowed, floorGrey * 0.6);
  EXPECT_GT(shadowed, floorGrey * 0.4);
  EXPECT_EQ(frame.GetBgra(45, 32).r, floorGrey);
  EXPECT_EQ(frame.GetBgra(14, 32).r, floorGrey) << "the rectangle's transparent border";
  EXPECT_EQ(ShadowPassCount(), 1);
}

}  // namespace
