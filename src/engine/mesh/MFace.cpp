// Faces: the element protocol, corners and lines, material, texture
// coordinates, corner normals and the lines drawn on the face.
#include "engine/mesh/MFace.h"

#include "engine/core/EngMath.h"
#include "engine/mesh/MGroup.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MShader.h"
#include "engine/mesh/MVertex.h"

namespace engine {

// ---- drawn-line entries ---------------------------------------------------------

void MFltab::CopyTo(MFltab* target) const {
  CopyHeaderTo(target);
  target->line = line;
  target->face = face;
}

void MFltab::RemapRefs() {
  if (line != nullptr) line = line->Copy();
  if (face != nullptr) face = face->Copy();
}

// ---- plane helpers --------------------------------------------------------------

PointRecord MFaceTriangleNormal(const PointRecord& a, const PointRecord& b, const PointRecord& c) {
  PointRecord n;
  OsUtilCrossProduct({b.x - a.x, b.y - a.y, b.z - a.z}, {c.x - a.x, c.y - a.y, c.z - a.z}, n);
  return n;
}

bool MFacePlaneCoords(const PointRecord& u, const PointRecord& v, const PointRecord& p, const PointRecord& q,
                      double& s, double& t) {
  const double columns[6] = {u.x, u.y, u.z, v.x, v.y, v.z};
  const double rhs[3] = {q.x - p.x, q.y - p.y, q.z - p.z};
  double out[2] = {0, 0};
  const bool solved = MUtilSolveLeastSquares(2, 3, columns, rhs, out);
  s = out[0];
  t = out[1];
  return solved;
}

// ---- life cycle and protocol ------------------------------------------------------

void MFace::Init() {
  firstLine = nullptr;
  shader = nullptr;
  uv = nullptr;
  loadIndex = nullptr;
  fltabList = nullptr;
  workValue = -1;
  workMark = 0;
  flags = 0;
  cornerModes[0] = cornerModes[1] = cornerModes[2] = kCornerFlat;
  normals = nullptr;
  holder = nullptr;
}

MFace::~MFace() {
  delete loadIndex;
  delete fltabList;
  FreeSideBlocks();
}

void MFace::FreeSideBlocks() {
  DeleteUVBlock(uv);
  uv = nullptr;
  DeleteNormalsBlock(normals);
  normals = nullptr;
}

void MFace::CopyTo(MFace* target) const {
  CopyHeaderTo(target);
  target->firstLine = firstLine;
  target->shader = shader;
  target->workValue = workValue;
  target->workMark = workMark;
  target->flags = flags;
  for (int i = 0; i < 3; ++i) target->cornerModes[i] = cornerModes[i];
  target->holder = holder;
  if (uv != nullptr) {
    if (target->uv == nullptr && (target->uv = NewUVBlock()) == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    *target->uv = *uv;
  }
  if (normals != nullptr) {
    if (target->normals == nullptr && (target->normals = NewNormalsBlock()) == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    *target->normals = *normals;
  }
  if (fltabList != nullptr) {
    delete target->fltabList;
    target->fltabList = new (std::nothrow) MFltabList();
    if (target->fltabList == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    for (MFltab* entry : *fltabList) {
      MFltab* clone = entry->Clone();
      if (clone == nullptr) return;
      target->fltabList->Add(clone);
    }
  }
}

void MFace::SaveUndo() {
  if (EngContext().failState == kEngFailFailed) return;
  if (state == kItemCreated || state == kItemSaved) return;
  ENG_FATAL_IF(holder == nullptr);
  MFace* clone = Clone();
  if (clone == nullptr) return;
  // A clone lists the drawn lines reversed; the saved copy keeps their
  // order, so that undo gives the list back as it was.
  if (clone->fltabList != nullptr) clone->fltabList->Reverse();
  if (fltabList != nullptr) SaveFltabLines();
  clone->copy = this;
  clone->state = kItemSaved;
  state = kItemSaved;
  holder->Add(clone);
}

void MFace::SaveFltabLines() {
  auto failed = [] { return EngContext().failState != kEngFailNone; };
  for (MFltab* entry : *fltabList) {
    MLine* line = entry->line;
    line->SaveUndo();
    if (failed()) return;
    for (MVertex* end : {line->end0, line->end1}) {
      end->SaveUndo();
      if (failed()) return;
      if (end->mirrorPartner != nullptr) {
        end->mirrorPartner->SaveUndo();
        if (failed()) return;
      }
    }
  }
}

void MFace::RemapRefs() {
  if (firstLine != nullptr) firstLine = firstLine->Copy();
  if (shader != nullptr) shader = shader->Copy();
  if (fltabList != nullptr)
    for (MFltab* entry : *fltabList) entry->RemapRefs();
}

void MFace::Remove(int mode) {
  while (fltabList != nullptr && !fltabList->IsEmpty()) {
    MFltab* entry = fltabList->First();
    if (entry->line != nullptr && entry->line->fltabEntry == entry) {
      entry->line->Remove(2);  // takes the entry out and deletes it
    } else {
      entry->Unlink();
      delete entry;
    }
  }
  MLine* lines[3];
  GetLines(lines);
  for (MLine* line : lines) line->DetachFace(this, mode);
  MoveToHolder();
}

// ---- topology and geometry ------------------------------------------------------

void MFace::GetVertices(MVertex* corners[3]) const {
  const MLine* first = firstLine;
  const bool forward = first->forwardFace == this;
  corners[0] = forward ? first->end0 : first->end1;
  corners[1] = forward ? first->end1 : first->end0;
  const MLine* second = forward ? first->prevAround1 : first->prevAround0;
  corners[2] = second->OtherEnd(corners[1]);
}

void MFace::GetLines(MLine* lines[3]) const {
  MLine* first = firstLine;
  MLine* second = first->forwardFace == this ? first->prevAround1 : first->prevAround0;
  lines[0] = first;
  lines[1] = second;
  lines[2] = second->forwardFace == this ? second->prevAround1 : second->prevAround0;
}

int MFace::CornerIndex(const MVertex* v) const {
  MVertex* corners[3];
  GetVertices(corners);
  for (int i = 0; i < 3; ++i)
    if (corners[i] == v) return i;
  return -1;
}

PointRecord MFace::GetNormal() const {
  MVertex* c[3];
  GetVertices(c);
  PointRecord n = MFaceTriangleNormal(c[0]->position, c[1]->position, c[2]->position);
  OsUtilNormalize(n);
  return n;
}

bool MFace::GetPointParams(const PointRecord& point, double& s, double& t) const {
  MVertex* c[3];
  GetVertices(c);
  const PointRecord& p0 = c[0]->position;
  const PointRecord u{c[1]->position.x - p0.x, c[1]->position.y - p0.y, c[1]->position.z - p0.z};
  const PointRecord v{c[2]->position.x - p0.x, c[2]->position.y - p0.y, c[2]->position.z - p0.z};
  return MFacePlaneCoords(u, v, p0, point, s, t);
}

int MFace::GetScreenOrientation() const {
  MVertex* c[3];
  GetVertices(c);
  for (const MVertex* corner : c)
    if (corner->screenDepth <= 0) return -1;
  const double area = (c[1]->screenX - c[0]->screenX) * (c[2]->screenY - c[0]->screenY) -
                      (c[1]->screenY - c[0]->screenY) * (c[2]->screenX - c[0]->screenX);
  if (area > 0.1) return 2;
  if (area < -0.1) return 1;
  return 0;
}

int MFace::CountHiddenEdges() const {
  MLine* lines[3];
  GetLines(lines);
  int n = 0;
  for (const MLine* line : lines)
    if (line->flags & kLineHiddenDiagonal) ++n;
  return n;
}

bool MFace::AllEdgesSelected() const {
  MLine* lines[3];
  GetLines(lines);
  for (const MLine* line : lines)
    if (!(line->flags & kLineSelected)) return false;
  return true;
}

bool MFace::AllCornersOnMirror() const {
  MVertex* c[3];
  GetVertices(c);
  for (const MVertex* corner : c)
    if (!(corner->flags & kVertexOnMirror)) return false;
  return true;
}

MGroup* MFace::GetEdgeGroup() const {
  MLine* lines[3];
  GetLines(lines);
  for (const MLine* line : lines)
    if (line->group == nullptr) return nullptr;
  return lines[0]->group;
}

void MFace::SetGroup(MGroup* g) {
  MLine* lines[3];
  MVertex* c[3];
  GetLines(lines);
  GetVertices(c);
  for (int i = 0; i < 3; ++i) {
    lines[i]->group = g;
    c[i]->group = g;
  }
}

// ---- material, texture coordinates, corner normals --------------------------------

bool MFace::IsTextured() const {
  return EngContext().textureMode != 0 && shader != nullptr && shader->HasTexture();
}

void MFace::SetShader(MShader* s) {
  shader = s;
  if (!IsTextured()) {
    DeleteUVBlock(uv);
    uv = nullptr;
    return;
  }
  if (uv != nullptr) return;
  uv = NewUVBlock();
  if (uv == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  *uv = MFaceUV{{{0, 0}, {1, 0}, {0, 1}}};
}

MFaceUV* MFace::GetUVBlock() const {
  ENG_FATAL_IF(uv == nullptr && IsTextured());
  return uv;
}

void MFace::SetUVs(double u0, double v0, double u1, double v1, double u2, double v2) {
  if (uv == nullptr && (uv = NewUVBlock()) == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  *uv = MFaceUV{{{u0, v0}, {u1, v1}, {u2, v2}}};
}

void MFace::SetCornerFlag(const MVertex* v, int mode) {
  const int corner = CornerIndex(v);
  if (corner >= 0) cornerModes[corner] = static_cast<unsigned char>(mode);
}

void MFace::SetCornerNormal(const MVertex* v, int mode, const PointRecord& n) {
  if (normals == nullptr) {
    normals = NewNormalsBlock();
    if (normals == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    // Corners not given a normal read like a face without a block.
    for (PointRecord& corner : normals->normal) corner = {0, 1, 0};
  }
  const int corner = CornerIndex(v);
  if (corner < 0) return;
  cornerModes[corner] = static_cast<unsigned char>(mode);
  normals->normal[corner] = n;
}

// ---- lines drawn on the face ------------------------------------------------------

void MFace::AddFltab(MLine* line, MFltab* after) {
  if (fltabList == nullptr) {
    fltabList = new (std::nothrow) MFltabList();
    if (fltabList == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  MFltab* entry = new (std::nothrow) MFltab(line, this);
  if (entry == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  fltabList->InsertAfter(after, entry);
  line->fltabEntry = entry;
}

MFltabList* MFace::TakeFltabList() {
  MFltabList* list = fltabList;
  fltabList = nullptr;
  return list;
}

int MFace::CountFltabs() const { return fltabList == nullptr ? 0 : fltabList->Length(); }

}  // namespace engine
