#pragma once
// The arithmetic and choices of the custom controls, kept free of widgets so
// that it can be checked on its own: which skin frame a picture button
// shows, how a disabled picture is greyed, the colour palette's cells and
// commands, the menu buttons' values, the angle pad's angles and snapping,
// and the slider's click-to-jump mapping.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace app {

using platform::COLORREF;
using platform::POINT;
using platform::RECT;

// ---- picture buttons ----------------------------------------------------

// Frames of the skin strip, side by side in this order.
enum ButtonFrame : int {
  kFrameNormal = 0,
  kFrameHover = 1,
  kFramePressed = 2,  // pressed, or checked
  kFrameDisabled = 3,
  kFrameFocused = 4,
  kFrameCheckedHover = 5,
  kFrameCount = 6,
};

struct ButtonLook {
  bool checked = false;
  bool checkedShows = false;  // a check box, or a button with the toggle look
  bool pressed = false;
  bool disabled = false;
  bool hovered = false;
  bool focused = false;
  bool focusLook = false;
};

// The skin frame for the button's state: a checked state that shows wins,
// then pressed, disabled, hover and focus (the last only with the focus
// look).
int ChooseButtonFrame(const ButtonLook& look);

// A premultiplied pixel of a disabled picture: grey (r + g + b) / 2, capped
// at 255 and at the pixel's alpha so that it stays a valid premultiplied
// pixel; alpha kept.
platform::Bgra DisabledPixel(platform::Bgra pixel);
// The same for every pixel of a premultiplied 32-bit picture.
void GreyOutPicture(platform::Image& picture);

// ---- colour palette -----------------------------------------------------

constexpr int kPaletteColumns = 9;
constexpr int kPaletteRows = 9;
constexpr int kPaletteFirst = 11100;  // + 10 × column + row
constexpr int kPaletteSpacer = 11200;
constexpr int kPaletteEmpty = 11201;  // starts the last column
constexpr int kPaletteOther = 11202;  // the colour dialog
constexpr int kPaletteMode1 = 11203;
constexpr int kPaletteMode2 = 11204;
constexpr int kPaletteLast = 11220;

// Colour modes of a colour button: its colour, or one of the two special
// choices of the full palette.
enum ColorMode : int { kColorModeColor = 0, kColorMode1 = 1, kColorMode2 = 2 };

// The cell colour; column and row must be 0 to 8.
COLORREF PaletteColor(int column, int row);
int PaletteCommand(int column, int row);

enum class PaletteAction {
  kNotPalette,  // not a palette command: the caller goes on with it
  kNone,        // a palette command that changes nothing
  kSetColor,    // a cell: this colour, mode 0
  kAskColor,    // the colour dialog
  kMode1,
  kMode2,
};
struct PaletteChoice {
  PaletteAction action = PaletteAction::kNotPalette;
  COLORREF color = 0;
};
PaletteChoice ChoosePaletteCommand(int commandId);

// One item of the palette popup, in popup coordinates.
struct PaletteItem {
  int commandId = 0;
  RECT rect;
  bool enabled = true;
};
constexpr int kPaletteCellWidth = 14;
constexpr int kPaletteCellHeight = 14;
constexpr int kPaletteSpacerHeight = 3;
constexpr int kPaletteButtonWidth = 17;
constexpr int kPaletteButtonHeight = 31;
// Nine columns of colours with a spacer between two colours, then a column
// with the empty item and the colour-dialog item, and, unless the palette is
// short, spacer, mode 1, spacer, mode 2.
std::vector<PaletteItem> LayOutPalette(bool shortPalette);
// The item under the point, or nullptr.
const PaletteItem* PaletteItemAt(const std::vector<PaletteItem>& items, POINT point);

// The colour button draws its mark in black on light colours, in white on
// dark ones.
bool IsLightColor(COLORREF color);

// ---- menu buttons -------------------------------------------------------

// An item of a menu button's popup; command 0 is a separator.
struct MenuEntry {
  int commandId = 0;
  std::string text;  // UTF-8
};
// The 1-based position of the command in the popup, separators counted.
std::optional<int> MenuPositionOfCommand(const std::vector<MenuEntry>& entries, int commandId);
// The text shown for a 1-based position; empty outside the menu.
std::string MenuTextAt(const std::vector<MenuEntry>& entries, int position);

// The line-width popup.
constexpr int kLineWidthFirst = 32796;  // 1 pt
constexpr int kLineWidthLast = 32808;   // 24 pt
constexpr int kLineWidthOther = 32809;  // the line-width dialog
constexpr int kLineWidthAuto = 33022;   // 0: automatic
std::vector<MenuEntry> LineWidthMenu();
// The width in points a line-width command sets (0 for automatic); none for
// the dialog item and every other command.
std::optional<int> LineWidthOfCommand(int commandId);

// ---- angle pad ----------------------------------------------------------

struct PadAngles {
  int horizontal = 0;  // −180 to 180
  int vertical = 0;    // −90 to 90
  friend bool operator==(const PadAngles&, const PadAngles&) = default;
};
// Angles of a point of a pad of the given size, (0, 0) at its top left:
// x across the width is −180 to 180, y down the height −90 to 90.
PadAngles PadAnglesAtPoint(POINT point, int width, int height);
// Where the pad draws its icon for the angles.
POINT PadPointOfAngles(PadAngles angles, int width, int height);
// Both angles go to the nearest multiple of 90 when each lies within 10
// degrees of one; otherwise nothing changes and the answer is false.
bool SnapAngles(int& horizontal, int& vertical);
// The 5 × 3 snap points the pad marks: x at 0, 1/4, 1/2, 3/4 and all of the
// width, y at 0, 1/2 and all of the height.
std::array<POINT, 15> PadSnapPoints(int width, int height);

// ---- slider -------------------------------------------------------------

// Whether a left press at the point belongs to the slider's click handling:
// right of the channel's left end, above the thumb's bottom, and left of the
// channel's right end unless above the thumb's top.
bool SliderPressHandled(POINT point, const RECT& channel, const RECT& thumb);
// The usable channel: shrunk by half the thumb width at both ends.
RECT SliderUsableChannel(const RECT& channel, int thumbWidth);
// The pixel of a value on the usable channel (its left end for an empty
// range).
int SliderPixelOfValue(int value, int minimum, int maximum, const RECT& usable);
// The value a press at x jumps to: min + (x − left) × range / width, held in
// the range. None when the press lies within 3 pixels of the current
// value's pixel, or when the usable channel has no width.
std::optional<int> SliderJumpValue(int x, int current, int minimum, int maximum, const RECT& usable);

}  // namespace app
