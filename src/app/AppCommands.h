#pragma once
// Command numbers of the application's menus. The main frame keeps one
// QAction per number (CSMainFrame::CommandAction), so windows that add
// commands (the page view) look them up and connect to them by number.
namespace app {

enum CommandId : int {
  // ---- application and documents ----------------------------------------
  ID_FILE_NEW = 57600,
  ID_FILE_OPEN = 57601,
  ID_FILE_CLOSE = 57602,
  ID_FILE_SAVE = 57603,
  ID_FILE_SAVE_AS = 57604,
  ID_FILE_PRINT_SETUP = 57606,
  ID_FILE_PRINT = 57607,
  ID_FILE_PRINT_PREVIEW = 57609,
  ID_FILE_MRU_FILE1 = 57616,  // to ID_FILE_MRU_FILE1 + 15
  ID_APP_EXIT = 57665,
  ID_PERSON_COMPOSER = 1050,

  // ---- windows ------------------------------------------------------------
  ID_WINDOW_CASCADE = 57650,
  ID_WINDOW_TILE_HORZ = 57651,
  ID_WINDOW_ARRANGE = 57649,

  // ---- the View menu: bars --------------------------------------------------
  ID_VIEW_LIBRARY_BAR = 32775,
  ID_VIEW_3D_BAR = 32776,
  ID_VIEW_LIGHT_BAR = 32777,
  ID_VIEW_2D_BAR = 32779,
  ID_VIEW_LIST_BAR = 32781,
  ID_VIEW_ATMOSPHERE_BAR = 33025,
  ID_VIEW_TOOLBAR = 59392,
  ID_VIEW_STATUS_BAR = 59393,

  // ---- options and help ---------------------------------------------------
  ID_OPTIONS = 33013,
  ID_BASIC_MANUAL = 33051,
  ID_APPLIED_MANUAL = 33052,
  ID_CHECK_NEWS = 33093,
};

}  // namespace app
