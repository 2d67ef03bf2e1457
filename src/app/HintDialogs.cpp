#include "app/HintDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppResources.h"
#include "app/CLAngButton.h"
#include "app/DialogControls.h"
#include "page/PnGlobal.h"
#include "page/STrackLibDrop.h"

namespace app {
namespace {

QLabel* WrappedText(QWidget* parent, const QString& text, int width) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setFixedWidth(width);
  return label;
}

}  // namespace

CHintDialog::CHintDialog(QWidget* parent, const Content& content)
    : QDialog(parent), picture_(LoadAppBitmap(content.pictureId)) {
  setWindowTitle(content.caption);
  auto* layout = new QVBoxLayout(this);
  const int width = content.pictureSize.width();
  if (!content.textAbove.isEmpty()) layout->addWidget(WrappedText(this, content.textAbove, width));
  auto* picture = new QLabel(this);
  picture->setFixedSize(content.pictureSize);
  if (!picture_.isNull()) picture->setPixmap(QPixmap::fromImage(picture_));
  layout->addWidget(picture);
  if (!content.textBelow.isEmpty()) layout->addWidget(WrappedText(this, content.textBelow, width));
  if (content.withCancel) {
    layout->addLayout(dialogs::OkCancelRow(this));
  } else {
    auto* row = new QHBoxLayout;
    QPushButton* ok = dialogs::MakeButton(this, 1, QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    row->addStretch();
    row->addWidget(ok);
    layout->addLayout(row);
  }
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

int CHintDialog::DoModal() { return exec(); }

CAngWarnDialog::CAngWarnDialog(QWidget* parent)
    : CHintDialog(parent, {.caption = QStringLiteral("向き変更のヒント"), .pictureId = 371, .pictureSize = {327, 386}}) {}

CHumanWarnDialog::CHumanWarnDialog(QWidget* parent)
    : CHintDialog(parent, {.caption = QStringLiteral("人物・道具・表情 入れ替えのヒント"),
                           .pictureId = 370,
                           .pictureSize = {400, 347}}) {}

CRotWarnDialog::CRotWarnDialog(QWidget* parent)
    : CHintDialog(parent, {.caption = QStringLiteral("図形回転のヒント"), .pictureId = 158, .pictureSize = {343, 346}}) {}

CConvFukidashiDialog::CConvFukidashiDialog(QWidget* parent)
    : CHintDialog(parent,
                  {.caption = QStringLiteral("吹き出し画像合成の説明"),
                   .pictureId = 157,
                   .pictureSize = {273, 143},
                   .textBelow = QStringLiteral("図形をいったん画像図形に変換してから合成します。重なりの部分は明るい方のピクセル"
                                               "が残ります。楕円や多角形を組み合わせて吹き出しの形を作りたいときに使います。")}) {}

CHumanLayoutDialog::CHumanLayoutDialog(QWidget* parent)
    : CHintDialog(parent,
                  {.caption = QStringLiteral("人物の配置"),
                   .pictureId = 379,
                   .pictureSize = {500, 330},
                   .textAbove = QStringLiteral("人物を配置しようとしています。よろしいですか？\n"
                                               "人物を単体で配置するとその後の操作が難しくなります。最初に「素材」の「シーン」を"
                                               "配置してから人物を入れ替えることをお勧めします。"),
                   .withCancel = true}) {}

void InstallAngleHintHook() {
  CLAngButton::SetReleaseHintHook([] {
    page::AppPrefs& prefs = *page::PnGlobal::Get().prefs;
    if (prefs.m3DAngWarn != 0) return;
    prefs.m3DAngWarn = 1;
    CAngWarnDialog dialog;
    dialog.DoModal();
  });
}

void InstallHumanLayoutHook() {
  page::SetHumanLayoutHook([] {
    CHumanLayoutDialog dialog(QApplication::activeWindow());
    return dialog.DoModal() == QDialog::Accepted;
  });
}

}  // namespace app
