#pragma once
// The news and version check: reads the publisher's nine-line news text
// into a NewsInfo record and decides whether there is news to show.
//
// The news text, one item a line (LF or CR LF):
//   1-3  published major, minor and build number
//   4    version note (shown when the running version differs)
//   5    download address (the page the news dialog can open)
//   6-8  news year, month, day
//   9    news text
// Lines after the ninth are not read. The answer must carry a
// Content-Length of at most 9000 bytes.
#include <atomic>
#include <cstdint>
#include <string>

#include "imaging/http/CRWebAcc.h"
#include "imaging/http/WebConfig.h"

namespace imaging {

// The check's result record, owned by the application. The worker fills
// it; the user-interface thread reads the texts and numbers only after it
// has seen the new flag set (the store to the flag publishes them).
struct NewsInfo {
  std::atomic<std::uint8_t> newFlag{0};    // news found; the idle handler clears it
  std::atomic<std::uint8_t> forceFlag{0};  // a check the user asked for; cleared with a result
  std::atomic<std::uint8_t> stopFlag{0};   // set by the application to end a running check (shut-down)
  std::int32_t runningMajor = 0;           // this program's version, set by the caller
  std::int32_t runningMinor = 0;
  std::int32_t runningBuild = 0;
  std::int32_t publishedMajor = 0;
  std::int32_t publishedMinor = 0;
  std::int32_t publishedBuild = 0;
  // The three texts are kept as served: Shift-JIS (CP932) bytes.
  std::string versionNote;
  std::string downloadAddress;
  std::int32_t newsYear = 0;
  std::int32_t newsMonth = 0;
  std::int32_t newsDay = 0;
  std::string newsText;
};

// Keys the check compares, in 64 bits so that no number read from the text
// can overflow them.
inline std::int64_t VersionKey(std::int32_t major, std::int32_t minor, std::int32_t build) {
  return std::int64_t{major} * 10000 + std::int64_t{minor} * 100 + build;
}
// A true count of days (days since 1 January 1970), so that an item of early
// January comes after one of late December. A month outside 1..12 is held to
// it and a day runs on into the next month, as the calendar would count it.
std::int64_t NewsDayNumber(std::int32_t year, std::int32_t month, std::int32_t day);

// The leading decimal number of a line as the C library's atoi reads it
// (blanks, a sign, digits), held to the int32 range; 0 without digits.
std::int32_t LeadingNumber(const std::string& text);

class CRWebVerGet : public CRWebAcc {
 public:
  // info (not null, not owned) must outlive the check; lastSeenNewsDay is the
  // day number of the news item the user saw last.
  CRWebVerGet(NewsInfo* info, const WebConfig& config, std::int32_t lastSeenNewsDay);

  // Reads the nine lines into the record: 0 when all nine were read, -1
  // when the answer is not readable or ends early (the lines read so far
  // keep their new values).
  int Parse(HttpTextFile& file) override;
  // Sets the new flag (and clears the force flag) when the check was
  // forced, the running version is below the published one, or the news
  // item is newer than the one seen last.
  void Evaluate() override;

 private:
  NewsInfo* info_;
  std::int32_t lastSeenNewsDay_;
};

}  // namespace imaging
