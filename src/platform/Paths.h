#pragma once
// Path helpers. Paths inside the program use "/" as the separator; paths
// stored in files use "\" and are converted where they are read and written.
// Names taken from stored data may differ in case from the files on disk, so
// lookups can ignore case. Listings are sorted by name, so lists (and the
// files made from them) are the same on every run.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// "\" to "/" (a stored path as read from a file) and back (as written).
std::string StoredToPath(std::string_view stored);
std::string PathToStored(std::string_view path);

bool FileExists(const std::string& path);   // anything at that path
bool IsDirectory(const std::string& path);  // an existing folder (symbolic links followed)
bool IsRegularFile(const std::string& path);

// The last component ("c.txt" of "a/b/c.txt"; "" for "a/b/").
std::string FileNameOf(std::string_view path);
// Everything before the last "/" ("a/b" of "a/b/c.txt"; "" without a "/";
// "/" for "/c.txt").
std::string FolderOf(std::string_view path);
// The last component's text after its last ".", in ASCII lower case; "" when
// it has none ("png" of "dir.d/IMAGE.PNG", "" of "dir.d/README").
std::string ExtensionOf(std::string_view path);
// "a" + "b" gives "a/b"; no doubled separator; an empty folder gives the name.
std::string JoinPath(std::string_view folder, std::string_view name);

// Whether two names are the same when case is ignored (Unicode case
// folding, full-width Latin letters included).
bool SameNameNoCase(const std::string& a, const std::string& b);

// Finds an existing path whose components match the given ones ignoring
// case, walking component by component from the root (absolute path) or the
// working folder (relative path). At each step an exact match wins; otherwise
// the first case-insensitive match in name order. Returns nothing when some
// component has no match.
std::optional<std::string> FindPathNoCase(const std::string& path);

enum class ListKind { kAll, kFiles, kFolders };

// The names (not paths) in a folder, sorted by their bytes; "." and ".." are
// left out. Files include anything that is not a folder. An unreadable or
// missing folder gives an empty list.
std::vector<std::string> ListDirectory(const std::string& folder, ListKind kind = ListKind::kAll);

}  // namespace platform
