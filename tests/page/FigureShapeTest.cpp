// The 3D shape on the real figure facade: the standard figure inserted from
// its library file, the page's values turned into the figure view's camera,
// light and style, hits on the rendered picture, and pose handles.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "FigureTestSupport.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "page/PageFile.h"
#include "page/PnFile.h"
#include "page/SCommands.h"
#include "page/SObj.h"
#include "page/STrackFactory.h"
#include "page/SView.h"

namespace figureshapetest {

using page::SDoc;
using page::SObj;
using page::SPoint;
using pagetest::AddStandardFigure;
using pagetest::DrawPage;
using pagetest::FigurePageTest;
using pagetest::Keep;
using pagetest::ViewOf;

constexpr double kPi = std::numbers::pi;

// Whether the picture of the object's figure is transparent at the page
// point.
int AlphaAt(SObj& object, SPoint point) {
  const platform::Image* picture = ViewOf(object).GetImage(true);
  if (picture == nullptr) return -1;
  const page::PropSCVal& P = object.placement;
  const double w = P.width - P.margin, h = P.height - P.margin;
  const int x = static_cast<int>(std::floor(picture->Width() * (w / 2 + point.x - P.x) / w));
  const int y = static_cast<int>(std::floor(picture->Height() * (h / 2 + point.y - P.y) / h));
  if (!picture->Contains(x, y)) return -1;
  return picture->GetBgra(x, y).a;
}

TEST_F(FigurePageTest, TheInsertedFigureTakesItsSizeCameraLightAndStyleFromItsFile) {
  SDoc doc;
  doc.SetPageSize(400, 400);
  SObj& object = AddStandardFigure(doc, 200, 200);
  ASSERT_EQ(object.fig->GetTypeId(), page::kFig3D);
  EXPECT_TRUE(object.HasPosableFigure());
  EXPECT_FALSE(object.CanStretch());
  facade::KxLibV& view = ViewOf(object);

  int width = 0, height = 0, factor = 0;
  double lineScale = 0;
  view.GetOutputSize(width, height, factor, lineScale);
  EXPECT_EQ(object.placement.width, width);
  EXPECT_EQ(object.placement.height, height);
  EXPECT_EQ(object.placement.x, 200);

  int h = 0, v = 0, lens = 0, zoom = 0;
  double x = 0, y = 0, z = 0;
  view.GetCameraSettings(h, v, lens, zoom, x, y, z);
  const page::Prop3DVal& camera = object.props3D;
  EXPECT_EQ(camera.horizontalAngle, h);
  EXPECT_EQ(camera.verticalAngle, v);
  EXPECT_EQ(camera.lens, lens);
  EXPECT_EQ(camera.distance, zoom);
  EXPECT_EQ(camera.targetY, y);
  EXPECT_EQ(camera.level, 110);
  int a = 0, b = 0, intensity = 0, ambient = 0;
  view.GetLight(a, b, intensity, ambient);
  EXPECT_EQ(object.propsLT.lightHorizontal, a);
  EXPECT_EQ(object.propsLT.lightVertical, b);
  EXPECT_EQ(object.propsLT.contrast, intensity);
  EXPECT_EQ(object.propsLT.brightness, ambient);
  EXPECT_EQ(object.propsLT.shading, view.GetShadingKind());

  const platform::Image page = DrawPage(doc);
  Keep(page, "figure-inserted");
  // The figure stands in the middle of its box; the box's corners are
  // transparent and show the page.
  const platform::Bgra paper = page.GetBgra(2, 2);
  int figurePixels = 0;
  for (int py = 0; py < page.Height(); ++py)
    for (int px = 0; px < page.Width(); ++px) figurePixels += page.GetBgra(px, py) == paper ? 0 : 1;
  EXPECT_GT(figurePixels, 1000);
  const SPoint corner(object.placement.x - width / 2.0 + 2, object.placement.y - height / 2.0 + 2);
  EXPECT_EQ(page.GetBgra(static_cast<int>(corner.x), static_cast<int>(corner.y)), paper);
  EXPECT_NE(page.GetBgra(200, 200), paper) << "the figure's middle";
}

TEST_F(FigurePageTest, ThePagesValuesSetTheFigureViewsCameraLightAndStyle) {
  SDoc doc;
  doc.SetPageSize(400, 400);
  SObj& object = AddStandardFigure(doc, 200, 200);
  facade::KxLibV& view = ViewOf(object);
  const platform::Image before = DrawPage(doc);
  const auto pictureSize = [&] {
    const platform::Image* picture = view.GetImage(true);
    return picture ? std::make_pair(picture->Width(), picture->Height()) : std::make_pair(0, 0);
  };
  const auto unturned = pictureSize();

  // The page's turn is the camera's roll; the picture stays unturned.
  page::PropSCVal turned = object.placement;
  turned.angle = kPi / 6;
  object.ApplyPropSC(turned, false);
  double yaw = 0, pitch = 0, roll = 0;
  view.GetCameraAngles(yaw, pitch, roll);
  EXPECT_NEAR(roll, -kPi / 6, 1e-12);
  const platform::Image rolled = DrawPage(doc);
  Keep(rolled, "figure-turned-30");
  EXPECT_EQ(pictureSize(), unturned);
  EXPECT_GT(pagetest::PixelsDiffering(before, rolled), 500);

  page::Prop3DVal camera = object.props3D;
  camera.horizontalAngle = 40, camera.verticalAngle = 10, camera.lens = 0, camera.distance = 60;
  camera.targetX += 1.5;
  object.ApplyProp3D(camera, false);
  int h = 0, v = 0, lens = -1, zoom = 0;
  double x = 0, y = 0, z = 0;
  view.GetCameraSettings(h, v, lens, zoom, x, y, z);
  EXPECT_EQ(h, 40);
  EXPECT_EQ(v, 10);
  EXPECT_EQ(lens, 0) << "parallel projection";
  EXPECT_EQ(zoom, 60);
  EXPECT_DOUBLE_EQ(x, camera.targetX);

  page::PropLTVal light = object.propsLT;
  light.lightHorizontal = -30, light.lightVertical = 20, light.brightness = 70, light.contrast = 15, light.shading = 4;
  object.ApplyPropLT(light, false);
  int a = 0, b = 0, intensity = 0, ambient = 0;
  view.GetLight(a, b, intensity, ambient);
  EXPECT_EQ(a, -30);
  EXPECT_EQ(b, 20);
  EXPECT_EQ(intensity, 15);
  EXPECT_EQ(ambient, 70);
  EXPECT_EQ(view.GetShadingKind(), 4);

  page::Prop2DVal style = object.props2D;
  style.lineWidth = 3, style.lineColorMode = page::Prop2DVal::kColorGiven, style.lineColor = 0x0000FF;
  style.fillColorMode = page::Prop2DVal::kColorGiven, style.fillColor = 0x80C0FF, style.edgeQuality = 3;
  object.ApplyProp2D(style, false);
  int width = 0, kind = 0, lineMode = 0, faceMode = 0, factor = 0;
  platform::COLORREF lineColour = 0, faceColour = 0;
  view.GetDrawStyle(width, kind, lineColour, faceColour, lineMode, faceMode, factor);
  EXPECT_EQ(width, 3);
  EXPECT_EQ(lineColour, 0x0000FFu);
  EXPECT_EQ(lineMode, 0);
  EXPECT_EQ(faceColour, 0x80C0FFu);
  EXPECT_EQ(faceMode, 0);
  EXPECT_EQ(factor, 3);
  EXPECT_EQ(object.props2D.edgeQuality, 3) << "the values show what the view kept";
  Keep(DrawPage(doc), "figure-restyled");
}

TEST_F(FigurePageTest, CameraValuesStoredWithoutATargetTakeTheScenesTarget) {
  SDoc doc;
  doc.SetPageSize(400, 400);
  AddStandardFigure(doc, 200, 200);
  page::WritePageFolder(doc, dir_.Path());
  // An older page: the camera values' tail holds the kept lens and the
  // distance only (8 bytes), no target.
  std::string stream = testsupport::ReadText(dir_.File(page::kPageStreamName));
  const std::size_t camera = 20 + 6 * 4 + 85;  // page header, object head with an empty label, 2D values
  ASSERT_EQ(stream.substr(camera + 12, 4), std::string("\x20\0\0\0", 4));
  stream.replace(camera + 12, 4, std::string("\x08\0\0\0", 4));
  stream.erase(camera + 24, 24);
  dir_.Write(page::kPageStreamName, stream);

  SDoc back;
  ASSERT_NO_THROW(page::ReadPageFolder(back, dir_.Path()));
  SObj& object = *back.GetObject(0);
  EXPECT_EQ(object.props3D.level, 110);
  int h = 0, v = 0, lens = 0, zoom = 0;
  double x = 0, y = 0, z = 0;
  ViewOf(object).GetCameraSettings(h, v, lens, zoom, x, y, z);
  EXPECT_NE(y, 0.0) << "the standard figure's camera looks at its middle";
  EXPECT_EQ(object.props3D.targetX, x);
  EXPECT_EQ(object.props3D.targetY, y);
  EXPECT_EQ(object.props3D.targetZ, z);
}

TEST_F(FigurePageTest, AClickHitsTheFigureOnlyWhereItsPictureIsNotTransparent) {
  SDoc doc;
  doc.SetPageSize(400, 400);
  SObj& object = AddStandardFigure(doc, 200, 200);
  page::SView view;
  ASSERT_EQ(view.Draw(nullptr, doc, {0, 0, 400, 400}, page::kDrawScreen), 0);
  const page::PropSCVal& P = object.placement;
  // A point inside the box where the picture is transparent (beside the
  // figure's head), and one on the figure.
  SPoint empty(-1, -1), body(-1, -1);
  for (double py = P.y - P.height / 2 + 1; py < P.y + P.height / 2 - 1 && (empty.x < 0 || body.x < 0); py += 1)
    for (double px = P.x - P.width / 2 + 1; px < P.x + P.width / 2 - 1; px += 1) {
      const int alpha = AlphaAt(object, {px, py});
      if (alpha == 0 && empty.x < 0 && std::fabs(px - P.x) < P.width / 4) empty = {px, py};
      if (alpha == 255 && body.x < 0) body = {px, py};
    }
  ASSERT_GE(empty.x, 0);
  ASSERT_GE(body.x, 0);
  int handle = -1;
  const auto at = [&](SPoint p) { return view.PageToScreen(p); };
  EXPECT_EQ(view.HitTest(doc, at(body), handle), &object);
  EXPECT_EQ(view.HitTest(doc, at(empty), handle), nullptr);
  int person = -1;
  EXPECT_EQ(view.HitTestFigure(doc, at(body), person), &object);
  EXPECT_EQ(person, 1) << "the standard figure follows the floor grid in its scene";
}

TEST_F(FigurePageTest, PoseHandlesStayOnTheFigureWhenAShadowWidensItsBox) {
  SDoc doc;
  doc.SetPageSize(400, 400);
  SObj& object = AddStandardFigure(doc, 200, 200);
  ASSERT_EQ(doc.Execute(std::make_unique<page::SComFlagEditPoints>(&doc, object.id)), 0);
  const auto handles = [&] {
    std::vector<page::SCtlp> copy;
    for (const page::SCtlp& h : object.GetHandles(1.0)) copy.push_back(h);
    return copy;
  };
  const std::vector<page::SCtlp> plain = handles();
  ASSERT_GT(plain.size(), 20u) << "joints and bones of the standard figure";
  for (int i = 0; i < page::kStandardHandleCount; ++i) EXPECT_FALSE(plain[i].visible) << i;
  int joints = 0, onFigure = 0;
  for (std::size_t i = page::kStandardHandleCount; i < plain.size(); ++i) {
    EXPECT_TRUE(plain[i].poseOnly);
    if (plain[i].kind != 4 || !plain[i].visible) continue;
    ++joints;
    onFigure += AlphaAt(object, {plain[i].x, plain[i].y}) > 0 ? 1 : 0;
  }
  EXPECT_GT(joints, 10);
  EXPECT_GE(onFigure, joints - 2) << "joints lie on the drawn figure";

  // A soft shadow widens the box and insets the picture: the figure stays
  // where it was on the page, and its handles with it.
  page::Prop2DVal shadow = object.props2D;
  shadow.effectColorMode = 0, shadow.effectX = 6, shadow.effectY = 6, shadow.effectBlur = 3;
  object.ApplyProp2D(shadow, false);
  ASSERT_GT(object.placement.margin, 10);
  const std::vector<page::SCtlp> shadowed = handles();
  ASSERT_EQ(shadowed.size(), plain.size());
  for (std::size_t i = page::kStandardHandleCount; i < plain.size(); ++i) {
    EXPECT_NEAR(shadowed[i].x, plain[i].x, 1.0) << i;
    EXPECT_NEAR(shadowed[i].y, plain[i].y, 1.0) << i;
  }
}

}  // namespace figureshapetest
