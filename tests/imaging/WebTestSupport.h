#pragma once
// Helpers shared by the tests of the web clients.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>

#include "TestHttpServer.h"
#include "imaging/http/WebConfig.h"

namespace imaging_test {

using namespace std::chrono_literals;

// Short bounds, so that a silent or stalled test server ends a transfer
// quickly.
inline imaging::WebConfig FastConfig() {
  imaging::WebConfig config;
  config.downloadHost = "files.test";
  config.downloadTimeouts = {2s, 300ms, 0ms};
  config.newsTimeouts = {2s, 300ms, 5s};
  return config;
}

// Bounds long enough that only a cancel can end a transfer in a test.
inline imaging::WebConfig PatientConfig() {
  imaging::WebConfig config = FastConfig();
  config.downloadTimeouts = {60s, 60s, 0ms};
  config.newsTimeouts = {60s, 60s, 120s};
  return config;
}

// Polls until the condition holds; false when it did not within the limit
// (the limit only keeps a broken test from hanging).
template <class Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = 10s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// A fresh folder under the temporary folder, removed with its contents.
class TempFolder {
 public:
  TempFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "pennet-web-XXXXXX").string();
    if (!mkdtemp(name.data())) throw std::runtime_error("no temporary folder");
    path_ = name;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string Pattern(std::uint64_t size) {
  std::string text(static_cast<std::size_t>(size), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = PatternByte(i);
  return text;
}

}  // namespace imaging_test
