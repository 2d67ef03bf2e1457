// The render interface: the base renderer's inert defaults and the
// constant-width projection that renderers share.
#include <gtest/gtest.h>

#include <vector>

#include "engine/core/EngMath.h"
#include "engine/core/QImp.h"
#include "MathTestSupport.h"

namespace {

using namespace engine;

// Overrides only SetColor, to see which defaults reach it.
class ColourSpy : public QImp {
 public:
  void SetColor(float r, float g, float b) override { colours.push_back({r, g, b}); }
  std::vector<std::vector<float>> colours;
};

TEST(QImpTest, BaseRendererDrawsNothingAndTakesNoOptionalPath) {
  ColourSpy renderer;
  QImp& base = renderer;
  EXPECT_EQ(base.GetRendererKind(), kRendererBase);
  EXPECT_TRUE(base.CreateContext(nullptr, 0, nullptr));
  EXPECT_FALSE(base.KeepsOverlayLines());
  EXPECT_FALSE(base.IsIndexedOutput());
  EXPECT_EQ(base.NextVertexIndex(), 0);
  EXPECT_EQ(base.SetFaceCount(12), 0);
  EXPECT_FALSE(base.SkipsFaces());
  EXPECT_FALSE(base.BeginRedraw());
  EXPECT_TRUE(base.IsDisplayListMissing(nullptr));

  // Queries leave what they are given as it was.
  int x = 7, y = 8, w = 9, h = 10;
  base.GetViewport(&x, &y, &w, &h);
  base.GetMaxViewport(&w, &h);
  EXPECT_EQ(std::vector<int>({x, y, w, h}), std::vector<int>({7, 8, 9, 10}));
  double m[16] = {};
  m[5] = 3.0;
  base.GetMatrices(m);
  EXPECT_EQ(m[5], 3.0);

  // Only the two colour forms reach SetColor; nothing else draws.
  const float p[3] = {1, 2, 3}, n[3] = {0, 0, 1}, t[2] = {0, 1};
  base.SetDrawingMode(kDrawFilledLit);
  base.SetMatrixMode(7);
  base.PushMatrix();
  base.MultMatrix(m);
  base.DrawTriangle(p, p, p);
  base.DrawTriangleNormals(p, n, p, n, p, n);
  base.DrawTriangleTextured(p, n, t, p, n, t, p, n, t);
  base.DrawQuad(p, p, p, p);
  base.DrawLine(p, p);
  base.DrawLineStrip(1, p);
  base.DrawPoint(1, 2, 3);
  base.FillToneBands(3, nullptr, nullptr, false, nullptr, nullptr, 0, 0, 1, nullptr, nullptr);
  base.PopMatrix();
  EXPECT_TRUE(renderer.colours.empty());
  const float rgb[3] = {0.25f, 0.5f, 0.75f};
  base.SetColorVec(rgb);
  base.SetMarkerColor(1.0f, 0.0f, 0.5f);
  EXPECT_EQ(renderer.colours, (std::vector<std::vector<float>>{{0.25f, 0.5f, 0.75f}, {1.0f, 0.0f, 0.5f}}));

  // Constant-width lines drawn through the base have no width.
  const double segment[6] = {0, 0, 10, 1, 0, 10};
  const PointRecord offset{0, 1, 0};
  double scales[2] = {5, 5};
  PointRecord direction{9, 9, 9};
  EXPECT_TRUE(base.ProjectWidthScale(nullptr, segment, &offset, scales, &direction, nullptr));
  EXPECT_EQ(scales[0], 0.0);
  EXPECT_EQ(scales[1], 0.0);
  EXPECT_TRUE(mathtest::PointNear(direction, {0, 0, 1}, 0.0));
}

// A perspective projection with w = z and `pixels` screen units per unit
// of x / z.
MatrixRecord Perspective(double pixels) {
  MatrixRecord m{};
  m.m[0][0] = pixels;
  m.m[1][1] = pixels;
  m.m[2][2] = 1.0;
  m.m[2][3] = 1.0;
  m.flag = 0;
  return m;
}

TEST(QImpTest, ProjectWidthScaleGivesTheWorldLengthOfAPixelAtEachEnd) {
  struct Case {
    const char* what;
    MatrixRecord projection;
    double segment[6];
    PointRecord offset;
    int tiles;
    bool drawn;
    double scale0, scale1;
    PointRecord direction;
  };
  MatrixRecord parallel = mathtest::Identity();
  parallel.m[0][0] = parallel.m[1][1] = 2.0;
  parallel.flag = 1;
  const Case cases[] = {
      {"both ends at depth 10", Perspective(100), {0, 0, 10, 1, 0, 10}, {0, 1, 0}, 0, true, 0.1, 0.1, {1, 0, 0}},
      {"the far end at depth 20", Perspective(100), {0, 0, 10, 0, 2, 20}, {1, 0, 0}, 0, true, 0.1, 0.2, {0, 1, 0}},
      {"three tiles", Perspective(100), {0, 0, 10, 1, 0, 10}, {0, 1, 0}, 3, true, 0.3, 0.3, {1, 0, 0}},
      {"an end behind the eye", Perspective(100), {0, 0, -5, 1, 0, 10}, {0, 1, 0}, 0, true, 0.0, 0.1, {1, 0, 0}},
      // On the axis an offset along the view does not move on screen; beside
      // it, it does.
      {"an offset along the view", Perspective(100), {0, 0, 10, 1, 0, 10}, {0, 0, 1}, 0, true, 0.0, 1.0, {1, 0, 0}},
      {"parallel projection", parallel, {0, 0, 3, 0, -5, 9}, {1, 0, 0}, 0, true, 0.5, 0.5, {0, -1, 0}},
      {"shorter than a tenth of a pixel", Perspective(100), {0, 0, 10, 0.005, 0, 10}, {0, 1, 0}, 0, false, 0.1, 0.1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    double scales[2] = {-1, -1};
    PointRecord direction{-7, -7, -7};
    const bool drawn = QImpProjectWidthScale(c.projection, c.segment, c.offset, scales, direction, c.tiles);
    EXPECT_EQ(drawn, c.drawn);
    EXPECT_NEAR(scales[0], c.scale0, 1e-6);
    EXPECT_NEAR(scales[1], c.scale1, 1e-6);
    if (c.drawn) {
      EXPECT_TRUE(mathtest::PointNear(direction, c.direction, 1e-12));
    }
  }
}

}  // namespace
