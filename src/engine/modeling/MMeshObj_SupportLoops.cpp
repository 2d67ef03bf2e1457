// Modelling: support loops. The crease of the selected lines gives way to
// loops of quads running at a small distance beside them: the mesh is
// subdivided in support mode (points at that distance from each line's
// ends, every vertex labelled), the surplus vertices the labels mark are
// collapsed, and the triangles are joined back into quads.
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/RegionFill.h"

namespace engine {
using namespace modeling;

namespace {

constexpr std::uint32_t kLineCreaseHigh = 0x0F000000;
// A side point kept for a support loop (a working label beside the
// subdivision's own).
constexpr int kLabelBeside = 6;

bool Qualifies(const MLine* line) { return (line->flags & kLineHiddenDiagonal) == 0; }

// A pair to collapse: `from` moves onto `onto`.
struct CollapsePair {
  MVertex* from;
  MVertex* onto;
};

}  // namespace

void MMeshObj::MarkSupportLines(int mode) {
  for (MLine* line : lines) {
    if (mode == 0)
      line->flags &= ~kLineWorkMark;
    else if (mode == 1 && (line->flags & kLineSelected))
      line->flags |= kLineWorkMark;
    else if (mode == 2 && (Label(line->end0) == kLabelCorner || Label(line->end1) == kLabelCorner))
      line->flags &= ~kLineWorkMark;
  }
}

void MMeshObj::MarkSupportFaces(int mode) {
  for (MFace* face : faces) {
    if (mode == 0) {
      face->flags &= static_cast<std::uint16_t>(~kFaceWorkMark);
      continue;
    }
    MLine* e[3];
    face->GetLines(e);
    if (!(e[0]->flags & kLineWorkMark) && !(e[1]->flags & kLineWorkMark) && !(e[2]->flags & kLineWorkMark)) continue;
    face->flags |= kFaceWorkMark;
    if (MFace* partner = GetQuadPartner(face)) partner->flags |= kFaceWorkMark;
  }
}

void MMeshObj::PrepareSupportSelection() {
  for (MLine* line : lines) {
    if (!(line->flags & kLineSelected) || (line->forwardFace != nullptr && line->backwardFace != nullptr)) continue;
    PtrArray same;
    if (!CollectLineAndCoincident(line, same)) return;
    for (int i = 0; i < same.count; ++i) {
      MLine* l = At<MLine>(same, i);
      for (MItem* item : {static_cast<MItem*>(l), static_cast<MItem*>(l->end0), static_cast<MItem*>(l->end1)}) {
        if (item == l) l->SaveUndo();
        else static_cast<MVertex*>(item)->SaveUndo();
        if (Failed()) return;
      }
      l->flags &= ~static_cast<std::uint32_t>(kLineSelected);
      l->end0->flags &= ~static_cast<std::uint32_t>(kVertexSelected);
      l->end1->flags &= ~static_cast<std::uint32_t>(kVertexSelected);
    }
  }
  SyncDiagonalSelection();
  PropagateLineSelection();
  PropagateRingSelection();
  InvalidateSelectionCache();
  PtrArray selectedVertices;
  GatherSelected(0, nullptr, creaseLineList, &selectedVertices);
  if (Failed()) return;
  for (int i = 0; i < selectedVertices.count; ++i) {
    MVertex* v = At<MVertex>(selectedVertices, i);
    if (v->firstLine == nullptr) continue;
    if (ForEachLineAround(v, [](MLine* line) { return !(line->flags & kLineSelected); }) &&
        !Append(loneVertexList, v))
      return;
  }
  for (int i = 0; i < creaseLineList->count; ++i) {
    MLine* line = At<MLine>(*creaseLineList, i);
    line->SaveUndo();
    if (Failed()) return;
    line->flags &= ~(static_cast<std::uint32_t>(kLineSharp) | kLineCreaseHigh);
  }
}

MVertex* MMeshObj::CollapseKeepingLabel(MLine* line, MVertex* v) {
  const double label = line->OtherEnd(v)->faceS;
  MVertex* survivor = nullptr;
  if (!CollapseLine(line, v, &survivor, nullptr, nullptr) || survivor == nullptr) return nullptr;
  survivor->faceS = label;
  return survivor;
}

void MMeshObj::CollapseSupportVertices() {
  // Collapses each pair (the first moving onto the second); a kept vertex
  // named by later pairs is replaced by the survivor. Answers how many went.
  auto collapsePairs = [&](EngArray<CollapsePair>& pairs) {
    int done = 0;
    for (int i = 0; i < pairs.count && !Failed(); ++i) {
      CollapsePair& p = pairs[i];
      if (p.from == nullptr || IsRemoved(p.from) || IsRemoved(p.onto)) continue;
      MLine* line = p.from->FindLine(p.onto);
      if (line == nullptr) continue;
      SaveLineNeighbourhood(line);
      if (Failed()) return done;
      MVertex* survivor = CollapseKeepingLabel(line, p.from);
      if (EngContext().failState == kEngFailDeclined) EngContext().ClearFailure();
      if (survivor == nullptr) continue;
      ++done;
      p.from = nullptr;
      for (int j = i + 1; j < pairs.count; ++j)
        if (pairs[j].onto == p.onto) pairs[j].onto = survivor;
    }
    return done;
  };
  auto lineTo = [](MVertex* v, auto accept) {
    MLine* found = nullptr;
    ForEachLineAround(v, [&](MLine* line) {
      if (Qualifies(line) && accept(line->OtherEnd(v))) found = line;
      return found == nullptr;
    });
    return found;
  };
  // The side points beside a selected line stay: those next to a corner,
  // in the face between the corner's crease point and them. They become
  // the support loops; a working label keeps them apart from the others.
  for (MVertex* v : vertices) {
    if (Label(v) != kLabelCorner) continue;
    ForEachLineAround(v, [&](MLine* line) {
      if ((line->flags & kLineHiddenDiagonal) || Label(line->OtherEnd(v)) != kLabelCreaseLine) return true;
      for (MLine* side : {line->GetPrevVisibleAround(v), line->GetNextVisibleAround(v)})
        if (side != nullptr && Label(side->OtherEnd(v)) == kLabelLine) SetLabel(side->OtherEnd(v), kLabelBeside);
      return true;
    });
  }
  // 1: crease points go back onto the corners at the ends of their line,
  // which brings the selected lines back whole.
  EngArray<CollapsePair> pairs;
  for (MVertex* v : vertices) {
    if (Label(v) != kLabelCreaseLine) continue;
    MLine* line = lineTo(v, [](MVertex* far) { return Label(far) == kLabelCorner; });
    if (line != nullptr && !pairs.Add({v, line->OtherEnd(v)})) return EngRecordFailure(kEngReasonOutOfMemory);
  }
  collapsePairs(pairs);
  if (Failed()) return;
  // 2: inner points onto the side points next to them along a divided line.
  pairs.count = 0;
  auto isSide = [](const MVertex* v) {
    const int l = Label(v);
    return l == kLabelLine || l == kLabelNearLone || l == kLabelBeside;
  };
  const int paired = TakeVisitStamp();
  for (MVertex* v : vertices) {
    if (!isSide(v)) continue;
    MLine* along = lineTo(v, isSide);
    if (along == nullptr) continue;
    for (MLine* side : {along->GetPrevVisibleAround(v), along->GetNextVisibleAround(v)}) {
      if (side == nullptr) continue;
      MVertex* far = side->OtherEnd(v);
      if (Label(far) != kLabelInner || far->id == paired) continue;
      far->id = paired;
      if (!pairs.Add({far, v})) return EngRecordFailure(kEngReasonOutOfMemory);
    }
  }
  collapsePairs(pairs);
  if (Failed()) return;
  // 3: the other side points onto the corners beside them, again while any
  // went (a point whose corner took its neighbour reaches the corner next).
  for (int round = 0; round < vertices.count + 1; ++round) {
    pairs.count = 0;
    for (MVertex* v : vertices) {
      if (Label(v) != kLabelLine) continue;
      MLine* line = lineTo(v, [](MVertex* far) { return Label(far) == kLabelCorner; });
      if (line != nullptr && !pairs.Add({v, line->OtherEnd(v)})) return EngRecordFailure(kEngReasonOutOfMemory);
    }
    if (collapsePairs(pairs) == 0 || Failed()) return;
  }
}

void MMeshObj::RestoreSupportQuads() {
  auto marked = [](const MFace* face) { return face != nullptr && (face->flags & kFaceWorkMark) != 0; };
  for (int pass = 0; pass < 2 && !Failed(); ++pass) {
    for (MLine* line : lines) {
      if (pass == 0 && !(line->flags & kLineWorkMark)) continue;
      if (line->flags & (kLineHidden | kLineHiddenDiagonal)) continue;
      MFace *a = line->forwardFace, *b = line->backwardFace;
      if (a == nullptr || b == nullptr || a->CountHiddenEdges() > 0 || b->CountHiddenEdges() > 0) continue;
      if (line->HasCoincidentLine() || Label(line->end0) == kLabelCorner || Label(line->end1) == kLabelCorner) continue;
      if (!marked(a) || !marked(b)) continue;
      auto across = [](MLine* edge, const MFace* face) {
        return edge->forwardFace == face ? edge->backwardFace : edge->forwardFace;
      };
      MLine* ea[3];
      MLine* eb[3];
      a->GetLines(ea);
      b->GetLines(eb);
      bool allMarked = true;
      for (MLine* edge : ea)
        if (edge != line && across(edge, a) != nullptr && !marked(across(edge, a))) allMarked = false;
      for (MLine* edge : eb)
        if (edge != line && across(edge, b) != nullptr && !marked(across(edge, b))) allMarked = false;
      // The faces beyond two opposite outer edges of the quad, both unmarked.
      auto unmarkedBeyond = [&](MLine* edge, const MFace* face) {
        MFace* f = across(edge, face);
        return f != nullptr && !marked(f);
      };
      const bool opposite = (unmarkedBeyond(line->nextAround0, a) && unmarkedBeyond(line->nextAround1, b)) ||
                            (unmarkedBeyond(line->prevAround1, a) && unmarkedBeyond(line->prevAround0, b));
      if (!allMarked && !opposite) continue;
      if (b->shader != a->shader) {
        b->SaveUndo();
        if (Failed()) return;
        b->SetShader(a->shader);
      }
      line->SaveUndo();
      if (Failed()) return;
      line->flags |= kLineHiddenDiagonal;
    }
  }
}

void MMeshObj::AddSupportLoops(double distance) {
  if (!(distance > 0)) return Refuse();
  SaveEditState();
  if (Failed()) return;
  // Work marks and labels go on saved elements only, so undo never brings
  // them back.
  for (MLine* line : lines)
    if (line->flags & kLineSelected) {
      line->SaveUndo();
      if (Failed()) return;
    }
  for (MVertex* v : vertices) {
    v->SaveUndo();
    if (Failed()) return;
  }
  MarkSupportLines(1);
  supportDistance = distance;
  for (MVertex* v : vertices) SetLabel(v, 0);
  creaseLineList = new (std::nothrow) PtrArray();
  loneVertexList = new (std::nothrow) PtrArray();
  if (creaseLineList == nullptr || loneVertexList == nullptr) EngRecordFailure(kEngReasonOutOfMemory);
  if (!Failed()) PrepareSupportSelection();
  if (!Failed()) SubdivideAll(3);
  if (!Failed()) {
    MarkSupportFaces(1);
    MarkSupportLines(2);
  }
  if (!Failed()) CollapseSupportVertices();
  if (!Failed()) RestoreSupportQuads();
  // Always: the mesh leaves support mode without marks.
  supportDistance = -1;
  delete creaseLineList;
  delete loneVertexList;
  creaseLineList = loneVertexList = nullptr;
  MarkSupportLines(0);
  MarkSupportFaces(0);
}

}  // namespace engine
