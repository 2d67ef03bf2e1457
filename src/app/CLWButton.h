#pragma once
// The line-width menu button: its value is a width in points (0 for
// automatic), chosen from LineWidthMenu or typed into the line-width
// dialog.
#include <functional>
#include <optional>

#include "app/CFCButton.h"

namespace app {

// Asks for a line width (1 to 100 points) starting from `current`; none
// when cancelled.
using LineWidthDialogHook = std::function<std::optional<int>(int current, QWidget* parent)>;

class CLWButton : public CFCButton {
  Q_OBJECT
 public:
  explicit CLWButton(QWidget* parent = nullptr);

  // The width items set their width, "自動" sets 0, "その他..." asks
  // through the line-width dialog (Cancel: false, nothing changes); other
  // commands follow the menu button's rule.
  bool SelectCommand(int commandId) override;

  // Replaces the line-width dialog; returns the previous hook.
  static LineWidthDialogHook SetLineWidthDialogHook(LineWidthDialogHook hook);

 protected:
  void PaintValue(QPainter& painter) override;
};

}  // namespace app
