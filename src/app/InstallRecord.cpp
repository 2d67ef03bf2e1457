#include "app/InstallRecord.h"

#include <filesystem>

#include "platform/Settings.h"

namespace app {
namespace {

std::string RecordPath(const std::string& programFolder) {
  return (std::filesystem::path(programFolder) / kInstallRecordName).string();
}

}  // namespace

std::optional<InstallRecord> ReadInstallRecord(const std::string& programFolder) {
  const std::string path = RecordPath(programFolder);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  const platform::Settings record(path);
  InstallRecord result{record.GetString(kInstallSection, "InstDir"), record.GetString(kInstallSection, "InstDate")};
  if (result.folder.empty()) return std::nullopt;
  return result;
}

bool WriteInstallRecord(const std::string& programFolder, const InstallRecord& record) {
  platform::Settings file(RecordPath(programFolder));
  file.SetString(kInstallSection, "InstDir", record.folder);
  file.SetString(kInstallSection, "InstDate", record.date);
  return file.Sync();
}

}  // namespace app
