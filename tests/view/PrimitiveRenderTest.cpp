// Meshes rendered through the view in each draw style: a cube and a sphere
// on the floor grid, shaded, in one grey material, as lines, and in the
// page style (toned faces with outlines, outlines alone). The pictures are
// left in view_pictures; two are kept as golden pictures.
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "engine/mesh/MLine.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MVertex.h"
#include "meshkit/MeshFixtures.h"
#include "support/GoldenImage.h"
#include "support/PixelCensus.h"
#include "view/ViewTestSupport.h"

namespace {

using platform::Bgra;
using platform::Image;
using platform::RECT;
using view::QView;

class PrimitiveRenderTest : public viewtest::ViewTest {
 protected:
  // The grid, a blue cube of side 40 and an orange sphere of radius 24
  // beside it, lines two pixels wide for the page style.
  static std::unique_ptr<engine::MGroupObj> PrimitiveScene() {
    auto scene = std::make_unique<engine::MGroupObj>();
    scene->AddChild(new engine::MGridObj());
    meshkit::MeshFixture cube = meshkit::MakeCube(true);
    cube.shader->diffuseColor = {0.3, 0.55, 0.9};
    Place(*cube, 40.0, {-30.0, 0.0, -10.0});
    meshkit::MeshFixture sphere = meshkit::MakeSphere(24, 12, 1.0);
    sphere.shader->diffuseColor = {0.9, 0.6, 0.4};
    Place(*sphere, 24.0, {30.0, 24.0, 20.0});
    scene->AddChild(cube.mesh.release());
    scene->AddChild(sphere.mesh.release());
    return scene;
  }
  // Sizes and places the mesh through its matrix, as a scene does; lines
  // two pixels wide for the page style.
  static void Place(engine::MMeshObj& mesh, double scale, engine::PointRecord offset) {
    engine::MatrixRecord m;
    engine::MUtilIdentity(m);
    engine::MUtilScale(m, scale, scale, scale, m);
    engine::MUtilTranslateAfter(m, offset, m);
    mesh.SetMatrix(m);
    for (engine::MLine* line : mesh.lines)
      line->flags = (line->flags & ~engine::kLineWidthMask) | (2u << engine::kLineWidthShift);
  }
  static Image Render(engine::MObject* scene, int drawMode, int shadingKind, int lineKind) {
    QView v(RECT{0, 0, 200, 150});
    v.shadingKind = shadingKind;
    v.lineKind = lineKind;
    viewtest::OpenWhitePicture(v, 200, 150, drawMode);
    viewtest::AimAtScene(v);
    v.SetDistance(140.0);
    return viewtest::RenderPicture(v, scene);
  }
  using Census = testsupport::PixelCensus;
  static Census Count(const platform::Image& image) { return testsupport::CountPixels(image); }
};

TEST_F(PrimitiveRenderTest, PrimitivesInEveryDrawStyle) {
  prefs_.vertexDisplayMode = 1;  // no vertex points over the faces
  auto scene = PrimitiveScene();
  struct Case {
    const char* name;
    int drawMode, shadingKind, lineKind;
    int minOther, minDark;
  };
  const Case cases[] = {{"primitives_shaded", 2, 2, 1, 3000, 200},     {"primitives_grey", 1, 2, 1, 3000, 200},
                        {"primitives_lines", 0, 2, 1, 300, 300},       {"primitives_page_toned", 6, 2, 1, 3000, 200},
                        {"primitives_page_outlines", 6, 0, 1, 0, 200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Image picture = Render(scene.get(), c.drawMode, c.shadingKind, c.lineKind);
    viewtest::SavePicture(picture, c.name);
    EXPECT_EQ(FailState(), engine::kEngFailNone);
    const Census census = Count(picture);
    EXPECT_GE(census.other, c.minOther);
    EXPECT_GE(census.dark, c.minDark);
    EXPECT_GT(census.background, 200 * 150 / 3);
  }
}

TEST_F(PrimitiveRenderTest, PrimitivesMatchTheirGoldenPictures) {
  auto scene = PrimitiveScene();
  for (const char* name : {"primitives_shaded", "primitives_page_toned"}) {
    SCOPED_TRACE(name);
    const bool page = std::string(name) == "primitives_page_toned";
    const Image actual = Render(scene.get(), page ? 6 : 2, 2, 1);
    Image expected;
    if (!viewtest::FetchGoldenPicture(actual, name, expected)) continue;
    EXPECT_LE(testsupport::PixelsOffGolden(actual, expected, 4), 40);
  }
  // The two line styles in one picture: lines, and the page style's
  // outlines without faces.
  prefs_.vertexDisplayMode = 1;
  const Image lines = viewtest::SideBySide({Render(scene.get(), 0, 2, 1), Render(scene.get(), 6, 0, 1)});
  Image expected;
  if (viewtest::FetchGoldenPicture(lines, "primitives_lines_outlines", expected)) {
    EXPECT_LE(testsupport::PixelsOffGolden(lines, expected, 4), 60);
  }
}

}  // namespace
