#include "page/WebMaterialStore.h"

#include <chrono>
#include <thread>
#include <unistd.h>

#include "imaging/http/WebDownloader.h"
#include "page/LibraryFiles.h"
#include "platform/Hooks.h"

namespace page {

namespace {

std::string WithoutExtension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

// The file and the temporary name it was made from.
void DeleteLocalFile(const std::string& path) {
  ::unlink(path.c_str());
  if (const std::string stem = WithoutExtension(path); stem != path) ::unlink(stem.c_str());
}

bool EndsWithNoCase(const std::string& text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char c = text[text.size() - tail.size() + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != tail[i]) return false;
  }
  return true;
}

}  // namespace

WebMaterialStore::WebMaterialStore(imaging::WebConfig config) : config_(std::move(config)) {}

WebMaterialStore::~WebMaterialStore() {
  for (const std::string& file : localFiles_) DeleteLocalFile(file);
}

void WebMaterialStore::Remember(const std::string& url, const std::string& localPath) {
  urls_.push_back(url);
  localFiles_.push_back(localPath);
}

int WebMaterialStore::DownloadWithProgress(const std::string& url, std::string& localPath,
                                           const std::string& target) {
  platform::SetCursor(platform::kCursorWait);
  imaging::WebDownloader job(config_);
  job.url = url;
  if (job.MakeTargetPath(target).empty()) {
    platform::SetCursor(platform::kCursorArrow);
    return imaging::WebDownloader::kCannotCreate;
  }
  std::thread worker(imaging::WebDownloader::ThreadProc, &job);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kQuietMs);
  while (job.doneFlag.load() == 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (job.doneFlag.load() == 0 && progressHook_) progressHook_(job);
  // The worker's own waits are bounded (connect and silence timeouts) and
  // it stops at the cancel flag, so joining ends.
  worker.join();
  platform::SetCursor(platform::kCursorArrow);
  localPath = job.targetPath;
  const int result = job.progress.load();
  return result < 0 ? result : 0;
}

int WebMaterialStore::FetchCompanion(const std::string& url, std::string& localPath) {
  if (!EndsWithNoCase(url, "_Z4K.Z4T")) return 1;
  const std::string companionUrl = WithoutExtension(url) + ".Z4K";
  localPath = WithoutExtension(localPath) + ".Z4K";
  std::string written;
  const int rc = DownloadWithProgress(companionUrl, written, localPath);
  if (!written.empty()) localPath = written;
  return rc;
}

int WebMaterialStore::MakeLocal(std::string& path, bool companion) {
  if (!library::IsWebPath(path)) return 0;
  for (std::size_t i = 0; i < urls_.size(); ++i) {
    if (urls_[i] == path) {
      path = localFiles_[i];
      return 0;
    }
  }
  std::string local;
  const int rc = DownloadWithProgress(path, local, {});
  if (rc < 0) {
    if (!local.empty()) Remember({}, local);
    return rc;
  }
  if (companion) {
    std::string companionFile = local;
    const int companionRc = FetchCompanion(path, companionFile);
    if (companionRc != 1) Remember({}, companionFile);
    if (companionRc < 0) {
      // Kept only to be deleted: the next request fetches both again.
      Remember({}, local);
      return companionRc;
    }
  }
  Remember(path, local);
  path = local;
  return 0;
}

int WebMaterialStore::ReadUrlText(const std::string& path, std::string& text) {
  std::string local = path;
  if (const int rc = MakeLocal(local, false); rc < 0) return rc;
  return library::ReadText(local, text) ? 0 : -9;
}

void WebMaterialStore::AddKeywordUrl(const std::string& url) {
  for (const std::string& known : keywordUrls_)
    if (known == url) return;
  keywordUrls_.push_back(url);
}

int WebMaterialStore::GetWebKeywordFile(int index, std::string& localFile, std::string& folderUrl) {
  if (index < 0 || index >= GetKeywordUrlCount()) return -9;
  std::string text;
  if (const int rc = ReadUrlText(keywordUrls_[static_cast<std::size_t>(index)], text); rc < 0) return rc;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  folderUrl = text;
  localFile = folderUrl + std::string(library::kWebKeywordFileName);
  return MakeLocal(localFile, false);
}

}  // namespace page
