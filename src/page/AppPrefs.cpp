#include "page/AppPrefs.h"

#include <algorithm>

#include "platform/Settings.h"

namespace page {
namespace {

constexpr platform::RECT kDefaultWindow{10, 10, 960, 660};

}  // namespace

template <typename Prefs, typename Visit>
void AppPrefs::ForEachValue(Prefs& p, Visit&& visit) {
  visit("mLibVImp", p.mLibVImp);
  visit("mCopyPictFlag", p.mCopyPictFlag);
  visit("mShowTool", p.mShowTool);
  visit("mShow3DTool", p.mShow3DTool);
  visit("mZ4Compress", p.mZ4Compress);
  visit("mMaxUndo", p.mMaxUndo);
  visit("mHumanAtm", p.mHumanAtm);
  visit("mCopyPictWarn", p.mCopyPictWarn);
  visit("m3DRotWarn", p.m3DRotWarn);
  visit("m3DAngWarn", p.m3DAngWarn);
  visit("mApplyWarn", p.mApplyWarn);
  visit("mLastPath0", p.mLastPath[0]);
  visit("mLastPath1", p.mLastPath[1]);
  visit("mLastPath2", p.mLastPath[2]);
  visit("mLastPath3", p.mLastPath[3]);
  visit("mLastBtnInd", p.mLastBtnInd);
  visit("mWebUse", p.mWebUse);
  visit("mWebUseUnset", p.mWebUseUnset);
  visit("mListGapH", p.mListGapH);
  visit("mListGapV", p.mListGapV);
  visit("mMLeft", p.mMLeft);
  visit("mMTop", p.mMTop);
  visit("mMRight", p.mMRight);
  visit("mMBottom", p.mMBottom);
  visit("mMMax", p.mMMax);
  visit("mSepaPosX", p.mSepaPosX);
  visit("mSepaPosY", p.mSepaPosY);
  visit("mFileBaseInstDate", p.mFileBaseInstDate);
  visit("mShowNewFile", p.mShowNewFile);
  visit("mLastWebCheckDate", p.mLastWebCheckDate);
  visit("mLastNewsVersion", p.mLastNewsVersion);
  visit("mFindRadioInd", p.mFindRadioInd);
  visit("mFindCheckWeb", p.mFindCheckWeb);
}

void AppPrefs::SetDefaults() {
  mLibVImp = 0;
  mCopyPictFlag = 0;
  mShowTool = 0;
  mShow3DTool = 0;
  mZ4Compress = 1;
  mMaxUndo = 2;
  mHumanAtm = 1;
  mCopyPictWarn = 0;
  m3DRotWarn = 0;
  m3DAngWarn = 0;
  mApplyWarn = 0;
  for (std::string& path : mLastPath) path.clear();
  mLastBtnInd = 0;
  mWebUse = 1;
  mWebUseUnset = 1;
  mListGapH = 4;
  // The other system's newer versions took 44; this one has a single look.
  mListGapV = 34;
  mMLeft = kDefaultWindow.left;
  mMTop = kDefaultWindow.top;
  mMRight = kDefaultWindow.right;
  mMBottom = kDefaultWindow.bottom;
  mMMax = 0;
  mSepaPosX = 200;
  mSepaPosY = 200;
  mFileBaseInstDate.clear();
  mShowNewFile = 0;
  mLastWebCheckDate = 0;
  mLastNewsVersion = 0;
  mFindRadioInd = 0;
  mFindCheckWeb = 0;
}

void AppPrefs::LoadPrefs(const platform::Settings& settings) {
  const auto section = platform::kPrefsSection;
  struct Reader {
    const platform::Settings& s;
    std::string_view section;
    void operator()(const char* name, int& value) const { value = s.GetInt(section, name, value); }
    void operator()(const char* name, std::string& value) const { value = s.GetString(section, name, value); }
  };
  ForEachValue(*this, Reader{settings, section});
  // These become loop bounds and layout steps.
  mMaxUndo = std::clamp(mMaxUndo, kMinUndo, kMaxUndo);
  mListGapH = std::clamp(mListGapH, kMinListGap, kMaxListGap);
  mListGapV = std::clamp(mListGapV, kMinListGap, kMaxListGap);
}

void AppPrefs::LoadPrefs() {
  const platform::Settings settings;
  LoadPrefs(settings);
}

void AppPrefs::SavePrefs(platform::Settings& settings) const {
  struct Writer {
    platform::Settings& s;
    std::string_view section;
    void operator()(const char* name, const int& value) const { s.SetInt(section, name, value); }
    void operator()(const char* name, const std::string& value) const { s.SetString(section, name, value); }
  };
  ForEachValue(*this, Writer{settings, platform::kPrefsSection});
}

bool AppPrefs::SavePrefs() const {
  platform::Settings settings;
  SavePrefs(settings);
  return settings.Sync();
}

void AppPrefs::StoreWindowPlacement(const platform::RECT& restored, bool maximised) {
  mMLeft = restored.left;
  mMTop = restored.top;
  mMRight = restored.right;
  mMBottom = restored.bottom;
  mMMax = maximised ? 1 : 0;
}

WindowPlacement AppPrefs::RestoreWindowPlacement(bool shiftHeld) const {
  WindowPlacement placement;
  placement.rect = {mMLeft, mMTop, mMRight, mMBottom};
  const bool nothingStored = mMLeft <= 0 && mMTop <= 0 && mMRight <= 0 && mMBottom <= 0;
  if (mMMax != 0 || shiftHeld || nothingStored) placement.rect = kDefaultWindow;
  placement.maximise = mMMax != 0;
  return placement;
}

}  // namespace page
