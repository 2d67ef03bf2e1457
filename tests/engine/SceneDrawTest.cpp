// The scene's drawing passes through a recording renderer: which objects
// each pass draws and with what colours, frame and matrices; the mirror
// pass putting everything back even when it fails; deferred faces drawn
// farthest first; overlay segments by overlay mode; the shadow ray cast.
#include <algorithm>
#include <string>
#include <vector>

#include "SceneTestSupport.h"
#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MShader.h"
#include "platform/GlContext.h"

namespace {

using engine::MatrixRecord;
using engine::PointRecord;
using engine::PrefColour;
using testsupport::RecordingQImp;

constexpr int kPlainLayer = 1;
constexpr int kMirrorLayer = 2;

// What a probe saw when it was drawn.
struct Visit {
  int id;
  int mirrorPass;
  PrefColour lineColour;
  int vertexDisplayMode;
  PointRecord eyeDirection;
  PointRecord frameEye;
  std::size_t callsBefore;  // renderer calls logged before the visit
};

// An object that logs its drawing, can fail it in one pass, and gives one
// overlay segment (kind 99) at its origin and a box for box segments.
class Probe : public engine::MObject {
 public:
  Probe(std::vector<Visit>* log, int id) : log_(log), id_(id) {}
  void GetLocalBounds(engine::BoundsRecord& out) override { out = {1, 0, 0, 2, 1, 1, 0}; }
  void DrawBody(engine::QView* view, const engine::DrawRecord& frame) override {
    const engine::CrPrefs& prefs = *engine::EngContext().prefs;
    auto* fake = static_cast<testsupport::FakeQView*>(view);
    log_->push_back({id_, prefs.mirrorPass, prefs.colours[engine::kColourLine], prefs.vertexDisplayMode,
                     view->GetEyeDirection(), frame.eye, fake->recorder.calls.size()});
    if (failInPass == prefs.mirrorPass) engine::EngRecordFailure(engine::kEngReasonOutOfMemory);
  }
  void CollectOverlaySegments(engine::LineSegArray& out, const MatrixRecord& parent, engine::QView*) override {
    MatrixRecord m;
    engine::MUtilMultiply(parent, matrix, m);
    PointRecord p;
    engine::MUtilTransformPoint(m, {1.5, 0, 0}, p);
    out.Add(engine::LineSegRecord{p, p, 99, 0});
  }
  int failInPass = -1;

 private:
  std::vector<Visit>* log_;
  int id_;
};

class SceneDrawTest : public scenetest::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    Reset();
  }
  // A new scene of three layers (the third a mirror layer) and a view with
  // nothing recorded; the floor grid is not shown (it draws with OpenGL).
  void Reset() {
    scene_ = std::make_unique<engine::MDocObj>();
    scene_->SetLayerCount(3);
    scene_->layers[kMirrorLayer].mirror = 1;
    visits_.clear();
    view_.recorder.Clear();
    view_.altFlags2.clear();
    view_.clearDeferredCalls = 0;
    view_.deferredList.clear();
    view_.faceOrderFlipped = false;
    view_.gridShown = false;
    view_.overlayMode = 0;
    view_.axisViewCode = -1;
    view_.eyeDirection = {0.6, 0.0, 0.8};
    engine::EngContext().ClearFailure();
  }
  Probe* AddProbe(int id, int layer) {
    auto* probe = new Probe(&visits_, id);
    Add(*scene_, probe, layer);
    return probe;
  }
  // The scene's frame: eye at (3, 4, 10) looking at the origin.
  static engine::DrawRecord Frame() { return {{3, 4, 10}, {0, 0, 0}, {0, 0, 0}, {0, 1, 0}}; }
  void Draw() { scene_->Draw(&view_, Frame()); }
  std::vector<int> PassesOf(int id) const {
    std::vector<int> passes;
    for (const Visit& v : visits_)
      if (v.id == id) passes.push_back(v.mirrorPass);
    return passes;
  }
  RecordingQImp& Recorder() { return view_.recorder; }

  std::unique_ptr<engine::MDocObj> scene_;
  std::vector<Visit> visits_;
};

TEST_F(SceneDrawTest, EachObjectIsDrawnInThePassesItsLayerAndTheFaceOrderGive) {
  struct Case {
    const char* name;
    int layer;
    bool faceOrderFlipped;
    bool allShown;
    std::vector<int> passes;
  };
  const Case cases[] = {{"plain layer", kPlainLayer, false, true, {0}},
                        {"plain layer, face order flipped", kPlainLayer, true, true, {1}},
                        {"mirror layer", kMirrorLayer, false, true, {0, 1}},
                        {"mirror layer, face order flipped", kMirrorLayer, true, true, {0, 1}},
                        {"mirror layer, not all shown", kMirrorLayer, false, false, {0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    AddProbe(1, c.layer);
    view_.faceOrderFlipped = c.faceOrderFlipped;
    scene_->SetAllShown(c.allShown);
    Draw();
    EXPECT_EQ(FailState(), 0);
    EXPECT_EQ(PassesOf(1), c.passes);
  }
}

TEST_F(SceneDrawTest, TheMirrorImageIsReflectedAndDrawnInTheMirrorColour) {
  AddProbe(1, kMirrorLayer);
  prefs_.vertexDisplayMode = 2;
  const PrefColour lineColour = prefs_.colours[engine::kColourLine];
  const PrefColour mirrorColour = prefs_.colours[engine::kColourDimmed];
  Draw();
  ASSERT_EQ(visits_.size(), 2u);
  const Visit& normal = visits_[0];
  const Visit& mirrored = visits_[1];
  EXPECT_EQ(normal.lineColour, lineColour);
  EXPECT_EQ(normal.vertexDisplayMode, 2);
  EXPECT_EQ(mirrored.lineColour, mirrorColour);
  EXPECT_EQ(mirrored.vertexDisplayMode, 0) << "no vertex points on the mirror image";
  ExpectNear(mirrored.frameEye, -normal.frameEye.x, normal.frameEye.y, normal.frameEye.z);
  ExpectNear(mirrored.eyeDirection, -normal.eyeDirection.x, normal.eyeDirection.y, normal.eyeDirection.z);

  // The reflection is pushed onto the renderer's matrix before the mirror
  // image and popped after it.
  const RecordingQImp& r = Recorder();
  int push = -1, pop = -1;
  for (std::size_t i = 0; i < r.calls.size(); ++i) {
    if (r.calls[i].name == "MultMatrix" && r.calls[i].values[0] == -1 && i < mirrored.callsBefore) push = int(i);
    if (r.calls[i].name == "PopMatrix" && i >= mirrored.callsBefore && pop < 0) pop = int(i);
  }
  EXPECT_GE(push, int(normal.callsBefore));
  EXPECT_GE(pop, int(mirrored.callsBefore));
  EXPECT_EQ(r.Count("PushMatrix"), r.Count("PopMatrix"));

  // Everything is put back.
  EXPECT_EQ(prefs_.colours[engine::kColourLine], lineColour);
  EXPECT_EQ(prefs_.vertexDisplayMode, 2);
  EXPECT_EQ(prefs_.mirrorPass, 0);
  ExpectNear(view_.eyeDirection, 0.6, 0.0, 0.8);
}

TEST_F(SceneDrawTest, TheGridIsDrawnInTheNormalPassOnlyWhateverItsLayer) {
  platform::GlContext context;  // the grid draws its lines with OpenGL
  ASSERT_TRUE(context.Create(8, 8, nullptr) && context.MakeCurrent());
  view_.gridShown = true;
  scene_->layers[0].visible = 0;
  AddProbe(1, 0);            // on the hidden layer: not drawn
  AddProbe(2, kMirrorLayer);  // marks the mirror pass
  Draw();
  EXPECT_TRUE(PassesOf(1).empty());
  ASSERT_EQ(PassesOf(2), (std::vector<int>{0, 1}));
  const std::size_t firstProbe = visits_[0].callsBefore, mirrorProbe = visits_[1].callsBefore;
  // The grid begins its drawing by asking for drawing mode 5.
  const RecordingQImp& r = Recorder();
  int grids = 0, mirroredGrids = 0;
  for (std::size_t i = 0; i < r.calls.size(); ++i) {
    if (r.calls[i].name != "SetDrawingMode" || r.calls[i].values[0] != 5) continue;
    if (i < firstProbe) ++grids;
    if (i >= firstProbe && i < mirrorProbe) ++mirroredGrids;
  }
  EXPECT_EQ(grids, 1);
  EXPECT_EQ(mirroredGrids, 0);
  platform::GlContext::ReleaseCurrent();
}

TEST_F(SceneDrawTest, LockedLayersAreDimmedAndSingleMeshModeDrawsInTheHighlightColour) {
  prefs_.colours[engine::kColourMirrorCopy] = {1, 2, 3};
  scene_->layers[kPlainLayer].editable = 0;
  AddProbe(1, kPlainLayer);
  AddProbe(2, 0);
  Draw();
  ASSERT_EQ(visits_.size(), 2u);
  EXPECT_EQ(visits_[0].lineColour, prefs_.colours[engine::kColourDimmed]) << "locked: dimmed";
  EXPECT_EQ(visits_[0].vertexDisplayMode, 0);
  EXPECT_EQ(visits_[1].lineColour, prefs_.colours[engine::kColourLine]);
  EXPECT_EQ(view_.altFlags2, (std::vector<int>{0}));

  visits_.clear();
  scene_->SetSingleMeshMode(true);
  const PrefColour lineColour = prefs_.colours[engine::kColourLine];
  Draw();
  ASSERT_EQ(visits_.size(), 2u);
  EXPECT_EQ(visits_[1].lineColour, (PrefColour{1, 2, 3}));
  EXPECT_EQ(view_.altFlags2, (std::vector<int>{0, 1}));
  EXPECT_EQ(prefs_.colours[engine::kColourLine], lineColour);
}

TEST_F(SceneDrawTest, AFailedPassLeavesNoMatrixPushedAndPutsEverythingBack) {
  for (int failing : {0, 1}) {
    SCOPED_TRACE(failing == 0 ? "normal pass" : "mirror pass");
    Reset();
    const PrefColour lineColour = prefs_.colours[engine::kColourLine];
    AddProbe(1, kMirrorLayer)->failInPass = failing;
    Draw();
    EXPECT_EQ(FailState(), engine::kEngFailFailed);
    EXPECT_EQ(Recorder().Count("PushMatrix"), Recorder().Count("PopMatrix"));
    EXPECT_EQ(prefs_.colours[engine::kColourLine], lineColour);
    EXPECT_EQ(prefs_.mirrorPass, 0);
    ExpectNear(view_.eyeDirection, 0.6, 0.0, 0.8);
    EXPECT_EQ(view_.clearDeferredCalls, 1) << "no deferred pass after a failure";
  }
}

// ---- deferred faces --------------------------------------------------------------

class DeferredFaceTest : public SceneDrawTest {
 protected:
  // A half-transparent triangle placed at (x, y, z).
  engine::MMeshObj* AddGlass(double x, double y, double z, int layer = kPlainLayer) {
    meshkit::MeshFixture f = meshkit::MakeQuadPair(false);
    f.shader->opacity = 0.5;
    engine::MMeshObj* mesh = Place(std::move(f), x, y, z);
    Add(*scene_, mesh, layer);
    return mesh;
  }
  // The translation of the matrix each deferred face was drawn with, in
  // drawing order (one per triangle). The deferred pass begins with the
  // frame's last shade model.
  std::vector<PointRecord> DrawnAt() const {
    const auto& calls = view_.recorder.calls;
    std::size_t start = calls.size();
    while (start > 0 && calls[start - 1].name != "SetShadeModel") --start;
    std::vector<PointRecord> at;
    PointRecord current{0, 0, 0};
    for (std::size_t i = start; i < calls.size(); ++i) {
      if (calls[i].name == "MultMatrix") current = {calls[i].values[12], calls[i].values[13], calls[i].values[14]};
      if (calls[i].name == "DrawTriangleNormals") at.push_back(current);
    }
    return at;
  }
};

TEST_F(DeferredFaceTest, TransparentFacesAreDrawnFarthestFirst) {
  // The eye looks down -z from the origin: depth grows with -z.
  AddGlass(0, 0, -3);
  AddGlass(0, 0, -7);
  AddGlass(5, 0, -3);  // the same depth as the first: stays after it
  scene_->Draw(&view_, {{0, 0, 0}, {0, 0, -1}, {0, 0, 0}, {0, 1, 0}});
  ASSERT_EQ(FailState(), 0);
  const std::vector<PointRecord> at = DrawnAt();
  ASSERT_EQ(at.size(), 6u);
  const double expectedZ[6] = {-7, -7, -3, -3, -3, -3};
  const double expectedX[6] = {0, 0, 0, 0, 5, 5};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(at[i].z, expectedZ[i]) << i;
    EXPECT_EQ(at[i].x, expectedX[i]) << i;
  }
  EXPECT_TRUE(view_.deferredList.empty()) << "the list is emptied after drawing";
  EXPECT_EQ(Recorder().Count("PushMatrix"), Recorder().Count("PopMatrix"));
}

TEST_F(DeferredFaceTest, AMirrorLayersFacesAreDrawnForBothImages) {
  AddGlass(2, 0, -3, kMirrorLayer);
  scene_->Draw(&view_, {{0, 0, 0}, {0, 0, -1}, {0, 0, 0}, {0, 1, 0}});
  ASSERT_EQ(FailState(), 0);
  const std::vector<PointRecord> at = DrawnAt();
  ASSERT_EQ(at.size(), 4u);
  int mirrored = 0;
  for (const PointRecord& p : at) mirrored += p.x == -2 ? 1 : 0;
  EXPECT_EQ(mirrored, 2) << "two triangles through the reflected matrix";
}

TEST_F(DeferredFaceTest, RunningOutOfMemoryLeavesTheRendererAndViewAsTheyWere) {
  AddGlass(0, 0, -3);
  AddGlass(0, 0, -7);
  const int needed = meshkit::ForEachAllocationFailure(
      [&] {
        Recorder().Clear();
        scene_->Draw(&view_, {{0, 0, 0}, {0, 0, -1}, {0, 0, 0}, {0, 1, 0}});
      },
      [&](int nth) {
        EXPECT_EQ(FailReason(), engine::kEngReasonOutOfMemory) << nth;
        EXPECT_EQ(Recorder().Count("PushMatrix"), Recorder().Count("PopMatrix")) << nth;
        EXPECT_EQ(prefs_.mirrorPass, 0) << nth;
        ExpectNear(view_.eyeDirection, 0.6, 0.0, 0.8);
      });
  EXPECT_GT(needed, 0);
}

// ---- overlay segments -------------------------------------------------------------

TEST_F(SceneDrawTest, OverlaySegmentsFollowTheOverlayModeAndMirrorLayers) {
  struct Case {
    const char* name;
    int mode;
    int axisCode;
    int boxEdges, outlines, mirroredOutlines;
  };
  // Child 1 on the mirror layer and selected, child 2 plain and not.
  const Case cases[] = {{"mode 0: every outline, no boxes", 0, -1, 0, 2, 0},
                        {"mode 3: the same", 3, -1, 0, 2, 0},
                        {"mode 2: the selected one and its mirror image", 2, -1, 24, 2, 1},
                        {"mode 2 along the x axis: no mirror image", 2, 1, 12, 1, 0},
                        {"mode 5: nothing collected", 5, -1, 0, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    AddProbe(1, kMirrorLayer)->Select(true);
    AddProbe(2, kPlainLayer);
    view_.overlayMode = c.mode;
    view_.axisViewCode = c.axisCode;
    engine::LineSegArray segments;
    MatrixRecord identity;
    engine::MUtilIdentity(identity);
    scene_->CollectOverlaySegments(segments, identity, &view_);
    int boxEdges = 0, outlines = 0, mirrored = 0;
    for (int i = 0; i < segments.count; ++i) {
      boxEdges += segments[i].kind == 6;
      outlines += segments[i].kind == 99;
      mirrored += segments[i].kind == 99 && segments[i].from.x < 0;
    }
    EXPECT_EQ(boxEdges, c.boxEdges);
    EXPECT_EQ(outlines, c.outlines);
    EXPECT_EQ(mirrored, c.mirroredOutlines);
  }
}

TEST_F(SceneDrawTest, TheAxisMarkIsSixSegmentsEightyPixelsLong) {
  prefs_.worldAxisMark = 1;
  view_.overlayMode = 5;
  view_.worldPerPixel = 0.25;
  view_.samplingFactor = 2;  // 80 pixels of 0.25, twice: 40 units
  engine::LineSegArray segments;
  MatrixRecord m = objecttest::Translation(1, 0, 0);
  scene_->CollectOverlaySegments(segments, m, &view_);
  ASSERT_EQ(segments.count, 6);
  const int kinds[6] = {24, 27, 25, 28, 26, 29};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(segments[i].kind, kinds[i]);
    const int axis = i / 2;
    const double from = i % 2 == 0 ? 0 : 40, to = i % 2 == 0 ? 40 : 48;
    const double f[3] = {segments[i].from.x - 1, segments[i].from.y, segments[i].from.z};
    const double t[3] = {segments[i].to.x - 1, segments[i].to.y, segments[i].to.z};
    EXPECT_NEAR(f[axis], from, 1e-12);
    EXPECT_NEAR(t[axis], to, 1e-12);
  }
  // At the selection without any selected vertex: nothing.
  prefs_.worldAxisMark = 0;
  engine::EngGlobalM().axisMarkAtSelection = 1;
  segments.RemoveAll();
  scene_->CollectOverlaySegments(segments, m, &view_);
  engine::EngGlobalM().axisMarkAtSelection = 0;
  EXPECT_EQ(segments.count, 0);
}

// ---- shadows on other objects -------------------------------------------------------

TEST_F(SceneDrawTest, TheShadowRayFindsTheNearestReceiverOnAnEditableLayer) {
  auto receiver = [&](double z, int layer) {
    engine::MMeshObj* mesh = Place(meshkit::MakeQuadPair(), 0, 0, z);
    mesh->shadowInfo.shadowMode = engine::kShadowReceives;
    Add(*scene_, mesh, layer);
  };
  receiver(0, kPlainLayer);
  receiver(2, kPlainLayer);
  PointRecord normal, point;
  ASSERT_TRUE(scene_->RayCastObjects({0.6, 0.3, 5}, {0, 0, -1}, normal, point, 0.25));
  ExpectNear(point, 0.6, 0.3, 2.25);  // lifted towards the ray's start
  ExpectNear(normal, 0, 0, 1);
  ASSERT_TRUE(scene_->RayCastObjects({0.6, 0.3, 1}, {0, 0, -1}, normal, point, 0.25));
  ExpectNear(point, 0.6, 0.3, 0.25);

  scene_->layers[kPlainLayer].editable = 0;  // a locked layer receives nothing
  EXPECT_FALSE(scene_->RayCastObjects({0.6, 0.3, 5}, {0, 0, -1}, normal, point, 0.25));
  EXPECT_EQ(FailState(), 0);
}

}  // namespace
