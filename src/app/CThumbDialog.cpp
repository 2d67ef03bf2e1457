#include "app/CThumbDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SView.h"
#include "platform/Hooks.h"

namespace app {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A copy of a 24- or 32-bit picture that Qt can show.
QPixmap ToPixmap(const platform::Image& image) {
  if (image.IsNull()) return {};
  const QImage::Format format = image.Bpp() == 24 ? QImage::Format_BGR888 : QImage::Format_RGB32;
  return QPixmap::fromImage(QImage(image.Bits(), image.Width(), image.Height(), image.Pitch(), format).copy());
}

QLabel* PictureLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setFixedSize(page::kThumbnailSide + 2, page::kThumbnailSide + 2);
  label->setFrameShape(QFrame::Box);
  return label;
}

}  // namespace

CThumbDialog::CThumbDialog(page::SView& view, page::SDoc& doc, QWidget* parent)
    : QDialog(parent), view_(view), doc_(doc) {
  setWindowTitle(QStringLiteral("プロパティの編集"));
  title_ = new QLineEdit(this);
  description_ = new QPlainTextEdit(this);
  picture_ = PictureLabel(this);
  useCurrentPage_ = new QPushButton(QStringLiteral("現在の画面を設定"), this);
  connect(useCurrentPage_, &QPushButton::clicked, this, &CThumbDialog::onUseCurrentPage);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("題名"), title_);
  form->addRow(QStringLiteral("説明"), description_);
  auto* pictureRow = new QHBoxLayout;
  pictureRow->addWidget(picture_);
  pictureRow->addWidget(useCurrentPage_, 0, Qt::AlignBottom);
  pictureRow->addStretch();
  form->addRow(QStringLiteral("画像"), pictureRow);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CThumbDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CThumbDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void CThumbDialog::SetProperties(const page::PageProperties& properties) {
  title_->setText(Q(properties.title));
  description_->setPlainText(Q(properties.description));
  thumbnail_ = properties.thumbnail;
  ShowThumbnail();
}

page::PageProperties CThumbDialog::Properties() const {
  page::PageProperties p;
  p.title = title_->text().toStdString();
  p.description = description_->toPlainText().toStdString();
  p.thumbnail = thumbnail_;
  return p;
}

bool CThumbDialog::ShowsThumbnail() const { return !picture_->pixmap().isNull(); }

void CThumbDialog::ShowThumbnail() { picture_->setPixmap(ToPixmap(thumbnail_)); }

void CThumbDialog::accept() {
  if (const std::string message = page::ValidatePageProperties(Properties()); !message.empty()) {
    platform::ShowMessage(message, "Pennet", platform::kMbOk | platform::kMbIconWarning);
    return;
  }
  QDialog::accept();
}

void CThumbDialog::onUseCurrentPage() {
  thumbnail_.Destroy();
  platform::Image made;
  if (const int rc = page::MakePageThumbnail(view_, doc_, made); rc < 0) {
    page::ReportErrorCode(rc);
  } else {
    thumbnail_ = std::move(made);
  }
  ShowThumbnail();
}

bool CThumbDialog::EditPageProperties(page::SView& view, page::SDoc& doc, QWidget* parent) {
  CThumbDialog dialog(view, doc, parent);
  dialog.SetProperties(page::TakePageProperties(doc));
  if (dialog.exec() != QDialog::Accepted) return false;
  page::StorePageProperties(doc, dialog.Properties());
  return true;
}

// ---- the library item's properties ---------------------------------------------------

CThumbShowDialog::CThumbShowDialog(const ThumbShowFields& fields, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("ライブラリのプロパティ"));
  const std::string* texts[5] = {&fields.kind, &fields.title, &fields.description, &fields.location,
                                 &fields.fileName};
  auto* form = new QFormLayout;
  const QString labels[5] = {QStringLiteral("種類"), QStringLiteral("題名"), QStringLiteral("説明"),
                             QStringLiteral("ファイルの場所"), QStringLiteral("ファイル名")};
  for (int i = 0; i < 5; ++i) {
    fields_[i] = new QLineEdit(Q(*texts[i]), this);
    fields_[i]->setReadOnly(true);
    form->addRow(labels[i], fields_[i]);
    if (i == 2) {
      picture_ = PictureLabel(this);
      picture_->setPixmap(ToPixmap(fields.thumbnail));
      form->addRow(QStringLiteral("画像"), picture_);
    }
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CThumbShowDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

QString CThumbShowDialog::FieldText(int index) const { return fields_[index]->text(); }

bool CThumbShowDialog::ShowsThumbnail() const { return !picture_->pixmap().isNull(); }

}  // namespace app
