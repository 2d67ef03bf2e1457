#include "imaging/http/CRWebVerGet.h"

#include <limits>

namespace imaging {

// The civil-calendar day count of the proleptic Gregorian calendar, in
// 64 bits for any year a text can hold.
std::int64_t NewsDayNumber(std::int32_t year, std::int32_t month, std::int32_t day) {
  const std::int64_t m = month < 1 ? 1 : month > 12 ? 12 : month;
  const std::int64_t y = std::int64_t{year} - (m <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5;  // from 1 March
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468 + (std::int64_t{day} - 1);
}

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
