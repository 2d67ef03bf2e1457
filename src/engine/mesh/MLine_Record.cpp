// Lines: the consistency check and the record.
#include <initializer_list>

#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MGroup.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"

namespace engine {
namespace {

// Whether the wing at end v points back: its slot for v must hold the line.
const char* WingFault(const MLine* line, const MVertex* v, const MLine* wing, bool wingIsNext) {
  if (wing == nullptr) return "a wing of the line is missing";
  if (wing == line) return nullptr;
  if (wing->id < 0) return "a wing of the line is destroyed";
  if (!wing->HasEnd(v)) return "a wing of the line does not share its end";
  const MLine* back = wingIsNext ? wing->GetPrevAround(v) : wing->GetNextAround(v);
  return back == line ? nullptr : "a wing of the line does not point back at it";
}

}  // namespace

const char* MLine::DescribeLinkFault(int mode) const {
  if (id < 0) return "the line is destroyed";
  if (mode == 0 && fltabEntry != nullptr) return nullptr;
  if (end0 == nullptr || end1 == nullptr) return "the line lacks an end";
  if (end0 == end1) return "the line joins a vertex to itself";
  if (end0->id < 0 || end1->id < 0) return "an end of the line is destroyed";
  for (const char* fault : {WingFault(this, end0, nextAround0, true), WingFault(this, end0, prevAround0, false),
                            WingFault(this, end1, nextAround1, true), WingFault(this, end1, prevAround1, false)})
    if (fault != nullptr) return fault;
  if (forwardFace != nullptr && forwardFace == backwardFace) return "the line has one face on both sides";
  if (mode > 0) {
    // Count the other lines between the same two vertices, bounded by the
    // end's count in case the cycle is damaged elsewhere.
    const MLine* line = end0->firstLine;
    for (int steps = 0; line != nullptr && steps <= end0->lineCount; ++steps) {
      if (!line->HasEnd(end0)) break;
      if (line != this && line->OtherEnd(end0) == end1) return "a parallel line joins the same two vertices";
      line = line->GetNextAround(end0);
      if (line == end0->firstLine) break;
    }
  }
  if (fltabEntry != nullptr) {
    const MFltabList* list = fltabEntry->face == nullptr ? nullptr : fltabEntry->face->fltabList;
    bool listed = false;
    if (list != nullptr)
      for (const MFltab* entry : *list) listed = listed || entry == fltabEntry;
    if (!listed) return "the line's entry is missing from its face's list";
  }
  double lastT = 0;
  int steps = 0;
  for (const MVertex* v = onLineHead; v != nullptr; v = v->nextOnLine, ++steps) {
    if (steps >= MVertex::kRingLimit) return "the list of vertices on the line does not end";
    if (v->id < 0) return "a vertex on the line is destroyed";
    if (v->onLine != this) return "a vertex on the line names another line";
    if (steps > 0 && !(v->lineT > lastT)) return "the vertices on the line are not in increasing order";
    lastT = v->lineT;
  }
  return nullptr;
}

void MLine::CheckLinks(int mode) const { ENG_FATAL_IF(DescribeLinkFault(mode) != nullptr); }

// ---- record -------------------------------------------------------------------

bool MLine::ReadFrom(QFile& file) { return ReadWithOwnIndex(*this, file); }

bool MLine::ResolveIndices(const MeshElementTables& tables) { return ResolveOwnIndex(*this, tables); }

bool MLine::ReadFrom(QFile& file, LoadIndex& stored) {
  // own number, ends, wings, faces, group, flags, face under it, pair value
  std::int32_t n[13];
  file.ReadInts(n, 13);
  stored.end0 = n[1];
  stored.end1 = n[2];
  stored.nextAround0 = n[3];
  stored.prevAround0 = n[4];
  stored.prevAround1 = n[5];
  stored.nextAround1 = n[6];
  stored.forwardFace = n[7];
  stored.backwardFace = n[8];
  stored.group = n[9];
  const std::int32_t storedFlags = n[10];
  stored.drawnOnFace = n[11];
  pairValue = n[12];
  std::int32_t colour = 0;
  const int version = EngContext().formatVersion;
  if (version < 0) file.ReadInt(colour);
  if (!EngCheckNotTruncated(file, "line record") || !ReadRecordExtension(file, "line record")) return false;
  flags = static_cast<std::uint32_t>(storedFlags);
  if (flags & kLineNeverStored) {
    EngRecordLoadFailure("a line record carries a flag that is never stored");
    return false;
  }
  // Older files knew no line width: they draw every line one pixel wide.
  if (version >= -1 && (flags & kLineWidthMask) == 0) flags |= 1u << kLineWidthShift;
  colourR = static_cast<unsigned char>(colour >> 16);
  colourG = static_cast<unsigned char>(colour >> 8);
  colourB = static_cast<unsigned char>(colour);
  return true;
}

bool MLine::ResolveIndices(const MeshElementTables& tables, const LoadIndex& stored) {
  const int vertices = tables.vertices.count;
  const int lines = tables.lines.count;
  const int faces = tables.faces.count;
  if (!CheckRecordIndex(stored.end0, vertices, false, "line end") ||
      !CheckRecordIndex(stored.end1, vertices, false, "line end") ||
      !CheckRecordIndex(stored.nextAround0, lines, false, "line wing") ||
      !CheckRecordIndex(stored.prevAround0, lines, false, "line wing") ||
      !CheckRecordIndex(stored.prevAround1, lines, false, "line wing") ||
      !CheckRecordIndex(stored.nextAround1, lines, false, "line wing") ||
      !CheckRecordIndex(stored.forwardFace, faces, true, "face of a line") ||
      !CheckRecordIndex(stored.backwardFace, faces, true, "face of a line") ||
      !CheckRecordIndex(stored.drawnOnFace, faces, true, "face under a line"))
    return false;
  if (stored.end0 == stored.end1) {
    EngRecordLoadFailure("a line record joins a vertex to itself");
    return false;
  }
  end0 = tables.vertices[stored.end0];
  end1 = tables.vertices[stored.end1];
  nextAround0 = tables.lines[stored.nextAround0];
  prevAround0 = tables.lines[stored.prevAround0];
  prevAround1 = tables.lines[stored.prevAround1];
  nextAround1 = tables.lines[stored.nextAround1];
  forwardFace = stored.forwardFace < 0 ? nullptr : tables.faces[stored.forwardFace];
  backwardFace = stored.backwardFace < 0 ? nullptr : tables.faces[stored.backwardFace];
  const int groups = tables.groups.count;
  group = stored.group < 0 || groups == 0 ? nullptr : tables.groups[stored.group < groups ? stored.group : groups - 1];
  if (stored.drawnOnFace >= 0) {
    tables.faces[stored.drawnOnFace]->AddFltab(this, nullptr);
    if (EngContext().failState == kEngFailFailed) return false;
  }
  return true;
}

void MLine::WriteTo(QFile& file) const {
  const int version = EngContext().formatVersion;
  const std::int32_t n[15] = {
      id,
      RecordNumberOf(end0),
      RecordNumberOf(end1),
      RecordNumberOf(nextAround0),
      RecordNumberOf(prevAround0),
      RecordNumberOf(prevAround1),
      RecordNumberOf(nextAround1),
      RecordNumberOf(forwardFace),
      RecordNumberOf(backwardFace),
      RecordNumberOf(group),
      // The marker bit is a working state that no reader accepts.
      static_cast<std::int32_t>(flags & ~static_cast<std::uint32_t>(kLineNeverStored)),
      fltabEntry == nullptr ? -1 : RecordNumberOf(fltabEntry->face),
      pairValue,
      colourR << 16 | colourG << 8 | colourB,  // newer formats only
      0,                                       // an empty extension, newer formats only
  };
  file.WriteInts(n, 13);
  file.WriteInts(n + 13, (version < 0 ? 1 : 0) + (RecordHasExtension() ? 1 : 0));
}

}  // namespace engine
