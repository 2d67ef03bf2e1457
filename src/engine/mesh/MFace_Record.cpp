// Faces: the consistency check and the record.
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MShader.h"
#include "engine/mesh/MVertex.h"

namespace engine {
namespace {

// The line around `from` whose other end is `to`, walking at most the
// vertex's count of lines; `broken` is set when the walk meets a line that
// does not end at `from`. `skip` is passed over (to find a parallel line).
const MLine* BoundedFindLine(const MVertex* from, const MVertex* to, const MLine* skip, bool& broken) {
  const MLine* line = from->firstLine;
  for (int steps = 0; line != nullptr && steps <= from->lineCount; ++steps) {
    if (!line->HasEnd(from)) {
      broken = true;
      return nullptr;
    }
    if (line != skip && line->OtherEnd(from) == to) return line;
    line = line->GetNextAround(from);
    if (line == from->firstLine) break;
  }
  return nullptr;
}

}  // namespace

const char* MFace::DescribeLinkFault(int mode) const {
  if (id < 0) return "the face is destroyed";
  if (firstLine == nullptr) return "the face has no first line";
  if (firstLine->id < 0) return "the face's first line is destroyed";
  if (firstLine->forwardFace != this && firstLine->backwardFace != this)
    return "the face's first line does not hold it";
  // Corners and lines as GetVertices and GetLines find them, each step
  // checked before it is trusted.
  const bool forward = firstLine->forwardFace == this;
  const MVertex* corner[3] = {forward ? firstLine->end0 : firstLine->end1, forward ? firstLine->end1 : firstLine->end0,
                              nullptr};
  const MLine* line[3] = {firstLine, forward ? firstLine->prevAround1 : firstLine->prevAround0, nullptr};
  if (line[1] == nullptr || line[1]->id < 0 || !line[1]->HasEnd(corner[1])) return "the face's loop is broken";
  corner[2] = line[1]->OtherEnd(corner[1]);
  if (line[1]->forwardFace != this && line[1]->backwardFace != this) return "a line of the face does not hold it";
  line[2] = line[1]->forwardFace == this ? line[1]->prevAround1 : line[1]->prevAround0;
  if (line[2] == nullptr || line[2]->id < 0) return "the face's loop is broken";
  for (int i = 0; i < 3; ++i) {
    const MVertex* from = corner[i];
    const MVertex* to = corner[(i + 1) % 3];
    if (from == nullptr || from->id < 0) return "a corner of the face is destroyed";
    bool broken = false;
    const MLine* found = BoundedFindLine(from, to, nullptr, broken);
    if (broken) return "the lines around a corner of the face are broken";
    if (found != line[i]) {
      if (mode > 0 || found == nullptr) return "a line of the face is not the line between its corners";
      if (BoundedFindLine(from, to, found, broken) != line[i]) return "a line of the face is not between its corners";
    }
    const bool fromIsEnd0 = from == line[i]->end0;
    if (!fromIsEnd0 && from != line[i]->end1) return "a line of the face does not start at its corner";
    if ((fromIsEnd0 ? line[i]->forwardFace : line[i]->backwardFace) != this)
      return "a line of the face holds it on the wrong side";
    if ((fromIsEnd0 ? line[i]->prevAround1 : line[i]->prevAround0) != line[(i + 1) % 3])
      return "the face's loop does not follow the wings of its lines";
  }
  if (fltabList != nullptr) {
    int steps = 0;
    for (const MFltab* entry : *fltabList) {
      if (++steps > 1000000) return "the list of lines drawn on the face does not end";
      if (entry->line == nullptr || entry->line->id < 0) return "a line drawn on the face is destroyed";
      if (entry->line->fltabEntry != entry || entry->face != this)
        return "a line drawn on the face does not name its entry";
    }
  }
  return nullptr;
}

void MFace::CheckLinks(int mode) const { ENG_FATAL_IF(DescribeLinkFault(mode) != nullptr); }

// ---- record -------------------------------------------------------------------

bool MFace::ReadFrom(QFile& file) { return ReadWithOwnIndex(*this, file); }

bool MFace::ResolveIndices(const MeshElementTables& tables) { return ResolveOwnIndex(*this, tables); }

bool MFace::ReadFrom(QFile& file, LoadIndex& stored) {
  // own number, corners (the loop of lines decides them), lines, material,
  // the texture flag
  std::int32_t n[9];
  file.ReadInts(n, 9);
  stored.firstLine = n[4];
  stored.shader = n[7];
  if (n[8] != 0) {
    if (uv == nullptr && (uv = NewUVBlock()) == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
    double pairs[6];
    file.ReadDoubles(pairs, 6);
    for (int i = 0; i < 3; ++i) uv->corner[i] = {pairs[2 * i], pairs[2 * i + 1]};
  }
  std::int32_t ignored = 0;
  file.ReadInt(ignored);
  return EngCheckNotTruncated(file, "face record") && ReadRecordExtension(file, "face record");
}

bool MFace::ResolveIndices(const MeshElementTables& tables, const LoadIndex& stored) {
  if (!CheckRecordIndex(stored.firstLine, tables.lines.count, false, "line of a face")) return false;
  const int shaders = tables.shaders.count;
  if (shaders == 0) {
    EngRecordLoadFailure("a face names a material but the mesh has none");
    return false;
  }
  // Material numbers out of range are pulled into it, as older files expect.
  const int n = stored.shader < 0 ? 0 : stored.shader < shaders ? stored.shader : shaders - 1;
  firstLine = tables.lines[stored.firstLine];
  shader = tables.shaders[n];
  return true;
}

void MFace::WriteTo(QFile& file) const {
  MVertex* corners[3];
  MLine* lines[3];
  GetVertices(corners);
  GetLines(lines);
  const bool textured = IsTextured();
  const std::int32_t n[9] = {id,
                             RecordNumberOf(corners[0]),
                             RecordNumberOf(corners[1]),
                             RecordNumberOf(corners[2]),
                             RecordNumberOf(lines[0]),
                             RecordNumberOf(lines[1]),
                             RecordNumberOf(lines[2]),
                             RecordNumberOf(shader),
                             textured ? 1 : 0};
  file.WriteInts(n, 9);
  if (textured) {
    const MFaceUV* block = GetUVBlock();
    const double pairs[6] = {block->corner[0].u, block->corner[0].v, block->corner[1].u,
                             block->corner[1].v, block->corner[2].u, block->corner[2].v};
    file.WriteDoubles(pairs, 6);
  }
  // The closing zero, then the extension.
  const std::int32_t tail[2] = {0, 0};
  file.WriteInts(tail, RecordHasExtension() ? 2 : 1);
}

}  // namespace engine
