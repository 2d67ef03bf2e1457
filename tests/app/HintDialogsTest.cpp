// The hint dialogs with their pictures, the angle pad's hint shown once, and
// the options command of the main frame run on the preferences record.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "QtTestApp.h"
#include "ShellTestSupport.h"
#include "app/AppCommands.h"
#include "app/CLAngButton.h"
#include "app/CSMainFrame.h"
#include "app/HintDialogs.h"
#include "app/SettingsDialogs.h"
#include "page/PnGlobal.h"
#include "page/STrackLibDrop.h"

namespace {

using shelltest::SavedPrefs;
using shelltest::WhenModal;

TEST(HintDialogs, ShowTheirPictureCaptionAndButtons) {
  struct Case {
    std::unique_ptr<app::CHintDialog> dialog;
    const char* caption;
    QSize picture;
    bool cancel;
  };
  Case cases[] = {
      {std::make_unique<app::CAngWarnDialog>(), "向き変更のヒント", {327, 386}, false},
      {std::make_unique<app::CHumanWarnDialog>(), "人物・道具・表情 入れ替えのヒント", {400, 347}, false},
      {std::make_unique<app::CRotWarnDialog>(), "図形回転のヒント", {343, 346}, false},
      {std::make_unique<app::CConvFukidashiDialog>(), "吹き出し画像合成の説明", {273, 143}, false},
      {std::make_unique<app::CHumanLayoutDialog>(), "人物の配置", {500, 330}, true},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.caption);
    app::CHintDialog& dialog = *c.dialog;
    EXPECT_EQ(dialog.windowTitle().toStdString(), c.caption);
    EXPECT_EQ(dialog.Picture().size(), c.picture);
    EXPECT_EQ(dialog.findChild<QAbstractButton*>(QStringLiteral("2")) != nullptr, c.cancel);
    dialog.adjustSize();
    ASSERT_GE(dialog.width(), c.picture.width());
    ASSERT_GE(dialog.height(), c.picture.height());
    // The picture is painted: the rendered dialog holds its non-background
    // pixels in about the same numbers.
    const QImage painted = apptest::Render(dialog);
    const QImage picture = dialog.Picture().convertToFormat(QImage::Format_RGB32);
    const QRgb paper = picture.pixel(picture.width() / 2, 2);
    auto inkOf = [paper](const QImage& image) {
      int count = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != paper && qAlpha(image.pixel(x, y)) == 255;
      return count;
    };
    EXPECT_GT(inkOf(painted), inkOf(picture) / 2);
  }
}

TEST(HintDialogs, CancelOfThePersonLayoutAnswersRejected) {
  for (const int button : {1, 2}) {
    app::CHumanLayoutDialog dialog;
    WhenModal([button](QWidget* modal) {
      modal->findChild<QAbstractButton*>(QString::number(button))->click();
    });
    EXPECT_EQ(dialog.DoModal(), button == 1 ? QDialog::Accepted : QDialog::Rejected);
  }
}

TEST(HintDialogs, APersonDropAsksThroughTheLayoutDialog) {
  app::InstallHumanLayoutHook();
  const page::HumanLayoutHook ask = page::SetHumanLayoutHook({});
  ASSERT_TRUE(ask);
  for (const int button : {1, 2}) {
    bool asked = false;
    WhenModal([button, &asked](QWidget* modal) {
      asked = qobject_cast<app::CHumanLayoutDialog*>(modal) != nullptr;
      modal->findChild<QAbstractButton*>(QString::number(button))->click();
    });
    EXPECT_EQ(ask(), button == 1);
    EXPECT_TRUE(asked);
  }
}

TEST(AngleHint, ShowsAtTheFirstReleaseEverAndNeverAgain) {
  SavedPrefs saved;
  page::AppPrefs& prefs = *page::PnGlobal::Get().prefs;
  prefs.m3DAngWarn = 0;
  app::InstallAngleHintHook();
  app::CLAngButton pad;
  pad.resize(180, 90);
  int shown = 0;
  for (int release = 0; release < 3; ++release) {
    if (release == 0) {
      WhenModal([&shown](QWidget* modal) {
        if (qobject_cast<app::CAngWarnDialog*>(modal) != nullptr) ++shown;
        modal->close();
      });
    }
    QTest::mouseClick(&pad, Qt::LeftButton, {}, QPoint(20 + release, 20));
    EXPECT_EQ(prefs.m3DAngWarn, 1);
  }
  EXPECT_EQ(shown, 1);
  app::CLAngButton::SetReleaseHintHook({});
}

TEST(OptionsCommand, RunsTheOptionsOnThePreferencesAndKeepsThemOnCancel) {
  SavedPrefs saved;
  shelltest::ShellFixture shell;
  page::AppPrefs& prefs = *page::PnGlobal::Get().prefs;
  prefs.mMaxUndo = 3;
  QAction* options = shell.Frame().CommandAction(app::ID_OPTIONS);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));

  for (const bool ok : {false, true}) {
    WhenModal([ok](QWidget* modal) {
      auto* dialog = qobject_cast<app::CPrefsDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->Item<QLineEdit>(1110)->text().toStdString(), "3");
      dialog->Item<QLineEdit>(1110)->setText(QStringLiteral("12"));
      if (ok)
        dialog->accept();
      else
        dialog->reject();
    });
    options->trigger();
    EXPECT_EQ(prefs.mMaxUndo, ok ? 12 : 3);
    prefs.mMaxUndo = 3;
  }
}

}  // namespace
