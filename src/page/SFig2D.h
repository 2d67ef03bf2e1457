#pragma once
// The base of the vector shapes (rectangle, oval, line, polygon), which
// draw an outline with the platform's drawing calls, and of the text shape.
#include <functional>
#include <vector>

#include "page/SFig.h"
#include "platform/Dc.h"
#include "platform/WinTypes.h"

namespace page {

// A shape's outline in integer image pixels. Closed outlines hold `count`
// points, then the first again and a point along the first edge, so that a
// stroke joins the first corner like the others.
struct SOutline {
  std::vector<platform::POINT> points;
  int count = 0;
};

// The common base of the vector shapes and the text shape.
class SFigPreAlias : public SFig {};

class SFig2D : public SFigPreAlias {
 public:
  int GetTypeId() const override { return kFig2D; }
  std::unique_ptr<SFig> Clone() const override { return std::make_unique<SFig2D>(*this); }
  // A marker (int32 -1) and an empty block.
  void Write(PnFile& file, int objectId) const override;
  void Read(PnFile& file, int objectId) override;
  int GetDrawKind() const override { return kDrawKindVector; }
  bool IsVectorShape() const override { return true; }
  bool DrawsParts() const override { return true; }
  // The base margin plus the stroke width.
  double GetDrawMargin(const Prop2DVal& V) const override;
  // Draws on a key colour that is then made transparent, so the shape's
  // pixels keep exact colours: the target must be as large as the extent of
  // the turned box at the drawing scale.
  bool DrawVector(platform::Image& target, const SDrawSize& size, const Prop2DVal& V, bool vectorOnly) override;

  // Builds the outline around `centre` and fills and strokes it.
  virtual bool DrawShape(platform::Image& target, const SDrawSize& size, const Prop2DVal& V, bool vectorOnly,
                         SPoint centre);

  // The outline around `centre` for a box of `size` turned by `angle`
  // (radians), each point turned about the centre and truncated towards
  // zero. `strokeWidth` places the join point. The base has no outline.
  virtual SOutline BuildOutline(SPoint centre, SPoint size, double angle, double strokeWidth,
                                int shapeFlags) const;
  // Fills the outline (unless the fill is off or only the outline pass
  // runs) and strokes it (unless the line is off): an open path with the
  // arrowheads, a closed one through its join points without.
  virtual void FillAndStroke(platform::Dc& dc, const SOutline& outline, int width, int scaledWidth,
                             platform::COLORREF lineColor, platform::COLORREF fillColor, const Prop2DVal& V,
                             bool vectorOnly) const;
};

// The colour a vector shape is drawn on before that colour is made
// transparent: the first of black, 0x010101 and 0x020202 that is neither the
// line nor the fill colour, so neither ever vanishes.
platform::COLORREF ChooseKeyColor(platform::COLORREF lineColor, platform::COLORREF fillColor);

// The vector drawing of a shape: fills the target with a key colour that is
// neither the line nor the fill colour, lets `draw` draw on it, then makes
// the key colour transparent and the picture premultiplied. Edges are
// aliased, so only the key colour's own pixels vanish.
void DrawOnKeyColor(platform::Image& target, const Prop2DVal& V, const std::function<void()>& draw);

// Closes an outline: appends the first point again and the point `joinLength`
// from the first point towards the second (the second itself when the first
// edge is shorter), as doubles before truncation.
void AppendJoinPoints(SOutline& outline, SPoint first, SPoint second, double joinLength);

}  // namespace page
