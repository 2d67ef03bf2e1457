// Placement of the selection: moving, scaling and turning by handle drags,
// special handles, mirroring and a shape's special properties.
#include <cmath>
#include <numbers>

#include "imaging/Geometry2D.h"
#include "page/PnFatal.h"
#include "page/ResultCodes.h"
#include "page/SDoc_Internal.h"

namespace page {
namespace {

constexpr double kSmallestScale = 0.05;
// A handle this close to its anchor gives no usable factor to shrink by.
constexpr double kShortestHandle = 1.1;
constexpr double kSameAngle = 1e-6;
// Rotation snaps to multiples of pi / 12 (15 degrees).
constexpr int kSnapSteps = 12;

SObj& ObjectOrFatal(SObj* object, int line) {
  PN_FATAL_IF(object == nullptr, "SDocMove", line);
  return *object;
}

}  // namespace

void SDoc::MoveObjects(double dx, double dy, bool all) {
  for (const auto& object : objects_) {
    if (!all && !object->IsSelected()) continue;
    PropSCVal P;
    object->TakePropSC(P);
    P.x += dx;
    P.y += dy;
    object->ApplyPropSC(P, false);
  }
}

void SDoc::ScaleByHandle(int id, SPoint anchor, SPoint handle, SPoint drag, int mode) {
  SPoint v = handle - anchor;
  if (v.Length() < 1e-6) v = SPoint(1.0, 0.0);
  const double length = v.Length();
  const SPoint w = drag - anchor;
  double f = 0.0;
  if (mode == 0) {
    f = w.Length() / length;
  } else {
    v.Normalize();
    f = v.Dot(w) / length;
  }
  // Never a factor of 0 or below: the shapes would fold over.
  f = std::max(f, kSmallestScale);
  if (length < kShortestHandle && f < 1.0) f = 1.0;

  const SObj& reference = ObjectOrFatal(FindObjectById(id), 97);
  const double referenceAngle = reference.placement.angle;
  for (const auto& object : objects_) {
    if (!object->IsSelected()) continue;
    PropSCVal P;
    object->TakePropSC(P);
    const SPoint c(P.x, P.y);
    if (mode == 0) {
      const SPoint moved = anchor + (c - anchor) * f;
      P.x = moved.x;
      P.y = moved.y;
      P.width *= f;
      P.height *= f;
    } else {
      const double t = v.Dot(c - anchor);
      const SPoint moved = c + v * (t * (f - 1.0));
      P.x = moved.x;
      P.y = moved.y;
      // Only boxes lined up with the grabbed one stretch; others just move.
      const bool lined = object.get() == &reference || std::fabs(P.angle - referenceAngle) < kSameAngle;
      if (lined && object->CanStretch()) {
        if (mode == 1)
          P.width *= f;
        else
          P.height *= f;
      }
    }
    P.mask = PropSCVal::kCentre | PropSCVal::kSize;
    object->ApplyPropSC(P, true);
  }
}

void SDoc::RotateByHandle(int id, SPoint centre, SPoint start, SPoint current, bool snap) {
  double delta = (start - centre).AngleTo(current - centre);
  const double referenceAngle = ObjectOrFatal(FindObjectById(id), 157).placement.angle;
  if (snap) delta = imaging::PnUtilSnapAngle(referenceAngle + delta, kSnapSteps) - referenceAngle;
  constexpr double kTurn = 2.0 * std::numbers::pi;
  for (const auto& object : objects_) {
    if (!object->IsSelected()) continue;
    PropSCVal P;
    object->TakePropSC(P);
    SPoint c(P.x, P.y);
    c.RotateAbout(delta, centre);
    P.x = c.x;
    P.y = c.y;
    const double angle = P.angle + delta;
    P.angle = angle - kTurn * std::floor(angle / kTurn);
    // Rounding can land exactly on a full turn.
    if (P.angle >= kTurn) P.angle = 0.0;
    P.mask = PropSCVal::kCentre | PropSCVal::kAngle;
    object->ApplyPropSC(P, true);
  }
}

void SDoc::MoveSpecialHandle(int id, SPoint drag, int handle, int /*value*/) {
  SObj& object = ObjectOrFatal(FindObjectById(id), 194);
  if (!object.fig) return;
  PropSCVal P;
  object.TakePropSC(P);
  object.fig->MoveSpecialHandle(handle, drag, P);
  object.ApplyPropSC(P, false);
}

void SDoc::MirrorSelection() {
  for (const auto& object : objects_)
    if (object->IsSelected() && object->fig) object->fig->MirrorHorizontal();
}

std::unique_ptr<SFIGSpProp> SDoc::SaveSpPropOf(int id) const {
  return ObjectOrFatal(FindObjectById(id), 210).SaveSpProp();
}

void SDoc::RestoreSpPropOf(int id, const SFIGSpProp& saved) {
  ObjectOrFatal(FindObjectById(id), 220).RestoreSpProp(saved);
}

int SDoc::SetNormalizedPointsOf(int id, std::span<const SPoint> points) {
  return ObjectOrFatal(FindObjectById(id), 230).SetNormalizedPoints(points);
}

int SDoc::ExportSceneOf(int id, const std::string& path) {
  SObj* object = FindObjectById(id);
  if (object == nullptr || !object->fig) return kResultCannotOpen;
  return object->fig->ExportScene(path);
}

}  // namespace page
