#include "imaging/DashedLine.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "imaging/DrawPrimitives.h"
#include "imaging/SPoint.h"

namespace imaging {
namespace {

using platform::COLORREF;
using platform::Dc;
using platform::POINT;

SPoint ToSPoint(const POINT& p) { return SPoint{static_cast<double>(p.x), static_cast<double>(p.y)}; }


struct ArrowWalk {
  int tip;   // index of the end point
  int step;  // +1 from the first point toward the last, −1 back
  int stop;  // index of the other end
};

// One arrowhead at walk.tip; answers the new index of the stroke's end
// there (the tip's own index when nothing was drawn).
int DrawOneArrow(Dc& dc, POINT* points, const ArrowWalk& walk, int width, COLORREF color) {
  const double length = 4.0 * width, halfWidth = 1.5 * width;
  const int beside = walk.tip + walk.step;
  if (points[walk.tip] == points[beside]) return walk.tip;
  // Walk from the tip until the summed length reaches the arrowhead's.
  double sum = 0;
  int q = walk.tip;
  for (; q != walk.stop; q += walk.step) {
    const double segment = ToSPoint(points[q + walk.step]).Distance(ToSPoint(points[q]));
    if (sum + segment >= length) break;
    sum += segment;
  }
  if (q == walk.stop) return walk.tip;
  const SPoint tip = ToSPoint(points[walk.tip]);
  const SPoint p = ToSPoint(points[q + walk.step]);
  SPoint u = tip - p;
  u.Normalize();
  SPoint v = u;
  v.Rotate(3.14159265358979 / 2);
  const SPoint base = tip - u * length;
  const POINT triangle[3] = {points[walk.tip], TruncatePoint(base + v * halfWidth), TruncatePoint(base - v * halfWidth)};
  PnUtilFillPolygon(dc, triangle, 3, color);
  // The stroke ends inside the arrowhead.
  SPoint along = p - ToSPoint(points[q]);
  along.Normalize();
  points[q] = TruncatePoint(ToSPoint(points[q]) + along * (0.8 * (length - sum)));
  return q;
}

}  // namespace

int PnUtilDashPattern(int lengths[kMaxDashLengths], bool roundEnds, int width, int dashKind) {
  // Widths come from stored pages: keep 4w (a doubled gap) inside the int range.
  width = std::clamp(width, 0, INT_MAX / 4);
  const int dash = roundEnds ? 2 * width : 3 * width;
  const int dot = roundEnds ? 1 : width;
  int gap = roundEnds ? 2 * width : width;
  if (dashKind >= 6) gap *= 2;
  if (dashKind <= 0) return 0;
  if (dashKind == 2 || dashKind == 7) {
    lengths[0] = dot;
    lengths[1] = gap;
    return 2;
  }
  // Dash kinds 1 and 6: dash, gap; then one more dot and gap per kind up to
  // three dots (kinds 5 and 10 upward).
  int dots = 0;
  if (dashKind == 3 || dashKind == 8) dots = 1;
  if (dashKind == 4 || dashKind == 9) dots = 2;
  if (dashKind == 5 || dashKind >= 10) dots = 3;
  int count = 0;
  lengths[count++] = dash;
  lengths[count++] = gap;
  for (int i = 0; i < dots; ++i) {
    lengths[count++] = dot;
    lengths[count++] = gap;
  }
  return count;
}

int DashKindOfLineKind(int lineKind) {
  switch (lineKind) {
    case 9: return 2;
    case 10: return 1;
    case 11: return 3;
    case 12: return 4;
    default: return 0;
  }
}

void DashedLine::Init(Dc& dc, const int* lengths, int count) {
  dc_ = &dc;
  SetPattern(lengths, count);
}

void DashedLine::SetPattern(const int* lengths, int count) {
  count_ = lengths == nullptr || count < 0 ? 0 : count;
  lengths_.assign(lengths, lengths + count_);
  index_ = 0;
  remaining_ = count_ != 0 ? lengths_[0] : 0;
}

void DashedLine::MoveTo(int x, int y) {
  index_ = 0;
  remaining_ = count_ != 0 ? lengths_[0] : 0;
  x_ = x;
  y_ = y;
  dc_->MoveTo(x, y);
}

void DashedLine::LineTo(int x, int y) {
  if (count_ == 0) {
    dc_->LineTo(x, y);
    x_ = x;
    y_ = y;
    return;
  }
  StepTo(x, y);
}

void DashedLine::Release() {
  lengths_.clear();
  lengths_.shrink_to_fit();
  count_ = 0;
}

void DashedLine::EndElement() {
  index_ = (index_ + 1) % count_;
  remaining_ = lengths_[static_cast<std::size_t>(index_)];
  if (index_ % 2 == 1)
    dc_->LineTo(x_, y_);  // a drawn element just ended
  else
    dc_->MoveTo(x_, y_);
}

void DashedLine::StepTo(int x, int y) {
  const int dx = x - x_, dy = y - y_;
  const bool alongX = std::abs(dx) >= std::abs(dy);
  int& major = alongX ? x_ : y_;
  int& minor = alongX ? y_ : x_;
  const int majorDelta = alongX ? dx : dy, minorDelta = alongX ? dy : dx;
  const int steps = std::abs(majorDelta), minorSteps = std::abs(minorDelta);
  const int majorStep = majorDelta >= 0 ? 1 : -1, minorStep = minorDelta >= 0 ? 1 : -1;
  int error = steps;
  for (int i = 0; i < steps; ++i) {
    error -= minorSteps;
    if (error <= 0) {
      minor += minorStep;
      error += steps;
    }
    major += majorStep;
    if (--remaining_ == 0) {
      EndElement();
      if (i == steps - 1) return;
    }
  }
  if (index_ % 2 == 0) dc_->LineTo(x, y);
}

void PnUtilStrokeDashedPath(Dc& dc, const POINT* points, int count, int width, COLORREF color, int lineKind,
                            bool roundEnds) {
  if (points == nullptr || count < 1) return;
  int lengths[kMaxDashLengths];
  const int n = PnUtilDashPattern(lengths, roundEnds, width, DashKindOfLineKind(lineKind));
  dc.BeginPath();
  DashedLine line;
  line.Init(dc, lengths, n);
  line.MoveTo(points[0].x, points[0].y);
  for (int i = 1; i < count; ++i) line.LineTo(points[i].x, points[i].y);
  dc.EndPath();
  platform::Pen pen{color, width, platform::PenStyle::kSolid};
  pen.geometric = true;
  pen.cap = roundEnds ? platform::PenCap::kRound : platform::PenCap::kFlat;
  pen.join = roundEnds ? platform::PenJoin::kRound : platform::PenJoin::kMiter;
  const platform::Pen previous = dc.SelectPen(pen);
  dc.StrokePath();
  dc.SelectPen(previous);
  line.Release();
}

void PnUtilDrawArrowHeads(Dc& dc, POINT* points, int& first, int& last, int width, COLORREF color,
                          int arrowKind) {
  if (points == nullptr || last <= first) return;
  if (arrowKind == 2 || arrowKind == 4) last = DrawOneArrow(dc, points, ArrowWalk{last, -1, first}, width, color);
  if (last <= first) return;
  if (arrowKind == 3 || arrowKind == 4) first = DrawOneArrow(dc, points, ArrowWalk{first, +1, last}, width, color);
}

void PnUtilStrokePolylineArrows(Dc& dc, POINT* points, int count, int width, COLORREF color, int lineKind,
                                bool roundEnds, int arrowKind) {
  if (points == nullptr || count < 2) return;
  int first = 0, last = count - 1;
  if (arrowKind != 1) PnUtilDrawArrowHeads(dc, points, first, last, width, color, arrowKind);
  PnUtilStrokeDashedPath(dc, points + first, last - first + 1, width, color, lineKind, roundEnds);
}

void PnUtilStrokeSegmentArrows(Dc& dc, POINT start, POINT end, int width, COLORREF color, int lineKind,
                               bool roundEnds, int arrowKind) {
  if (start == end) return;
  POINT points[2] = {start, end};
  PnUtilStrokePolylineArrows(dc, points, 2, width, color, lineKind, roundEnds, arrowKind);
}

}  // namespace imaging
