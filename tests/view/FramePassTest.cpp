// What a frame asks of the renderer, in order: the projection, the lights,
// the matrices, the scene's drawing; for every tile of a tiled render the
// preparation, the clear and the tile's own frustum.
#include <algorithm>
#include <string>
#include <vector>

#include "view/QImpGL.h"
#include "view/ViewTestSupport.h"

namespace {

using platform::RECT;
using view::QView;

// The OpenGL renderer, logging the calls a frame is made of.
class LoggingGl : public view::QImpGL {
 public:
  struct Call {
    std::string name;
    std::vector<double> values;
  };
  std::vector<Call> calls;

  void SetPolygonOffset(bool on) override {
    Log("SetPolygonOffset", {double(on)});
    QImpGL::SetPolygonOffset(on);
  }
  void RenderTiles(engine::MObject* scene, engine::QView* view) override {
    Log("RenderTiles", {});
    QImpGL::RenderTiles(scene, view);
  }
  void LookAt(double ex, double ey, double ez, double cx, double cy, double cz, double ux, double uy,
              double uz) override {
    Log("LookAt", {ex, ey, ez, cx, cy, cz, ux, uy, uz});
    QImpGL::LookAt(ex, ey, ez, cx, cy, cz, ux, uy, uz);
  }
  void Frustum(double l, double r, double b, double t, double n, double f) override {
    Log("Frustum", {l, r, b, t, n, f});
    QImpGL::Frustum(l, r, b, t, n, f);
  }
  void SetViewport(int x, int y, int w, int h) override {
    Log("SetViewport", {double(x), double(y), double(w), double(h)});
    QImpGL::SetViewport(x, y, w, h);
  }
  void EnableLighting(bool on) override {
    Log("EnableLighting", {double(on)});
    QImpGL::EnableLighting(on);
  }
  void SetLightModel(const float* ambient, float localViewer, float twoSided) override {
    Log("SetLightModel", {ambient[0], localViewer, twoSided});
    QImpGL::SetLightModel(ambient, localViewer, twoSided);
  }
  void SetLight(int light, const float* a, const float* d, const float* s, const float* p, const float* sp) override {
    Log("SetLight", {double(light)});
    QImpGL::SetLight(light, a, d, s, p, sp);
  }
  void MultMatrix(const double* m) override {
    Log("MultMatrix", {});
    QImpGL::MultMatrix(m);
  }
  void GetMatrices(double* out) override {
    Log("GetMatrices", {});
    QImpGL::GetMatrices(out);
  }
  void DeleteDisplayList(engine::QView* view) override {
    Log("DeleteDisplayList", {});
    QImpGL::DeleteDisplayList(view);
  }
  void SetDrawingMode(int mode) override {
    Log("SetDrawingMode", {double(mode)});
    QImpGL::SetDrawingMode(mode);
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const Call& call : calls) names.push_back(call.name);
    return names;
  }

 private:
  void Log(const char* name, std::vector<double> values) { calls.push_back({name, std::move(values)}); }
};

// Whether `expected` appears in `names` in this order (other calls between).
bool InOrder(const std::vector<std::string>& names, const std::vector<std::string>& expected) {
  std::size_t at = 0;
  for (const std::string& name : names)
    if (at < expected.size() && name == expected[at]) ++at;
  return at == expected.size();
}

class FramePassTest : public viewtest::ViewTest {
 protected:
  // Renders one 80 x 60 frame of the scene through a logging renderer, in
  // tiles of at most `maxSide` pixels when it is given; answers the log.
  const LoggingGl& RenderLogged(int maxSide, int expectedTiles) {
    auto logging = std::make_unique<LoggingGl>();
    gl_ = logging.get();
    view_ = std::make_unique<QView>(RECT{0, 0, 80, 60}, std::move(logging));
    view_->MakeCurrent(true);
    if (maxSide > 0) view_->SetMaxViewport(maxSide, maxSide);
    view_->CreateRenderTarget(RECT{0, 0, 80, 60}, false);
    EXPECT_EQ(view_->GetTileCount(), expectedTiles);
    viewtest::AimAtScene(*view_);
    gl_->calls.clear();
    viewtest::RenderPicture(*view_, scene_.get());
    return *gl_;
  }
  void TearDown() override {
    view_.reset();
    ViewTest::TearDown();
  }
  std::unique_ptr<engine::MGroupObj> scene_ = viewtest::MakeScene();
  std::unique_ptr<QView> view_;
  LoggingGl* gl_ = nullptr;
};

TEST_F(FramePassTest, AFrameSetsUpTheCameraAndLightsBeforeTheSceneDraws) {
  const LoggingGl& gl = RenderLogged(0, 1);
  const std::vector<std::string> names = gl.Names();
  EXPECT_TRUE(InOrder(names, {"SetPolygonOffset", "RenderTiles", "LookAt", "Frustum", "SetViewport",
                              "EnableLighting", "SetLightModel", "SetLight", "SetLight", "GetMatrices",
                              "MultMatrix", "GetMatrices", "DeleteDisplayList", "SetDrawingMode",
                              "SetPolygonOffset"}));
  // The camera looks along +z from the origin; the polygon offset is on for
  // the frame only.
  const auto lookAt = std::find_if(gl.calls.begin(), gl.calls.end(), [](auto& c) { return c.name == "LookAt"; });
  ASSERT_NE(lookAt, gl.calls.end());
  EXPECT_EQ(lookAt->values, (std::vector<double>{0, 0, 0, 0, 0, 1, 0, 1, 0}));
  std::vector<double> offsets;
  for (const auto& c : gl.calls)
    if (c.name == "SetPolygonOffset") offsets.push_back(c.values[0]);
  EXPECT_EQ(offsets, (std::vector<double>{1, 0}));
}

TEST_F(FramePassTest, TilesAreDrawnColumnByColumnEachWithItsPartOfTheFrustum) {
  const LoggingGl& gl = RenderLogged(50, 2);

  // The frustum in force when each tile's scene is drawn.
  std::vector<std::vector<double>> drawn;
  std::vector<double> whole, last;
  for (const auto& c : gl.calls) {
    if (c.name == "Frustum") {
      last = c.values;
      if (whole.empty()) whole = c.values;
    }
    if (c.name == "DeleteDisplayList") drawn.push_back(last);
  }
  ASSERT_EQ(drawn.size(), 4u) << "one drawing pass per tile";
  const double across = (whole[1] - whole[0]) * 40 / 80, up = (whole[3] - whole[2]) * 30 / 60;
  const double expected[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};  // (column, row), columns outer
  for (int t = 0; t < 4; ++t) {
    SCOPED_TRACE(t);
    EXPECT_NEAR(drawn[t][0], whole[0] + expected[t][0] * across, 1e-12);
    EXPECT_NEAR(drawn[t][1] - drawn[t][0], across, 1e-12);
    EXPECT_NEAR(drawn[t][2], whole[2] + expected[t][1] * up, 1e-12);
    EXPECT_NEAR(drawn[t][3] - drawn[t][2], up, 1e-12);
  }
  // Each tile is drawn into a viewport of one tile.
  int tileViewports = 0;
  for (const auto& c : gl.calls)
    tileViewports += c.name == "SetViewport" && c.values[2] == 40 && c.values[3] == 30;
  EXPECT_GE(tileViewports, 4);
}

}  // namespace
