// Overlay lines drawn over the finished frame on a device context: the
// scene's guides (origins, boxes, bone shapes), the trackers' rubber bands
// and guides, each line with a pen chosen by its kind.
#include <algorithm>
#include <utility>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/image/OsUtilDraw.h"
#include "engine/scene/MDocObj.h"
#include "platform/Dc.h"
#include "view/QView.h"

namespace view {

using engine::LineSegRecord;
using engine::PointRecord;

namespace {

// How a kind of overlay line is drawn: pen width and colour kind (or a
// fixed colour), XOR drawing, ends pushed apart or moved.
struct OverlayPen {
  int width;
  int colourKind;           // 0: `colour` below
  platform::COLORREF colour;
  bool xorDrawing;
  int spread;               // ends moved by (-spread, -spread) and (+spread, +spread)
  int shift;                // both ends moved by (-shift, -shift)
  bool dotted;
  bool spreadUp = false;    // ends moved by (-spread, +spread) and (+spread, -spread) instead
};

// Kinds not listed here draw with the pen already selected.
bool PenOfKind(int kind, OverlayPen& pen) {
  const OverlayPen none{1, 2, 0, false, 0, 0, false};
  pen = none;
  switch (kind) {
    case 0: case 3: pen.width = 2; return true;
    case 1: case 5: return true;
    case 2: pen.width = 4; return true;
    case 4: pen.colourKind = 3; return true;
    case 7: pen.width = 5; return true;
    case 8: pen.width = 3; pen.spread = 3; return true;
    case 9: pen.width = 3; pen.spread = 3; pen.spreadUp = true; return true;
    case 10: {
      // Unless the preference says otherwise, rubber bands are drawn in XOR.
      const engine::CrPrefs* prefs = engine::EngContext().prefs;
      if (prefs != nullptr && prefs->xorOverlayLines == 0) return false;
      pen.colourKind = 0;
      pen.colour = platform::MakeRgb(255, 255, 255);
      pen.xorDrawing = true;
      return true;
    }
    case 11: pen = {2, 0, 0x646464, true, 0, 0, false}; return true;
    case 12: pen.colourKind = 7; pen.dotted = true; return true;
    case 15: pen = {5, 0, 0xFFFF00, true, 0, 2, false}; return true;
    case 16: case 22: pen = {3, 0, 0xFFFF00, true, 0, 1, false}; return true;
    case 17: pen.width = 3; pen.colourKind = 6; return true;
    case 18: pen.width = 5; pen.colourKind = 6; return true;
    case 19: pen.width = 10; pen.colourKind = 6; return true;
    case 20: pen.colourKind = 6; return true;
    case 21: pen.width = 6; return true;
    case 23: pen = {1, 0, 0xFFFF00, true, 0, 1, false}; return true;
    case 24: case 25: case 26: pen.width = 2; pen.colourKind = 8 + (kind - 24); return true;
    case 27: case 28: case 29: pen.width = 2; return true;  // the letters X, Y and Z
    case 34: case 35: case 36: case 37: case 38: case 39: case 40: case 41: case 43: {
      // The rotation rings of a selected bone, a colour per ring and side.
      static const int kRingColours[10] = {8, 14, 17, 9, 15, 18, 13, 16, 0, 19};
      pen.colourKind = kRingColours[kind - 34];
      return true;
    }
    default: return false;
  }
}

// The letter X, Y or Z (kinds 27, 28, 29) beside an axis, drawn at p with
// the selected pen.
void DrawAxisLetter(platform::Dc& dc, int kind, const PointRecord& p) {
  const double x = p.x, y = p.y;
  const auto line = [&](double x0, double y0, double x1, double y1) {
    engine::OsUtilDrawLine(dc, {x0, y0, 0}, {x1, y1, 0});
  };
  if (kind == 27) {
    line(x - 3, y - 6, x + 3, y + 6);
    line(x - 3, y + 6, x + 3, y - 6);
  } else if (kind == 28) {
    line(x - 3, y - 6, x, y);
    line(x + 3, y - 6, x, y);
    line(x, y + 5, x, y);
  } else {
    line(x - 3, y - 6, x + 3, y - 6);
    line(x - 3, y + 6, x + 3, y - 6);
    line(x - 3, y + 6, x + 3, y + 6);
  }
}

}  // namespace

bool QView::OverlayEndsOnScreen(const LineSegRecord& r, PointRecord& a, PointRecord& b, bool depthTest) {
  if (r.kind == 10 || r.kind == 11) {
    a = r.from;
    b = r.to;
  } else {
    ProjectPoint(r.from, a);
    ProjectPoint(r.to, b);
    if (depthTest && (a.z <= 0.0 || b.z <= 0.0)) return false;
  }
  if (samplingFactor_ != 0) {
    a.x /= samplingFactor_, a.y /= samplingFactor_;
    b.x /= samplingFactor_, b.y /= samplingFactor_;
  }
  if (gdiOffset_ != 0) a.y += 30, b.y += 30;
  return true;
}

void QView::DrawOverlaySegmentsGdi(int limit, platform::Dc& dc) {
  const int n = limit < 0 ? overlayLines_.count : std::min(limit, overlayLines_.count);
  dc.SetROP2(platform::RasterOp::kCopyPen);
  bool xorOn = false;
  for (int i = 0; i < n; ++i) {
    const LineSegRecord& r = overlayLines_[i];
    PointRecord a, b;
    if (!OverlayEndsOnScreen(r, a, b, true)) continue;
    if (r.kind == 13 || r.kind == 44) {
      const int g = r.kind == 13 ? 3 : 6;
      engine::OsUtilFrameRect(dc, {a.x - g, a.y - g, 0}, {b.x + g, b.y + g, 0}, engine::OsUtilColorOfKind(6));
      continue;
    }
    if (r.kind >= 30 && r.kind <= 33) {
      static const int kShapes[4] = {0, 0, 1, 2};
      engine::OsUtilDrawPointMarker(dc, a, engine::OsUtilColorOfKind(2), kShapes[r.kind - 30]);
      continue;
    }
    if (r.kind == 42) {
      engine::OsUtilDrawPointMarker(dc, a, engine::OsUtilColorOfKind(6), 3);
      continue;
    }
    OverlayPen pen;
    platform::Pen previous;
    const bool ownPen = PenOfKind(r.kind, pen);
    if (ownPen) {
      if (pen.xorDrawing && !xorOn) {
        dc.SetROP2(platform::RasterOp::kXorPen);
        xorOn = true;
      }
      platform::Pen p;
      p.color = pen.colourKind != 0 ? engine::OsUtilColorOfKind(pen.colourKind) : pen.colour;
      p.width = pen.width;
      p.style = pen.dotted ? platform::PenStyle::kDot : platform::PenStyle::kSolid;
      previous = dc.SelectPen(p);
      const int dy = pen.spreadUp ? -pen.spread : pen.spread;
      a.x -= pen.spread + pen.shift, a.y -= dy + pen.shift;
      b.x += pen.spread - pen.shift, b.y += dy - pen.shift;
    }
    if (r.kind >= 27 && r.kind <= 29)
      DrawAxisLetter(dc, r.kind, a);
    else
      engine::OsUtilDrawLine(dc, a, b);
    if (ownPen) dc.SelectPen(previous);
  }
}

void QView::ThinOverlayLines(int count, int step, int limit, int& fullEnd, int& stride) {
  step = std::max(1, step);
  fullEnd = std::min(count, 1000 / step);
  stride = std::max(1, (count - fullEnd) / (limit / step + 1));
}

void QView::DrawOverlayLinesGdi(platform::Dc& dc) {
  DrawOverlaySegmentsGdi(3, dc);
  platform::Pen pen;
  pen.color = engine::OsUtilColorOfKind(2);
  pen.width = 1;
  const platform::Pen previous = dc.SelectPen(pen);
  const engine::CrPrefs* prefs = engine::EngContext().prefs;
  const int step = prefs == nullptr || prefs->overlayThinning == 1 ? overlayStep_ : 1;
  int fullEnd = 0, stride = 1;
  ThinOverlayLines(overlayLines_.count, step, engine::EngContext().overlayThinLimit, fullEnd, stride);
  // The first thousand (by the step) in full, then every stride-th line, so
  // a very long list draws in bounded time. None of the first three is
  // drawn twice: an XOR line would vanish.
  const int count = overlayLines_.count;
  PointRecord a, b;
  for (int i = 3; i < fullEnd; ++i)
    if (OverlayEndsOnScreen(overlayLines_[i], a, b, false)) engine::OsUtilDrawLine(dc, a, b);
  for (int i = std::max(fullEnd, 3); i < count; i += stride)
    if (OverlayEndsOnScreen(overlayLines_[i], a, b, true)) engine::OsUtilDrawLine(dc, a, b);
  dc.SelectPen(previous);
}

void QView::DrawOverlays(engine::MDocObj* scene, platform::Dc& dc) {
  if (scene == nullptr || scene->IsSingleMeshMode()) return;
  if (overlayMode_ == 0 || overlayMode_ == 3) {
    // One line left by a tracker stays in front of the scene's own.
    if (overlayLines_.count > 1) overlayLines_.RemoveAll();
    engine::MatrixRecord identity;
    engine::MUtilIdentity(identity);
    scene->CollectOverlaySegments(overlayLines_, identity, this);
    if (engine::EngContext().failState != engine::kEngFailNone) return;
    DrawOverlaySegmentsGdi(-1, dc);
  } else if (overlayMode_ == 5) {
    DrawOverlaySegmentsGdi(-1, dc);
  } else {
    DrawOverlayLinesGdi(dc);
  }
  dc.SetROP2(platform::RasterOp::kCopyPen);
  if (overlaySwapped_ == 0) overlayLines_.RemoveAll();
}

int QView::AddOverlayLine(const PointRecord& from, const PointRecord& to, int kind) {
  if (!overlayLines_.Add(engine::LineSegRecord{from, to, kind, 0})) {
    engine::EngRecordFailure(engine::kEngReasonOutOfMemory);
    return 2;
  }
  return 0;
}

void QView::SwapOverlayLists() { std::swap(overlayLines_, previousOverlayLines_); }

void QView::SwapOverlayListsWith(QView& other) {
  std::swap(overlayLines_, other.overlayLines_);
  overlaySwapped_ = overlaySwapped_ != 0 ? 0 : 1;
}

void QView::DrawLightGuides(platform::Dc& dc) {
  const platform::RECT& r = viewRect_;
  const double m = std::min(r.right - r.left, r.bottom - r.top);
  const double e = 0.45 * m;
  const double f = 10.0 * (samplingFactor_ != 0 ? samplingFactor_ : 1);
  // A square pyramid pointing along the light, around the view's middle.
  const PointRecord apex{0, 0, e + f};
  const PointRecord base[4] = {{f, f, e - 2 * f}, {-f, f, e - 2 * f}, {-f, -f, e - 2 * f}, {f, -f, e - 2 * f}};
  const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
  const auto onScreen = [&](const engine::MatrixRecord& turn, const PointRecord& p) {
    PointRecord q;
    engine::MUtilTransformVector(turn, p, q);
    q = {q.x + cx, q.y + cy, 0.0};
    if (samplingFactor_ != 0) q = {q.x / samplingFactor_, q.y / samplingFactor_, 0.0};
    if (gdiOffset_ != 0) q.y += 30;
    return q;
  };
  const double angles[2][2] = {{lights_.firstAngles[0], lights_.secondAngles[0]},
                               {lights_.firstAngles[1], lights_.secondAngles[1]}};
  for (int light = 0; light < 2; ++light) {
    engine::MatrixRecord turn;
    LightTurn(angles[light][0], angles[light][1], 0.0, turn);
    platform::Pen pen;
    pen.color = engine::OsUtilColorOfKind(light == 0 ? 4 : 5);
    pen.width = 1;
    const platform::Pen previous = dc.SelectPen(pen);
    const PointRecord top = onScreen(turn, apex);
    for (int k = 0; k < 4; ++k) {
      const PointRecord c = onScreen(turn, base[k]);
      engine::OsUtilDrawLine(dc, top, c);
      engine::OsUtilDrawLine(dc, c, onScreen(turn, base[(k + 1) % 4]));
    }
    dc.SelectPen(previous);
  }
}

}  // namespace view
