// The page renderer on screen and in images: transforms, background, grid,
// border, the area outside the page, the outline pass of panel frames,
// selection marks, hits and rubber bands.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "RenderFixtures.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SFigRect.h"
#include "page/SView.h"

namespace {

using page::SDoc;
using page::SObj;
using page::SView;
using platform::Bgra;
using platform::COLORREF;
using platform::RECT;

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kRed = 0x0000FF;

COLORREF At(const platform::Image& image, int x, int y) { return image.GetBgra(x, y).ToColorRef(); }

SObj& AddRect(SDoc& doc, double x, double y, double w, double h, COLORREF fill, int parentId = -1) {
  auto object = std::make_unique<SObj>();
  object->SetFig(std::make_unique<page::SFigRect>(), true);
  object->placement.x = x, object->placement.y = y, object->placement.width = w, object->placement.height = h;
  object->props2D.fillColor = fill;
  object->props2D.lineColor = fill;
  object->props2D.lineWidth = 1;
  object->props2D.edgeQuality = 1;
  object->parentId = parentId;
  SObj& added = *object;
  doc.AddObject(std::move(object), -1, -1);
  return added;
}

TEST(SViewTransform, EachModeFitsOrScrollsThePage) {
  struct Case {
    const char* what;
    int pageW, pageH, zoom, mode;
    RECT target;
    double scale, originX, originY;
  };
  const Case cases[] = {
      {"export, wider target: margins left and right", 500, 500, 100, 4, {0, 0, 1000, 500}, 1, 250, 0},
      {"export, taller target", 500, 500, 100, 4, {0, 0, 500, 1000}, 1, 0, 250},
      {"export, smaller target", 500, 250, 100, 4, {0, 0, 100, 100}, 0.2, 0, 25},
      {"screen, page larger than the window: scrolled", 500, 500, 200, 0, {40, -8, 840, 592}, 2, -40, 8},
      {"screen, smaller page: centred", 500, 500, 50, 0, {-8, -8, 792, 592}, 0.5, 275, 175},
      {"print: the page at its own size", 500, 500, 300, 5, {0, 0, 10, 10}, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SDoc doc;
    doc.SetPageSize(c.pageW, c.pageH);
    SView view;
    view.zoom = c.zoom;
    ASSERT_EQ(view.Draw(nullptr, doc, c.target, c.mode), 0) << c.what;
    EXPECT_DOUBLE_EQ(view.transform.scale, c.scale) << c.what;
    EXPECT_DOUBLE_EQ(view.transform.originX, c.originX) << c.what;
    EXPECT_DOUBLE_EQ(view.transform.originY, c.originY) << c.what;
    EXPECT_EQ(view.transform.mode, c.mode);
  }
}

TEST(SViewDraw, ExportsFillMarginsWithTheBackgroundOrLeaveThemTransparent) {
  SDoc doc;
  doc.grid.secondColor = 0xE0E0E0;
  AddRect(doc, 250, 250, 100, 100, kBlue);
  SView view;
  for (const bool transparent : {false, true}) {
    doc.grid.flag1 = transparent;
    ASSERT_EQ(view.Draw(nullptr, doc, {0, 0, 1000, 500}, page::kDrawExport), 0);
    const Bgra margin = view.image.GetBgra(100, 250);
    if (transparent)
      EXPECT_EQ(margin.a, 0);
    else
      EXPECT_EQ(margin, (Bgra{0xE0, 0xE0, 0xE0, 255}));
    EXPECT_EQ(view.image.GetBgra(500, 250), (Bgra{255, 0, 0, 255})) << "the rectangle at the page's middle";
    EXPECT_EQ(view.image.HasAlpha(), transparent);
  }
}

TEST(SViewDraw, AnEmptyPageShowsItsBackgroundAndFrameOnly) {
  SDoc doc;
  doc.SetPageSize(100, 80);
  doc.grid.secondColor = 0x00FFFF;
  doc.grid.extra2 = 5;  // a border, which only pages with shapes show
  SView view;
  ASSERT_EQ(view.Draw(nullptr, doc, {-8, -8, 192, 152}, page::kDrawScreen), 0);
  // Centred: origin (50, 40).
  EXPECT_EQ(At(view.image, 52, 42), 0x00FFFFu);
  EXPECT_EQ(At(view.image, 54, 42), 0x00FFFFu) << "no border without shapes";
  EXPECT_EQ(At(view.image, 49, 39), platform::MakeRgb(150, 150, 150)) << "the page's frame";
  EXPECT_EQ(At(view.image, 10, 10), kWhite);
}

TEST(SViewDraw, GridBorderAndTheAreaOutsideThePage) {
  SDoc doc;
  doc.SetPageSize(100, 100);
  doc.grid.showGrid = true;
  doc.grid.spacing = 20;
  doc.grid.lineColor = 0x00FF00;
  doc.grid.extra1 = kRed, doc.grid.extra2 = 4;
  // A rectangle reaching past the page's right edge.
  AddRect(doc, 100, 50, 40, 20, kBlue);
  struct Case {
    int outside;
    COLORREF beyond;  // the rectangle's colour past the page
  };
  const Case cases[] = {{0, kBlue}, {1, platform::MakeRgb(223, 223, 255 / 8 + 223)}, {2, kWhite}};
  for (const Case& c : cases) {
    doc.grid.extra3 = c.outside;
    SView view;
    ASSERT_EQ(view.Draw(nullptr, doc, {-8, -8, 192, 192}, page::kDrawScreen), 0);
    // The page lies at (50, 50) to (150, 150).
    EXPECT_EQ(At(view.image, 160, 100), c.beyond) << c.outside;
    EXPECT_EQ(At(view.image, 51, 100), kRed) << "border";
    EXPECT_EQ(At(view.image, 70, 100), 0x00FF00u) << "grid line at 20";
    EXPECT_EQ(At(view.image, 71, 100), kWhite);
    EXPECT_EQ(At(view.image, 130, 100), kBlue);
  }
}

TEST(SViewDraw, APanelFramesOutlineLiesOverItsClippedMembers) {
  SDoc doc;
  doc.SetPageSize(100, 100);
  doc.grid.flag1 = false;  // an opaque export
  SObj& frame = AddRect(doc, 50, 50, 40, 40, kRed);
  frame.SetFlagsAll(page::kObjContainer | page::kObjFrame);
  frame.props2D.fillColorMode = page::Prop2DVal::kColorNone;
  frame.props2D.lineWidth = 3;
  // A member larger than the frame: clipped to it, under its outline.
  AddRect(doc, 50, 50, 80, 80, kBlue, frame.id);
  SView view;
  ASSERT_EQ(view.Draw(nullptr, doc, {0, 0, 100, 100}, page::kDrawExport), 0);
  EXPECT_EQ(At(view.image, 50, 50), kBlue);
  EXPECT_EQ(At(view.image, 30, 50), kRed) << "the outline over the member";
  EXPECT_EQ(At(view.image, 20, 50), kWhite) << "the member outside the frame is cut";
}

TEST(SViewDraw, SelectedObjectsShowTheirMarksOnScreenOnly) {
  SDoc doc;
  doc.SetPageSize(100, 100);
  AddRect(doc, 50, 50, 40, 40, kBlue).SetSelected(true);
  SView view;
  ASSERT_EQ(view.Draw(nullptr, doc, {0, 0, 100, 100}, page::kDrawScreen), 0);
  const COLORREF corner = At(view.image, 30, 30);
  EXPECT_NE(corner, kBlue);
  ASSERT_EQ(view.Draw(nullptr, doc, {0, 0, 100, 100}, page::kDrawExport), 0);
  EXPECT_EQ(At(view.image, 30, 30), kBlue);
}

// A shape whose rendering fails, as a 3D figure's can.
class FailingFig : public page::SFig {
 public:
  int GetDrawKind() const override { return page::kDrawKind3D; }
  bool RenderImage(platform::Image&, const page::SDrawSize&, const page::Prop2DVal&, bool, int& result) override {
    result = page::kResultPersonFile;
    return false;
  }
};

TEST(SViewDraw, AShapesFailureEndsTheDrawingWithItsCode) {
  SDoc doc;
  AddRect(doc, 50, 50, 20, 20, kBlue);
  doc.GetObject(0)->SetFig(std::make_unique<FailingFig>(), true);
  AddRect(doc, 50, 50, 20, 20, kRed);
  SView view;
  EXPECT_EQ(view.Draw(nullptr, doc, {0, 0, 50, 50}, page::kDrawExport), page::kResultPersonFile);
}

TEST(SViewDraw, PrintingCoversThePagesPhysicalSize) {
  SDoc doc;
  EXPECT_EQ(SView::PrintedSize(doc, {600, 600}).cx, 4166);
  EXPECT_EQ(SView::PrintedSize(doc, {600, 300}).cy, 2083);
  doc.SetPageSize(100, 50);
  AddRect(doc, 50, 25, 100, 50, kBlue);
  platform::Image printer(400, 400, 32);
  printer.Fill(Bgra::FromColorRef(kWhite));
  platform::Dc dc(printer);
  dc.SetLogPixels({144, 144});
  SView view;
  ASSERT_EQ(view.Draw(&dc, doc, {0, 0, 1, 1}, page::kDrawPrint), 0);
  EXPECT_EQ(At(printer, 190, 90), kBlue);
  EXPECT_EQ(At(printer, 205, 50), kWhite);
  EXPECT_EQ(At(printer, 50, 105), kWhite);
}

TEST(SViewHits, TheFrontObjectIsHitUnlessAHandleBehindIs) {
  SDoc doc;
  doc.SetPageSize(200, 200);
  SObj& back = AddRect(doc, 80, 80, 60, 60, kBlue);
  SObj& front = AddRect(doc, 110, 110, 60, 60, kRed);
  SObj& hidden = AddRect(doc, 110, 110, 10, 10, kRed);
  hidden.flags |= page::kObjHidden;
  SView view;
  ASSERT_EQ(view.Draw(nullptr, doc, {0, 0, 200, 200}, page::kDrawScreen), 0);
  int handle = 0;
  EXPECT_EQ(view.HitTest(doc, {115, 115}, handle), &front);
  EXPECT_EQ(handle, -1);
  EXPECT_EQ(view.HitTest(doc, {60, 60}, handle), &back);
  EXPECT_EQ(view.HitTest(doc, {190, 20}, handle), nullptr);
  // The selected back object's bottom-right corner handle lies inside the front one.
  back.SetSelected(true);
  EXPECT_EQ(view.HitTest(doc, {110, 110}, handle), &back);
  EXPECT_EQ(handle, 3);
}

TEST(SViewHits, PanelFramesAreFoundThroughTheirMembers) {
  SDoc doc;
  doc.SetPageSize(200, 200);
  SObj& frame = AddRect(doc, 100, 100, 100, 100, kRed);
  frame.SetFlagsAll(page::kObjContainer | page::kObjFrame);
  AddRect(doc, 100, 100, 20, 20, kBlue, frame.id);
  SView view;
  ASSERT_EQ(view.Draw(nullptr, doc, {0, 0, 200, 200}, page::kDrawScreen), 0);
  EXPECT_EQ(view.HitTestPanelFrame(doc, {100, 100}), &frame);
  EXPECT_EQ(view.HitTestPanelFrame(doc, {70, 70}), &frame);
  EXPECT_EQ(view.HitTestPanelFrame(doc, {5, 5}), nullptr);
  EXPECT_EQ(SView::FindCropFrame(doc, *doc.GetObject(1)), &frame.frame);
  frame.flags |= page::kObjFrameNoClip;
  EXPECT_EQ(SView::FindCropFrame(doc, *doc.GetObject(1)), nullptr);
}

TEST(SViewHits, PointsRectanglesAndOutlines) {
  SDoc doc;
  doc.SetPageSize(400, 400);
  AddRect(doc, 100, 100, 40, 40, kBlue);
  AddRect(doc, 300, 300, 40, 40, kBlue);
  SView view;
  view.zoom = 200;
  ASSERT_EQ(view.Draw(nullptr, doc, {30, 20, 830, 620}, page::kDrawScreen), 0);
  const platform::POINT window = view.PageToScreen({100, 100});
  EXPECT_EQ(window.x, 170);
  EXPECT_EQ(window.y, 180);
  const page::SPoint back = view.ScreenToPage(window);
  EXPECT_DOUBLE_EQ(back.x, 100);
  std::vector<int> ids;
  view.CollectInRect(doc, view.PageToScreen({50, 50}), view.PageToScreen({200, 200}), ids);
  EXPECT_EQ(ids, std::vector<int>{1000});
  std::vector<page::STLine> lines;
  view.AddObjectOutline(*doc.GetObject(0), lines);
  ASSERT_EQ(lines.size(), 4u);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(lines[k].x2, lines[(k + 1) % 4].x1) << "each line starts where the last ended";
    EXPECT_EQ(lines[k].y2, lines[(k + 1) % 4].y1);
    EXPECT_EQ(lines[k].kind, page::STLine::kThickLine);
  }
}

TEST(SViewHits, RubberBandsDrawnTwiceLeaveNoTrace) {
  platform::Image image(60, 60, 32);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) image.SetBgra(x, y, Bgra{static_cast<std::uint8_t>(x * 4), 90, static_cast<std::uint8_t>(y * 4), 255});
  const platform::Image before = image;
  std::vector<page::STLine> lines;
  for (int kind = 0; kind <= 6; ++kind) lines.push_back({kind, 5 + kind, 10, 50, 40 + kind});
  platform::Dc dc(image);
  SView::DrawTrackLines(dc, lines);
  EXPECT_NE(std::memcmp(image.Bits(), before.Bits(), image.SizeBytes()), 0);
  SView::DrawTrackLines(dc, lines);
  EXPECT_EQ(std::memcmp(image.Bits(), before.Bits(), image.SizeBytes()), 0);
}

}  // namespace
