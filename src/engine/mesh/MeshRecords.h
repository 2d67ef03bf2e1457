#pragma once
// What the element records share: the tables that turn stored element
// numbers back into elements, and the checks every reader makes. A stored
// number that does not fit its table, a truncated record or an extension
// longer than the file is a load failure (kEngReasonCorruptFile), never an
// out-of-range access or the fatal exit.
#include <cstdint>
#include <new>

#include "engine/core/EngArray.h"
#include "engine/core/EngRuntime.h"
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

// Stored records carry a length-prefixed extension when the format version
// is below this.
constexpr int kRecordExtensionVersion = -4;
bool RecordHasExtension();

// Reads the extension length and skips that many bytes (nothing in older
// formats). A negative length or one beyond the file is a load failure.
bool ReadRecordExtension(QFile& file, const char* what);
// Writes an empty extension in the newer formats.
void WriteRecordExtension(QFile& file);

// The number a record stores for a reference: the element's id, -1 for none.
inline std::int32_t RecordNumberOf(const MItem* element) { return element == nullptr ? -1 : element->id; }

// Element number n of a table of `count`: -1 is "none" when `noneAllowed`;
// anything else outside 0..count-1 is a load failure naming `what`.
bool CheckRecordIndex(std::int32_t n, int count, bool noneAllowed, const char* what);

}  // namespace engine
