#pragma once
// What the element records share: the tables that turn stored element
// numbers back into elements, and the checks every reader makes. A stored
// number that does not fit its table, a truncated record or an extension
// longer than the file is a load failure (kEngReasonCorruptFile), never an
// out-of-range access or the fatal exit.
#include <cstdint>
#include <string>
#include <new>

#include "engine/core/EngArray.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/mesh/MItem.h"

namespace engine {

class MVertex;
class MLine;
class MFace;
class MShader;
class MGroup;
class QFile;

// The elements of a mesh record in record order: number n of a class is the
// n-th record of that class.
struct MeshElementTables {
  EngArray<MVertex*> vertices;
  EngArray<MLine*> lines;
  EngArray<MFace*> faces;
  EngArray<MShader*> shaders;
  EngArray<MGroup*> groups;
};

// The start of an element's ReadFrom: a fresh load-time index record. False
// when a failure is already recorded, or (recorded) when memory runs out;
// the reader then reads nothing.
template <class Index>
bool StartRecord(Index*& loadIndex) {
  if (EngContext().failState == kEngFailFailed) return false;
  delete loadIndex;
  loadIndex = new (std::nothrow) Index();
  if (loadIndex != nullptr) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}

// ReadFrom and ResolveIndices of an element with an index record of its own
// (`loadIndex`): made before the record is read, freed once it is resolved.
template <class T>
bool ReadWithOwnIndex(T& element, QFile& file) {
  return StartRecord(element.loadIndex) && element.ReadFrom(file, *element.loadIndex);
}
template <class T>
bool ResolveOwnIndex(T& element, const MeshElementTables& tables) {
  if (!element.ResolveIndices(tables, *element.loadIndex)) return false;
  delete element.loadIndex;
  element.loadIndex = nullptr;
  return true;
}

// Stored records carry a length-prefixed extension when the format version
// is below this.
constexpr int kRecordExtensionVersion = -4;
inline bool RecordHasExtension() { return EngContext().formatVersion < kRecordExtensionVersion; }

// Reads the extension length and skips that many bytes (nothing in older
// formats). A negative length or one beyond the file is a load failure.
// Written extensions are empty, so that case is decided here.
bool SkipRecordExtension(QFile& file, std::int32_t length, const char* what);
inline bool ReadRecordExtension(QFile& file, const char* what) {
  if (!RecordHasExtension()) return true;
  std::int32_t n = 0;
  file.ReadInt(n);
  return (n == 0 && !file.HasReadPastEnd()) || SkipRecordExtension(file, n, what);
}
// Writes an empty extension in the newer formats.
inline void WriteRecordExtension(QFile& file) {
  if (RecordHasExtension()) file.WriteInt(0);
}

// The number a record stores for a reference: the element's id, -1 for none.
inline std::int32_t RecordNumberOf(const MItem* element) { return element == nullptr ? -1 : element->id; }

// Element number n of a table of `count`: -1 is "none" when `noneAllowed`;
// anything else outside 0..count-1 is a load failure naming `what`.
bool RecordIndexOutOfRange(std::int32_t n, const char* what);
inline bool CheckRecordIndex(std::int32_t n, int count, bool noneAllowed, const char* what) {
  return (n < 0 ? noneAllowed : n < count) || RecordIndexOutOfRange(n, what);
}

// A count read from a record: a load failure naming `what` when it is
// negative or when `count` records of at least `minimumSize` bytes each
// cannot fit in what is left of the file.
bool CheckRecordCount(QFile& file, std::int64_t count, std::int64_t minimumSize, const char* what);

// ---- names -------------------------------------------------------------------
// Name fields (morph and target names): 256 bytes of code page 932 text in
// files, UTF-8 in memory. The memory field holds the longest text 255 stored
// bytes can give (a half-width kana byte is three bytes of UTF-8).
constexpr int kStoredNameSize = 256;
constexpr int kNameTextSize = 3 * (kStoredNameSize - 1) + 1;

// Reads a stored name into `text` (kNameTextSize bytes, zero-filled after
// the name). Bytes that are not code page 932 are a load failure.
bool ReadNameText(QFile& file, char* text, const char* what);
// The length of the longest run of whole characters of code page 932 text
// within `limit` bytes.
std::size_t Cp932CutLength(const std::string& text, std::size_t limit);
// Writes the name as code page 932, cut at a character boundary to 255
// bytes. Text that code page 932 cannot hold is refused where it is typed;
// should some reach here anyway, its bytes are stored as they are.
void WriteNameText(QFile& file, const char* text);

}  // namespace engine
