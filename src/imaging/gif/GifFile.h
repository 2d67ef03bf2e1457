#pragma once
// Private to the GIF writers: writing the finished file.
#include <functional>
#include <string>

#include "imaging/detail/SafeSave.h"
#include "imaging/gif/GifWriter.h"

namespace imaging {

// Writes `path` through a temporary beside it (see SaveThroughFile) and
// answers 0 or a GIF code: -3 when no file can be made there, -6 when
// `write` stopped, else the code of the system error.
inline int WriteGifFile(const std::string& path, const std::function<bool(platform::File&)>& write) {
  const detail::SaveResult result = detail::SaveThroughFile(path, write);
  switch (result.outcome) {
    case detail::SaveOutcome::kSaved:
      return kGifOk;
    case detail::SaveOutcome::kCannotCreate:
      return kGifCannotCreate;
    case detail::SaveOutcome::kStopped:
      return kGifCancelled;
    case detail::SaveOutcome::kFailed:
      break;
  }
  const int code = GifErrorFromErrno(result.errorNumber);
  return code != kGifOk ? code : kGifFileError;
}

}  // namespace imaging
