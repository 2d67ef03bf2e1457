// The figure's picture: the green key and the two backgrounds with alpha
// at chosen pixels, supersampling and the size limits, surfaces kept
// between renders, a failed render, and a golden picture.
#include <cstdlib>
#include <filesystem>

#include "FacadeTestSupport.h"
#include "engine/core/MObject.h"
#include "facade/KxLibVImp.h"
#include "support/GoldenImage.h"
#include "view/QView.h"

namespace {

using facadetest::FacadeTest;
using facadetest::PixelsDiffering;
using facadetest::SavePicture;
using platform::Bgra;
using platform::Image;

class RenderTest : public FacadeTest {};

// A square of side 1 in the plane z = 0.
std::unique_ptr<facade::KxLibR> SquareShape(engine::PointRecord colour, double opacity, int size = 80) {
  return facadetest::MeshShape(meshkit::MakeQuadPair(false), colour, opacity, size, size);
}

Bgra Centre(const Image& image) { return image.GetBgra(image.Width() / 2, image.Height() / 2); }

int OpaquePixels(const Image& image) {
  int n = 0;
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) n += image.GetBgra(x, y).a == 255 ? 1 : 0;
  return n;
}

TEST_F(RenderTest, OnTheGreenKeyTheBackgroundBecomesTransparentBlack) {
  auto figure = facadetest::CubeShape({0.8, 0.3, 0.2}, 1.0);
  ASSERT_FALSE(figure->HasTransparentMaterial());
  const Image* picture = figure->GetView().GetImage(false);
  ASSERT_NE(picture, nullptr);
  SavePicture(*picture, "cube_green_key");
  SavePicture(figure->GetView().Renderer().WhiteBitmap(), "cube_green_key_pass");
  const Bgra pass = figure->GetView().Renderer().WhiteBitmap().GetBgra(0, 0);
  EXPECT_EQ((Bgra{pass.b, pass.g, pass.r, 0}), (Bgra{0, 255, 0, 0})) << "the pass rendered on the key";
  EXPECT_EQ(picture->GetBgra(0, 0), (Bgra{0, 0, 0, 0}));
  EXPECT_EQ(picture->GetBgra(79, 79), (Bgra{0, 0, 0, 0}));
  const Bgra centre = Centre(*picture);
  EXPECT_EQ(centre.a, 255);
  EXPECT_GT(centre.r, centre.g) << "the cube's own colour";
  for (int y = 0; y < picture->Height(); ++y)
    for (int x = 0; x < picture->Width(); ++x) {
      const Bgra p = picture->GetBgra(x, y);
      ASSERT_TRUE(p.a == 255 || p == (Bgra{0, 0, 0, 0})) << x << "," << y;
    }
}

// A material of the key's very colour is moved off it when the scene
// comes in, so the object stays opaque.
TEST_F(RenderTest, AKeyGreenMaterialStaysOpaque) {
  auto figure = SquareShape({0.0, 1.0, 0.0}, 1.0);
  engine::MMeshObj* square = engine::AsMesh(figure->GetScene()->ChildAt(1));
  for (engine::MShader* material : square->shaders) EXPECT_EQ(material->diffuseColor.y, 254.0 / 255.0);
  const Image* picture = figure->GetView().GetImage(false);
  ASSERT_NE(picture, nullptr);
  SavePicture(*picture, "key_green_square");
  EXPECT_EQ(Centre(*picture).a, 255);
  EXPECT_GT(OpaquePixels(*picture), 80 * 80 / 8);
}

// The pixel rules on pictures made by hand: half-transparent white shows
// 255 on white and 128 on black, so alpha is a half and the colour white.
TEST_F(RenderTest, ThePixelRulesOfTheTwoWays) {
  struct Case {
    Bgra onWhite, onBlack, straight, premultiplied;
  } cases[] = {
      {{255, 255, 255, 255}, {128, 128, 128, 255}, {255, 255, 255, 128}, {128, 128, 128, 128}},
      {{200, 100, 50, 255}, {200, 100, 50, 255}, {200, 100, 50, 255}, {200, 100, 50, 255}},  // opaque
      {{255, 255, 255, 255}, {0, 0, 0, 255}, {0, 0, 0, 0}, {0, 0, 0, 0}},                    // background
      {{255, 191, 191, 255}, {64, 0, 0, 255}, {255, 0, 0, 64}, {64, 0, 0, 64}},              // quarter blue
  };
  Image white(4, 1, 32), black(4, 1, 32), out(4, 1, 32, true);
  for (int x = 0; x < 4; ++x) {
    white.SetBgra(x, 0, cases[x].onWhite);
    black.SetBgra(x, 0, cases[x].onBlack);
  }
  facade::TwoBackgroundPixelsToAlpha(white, black, out, false);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(out.GetBgra(x, 0), cases[x].straight) << x;
  facade::TwoBackgroundPixelsToAlpha(white, black, out, true);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(out.GetBgra(x, 0), cases[x].premultiplied) << x;

  // On the key only pure green goes.
  const Bgra keyed[] = {{0, 255, 0, 255}, {0, 254, 0, 255}, {1, 255, 0, 255}, {0, 255, 1, 255}};
  for (int x = 0; x < 4; ++x) white.SetBgra(x, 0, keyed[x]);
  facade::KeyGreenPixelsToAlpha(white, out);
  EXPECT_EQ(out.GetBgra(0, 0), (Bgra{0, 0, 0, 0}));
  for (int x = 1; x < 4; ++x) EXPECT_EQ(out.GetBgra(x, 0), keyed[x]) << x;
}

// A scene with a transparent material is rendered on white and on black:
// its background comes out transparent, its opaque objects opaque.
TEST_F(RenderTest, ATransparentMaterialRendersOnTwoBackgrounds) {
  meshkit::MeshFixture square = meshkit::MakeQuadPair(false);
  square.shader->opacity = 0.5;
  square->Checkpoint(false);
  meshkit::MeshFixture cube = meshkit::MakeCube();
  cube.shader->diffuseColor = {0.2, 0.4, 0.9};
  cube->Checkpoint(false);
  auto scene = std::make_unique<engine::MDocObj>();
  engine::MObject* shown = cube.mesh.release();
  ASSERT_TRUE(standardscene::AddToScene(*scene, shown));
  ASSERT_TRUE(standardscene::AddToScene(*scene, square.mesh.release()));
  auto figure = standardscene::MakeFigureShape(std::move(scene), shown, 80, 80);
  ASSERT_TRUE(figure->HasTransparentMaterial());
  const Image* picture = figure->GetView().GetImage(false);
  ASSERT_NE(picture, nullptr);
  SavePicture(*picture, "transparent_scene");
  const Bgra onWhite = figure->GetView().Renderer().WhiteBitmap().GetBgra(0, 0);
  const Bgra onBlack = figure->GetView().Renderer().BlackBitmap().GetBgra(0, 0);
  EXPECT_EQ((Bgra{onWhite.b, onWhite.g, onWhite.r, 0}), (Bgra{255, 255, 255, 0}));
  EXPECT_EQ((Bgra{onBlack.b, onBlack.g, onBlack.r, 0}), (Bgra{0, 0, 0, 0}));
  EXPECT_EQ(picture->GetBgra(0, 0), (Bgra{0, 0, 0, 0}));
  const Bgra centre = Centre(*picture);
  EXPECT_EQ(centre.a, 255);
  EXPECT_GT(centre.b, centre.r) << "the cube's own colour";
}

// Supersampled by 2, 3 and 4, the picture is the render of that many times
// the size, reduced by averaging blocks (alpha too).
TEST_F(RenderTest, ASupersampledPictureIsTheLargeRenderReduced) {
  for (int factor : {2, 3, 4}) {
    SCOPED_TRACE(factor);
    auto small = facadetest::CubeShape({0.8, 0.3, 0.2}, 1.0, 60, 60);
    auto large = facadetest::CubeShape({0.8, 0.3, 0.2}, 1.0, 60 * factor, 60 * factor);
    // Lines would be drawn wider in the supersampled render.
    small->GetView().SetLineColor(0, 1, 1);
    large->GetView().SetLineColor(0, 1, 1);
    small->GetView().SetOutputSize(60, 60, factor, 1.0);
    const Image* reduced = small->GetView().GetImage(false);
    const Image* full = large->GetView().GetImage(false);
    ASSERT_NE(reduced, nullptr);
    ASSERT_NE(full, nullptr);
    SavePicture(*reduced, "cube_supersampled_" + std::to_string(factor));
    ASSERT_EQ(reduced->Width(), 60);
    Image expected(60, 60, 32, true);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x) {
        int sum[4] = {0, 0, 0, 0};
        for (int j = 0; j < factor; ++j)
          for (int i = 0; i < factor; ++i) {
            const Bgra p = full->GetBgra(x * factor + i, y * factor + j);
            sum[0] += p.b, sum[1] += p.g, sum[2] += p.r, sum[3] += p.a;
          }
        const int n = factor * factor;
        expected.SetBgra(x, y, Bgra{static_cast<std::uint8_t>(sum[0] / n), static_cast<std::uint8_t>(sum[1] / n),
                                    static_cast<std::uint8_t>(sum[2] / n), static_cast<std::uint8_t>(sum[3] / n)});
      }
    EXPECT_EQ(PixelsDiffering(*reduced, expected), 0);
    const Bgra edge = reduced->GetBgra(30, 30);
    EXPECT_EQ(edge.a, 255);
  }
}

struct SizeCase {
  int width, height, factor;
  double lineScale;
  int renderWidth, renderHeight, renderFactor;
  double viewLineScale;
};

TEST_F(RenderTest, TheRenderSizeIsHeldToFourThousandPixelsAndFourTimes) {
  const SizeCase cases[] = {
      {1200, 900, 4, 1.0, 3600, 2700, 3, 3.0},  // 4800 is too wide; one step down fits
      {1500, 1000, 4, 1.0, 3000, 2000, 2, 2.0},
      {5000, 3000, 1, 1.0, 3999, 2399, 0, 1.0},  // no factor: cut to 3999 on the larger side
      {8000, 10, 0, 1.0, 3999, 4, 0, 1.0},
      {100, 50, 1, 2.0, 100, 50, 0, 2.0},  // factor 1 is none
      {100, 80, 5, 1.0, 400, 320, 4, 4.0},  // at most 4 times
      {100, 80, 9, 0.5, 400, 320, 4, 2.0},
      {0, -5, 0, 1.0, 1, 1, 0, 1.0},
  };
  auto figure = facadetest::CubeShape({0.5, 0.5, 0.5}, 1.0);
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " x " << c.factor);
    figure->GetView().SetOutputSize(c.width, c.height, c.factor, c.lineScale);
    platform::RECT rect;
    int factor = -1;
    figure->GetView().GetRenderRect(rect, factor);
    EXPECT_EQ(rect.Width(), c.renderWidth);
    EXPECT_EQ(rect.Height(), c.renderHeight);
    EXPECT_EQ(factor, c.renderFactor);
    EXPECT_EQ(figure->GetView().View().GetLineScale(), c.viewLineScale);
    int width = 0, height = 0, asked = 0;
    double lineScale = 0;
    figure->GetView().GetOutputSize(width, height, asked, lineScale);
    if (c.width > 0) {
      EXPECT_EQ(width, c.width);
    }
    EXPECT_EQ(asked, c.factor);
    EXPECT_EQ(lineScale, c.lineScale);
  }
}

// Page points are pixels of the asked size: the render's scale follows
// every cut, the 4000-pixel cut included.
TEST_F(RenderTest, ThePixelScaleFollowsTheRenderSize) {
  auto figure = facadetest::CubeShape({0.5, 0.5, 0.5}, 1.0);
  figure->GetView().SetOutputSize(50, 40, 5, 1.0);
  const Image* picture = figure->GetView().GetImage(false);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Width(), 50);
  EXPECT_EQ(picture->Height(), 40);
  EXPECT_GT(OpaquePixels(*picture), 50) << "a factor above 4 still gives a picture";
  SavePicture(*picture, "cube_factor_5");
  EXPECT_EQ(figure->GetView().GetPixelScaleX(), 250.0 / 200.0);
  EXPECT_EQ(figure->GetView().GetPixelScaleY(), 200.0 / 160.0);

  figure->GetView().SetOutputSize(5000, 3000, 1, 1.0);
  ASSERT_NE(figure->GetView().GetImage(false), nullptr);
  EXPECT_EQ(figure->GetView().GetPixelScaleX(), 5000.0 / 3999.0);
  EXPECT_EQ(figure->GetView().GetPixelScaleY(), 3000.0 / 2399.0);
}

TEST_F(RenderTest, RendersOfTheSameSizeKeepTheirSurfaces) {
  auto figure = facadetest::CubeShape({0.5, 0.5, 0.5}, 1.0);
  facade::KxLibV& v = figure->GetView();
  ASSERT_NE(v.GetImage(false), nullptr);
  const std::uint8_t* surface = v.Renderer().WhiteBitmap().Bits();
  const platform::GlContext* context = v.View().GetContext();
  v.SetCameraAngles(0.9, -0.3, 0.0);
  EXPECT_FALSE(v.IsImageValid());
  ASSERT_NE(v.GetImage(false), nullptr);
  EXPECT_EQ(v.Renderer().WhiteBitmap().Bits(), surface);
  EXPECT_EQ(v.View().GetContext(), context);
  EXPECT_TRUE(v.IsImageValid());
}

// The same render size with and without a factor: the picture handed out
// is the one of the current setting.
TEST_F(RenderTest, AChangeOfFactorAloneGivesTheRightPicture) {
  auto figure = facadetest::CubeShape({0.5, 0.5, 0.5}, 1.0);
  facade::KxLibV& v = figure->GetView();
  v.SetOutputSize(100, 100, 2, 1.0);
  const Image* reduced = v.GetImage(false);
  ASSERT_NE(reduced, nullptr);
  EXPECT_EQ(reduced->Width(), 100);
  v.SetOutputSize(200, 200, 0, 1.0);
  const Image* full = v.GetImage(false);
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(full->Width(), 200);
  v.SetOutputSize(100, 100, 2, 1.0);
  reduced = v.GetImage(false);
  ASSERT_NE(reduced, nullptr);
  EXPECT_EQ(reduced->Width(), 100);
  EXPECT_EQ(Centre(*reduced).a, 255);
}

// An object whose drawing runs out of memory the first time.
class FailingOnce : public engine::MObject {
 public:
  void GetLocalBounds(engine::BoundsRecord& out) override { out = {0, 0, 0, 1, 1, 1, 0}; }
  void DrawBody(engine::QView*, const engine::DrawRecord&) override {
    if (fail) engine::EngRecordFailure(engine::kEngReasonOutOfMemory);
    fail = false;
  }
  bool fail = true;
};

TEST_F(RenderTest, AFailedRenderIsNotTakenForAPicture) {
  auto figure = facadetest::CubeShape({0.5, 0.5, 0.5}, 1.0);
  ASSERT_TRUE(standardscene::AddToScene(*figure->GetScene(), new FailingOnce()));
  EXPECT_EQ(figure->GetView().Render(false), facade::kFacadeFailed);
  EXPECT_EQ(FailState(), 0);
  EXPECT_FALSE(figure->GetView().IsImageValid());
  const Image* picture = figure->GetView().GetImage(false);
  ASSERT_NE(picture, nullptr) << "the next request renders again";
  EXPECT_EQ(Centre(*picture).a, 255);
}

TEST_F(RenderTest, TheStandardFigureMatchesItsGoldenPicture) {
  auto figure = facadetest::StandardFigure(120, 160);
  const Image* picture = figure->GetView().GetImage(false);
  ASSERT_NE(picture, nullptr);
  const std::string written = SavePicture(*picture, "standard_figure");
  const std::string golden = std::string(std::getenv("PENNET_SOURCE_DIR") ? std::getenv("PENNET_SOURCE_DIR")
                                                                          : PENNET_SOURCE_DIR_FALLBACK) +
                             "/tests/facade/golden/standard_figure.png";
  if (std::getenv("PENNET_UPDATE_GOLDEN")) {
    std::filesystem::copy_file(written, golden, std::filesystem::copy_options::overwrite_existing);
    return;
  }
  Image expected;
  ASSERT_TRUE(platform::LoadImageFile(golden, expected)) << golden;
  ASSERT_EQ(expected.Width(), picture->Width());
  EXPECT_LE(testsupport::PixelsOffGolden(*picture, expected, 4), 30);
}

}  // namespace
