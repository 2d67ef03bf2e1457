#pragma once
// The person composer "人物の合成": part pages of the library's "BodyMix"
// folders, sliders for the body ratio and the selected item's size and
// offsets, a direction pad turning the preview, the preview itself, the
// height of the saved figure, and saving the composed person as a human
// figure file. The composition (page::SMix) is made and filled with the
// default parts before the dialog runs (PrepareMix).
//
// Saving reads the height first: a height outside 10 to 500 cm is refused
// and nothing is written. A save that fails is reported and the dialog
// stays open; closing with the person unsaved asks first, and a save that
// was cancelled or failed keeps the dialog open.
#include <QAbstractButton>
#include <memory>
#include <string>

#include "app/DataExchange.h"
#include "page/SMix.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace app {

class CLAngButton;
class CLibMixContain;
class CMySliderCtrl;

// The preview: the composition rendered by the 3D engine, stretched over
// the button on white.
class CMixViewButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit CMixViewButton(QWidget* parent = nullptr);
  void SetMix(page::SMix* mix) { mix_ = mix; }
  void RedrawPreview() { update(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  page::SMix* mix_ = nullptr;
};

class CBodyMixDialog : public CDataDialog {
  Q_OBJECT
 public:
  // Control ids.
  enum : int {
    kSave = 1,
    kClose = 2,
    kFrontBack = 1077,
    kUpDown = 1078,
    kSize = 1079,
    kRatio = 1080,
    kDelete = 1081,
    kAngle = 1082,
    kPreview = 1085,
    kRatioLabel = 1086,
    kSizeLabel = 1087,
    kUpDownLabel = 1088,
    kFrontBackLabel = 1089,
    kSelectNext = 1090,
    kHeight = 1110,
  };

  explicit CBodyMixDialog(QWidget* parent = nullptr);
  ~CBodyMixDialog() override;

  // Makes the composition with its default parts; non-zero when that
  // failed (the dialog is then not shown).
  int PrepareMix();
  page::SMix* Mix() { return mix_.get(); }
  CLibMixContain* PartPages() { return partPages_; }
  CMySliderCtrl* Slider(int id) const;

  // What the controls do, for the signals and the tests.
  void OnPartChosen(int request, const std::string& path);
  void OnSlider(int id);
  void OnAngle();
  void OnDelete();
  void OnSelectNext();
  // True when the person was written.
  bool OnSave();
  // Ends the dialog unless the user keeps it (unsaved and Cancel, or a save
  // that did not happen).
  void OnClose();

  void reject() override { OnClose(); }

 protected:
  void DoDataExchange(DataExchange& dx) override;
  void OnInitDialog() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void UpdateSliderLabel(int id);
  void ShowSelectedPartValues();
  void RedrawPreview();

  std::unique_ptr<page::SMix> mix_;
  int heightCm_ = 170;
  CLibMixContain* partPages_ = nullptr;
  CLAngButton* angleButton_ = nullptr;
  CMixViewButton* preview_ = nullptr;
  bool closing_ = false;
};

}  // namespace app
