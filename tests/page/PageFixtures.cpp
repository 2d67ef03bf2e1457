#include "PageFixtures.h"

#include <vector>

#include "PageTestSupport.h"
#include "page/SFig2D.h"
#include "page/SFigLine.h"
#include "page/SFigOval.h"
#include "page/SFigPoly.h"
#include "page/SFigRect.h"

namespace pagetest {
namespace {

using page::SObj;

SObj& Add(page::SDoc& doc, std::unique_ptr<page::SFig> fig, int parentId, double x, double y) {
  page::PropSCVal place;
  place.x = x, place.y = y, place.width = 120.5, place.height = 64.25;
  return AddShape(doc, std::move(fig), parentId, place);
}

}  // namespace

std::unique_ptr<page::SDoc> MakeEveryShapePage() {
  auto doc = std::make_unique<page::SDoc>();
  doc->SetPageSize(800, 1131);
  doc->resolution = 350;
  doc->grid.spacing = 25, doc->grid.divisions = 5, doc->grid.showGrid = true, doc->grid.flag1 = false;
  doc->grid.extra1 = 0x0000FF, doc->grid.extra2 = 3, doc->grid.extra3 = 2;

  SObj& rect = Add(*doc, std::make_unique<page::SFigRect>(), -1, 100, 100);
  rect.SetSelected(true);
  rect.label = "枠A";
  rect.placement.angle = 0.75;
  page::Prop2DVal shadow;
  shadow.ApplyStylePreset(13, 0x336699);
  shadow.lineWidth = 4;
  rect.ApplyProp2D(shadow, true);

  SObj& group = Add(*doc, std::make_unique<page::SFig>(), -1, 300, 300);
  group.flags = page::kObjHidden | page::kObjContainer | page::kObjGroup;
  SObj& oval = Add(*doc, std::make_unique<page::SFigOval>(), group.id, 280, 290);
  oval.props2D.fillColorMode = page::Prop2DVal::kColorNone;
  oval.props2D.opacity = 40;
  oval.props3D.lens = 0, oval.props3D.reserved = 81, oval.props3D.targetZ = -2.5;
  oval.propsLT.shading = 4, oval.propsLT.lightHorizontal = -30;
  SObj& line = Add(*doc, std::make_unique<page::SFigLine>(), group.id, 320, 310);
  page::Prop2DVal arrows;
  arrows.arrow = page::Prop2DVal::kArrowBoth;
  arrows.lineColor = 0x0000C0;
  arrows.mask = page::Prop2DVal::kArrow | page::Prop2DVal::kLineColor;
  line.ApplyProp2D(arrows, true);

  SObj& frame = Add(*doc, std::make_unique<page::SFigRect>(), -1, 500, 500);
  frame.SetFlagsAll(page::kObjContainer | page::kObjFrame);
  auto poly = std::make_unique<page::SFigPoly>();
  const std::vector<page::SPoint> drawn = {{0, 0}, {40, 10}, {35, 60}, {-5, 33.3}};
  poly->SetNormalizedPoints(drawn);
  SObj& polyline = Add(*doc, std::move(poly), frame.id, 480, 520);
  page::Prop2DVal open;
  open.pathFlags = page::Prop2DVal::kPathOpen | page::Prop2DVal::kPathEditable;
  open.mask = page::Prop2DVal::kPathFlags;
  polyline.ApplyProp2D(open, true);
  SObj& inner = Add(*doc, std::make_unique<page::SFigOval>(), frame.id, 520, 480);
  inner.SetFlagsAll(page::kObjContainer | page::kObjFrame | page::kObjFrameNoClip);
  SObj& innerRect = Add(*doc, std::make_unique<page::SFigRect>(), inner.id, 525, 485);
  innerRect.props2D.effectSwitch = true;
  innerRect.props2D.grayscale = true;

  SObj& plain = Add(*doc, std::make_unique<page::SFig2D>(), -1, 700, 50);
  plain.placement.angle = -1.5;
  return doc;
}

}  // namespace pagetest
