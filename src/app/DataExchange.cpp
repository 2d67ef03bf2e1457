#include "app/DataExchange.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <climits>
#include <cmath>

#include "app/AppStrings.h"
#include "app/CColButton.h"
#include "page/StringTable.h"
#include "platform/Hooks.h"

namespace app {
namespace {

// The number a user typed: blanks around it allowed, nothing else.
bool ParseDouble(const QString& text, double& value) {
  bool ok = false;
  const double parsed = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

}  // namespace

std::string FillInString(int id, const char* marker, std::initializer_list<QString> values) {
  QString text = QString::fromStdString(LoadAppString(id));
  const QString mark = QString::fromLatin1(marker);
  qsizetype from = 0;
  for (const QString& value : values) {
    const qsizetype at = text.indexOf(mark, from);
    if (at < 0) break;
    text.replace(at, mark.size(), value);
    from = at + value.size();
  }
  return text.toStdString();
}

QString FormatExchangeDouble(double value) { return QString::number(value, 'g', 15); }

std::string IntRangeMessage(int minimum, int maximum) {
  return FillInString(page::kStrEnterIntegerRange, "%d", {QString::number(minimum), QString::number(maximum)});
}
std::string DoubleRangeMessage(double minimum, double maximum) {
  return FillInString(kStrEnterNumberRange, "%s", {FormatExchangeDouble(minimum), FormatExchangeDouble(maximum)});
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

// A value outside its range is not taken: the field keeps what it had.
void DataExchange::Int(QLineEdit* edit, int& field, int minimum, int maximum) {
  int value = field;
  Int(edit, value);
  IntRange(edit, value, minimum, maximum);
  if (!Skipped()) field = value;
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
  int value = field;
  Int(box, value);
  IntRange(box, value, minimum, maximum);
  if (!Skipped()) field = value;
}

void DataExchange::IntRange(QWidget* control, int value, int minimum, int maximum) {
  if (Skipped() || ToControls()) return;
  if (value < minimum || value > maximum) Fail(control, IntRangeMessage(minimum, maximum));
}

void DataExchange::Double(QLineEdit* edit, double& field) {
  if (Skipped()) return;
  if (ToControls()) {
    edit->setText(FormatExchangeDouble(field));
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
  double value = field;
  Double(edit, value);
  if (Skipped()) return;
  if (FromControls() && (value < minimum || value > maximum)) {
    Fail(edit, DoubleRangeMessage(minimum, maximum));
    return;
  }
  field = value;
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

void DataExchange::Radio(const QList<QAbstractButton*>& buttons, int& field) {
  if (Skipped() || buttons.isEmpty()) return;
  if (FromControls()) {
    for (qsizetype i = 0; i < buttons.size(); ++i)
      if (buttons[i]->isChecked()) field = static_cast<int>(i);
    return;
  }
  // An exclusive set never lets its checked button go: lift that while a
  // value outside the buttons clears them all.
  QButtonGroup* group = buttons.front()->group();
  const bool exclusive = group != nullptr && group->exclusive();
  if (exclusive) group->setExclusive(false);
  for (qsizetype i = 0; i < buttons.size(); ++i) {
    const bool autoExclusive = buttons[i]->autoExclusive();
    buttons[i]->setAutoExclusive(false);
    buttons[i]->setChecked(i == field);
    buttons[i]->setAutoExclusive(autoExclusive);
  }
  if (exclusive) group->setExclusive(true);
}

void DataExchange::Combo(QComboBox* box, int& field) {
  if (Skipped()) return;
  if (ToControls()) {
    box->setCurrentIndex(field >= 0 && field < box->count() ? field : -1);
    return;
  }
  if (box->currentIndex() >= 0) field = box->currentIndex();
}

void DataExchange::Color(CColButton* button, platform::COLORREF& field) {
  if (Skipped()) return;
  if (ToControls())
    button->SetColor(field);
  else
    field = button->Color();
}

// ---- CDataDialog --------------------------------------------------------------

CDataDialog::CDataDialog(QWidget* parent) : QDialog(parent) {}

bool CDataDialog::UpdateData(bool save) {
  DataExchange dx(save ? DataExchange::Direction::kFromControls : DataExchange::Direction::kToControls);
  const bool wasExchanging = exchanging_;
  exchanging_ = !save;
  DoDataExchange(dx);
  exchanging_ = wasExchanging;
  AfterExchange();
  return !dx.Failed();
}

bool CDataDialog::ReadQuietly() {
  DataExchange dx(DataExchange::Direction::kQuietRead);
  DoDataExchange(dx);
  return !dx.Failed();
}

QWidget* CDataDialog::GetDlgItem(int id) const { return findChild<QWidget*>(QString::number(id)); }

void CDataDialog::StartDialog() {
  started_ = true;
  OnInitDialog();
  UpdateData(false);
}

int CDataDialog::DoModal() {
  StartDialog();
  return exec();
}

void CDataDialog::showEvent(QShowEvent* event) {
  if (!started_) StartDialog();
  QDialog::showEvent(event);
}

void CDataDialog::accept() {
  if (UpdateData(true) && OnOK()) QDialog::accept();
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
