#pragma once
// A button that shows a colour and opens the colour palette (CColMenu)
// below itself when pressed. A command chosen in the palette is taken by
// this button (OnColorCommand) and then reported through sigColorCommand
// with the colour and mode from before, so that the owner can apply the
// change or compare with what was there.
#include <QAbstractButton>
#include <functional>
#include <optional>

#include "app/ControlLogic.h"

namespace app {

class CColMenu;

// Asks the user for a colour starting from `initial`; none when cancelled.
using ColorDialogHook = std::function<std::optional<COLORREF>(COLORREF initial, QWidget* parent)>;

class CColButton : public QAbstractButton {
  Q_OBJECT
 public:
  // The short palette leaves out the two special items.
  explicit CColButton(bool shortPalette = false, QWidget* parent = nullptr);

  // Sets the colour and mode 0.
  void SetColor(COLORREF color);
  // Sets the mode and keeps the colour (a mode the palette cannot give
  // counts as a special choice: 1 or 2 as given, others 1).
  void SetMode(int mode);
  COLORREF Color() const { return color_; }
  int Mode() const { return mode_; }

  // Takes a palette command: a cell sets its colour and mode 0, the
  // colour-dialog item asks for a colour (OK sets it and mode 0, Cancel
  // keeps everything), the special items set modes 1 and 2. False for ids
  // outside the palette's range, which are left to the caller.
  bool OnColorCommand(int commandId);

  // The palette; it is open while visible.
  CColMenu* Palette() const { return menu_; }

  // Replaces the colour dialog (the system's by default; tests answer
  // without showing one). Returns the previous hook.
  static ColorDialogHook SetColorDialogHook(ColorDialogHook hook);

 signals:
  void sigColorCommand(int commandId, unsigned previousColor, int previousMode);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private slots:
  void onPaletteCommand(int commandId);

 private:
  CColMenu* menu_;
  COLORREF color_ = 0;
  int mode_ = kColorModeColor;
};

}  // namespace app
