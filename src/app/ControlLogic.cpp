#include "app/ControlLogic.h"

#include <algorithm>
#include <cstdlib>

namespace app {

// ---- picture buttons ----------------------------------------------------

int ChooseButtonFrame(const ButtonLook& look) {
  if (look.checked && look.checkedShows) return look.hovered ? kFrameCheckedHover : kFramePressed;
  if (look.pressed) return kFramePressed;
  if (look.disabled) return kFrameDisabled;
  if (look.hovered) return kFrameHover;
  if (look.focused && look.focusLook) return kFrameFocused;
  return kFrameNormal;
}

platform::Bgra DisabledPixel(platform::Bgra pixel) {
  // Capped at the alpha: a colour byte above its alpha is no premultiplied
  // pixel and would brighten the edges when blended.
  const int grey = std::min({(pixel.r + pixel.g + pixel.b) / 2, 255, static_cast<int>(pixel.a)});
  const auto g = static_cast<std::uint8_t>(grey);
  return platform::Bgra{g, g, g, pixel.a};
}

void GreyOutPicture(platform::Image& picture) {
  if (picture.IsNull() || picture.Bpp() != 32) return;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) picture.SetBgra(x, y, DisabledPixel(picture.GetBgra(x, y)));
}

// ---- colour palette -----------------------------------------------------

namespace {

// RGB hex, column by column, rows 0 to 8.
constexpr std::uint32_t kPaletteRgb[kPaletteColumns][kPaletteRows] = {
    {0xFFFFFF, 0x420000, 0x730000, 0xAD0000, 0xDE0000, 0xFF0000, 0xFF6363, 0xFF9C9C, 0xFFCECE},
    {0x000000, 0x633100, 0x9C3100, 0xCE3100, 0xFF3100, 0xFF6300, 0xFF6331, 0xFF9C63, 0xFFCE9C},
    {0x212121, 0x9C6300, 0xCE9C00, 0xFFCE00, 0xFFFF00, 0xFFFF31, 0xFFFF63, 0xFFFF9C, 0xFFFFCE},
    {0x424242, 0x002100, 0x004200, 0x006300, 0x008C00, 0x00EF00, 0x63FF63, 0x9CFF9C, 0xCEFFCE},
    {0x525252, 0x003131, 0x316363, 0x006363, 0x009C9C, 0x00CECE, 0x63CECE, 0x63FFCE, 0x9CFFCE},
    {0x737373, 0x00319C, 0x0031FF, 0x0063FF, 0x009CFF, 0x00CEFF, 0x63FFFF, 0x9CFFFF, 0xCEFFFF},
    {0xBDBDBD, 0x000052, 0x000073, 0x0000AD, 0x0000DE, 0x3163FF, 0x319CFF, 0x63CEFF, 0x9CCEFF},
    {0xDEDEDE, 0x310063, 0x63009C, 0x63319C, 0x9C00CE, 0x9C31FF, 0x9C63FF, 0x9C9CFF, 0xCECEFF},
    {0xEFEFEF, 0x630063, 0x63009C, 0xCE009C, 0xFF009C, 0xFF31CE, 0xFF63FF, 0xFF9CFF, 0xFFCEFF},
};

}  // namespace

COLORREF PaletteColor(int column, int row) {
  const std::uint32_t rgb = kPaletteRgb[column][row];
  return platform::MakeRgb(static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                           static_cast<std::uint8_t>(rgb));
}

int PaletteCommand(int column, int row) { return kPaletteFirst + 10 * column + row; }

PaletteChoice ChoosePaletteCommand(int commandId) {
  if (commandId < kPaletteFirst || commandId > kPaletteLast) return {};
  switch (commandId) {
    case kPaletteOther: return {PaletteAction::kAskColor, 0};
    case kPaletteMode1: return {PaletteAction::kMode1, 0};
    case kPaletteMode2: return {PaletteAction::kMode2, 0};
    default: break;
  }
  const int column = (commandId - kPaletteFirst) / 10;
  const int row = (commandId - kPaletteFirst) % 10;
  // Ids of the range that name no cell (row 9, the spacers) change nothing.
  if (column >= kPaletteColumns || row >= kPaletteRows) return {PaletteAction::kNone, 0};
  return {PaletteAction::kSetColor, PaletteColor(column, row)};
}

std::vector<PaletteItem> LayOutPalette(bool shortPalette) {
  std::vector<PaletteItem> items;
  int left = 0;
  for (int column = 0; column < kPaletteColumns; ++column, left += kPaletteCellWidth) {
    int top = 0;
    for (int row = 0; row < kPaletteRows; ++row) {
      if (row > 0) {
        items.push_back({kPaletteSpacer, RECT{left, top, left + kPaletteCellWidth, top + kPaletteSpacerHeight}, false});
        top += kPaletteSpacerHeight;
      }
      items.push_back({PaletteCommand(column, row), RECT{left, top, left + kPaletteCellWidth, top + kPaletteCellHeight}});
      top += kPaletteCellHeight;
    }
  }
  int top = 0;
  auto add = [&](int id, int height, bool enabled) {
    items.push_back({id, RECT{left, top, left + kPaletteButtonWidth, top + height}, enabled});
    top += height;
  };
  add(kPaletteEmpty, 0, false);
  add(kPaletteOther, kPaletteButtonHeight, true);
  if (!shortPalette) {
    add(kPaletteSpacer, kPaletteSpacerHeight, false);
    add(kPaletteMode1, kPaletteButtonHeight, true);
    add(kPaletteSpacer, kPaletteSpacerHeight, false);
    add(kPaletteMode2, kPaletteButtonHeight, true);
  }
  return items;
}

const PaletteItem* PaletteItemAt(const std::vector<PaletteItem>& items, POINT point) {
  for (const PaletteItem& item : items) {
    const RECT& r = item.rect;
    if (point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom) return &item;
  }
  return nullptr;
}

bool IsLightColor(COLORREF color) {
  return platform::GetRValue(color) >= 90 || platform::GetGValue(color) >= 90 || platform::GetBValue(color) >= 200;
}

// ---- menu buttons -------------------------------------------------------

std::optional<int> MenuPositionOfCommand(const std::vector<MenuEntry>& entries, int commandId) {
  if (commandId == 0) return std::nullopt;  // separators are no commands
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].commandId == commandId) return static_cast<int>(i) + 1;
  return std::nullopt;
}

std::string MenuTextAt(const std::vector<MenuEntry>& entries, int position) {
  if (position < 1 || position > static_cast<int>(entries.size())) return {};
  return entries[static_cast<std::size_t>(position) - 1].text;
}

namespace {

constexpr int kLineWidths[] = {1, 2, 3, 4, 5, 6, 8, 10, 12, 14, 16, 20, 24};
static_assert(std::size(kLineWidths) == kLineWidthLast - kLineWidthFirst + 1);

}  // namespace

std::vector<MenuEntry> LineWidthMenu() {
  std::vector<MenuEntry> menu;
  for (int i = 0; i < static_cast<int>(std::size(kLineWidths)); ++i)
    menu.push_back({kLineWidthFirst + i, i == 0 ? "1pt" : std::to_string(kLineWidths[i]) + " pt"});
  menu.push_back({kLineWidthOther, "その他..."});
  menu.push_back({0, {}});
  menu.push_back({kLineWidthAuto, "自動"});
  return menu;
}

std::optional<int> LineWidthOfCommand(int commandId) {
  if (commandId >= kLineWidthFirst && commandId <= kLineWidthLast) return kLineWidths[commandId - kLineWidthFirst];
  if (commandId == kLineWidthAuto) return 0;
  return std::nullopt;
}

// ---- angle pad ----------------------------------------------------------

PadAngles PadAnglesAtPoint(POINT point, int width, int height) {
  if (width <= 0 || height <= 0) return {};
  return PadAngles{point.x * 360 / width - 180, point.y * 180 / height - 90};
}

POINT PadPointOfAngles(PadAngles angles, int width, int height) {
  return POINT{width * (angles.horizontal + 180) / 360, height * (angles.vertical + 90) / 180};
}

namespace {

// The angle moved to its nearest multiple of 90, given its remainder
// (which has the angle's sign) lies within 10 of one.
int SnappedAngle(int angle) {
  const int r = angle % 90;
  if (std::abs(r) <= 10) return angle - r;
  return angle + (r > 0 ? 90 - r : -90 - r);
}

bool NearRightAngle(int angle) {
  const int r = std::abs(angle % 90);
  return r <= 10 || r >= 80;
}

}  // namespace

bool SnapAngles(int& horizontal, int& vertical) {
  if (!NearRightAngle(horizontal) || !NearRightAngle(vertical)) return false;
  horizontal = SnappedAngle(horizontal);
  vertical = SnappedAngle(vertical);
  return true;
}

std::array<POINT, 15> PadSnapPoints(int width, int height) {
  std::array<POINT, 15> points{};
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 5; ++column)
      points[static_cast<std::size_t>(row * 5 + column)] = POINT{width * column / 4, height * row / 2};
  return points;
}

// ---- slider -------------------------------------------------------------

bool SliderPressHandled(POINT point, const RECT& channel, const RECT& thumb) {
  return point.x >= channel.left && point.y < thumb.bottom && (point.x < channel.right || point.y < thumb.top);
}

RECT SliderUsableChannel(const RECT& channel, int thumbWidth) {
  RECT usable = channel;
  usable.left += thumbWidth / 2;
  usable.right -= thumbWidth / 2;
  return usable;
}

int SliderPixelOfValue(int value, int minimum, int maximum, const RECT& usable) {
  if (maximum <= minimum) return usable.left;
  const long long offset = static_cast<long long>(value - minimum) * usable.Width() / (maximum - minimum);
  return usable.left + static_cast<int>(offset);
}

std::optional<int> SliderJumpValue(int x, int current, int minimum, int maximum, const RECT& usable) {
  // A slider narrower than its thumb has no channel to map onto.
  if (usable.Width() <= 0) return std::nullopt;
  if (std::abs(x - SliderPixelOfValue(current, minimum, maximum, usable)) <= 3) return std::nullopt;
  const long long value =
      minimum + static_cast<long long>(x - usable.left) * (maximum - minimum) / usable.Width();
  return static_cast<int>(std::clamp<long long>(value, minimum, std::max(minimum, maximum)));
}

}  // namespace app
