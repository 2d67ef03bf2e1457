#include "RenderFixtures.h"

#include <numbers>
#include <vector>

#include "page/SFigLine.h"
#include "page/SFigOval.h"
#include "page/SFigPic.h"
#include "page/SFigPoly.h"
#include "page/SFigRect.h"
#include "page/SFigText.h"

namespace pagetest {

page::SObj& AddShape(page::SDoc& doc, std::unique_ptr<page::SFig> fig, double x, double y, double w, double h,
                     int parentId) {
  auto object = std::make_unique<page::SObj>();
  object->SetFig(std::move(fig), true);
  object->parentId = parentId;
  object->placement.x = x, object->placement.y = y;
  object->placement.width = w, object->placement.height = h;
  page::SObj& added = *object;
  doc.AddObject(std::move(object), -1, -1);
  return added;
}

namespace {

using page::SObj;

// Applies the values in full, so the margin makes room for the stroke.
void Style(SObj& object, platform::COLORREF line, platform::COLORREF fill, int lineWidth) {
  page::Prop2DVal v = object.props2D;
  v.lineColor = line, v.fillColor = fill, v.lineWidth = lineWidth;
  object.ApplyProp2D(v, false);
}

std::unique_ptr<platform::Image> Gradient() {
  auto image = std::make_unique<platform::Image>(16, 16, 32, true);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const auto v = static_cast<std::uint8_t>(x * 16);
      const bool corner = x + y < 6;
      image->SetBgra(x, y, corner ? platform::Bgra{0, 0, 0, 0} : platform::Bgra{v, 128, static_cast<std::uint8_t>(255 - v), 255});
    }
  return image;
}

void AddShapes(page::SDoc& doc, double sx, double sy) {
  SObj& rect = AddShape(doc, std::make_unique<page::SFigRect>(), 40 * sx, 30 * sy, 50, 30);
  Style(rect, 0x000000, 0x00FFFF, 2);

  SObj& oval = AddShape(doc, std::make_unique<page::SFigOval>(), 110 * sx, 35 * sy, 50, 30);
  oval.placement.angle = std::numbers::pi / 6;
  Style(oval, 0x0000FF, 0xFFFFFF, 1);
  oval.props2D.fillColorMode = page::Prop2DVal::kColorNone;

  SObj& line = AddShape(doc, std::make_unique<page::SFigLine>(), 80 * sx, 100 * sy, 120, 10);
  line.props2D.arrow = page::Prop2DVal::kArrowBoth;
  Style(line, 0x404040, 0xFFFFFF, 2);

  auto triangle = std::make_unique<page::SFigPoly>();
  const std::vector<page::SPoint> points = {{0, 40}, {20, 0}, {40, 40}};
  triangle->SetNormalizedPoints(points);
  SObj& poly = AddShape(doc, std::move(triangle), 35 * sx, 85 * sy, 40, 40);
  page::Prop2DVal shadow = poly.props2D;
  shadow.effectColorMode = 0, shadow.effectColor = 0x808080, shadow.effectX = 3, shadow.effectY = 3;
  poly.ApplyProp2D(shadow, false);
  Style(poly, 0x006000, 0x00C000, 1);

  auto picture = std::make_unique<page::SFigPic>();
  picture->SetPicture(Gradient(), false, false);
  AddShape(doc, std::move(picture), 130 * sx, 85 * sy, 32, 32);

  SObj& frame = AddShape(doc, std::make_unique<page::SFigRect>(), 80 * sx, 60 * sy, 60, 40);
  frame.SetFlagsAll(page::kObjContainer | page::kObjFrame);
  Style(frame, 0xFF0000, 0xFFFFFF, 2);
  frame.props2D.fillColorMode = page::Prop2DVal::kColorNone;
  SObj& member = AddShape(doc, std::make_unique<page::SFigOval>(), 95 * sx, 70 * sy, 50, 36, frame.id);
  Style(member, 0xFF00FF, 0xFF00FF, 1);
}

}  // namespace

std::unique_ptr<page::SFigText> MakeText(const std::string& text, bool vertical) {
  auto fig = std::make_unique<page::SFigText>();
  page::STextSettings s = fig->GetSettings();
  s.text = text;
  s.face = "ＭＳ Ｐゴシック";
  s.size = 12;
  s.vertical = vertical;
  fig->ApplySettings(s);
  return fig;
}

SObj& AddText(page::SDoc& doc, const std::string& text, bool vertical, double x, double y, double w, double h) {
  return AddShape(doc, MakeText(text, vertical), x, y, w, h);
}

std::unique_ptr<page::SDoc> MakeShapesPage() {
  auto doc = std::make_unique<page::SDoc>();
  doc->SetPageSize(160, 120);
  doc->grid.secondColor = 0xFFF8F0;
  doc->grid.flag1 = false;
  doc->grid.extra1 = 0x800000, doc->grid.extra2 = 2;
  AddShapes(*doc, 1, 1);
  return doc;
}

std::unique_ptr<page::SDoc> MakeJapanesePage() {
  auto doc = std::make_unique<page::SDoc>();
  doc->SetPageSize(300, 200);
  doc->resolution = 96;
  AddShapes(*doc, 1, 1);
  AddText(*doc, "横書きの文章です。「括弧」も入ります。", false, 150, 160, 180, 40);
  AddText(*doc, "縦書きの文章、ABC123。", true, 260, 90, 50, 160);
  return doc;
}

}  // namespace pagetest
