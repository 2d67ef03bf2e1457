// The person composer driven through its controls over the sample
// library's BodyMix parts: the part pages and their requests, the sliders
// and their labels, the direction pad, saving (a refused height writes
// nothing, a failed save is reported and keeps the dialog), closing with an
// unsaved person, and the application command. Screenshots of the dialog
// are left in the test's folder for looking at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "ShellTestSupport.h"
#include "app/AppCommands.h"
#include "app/CBodyMixDialog.h"
#include "app/CLAngButton.h"
#include "app/CLibMixContain.h"
#include "app/CMySliderCtrl.h"
#include "app/CSMainFrame.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "page/FigureService.h"
#include "page/PnGlobal.h"
#include "page/StringTable.h"
#include "platform/GlContext.h"

namespace personcomposertest {

namespace fs = std::filesystem;
using app::CBodyMixDialog;
using shelltest::ScriptedUi;

void Screenshot(QWidget& widget, const std::string& name) { EXPECT_TRUE(shelltest::SaveScreenshot(widget, name)); }

QStringList Titles(const QListWidget& list) {
  QStringList titles;
  for (int i = 0; i < list.count(); ++i) titles << list.item(i)->text();
  return titles;
}

QString Label(CBodyMixDialog& dialog, int id) { return dialog.Item<QLabel>(id)->text(); }

class PersonComposer : public ::testing::Test {
 protected:
  PersonComposer() : started_(page::StartFigureService() == 0) {
    page::InstallProgramStringTable();
    oldFolder_ = global_.GetModuleFolder();
    global_.SetInstallRecord(PENNET_BUILD_DIR, "sample");
  }
  ~PersonComposer() override {
    dialog_.reset();
    global_.SetInstallRecord(oldFolder_, "");
    page::StopFigureService();
    platform::GlContext::ReleaseCurrent();
  }
  // A dialog prepared and started as the command starts it, shown.
  CBodyMixDialog& Open() {
    dialog_ = std::make_unique<CBodyMixDialog>();
    EXPECT_EQ(dialog_->PrepareMix(), 0);
    dialog_->StartDialog();
    dialog_->resize(760, 520);
    dialog_->show();
    QApplication::processEvents();
    return *dialog_;
  }
  app::CLibMixList& List(int page) { return *dialog_->PartPages()->List(page); }
  void Press(int page, const QString& title) {
    app::CLibMixList& list = List(page);
    for (int i = 0; i < list.count(); ++i)
      if (list.item(i)->text() == title) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(i)).center());
        return;
      }
    ADD_FAILURE() << "no item " << title.toStdString();
  }

  bool started_;
  page::PnGlobal& global_ = page::PnGlobal::Get();
  std::unique_ptr<CBodyMixDialog> dialog_;

 private:
  std::string oldFolder_;
};

TEST_F(PersonComposer, ShowsThePartPagesTheDefaultPersonAndTheSliderLabels) {
  ASSERT_TRUE(started_);
  CBodyMixDialog& dialog = Open();
  app::CLibMixContain& pages = *dialog.PartPages();
  EXPECT_EQ(Titles(List(0)), (QStringList{"標準の体"}));
  EXPECT_EQ(Titles(List(1)), (QStringList{"標準の頭", "茶髪の頭"}));
  EXPECT_EQ(Titles(List(2)), (QStringList{"短い髪", "長い髪"}));
  EXPECT_EQ(Titles(List(3)), (QStringList{"眼鏡", "麦わら帽子"}));
  EXPECT_EQ(List(3).item(0)->icon().pixmap(70, 70).size(), QSize(70, 70));
  // The page buttons switch the tree and the list shown.
  QTest::mouseClick(dialog.GetDlgItem(10012), Qt::LeftButton);
  EXPECT_EQ(pages.CurrentPage(), 2);
  EXPECT_TRUE(pages.List(2)->isVisible());
  EXPECT_FALSE(pages.List(0)->isVisible());
  EXPECT_EQ(pages.Tree(2)->topLevelItem(0)->text(0), QStringLiteral("髪型"));
  EXPECT_EQ(dialog.GetDlgItem(10013)->toolTip(), QStringLiteral("眼鏡、帽子などの小道具を選択"));
  // Labels: the body ratio in tenths, the others as they stand.
  EXPECT_EQ(Label(dialog, CBodyMixDialog::kRatioLabel), QStringLiteral("5.0"));
  for (int id : {CBodyMixDialog::kSizeLabel, CBodyMixDialog::kUpDownLabel, CBodyMixDialog::kFrontBackLabel})
    EXPECT_EQ(Label(dialog, id), QStringLiteral("50"));
  EXPECT_EQ(dialog.Item<QLineEdit>(CBodyMixDialog::kHeight)->text(), QStringLiteral("170"));
  Screenshot(dialog, "person_composer_open");
}

TEST_F(PersonComposer, PartPagesReplaceAndAddPartsAndTheSlidersFollowTheSelection) {
  ASSERT_TRUE(started_);
  CBodyMixDialog& dialog = Open();
  page::SMix& mix = *dialog.Mix();
  // A head with hair from the head page replaces both.
  dialog.PartPages()->ShowPage(1);
  Press(1, QStringLiteral("茶髪の頭"));
  ASSERT_EQ(mix.Parts().size(), 3u);
  EXPECT_EQ(mix.Parts()[2].kind, page::SMObj::kHair);
  EXPECT_NE(mix.Parts()[1].file.find("CRV"), std::string::npos) << "the split head";
  // The item page asks: add, then replace the selected item.
  auto previous = app::CLibMixContain::SetMenuChooser([](const QPoint&) { return 1; });
  dialog.PartPages()->ShowPage(3);
  Press(3, QStringLiteral("眼鏡"));
  ASSERT_EQ(mix.Parts().size(), 4u);
  EXPECT_EQ(mix.SelectedPart(), 3);
  app::CLibMixContain::SetMenuChooser([](const QPoint&) { return 0; });
  Press(3, QStringLiteral("麦わら帽子"));
  ASSERT_EQ(mix.Parts().size(), 4u);
  EXPECT_NE(mix.Parts()[3].file.find("麦わら帽子"), std::string::npos);
  app::CLibMixContain::SetMenuChooser([](const QPoint&) { return -1; });
  Press(3, QStringLiteral("眼鏡"));
  EXPECT_EQ(mix.Parts().size(), 4u) << "a dismissed menu does nothing";
  app::CLibMixContain::SetMenuChooser(previous);

  // The size slider moves the selected hat; the labels follow.
  app::CMySliderCtrl& size = *dialog.Slider(CBodyMixDialog::kSize);
  size.setFocus();
  size.setValue(70);
  dialog.OnSlider(CBodyMixDialog::kSize);
  EXPECT_EQ(mix.Parts()[3].size, 70);
  EXPECT_EQ(Label(dialog, CBodyMixDialog::kSizeLabel), QStringLiteral("70"));
  app::CMySliderCtrl& ratio = *dialog.Slider(CBodyMixDialog::kRatio);
  ratio.setValue(100);
  dialog.OnSlider(CBodyMixDialog::kRatio);
  EXPECT_EQ(Label(dialog, CBodyMixDialog::kRatioLabel), QStringLiteral("10.0"));
  EXPECT_EQ(mix.Parts()[0].ratio, 100);
  // "選択切替" walks on past the hat to none: the sliders show 50.
  QTest::mouseClick(dialog.GetDlgItem(CBodyMixDialog::kSelectNext), Qt::LeftButton);
  EXPECT_EQ(mix.SelectedPart(), -1);
  EXPECT_EQ(size.value(), 50);
  QTest::mouseClick(dialog.GetDlgItem(CBodyMixDialog::kSelectNext), Qt::LeftButton);
  EXPECT_EQ(mix.SelectedPart(), 2) << "the hair";
  EXPECT_EQ(size.value(), 50) << "the hair the head brought starts at 50";
  // The pad turns the preview.
  double before = 0, y = 0, z = 0;
  mix.Figure().GetView().GetCameraAngles(before, y, z);
  auto* pad = dialog.Item<app::CLAngButton>(CBodyMixDialog::kAngle);
  EXPECT_EQ(pad->GetAngles().horizontal, std::lround(std::remainder(before * 180 / M_PI, 360.0)))
      << "the pad starts at the preview's direction";
  pad->SetAngles(90, 0);
  dialog.OnAngle();
  double after = 0;
  mix.Figure().GetView().GetCameraAngles(after, y, z);
  EXPECT_NEAR(after, M_PI / 2, 1e-12);
  Screenshot(dialog, "person_composer_tall_with_hat");
}

TEST_F(PersonComposer, SavingRefusesABadHeightReportsAFailureAndWritesTheChosenOne) {
  ASSERT_TRUE(started_);
  testsupport::TempDir dir;
  CBodyMixDialog& dialog = Open();
  page::SMix& mix = *dialog.Mix();
  mix.SetBodyRatio(30);
  ScriptedUi ui;
  // 600 cm is refused with the range message and nothing is written.
  dialog.Item<QLineEdit>(CBodyMixDialog::kHeight)->setText(QStringLiteral("600"));
  ui.dialogPaths = {dir.File("tall.z4h")};
  QTest::mouseClick(dialog.GetDlgItem(CBodyMixDialog::kSave), Qt::LeftButton);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("500"), std::string::npos) << ui.messages[0];
  EXPECT_FALSE(fs::exists(dir.File("tall.z4h")));
  EXPECT_FALSE(mix.IsSaved());
  // A folder that is not there: the failure is reported, the dialog stays.
  dialog.Item<QLineEdit>(CBodyMixDialog::kHeight)->setText(QStringLiteral("150"));
  ui.dialogPaths = {dir.File("missing/person.z4h")};
  EXPECT_FALSE(dialog.OnSave());
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(mix.IsSaved());
  // Then the person is written at 150 (the model's tests check the height
  // of what it writes) and opens again as one figure.
  ui.dialogPaths = {dir.File("person.z4h")};
  QTest::mouseClick(dialog.GetDlgItem(CBodyMixDialog::kSave), Qt::LeftButton);
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_TRUE(mix.IsSaved());
  EXPECT_TRUE(dialog.isVisible()) << "saving keeps the dialog open";
  facade::KxLibR opened;
  ASSERT_EQ(opened.Open(dir.File("person.z4h")), 0);
  EXPECT_TRUE(opened.IsFigureIndex(1));
  EXPECT_EQ(mix.targetHeight, 150);
}

TEST_F(PersonComposer, ClosingAnUnsavedPersonAsksAndKeepsTheDialogUnlessItWasSavedOrLeft) {
  ASSERT_TRUE(started_);
  testsupport::TempDir dir;
  struct Case {
    const char* what;
    int answer;
    std::string path;  // the save dialog's answer; empty: cancelled
    bool closes;
  };
  const Case cases[] = {
      {"cancel", platform::kIdCancel, "", false},
      {"yes, save cancelled", platform::kIdYes, "", false},
      {"yes, save failed", platform::kIdYes, dir.File("missing/person.z4h"), false},
      {"yes, saved", platform::kIdYes, dir.File("person.z4h"), true},
      {"no", platform::kIdNo, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CBodyMixDialog& dialog = Open();
    dialog.Mix()->SetBodyRatio(70);
    ScriptedUi ui;
    ui.answers = {c.answer};
    if (!c.path.empty()) ui.dialogPaths = {c.path};
    QTest::mouseClick(dialog.GetDlgItem(CBodyMixDialog::kClose), Qt::LeftButton);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages[0], "合成した人物を保存していません。このダイアログを閉じる前に人物を保存しますか？");
    EXPECT_EQ(dialog.isVisible(), !c.closes);
  }
  // A saved person closes without a question, and so does Escape.
  CBodyMixDialog& dialog = Open();
  ScriptedUi ui;
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(PersonComposer, TheCommandOpensTheComposerOrSaysItCannot) {
  ASSERT_TRUE(started_);
  shelltest::ShellFixture shell;
  global_.SetInstallRecord(PENNET_BUILD_DIR, "sample");
  QAction* command = shell.Frame().CommandAction(app::ID_PERSON_COMPOSER);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->text(), QStringLiteral("人物の合成（カスタム人物）(&M)..."));
  bool shown = false;
  shelltest::WhenModal([&](QWidget* widget) {
    auto* dialog = qobject_cast<CBodyMixDialog*>(widget);
    shown = dialog != nullptr && dialog->Mix() != nullptr && dialog->Mix()->Parts().size() == 3;
    if (dialog != nullptr) Screenshot(*dialog, "person_composer_from_command");
    widget->close();
  });
  command->trigger();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(shell.ui.messages.empty());
  // Without the library's parts it does not open and says so.
  testsupport::TempDir empty;
  global_.SetInstallRecord(empty.Path(), "");
  command->trigger();
  ASSERT_EQ(shell.ui.messages.size(), 1u);
  EXPECT_EQ(shell.ui.messages[0], "メモリが足りないため今の処理を実行できませんでした。");
}

}  // namespace personcomposertest
