#pragma once
// Wide lines of the page's 2D shapes: a dash pattern made from the line
// width, a stepper that cuts a polyline into dashes pixel by pixel (the
// pattern runs on around corners), and arrowheads that the line ends
// inside.
#include <vector>

#include "platform/Dc.h"
#include "platform/WinTypes.h"

namespace imaging {

// Room for the longest pattern.
inline constexpr int kMaxDashLengths = 8;

// Fills `lengths` with the pattern of a dash kind for a line of width w
// and answers its count: 0 for a solid line, else alternately drawn (even
// positions) and skipped (odd positions) lengths in pixels. Kinds 1/6
// dashes, 2/7 dots, 3/8 dash-dot, 4/9 dash-dot-dot, 5 and 10 upward
// dash-dot-dot-dot; kinds from 6 up have double gaps. With round ends a
// dash is 2w, a gap 2w and a dot 1 pixel; with flat ends 3w, w and w. The
// width is held to 0 .. INT_MAX / 4, so that no length overflows.
int PnUtilDashPattern(int lengths[kMaxDashLengths], bool roundEnds, int width, int dashKind);

// The dash kind of a page line kind: 9 dots, 10 dashes, 11 dash-dot,
// 12 dash-dot-dot; every other line kind is solid (0).
int DashKindOfLineKind(int lineKind);

// Draws a polyline through the context's MoveTo/LineTo in dashes, stepping
// along each segment pixel by pixel; the pattern's place carries over from
// one segment to the next.
class DashedLine {
 public:
  DashedLine() = default;
  // Works on `dc`, which must outlive the use, with a copy of the pattern.
  void Init(platform::Dc& dc, const int* lengths, int count);
  // Copies the pattern and starts it (count 0 draws solid lines).
  void SetPattern(const int* lengths, int count);
  // Restarts the pattern at the point and moves the context there.
  void MoveTo(int x, int y);
  // A plain line for a solid pattern, else the dashes up to the point.
  void LineTo(int x, int y);
  // Frees the pattern copy.
  void Release();

 private:
  void StepTo(int x, int y);
  // Moves to the next element; a drawn element that ends draws its line.
  void EndElement();

  platform::Dc* dc_ = nullptr;
  int index_ = 0;
  int count_ = 0;
  int remaining_ = 0;
  std::vector<int> lengths_;
  int x_ = 0;
  int y_ = 0;
};

// Strokes the polyline as one path with a geometric pen of the width and
// colour, dashed by the line kind: round ends and joins with the round-ends
// flag, flat ends and mitred joins without.
void PnUtilStrokeDashedPath(platform::Dc& dc, const platform::POINT* points, int count, int width,
                            platform::COLORREF color, int lineKind, bool roundEnds);

// Arrow kinds: 1 none, 2 at the last point, 3 at the first, 4 at both.
// Fills a triangle (length 4w, half width 1.5w) at each requested end of
// points[first..last] and moves the end point of the stroke back inside it:
// the moved point is written into `points` and `first`/`last` become its
// index. An end whose last two points coincide, or a line shorter than the
// arrowhead, gets none.
void PnUtilDrawArrowHeads(platform::Dc& dc, platform::POINT* points, int& first, int& last, int width,
                          platform::COLORREF color, int arrowKind);

// An open polyline of at least 2 points with arrowheads by the arrow kind;
// the points are changed in place where the stroke is shortened.
void PnUtilStrokePolylineArrows(platform::Dc& dc, platform::POINT* points, int count, int width,
                                platform::COLORREF color, int lineKind, bool roundEnds, int arrowKind);
// The same for one segment (the caller's points are not changed); nothing
// when the two points coincide.
void PnUtilStrokeSegmentArrows(platform::Dc& dc, platform::POINT start, platform::POINT end, int width,
                               platform::COLORREF color, int lineKind, bool roundEnds, int arrowKind);

}  // namespace imaging
