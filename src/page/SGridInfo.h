#pragma once
// The page's grid and output settings, held by value in the page document.
#include "platform/WinTypes.h"

namespace page {

class PnFile;

struct SGridInfo {
  int spacing = 20;           // grid spacing in page pixels
  int divisions = 4;          // snap steps per grid spacing
  platform::COLORREF lineColor = 0xC8C8C8;    // grid lines
  platform::COLORREF secondColor = 0xFFFFFF;  // page background
  bool flag1 = true;          // background transparent in GIF and PNG export
  bool showGrid = false;
  bool snapToGrid = false;
  platform::COLORREF extra1 = 0;  // page border colour
  int extra2 = 0;                 // page border width in points, 0 to 100
  int extra3 = 1;                 // area outside the page: 0 shown, 1 washed out, 2 hidden

  void SetDefaults() { *this = SGridInfo(); }
  // The snap step in page pixels, never below 1.
  int SnapStep() const;

  // The grid record: four int32, three bools, then a block of 12 bytes
  // holding extra1 to extra3.
  void Write(PnFile& file) const;
  // A block shorter than 12 bytes keeps extra1 to extra3 as they are and is
  // skipped; a longer one is read and its rest skipped. Spacing and divisions
  // below 1 are raised to 1, since drawing and snapping divide by them; the
  // border width is kept within 0 to 100.
  void Read(PnFile& file);

  friend bool operator==(const SGridInfo&, const SGridInfo&) = default;
};

}  // namespace page
