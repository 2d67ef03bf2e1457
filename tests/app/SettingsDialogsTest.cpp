// The settings dialogs driven through their controls: the range checks of
// OK, the image size's units, kept ratio and pixel limits, the resolution
// presets, the grid's and the options' resets, the size-and-position
// ratio. The dialogs are prepared with StartDialog and shown, not run.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <string>
#include <vector>

#include "QtTestApp.h"
#include "ShellTestSupport.h"
#include "app/CColButton.h"
#include "app/SettingsDialogs.h"
#include "page/AppPrefs.h"
#include "page/StringTable.h"
#include "platform/Hooks.h"

namespace {

using app::CImageSizeDialog;

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { page::InstallProgramStringTable(); }
  shelltest::ScriptedUi ui_;  // collects the messages
  std::vector<std::string>& messages_ = ui_.messages;
};

std::string TextOf(const app::CDataDialog& dialog, int id) {
  return dialog.Item<QLineEdit>(id)->text().toStdString();
}
void Type(app::CDataDialog& dialog, int id, const char* text) {
  dialog.Item<QLineEdit>(id)->setText(QString::fromUtf8(text));
}
bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// ---- reading the controls back ----------------------------------------------

TEST_F(SettingsDialogTest, ValuesOutsideTheirRangeKeepTheDialogOpenWithTheControlFocused) {
  const std::string spacingRange = app::IntRangeMessage(1, 500);
  const std::string divisionsRange = app::IntRangeMessage(1, 20);
  const std::string notInteger = app::NotIntegerMessage();
  struct Case {
    const char* spacing;
    const char* divisions;
    int failing;  // 0: accepted
    const std::string* message;
  };
  const Case cases[] = {
      {"1", "20", 0, nullptr},
      {" 500 ", "1", 0, nullptr},
      {"0", "4", 1065, &spacingRange},
      {"501", "4", 1065, &spacingRange},
      {"abc", "4", 1065, &notInteger},
      {"", "4", 1065, &notInteger},
      {"2147483648", "4", 1065, &notInteger},
      {"20", "21", 1067, &divisionsRange},
      {"20", "2.5", 1067, &notInteger},
      {"abc", "21", 1065, &notInteger},  // the first failure is the only one shown
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.spacing) + " / " + c.divisions);
    app::CGridDialog dialog;
    dialog.spacing = 20;
    dialog.divisions = 4;
    dialog.StartDialog();
    dialog.show();
    Type(dialog, 1065, c.spacing);
    Type(dialog, 1067, c.divisions);
    messages_.clear();
    dialog.accept();
    if (c.failing == 0) {
      EXPECT_EQ(dialog.result(), QDialog::Accepted);
      EXPECT_TRUE(messages_.empty());
      continue;
    }
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.focusWidget(), dialog.GetDlgItem(c.failing));
    EXPECT_EQ(messages_, std::vector<std::string>{*c.message});
    dialog.reject();
  }
}

TEST_F(SettingsDialogTest, NumbersAreCheckedAgainstTheirRangeWithTheNumberMessage) {
  const std::string range = app::DoubleRangeMessage(0.05, 20);
  const std::string notNumber = app::NotNumberMessage();
  struct Case {
    const char* typed;
    const std::string* message;  // null: accepted
  };
  const Case cases[] = {{"0.05", nullptr},   {"20", nullptr},    {"1.5", nullptr},       {"0.04", &range},
                        {"20.5", &range},    {"x", &notNumber},  {"nan", &notNumber},    {"inf", &notNumber}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    app::CSelectionMag dialog;
    dialog.StartDialog();
    EXPECT_EQ(TextOf(dialog, 1110), "1");
    Type(dialog, 1110, c.typed);
    messages_.clear();
    dialog.accept();
    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.message == nullptr);
    if (c.message == nullptr) {
      EXPECT_DOUBLE_EQ(dialog.factor, QString::fromUtf8(c.typed).toDouble());
    } else {
      EXPECT_DOUBLE_EQ(dialog.factor, 1.0);
      EXPECT_EQ(messages_, std::vector<std::string>{*c.message});
    }
  }
}

// ---- image size ---------------------------------------------------------------

// 600 × 300 pixels at 300 dpi, ready to be driven.
class ImageSizeTest : public SettingsDialogTest {
 protected:
  void Start(double w = 600, double h = 300, int dpi = 300) {
    dialog_.width = w;
    dialog_.height = h;
    dialog_.dpi = dpi;
    dialog_.preset = CImageSizeDialog::ResolutionPresetIndex(dpi);
    dialog_.StartDialog();
    dialog_.show();
  }
  QComboBox* Units(int id) { return dialog_.Item<QComboBox>(id); }
  CImageSizeDialog dialog_;
};

TEST_F(ImageSizeTest, ChoosingAUnitConvertsBothSidesAndSetsTheOtherList) {
  struct Case {
    int list;  // the drop list chosen in
    int unit;
    const char* width;
    const char* height;
  };
  const Case cases[] = {
      {1043, 3, "2", "1"},       {1048, 3, "2", "1"},     {1043, 2, "5.08", "2.54"},
      {1048, 1, "50.8", "25.4"}, {1043, 0, "600", "300"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unit);
    Start();
    Units(c.list)->setCurrentIndex(c.unit);
    EXPECT_EQ(Units(1043)->currentIndex(), c.unit);
    EXPECT_EQ(Units(1048)->currentIndex(), c.unit);
    EXPECT_EQ(TextOf(dialog_, 1039), c.width);
    EXPECT_EQ(TextOf(dialog_, 1040), c.height);
    // And back to pixels, from either list.
    Units(c.list == 1043 ? 1048 : 1043)->setCurrentIndex(0);
    EXPECT_EQ(Units(1043)->currentIndex(), 0);
    EXPECT_EQ(TextOf(dialog_, 1039), "600");
    EXPECT_EQ(TextOf(dialog_, 1040), "300");
  }
}

TEST_F(ImageSizeTest, PixelsSurviveATripThroughUnitsThatDoNotDivideThem) {
  for (const int unit : {1, 2, 3}) {
    SCOPED_TRACE(unit);
    Start(4000, 3999, 300);
    Units(1043)->setCurrentIndex(unit);
    Units(1043)->setCurrentIndex(0);
    EXPECT_EQ(TextOf(dialog_, 1039), "4000");
    EXPECT_EQ(TextOf(dialog_, 1040), "3999");
  }
}

TEST_F(ImageSizeTest, AUnitChoiceThatCannotBeReadIsTakenBack) {
  Start();
  Type(dialog_, 1042, "10");  // below 30 dpi
  Units(1043)->setCurrentIndex(3);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(Units(1043)->currentIndex(), 0);
  EXPECT_EQ(Units(1048)->currentIndex(), 0);
  EXPECT_EQ(TextOf(dialog_, 1039), "600");
}

TEST_F(ImageSizeTest, TheKeptRatioFillsInTheOtherSide) {
  struct Case {
    bool keep;
    int unit;
    int edit;
    const char* typed;
    const char* other;  // the other edit afterwards
  };
  const Case cases[] = {
      {true, 0, 1039, "50", "25"},       {true, 0, 1040, "25", "50"},     {true, 0, 1039, "33", "16"},
      {false, 0, 1039, "50", "100"},     {true, 0, 1039, "abc", "100"},   {true, 3, 1039, "3", "1.500"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    dialog_.width = 200;
    dialog_.height = 100;
    dialog_.KeepOriginalSize();
    dialog_.keepRatio = c.keep;
    dialog_.widthUnit = dialog_.heightUnit = c.unit;
    Start(c.unit == 0 ? 200 : 2, c.unit == 0 ? 100 : 1);
    Type(dialog_, c.edit, c.typed);
    EXPECT_EQ(TextOf(dialog_, c.edit == 1039 ? 1040 : 1039), c.other);
    EXPECT_TRUE(messages_.empty()) << "typing never shows a message";
  }
}

TEST_F(ImageSizeTest, TickingKeepRatioTakesTheSizeShownAsTheBase) {
  Start();
  Type(dialog_, 1039, "300");
  Type(dialog_, 1040, "200");
  dialog_.Item<QCheckBox>(1041)->click();
  Type(dialog_, 1039, "150");
  EXPECT_EQ(TextOf(dialog_, 1040), "100");
}

TEST_F(ImageSizeTest, OkConvertsToPixelsAndRefusesSizesOutsideTheLimits) {
  struct Case {
    int unit;
    const char* width;
    const char* height;
    const char* message;  // null: accepted
    double pixelsW, pixelsH;
  };
  const Case cases[] = {
      {0, "9", "500", "10x10以上", 0, 0},
      {0, "500", "9", "10x10以上", 0, 0},
      {3, "14", "1", "4000x4000以下", 0, 0},   // 4200 pixels
      {1, "400", "100", "4000x4000以下", 0, 0},  // 4724 pixels
      {0, "10", "4000", nullptr, 10, 4000},
      {3, "2.5", "1.5", nullptr, 750, 450},
      {2, "2", "1", nullptr, 236, 118},  // cut toward zero
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.width) + " x " + c.height);
    Start();
    Units(1043)->setCurrentIndex(c.unit);
    Type(dialog_, 1039, c.width);
    Type(dialog_, 1040, c.height);
    messages_.clear();
    dialog_.accept();
    if (c.message == nullptr) {
      EXPECT_EQ(dialog_.result(), QDialog::Accepted);
      EXPECT_EQ(dialog_.width, c.pixelsW);
      EXPECT_EQ(dialog_.height, c.pixelsH);
      EXPECT_EQ(dialog_.widthUnit, 0);
      EXPECT_EQ(dialog_.heightUnit, 0);
      EXPECT_TRUE(messages_.empty());
      continue;
    }
    EXPECT_TRUE(dialog_.isVisible());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(Contains(messages_[0], c.message)) << messages_[0];
    // The controls are as the user left them; a second OK reads them again.
    EXPECT_EQ(TextOf(dialog_, 1039), c.width);
    EXPECT_EQ(Units(1048)->currentIndex(), c.unit);
    dialog_.accept();
    EXPECT_EQ(messages_.size(), 2u);
    EXPECT_TRUE(dialog_.isVisible());
    dialog_.reject();
  }
}

TEST_F(ImageSizeTest, TheScaleIsTheMeanOfTheSidesRatiosToTheStart) {
  Start(600, 300);
  Type(dialog_, 1039, "300");
  Type(dialog_, 1040, "600");
  dialog_.accept();
  EXPECT_DOUBLE_EQ(dialog_.scale, (0.5 + 2.0) / 2);

  // A side that started at nothing has no ratio: it counts as unchanged.
  CImageSizeDialog fromNothing;
  fromNothing.dpi = 300;
  fromNothing.preset = 2;
  fromNothing.StartDialog();
  Type(fromNothing, 1039, "100");
  Type(fromNothing, 1040, "100");
  fromNothing.accept();
  ASSERT_EQ(fromNothing.result(), QDialog::Accepted);
  EXPECT_DOUBLE_EQ(fromNothing.scale, 1.0);
}

TEST_F(ImageSizeTest, ExportModeDisablesScalingShapesAndShowsTheNote) {
  for (const bool exportMode : {false, true}) {
    CImageSizeDialog dialog;
    dialog.exportMode = exportMode;
    dialog.dpi = 72;
    dialog.title = "書き出し";
    dialog.StartDialog();
    EXPECT_EQ(dialog.Item<QCheckBox>(1112)->isEnabled(), !exportMode);
    EXPECT_EQ(dialog.Item<QLabel>(1120)->isHidden(), !exportMode);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "書き出し");
  }
}

TEST_F(ImageSizeTest, ColoursFrameAndOutsideDisplayComeBackOnOk) {
  dialog_.backgroundColor = 0x112233;
  dialog_.frameColor = 0x445566;
  dialog_.frameWidth = 3;
  dialog_.outsideDisplay = 2;
  dialog_.transparentBackground = true;
  Start();
  EXPECT_EQ(dialog_.Item<app::CColButton>(1118)->Color(), 0x112233u);
  EXPECT_TRUE(dialog_.Item<QAbstractButton>(1126)->isChecked());
  dialog_.Item<app::CColButton>(1127)->SetColor(0x0000FF);
  dialog_.Item<QAbstractButton>(1125)->click();
  Type(dialog_, 1128, "101");
  dialog_.accept();
  EXPECT_FALSE(dialog_.result() == QDialog::Accepted) << "frame widths run to 100 points";
  Type(dialog_, 1128, "100");
  dialog_.accept();
  ASSERT_EQ(dialog_.result(), QDialog::Accepted);
  EXPECT_EQ(dialog_.frameColor, 0x0000FFu);
  EXPECT_EQ(dialog_.backgroundColor, 0x112233u);
  EXPECT_EQ(dialog_.frameWidth, 100);
  EXPECT_EQ(dialog_.outsideDisplay, 1);
  EXPECT_TRUE(dialog_.transparentBackground);
}

// ---- resolution presets -------------------------------------------------------

TEST(ResolutionPreset, StandardResolutionsHaveTheirOwnPreset) {
  const std::pair<int, int> cases[] = {{72, 0}, {144, 1}, {300, 2}, {96, 3}, {0, 3}, {600, 3}};
  for (const auto& [dpi, preset] : cases) EXPECT_EQ(CImageSizeDialog::ResolutionPresetIndex(dpi), preset) << dpi;
}

TEST_F(SettingsDialogTest, APresetButtonSetsItsResolutionAndOnlyTheOwnValueIsEditable) {
  app::CConvToPicDialog dialog;
  dialog.dpi = 96;
  dialog.preset = 3;
  dialog.title = "合成";
  dialog.StartDialog();
  EXPECT_EQ(dialog.windowTitle().toStdString(), "合成");
  QLineEdit* dpiEdit = dialog.Item<QLineEdit>(1042);
  EXPECT_TRUE(dpiEdit->isEnabled());
  EXPECT_EQ(dpiEdit->text().toStdString(), "96");

  const std::pair<int, const char*> clicks[] = {{1044, "72"}, {1045, "144"}, {1046, "300"}, {1047, "300"}};
  for (const auto& [button, dpi] : clicks) {
    dialog.Item<QAbstractButton>(button)->click();
    EXPECT_EQ(dpiEdit->text().toStdString(), dpi) << button;
    EXPECT_EQ(dpiEdit->isEnabled(), button == 1047) << button;
  }
  // A value that does not read is simply replaced by the preset's.
  dpiEdit->setText(QStringLiteral("abc"));
  dialog.Item<QAbstractButton>(1044)->click();
  EXPECT_EQ(dpiEdit->text().toStdString(), "72");
  EXPECT_TRUE(messages_.empty());
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.dpi, 72);
  EXPECT_EQ(dialog.preset, 0);
}

// ---- grid -------------------------------------------------------------------------

TEST_F(SettingsDialogTest, TheGridResetShowsTheDefaultSettings) {
  app::CGridDialog dialog;
  dialog.spacing = 50;
  dialog.divisions = 10;
  dialog.lineColor = 0x123456;
  dialog.StartDialog();
  auto* colour = dialog.Item<app::CColButton>(1068);
  EXPECT_EQ(TextOf(dialog, 1065), "50");
  EXPECT_EQ(colour->Color(), 0x123456u);
  dialog.Item<QAbstractButton>(1069)->click();
  EXPECT_EQ(TextOf(dialog, 1065), "20");
  EXPECT_EQ(TextOf(dialog, 1067), "4");
  EXPECT_EQ(colour->Color(), 0xC8C8C8u);
  dialog.accept();
  EXPECT_EQ(dialog.spacing, 20);
  EXPECT_EQ(dialog.divisions, 4);
  EXPECT_EQ(dialog.lineColor, 0xC8C8C8u);
}

// ---- size and position --------------------------------------------------------------

TEST_F(SettingsDialogTest, SizeAndPositionKeepsTheRatioInWholePixelsOnlyFromABase) {
  struct Case {
    int baseW, baseH;
    bool keep;
    int edit;
    const char* typed;
    const char* other;
  };
  const Case cases[] = {
      {200, 100, true, 1057, "50", "25"},  {200, 100, true, 1058, "30", "60"},  {3, 1, true, 1057, "10", "3"},
      {0, 100, true, 1057, "50", "40"},    {200, 0, true, 1058, "50", "80"},    {200, 100, false, 1057, "50", "40"},
      {200, 100, true, 1057, "0", "40"},  // out of range: nothing follows
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.baseW) + "x" + std::to_string(c.baseH) + " " + c.typed);
    app::CObjMoveDialog dialog;
    dialog.width = 80;
    dialog.height = 40;
    dialog.baseWidth = c.baseW;
    dialog.baseHeight = c.baseH;
    dialog.keepRatio = c.keep;
    dialog.StartDialog();
    if (c.edit == 1058) Type(dialog, 1057, "80");
    Type(dialog, c.edit, c.typed);
    EXPECT_EQ(TextOf(dialog, c.edit == 1057 ? 1058 : 1057), c.other);
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SettingsDialogTest, SizeAndPositionChecksEachRange) {
  struct Case {
    int id;
    const char* typed;
    bool accepted;
  };
  const Case cases[] = {{1057, "5000", true}, {1057, "5001", false}, {1060, "-5000", true}, {1061, "5001", false},
                        {1062, "360", true},  {1062, "-1", false},   {1058, "0", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " " + c.typed);
    app::CObjMoveDialog dialog;
    dialog.width = dialog.height = 10;
    dialog.StartDialog();
    Type(dialog, c.id, c.typed);
    dialog.accept();
    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
  }
}

// ---- options ----------------------------------------------------------------------

TEST_F(SettingsDialogTest, TheOptionsResetChangesNothingUntilOk) {
  page::AppPrefs prefs;
  prefs.mLibVImp = 0;
  prefs.mZ4Compress = 0;
  prefs.mMaxUndo = 9;
  prefs.mListGapH = 50;
  prefs.mListGapV = 60;
  prefs.mWebUse = 0;
  prefs.mWebUseUnset = 1;
  prefs.m3DAngWarn = 1;
  const page::AppPrefs before = prefs;

  for (const bool ok : {false, true}) {
    SCOPED_TRACE(ok);
    app::CPrefsDialog dialog;
    dialog.Load(prefs);
    dialog.StartDialog();
    EXPECT_TRUE(dialog.GetDlgItem(1122)->isHidden()) << "the renderer choice is not offered";
    EXPECT_EQ(TextOf(dialog, 1110), "9");
    EXPECT_FALSE(dialog.Item<QCheckBox>(1111)->isChecked());
    dialog.Item<QAbstractButton>(1092)->click();
    EXPECT_EQ(TextOf(dialog, 1110), "2");
    EXPECT_EQ(TextOf(dialog, 1114), "4");
    EXPECT_EQ(TextOf(dialog, 1115), "34");
    EXPECT_TRUE(dialog.Item<QCheckBox>(1111)->isChecked());
    EXPECT_TRUE(dialog.Item<QCheckBox>(1116)->isChecked());
    EXPECT_EQ(prefs, before);
    if (!ok) {
      dialog.reject();
      continue;
    }
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    dialog.Store(prefs);
  }
  const page::AppPrefs defaults;
  EXPECT_EQ(prefs.mZ4Compress, defaults.mZ4Compress);
  EXPECT_EQ(prefs.mMaxUndo, defaults.mMaxUndo);
  EXPECT_EQ(prefs.mListGapH, defaults.mListGapH);
  EXPECT_EQ(prefs.mListGapV, defaults.mListGapV);
  EXPECT_EQ(prefs.mWebUse, 1);
  EXPECT_EQ(prefs.mWebUseUnset, 0) << "the web choice counts as made";
  EXPECT_EQ(prefs.m3DAngWarn, 1) << "other preferences are kept";
}

TEST_F(SettingsDialogTest, TheHiddenRendererChoiceTravelsUnchanged) {
  for (const int renderer : {0, 1, 7}) {
    page::AppPrefs prefs;
    prefs.mLibVImp = renderer;
    app::CPrefsDialog dialog;
    dialog.Load(prefs);
    dialog.StartDialog();
    Type(dialog, 1110, "20");
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    page::AppPrefs stored;
    dialog.Store(stored);
    EXPECT_EQ(stored.mLibVImp, renderer);
    EXPECT_EQ(stored.mMaxUndo, 20);
  }
}

TEST_F(SettingsDialogTest, TheOptionsRangesFollowThePreferences) {
  const std::pair<int, const char*> refused[] = {{1110, "0"}, {1110, "21"}, {1114, "0"}, {1115, "101"}};
  for (const auto& [id, typed] : refused) {
    app::CPrefsDialog dialog;
    dialog.Load(page::AppPrefs());
    dialog.StartDialog();
    Type(dialog, id, typed);
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted) << id << " " << typed;
  }
}

}  // namespace
