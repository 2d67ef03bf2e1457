// Placeholder bodies: the dialogs' controls come in their own change.
#include "app/SettingsDialogs.h"

namespace app {

CConvToPicDialog::CConvToPicDialog(QWidget* parent) : QDialog(parent) {}
CConvToPicDialog::~CConvToPicDialog() = default;
int CConvToPicDialog::DoModal() { return exec(); }

CGridDialog::CGridDialog(QWidget* parent) : QDialog(parent) {}
CGridDialog::~CGridDialog() = default;
int CGridDialog::DoModal() { return exec(); }

CImageSizeDialog::CImageSizeDialog(QWidget* parent) : QDialog(parent) {}
CImageSizeDialog::~CImageSizeDialog() = default;
int CImageSizeDialog::DoModal() { return exec(); }
int CImageSizeDialog::ResolutionPresetIndex(int dpi) {
  switch (dpi) {
    case 72: return 0;
    case 144: return 1;
    case 300: return 2;
    default: return 3;
  }
}
void CImageSizeDialog::KeepOriginalSize() {
  baseWidth = width;
  baseHeight = height;
}

CObjMoveDialog::CObjMoveDialog(QWidget* parent) : QDialog(parent) {}
CObjMoveDialog::~CObjMoveDialog() = default;
int CObjMoveDialog::DoModal() { return exec(); }

CSelectionMag::CSelectionMag(QWidget* parent) : QDialog(parent) {}
CSelectionMag::~CSelectionMag() = default;
int CSelectionMag::DoModal() { return exec(); }

CPrefsDialog::CPrefsDialog(QWidget* parent) : QDialog(parent) {}
CPrefsDialog::~CPrefsDialog() = default;
int CPrefsDialog::DoModal() { return exec(); }
void CPrefsDialog::Load(const page::AppPrefs& /*prefs*/) {}
void CPrefsDialog::Store(page::AppPrefs& /*prefs*/) const {}

}  // namespace app
