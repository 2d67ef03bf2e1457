#include "engine/mesh/MeshRecords.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "platform/Cp932.h"

namespace engine {

bool SkipRecordExtension(QFile& file, std::int32_t length, const char* what) {
  return EngCheckNotTruncated(file, what) && EngSkipRecordBytes(file, length, what);
}

bool RecordIndexOutOfRange(std::int32_t n, const char* what) {
  EngRecordLoadFailure(std::string("a stored ") + what + " number (" + std::to_string(n) + ") is out of range");
  return false;
}

bool CheckRecordCount(QFile& file, std::int64_t count, std::int64_t minimumSize, const char* what) {
  if (count >= 0 && count <= file.BytesLeft() / (minimumSize > 0 ? minimumSize : 1)) return true;
  EngRecordLoadFailure(std::string(what) + ": a count (" + std::to_string(count) + ") does not fit the file");
  return false;
}

bool ReadNameText(QFile& file, char* text, const char* what) {
  char field[kStoredNameSize];
  file.Read(field, sizeof field);
  std::memset(text, 0, kNameTextSize);
  if (!EngCheckNotTruncated(file, what)) return false;
  const std::string_view stored(field, strnlen(field, kStoredNameSize - 1));
  const std::optional<std::string> utf8 = platform::Cp932ToUtf8(stored);
  if (!utf8) {
    EngRecordLoadFailure(std::string(what) + ": a name is not code page 932 text");
    return false;
  }
  std::memcpy(text, utf8->data(), utf8->size());  // 255 stored bytes always fit
  return true;
}

std::size_t Cp932CutLength(const std::string& text, std::size_t limit) {
  std::size_t n = 0;
  while (n < text.size()) {
    const auto lead = static_cast<unsigned char>(text[n]);
    const std::size_t width = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC) ? 2 : 1;
    if (n + width > limit) break;
    n += width;
  }
  return n;
}

void WriteNameText(QFile& file, const char* text) {
  const std::optional<std::string> stored = platform::Utf8ToCp932(text);
  std::string bytes = stored ? *stored : std::string(text);
  const std::size_t limit = kStoredNameSize - 1;
  bytes.resize(stored ? Cp932CutLength(bytes, limit) : std::min(bytes.size(), limit));
  char field[kStoredNameSize] = {};
  std::memcpy(field, bytes.data(), bytes.size());
  file.Write(field, sizeof field);
}

}  // namespace engine
