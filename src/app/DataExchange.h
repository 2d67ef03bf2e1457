#pragma once
// Moves a dialog's fields into its controls and back, checking ranges on the
// way back. A dialog names each field with its control (and range) in one
// function, DoDataExchange; running it towards the controls fills them, and
// running it from the controls reads and checks them:
//
//   void CLineWidthDialog::DoDataExchange(DataExchange& dx) {
//     dx.Int(edit_, width, 1, 100);
//   }
//
// A failed read (text that is not a number, a value outside its range) shows
// the standard message, puts the focus on the control with its text
// selected, and skips every later step of the same run, so the fields after
// it keep their values. A quiet read does the same without the message and
// without moving the focus: a dialog reads this way while the user types.
#include <QDialog>
#include <QSpinBox>
#include <span>
#include <string>

class QAbstractButton;
class QComboBox;
class QLineEdit;

namespace app {

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
  // Floating-point numbers in a line edit.
  void Double(QLineEdit* edit, double& field);
  void Double(QLineEdit* edit, double& field, double minimum, double maximum);
  // Text as it stands (UTF-8).
  void Text(QLineEdit* edit, std::string& field);
  // A check box or toggle button: 1 ticked, 0 not.
  void Check(QAbstractButton* button, int& field);
  void Check(QAbstractButton* button, bool& field);
  // A group of radio buttons: the index of the checked one (-1 none).
  void Radio(std::span<QAbstractButton* const> buttons, int& field);
  // A drop list: the index of the chosen item (-1 none).
  void ComboIndex(QComboBox* box, int& field);

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

// A dialog whose fields travel through DoDataExchange. OK reads them back
// and closes only when every field could be taken.
class CDataDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CDataDialog(QWidget* parent = nullptr);

  // Fields to the controls (save false) or back (save true); false when a
  // read failed. A quiet read shows nothing.
  bool UpdateData(bool save);
  bool ReadQuietly();

  // The fields go to the controls when the dialog is first shown, as in a
  // modal run; call it by hand to fill a dialog that is not shown.
  void InitDialog();
  void accept() override;

 protected:
  virtual void DoDataExchange(DataExchange& dx) = 0;
  // After the fields first went to the controls.
  virtual void OnInitDialog() {}
  void showEvent(QShowEvent* event) override;

 private:
  bool initialised_ = false;
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
