#pragma once
// A push button or check box drawn from the skin: a frame of the shared
// frame strip for its state (ButtonStrips), then its picture, grey when
// disabled, then, without a picture, its caption. Used by the property
// bars, the tool palette and dialogs; clicks arrive as QAbstractButton's
// clicked().
#include <QAbstractButton>
#include <string>

#include "platform/Image.h"

namespace app {

class CImageButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit CImageButton(QWidget* parent = nullptr);
  CImageButton(const QString& caption, QWidget* parent);
  ~CImageButton() override;

  // Loads the picture whose file name is the text of string `stringId`
  // from the skin folder; see SetButtonPictureFile.
  bool SetButtonPicture(int stringId);
  // Loads the skin folder's file `fileName` as the picture. It must carry
  // alpha (a 32-bit picture); any other picture is refused and the button
  // keeps none, showing its caption instead. The picture is fitted into the
  // button less its margins, keeping its aspect, centred.
  bool SetButtonPictureFile(const std::string& fileName);
  bool HasPicture() const { return !source_.IsNull(); }

  // The check state: only a check box reports it; SetCheck sets it on any
  // button (a push button with the toggle look then draws pressed).
  int GetCheck() const;
  void SetCheck(int checked);
  // kStatePushed / kStateFocus, plus the check bits: 3 for a checked check
  // box, kStatePushed for another checked button.
  static constexpr int kStatePushed = 0x4;
  static constexpr int kStateFocus = 0x8;
  int GetState() const;
  // Sets the pressed state and the checked value together.
  void SetState(bool pressed);

  // ---- looks ---------------------------------------------------------
  void SetCheckBoxStyle(bool checkBox);
  void SetFocusLook(bool on);          // default off: no focus frame and rectangle
  void SetMargin(int pixels);          // default 1
  void SetToggleLook(bool on);         // default on: the checked value shows on a push button
  void SetTextAlways(bool on);         // default off: the caption only without a picture
  void SetShiftWhenPressed(bool on);   // default on: the picture moves 1 pixel while pressed

  // The frame the button shows now (ButtonFrame), and its strip (null
  // without a skin).
  int CurrentFrame() const;
  const platform::Image* FrameStrip() const { return strip_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  bool ChecksShow() const { return checkBox_ || toggleLook_; }
  void FitPicture();
  void TakeStrip();
  void DrawCaption(QPainter& painter);

  bool focusLook_ = false;
  int margin_ = 1;
  bool toggleLook_ = true;
  bool textAlways_ = false;
  bool shiftWhenPressed_ = true;
  platform::Image source_;   // the loaded picture, premultiplied
  platform::Image picture_;  // fitted to the button
  bool hover_ = false;
  bool checked_ = false;
  bool checkBox_ = false;
  const platform::Image* strip_ = nullptr;
};

}  // namespace app
