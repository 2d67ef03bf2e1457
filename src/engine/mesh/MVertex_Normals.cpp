// Vertices: normals, corner shading modes and flatness.
#include <algorithm>

#include "engine/core/EngMath.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {
namespace {

constexpr double kTinySquared = 1e-16;

void AddScaled(PointRecord& sum, const PointRecord& v, double k) {
  sum.x += k * v.x;
  sum.y += k * v.y;
  sum.z += k * v.z;
}

double SquaredLength(const PointRecord& v) { return v.x * v.x + v.y * v.y + v.z * v.z; }

// Normalised, or (0, 1, 0) when too short to have a direction.
PointRecord UnitOrUp(PointRecord v) {
  if (SquaredLength(v) <= kTinySquared) return {0, 1, 0};
  OsUtilNormalize(v);
  return v;
}

bool HalvesFace(const MLine* line, const MLine* following) {
  return ((line->flags | following->flags) & kLineHiddenDiagonal) != 0;
}

}  // namespace

PointRecord MVertex::ComputeNormal() const {
  PointRecord sum{0, 0, 0};
  bool anyFace = false;
  ForEachLineAround(this, [&](MLine* line) {
    MFace* face = line->LeavingFace(this);
    if (face == nullptr) return;
    anyFace = true;
    AddScaled(sum, face->GetNormal(), HalvesFace(line, line->GetNextAround(this)) ? 0.5 : 1.0);
  });
  if (!anyFace) return {0, 0, 1};
  if (SquaredLength(sum) > kTinySquared) OsUtilNormalize(sum);
  return sum;
}

// A face tells the drawing how to shade each corner: its own flat normal, a
// corner normal stored in the face, or the vertex's smooth normal. A line is
// a break at the vertex when it is sharp or has no face arriving along it;
// between breaks, the faces form fans that share one averaged normal.
void MVertex::UpdateNormals() {
  if (firstLine == nullptr) return;
  if (flags & kVertexFullCrease) {
    ForEachLineAround(this, [&](MLine* line) {
      if (MFace* face = line->LeavingFace(this)) face->SetCornerFlag(this, kCornerFlat);
    });
    return;
  }
  int arriving = 0;
  MLine* lastBreak = nullptr;
  ForEachLineAround(this, [&](MLine* line) {
    const bool hasArriving = line->ArrivingFace(this) != nullptr;
    if (hasArriving) ++arriving;
    if (line->IsSharp() || !hasArriving) lastBreak = line;
  });
  if (arriving == 0) return;

  if (lastBreak == nullptr) {
    PointRecord sum{0, 0, 0};
    ForEachLineAround(this, [&](MLine* line) {
      MFace* face = line->LeavingFace(this);
      if (face == nullptr) return;
      AddScaled(sum, face->GetNormal(), HalvesFace(line, line->GetNextAround(this)) ? 0.5 : 1.0);
      face->SetCornerFlag(this, kCornerSmooth);
    });
    normal = UnitOrUp(sum);
    return;
  }

  MLine* fanStart = lastBreak;
  PointRecord sum{0, 0, 0};
  MLine* line = lastBreak;
  do {
    if (MFace* face = line->LeavingFace(this)) AddScaled(sum, face->GetNormal(), 1.0);
    MLine* const c = line->GetNextAround(this);
    // Coming back to the first break always closes the last fan.
    if (c == lastBreak || c->IsSharp() || c->LeavingFace(this) == nullptr) {
      const bool mirrorEdge = (fanStart->IsOnMirrorPlane() && !fanStart->IsSharp()) ||
                              (c->IsOnMirrorPlane() && !c->IsSharp());
      if (mirrorEdge && sum.y * sum.y + sum.z * sum.z > 0.001) sum.x = 0;
      const PointRecord fanNormal = UnitOrUp(sum);
      // From the fan's first line up to c; all the way round when the fan
      // closes on itself (a single break).
      MLine* member = fanStart;
      do {
        if (MFace* face = member->LeavingFace(this)) face->SetCornerNormal(this, kCornerStored, fanNormal);
        member = member->GetNextAround(this);
      } while (member != c);
      fanStart = c;
      sum = {0, 0, 0};
    }
    line = c;
  } while (line != lastBreak);
}

double MVertex::GetFlatness() const {
  const PointRecord n = ComputeNormal();
  double m = 1;
  double b = 0;
  ForEachLineAround(this, [&](MLine* line) {
    if (MFace* face = line->LeavingFace(this)) {
      const PointRecord fn = face->GetNormal();
      m = std::min(m, n.x * fn.x + n.y * fn.y + n.z * fn.z);
      return;
    }
    const PointRecord p = line->OtherEnd(this)->position;
    const PointRecord q = line->GetNextAround(this)->OtherEnd(this)->position;
    PointRecord u{position.x - p.x, position.y - p.y, position.z - p.z};
    PointRecord w{q.x - position.x, q.y - position.y, q.z - position.z};
    OsUtilNormalize(u);
    OsUtilNormalize(w);
    b = u.x * w.x + u.y * w.y + u.z * w.z - 1;
  });
  return m + b;
}

}  // namespace engine
