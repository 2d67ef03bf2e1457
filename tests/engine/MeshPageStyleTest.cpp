// The page drawing style: tone levels and their set-up, the cutting of a
// polygon into tone bands, and the outline ribbons with their widths and
// joins.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/mesh/MeshDrawing.h"
#include "engine/mesh/MeshToneFill.h"
#include "meshkit/MeshTestSupport.h"

namespace {

using engine::MeshToneState;
using engine::PointRecord;
using meshkit::MeshFixture;

class MeshPageStyleTest : public meshkit::MeshTest {
 protected:
  void SetUp() override {
    MeshTest::SetUp();
    saved_ = engine::MeshToneStateOf();
    view_.recorder.rendererKind = engine::kRendererOpenGL;
  }
  void TearDown() override {
    engine::MeshToneStateOf() = saved_;
    engine::EngContext().renderScale = 1.0;
    MeshTest::TearDown();
  }
  MeshToneState saved_;
};

// ---- tone levels ------------------------------------------------------------------

TEST_F(MeshPageStyleTest, ToneLevelsFollowTheViewsToneValues) {
  struct Case {
    const char* what;
    int toneSwitch, faceStyle;
    double light, contrast;
    float t[3], f[4];
  };
  const Case cases[] = {
      {"no tone switch: multiplied factors", 0, 2, 35, 50, {0.4f, 0.85f, 0.85f}, {0.6f, 0.9f, 0.9f, 0.95f}},
      {"tone switch: added offsets", 1, 2, 35, 50, {-0.1f, 0.8f, 0.8f}, {-0.15f, 0, 0, 0.15f}},
      {"style 3: no darkest level", 1, 3, 35, 50, {-100, 0.8f, 0.8f}, {-0.15f, 0, 0, 0.15f}},
      {"style 4: one flat tone", 1, 4, 35, 50, {-100, 100, 100}, {-0.15f, 0, 0, 0.15f}},
      {"darker light raises every threshold", 1, 2, 15, 50, {0.4f, 1.3f, 1.3f}, {-0.15f, 0, 0, 0.15f}},
      {"darkest light: all thresholds at 0.98", 0, 2, 0, 50, {0.98f, 0.98f, 0.98f}, {0.6f, 0.9f, 0.9f, 0.95f}},
      {"brightest light", 0, 2, 70, 50, {0.05f, 0.4f, 0.85f}, {0.6f, 0.9f, 0.9f, 0.95f}},
      {"full contrast", 0, 2, 35, 100, {0.4f, 0.85f, 0.85f}, {0.24f, 1.2f, 1.2f, 1.2f}},
      {"no contrast", 0, 2, 35, 0, {0.4f, 0.85f, 0.85f}, {0.6f, 0.6f, 0.6f, 0.6f}},
      {"tone switch, more contrast", 1, 2, 35, 75, {-0.1f, 0.8f, 0.8f}, {-0.65f, 0, 0, 0.65f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    view_.pageToneSwitch = c.toneSwitch;
    view_.pageFaceStyle = c.faceStyle;
    view_.toneLights[0] = c.light;
    view_.toneContrast = c.contrast;
    view_.recorder.Clear();
    engine::MeshSetupToneLevels(&view_);
    const MeshToneState& s = engine::MeshToneStateOf();
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(s.thresholds[i], c.t[i], 1e-5) << i;
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(s.factors[i], c.f[i], 1e-5) << i;
    ASSERT_EQ(view_.recorder.Count("SetToneParameters"), 1);
    EXPECT_EQ(view_.recorder.Find("SetToneParameters")->values, (std::vector<double>{c.light, c.contrast}));
  }
}

TEST_F(MeshPageStyleTest, ALevelIsCountedFromTheThresholds) {
  engine::MeshToneStateOf().thresholds[0] = 0.2f;
  engine::MeshToneStateOf().thresholds[1] = 0.5f;
  engine::MeshToneStateOf().thresholds[2] = 0.8f;
  const struct {
    float value;
    int level;
  } cases[] = {{0.1f, 0}, {0.2f, 1}, {0.5f, 1}, {0.6f, 2}, {0.8f, 2}, {0.9f, 3}};
  for (const auto& c : cases) EXPECT_EQ(engine::MeshToneLevelOf(c.value), c.level) << c.value;
}

// Collects the bands of a cutting.
struct Bands : engine::MeshToneSink {
  struct Band {
    int level;
    std::vector<double> points;
    std::vector<float> tex;
  };
  std::vector<Band> bands;
  void Band(int level, int count, const double* points, const float* textureCoords) override {
    bands.push_back({level, std::vector<double>(points, points + 3 * count),
                     textureCoords ? std::vector<float>(textureCoords, textureCoords + 2 * count) : std::vector<float>{}});
  }
  static double Area(const std::vector<double>& p) {
    double twice = 0;
    const std::size_t n = p.size() / 3;
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t j = (i + 1) % n;
      twice += p[3 * i] * p[3 * j + 1] - p[3 * j] * p[3 * i + 1];
    }
    return twice / 2;
  }
};

TEST_F(MeshPageStyleTest, ATriangleShadedFromLevelZeroToThreeIsCutIntoFourBands) {
  MeshToneState& s = engine::MeshToneStateOf();
  s.thresholds[0] = 0.2f, s.thresholds[1] = 0.5f, s.thresholds[2] = 0.8f;
  // Values 0 at (0,0), 1 at (1,0), 0.5 at (0,1) against the eye (0, 0, 1).
  const double points[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  const double normals[9] = {0, 0, 0, 0, 0, 1, 0, 0, 0.5};
  const float tex[6] = {0, 0, 1, 0, 0, 1};
  Bands out;
  engine::MeshCutToneBands(3, points, normals, true, tex, 0, 0, 1, out);
  ASSERT_EQ(out.bands.size(), 4u);
  double total = 0;
  for (int level = 0; level < 4; ++level) {
    const auto& band = out.bands[level];
    EXPECT_EQ(band.level, level);
    EXPECT_GE(band.points.size() / 3, 3u);
    total += Bands::Area(band.points);
    // Texture coordinates are interpolated as the points are (here u = x, v = y).
    for (std::size_t i = 0; i < band.points.size() / 3; ++i) {
      EXPECT_NEAR(band.tex[2 * i], band.points[3 * i], 1e-6);
      EXPECT_NEAR(band.tex[2 * i + 1], band.points[3 * i + 1], 1e-6);
    }
  }
  EXPECT_NEAR(total, 0.5, 1e-6);  // the bands tile the triangle
  // The level-3 band is the corner beyond x = 0.8 along the bottom edge.
  EXPECT_NEAR(Bands::Area(out.bands[3].points), 0.5 * 0.2 * 0.4, 1e-6);
  // All corners on one level: the polygon at once.
  Bands flat;
  const double same[12] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
  const double quad[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  engine::MeshCutToneBands(4, quad, same, false, nullptr, 0, 0, 1, flat);
  ASSERT_EQ(flat.bands.size(), 1u);
  EXPECT_EQ(flat.bands[0].level, 3);
  EXPECT_EQ(flat.bands[0].points.size(), 12u);
}

TEST_F(MeshPageStyleTest, BandColoursUseTheFactorsOrTheMaterialsColourPair) {
  MeshToneState& s = engine::MeshToneStateOf();
  const float colour[4] = {0.5f, 0.5f, 0.95f, 0.7f};
  float out[4];
  s.style = 0;
  s.factors[0] = 0.6f;
  engine::MeshToneColour(0, colour, nullptr, out);
  EXPECT_FLOAT_EQ(out[0], 0.3f);
  EXPECT_FLOAT_EQ(out[3], 0.7f);
  s.style = 2;
  s.factors[3] = 0.15f;
  engine::MeshToneColour(3, colour, nullptr, out);
  EXPECT_FLOAT_EQ(out[0], 0.65f);
  EXPECT_FLOAT_EQ(out[2], 1.0f);  // clamped
  engine::MShader pair;
  pair.usesColorPair = 1;
  pair.toneColorA = {0.1, 0.2, 0.3};
  pair.toneColorB = {0.9, 0.8, 0.7};
  engine::MeshToneColour(0, colour, &pair, out);
  EXPECT_FLOAT_EQ(out[1], 0.2f);
  engine::MeshToneColour(3, colour, &pair, out);
  EXPECT_FLOAT_EQ(out[1], 0.8f);
  engine::MeshToneColour(1, colour, &pair, out);
  EXPECT_FLOAT_EQ(out[1], 0.5f);
  EXPECT_FLOAT_EQ(out[3], 0.7f);
}

TEST_F(MeshPageStyleTest, TonedFacesTurnTheirNormalsToTheEye) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  view_.drawMode = 6;
  view_.pageFaceStyle = 2;
  view_.pageLineStyle = 0;
  view_.eyeDirection = {0, 0, 1};
  // An eye below the faces: normals (0, 0, 1) are turned round.
  f->DrawBody(&view_, {{0.5, 0.5, -5}, {0.5, 0.5, 0}, {0, 0, 0}, {0, 1, 0}});
  ASSERT_EQ(view_.recorder.Count("FillToneBands"), 2);
  const auto* call = view_.recorder.Find("FillToneBands");
  EXPECT_EQ(call->values[0], 3);
  EXPECT_EQ(call->values[1 + 9 + 2], -1.0);  // the first normal's z
  const std::size_t colourAt = 1 + 9 + 9 + 1;
  EXPECT_DOUBLE_EQ(call->values[colourAt + 3], 1.0);  // opacity
}

// ---- ribbons ----------------------------------------------------------------------

// A renderer whose constant-width projection gives one unit per pixel and
// a screen direction along x.
struct UnitWidthRenderer : testsupport::RecordingQImp {
  bool ProjectWidthScale(const engine::MatrixRecord*, const double*, const PointRecord*, double* scales,
                         PointRecord* direction, engine::QView*) override {
    scales[0] = scales[1] = 1.0;
    *direction = screen;
    ++projections;
    return true;
  }
  PointRecord screen{1, 0, 0};
  int projections = 0;
};

TEST_F(MeshPageStyleTest, RibbonWidthFactorsAndPenModes) {
  UnitWidthRenderer renderer;
  view_.renderer = &renderer;
  const double segment[6] = {0, 0, 0, 1, 0, 0};
  const PointRecord eye{0.5, 0, 5};  // the offset direction is y
  struct Case {
    double width;
    bool half;
    int pen;
    double renderScale;
    PointRecord screen;
    double halfWidth;
  };
  const Case cases[] = {
      {1, false, 1, 1, {1, 0, 0}, 0.25}, {2, false, 1, 1, {1, 0, 0}, 0.5},   {3, false, 1, 1, {1, 0, 0}, 1.0},
      {0.4, false, 1, 1, {1, 0, 0}, 0.4}, {5, true, 1, 1, {1, 0, 0}, 1.5},   {3, false, 1, 2, {1, 0, 0}, 2.0},
      {3, false, 2, 1, {1, 0, 0}, 0.3},  {3, false, 3, 1, {1, 0, 0}, 1.3},   {3, false, 2, 1, {0, 1, 0}, 1.3},
  };
  for (const Case& c : cases) {
    engine::EngContext().renderScale = c.renderScale;
    renderer.screen = c.screen;
    engine::LineRibbon r;
    ASSERT_TRUE(engine::MeshMakeLineRibbon(&view_, eye, segment, c.width, {}, c.half, r, c.pen));
    EXPECT_NEAR(std::fabs(r.t[0].y), c.halfWidth, 1e-12) << c.width << " pen " << c.pen;
    EXPECT_NEAR(r.t[0].y, -r.t[1].y, 1e-12);
    EXPECT_NEAR(r.t[5].y, r.t[0].y, 1e-12);
    EXPECT_EQ(r.t[2].x, 1.0);
    EXPECT_EQ(r.t[6].x, -1.0);
  }
}

TEST_F(MeshPageStyleTest, OutlinesDrawSilhouettesSharpLinesAndBorders) {
  UnitWidthRenderer renderer;
  view_.renderer = &renderer;
  view_.pageLineStyle = 1;
  view_.projectionKind = 1603;  // one view direction: down -z
  const engine::DrawRecord record{{0.5, 0.5, 5}, {0.5, 0.5, 0}, {0, 0, 0}, {0, 1, 0}};
  struct Case {
    const char* what;
    bool sharpDiagonal, fold, zeroWidthBorder, hiddenBorder;
    int ribbons, quads;
  };
  // Four borders (ridges, four quads each) and the diagonal: flat when it
  // is a silhouette, a ridge when sharp.
  const Case cases[] = {
      {"two faces towards the eye: no line between them", false, false, false, false, 4, 16},
      {"a sharp line between them", true, false, false, false, 5, 20},
      {"a fold: the line is a silhouette", false, true, false, false, 5, 17},
      {"width 0 and hidden lines are not drawn", false, false, true, true, 2, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MeshFixture f = meshkit::MakeQuadPair(false);
    if (c.sharpDiagonal) f.Line(0, 2)->flags |= engine::kLineSharp;
    if (c.fold) f.v[3]->position = {1.5, -0.5, 0};
    if (c.zeroWidthBorder) f.Line(0, 1)->flags &= ~engine::kLineWidthMask;
    if (c.hiddenBorder) f.Line(1, 2)->flags |= engine::kLineHidden;
    renderer.Clear();
    renderer.projections = 0;
    f->DrawPageOutlines(&view_, record);
    EXPECT_EQ(renderer.projections, c.ribbons);
    EXPECT_EQ(renderer.Count("DrawQuad"), c.quads);
    const auto names = renderer.Names();
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(names[names.size() - 3], "SetLineWidth");
    EXPECT_EQ(names[names.size() - 2], "SetPolygonOffset");
    EXPECT_EQ(names.back(), "LightingOn");
    // The lines' numbers stay below every later walk's stamp.
    const int stamp = f->TakeVisitStamp();
    for (engine::MLine* line : f->lines) EXPECT_NE(line->id, stamp);
    EXPECT_GT(stamp, 5);
  }
}

TEST_F(MeshPageStyleTest, OutlinesWithoutMemoryDrawNothingAndRestoreTheRenderer) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  view_.recorder.Clear();
  {
    engine::EngAllocFailureScope fail(1);
    f->DrawPageOutlines(&view_, {{0.5, 0.5, 5}, {0.5, 0.5, 0}, {0, 0, 0}, {0, 1, 0}});
  }
  EXPECT_EQ(FailState(), engine::kEngFailFailed);
  EXPECT_EQ(FailReason(), engine::kEngReasonOutOfMemory);
  EXPECT_EQ(view_.recorder.Count("DrawQuad"), 0);
  EXPECT_EQ(view_.recorder.Names().back(), "LightingOn");
  EXPECT_EQ(view_.recorder.Find("SetPolygonOffset", 1)->values[0], 1.0);
}

TEST_F(MeshPageStyleTest, NearlyParallelRibbonsJoinAtTheMidpointsOfTheirCorners) {
  // Two ribbons leaving a vertex at the origin in opposite directions.
  PointRecord left[4] = {{0, 1, 0}, {0, -1, 0}, {-1, 0, 0}, {-1, 0, 0}};
  PointRecord right[4] = {{0.2, -1, 0}, {0.2, 1, 0}, {1, 0, 0}, {1, 0, 0}};
  PointRecord* const ends[2] = {left, right};
  const float colour[3] = {0, 0, 0};
  view_.recorder.Clear();
  engine::MeshJoinRibbons(&view_, colour, 2, ends, 1);
  EXPECT_EQ(view_.recorder.Count("DrawTriangle"), 0);
  // Pairs A0-B1 and B0-A1 (the nearer pairing).
  EXPECT_NEAR(left[0].x, 0.1, 1e-12);
  EXPECT_NEAR(right[1].x, 0.1, 1e-12);
  EXPECT_NEAR(left[0].y, 1.0, 1e-12);
  EXPECT_NEAR(left[1].y, -1.0, 1e-12);
  // At a corner the gap is filled with a triangle for line styles below 2.
  PointRecord a[4] = {{0, 1, 0}, {0, -1, 0}, {-1, 0, 0}, {-1, 0, 0}};
  PointRecord b[4] = {{-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}};
  PointRecord* const corner[2] = {a, b};
  engine::MeshJoinRibbons(&view_, colour, 2, corner, 1);
  EXPECT_EQ(view_.recorder.Count("DrawTriangle"), 1);
  // Any other count of ribbons ends the program.
  EXPECT_TRUE(EndsInFatalExit([&] { engine::MeshJoinRibbons(&view_, colour, 3, corner, 1); }));
}

}  // namespace
