#pragma once
// Property values: the look and placement of a page object, carried between
// the objects, the property bars, the undoable commands and the page file.
// Each field is guarded by a bit of the value's mask: a value whose mask has
// only some bits set carries a partial change. A masked copy or apply moves
// only the fields whose bits are set; a full one moves every field.
#include <memory>

#include "platform/WinTypes.h"

namespace page {

class PnFile;
class SObj;

class PropVal {
 public:
  int mask = 0;

  PropVal() = default;
  PropVal(const PropVal&) = default;
  PropVal& operator=(const PropVal&) = default;
  virtual ~PropVal() = default;

  virtual void ClearMask() { mask = 0; }
  virtual void SetAllMask() { mask = -1; }
  // Masked: copies each field whose bit is set in this mask, and the target's
  // mask becomes this mask. Not masked: copies every field, and the target's
  // mask becomes all bits. The target must be of the same class; anything
  // else is a broken invariant and ends the program. The base copies the
  // mask word only.
  virtual void CopyMaskedTo(PropVal& target, bool masked) const;
  virtual std::unique_ptr<PropVal> Clone() const { return nullptr; }
  // Takes the object's own value of this class in full, then clears the
  // mask: the value holds the object's state and carries no change.
  virtual void TakeFromObject(const SObj& /*object*/) {}
  // Copies into the object's own value (masked or full) and lets the
  // object's shape react.
  virtual void ApplyToObject(SObj& /*object*/, bool /*masked*/) const {}
  virtual bool Is2D() const { return false; }
  virtual bool Is3D() const { return false; }
  virtual bool IsLT() const { return false; }
  virtual bool IsSC() const { return false; }
  // The value's record in the page stream; masks are not stored.
  virtual void Write(PnFile& /*file*/) const {}
  virtual void Read(PnFile& /*file*/) {}
  // One of the style presets 0 to 18 of the atmosphere bar.
  virtual void ApplyStylePreset(int /*preset*/, platform::COLORREF /*colour*/) {}
  virtual bool IsStylePreset(int /*preset*/, platform::COLORREF /*colour*/) const { return false; }
  // Compares this value with `other` on the fields that other's mask
  // selects; other must be of the same class.
  virtual bool EqualMasked(const PropVal& /*other*/) const { return false; }
};

// Lines, fill, opacity and effects of an object.
class Prop2DVal : public PropVal {
 public:
  enum Bits : int {
    kLineColorMode = 0x1,
    kLineWidth = 0x2,
    kLineStyle = 0x4,
    kLineColor = 0x8,
    kFillColorMode = 0x10,
    kFillColor = 0x20,
    kOpacity = 0x40,
    kEffects = 0x80,
    kEdgeQuality = 0x100,
    kArrow = 0x200,
    kPathFlags = 0x400,
  };
  // Colour modes of line, fill and effect.
  enum ColorMode : int { kColorGiven = 0, kColorNone = 1, kColorOwn = 2 };
  // Arrow kinds.
  enum Arrow : int { kArrowNone = 1, kArrowEnd = 2, kArrowStart = 3, kArrowBoth = 4 };
  // Bits of pathFlags read by the vector shapes.
  enum PathFlags : int { kPathOpen = 0x1, kPathCurve = 0x2, kPathEditable = 0x4 };

  int lineWidth = 0;  // points; 0 = automatic (drawn 3 wide)
  int lineStyle = 1;  // position in the line-style menu
  int lineColorMode = kColorGiven;
  platform::COLORREF lineColor = 0x000000;
  int arrow = kArrowNone;
  int fillColorMode = kColorGiven;
  platform::COLORREF fillColor = 0xFFFFFF;
  int opacity = 100;  // per cent
  int effectColorMode = 1;  // 0 draws the shadow or outline; anything else none
  platform::COLORREF effectColor = 0xC8C8C8;
  int effectX = 5;     // shadow offset or outline width, -100 to 100
  int effectY = 5;
  int effectBlur = 0;  // 0-200 shadow blur; -1 outline rimming soft pixels; -2 outline leaving them out
  int edgeBlur = 0;    // 0-100
  int wholeBlur = 0;   // 0-100
  bool grayscale = false;
  int brightness = 0;  // -100 to 100
  int effectReserved = 0;
  int edgeQuality = 2;  // supersampling factor of drawing
  int pathFlags = 0;
  bool effectSwitch = false;

  bool LineOff() const { return lineColorMode == kColorNone; }
  bool FillOff() const { return fillColorMode == kColorNone; }
  bool EffectOn() const { return effectColorMode == 0; }
  // The stroke width shapes draw with: the line width, 3 when automatic.
  int StrokeWidth() const { return lineWidth == 0 ? 3 : lineWidth; }
  // The supersampling factor drawing may use: edgeQuality within 1 to 4
  // (a stored value outside would break the image shrinking).
  int SupersamplingFactor() const;

  void CopyMaskedTo(PropVal& target, bool masked) const override;
  std::unique_ptr<PropVal> Clone() const override { return std::make_unique<Prop2DVal>(*this); }
  void TakeFromObject(const SObj& object) override;
  void ApplyToObject(SObj& object, bool masked) const override;
  bool Is2D() const override { return true; }
  void Write(PnFile& file) const override;
  void Read(PnFile& file) override;
  void ApplyStylePreset(int preset, platform::COLORREF colour) override;
  bool IsStylePreset(int preset, platform::COLORREF colour) const override;
  bool EqualMasked(const PropVal& other) const override;
};

// The camera of a 3D figure.
class Prop3DVal : public PropVal {
 public:
  enum Bits : int {
    kVerticalAngle = 0x1,
    kHorizontalAngle = 0x2,
    kLens = 0x4,
    kReserved = 0x8,
    kDistance = 0x10,
    kTarget = 0x20,
  };

  int verticalAngle = 0;    // degrees
  int horizontalAngle = 0;  // degrees
  int lens = 81;            // field of view; below 1 parallel projection
  int reserved = -1;        // the lens kept while projecting in parallel; -1 none
  int distance = 50;        // 0 near to 100 far
  double targetX = 0.0;     // the point the camera looks at
  double targetY = 0.0;
  double targetZ = 0.0;
  int level = 110;  // 110 with a target; 100 when read from a record without it

  void CopyMaskedTo(PropVal& target, bool masked) const override;
  std::unique_ptr<PropVal> Clone() const override { return std::make_unique<Prop3DVal>(*this); }
  void TakeFromObject(const SObj& object) override;
  void ApplyToObject(SObj& object, bool masked) const override;
  bool Is3D() const override { return true; }
  void Write(PnFile& file) const override;
  void Read(PnFile& file) override;
};

// Light and shading of a 3D figure.
class PropLTVal : public PropVal {
 public:
  enum Bits : int { kDirection = 0x1, kBrightness = 0x2, kContrast = 0x4, kShading = 0x8 };

  int lightVertical = 0;  // degrees
  int lightHorizontal = 0;
  int brightness = 35;  // 0-100
  int contrast = 35;    // 0-100
  int shading = 2;      // 1 smooth, 2 three tones, 3 two tones, 4 flat

  void CopyMaskedTo(PropVal& target, bool masked) const override;
  std::unique_ptr<PropVal> Clone() const override { return std::make_unique<PropLTVal>(*this); }
  void TakeFromObject(const SObj& object) override;
  void ApplyToObject(SObj& object, bool masked) const override;
  bool IsLT() const override { return true; }
  void Write(PnFile& file) const override;
  void Read(PnFile& file) override;
  void ApplyStylePreset(int preset, platform::COLORREF colour) override;
  bool IsStylePreset(int preset, platform::COLORREF colour) const override;
  bool EqualMasked(const PropVal& other) const override;
};

// The placement of an object: centre, size, angle and margin in page pixels
// (angle in radians). The margin is the room stroke and effects need around
// the drawn shape; it is included in width and height.
class PropSCVal : public PropVal {
 public:
  enum Bits : int { kCentre = 0x1, kSize = 0x2, kAngle = 0x4, kMargin = 0x8 };

  double x = 0.0;
  double y = 0.0;
  double width = 100.0;
  double height = 100.0;
  double angle = 0.0;
  double margin = 0.0;

  void CopyMaskedTo(PropVal& target, bool masked) const override;
  std::unique_ptr<PropVal> Clone() const override { return std::make_unique<PropSCVal>(*this); }
  void TakeFromObject(const SObj& object) override;
  void ApplyToObject(SObj& object, bool masked) const override;
  bool IsSC() const override { return true; }
  void Write(PnFile& file) const override;
  // Non-finite numbers are refused as damage (kResultDamaged).
  void Read(PnFile& file) override;
};

// The four values of one object, handled together in the order 2D, 3D,
// light, placement.
struct PropGroup {
  Prop2DVal v2D;
  Prop3DVal v3D;
  PropLTVal vLT;
  PropSCVal vSC;

  void TakeFromObject(const SObj& object);
  void ApplyToObject(SObj& object, bool masked) const;
  // The object's four records, then the group's tail (an empty block).
  static void Write(PnFile& file, const SObj& object);
  // Reads the four records into the object's own values and skips the tail.
  static void Read(PnFile& file, SObj& object);
};

// A calculation handed to the first selected object; not undoable.
class CalcVal {
 public:
  virtual ~CalcVal() = default;
  virtual void Run(SObj& object) = 0;
};

// Moves or turns a 3D figure's camera by a pixel offset; the shape puts the
// new camera target into the value and marks it done.
class Calc3DMoveVal : public CalcVal {
 public:
  int dx = 0;
  int dy = 0;
  double targetX = 0.0;
  double targetY = 0.0;
  double targetZ = 0.0;
  bool done = false;

  void Run(SObj& object) override;
};

}  // namespace page
