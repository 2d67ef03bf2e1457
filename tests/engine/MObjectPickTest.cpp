// The object base's box handles: projection, handle picking and scaling by
// dragging a handle.
#include <gtest/gtest.h>

#include <cmath>

#include "MathTestSupport.h"
#include "ObjectTestSupport.h"

namespace {

using namespace engine;
using mathtest::PointNear;
using objecttest::Box;
using objecttest::BoxObject;
using objecttest::Composed;
using objecttest::Translation;

class MObjectPickTest : public objecttest::EngineObjectTest {
 protected:
  // A selected object with the box (0,0,0)-(2,2,2) and no handle on screen.
  BoxObject object_{Box(0, 0, 0, 2, 2, 2)};
  void SetUp() override {
    EngineObjectTest::SetUp();
    object_.Select(true);
  }
  void Corner(int i, double x, double y, double depth) { object_.cornerHandles[i] = {x, y, depth}; }
  void Face(int i, double x, double y, double depth) { object_.faceHandles[i] = {x, y, depth}; }
  MObject* Pick(double x, double y, BoxHandle& handle, double* t = nullptr) {
    double ignored = 0.0;
    return object_.PickBoxHandle({x, y, 0}, {1, 1, -10}, {1, 1, 10}, t != nullptr ? t : &ignored, &handle);
  }
};

// ---- projection -------------------------------------------------------------------

TEST_F(MObjectPickTest, ProjectionPlacesCornersByTheirSidesAndFacesOutsideTheBox) {
  BoxObject object(Box(1, 2, 3, 4, 5, 6));
  object.SetMatrix(Translation(10, 0, 0));
  // The identity is a perspective projection with w = 1: screen x, y are the
  // point's x, y and the depth is 1.
  object.ProjectToScreen(mathtest::Identity(), 1);
  const double xs[2] = {11, 14}, ys[2] = {2, 5};
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j)
      for (int k = 0; k < 2; ++k)
        EXPECT_TRUE(PointNear(object.cornerHandles[4 * i + 2 * j + k], {xs[i], ys[j], 1}, 1e-12));
  const double margin = 0.02 * std::sqrt(27.0);
  const PointRecord faces[6] = {{11 - margin, 3.5, 1}, {14 + margin, 3.5, 1}, {12.5, 2 - margin, 1},
                                {12.5, 5 + margin, 1}, {12.5, 3.5, 1},        {12.5, 3.5, 1}};
  for (int f = 0; f < 6; ++f) EXPECT_TRUE(PointNear(object.faceHandles[f], faces[f], 1e-12)) << "face " << f;
}

TEST_F(MObjectPickTest, EmptyBoxProjectsNoHandlesAndModeZeroProjectsNothing) {
  BoxObject object(Box(0, 0, 0, 1, 1, 1));
  object.ProjectToScreen(mathtest::Identity(), 0);
  EXPECT_EQ(object.cornerHandles[7].z, -1.0);  // untouched since construction

  MObject empty;
  empty.cornerHandles[3] = {5, 5, 5};
  empty.faceHandles[2] = {5, 5, 5};
  empty.ProjectToScreen(mathtest::Identity(), 1);
  for (const PointRecord& h : empty.cornerHandles) EXPECT_TRUE(PointNear(h, {0, 0, -1}, 0.0));
  for (const PointRecord& h : empty.faceHandles) EXPECT_TRUE(PointNear(h, {0, 0, -1}, 0.0));
  empty.Select(true);
  BoxHandle handle;
  double t = 0;
  EXPECT_EQ(empty.PickBoxHandle({0, 0, 0}, {0, 0, 0}, {0, 0, 1}, &t, &handle), nullptr);
}

// ---- handle picking -----------------------------------------------------------------

TEST_F(MObjectPickTest, NearerHandleWinsAndEqualDepthKeepsTheOneTriedFirst) {
  struct Case {
    const char* what;
    double depth3, depth5, faceDepth;  // corner 3, corner 5 and face 4 at the pick point; <0 off
    int boxHandlesOff;
    int side[3];
    int face[3];
    int faceSide;
  };
  const Case cases[] = {
      {"nearer corner", 5, 3, -1, 0, {1, 0, 1}, {0, 0, 0}, 0},
      {"equal depth: corner 3 is tried before 5", 4, 4, -1, 0, {0, 1, 1}, {0, 0, 0}, 0},
      {"a face at equal depth does not replace a corner", 4, 6, 4, 0, {0, 1, 1}, {0, 0, 0}, 0},
      {"a nearer face wins", 4, 6, 2, 0, {0, 1, 1}, {0, 0, 1}, 0},
      {"face handles off", 4, 6, 2, 1, {0, 1, 1}, {0, 0, 0}, 0},
      {"a face alone", -1, -1, 2, 0, {0, 0, 0}, {0, 0, 1}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int i = 0; i < 8; ++i) Corner(i, 500, 500, 1);  // far from the pick point
    for (int i = 0; i < 6; ++i) Face(i, 500, 500, 1);
    if (c.depth3 >= 0) Corner(3, 100, 100, c.depth3);
    if (c.depth5 >= 0) Corner(5, 102, 97, c.depth5);
    if (c.faceDepth >= 0) Face(4, 98, 103, c.faceDepth);
    prefs_.boxHandlesOff = c.boxHandlesOff;
    BoxHandle handle;
    ASSERT_EQ(Pick(100, 100, handle), &object_);
    EXPECT_EQ(handle.side[0], c.side[0]);
    EXPECT_EQ(handle.side[1], c.side[1]);
    EXPECT_EQ(handle.side[2], c.side[2]);
    EXPECT_EQ(handle.face[0], c.face[0]);
    EXPECT_EQ(handle.face[1], c.face[1]);
    EXPECT_EQ(handle.face[2], c.face[2]);
    EXPECT_EQ(handle.faceSide, c.faceSide);
  }
}

TEST_F(MObjectPickTest, PickSquareScalesWithThePickScaleAndSkipsHandlesBehindTheEye) {
  Corner(6, 105, 100, 1);
  BoxHandle handle;
  EXPECT_EQ(Pick(100, 100, handle), nullptr);  // 5 pixels off, the square is 4
  EngContext().pickScale = 1.25;
  EXPECT_EQ(Pick(100, 100, handle), &object_);
  Corner(6, 100, 100, -1);
  EXPECT_EQ(Pick(100, 100, handle), nullptr);
  Corner(6, 100, 100, 1);
  object_.Select(false);
  EXPECT_EQ(Pick(100, 100, handle), nullptr);
}

TEST_F(MObjectPickTest, RayParameterLocatesTheHandlePointAlongTheRay) {
  // The object sits 5 along z in its parent; the ray runs along z through
  // the box, from -10 to +10 in the parent's coordinates.
  object_.SetMatrix(Translation(0, 0, 5));
  Corner(0, 0, 0, 1);  // the corner (0, 0, 0): z = 5 in the parent
  BoxHandle handle;
  double t = -1;
  ASSERT_EQ(Pick(0, 0, handle, &t), &object_);
  EXPECT_DOUBLE_EQ(t, 15.0 / 20.0);

  Corner(0, 500, 500, 1);
  Face(5, 0, 0, 1);  // the +z face point: z = 2 + margin, 7 + margin in the parent
  ASSERT_EQ(Pick(0, 0, handle, &t), &object_);
  EXPECT_DOUBLE_EQ(t, (17.0 + 0.02 * std::sqrt(12.0)) / 20.0);
  EXPECT_EQ(handle.face[2], 1);
  EXPECT_EQ(handle.faceSide, 1);
}

// ---- scaling by a box drag ------------------------------------------------------------

class ScaleByBoxDragTest : public objecttest::EngineObjectTest {
 protected:
  // Drags with the object placed at x = 100; answers the world box after.
  BoundsRecord Drag(const BoundsRecord& box, PointRecord drag, unsigned char sides[3], bool uniform,
                    bool* result = nullptr) {
    object_.box_ = box;
    const MatrixRecord start = Translation(100, 0, 0);
    object_.SetMatrix(start);
    const bool flipped = object_.ScaleByBoxDrag(box, start, drag, sides, uniform);
    if (result != nullptr) *result = flipped;
    BoundsRecord world;
    object_.GetWorldBounds(world);
    return world;
  }
  BoxObject object_{Box(0, 0, 0, 1, 1, 1)};
};

TEST_F(ScaleByBoxDragTest, DraggedFaceMovesWhileTheOppositeFaceStays) {
  unsigned char maxSides[3] = {1, 1, 1};
  bool flipped = true;
  BoundsRecord world = Drag(Box(0, 0, 0, 10, 10, 10), {10, 0, 0}, maxSides, false, &flipped);
  EXPECT_FALSE(flipped);
  EXPECT_DOUBLE_EQ(world.minX, 100);
  EXPECT_DOUBLE_EQ(world.maxX, 120);
  EXPECT_DOUBLE_EQ(world.maxY, 10);

  unsigned char minSides[3] = {0, 0, 0};
  world = Drag(Box(0, 0, 0, 10, 10, 10), {-5, 2, 0}, minSides, false);
  EXPECT_DOUBLE_EQ(world.minX, 95);
  EXPECT_DOUBLE_EQ(world.maxX, 110);
  EXPECT_DOUBLE_EQ(world.minY, 2);
  EXPECT_DOUBLE_EQ(world.maxY, 10);
  EXPECT_EQ(minSides[0], 0);
}

TEST_F(ScaleByBoxDragTest, DraggingPastTheOppositeFaceFlipsTheSideAndLeaves1Point1A) {
  // Sizes 1, 100, 100: A = 0.201, and the flipped extent 1.1 A stays above
  // the 0.01 floor of the factor.
  const double a = 0.001 * 201;
  unsigned char sides[3] = {1, 1, 1};
  bool flipped = false;
  BoundsRecord world = Drag(Box(0, 0, 0, 1, 100, 100), {-3, 0, 0}, sides, false, &flipped);
  EXPECT_TRUE(flipped);
  EXPECT_EQ(sides[0], 0);
  EXPECT_EQ(sides[1], 1);
  EXPECT_DOUBLE_EQ(world.minX, 100);
  EXPECT_NEAR(world.maxX - world.minX, 1.1 * a, 1e-12);

  unsigned char minSides[3] = {0, 1, 1};
  world = Drag(Box(0, 0, 0, 1, 100, 100), {+3, 0, 0}, minSides, false, &flipped);
  EXPECT_TRUE(flipped);
  EXPECT_EQ(minSides[0], 1);
  EXPECT_DOUBLE_EQ(world.maxX, 101);
  EXPECT_NEAR(world.maxX - world.minX, 1.1 * a, 1e-12);
}

TEST_F(ScaleByBoxDragTest, NoFactorFallsBelowOneHundredth) {
  unsigned char sides[3] = {1, 1, 1};
  // Equal sizes: the flipped extent 1.1 A is 0.0033 of the size.
  const BoundsRecord world = Drag(Box(0, 0, 0, 10, 10, 10), {-15, -9.99, 0}, sides, false);
  EXPECT_NEAR(world.maxX - world.minX, 0.1, 1e-12);
  EXPECT_NEAR(world.maxY - world.minY, 0.1, 1e-12);
}

TEST_F(ScaleByBoxDragTest, UniformDragTakesTheLargestFactorOnlyWhenEnlargingWithoutFlip) {
  struct Case {
    const char* what;
    PointRecord drag;
    double factor;
  };
  const Case cases[] = {
      {"enlarging: the largest", {10, 0, 0}, 2.0},
      {"shrinking: the smallest", {-5, 0, 0}, 0.5},
      {"mixed with a mean above 1", {10, -5, 0}, 2.0},
      {"mixed with a mean below 1", {2, -8, 0}, 0.2},
      {"a flip: the smallest", {-11, 12, 12}, 0.01},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    unsigned char sides[3] = {1, 1, 1};
    const BoundsRecord world = Drag(Box(0, 0, 0, 10, 10, 10), c.drag, sides, true);
    EXPECT_NEAR(world.maxX - world.minX, 10 * c.factor, 1e-9);
    EXPECT_NEAR(world.maxY - world.minY, 10 * c.factor, 1e-9);
    EXPECT_NEAR(world.maxZ - world.minZ, 10 * c.factor, 1e-9);
  }
}

TEST_F(ScaleByBoxDragTest, FlatAxisKeepsItsScale) {
  unsigned char sides[3] = {1, 1, 1};
  const BoundsRecord world = Drag(Box(0, 0, 0, 10, 10, 0), {0, 0, 50}, sides, false);
  EXPECT_DOUBLE_EQ(world.maxZ, 0.0);
  // A box of no size at all has nothing to scale: refused, never a
  // division by its zero size.
  bool flipped = true;
  const BoundsRecord point = Drag(Box(1, 1, 1, 1, 1, 1), {-5, 5, 0}, sides, false, &flipped);
  EXPECT_FALSE(flipped);
  EXPECT_EQ(beeps_, 1);
  EXPECT_DOUBLE_EQ(point.minX, 101);
  EXPECT_DOUBLE_EQ(point.maxY, 1);
}

TEST_F(ScaleByBoxDragTest, CollapsingScaleIsRefusedWithABeepAndNoChange) {
  // A start matrix without extent: any scaling of it collapses the box.
  MatrixRecord flat = Translation(3, 3, 3);
  flat.m[0][0] = flat.m[1][1] = flat.m[2][2] = 0.0;
  object_.box_ = Box(0, 0, 0, 10, 10, 10);
  object_.SetMatrix(Translation(7, 7, 7));
  unsigned char sides[3] = {1, 1, 1};
  EXPECT_FALSE(object_.ScaleByBoxDrag(object_.box_, flat, {-20, 0, 0}, sides, false));
  EXPECT_EQ(beeps_, 1);
  EXPECT_EQ(object_.matrix.m[3][0], 7.0);
  EXPECT_EQ(object_.matrix.m[0][0], 1.0);
  EXPECT_EQ(sides[0], 1);
}

}  // namespace
