// A scene document rendered through the view: the mirror image of a mirror
// layer, projected floor shadows (made again only when the lights moved,
// and leaving OpenGL's state as it was), transparent faces blended over
// what lies behind them, and the order of the passes in one frame.
#include <GL/gl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MShader.h"
#include "engine/scene/MDocObj.h"
#include "meshkit/MeshFixtures.h"
#include "view/QImpGL.h"
#include "view/ViewTestSupport.h"

namespace {

using engine::MatrixRecord;
using engine::PointRecord;
using platform::Bgra;
using platform::Image;
using platform::RECT;
using view::QView;

class SceneRenderTest : public viewtest::ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    prefs_.vertexDisplayMode = 1;  // no vertex points over the faces
    scene_ = std::make_unique<engine::MDocObj>();
    scene_->SetLayerCount(2);
  }
  // The mesh sized by `scale` and placed at `at` on the layer.
  engine::MMeshObj* Add(meshkit::MeshFixture f, double scale, PointRecord at, int layer,
                        PointRecord colour = {0.3, 0.55, 0.9}, double opacity = 1.0) {
    f.shader->diffuseColor = colour;
    f.shader->opacity = opacity;
    engine::MMeshObj* mesh = f.mesh.release();
    MatrixRecord m;
    engine::MUtilIdentity(m);
    engine::MUtilScale(m, scale, scale, scale, m);
    engine::MUtilTranslateAfter(m, at, m);
    mesh->SetMatrix(m);
    EXPECT_TRUE(scene_->AddChild(mesh));
    mesh->SetLayer(layer);
    return mesh;
  }
  // A view of 200 × 150 in the draw mode, looking at the scene from the
  // front right, a little above.
  std::unique_ptr<QView> MakeView(int drawMode, std::unique_ptr<view::QImpGL> renderer = nullptr) {
    auto v = renderer ? std::make_unique<QView>(RECT{0, 0, 200, 150}, std::move(renderer))
                      : std::make_unique<QView>(RECT{0, 0, 200, 150});
    viewtest::OpenWhitePicture(*v, 200, 150, drawMode);
    viewtest::AimAtScene(*v);
    v->SetDistance(150.0);
    return v;
  }
  std::unique_ptr<engine::MDocObj> scene_;
};

// Pixels in the left and the right half that are not the background.
void CountHalves(const Image& picture, int& left, int& right) {
  left = right = 0;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const Bgra p = picture.GetBgra(x, y);
      if (p.r == 255 && p.g == 255 && p.b == 255) continue;
      (x < picture.Width() / 2 ? left : right) += 1;
    }
}

TEST_F(SceneRenderTest, AMirrorLayerShowsItsObjectsReflectedAcrossTheMiddle) {
  scene_->layers[1].mirror = 1;
  auto v = MakeView(2);
  v->SetAngles(0.0, -0.3, 0.0);  // straight from the front: the plane x = 0 splits the picture
  v->SetTarget({0, 20, 0});
  v->SetGridShown(false);
  Add(meshkit::MakeCube(true), 20, {15, 10, -10}, 0);
  const Image plain = viewtest::RenderPicture(*v, scene_.get());
  int left = 0, right = 0;
  CountHalves(plain, left, right);
  EXPECT_LT(std::min(left, right), std::max(left, right) / 10) << "on a plain layer the cube is on one side";

  scene_->ChildAt(1)->SetLayer(1);
  const Image mirrored = viewtest::RenderPicture(*v, scene_.get());
  viewtest::SavePicture(mirrored, "scene_mirror_layer");
  CountHalves(mirrored, left, right);
  EXPECT_GT(std::min(left, right), std::max(left, right) / 2) << "and on a mirror layer on both";
  EXPECT_EQ(FailState(), engine::kEngFailNone);
  EXPECT_EQ(prefs_.mirrorPass, 0);
}

TEST_F(SceneRenderTest, FloorShadowsAreMadeAgainOnlyWhenTheLightsMove) {
  engine::MMeshObj* ball = Add(meshkit::MakeSphere(24, 12, 1.0), 15, {0, 35, 0}, 0, {0.9, 0.6, 0.4});
  ball->shadowInfo.shadowMode = engine::kShadowCasts;
  ball->shadowInfo.opacity = 0.8;
  auto v = MakeView(3);
  view::LightSettings lights;
  v->GetLights(lights);
  lights.sceneFixed = 1;
  v->SetLights(&lights, false);

  const Image first = viewtest::RenderPicture(*v, scene_.get());
  viewtest::SavePicture(first, "scene_floor_shadow");
  ASSERT_EQ(FailState(), engine::kEngFailNone);
  ASSERT_EQ(scene_->floorShadowState, 2);
  ASSERT_NE(ball->shadowInfo.image.pixels, nullptr);
  // A mark in the image shows whether the next frame made it again.
  auto mark = [&] { ball->shadowInfo.image.pixels[0] = 123; };
  auto marked = [&] { return ball->shadowInfo.image.pixels[0] == 123; };
  mark();
  viewtest::RenderPicture(*v, scene_.get());
  EXPECT_TRUE(marked()) << "the same lights fixed in the scene reuse the image";

  lights.firstAngles[0] += 0.3;
  v->SetLights(&lights, false);
  viewtest::RenderPicture(*v, scene_.get());
  EXPECT_FALSE(marked()) << "a turned light makes it again";

  mark();
  lights.sceneFixed = 0;
  v->SetLights(&lights, false);
  viewtest::RenderPicture(*v, scene_.get());
  EXPECT_FALSE(marked()) << "lights that turn with the camera make it every frame";

  // The shadow darkens the floor under the ball: the picture differs from
  // one without shadows.
  ball->shadowInfo.shadowMode = engine::kShadowNone;
  const Image none = viewtest::RenderPicture(*v, scene_.get());
  EXPECT_GT(viewtest::PixelsOff(first, none, 20), 300);
}

TEST_F(SceneRenderTest, AFrameWithShadowsLeavesBlendingAndTheMatrixStackAsTheyWere) {
  engine::MMeshObj* ball = Add(meshkit::MakeSphere(16, 8, 1.0), 15, {0, 35, 0}, 0);
  ball->shadowInfo.shadowMode = engine::kShadowCasts;
  for (int drawMode : {3, 6}) {
    SCOPED_TRACE(drawMode);
    auto v = MakeView(drawMode);
    GLint depthBefore = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    ASSERT_FALSE(glIsEnabled(GL_BLEND));
    viewtest::RenderPicture(*v, scene_.get());
    ASSERT_EQ(FailState(), engine::kEngFailNone);
    ASSERT_NE(ball->shadowInfo.image.pixels, nullptr) << "a shadow was drawn";
    v->MakeCurrent(true);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint depthAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    v->MakeCurrent(false);
  }
}

TEST_F(SceneRenderTest, TransparentFacesBlendOverWhatLiesBehindThem) {
  // A red box behind a half-transparent blue one, both in the picture's
  // middle; the overlap is purple, whatever order the scene holds them in.
  auto v = MakeView(2);
  v->SetGridShown(false);
  v->SetAngles(0.0, 0.0, 0.0);
  v->SetTarget({0, 0, 0});
  PointRecord eye;
  v->GetEyePosition(eye);
  const double towardsEye = eye.z > 0 ? 1.0 : -1.0;
  Add(meshkit::MakeCube(true), 20, {-10, -10, 20 * towardsEye - 10}, 0, {0.1, 0.2, 1.0}, 0.5);
  Add(meshkit::MakeCube(true), 20, {-10, -10, -20 * towardsEye - 10}, 0, {1.0, 0.1, 0.1});
  const Image picture = viewtest::RenderPicture(*v, scene_.get());
  viewtest::SavePicture(picture, "scene_transparent");
  ASSERT_EQ(FailState(), engine::kEngFailNone);
  const Bgra middle = picture.GetBgra(100, 75);
  EXPECT_GT(middle.r, 60);
  EXPECT_GT(middle.b, 60);
  EXPECT_LT(middle.g, middle.r);
}

// The renderer of the frame-order test: logs matrix pushes, the
// reflection, shade models and filled triangles.
class PassLog : public view::QImpGL {
 public:
  std::vector<std::string> calls;
  void PushMatrix() override {
    calls.push_back("push");
    QImpGL::PushMatrix();
  }
  void PopMatrix() override {
    calls.push_back("pop");
    QImpGL::PopMatrix();
  }
  void MultMatrix(const double* m) override {
    if (m[0] == -1.0) calls.push_back("reflect");
    QImpGL::MultMatrix(m);
  }
  void SetShadeModel(int model) override {
    calls.push_back("shade");
    QImpGL::SetShadeModel(model);
  }
  void DrawTriangleNormals(const float* p0, const float* n0, const float* p1, const float* n1, const float* p2,
                           const float* n2) override {
    if (calls.empty() || calls.back() != "triangle") calls.push_back("triangle");
    QImpGL::DrawTriangleNormals(p0, n0, p1, n1, p2, n2);
  }
};

TEST_F(SceneRenderTest, AFrameDrawsTheNormalPassTheMirrorImageAndThenTheTransparentFaces) {
  scene_->layers[1].mirror = 1;
  auto log = std::make_unique<PassLog>();
  PassLog* calls = log.get();
  auto v = MakeView(2, std::move(log));
  v->SetGridShown(false);
  Add(meshkit::MakeTetra(), 10, {10, 0, 0}, 1);  // opaque, on the mirror layer
  Add(meshkit::MakeTetra(), 10, {-20, 0, 0}, 0, {0.1, 0.2, 1.0}, 0.5);
  calls->calls.clear();
  viewtest::RenderPicture(*v, scene_.get());
  ASSERT_EQ(FailState(), engine::kEngFailNone);
  // Scene and objects bracket their drawing with push and pop; in between:
  // the tetrahedron's triangles, its reflection, the deferred glass.
  std::vector<std::string> passes;
  for (const std::string& c : calls->calls)
    if (c == "triangle" || c == "reflect" || c == "shade") passes.push_back(c);
  const std::vector<std::string> expected = {"shade",   "triangle", "shade", "reflect", "shade",
                                             "triangle", "shade",    "triangle"};
  EXPECT_EQ(passes, expected);
  int depth = 0;
  for (const std::string& c : calls->calls) depth += c == "push" ? 1 : c == "pop" ? -1 : 0;
  EXPECT_EQ(depth, 0);
}

}  // namespace
