#pragma once
// The hint dialogs: a picture that explains an operation, and OK. The
// person-layout question also has Cancel, which stops the drop. Each runs
// modally through DoModal and answers QDialog::Accepted or Rejected.
#include <QDialog>

namespace app {

// A picture (and text) over the buttons; the classes below only choose
// what it shows.
class CHintDialog : public QDialog {
  Q_OBJECT
 public:
  int DoModal();

 protected:
  // `caption` and `texts` are string-table ids (0 none); `picture` is the
  // resource picture's file name; `withCancel` adds "キャンセル".
  CHintDialog(QWidget* parent, int caption, const char* picture, int text1, int text2, bool withCancel);
};

class CAngWarnDialog : public CHintDialog {
  Q_OBJECT
 public:
  explicit CAngWarnDialog(QWidget* parent = nullptr);
};
class CHumanWarnDialog : public CHintDialog {
  Q_OBJECT
 public:
  explicit CHumanWarnDialog(QWidget* parent = nullptr);
};
class CRotWarnDialog : public CHintDialog {
  Q_OBJECT
 public:
  explicit CRotWarnDialog(QWidget* parent = nullptr);
};
class CConvFukidashiDialog : public CHintDialog {
  Q_OBJECT
 public:
  explicit CConvFukidashiDialog(QWidget* parent = nullptr);
};
class CHumanLayoutDialog : public CHintDialog {
  Q_OBJECT
 public:
  explicit CHumanLayoutDialog(QWidget* parent = nullptr);
};

}  // namespace app
