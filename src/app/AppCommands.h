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
  ID_WINDOW_NEXT = 57680,      // Ctrl+F6: the next page window
  ID_WINDOW_PREVIOUS = 57681,  // Ctrl+Shift+F6: the one before
  ID_WINDOW_FIRST_PAGE = 0xFF00,  // the Window menu's list of pages, one id each

  // ---- the View menu: bars --------------------------------------------------
  ID_VIEW_LIBRARY_BAR = 32775,
  ID_VIEW_3D_BAR = 32776,
  ID_VIEW_LIGHT_BAR = 32777,
  ID_VIEW_2D_BAR = 32779,
  ID_VIEW_LIST_BAR = 32781,
  ID_VIEW_ATMOSPHERE_BAR = 33025,
  ID_VIEW_TOOLBAR = 59392,
  ID_VIEW_STATUS_BAR = 59393,

  // ---- the page view: inserting files ---------------------------------------
  ID_INSERT_PICTURE = 32833,
  ID_INSERT_TEXT = 32834,
  ID_INSERT_3D = 32835,
  ID_INSERT_PAGE = 32935,

  // ---- the page view: editing -------------------------------------------------
  ID_EDIT_UNDO = 57643,
  ID_EDIT_REDO = 57644,
  ID_EDIT_COPY = 57634,
  ID_EDIT_CUT = 57635,
  ID_EDIT_PASTE = 57637,
  ID_EDIT_DELETE = 32911,
  ID_SELECT_ALL = 32886,
  ID_SELECT_NONE = 32887,
  ID_SELECT_PICTURES = 32976,
  ID_SELECT_2D = 32977,
  ID_SELECT_3D = 32978,
  ID_SELECT_TEXTS = 32979,
  ID_SELECT_FRAME_CONTENTS = 32980,
  ID_SELECT_FRAMES_OF_SELECTION = 32981,

  // ---- the page view: objects ---------------------------------------------------
  ID_FRAME_SET = 32892,
  ID_FRAME_RELEASE = 32893,
  ID_FRAME_VOID = 32917,
  ID_FRAME_INSERT = 32900,
  ID_FRAME_TAKE_OUT = 32904,
  ID_GROUP = 32902,
  ID_UNGROUP = 32903,
  ID_TO_FRONT = 32894,
  ID_TO_BACK = 32895,
  ID_HIDE = 32989,
  ID_SHOW_ALL = 32990,
  ID_SIZE_AND_POSITION = 32953,
  ID_MIRROR = 33078,
  ID_EDIT_CONTENT = 32954,
  ID_EDIT_POINTS = 32955,
  ID_CONVERT_TO_PICTURE = 32972,
  ID_COMPOSE_PICTURE = 32973,
  ID_ALIGN_TOP = 32991,
  ID_ALIGN_MIDDLE = 32997,
  ID_ALIGN_BOTTOM = 32993,
  ID_ALIGN_RIGHT = 32994,
  ID_ALIGN_CENTRE = 32995,
  ID_ALIGN_LEFT = 32996,
  ID_SPACE_CENTRES_VERTICAL = 32998,
  ID_SPACE_CENTRES_HORIZONTAL = 32999,
  ID_SPACE_GAPS_VERTICAL = 33000,
  ID_SPACE_GAPS_HORIZONTAL = 33001,
  ID_SAME_HEIGHT = 33002,
  ID_SAME_WIDTH = 33003,

  // ---- the page view: grid and zoom -----------------------------------------------
  ID_GRID_SETTINGS = 32961,
  ID_GRID_SHOW = 32960,
  ID_GRID_SNAP = 32962,
  ID_ZOOM_400 = 32873,
  ID_ZOOM_300 = 32874,
  ID_ZOOM_200 = 32875,
  ID_ZOOM_150 = 32877,
  ID_ZOOM_100 = 32878,
  ID_ZOOM_75 = 32879,
  ID_ZOOM_50 = 32880,
  ID_ZOOM_25 = 32881,
  ID_ZOOM_IN = 33082,
  ID_ZOOM_OUT = 33083,

  // ---- the page view: the page as a picture and files ---------------------------------
  ID_COPY_PICTURE = 33010,
  ID_COPY_FORMAT_AUTO = 33033,
  ID_COPY_FORMAT_METAFILE = 33037,
  ID_COPY_FORMAT_PNG = 33035,
  ID_COPY_FORMAT_BITMAP = 33036,
  ID_SAVE_PICTURE = 32927,
  ID_OUTPUT_SIZE = 32929,
  ID_FILE_PROPERTIES = 32923,
  ID_EXPORT_SCENE = 33039,
  ID_ANIMATED_GIF = 33048,

  // ---- options and help ---------------------------------------------------
  ID_OPTIONS = 33013,
  ID_BASIC_MANUAL = 33051,
  ID_APPLIED_MANUAL = 33052,
  ID_CHECK_NEWS = 33093,
  ID_WEB_QUESTIONS = 33067,      // the publisher's web pages
  ID_WEB_ASK_EVERYONE = 33071,
  ID_WEB_REQUEST_BOARD = 33095,
};

}  // namespace app
