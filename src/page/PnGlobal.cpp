#include "page/PnGlobal.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "page/PnFatal.h"
#include "page/PropVal.h"
#include "page/SObj.h"
#include "page/StringTable.h"
#include "page/WebMaterialStore.h"
#include "platform/Paths.h"
#include "platform/TempFiles.h"

namespace page {
namespace {

// String ids of the folder names.
constexpr int kStrSkinFolder = 274;
constexpr int kStrBasicPersonFolder = 326;
constexpr int kStrUserDataFolder = 390;

// Stored with the other system's separators, like the library's own lists.
constexpr std::string_view kBasicPersonFolderDefault = "\\Kordex_Lib\\Human\\基本人物\\";

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string BasicPersonFolder() {
  std::string stored = PnLoadString(kStrBasicPersonFolder);
  if (stored.empty()) stored = kBasicPersonFolderDefault;
  return platform::StoredToPath(stored);
}

// Library names may differ in case from the folders on disk.
bool InBasicPersonFolder(std::string_view path) {
  return AsciiLower(platform::StoredToPath(path)).find(AsciiLower(BasicPersonFolder())) != std::string::npos;
}

// The position of the last letter of a file name before its extension;
// npos when the name has no extension or nothing before it.
std::size_t StyleLetterPosition(const std::string& path) {
  const std::size_t nameStart = path.find_last_of('/') + 1;  // npos + 1 == 0
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < nameStart || dot == nameStart) return std::string::npos;
  return dot - 1;
}

char AsciiLowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

PnGlobal& PnGlobal::Get() {
  static PnGlobal global;
  return global;
}

PnGlobal::PnGlobal() : prefs(std::make_unique<AppPrefs>()) {}

PnGlobal::~PnGlobal() { ClearCopyBuffer(); }

WebMaterialStore& PnGlobal::GetWebStore() {
  if (!webStore_) webStore_ = std::make_unique<WebMaterialStore>();
  return *webStore_;
}

void PnGlobal::TakeStartupPrefs() {
  undoLimit = std::clamp(prefs->mMaxUndo, AppPrefs::kMinUndo, AppPrefs::kMaxUndo);
  prefs->mWebUseUnset = 0;
  webUse = prefs->mWebUse;
}

// ---- property routing ---------------------------------------------------------

void PnGlobal::ApplyPropValue(PropVal& value, int newCommand, int mode) {
  PropVal* const one[] = {&value};
  ApplyPropValues(one, newCommand, mode);
}

void PnGlobal::ApplyPropValues(std::span<PropVal* const> values, int newCommand, int mode) {
  if (activeView != nullptr) activeView->ApplyBarValues(values, newCommand, mode);
}

void PnGlobal::ShowValuesInBars(const PropVal& value) {
  if (bars != nullptr) bars->ShowValues(value);
}

void PnGlobal::RunCalcOnSelection(CalcVal& calc) {
  if (activeView != nullptr) activeView->RunOnFirstSelected(calc);
}

// ---- copy buffer --------------------------------------------------------------

void PnGlobal::ClearCopyBuffer() { copyBuffer_.clear(); }

void PnGlobal::AddToCopyBuffer(std::unique_ptr<SObj> object) {
  if (object) copyBuffer_.push_back(std::move(object));
}

const SObj& PnGlobal::GetCopyBufferObject(int index) const {
  PN_FATAL_IF(index < 0 || index >= GetCopyBufferCount(), "PnGlobal", 230);
  return *copyBuffer_[static_cast<std::size_t>(index)];
}

void PnGlobal::FatalError(const char* source, int line) { PnFatalCheck(source, line); }

// ---- folders --------------------------------------------------------------------

void PnGlobal::SetInstallRecord(const std::string& folder, const std::string& date) {
  installFolder_ = folder;
  installDate_ = date;
}

std::string PnGlobal::GetModuleFolder() const {
  if (!installFolder_.empty()) return installFolder_;
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return ".";
  return program.parent_path().string();
}

std::string PnGlobal::GetDataFolder() const { return platform::JoinPath(GetModuleFolder(), "Kordex_Lib"); }

std::string PnGlobal::MakeDataFolderPath(std::string_view relative) const {
  return platform::JoinPath(GetDataFolder(), relative);
}

std::string PnGlobal::GetSkinFolder() const {
  std::string name = PnLoadString(kStrSkinFolder);
  if (name.empty()) name = "skins";
  const std::string installed = platform::JoinPath(platform::JoinPath(GetModuleFolder(), "resources"), name);
  if (platform::IsDirectory(installed)) return installed;
  return platform::JoinPath(PENNET_SOURCE_RESOURCES, name);
}

std::string PnGlobal::GetUserDataFolder() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    base = platform::JoinPath(home, ".local/share");
  } else {
    base = platform::TempFolder();
  }
  std::string name = PnLoadString(kStrUserDataFolder);
  if (name.empty()) name = "PennetFindFolder020";
  const std::string folder = platform::JoinPath(platform::JoinPath(base, "Tamarik"), name);
  std::error_code ignored;  // a folder that cannot be made shows when it is used
  std::filesystem::create_directories(folder, ignored);
  return folder;
}

// ---- person style -----------------------------------------------------------------

char PnGlobal::PersonStyleLetter() const {
  switch (prefs->mHumanAtm) {
    case 0: return 'r';
    case 2: return 't';
    default: return 's';
  }
}

bool PnGlobal::MatchesPersonStyle(std::string_view path) const {
  if (!InBasicPersonFolder(path)) return true;
  const std::string inside = platform::StoredToPath(path);
  const std::size_t at = StyleLetterPosition(inside);
  if (at == std::string::npos) return inside.find('.', inside.find_last_of('/') + 1) == std::string::npos;
  return AsciiLowerChar(inside[at]) == PersonStyleLetter();
}

std::vector<std::string> PnGlobal::ResolveLibraryFiles(std::span<const std::string> relative) const {
  std::vector<std::string> full;
  for (const std::string& entry : relative) {
    // Entry i belongs to the figure's object i: an empty one keeps its place.
    if (entry.empty()) {
      full.emplace_back();
      continue;
    }
    // The side file keeps the separator after the library folder's name.
    std::string inside = platform::StoredToPath(entry);
    inside.erase(0, std::min(inside.find_first_not_of('/'), inside.size()));
    std::string path = MakeDataFolderPath(inside);
    if (InBasicPersonFolder(path)) {
      if (const std::size_t at = StyleLetterPosition(path); at != std::string::npos) path[at] = PersonStyleLetter();
    }
    full.push_back(std::move(path));
  }
  return full;
}

}  // namespace page
