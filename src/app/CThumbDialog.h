#pragma once
// The two thumbnail dialogs.
//
// CThumbDialog ("プロパティの編集") edits the page's file properties: a title,
// a description and a 70 × 70 thumbnail, which the button "現在の画面を設定"
// takes from the page as it looks now. What is read, checked and stored is
// the page's (page/PageProperties.h).
//
//   if (app::CThumbDialog::EditPageProperties(view, doc, window)) ...;
//   // either way the command marks the document modified and refreshes
//
// CThumbShowDialog ("ライブラリのプロパティ") shows a library item's
// properties, read-only.
#include <QDialog>
#include <string>

#include "page/PageProperties.h"
#include "platform/Image.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace page {
class SDoc;
class SView;
}  // namespace page

namespace app {

class CThumbDialog : public QDialog {
  Q_OBJECT
 public:
  // The page view's renderer and document serve the "use the current page"
  // button.
  CThumbDialog(page::SView& view, page::SDoc& doc, QWidget* parent = nullptr);

  // Steps of the file-properties command: the page's properties into the
  // dialog, the dialog run modally, and on OK the properties back into the
  // page. True when the user confirmed.
  static bool EditPageProperties(page::SView& view, page::SDoc& doc, QWidget* parent);

  void SetProperties(const page::PageProperties& properties);
  page::PageProperties Properties() const;
  // Whether the picture control shows a thumbnail.
  bool ShowsThumbnail() const;

  QLineEdit* TitleEdit() const { return title_; }
  QPlainTextEdit* DescriptionEdit() const { return description_; }
  QPushButton* UseCurrentPageButton() const { return useCurrentPage_; }

 public slots:
  // Closes with OK only when the texts pass the checks (else says why).
  void accept() override;
  // Takes the page as it looks now as the thumbnail.
  void onUseCurrentPage();

 private:
  void ShowThumbnail();

  page::SView& view_;
  page::SDoc& doc_;
  platform::Image thumbnail_;
  QLineEdit* title_ = nullptr;
  QPlainTextEdit* description_ = nullptr;
  QLabel* picture_ = nullptr;
  QPushButton* useCurrentPage_ = nullptr;
};

// What CThumbShowDialog shows; the library list fills it.
struct ThumbShowFields {
  std::string kind;
  std::string title;
  std::string description;
  std::string location;
  std::string fileName;
  platform::Image thumbnail;
};

class CThumbShowDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CThumbShowDialog(const ThumbShowFields& fields, QWidget* parent = nullptr);
  // The field shown for each of kind, title, description, location, file name.
  QString FieldText(int index) const;
  bool ShowsThumbnail() const;

 private:
  QLineEdit* fields_[5] = {};
  QLabel* picture_ = nullptr;
};

}  // namespace app
