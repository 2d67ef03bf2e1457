// Modelling: the texture-coordinate editor's operations. Corners and edges
// of the faces of one material are marked in the faces' flag words, picked,
// moved, turned, scaled, mirrored or typed; corners at one vertex ring with
// the same coordinates (twins) move together.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr std::uint16_t kAllUVMarks = kFaceUVMarks | kFaceUVSecondMarks;

// A face the editor works on: shown, of the material, with coordinates.
bool Editable(const MFace* face, const MShader* shader) {
  return face->shader == shader && !(face->flags & kFaceHidden) && face->uv != nullptr;
}

bool AppendTriple(TripleArray& out, MFace* face, int kind, int index) {
  if (out.Add({face, kind, index})) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}

bool Listed(const TripleArray& list, const MFace* face, int kind, int index) {
  for (int i = 0; i < list.count; ++i)
    if (list[i].pointer == face && list[i].first == kind && list[i].second == index) return true;
  return false;
}

// Calls change(corner) on every marked corner of the material's editable
// faces, each face saved first; false when saving failed.
template <class Change>
bool ChangeMarkedCorners(MMeshObj& mesh, MShader* shader, Change change) {
  mesh.SaveEditState();
  for (MFace* face : mesh.faces) {
    if (!Editable(face, shader) || !(face->flags & kFaceUVSecondMarks)) continue;
    face->SaveUndo();
    if (Failed()) return false;
    for (int k = 0; k < 3; ++k)
      if (face->HasUVCornerMark(k)) change(face->uv->corner[k]);
  }
  return true;
}

}  // namespace

// ---- queries -------------------------------------------------------------------------------

bool MMeshObj::HasUVOutsideRange(MShader* shader) {
  for (MFace* face : faces) {
    if (!Editable(face, shader)) continue;
    for (const MFaceUV::Pair& c : face->uv->corner)
      if (c.u < -0.1 || c.u > 1.1 || c.v < -0.1 || c.v > 1.1) return true;
  }
  return false;
}

MShader* MMeshObj::FindShaderByTexture(MShader* shader) {
  for (MShader* own : shaders)
    if (own->IsEqual(*shader, true)) return own;
  return nullptr;
}

void MMeshObj::GetMarkedUVExtent(MShader* shader, double& u, double& v, int& count, int type) {
  bool first = true;
  for (MFace* face : faces) {
    if (!Editable(face, shader)) continue;
    for (int k = 0; k < 3; ++k) {
      if (!face->HasUVCornerMark(k)) continue;
      const MFaceUV::Pair c = face->uv->corner[k];
      ++count;
      if (type < 0) {
        u += c.u;
        v += c.v;
      } else if (type <= 3) {
        if (first) {
          u = c.u;
          v = c.v;
        } else if (type == 0) {
          v = std::fmax(v, c.v);
        } else if (type == 1) {
          u = std::fmin(u, c.u);
        } else if (type == 2) {
          v = std::fmin(v, c.v);
        } else {
          u = std::fmax(u, c.u);
        }
      }
      first = false;
    }
  }
}

// ---- marks and the selection ----------------------------------------------------------------

void MMeshObj::ClearUVMarks() {
  SaveEditState();
  for (MFace* face : faces) {
    if (!(face->flags & kAllUVMarks)) continue;
    face->SaveUndo();
    if (Failed()) return;
    face->flags &= static_cast<std::uint16_t>(~kAllUVMarks);
  }
}

void MMeshObj::UVMarksFromSelection(MShader* shader) {
  ClearUVMarks();
  for (MFace* face : faces) {
    if (Failed()) return;
    if (!Editable(face, shader)) continue;
    MLine* edges[3];
    MVertex* corners[3];
    face->GetLines(edges);
    face->GetVertices(corners);
    // A face without marks before was not saved by the clearing.
    face->SaveUndo();
    if (Failed()) return;
    for (int k = 0; k < 3; ++k) {
      if ((edges[k]->flags & kLineSelected) && !(edges[k]->flags & kLineHidden)) face->SetUVEdgeMark(k);
      if ((corners[k]->flags & kVertexSelected) && !(corners[k]->flags & kVertexHidden)) face->SetUVCornerMark(k);
    }
  }
}

void MMeshObj::SelectionFromUVMarks(MShader* shader) {
  for (MVertex* v : vertices) v->flags &= ~static_cast<std::uint32_t>(kVertexSelected);
  for (MLine* line : lines) line->flags &= ~static_cast<std::uint32_t>(kLineSelected);
  for (MFace* face : faces) {
    if (!Editable(face, shader)) continue;
    MLine* edges[3];
    MVertex* corners[3];
    face->GetLines(edges);
    face->GetVertices(corners);
    for (int k = 0; k < 3; ++k) {
      if (face->HasUVEdgeMark(k)) {
        PtrArray same;
        if (!CollectLineAndCoincident(edges[k], same)) return;
        for (int i = 0; i < same.count; ++i) At<MLine>(same, i)->flags |= kLineSelected;
      }
      if (face->HasUVCornerMark(k)) corners[k]->SelectRing();
    }
  }
  InvalidateSelectionCache();
}

void MMeshObj::SetUVCornerMarks(const TripleArray& list, bool set) {
  SaveEditState();
  for (int i = 0; i < list.count; ++i) {
    MFace* face = static_cast<MFace*>(list[i].pointer);
    face->SaveUndo();
    if (Failed()) return;
    const int k = list[i].second;
    if (list[i].first == 0)
      set ? face->SetUVCornerMark(k) : face->ClearUVCornerMark(k);
    else
      set ? face->SetUVEdgeMark(k) : face->ClearUVEdgeMark(k);
  }
}

void MMeshObj::CollectMarkedUVCorners(TripleArray& out) {
  for (MFace* face : faces) {
    if (face->uv == nullptr) continue;
    for (int k = 0; k < 3; ++k)
      if (face->HasUVCornerMark(k) && !AppendTriple(out, face, 0, k)) return;
  }
}

void MMeshObj::ExpandUVEdgeMarks() {
  // The marked edges are listed first: marking twins adds marks the scan
  // must not meet again.
  TripleArray marked;
  for (MFace* face : faces)
    for (int k = 0; k < 3; ++k)
      if (face->uv != nullptr && face->HasUVEdgeMark(k) && !AppendTriple(marked, face, 1, k)) return;
  for (int i = 0; i < marked.count && !Failed(); ++i) {
    TripleArray twins;
    CollectUVTwins(marked[i], twins);
    if (!Failed()) SetUVCornerMarks(twins, true);
  }
}

// ---- twins and picking ---------------------------------------------------------------------

void MMeshObj::CollectUVTwins(const Triple& item, TripleArray& out) {
  MFace* face = static_cast<MFace*>(item.pointer);
  MShader* shader = face->shader;
  MVertex* corners[3];
  face->GetVertices(corners);
  auto cornerTwins = [&](int k) {
    const MFaceUV::Pair at = face->uv->corner[k];
    PtrArray members;
    corners[k]->CollectRingMembersWithFaces(members);
    if (Failed()) return false;
    for (int i = 0; i < members.count; ++i) {
      MVertex* member = At<MVertex>(members, i);
      PtrArray around;
      member->CollectFaces(around);
      if (Failed()) return false;
      for (int j = 0; j < around.count; ++j) {
        MFace* other = At<MFace>(around, j);
        if (other->shader != shader || other->uv == nullptr) continue;
        const int c = other->CornerIndex(member);
        const MFaceUV::Pair p = other->uv->corner[c];
        if (std::fabs(p.u - at.u) + std::fabs(p.v - at.v) <= 1e-8 && !AppendTriple(out, other, 0, c)) return false;
      }
    }
    return true;
  };
  if (item.first == 0) {
    cornerTwins(item.second);
    return;
  }
  const int k = item.second == 0 || item.second == 1 ? item.second : 2;
  if (!cornerTwins(k) || !cornerTwins((k + 1) % 3)) return;
  MLine* edges[3];
  face->GetLines(edges);
  PtrArray same;
  if (!CollectLineAndCoincident(edges[k], same)) return;
  for (int i = 0; i < same.count; ++i) {
    MLine* line = At<MLine>(same, i);
    for (MFace* side : {line->forwardFace, line->backwardFace}) {
      if (side == nullptr) continue;
      static constexpr int kEdgeCorners[3][2] = {{0, 1}, {1, 2}, {2, 0}};
      for (int e = 0; e < 3; ++e) {
        if (!Listed(out, side, 0, kEdgeCorners[e][0]) || !Listed(out, side, 0, kEdgeCorners[e][1])) continue;
        if (!AppendTriple(out, side, 1, e)) return;
        break;
      }
    }
  }
}

bool MMeshObj::PickUV(double u, double v, double radius, MShader* shader, TripleArray& out, double& distance) {
  const double limit = radius * radius;
  MFace* best = nullptr;
  int bestIndex = 0, bestKind = 0;
  double bestD = 0;
  auto offer = [&](MFace* face, int kind, int index, double d) {
    if (d >= limit || (best != nullptr && d >= bestD)) return;
    best = face;
    bestKind = kind;
    bestIndex = index;
    bestD = d;
  };
  for (MFace* face : faces) {
    if (!Editable(face, shader)) continue;
    MVertex* corners[3];
    face->GetVertices(corners);
    for (int k = 0; k < 3; ++k) {
      if (corners[k]->flags & kVertexHidden) continue;
      const MFaceUV::Pair c = face->uv->corner[k];
      offer(face, 0, k, (c.u - u) * (c.u - u) + (c.v - v) * (c.v - v));
    }
  }
  if (best == nullptr)
    for (MFace* face : faces) {
      if (!Editable(face, shader)) continue;
      MLine* edges[3];
      face->GetLines(edges);
      for (int k = 0; k < 3; ++k) {
        if (edges[k]->flags & (kLineHidden | kLineHiddenDiagonal)) continue;
        const MFaceUV::Pair a = face->uv->corner[k], b = face->uv->corner[(k + 1) % 3];
        offer(face, 1, k, MUtilPointSegmentDistanceSquared({u, v, 0}, {a.u, a.v, 0}, {b.u, b.v, 0}, nullptr));
      }
    }
  if (best == nullptr) return false;
  out.count = 0;
  CollectUVTwins({best, bestKind, bestIndex}, out);
  if (Failed()) return false;
  distance = std::sqrt(bestD);
  return true;
}

void MMeshObj::MarkUVInRect(double u0, double v0, double u1, double v1, MShader* shader, bool set, int* counters) {
  if (counters == nullptr) SaveEditState();
  auto inside = [&](const MFaceUV::Pair& c) { return c.u > u0 && c.u < u1 && c.v > v0 && c.v < v1; };
  for (MFace* face : faces) {
    if (!Editable(face, shader)) continue;
    MLine* edges[3];
    MVertex* corners[3];
    face->GetLines(edges);
    face->GetVertices(corners);
    bool in[3];
    for (int k = 0; k < 3; ++k) in[k] = inside(face->uv->corner[k]);
    for (int k = 0; k < 3; ++k) {
      const bool edgeIn = in[k] && in[(k + 1) % 3] && !(edges[k]->flags & (kLineHidden | kLineHiddenDiagonal));
      const bool cornerIn = in[k] && !(corners[k]->flags & kVertexHidden);
      if (counters != nullptr) {
        if (edgeIn) ++counters[face->HasUVEdgeMark(k) ? 0 : 2];
        if (cornerIn) ++counters[face->HasUVCornerMark(k) ? 1 : 3];
        continue;
      }
      if (!edgeIn && !cornerIn) continue;
      face->SaveUndo();
      if (Failed()) return;
      if (edgeIn) set ? face->SetUVEdgeMark(k) : face->ClearUVEdgeMark(k);
      if (cornerIn) set ? face->SetUVCornerMark(k) : face->ClearUVCornerMark(k);
    }
  }
}

// ---- changing coordinates ------------------------------------------------------------------

void MMeshObj::MoveUVOfList(double du, double dv, const TripleArray& list) {
  SaveEditState();
  for (int i = 0; i < list.count; ++i) {
    if (list[i].first != 0) continue;
    MFace* face = static_cast<MFace*>(list[i].pointer);
    if (face->uv == nullptr) continue;
    face->SaveUndo();
    if (Failed()) return;
    MFaceUV::Pair& c = face->uv->corner[list[i].second == 0 || list[i].second == 1 ? list[i].second : 2];
    c.u += du;
    c.v += dv;
  }
}

void MMeshObj::MoveUVOfShader(double du, double dv, MShader* shader) {
  ChangeMarkedCorners(*this, shader, [&](MFaceUV::Pair& c) {
    c.u += du;
    c.v += dv;
  });
}

void MMeshObj::RotateUV(double cu, double cv, double angle, MShader* shader) {
  const double cs = std::cos(angle), sn = std::sin(angle);
  ChangeMarkedCorners(*this, shader, [&](MFaceUV::Pair& c) {
    const double du = c.u - cu, dv = c.v - cv;
    c.u = cu + du * cs - dv * sn;
    c.v = cv + du * sn + dv * cs;
  });
}

void MMeshObj::ScaleUV(double cu, double cv, double su, double sv, MShader* shader) {
  ChangeMarkedCorners(*this, shader, [&](MFaceUV::Pair& c) {
    c.u = cu + su * (c.u - cu);
    c.v = cv + sv * (c.v - cv);
  });
}

void MMeshObj::SetSelectedUV(MShader* shader, double u, double v) {
  ChangeMarkedCorners(*this, shader, [&](MFaceUV::Pair& c) { c = {u, v}; });
}

void MMeshObj::MirrorMarkedUV(int axis, MShader* shader, double cu, double cv) {
  // The scene's flip command names u with a non-zero axis; the corners are
  // mirrored on the axis the user chose.
  ChangeMarkedCorners(*this, shader, [&](MFaceUV::Pair& c) {
    if (axis != 0)
      c.u = 2 * cu - c.u;
    else
      c.v = 2 * cv - c.v;
  });
}

void MMeshObj::SetMarkedUVComponent(int component, MShader* shader, double u, double v) {
  ChangeMarkedCorners(*this, shader, [&](MFaceUV::Pair& c) {
    if (component != 0 && component != 2)
      c.u = u;
    else
      c.v = v;
  });
}

void MMeshObj::SplitMarkedUVCorners(MShader* shader) {
  SaveEditState();
  for (MFace* face : faces) {
    if (!Editable(face, shader)) continue;
    for (int k = 0; k < 3; ++k) {
      if (!face->HasUVCornerMark(k)) continue;
      TripleArray twins;
      CollectUVTwins({face, 0, k}, twins);
      if (Failed()) return;
      const MFaceUV::Pair at = face->uv->corner[k];
      for (int j = 0; j < twins.count; ++j) {
        MFace* twin = static_cast<MFace*>(twins[j].pointer);
        twin->SaveUndo();
        if (Failed()) return;
        twin->uv->corner[twins[j].second] = {at.u + j * 1e-7, at.v + j * 1e-7};
      }
    }
  }
}

void MMeshObj::JoinCoincidentUVCorners(MShader* shader) {
  SaveEditState();
  // A later marked corner of a ring already joined holds the ring's
  // coordinates, so joining from it again changes nothing.
  for (MFace* face : faces) {
    if (!Editable(face, shader) || !(face->flags & kFaceUVSecondMarks)) continue;
    MVertex* corners[3];
    face->GetVertices(corners);
    for (int k = 0; k < 3; ++k) {
      if (!face->HasUVCornerMark(k)) continue;
      const MFaceUV::Pair at = face->uv->corner[k];
      PtrArray members;
      corners[k]->CollectRingMembersWithFaces(members);
      for (int i = 0; i < members.count && !Failed(); ++i) {
        MVertex* member = At<MVertex>(members, i);
        PtrArray around;
        member->CollectFaces(around);
        for (int j = 0; j < around.count && !Failed(); ++j) {
          MFace* other = At<MFace>(around, j);
          if (!Editable(other, shader)) continue;
          const int c = other->CornerIndex(member);
          const MFaceUV::Pair p = other->uv->corner[c];
          if (p.u == at.u && p.v == at.v) continue;
          other->SaveUndo();
          if (!Failed()) other->uv->corner[c] = at;
        }
      }
      if (Failed()) return;
    }
  }
}

void MMeshObj::NormalizeSelectedTextureCoords() {
  SaveEditState();
  for (MShader* shader : shaders) {
    PtrArray selected;
    for (MFace* face : faces)
      if (face->shader == shader && face->uv != nullptr && face->IsTextured() && face->AllEdgesSelected() &&
          !Append(selected, face))
        return;
    if (selected.count == 0) continue;
    double low[2] = {HUGE_VAL, HUGE_VAL}, high[2] = {-HUGE_VAL, -HUGE_VAL};
    for (int i = 0; i < selected.count; ++i)
      for (const MFaceUV::Pair& c : At<MFace>(selected, i)->uv->corner) {
        low[0] = std::fmin(low[0], c.u), high[0] = std::fmax(high[0], c.u);
        low[1] = std::fmin(low[1], c.v), high[1] = std::fmax(high[1], c.v);
      }
    // Per axis: a range wider than 1 is squeezed onto 0..1, a narrower
    // one moved by whole repeats so that it starts in 0..1.
    double scale[2], shift[2];
    for (int a = 0; a < 2; ++a) {
      const double range = high[a] - low[a];
      scale[a] = range > 1 + 1e-8 ? 1 / range : 1;
      shift[a] = range > 1 + 1e-8 ? -low[a] : -std::floor(low[a]);
    }
    for (int i = 0; i < selected.count; ++i) {
      MFace* face = At<MFace>(selected, i);
      face->SaveUndo();
      if (Failed()) return;
      for (MFaceUV::Pair& c : face->uv->corner) c = {(c.u + shift[0]) * scale[0], (c.v + shift[1]) * scale[1]};
    }
  }
  MarkChanged();
}

void MMeshObj::SyncQuadUVs() {
  SaveEditState();
  for (MFace* face : faces) {
    if ((face->flags & kFaceHidden) || !face->IsTextured() || face->uv == nullptr) continue;
    MFace* partner = GetQuadPartner(face);
    if (partner == nullptr || partner->uv == nullptr) continue;
    MVertex* corners[3];
    face->GetVertices(corners);
    face->SaveUndo();
    if (Failed()) return;
    for (int k = 0; k < 3; ++k) {
      const int c = partner->CornerIndex(corners[k]);
      if (c >= 0) face->uv->corner[k] = partner->uv->corner[c];
    }
  }
}

}  // namespace engine
