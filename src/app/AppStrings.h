#pragma once
// Ids of the string-table texts the application shell shows
// (resources/strings/strings.txt).
#include <string>

namespace app {

enum AppStringId : int {
  kStrBarLibrary = 130,       // "ライブラリ"
  kStrBar3DFigure = 131,      // "立体図形のプロパティ"
  kStrBarLight = 132,         // "立体図形の光源"
  kStrBarShape = 133,         // "図形のプロパティ"
  kStrBarList = 134,          // "一覧表"
  kStrBasicManualFile = 135,  // "PennetBasMan.pdf"
  kStrBarToolPalette = 148,   // "ツールバー"
  kStrImageTooLarge = 183,    // "%d" and "%d": the largest side in pixels, twice
  kStrImageTooSmall = 184,
  // The person composer.
  kStrOutOfMemory = 172,
  kStrMixPageCaption = 221,  // four: "胴体", "頭", "髪型", "小道具"
  kStrMixPageTip = 225,      // four, one per page
  kStrMixSliderTip = 229,    // four: body ratio, size, up-down, front-back
  kStrMixDeleteTip = 233,
  kStrMixSaveTip = 234,
  kStrMixCloseTip = 235,
  kStrMixNotSaved = 236,
  kStrMixFileFilter = 237,
  kStrMixSaveTitle = 238,
  kStrMixDefaultName = 239,
  kStrPersonExtension = 351,  // "Z4H"
  kStrNotInstalled = 363,
  kStrRemoveRecentFile = 380,
  kStrCloseToLauncherStart = 382,  // the Close command of a launched page, before the launcher's name
  kStrCloseToLauncherEnd = 383,    // after it
  kStrLaunchQuestionEnd = 385,          // after the launcher's name, page unmodified
  kStrLaunchQuestionEndModified = 386,  // after the launcher's name, page modified
  kStrLaunchQuestionStart = 387,        // before the launcher's name
  kStrNeedPdfReader = 391,
  kStrNewestVersion = 417,     // "最新版を利用中です。"
  kStrNotNewestVersion = 418,  // "最新版ではありません。"
  kStrNewsNoConnection = 419,
  kStrRequestBoard = 493,      // the menu texts of the web pages
  kStrQuestions = 495,
  kStrAskEveryone = 4386,
  kStrAlreadyRunning = 4394,
  // Texts of newer features.
  kStrEnterNumberRange = 20041,  // "%s" the least, "%s" the largest value
  kStrEnterInteger = 20042,
  kStrEnterNumber = 20043,
  kStrAskToSave = 20100,  // "%s" = the page's title
};

}  // namespace app

namespace app {

// The text of a string id, each backslash followed by "n" in it made a
// line break (the table holds one line per text).
std::string LoadAppString(int id);

}  // namespace app
