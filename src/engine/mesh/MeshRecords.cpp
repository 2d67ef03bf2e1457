#include "engine/mesh/MeshRecords.h"

#include <string>

#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"

namespace engine {

bool RecordHasExtension() { return EngContext().formatVersion < kRecordExtensionVersion; }

bool ReadRecordExtension(QFile& file, const char* what) {
  if (!RecordHasExtension()) return true;
  std::int32_t n = 0;
  file.ReadInt(n);
  if (file.HasReadPastEnd() || n < 0 || n > file.BytesLeft()) {
    EngRecordLoadFailure(std::string("damaged extension of a ") + what + " record");
    return false;
  }
  // Skip through the buffer in pieces: the length is bounded by the file.
  unsigned char scratch[256];
  for (std::int32_t left = n; left > 0;) {
    const std::int32_t step = left < 256 ? left : 256;
    file.Read(scratch, static_cast<std::size_t>(step));
    left -= step;
  }
  return true;
}

void WriteRecordExtension(QFile& file) {
  if (RecordHasExtension()) file.WriteInt(0);
}

bool CheckRecordComplete(QFile& file, const char* what) {
  if (!file.HasReadPastEnd()) return true;
  EngRecordLoadFailure(std::string("the file ends inside a ") + what + " record");
  return false;
}

bool CheckRecordIndex(std::int32_t n, int count, bool noneAllowed, const char* what) {
  if (n < 0 ? noneAllowed : n < count) return true;
  EngRecordLoadFailure(std::string("a stored ") + what + " number (" + std::to_string(n) + ") is out of range");
  return false;
}

}  // namespace engine
