#pragma once
// The web material store: library paths that are URLs become local files,
// each downloaded once per run into a temporary file and served from there
// again; figures that carry library paths ("..._Z4K.Z4T") come with their
// ".Z4K" companion file; small text files behind URLs are read whole; the
// web keyword lists of the search are kept; every downloaded file is
// deleted when the store ends.
#include <functional>
#include <string>
#include <vector>

#include "imaging/http/WebConfig.h"

namespace imaging {
class WebDownloader;
}

namespace page {

class WebMaterialStore {
 public:
  // Shows the progress of a running download (the progress dialog) and
  // returns when the job is done or was cancelled through its flag. The
  // default shows nothing and only waits.
  using ProgressHook = std::function<void(imaging::WebDownloader& job)>;
  // How long a download may run before the progress hook is shown.
  static constexpr int kQuietMs = 500;

  explicit WebMaterialStore(imaging::WebConfig config = imaging::WebConfig());
  ~WebMaterialStore();
  WebMaterialStore(const WebMaterialStore&) = delete;
  WebMaterialStore& operator=(const WebMaterialStore&) = delete;

  void SetProgressHook(ProgressHook hook) { progressHook_ = std::move(hook); }

  // A web path becomes its local file (the path in and out); a local path
  // is left alone. With `companion`, a figure's ".Z4K" companion is fetched
  // too, and the pair is remembered only when both arrived: a request after
  // a failed companion downloads again rather than answering without one.
  // 0 or a negative download code.
  int MakeLocal(std::string& path, bool companion);
  // Downloads into `target` (a new temporary "PNT..." file when empty):
  // 0 or the negative download code; `localPath` is the file written.
  int DownloadWithProgress(const std::string& url, std::string& localPath, const std::string& target);
  // Reads the text behind a path (made local first) whole, decoded from
  // Shift-JIS: 0, -9 when it cannot be read, or the download's code.
  int ReadUrlText(const std::string& path, std::string& text);
  // The web keyword lists: a URL of a ".txt" file naming a web folder.
  void AddKeywordUrl(const std::string& url);
  int GetKeywordUrlCount() const { return static_cast<int>(keywordUrls_.size()); }
  // The local "KeyWords_99.txt" of keyword list `index` and its folder URL:
  // 0, -9 for no such list, or the code of a failed download.
  int GetWebKeywordFile(int index, std::string& localFile, std::string& folderUrl);

  // The files the store keeps (for the tests and the end of the run).
  const std::vector<std::string>& LocalFiles() const { return localFiles_; }

 private:
  // 1 when the URL has no companion, else the companion download's result
  // with `localPath` the companion's file.
  int FetchCompanion(const std::string& url, std::string& localPath);
  void Remember(const std::string& url, const std::string& localPath);

  imaging::WebConfig config_;
  ProgressHook progressHook_;
  std::vector<std::string> urls_;        // "" for a file kept only to be deleted
  std::vector<std::string> localFiles_;  // same length as urls_
  std::vector<std::string> keywordUrls_;
};

}  // namespace page
