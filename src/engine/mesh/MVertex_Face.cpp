// Vertices: texture coordinates in the faces around, parameters of vertices
// of lines drawn on a face, and where a new line leaves a vertex.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

// ---- texture coordinates ----------------------------------------------------

void MVertex::GetFaceUV(const MFace* face, double& u, double& v) const {
  u = 0;
  v = 0;
  const int corner = face->CornerIndex(this);
  if (corner < 0 || !face->IsTextured()) return;
  const MFaceUV* block = face->GetUVBlock();
  u = block->corner[corner].u;
  v = block->corner[corner].v;
}

void MVertex::SetFaceUV(MFace* face, double u, double v) const {
  const int corner = face->CornerIndex(this);
  if (corner < 0 || !face->IsTextured()) return;
  MFaceUV* block = face->GetUVBlock();
  block->corner[corner] = {u, v};
}

bool MVertex::GetSharedUV(bool strict, double* u, double* v) const {
  bool textured = false;
  bool untextured = false;
  double firstU = 0;
  double firstV = 0;
  const bool same = ForEachLineAround(this, [&](MLine* line) {
    MFace* face = line->LeavingFace(this);
    if (face == nullptr) return true;
    if (!face->IsTextured()) {
      untextured = true;
      return !(strict && textured);
    }
    double fu = 0;
    double fv = 0;
    GetFaceUV(face, fu, fv);
    if (!textured) {
      textured = true;
      firstU = fu;
      firstV = fv;
      return !(strict && untextured);
    }
    return std::fabs(fu - firstU) <= 1e-8 && std::fabs(fv - firstV) <= 1e-8;
  });
  if (!same) return false;
  if (textured) {
    if (u != nullptr) *u = firstU;
    if (v != nullptr) *v = firstV;
  }
  return true;
}

void MVertex::SetUVInAllFaces(double u, double v) const {
  ForEachLineAround(this, [&](MLine* line) {
    if (MFace* face = line->LeavingFace(this)) SetFaceUV(face, u, v);
  });
}

void MVertex::GetAnyFaceUV(double& u, double& v) const {
  bool anyFace = false;
  bool found = !ForEachLineAround(this, [&](MLine* line) {
    MFace* face = line->LeavingFace(this);
    if (face == nullptr) return true;
    anyFace = true;
    if (!face->IsTextured()) return true;
    GetFaceUV(face, u, v);
    return false;
  });
  if (!found && anyFace) {
    u = 0;
    v = 0;
  }
}

// ---- face parameters ----------------------------------------------------------

void MVertex::SetFaceParamsFromLine(MLine* const faceLines[3], MVertex* const faceCorners[3]) {
  int i = 0;
  while (i < 3 && faceLines[i] != onLine) ++i;
  ENG_FATAL_IF(i == 3);
  const MVertex* corner = faceCorners[i];
  ENG_FATAL_IF(!onLine->HasEnd(corner));
  const bool first = corner == onLine->end0;
  const double t = lineT;
  switch (i) {
    case 0:
      faceS = first ? t : 1 - t;
      faceT = 0;
      break;
    case 1:
      faceS = first ? 1 - t : t;
      faceT = first ? t : 1 - t;
      break;
    default:
      faceS = 0;
      faceT = first ? 1 - t : t;
      break;
  }
}

namespace {

double TowardsHalf(double value) { return value > 0.5 ? value - 5e-8 : value + 5e-8; }

}  // namespace

void MVertex::NudgeFaceParams(MFace* face) {
  if (onLine != nullptr) {
    lineT = TowardsHalf(lineT);
    MLine* lines[3];
    MVertex* corners[3];
    face->GetLines(lines);
    face->GetVertices(corners);
    SetFaceParamsFromLine(lines, corners);
    return;
  }
  faceS = TowardsHalf(faceS);
  faceT = TowardsHalf(faceT);
}

void MVertex::FindSectorForParams(const MVertex* target, MLine*& nextLine, MLine*& prevLine) const {
  nextLine = prevLine = firstLine;
  if (firstLine == nullptr || firstLine->GetNextAround(this) == firstLine) return;
  const double ts = target->faceS - faceS;
  const double tt = target->faceT - faceT;
  auto cross = [](double as, double at, double bs, double bt) { return as * bt - at * bs; };
  auto direction = [this](const MLine* line, double& ds, double& dt) {
    const MVertex* far = line->OtherEnd(this);
    ds = far->faceS - faceS;
    dt = far->faceT - faceT;
  };
  const bool none = ForEachLineAround(this, [&](MLine* line) {
    MLine* following = line->GetNextAround(this);
    double js = 0, jt = 0, ks = 0, kt = 0;
    direction(line, js, jt);
    direction(following, ks, kt);
    const double before = cross(js, jt, ts, tt);
    const double after = cross(ts, tt, ks, kt);
    const bool inside = before >= 0 && after >= 0;
    const bool inWideSector = before * after <= 0 && cross(js, jt, ks, kt) < 0;
    if (!inside && !inWideSector) return true;
    prevLine = line;
    nextLine = following;
    return false;
  });
  ENG_FATAL_IF(none);
}

// Where a new line leaves the vertex: in its only gap, or, with several
// gaps, in the one whose bounding lines point most towards the target.
void MVertex::FindInsertionWings(const MVertex* target, MLine*& nextLine, MLine*& prevLine) const {
  nextLine = prevLine = firstLine;
  if (firstLine == nullptr || firstLine->GetNextAround(this) == firstLine) return;
  const PointRecord d{target->position.x - position.x, target->position.y - position.y,
                      target->position.z - position.z};
  auto towards = [&](const MLine* line) {
    const PointRecord far = line->OtherEnd(this)->position;
    PointRecord u{far.x - position.x, far.y - position.y, far.z - position.z};
    OsUtilNormalize(u);
    return d.x * u.x + d.y * u.y + d.z * u.z;
  };
  MLine* best = nullptr;
  double bestScore = 0;
  ForEachLineAround(this, [&](MLine* line) {
    if (line->LeavingFace(this) != nullptr) return;
    const double a = towards(line);
    const double b = towards(line->GetNextAround(this));
    const double score = a > b ? a : b;
    if (best == nullptr || score > bestScore) {
      best = line;
      bestScore = score;
    }
  });
  // A vertex closed on every side has no place for another line.
  ENG_FATAL_IF(best == nullptr);
  prevLine = best;
  nextLine = best->GetNextAround(this);
}

}  // namespace engine
