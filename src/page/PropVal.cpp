#include "page/PropVal.h"

#include "page/PnFile.h"
#include "page/SObj.h"

namespace page {

void PropVal::CopyMaskedTo(PropVal& target, bool /*masked*/) const { target.mask = mask; }

// ---- the four values of one object -----------------------------------------

void PropGroup::TakeFromObject(const SObj& object) {
  v2D.TakeFromObject(object);
  v3D.TakeFromObject(object);
  vLT.TakeFromObject(object);
  vSC.TakeFromObject(object);
}

void PropGroup::ApplyToObject(SObj& object, bool masked) const {
  v2D.ApplyToObject(object, masked);
  v3D.ApplyToObject(object, masked);
  vLT.ApplyToObject(object, masked);
  vSC.ApplyToObject(object, masked);
}

void PropGroup::Write(PnFile& file, const SObj& object) {
  object.props2D.Write(file);
  object.props3D.Write(file);
  object.propsLT.Write(file);
  object.placement.Write(file);
  file.WriteEmptyBlock();
}

void PropGroup::Read(PnFile& file, SObj& object) {
  object.props2D.Read(file);
  object.props3D.Read(file);
  object.propsLT.Read(file);
  object.placement.Read(file);
  file.SkipBlock();
}

void Calc3DMoveVal::Run(SObj& object) { object.Run3DMove(*this); }

}  // namespace page
