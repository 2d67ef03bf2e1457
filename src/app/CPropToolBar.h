#pragma once
// The tool palette: the page view's tools and a few commands. A tool
// button makes its tool the current one (PnGlobal::toolNumber) and shows
// pressed while it is; the show-tools button hides the drawing tools,
// leaving select and output frame.
#include <array>
#include <functional>

#include "app/CHideDlgBar.h"

class QTimer;

namespace app {

class CImageButton;

class CPropToolBar : public CHideDlgBar {
  Q_OBJECT
 public:
  static constexpr int kButtonCount = 22;
  static constexpr int kFirstTool = 5;  // positions 5 to 21 hold tools 0 to 16
  static constexpr int kToolCount = 17;
  static constexpr int kShowToolsPosition = 4;
  static constexpr int kComposerPosition = 1;

  // `runCommand` carries out the command buttons' commands by number (the
  // main frame's actions).
  explicit CPropToolBar(std::function<void(int)> runCommand, QWidget* parent = nullptr);

  // Shows the current tool pressed (the select tool for the library's
  // tools of 17 and above) and the drawing tools as the show-tools button
  // asks; its state goes to the preferences.
  void UpdateButtons();
  // The 300 ms update; waits while the left button is held.
  void OnTimer();

  CImageButton* Button(int position) const { return buttons_[static_cast<std::size_t>(position)]; }
  // The command number or tool number of a position.
  static int CommandAt(int position);
  static int ToolAt(int position) { return position - kFirstTool; }

 private:
  void BuildControls();
  void OnButton(int position);

  std::function<void(int)> runCommand_;
  std::array<CImageButton*, kButtonCount> buttons_{};
  QTimer* timer_ = nullptr;
};

}  // namespace app
