#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "LitFloor.h"
#include "engine/core/EngMath.h"
#include "engine/image/OsUtilImage.h"
#include "engine/render/GlLayer.h"
#include "engine/render/ShadowImage.h"
#include "platform/Dc.h"
#include "platform/GlContext.h"

namespace {

using namespace engine;
using platform::MakeRgb;

void ExpectPoint(const PointRecord& got, const PointRecord& expected) {
  EXPECT_NEAR(got.x, expected.x, 1e-12);
  EXPECT_NEAR(got.y, expected.y, 1e-12);
  EXPECT_NEAR(got.z, expected.z, 1e-12);
}

TEST(ShadowKeyColour, NeverEqualsTheShadowColour) {
  EXPECT_EQ(ShadowKeyColourOf(0x000000), 0x000100u);
  EXPECT_EQ(ShadowKeyColourOf(MakeRgb(10, 0x80, 20)), MakeRgb(10, 0x7F, 20));
  EXPECT_EQ(ShadowKeyColourOf(MakeRgb(255, 1, 255)), MakeRgb(255, 0, 255));
}

TEST(ShadowLightDirection, FollowsTheLightKind) {
  MatrixRecord identity, quarterTurnX;
  MUtilIdentity(identity);
  MUtilRotateX(identity, std::numbers::pi / 2, quarterTurnX);
  const double none[2] = {0, 0}, quarterY[2] = {std::numbers::pi / 2, 0};
  ExpectPoint(ShadowLightDirection(2, quarterY, false, quarterTurnX), {0, -1, 0});
  ExpectPoint(ShadowLightDirection(0, none, true, quarterTurnX), {0, 0, 1});
  ExpectPoint(ShadowLightDirection(1, quarterY, true, identity), {1, 0, 0});
  // Lights that follow the camera are turned by its inverse as well.
  PointRecord turned;
  MUtilTransformVector(quarterTurnX, PointRecord{0, 0, 1}, turned);
  ExpectPoint(ShadowLightDirection(0, none, false, quarterTurnX), turned);
}

TEST(ShadowAxesAcross, AreUnitAndPerpendicularEvenAlongX) {
  const PointRecord lights[] = {{0, -1, 0}, {1, 0, 0}, {0.3, -0.8, 0.5}};
  for (PointRecord light : lights) {
    OsUtilNormalize(light);
    PointRecord u, v;
    ShadowAxesAcross(light, u, v);
    auto dot = [](const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
    EXPECT_NEAR(dot(u, u), 1, 1e-12);
    EXPECT_NEAR(dot(v, v), 1, 1e-12);
    EXPECT_NEAR(dot(u, light), 0, 1e-12);
    EXPECT_NEAR(dot(v, light), 0, 1e-12);
    EXPECT_NEAR(dot(u, v), 0, 1e-12);
  }
  PointRecord u, v;
  ShadowAxesAcross({1, 0, 0}, u, v);  // light × x vanishes: u comes from light × y
  ExpectPoint(u, {0, 0, 1});
  ExpectPoint(v, {0, -1, 0});
}

// A key-coloured shadow image with a black square painted in its top-left
// quarter.
platform::Image PaintedSquare(platform::COLORREF key) {
  platform::Image image;
  EXPECT_TRUE(NewShadowImage(image, key));
  platform::Dc dc(image);
  dc.FillRect({16, 16, 48, 48}, MakeRgb(0, 0, 0));
  return image;
}

TEST(MakeShadowTexture, KeyBecomesTransparentAndEdgesSoftBottomRowFirst) {
  const platform::COLORREF key = ShadowKeyColourOf(0);
  platform::Image painted = PaintedSquare(key);
  EXPECT_EQ(painted.Width(), kShadowImageSize);
  RgbaImageRecord texture;
  ASSERT_TRUE(MakeShadowTextureFrom(painted, key, 4, texture));
  EXPECT_TRUE(painted.IsNull()) << "the painted image is released";
  ASSERT_EQ(texture.width, kShadowImageSize);
  // Image row y is texture row 127 - y.
  auto alpha = [&](int x, int imageY) { return texture.Pixel(x, kShadowImageSize - 1 - imageY)[3]; };
  EXPECT_EQ(alpha(32, 32), 255);
  EXPECT_EQ(texture.Pixel(32, 95)[0], 0);
  EXPECT_EQ(alpha(100, 100), 0);
  EXPECT_EQ(alpha(32, 100), 0);
  const int edge = alpha(16, 32);
  EXPECT_GT(edge, 60);
  EXPECT_LT(edge, 200);
  OsUtilFreeImage(texture);
}

// Looks straight down on a grey floor of 40 × 40 units through a 64 × 64
// context; image x follows world x and image y world z.
class RenderedShadow : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = GlCreateContext(kSize, kSize);
    ASSERT_NE(context_, nullptr);
    GlViewport(0, 0, kSize, kSize);
    GlOrtho(-20, 20, -20, 20, -100, 100);
    GlLookAt(0, 50, 0, 0, 0, 0, 0, 0, -1);
    enginetest::DrawLitFloor(20);
    floorGrey_ = Red(kSize / 2, kSize / 2);
  }
  void TearDown() override { OsUtilFreeImage(texture_); }

  int Red(int x, int y) {
    context_->Finish();
    return context_->Pixels().GetBgra(x, y).r;
  }

  // A shadow of the painted image over a 20 × 20 square centred above the
  // floor's middle, from the light `light`.
  void DrawShadow(const PointRecord& light, double opacity) {
    const platform::COLORREF key = ShadowKeyColourOf(0);
    platform::Image painted;
    ASSERT_TRUE(NewShadowImage(painted, key));
    platform::Dc dc(painted);
    dc.FillRect({32, 32, 96, 96}, MakeRgb(0, 0, 0));  // the middle half
    ASSERT_TRUE(MakeShadowTextureFrom(painted, key, 4, texture_));
    PointRecord u, v, corners[4];
    ShadowAxesAcross(light, u, v);
    for (PointRecord* axis : {&u, &v}) axis->x *= 10, axis->y *= 10, axis->z *= 10;
    ShadowCorners({0, 10, 0}, u, v, corners);
    DrawShadowQuadOnPlane(corners, light, {0, 1, 0}, {0, 0.1, 0}, texture_, ShadowQuadStyle{opacity, false, false});
  }

  static constexpr int kSize = 64;
  std::unique_ptr<platform::GlContext> context_;
  RgbaImageRecord texture_;
  int floorGrey_ = 0;
};

TEST_F(RenderedShadow, DarkensTheFloorUnderTheSilhouetteOnly) {
  ASSERT_GT(floorGrey_, 100) << "the floor is lit";
  DrawShadow({0, -1, 0}, 0.5);
  // The silhouette covers the middle 10 × 10 units: image pixels 24..39.
  const int centre = Red(32, 32);
  EXPECT_LT(centre, floorGrey_ * 0.6) << "half-opaque black over the floor";
  EXPECT_GT(centre, floorGrey_ * 0.4);
  EXPECT_EQ(Red(18, 32), floorGrey_) << "transparent part of the rectangle";
  EXPECT_EQ(Red(3, 3), floorGrey_) << "outside the rectangle";
}

TEST_F(RenderedShadow, AnOpaqueShadowStillShowsOnlyTheSilhouette) {
  DrawShadow({0, -1, 0}, 1.0);
  EXPECT_LT(Red(32, 32), 10);
  EXPECT_EQ(Red(18, 32), floorGrey_);
}

TEST_F(RenderedShadow, ASlantedLightMovesTheShadowAndAGrazingOneDrawsNothing) {
  PointRecord slanted{1, -1, 0};
  OsUtilNormalize(slanted);
  DrawShadow(slanted, 1.0);
  // Projected along (1, -1, 0) from 10 units up, the rectangle lands about
  // 10 units towards +x and stretched along x: the silhouette spans x 2.8
  // to 17 (columns 37 to 59).
  EXPECT_LT(Red(48, 32), 10);
  EXPECT_EQ(Red(30, 32), floorGrey_);
  OsUtilFreeImage(texture_);
  DrawShadow({1, -0.005, 0}, 1.0);  // almost parallel to the floor
  EXPECT_EQ(Red(8, 32), floorGrey_);
  EXPECT_EQ(Red(32, 32), floorGrey_);
}

}  // namespace
