// Vertices: the consistency check and the record.
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/mesh/MGroup.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"

namespace engine {

const char* MVertex::DescribeLinkFault(int mode) const {
  if (id < 0) return "the vertex is destroyed";
  if (mode > 0 && (firstLine == nullptr || lineCount == 0)) return "the vertex has no line";
  int met = 0;
  if (firstLine != nullptr) {
    const MLine* line = firstLine;
    do {
      if (line->id < 0) return "a line around the vertex is destroyed";
      if (!line->HasEnd(this)) return "a line around the vertex does not end at it";
      if (++met > lineCount) break;
      line = line->GetNextAround(this);
    } while (line != firstLine);
  }
  if (met != lineCount) return "the walk around the vertex does not meet lineCount lines";
  if (mode > 0 && GetBoundaryKind() == 2) return "the vertex has lines with and without faces";
  if (onLine != nullptr) {
    const MVertex* v = onLine->onLineHead;
    for (int steps = 0; v != nullptr && v != this && steps < kRingLimit; ++steps) v = v->nextOnLine;
    if (v != this) return "the vertex is missing from the list of the line it lies on";
  }
  const MVertex* member = ringNext;
  for (int steps = 0; member != this; ++steps) {
    if (member == nullptr || steps >= kRingLimit) return "the ring of coincident vertices does not close";
    member = member->ringNext;
  }
  return nullptr;
}

void MVertex::CheckLinks(int mode) const { ENG_FATAL_IF(DescribeLinkFault(mode) != nullptr); }

// ---- record -------------------------------------------------------------------

bool MVertex::ReadFrom(QFile& file) { return ReadWithOwnIndex(*this, file); }

bool MVertex::ResolveIndices(const MeshElementTables& tables) { return ResolveOwnIndex(*this, tables); }

bool MVertex::ReadFrom(QFile& file, LoadIndex& stored) {
  std::int32_t ownNumber = 0;
  file.ReadInt(ownNumber);
  file.ReadPoint(position);
  // first line, group, line count, flags, line under it, partner, ring member
  std::int32_t n[7];
  file.ReadInts(n, 7);
  double params[3];
  file.ReadDoubles(params, 3);
  stored.firstLine = n[0];
  stored.group = n[1];
  const std::int32_t count = n[2];
  stored.onLine = n[4];
  stored.mirrorPartner = n[5];
  stored.ringNext = n[6];
  lineCount = count;
  flags = static_cast<std::uint32_t>(n[3]);
  faceS = params[0];
  faceT = params[1];
  lineT = params[2];
  if (!EngCheckNotTruncated(file, "vertex record") || !ReadRecordExtension(file, "vertex record")) return false;
  if (count < 0) {
    EngRecordLoadFailure("a vertex record counts a negative number of lines");
    return false;
  }
  return true;
}

bool MVertex::ResolveIndices(const MeshElementTables& tables, const LoadIndex& stored) {
  const int lines = tables.lines.count;
  const int vertices = tables.vertices.count;
  if (!CheckRecordIndex(stored.firstLine, lines, true, "first line of a vertex") ||
      !CheckRecordIndex(stored.onLine, lines, true, "line under a vertex") ||
      !CheckRecordIndex(stored.mirrorPartner, vertices, true, "mirror partner") ||
      !CheckRecordIndex(stored.ringNext, vertices, true, "ring member"))
    return false;
  if (stored.firstLine < 0 && lineCount != 0) {
    EngRecordLoadFailure("a vertex with lines has no first line");
    return false;
  }
  // A group number past the table names its last group, as older files
  // expect; a mesh without groups has none to name.
  const int groups = tables.groups.count;
  if (stored.group >= 0 && groups == 0) {
    EngRecordLoadFailure("a vertex names a group but the mesh has none");
    return false;
  }
  firstLine = stored.firstLine < 0 ? nullptr : tables.lines[stored.firstLine];
  group = stored.group < 0 ? nullptr : tables.groups[stored.group < groups ? stored.group : groups - 1];
  if (stored.onLine >= 0) tables.lines[stored.onLine]->AddOnLineVertex(this);
  if (stored.mirrorPartner >= 0) mirrorPartner = tables.vertices[stored.mirrorPartner];
  if (stored.ringNext >= 0) ringNext = tables.vertices[stored.ringNext];
  return true;
}

void MVertex::WriteTo(QFile& file) const {
  file.WriteInt(id);
  file.WritePoint(position);
  const std::int32_t n[7] = {RecordNumberOf(firstLine), RecordNumberOf(group),         lineCount,
                             static_cast<std::int32_t>(flags), RecordNumberOf(onLine), RecordNumberOf(mirrorPartner),
                             RecordNumberOf(ringNext)};
  file.WriteInts(n, 7);
  const double params[3] = {faceS, faceT, lineT};
  file.WriteDoubles(params, 3);
  WriteRecordExtension(file);
}

}  // namespace engine
