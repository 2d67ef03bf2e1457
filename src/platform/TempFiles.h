#pragma once
// Temporary files and folders, and the safe way to replace a file.
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The user's temporary folder: $TMPDIR when set, otherwise the system's.
std::string TempFolder();

// Creates a new, empty file with a unique name "<prefix>XXXXXX.tmp" in
// `folder` and hands back its full path. The name is reserved by creating
// the file, so two callers never get the same one. Returns false (and an
// empty path) when the file cannot be created.
bool MakeTempFileIn(const std::string& folder, std::string_view prefix, std::string& outPath);
// The same in the user's temporary folder.
bool MakeTempFile(std::string_view prefix, std::string& outPath);
// A new, empty, uniquely named file in the user's temporary folder with the
// prefix "CRV". Returns false when it could not be made; callers must not go
// on to write to an empty path.
bool PnUtilMakeTempFileName(std::string& outPath);

// Creates a new, empty, uniquely named folder "<prefix>XXXXXX" in the user's
// temporary folder. Returns false (and an empty path) on failure.
bool MakeTempFolder(std::string_view prefix, std::string& outPath);
// The same with the prefix "CRV".
bool PnUtilMakeTempFolder(std::string& outPath);

// Writes `target` without ever leaving it half written: `write` receives the
// path of a new, empty temporary file beside the target and writes the whole
// content there; only when it returns true is the temporary renamed over the
// target (one atomic step). When it returns false or throws, the temporary is
// removed and the previous file stays as it was. An existing target keeps
// its permission bits. `error` (optional) receives a reason on failure.
// Temporaries of earlier saves of the same target that a killed process
// left (no running save holds them, unchanged for a minute) are removed
// first.
using FileWriter = std::function<bool(const std::string& tempPath)>;
bool SaveFileSafely(const std::string& target, const FileWriter& write, std::string* error = nullptr);
// The same for content already in memory.
bool WriteFileSafely(const std::string& target, std::string_view bytes, std::string* error = nullptr);

}  // namespace platform
