#pragma once
// Writing a whole file so that a failure never leaves a half file in place
// of a good one: the content goes to a temporary beside the target, which
// replaces the target only when it is complete.
#include <functional>
#include <string>

#include "platform/File.h"

namespace imaging::detail {

using platform::File;
using platform::FileError;

enum class SaveOutcome {
  kSaved,
  kCannotCreate,  // no temporary file could be made beside the target
  kFailed,        // writing, flushing or the final rename failed
  kStopped,       // the writer gave up on its own (cancelled, bad input)
};

struct SaveResult {
  SaveOutcome outcome = SaveOutcome::kSaved;
  int errorNumber = 0;  // the system's error number for kCannotCreate and kFailed
  bool Saved() const { return outcome == SaveOutcome::kSaved; }
};

// `write` gets a file open for writing on the temporary. It answers true
// when the content is complete, false to stop; a FileError it throws is
// caught and reported as kFailed. After any outcome but kSaved the target
// is as it was before.
SaveResult SaveThroughFile(const std::string& target, const std::function<bool(File&)>& write);

}  // namespace imaging::detail
