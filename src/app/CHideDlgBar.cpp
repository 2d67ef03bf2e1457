#include "app/CHideDlgBar.h"

#include <QApplication>
#include <QDockWidget>
#include <QLabel>

#include "app/AppStrings.h"
#include "app/CMySliderCtrl.h"
#include "page/PnGlobal.h"

namespace app {

CHideDlgBar::CHideDlgBar(QWidget* parent) : QWidget(parent) {}

void CHideDlgBar::ShowBar(bool show) {
  for (QWidget* up = parentWidget(); up != nullptr; up = up->parentWidget()) {
    if (auto* dock = qobject_cast<QDockWidget*>(up)) {
      dock->setVisible(show);
      return;
    }
  }
  setVisible(show);
}

void CHideDlgBar::ApplyValue(page::PropVal& value, int newCommand, int mode) {
  page::PnGlobal::Get().ApplyPropValue(value, newCommand, mode);
}

void CHideDlgBar::ApplyValues(std::span<page::PropVal* const> values, int newCommand, int mode) {
  page::PnGlobal::Get().ApplyPropValues(values, newCommand, mode);
}

QLabel* CHideDlgBar::MakeLabel(const QString& text) {
  auto* label = new QLabel(text, this);
  SetLabelColor(label);
  return label;
}

void CHideDlgBar::SetLabelColor(QWidget* label) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, QColor(110, 110, 130));
  label->setPalette(palette);
}

CMySliderCtrl* CHideDlgBar::MakeSlider(int minimum, int maximum, std::vector<int> ticks) {
  auto* slider = new CMySliderCtrl(this);
  slider->setRange(minimum, maximum);
  slider->SetTicks(std::move(ticks));
  slider->setFixedHeight(24);
  return slider;
}

void CHideDlgBar::SetTip(QWidget* control, int stringId) {
  control->setToolTip(QString::fromStdString(LoadAppString(stringId)));
}

bool CHideDlgBar::LeftButtonDown() { return (QApplication::mouseButtons() & Qt::LeftButton) != 0; }

}  // namespace app
