// Marked regions of the body meshes (their element groups) found for
// feature codes, and moved, scaled and shaped onto the feature points with
// a fall-off over the rings of vertices around them.
//
// Coincident vertices (rings) move as one: a region's walks take one vertex
// of each ring and move the whole ring with it.
#include <cmath>
#include <limits>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/FigureInternal.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MGroup.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

using namespace figure_detail;

namespace {

// A group found by the search with what the choice after the scan reads.
struct RegionCandidate {
  PointRecord centre;
  double size;
  MGroup* group;
  MMeshObj* mesh;
  MatrixRecord frame;
};

struct Box {
  PointRecord low{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                  std::numeric_limits<double>::infinity()};
  PointRecord high{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                   -std::numeric_limits<double>::infinity()};
  bool empty = true;
  void Add(const PointRecord& p) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    empty = false;
  }
  PointRecord Centre() const { return Mul(detail::Add(low, high), 0.5); }
  double Size() const { return (high.x - low.x) + (high.y - low.y) + (high.z - low.z); }
};

// The face beside a line that the marks are read from.
MFace* MarkFace(const MLine* line) { return line->forwardFace != nullptr ? line->forwardFace : line->backwardFace; }

// The landmarks along a limb chain, by the type of its region.
bool LimbLandmarks(int type, int& first) {
  switch (type) {
    case 50: first = 5; return true;
    case 52: first = 9; return true;
    case 60: first = 13; return true;
    case 62: first = 17; return true;
    default: return false;
  }
}

// The group's vertices, with one vertex for each ring of coincident
// vertices in `representatives` and the full list's index of each.
bool CollectRegion(MMeshObj* mesh, MGroup* group, PtrArray& all, PtrArray& representatives, EngArray<int>& indices) {
  mesh->CollectGroupMembers(group, nullptr, nullptr, &all);
  if (Failed()) return false;
  const int stamp = mesh->TakeVisitStamp();
  for (int i = 0; i < all.count; ++i) {
    MVertex* v = static_cast<MVertex*>(all[i]);
    if (v->id == stamp) continue;
    v->SetRingIds(stamp);
    if (!representatives.Add(v) || !indices.Add(i)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
  }
  return true;
}

}  // namespace

void MBoneObj::FindRegionForType(int type, MDocObj*, MGroup*& group, MMeshObj*& mesh, MatrixRecord& frame,
                                 MGroup* excludedA, MGroup* excludedB) {
  if (bones == nullptr || restPositions == nullptr || skinRecords == nullptr) return;
  if (type == 70) type = 50;
  if (type == 72) type = 52;
  const bool marked = type >= 4 && type <= 7;
  const bool sized = type == 74 || type == 90;
  const bool red = type == 100;
  int firstLandmark = 0;
  const bool limb = LimbLandmarks(type, firstLandmark);
  if (!marked && !sized && !red && !limb) return;  // no region is marked for another code
  const MLine* chain[3] = {};
  if (limb) {
    if (!FindLandmarks(false)) return;
    for (int i = 0; i < 3; ++i)
      chain[i] = landmarks[firstLandmark + i]->FindLine(landmarks[firstLandmark + i + 1]);
  }
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  EngArray<RegionCandidate> candidates;
  for (int m = 0; m < meshes.count; ++m) {
    MMeshObj* candidateMesh = meshes[m].mesh;
    if (candidateMesh->IsBoneObject()) continue;
    MatrixRecord toRest, fromRest;
    GetRestMatrices(meshes[m], toRest, fromRest);
    for (MGroup* g : candidateMesh->groups) {
      if (g == excludedA || g == excludedB) continue;
      Box box;
      bool qualifies = true;
      for (MLine* line : candidateMesh->lines) {
        if (line->group != g) continue;
        if (marked) {
          MFace* face = MarkFace(line);
          if (face == nullptr) continue;
          if (GetFaceColourClass(face) != kFaceMagenta) {
            qualifies = false;
            break;
          }
        } else if (limb) {
          if (BodyLineHasColourKind(line, kBodyBlue)) continue;
          const SkinRecord* record = GetSkinRecordOfVertex(line->end0);
          if (record == nullptr || record->count <= 0 || record->bones[0] < 0 || record->bones[0] >= bones->count)
            continue;
          const MLine* boneLine = (*bones)[record->bones[0]].line;
          if (boneLine == chain[0] || boneLine == chain[1] || boneLine == chain[2]) {
            group = g;
            mesh = candidateMesh;
            frame = fromRest;
            return;
          }
          continue;
        } else if (sized) {
          if (BodyLineHasColourKind(line, kBodyBlue)) continue;
        } else {  // red
          MFace* face = MarkFace(line);
          if (face != nullptr && GetFaceColourClass(face) == kFaceRed) {
            group = g;
            mesh = candidateMesh;
            frame = fromRest;
            return;
          }
          continue;
        }
        box.Add(TransformPoint(toRest, line->end0->position));
        box.Add(TransformPoint(toRest, line->end1->position));
      }
      if (limb || red || !qualifies || box.empty) continue;
      RegionCandidate c{box.Centre(), box.Size(), g, candidateMesh, fromRest};
      if (marked) {
        // Four marked regions at most; more leave the marks unreadable.
        if (candidates.count == 4) return;
        if (!candidates.Add(c)) {
          EngRecordFailure(kEngReasonOutOfMemory);
          return;
        }
      } else {
        // The two largest, the larger first (the earlier on equal sizes).
        if (candidates.count < 2) {
          if (!candidates.Add(c)) {
            EngRecordFailure(kEngReasonOutOfMemory);
            return;
          }
        } else if (c.size > candidates[1].size) {
          candidates[1] = c;
        }
        if (candidates.count == 2 && candidates[1].size > candidates[0].size) std::swap(candidates[0], candidates[1]);
      }
    }
  }
  auto take = [&](const RegionCandidate& c) {
    group = c.group;
    mesh = c.mesh;
    frame = c.frame;
  };
  if (marked) {
    group = nullptr;
    if (candidates.count == 0) return;
    int a = 0, b = 0, c = 0;
    for (int i = 1; i < candidates.count; ++i) {
      if (candidates[i].centre.x < candidates[a].centre.x) a = i;
      if (candidates[i].centre.x > candidates[b].centre.x) b = i;
      if (candidates[i].centre.y < candidates[c].centre.y) c = i;
    }
    if (a == b || a == c || b == c) return;
    switch (type) {
      case 4: take(candidates[b]); return;
      case 5: take(candidates[a]); return;
      case 7: take(candidates[c]); return;
      default:
        for (int i = 0; i < candidates.count; ++i) {
          if (i != a && i != b && i != c) {
            take(candidates[i]);
            return;
          }
        }
        take(candidates[candidates.count - 1]);  // three candidates: the third found
        return;
    }
  }
  if (sized) {
    if (candidates.count != 2) return;  // the pair of sized regions is not there
    const RegionCandidate& larger = candidates[0];
    const RegionCandidate& smaller = candidates[1];
    if (!HasFeatureCode(74) || !HasFeatureCode(90)) {
      take(larger);
    } else if (larger.centre.y == smaller.centre.y) {
      take(smaller);
    } else {
      const bool largerHigher = larger.centre.y > smaller.centre.y;
      take((type == 74) == largerHigher ? larger : smaller);
    }
  }
}

void MBoneObj::FindFeatureRegion(int type, MDocObj* scene, MGroup*& group, MMeshObj*& mesh, MatrixRecord& frame) {
  MGroup* excluded[2] = {nullptr, nullptr};
  if (type == 50 || type == 52 || type == 60 || type == 62) {
    // The two sized regions are never taken for a limb's.
    const int sizedTypes[2] = {74, 90};
    for (int i = 0; i < 2; ++i) {
      if (!HasFeatureCode(sizedTypes[i])) continue;
      MMeshObj* m = nullptr;
      MatrixRecord f;
      FindRegionForType(sizedTypes[i], scene, excluded[i], m, f, nullptr, nullptr);
    }
  }
  FindRegionForType(type, scene, group, mesh, frame, excluded[0], excluded[1]);
}

void MBoneObj::MoveRegionWithFalloff(const PointRecord* offset, double factor, MGroup* group, MMeshObj* mesh,
                                     const MatrixRecord& frame, const PointRecord* centre, const PointArray* shape) {
  if (group == nullptr || mesh == nullptr) return;
  if (shape != nullptr && centre == nullptr) return;  // a shape is placed about a centre
  PtrArray all, ring;
  EngArray<int> indices;
  if (!CollectRegion(mesh, group, all, ring, indices)) return;
  if (shape != nullptr && shape->count != all.count) return;  // captured from another region
  int rings = 1;
  for (MLine* line : mesh->lines) {
    if (line->group == group && (line->flags & kLineHidden) == 0) {
      rings = line->GetWidth();
      break;
    }
  }
  mesh->SaveEditState();
  if (Failed()) return;
  const int stamp = mesh->TakeVisitStamp();
  int highest = stamp;
  for (int j = 0; j < ring.count; ++j) static_cast<MVertex*>(ring[j])->SetRingIds(stamp);
  const PointRecord centreInMesh = centre != nullptr ? TransformPoint(frame, *centre) : PointRecord{0, 0, 0};
  PointArray previous, current;
  PtrArray numbered;
  for (int i = 0; i <= rings && ring.count > 0 && !Failed(); ++i) {
    const double w = double(rings - i + 1) / double(rings + 1);
    current.RemoveAll();
    for (int j = 0; j < ring.count; ++j) {
      MVertex* v = static_cast<MVertex*>(ring[j]);
      PointRecord d{0, 0, 0};
      if (offset != nullptr) {
        d = TransformVector(frame, *offset);
      } else if (shape != nullptr) {
        if (i == 0) {
          d = Sub(Add(centreInMesh, TransformVector(frame, (*shape)[indices[j]])), v->position);
        } else {
          // The mean of the moves of its neighbours in the ring before.
          int n = 0;
          ForEachRingMember(v, [&](MVertex* member) {
            ForEachLineAround(member, [&](MLine* line) {
              const int k = line->OtherEnd(member)->id - stamp - 1;
              if (k < 0 || k >= previous.count) return;
              d = Add(d, previous[k]);
              ++n;
            });
          });
          if (n > 0) d = Mul(d, 1.0 / n);
        }
      } else {
        PointRecord c = centreInMesh;
        if (centre == nullptr) {
          const SkinRecord* record = GetSkinRecordOfVertex(v);
          PointRecord s;
          if (record != nullptr) GetSkeletonPoint(*record, 0, s);
          c = record != nullptr ? TransformPoint(frame, s) : v->position;  // no rest state: no scaling
        }
        d = Sub(Add(c, Mul(Sub(v->position, c), factor)), v->position);
      }
      if (!current.Add(d)) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return;
      }
      if (!MoveSavedVertex(v, Add(v->position, Mul(d, w)))) return;
    }
    if (i == rings) break;
    // The next ring: unstamped neighbours across lines that are not hidden
    // diagonals (every vertex met so far carries the stamp or a number
    // above it).
    PtrArray next;
    for (int j = 0; j < ring.count; ++j) {
      MVertex* v = static_cast<MVertex*>(ring[j]);
      const bool ok = ForEachRingMember(v, [&](MVertex* member) {
        return ForEachLineAround(member, [&](MLine* line) {
          if ((line->flags & kLineHiddenDiagonal) != 0) return true;
          MVertex* n = line->OtherEnd(member);
          if (n->id >= stamp) return true;
          n->SetRingIds(stamp);
          return next.Add(n);
        });
      });
      if (!ok) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return;
      }
    }
    // This ring is numbered so that the next one finds its moves; the ring
    // before goes back to the plain stamp.
    for (int j = 0; j < numbered.count; ++j) static_cast<MVertex*>(numbered[j])->SetRingIds(stamp);
    for (int j = 0; j < ring.count; ++j) static_cast<MVertex*>(ring[j])->SetRingIds(stamp + 1 + j);
    highest = std::max(highest, stamp + ring.count);
    previous = std::move(current);
    current = PointArray();
    numbered = std::move(ring);
    ring = std::move(next);
  }
  // Later stamps must lie above every number given out here.
  if (mesh->visitStamp <= highest) mesh->visitStamp = highest + 1;
}

void MBoneObj::MoveRegionToFeature(MDocObj* scene, const PointRecord& a, const PointRecord* b, MGroup* group,
                                   MMeshObj* mesh, const MatrixRecord& frame, bool rebuild, int rebuildArgument,
                                   bool scaleAboutBones, int type) {
  if (group == nullptr || mesh == nullptr) return;
  // The scene's edit step stays open: the whole fitting is one undo.
  mesh->SaveEditState();
  if (Failed()) return;
  PtrArray vertices;
  mesh->CollectGroupMembers(group, nullptr, nullptr, &vertices);
  if (Failed()) return;
  const MatrixRecord back = Inverse(frame);
  PointRecord reference;
  GetTransformedBoxCentre(vertices, back, type, reference);
  if (b != nullptr && vertices.count > 0) {
    double radius = 0;
    PointRecord centroid{0, 0, 0};
    for (int i = 0; i < vertices.count; ++i) {
      const PointRecord p = TransformPoint(back, static_cast<MVertex*>(vertices[i])->position);
      radius = std::max(radius, std::sqrt((p.x - reference.x) * (p.x - reference.x) +
                                          (p.y - reference.y) * (p.y - reference.y) + reference.z * reference.z));
      centroid = Add(centroid, p);
    }
    centroid = Mul(centroid, 1.0 / vertices.count);
    if (radius > 1e-12) {
      const double s = MUtilDistance(a, *b) / (2 * radius);
      MoveRegionWithFalloff(nullptr, s, group, mesh, frame, scaleAboutBones ? nullptr : &centroid, nullptr);
    }
  }
  if (type < 0 && !Failed()) {
    const PointRecord target = b != nullptr ? Mul(Add(a, *b), 0.5) : a;
    const PointRecord offset{target.x - reference.x, target.y - reference.y, -reference.z};
    MoveRegionWithFalloff(&offset, 1, group, mesh, frame, nullptr, nullptr);
  }
  if (type >= 4 && type <= 7 && !Failed())
    MoveRegionWithFalloff(nullptr, 1, group, mesh, frame, &reference, regionShapes[type - 4]);
  if (rebuild && !Failed()) RebuildRigFromObjects(scene, rebuildArgument != 0);
}

void MBoneObj::FitMarkedRegions(MDocObj* scene) {
  NumberBodyVertices(scene);
  // The fourth region is placed by its pair of points 7 and 8.
  for (int code : {4, 5, 6, 7, 8})
    if (!HasFeatureCode(code)) return;
  MGroup* groups[4] = {};
  MMeshObj* meshes[4] = {};
  MatrixRecord frames[4];
  for (int k = 0; k < 4; ++k) {
    FindFeatureRegion(4 + k, scene, groups[k], meshes[k], frames[k]);
    if (groups[k] == nullptr || Failed()) return;
  }
  const PointRecord p7 = GetFeaturePoint(7), p8 = GetFeaturePoint(8);
  for (int pass = 0; pass < 4 && !Failed(); ++pass) {
    for (int k = 0; k < 3 && !Failed(); ++k)
      MoveRegionToFeature(scene, GetFeaturePoint(4 + k), nullptr, groups[k], meshes[k], frames[k], false, 0, false, -1);
    if (Failed()) return;
    if (pass == 0)
      MoveRegionToFeature(scene, p7, &p8, groups[3], meshes[3], frames[3], false, 0, false, -1);
    else
      MoveRegionToFeature(scene, Mul(Add(p7, p8), 0.5), nullptr, groups[3], meshes[3], frames[3], false, 0, false,
                          -1);
  }
  for (int k = 0; k < 4 && !Failed(); ++k)
    MoveRegionToFeature(scene, GetFeaturePoint(4 + k), nullptr, groups[k], meshes[k], frames[k], false, 0, false,
                        4 + k);
}

void MBoneObj::FitPairedRegions(MDocObj* scene) {
  NumberBodyVertices(scene);
  for (int code : {50, 52, 70, 72, 60, 62, 74, 90, 100}) {
    // A region is sized by its pair of points: without the second one
    // it stays as it is.
    if (!HasFeatureCode(code) || !HasFeatureCode(code + 1)) continue;
    MGroup* group = nullptr;
    MMeshObj* mesh = nullptr;
    MatrixRecord frame;
    FindFeatureRegion(code, scene, group, mesh, frame);
    if (Failed()) return;
    const bool limb = code != 74 && code != 90 && code != 100;
    const PointRecord second = GetFeaturePoint(code + 1);
    MoveRegionToFeature(scene, GetFeaturePoint(code), &second, group, mesh, frame, true, limb ? 1 : 0, limb, -1);
    if (Failed()) return;
  }
}

void MBoneObj::CaptureRegionShapes(MDocObj* scene) {
  for (int k = 0; k < 4; ++k) {
    PointArray* fresh = NewFigureArray<PointArray>(0);
    if (fresh == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    DeleteFigureArray(regionShapes[k]);
    regionShapes[k] = fresh;
  }
  for (int k = 0; k < 4; ++k) {
    if (!HasFeatureCode(4 + k)) continue;
    MGroup* group = nullptr;
    MMeshObj* mesh = nullptr;
    MatrixRecord frame;
    FindFeatureRegion(4 + k, scene, group, mesh, frame);
    if (group == nullptr || Failed()) continue;
    PtrArray vertices;
    mesh->CollectGroupMembers(group, nullptr, nullptr, &vertices);
    const MatrixRecord back = Inverse(frame);
    PointRecord centre;
    GetTransformedBoxCentre(vertices, back, 1, centre);
    for (int i = 0; i < vertices.count; ++i) {
      if (!regionShapes[k]->Add(Sub(TransformPoint(back, static_cast<MVertex*>(vertices[i])->position), centre))) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return;
      }
    }
  }
}

void MBoneObj::AlignRedRegion(MDocObj* scene) {
  if (!HasFeatureCode(100)) return;
  MGroup* group = nullptr;
  MMeshObj* mesh = nullptr;
  MatrixRecord frame;
  FindRegionForType(100, scene, group, mesh, frame, nullptr, nullptr);
  if (group == nullptr) return;  // no red region: nothing to align
  PtrArray vertices;
  mesh->CollectGroupMembers(group, nullptr, nullptr, &vertices);
  PointRecord reference;
  GetTransformedBoxCentre(vertices, Inverse(frame), 1, reference);
  MoveRegionToFeature(scene, reference, nullptr, group, mesh, frame, true, 0, false, -1);
}

void MBoneObj::FindRedFacingObject(bool fromBehind, MDocObj* scene, PtrArray& faces, MatrixRecord& matrix,
                                   MMeshObj** mesh) {
  *mesh = nullptr;
  PtrArray meshes;
  if (!CollectSceneMeshes(this, scene, meshes)) return;
  PtrArray facing;
  for (int i = 0; i < meshes.count; ++i) {
    MMeshObj* candidate = static_cast<MMeshObj*>(meshes[i]);
    const MatrixRecord world = WorldMatrixOf(candidate);
    const PointRecord direction = TransformVector(Inverse(world), {0, 0, fromBehind ? -1.0 : 1.0});
    faces.RemoveAll();
    facing.RemoveAll();
    candidate->CollectFacingFaces(1, &facing, direction);
    for (int f = 0; f < facing.count; ++f) {
      if (GetFaceColourClass(static_cast<MFace*>(facing[f])) != kFaceRed) continue;
      if (!faces.Add(facing[f])) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return;
      }
    }
    if (faces.count > 0) {
      matrix = world;
      *mesh = candidate;
      return;
    }
  }
}

void MBoneObj::FindCentralFace(const PtrArray& faces, const MatrixRecord& m, MFace** out) {
  *out = nullptr;
  Box box;
  auto centroid = [&](MFace* face) {
    MVertex* c[3];
    face->GetVertices(c);
    PointRecord sum{0, 0, 0};
    for (MVertex* v : c) {
      const PointRecord p = TransformPoint(m, v->position);
      box.Add(p);
      sum = Add(sum, p);
    }
    return Mul(sum, 1.0 / 3);
  };
  for (int i = 0; i < faces.count; ++i) centroid(static_cast<MFace*>(faces[i]));
  if (box.empty) return;
  const PointRecord target{box.high.x, 0.5 * (box.low.y + box.high.y), 0.5 * (box.low.z + box.high.z)};
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < faces.count; ++i) {
    MFace* face = static_cast<MFace*>(faces[i]);
    const double d = MUtilDistance(centroid(face), target);
    if (d < best) {
      best = d;
      *out = face;
    }
  }
}

void MBoneObj::GetFaceUVBounds(MFace* face, double& uMin, double& uMax, double& vMin, double& vMax) {
  MVertex* c[3];
  face->GetVertices(c);
  for (int i = 0; i < 3; ++i) {
    double u, v;
    c[i]->GetFaceUV(face, u, v);
    uMin = i == 0 ? u : std::min(uMin, u);
    uMax = i == 0 ? u : std::max(uMax, u);
    vMin = i == 0 ? v : std::min(vMin, v);
    vMax = i == 0 ? v : std::max(vMax, v);
  }
  if (uMax - uMin == 0) uMax = uMin + 0.01;
  if (vMax - vMin == 0) vMax = vMin + 0.01;
}

void MBoneObj::GetFacesBounds(const PtrArray& faces, const MatrixRecord& m, BoundsRecord& out) {
  Box box;
  for (int i = 0; i < faces.count; ++i) {
    MVertex* c[3];
    static_cast<MFace*>(faces[i])->GetVertices(c);
    for (MVertex* v : c) box.Add(TransformPoint(m, v->position));
  }
  out = {box.low.x, box.low.y, box.low.z, box.high.x, box.high.y, box.high.z, box.empty ? 1 : 0};
  if (box.empty) out = {0, 0, 0, 0, 0, 0, 1};
}

}  // namespace engine
