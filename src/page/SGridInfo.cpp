#include "page/SGridInfo.h"

#include <algorithm>

#include "page/PnFile.h"

namespace page {

namespace {
constexpr int kGridTailSize = 12;
constexpr int kMaxBorderWidth = 100;
}

int SGridInfo::SnapStep() const { return std::max(1, spacing / std::max(1, divisions)); }

void SGridInfo::Write(PnFile& file) const {
  file.WriteInt(spacing);
  file.WriteInt(divisions);
  file.WriteInt(static_cast<std::int32_t>(lineColor));
  file.WriteInt(static_cast<std::int32_t>(secondColor));
  file.WriteBool(flag1);
  file.WriteBool(showGrid);
  file.WriteBool(snapToGrid);
  file.WriteInt(kGridTailSize);
  file.WriteInt(static_cast<std::int32_t>(extra1));
  file.WriteInt(extra2);
  file.WriteInt(extra3);
}

void SGridInfo::Read(PnFile& file) {
  spacing = std::max(1, file.ReadInt());
  divisions = std::max(1, file.ReadInt());
  lineColor = static_cast<platform::COLORREF>(file.ReadInt());
  secondColor = static_cast<platform::COLORREF>(file.ReadInt());
  flag1 = file.ReadBool();
  showGrid = file.ReadBool();
  snapToGrid = file.ReadBool();
  const std::int32_t tail = file.ReadInt();
  if (tail < kGridTailSize) {
    // Too short to hold the three values (or empty): they keep their values.
    file.SkipBytes(tail);
    return;
  }
  file.RequireBytes(tail, "the grid record");
  extra1 = static_cast<platform::COLORREF>(file.ReadInt());
  // The border is at most 100 points wide: a stored width beyond is damage
  // that would make a pen wider than any picture.
  extra2 = std::clamp(file.ReadInt(), 0, kMaxBorderWidth);
  extra3 = file.ReadInt();
  file.SkipBytes(tail - kGridTailSize);
}

}  // namespace page
