// Alignment of the selection by units: a selected object, or a selected
// group standing for all its members.
#include <cmath>

#include "page/PnFatal.h"
#include "page/SAlignRect.h"
#include "page/SDoc_Internal.h"

namespace page {
namespace {

constexpr double kUnitScale = 1e-6;

}  // namespace

bool SDoc::CollectAlignItems(std::vector<SAlignInfo>& out) const {
  out.clear();
  for (const auto& object : objects_) {
    if (!object->IsSelected()) continue;
    const SObj* group = FindInnermostGroup(object.get());
    if (group == nullptr || !group->IsSelected()) out.push_back({object.get()});
  }
  return out.size() >= 2;
}

namespace {

// The drawn objects a record stands for: a selected group's members, or the
// object itself.
template <typename Visit>
void ForEachCovered(const SDoc& doc, const SAlignInfo& item, Visit&& visit) {
  const bool wholeGroup = IsGroupObject(*item.object) && item.object->IsSelected();
  const auto [first, last] = wholeGroup ? doc.GetMemberRange(item.object)
                                        : std::pair<int, int>{doc.IndexOf(item.object), doc.IndexOf(item.object)};
  for (int i = first; i >= 0 && i <= last; ++i) {
    SObj& object = *doc.GetObject(i);
    if (!IsGroupObject(object)) visit(object);
  }
}

}  // namespace

void SDoc::ComputeAlignBoxes(std::vector<SAlignInfo>& items) const {
  for (SAlignInfo& item : items) {
    bool any = false;
    SPoint min, max;
    ForEachCovered(*this, item, [&](const SObj& object) {
      for (const SPoint& corner : object.GetQuad()) {
        if (!any) min = max = corner;
        ExtendBounds(min, max, corner);
        any = true;
      }
    });
    PN_FATAL_IF(!any, "SDocMove", 343);
    item.minX = min.x, item.minY = min.y, item.maxX = max.x, item.maxY = max.y;
  }
}

void SDoc::ApplyAlignOffsets(const std::vector<SAlignInfo>& items) {
  for (const SAlignInfo& item : items) {
    ForEachCovered(*this, item, [&](SObj& object) {
      PropSCVal P;
      object.TakePropSC(P);
      P.x += item.dx;
      P.y += item.dy;
      object.ApplyPropSC(P, false);
    });
  }
}

void SDoc::ApplyAlignSizes(const std::vector<SAlignInfo>& items) {
  for (const SAlignInfo& item : items) {
    const double sx = item.dx;
    const double sy = item.dy;
    if (std::fabs(sx - 1.0) < kUnitScale && std::fabs(sy - 1.0) < kUnitScale) continue;
    // The unit scales about the middle of its objects' centres.
    bool any = false;
    SPoint min, max;
    ForEachCovered(*this, item, [&](const SObj& object) {
      const SPoint c(object.placement.x, object.placement.y);
      if (!any) min = max = c;
      ExtendBounds(min, max, c);
      any = true;
    });
    const SPoint centre = (min + max) * 0.5;
    ForEachCovered(*this, item, [&](SObj& object) {
      PropSCVal P;
      object.TakePropSC(P);
      P.x += (sx - 1.0) * (P.x - centre.x);
      P.y += (sy - 1.0) * (P.y - centre.y);
      if (std::fabs(P.angle) < kUnitScale && object.CanStretch()) {
        P.width *= sx;
        P.height *= sy;
      } else {
        // A turned box (or a shape that keeps its proportions) scales evenly.
        const double f = std::fabs(sx - 1.0) < kUnitScale ? sy : sx;
        P.width *= f;
        P.height *= f;
      }
      object.ApplyPropSC(P, false);
    });
  }
}

void SDoc::AlignPositions(SAlignRect& calc) {
  std::vector<SAlignInfo> items;
  if (!CollectAlignItems(items)) return;
  ComputeAlignBoxes(items);
  calc.Compute(items);
  ApplyAlignOffsets(items);
}

void SDoc::AlignSizes(SAlignRect& calc) {
  std::vector<SAlignInfo> items;
  if (!CollectAlignItems(items)) return;
  ComputeAlignBoxes(items);
  calc.Compute(items);
  ApplyAlignSizes(items);
}

}  // namespace page
