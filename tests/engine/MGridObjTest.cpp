#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "ObjectTestSupport.h"
#include "engine/core/MGridObj.h"
#include "engine/core/ObjectFactory.h"
#include "engine/core/QFile.h"
#include "engine/render/GlLayer.h"
#include "platform/GlContext.h"
#include "support/TempDir.h"

namespace {

using namespace engine;

struct LineCounts {
  int floor, wall, axis0, axis1, axis2;
  friend bool operator==(const LineCounts&, const LineCounts&) = default;
};

std::ostream& operator<<(std::ostream& os, const LineCounts& c) {
  return os << "{" << c.floor << ", " << c.wall << ", " << c.axis0 << ", " << c.axis1 << ", " << c.axis2 << "}";
}

LineCounts CountsOf(const MGridObj& grid) {
  EXPECT_EQ(grid.floorFrom.count, grid.floorTo.count);
  EXPECT_EQ(grid.wallFrom.count, grid.wallTo.count);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(grid.axisFrom[i].count, grid.axisTo[i].count);
  return {grid.floorFrom.count, grid.wallFrom.count, grid.axisFrom[0].count, grid.axisFrom[1].count,
          grid.axisFrom[2].count};
}

class MGridObjTest : public objecttest::EngineObjectTest {};

TEST_F(MGridObjTest, DefaultGridIsAHundredWideWithTenCells) {
  MGridObj grid;
  int kind = -1, divisions = 0, subdivisions = 0;
  double size = 0;
  PointRecord colour, axisColour;
  grid.GetGridParams(kind, size, divisions, colour, axisColour, subdivisions);
  EXPECT_EQ(std::make_tuple(kind, size, divisions, subdivisions), std::make_tuple(0, 100.0, 10, 5));
  EXPECT_EQ(std::make_tuple(colour.x, colour.y, colour.z), std::make_tuple(0.4, 0.7, 0.4));
  EXPECT_EQ(std::make_tuple(axisColour.x, axisColour.y, axisColour.z), std::make_tuple(0.7, 0.2, 0.7));
  BoundsRecord box;
  grid.GetLocalBounds(box);
  EXPECT_EQ(std::make_tuple(box.minX, box.minY, box.minZ, box.maxX, box.maxY, box.maxZ, box.empty),
            std::make_tuple(-50.0, 0.0, -50.0, 50.0, 100.0, 50.0, 0));
  EXPECT_EQ(grid.GetEditState(), kEditUnchanged);
  EXPECT_FALSE(grid.IsSymmetric());
}

TEST_F(MGridObjTest, LineCountsFollowKindAndDivisions) {
  // Floor lines across z at every step, lines across x on the stored half
  // (x <= 0), back and left wall lines for kind 2, the box outline (5 lines)
  // unless kind 1. An even division puts the centre step into the axis sets.
  struct Case {
    int kind, divisions;
    LineCounts counts;
    double height;
  };
  const Case cases[] = {
      {0, 10, {20, 0, 2, 0, 0}, 100.0},  // 10 + 5 floor, 5 outline
      {1, 10, {15, 0, 2, 0, 0}, 25.0},   // no walls, no outline, a quarter high
      {2, 10, {35, 20, 2, 2, 2}, 100.0},
      {0, 5, {14, 0, 0, 0, 0}, 100.0},  // 6 + 3 floor, 5 outline, no centre line
      {2, 5, {23, 12, 0, 0, 0}, 100.0},
      {1, 1, {3, 0, 0, 0, 0}, 25.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "kind " << c.kind << ", " << c.divisions << " divisions");
    MGridObj grid;
    grid.Rebuild(c.kind, 100.0, c.divisions, 3, {1, 0, 0}, {0, 0, 1});
    EXPECT_EQ(CountsOf(grid), c.counts);
    EXPECT_EQ(grid.gridBounds.maxY, c.height);
    EXPECT_EQ(grid.subdivisions, 3);
    for (const PointArray* points : {&grid.floorFrom, &grid.floorTo, &grid.wallFrom, &grid.wallTo})
      for (int k = 0; k < points->count; ++k) EXPECT_LE((*points)[k].x, 1e-9) << "only the half with x <= 0";
  }
}

TEST_F(MGridObjTest, CentreLinesOfAnEvenGridLieOnTheAxes) {
  MGridObj grid;
  grid.Rebuild(2, 40.0, 4, 5, {1, 0, 0}, {0, 0, 1});
  // Floor: along x at z = 0, and along z at x = 0.
  EXPECT_EQ(grid.axisFrom[0][0].z, 0.0);
  EXPECT_EQ(grid.axisTo[0][0].x, 0.0);
  EXPECT_EQ(grid.axisFrom[0][1].x, 0.0);
  EXPECT_EQ(grid.axisFrom[0][1].z, -20.0);
  // Back wall (z = h): half height across, and the vertical at x = 0.
  EXPECT_EQ(grid.axisFrom[1][0].z, 20.0);
  EXPECT_EQ(grid.axisFrom[1][0].y, 20.0);
  // Left wall (x = -h).
  for (int k = 0; k < grid.axisFrom[2].count; ++k) EXPECT_EQ(grid.axisFrom[2][k].x, -20.0);
}

TEST_F(MGridObjTest, OutOfMemoryKeepsTheLinesBuiltSoFarInStep) {
  MGridObj grid;
  {
    EngAllocFailureScope fail(7);
    grid.Rebuild(2, 100.0, 10, 5, {1, 0, 0}, {0, 0, 1});
  }
  EXPECT_EQ(FailState(), kEngFailFailed);
  EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
  const LineCounts counts = CountsOf(grid);  // checks every pair of arrays is in step
  EXPECT_LT(counts.floor, 35);
}

TEST_F(MGridObjTest, AReadGridHasTheDefaultLines) {
  testsupport::TempDir dir;
  MGridObj grid;
  grid.Rebuild(2, 300.0, 6, 5, {1, 0, 0}, {0, 0, 1});
  {
    QFile out(dir / "grid.bin", platform::File::Mode::kCreateWrite);
    grid.WriteTo(out);
    out.FlushAndClose();
  }
  QFile in(dir / "grid.bin", platform::File::Mode::kRead);
  std::unique_ptr<MObject> read(ReadObject(in));
  auto* readGrid = dynamic_cast<MGridObj*>(read.get());
  ASSERT_NE(readGrid, nullptr) << EngContext().failText;
  EXPECT_EQ(CountsOf(*readGrid), (LineCounts{20, 0, 2, 0, 0}));
  EXPECT_EQ(readGrid->gridBounds.maxX, 50.0);
}

TEST_F(MGridObjTest, DrawOffsetDependsOnTheProjection) {
  MGridObj grid;
  const DrawRecord record{{0, 0, 10}, {0, 0, 0}, {}, {}};
  struct Case {
    int kind;
    int fieldOfView;
    double distance;
    double scale;
    PointRecord offset;
  };
  const Case cases[] = {
      {1600, 40, 100, 0.01, {0, 0, 0}},  {1601, 80, 100, 0.008, {0, 0, 0}}, {1601, 40, 100, 0.004, {0, 0, 0}},
      {1602, 40, 100, 0.004, {0, 0, 0}}, {1603, 40, 100, 0.5, {0, 0, 0.5}},  {1603, 40, 5000, 5.0, {0, 0, 5.0}},
      {1603, 40, 0.001, 0.0005, {0, 0, 0.0005}}, {1234, 40, 100, 1.0, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    view_.projectionKind = c.kind;
    view_.fieldOfView = c.fieldOfView;
    view_.distance = c.distance;
    double scale = 0;
    PointRecord offset{9, 9, 9};
    grid.GetDrawOffset(&view_, record, scale, offset);
    EXPECT_DOUBLE_EQ(scale, c.scale);
    EXPECT_DOUBLE_EQ(offset.x, c.offset.x);
    EXPECT_DOUBLE_EQ(offset.z, c.offset.z);
    PointRecord p{1, 2, 3};
    grid.ApplyDrawOffset(c.kind, record, scale, offset, p);
    EXPECT_DOUBLE_EQ(p.z, 3 + c.offset.z);
  }
}

// Draws the grid into GL's feedback buffer and sorts the lines it drew by
// their colour.
class MGridObjDrawing : public MGridObjTest {
 protected:
  void SetUp() override {
    MGridObjTest::SetUp();
    context_ = GlCreateContext(64, 64);
    ASSERT_NE(context_, nullptr);
    GlViewport(0, 0, 64, 64);
    GlOrtho(-400, 400, -400, 400, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  }

  // Lines drawn, by colour (red, green and blue in hundredths).
  std::map<std::tuple<int, int, int>, int> Draw(MGridObj& grid) {
    std::vector<GLfloat> buffer(100000);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    grid.DrawBody(&view_, DrawRecord{{0, 0, 100}, {0, 0, 0}, {}, {}});
    const GLint n = glRenderMode(GL_RENDER);
    std::map<std::tuple<int, int, int>, int> lines;
    for (GLint i = 0; i < n;) {
      const GLint token = static_cast<GLint>(buffer[i++]);
      EXPECT_TRUE(token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) << "only lines";
      const GLfloat* v = &buffer[i];  // x, y, z, then r, g, b, a
      ++lines[{static_cast<int>(std::lround(v[3] * 100)), static_cast<int>(std::lround(v[4] * 100)),
               static_cast<int>(std::lround(v[5] * 100))}];
      i += 2 * 7;
    }
    return lines;
  }

  std::unique_ptr<platform::GlContext> context_;
};

using ColourCounts = std::map<std::tuple<int, int, int>, int>;
const std::tuple<int, int, int> kGreen{40, 70, 40}, kGrey{60, 60, 60}, kPurple{70, 20, 70};

TEST_F(MGridObjDrawing, DrawsBothHalvesAndTheWallOnlyMirrored) {
  MGridObj grid;  // 20 floor lines and 2 centre lines per half
  EXPECT_EQ(Draw(grid), (ColourCounts{{kGreen, 44}}));
  EXPECT_EQ(view_.recorder.Count("SetDrawingMode"), 1);
  EXPECT_EQ(view_.recorder.Find("SetDrawingMode")->values[0], 5);

  grid.SetMirrorShown(1);
  EXPECT_EQ(Draw(grid), (ColourCounts{{kGrey, 22}, {kGreen, 22}}));

  grid.Rebuild(2, 100.0, 10, 5, {0.4, 0.7, 0.4}, {0.7, 0.2, 0.7});
  // Mirrored: 35 floor, 20 wall, 2 + 2 + 2 centre; stored: 35 floor, 2 + 2.
  EXPECT_EQ(Draw(grid), (ColourCounts{{kGrey, 61}, {kGreen, 39}}));
}

TEST_F(MGridObjDrawing, AxisAlignedViewsHideTheCentreLinesTheyLookAlongAndAddACross) {
  MGridObj grid;
  grid.Rebuild(2, 100.0, 10, 5, {0.4, 0.7, 0.4}, {0.7, 0.2, 0.7});
  view_.viewPresetKind = 10;
  struct Case {
    int axis;
    int green;
  };
  // All lines: 61 mirrored + 39 stored; a hidden floor or back-wall set
  // drops 2 lines per half, the left-wall set 2 mirrored lines.
  const Case cases[] = {{2, 96}, {3, 96}, {1, 98}};
  for (const Case& c : cases) {
    view_.viewAxis = c.axis;
    EXPECT_EQ(Draw(grid), (ColourCounts{{kGreen, c.green}, {kPurple, 2}})) << "axis " << c.axis;
  }
}

TEST_F(MGridObjDrawing, NothingWhenTheViewHidesTheGridOrTheMirroredCopyIsDrawn) {
  MGridObj grid;
  view_.gridShown = false;
  EXPECT_TRUE(Draw(grid).empty());
  view_.gridShown = true;
  prefs_.mirrorPass = 1;
  EXPECT_TRUE(Draw(grid).empty());
  EXPECT_EQ(view_.recorder.Count("SetDrawingMode"), 0);
}

}  // namespace
