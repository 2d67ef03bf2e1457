#pragma once
// A docking bar whose size the user drags, which remembers its sizes when
// docked in a horizontal row (top, bottom), in a vertical row (left,
// right) and floating. Qt's docking does the dragging and the sharing of a
// row; the bar keeps the minimum sizes and the six saved values, in the
// settings section "<profile>-SCBar-<control id>" as "sizeHorzCX",
// "sizeHorzCY", "sizeVertCX", "sizeVertCY", "sizeFloatCX" and
// "sizeFloatCY".
#include <QDockWidget>
#include <QSize>
#include <string>

class QMainWindow;

namespace platform {
class Settings;
}

namespace app {

class CSizingControlBar : public QDockWidget {
  Q_OBJECT
 public:
  static constexpr QSize kMinHorz{33, 32};
  static constexpr QSize kMinVert{33, 32};
  static constexpr QSize kMinFloat{37, 32};

  CSizingControlBar(const QString& caption, int controlId, QWidget* parent = nullptr,
                    QSize defaultSize = QSize(200, 200));

  int GetControlId() const { return controlId_; }
  QSize GetHorzSize() const { return sizeHorz_; }
  QSize GetVertSize() const { return sizeVert_; }
  QSize GetFloatSize() const { return sizeFloat_; }

  // The section of the bar's sizes under a profile name.
  std::string SizesSection(const std::string& profile) const;
  // Reads the six values; each below its minimum, or missing, gives the
  // minimum, or keeps the current size raised to the minimum.
  void LoadSizes(const platform::Settings& settings, const std::string& profile);
  // Takes the bar's present size into the value of its state, then writes
  // the six values.
  void SaveSizes(platform::Settings& settings, const std::string& profile);
  // Gives the bar the size of its state (after a layout was restored).
  void ApplySizes(QMainWindow& frame);

  QSize sizeHint() const override;

 private:
  void CaptureSize();
  bool IsHorzRow() const;
  void UpdateMinimumSize();

  int controlId_;
  QSize sizeHorz_, sizeVert_, sizeFloat_;
};

// The same with larger default sizes (208 × 208); the library bar and the
// list bar are of this kind.
class CSizingControlBarG : public CSizingControlBar {
  Q_OBJECT
 public:
  CSizingControlBarG(const QString& caption, int controlId, QWidget* parent = nullptr);
};

}  // namespace app
