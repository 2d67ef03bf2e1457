// The tool palette and the property bars used as a person uses them, in the
// main frame with a page open: every tool picked on the palette, styles
// picked on the 2D shape bar (colour palettes, menus, the opacity slider,
// the effects dialog) and on the atmosphere bar, each change checked on the
// page as drawn in the view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDockWidget>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "BarTestSupport.h"
#include "ShellTestSupport.h"
#include "support/FigureFiles.h"
#include "app/AppCommands.h"
#include "app/CColButton.h"
#include "app/CColMenu.h"
#include "app/CImageButton.h"
#include "app/CKageDialog.h"
#include "app/CLWButton.h"
#include "app/CMySliderCtrl.h"
#include "app/CPennetDoc.h"
#include "app/CProp2DBar.h"
#include "app/CProp3DBar.h"
#include "app/CPropAtmBar.h"
#include "app/CPropLtBar.h"
#include "app/CPropToolBar.h"
#include "app/CSMainFrame.h"
#include "app/PropBarMenus.h"
#include "app/SFigTextDlg.h"
#include "page/PnGlobal.h"
#include "page/SDoc.h"
#include "page/SFig.h"
#include "page/FigureService.h"
#include "page/SFig3D.h"
#include "page/SObj.h"
#include "page/STrackFactory.h"

namespace {

using platform::COLORREF;
using platform::RECT;

class BarsEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    frame().resize(1400, 1000);
    frame().show();
    palette_ = Bar<app::CPropToolBar>(app::CSMainFrame::kToolPalette);
    bar2D_ = Bar<app::CProp2DBar>(app::CSMainFrame::k2DShapeBar);
    atmosphere_ = Bar<app::CPropAtmBar>(app::CSMainFrame::kAtmosphereBar);
    ASSERT_TRUE(palette_ && bar2D_ && atmosphere_);
    // The 2D shape bar starts hidden; a person shows it from the View menu.
    frame().GetBar(app::CSMainFrame::k2DShapeBar)->show();
    if (!palette_->Button(app::CPropToolBar::kFirstTool + page::kToolRect)->isVisible())
      QTest::mouseClick(palette_->Button(app::CPropToolBar::kShowToolsPosition), Qt::LeftButton);
    frame().CommandAction(app::ID_FILE_NEW)->trigger();
    view_ = dynamic_cast<app::CPennetView*>(frame().GetActiveView());
    ASSERT_NE(view_, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_));
  }

  app::CSMainFrame& frame() { return shell_.Frame(); }
  page::SDoc& doc() { return shell_.pennet->GetActiveDocument()->GetSDoc(); }
  template <class T>
  T* Bar(app::CSMainFrame::BarId id) {
    return qobject_cast<T*>(frame().GetBar(id)->widget());
  }

  void ChooseTool(int tool) {
    app::CImageButton* button = palette_->Button(app::CPropToolBar::kFirstTool + tool);
    ASSERT_TRUE(button->isVisible()) << "tool " << tool;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  void Drag(std::vector<QPoint> points) {
    QTest::mousePress(view_, Qt::LeftButton, {}, points.front());
    for (std::size_t i = 1; i < points.size(); ++i) QTest::mouseMove(view_, points[i]);
    QTest::mouseRelease(view_, Qt::LeftButton, {}, points.back());
  }
  // Clicks one after another, the last one double.
  void Clicks(std::vector<QPoint> points) {
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
      QTest::mouseMove(view_, points[i]);
      QTest::mouseClick(view_, Qt::LeftButton, {}, points[i]);
    }
    QTest::mouseMove(view_, points.back());
    QTest::mouseDClick(view_, Qt::LeftButton, {}, points.back());
  }
  // Presses the colour button and lets go over the palette's item of the
  // command.
  static void ChoosePaletteItem(app::CColButton& button, int commandId) {
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    app::CColMenu* menu = button.Palette();
    ASSERT_TRUE(menu->isVisible());
    for (const app::PaletteItem& item : menu->Items()) {
      if (item.commandId != commandId) continue;
      // Items sit 2 pixels inside the popup's border.
      const QPoint centre((item.rect.left + item.rect.right) / 2 + 2, (item.rect.top + item.rect.bottom) / 2 + 2);
      QTest::mouseMove(menu, centre);
      QTest::mouseRelease(menu, Qt::LeftButton, {}, centre);
      EXPECT_FALSE(menu->isVisible());
      return;
    }
    ADD_FAILURE() << "no palette item " << commandId;
  }

  // Pixels of the colour inside the area of the view as drawn now.
  int CountColour(const RECT& area, COLORREF colour) const {
    const platform::Image& shown = view_->ScreenImage();
    int count = 0;
    for (int y = std::max(0, area.top); y < std::min(shown.Height(), area.bottom); ++y)
      for (int x = std::max(0, area.left); x < std::min(shown.Width(), area.right); ++x) {
        const platform::Bgra p = shown.GetBgra(x, y);
        if (platform::MakeRgb(p.r, p.g, p.b) == colour) ++count;
      }
    return count;
  }
  static COLORREF ColourOf(const platform::Image& image, int x, int y) {
    const platform::Bgra p = image.GetBgra(x, y);
    return platform::MakeRgb(p.r, p.g, p.b);
  }
  COLORREF ColourAt(int x, int y) const { return ColourOf(view_->ScreenImage(), x, y); }
  page::SObj& Only() {
    EXPECT_EQ(doc().GetObjectCount(), 1);
    return *doc().GetObject(0);
  }

  bartest::ScopedGlobals globals_;
  shelltest::ShellFixture shell_;
  app::CPropToolBar* palette_ = nullptr;
  app::CProp2DBar* bar2D_ = nullptr;
  app::CPropAtmBar* atmosphere_ = nullptr;
  app::CPennetView* view_ = nullptr;
};

// ---- the tool palette ---------------------------------------------------------------

TEST_F(BarsEndToEnd, EveryToolOfThePaletteIsPickedAndShowsPressed) {
  for (int tool = 0; tool < app::CPropToolBar::kToolCount; ++tool) {
    if (tool == page::kToolPanelFrame || tool == page::kToolCutOutFrame) continue;  // out of sight
    SCOPED_TRACE(tool);
    ChooseTool(tool);
    EXPECT_EQ(page::PnGlobal::Get().toolNumber, tool);
    for (int other = 0; other < app::CPropToolBar::kToolCount; ++other) {
      const int state = palette_->Button(app::CPropToolBar::kFirstTool + other)->GetState();
      EXPECT_EQ((state & app::CImageButton::kStatePushed) != 0, other == tool) << "button of tool " << other;
    }
  }
}

TEST_F(BarsEndToEnd, EachDrawingToolDrawsItsShapeOnThePage) {
  struct Case {
    int tool;
    bool clicks;  // click by click, else one drag
    std::vector<QPoint> points;
    int type;
  };
  const Case cases[] = {
      {page::kToolRect, false, {{40, 40}, {90, 60}, {140, 100}}, page::kFigRect},
      {page::kToolOval, false, {{160, 40}, {200, 80}, {240, 120}}, page::kFigOval},
      {page::kToolLine, false, {{260, 40}, {300, 70}, {340, 110}}, page::kFigLine},
      {page::kToolArrowLine, false, {{360, 40}, {400, 70}, {440, 110}}, page::kFigLine},
      {page::kToolFreeLine, false, {{40, 160}, {60, 190}, {90, 170}, {120, 210}, {140, 180}}, page::kFigPoly},
      {page::kToolFreeArea, false, {{160, 160}, {200, 220}, {240, 170}, {210, 150}}, page::kFigPoly},
      {page::kToolPolyline, true, {{260, 160}, {330, 170}, {300, 230}}, page::kFigPoly},
      {page::kToolPolygon, true, {{360, 160}, {440, 170}, {400, 230}}, page::kFigPoly},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tool);
    const int before = doc().GetObjectCount();
    const platform::Image pageBefore = view_->ScreenImage();
    ChooseTool(c.tool);
    if (c.clicks)
      Clicks(c.points);
    else
      Drag(c.points);
    ASSERT_EQ(doc().GetObjectCount(), before + 1);
    const page::SObj& drawn = *doc().GetObject(before);
    ASSERT_NE(drawn.fig, nullptr);
    EXPECT_EQ(drawn.fig->GetTypeId(), c.type);
    // The view shows it: its area is no longer as it was.
    const platform::Image& shown = view_->ScreenImage();
    int changed = 0;
    for (const QPoint& p : c.points)
      for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
          if (ColourOf(shown, p.x() + dx, p.y() + dy) != ColourOf(pageBefore, p.x() + dx, p.y() + dy)) ++changed;
    EXPECT_GT(changed, 0);
  }
  // The text tool opens the text's dialog once its frame is drawn.
  ChooseTool(page::kToolText);
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<app::SFigTextDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->accept();
  });
  Drag({{40, 260}, {120, 300}, {200, 340}});
  ASSERT_EQ(doc().GetObjectCount(), 9);
  EXPECT_EQ(doc().GetObject(8)->fig->GetTypeId(), page::kFigText);

  // The output-frame tool makes the frame drawn the page.
  ChooseTool(page::kToolOutputFrame);
  const int width = doc().GetPageWidth();
  Drag({{30, 30}, {200, 150}, {330, 330}});
  EXPECT_NE(doc().GetPageWidth(), width);
}

// ---- the 2D shape bar -------------------------------------------------------------------

TEST_F(BarsEndToEnd, StylesPickedOnTheShapeBarShowOnThePage) {
  ChooseTool(page::kToolRect);
  Drag({{60, 60}, {200, 150}, {300, 220}});
  page::SObj& box = Only();
  ASSERT_TRUE(box.IsSelected());
  const RECT area{40, 40, 320, 240};

  // Fill colour from the palette: the inside takes it.
  const COLORREF blue = app::PaletteColor(5, 2);
  ChoosePaletteItem(*bar2D_->FillColorButton(), app::PaletteCommand(5, 2));
  EXPECT_EQ(box.props2D.fillColor, blue);
  EXPECT_EQ(box.props2D.fillColorMode, 0);
  EXPECT_EQ(ColourAt(180, 140), blue);

  // Line colour, then a wider line: more of the line's colour shows.
  const COLORREF red = app::PaletteColor(0, 5);
  ChoosePaletteItem(*bar2D_->LineColorButton(), app::PaletteCommand(0, 5));
  EXPECT_EQ(box.props2D.lineColor, red);
  const int thin = CountColour(area, red);
  EXPECT_GT(thin, 0);
  bartest::ChooseMenuCommand(*bar2D_->LineWidthButton(), app::kLineWidthFirst + 7);  // 10 pt
  EXPECT_EQ(box.props2D.lineWidth, 10);
  EXPECT_GT(CountColour(area, red), 3 * thin);

  // A dotted line leaves gaps in it.
  const int solid = CountColour(area, red);
  bartest::ChooseMenuCommand(*bar2D_->LineStyleButton(), app::kLineStyleFirst + 6);  // "点線", the 9th item
  EXPECT_EQ(box.props2D.lineStyle, 9);
  EXPECT_LT(CountColour(area, red), solid);

  // Half opacity: the fill shows the white page through it.
  app::CMySliderCtrl* opacity = bar2D_->OpacitySlider();
  const RECT channel = opacity->ChannelRect();
  QTest::mousePress(opacity, Qt::LeftButton, {}, QPoint((channel.left + channel.right) / 2, channel.top + 2));
  QTest::mouseRelease(opacity, Qt::LeftButton, {}, QPoint((channel.left + channel.right) / 2, channel.top + 2));
  EXPECT_NEAR(box.props2D.opacity, 50, 3);
  const platform::Bgra washed = view_->ScreenImage().GetBgra(180, 140);
  EXPECT_GT(washed.r, 100);
  EXPECT_GT(washed.b, 240);
  // One undo takes the whole slider change back.
  frame().CommandAction(app::ID_EDIT_UNDO)->trigger();
  EXPECT_EQ(box.props2D.opacity, 100);
  EXPECT_EQ(ColourAt(180, 140), blue);
  EXPECT_EQ(box.props2D.lineStyle, 9);

  // The shape bar's values follow the selection.
  EXPECT_EQ(bar2D_->LineWidthButton()->Value(), 10);
  EXPECT_EQ(bar2D_->FillColorButton()->Color(), blue);

  // A shadow from the effects dialog: black shows right of and below the box.
  const int blackBefore = CountColour(RECT{300, 60, 360, 280}, 0);
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<app::CKageDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->ModeButton(app::CKageDialog::kShadow)->click();
    dialog->ColorButton()->OnColorCommand(app::PaletteCommand(1, 0));  // black
    dialog->OffsetXEdit()->SetEditText(QStringLiteral("20"));
    dialog->OffsetYEdit()->SetEditText(QStringLiteral("20"));
    dialog->BlurEdit()->SetEditText(QStringLiteral("0"));
    dialog->accept();
  });
  QTest::mouseClick(bar2D_->EffectButton(), Qt::LeftButton);
  EXPECT_EQ(box.props2D.effectColorMode, 0);
  EXPECT_EQ(box.props2D.effectX, 20);
  EXPECT_GT(CountColour(RECT{300, 60, 360, 280}, 0), blackBefore + 100);
}

// ---- the atmosphere bar -------------------------------------------------------------------

TEST_F(BarsEndToEnd, AStyleAndItsColourFromTheAtmosphereBarShowOnThePage) {
  ChooseTool(page::kToolRect);
  Drag({{60, 60}, {200, 150}, {300, 220}});
  page::SObj& box = Only();

  // The silhouette: the fill in the bar's colour and no line.
  const COLORREF first = app::PaletteColor(3, 4);
  ChoosePaletteItem(*atmosphere_->ColorButton(), app::PaletteCommand(3, 4));
  EXPECT_EQ(doc().GetObjectCount(), 1);
  EXPECT_EQ(box.props2D.fillColor, page::Prop2DVal().fillColor) << "no style in force: only the button changes";
  QTest::mouseClick(atmosphere_->ButtonOfStyle(4), Qt::LeftButton);
  EXPECT_EQ(box.props2D.fillColor, first);
  EXPECT_EQ(box.props2D.lineColorMode, 1);
  EXPECT_EQ(ColourAt(180, 140), first);
  EXPECT_EQ(ColourAt(62, 140), first) << "no line on the edge";
  EXPECT_NE(atmosphere_->ButtonOfStyle(4)->GetState() & app::CImageButton::kStatePushed, 0);

  // A new colour re-applies the silhouette with it, as one more step.
  const COLORREF second = app::PaletteColor(6, 5);
  ChoosePaletteItem(*atmosphere_->ColorButton(), app::PaletteCommand(6, 5));
  EXPECT_EQ(box.props2D.fillColor, second);
  EXPECT_EQ(ColourAt(180, 140), second);
  frame().CommandAction(app::ID_EDIT_UNDO)->trigger();
  EXPECT_EQ(ColourAt(180, 140), first);
  frame().CommandAction(app::ID_EDIT_UNDO)->trigger();
  EXPECT_EQ(box.props2D.fillColor, page::Prop2DVal().fillColor);
}

// ---- the figure bars ----------------------------------------------------------------------

TEST_F(BarsEndToEnd, FigureBarsAreOnOnlyWithAFigureSelected) {
  auto* bar3D = Bar<app::CProp3DBar>(app::CSMainFrame::k3DFigureBar);
  auto* barLT = Bar<app::CPropLtBar>(app::CSMainFrame::kLightBar);
  ChooseTool(page::kToolRect);
  Drag({{60, 60}, {100, 100}, {140, 140}});
  const int box = doc().GetObject(0)->id;
  auto add = [&](std::unique_ptr<page::SFig> shape) {
    auto* object = new page::SObj;
    object->fig = std::move(shape);
    object->placement.x = 300;
    object->placement.y = 300;
    object->placement.width = object->placement.height = 80;
    doc().AddObject(object, -1, -1);
    return object->id;
  };
  ASSERT_EQ(page::StartFigureService(), 0);
  struct StopAtEnd {
    page::SDoc& doc;
    ~StopAtEnd() {
      doc.SelectAll(true);
      std::vector<page::SDatObj> removed;
      doc.DeleteSelection(removed);
      for (page::SDatObj& r : removed) page::SDoc::DeleteObject(r.object);
      page::StopFigureService();
    }
  } stopAtEnd{doc()};
  auto kept = std::make_unique<page::SFig3D>();
  kept->KeepAsStored(std::string(4, '\0'), "a scene that cannot be read");
  const int stored = add(std::move(kept));
  int rc = 0;
  std::unique_ptr<page::SFig> figure = page::FigureService().MakeFigureShape(testsupport::StandardFigureFile(), true, rc);
  ASSERT_NE(figure, nullptr) << rc;
  const int live = add(std::move(figure));
  struct Case {
    const char* what;
    std::vector<int> selected;  // the first in the page's order decides
    bool enabled;
  };
  const Case cases[] = {
      {"a rectangle", {box}, false},
      {"a figure", {live}, true},
      {"nothing", {}, false},
      {"a figure kept as stored bytes", {stored}, false},
      {"a rectangle before a figure", {box, live}, false},
      {"a stored figure before a figure", {stored, live}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    doc().SelectAll(false);
    for (int id : c.selected) doc().SetSelectedById(id, true);
    doc().RefreshBars();
    EXPECT_EQ(bar3D->isEnabled(), c.enabled);
    EXPECT_EQ(barLT->isEnabled(), c.enabled);
  }
}

}  // namespace
