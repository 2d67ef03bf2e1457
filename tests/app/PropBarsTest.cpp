// The property bars, the atmosphere bar and the tool palette, driven through
// their controls: what each change applies to the active page (values,
// masks, new-command flags, redraw modes), and values shown without
// anything applied.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDockWidget>
#include <QLabel>
#include <QTest>

#include "BarTestSupport.h"
#include "QtTestApp.h"
#include "ShellTestSupport.h"
#include "app/CColButton.h"
#include "app/CColMenu.h"
#include "app/CFCButton.h"
#include "app/CImageButton.h"
#include "app/CLAngButton.h"
#include "app/CLWButton.h"
#include "app/CMySliderCtrl.h"
#include "app/CProp2DBar.h"
#include "app/CProp3DBar.h"
#include "app/CPropAtmBar.h"
#include "app/CPropBars.h"
#include "app/CPropLtBar.h"
#include "app/CPropToolBar.h"
#include "app/CSMainFrame.h"
#include "app/PropBarMenus.h"

namespace {

using bartest::RecordingView;
using page::Prop2DVal;
using page::Prop3DVal;
using page::PropLTVal;
using platform::MakeRgb;
using Flags = std::vector<std::pair<int, int>>;

int SliderY(const app::CMySliderCtrl& slider) {
  const platform::RECT thumb = slider.ThumbRect();
  return (thumb.top + thumb.bottom) / 2;
}

// Presses the slider at `from`, drags it through `to` and releases.
void DragSlider(app::CMySliderCtrl& slider, int from, std::initializer_list<int> to) {
  const int y = SliderY(slider);
  QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(slider.TickPixel(from), y));
  int last = from;
  for (int value : to) {
    QTest::mouseMove(&slider, QPoint(slider.TickPixel(value), y));
    last = value;
  }
  QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(slider.TickPixel(last), y));
}

void ShowBar(QWidget& bar) {
  bar.resize(bar.sizeHint().expandedTo(QSize(260, 120)));
  bar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
}

// ---- 2D shape bar -------------------------------------------------------------

TEST(CProp2DBar, EachMenuAndColourChangeAppliesOnlyItsFieldsAsANewCommand) {
  RecordingView view;
  app::CProp2DBar bar;
  Prop2DVal shown;
  shown.opacity = 40;  // shown values must not travel with other changes
  bar.ShowValues(shown);
  struct Case {
    const char* what;
    std::function<void()> change;
    int mask;
    std::function<bool(const Prop2DVal&)> check;
  };
  const Case cases[] = {
      {"line width 2 pt", [&] { bartest::ChooseMenuCommand(*bar.LineWidthButton(), app::kLineWidthFirst + 1); },
       Prop2DVal::kLineWidth, [](const Prop2DVal& v) { return v.lineWidth == 2; }},
      {"line width auto", [&] { bartest::ChooseMenuCommand(*bar.LineWidthButton(), app::kLineWidthAuto); },
       Prop2DVal::kLineWidth, [](const Prop2DVal& v) { return v.lineWidth == 0; }},
      {"thick vertical", [&] { bartest::ChooseMenuCommand(*bar.LineStyleButton(), app::kLineStyleFirst + 1); },
       Prop2DVal::kLineStyle, [](const Prop2DVal& v) { return v.lineStyle == 3; }},
      {"dash-dot", [&] { bartest::ChooseMenuCommand(*bar.LineStyleButton(), app::kLineStyleFirst + 8); },
       Prop2DVal::kLineStyle, [](const Prop2DVal& v) { return v.lineStyle == 11; }},
      {"arrows at both ends", [&] { bartest::ChooseMenuCommand(*bar.ArrowButton(), app::kArrowFirst + 3); },
       Prop2DVal::kArrow, [](const Prop2DVal& v) { return v.arrow == 4; }},
      {"finest edges", [&] { bartest::ChooseMenuCommand(*bar.EdgeQualityButton(), app::kEdgeQualityFirst + 2); },
       Prop2DVal::kEdgeQuality, [](const Prop2DVal& v) { return v.edgeQuality == 3; }},
      {"line colour", [&] { emit bar.LineColorButton()->Palette()->sigCommand(app::PaletteCommand(3, 4)); },
       Prop2DVal::kLineColorMode | Prop2DVal::kLineColor,
       [](const Prop2DVal& v) { return v.lineColorMode == 0 && v.lineColor == app::PaletteColor(3, 4); }},
      {"no fill", [&] { emit bar.FillColorButton()->Palette()->sigCommand(app::kPaletteMode1); },
       Prop2DVal::kFillColorMode | Prop2DVal::kFillColor, [](const Prop2DVal& v) { return v.fillColorMode == 1; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    view.calls.clear();
    c.change();
    ASSERT_EQ(view.calls.size(), 1u);
    EXPECT_EQ(view.FlagsAndModes(), (Flags{{1, 0}}));
    EXPECT_EQ(view.calls[0].Mask(), c.mask);
    EXPECT_TRUE(c.check(view.calls[0].As<Prop2DVal>()));
    EXPECT_EQ(bar.Value().mask, 0);  // nothing carried into the next change
  }
}

TEST(CProp2DBar, CancellingTheOtherWidthChangesNothing) {
  RecordingView view;
  app::CProp2DBar bar;
  std::optional<int> answer;
  const app::LineWidthDialogHook previous =
      app::CLWButton::SetLineWidthDialogHook([&](int, QWidget*) { return answer; });
  bartest::ChooseMenuCommand(*bar.LineWidthButton(), app::kLineWidthOther);
  EXPECT_TRUE(view.calls.empty());
  answer = 37;
  bartest::ChooseMenuCommand(*bar.LineWidthButton(), app::kLineWidthOther);
  ASSERT_EQ(view.calls.size(), 1u);
  EXPECT_EQ(view.calls[0].As<Prop2DVal>().lineWidth, 37);
  EXPECT_EQ(view.calls[0].Mask(), Prop2DVal::kLineWidth);
  app::CLWButton::SetLineWidthDialogHook(previous);
}

TEST(CProp2DBar, AnOpacityDragIsOneCommandEndingAtTheReleasedValue) {
  RecordingView view;
  app::CProp2DBar bar;
  ShowBar(bar);
  Prop2DVal shown;
  shown.opacity = 0;
  bar.ShowValues(shown);
  DragSlider(*bar.OpacitySlider(), 0, {50, 80});
  ASSERT_GE(view.calls.size(), 3u);
  EXPECT_EQ(view.calls.front().newCommand, 1);
  for (std::size_t i = 1; i < view.calls.size(); ++i) EXPECT_EQ(view.calls[i].newCommand, 0) << i;
  for (const auto& call : view.calls) {
    EXPECT_EQ(call.Mask(), Prop2DVal::kOpacity);
    EXPECT_EQ(call.mode, 0);
  }
  const int end = bar.OpacitySlider()->value();
  EXPECT_NEAR(end, 80, 2);
  EXPECT_EQ(view.calls.back().As<Prop2DVal>().opacity, end);
  EXPECT_EQ(bar.OpacityText()->text(), QString::number(end));
}

TEST(CProp2DBar, TheEffectDialogAppliesItsEffectsOnOkOnly) {
  RecordingView view;
  app::CProp2DBar bar;
  std::optional<Prop2DVal> answer;
  std::vector<int> askedBlur;
  const app::EffectDialogHook previous = app::CProp2DBar::SetEffectDialogHook([&](const Prop2DVal& v, QWidget*) {
    askedBlur.push_back(v.effectBlur);
    return answer;
  });
  Prop2DVal shown;
  shown.effectBlur = -2;
  bar.ShowValues(shown);
  bar.EffectButton()->click();
  EXPECT_TRUE(view.calls.empty());
  Prop2DVal edited = shown;
  edited.effectColorMode = 0;
  edited.effectX = -12;
  answer = edited;
  bar.EffectButton()->click();
  EXPECT_EQ(askedBlur, (std::vector<int>{-2, -2}));
  ASSERT_EQ(view.calls.size(), 1u);
  EXPECT_EQ(view.FlagsAndModes(), (Flags{{1, 0}}));
  EXPECT_EQ(view.calls[0].Mask(), Prop2DVal::kEffects);
  EXPECT_EQ(view.calls[0].As<Prop2DVal>().effectX, -12);
  EXPECT_EQ(view.calls[0].As<Prop2DVal>().effectColorMode, 0);
  app::CProp2DBar::SetEffectDialogHook(previous);
}

// ---- values shown through the page's link -----------------------------------------------

TEST(CPropBars, ShownValuesReachTheirBarsWithoutAnythingApplied) {
  RecordingView view;
  QWidget frame;
  app::CPropBars bars(nullptr, &frame);
  ASSERT_EQ(page::PnGlobal::Get().bars, &bars);
  Prop2DVal look;
  look.lineWidth = 6;
  look.lineStyle = 9;
  look.arrow = 3;
  look.edgeQuality = 1;
  look.lineColor = MakeRgb(1, 2, 3);
  look.fillColorMode = 2;
  look.opacity = 65;
  Prop3DVal camera;
  camera.horizontalAngle = 30;
  camera.verticalAngle = 20;
  camera.lens = 45;
  camera.distance = 70;
  PropLTVal light;
  light.lightHorizontal = -40;
  light.lightVertical = 10;
  light.brightness = 60;
  light.contrast = 15;
  light.shading = 4;
  for (const page::PropVal* value : {static_cast<const page::PropVal*>(&look),
                                     static_cast<const page::PropVal*>(&camera),
                                     static_cast<const page::PropVal*>(&light)})
    page::PnGlobal::Get().ShowValuesInBars(*value);
  EXPECT_TRUE(view.calls.empty());

  const app::CProp2DBar& bar2D = *bars.Bar2D();
  EXPECT_EQ(bar2D.LineWidthButton()->Value(), 6);
  EXPECT_EQ(bar2D.LineStyleButton()->Value(), 9);
  EXPECT_EQ(bar2D.ArrowButton()->Value(), 3);
  EXPECT_EQ(bar2D.EdgeQualityButton()->Value(), 1);
  EXPECT_EQ(bar2D.LineColorButton()->Color(), MakeRgb(1, 2, 3));
  EXPECT_EQ(bar2D.FillColorButton()->Mode(), 2);
  EXPECT_EQ(bar2D.OpacitySlider()->value(), 65);
  EXPECT_EQ(bar2D.OpacityText()->text(), QStringLiteral("65"));
  EXPECT_EQ(bar2D.Value().mask, 0);

  const app::CProp3DBar& bar3D = *bars.Bar3D();
  EXPECT_EQ(bar3D.Pad()->GetAngles(), (app::PadAngles{30, -20}));
  EXPECT_EQ(bar3D.LensSlider()->value(), 125);
  EXPECT_EQ(bar3D.LensText()->text(), QStringLiteral("45"));
  EXPECT_EQ(bar3D.DistanceSlider()->value(), 70);
  EXPECT_EQ(bar3D.HorizontalText()->text(), QStringLiteral("30"));
  EXPECT_EQ(bar3D.VerticalText()->text(), QStringLiteral("20"));

  const app::CPropLtBar& barLT = *bars.BarLT();
  EXPECT_EQ(barLT.Pad()->GetAngles(), (app::PadAngles{-40, 10}));
  EXPECT_EQ(barLT.BrightnessSlider()->value(), 60);
  EXPECT_EQ(barLT.ContrastSlider()->value(), 15);
  EXPECT_EQ(barLT.BrightnessText()->text(), QStringLiteral("60"));
  EXPECT_EQ(barLT.ShadingButton()->Value(), 4);

  // The 3D bars wait for a 3D figure.
  EXPECT_FALSE(bar3D.isEnabled());
  EXPECT_FALSE(barLT.isEnabled());
  bars.EnableFigureBars(true);
  EXPECT_TRUE(bar3D.isEnabled());

  bars.SetAtmColor(MakeRgb(9, 8, 7));
  EXPECT_EQ(bars.GetAtmColor(), MakeRgb(9, 8, 7));
  EXPECT_EQ(bars.AtmosphereBar()->ColorButton()->Color(), MakeRgb(9, 8, 7));
}

TEST(CPropBars, TheLinkIsRemovedWithTheBars) {
  QWidget frame;
  { app::CPropBars bars(nullptr, &frame); }
  EXPECT_EQ(page::PnGlobal::Get().bars, nullptr);
}

// ---- 3D figure bar ---------------------------------------------------------------------

class Prop3DBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShowBar(bar_);
    Prop3DVal camera;
    camera.lens = 81;
    bar_.ShowValues(camera);
  }
  bartest::ScopedGlobals globals_;
  RecordingView view_;
  app::CProp3DBar bar_;
};

TEST_F(Prop3DBarTest, ALensDragIsOneCommandDrawnFastUntilTheRelease) {
  DragSlider(*bar_.LensSlider(), 170 - 81, {100, 130});
  const Flags flags = view_.FlagsAndModes();
  ASSERT_GE(flags.size(), 3u);
  EXPECT_EQ(flags.front(), (std::pair{1, 2}));
  for (std::size_t i = 1; i + 1 < flags.size(); ++i) EXPECT_EQ(flags[i], (std::pair{0, 2})) << i;
  EXPECT_EQ(flags.back(), (std::pair{0, 0}));  // nothing after the release's full redraw
  for (const auto& call : view_.calls) EXPECT_EQ(call.Mask(), Prop3DVal::kLens);
  const int lens = 170 - bar_.LensSlider()->value();
  EXPECT_EQ(view_.calls.back().As<Prop3DVal>().lens, lens);
  EXPECT_EQ(bar_.LensText()->text(), QString::number(lens));
}

TEST_F(Prop3DBarTest, ADistanceDragCarriesTheDistanceOnly) {
  DragSlider(*bar_.DistanceSlider(), 50, {75});
  ASSERT_FALSE(view_.calls.empty());
  for (const auto& call : view_.calls) EXPECT_EQ(call.Mask(), Prop3DVal::kDistance);
  EXPECT_EQ(view_.calls.back().As<Prop3DVal>().distance, bar_.DistanceSlider()->value());
  EXPECT_EQ(view_.calls.back().mode, 0);
}

TEST_F(Prop3DBarTest, LensButtonsSetTheirLensAsANewCommand) {
  const int lenses[] = {130, 81, 45, 0};  // 170 minus 40, 89, 125, 170
  for (int i = 0; i < 4; ++i) {
    view_.calls.clear();
    bar_.LensButton(i)->click();
    ASSERT_EQ(view_.calls.size(), 1u) << i;
    EXPECT_EQ(view_.FlagsAndModes(), (Flags{{1, 0}}));
    EXPECT_EQ(view_.calls[0].Mask(), Prop3DVal::kLens);
    EXPECT_EQ(view_.calls[0].As<Prop3DVal>().lens, lenses[i]);
  }
}

TEST_F(Prop3DBarTest, ASnappedClickGoesParallelAndTheNextPressBringsTheLensBack) {
  app::CLAngButton& pad = *bar_.Pad();
  QTest::mousePress(&pad, Qt::LeftButton, {}, QPoint(90, 45));  // front view: 0, 0
  QApplication::processEvents();
  QTest::mouseRelease(&pad, Qt::LeftButton, {}, QPoint(90, 45));
  ASSERT_EQ(view_.FlagsAndModes(), (Flags{{1, 2}, {0, 0}}));
  constexpr int kPad = Prop3DVal::kVerticalAngle | Prop3DVal::kHorizontalAngle | Prop3DVal::kLens |
                       Prop3DVal::kReserved;
  EXPECT_EQ(view_.calls[0].Mask(), kPad);
  EXPECT_EQ(view_.calls[0].As<Prop3DVal>().lens, 81);
  const Prop3DVal& snapped = view_.calls[1].As<Prop3DVal>();
  EXPECT_EQ(snapped.mask, kPad);
  EXPECT_EQ(snapped.lens, 0);
  EXPECT_EQ(snapped.reserved, 81);

  // The page shows the figure's new values, then the user presses again.
  bar_.ShowValues(snapped);
  view_.calls.clear();
  QTest::mousePress(&pad, Qt::LeftButton, {}, QPoint(120, 30));
  QApplication::processEvents();
  QTest::mouseRelease(&pad, Qt::LeftButton, {}, QPoint(120, 30));
  ASSERT_EQ(view_.FlagsAndModes(), (Flags{{1, 2}, {0, 0}}));
  const Prop3DVal& restored = view_.calls[0].As<Prop3DVal>();
  EXPECT_EQ(restored.lens, 81);
  EXPECT_EQ(restored.reserved, -1);
  EXPECT_EQ(restored.horizontalAngle, 60);
  EXPECT_EQ(restored.verticalAngle, 30);  // up on the pad is a positive angle
  EXPECT_EQ(bar_.HorizontalText()->text(), QStringLiteral("60"));
}

TEST_F(Prop3DBarTest, ACtrlDragPansAFigureAndAppliesNothingWithoutOne) {
  app::CLAngButton& pad = *bar_.Pad();
  auto ctrlDrag = [&] {
    QTest::mousePress(&pad, Qt::LeftButton, Qt::ControlModifier, QPoint(50, 50));
    QApplication::processEvents();
    QTest::mouseMove(&pad, QPoint(60, 44));
    QApplication::processEvents();
    QTest::mouseRelease(&pad, Qt::LeftButton, Qt::ControlModifier, QPoint(60, 44));
  };
  ctrlDrag();
  EXPECT_GT(view_.calcRuns, 0);
  EXPECT_TRUE(view_.calls.empty());

  view_.figureSelected = true;
  ctrlDrag();
  ASSERT_FALSE(view_.calls.empty());
  EXPECT_EQ(view_.calls.front().newCommand, 1);
  EXPECT_EQ(view_.calls.back().mode, 0);
  double panned = 0;
  for (const auto& call : view_.calls) {
    EXPECT_EQ(call.Mask(), Prop3DVal::kTarget);
    EXPECT_EQ(call.As<Prop3DVal>().targetZ, 7);
    panned += call.As<Prop3DVal>().targetX;
  }
  EXPECT_EQ(panned, 10);  // the offsets add up to the drag
  EXPECT_EQ(pad.GetAngles(), (app::PadAngles{}));  // the angles stay
}

TEST_F(Prop3DBarTest, TheShowButtonHidesTheLensGroupAndIsRemembered) {
  bar_.ShowButton()->SetCheck(0);
  bar_.OnTimer();
  for (QWidget* control : bar_.LensGroup()) EXPECT_FALSE(control->isVisible());
  EXPECT_TRUE(bar_.Pad()->isVisible());
  EXPECT_TRUE(bar_.ShowButton()->isVisible());
  EXPECT_EQ(page::PnGlobal::Get().prefs->mShow3DTool, 0);
  bar_.ShowButton()->SetCheck(1);
  bar_.OnTimer();
  for (QWidget* control : bar_.LensGroup()) EXPECT_TRUE(control->isVisible());
  EXPECT_EQ(page::PnGlobal::Get().prefs->mShow3DTool, 1);
  // The lens buttons follow the slider.
  bar_.LensSlider()->setValue(125);
  bar_.OnTimer();
  for (int i = 0; i < 4; ++i) EXPECT_EQ((bar_.LensButton(i)->GetState() & app::CImageButton::kStatePushed) != 0, i == 2);
}

TEST_F(Prop3DBarTest, TheSnapBoxSwitchesThePadsSnapping) {
  EXPECT_TRUE(bar_.SnapBox()->isChecked());
  EXPECT_TRUE(bar_.Pad()->IsSnap());
  bar_.SnapBox()->setChecked(false);
  EXPECT_FALSE(bar_.Pad()->IsSnap());
}

// ---- light bar -------------------------------------------------------------------------

TEST(CPropLtBar, ChangesKeepTheirMaskUntilValuesAreShownAgain) {
  RecordingView view;
  app::CPropLtBar bar;
  ShowBar(bar);
  bar.ShowValues(PropLTVal{});
  app::CLAngButton& pad = *bar.Pad();
  QTest::mousePress(&pad, Qt::LeftButton, {}, QPoint(45, 30));
  QApplication::processEvents();
  QTest::mouseMove(&pad, QPoint(60, 30));
  QApplication::processEvents();
  QTest::mouseRelease(&pad, Qt::LeftButton, {}, QPoint(60, 30));
  ASSERT_EQ(view.FlagsAndModes(), (Flags{{1, 0}, {0, 0}}));  // the release applies nothing
  EXPECT_EQ(view.calls[1].Mask(), PropLTVal::kDirection);
  EXPECT_EQ(view.calls[1].As<PropLTVal>().lightHorizontal, pad.GetAngles().horizontal);
  EXPECT_EQ(view.calls[1].As<PropLTVal>().lightVertical, pad.GetAngles().vertical);

  view.calls.clear();
  bartest::ChooseMenuCommand(*bar.ShadingButton(), app::kShadingFirst + 3);
  ASSERT_EQ(view.FlagsAndModes(), (Flags{{1, 0}}));
  EXPECT_EQ(view.calls[0].Mask(), PropLTVal::kDirection | PropLTVal::kShading);
  EXPECT_EQ(view.calls[0].As<PropLTVal>().shading, 4);

  view.calls.clear();
  DragSlider(*bar.ContrastSlider(), 35, {70});
  ASSERT_GE(view.calls.size(), 2u);
  EXPECT_EQ(view.calls.front().newCommand, 1);
  EXPECT_EQ(view.calls.back().newCommand, 0);
  EXPECT_EQ(view.calls.back().Mask(), PropLTVal::kDirection | PropLTVal::kShading | PropLTVal::kContrast);
  EXPECT_EQ(view.calls.back().As<PropLTVal>().contrast, bar.ContrastSlider()->value());
  EXPECT_EQ(bar.ContrastText()->text(), QString::number(bar.ContrastSlider()->value()));

  bar.ShowValues(PropLTVal{});
  view.calls.clear();
  DragSlider(*bar.BrightnessSlider(), 35, {20});
  ASSERT_FALSE(view.calls.empty());
  EXPECT_EQ(view.calls.back().Mask(), PropLTVal::kBrightness);
}

// ---- atmosphere bar ----------------------------------------------------------------------

TEST(CPropAtmBar, AStyleSetsBothValuesInOneCommandUnlessAlreadyInForce) {
  RecordingView view;
  app::CPropAtmBar bar;
  bar.Show2DValues(Prop2DVal{});
  bar.ShowLTValues(PropLTVal{});
  bar.ButtonOfStyle(4)->click();  // silhouette in the bar's colour
  ASSERT_EQ(view.FlagsAndModes(), (Flags{{1, 0}}));
  ASSERT_EQ(view.calls[0].values.size(), 2u);
  const Prop2DVal& look = view.calls[0].As<Prop2DVal>(0);
  const PropLTVal& light = view.calls[0].As<PropLTVal>(1);
  EXPECT_EQ(look.mask, 0x1FF);
  EXPECT_EQ(look.lineColorMode, 1);
  EXPECT_EQ(look.fillColorMode, 0);
  EXPECT_EQ(look.fillColor, MakeRgb(150, 150, 250));
  EXPECT_EQ(light.mask, 0xE);
  EXPECT_EQ(light.shading, 4);

  // The page shows the selection's new values: the style is in force.
  Prop2DVal shownLook = look;
  PropLTVal shownLight = light;
  shownLook.ClearMask();
  shownLight.ClearMask();
  bar.Show2DValues(shownLook);
  bar.ShowLTValues(shownLight);
  for (int code : app::CPropAtmBar::kStyleCodes)
    EXPECT_EQ((bar.ButtonOfStyle(code)->GetState() & app::CImageButton::kStatePushed) != 0, code == 4) << code;
  view.calls.clear();
  bar.ButtonOfStyle(4)->click();
  EXPECT_TRUE(view.calls.empty());
  EXPECT_NE(bar.ButtonOfStyle(4)->GetState() & app::CImageButton::kStatePushed, 0);  // still shown pressed
}

TEST(CPropAtmBar, ANewColourReappliesOnlyAStyleThatUsesIt) {
  RecordingView view;
  app::CPropAtmBar bar;
  auto showStyle = [&](int code) {
    Prop2DVal look;
    PropLTVal light;
    look.ApplyStylePreset(code, bar.GetColor());
    light.ApplyStylePreset(code, 0);
    look.ClearMask();
    light.ClearMask();
    bar.Show2DValues(look);
    bar.ShowLTValues(light);
  };
  const int red = app::PaletteCommand(0, 1);
  showStyle(4);
  emit bar.ColorButton()->Palette()->sigCommand(red);
  ASSERT_EQ(view.FlagsAndModes(), (Flags{{1, 0}}));
  EXPECT_EQ(view.calls[0].As<Prop2DVal>(0).fillColor, app::PaletteColor(0, 1));

  view.calls.clear();
  showStyle(2);
  emit bar.ColorButton()->Palette()->sigCommand(app::PaletteCommand(5, 5));
  EXPECT_TRUE(view.calls.empty());
  EXPECT_EQ(bar.GetColor(), app::PaletteColor(5, 5));

  view.calls.clear();
  showStyle(13);  // the shadow takes the colour
  emit bar.ColorButton()->Palette()->sigCommand(red);
  ASSERT_EQ(view.calls.size(), 1u);
  EXPECT_EQ(view.calls[0].As<Prop2DVal>(0).effectColor, app::PaletteColor(0, 1));
  EXPECT_EQ(view.calls[0].As<Prop2DVal>(0).effectColorMode, 0);
}

// ---- tool palette ---------------------------------------------------------------------------

TEST(CPropToolBar, ToolButtonsSetTheirToolAndShowItPressed) {
  bartest::ScopedGlobals globals;
  std::vector<int> commands;
  app::CPropToolBar bar([&](int id) { commands.push_back(id); });
  auto pressed = [&](int position) {
    return (bar.Button(position)->GetState() & app::CImageButton::kStatePushed) != 0;
  };
  for (int position = app::CPropToolBar::kFirstTool; position < app::CPropToolBar::kButtonCount; ++position) {
    bar.Button(position)->click();
    EXPECT_EQ(page::PnGlobal::Get().toolNumber, position - app::CPropToolBar::kFirstTool);
    for (int other = app::CPropToolBar::kFirstTool; other < app::CPropToolBar::kButtonCount; ++other)
      EXPECT_EQ(pressed(other), other == position) << position << " " << other;
  }
  // A second click on the current tool leaves it pressed.
  bar.Button(7)->click();
  bar.Button(7)->click();
  EXPECT_TRUE(pressed(7));
  // Library drags and the hand show the select tool.
  page::PnGlobal::Get().toolNumber = 100;
  bar.OnTimer();
  EXPECT_TRUE(pressed(app::CPropToolBar::kFirstTool));
  EXPECT_FALSE(pressed(7));
  EXPECT_TRUE(commands.empty());
  for (int position = 0; position < 4; ++position) bar.Button(position)->click();
  EXPECT_EQ(commands, (std::vector<int>{33010, 1050, 57643, 57644}));
  EXPECT_EQ(page::PnGlobal::Get().toolNumber, 100);
}

TEST(CPropToolBar, TheShowToolsButtonHidesTheDrawingToolsOnly) {
  bartest::ScopedGlobals globals;
  page::PnGlobal::Get().prefs->mShowTool = 1;
  app::CPropToolBar bar(nullptr);
  ShowBar(bar);
  app::CImageButton* show = bar.Button(app::CPropToolBar::kShowToolsPosition);
  EXPECT_NE(show->GetState() & app::CImageButton::kStatePushed, 0);
  QTest::mouseClick(show, Qt::LeftButton);
  EXPECT_EQ(page::PnGlobal::Get().prefs->mShowTool, 0);
  EXPECT_FALSE(bar.Button(app::CPropToolBar::kComposerPosition)->isVisible());
  EXPECT_TRUE(bar.Button(5)->isVisible());  // select
  EXPECT_TRUE(bar.Button(6)->isVisible());  // output frame
  for (int position = 7; position < app::CPropToolBar::kButtonCount; ++position)
    EXPECT_FALSE(bar.Button(position)->isVisible()) << position;
  QTest::mouseClick(show, Qt::LeftButton);
  EXPECT_EQ(page::PnGlobal::Get().prefs->mShowTool, 1);
  EXPECT_TRUE(bar.Button(7)->isVisible());
  EXPECT_TRUE(bar.Button(app::CPropToolBar::kComposerPosition)->isVisible());
  // The panel and cut-out frame tools stay out of sight.
  EXPECT_LT(bar.Button(16)->geometry().right(), 0);
  EXPECT_LT(bar.Button(17)->geometry().bottom(), 0);
}

// ---- painting --------------------------------------------------------------------------------

TEST(PropertyBars, PaintEnabledAndDisabled) {
  QWidget frame;
  app::CPropBars bars(nullptr, &frame);
  QWidget* all[] = {bars.Bar2D(), bars.Bar3D(), bars.BarLT(), bars.AtmosphereBar(), bars.ToolPalette()};
  for (QWidget* bar : all) {
    SCOPED_TRACE(bar->objectName().toStdString());
    bar->resize(bar->sizeHint());
    bar->setEnabled(true);
    const QImage enabled = apptest::Render(*bar);
    bar->setEnabled(false);
    const QImage disabled = apptest::Render(*bar);
    ASSERT_FALSE(enabled.isNull());
    EXPECT_GT(enabled.width(), 20);
    EXPECT_GT(enabled.height(), 20);
    EXPECT_NE(enabled, disabled);  // the controls show that they are off
  }
}

}  // namespace

namespace {

TEST(CPropBars, TheMainFrameDocksTheBarsAndRunsThePalettesCommands) {
  shelltest::ShellFixture shell;
  app::CSMainFrame& frame = shell.Frame();
  EXPECT_NE(qobject_cast<app::CPropToolBar*>(frame.GetBar(app::CSMainFrame::kToolPalette)->widget()), nullptr);
  EXPECT_NE(qobject_cast<app::CPropAtmBar*>(frame.GetBar(app::CSMainFrame::kAtmosphereBar)->widget()), nullptr);
  EXPECT_NE(qobject_cast<app::CProp3DBar*>(frame.GetBar(app::CSMainFrame::k3DFigureBar)->widget()), nullptr);
  EXPECT_NE(qobject_cast<app::CProp2DBar*>(frame.GetBar(app::CSMainFrame::k2DShapeBar)->widget()), nullptr);
  auto* light = qobject_cast<app::CPropLtBar*>(frame.GetBar(app::CSMainFrame::kLightBar)->widget());
  ASSERT_NE(light, nullptr);
  EXPECT_FALSE(light->isEnabled());
  EXPECT_NE(page::PnGlobal::Get().bars, nullptr);

  // The palette's command buttons run the frame's commands by number.
  int undone = 0;
  QAction* undo = frame.AddCommand(57643, QStringLiteral("undo"), nullptr);
  QObject::connect(undo, &QAction::triggered, [&] { ++undone; });
  auto* palette = qobject_cast<app::CPropToolBar*>(frame.GetBar(app::CSMainFrame::kToolPalette)->widget());
  palette->Button(2)->click();
  EXPECT_EQ(undone, 1);
  undo->setEnabled(false);
  palette->Button(2)->click();
  EXPECT_EQ(undone, 1);
  palette->Button(3)->click();  // no redo command in this frame: nothing happens
}

}  // namespace
