#pragma once
// The program's per-user settings: an INI file in the user's configuration
// folder ($XDG_CONFIG_HOME/Tamarik/Pennet.ini, normally ~/.config), read and
// written through sections of named values. Values missing or of the wrong
// kind read as the caller's default.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr std::string_view kSettingsOrganisation = "Tamarik";
inline constexpr std::string_view kSettingsApplication = "Pennet";
inline constexpr std::string_view kPrefsSection = "Prefs";

class Settings {
 public:
  // The per-user settings file of the program.
  Settings();
  // An explicit INI file (tests, imports).
  explicit Settings(const std::string& iniPath);
  ~Settings();
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  std::string FilePath() const;

  int GetInt(std::string_view section, std::string_view key, int defaultValue) const;
  void SetInt(std::string_view section, std::string_view key, int value);

  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue = {}) const;
  void SetString(std::string_view section, std::string_view key, std::string_view value);

  // A binary block (window layouts and similar); false, and `out` untouched,
  // when there is none.
  bool GetBinary(std::string_view section, std::string_view key, std::vector<std::uint8_t>& out) const;
  void SetBinary(std::string_view section, std::string_view key, const std::vector<std::uint8_t>& value);

  bool Contains(std::string_view section, std::string_view key) const;
  // Removes one value, or the whole section when `key` is empty.
  void Remove(std::string_view section, std::string_view key = {});

  // Writes pending changes to the file now (they are also written when the
  // object goes away). False when the file cannot be written.
  bool Sync();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
