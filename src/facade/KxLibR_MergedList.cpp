// KxLibR: the ".Z4K" side file beside a saved scene: line i names the
// library file applied to the scene's top-level object i (empty for an
// object without one), in code page 932 with "\" separators, each line
// ended by CR LF. Paths are stored from the library's data folder on (the
// part up to and including the folder's name is cut), so the file still
// fits when the library moves.
#include <cstdio>
#include <string_view>

#include "facade/KxLibR.h"
#include "platform/Cp932.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/TempFiles.h"

namespace facade {

namespace {

// A side file lists a handful of paths; anything far larger is not one.
constexpr std::int64_t kLargestSideFile = std::int64_t{16} << 20;

}  // namespace

std::string KxLibR::MergedListPath(const std::string& scenePath) {
  const std::size_t slash = scenePath.find_last_of('/');
  const std::size_t dot = scenePath.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? scenePath.substr(0, dot) : scenePath) + ".Z4K";
}

int KxLibR::ReadMergedListFile(const std::string& scenePath, std::vector<std::string>& out) {
  std::string bytes;
  try {
    platform::File file(MergedListPath(scenePath), platform::File::Mode::kRead);
    const std::int64_t length = file.GetLength();
    if (length < 0 || length > kLargestSideFile) return kFacadeOk;
    bytes.resize(static_cast<std::size_t>(length));
    bytes.resize(file.Read(bytes.data(), bytes.size()));
  } catch (const std::exception&) {
    // No side file: nothing was applied to the figure.
    return kFacadeOk;
  }
  std::string_view rest = bytes;
  for (std::size_t end; (end = rest.find("\r\n")) != std::string_view::npos; rest.remove_prefix(end + 2))
    out.push_back(platform::StoredToPath(platform::Cp932ToUtf8Replacing(rest.substr(0, end))));
  return kFacadeOk;
}

int KxLibR::WriteMergedListFile(const std::string& scenePath, const std::string& folderName) {
  if (mergedLibraryPaths_.empty()) return kFacadeOk;
  const std::string sidePath = MergedListPath(scenePath);
  std::string text;
  for (const std::string& entry : mergedLibraryPaths_) {
    std::string path = entry;
    if (const std::size_t at = folderName.empty() ? std::string::npos : path.find(folderName);
        at != std::string::npos)
      path.erase(0, at + folderName.size());
    const std::optional<std::string> stored = platform::Utf8ToCp932(platform::PathToStored(path));
    if (!stored) {
      std::remove(sidePath.c_str());
      return kFacadeCannotWrite;
    }
    text += *stored;
    text += "\r\n";
  }
  if (!platform::WriteFileSafely(sidePath, text)) {
    // A side file that no longer matches the scene is worse than none.
    std::remove(sidePath.c_str());
    return kFacadeCannotWrite;
  }
  return kFacadeOk;
}

}  // namespace facade
