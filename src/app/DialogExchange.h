#pragma once
// Moving a dialog's fields into its controls and back.
//
// A dialog lists its fields once, in DoDataExchange, with the control and
// the range of each; the same list runs in both directions:
//
//   void DoDataExchange(DialogExchange& dx) override {
//     dx.Int(spacingEdit_, spacing, 1, 500);
//     dx.Check(keepBox_, keepRatio);
//   }
//
// Reading back checks every range in list order. The first failure stops
// the pass (later fields keep their values): a validating read shows the
// standard message and focuses the control, a quiet read (used while the
// user is still typing) only reports it. An OK button on an ExchangeDialog
// reads with validation and stays open on a failure.
#include <QDialog>
#include <QList>
#include <initializer_list>
#include <string>

#include "platform/WinTypes.h"

class QAbstractButton;
class QComboBox;
class QLineEdit;

namespace app {

class CColButton;

class DialogExchange {
 public:
  enum class Mode { kToControls, kFromControls, kQuietFromControls };
  explicit DialogExchange(Mode mode) : mode_(mode) {}

  bool Saving() const { return mode_ != Mode::kToControls; }
  bool Failed() const { return failed_ != nullptr; }
  // The control whose value failed, null while none has.
  QWidget* FailedControl() const { return failed_; }

  // A whole number in an edit, least to largest.
  void Int(QLineEdit* edit, int& field, int least, int largest);
  // A number in an edit, least to largest; shown with 15 significant
  // digits, which hides the last bit's noise of converted values.
  void Double(QLineEdit* edit, double& field, double least, double largest);
  void Check(QAbstractButton* box, bool& field);
  // The index of the checked button; none checked shows a value that is no
  // index, and reading with none checked keeps the field.
  void Radio(const QList<QAbstractButton*>& buttons, int& field);
  // The index of the chosen item of a drop list; reading without a choice
  // keeps the field.
  void Combo(QComboBox* box, int& field);
  // The colour of a colour button (which shows it in colour mode).
  void Color(CColButton* button, platform::COLORREF& field);

 private:
  bool Skip() const { return Saving() && Failed(); }
  void Fail(QWidget* control, const std::string& message);

  Mode mode_;
  QWidget* failed_ = nullptr;
};

// The text a number is shown with in an edit.
QString FormatExchangeDouble(double value);

// String `id` of the program's table with each `marker` ("%d", "%s") in
// turn replaced by the next value.
std::string FillInString(int id, const char* marker, std::initializer_list<QString> values);

// A dialog whose fields travel through DoDataExchange. OK reads the
// controls with validation and ends with Accepted only when everything was
// in range and OnOK agrees.
class ExchangeDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ExchangeDialog(QWidget* parent = nullptr);

  // Fields to controls (false) or back (true, with the standard message
  // and focus on a failure). False when a read failed.
  bool UpdateData(bool save = true);
  // Fields from the controls without any message; false when a value could
  // not be read or is out of range.
  bool ReadQuietly();
  // True while fields are being put into the controls: edit handlers
  // ignore the changes that causes.
  bool IsExchanging() const { return exchanging_; }

  // The control with this id (its object name is the id's digits), as the
  // dialog's handlers and tests reach it; null when there is none.
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
  virtual void DoDataExchange(DialogExchange& dx) = 0;
  // Called once the fields were read back on OK; false keeps the dialog
  // open.
  virtual bool OnOK() { return true; }
  // Called after every exchange in either direction (control states that
  // follow the fields).
  virtual void AfterExchange() {}
  // Called once before the first exchange of a run.
  virtual void OnInitDialog() {}

 private:
  bool exchanging_ = false;
};

}  // namespace app
