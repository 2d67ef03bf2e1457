// Modelling: extruding faces (lifted off the surface and joined to it by
// side walls of quads) and border lines (a strip of quads growing out of
// the border), moving every vertex, and flattening vertices onto a plane
// with the crease flags brought up to date.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

// Sharp where the faces on a line meet at more than about 70 degrees.
constexpr double kSharpCosine = 0.34;

PointRecord Scaled(PointRecord v, double f) { return {v.x * f, v.y * f, v.z * f}; }

void MoveBy(MVertex* v, const PointRecord& d) {
  PointRecord p{v->position.x + d.x, v->position.y + d.y, v->position.z + d.z};
  if (v->flags & kVertexOnMirror) p.x = 0;
  v->SetPosition(p);
}

bool SaveAndSetFlags(MLine* line, std::uint32_t bits) {
  if ((line->flags & bits) == bits) return true;
  line->SaveUndo();
  if (Failed()) return false;
  line->flags |= bits;
  return true;
}

// The wings of each new line whose two faces carry the stamp become hidden
// diagonals: the side walls are quads.
bool HideWallDiagonals(const PtrArray& newLines, int stamp) {
  for (int i = 0; i < newLines.count; ++i) {
    MLine* line = At<MLine>(newLines, i);
    for (MLine* wing : {line->nextAround0, line->prevAround0, line->prevAround1, line->nextAround1}) {
      if (wing->forwardFace == nullptr || wing->backwardFace == nullptr) continue;
      if (wing->forwardFace->id != stamp || wing->backwardFace->id != stamp) continue;
      if (!SaveAndSetFlags(wing, kLineHiddenDiagonal)) return false;
    }
  }
  return true;
}

}  // namespace

// ---- extrusion ---------------------------------------------------------------------------------

void MMeshObj::SplitRunsAt(const PtrArray& borderVertices, int stamp, int wallStamp, bool runEndFirst,
                           PtrArray* newLines, PtrArray* newVertices) {
  for (int i = 0; i < borderVertices.count && !Failed(); ++i) {
    MVertex* v = At<MVertex>(borderVertices, i);
    MLine *ends = nullptr, *starts = nullptr;
    if (!FindStampedFaceRun(stamp, v, &ends, &starts, wallStamp)) continue;
    MVertex* made = nullptr;
    MLine* line = nullptr;
    if (runEndFirst)
      SplitVertexAlongLines(v, ends, starts, &made, &line);
    else
      SplitVertexAlongLines(v, starts, ends, &made, &line);
    if (EngContext().failState == kEngFailDeclined) EngContext().ClearFailure();
    if (Failed()) return;
    if (line == nullptr) continue;
    if (!Append(newLines, line) || !Append(newVertices, made)) return;
    for (MFace* face : {line->forwardFace, line->backwardFace})
      if (face != nullptr) face->id = wallStamp;
  }
}

void MMeshObj::CollectFacesStamped(int stamp, PtrArray& out) {
  for (MFace* face : faces)
    if (face->id == stamp && !Append(out, face)) return;
}

void MMeshObj::ExtrudeFaces(const PtrArray& faceList, int kind, double distance) {
  if (kind < 0 || kind > 2) return Refuse();
  SaveEditState();
  NextVisitStamp();
  const int s = GetVisitStamp();
  PtrArray border;
  CollectFaceSetBoundaryVertices(faceList, border);
  NextVisitStamp();
  if (Failed()) return;
  ResetElementStamps(0);
  // Faces split off are made again: the set and the walls are found again
  // by their stamps.
  const int w = TakeVisitStamp();
  PtrArray newLines, newFaces, liftedFaces;
  SplitRunsAt(border, s, w, true, &newLines, nullptr);
  if (Failed()) return;
  CollectFacesStamped(s, liftedFaces);
  CollectFacesStamped(w, newFaces);
  if (Failed()) return;
  const PtrArray& faceSet = liftedFaces;

  PointRecord offset{0, 0, 0};
  if (kind != 2) {
    FaceSetOffsetVector(faceSet, offset);
    if (kind == 1) {
      OsUtilNormalize(offset);
      offset = Scaled(offset, distance);
    }
  }
  NextVisitStamp();
  PtrArray corners;
  CollectFaceCorners(faceSet, corners);
  PointArray moves;
  for (int i = 0; i < corners.count; ++i) {
    MVertex* v = At<MVertex>(corners, i);
    PointRecord n = v->ComputeNormal();
    if (!moves.Add(kind == 2 ? Scaled(n, distance) : offset)) return EngRecordFailure(kEngReasonOutOfMemory);
  }
  for (int i = 0; i < corners.count; ++i) {
    MVertex* v = At<MVertex>(corners, i);
    v->SaveUndoRing();
    if (Failed()) return;
    MoveBy(v, moves[i]);
  }
  for (int i = 0; i < newLines.count; ++i) {
    MLine* line = At<MLine>(newLines, i);
    if (!line->IsSharperThan(kSharpCosine, false)) continue;
    if (!SaveAndSetFlags(line, kLineSharp)) return;
  }
  const int t = TakeVisitStamp();
  for (int i = 0; i < newFaces.count; ++i) At<MFace>(newFaces, i)->id = t;
  for (int i = 0; i < newFaces.count; ++i) {
    MLine* e[3];
    At<MFace>(newFaces, i)->GetLines(e);
    for (MLine* edge : e) {
      if (edge->forwardFace == nullptr || edge->backwardFace == nullptr) continue;
      if ((edge->forwardFace->id == t) != (edge->backwardFace->id == t) && !SaveAndSetFlags(edge, kLineSharp)) return;
    }
  }
  if (!HideWallDiagonals(newLines, t)) return;
  MGroup* group = AddGroup();
  if (group == nullptr) return;
  for (int i = 0; i < faceSet.count; ++i) {
    MFace* face = At<MFace>(faceSet, i);
    if (IsRemoved(face)) continue;
    MLine* e[3];
    MVertex* c[3];
    face->GetLines(e);
    face->GetVertices(c);
    for (int k = 0; k < 3; ++k) {
      e[k]->SaveUndo();
      c[k]->SaveUndo();
      if (Failed()) return;
      e[k]->group = group;
      c[k]->group = group;
    }
  }
  MarkChanged();
}

void MMeshObj::ExtrudeLines(const PtrArray& lineList, int, double) {
  SaveEditState();
  PtrArray border;
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    if ((line->forwardFace != nullptr && line->backwardFace != nullptr) || line->IsOnMirrorPlane()) continue;
    if (!Append(border, line)) return;
  }
  NextVisitStamp();
  const int s = GetVisitStamp();
  PtrArray ends;
  CollectLineEndVertices(border, ends);
  NextVisitStamp();
  if (Failed()) return;
  ResetElementStamps(0);
  PointRecord offset;
  LineSetOffsetVector(border, offset);
  if (Failed()) return;
  PtrArray newLines, newVertices;
  SplitRunsAt(ends, s, TakeVisitStamp(), false, &newLines, &newVertices);
  if (Failed()) return;
  for (int i = 0; i < newVertices.count; ++i) {
    MVertex* v = At<MVertex>(newVertices, i);
    v->SaveUndoRing();
    if (Failed()) return;
    MoveBy(v, offset);
  }
  const int t = TakeVisitStamp();
  for (int i = 0; i < newLines.count; ++i) {
    MLine* line = At<MLine>(newLines, i);
    for (MFace* face : {line->forwardFace, line->backwardFace})
      if (face != nullptr) face->id = t;
  }
  for (int i = 0; i < newLines.count; ++i) {
    MLine* line = At<MLine>(newLines, i);
    double cosine = 1;
    if (line->GetFaceCosine(cosine) && cosine < kSharpCosine && !SaveAndSetFlags(line, kLineSharp)) return;
  }
  if (!HideWallDiagonals(newLines, t)) return;
  for (int i = 0; i < border.count; ++i) {
    MLine* line = At<MLine>(border, i);
    if (!(line->flags & kLineCurveMark)) continue;
    line->SaveUndo();
    if (Failed()) return;
    line->flags &= ~kLineCurveMark;
  }
  // The new outer border carries the mark, so the next extrusion goes on
  // from it.
  MGroup* group = AddGroup();
  if (group == nullptr) return;
  const int outer = TakeVisitStamp();
  for (int i = 0; i < newVertices.count; ++i) At<MVertex>(newVertices, i)->id = outer;
  for (int i = 0; i < newVertices.count; ++i) {
    MVertex* v = At<MVertex>(newVertices, i);
    v->group = group;
    ForEachLineAround(v, [&](MLine* line) {
      if (line->OtherEnd(v)->id != outer) return true;
      line->SaveUndo();
      if (Failed()) return false;
      line->flags |= kLineCurveMark;
      line->group = group;
      return true;
    });
    if (Failed()) return;
  }
  MarkChanged();
}

void MMeshObj::ExtrudeStoredOrFlagged(int kind, double distance) {
  if (workList != nullptr && workList->count > 0) return ExtrudeFaces(*workList, kind, distance);
  PtrArray flagged;
  CollectFlaggedLines(flagged);
  if (!Failed()) ExtrudeLines(flagged, kind, distance);
}

// ---- moving and flattening ------------------------------------------------------------------------

void MMeshObj::MoveVertices(int kind, double distance, const PointRecord& vector) {
  SaveEditState();
  for (MVertex* v : vertices) {
    v->SaveUndo();
    if (Failed()) return;
  }
  if (kind == 2 || kind == 3) {
    PointArray normals;
    for (MVertex* v : vertices)
      if (!normals.Add(Scaled(v->ComputeNormal(), distance))) return EngRecordFailure(kEngReasonOutOfMemory);
    int i = 0;
    for (MVertex* v : vertices) {
      v->position = {v->position.x + normals[i].x, v->position.y + normals[i].y, v->position.z + normals[i].z};
      if (v->flags & kVertexOnMirror) v->position.x = 0;
      ++i;
    }
    for (MVertex* v : vertices) v->AverageRingPosition();
  } else {
    PointRecord d = vector;
    if (kind == 1) {
      PointRecord sum{0, 0, 0};
      for (MVertex* v : vertices) {
        const PointRecord n = v->ComputeNormal();
        sum = {sum.x + n.x, sum.y + n.y, sum.z + n.z};
      }
      OsUtilNormalize(sum);
      d = Scaled(sum, distance);
    }
    for (MVertex* v : vertices) {
      v->position = {v->position.x + d.x, v->position.y + d.y, v->position.z + d.z};
      if (v->flags & kVertexOnMirror) v->position.x = 0;
    }
  }
  MarkChanged();
}

void MMeshObj::Flatten(const PtrArray* vertexList, const PointRecord& n) {
  PtrArray all;
  if (vertexList == nullptr) {
    GatherAll(nullptr, nullptr, &all);
    vertexList = &all;
  }
  if (vertexList->count == 0 || Failed()) return;
  double m = 0;
  for (int i = 0; i < vertexList->count; ++i) {
    const PointRecord& p = At<MVertex>(*vertexList, i)->position;
    m += n.x * p.x + n.y * p.y + n.z * p.z;
  }
  m /= vertexList->count;
  const PointRecord q{m * n.x, m * n.y, m * n.z};
  for (int i = 0; i < vertexList->count; ++i) {
    MVertex* v = At<MVertex>(*vertexList, i);
    const PointRecord p = v->position;
    const double t = -(n.x * (p.x - q.x) + n.y * (p.y - q.y) + n.z * (p.z - q.z));
    v->SaveUndoRing();
    if (Failed()) return;
    v->SetPosition({p.x + t * n.x, p.y + t * n.y, p.z + t * n.z});
  }
  const int stamp = TakeVisitStamp();
  for (int i = 0; i < vertexList->count; ++i) {
    MVertex* v = At<MVertex>(*vertexList, i);
    const bool ok = ForEachLineAround(v, [&](MLine* line) {
      if (line->id == stamp) return true;
      line->id = stamp;
      if (line->forwardFace == nullptr || line->backwardFace == nullptr) return true;
      const PointRecord a = line->forwardFace->GetNormal(), b = line->backwardFace->GetNormal();
      const double c = a.x * b.x + a.y * b.y + a.z * b.z;
      if (c > 0.9998 && line->IsSharp()) {
        line->SaveUndo();
        if (Failed()) return false;
        line->flags &= ~(static_cast<std::uint32_t>(kLineSharp) | 0x0F000000u);
      } else if (c < -0.9998 && !line->IsSharp() && !(line->flags & kLineHiddenDiagonal)) {
        line->SaveUndo();
        if (Failed()) return false;
        line->flags |= kLineSharp;
      }
      return true;
    });
    if (!ok) return;
  }
  MarkChanged();
}

void MMeshObj::FlattenNormal(const PtrArray& faceList, const PtrArray& vertexList, PointRecord& normal) {
  if (faceList.count == 0) {
    PointArray points;
    for (int i = 0; i < vertexList.count; ++i)
      if (!points.Add(At<MVertex>(vertexList, i)->position)) return EngRecordFailure(kEngReasonOutOfMemory);
    FitPlaneNormal(points, normal);
  } else {
    FaceSetOffsetVector(faceList, normal);
  }
  // The fitted plane's normal is not of unit length; the flattening needs one.
  OsUtilNormalize(normal);
}

void MMeshObj::FlattenAll(bool computeNormal, const PointRecord& normal) {
  SaveEditState();
  PtrArray faceList, vertexList;
  GatherAll(&faceList, nullptr, &vertexList);
  if (Failed()) return;
  PointRecord n = normal;
  if (computeNormal) FlattenNormal(faceList, vertexList, n);
  OsUtilNormalize(n);
  if (!Failed()) Flatten(&vertexList, n);
}

void MMeshObj::FlattenSelected(bool computeNormal, const PointRecord& normal) {
  SaveEditState();
  PtrArray faceList, lineList, vertexList;
  GatherSelected(2, &faceList, &lineList, &vertexList);
  if (Failed() || vertexList.count == 0) return;
  PointRecord n = normal;
  if (computeNormal) FlattenNormal(faceList, vertexList, n);
  OsUtilNormalize(n);
  if (Failed()) return;
  SaveListsForUndo(nullptr, nullptr, &vertexList);
  if (!Failed()) Flatten(&vertexList, n);
}

}  // namespace engine
