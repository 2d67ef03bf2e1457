// The camera, light and placement values.
#include <algorithm>

#include "page/PnFile.h"
#include "page/PropVal_Internal.h"
#include "page/SObj.h"

namespace page {

// ---- Prop3DVal -------------------------------------------------------------

namespace {
constexpr int k3DTailSize = 32;  // reserved, distance and the target
}

void Prop3DVal::CopyMaskedTo(PropVal& target, bool masked) const {
  Prop3DVal* copy = MaskedTarget(*this, target, masked, 874);
  if (copy == nullptr) return;
  Prop3DVal& to = *copy;
  if (mask & kVerticalAngle) to.verticalAngle = verticalAngle;
  if (mask & kHorizontalAngle) to.horizontalAngle = horizontalAngle;
  if (mask & kLens) to.lens = lens;
  if (mask & kReserved) to.reserved = reserved;
  if (mask & kDistance) to.distance = distance;
  if (mask & kTarget) {
    to.targetX = targetX;
    to.targetY = targetY;
    to.targetZ = targetZ;
  }
  to.mask = mask;
}

void Prop3DVal::TakeFromObject(const SObj& object) { object.TakeProp3D(*this); }

void Prop3DVal::ApplyToObject(SObj& object, bool masked) const { object.ApplyProp3D(*this, masked); }

void Prop3DVal::Write(PnFile& file) const {
  file.WriteInt(verticalAngle);
  file.WriteInt(horizontalAngle);
  file.WriteInt(lens);
  file.WriteInt(k3DTailSize);
  file.WriteInt(reserved);
  file.WriteInt(distance);
  file.WriteDouble(targetX);
  file.WriteDouble(targetY);
  file.WriteDouble(targetZ);
}

void Prop3DVal::Read(PnFile& file) {
  verticalAngle = file.ReadInt();
  horizontalAngle = file.ReadInt();
  lens = file.ReadInt();
  // The tail grew over versions: read each field only when the tail holds
  // all of its bytes, then skip what a later version added.
  const std::int32_t tail = file.ReadInt();
  if (tail <= 0) return;
  file.RequireBytes(tail, "the camera values' tail");
  std::int32_t consumed = 0;
  if (tail >= 4) {
    reserved = file.ReadInt();
    consumed = 4;
  }
  if (tail >= 8) {
    distance = file.ReadInt();
    consumed = 8;
    level = 100;
  }
  if (tail >= k3DTailSize) {
    targetX = file.ReadFiniteDouble();
    targetY = file.ReadFiniteDouble();
    targetZ = file.ReadFiniteDouble();
    consumed = k3DTailSize;
    level = 110;
  }
  file.SkipBytes(tail - consumed);
}

// ---- PropLTVal -------------------------------------------------------------

void PropLTVal::CopyMaskedTo(PropVal& target, bool masked) const {
  PropLTVal* copy = MaskedTarget(*this, target, masked, 972);
  if (copy == nullptr) return;
  PropLTVal& to = *copy;
  if (mask & kDirection) {
    to.lightVertical = lightVertical;
    to.lightHorizontal = lightHorizontal;
  }
  if (mask & kBrightness) to.brightness = brightness;
  if (mask & kContrast) to.contrast = contrast;
  if (mask & kShading) to.shading = shading;
  to.mask = mask;
}

bool PropLTVal::EqualMasked(const PropVal& other) const {
  const PropLTVal& o = SameClass<const PropLTVal>(other, 1008);
  const int m = o.mask;
  return (!(m & kDirection) || (lightVertical == o.lightVertical && lightHorizontal == o.lightHorizontal)) &&
         (!(m & kBrightness) || brightness == o.brightness) && (!(m & kContrast) || contrast == o.contrast) &&
         (!(m & kShading) || shading == o.shading);
}

void PropLTVal::TakeFromObject(const SObj& object) { object.TakePropLT(*this); }

void PropLTVal::ApplyToObject(SObj& object, bool masked) const { object.ApplyPropLT(*this, masked); }

void PropLTVal::Write(PnFile& file) const {
  for (const int v : {lightVertical, lightHorizontal, brightness, contrast, shading}) file.WriteInt(v);
  file.WriteEmptyBlock();
}

void PropLTVal::Read(PnFile& file) {
  lightVertical = file.ReadInt();
  lightHorizontal = file.ReadInt();
  brightness = file.ReadInt();
  contrast = file.ReadInt();
  shading = file.ReadInt();
  file.SkipBlock();
}

void PropLTVal::ApplyStylePreset(int preset, platform::COLORREF /*colour*/) {
  PropLTVal defaults;
  defaults.mask = kBrightness | kContrast | kShading;  // the light direction stays
  defaults.CopyMaskedTo(*this, true);
  switch (preset) {
    case 2: case 6: case 7: case 9: case 17:
      contrast = 50, shading = 1;
      break;
    case 3: case 4: case 14: case 15:
      shading = 4;
      break;
    case 11:
      brightness = 10, contrast = 100, shading = 2;
      break;
    case 16:
      contrast = 12, shading = 2;
      break;
    case 0: case 1: case 8: case 10: case 12: case 13: case 18:
      break;
    default:  // preset 5 and numbers outside 0 to 18 change nothing
      ClearMask();
      break;
  }
}

bool PropLTVal::IsStylePreset(int preset, platform::COLORREF colour) const {
  PropLTVal fresh;
  fresh.ApplyStylePreset(preset, colour);
  return EqualMasked(fresh);
}

// ---- PropSCVal -------------------------------------------------------------

void PropSCVal::CopyMaskedTo(PropVal& target, bool masked) const {
  PropSCVal* copy = MaskedTarget(*this, target, masked, 1159);
  if (copy == nullptr) return;
  PropSCVal& to = *copy;
  if (mask & kCentre) {
    to.x = x;
    to.y = y;
  }
  if (mask & kSize) {
    to.width = width;
    to.height = height;
  }
  if (mask & kAngle) to.angle = angle;
  if (mask & kMargin) to.margin = margin;
  to.mask = mask;
}

void PropSCVal::TakeFromObject(const SObj& object) { object.TakePropSC(*this); }

void PropSCVal::ApplyToObject(SObj& object, bool masked) const { object.ApplyPropSC(*this, masked); }

void PropSCVal::Write(PnFile& file) const {
  for (const double v : {x, y, width, height, angle, margin}) file.WriteDouble(v);
  file.WriteEmptyBlock();
}

void PropSCVal::Read(PnFile& file) {
  x = file.ReadFiniteDouble();
  y = file.ReadFiniteDouble();
  width = file.ReadFiniteDouble();
  height = file.ReadFiniteDouble();
  angle = file.ReadFiniteDouble();
  margin = file.ReadFiniteDouble();
  file.SkipBlock();
}

}  // namespace page
