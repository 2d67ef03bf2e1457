// Meshes rendered for real: through the GL layer into an OSMesa image with
// a fixed camera, in each drawing mode. The images are written as PNG to
// <build>/tests/engine/test-images; a few are kept as golden images.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "GlTestView.h"
#include "engine/mesh/MMetaSurf.h"
#include "engine/mesh/MeshDrawing.h"
#include "meshkit/MeshTestSupport.h"
#include "platform/ImageCodec.h"
#include "support/GoldenImage.h"
#include "support/PixelCensus.h"

namespace {

using engine::PointRecord;
using meshkit::MeshFixture;
using platform::Bgra;

constexpr int kSize = 160;

class MeshRenderTest : public meshkit::MeshTest {
 protected:
  // Counts pixels by colour class.
  using Census = testsupport::PixelCensus;
  static Census Count(const platform::Image& image) { return testsupport::CountPixels(image); }

  // Renders with the view's settings, writes the PNG and answers the census.
  Census Render(enginetest::GlTestView& view, engine::MMeshObj& mesh, const std::string& name) {
    view.Render(mesh);
    EXPECT_EQ(FailState(), 0);
    view.WritePng(name);
    return Count(view.Pixels());
  }

  static void SetMode(enginetest::GlTestView& view, int drawMode, int faceStyle, int lineStyle) {
    view.drawMode = drawMode;
    view.pageFaceStyle = faceStyle;
    view.pageLineStyle = lineStyle;
    view.pageToneSwitch = 1;
  }

  static void ExpectGolden(const enginetest::GlTestView& view, const std::string& name) {
    const std::string golden = std::string(PENNET_ENGINE_TEST_DATA) + "/golden/" + name + ".png";
    if (std::getenv("PENNET_UPDATE_GOLDEN")) {
      EXPECT_TRUE(platform::SaveImageFile(view.Pixels(), golden));
      return;
    }
    platform::Image expected;
    ASSERT_TRUE(platform::LoadImageFile(golden, expected)) << golden;
    ASSERT_EQ(expected.Width(), view.Pixels().Width());
    ASSERT_EQ(expected.Height(), view.Pixels().Height());
    // A few pixels may differ where faces meet edge-on.
    EXPECT_LE(testsupport::PixelsOffGolden(view.Pixels(), expected, 4), 20) << name;
  }

  // Lines 4 wide: page outlines of width factor 2, two pixels each side.
  static void WidenLines(engine::MMeshObj& mesh) {
    for (engine::MLine* line : mesh.lines)
      line->flags = (line->flags & ~engine::kLineWidthMask) | (4u << engine::kLineWidthShift);
  }

  static MeshFixture Sphere() {
    MeshFixture f = meshkit::MakeSphere(24, 12, 0.8);
    for (engine::MVertex* v : f->vertices) v->position = engine::VAdd(v->position, {0.5, 0.5, 0.5});
    f->MarkChanged();
    f->UpdateVertexNormals();
    WidenLines(*f);
    return f;
  }
};

TEST_F(MeshRenderTest, TheSphereFixtureFacesOutwards) {
  MeshFixture f = Sphere();
  for (engine::MFace* face : f->faces) {
    engine::MVertex* c[3];
    face->GetVertices(c);
    const PointRecord centre = engine::VScale(engine::VAdd(engine::VAdd(c[0]->position, c[1]->position), c[2]->position), 1.0 / 3);
    EXPECT_GT(engine::VDot(face->GetNormal(), engine::VSub(centre, {0.5, 0.5, 0.5})), 0.0);
  }
  EXPECT_TRUE(meshkit::FindMeshFaults(*f, 1).empty());
}

TEST_F(MeshRenderTest, ACubeInEveryDrawingMode) {
  enginetest::GlTestView view(kSize, kSize, {2.6, 2.2, 3.4}, {0.5, 0.5, 0.5});
  ASSERT_TRUE(view.IsReady());
  MeshFixture f = meshkit::MakeCube(true);
  WidenLines(*f);
  f.shader->diffuseColor = {0.3, 0.55, 0.9};
  struct Case {
    const char* name;
    int drawMode, faceStyle, lineStyle;
    int minOther, minDark;
  };
  const Case cases[] = {
      {"cube_mode1", 1, 1, 1, 4000, 30},  {"cube_shaded", 2, 1, 1, 4000, 30},
      {"cube_faces_only", 3, 1, 1, 4000, 0}, {"cube_flat", 4, 1, 1, 4000, 30},
      {"cube_flat_faces_only", 5, 1, 1, 4000, 0},
      {"cube_page_plain", 6, 1, 1, 4000, 300}, {"cube_page_toned", 6, 2, 1, 4000, 300},
      {"cube_page_one_tone", 6, 4, 3, 4000, 300}, {"cube_page_lines_only", 6, 0, 1, 0, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetMode(view, c.drawMode, c.faceStyle, c.lineStyle);
    const Census census = Render(view, *f, c.name);
    EXPECT_GE(census.other, c.minOther);
    EXPECT_GE(census.dark, c.minDark);
    EXPECT_GT(census.background, kSize * kSize / 3);
    // Corners of the frame stay background.
    EXPECT_EQ(view.Pixels().GetBgra(0, 0), (Bgra{255, 255, 255, 255}));
  }
  // Section lines in the grid colour across the faces, every 0.1 along y.
  SetMode(view, 4, 1, 1);
  view.outlineShown = true;
  view.gridColor = {0.9, 0.1, 0.1};
  Render(view, *f, "cube_sections");
  int red = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const Bgra p = view.Pixels().GetBgra(x, y);
      red += (p.r > 150 && p.g < 80 && p.b < 80) ? 1 : 0;
    }
  EXPECT_GT(red, 200);
  view.outlineShown = false;
  SetMode(view, 2, 1, 1);
  view.Render(*f);
  ExpectGolden(view, "cube_shaded");
}

TEST_F(MeshRenderTest, ASphereInEveryDrawingMode) {
  enginetest::GlTestView view(kSize, kSize, {2.6, 2.2, 3.4}, {0.5, 0.5, 0.5});
  ASSERT_TRUE(view.IsReady());
  MeshFixture f = Sphere();
  f.shader->diffuseColor = {0.9, 0.6, 0.4};
  const struct {
    const char* name;
    int drawMode, faceStyle, lineStyle;
  } cases[] = {{"sphere_mode1", 1, 1, 1},       {"sphere_shaded", 2, 1, 1},     {"sphere_faces_only", 3, 1, 1},
               {"sphere_flat", 4, 1, 1},        {"sphere_flat_faces_only", 5, 1, 1}, {"sphere_page_plain", 6, 1, 1},
               {"sphere_page_toned", 6, 2, 1}, {"sphere_page_pen", 6, 2, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetMode(view, c.drawMode, c.faceStyle, c.lineStyle);
    const Census census = Render(view, *f, c.name);
    EXPECT_GT(census.other, 1000);
  }
  // The toned sphere shows distinct bands: few colours, more than two.
  SetMode(view, 6, 2, 1);
  view.Render(*f);
  std::set<std::uint32_t> colours;
  const platform::Image& image = view.Pixels();
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const Bgra p = image.GetBgra(x, y);
      if (p.r > 100) colours.insert(p.r << 16 | p.g << 8 | p.b);
    }
  EXPECT_GE(colours.size(), 3u);
  ExpectGolden(view, "sphere_page_toned");
}

TEST_F(MeshRenderTest, ASmoothedCubeInEveryDrawingMode) {
  enginetest::GlTestView view(kSize, kSize, {2.6, 2.2, 3.4}, {0.5, 0.5, 0.5});
  ASSERT_TRUE(view.IsReady());
  MeshFixture f = meshkit::MakeCube(true);
  WidenLines(*f);
  f.shader->diffuseColor = {0.45, 0.75, 0.45};
  f->SetSmoothDisplay(1);
  f->smoothSurface->Build(3, 0);
  ASSERT_EQ(FailState(), 0);
  view.smoothShown = true;
  const struct {
    const char* name;
    int drawMode, faceStyle, lineStyle;
  } cases[] = {{"smooth_cube_mode1", 1, 1, 1},  {"smooth_cube_shaded", 2, 1, 1}, {"smooth_cube_faces_only", 3, 1, 1},
               {"smooth_cube_flat", 4, 1, 1},   {"smooth_cube_flat_faces_only", 5, 1, 1},
               {"smooth_cube_page_plain", 6, 1, 1},
               {"smooth_cube_page_toned", 6, 2, 1}, {"smooth_cube_page_pen", 6, 2, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetMode(view, c.drawMode, c.faceStyle, c.lineStyle);
    const Census census = Render(view, *f, c.name);
    EXPECT_GT(census.other, 1000);
    EXPECT_GT(census.background, kSize * kSize / 3);
  }
  // The page style draws the surface's outline.
  SetMode(view, 6, 2, 1);
  view.Render(*f);
  EXPECT_GT(Count(view.Pixels()).dark, 200);
  ExpectGolden(view, "smooth_cube_page_toned");
}

}  // namespace
