#include "page/SFigStored.h"

#include "imaging/PixelOps.h"
#include "page/PageMembers.h"
#include "page/PnFile.h"
#include "page/ResultCodes.h"
#include "page/SFigRect.h"
#include "platform/Dc.h"
#include "platform/Paths.h"

namespace page {

void SFigStored::Read(PnFile& file, int objectId) {
  const std::int64_t start = file.GetPosition();
  memberPrefix_.clear();
  memberSuffix_.clear();
  memberBytes_.clear();
  switch (typeId_) {
    case kFig3D: {
      file.SkipBlock();
      // A figure without its scene cannot be made: the code of a shape
      // without its figure.
      const std::optional<std::string> path = file.FindMember(SceneMemberName(objectId));
      if (!path)
        throw PnFileError(kResultNoMemory, "the scene member of object " + std::to_string(objectId) + " is missing");
      memberPrefix_ = "data";
      memberSuffix_ = "_.Z4T";
      memberBytes_ = ReadMemberFile(*path);
      break;
    }
    default:
      file.SkipBlock();
      break;
  }
  record_ = std::string(file.BytesBetween(start, file.GetPosition()));
}

bool SFigStored::DrawVector(platform::Image& target, const SDrawSize& size, const Prop2DVal& /*V*/,
                            bool /*vectorOnly*/) {
  imaging::PnUtilFillImage(target, 0, 0);
  const SPoint extent = GetDrawExtent({size.width, size.height}, size.angle);
  const SPoint inner(size.width - size.margin * size.scale, size.height - size.margin * size.scale);
  const SOutline box = SFigRect().BuildOutline(extent * 0.5, inner, size.angle, 1, 0);
  platform::Dc dc(target);
  dc.SelectPen(platform::Pen{0x808080, 1});
  dc.Polyline(std::span(box.points).first(5));
  return true;
}

std::span<SCtlp> SFigStored::GetHandles(const PropSCVal& P, const Prop2DVal& V, bool editing) {
  const std::span<SCtlp> handles = SFig::GetHandles(P, V, editing);
  if (typeId_ == kFig3D)
    for (int i = 4; i < 8; ++i) handles[static_cast<std::size_t>(i)].visible = false;
  return handles;
}

void SFigStored::Write(PnFile& file, int objectId) const {
  if (record_.empty()) {
    // Never read: the empty record of the kind keeps the stream readable.
    file.WriteEmptyBlock();
    return;
  }
  file.WriteBytes(record_.data(), record_.size());
  if (memberPrefix_.empty()) return;
  const std::string name = memberPrefix_ + std::to_string(objectId) + memberSuffix_;
  WriteMemberFile(platform::JoinPath(file.GetFolder(), name), memberBytes_);
}

}  // namespace page
