#pragma once
// The user's preferences: one record, owned by PnGlobal, filled with
// defaults when made, read from the settings section "Prefs" at start-up
// and written back at the end. Each value is stored under its own name (the
// four library folders as "mLastPath0" to "mLastPath3").
#include <array>
#include <string>

#include "platform/WinTypes.h"

namespace platform {
class Settings;
}

namespace page {

// Where the main window goes at start-up.
struct WindowPlacement {
  platform::RECT rect;  // the restored rectangle
  bool maximise = false;
};

class AppPrefs {
 public:
  // The range the options dialog allows, and what start-up accepts: an
  // undo depth below 1 would never let the stack trim.
  static constexpr int kMinUndo = 1;
  static constexpr int kMaxUndo = 20;
  static constexpr int kMinListGap = 1;
  static constexpr int kMaxListGap = 100;

  int mLibVImp;        // renderer choice handed to the 3D facade (only 0)
  int mCopyPictFlag;   // page picture copy format: 0 automatic, 1 metafile, 2 PNG, 3 bitmap
  int mShowTool;       // the tool palette shows the person composer button
  int mShow3DTool;     // the 3D property bar shows its edit tools
  int mZ4Compress;     // 3D data inside page and figure files is compressed
  int mMaxUndo;        // undo depth in actions, 1 to 20
  int mHumanAtm;       // person style: 0 real, 1 manga, 2 three heads tall
  int mCopyPictWarn;   // the hint on copying pictures was shown
  int m3DRotWarn;      // the hint on rotating 3D figures was shown
  int m3DAngWarn;      // the hint on a figure's direction was shown
  int mApplyWarn;      // hint on applying to persons: 0 not yet, 1 due, 2 shown
  std::array<std::string, 4> mLastPath;  // last folder of each library page
  int mLastBtnInd;     // last library page shown
  int mWebUse;         // the program may use the web
  int mWebUseUnset;
  int mListGapH;       // gaps between library items, 1 to 100
  int mListGapV;
  int mMLeft, mMTop, mMRight, mMBottom;  // restored rectangle of the main window
  int mMMax;           // the main window was maximised
  int mSepaPosX, mSepaPosY;  // library splitter positions
  std::string mFileBaseInstDate;  // installation date of the library's cached file list
  int mShowNewFile;    // library items newer than the installation carry a sign
  int mLastWebCheckDate;
  int mLastNewsVersion;
  int mFindRadioInd;   // scope of the library search
  int mFindCheckWeb;   // the library search includes web materials

  AppPrefs() { SetDefaults(); }

  void SetDefaults();
  // Reads every value from section "Prefs", each with its current value as
  // the default, so missing entries keep what the record holds. The undo
  // depth and the list gaps are brought within their ranges.
  void LoadPrefs(const platform::Settings& settings);
  // The same from and to the user's own settings file.
  void LoadPrefs();
  void SavePrefs(platform::Settings& settings) const;
  // False when the settings file cannot be written.
  bool SavePrefs() const;

  // Keeps the main window's restored rectangle and whether it is maximised.
  void StoreWindowPlacement(const platform::RECT& restored, bool maximised);
  // The placement for start-up: a maximised window, Shift held, or a
  // rectangle with all four values 0 or less come back to the default
  // rectangle (so a window lost off-screen can be recovered); a maximised
  // one is maximised again over it.
  WindowPlacement RestoreWindowPlacement(bool shiftHeld) const;
  // The search's web option: 0 while web use is off.
  int GetFindWebOption(int webUse) const { return webUse != 0 ? mFindCheckWeb : 0; }

  friend bool operator==(const AppPrefs&, const AppPrefs&) = default;

 private:
  // Calls visit(name, value) for every value in record order.
  template <typename Prefs, typename Visit>
  static void ForEachValue(Prefs& prefs, Visit&& visit);
};

}  // namespace page
