#include "app/LaunchBlock.h"

#include <QString>
#include <utility>

#include "platform/SharedMemory.h"

namespace app {
namespace {

std::optional<LaunchBlock>& PendingLaunch() {
  static std::optional<LaunchBlock> pending;
  return pending;
}

}  // namespace

void SetPendingLaunch(std::optional<LaunchBlock> block) { PendingLaunch() = std::move(block); }

std::optional<LaunchBlock> TakePendingLaunch() { return std::exchange(PendingLaunch(), std::nullopt); }

std::string GetLaunchMemoryName(std::span<const std::string> arguments) {
  if (arguments.empty()) return {};
  const std::string& first = arguments.front();
  const std::string prefix = kLaunchArgumentPrefix;
  if (first.compare(0, prefix.size(), prefix) != 0) return {};
  return first.substr(prefix.size());
}

std::string TakeLaunchField(std::string& rest) {
  const std::size_t end = rest.find(';');
  if (end == std::string::npos) {
    rest.clear();
    return {};
  }
  std::string field = rest.substr(0, end);
  rest.erase(0, end + 1);
  return field;
}

std::optional<LaunchBlock> ParseLaunchBlock(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4) return std::nullopt;
  const std::uint64_t n = std::uint64_t{bytes[0]} | std::uint64_t{bytes[1]} << 8 | std::uint64_t{bytes[2]} << 16 |
                          std::uint64_t{bytes[3]} << 24;
  if (n > bytes.size() - 4) return std::nullopt;

  const std::size_t units = static_cast<std::size_t>(n / 2);
  std::u16string utf16;
  utf16.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t unit = static_cast<char16_t>(bytes[4 + 2 * i] | bytes[5 + 2 * i] << 8);
    if (unit == 0) break;  // the launcher's text is a C string
    utf16.push_back(unit);
  }
  std::string rest = QString::fromStdU16String(utf16).toStdString();

  LaunchBlock block;
  block.channel = TakeLaunchField(rest);
  block.launcherName = TakeLaunchField(rest);
  block.launchTitle = TakeLaunchField(rest);
  block.launchExportPath = TakeLaunchField(rest);
  return block;
}

std::optional<LaunchBlock> ReadLaunchMemory(const std::string& name) {
  std::vector<std::uint8_t> bytes;
  if (!platform::ReadSharedMemory(name, kMaxLaunchBlockBytes, bytes)) return std::nullopt;
  return ParseLaunchBlock(bytes);
}

}  // namespace app
