#pragma once
// Moves a dialog's fields into its controls and back, checking ranges on the
// way back. A dialog names each field with its control (and range) in one
// function, DoDataExchange; running it towards the controls fills them, and
// running it from the controls reads and checks them:
//
//   void CGridDialog::DoDataExchange(DataExchange& dx) {
//     dx.Int(Item<QLineEdit>(1065), spacing, 1, 500);
//     dx.Color(lineColorButton_, lineColor);
//   }
//
// A failed read (text that is not a number, a value outside its range) shows
// the standard message, puts the focus on the control with its text
// selected, and skips every later step of the same run: the failing field
// and the fields after it keep their values. A quiet read does the same without the message and
// without moving the focus: a dialog reads this way while the user types.
#include <QDialog>
#include <QList>
#include <QSpinBox>
#include <initializer_list>
#include <string>

#include "platform/WinTypes.h"

class QAbstractButton;
class QComboBox;
class QLineEdit;

namespace app {

class CColButton;

class DataExchange {
 public:
  enum class Direction { kToControls, kFromControls, kQuietRead };
  explicit DataExchange(Direction direction) : direction_(direction) {}

  bool ToControls() const { return direction_ == Direction::kToControls; }
  bool FromControls() const { return direction_ != Direction::kToControls; }
  bool Failed() const { return failed_ != nullptr; }
  // The control whose value could not be taken (null while none failed).
  QWidget* FailedControl() const { return failed_; }

  // Integers in a line edit or a spin box; the range is checked on reads.
  void Int(QLineEdit* edit, int& field);
  void Int(QLineEdit* edit, int& field, int minimum, int maximum);
  void Int(QSpinBox* box, int& field);
  void Int(QSpinBox* box, int& field, int minimum, int maximum);
  // A range check of its own for a field exchanged before (ranges that hold
  // only in some states); nothing towards the controls.
  void IntRange(QWidget* control, int value, int minimum, int maximum);
  // Floating-point numbers in a line edit, shown with 15 significant
  // digits (which hides the last bit's noise of converted values).
  void Double(QLineEdit* edit, double& field);
  void Double(QLineEdit* edit, double& field, double minimum, double maximum);
  // Text as it stands (UTF-8).
  void Text(QLineEdit* edit, std::string& field);
  // A check box or toggle button: 1 ticked, 0 not.
  void Check(QAbstractButton* button, int& field);
  void Check(QAbstractButton* button, bool& field);
  // A group of radio buttons: the index of the checked one. A value that
  // names no button clears them all; reading with none checked keeps the
  // field, so a choice the dialog does not offer travels unchanged.
  void Radio(const QList<QAbstractButton*>& buttons, int& field);
  // A drop list: the index of the chosen item; reading without a choice
  // keeps the field.
  void Combo(QComboBox* box, int& field);
  // The colour of a colour button (which then shows it in colour mode).
  void Color(CColButton* button, platform::COLORREF& field);

  // Shows the standard message of a failed read and focuses the control;
  // for checks a dialog makes itself. Marks the run as failed.
  void Fail(QWidget* control, const std::string& message);

 private:
  bool Skipped() const { return failed_ != nullptr; }
  bool ReadInt(QWidget* control, const QString& text, int& value);

  Direction direction_;
  QWidget* failed_ = nullptr;
};

// The standard messages of a failed read.
std::string IntRangeMessage(int minimum, int maximum);
std::string DoubleRangeMessage(double minimum, double maximum);
std::string NotIntegerMessage();
std::string NotNumberMessage();

// The text a number is shown with in an edit.
QString FormatExchangeDouble(double value);

// String `id` of the program's table with each `marker` ("%d", "%s") in
// turn replaced by the next value.
std::string FillInString(int id, const char* marker, std::initializer_list<QString> values);

// A dialog whose fields travel through DoDataExchange. The fields go to the
// controls when the dialog starts (DoModal, StartDialog, or else when it is
// first shown); OK reads them back and closes only when every field could be
// taken and OnOK agrees. Controls are found by id: each has the id's digits
// as its object name.
class CDataDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CDataDialog(QWidget* parent = nullptr);

  // Fields to the controls (save false) or back (save true, with the
  // standard message and focus on a failure); false when a read failed.
  bool UpdateData(bool save);
  // Fields from the controls without any message; false when a value could
  // not be read or is out of range.
  bool ReadQuietly();
  // True while fields are being put into the controls: edit handlers
  // ignore the changes that causes.
  bool IsExchanging() const { return exchanging_; }

  // The control with this id; null when there is none.
  QWidget* GetDlgItem(int id) const;
  template <typename W>
  W* Item(int id) const {
    return qobject_cast<W*>(GetDlgItem(id));
  }

  // Prepares the controls (OnInitDialog, then the fields into them); the
  // dialog can then be run or, in tests, driven without running it.
  void StartDialog();
  // StartDialog, then the modal run: QDialog::Accepted or Rejected.
  int DoModal();

  void accept() override;

 protected:
  virtual void DoDataExchange(DataExchange& dx) = 0;
  // Called once before the first exchange.
  virtual void OnInitDialog() {}
  // Called after every exchange in either direction (control states that
  // follow the fields).
  virtual void AfterExchange() {}
  // Called once the fields were read back on OK; false keeps the dialog
  // open.
  virtual bool OnOK() { return true; }
  void showEvent(QShowEvent* event) override;

 private:
  bool started_ = false;
  bool exchanging_ = false;
};

// An integer edit with arrows: the arrows step within their range, while
// the text may hold any integer, so a value outside the range reaches the
// dialog's check instead of being cut silently.
class CSpinEdit : public QSpinBox {
  Q_OBJECT
 public:
  explicit CSpinEdit(QWidget* parent = nullptr);
  void SetStepRange(int minimum, int maximum);
  int StepMinimum() const { return stepMin_; }
  int StepMaximum() const { return stepMax_; }
  // The edit's text as if typed.
  void SetEditText(const QString& text);
  void stepBy(int steps) override;

 protected:
  StepEnabled stepEnabled() const override;

 private:
  int stepMin_ = 0;
  int stepMax_ = 100;
};

}  // namespace app
