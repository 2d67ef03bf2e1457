#pragma once
// The one process-wide object of the page editor and the application
// shell: the preferences, the current tool, the view that was active last,
// the bars, the library's pending request, the internal copy buffer of page
// objects, the launch hand-off parameters, the program's folders and the
// person-style rules of library paths. It routes property values from the
// bars to the active view.
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "page/AppPrefs.h"
#include "platform/WinTypes.h"

namespace page {

class CalcVal;
class FigureFacade;
class PropVal;
class SObj;
class WebMaterialStore;

// What a launching program handed over (empty when none).
struct LaunchParams {
  int launcherWindow = 0;  // the launcher's channel; 0 none
  std::string launcherName;
  std::string launchTitle;       // the title the new page takes
  std::string launchExportPath;  // where the page image goes for the launcher
};

// The page window as the bars reach it (the view implements it).
class PnViewLink {
 public:
  virtual ~PnViewLink() = default;
  // Applies the values to the page's selection (or to the page's defaults
  // without one) as one undoable action. `newCommand` 1 always makes a new
  // command; 0 lets the view merge the change into its last property
  // command (slider drags).
  virtual void ApplyBarValues(std::span<PropVal* const> values, int newCommand, int mode) = 0;
  // Runs the calculation on the first selected object.
  virtual void RunOnFirstSelected(CalcVal& calc) = 0;
};

// The property bars as the page shows values in them (the main frame
// implements it).
class PnBarLink {
 public:
  virtual ~PnBarLink() = default;
  virtual void ShowValues(const PropVal& value) = 0;
  // The colour button of the atmosphere bar, which the eyedropper fills and
  // the paint bucket reads.
  virtual platform::COLORREF GetAtmColor() const { return 0; }
  virtual void SetAtmColor(platform::COLORREF /*color*/) {}
};

class PnGlobal {
 public:
  // Current tool numbers the page editor asks about.
  enum Tool : int { kToolSelect = 0, kToolPoseRotate = 13, kToolPoseMove = 14 };
  // Pending library requests.
  enum LibRequest : int { kLibNone = 0, kLibInsert = 1, kLibApply = 2 };

  static PnGlobal& Get();

  std::unique_ptr<AppPrefs> prefs;
  int toolNumber = kToolSelect;
  PnViewLink* activeView = nullptr;  // not owned
  PnBarLink* bars = nullptr;         // not owned
  FigureFacade* figures = nullptr;   // not owned; the 3D side installs it
  int pendingLibRequest = kLibNone;
  std::string pendingLibPath;
  int pendingLibApply = 0;  // 1: carry the request out at once, not by a drag
  int undoLimit = 10;       // undo depth of new pages
  platform::RECT animDialogRect{0, -1, 0, 0};  // top -1: never placed
  int webUse = 0;
  LaunchParams launch;

  PnGlobal();
  PnGlobal(const PnGlobal&) = delete;
  PnGlobal& operator=(const PnGlobal&) = delete;
  virtual ~PnGlobal();

  // Start-up, after the preferences are loaded: the undo depth (within 1 to
  // 20) and the web switch take effect, and the first-run mark is cleared.
  void TakeStartupPrefs();

  // ---- property routing (nothing without an active view or bars) ----------
  void ApplyPropValue(PropVal& value, int newCommand, int mode);
  void ApplyPropValues(std::span<PropVal* const> values, int newCommand, int mode);
  void ShowValuesInBars(const PropVal& value);
  void RunCalcOnSelection(CalcVal& calc);

  // ---- the internal copy buffer of page objects ---------------------------
  // The application empties it before the 3D engine is torn down: copied 3D
  // figures need the engine to be deleted.
  void ClearCopyBuffer();
  void AddToCopyBuffer(std::unique_ptr<SObj> object);
  int GetCopyBufferCount() const { return static_cast<int>(copyBuffer_.size()); }
  // An index outside the buffer is a broken invariant.
  const SObj& GetCopyBufferObject(int index) const;

  // Ends the program after a failed check of the page editor.
  [[noreturn]] static void FatalError(const char* source, int line);

  // ---- folders ------------------------------------------------------------
  // The installation: its folder and its date (from the install record);
  // without a record the folder of the running program and no date.
  void SetInstallRecord(const std::string& folder, const std::string& date);
  std::string GetModuleFolder() const;
  // The material library: module folder + "/Kordex_Lib".
  std::string GetDataFolder() const;
  std::string MakeDataFolderPath(std::string_view relative) const;
  // The skins beside the program ("resources/skins"), else the source
  // tree's (a development build run from its build folder).
  std::string GetSkinFolder() const;
  // The user's data folder of the library search, made when missing:
  // $XDG_DATA_HOME (or ~/.local/share) + "/Tamarik/PennetFindFolder020".
  static std::string GetUserDataFolder();
  static std::string GetInstallVersionKey() { return "3.0"; }
  std::string GetInstallDate() const { return installDate_; }

  // ---- person style of library files --------------------------------------
  // True for every file outside the basic-person folder and for files there
  // without an extension; otherwise only when the last letter of the name
  // before its extension is that of the current style (mHumanAtm: 0 "r",
  // 2 "t", any other "s").
  bool MatchesPersonStyle(std::string_view path) const;
  // Turns paths relative to the data folder (as stored, "\" allowed) into
  // full paths; empty ones stay empty in their places. A basic-person file
  // gets the current style's letter in place of its own.
  std::vector<std::string> ResolveLibraryFiles(std::span<const std::string> relative) const;
  char PersonStyleLetter() const;

  // The web material store of the run, made on first use; its downloads
  // are deleted when it ends with the program.
  WebMaterialStore& GetWebStore();

 private:
  std::vector<std::unique_ptr<SObj>> copyBuffer_;
  std::string installFolder_;
  std::string installDate_;
  std::unique_ptr<WebMaterialStore> webStore_;
};

}  // namespace page
