// The OpenGL renderer and the view's draw-style settings: drawing modes,
// materials and their texture names, constant-width lines, display lists,
// culling, override materials and line scales.
#include <GL/gl.h>

#include <cmath>
#include <stdexcept>

#include "engine/core/RgbaImageRecord.h"
#include "engine/image/OsUtilImage.h"
#include "view/QImpGL.h"
#include "view/ViewTestSupport.h"

namespace {

using engine::MatrixRecord;
using engine::PointRecord;
using platform::RECT;
using view::QImpGL;
using view::QView;

class RendererTest : public viewtest::ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    view_ = std::make_unique<QView>(RECT{0, 0, 64, 64});
    view_->MakeCurrent(true);
  }
  void TearDown() override {
    view_.reset();
    ViewTest::TearDown();
  }
  QImpGL& Gl() { return view_->Renderer(); }
  static bool Enabled(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }
  static int PolygonModes() {
    GLint modes[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    return modes[0] * 10000 + modes[1];
  }
  // A 2 × 2 texture of one colour.
  static void GiveTexture(engine::MShader& material) {
    engine::RgbaImageRecord image;
    image.width = image.height = 2;
    unsigned char pixels[16];
    for (int i = 0; i < 16; ++i) pixels[i] = 200;
    image.pixels = pixels;
    material.SetTexture(image);
  }
  std::unique_ptr<QView> view_;
};

TEST_F(RendererTest, DrawingModesSetTheirStatesAndRepeatsOnlyTurnLightingOff) {
  Gl().SetDrawingMode(4);
  EXPECT_EQ(PolygonModes(), GL_LINE * 10000 + GL_LINE);
  EXPECT_TRUE(Enabled(GL_CULL_FACE));
  EXPECT_FALSE(Enabled(GL_LIGHTING));
  Gl().SetDrawingMode(0);
  EXPECT_EQ(PolygonModes(), GL_FILL * 10000 + GL_FILL);
  EXPECT_TRUE(Enabled(GL_LIGHTING));
  EXPECT_TRUE(Enabled(GL_LIGHT0));
  EXPECT_TRUE(Enabled(GL_LIGHT1));
  EXPECT_TRUE(Enabled(GL_DEPTH_TEST));
  EXPECT_FALSE(Enabled(GL_CULL_FACE));

  Gl().SetDrawingMode(3);
  EXPECT_FALSE(Enabled(GL_DEPTH_TEST));
  glEnable(GL_LIGHTING);
  glEnable(GL_DEPTH_TEST);
  Gl().SetDrawingMode(3);
  EXPECT_FALSE(Enabled(GL_LIGHTING)) << "a repeated mode 3 turns lighting off again";
  EXPECT_TRUE(Enabled(GL_DEPTH_TEST)) << "and nothing else";
}

TEST_F(RendererTest, MaterialsSetColoursBlendingAndTextures) {
  engine::MShader material;
  material.diffuseColor = {0.2, 0.4, 0.6};
  material.specular = 0.5;
  material.opacity = 0.5;
  glDisable(GL_BLEND);
  Gl().SetMaterial(&material, nullptr, false, nullptr);
  float diffuse[4], specular[4], shininess = 0;
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  glGetMaterialfv(GL_BACK, GL_SPECULAR, specular);
  glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
  EXPECT_NEAR(diffuse[1], 0.4, 1e-6);
  EXPECT_NEAR(diffuse[3], 0.5, 1e-6);
  EXPECT_NEAR(specular[0], 0.5, 1e-6);
  EXPECT_NEAR(shininess, 25.0, 1e-4);
  EXPECT_TRUE(Enabled(GL_BLEND)) << "opacity below 1 blends";
  EXPECT_FALSE(Enabled(GL_TEXTURE_2D));

  GiveTexture(material);
  Gl().SetMaterial(&material, nullptr, true, nullptr);
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  EXPECT_EQ(diffuse[0], 1.0f) << "the texture shows its own colours";
  EXPECT_NEAR(diffuse[3], 0.5, 1e-6) << "the opacity stays";
  EXPECT_TRUE(Enabled(GL_TEXTURE_2D));

  material.sphereMap = 1;
  Gl().SetMaterial(&material, nullptr, true, nullptr);
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  EXPECT_NEAR(diffuse[0], 0.2, 1e-6) << "a sphere map keeps the colour";
}

TEST_F(RendererTest, TextureNamesAreKeptOnlyWithNamedTextureObjects) {
  engine::MShader material, sameImage;
  GiveTexture(material);
  Gl().SetMaterial(&material, nullptr, true, nullptr);
  EXPECT_EQ(Gl().TextureCount(), 0u) << "named texture objects are off by default";

  prefs_.namedTextures = 1;
  Gl().SetMaterial(&material, nullptr, true, nullptr);
  ASSERT_EQ(Gl().TextureCount(), 1u);
  const unsigned name = Gl().LookupTexture(&material);
  EXPECT_NE(name, 0u);
  EXPECT_TRUE(glIsTexture(name));
  Gl().SetMaterial(&material, nullptr, true, nullptr);
  EXPECT_EQ(Gl().TextureCount(), 1u) << "the recorded name is bound again, not recorded twice";

  // The same picture as the material before: nothing is bound.
  sameImage.texture = material.texture;
  Gl().SetMaterial(&sameImage, &material, true, nullptr);
  EXPECT_EQ(Gl().TextureCount(), 1u);
  sameImage.texture = engine::RgbaImageRecord{};

  Gl().DeleteTextures();
  EXPECT_EQ(Gl().TextureCount(), 0u);
  EXPECT_FALSE(glIsTexture(name));
}

TEST_F(RendererTest, LineWidthsBelowOnePixelDrawOnePixelWide) {
  Gl().SetLineWidth(0.5f);
  float width = 0;
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_EQ(width, 1.0f);
  Gl().SetLineWidth(3.0f);
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_EQ(width, 3.0f);
}

TEST_F(RendererTest, ConstantWidthScalesFollowTheProjection) {
  view_->SetViewport(RECT{0, 0, 64, 64}, true);
  MatrixRecord m;
  view_->GetProjectionMatrix(m);
  PointRecord eye, target;
  view_->GetEyeAndTarget(eye, target);
  PointRecord direction;
  double scales[2] = {-1, -1};
  const PointRecord up{0, 1, 0};
  // Behind the eye: that end has no scale.
  const double behind[6] = {target.x, target.y, target.z, 2 * eye.x - target.x, 2 * eye.y - target.y,
                            2 * eye.z - target.z};
  Gl().ProjectWidthScale(&m, behind, &up, scales, &direction, view_.get());
  EXPECT_GT(scales[0], 0.0);
  EXPECT_EQ(scales[1], 0.0);
  // A segment of a twentieth of a pixel is too short to draw.
  const double pixel = view_->WorldPerPixel();
  const double tiny[6] = {target.x, target.y, target.z, target.x + 0.05 * pixel, target.y, target.z};
  EXPECT_FALSE(Gl().ProjectWidthScale(&m, tiny, &up, scales, &direction, view_.get()));
  const double longer[6] = {target.x, target.y, target.z, target.x + 20 * pixel, target.y, target.z};
  EXPECT_TRUE(Gl().ProjectWidthScale(&m, longer, &up, scales, &direction, view_.get()));
  EXPECT_NEAR(std::hypot(direction.x, direction.y), 1.0, 1e-12);
}

TEST_F(RendererTest, TheViewKeepsOneDisplayList) {
  EXPECT_TRUE(Gl().IsDisplayListMissing(view_.get()));
  Gl().BeginDisplayList(view_.get());
  Gl().DrawAxes(0);
  Gl().EndDisplayList();
  const unsigned first = view_->GetDisplayList();
  EXPECT_FALSE(Gl().IsDisplayListMissing(view_.get()));
  Gl().BeginDisplayList(view_.get());
  Gl().EndDisplayList();
  EXPECT_FALSE(glIsList(first) && first != view_->GetDisplayList()) << "the previous list is deleted";
  view_->InvalidateCache();
  EXPECT_TRUE(Gl().IsDisplayListMissing(view_.get()));
}

TEST_F(RendererTest, CullingFollowsTheSwitchTheFaceOrderAndTheMirror) {
  struct Case {
    bool cull, flipped, mirrored;
    int expected;  // 0 none, 1 back, 2 front
  };
  for (const Case& c : {Case{false, false, false, 0}, Case{true, false, false, 1}, Case{true, false, true, 2},
                        Case{true, true, false, 2}, Case{true, true, true, 1}}) {
    view_->SetCullFaces(c.cull);
    view_->SetFaceOrderFlipped(c.flipped);
    view_->ApplyCullMode(c.mirrored);
    GLint face = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &face);
    const int actual = !Enabled(GL_CULL_FACE) ? 0 : face == GL_BACK ? 1 : 2;
    EXPECT_EQ(actual, c.expected) << c.cull << c.flipped << c.mirrored;
  }
}

TEST_F(RendererTest, DrawModesChooseTheRendererModeAndTheOverrideMaterial) {
  for (int mode : {0, 1, 2, 3, 6, 9}) {
    view_->SetDrawMode(mode);
    view_->ApplyDrawingMode();
    GLint modes[2];
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], mode == 0 ? GL_LINE : GL_FILL) << mode;
  }
  view_->SetDrawMode(2);
  EXPECT_EQ(view_->GetOverrideMaterial(), nullptr);
  view_->SetDrawMode(1);
  engine::MShader* grey = view_->GetOverrideMaterial();
  ASSERT_EQ(grey, QView::GetDefaultGreyMaterial());
  EXPECT_EQ(grey->diffuseColor.z, 0.7);
  EXPECT_EQ(grey->specular, 0.0);
  view_->SetFaceColorOverride(true);
  view_->SetFaceColor(0x0000FF);
  engine::MShader* face = view_->GetOverrideMaterial();
  ASSERT_EQ(face, view_->GetOverrideShader());
  EXPECT_EQ(face->diffuseColor.x, 1.0);
  EXPECT_EQ(face->diffuseColor.y, 0.0);
  EXPECT_EQ(face->diffuseColor.z, 0.0);
}

TEST_F(RendererTest, LineScalesFollowSupersamplingUnlessKeptUnscaled) {
  struct Case {
    int factor, recordSpare;
    double lineScale, scale;
    int scaleInt;
  };
  for (const Case& c : {Case{3, 0, 1.5, 4.5, 3}, Case{3, 1, 1.5, 1.5, 1}, Case{0, 0, 2.0, 2.0, 2}}) {
    view_->SetSamplingFactor(c.factor);
    view_->SetRecordSpare(c.recordSpare);
    view_->SetLineScale(c.lineScale);
    double scale = 0;
    int scaleInt = 0;
    view_->ComputeLineScales(scale, scaleInt);
    EXPECT_EQ(scale, c.scale);
    EXPECT_EQ(scaleInt, c.scaleInt);
  }
}

TEST_F(RendererTest, GridValuesComeFromTheScenesFloorGrid) {
  auto scene = viewtest::MakeScene();
  view_->SetGridDivisor(5);
  EXPECT_DOUBLE_EQ(view_->GetGridCellSize(scene.get()), 100.0 / (5 * 10));
  view_->TakeGridColor(scene.get());
  double colour[3];
  view_->GetGridColor(colour);
  EXPECT_GT(colour[1], 0.0);
  int record[11], background[3], value = -1;
  QView::GetDefaultDisplaySettings(record, background, value);
  EXPECT_EQ(record[0], 2);
  EXPECT_EQ(record[10], 200);
  EXPECT_EQ(background[2], 255);
  EXPECT_EQ(value, 0);
}

TEST_F(RendererTest, TheGuideRunsOneGridCellAlongTheViewOrTheLight) {
  auto scene = viewtest::MakeScene();
  const double cell = view_->GetGridCellSize(scene.get());  // 100 / (5 x 10)
  ASSERT_DOUBLE_EQ(cell, 2.0);
  view_->SetTarget({1, 2, 3});
  view_->SetDistance(50.0);
  PointRecord start, end, eye, target;
  view_->GetGuideSegment(scene.get(), start, end);
  view_->GetEyeAndTarget(eye, target);
  EXPECT_NEAR(start.x, eye.x, 1e-12);
  EXPECT_NEAR(std::hypot(end.x - start.x, end.y - start.y, end.z - start.z), cell, 1e-9);
  PointRecord axis;
  view_->SetAxisViewMarker(0);
  view_->GetViewAxis(axis);
  EXPECT_NEAR((end.x - start.x) / cell, axis.x, 1e-9);

  view_->SetGuideMode(1);
  view_->GetGuideSegment(scene.get(), start, end);
  EXPECT_NEAR(std::hypot(end.x - start.x, end.y - start.y, end.z - start.z), cell, 1e-9);
  EXPECT_NEAR(start.x, eye.x, 1e-9) << "from the camera";

  view_->SetGuideMode(0);
  view_->SetViewPreset(2);  // an axis view from the front: along z
  view_->SetAxisCode(3);
  view_->GetGuideSegment(scene.get(), start, end);
  EXPECT_EQ(start.z, 0.0);
  EXPECT_EQ(end.z, cell);
  EXPECT_EQ(end.x, 0.0);
}

TEST_F(RendererTest, DeferredEntriesKeepTheMirrorPassTheyWereMadeIn) {
  engine::MGroupObj object;
  int face = 0;
  view_->AddOverlayLine3(&object, &face, nullptr, 0.0);
  prefs_.mirrorPass = 1;
  view_->AddOverlayLine3(&object, nullptr, &face, 0.0);
  prefs_.mirrorPass = 0;
  ASSERT_EQ(view_->GetOverlayLines3().size(), 2u);
  EXPECT_EQ(view_->GetOverlayLines3()[0].mirrored, 0);
  EXPECT_EQ(view_->GetOverlayLines3()[0].face, &face);
  EXPECT_EQ(view_->GetOverlayLines3()[1].mirrored, 1);
  EXPECT_EQ(view_->GetOverlayLines3()[1].element, &face);
  view_->ClearOverlayLines3(false);
  EXPECT_TRUE(view_->GetOverlayLines3().empty()) << "this renderer never keeps them";
}

TEST_F(RendererTest, MarkerPointsAreDrawnInTheMarkerColour) {
  double colour[3];
  view_->GetMarkerColor(colour);
  EXPECT_NEAR(colour[0] * 255, 229, 1e-9);
  view_->SetViewport(RECT{0, 0, 64, 64}, true);
  engine::GlClear();
  engine::MatrixRecord m;
  view_->GetProjectionMatrix(m);
  PointRecord eye, target, screen;
  view_->GetEyeAndTarget(eye, target);
  view_->ProjectPoint(target, screen);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  view_->DrawMarkerPoint(target, 0.0);
  view_->FinishRendering();
  const platform::Bgra p = view_->GetContext()->Pixels().GetBgra(static_cast<int>(screen.x), static_cast<int>(screen.y));
  EXPECT_EQ(p.r, 229);
  EXPECT_EQ(p.g, 25);
}

TEST_F(RendererTest, ReadbackBuffersFollowTheirSize) {
  EXPECT_TRUE(view_->AllocReadbackImage(-1, 0));
  EXPECT_EQ(view_->GetReadbackBytes(), nullptr);
  ASSERT_TRUE(view_->AllocReadbackImage(8, 4));
  EXPECT_NE(view_->GetReadbackBytes(), nullptr);
  EXPECT_EQ(view_->GetReadbackImage().Width(), 8);
  view_->FreeReadbackImage();
  EXPECT_TRUE(view_->GetReadbackImage().IsNull());
}

TEST_F(RendererTest, MakingAViewWithoutAContextCurrentIsRefused) {
  QView other(RECT{0, 0, 10, 10});
  other.DestroyContext();
  EXPECT_THROW(other.MakeCurrent(true), std::runtime_error);
}

}  // namespace
