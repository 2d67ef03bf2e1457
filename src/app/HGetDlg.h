#pragma once
// The modal progress dialog shown while a worker thread does a long job
// (a material download, writing an animated GIF). It never talks to the
// worker: every 10 ms it reads the job's shared fields.
//   done      the worker makes it non-zero when it has finished: the
//             dialog ends
//   progress  per cent, 0 to 100, shown on the bar; other values (the
//             job's final codes) leave the bar as it is
//   cancel    the dialog writes 1 when the user cancels (button, Escape,
//             closing the window)
// With no-cancel set the Cancel button is disabled and a cancel request
// only writes the flag: the dialog stays until the worker is done. Every
// ending of exec() answers QDialog::Rejected; the caller then waits for its
// worker and reads the outcome from the job.
//
//   imaging::WebDownloader job;  ...start the worker...
//   HGetDlg dialog(mainWindow);
//   dialog.SetTitle(text);
//   dialog.SetProgressSource(&job.cancelFlag, &job.doneFlag, &job.progress, false);
//   dialog.exec();
#include <QDialog>
#include <atomic>
#include <cstdint>

class QProgressBar;
class QPushButton;
class QTimer;

namespace app {

class HGetDlg : public QDialog {
  Q_OBJECT
 public:
  explicit HGetDlg(QWidget* parent = nullptr);

  // The caption instead of "処理中"; empty keeps that.
  void SetTitle(const QString& title) { title_ = title; }
  // Any pointer may be null. Call before exec(); the fields must outlive
  // the dialog's run.
  void SetProgressSource(std::atomic<std::uint8_t>* cancel, std::atomic<std::int32_t>* done,
                         std::atomic<std::int32_t>* progress, bool noCancel);

  QProgressBar* ProgressBar() const { return bar_; }
  QPushButton* CancelButton() const { return cancelButton_; }

  static constexpr int kTickMs = 10;

 public slots:
  // Cancel: writes 1 into the cancel flag, then ends unless no-cancel is
  // set (without a cancel flag it simply ends).
  void reject() override;
  void done(int result) override;
  // One look at the job (the timer's): ends the dialog when the job is
  // done, else shows a progress of 0 to 100 on the bar.
  void onTick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QString title_;
  std::atomic<std::uint8_t>* cancel_ = nullptr;
  std::atomic<std::int32_t>* done_ = nullptr;
  std::atomic<std::int32_t>* progress_ = nullptr;
  bool noCancel_ = false;
  QProgressBar* bar_;
  QPushButton* cancelButton_;
  QTimer* timer_;
};

}  // namespace app
