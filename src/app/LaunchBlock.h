#pragma once
// The launch hand-off: a launching program starts Pennet with the first
// argument "/jssumap/<name>", where <name> is a shared-memory object that
// holds
//
//   offset 0   uint32 n, little-endian: the byte count of the text
//   offset 4   n bytes of UTF-16LE text (an odd last byte is ignored)
//
// The text is four fields, each ended by ";": the launcher's channel (the
// name of the local socket on which the launcher listens for the page's
// messages), the launcher's name, the title of the new page and the path
// the page image is exported to for the launcher.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace app {

struct LaunchBlock {
  std::string channel;           // local socket of the launcher; empty: none
  std::string launcherName;      // shown in the page's messages and menus
  std::string launchTitle;       // the title the new page takes
  std::string launchExportPath;  // where the page image goes for the launcher
  friend bool operator==(const LaunchBlock&, const LaunchBlock&) = default;
};

inline constexpr const char* kLaunchArgumentPrefix = "/jssumap/";
// The largest shared-memory object read: the texts are short, and a foreign
// object is never copied without bound.
inline constexpr std::size_t kMaxLaunchBlockBytes = 1u << 20;

// The shared-memory name of a launch hand-off: the rest of the first
// argument when it begins with "/jssumap/" (case-sensitive); otherwise
// empty. `arguments` holds the program's arguments without the program.
std::string GetLaunchMemoryName(std::span<const std::string> arguments);

// Reads a block. A block shorter than its 4-byte count, or whose count
// claims more bytes than follow it, is refused (no value). The text ends at
// its first NUL; a field without its ";" is empty, and so is every later
// one. Invalid UTF-16 becomes replacement characters.
std::optional<LaunchBlock> ParseLaunchBlock(std::span<const std::uint8_t> bytes);

// Reads the block from the shared-memory object of that name; no value when
// the object is missing, unreadable, too large or refused by the parser.
std::optional<LaunchBlock> ReadLaunchMemory(const std::string& name);

// The hand-off read at start-up, waiting for the page view that takes it
// over (the first view made after it). Taking it leaves none pending, so
// later pages are ordinary.
void SetPendingLaunch(std::optional<LaunchBlock> block);
std::optional<LaunchBlock> TakePendingLaunch();

// Splits off the text before the next ";" (and the ";"); empty, and the
// rest cleared, when no ";" remains.
std::string TakeLaunchField(std::string& rest);

}  // namespace app
