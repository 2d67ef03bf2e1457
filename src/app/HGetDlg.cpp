#include "app/HGetDlg.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace app {

HGetDlg::HGetDlg(QWidget* parent)
    : QDialog(parent),
      bar_(new QProgressBar(this)),
      cancelButton_(new QPushButton(QStringLiteral("キャンセル"), this)),
      timer_(new QTimer(this)) {
  setWindowTitle(QStringLiteral("処理中"));
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setMinimumWidth(240);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bar_);
  layout->addLayout(buttons);
  connect(cancelButton_, &QPushButton::clicked, this, &HGetDlg::reject);
  timer_->setInterval(kTickMs);
  connect(timer_, &QTimer::timeout, this, &HGetDlg::onTick);
}

void HGetDlg::SetProgressSource(std::atomic<std::uint8_t>* cancel, std::atomic<std::int32_t>* done,
                                std::atomic<std::int32_t>* progress, bool noCancel) {
  cancel_ = cancel;
  done_ = done;
  progress_ = progress;
  noCancel_ = noCancel;
}

void HGetDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!title_.isEmpty()) setWindowTitle(title_);
  cancelButton_->setEnabled(!noCancel_);
  timer_->start();
}

void HGetDlg::onTick() {
  if (done_ && done_->load() != 0) {
    done(QDialog::Rejected);
    return;
  }
  if (!progress_) return;
  const std::int32_t percent = progress_->load();
  if (percent >= 0 && percent <= 100) bar_->setValue(percent);
}

void HGetDlg::done(int result) {
  timer_->stop();
  QDialog::done(result);
}

void HGetDlg::reject() {
  if (!cancel_) {
    QDialog::reject();
    return;
  }
  cancel_->store(1);
  if (!noCancel_) QDialog::reject();
}

}  // namespace app
