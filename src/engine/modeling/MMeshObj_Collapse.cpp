// Modelling: collapsing a line into one vertex (a line between faces, a
// free line, and all the coincident lines of a seam at once), the tests that
// keep a collapse from folding the surface, the corner texture coordinates
// a collapse carries over, and the edits built on it.
#include <cmath>
#include <unordered_set>
#include <vector>

#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

// One side of the line from K = end0 to R = end1: its face and its wings at
// K and at R. A side with a face is a triangle (K, R, far).
struct CollapseSide {
  MFace* face;
  MLine* wingK;
  MLine* wingR;
  // Whether the face lies on wingK's forward side: the face beyond wingR
  // takes that side of wingK.
  bool onForwardOfWingK = false;
};

CollapseSide ForwardSide(MLine* l) {
  return {l->forwardFace, l->nextAround0, l->prevAround1, l->nextAround0->forwardFace == l->forwardFace};
}
CollapseSide BackwardSide(MLine* l) {
  return {l->backwardFace, l->prevAround0, l->nextAround1, l->prevAround0->forwardFace == l->backwardFace};
}

// The face on the other side of a wing from the side's face.
MFace* Beyond(const MLine* wing, const MFace* sideFace) {
  return wing->forwardFace == sideFace ? wing->backwardFace : wing->forwardFace;
}

bool BackToBack(MLine* l) { return l->nextAround0 == l->prevAround0 && l->prevAround1 == l->nextAround1; }

// The tetrahedron case: both sides closed and the faces beyond the wings at
// each end one face.
bool ClosesTetrahedron(MLine* l) {
  const CollapseSide f = ForwardSide(l), b = BackwardSide(l);
  if (f.face == nullptr || b.face == nullptr) return false;
  MFace* const beyondR = Beyond(f.wingR, f.face);
  MFace* const beyondK = Beyond(f.wingK, f.face);
  return beyondR != nullptr && beyondK != nullptr && beyondR == Beyond(b.wingR, b.face) &&
         beyondK == Beyond(b.wingK, b.face);
}

// A line around R, other than the line and the wings at R of its closed
// sides, whose far end is joined to K: the collapse would fold the surface.
bool WouldFold(MLine* l) {
  MVertex* const k = l->end0;
  MVertex* const r = l->end1;
  const CollapseSide f = ForwardSide(l), b = BackwardSide(l);
  bool fold = false;
  ForEachLineAround(r, [&](MLine* m) {
    if (m == l || (f.face != nullptr && m == f.wingR) || (b.face != nullptr && m == b.wingR)) return true;
    fold = k->FindLine(m->OtherEnd(r)) != nullptr;
    return !fold;
  });
  return fold;
}

bool TexturesOn() { return EngContext().textureMode != 0; }

}  // namespace

// ---- corner texture coordinates --------------------------------------------------------

bool MMeshObj::CollectCornerUVs(MVertex* kept, MVertex* other, PtrArray& shaderList, DoubleArray& uList,
                                DoubleArray& vList) {
  if (!TexturesOn()) return false;
  struct Entry {
    MShader* shader;
    double u, v;
  };
  // Each vertex's (material, u, v); a material met twice with other
  // coordinates means a texture seam runs through the vertex.
  auto collect = [](MVertex* vertex, std::vector<Entry>& out) {
    bool seam = false;
    ForEachLineAround(vertex, [&](MLine* line) {
      MFace* face = line->LeavingFace(vertex);
      if (face == nullptr || !face->IsTextured() || face->uv == nullptr) return true;
      const MFaceUV::Pair uv = face->uv->corner[face->CornerIndex(vertex)];
      for (const Entry& e : out)
        if (e.shader == face->shader) {
          seam = seam || std::fabs(e.u - uv.u) > 1e-8 || std::fabs(e.v - uv.v) > 1e-8;
          return !seam;
        }
      out.push_back({face->shader, uv.u, uv.v});
      return true;
    });
    return !seam;
  };
  std::vector<Entry> first, second;
  if (!collect(kept, first) || !collect(other, second)) return false;
  for (const Entry& e : first) {
    bool shared = false;
    for (const Entry& s : second) shared = shared || s.shader == e.shader;
    if (!shared) continue;
    if (!shaderList.Add(e.shader) || !uList.Add(e.u) || !vList.Add(e.v)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
  }
  return shaderList.count > 0;
}

void MMeshObj::ApplyCornerUVs(MVertex* v, const PtrArray& shaderList, const DoubleArray& uList,
                              const DoubleArray& vList) {
  ForEachLineAround(v, [&](MLine* line) {
    MFace* face = line->LeavingFace(v);
    if (face == nullptr || !face->IsTextured() || face->uv == nullptr) return;
    for (int i = 0; i < shaderList.count; ++i)
      if (shaderList[i] == face->shader) face->uv->corner[face->CornerIndex(v)] = {uList[i], vList[i]};
  });
}

// ---- the collapse tests -------------------------------------------------------------------

bool MMeshObj::CanCollapseSingleLine(MLine* line) {
  if (!line->HasFace() || BackToBack(line)) return true;
  return !ClosesTetrahedron(line) && !WouldFold(line);
}

bool MMeshObj::CanCollapseRings(MLine* line) {
  if (line->end0->ringNext == line->end0 && line->end1->ringNext == line->end1) return true;
  PtrArray coincident;
  if (!CollectLineAndCoincident(line, coincident)) return false;
  std::unordered_set<const void*> marked, farRings, oppositeEdges;
  for (int i = 0; i < coincident.count; ++i) {
    MLine* l = At<MLine>(coincident, i);
    marked.insert(l->forwardFace);
    marked.insert(l->backwardFace);
  }
  // What each side's vertices reach over lines between two unmarked faces.
  auto reach = [&](MVertex* v, auto&& onFar, auto&& onOpposite) {
    bool go = true;
    ForEachLineAround(v, [&](MLine* m) {
      if (m->forwardFace == nullptr || m->backwardFace == nullptr) return true;
      if (marked.count(m->forwardFace) || marked.count(m->backwardFace)) return true;
      go = onFar(m->OtherEnd(v));
      MFace* face = m->LeavingFace(v);
      MLine* edges[3];
      face->GetLines(edges);
      for (MLine* e : edges)
        if (!e->HasEnd(v) && go) go = onOpposite(e);
      return go;
    });
    return go;
  };
  bool ok = ForEachRingMember(line->end0, [&](MVertex* a) {
    return reach(
        a,
        [&](MVertex* far) {
          ForEachRingMember(far, [&](MVertex* member) { farRings.insert(member); });
          return true;
        },
        [&](MLine* edge) {
          PtrArray same;
          if (!CollectLineAndCoincident(edge, same)) return false;
          for (int i = 0; i < same.count; ++i) oppositeEdges.insert(same[i]);
          return true;
        });
  });
  if (!ok) return false;
  return ForEachRingMember(line->end1, [&](MVertex* b) {
    return reach(
        b, [&](MVertex* far) { return farRings.count(far) == 0; },
        [&](MLine* edge) { return oppositeEdges.count(edge) == 0; });
  });
}

// ---- collapsing one line ------------------------------------------------------------------

bool MMeshObj::CollapseOneLine(MLine* line, MVertex* givenUp, MVertex** survivor, MLine** wing0, MLine** wing1) {
  if (wing0 != nullptr) *wing0 = nullptr;
  if (wing1 != nullptr) *wing1 = nullptr;
  if (!line->HasFace()) return CollapseFreeLine(line, givenUp, survivor);
  return CollapseFacedLine(line, givenUp, survivor, wing0, wing1);
}

bool MMeshObj::CollapseFacedLine(MLine* line, MVertex* givenUp, MVertex** survivor, MLine** wing0, MLine** wing1) {
  if (survivor != nullptr) *survivor = nullptr;
  if (wing0 != nullptr) *wing0 = nullptr;
  if (wing1 != nullptr) *wing1 = nullptr;
  MVertex* const k = line->end0;
  MVertex* const r = line->end1;
  SaveEditState();
  SaveLineNeighbourhood(line);
  if (Failed()) return false;
  if (BackToBack(line)) {
    // Two triangles on the same three lines: both go, with what they leave.
    MFace* a = line->forwardFace;
    MFace* b = line->backwardFace;
    if (a != nullptr) a->Remove(0);
    if (b != nullptr && MItemIsLive(b)) b->Remove(0);
    return true;
  }
  if (ClosesTetrahedron(line) || WouldFold(line)) return false;

  // The corner coordinates of the vertex whose position stays.
  PtrArray uvShaders;
  DoubleArray uvU, uvV;
  const bool haveUVs = givenUp == k ? CollectCornerUVs(r, k, uvShaders, uvU, uvV)
                                    : CollectCornerUVs(k, r, uvShaders, uvU, uvV);
  if (Failed()) return false;
  const PointRecord newPosition =
      givenUp == k   ? r->position
      : givenUp == r ? k->position
                     : PointRecord{(k->position.x + r->position.x) / 2, (k->position.y + r->position.y) / 2,
                                   (k->position.z + r->position.z) / 2};

  CollapseSide sides[2] = {ForwardSide(line), BackwardSide(line)};
  MLine* const kPrev = line->prevAround0;
  MLine* const kNext = line->nextAround0;
  // R's lines after the collapse in cycle order: from the one after the
  // line round to the one before it, without the wings that merge.
  PtrArray moving;
  for (MLine* m = line->GetNextAround(r); m != line; m = m->GetNextAround(r)) {
    if ((sides[0].face != nullptr && m == sides[0].wingR) || (sides[1].face != nullptr && m == sides[1].wingR)) continue;
    if (!Append(moving, m)) return false;
  }

  for (CollapseSide& side : sides) {
    if (side.face == nullptr) continue;
    side.wingK->MergeAttributes(side.wingR);
    if (supportDistance > 0) {
      side.wingK->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal);
      side.wingR->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal);
    }
  }
  k->MergeAttributes(r);
  for (CollapseSide& side : sides)
    if (side.face != nullptr) side.face->Remove(2);
  line->Remove(1);

  // Each merged wing at R hands the face beyond it to the wing at K, which
  // takes the side the removed face left free, then goes.
  for (CollapseSide& side : sides) {
    if (side.face == nullptr) continue;
    MLine* const wr = side.wingR;
    MLine* const wk = side.wingK;
    MFace* const beyond = wr->forwardFace != nullptr ? wr->forwardFace : wr->backwardFace;
    wr->forwardFace = wr->backwardFace = nullptr;
    if (beyond != nullptr) {
      if (side.onForwardOfWingK)
        wk->forwardFace = beyond;
      else
        wk->backwardFace = beyond;
      if (beyond->firstLine == wr) beyond->firstLine = wk;
    }
    wr->Remove(1);
  }

  // R's remaining lines join K's cycle where the line was.
  const bool kAlone = kPrev == line;
  MLine* before = kAlone ? nullptr : kPrev;
  for (int i = 0; i < moving.count; ++i) {
    MLine* m = At<MLine>(moving, i);
    if (m->end0 == r)
      m->end0 = k;
    else
      m->end1 = k;
    if (before != nullptr) {
      m->SetPrevAround(k, before);
      before->SetNextAround(k, m);
    }
    before = m;
  }
  if (moving.count > 0) {
    MLine* first = At<MLine>(moving, 0);
    MLine* last = At<MLine>(moving, moving.count - 1);
    MLine* after = kAlone ? first : kNext;
    last->SetNextAround(k, after);
    after->SetPrevAround(k, last);
    if (kAlone) {
      first->SetPrevAround(k, last);
      k->firstLine = first;
    }
    k->lineCount += moving.count;
    if (k->firstLine == nullptr) k->firstLine = first;
  }
  r->lineCount = 0;
  r->firstLine = nullptr;
  r->Remove();

  // K alone between two faceless wings does not survive.
  MLine* wings[2] = {sides[0].face != nullptr ? sides[0].wingK : nullptr,
                     sides[1].face != nullptr ? sides[1].wingK : nullptr};
  const bool kGoes = k->lineCount == 2 && wings[0] != nullptr && wings[1] != nullptr && !wings[0]->HasFace() &&
                     !wings[1]->HasFace();
  if (!kGoes && haveUVs) ApplyCornerUVs(k, uvShaders, uvU, uvV);
  for (MLine*& wing : wings) {
    if (wing == nullptr || !MItemIsLive(wing)) {
      wing = nullptr;
      continue;
    }
    if (wing->flags & kLineHiddenDiagonal) {
      MFace* a = wing->forwardFace;
      MFace* b = wing->backwardFace;
      const bool keeps = a != nullptr && b != nullptr && a->shader == b->shader && a->CountHiddenEdges() <= 1 &&
                         b->CountHiddenEdges() <= 1;
      if (!keeps) wing->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal);
    }
    if (!wing->HasFace()) {
      wing->Remove(0);
      wing = nullptr;
    }
  }
  if (kGoes || !MItemIsLive(k)) return true;
  k->position = newPosition;
  if (k->flags & kVertexOnMirror) k->position.x = 0;
  SplitVertexFans(k, nullptr);
  if (survivor != nullptr) *survivor = k;
  if (wing0 != nullptr) *wing0 = wings[0];
  if (wing1 != nullptr) *wing1 = wings[1];
  return true;
}

// ---- collapsing across rings ----------------------------------------------------------------

bool MMeshObj::CollapseLine(MLine* line, MVertex* givenUp, MVertex** survivor, MLine** wing0, MLine** wing1) {
  if (survivor != nullptr) *survivor = nullptr;
  if (wing0 != nullptr) *wing0 = nullptr;
  if (wing1 != nullptr) *wing1 = nullptr;
  if (!CanCollapseRings(line)) return false;
  PtrArray coincident, members;
  if (!CollectLineAndCoincident(line, coincident)) return false;
  line->end0->CollectRing(members);
  line->end1->CollectRing(members);
  if (Failed()) return false;
  MVertex* first = nullptr;
  if (coincident.count == 1) {
    if (!CollapseOneLine(line, givenUp, &first, wing0, wing1)) return false;
  } else {
    for (int i = 0; i < coincident.count; ++i)
      if (!CanCollapseSingleLine(At<MLine>(coincident, i))) return false;
    for (int i = 0; i < coincident.count && !Failed(); ++i) {
      MLine* l = At<MLine>(coincident, i);
      if (IsRemoved(l)) continue;
      MVertex* own = nullptr;
      if (givenUp != nullptr) own = givenUp->IsInRing(l->end0) ? l->end0 : givenUp->IsInRing(l->end1) ? l->end1 : nullptr;
      MVertex* kept = nullptr;
      const bool done = l == line ? CollapseOneLine(l, own, &kept, wing0, wing1)
                                  : CollapseOneLine(l, own, &kept, nullptr, nullptr);
      if (!done) {
        EngRecordFailure(14);
        return false;
      }
      if (first == nullptr && kept != nullptr) first = kept;
    }
  }
  if (Failed()) return false;
  // The survivors of both rings become one ring at the first one's place.
  MVertex* ringHead = first;
  for (int i = 0; i < members.count; ++i) {
    MVertex* v = At<MVertex>(members, i);
    if (!MItemIsLive(v)) continue;
    if (ringHead == nullptr)
      ringHead = v;
    else if (!ringHead->IsInRing(v)) {
      v->SaveUndoRing();
      if (Failed()) return false;
      ringHead->JoinRing(v);
    }
  }
  if (ringHead != nullptr) {
    ringHead->SaveUndoRing();
    if (Failed()) return false;
    ringHead->SetPosition(ringHead->position);
    ringHead->SpreadMirrorFlag();
    MVertex* tidy = TidyVertexRing(ringHead);
    if (tidy != nullptr && !Failed()) MergeCoincidentLinesAt(tidy);
  }
  if (survivor != nullptr) *survivor = first != nullptr && MItemIsLive(first) ? first : nullptr;
  return true;
}

// ---- edits built on the collapse -------------------------------------------------------------

void MMeshObj::CollapseShortestLine(MVertex* v) {
  MLine* shortest = nullptr;
  double best = 0;
  ForEachLineAround(v, [&](MLine* line) {
    const PointRecord a = line->PointAt(0), b = line->PointAt(1);
    const double d = (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z);
    if (shortest == nullptr || d < best) {
      shortest = line;
      best = d;
    }
  });
  if (shortest == nullptr) return;
  SaveEditState();
  SaveLineNeighbourhood(shortest);
  if (!Failed()) CollapseLine(shortest, v, nullptr, nullptr, nullptr);
}

void MMeshObj::MergeVertexInto(MVertex* a, MVertex* b) {
  if (!MItemIsLive(a) || !MItemIsLive(b)) return;
  MLine* line = a->FindLineBetweenRings(b);
  if (line == nullptr) return;
  const PointRecord target = b->position;
  SaveEditState();
  SaveLineNeighbourhood(line);
  if (Failed()) return;
  MVertex* kept = nullptr;
  if (CollapseLine(line, line->end0, &kept, nullptr, nullptr)) {
    if (kept != nullptr) kept->SetPosition(target);
  } else if (!line->HasFace() && !Failed()) {
    line->Remove(2);
  }
}

void MMeshObj::RemoveFaceAndTidy(MFace* face) {
  SaveEditState();
  SaveFaceNeighbourhood(face);
  MVertex* corners[3];
  face->GetVertices(corners);
  for (MVertex* c : corners)
    if (!Failed()) SaveRingNeighbourhood(c);
  if (Failed()) return;
  face->Remove(0);
  for (MVertex* c : corners)
    if (MItemIsLive(c) && !Failed()) SplitVertexFans(c, nullptr);
}

}  // namespace engine
