#include <algorithm>
#include <cmath>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGridObj.h"
#include "engine/core/QImp.h"
#include "engine/render/GlLayer.h"

namespace engine {
namespace {

constexpr int kParallelProjection = 1603;
constexpr int kAxisAlignedPreset = 10;
constexpr PointRecord kMirrorGrey{0.6, 0.6, 0.6};

GlVec3 ToGl(const PointRecord& p) {
  return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

// Draws the lines of a pair of arrays through the layer, mirrored in x when
// asked, every point shifted by the draw offset.
class GridPen {
 public:
  GridPen(MGridObj& grid, int projectionKind, const DrawRecord& record, double scale, const PointRecord& offset)
      : grid_(grid), kind_(projectionKind), record_(record), scale_(scale), offset_(offset) {}

  void Lines(const PointArray& from, const PointArray& to, bool mirrored) {
    for (int k = 0; k < from.count && k < to.count; ++k) Line(from[k], to[k], mirrored);
  }
  void Line(PointRecord a, PointRecord b, bool mirrored) {
    if (mirrored) {
      a.x = -a.x;
      b.x = -b.x;
    }
    grid_.ApplyDrawOffset(kind_, record_, scale_, offset_, a);
    grid_.ApplyDrawOffset(kind_, record_, scale_, offset_, b);
    GlLine(ToGl(a), ToGl(b));
  }

 private:
  MGridObj& grid_;
  int kind_;
  const DrawRecord& record_;
  double scale_;
  PointRecord offset_;
};

}  // namespace

void MGridObj::GetDrawOffset(QView* view, const DrawRecord& record, double& scale, PointRecord& offset) {
  offset = {0.0, 0.0, 0.0};
  switch (view->GetProjectionKind()) {
    case 1600:
      scale = 0.01;
      break;
    case 1601:
      scale = view->GetFieldOfView() * 0.008 / 80.0;
      break;
    case 1602:
      scale = 0.004;
      break;
    case kParallelProjection: {
      const double d = std::clamp(view->GetDistance(), 0.1, 1000.0);
      scale = 0.005 * d;
      PointRecord towardsEye{record.eye.x - record.target.x, record.eye.y - record.target.y,
                             record.eye.z - record.target.z};
      OsUtilNormalize(towardsEye);
      offset = {scale * towardsEye.x, scale * towardsEye.y, scale * towardsEye.z};
      break;
    }
    default:
      scale = 1.0;
      break;
  }
}

void MGridObj::ApplyDrawOffset(int projectionKind, const DrawRecord&, double, const PointRecord& offset,
                               PointRecord& point) {
  if (projectionKind != kParallelProjection) return;
  point = {point.x + offset.x, point.y + offset.y, point.z + offset.z};
}

void MGridObj::DrawBody(QView* view, const DrawRecord& ownRecord) {
  const CrPrefs* prefs = EngContext().prefs;
  if (!view->IsGridShown() || (prefs != nullptr && prefs->mirrorPass == 1)) return;
  double scale = 0.0;
  PointRecord offset;
  GetDrawOffset(view, ownRecord, scale, offset);
  scale = -scale;
  offset = {-offset.x, -offset.y, -offset.z};
  view->GetRenderer()->SetDrawingMode(5);

  // A set is left out in the axis-aligned view that looks along it: the
  // floor's centre lines from above (axis 2), the back wall's along z (3),
  // the left wall's along x (1).
  const bool axisAligned = view->GetViewPresetKind() == kAxisAlignedPreset;
  const int viewAxis = view->GetViewAxis();
  const int hiddenSet = !axisAligned ? -1 : viewAxis == 2 ? 0 : viewAxis == 3 ? 1 : viewAxis == 1 ? 2 : -1;

  GridPen pen(*this, view->GetProjectionKind(), ownRecord, scale, offset);
  for (int pass = 0; pass < 2; ++pass) {
    const bool mirrored = pass == 0;
    const PointRecord& colour = mirrored && IsSymmetric() ? kMirrorGrey : gridColour;
    GlColor(static_cast<float>(colour.x), static_cast<float>(colour.y), static_cast<float>(colour.z));
    pen.Lines(floorFrom, floorTo, mirrored);
    if (mirrored) pen.Lines(wallFrom, wallTo, mirrored);
    for (int set = 0; set < 3; ++set) {
      if (set == hiddenSet || (set == 2 && !mirrored)) continue;
      pen.Lines(axisFrom[set], axisTo[set], mirrored);
    }
  }

  if (!axisAligned) return;
  // A cross through the middle of the box in the plane the view sees.
  const BoundsRecord& b = gridBounds;
  const double midX = (b.minX + b.maxX) / 2, midY = (b.minY + b.maxY) / 2, midZ = (b.minZ + b.maxZ) / 2;
  GlColor(static_cast<float>(axisColour.x), static_cast<float>(axisColour.y), static_cast<float>(axisColour.z));
  switch (viewAxis) {
    case 1:
      pen.Line({b.maxX, midY, b.minZ}, {b.maxX, midY, b.maxZ}, false);
      pen.Line({b.maxX, b.minY, midZ}, {b.maxX, b.maxY, midZ}, false);
      break;
    case 2:
      pen.Line({b.minX, b.minY, midZ}, {b.maxX, b.minY, midZ}, false);
      pen.Line({midX, b.minY, b.minZ}, {midX, b.minY, b.maxZ}, false);
      break;
    case 3:
      pen.Line({b.minX, midY, b.maxZ}, {b.maxX, midY, b.maxZ}, false);
      pen.Line({midX, b.minY, b.maxZ}, {midX, b.maxY, b.maxZ}, false);
      break;
    default:
      break;
  }
}

}  // namespace engine
