#pragma once
// Result codes of the page editor, the shell, the package and image
// services and the 3D facade: 0 or positive is success, negative a failure.
// Codes travel up unchanged to the user-interface code that started the
// work, which shows each failure once (ReportErrorCode).
#include <string>

namespace page {

enum ResultCode : int {
  kResultOk = 0,
  kResultNoMemory = -1,           // memory or image creation, engine failure
  kResultPartOfGroup = -2,        // only part of a group is selected
  kResultAcrossContainers = -3,   // selection spans groups or panel frames
  kResultFrameGrouped = -4,       // a panel frame is inside a group
  kResultNeedFrameAndShape = -5,  // putting shapes into a frame needs both
  kResultCannotApply = -6,        // a library file does not fit the shape
  kResultDropOffFigure = -7,      // a pose or tool released off any person
  kResultDiskFull = -8,
  kResultCannotOpen = -9,
  kResultCannotDelete = -10,
  kResultCompressWrite = -11,
  kResultFileIo = -12,
  kResultNoFolder = -13,
  kResultDamaged = -14,
  kResultDamagedImage = -15,
  kResultDamagedData = -16,
  kResultCutNeedsSelection = -17,
  kResultNot3DShape = -18,
  kResultOffShape = -19,
  kResultPatternPart = -20,
  kResultClipboard = -21,
  kResultNoAnimation = -22,
  kResultNoDirectX = -24,
  kResultPersonFile = -30,
  kResultUnsupportedType = -36,
  kResultNothingSelected = -37,
  kResultCancelled = -38,
  kResultNoConnection = -39,
  kResultServerError = -40,
  kResultServerUnreachable = -41,
  kResultDownloadDone = 1000,  // the download service's done state
};

// The string-table id whose text explains the code; 0 for the one code with
// a fixed text (-24). Codes without an entry of their own share the generic
// message (189).
int ErrorStringId(int code);

// The message shown for a code: its text, one space, the code in decimal.
std::string ErrorMessageOfCode(int code);

// Shows the code's message in a message box with an OK button and no icon
// and returns when the user closes it. Changes no state: callers roll back
// and redraw themselves.
void ReportErrorCode(int code);

}  // namespace page
