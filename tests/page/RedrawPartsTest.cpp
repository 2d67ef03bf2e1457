// Drawing the page in parts must not change a pixel: objects drawn side by
// side on several threads give the same export as one thread, and a redraw
// of a scrolled, zoomed window (whose shapes draw only what it shows) gives
// the same pixels as that part of a redraw of the whole page, which is the
// export of the page at that size.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numbers>
#include <vector>

#include "RenderFixtures.h"
#include "page/SDoc.h"
#include "page/SFigLine.h"
#include "page/SFigOval.h"
#include "page/SFigPic.h"
#include "page/SFigPoly.h"
#include "page/SFigRect.h"
#include "page/SView.h"
#include "platform/Parallel.h"
#include "support/WorkerThreads.h"

namespace {

using page::SDoc;
using page::SObj;
using page::SView;
using platform::Image;

using ThreadsScope = testsupport::ScopedWorkerThreads;

std::unique_ptr<Image> Checks() {
  auto image = std::make_unique<Image>(24, 20, 32, true);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 24; ++x) {
      const auto v = static_cast<std::uint8_t>((x / 3 + y / 3) % 2 ? 230 : 20);
      image->SetBgra(x, y, x + y < 5 ? platform::Bgra{} : platform::Bgra{v, static_cast<std::uint8_t>(x * 10), 90, 255});
    }
  return image;
}

// Every kind of vector shape with every kind of effect, large shapes
// reaching off the page, edge qualities 1 to 4, pictures, text and panel
// frames (nested, with members), in a row of 60 objects.
std::unique_ptr<SDoc> BusyPage() {
  auto doc = pagetest::MakeJapanesePage();
  for (int i = 0; i < 60; ++i) {
    const double x = 15 + (i % 10) * 29, y = 20 + (i / 10) * 30, w = 26 + (i % 7) * 9, h = 18 + (i % 5) * 8;
    page::Prop2DVal v;
    v.lineColor = static_cast<platform::COLORREF>(0x102030 * (i % 5));
    v.fillColor = static_cast<platform::COLORREF>(0x3050F0 + i * 0x030507);
    v.lineWidth = i % 4;
    v.lineStyle = 1 + i % 3;
    v.edgeQuality = 1 + i % 4;
    v.pathFlags = i % 6 == 2 ? page::Prop2DVal::kPathCurve : 0;
    v.arrow = i % 8 == 3 ? page::Prop2DVal::kArrowBoth : page::Prop2DVal::kArrowNone;
    if (i % 3 == 0) v.effectColorMode = 0, v.effectX = i % 7 - 3, v.effectY = 3, v.effectBlur = i % 9 == 0 ? -1 : i % 4;
    if (i % 11 == 4) v.wholeBlur = 2;
    if (i % 13 == 5) v.opacity = 60;
    if (i % 17 == 6) v.grayscale = true;
    std::unique_ptr<page::SFig> fig;
    switch (i % 6) {
      case 0: fig = std::make_unique<page::SFigRect>(); break;
      case 1: fig = std::make_unique<page::SFigOval>(); break;
      case 2: {
        auto poly = std::make_unique<page::SFigPoly>();
        poly->SetNormalizedPoints(std::vector<page::SPoint>{{0, 30}, {20, 0}, {40, 30}, {20, 20}});
        fig = std::move(poly);
        break;
      }
      case 3: fig = std::make_unique<page::SFigLine>(); break;
      case 4: {
        auto picture = std::make_unique<page::SFigPic>();
        picture->SetPicture(Checks(), false, false);
        fig = std::move(picture);
        break;
      }
      default: {
        // A panel frame holding an oval that reaches past it.
        SObj& frame = pagetest::AddShape(*doc, std::make_unique<page::SFigRect>(), x, y, w, h);
        frame.SetFlagsAll(page::kObjContainer | page::kObjFrame);
        frame.ApplyProp2D(v, false);
        pagetest::AddShape(*doc, std::make_unique<page::SFigOval>(), x + 8, y + 5, w, h, frame.id).ApplyProp2D(v, false);
        continue;
      }
    }
    SObj& object = pagetest::AddShape(*doc, std::move(fig), x, y, w, h);
    object.ApplyProp2D(v, false);
    object.placement.angle = (i % 4) * std::numbers::pi / 7;
  }
  // Shapes larger than the page.
  SObj& ring = pagetest::AddShape(*doc, std::make_unique<page::SFigOval>(), 150, 100, 420, 260);
  ring.placement.angle = 0.3;
  page::Prop2DVal line = ring.props2D;
  line.fillColorMode = page::Prop2DVal::kColorNone, line.lineColor = 0x0000C0, line.lineWidth = 5;
  ring.ApplyProp2D(line, false);
  SObj& big = pagetest::AddShape(*doc, std::make_unique<page::SFigRect>(), 40, 180, 500, 90);
  page::Prop2DVal shadow = big.props2D;
  shadow.effectColorMode = 0, shadow.effectX = -6, shadow.effectY = 4, shadow.effectBlur = 5;
  shadow.fillColor = 0x20C040, shadow.opacity = 40;
  big.ApplyProp2D(shadow, false);
  return doc;
}

testing::AssertionResult SameBytes(const Image& a, const Image& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return testing::AssertionFailure() << "sizes differ";
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width() * 4; ++x)
      if (a.Row(y)[x] != b.Row(y)[x])
        return testing::AssertionFailure() << "pixel (" << x / 4 << ", " << y << ") byte " << x % 4 << ": "
                                           << int(a.Row(y)[x]) << " against " << int(b.Row(y)[x]);
  return testing::AssertionSuccess();
}

TEST(RedrawParts, AnExportIsTheSameDrawnOnOneThreadOrSeveral) {
  for (auto make : {pagetest::MakeShapesPage, pagetest::MakeJapanesePage, BusyPage}) {
    auto doc = make();
    for (bool transparent : {false, true}) {
      doc->grid.flag1 = transparent;
      Image one;
      for (int threads : {1, 3, 8}) {
        SCOPED_TRACE(testing::Message() << threads << " threads, transparent " << transparent);
        ThreadsScope scope(threads);
        SView view;
        const int width = doc->GetPageWidth() * 4, height = doc->GetPageHeight() * 4;
        ASSERT_EQ(view.Draw(nullptr, *doc, {0, 0, width, height}, page::kDrawExport), 0);
        if (threads == 1)
          one = view.image;
        else
          EXPECT_TRUE(SameBytes(view.image, one));
      }
    }
  }
}

TEST(RedrawParts, AScrolledZoomedWindowShowsThatPartOfTheWholeRedraw) {
  auto doc = BusyPage();
  doc->grid.showGrid = false;  // the screen's own marks
  doc->grid.flag1 = false;
  for (int zoom : {100, 250, 400}) {
    SView whole;
    whole.zoom = zoom;
    const platform::SIZE page = whole.PagePixelSize(doc.get());
    ASSERT_EQ(whole.Draw(nullptr, *doc, {0, 0, page.cx, page.cy}, page::kDrawScreen), 0);
    // The whole page on screen cuts the shapes reaching past it; an export
    // of the same size draws every shape whole.
    SView exported;
    ASSERT_EQ(exported.Draw(nullptr, *doc, {0, 0, page.cx, page.cy}, page::kDrawExport), 0);
    EXPECT_TRUE(SameBytes(whole.image, exported.image)) << "zoom " << zoom;
    // Windows at corners, edges and the middle, cutting through shapes.
    const platform::RECT windows[] = {{0, 0, 160, 120},
                                      {page.cx / 3, page.cy / 4, page.cx / 3 + 200, page.cy / 4 + 150},
                                      {page.cx - 173, page.cy - 91, page.cx, page.cy},
                                      {37, page.cy / 2, std::min(37 + 301, page.cx - 1), page.cy / 2 + 7}};
    for (const platform::RECT& window : windows) {
      SCOPED_TRACE(testing::Message() << "zoom " << zoom << ", window at " << window.left << "," << window.top);
      SView part;
      part.zoom = zoom;
      ASSERT_EQ(part.Draw(nullptr, *doc, window, page::kDrawScreen), 0);
      Image expected(window.Width(), window.Height(), 32);
      for (int y = 0; y < window.Height(); ++y)
        std::copy_n(whole.image.Row(window.top + y) + window.left * 4, window.Width() * 4, expected.Row(y));
      EXPECT_TRUE(SameBytes(part.image, expected));
    }
  }
}

}  // namespace
