// Modelling: regions of faces of one material, and texture coordinates
// projected onto faces through a frame, flat or around a cylinder, with
// repeats and square texels.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr double kPi = 3.14159265358979323846;
// One axis is compressed at most this much to keep texels square.
constexpr double kMaxAspect = 20;

double ZeroIfTiny(double value) { return std::fabs(value) < 1e-8 ? 0 : value; }

// Where value lies from the box's side, 0..1; the middle for a box without
// extent on the axis (faces seen edge-on), which would otherwise give NaN.
double Fraction(double fromMax, double extent) { return extent > 1e-12 ? fromMax / extent : 0.5; }

// The angle about the cylinder's axis (y) of a corner, seen from the centre.
double CylinderAngle(double dx, double dz) {
  if (dx > 0) return -std::atan(dz / dx) + kPi / 2;
  if (dx < 0) return -std::atan(dz / dx) - kPi / 2;
  return dz < 0 ? kPi : 0;
}

struct Scales {
  double u = 1;
  double v = 1;
};

Scales RepeatScales(int kind, int type, int a, int b, const BoundsRecord& box, const MShader* shader) {
  Scales s;
  if (kind == 1) return {static_cast<double>(b), static_cast<double>(a)};
  if (kind != 2) return s;
  int height = 0, width = 0;
  if (shader != nullptr) shader->GetTextureSize(height, width);
  double e = width > 0 ? (box.maxX - box.minX) / width : 0;
  if (type == 2) e *= kPi;
  const double f = height > 0 ? (box.maxY - box.minY) / height : 0;
  s = {static_cast<double>(b), static_cast<double>(a)};
  if (!(e > 0) || !(f > 0)) return s;  // no texture or no extent: plain repeats
  if (f > e)
    s.u = f > kMaxAspect * e ? b / kMaxAspect : b * e / f;
  else
    s.v = e > kMaxAspect * f ? a / kMaxAspect : a * f / e;
  return s;
}

}  // namespace

// ---- regions of one material ------------------------------------------------------------

void MMeshObj::FloodFacesByShader(MFace* face, MShader* shader, int stamp, PtrArray& out) {
  // The flood a recursion through each face's three lines would make, on a
  // heap stack: the face and the edge reached.
  struct Frame {
    MFace* face;
    MLine* edges[3];
    int next;
  };
  WorkStack<Frame> stack;
  auto visit = [&](MFace* f) {
    f->id = stamp;
    if (!Append(out, f)) return false;
    Frame frame{f, {}, 0};
    f->GetLines(frame.edges);
    return stack.Push(frame);
  };
  if (face->id == stamp || face->shader != shader || (face->flags & kFaceHidden)) return;
  if (!visit(face)) return;
  while (!stack.Empty()) {
    Frame& frame = stack.Top();
    if (frame.next == 3) {
      stack.Pop();
      continue;
    }
    MLine* edge = frame.edges[frame.next++];
    MFace* across = edge->forwardFace == frame.face ? edge->backwardFace : edge->forwardFace;
    if (across == nullptr || across->id == stamp || across->shader != shader || (across->flags & kFaceHidden))
      continue;
    if (!visit(across)) return;
  }
}

void MMeshObj::CollectFacesWithShaderFrom(MFace* face, PtrArray& out) {
  FloodFacesByShader(face, face->shader, TakeVisitStamp(), out);
}

// ---- projecting texture coordinates ------------------------------------------------------

void MMeshObj::ProjectUVs(const PtrArray* faceList, MShader* shader, const MatrixRecord& frame, int type, int kind,
                          int a, int b, const PointArray* points, const PointRecord* rangeStart,
                          const PointRecord* rangeEnd) {
  const bool ranged = rangeStart != nullptr && rangeEnd != nullptr;
  if ((type != 1 && type != 2) || (ranged && type == 2 && b != 1)) return Refuse();
  PtrArray own;
  if (faceList == nullptr) {
    GatherAll(&own, nullptr, nullptr);
    if (Failed()) return;
    faceList = &own;
  }
  SaveEditState();
  if (shader != nullptr && shader->holder == nullptr) shader->holder = &removedShaders;

  // Every corner once, through the frame, kept in its screen fields.
  const int stamp = TakeVisitStamp();
  PointArray projected;
  for (int i = 0; i < faceList->count; ++i) {
    MVertex* corners[3];
    At<MFace>(*faceList, i)->GetVertices(corners);
    for (MVertex* c : corners) {
      if (c->id == stamp) continue;
      c->id = stamp;
      PointRecord p;
      MUtilTransformPoint(frame, c->position, p);
      c->screenX = p.x;
      c->screenY = p.y;
      c->screenDepth = p.z;
      if (!projected.Add(p)) return EngRecordFailure(kEngReasonOutOfMemory);
    }
  }
  const PointArray& boxPoints = points != nullptr ? *points : projected;
  BoundsRecord box;
  MUtilBoxOfPoints(boxPoints.count, boxPoints.count > 0 ? &boxPoints[0] : nullptr, box);
  const double cx = (box.minX + box.maxX) / 2, cz = (box.minZ + box.maxZ) / 2;
  const Scales scale = RepeatScales(kind, type, a, b, box, shader);

  for (int i = 0; i < faceList->count; ++i) {
    MFace* face = At<MFace>(*faceList, i);
    MVertex* corners[3];
    face->GetVertices(corners);
    double u[3], v[3];
    for (int k = 0; k < 3; ++k) {
      const MVertex* c = corners[k];
      v[k] = ZeroIfTiny(1 - Fraction(box.maxY - c->screenY, box.maxY - box.minY));
      u[k] = ZeroIfTiny(type == 1 ? Fraction(box.maxX - c->screenX, box.maxX - box.minX)
                                  : CylinderAngle(cx - c->screenX, cz - c->screenDepth));
    }
    if (type == 2) {
      // A face across the back seam takes its angles all on one side.
      const double lo = std::fmin(u[0], std::fmin(u[1], u[2])), hi = std::fmax(u[0], std::fmax(u[1], u[2]));
      if (hi - lo > kPi && !ranged)
        for (double& t : u)
          if (t < 0) t += 2 * kPi;
      for (double& t : u) t = (t + kPi) / (2 * kPi);
    }
    for (int k = 0; k < 3; ++k) {
      if (kind == 1) {
        u[k] *= scale.u;
        v[k] *= scale.v;
      } else if (kind == 2) {
        u[k] = scale.u * (u[k] - 0.5) + 0.5;
        v[k] = scale.v * (v[k] - 0.5) + 0.5;
      }
    }
    face->SaveUndo();
    if (Failed()) return;
    if (shader != nullptr) face->SetShader(shader);
    if (!Failed()) face->SetUVs(u[0], v[0], u[1], v[1], u[2], v[2]);
    if (Failed()) return;
  }
  if (ranged) MapUVsIntoRange(*faceList, type, *rangeStart, *rangeEnd);
  if (!Failed()) CleanUpShaders(true);
}

void MMeshObj::MapUVsIntoRange(const PtrArray& faceList, int type, const PointRecord& start, const PointRecord& end) {
  if (type == 2) {
    // Quads whose corners straddle the seam are snapped to one side.
    const int stamp = TakeVisitStamp();
    for (int i = 0; i < faceList.count; ++i) {
      MFace* face = At<MFace>(faceList, i);
      if (face->id == stamp || face->uv == nullptr) continue;
      MFace* partner = nullptr;
      MLine* quadLines[5];
      MVertex* quadCorners[4];
      GetQuadCorners(face, &partner, quadLines, quadCorners, nullptr, nullptr, nullptr);
      MFace* pair[2] = {face, partner != nullptr && partner->uv != nullptr ? partner : nullptr};
      double lo = 1e300, hi = -1e300;
      for (MFace* f : pair)
        if (f != nullptr)
          for (const MFaceUV::Pair& c : f->uv->corner) {
            lo = std::fmin(lo, c.u);
            hi = std::fmax(hi, c.u);
          }
      for (MFace* f : pair) {
        if (f == nullptr) continue;
        f->id = stamp;
        if (hi - lo <= 0.5) continue;
        f->SaveUndo();
        if (Failed()) return;
        const bool highStrays = !(std::fabs(hi - 0.5) < std::fabs(lo - 0.5));
        for (MFaceUV::Pair& c : f->uv->corner) {
          if (highStrays && c.u > 0.5) c.u = 0;
          if (!highStrays && c.u < 0.5) c.u = 1;
        }
      }
    }
  }
  for (int i = 0; i < faceList.count; ++i) {
    MFace* face = At<MFace>(faceList, i);
    if (face->uv == nullptr) continue;
    face->SaveUndo();
    if (Failed()) return;
    for (MFaceUV::Pair& c : face->uv->corner) {
      c.u = start.x + c.u * (end.x - start.x);
      c.v = start.y + c.v * (end.y - start.y);
    }
  }
}

void MMeshObj::ProjectUVsSimple(const PtrArray* faceList, MShader* shader, const MatrixRecord& frame, int type,
                                int kind, int a, int b) {
  ProjectUVs(faceList, shader, frame, type, kind, a, b, nullptr, nullptr, nullptr);
}

}  // namespace engine
