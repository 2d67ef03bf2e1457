#include "app/DataExchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "app/AppStrings.h"
#include "page/StringTable.h"
#include "platform/Hooks.h"

namespace app {
namespace {

// Replaces the first "%d" or "%s" of the text by each argument in turn.
std::string FormatTwo(std::string text, const std::string& first, const std::string& second) {
  for (const std::string* argument : {&first, &second}) {
    std::size_t at = text.find("%d");
    if (at == std::string::npos) at = text.find("%s");
    if (at == std::string::npos) break;
    text.replace(at, 2, *argument);
  }
  return text;
}

std::string DoubleText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

// The number a user typed: blanks around it allowed, nothing else.
bool ParseDouble(const QString& text, double& value) {
  bool ok = false;
  const double parsed = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

}  // namespace

std::string IntRangeMessage(int minimum, int maximum) {
  return FormatTwo(LoadAppString(page::kStrEnterIntegerRange), std::to_string(minimum), std::to_string(maximum));
}
std::string DoubleRangeMessage(double minimum, double maximum) {
  return FormatTwo(LoadAppString(kStrEnterNumberRange), DoubleText(minimum), DoubleText(maximum));
}
std::string NotIntegerMessage() { return LoadAppString(kStrEnterInteger); }
std::string NotNumberMessage() { return LoadAppString(kStrEnterNumber); }

// ---- DataExchange -----------------------------------------------------------

void DataExchange::Fail(QWidget* control, const std::string& message) {
  if (Skipped()) return;
  failed_ = control;
  if (direction_ == Direction::kQuietRead) return;
  platform::ShowMessage(message, "Pennet", platform::kMbOk | platform::kMbIconWarning);
  if (control == nullptr) return;
  control->setFocus(Qt::OtherFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
  if (auto* box = qobject_cast<QAbstractSpinBox*>(control)) box->selectAll();
}

bool DataExchange::ReadInt(QWidget* control, const QString& text, int& value) {
  bool ok = false;
  const qlonglong parsed = text.trimmed().toLongLong(&ok);
  if (!ok || parsed < INT_MIN || parsed > INT_MAX) {
    Fail(control, NotIntegerMessage());
    return false;
  }
  value = static_cast<int>(parsed);
  return true;
}

void DataExchange::Int(QLineEdit* edit, int& field) {
  if (Skipped()) return;
  if (ToControls()) {
    edit->setText(QString::number(field));
    return;
  }
  int value = 0;
  if (ReadInt(edit, edit->text(), value)) field = value;
}

void DataExchange::Int(QLineEdit* edit, int& field, int minimum, int maximum) {
  Int(edit, field);
  IntRange(edit, field, minimum, maximum);
}

void DataExchange::Int(QSpinBox* box, int& field) {
  if (Skipped()) return;
  if (ToControls()) {
    box->setValue(field);
    return;
  }
  int value = 0;
  if (ReadInt(box, box->cleanText(), value)) field = value;
}

void DataExchange::Int(QSpinBox* box, int& field, int minimum, int maximum) {
  Int(box, field);
  IntRange(box, field, minimum, maximum);
}

void DataExchange::IntRange(QWidget* control, int value, int minimum, int maximum) {
  if (Skipped() || ToControls()) return;
  if (value < minimum || value > maximum) Fail(control, IntRangeMessage(minimum, maximum));
}

void DataExchange::Double(QLineEdit* edit, double& field) {
  if (Skipped()) return;
  if (ToControls()) {
    edit->setText(QString::fromStdString(DoubleText(field)));
    return;
  }
  double value = 0.0;
  if (!ParseDouble(edit->text(), value)) {
    Fail(edit, NotNumberMessage());
    return;
  }
  field = value;
}

void DataExchange::Double(QLineEdit* edit, double& field, double minimum, double maximum) {
  Double(edit, field);
  if (Skipped() || ToControls()) return;
  if (field < minimum || field > maximum) Fail(edit, DoubleRangeMessage(minimum, maximum));
}

void DataExchange::Text(QLineEdit* edit, std::string& field) {
  if (Skipped()) return;
  if (ToControls())
    edit->setText(QString::fromStdString(field));
  else
    field = edit->text().toStdString();
}

void DataExchange::Check(QAbstractButton* button, int& field) {
  if (Skipped()) return;
  if (ToControls())
    button->setChecked(field != 0);
  else
    field = button->isChecked() ? 1 : 0;
}

void DataExchange::Check(QAbstractButton* button, bool& field) {
  int value = field ? 1 : 0;
  Check(button, value);
  field = value != 0;
}

void DataExchange::Radio(std::span<QAbstractButton* const> buttons, int& field) {
  if (Skipped()) return;
  if (ToControls()) {
    for (std::size_t i = 0; i < buttons.size(); ++i) buttons[i]->setChecked(static_cast<int>(i) == field);
    return;
  }
  field = -1;
  for (std::size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i]->isChecked()) field = static_cast<int>(i);
}

void DataExchange::ComboIndex(QComboBox* box, int& field) {
  if (Skipped()) return;
  if (ToControls())
    box->setCurrentIndex(field);
  else
    field = box->currentIndex();
}

// ---- CDataDialog --------------------------------------------------------------

CDataDialog::CDataDialog(QWidget* parent) : QDialog(parent) {}

bool CDataDialog::UpdateData(bool save) {
  DataExchange dx(save ? DataExchange::Direction::kFromControls : DataExchange::Direction::kToControls);
  DoDataExchange(dx);
  return !dx.Failed();
}

bool CDataDialog::ReadQuietly() {
  DataExchange dx(DataExchange::Direction::kQuietRead);
  DoDataExchange(dx);
  return !dx.Failed();
}

void CDataDialog::InitDialog() {
  if (initialised_) return;
  initialised_ = true;
  UpdateData(false);
  OnInitDialog();
}

void CDataDialog::showEvent(QShowEvent* event) {
  InitDialog();
  QDialog::showEvent(event);
}

void CDataDialog::accept() {
  if (UpdateData(true)) QDialog::accept();
}

// ---- CSpinEdit ------------------------------------------------------------------

CSpinEdit::CSpinEdit(QWidget* parent) : QSpinBox(parent) {
  setRange(INT_MIN, INT_MAX);
  setKeyboardTracking(true);
}

void CSpinEdit::SetStepRange(int minimum, int maximum) {
  stepMin_ = minimum;
  stepMax_ = maximum;
}

void CSpinEdit::SetEditText(const QString& text) { lineEdit()->setText(text); }

// The arrows bring a value from outside the range back to its nearer end.
void CSpinEdit::stepBy(int steps) {
  const long long next = static_cast<long long>(value()) + steps;
  setValue(static_cast<int>(std::clamp<long long>(next, stepMin_, stepMax_)));
  selectAll();
}

QAbstractSpinBox::StepEnabled CSpinEdit::stepEnabled() const {
  StepEnabled enabled = StepNone;
  if (isReadOnly()) return enabled;
  if (value() < stepMax_) enabled |= StepUpEnabled;
  if (value() > stepMin_) enabled |= StepDownEnabled;
  return enabled;
}

}  // namespace app
