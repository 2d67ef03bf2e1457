#include "app/SFig3DDialog.h"

#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "page/SFig.h"

namespace app {

namespace {

constexpr double kShortestRender = 0.001;  // milliseconds

}  // namespace

SFig3DDialog::SFig3DDialog(page::SFig& shape, QWidget* parent)
    : QDialog(parent), shape_(shape), rate_(new QLabel(this)), time_(new QLabel(this)) {
  setWindowTitle(QStringLiteral("立体図形の編集"));
  rate_->setObjectName(QStringLiteral("1101"));
  time_->setObjectName(QStringLiteral("1102"));
  auto* measure = new QPushButton(QStringLiteral("計測"), this);
  measure->setObjectName(QStringLiteral("1100"));
  connect(measure, &QPushButton::clicked, this, &SFig3DDialog::Measure);
  auto* figures = new QGridLayout;
  figures->addWidget(new QLabel(QStringLiteral("1秒間に"), this), 0, 0);
  figures->addWidget(rate_, 0, 1);
  figures->addWidget(new QLabel(QStringLiteral("回描画"), this), 0, 2);
  figures->addWidget(new QLabel(QStringLiteral("1回に"), this), 1, 0);
  figures->addWidget(time_, 1, 1);
  figures->addWidget(new QLabel(QStringLiteral("msec"), this), 1, 2);
  figures->addWidget(measure, 0, 3, 2, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(figures);
  layout->addWidget(buttons);
}

void SFig3DDialog::Measure() {
  QElapsedTimer clock;
  clock.start();
  shape_.RenderScene();
  const auto [rate, time] = SpeedTexts(static_cast<double>(clock.nsecsElapsed()) / 1e6);
  rate_->setText(rate);
  time_->setText(time);
}

std::pair<QString, QString> SFig3DDialog::SpeedTexts(double milliseconds) {
  const double c = std::max(milliseconds, kShortestRender);
  return {QString::asprintf("%6.3f", 1000.0 / c), QString::asprintf("%5d", static_cast<int>(std::lround(c)))};
}

}  // namespace app
