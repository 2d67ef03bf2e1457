#pragma once
// Helpers every reader of a stored engine record uses. Corrupt or truncated
// input is a load failure: the reader records it in the failure state with a
// text that names the record, stops and answers its failure result. It never
// ends the program, never reads outside its block and never walks past the
// end of the file.
#include <cstdint>
#include <string>

#include "engine/core/QFile.h"

namespace engine {

// Records kEngReasonCorruptFile with the text, unless a failure is already
// recorded (the first wins).
void EngRecordLoadFailure(const std::string& text);

// Skips n bytes of the record being read. A negative count or one beyond the
// bytes left in the file is a load failure naming `what`; answers false then.
bool EngSkipRecordBytes(QFile& file, std::int64_t n, const char* what);

// A load failure naming `what` when a read went past the end of the file;
// answers false then.
bool EngRecordTruncation(const char* what);
inline bool EngCheckNotTruncated(QFile& file, const char* what) {
  return !file.HasReadPastEnd() || EngRecordTruncation(what);
}

}  // namespace engine
