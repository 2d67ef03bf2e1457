#include "engine/mesh/MeshRecords.h"

#include <string>

#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"

namespace engine {

bool RecordHasExtension() { return EngContext().formatVersion < kRecordExtensionVersion; }

bool ReadRecordExtension(QFile& file, const char* what) {
  if (!RecordHasExtension()) return true;
  std::int32_t n = 0;
  file.ReadInt(n);
  return EngCheckNotTruncated(file, what) && EngSkipRecordBytes(file, n, what);
}

void WriteRecordExtension(QFile& file) {
  if (RecordHasExtension()) file.WriteInt(0);
}

bool CheckRecordIndex(std::int32_t n, int count, bool noneAllowed, const char* what) {
  if (n < 0 ? noneAllowed : n < count) return true;
  EngRecordLoadFailure(std::string("a stored ") + what + " number (" + std::to_string(n) + ") is out of range");
  return false;
}

}  // namespace engine
