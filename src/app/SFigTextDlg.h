#pragma once
// The text settings dialog ("テキストの設定") of a text shape: the text, the
// face, the size, letter and line spacing, the style switches, the
// alignment and the writing direction. What it reads, checks and stores is
// the page's (page::STextSettings, ValidateTextSettings,
// SFigText::ApplySettings); this is the window around it.
//
//   int rc = app::SFigTextDlg::EditShape(shape, view, [&] { view->update(); });
//
// OK stores and closes; Apply stores, asks for a redraw and disables itself
// until the next change. The dialog comes back where it was last closed
// while the program runs.
#include <QDialog>
#include <array>
#include <functional>

#include "page/SFigText.h"

class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace app {

class CImageButton;

class SFigTextDlg : public QDialog {
  Q_OBJECT
 public:
  // `redraw` runs after Apply has stored the settings.
  SFigTextDlg(page::SFigText& shape, std::function<void()> redraw, QWidget* parent = nullptr);
  ~SFigTextDlg() override;

  // Runs the dialog modally for the shape: QDialog::Accepted when OK stored
  // the settings (the caller redraws then).
  static int EditShape(page::SFigText& shape, QWidget* parent, std::function<void()> redraw);

  // The settings the controls show.
  page::STextSettings ReadControls() const;
  void LoadControls(const page::STextSettings& settings);
  // Checks and stores what the controls show; false (after showing the
  // reason) when the check fails, and the shape is left as it was.
  bool Store();

  // ---- the controls, for the window's tests ----------------------------
  QPlainTextEdit* TextEdit() const { return text_; }
  QComboBox* FaceBox() const { return face_; }
  QSpinBox* SizeBox() const { return size_; }
  QSpinBox* LetterSpacingBox() const { return letterSpacing_; }
  QSpinBox* LineSpacingBox() const { return lineSpacing_; }
  // Bold, italic, underline, strike-out.
  CImageButton* StyleButton(int i) const { return styles_[static_cast<std::size_t>(i)]; }
  // Left (top), centre, right (bottom).
  CImageButton* AlignButton(int i) const { return aligns_[static_cast<std::size_t>(i)]; }
  QRadioButton* VerticalButton() const { return vertical_; }
  QRadioButton* HorizontalButton() const { return horizontal_; }
  QPushButton* ApplyButton() const { return apply_; }

 public slots:
  void accept() override;
  void onApply();
  void onChanged();

 protected:
  void done(int result) override;

 private:
  void BuildControls();
  void SetAlignment(int alignment);

  page::SFigText& shape_;
  std::function<void()> redraw_;
  bool crlf_ = true;  // lines end in "\r\n"
  QPlainTextEdit* text_ = nullptr;
  QComboBox* face_ = nullptr;
  QSpinBox* size_ = nullptr;
  QSpinBox* letterSpacing_ = nullptr;
  QSpinBox* lineSpacing_ = nullptr;
  std::array<CImageButton*, 4> styles_{};
  std::array<CImageButton*, 3> aligns_{};
  QRadioButton* horizontal_ = nullptr;
  QRadioButton* vertical_ = nullptr;
  QPushButton* apply_ = nullptr;
};

}  // namespace app
