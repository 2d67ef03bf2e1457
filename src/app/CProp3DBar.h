#pragma once
// The 3D figure bar ("立体図形のプロパティ"): the view of the selected 3D
// figure. An angle pad turns the camera (a click on a snap point gives an
// exact front, side or top view in parallel projection, and the next press
// brings the lens back); Ctrl-drag on the pad pans; sliders set the lens and
// the distance. A drag of a control makes one undoable command, drawn in the
// fast mode while it lasts and fully at its end.
#include <array>

#include "app/CHideDlgBar.h"
#include "page/PropVal.h"

class QCheckBox;
class QLabel;
class QTimer;

namespace app {

class CImageButton;
class CLAngButton;
class CMySliderCtrl;

class CProp3DBar : public CHideDlgBar {
  Q_OBJECT
 public:
  // Lens slider positions of the four lens buttons (wide, standard,
  // telephoto, parallel); the lens is 170 minus the position.
  static constexpr std::array<int, 4> kLensPositions{40, 89, 125, 170};
  static constexpr int kLensSliderMax = 170;

  explicit CProp3DBar(QWidget* parent = nullptr);

  void ShowValues(const page::Prop3DVal& value);
  const page::Prop3DVal& Value() const { return value_; }

  // The 300 ms update of the lens group (waits while the left button is
  // held): the show button's state goes to the preferences, the lens
  // buttons follow the slider, and the group shows or hides.
  void OnTimer();

  // ---- the controls, for the window's tests ------------------------------
  CLAngButton* Pad() const { return pad_; }
  QCheckBox* SnapBox() const { return snap_; }
  CMySliderCtrl* LensSlider() const { return lens_; }
  CMySliderCtrl* DistanceSlider() const { return distance_; }
  CImageButton* LensButton(int i) const { return lensButtons_[static_cast<std::size_t>(i)]; }
  CImageButton* ShowButton() const { return show_; }
  QLabel* VerticalText() const { return verticalText_; }
  QLabel* HorizontalText() const { return horizontalText_; }
  QLabel* LensText() const { return lensText_; }
  QLabel* DistanceText() const { return distanceText_; }
  // Every control of the lens group, which the show button shows or hides.
  std::vector<QWidget*> LensGroup() const;

 private:
  // How a pad notification is handled.
  struct PadNotice {
    int newCommand;
    bool lensSwap;  // released on a snap point: parallel projection
    int mode;
  };

  void BuildControls();
  void ConnectControls();
  void LoadControls();
  void ReadControls();
  void ShowLensText();
  void ShowDistanceText();
  void ShowAngleTexts();
  void Apply(int newCommand, int mode);

  void OnSliderPressed(CMySliderCtrl* slider);
  void OnSliderScroll(CMySliderCtrl* slider);
  void OnSliderBeforeRelease(CMySliderCtrl* slider);
  void OnLensButton(int index);
  void OnPad(PadNotice notice);
  // Marks the slider's field as changed and shows its value.
  void TakeSlider(CMySliderCtrl* slider);

  page::Prop3DVal value_;
  bool ignoreScroll_ = false;  // a drag's release was applied; its last scroll is not
  CLAngButton* pad_ = nullptr;
  QCheckBox* snap_ = nullptr;
  CMySliderCtrl* lens_ = nullptr;
  CMySliderCtrl* distance_ = nullptr;
  std::array<CImageButton*, 4> lensButtons_{};
  CImageButton* show_ = nullptr;
  std::array<QLabel*, 5> labels_{};
  QLabel* verticalText_ = nullptr;
  QLabel* horizontalText_ = nullptr;
  QLabel* lensText_ = nullptr;
  QLabel* distanceText_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace app
