#include "app/WebDlg2.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppStrings.h"
#include "imaging/http/CRWebVerGet.h"
#include "platform/Cp932.h"

namespace app {

namespace {

QLabel* Field(QWidget* parent, int id, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::number(id));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setWordWrap(true);
  return label;
}

QString VersionText(std::int32_t major, std::int32_t minor, std::int32_t build) {
  return QString::asprintf("%d.%d.%d", major, minor, build);
}

QString FromServed(const std::string& cp932) {
  return QString::fromStdString(platform::Cp932ToUtf8Replacing(cp932));
}

}  // namespace

WebDlg2::WebDlg2(const imaging::NewsInfo& info, std::int64_t today, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("最新情報"));
  const QString running = VersionText(info.runningMajor, info.runningMinor, info.runningBuild);
  const QString published = VersionText(info.publishedMajor, info.publishedMinor, info.publishedBuild);
  versionsDiffer_ = running != published;
  const bool newsCurrent = today < imaging::NewsDayNumber(info.newsYear, info.newsMonth, info.newsDay) + 365;

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("現在のバージョン:"), this));
  layout->addWidget(Field(this, kIdRunning, running));
  layout->addWidget(new QLabel(QStringLiteral("最新のバージョン:"), this));
  layout->addWidget(Field(this, kIdPublished, published));
  layout->addWidget(Field(this, kIdState, QString::fromStdString(LoadAppString(
                                              versionsDiffer_ ? kStrNotNewestVersion : kStrNewestVersion))));
  layout->addWidget(Field(this, kIdUpdateNote, versionsDiffer_ ? FromServed(info.versionNote) : QString()));
  layout->addWidget(Field(this, kIdNews, newsCurrent ? FromServed(info.newsText) : QString()));
  layout->addWidget(Field(this, kIdEmpty, QString()));

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  auto* download = new QPushButton(QStringLiteral("終了してダウンロードページを開く"), this);
  download->setObjectName(QString::number(kIdDownload));
  download->setEnabled(versionsDiffer_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(download);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(download, &QPushButton::clicked, this, [this] {
    downloadRequested_ = true;
    QDialog::reject();
  });
}

// Escape and the close box are the download button: they act only while it
// is enabled.
void WebDlg2::reject() {
  if (!versionsDiffer_) return;
  downloadRequested_ = true;
  QDialog::reject();
}

}  // namespace app
