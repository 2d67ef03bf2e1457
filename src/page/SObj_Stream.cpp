// Copying an object and its record in the page stream.
#include "page/PnFatal.h"
#include "page/PnFile.h"
#include "page/SObj.h"

namespace page {

int SObj::CloneInto(SObj& target) const {
  target.flags = flags;
  target.id = id;
  target.parentId = parentId;
  target.label = label;
  target.storedLabel = storedLabel;
  props2D.CopyMaskedTo(target.props2D, false);
  props3D.CopyMaskedTo(target.props3D, false);
  propsLT.CopyMaskedTo(target.propsLT, false);
  placement.CopyMaskedTo(target.placement, false);
  if (const int rc = frame.CopyTo(target.frame); rc < 0) return rc;
  PN_FATAL_IF(!fig, "SObj", 89);
  target.fig = fig->Clone();
  if (!target.fig) return -1;
  // The new shape takes the values as its own.
  target.ApplyProp2D(Prop2DVal(target.props2D), false);
  target.ApplyProp3D(Prop3DVal(target.props3D), false);
  target.ApplyPropLT(PropLTVal(target.propsLT), false);
  return 0;
}

std::unique_ptr<SObj> SObj::Clone() const {
  auto copy = std::make_unique<SObj>();
  if (CloneInto(*copy) < 0) return nullptr;
  return copy;
}

void SObj::Write(PnFile& file) const {
  file.WriteInt(0);
  file.WriteInt(static_cast<std::int32_t>(FlagsSynced()));
  file.WriteInt(id);
  file.WriteStoredString(label, storedLabel);
  file.WriteInt(parentId);
  frame.Write(file);
  PropGroup::Write(file, *this);
  if (fig) {
    file.WriteInt(fig->GetTypeId());
    fig->Write(file, id);
  } else {
    file.WriteInt(kFigBase);
    SFig().Write(file, id);
  }
  file.WriteEmptyBlock();
}

void SObj::Read(PnFile& file) {
  file.ReadInt();  // reserved
  flags = static_cast<std::uint32_t>(file.ReadInt());
  id = file.ReadInt();
  label = file.ReadStoredString(storedLabel);
  parentId = file.ReadInt();
  frame.Read(file);
  GetFlagsSynced();  // the frame record decides the panel-frame bit
  PropGroup::Read(file, *this);
  const std::int32_t typeId = file.ReadInt();
  bool unknown = false;
  SetFig(CreateFigByType(typeId, unknown), true);
  if (unknown) {
    // A kind this program does not know: its record is one block.
    file.SkipBlock();
  } else {
    fig->Read(file, id);
    fig->UpgradeAfterRead(*this);
  }
  file.SkipBlock();
}

}  // namespace page
