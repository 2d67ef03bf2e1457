#pragma once
// The install record: a small INI file beside the program that says where
// Pennet is installed and when. The build writes one into the build folder
// and `cmake --install` one into the installed program's folder, so a
// program that finds none was copied away from its installation.
//
//   [INSTALL]
//   InstDir=/usr/local/bin
//   InstDate=2024-05-01T10:00:00
#include <optional>
#include <string>

namespace app {

inline constexpr const char* kInstallRecordName = "pennet-install.ini";
inline constexpr const char* kInstallSection = "INSTALL";

struct InstallRecord {
  std::string folder;  // InstDir
  std::string date;    // InstDate
};

// The record in `programFolder`; no value when the file is missing or names
// no folder.
std::optional<InstallRecord> ReadInstallRecord(const std::string& programFolder);

// Writes a record (tests and tools; the build writes its own).
bool WriteInstallRecord(const std::string& programFolder, const InstallRecord& record);

}  // namespace app
