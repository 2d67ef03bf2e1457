#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <thread>

#include "QtTestApp.h"
#include "app/HGetDlg.h"

namespace {

using app::HGetDlg;

// The fields a worker shares with the dialog, as the download job has them.
struct Job {
  std::atomic<std::uint8_t> cancel{0};
  std::atomic<std::int32_t> done{0};
  std::atomic<std::int32_t> progress{0};
};

constexpr int kGaveUp = 42;

// Runs the dialog modally; a dialog still open after a few seconds is
// ended with kGaveUp so that a failure cannot hang the tests.
int RunModal(HGetDlg& dialog) {
  QTimer::singleShot(5000, &dialog, [&dialog] { dialog.QDialog::done(kGaveUp); });
  return dialog.exec();
}

TEST(HGetDlg, EndsOnceTheWorkerIsDone) {
  Job job;
  std::thread worker([&job] {
    for (int percent = 0; percent <= 100; percent += 25) {
      job.progress = percent;
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    job.progress = 1000;
    job.done = 1;
  });
  HGetDlg dialog;
  dialog.SetProgressSource(&job.cancel, &job.done, &job.progress, false);
  EXPECT_EQ(RunModal(dialog), QDialog::Rejected);
  worker.join();
  EXPECT_EQ(job.cancel, 0);
  EXPECT_LE(dialog.ProgressBar()->value(), 100);  // the final 1000 is no percentage
  EXPECT_FALSE(dialog.isVisible());
}

TEST(HGetDlg, AJobDoneBeforeTheFirstTickEndsAtThatTick) {
  Job job;
  job.done = 1;
  HGetDlg dialog;
  dialog.SetProgressSource(nullptr, &job.done, nullptr, false);
  EXPECT_EQ(RunModal(dialog), QDialog::Rejected);
}

TEST(HGetDlg, CancelSetsTheFlagAndEnds) {
  struct Case {
    const char* how;
    std::function<void(HGetDlg&)> cancel;
  };
  const Case cases[] = {
      {"button", [](HGetDlg& d) { QTest::mouseClick(d.CancelButton(), Qt::LeftButton); }},
      {"escape", [](HGetDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
      {"close", [](HGetDlg& d) { d.close(); }},
  };
  for (const Case& c : cases) {
    Job job;
    HGetDlg dialog;
    dialog.SetProgressSource(&job.cancel, &job.done, &job.progress, false);
    QTimer::singleShot(20, &dialog, [&] { c.cancel(dialog); });
    EXPECT_EQ(RunModal(dialog), QDialog::Rejected) << c.how;
    EXPECT_EQ(job.cancel, 1) << c.how;
  }
  // Without a cancel flag the dialog simply ends.
  HGetDlg bare;
  QTimer::singleShot(20, &bare, [&] { QTest::keyClick(&bare, Qt::Key_Escape); });
  EXPECT_EQ(RunModal(bare), QDialog::Rejected);
}

TEST(HGetDlg, NoCancelWritesTheFlagButWaitsForTheWorker) {
  Job job;
  HGetDlg dialog;
  dialog.SetProgressSource(&job.cancel, &job.done, &job.progress, true);
  bool openAfterCancel = false, buttonEnabled = true;
  QTimer::singleShot(20, &dialog, [&] {
    buttonEnabled = dialog.CancelButton()->isEnabled();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    dialog.close();
    QTimer::singleShot(30, &dialog, [&] {
      openAfterCancel = dialog.isVisible();
      job.done = 1;  // the worker noticed the flag and finished
    });
  });
  EXPECT_EQ(RunModal(dialog), QDialog::Rejected);
  EXPECT_FALSE(buttonEnabled);
  EXPECT_TRUE(openAfterCancel);
  EXPECT_EQ(job.cancel, 1);
}

TEST(HGetDlg, OnlyPercentagesMoveTheBar) {
  Job job;
  HGetDlg dialog;
  dialog.SetProgressSource(&job.cancel, &job.done, &job.progress, false);
  struct Step {
    std::int32_t progress;
    int bar;
  };
  const Step steps[] = {{40, 40}, {1000, 40}, {-5, 40}, {-38, 40}, {100, 100}, {101, 100}, {0, 0}};
  for (const Step& s : steps) {
    job.progress = s.progress;
    dialog.onTick();
    EXPECT_EQ(dialog.ProgressBar()->value(), s.bar) << s.progress;
  }
}

TEST(HGetDlg, CaptionAndButtonTexts) {
  HGetDlg plain, titled;
  titled.SetTitle(QStringLiteral("インターネットからファイルを取得中"));
  plain.show();
  titled.show();
  EXPECT_EQ(plain.windowTitle(), QStringLiteral("処理中"));
  EXPECT_EQ(titled.windowTitle(), QStringLiteral("インターネットからファイルを取得中"));
  EXPECT_EQ(plain.CancelButton()->text(), QStringLiteral("キャンセル"));
  EXPECT_EQ(plain.ProgressBar()->minimum(), 0);
  EXPECT_EQ(plain.ProgressBar()->maximum(), 100);
  EXPECT_TRUE(plain.CancelButton()->isEnabled());
}

}  // namespace
