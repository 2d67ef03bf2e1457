#pragma once
// The atmosphere bar: 19 drawing-style presets for 3D figures and the
// colour some of them use. Choosing a style sets the 2D and the light value
// of the selection together, as one command; a style button shows pressed
// while both values match it.
#include <array>

#include "app/CHideDlgBar.h"
#include "page/PropVal.h"

namespace app {

class CColButton;
class CImageButton;

class CPropAtmBar : public CHideDlgBar {
  Q_OBJECT
 public:
  static constexpr int kStyleCount = 19;
  // The style presets of the buttons, in the bar's order.
  static constexpr std::array<int, kStyleCount> kStyleCodes{0, 1, 2, 3, 4, 5, 6, 7, 8, 11,
                                                            9, 10, 12, 13, 14, 15, 16, 17, 18};
  // A colour change re-applies the first of these styles in force.
  static constexpr std::array<int, 5> kColouredStyles{4, 6, 12, 13, 14};

  explicit CPropAtmBar(QWidget* parent = nullptr);

  void Show2DValues(const page::Prop2DVal& value);
  void ShowLTValues(const page::PropLTVal& value);

  // The colour button's colour (the eyedropper fills it, the paint bucket
  // reads it).
  void SetColor(platform::COLORREF color);
  platform::COLORREF GetColor() const;

  // Sets the style with the current colour and applies it, unless both
  // values already match it and it is not forced.
  void ChooseStyle(int code, bool forced = false);

  const page::Prop2DVal& Value2D() const { return value2D_; }
  const page::PropLTVal& ValueLT() const { return valueLT_; }

  // ---- the controls, for the window's tests ------------------------------
  CImageButton* StyleButton(int index) const { return styles_[static_cast<std::size_t>(index)]; }
  CColButton* ColorButton() const { return color_; }
  // The button of a style code (null for none).
  CImageButton* ButtonOfStyle(int code) const;

 private:
  void BuildControls();
  void UpdateStyleButtons();
  bool Matches(int code, platform::COLORREF color) const;
  void onColorCommand(platform::COLORREF previousColor);

  page::Prop2DVal value2D_;
  page::PropLTVal valueLT_;
  std::array<CImageButton*, kStyleCount> styles_{};
  CColButton* color_ = nullptr;
};

}  // namespace app
