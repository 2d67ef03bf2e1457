#include "imaging/http/CRWebVerGet.h"

#include <limits>

namespace imaging {

std::int32_t LeadingNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr std::int64_t kHigh = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kLow = std::numeric_limits<std::int32_t>::min();
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kHigh + 1) value = kHigh + 1;  // saturate; the sign decides below
  }
  if (negative) value = -value;
  return static_cast<std::int32_t>(value < kLow ? kLow : value > kHigh ? kHigh : value);
}

CRWebVerGet::CRWebVerGet(NewsInfo* info, const WebConfig& config, std::int32_t lastSeenNewsDay)
    : CRWebAcc(config.newsUrl, config.newsTimeouts, &info->stopFlag), info_(info), lastSeenNewsDay_(lastSeenNewsDay) {}

int CRWebVerGet::Parse(HttpTextFile& file) {
  if (!IsReadable(file.Head())) return -1;
  // Each line goes either to a number or to a text of the record.
  struct Field {
    std::int32_t* number;
    std::string* text;
  };
  NewsInfo& r = *info_;
  const Field fields[] = {
      {&r.publishedMajor, nullptr}, {&r.publishedMinor, nullptr}, {&r.publishedBuild, nullptr},
      {nullptr, &r.versionNote},    {nullptr, &r.downloadAddress}, {&r.newsYear, nullptr},
      {&r.newsMonth, nullptr},      {&r.newsDay, nullptr},         {nullptr, &r.newsText},
  };
  std::string line;
  for (const Field& field : fields) {
    if (!file.ReadString(line)) return -1;
    if (field.number)
      *field.number = LeadingNumber(line);
    else
      *field.text = line;
  }
  return 0;
}

void CRWebVerGet::Evaluate() {
  NewsInfo& r = *info_;
  const bool newerVersion = VersionKey(r.runningMajor, r.runningMinor, r.runningBuild) <
                            VersionKey(r.publishedMajor, r.publishedMinor, r.publishedBuild);
  const bool newerNews = lastSeenNewsDay_ < NewsDayNumber(r.newsYear, r.newsMonth, r.newsDay);
  if (r.forceFlag.load() != 0 || newerVersion || newerNews) {
    r.forceFlag.store(0);
    r.newFlag.store(1);  // last: publishes the fields above to the reader of the flag
  }
}

}  // namespace imaging
