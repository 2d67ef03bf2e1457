// Modelling: line colours and widths, joining vertices by free lines,
// moving a line's end, giving each fan of faces at a vertex a vertex of its
// own, tidying rings of coincident vertices and coincident lines, and
// switching the diagonal of a quad.
#include <algorithm>
#include <cmath>

#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

// ---- colours and widths -----------------------------------------------------------

namespace {

template <class Pick, class Change>
void ChangeLines(MMeshObj& mesh, Pick pick, Change change) {
  mesh.SaveEditState();
  for (MLine* line : mesh.lines) {
    if (!pick(line)) continue;
    line->SaveUndo();
    if (Failed()) return;
    change(line);
  }
}

bool Selected(const MLine* line) { return (line->flags & kLineSelected) != 0; }

void SetWidth(MLine* line, int width) {
  line->flags = (line->flags & ~static_cast<std::uint32_t>(kLineWidthMask)) |
                (static_cast<std::uint32_t>(width) << kLineWidthShift);
}

}  // namespace

void MMeshObj::SetLineColourAll(const PointRecord& rgb) {
  ChangeLines(*this, [](MLine*) { return true; }, [&](MLine* line) { line->SetColour(rgb); });
}

void MMeshObj::SetLineColourSelected(const PointRecord& rgb) {
  ChangeLines(*this, Selected, [&](MLine* line) { line->SetColour(rgb); });
}

void MMeshObj::SetLineWidthAll(int width) {
  if (width < 0 || width > 255) return Refuse();
  ChangeLines(*this, [](MLine*) { return true; }, [&](MLine* line) { SetWidth(line, width); });
}

void MMeshObj::SetLineWidthSelected(int width) {
  if (width < 0 || width > 255) return Refuse();
  ChangeLines(*this, Selected, [&](MLine* line) { SetWidth(line, width); });
}

void MMeshObj::ScaleLineWidth(double factor, bool all) {
  if (!std::isfinite(factor)) return Refuse();
  ChangeLines(*this, [&](MLine* line) { return all || Selected(line); },
              [&](MLine* line) {
                const int width = line->GetWidth();
                if (width == 0) return;
                const double scaled = std::clamp(factor * width, 1.0, 255.0);
                SetWidth(line, static_cast<int>(scaled));
              });
}

void MMeshObj::ClearLineFlag10() {
  ChangeLines(*this, [](MLine* line) { return (line->flags & kLineHidden) != 0; },
              [](MLine* line) {
                line->flags &= ~static_cast<std::uint32_t>(kLineHidden | kLineWidthMask);
              });
}

// ---- free lines and line ends -------------------------------------------------------

MLine* MMeshObj::AddLineBetween(MVertex* a, MVertex* b) {
  if (AnyFailure() || a == b) return nullptr;
  // At a free vertex the line goes after the first line; where faces meet
  // it goes into a gap between them (never across a face), and a vertex
  // closed on every side takes none.
  auto wings = [](MVertex* v, const MVertex* towards, MLine*& next, MLine*& prev) {
    if (v->firstLine == nullptr || v->GetBoundaryKind() == 1) {
      v->GetFirstTwoLines(next, prev);
      return true;
    }
    if (!v->HasGap()) return false;
    v->FindInsertionWings(towards, next, prev);
    return true;
  };
  MLine *aNext, *aPrev, *bNext, *bPrev;
  if (!wings(a, b, aNext, aPrev) || !wings(b, a, bNext, bPrev)) {
    Refuse();
    return nullptr;
  }
  return AddLine(a, b, aNext, aPrev, bPrev, bNext);
}

void MMeshObj::SaveLineAndEnds(MLine* line) {
  line->SaveUndo();
  for (MLine* wing : {line->nextAround0, line->prevAround0, line->prevAround1, line->nextAround1})
    if (!Failed()) wing->SaveUndo();
  if (!Failed()) line->end0->SaveUndo();
  if (!Failed()) line->end1->SaveUndo();
  if (!Failed()) SaveVertexStar(line->end0);
  if (!Failed()) SaveVertexStar(line->end1);
}

void MMeshObj::MoveLineEnd(MVertex* v, MLine* line, MVertex* w) {
  SaveEditState();
  SaveLineAndEnds(line);
  if (!Failed()) SaveVertexStar(w);
  if (Failed()) return;
  MVertex* const far = line->OtherEnd(v);
  if (far->FindLine(w) != nullptr) {
    line->Remove(2);
    return;
  }
  MLine* const prev = line->GetPrevAround(v);
  MLine* const next = line->GetNextAround(v);
  ENG_FATAL_IF((prev == line) != (next == line));
  if (prev != line) {
    prev->SetNextAround(v, next);
    next->SetPrevAround(v, prev);
  }
  v->DetachLine(line, 1);
  MLine *wNext, *wFirst;
  w->GetFirstTwoLines(wNext, wFirst);
  if (line->end0 == v)
    line->end0 = w;
  else
    line->end1 = w;
  ++w->lineCount;
  w->firstLine = line;
  if (wFirst == nullptr) {
    line->SetPrevAround(w, line);
    line->SetNextAround(w, line);
  } else {
    line->SetPrevAround(w, wFirst);
    line->SetNextAround(w, wNext);
    wFirst->SetNextAround(w, line);
    wNext->SetPrevAround(w, line);
  }
}

bool MMeshObj::CollapseFreeLine(MLine* line, MVertex* givenUp, MVertex** survivor) {
  if (survivor != nullptr) *survivor = nullptr;
  if (line->HasFace()) return false;
  MVertex* const dropped = givenUp == line->end0 ? line->end0 : line->end1;
  MVertex* const kept = line->OtherEnd(dropped);
  SaveEditState();
  SaveLineAndEnds(line);
  PtrArray others;
  ForEachLineAround(dropped, [&](MLine* l) { return l == line || Append(others, l); });
  for (int i = 0; i < others.count && !Failed(); ++i) MoveLineEnd(dropped, At<MLine>(others, i), kept);
  if (Failed()) return false;
  line->Remove(2);
  if (survivor != nullptr) *survivor = kept;
  return true;
}

// ---- fans at a vertex -----------------------------------------------------------------

void MMeshObj::SplitVertexFans(MVertex* start, PtrArray* vertexOut) {
  // Each split leaves one fan on the new vertex and the rest on the old
  // one, which is split again until it holds one fan.
  MVertex* v = start;
  while (!Failed()) {
    MLine* gaps[2] = {nullptr, nullptr};
    int found = 0;
    ForEachLineAround(v, [&](MLine* line) {
      if (line->LeavingFace(v) == nullptr) gaps[found++] = line;
      return found < 2;
    });
    if (found < 2) return;
    SaveEditState();
    SaveVertexStar(v);
    if (Failed()) return;
    MVertex* n = AddVertex(v->position);
    if (n == nullptr) return;
    v->CopyAttributesTo(n);
    // The lines after the first gap up to the second go to n.
    MLine* const firstMoved = gaps[0]->GetNextAround(v);
    MLine* const lastMoved = gaps[1];
    MLine* const afterLast = gaps[1]->GetNextAround(v);
    int moved = 0;
    for (MLine* line = firstMoved;; line = line->GetNextAround(v)) {
      ++moved;
      if (line == lastMoved) break;
    }
    for (MLine* line = firstMoved, *following = nullptr;; line = following) {
      following = line->GetNextAround(v);
      if (line->end0 == v)
        line->end0 = n;
      else
        line->end1 = n;
      if (line == lastMoved) break;
    }
    gaps[0]->SetNextAround(v, afterLast);
    afterLast->SetPrevAround(v, gaps[0]);
    lastMoved->SetNextAround(n, firstMoved);
    firstMoved->SetPrevAround(n, lastMoved);
    v->lineCount -= moved;
    v->firstLine = gaps[0];
    n->lineCount = moved;
    n->firstLine = firstMoved;
    if (!Append(vertexOut, n)) return;
    v->CheckLinks(0);
    n->CheckLinks(0);
    v->JoinRing(n);
  }
}

// ---- rings of coincident vertices ------------------------------------------------------

void MMeshObj::RemoveLinelessRingMembers(MVertex* v) {
  PtrArray ring;
  v->CollectRing(ring);
  for (int i = 0; i < ring.count && !Failed(); ++i) {
    MVertex* member = At<MVertex>(ring, i);
    if (member->firstLine != nullptr || IsRemoved(member)) continue;
    member->SaveUndoRing();
    if (!Failed()) member->Remove();
  }
}

MVertex* MMeshObj::MergeFreeRingMembers(MVertex* v) {
  PtrArray ring, free;
  v->CollectRing(ring);
  for (int i = 0; i < ring.count; ++i)
    if (At<MVertex>(ring, i)->GetBoundaryKind() == 1 && !Append(free, ring[i])) return nullptr;
  if (free.count < 2) return v;
  MVertex* kept = At<MVertex>(free, 0);
  for (int i = 1; i < free.count; ++i) {
    MVertex* other = At<MVertex>(free, i);
    other->SaveUndoRing();
    if (Failed()) return nullptr;
    other->LeaveRing();
    MLine* joining = AddLineBetween(kept, other);
    if (joining == nullptr || !CollapseOneLine(joining, other, nullptr, nullptr, nullptr)) return nullptr;
  }
  return kept;
}

MVertex* MMeshObj::GatherFreeLinesOfRing(MVertex* v) {
  PtrArray ring, moving, owners;
  v->CollectRing(ring);
  for (int i = 0; i < ring.count; ++i) {
    MVertex* member = At<MVertex>(ring, i);
    if (member->GetBoundaryKind() != 2) continue;
    bool ok = ForEachLineAround(member, [&](MLine* line) {
      return line->HasFace() || (Append(moving, line) && Append(owners, member));
    });
    if (!ok) return nullptr;
  }
  if (moving.count == 0) return v;
  MVertex* target = v->FindFacelessRingMember();
  if (target == nullptr) {
    SaveEditState();
    v->SaveUndoRing();
    if (Failed() || (target = AddVertexCopy(v)) == nullptr) return nullptr;
  }
  for (int i = 0; i < moving.count && !Failed(); ++i) MoveLineEnd(At<MVertex>(owners, i), At<MLine>(moving, i), target);
  return Failed() ? nullptr : target;
}

MVertex* MMeshObj::TidyVertexRing(MVertex* v) {
  PtrArray ring;
  v->CollectRing(ring);
  if (Failed()) return nullptr;
  MVertex* work = v;
  for (int i = 0; i < ring.count; ++i) {
    MVertex* member = At<MVertex>(ring, i);
    if (member->firstLine != nullptr) {
      work = member;
      continue;
    }
    SaveEditState();
    member->SaveUndoRing();
    if (member->mirrorPartner != nullptr) member->mirrorPartner->SaveUndoRing();
    if (Failed()) return nullptr;
    member->RemoveWithPartner();
  }
  if (work->firstLine == nullptr) return work;
  if ((work = MergeFreeRingMembers(work)) == nullptr) return nullptr;
  if ((work = GatherFreeLinesOfRing(work)) == nullptr) return nullptr;
  PtrArray fans;
  bool ok = ForEachRingMember(work, [&](MVertex* member) { return member->IsOnFreeLine() || Append(fans, member); });
  if (!ok) return nullptr;
  for (int i = 0; i < fans.count && !Failed(); ++i) SplitVertexFans(At<MVertex>(fans, i), nullptr);
  return work;
}

// ---- coincident lines -----------------------------------------------------------------------

MLine* MMeshObj::MergeCoincidentLines(MLine* line) {
  PtrArray gathered;
  line->CollectCoincidentLines(gathered);
  if (Failed()) return nullptr;
  MLine* survivor = line;
  // Free lines beside lines with faces are redundant; of free lines alone
  // the first stays.
  MLine* keptFree = nullptr;
  for (int i = 0; i < gathered.count; ++i)
    if (At<MLine>(gathered, i)->HasFace()) survivor = At<MLine>(gathered, i);
  if (!survivor->HasFace()) keptFree = gathered.count > 0 ? At<MLine>(gathered, 0) : line;
  for (int i = 0; i < gathered.count; ++i) {
    MLine* l = At<MLine>(gathered, i);
    if (l->HasFace() || l == keptFree) continue;
    SaveEditState();
    SaveLineAndEnds(l);
    if (!Failed()) l->end0->SaveUndoRing();
    if (!Failed()) l->end1->SaveUndoRing();
    if (Failed()) return nullptr;
    l->Remove(2);
  }
  if (keptFree != nullptr) survivor = keptFree;
  // Two border lines and no line with two faces: they are zipped into one.
  MLine* border[2] = {nullptr, nullptr};
  int bordered = 0;
  for (int i = 0; i < gathered.count; ++i) {
    MLine* l = At<MLine>(gathered, i);
    if (IsRemoved(l)) continue;
    if (l->forwardFace != nullptr && l->backwardFace != nullptr) return survivor;
    if (l->HasFace() && bordered < 2) border[bordered++] = l;
  }
  if (bordered != 2) return survivor;
  MVertex *v1, *v2;
  bool zippable = CanZipBorderLines(border[0], border[1], &v1, &v2);
  if (!zippable && !AnyFailure()) {
    // Turning the part at the first vertex over once; when the two lines
    // belong to one part (a strip closed with a half twist) that changes
    // nothing, and the lines stay as they are.
    SaveEditState();
    FlipPartAt(v1);
    if (!Failed()) zippable = CanZipBorderLines(border[0], border[1], &v1, &v2);
    if (!zippable && !Failed()) {
      EngContext().ClearFailure();
      FlipPartAt(v1);  // back as it was
    }
  }
  if (!zippable) {
    if (!Failed()) EngContext().ClearFailure();
    return survivor;
  }
  PtrArray ends0, ends1;
  border[0]->end0->CollectRing(ends0);
  border[0]->end1->CollectRing(ends1);
  ZipBorderLines(border[0], border[1], v1, v2);
  if (Failed()) return nullptr;
  if (MItemIsLive(border[0])) return border[0];
  if (MItemIsLive(border[1])) return border[1];
  // Both went into the line the zip left between the two rings.
  for (int i = 0; i < ends0.count; ++i) {
    MVertex* a = At<MVertex>(ends0, i);
    if (!MItemIsLive(a)) continue;
    for (int j = 0; j < ends1.count; ++j)
      if (MItemIsLive(At<MVertex>(ends1, j)))
        if (MLine* joined = a->FindLine(At<MVertex>(ends1, j))) return joined;
  }
  return nullptr;
}

void MMeshObj::MergeCoincidentLinesAt(MVertex* v) {
  PtrArray around;
  ForEachRingMember(v, [&](MVertex* member) {
    return ForEachLineAround(member, [&](MLine* line) { return Append(around, line); });
  });
  for (int i = 0; i < around.count && !Failed(); ++i) {
    MLine* line = At<MLine>(around, i);
    if (!IsRemoved(line)) MergeCoincidentLines(line);
  }
}

// ---- quad diagonals ---------------------------------------------------------------------------

bool MMeshObj::SwitchQuadDiagonal(MVertex* a, MVertex* b, bool testOnly) {
  PtrArray aMembers, bMembers;
  a->CollectRingMembersWithFaces(aMembers);
  b->CollectRingMembersWithFaces(bMembers);
  if (Failed() || aMembers.count == 0 || bMembers.count == 0) return false;
  for (int i = 0; i < aMembers.count; ++i) {
    MVertex* member = At<MVertex>(aMembers, i);
    MLine* hit = nullptr;
    int hitCorner = -1;
    ForEachLineAround(member, [&](MLine* line) {
      MFace* face = line->LeavingFace(member);
      if (face == nullptr) return true;
      MLine* quadLines[5];
      MVertex* corners[4];
      if (GetQuadCorners(face, nullptr, quadLines, corners, nullptr, nullptr, nullptr) != 4) return true;
      int k = 0;
      while (k < 4 && corners[k] != member) ++k;
      ENG_FATAL_IF(k == 4);
      if (!b->IsInRing(corners[(k + 2) % 4])) return true;
      hit = quadLines[4];
      hitCorner = k;
      return false;
    });
    if (hit == nullptr) continue;
    if (testOnly) return true;
    SaveEditState();
    if (hitCorner % 2 == 1) {
      // The diagonal joins the other two corners: turn it.
      SaveLineEndsStar(hit);
      if (!Failed()) FlipLine(hit);
    } else {
      hit->SaveUndo();
      if (!Failed()) hit->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal);
    }
    return true;
  }
  return false;
}


}  // namespace engine
