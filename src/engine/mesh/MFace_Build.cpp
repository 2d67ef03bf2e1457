// Faces: building a face on three lines or on three corners.
#include "engine/mesh/ElementPool.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"

namespace engine {

MFace::MFace(MLine* const lines[3], MShader* faceShader, MItemList<MFace>* faceHolder) {
  Init();
  // Every side is checked before any is taken: a loop with a gap or a side
  // already taken is a corrupt mesh and ends the program untouched.
  bool backward[3];
  for (int i = 0; i < 3; ++i) {
    const MLine* line = lines[i];
    const MLine* following = lines[(i + 1) % 3];
    backward[i] = following == line->prevAround0;
    ENG_FATAL_IF(!backward[i] && following != line->prevAround1);
    ENG_FATAL_IF((backward[i] ? line->backwardFace : line->forwardFace) != nullptr);
  }
  holder = faceHolder;
  // The material first: running out of memory for its texture coordinates
  // must leave the lines untouched.
  SetShader(faceShader);
  if (EngContext().failState == kEngFailFailed) return;
  for (int i = 0; i < 3; ++i) (backward[i] ? lines[i]->backwardFace : lines[i]->forwardFace) = this;
  firstLine = lines[0];
}

MFace::MFace(MVertex* c0, MVertex* c1, MVertex* c2, MLine* newLines[3], MShader* faceShader,
             MItemList<MFace>* faceHolder) {
  Init();
  MVertex* const corners[3] = {c0, c1, c2};
  newLines[0] = newLines[1] = newLines[2] = nullptr;
  shader = faceShader;
  BuildOnCorners(corners, newLines);
  holder = faceHolder;
}

namespace {

// The side of `line` on which a face whose loop runs from `from` along the
// line lies.
MFace*& SideFrom(MLine* line, const MVertex* from) {
  return from == line->end0 ? line->forwardFace : line->backwardFace;
}

bool Conflict() {
  EngRecordFailure(kEngReasonTopologyConflict);
  return false;
}

// Whether the face can go on the corners with the lines found: each found
// line's side is free, two found lines meeting at a corner are neighbours
// there, and a corner that gets a new line has a gap for it. Nothing is
// changed, so a refusal leaves the mesh as it was.
bool CanTakeFace(MVertex* const c[3], MLine* const line[3]) {
  for (int i = 0; i < 3; ++i) {
    if (line[i] != nullptr && SideFrom(line[i], c[i]) != nullptr) return Conflict();
  }
  for (int i = 0; i < 3; ++i) {
    const MLine* leaving = line[i];
    const MLine* arriving = line[(i + 2) % 3];
    if (leaving != nullptr && arriving != nullptr) {
      // Around the corner, the line after the one leaving along the face is
      // the one arriving along it.
      if (leaving->GetNextAround(c[i]) != arriving) return Conflict();
    } else if (c[i]->firstLine != nullptr && !c[i]->HasGap()) {
      return Conflict();
    }
  }
  return true;
}

}  // namespace

// Finds the lines between the corners, creates the missing ones in the
// corner gaps next to their neighbours in the face's loop, and puts the
// face on all three. Lines that exist are used as they stand.
void MFace::BuildOnCorners(MVertex* const c[3], MLine* newLines[3]) {
  ENG_FATAL_IF(c[0] == c[1] || c[1] == c[2] || c[2] == c[0]);
  MLine* line[3] = {nullptr, nullptr, nullptr};
  for (int i = 0; i < 3; ++i) {
    MVertex* from = c[i];
    MVertex* to = c[(i + 1) % 3];
    if (i == 0 || line[i - 1] == nullptr) {
      line[i] = from->FindLine(to);
      continue;
    }
    // The wing of the previous line that follows it in this face's loop.
    MLine* before = line[i - 1];
    MLine* wing = from == before->end0 ? before->prevAround0 : before->prevAround1;
    line[i] = wing->HasEnd(from) && wing->OtherEnd(from) == to ? wing : nullptr;
  }
  if (!CanTakeFace(c, line)) return;

  // All storage first: running out of memory must not leave half a face.
  void* storage[3] = {nullptr, nullptr, nullptr};
  int missing = 0;
  for (MLine* found : line)
    if (found == nullptr && (storage[missing++] = LinePool().Allocate()) == nullptr) {
      for (void* block : storage) LinePool().Release(block);
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  SetShader(shader);
  if (EngContext().failState == kEngFailFailed) {
    for (void* block : storage) LinePool().Release(block);
    return;
  }

  int created = 0;
  for (int i = 0; i < 3; ++i) {
    MVertex* from = c[i];
    MVertex* to = c[(i + 1) % 3];
    if (line[i] == nullptr) {
      MLine* next0 = nullptr;
      MLine* prev0 = nullptr;
      MLine* prev1 = nullptr;
      MLine* next1 = nullptr;
      if (MLine* arriving = line[(i + 2) % 3]) {
        next0 = arriving;
        prev0 = arriving->GetPrevAround(from);
      } else {
        from->FindInsertionWings(to, next0, prev0);
      }
      if (MLine* leaving = line[(i + 1) % 3]) {
        prev1 = leaving;
        next1 = leaving->GetNextAround(to);
      } else {
        to->FindInsertionWings(from, next1, prev1);
      }
      line[i] = ::new (storage[created]) MLine(from, to, next0, prev0, prev1, next1, nullptr);
      newLines[created++] = line[i];
    }
    SideFrom(line[i], from) = this;
  }
  firstLine = line[0];
}

}  // namespace engine
