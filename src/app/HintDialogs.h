#pragma once
// The hint dialogs: a picture that explains an operation, and OK. The
// person-layout question also has Cancel, which stops the drop. Each runs
// modally through DoModal and answers QDialog::Accepted or Rejected.
#include <QDialog>
#include <QImage>
#include <QSize>
#include <QString>

namespace app {

// A picture (and text) over the buttons; the classes below only choose
// what it shows.
class CHintDialog : public QDialog {
  Q_OBJECT
 public:
  int DoModal();

  // The picture shown; null when its file is missing (the place stays).
  const QImage& Picture() const { return picture_; }

 protected:
  struct Content {
    QString caption;
    int pictureId = 0;  // the resource bitmap (AppResources: LoadAppBitmap)
    QSize pictureSize;  // the place kept for it
    QString textAbove, textBelow;  // empty: none
    bool withCancel = false;       // "キャンセル" beside OK
  };
  CHintDialog(QWidget* parent, const Content& content);

 private:
  QImage picture_;
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

// Lets the angle pads show the hint on changing a direction after the
// first release ever (the preferences remember it was shown). The program
// calls it once at start-up.
void InstallAngleHintHook();

// Lets a person dropped beside every person ask first through
// CHumanLayoutDialog; placing goes on only when it is answered OK. The
// program calls it once at start-up.
void InstallHumanLayoutHook();

}  // namespace app
