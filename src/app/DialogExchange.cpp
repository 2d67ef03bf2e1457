#include "app/DialogExchange.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <cmath>

#include "app/AppStrings.h"
#include "app/CColButton.h"
#include "page/StringTable.h"
#include "platform/Hooks.h"

namespace app {
std::string FillInString(int id, const char* marker, std::initializer_list<QString> values) {
  QString text = QString::fromStdString(page::PnLoadString(id));
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

void DialogExchange::Fail(QWidget* control, const std::string& message) {
  failed_ = control;
  if (mode_ != Mode::kFromControls) return;
  platform::ShowMessage(message, "Pennet", platform::kMbOk | platform::kMbIconWarning);
  control->setFocus();
  if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
}

void DialogExchange::Int(QLineEdit* edit, int& field, int least, int largest) {
  if (Skip()) return;
  if (!Saving()) {
    edit->setText(QString::number(field));
    return;
  }
  bool ok = false;
  const int value = edit->text().trimmed().toInt(&ok);
  if (!ok || value < least || value > largest) {
    Fail(edit, FillInString(page::kStrEnterIntegerRange, "%d", {QString::number(least), QString::number(largest)}));
    return;
  }
  field = value;
}

void DialogExchange::Double(QLineEdit* edit, double& field, double least, double largest) {
  if (Skip()) return;
  if (!Saving()) {
    edit->setText(FormatExchangeDouble(field));
    return;
  }
  bool ok = false;
  const double value = edit->text().trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value) || value < least || value > largest) {
    Fail(edit, FillInString(kStrEnterNumberRange, "%s",
                      {FormatExchangeDouble(least), FormatExchangeDouble(largest)}));
    return;
  }
  field = value;
}

void DialogExchange::Check(QAbstractButton* box, bool& field) {
  if (Skip()) return;
  if (Saving())
    field = box->isChecked();
  else
    box->setChecked(field);
}

void DialogExchange::Radio(const QList<QAbstractButton*>& buttons, int& field) {
  if (Skip() || buttons.isEmpty()) return;
  if (Saving()) {
    for (qsizetype i = 0; i < buttons.size(); ++i) {
      if (buttons[i]->isChecked()) field = static_cast<int>(i);
    }
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

void DialogExchange::Combo(QComboBox* box, int& field) {
  if (Skip()) return;
  if (!Saving()) {
    box->setCurrentIndex(field >= 0 && field < box->count() ? field : -1);
    return;
  }
  if (box->currentIndex() >= 0) field = box->currentIndex();
}

void DialogExchange::Color(CColButton* button, platform::COLORREF& field) {
  if (Skip()) return;
  if (Saving())
    field = button->Color();
  else
    button->SetColor(field);
}

ExchangeDialog::ExchangeDialog(QWidget* parent) : QDialog(parent) {}

bool ExchangeDialog::UpdateData(bool save) {
  DialogExchange dx(save ? DialogExchange::Mode::kFromControls : DialogExchange::Mode::kToControls);
  const bool wasExchanging = exchanging_;
  exchanging_ = !save;
  DoDataExchange(dx);
  exchanging_ = wasExchanging;
  AfterExchange();
  return !dx.Failed();
}

bool ExchangeDialog::ReadQuietly() {
  DialogExchange dx(DialogExchange::Mode::kQuietFromControls);
  DoDataExchange(dx);
  return !dx.Failed();
}

QWidget* ExchangeDialog::GetDlgItem(int id) const { return findChild<QWidget*>(QString::number(id)); }

void ExchangeDialog::StartDialog() {
  OnInitDialog();
  UpdateData(false);
}

int ExchangeDialog::DoModal() {
  StartDialog();
  return exec();
}

void ExchangeDialog::accept() {
  if (!UpdateData(true) || !OnOK()) return;
  QDialog::accept();
}

}  // namespace app
