#pragma once
// The version dialog "最新情報": this program's version and the published
// one, whether this is the newest, the update note, and the news item while
// it is less than a year old. "終了してダウンロードページを開く" ends the
// dialog as Cancel with the download asked for; it is disabled when the two
// versions read alike, so that Escape and the close box then do nothing.
#include <QDialog>
#include <cstdint>

namespace imaging {
struct NewsInfo;
}

namespace app {

class WebDlg2 : public QDialog {
  Q_OBJECT
 public:
  // Control ids, also the controls' object names.
  enum : int {
    kIdRunning = 1490,
    kIdPublished = 1491,
    kIdUpdateNote = 1492,
    kIdState = 1493,
    kIdEmpty = 1494,
    kIdNews = 1495,
    kIdDownload = 2,
  };

  // Fills the texts from the record (its texts are Shift-JIS bytes) for the
  // day number `today`.
  WebDlg2(const imaging::NewsInfo& info, std::int64_t today, QWidget* parent = nullptr);

  int DoModal() { return exec(); }
  // Set when the dialog ended through the download button.
  bool DownloadRequested() const { return downloadRequested_; }

  void reject() override;

 private:
  bool downloadRequested_ = false;
  bool versionsDiffer_ = false;
};

}  // namespace app
