// The effects and line-width dialogs and the data exchange under them,
// driven through their controls without a modal run.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "BarTestSupport.h"
#include "QtTestApp.h"
#include "app/CColButton.h"
#include "app/CColMenu.h"
#include "app/CKageDialog.h"
#include "app/CLineWidthDialog.h"
#include "app/DataExchange.h"

namespace {

using page::Prop2DVal;

// ---- line width ------------------------------------------------------------------

TEST(CLineWidthDialog, OkTakesWidthsFrom1To100Only) {
  struct Case {
    const char* text;
    bool accepted;
    int width;  // read back on OK
    std::string message;
  };
  const Case cases[] = {
      {"1", true, 1, ""},
      {"100", true, 100, ""},
      {" 42 ", true, 42, ""},
      {"0", false, 7, app::IntRangeMessage(1, 100)},
      {"101", false, 7, app::IntRangeMessage(1, 100)},
      {"-3", false, 7, app::IntRangeMessage(1, 100)},
      {"abc", false, 7, app::NotIntegerMessage()},
      {"99999999999", false, 7, app::NotIntegerMessage()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    bartest::MessageCapture messages;
    app::CLineWidthDialog dialog;
    dialog.width = 7;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.WidthEdit()->text(), QStringLiteral("7"));
    dialog.WidthEdit()->setText(QString::fromUtf8(c.text));
    dialog.accept();
    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
    EXPECT_EQ(dialog.isVisible(), !c.accepted);
    if (c.accepted) {
      EXPECT_EQ(dialog.width, c.width);
      EXPECT_TRUE(messages.texts.empty());
    } else {
      EXPECT_EQ(messages.texts, std::vector<std::string>{c.message});
      EXPECT_TRUE(dialog.WidthEdit()->hasFocus());
    }
  }
}

TEST(CLineWidthDialog, AQuietReadShowsNothing) {
  bartest::MessageCapture messages;
  app::CLineWidthDialog dialog;
  dialog.width = 5;
  dialog.StartDialog();
  dialog.WidthEdit()->setText(QStringLiteral("500"));
  EXPECT_FALSE(dialog.ReadQuietly());
  EXPECT_TRUE(messages.texts.empty());
  EXPECT_EQ(dialog.width, 5);  // a width out of range is not taken
}

TEST(DataExchange, MessagesNameTheRange) {
  EXPECT_EQ(app::IntRangeMessage(1, 100), "1 から 100 までの整数を入力してください。");
  EXPECT_EQ(app::DoubleRangeMessage(0.05, 20), "0.05 から 20 までの数値を入力してください。");
}

// ---- effects ---------------------------------------------------------------------------

class KageDialogTest : public ::testing::Test {
 protected:
  // The dialog loaded with the value, as when it starts.
  void Load(const Prop2DVal& value) {
    dialog_.value = value;
    dialog_.StartDialog();
  }
  int CheckedMode() const {
    for (int i = 0; i < 3; ++i)
      if (dialog_.ModeButton(i)->isChecked()) return i;
    return -1;
  }
  bartest::MessageCapture messages_;
  app::CKageDialog dialog_;
};

TEST_F(KageDialogTest, TheBlurFieldGivesTheEffectKindAndBack) {
  struct Case {
    int blur;
    int mode;
    int blurShown;
  };
  for (const Case& c : {Case{-1, 1, 0}, Case{-2, 2, 0}, Case{-7, 2, 0}, Case{0, 0, 0}, Case{35, 0, 35}}) {
    SCOPED_TRACE(c.blur);
    app::CKageDialog dialog;
    Prop2DVal value;
    value.effectColorMode = 0;
    value.effectBlur = c.blur;
    dialog.value = value;
    dialog.StartDialog();
    EXPECT_TRUE(dialog.ModeButton(c.mode)->isChecked());
    EXPECT_EQ(dialog.BlurEdit()->value(), c.blurShown);
    EXPECT_EQ(dialog.BlurEdit()->isEnabled(), c.mode == 0);
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.value.effectBlur, c.mode == 1 ? -1 : c.mode == 2 ? -2 : c.blur);
  }
}

TEST_F(KageDialogTest, AShadowKeepsTheTypedBlurAndAnOutlineDropsIt) {
  Prop2DVal value;
  value.effectColorMode = 0;
  value.effectBlur = -2;
  Load(value);
  dialog_.ModeButton(0)->click();
  EXPECT_TRUE(dialog_.BlurEdit()->isEnabled());
  dialog_.BlurEdit()->SetEditText(QStringLiteral("120"));
  ASSERT_TRUE(dialog_.UpdateData(true));
  EXPECT_EQ(dialog_.value.effectBlur, 120);
  dialog_.ModeButton(1)->click();
  EXPECT_FALSE(dialog_.BlurEdit()->isEnabled());
  EXPECT_EQ(dialog_.value.effectBlur, -1);
}

TEST_F(KageDialogTest, OffsetsAndBlurAreCheckedOnlyWhileAnEffectIsDrawn) {
  Prop2DVal value;  // no effect (mode 1)
  Load(value);
  EXPECT_FALSE(dialog_.OffsetXEdit()->isEnabled());
  EXPECT_FALSE(dialog_.BlurEdit()->isEnabled());
  dialog_.OffsetXEdit()->SetEditText(QStringLiteral("500"));
  ASSERT_TRUE(dialog_.UpdateData(true));
  EXPECT_EQ(dialog_.value.effectX, 500);
  EXPECT_TRUE(messages_.texts.empty());

  // The colour button turns the effect on: now the range holds.
  emit dialog_.ColorButton()->Palette()->sigCommand(app::PaletteCommand(2, 2));
  EXPECT_TRUE(dialog_.OffsetXEdit()->isEnabled());
  EXPECT_TRUE(dialog_.BlurEdit()->isEnabled());
  dialog_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
  EXPECT_FALSE(dialog_.UpdateData(true));
  EXPECT_EQ(messages_.texts, std::vector<std::string>{app::IntRangeMessage(-100, 100)});
  EXPECT_TRUE(dialog_.OffsetXEdit()->hasFocus());
  // The whole-object effects are checked in any case.
  messages_.texts.clear();
  dialog_.OffsetXEdit()->SetEditText(QStringLiteral("-100"));
  dialog_.BrightnessEdit()->SetEditText(QStringLiteral("101"));
  EXPECT_FALSE(dialog_.UpdateData(true));
  EXPECT_EQ(messages_.texts, std::vector<std::string>{app::IntRangeMessage(-100, 100)});
  EXPECT_TRUE(dialog_.BrightnessEdit()->hasFocus());
  EXPECT_EQ(dialog_.value.effectColorMode, 0);
  EXPECT_EQ(dialog_.value.effectColor, app::PaletteColor(2, 2));
  EXPECT_EQ(dialog_.value.effectX, -100);
}

TEST_F(KageDialogTest, ApplyMakesAStepOfItsOwnEachTimeAndStaysOpen) {
  bartest::RecordingView view;
  Prop2DVal value;
  value.effectColorMode = 0;
  Load(value);
  dialog_.show();
  dialog_.GrayscaleBox()->setChecked(true);
  dialog_.ApplyButton()->click();
  dialog_.ApplyButton()->click();
  EXPECT_TRUE(dialog_.isVisible());
  ASSERT_EQ(view.FlagsAndModes(), (std::vector<std::pair<int, int>>{{1, 0}, {1, 0}}));
  EXPECT_EQ(view.calls[0].Mask(), Prop2DVal::kEffects);
  EXPECT_TRUE(view.calls[0].As<Prop2DVal>().grayscale);
}

TEST_F(KageDialogTest, TheFirstSettingsRestoreOnlyTheEffectFields) {
  Prop2DVal value;
  value.effectColorMode = 0;
  value.effectColor = platform::MakeRgb(1, 2, 3);
  value.effectX = 40;
  value.effectBlur = -1;
  value.wholeBlur = 9;
  value.grayscale = true;
  value.brightness = -20;
  value.lineWidth = 12;
  value.opacity = 30;
  Load(value);
  dialog_.DefaultsButton()->click();
  ASSERT_TRUE(dialog_.UpdateData(true));
  const Prop2DVal defaults;
  EXPECT_EQ(dialog_.value.effectColorMode, defaults.effectColorMode);
  EXPECT_EQ(dialog_.value.effectColor, defaults.effectColor);
  EXPECT_EQ(dialog_.value.effectX, defaults.effectX);
  EXPECT_EQ(dialog_.value.effectBlur, 0);
  EXPECT_EQ(dialog_.value.wholeBlur, 0);
  EXPECT_FALSE(dialog_.value.grayscale);
  EXPECT_EQ(dialog_.value.brightness, 0);
  EXPECT_EQ(CheckedMode(), 0);
  EXPECT_EQ(dialog_.value.lineWidth, 12);
  EXPECT_EQ(dialog_.value.opacity, 30);
}

}  // namespace
