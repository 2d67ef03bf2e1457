#include <algorithm>

#include "page/PnFile.h"
#include "page/PropVal_Internal.h"
#include "page/SObj.h"

namespace page {
namespace {

constexpr int kPresetResetMask = 0x1FF;  // every field but arrow and pathFlags
constexpr int kLastPreset = 18;

void CopyEffects(const Prop2DVal& from, Prop2DVal& to) {
  to.effectColorMode = from.effectColorMode;
  to.effectColor = from.effectColor;
  to.effectX = from.effectX;
  to.effectY = from.effectY;
  to.effectBlur = from.effectBlur;
  to.edgeBlur = from.edgeBlur;
  to.wholeBlur = from.wholeBlur;
  to.grayscale = from.grayscale;
  to.brightness = from.brightness;
  to.effectReserved = from.effectReserved;
  to.effectSwitch = from.effectSwitch;
}

bool EffectsEqual(const Prop2DVal& a, const Prop2DVal& b) {
  return a.effectColorMode == b.effectColorMode && a.effectColor == b.effectColor && a.effectX == b.effectX &&
         a.effectY == b.effectY && a.effectBlur == b.effectBlur && a.edgeBlur == b.edgeBlur &&
         a.wholeBlur == b.wholeBlur && a.grayscale == b.grayscale && a.brightness == b.brightness &&
         a.effectReserved == b.effectReserved && a.effectSwitch == b.effectSwitch;
}

// A shadow or an outline in one colour: the presets that set the effect.
void SetEffect(Prop2DVal& v, platform::COLORREF colour, int offset, int blur) {
  v.effectColorMode = 0;
  v.effectColor = colour;
  v.effectX = v.effectY = offset;
  v.effectBlur = blur;
  v.edgeBlur = 0;
}

}  // namespace

int Prop2DVal::SupersamplingFactor() const { return std::clamp(edgeQuality, 1, 4); }

void Prop2DVal::CopyMaskedTo(PropVal& target, bool masked) const {
  Prop2DVal* copy = MaskedTarget(*this, target, masked, 539);
  if (copy == nullptr) return;
  Prop2DVal& to = *copy;
  if (mask & kLineColorMode) to.lineColorMode = lineColorMode;
  if (mask & kLineWidth) to.lineWidth = lineWidth;
  if (mask & kLineStyle) to.lineStyle = lineStyle;
  if (mask & kLineColor) to.lineColor = lineColor;
  if (mask & kFillColorMode) to.fillColorMode = fillColorMode;
  if (mask & kFillColor) to.fillColor = fillColor;
  if (mask & kOpacity) to.opacity = opacity;
  if (mask & kEffects) CopyEffects(*this, to);
  if (mask & kEdgeQuality) to.edgeQuality = edgeQuality;
  if (mask & kArrow) to.arrow = arrow;
  if (mask & kPathFlags) to.pathFlags = pathFlags;
  to.mask = mask;
}

bool Prop2DVal::EqualMasked(const PropVal& other) const {
  const Prop2DVal& o = SameClass<const Prop2DVal>(other, 591);
  const int m = o.mask;
  return (!(m & kLineColorMode) || lineColorMode == o.lineColorMode) &&
         (!(m & kLineWidth) || lineWidth == o.lineWidth) && (!(m & kLineStyle) || lineStyle == o.lineStyle) &&
         (!(m & kLineColor) || lineColor == o.lineColor) &&
         (!(m & kFillColorMode) || fillColorMode == o.fillColorMode) &&
         (!(m & kFillColor) || fillColor == o.fillColor) && (!(m & kOpacity) || opacity == o.opacity) &&
         (!(m & kEffects) || EffectsEqual(*this, o)) && (!(m & kArrow) || arrow == o.arrow) &&
         (!(m & kPathFlags) || pathFlags == o.pathFlags) && (!(m & kEdgeQuality) || edgeQuality == o.edgeQuality);
}

void Prop2DVal::TakeFromObject(const SObj& object) { object.TakeProp2D(*this); }

void Prop2DVal::ApplyToObject(SObj& object, bool masked) const { object.ApplyProp2D(*this, masked); }

void Prop2DVal::Write(PnFile& file) const {
  for (const int v : {lineColorMode, lineWidth, lineStyle, static_cast<int>(lineColor), arrow, pathFlags,
                      fillColorMode, static_cast<int>(fillColor), opacity, effectColorMode,
                      static_cast<int>(effectColor), effectX, effectY, effectBlur, edgeBlur, wholeBlur})
    file.WriteInt(v);
  file.WriteBool(grayscale);
  file.WriteInt(brightness);
  file.WriteInt(effectReserved);
  file.WriteInt(edgeQuality);
  for (int i = 0; i < 3; ++i) file.WriteBool(false);
  file.WriteInt(1);  // the tail: one byte
  file.WriteBool(effectSwitch);
}

void Prop2DVal::Read(PnFile& file) {
  lineColorMode = file.ReadInt();
  lineWidth = file.ReadInt();
  lineStyle = file.ReadInt();
  lineColor = static_cast<platform::COLORREF>(file.ReadInt());
  arrow = file.ReadInt();
  pathFlags = file.ReadInt();
  fillColorMode = file.ReadInt();
  fillColor = static_cast<platform::COLORREF>(file.ReadInt());
  opacity = file.ReadInt();
  effectColorMode = file.ReadInt();
  effectColor = static_cast<platform::COLORREF>(file.ReadInt());
  effectX = file.ReadInt();
  effectY = file.ReadInt();
  effectBlur = file.ReadInt();
  edgeBlur = file.ReadInt();
  wholeBlur = file.ReadInt();
  grayscale = file.ReadBool();
  brightness = file.ReadInt();
  effectReserved = file.ReadInt();
  edgeQuality = file.ReadInt();
  file.SkipBytes(3);
  const std::int32_t tail = file.ReadInt();
  if (tail > 0) {
    file.RequireBytes(tail, "the 2D values' tail");
    effectSwitch = file.ReadBool();
    file.SkipBytes(tail - 1);
  }
}

void Prop2DVal::ApplyStylePreset(int preset, platform::COLORREF colour) {
  Prop2DVal defaults;
  defaults.mask = kPresetResetMask;
  defaults.CopyMaskedTo(*this, true);
  if (preset < 0 || preset > kLastPreset) {
    ClearMask();
    return;
  }
  // Line and fill colour modes of presets 0 to 18.
  static constexpr int kModes[kLastPreset + 1][2] = {
      {2, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 0}, {0, 1}, {0, 0}, {2, 2}, {1, 2}, {1, 2},
      {2, 2}, {0, 0}, {2, 2}, {2, 2}, {1, 2}, {2, 2}, {0, 0}, {0, 0}, {2, 2},
  };
  lineColorMode = kModes[preset][0];
  fillColorMode = kModes[preset][1];
  switch (preset) {
    case 1: SetEffect(*this, 0x000000, 3, -1); break;  // outer contour
    case 4: fillColor = colour; break;                 // silhouette
    case 5: lineWidth = 1, lineStyle = 7; break;       // lattice lines
    case 6: lineWidth = 1, lineStyle = 7, lineColor = 0, fillColor = colour; break;
    case 9: wholeBlur = 5; break;
    case 10: grayscale = true; break;
    case 11: lineColor = 0, fillColor = 0xFFFFFF; break;
    case 12: lineWidth = 5; break;
    case 13:
    case 14: SetEffect(*this, colour, 5, 4); break;  // shadow
    case 16:                                          // gold
      lineColor = 0xCEFF, fillColor = 0xFFFF;
      SetEffect(*this, 0xA0FFFF, 7, 5);
      break;
    case 17: lineColor = 0x525252, fillColor = 0x8C8C8C; break;  // stone
    case 18: lineWidth = 4; break;
    default: break;
  }
}

bool Prop2DVal::IsStylePreset(int preset, platform::COLORREF colour) const {
  Prop2DVal fresh;
  fresh.ApplyStylePreset(preset, colour);
  // Line and fill colours never decide.
  fresh.lineColor = lineColor;
  fresh.fillColor = fillColor;
  return EqualMasked(fresh);
}

}  // namespace page
