#pragma once
// The settings dialogs the page view's commands run: conversion
// resolution, grid, image size, size and position, selection scale. The
// caller sets the public fields, runs the dialog (DoModal: QDialog::Accepted
// or QDialog::Rejected) and reads the fields back after OK. Every field is
// checked against its range on OK; a failure keeps the dialog open with the
// failing control focused. Nothing is kept from one run to the next.
// Controls are found by their ids through GetDlgItem / Item<W>(id).
#include <string>

#include "app/DataExchange.h"
#include "app/DialogControls.h"
#include "platform/WinTypes.h"

namespace app {

class CColButton;

// "画像図形に変換": the resolution of a conversion to pictures.
class CConvToPicDialog : public CDataDialog {
  Q_OBJECT
 public:
  explicit CConvToPicDialog(QWidget* parent = nullptr);
  ~CConvToPicDialog() override;

  int dpi = 0;        // 30 to 600
  int preset = 0;     // 0 low (72), 1 middle (144), 2 high (300), 3 own value
  std::string title;  // the caption; empty keeps the dialog's own

 protected:
  void OnInitDialog() override;
  void DoDataExchange(DataExchange& dx) override;
  void AfterExchange() override;

 private:
  dialogs::ResolutionControls resolution_;
};

// "グリッドの設定".
class CGridDialog : public CDataDialog {
  Q_OBJECT
 public:
  explicit CGridDialog(QWidget* parent = nullptr);
  ~CGridDialog() override;

  int spacing = 0;    // 1 to 500 pixels
  int divisions = 0;  // 1 to 20
  platform::COLORREF lineColor = 0;

 protected:
  void DoDataExchange(DataExchange& dx) override;

 private:
  void onReset();

  CColButton* lineColorButton_;
};

// "画像サイズの設定": the page's output size and background, or (export
// mode) the size of an image to write.
class CImageSizeDialog : public CDataDialog {
  Q_OBJECT
 public:
  explicit CImageSizeDialog(QWidget* parent = nullptr);
  ~CImageSizeDialog() override;

  // 72 → 0, 144 → 1, 300 → 2, anything else → 3.
  static int ResolutionPresetIndex(int dpi);
  // Base width and height := width and height (call after filling the size).
  void KeepOriginalSize();

  bool exportMode = false;
  double baseWidth = 0, baseHeight = 0;
  double width = 0, height = 0;  // in the unit chosen; pixels after OK
  double startWidth = 0, startHeight = 0;
  double scale = 1.0;  // after OK: the mean of the two sides' ratios to the start
  int widthUnit = 0, heightUnit = 0;  // 0 pixels, 1 mm, 2 cm, 3 inch
  int dpi = 0;                        // 30 to 600
  int preset = 0;
  bool keepRatio = false;
  bool scaleShapes = false;
  std::string title;
  bool transparentBackground = false;
  platform::COLORREF backgroundColor = 0;
  platform::COLORREF frameColor = 0;
  int frameWidth = 0;      // 0 to 100 points
  int outsideDisplay = 0;  // 0 shown, 1 washed out, 2 hidden

  // The largest side in pixels OK accepts.
  static constexpr int kMaxSide = 4000;
  // The smallest.
  static constexpr int kMinSide = 10;

 protected:
  void OnInitDialog() override;
  void DoDataExchange(DataExchange& dx) override;
  void AfterExchange() override;
  bool OnOK() override;

 private:
  void onUnitChanged(bool widthCombo);
  void onKeepRatioClicked();
  void onSideEdited(bool widthEdit);

  bool changeGuard_ = false;
  dialogs::ResolutionControls resolution_;
  CColButton* backgroundButton_;
  CColButton* frameButton_;
};

// "図形のサイズと位置の設定": one object's placement in whole numbers.
class CObjMoveDialog : public CDataDialog {
  Q_OBJECT
 public:
  explicit CObjMoveDialog(QWidget* parent = nullptr);
  ~CObjMoveDialog() override;

  int width = 0, height = 0;  // 1 to 5000
  bool keepRatio = false;
  int centreX = 0, centreY = 0;  // -5000 to 5000
  int angle = 0;                 // 0 to 360 degrees
  int baseWidth = 0, baseHeight = 0;

 protected:
  void DoDataExchange(DataExchange& dx) override;

 private:
  void onKeepRatioClicked();
  void onSideEdited(bool widthEdit);

  bool changeGuard_ = false;
};

// "選択図形の拡大縮小".
class CSelectionMag : public CDataDialog {
  Q_OBJECT
 public:
  explicit CSelectionMag(QWidget* parent = nullptr);
  ~CSelectionMag() override;

  double factor = 1.0;  // 0.05 to 20

 protected:
  void DoDataExchange(DataExchange& dx) override;
};

}  // namespace app

namespace page {
class AppPrefs;
}

namespace app {

// "オプション": the preferences the user may change.
class CPrefsDialog : public CDataDialog {
  Q_OBJECT
 public:
  explicit CPrefsDialog(QWidget* parent = nullptr);
  ~CPrefsDialog() override;

  // From and back to the preferences record (store also marks the web use
  // as chosen).
  void Load(const page::AppPrefs& prefs);
  void Store(page::AppPrefs& prefs) const;

  int renderer = 0;
  bool compress = false;
  int undoDepth = 0;  // 1 to 20
  int listGapH = 0, listGapV = 0;  // 1 to 100
  bool webUse = false;

 protected:
  void DoDataExchange(DataExchange& dx) override;

 private:
  void onReset();
};

}  // namespace app
