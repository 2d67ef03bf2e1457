#include "imaging/detail/SafeSave.h"

#include <cerrno>

#include "platform/TempFiles.h"

namespace imaging::detail {

SaveResult SaveThroughFile(const std::string& target, const std::function<bool(File&)>& write) {
  bool wrote = false;
  bool stopped = false;
  int writeError = 0;
  errno = 0;
  const bool saved = platform::SaveFileSafely(target, [&](const std::string& tempPath) {
    wrote = true;
    try {
      File file(tempPath, File::Mode::kCreateWrite);
      if (!write(file)) {
        stopped = true;
        return false;
      }
      file.Close();
      return true;
    } catch (const FileError& e) {
      writeError = e.ErrorNumber();
      return false;
    }
  });
  if (saved) return {};
  const int lastError = errno != 0 ? errno : EIO;
  if (!wrote) return {SaveOutcome::kCannotCreate, lastError};
  if (stopped) return {SaveOutcome::kStopped, 0};
  return {SaveOutcome::kFailed, writeError != 0 ? writeError : lastError};
}

}  // namespace imaging::detail
