#pragma once
// Private to the facade: what its file operations share.
#include <new>
#include <optional>
#include <string>

#include "engine/core/EngRuntime.h"
#include "facade/FacadeResult.h"
#include "imaging/archive/SArchiver.h"
#include "platform/Paths.h"

namespace engine {
class MDocObj;
}

namespace facade::detail {

// Takes out the objects a failed paste or merge left in the scene from the
// child index `first` on, and deletes them.
void RemovePastedObjects(engine::MDocObj& scene, int first);

// A temporary folder (made by the archive) that goes when the operation
// ends, whatever the way.
struct ScopedFolder {
  std::string path;
  ScopedFolder() = default;
  ScopedFolder(const ScopedFolder&) = delete;
  ScopedFolder& operator=(const ScopedFolder&) = delete;
  ~ScopedFolder() {
    if (!path.empty()) imaging::ArcDeleteFolder(path);
  }
};

// Unpacks the package into a new temporary folder and finds the member
// there (its name compared ignoring case); nothing when either fails.
inline std::optional<std::string> UnpackMember(const std::string& package, const char* member, ScopedFolder& folder) {
  if (imaging::ArcUnpackFile(package, folder.path) != imaging::kArcOk) return std::nullopt;
  return platform::FindPathNoCase(platform::JoinPath(folder.path, member));
}

// Runs a file read and turns what it throws into the facade's codes: out of
// memory (also the engine's -108) -1, a file that cannot be opened or read
// -9. The engine failure state is left clear.
template <class Read>
int GuardedRead(Read read) {
  try {
    return read();
  } catch (int) {
    engine::EngContext().ClearFailure();
    return kFacadeFailed;
  } catch (const std::bad_alloc&) {
    engine::EngContext().ClearFailure();
    return kFacadeFailed;
  } catch (const std::exception&) {
    return TakeReadFailure();
  }
}

}  // namespace facade::detail
