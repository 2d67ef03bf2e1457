#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "QtTestApp.h"
#include "app/CColButton.h"
#include "app/CColMenu.h"
#include "app/CFCButton.h"
#include "app/CLWButton.h"

namespace {

using platform::MakeRgb;

// Puts a colour-dialog answer in place for one test.
class ScopedColorAnswer {
 public:
  explicit ScopedColorAnswer(std::optional<platform::COLORREF> answer)
      : previous_(app::CColButton::SetColorDialogHook([this, answer](platform::COLORREF initial, QWidget*) {
          asked_.push_back(initial);
          return answer;
        })) {}
  ~ScopedColorAnswer() { app::CColButton::SetColorDialogHook(previous_); }
  const std::vector<platform::COLORREF>& Asked() const { return asked_; }

 private:
  app::ColorDialogHook previous_;
  std::vector<platform::COLORREF> asked_;
};

TEST(CColButton, PaletteCommandsSetColourAndMode) {
  ScopedColorAnswer answer(MakeRgb(1, 2, 3));
  app::CColButton button;
  button.SetColor(MakeRgb(10, 20, 30));
  struct Case {
    int id;
    bool taken;
    platform::COLORREF color;
    int mode;
  };
  const Case steps[] = {
      {11203, true, MakeRgb(10, 20, 30), 1},     // mode 1 keeps the colour
      {11134, true, MakeRgb(0x00, 0x8C, 0x00), 0},
      {11204, true, MakeRgb(0x00, 0x8C, 0x00), 2},
      {11202, true, MakeRgb(1, 2, 3), 0},        // the dialog's answer
      {11200, true, MakeRgb(1, 2, 3), 0},        // a spacer: taken, no change
      {11099, false, MakeRgb(1, 2, 3), 0},
      {57643, false, MakeRgb(1, 2, 3), 0},
  };
  for (const Case& c : steps) {
    EXPECT_EQ(button.OnColorCommand(c.id), c.taken) << c.id;
    EXPECT_EQ(button.Color(), c.color) << c.id;
    EXPECT_EQ(button.Mode(), c.mode) << c.id;
  }
  EXPECT_EQ(answer.Asked(), std::vector<platform::COLORREF>{MakeRgb(0x00, 0x8C, 0x00)});
}

TEST(CColButton, CancellingTheColourDialogKeepsTheColour) {
  ScopedColorAnswer cancel(std::nullopt);
  app::CColButton button(true);
  button.SetColor(MakeRgb(150, 150, 250));
  EXPECT_TRUE(button.OnColorCommand(app::kPaletteOther));
  EXPECT_EQ(button.Color(), MakeRgb(150, 150, 250));
  EXPECT_EQ(button.Mode(), 0);
}

TEST(CColButton, PressOpensThePaletteBelowAndAChoiceComesBack) {
  QWidget window;
  auto* button = new app::CColButton(false, &window);
  button->setGeometry(20, 30, 24, 18);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  button->SetColor(MakeRgb(10, 20, 30));
  QSignalSpy chosen(button, &app::CColButton::sigColorCommand);
  QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
  app::CColMenu* palette = button->Palette();
  ASSERT_TRUE(palette->isVisible());
  EXPECT_EQ(palette->pos(), button->mapToGlobal(QPoint(0, 18)));
  EXPECT_FALSE(palette->IsShortPalette());

  // Column 5, row 2 ("0031FF") lies at 5 × 14, 2 × 17 inside the border.
  const QPoint cell(2 + 5 * 14 + 7, 2 + 2 * 17 + 7);
  QTest::mouseMove(palette, cell);  // a move with the button still down
  EXPECT_EQ(palette->SelectedCommand(), 11152);
  QTest::mouseRelease(palette, Qt::LeftButton, {}, cell);
  EXPECT_FALSE(palette->isVisible());
  ASSERT_EQ(chosen.count(), 1);
  EXPECT_EQ(chosen[0][0].toInt(), 11152);
  EXPECT_EQ(chosen[0][1].toUInt(), MakeRgb(10, 20, 30));  // the colour before
  EXPECT_EQ(chosen[0][2].toInt(), 0);
  EXPECT_EQ(button->Color(), MakeRgb(0x00, 0x31, 0xFF));

  // Spacers and the empty item are not choices: the palette stays.
  QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(palette, Qt::LeftButton, {}, QPoint(2 + 7, 2 + 15));
  EXPECT_TRUE(palette->isVisible());
  EXPECT_EQ(chosen.count(), 1);
  QTest::keyClick(palette, Qt::Key_Escape);
  EXPECT_FALSE(palette->isVisible());
}

// Near the screen's bottom right corner the palette opens above its button
// and stays on the screen.
TEST(CColButton, ThePaletteStaysOnTheScreen) {
  const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
  QWidget window(nullptr, Qt::FramelessWindowHint);
  auto* button = new app::CColButton(false, &window);
  button->setGeometry(0, 0, 24, 18);
  window.setGeometry(room.right() - 30, room.bottom() - 30, 24, 18);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
  app::CColMenu* palette = button->Palette();
  ASSERT_TRUE(palette->isVisible());
  const QRect shown = palette->geometry();
  EXPECT_TRUE(room.contains(shown)) << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
  EXPECT_EQ(shown.bottom(), button->mapToGlobal(QPoint(0, 0)).y() - 1) << "just above the button";
  QTest::keyClick(palette, Qt::Key_Escape);
}

TEST(CColButton, PaintsColourModeLinesAndAContrastingMark) {
  app::CColButton button;
  button.resize(24, 18);
  struct Case {
    platform::COLORREF color;
    int mode;
    QRgb centre;
    QRgb mark;
  };
  const Case cases[] = {
      {MakeRgb(200, 40, 40), 0, qRgb(200, 40, 40), qRgb(0, 0, 0)},
      {MakeRgb(20, 20, 120), 0, qRgb(20, 20, 120), qRgb(255, 255, 255)},
      {MakeRgb(20, 20, 120), 1, qRgb(255, 255, 255), qRgb(0, 0, 0)},  // drawn white: a dark mark
  };
  for (const Case& c : cases) {
    button.SetColor(c.color);
    if (c.mode == 1) button.OnColorCommand(app::kPaletteMode1);
    const QImage shown = apptest::Render(button);
    EXPECT_EQ(shown.pixel(6, 4), c.centre) << c.mode;
    EXPECT_EQ(shown.pixel(24 - 5, 18 - 5), c.mark) << c.mode;
    EXPECT_EQ(shown.pixel(0, 9), qRgb(0, 0, 0));        // black frame
    EXPECT_EQ(shown.pixel(1, 9), qRgb(255, 255, 255));  // white frame
  }
  // Mode 1: a red line from the top right to the bottom left; mode 2 a
  // green one from the bottom right to the top left.
  auto countLine = [&](bool red, int fromTop, int toTop) {
    const QImage shown = apptest::Render(button);
    int count = 0;
    for (int x = 2; x < 22; ++x)
      for (int y = fromTop; y < toTop; ++y) {
        const QRgb p = shown.pixel(x, y);
        count += red ? qRed(p) > 200 && qGreen(p) < 60 : qGreen(p) > 120 && qRed(p) < 60;
      }
    return count;
  };
  EXPECT_GE(countLine(true, 2, 9), 7);  // upper half: the line starts at the right
  EXPECT_EQ(countLine(false, 2, 16), 0);
  button.OnColorCommand(app::kPaletteMode2);
  EXPECT_GE(countLine(false, 2, 16), 14);
  EXPECT_EQ(countLine(true, 2, 16), 0);
}

TEST(CColMenu, DrawsCellsAndOnlyTheFullPaletteHasTheSpecialItems) {
  app::CColMenu full(false), shortOne(true);
  const QImage fullShown = apptest::Render(full), shortShown = apptest::Render(shortOne);
  // A colour cell is filled with its colour: column 0, row 5 is FF0000.
  EXPECT_EQ(fullShown.pixel(2 + 7, 2 + 5 * 17 + 7), qRgb(255, 0, 0));
  EXPECT_EQ(shortShown.pixel(2 + 7, 2 + 5 * 17 + 7), qRgb(255, 0, 0));
  // Where the full palette frames its mode-1 item, the short one is empty.
  const QPoint frame(2 + 9 * 14 + 1, 2 + 34 + 10);
  const QRgb background = shortShown.pixel(2 + 9 * 14 + 8, 140);
  EXPECT_NE(fullShown.pixel(frame), background);
  EXPECT_EQ(shortShown.pixel(frame), background);
}

TEST(CFCButton, ValueIsThePositionOfTheChosenItemSeparatorsCounted) {
  app::CFCButton button;
  button.resize(60, 20);
  button.SetMenu({{501, "なし"}, {0, ""}, {502, "終点"}, {503, "始点"}});
  EXPECT_EQ(button.Value(), 1);
  QSignalSpy selected(&button, &app::CFCButton::sigSelected);
  const QList<QAction*> actions = button.PopupMenu()->actions();
  ASSERT_EQ(actions.size(), 4);
  EXPECT_TRUE(actions[1]->isSeparator());
  actions[3]->trigger();
  EXPECT_EQ(button.Value(), 4);
  ASSERT_EQ(selected.count(), 1);
  EXPECT_EQ(selected[0][0].toInt(), 503);
  EXPECT_FALSE(button.SelectCommand(999));
  EXPECT_EQ(button.Value(), 4);

  // Pressing opens the popup below the button.
  QWidget window;
  auto* shown = new app::CFCButton(&window);
  shown->setGeometry(10, 10, 60, 20);
  shown->SetMenu({{501, "なし"}});
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::mousePress(shown, Qt::LeftButton, {}, QPoint(4, 4));
  EXPECT_TRUE(shown->PopupMenu()->isVisible());
  EXPECT_EQ(shown->PopupMenu()->pos(), shown->mapToGlobal(QPoint(0, 20)));
  QTest::mouseRelease(shown, Qt::LeftButton, {}, QPoint(4, 4));
  shown->PopupMenu()->hide();
}

TEST(CLWButton, CommandsSetTheWidthAndTheDialogAsksForOthers) {
  int asked = -1;
  std::optional<int> answer = 37;
  const auto previous = app::CLWButton::SetLineWidthDialogHook([&](int current, QWidget*) {
    asked = current;
    return answer;
  });
  app::CLWButton button;
  struct Case {
    int id;
    bool taken;
    int value;
  };
  const Case steps[] = {
      {32796, true, 1}, {32802, true, 8}, {32803, true, 10}, {32808, true, 24}, {33022, true, 0},
      {32809, true, 37},  // the dialog, started from 0
      {12345, false, 37},
  };
  for (const Case& c : steps) {
    EXPECT_EQ(button.SelectCommand(c.id), c.taken) << c.id;
    EXPECT_EQ(button.Value(), c.value) << c.id;
  }
  EXPECT_EQ(asked, 0);
  answer = std::nullopt;  // Cancel: not taken, nothing changes
  QSignalSpy selected(&button, &app::CFCButton::sigSelected);
  button.PopupMenu()->actions()[13]->trigger();  // "その他..."
  EXPECT_EQ(button.Value(), 37);
  EXPECT_EQ(selected.count(), 0);
  button.PopupMenu()->actions()[15]->trigger();  // "自動", after the separator
  EXPECT_EQ(button.Value(), 0);
  EXPECT_EQ(selected.count(), 1);
  app::CLWButton::SetLineWidthDialogHook(previous);
}

TEST(CLWButton, PaintsPointsOrTheAutomaticLine) {
  app::CLWButton button;
  button.resize(60, 20);
  button.SetValue(0);
  const QImage automatic = apptest::Render(button);
  int green = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x) green += qGreen(automatic.pixel(x, y)) > 100 && qRed(automatic.pixel(x, y)) < 60;
  EXPECT_GE(green, 50);  // the line across, instead of a width
  button.SetValue(12);
  const QImage points = apptest::Render(button);
  int dark = 0;
  for (int y = 2; y < 18; ++y)
    for (int x = 2; x < 50; ++x) dark += qGray(points.pixel(x, y)) < 100;
  EXPECT_GT(dark, 8);  // "12 pt"
  EXPECT_EQ(points.pixel(0, 0), qRgb(64, 64, 64));           // dark frame
  EXPECT_EQ(points.pixel(60 - 5, 20 - 4), qRgb(0, 0, 0));    // the drop-down mark
  EXPECT_EQ(points.pixel(5, 3), qRgb(255, 255, 255));        // white face
}

}  // namespace
