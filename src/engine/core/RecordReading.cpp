#include "engine/core/RecordReading.h"

#include <algorithm>

#include "engine/core/EngRuntime.h"

namespace engine {

void EngRecordLoadFailure(const std::string& text) {
  EngGlobalContext& context = EngContext();
  if (context.failState == kEngFailFailed) return;
  EngRecordFailure(kEngReasonCorruptFile);
  context.failText = text;
}

bool EngSkipRecordBytes(QFile& file, std::int64_t n, const char* what) {
  if (n < 0 || n > file.BytesLeft()) {
    EngRecordLoadFailure(std::string(what) + ": a size field reaches beyond the file");
    return false;
  }
  // Through the buffer, so that the stream's read position stays right.
  unsigned char scratch[4096];
  while (n > 0) {
    const std::int64_t chunk = std::min<std::int64_t>(n, sizeof scratch);
    file.Read(scratch, static_cast<std::size_t>(chunk));
    n -= chunk;
  }
  return true;
}

bool EngRecordTruncation(const char* what) {
  EngRecordLoadFailure(std::string(what) + ": the file ends inside the record");
  return false;
}

}  // namespace engine
