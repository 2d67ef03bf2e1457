// Mesh drawing through the render interface: which passes run for each view
// setting and in which order, how faces reach the renderer, the line passes,
// section lines, overlay segments and line classes.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/core/MGroupObj.h"
#include "engine/mesh/MeshDrawing.h"
#include "meshkit/MeshTestSupport.h"

namespace {

using engine::PointRecord;
using meshkit::MeshFixture;
using testsupport::RecordingQImp;

class MeshDrawTest : public meshkit::MeshTest {
 protected:
  void SetUp() override {
    MeshTest::SetUp();
    view_.recorder.rendererKind = engine::kRendererOpenGL;
  }
  // Draws the mesh's body with a view frame looking down -z from z = 5.
  void DrawBody(engine::MMeshObj& mesh) {
    view_.recorder.Clear();
    mesh.DrawBody(&view_, Record());
  }
  static engine::DrawRecord Record() { return {{0.5, 0.5, 5}, {0.5, 0.5, 0}, {0, 0, 0}, {0, 0.25, 0}}; }
  // The calls that tell the passes apart, consecutive repeats folded.
  std::string Passes() const {
    static const std::set<std::string> kMarkers = {
        "BeginMesh",    "SetFacePass",     "SetShadeModel", "FillToneBands", "DrawTriangleNormals",
        "DrawQuadNormals", "DrawLineStrip", "DrawLine",      "DrawQuad",      "SetPolygonOffset",
        "SetToneParameters"};
    std::string out;
    std::string last;
    for (const auto& call : view_.recorder.calls) {
      if (kMarkers.count(call.name) == 0) continue;
      std::string item = call.name;
      if (call.name == "SetShadeModel" || call.name == "SetFacePass" || call.name == "SetPolygonOffset")
        item += "(" + std::to_string(int(call.values[0])) + ")";
      if (item == last) continue;
      out += (out.empty() ? "" : " ") + item;
      last = item;
    }
    return out;
  }
};

// ---- the pass table --------------------------------------------------------------

TEST_F(MeshDrawTest, PassesFollowTheViewSettings) {
  struct Case {
    const char* what;
    int rendererKind, drawMode, quick, faceStyle, lineStyle, lineDisplayMode;
    bool slow, sections;
    const char* passes;
  };
  const Case cases[] = {
      {"shaded: smooth triangles, then chained strips", 0, 2, 0, 1, 1, 1, false, false,
       "SetShadeModel(1) DrawTriangleNormals DrawLineStrip"},
      {"flat: one quadrilateral per quad", 0, 4, 0, 1, 1, 1, false, false, "SetShadeModel(0) DrawQuadNormals DrawLineStrip"},
      {"plain line display", 0, 2, 0, 1, 1, 0, false, false, "SetShadeModel(1) DrawTriangleNormals DrawLine"},
      {"section lines after the faces", 0, 4, 0, 1, 1, 1, false, true,
       "SetShadeModel(0) DrawQuadNormals DrawLine DrawLineStrip"},
      {"mode 0 draws no faces", 0, 0, 0, 1, 1, 1, false, false, "DrawLineStrip"},
      {"quick-draw levels 1 to 3 draw nothing", 0, 2, 2, 1, 1, 1, false, false, ""},
      {"quick-draw level 4: lines by class", 0, 2, 4, 1, 1, 1, false, false, "DrawLine"},
      {"a slow frame: strips only", 0, 2, 0, 1, 1, 1, true, false, "DrawLineStrip"},
      {"page style, plain faces and ribbons", 0, 6, 0, 1, 1, 1, false, false,
       "SetShadeModel(1) DrawTriangleNormals SetPolygonOffset(0) DrawQuad SetPolygonOffset(1)"},
      {"page style 5: flat faces", 0, 6, 0, 5, 1, 1, false, false,
       "SetShadeModel(0) DrawQuadNormals SetPolygonOffset(0) DrawQuad SetPolygonOffset(1)"},
      {"page style, toned faces", 0, 6, 0, 2, 1, 1, false, false,
       "SetToneParameters SetShadeModel(0) FillToneBands SetPolygonOffset(0) DrawQuad SetPolygonOffset(1)"},
      {"page style, plain lines", 0, 6, 0, 0, 6, 1, false, false, "DrawLine"},
      {"page style without faces or lines", 0, 6, 0, 0, 0, 1, false, false, ""},
      {"export path brackets the faces", 1, 2, 3, 1, 1, 1, true, false,
       "BeginMesh SetFacePass(1) SetShadeModel(1) DrawTriangleNormals SetFacePass(0) DrawLineStrip"},
  };
  MeshFixture f = meshkit::MakeCube(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    view_.recorder.rendererKind = c.rendererKind;
    view_.drawMode = c.drawMode;
    view_.quickDrawLevel = c.quick;
    view_.pageFaceStyle = c.faceStyle;
    view_.pageLineStyle = c.lineStyle;
    view_.renderSlow = c.slow;
    view_.outlineShown = c.sections;
    prefs_.lineDisplayMode = c.lineDisplayMode;
    DrawBody(*f);
    EXPECT_EQ(Passes(), c.passes);
    EXPECT_EQ(FailState(), 0);
  }
}

TEST_F(MeshDrawTest, FacePassRestoresTheRendererState) {
  MeshFixture f = meshkit::MakeCube(true);
  view_.drawMode = 6;
  view_.pageFaceStyle = 2;
  view_.pageLineStyle = 0;
  DrawBody(*f);
  const auto names = view_.recorder.Names();
  ASSERT_GE(names.size(), 4u);
  // Toned: lighting off before the faces, back on after; texturing and
  // culling off at the end.
  EXPECT_EQ(names[names.size() - 3], "EnableTexture");
  EXPECT_EQ(names[names.size() - 2], "LightingOn");
  EXPECT_EQ(names.back(), "SetCullMode");
  EXPECT_EQ(view_.recorder.calls.back().values[0], 0);
  EXPECT_EQ(view_.recorder.Count("FillToneBands"), 12);
  EXPECT_EQ(view_.cullModesApplied, std::vector<bool>{false});
}

TEST_F(MeshDrawTest, ShadowOnlyMeshesAreLeftOutInModesThreeAndSix) {
  MeshFixture f = meshkit::MakeCube(true);
  f->shadowInfo.shadowMode = 2;
  f->shadowInfo.shadowOnly = 1;
  for (int mode : {3, 6}) {
    view_.drawMode = mode;
    DrawBody(*f);
    EXPECT_TRUE(view_.recorder.calls.size() <= 1u) << view_.recorder.ToString();
  }
}

// ---- faces --------------------------------------------------------------------

TEST_F(MeshDrawTest, TransparentFacesGoToTheDeferredListAQuadOnce) {
  MeshFixture f = meshkit::MakeCube(true);
  f.shader->opacity = 0.5;
  view_.drawMode = 4;  // flat
  DrawBody(*f);
  EXPECT_EQ(view_.deferred.size(), 6u);
  EXPECT_EQ(view_.recorder.Count("DrawQuadNormals"), 0);
  view_.deferred.clear();
  view_.drawMode = 2;  // smooth: each triangle
  DrawBody(*f);
  EXPECT_EQ(view_.deferred.size(), 12u);
  for (const auto& d : view_.deferred) {
    EXPECT_EQ(d.object, f.mesh.get());
    EXPECT_NE(d.face, nullptr);
  }
}

TEST_F(MeshDrawTest, ReversedFaceOrderNegatesTheNormals) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  for (bool flipped : {false, true}) {
    view_.faceOrderFlipped = flipped;
    DrawBody(*f);
    const auto* triangle = view_.recorder.Find("DrawTriangleNormals");
    ASSERT_NE(triangle, nullptr);
    EXPECT_EQ(triangle->values[5], flipped ? -1.0 : 1.0);  // the first corner's normal z
  }
}

TEST_F(MeshDrawTest, TextureCoordinatesReachTheRendererWithOneAddedToV) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  meshkit::GiveTexture(f);
  view_.drawMode = 4;
  DrawBody(*f);
  const auto* quad = view_.recorder.Find("DrawQuadTextured");
  ASSERT_NE(quad, nullptr);
  // Each corner: point (3), normal (3), texture (2); u = x and v = y + 1.
  for (int k = 0; k < 4; ++k) {
    const double* corner = &quad->values[8 * k];
    EXPECT_DOUBLE_EQ(corner[6], corner[0]);
    EXPECT_DOUBLE_EQ(corner[7], corner[1] + 1.0);
  }
  EXPECT_EQ(view_.recorder.Find("SetMaterial")->values[2], 1.0);  // textured
  EXPECT_EQ(view_.recorder.Find("EnableTexture")->values[0], 1.0);
}

// ---- lines ---------------------------------------------------------------------

TEST_F(MeshDrawTest, WidthZeroLinesAreDrawnOnlyAsThinLines) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  prefs_.lineDisplayMode = 0;
  for (engine::MLine* line : f->lines) line->flags &= ~engine::kLineWidthMask;
  DrawBody(*f);
  EXPECT_EQ(view_.recorder.Count("DrawLine"), 0);
  view_.thinLines = true;
  DrawBody(*f);
  EXPECT_EQ(view_.recorder.Count("DrawLine"), 5);
  for (const auto& call : view_.recorder.calls)
    if (call.name == "SetLineWidth") {
      EXPECT_EQ(call.values[0], 1.0);
    }
}

TEST_F(MeshDrawTest, ChainedLinesDrawSpecialLinesAloneAndTheRestAsStrips) {
  MeshFixture f = meshkit::MakeGrid(2, 1);
  f.Line(1, 4)->flags |= engine::kLineSharp;
  view_.drawMode = 0;
  DrawBody(*f);
  EXPECT_EQ(view_.recorder.Count("DrawLine"), 1);
  // Every other line is in some strip exactly once: 9 lines in all.
  int segments = 0;
  for (const auto& call : view_.recorder.calls)
    if (call.name == "DrawLineStrip") segments += int(call.values[0]) - 1;
  EXPECT_EQ(segments, 8);
}

TEST_F(MeshDrawTest, CurvesAreUniformCubicBSplines) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  const PointRecord control[4] = {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {3, 1, 0}};
  view_.recorder.Clear();
  f->DrawCurveLine(&view_, f.Line(0, 1), control);
  ASSERT_EQ(view_.recorder.Count("DrawLine"), 8);
  const auto* first = view_.recorder.Find("DrawLine");
  // t = 0: (P0 + 4 P1 + P2) / 6.
  EXPECT_NEAR(first->values[0], (0 + 4 * 1 + 2) / 6.0, 1e-6);
  EXPECT_NEAR(first->values[1], (0 + 0 + 1) / 6.0, 1e-6);
  // The start is P0 itself when P0 and P1 coincide.
  const PointRecord clamped[4] = {{0, 0, 0}, {0, 0, 0}, {2, 1, 0}, {3, 1, 0}};
  view_.recorder.Clear();
  f->DrawCurveLine(&view_, f.Line(0, 1), clamped);
  EXPECT_EQ(view_.recorder.Find("DrawLine")->values[0], 0.0);
}

TEST_F(MeshDrawTest, SectionLinesCutEveryFaceAtEachStep) {
  MeshFixture f = meshkit::MakeQuadPair(false);  // the unit square in z = 0
  view_.recorder.Clear();
  f->DrawSectionLines(&view_, Record());  // planes y = 0, 0.25, 0.5, 0.75
  // Each plane crosses both triangles (y = 1 ends the spans).
  EXPECT_EQ(view_.recorder.Count("DrawLine"), 8);
  EXPECT_EQ(view_.recorder.Find("SetColorVec")->values, (std::vector<double>{0.25, 0.5, 0.75}));
  // A step of no length draws nothing (and does not divide by it).
  engine::DrawRecord still = Record();
  still.sectionStep = still.sectionOrigin;
  view_.recorder.Clear();
  f->DrawSectionLines(&view_, still);
  EXPECT_EQ(view_.recorder.Count("DrawLine"), 0);
  // A tiny step is held to the cap per face.
  engine::DrawRecord fine = Record();
  fine.sectionStep = {0, 1e-7, 0};
  view_.recorder.Clear();
  f->DrawSectionLines(&view_, fine);
  EXPECT_EQ(view_.recorder.Count("DrawLine"), 2 * engine::kMaxSectionsPerFace);
}

TEST_F(MeshDrawTest, VertexPointsFollowTheDisplayMode) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f.Vertex(5, 5, 0);
  f.Vertex(6, 5, 0);
  f->AddLine(f.v[4], f.v[5], nullptr, nullptr, nullptr, nullptr);  // a free line
  for (int mode : {1, 2, 3}) {
    prefs_.vertexDisplayMode = mode;
    view_.pointMarkers.clear();
    f->DrawVertexPoints(&view_, Record());
    EXPECT_EQ(view_.pointMarkers.size(), mode == 1 ? 0u : (mode == 2 ? 2u : 6u)) << mode;
  }
}

// ---- overlays ------------------------------------------------------------------

TEST_F(MeshDrawTest, LineSegmentsAreThinnedBeyondAThousandKeepingBorders) {
  MeshFixture f = meshkit::MakeGrid(30, 30);
  engine::LineSegArray out;
  const engine::MatrixRecord identity{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}, 0};
  f->CollectLineSegments(out, identity, &view_);
  int border = 0, total = 0;
  for (engine::MLine* line : f->lines) {
    ++total;
    border += (line->forwardFace == nullptr || line->backwardFace == nullptr) ? 1 : 0;
  }
  EXPECT_LT(out.count, total);
  EXPECT_GT(out.count, 1000);
  int keptBorders = 0;
  for (int i = 0; i < out.count; ++i) {
    const auto& s = out[i];
    const bool onBorder = (s.from.x == s.to.x && (s.from.x == 0 || s.from.x == 30)) ||
                          (s.from.y == s.to.y && (s.from.y == 0 || s.from.y == 30));
    keptBorders += onBorder ? 1 : 0;
    EXPECT_EQ(s.kind, 5);
  }
  EXPECT_EQ(keptBorders, border);
}

TEST_F(MeshDrawTest, SelectedLinesAreSilhouetteSegmentsByTheirFaces) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f.Line(0, 1)->flags |= engine::kLineSelected;
  f.Line(0, 2)->flags |= engine::kLineSelected;
  f.v[3]->flags |= engine::kVertexSelected;
  engine::LineSegArray out;
  const engine::MatrixRecord identity{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}, 0};
  f->CollectSilhouetteSegments(out, identity, &view_);
  ASSERT_EQ(out.count, 3);
  std::multiset<int> kinds;
  for (int i = 0; i < out.count; ++i) kinds.insert(out[i].kind);
  // Facing faces (counter-clockwise with y up, so turned on a y-down
  // screen): the border line and the inner line both meet a turned face.
  EXPECT_EQ(kinds.count(2), 1u);
  EXPECT_EQ(kinds.count(0) + kinds.count(1), 2u);
}

// ---- bounds ----------------------------------------------------------------------

TEST_F(MeshDrawTest, LocalBoundsFollowTheVertices) {
  MeshFixture f = meshkit::MakeCube(false);
  engine::BoundsRecord box;
  f->GetLocalBounds(box);
  EXPECT_EQ(box.empty, 0);
  EXPECT_EQ(box.minX, 0.0);
  EXPECT_EQ(box.maxZ, 1.0);
  f.v[6]->SetPosition({2, 3, 4});
  f->MarkChanged();
  f->GetLocalBounds(box);
  EXPECT_EQ(box.maxX, 2.0);
  EXPECT_EQ(box.maxY, 3.0);
  EXPECT_EQ(box.maxZ, 4.0);
}

TEST_F(MeshDrawTest, TransformedVerticesKeepTheMirrorPlane) {
  MeshFixture f = meshkit::MakeMirrorHalf();
  engine::MatrixRecord m{{{2, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {3, 4, 5, 1}}, 0};
  f->TransformVertices(m);
  EXPECT_EQ(f.v[0]->position.x, 0.0);  // on the mirror plane
  EXPECT_EQ(f.v[1]->position.x, 5.0);
  EXPECT_EQ(f.v[1]->position.z, 5.0);
}

// ---- line classes ----------------------------------------------------------------

TEST_F(MeshDrawTest, LineClassesByColourKindGroupAndFaces) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  engine::MLine* inner = f.Line(0, 2);  // two faces
  engine::MLine* border = f.Line(0, 1);
  engine::MGroup* group = f->AddGroup();
  struct Case {
    unsigned char r, g, b;
    bool grouped, inside;
    int mode4, mode5;
  };
  const Case cases[] = {
      {255, 0, 0, false, true, 3, 1},   {255, 0, 0, true, true, 0, 0},   {255, 0, 0, true, false, 1, 1},
      {0, 0, 255, false, true, 5, 1},   {255, 0, 255, true, true, 1, 1}, {255, 0, 255, false, true, 4, 1},
      {0, 255, 255, false, true, 1, 2}, {0, 255, 0, false, true, 4, 1},  {255, 255, 0, true, true, 1, 2},
      {0, 0, 0, false, true, 2, 1},     {128, 0, 0, false, true, 2, 1},  {129, 0, 0, false, true, 3, 1},
  };
  for (const Case& c : cases) {
    engine::MLine* line = c.inside ? inner : border;
    line->colourR = c.r;
    line->colourG = c.g;
    line->colourB = c.b;
    line->group = c.grouped ? group : nullptr;
    SCOPED_TRACE(testing::Message() << int(c.r) << "," << int(c.g) << "," << int(c.b) << " group " << c.grouped);
    EXPECT_EQ(engine::BoneFeatLineClass(line, 4), c.mode4);
    EXPECT_EQ(engine::BoneFeatLineClass(line, 5), c.mode5);
    EXPECT_EQ(engine::BoneFeatLineClass(line, 7), 1);
    line->group = nullptr;
  }
}

}  // namespace
