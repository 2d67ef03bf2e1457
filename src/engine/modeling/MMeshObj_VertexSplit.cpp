// Modelling: splitting a vertex along two of its lines, the inverse of a
// collapse. The fan of lines between the two goes to a new vertex at the
// same place, and two new triangles fill the gap between the old and the
// new vertex:
//
//        fq            fq          q, p: the two lines; the fan between
//       /  \          /|  \        them (A lines, faces F) moves to n;
//      o - A -      o--n - A -     triangles (o, fq, n) and (o, n, fp)
//       \  /          \|  /        fill the gap, and the fan's first and
//        fp            fp          last faces take n's new lines.
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr std::uint32_t kCarriedLineMark = 0x04;
constexpr std::uint32_t kFormerPlaneVertex = 0x20;
constexpr std::uint32_t kFormerPlaneLine = 0x40;

bool IsBorder(const MLine* line) { return (line->forwardFace == nullptr) != (line->backwardFace == nullptr); }

// A face to make again: its corners, material, flags, modes and
// coordinates.
struct FaceCopy {
  MVertex* corners[3];
  MShader* shader;
  int stamp;  // a made-again face keeps its visit stamp
  std::uint16_t flags;
  unsigned char modes[3];
  bool textured;
  MFaceUV::Pair uvs[3];
};

FaceCopy Remember(const MFace* face) {
  FaceCopy c{};
  face->GetVertices(c.corners);
  c.shader = face->shader;
  c.stamp = face->id;
  c.flags = face->flags;
  for (int k = 0; k < 3; ++k) c.modes[k] = face->cornerModes[k];
  c.textured = face->uv != nullptr;
  if (c.textured)
    for (int k = 0; k < 3; ++k) c.uvs[k] = face->uv->corner[k];
  return c;
}

MFace* MakeAgain(MMeshObj& mesh, const FaceCopy& c, MVertex* from, MVertex* to) {
  MVertex* corners[3];
  for (int k = 0; k < 3; ++k) corners[k] = c.corners[k] == from ? to : c.corners[k];
  MFace* face = mesh.AddFace(corners[0], corners[1], corners[2], c.shader);
  if (face == nullptr) return nullptr;
  face->flags = c.flags;
  face->id = c.stamp;
  for (int k = 0; k < 3; ++k) face->cornerModes[k] = c.modes[k];
  if (c.textured && face->uv != nullptr)
    for (int k = 0; k < 3; ++k) face->uv->corner[k] = c.uvs[k];
  return face;
}

// The texture coordinates of a vertex's corner in a remembered face.
MFaceUV::Pair CornerUV(const FaceCopy& c, const MVertex* v) {
  for (int k = 0; k < 3; ++k)
    if (c.corners[k] == v) return c.uvs[k];
  return {0, 0};
}

}  // namespace

void MMeshObj::SplitVertexAlongLines(MVertex* o, MLine* p, MLine* q, MVertex** newVertex, MLine** newLine) {
  if (newVertex != nullptr) *newVertex = nullptr;
  if (newLine != nullptr) *newLine = nullptr;
  if (p == q || !p->HasEnd(o) || !q->HasEnd(o)) return Refuse();
  const bool pOpen = IsBorder(p) && !(p->flags & kCarriedLineMark);
  const bool qOpen = IsBorder(q) && !(q->flags & kCarriedLineMark);
  if (pOpen && qOpen) return;
  MVertex* const fp = p->OtherEnd(o);
  MVertex* const fq = q->OtherEnd(o);
  // The fan from q round to p: its lines and the faces between them.
  PtrArray fanLines, fanFaces;
  for (MLine* line = q->GetNextAround(o); line != p; line = line->GetNextAround(o)) {
    if (line == q) return Refuse();  // p is not around o after all
    if (!Append(fanLines, line)) return;
  }
  for (MLine* line = q; line != p; line = line->GetNextAround(o))
    if (!Append(fanFaces, line->LeavingFace(o))) return;
  SaveEditState();
  SaveRingNeighbourhood(o);
  if (!Failed()) SaveVertexNeighbourhood(fp);
  if (!Failed()) SaveVertexNeighbourhood(fq);
  if (Failed()) return;

  // The fan's first and last faces are made again on n's new lines.
  MFace* const firstFace = At<MFace>(fanFaces, 0);
  MFace* const lastFace = At<MFace>(fanFaces, fanFaces.count - 1);
  FaceCopy first{}, last{};
  if (firstFace != nullptr) first = Remember(firstFace);
  if (lastFace != nullptr && lastFace != firstFace) last = Remember(lastFace);
  if (firstFace != nullptr) firstFace->Remove(2);
  if (lastFace != nullptr && lastFace != firstFace) lastFace->Remove(2);

  MVertex* n = AddVertex(o->position);
  if (n == nullptr) return;
  o->CopyAttributesTo(n);
  n->flags &= ~static_cast<std::uint32_t>(kVertexOnMirror | kFormerPlaneVertex | kVertexSelected);
  for (std::uint32_t flag : {std::uint32_t{kVertexOnMirror}, kFormerPlaneVertex})
    if ((o->flags & flag) && !((fp->flags & flag) && (fq->flags & flag))) n->flags |= flag;
  // The fan's lines move to n in their order.
  if (fanLines.count > 0) {
    MLine* const a1 = At<MLine>(fanLines, 0);
    MLine* const am = At<MLine>(fanLines, fanLines.count - 1);
    q->SetNextAround(o, p);
    p->SetPrevAround(o, q);
    for (int i = 0; i < fanLines.count; ++i) {
      MLine* line = At<MLine>(fanLines, i);
      if (line->end0 == o)
        line->end0 = n;
      else
        line->end1 = n;
    }
    a1->SetPrevAround(n, am);
    am->SetNextAround(n, a1);
    o->lineCount -= fanLines.count;
    n->lineCount = fanLines.count;
    n->firstLine = a1;
    o->firstLine = q;
  }
  // The faces beside the new lines, then the two triangles of the gap.
  if (firstFace != nullptr && MakeAgain(*this, first, o, n) == nullptr) return;
  if (lastFace != nullptr && lastFace != firstFace && MakeAgain(*this, last, o, n) == nullptr) return;
  MShader* qShader = firstFace != nullptr ? first.shader : q->forwardFace != nullptr ? q->forwardFace->shader
                                                          : q->backwardFace != nullptr ? q->backwardFace->shader
                                                                                        : nullptr;
  MShader* pShader = lastFace != nullptr ? (lastFace == firstFace ? first.shader : last.shader)
                     : p->forwardFace != nullptr ? p->forwardFace->shader
                     : p->backwardFace != nullptr ? p->backwardFace->shader
                                                  : nullptr;
  MFace* tq = AddFace(o, fq, n, qShader);
  if (tq == nullptr) return;
  MFace* tp = AddFace(o, n, fp, pShader);
  if (tp == nullptr) return;
  if (firstFace != nullptr && first.textured && tq->uv != nullptr) {
    const MFaceUV::Pair at = CornerUV(first, o), far = CornerUV(first, fq);
    tq->SetUVs(at.u, at.v, far.u, far.v, at.u, at.v);
  }
  if (lastFace != nullptr && tp->uv != nullptr) {
    const FaceCopy& c = lastFace == firstFace ? first : last;
    if (c.textured) {
      const MFaceUV::Pair at = CornerUV(c, o), far = CornerUV(c, fp);
      tp->SetUVs(at.u, at.v, at.u, at.v, far.u, far.v);
    }
  }
  MLine* const joining = o->FindLine(n);
  MLine* const nq = n->FindLine(fq);
  MLine* const np = n->FindLine(fp);
  ENG_FATAL_IF(joining == nullptr || nq == nullptr || np == nullptr);
  if (n->flags & kFormerPlaneVertex) {
    joining->flags |= kFormerPlaneLine;
    if (fq->flags & kFormerPlaneVertex) nq->flags |= kFormerPlaneLine;
    if (fp->flags & kFormerPlaneVertex) np->flags |= kFormerPlaneLine;
  }
  if (q->flags & kCarriedLineMark) nq->flags |= kCarriedLineMark;
  if (p->flags & kCarriedLineMark) np->flags |= kCarriedLineMark;
  // An open border stays open: the triangle on its side goes again.
  if (qOpen) tq->Remove(1);
  if (pOpen) tp->Remove(1);
  n->CheckLinks(0);
  o->CheckLinks(0);
  if (newVertex != nullptr) *newVertex = n;
  if (newLine != nullptr) *newLine = MItemIsLive(joining) ? joining : nullptr;
}

}  // namespace engine
