// Mesh object: the mesh record and its morph block.
//
//   object header        136, or 236 in the newer formats
//   zero                   4  the reader ignores it
//   flag word              4  bit 0 mirror mode, bit 1 smooth display
//   tolerance              8
//   V, vertex records
//   L, line records
//   F, face records
//   S, material records       a mesh read with S = 0 gets one default material
//   G, group records
//   list A count, values      written 0; a reader skips count × 4 bytes
//   list B count, values
//   vertex selection       4  the cache as written; read back as 1 or 0
//   -- newer formats only (format version below -4) --
//   size                   4  bytes that follow up to the end of the page
//                             line style: the morph block + 4
//   morph block               P (block size, 8 + the morph records), N,
//                             N morph records in list order
//   page line style        4
//
// Elements refer to each other by their positions in their lists at the
// time of writing (AssignIndex); the reader creates the elements first,
// reads every record and then turns the numbers back into references. Each
// factory links at the head, so the lists are reversed afterwards; the
// morph list is not, and comes back in the opposite order.
#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>

#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/mesh/MMeshObj.h"
#include "platform/Parallel.h"

namespace engine {
namespace {

constexpr const char* kMesh = "mesh record";
constexpr const char* kMorphBlock = "morph block";

// The smallest records of each class, to weigh a count against the file.
constexpr int kMinimumVertexRecord = 80;
constexpr int kMinimumLineRecord = 48;
constexpr int kMinimumFaceRecord = 40;
constexpr int kMinimumMaterialRecord = 96;
constexpr int kMinimumGroupRecord = 8;

bool NewFormat() { return EngContext().formatVersion < -4; }

bool Failed() { return EngContext().failState != kEngFailNone; }

bool ReadCount(QFile& file, std::int32_t& count, int minimumSize, const char* what) {
  file.ReadInt(count);
  return EngCheckNotTruncated(file, kMesh) && CheckRecordCount(file, count, minimumSize, what);
}

// The stored numbers of every element of one class in record order, kept
// in one block from reading to resolving.
template <class Index>
class LoadIndices {
 public:
  LoadIndices() = default;
  ~LoadIndices() { EngFree(items_); }
  LoadIndices(const LoadIndices&) = delete;
  LoadIndices& operator=(const LoadIndices&) = delete;

  // Room for n records, and for n elements in the table that goes with
  // them; false (out of memory recorded) when there is none.
  template <class T>
  bool Allocate(std::int32_t n, EngArray<T*>& table) {
    EngFree(items_);
    items_ = EngAllocArray<Index>(static_cast<std::size_t>(n));
    if (items_ != nullptr && (n == 0 || table.Reserve(n))) return true;
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
  Index& operator[](std::int32_t i) { return items_[i]; }

 private:
  Index* items_ = nullptr;
};

// Makes `count` elements with the factory, each appended to the table and
// read from the file; false at the first failure.
template <class T, class Make, class Read>
bool ReadElements(std::int32_t count, EngArray<T*>& table, Make make, Read read) {
  for (std::int32_t i = 0; i < count; ++i) {
    T* element = make();
    if (element == nullptr) {
      if (!Failed()) EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
    if (!table.Add(element)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
    if (!read(element, i) || Failed()) return false;
  }
  return true;
}

// A record names every element an element refers to by its number, so
// writing one reads elements all over the pools; asking for them a few
// records ahead lets those reads overlap.
void Prefetch(const void* element) { __builtin_prefetch(element); }
void PrefetchNamed(const MVertex* v) {
  Prefetch(v->firstLine);
  Prefetch(v->ringNext);
}
void PrefetchNamed(const MLine* line) {
  for (const void* named : {static_cast<const void*>(line->end0), static_cast<const void*>(line->end1),
                            static_cast<const void*>(line->nextAround0), static_cast<const void*>(line->prevAround0),
                            static_cast<const void*>(line->prevAround1), static_cast<const void*>(line->nextAround1),
                            static_cast<const void*>(line->forwardFace), static_cast<const void*>(line->backwardFace)})
    Prefetch(named);
}
void PrefetchNamed(const MFace* face) { Prefetch(face->firstLine); }
void PrefetchNamed(const MGroup*) {}

constexpr int kPrefetchDistance = 8;

// A big mesh's element records are staged in blocks of kStagingBytes on
// their way to the file.
constexpr std::size_t kStagingBytes = std::size_t{4} << 20;

template <class T>
void WriteList(QFile& file, int count, const MItemList<T>& list) {
  file.WriteInt(count);
  const T* ahead = list.First();
  for (int i = 0; i < kPrefetchDistance && ahead != nullptr; ++i) ahead = ahead->Next();
  for (const T* element : list) {
    if (ahead != nullptr) {
      PrefetchNamed(ahead);
      ahead = ahead->Next();
    }
    element->WriteTo(file);
  }
}

// ---- a big mesh's records, chunk by chunk on the worker threads ----------------------

// Every vertex, line and face record is shorter (a textured face, the
// longest, takes 92 bytes); one that was not would fail the write, never
// cut it short.
constexpr std::size_t kRecordBound = 128;
constexpr std::size_t kChunkBytes = kRecordBound * MMeshObj::kRecordChunk;
// Chunks encoded side by side before they are written in order.
constexpr int kRoundChunks = 16;

// Whether the chunk starts the numbering noted still match it: the first
// element of every chunk of the vertices, then the lines, then the faces.
bool ChunkStartsFit(const EngArray<MItem*>& starts, std::initializer_list<int> counts) {
  int at = 0;
  for (const int count : counts)
    for (int first = 0; first < count; first += MMeshObj::kRecordChunk, ++at)
      if (at >= starts.count || starts[at]->id != first) return false;
  return at == starts.count;
}

// The records of one class: each chunk encoded into its own part of `area`
// on whichever thread is free, then the round's parts written in list
// order, so the bytes are those of WriteList.
template <class T>
void WriteListInChunks(QFile& file, int count, MItem* const* starts, unsigned char* area) {
  file.WriteInt(count);
  const int chunks = (count + MMeshObj::kRecordChunk - 1) / MMeshObj::kRecordChunk;
  std::size_t sizes[kRoundChunks];
  for (int first = 0; first < chunks; first += kRoundChunks) {
    const int n = std::min(kRoundChunks, chunks - first);
    platform::ParallelEach(n, [&](int i) {
      const int chunk = first + i;
      QFile out(area + i * kChunkBytes, kChunkBytes);
      const T* element = static_cast<const T*>(starts[chunk]);
      for (int left = std::min(MMeshObj::kRecordChunk, count - chunk * MMeshObj::kRecordChunk); left > 0; --left) {
        element->WriteTo(out);
        element = element->Next();
      }
      sizes[i] = out.GatheredBytes();
    });
    for (int i = 0; i < n; ++i) file.Write(area + i * kChunkBytes, sizes[i]);
  }
}

struct AreaRelease {
  void operator()(unsigned char* area) const { EngFree(area); }
};

}  // namespace

// The vertex, line and face lists in chunks when the numbering noted their
// starts and there are threads to share them; false (nothing written) when
// they go element by element instead.
bool MMeshObj::WriteElementChunks(QFile& file) const {
  if (platform::WorkerThreads() < 2 || recordChunkStarts.count == 0 ||
      !ChunkStartsFit(recordChunkStarts, {vertexCount, lineCount, faceCount}))
    return false;
  const std::unique_ptr<unsigned char, AreaRelease> area(
      static_cast<unsigned char*>(EngAlloc(kRoundChunks * kChunkBytes)));
  if (area == nullptr) return false;
  MItem* const* starts = recordChunkStarts.items;
  WriteListInChunks<MVertex>(file, vertexCount, starts, area.get());
  starts += (vertexCount + kRecordChunk - 1) / kRecordChunk;
  WriteListInChunks<MLine>(file, lineCount, starts, area.get());
  starts += (lineCount + kRecordChunk - 1) / kRecordChunk;
  WriteListInChunks<MFace>(file, faceCount, starts, area.get());
  return true;
}

namespace {

// Skips a list of 4-byte values other writers may have stored.
bool SkipValueList(QFile& file) {
  std::int32_t count = 0;
  file.ReadInt(count);
  return EngCheckNotTruncated(file, kMesh) && CheckRecordCount(file, count, 4, "a mesh's value list") &&
         EngSkipRecordBytes(file, std::int64_t{count} * 4, kMesh);
}

}  // namespace

// ---- writing -------------------------------------------------------------------------

void MMeshObj::WriteTo(QFile& file) {
  MObject::WriteTo(file);
  file.WriteInt(0);
  file.WriteInt((mirrorMode != 0 ? 1 : 0) + (smoothDisplay != 0 ? 2 : 0));
  file.WriteDouble(tolerance);
  // A big mesh's records reach the file in large pieces.
  QFile::Staging staging(file, std::int64_t{vertexCount} + lineCount + faceCount >= kBigMesh ? kStagingBytes : 0);
  if (!WriteElementChunks(file)) {
    WriteList(file, vertexCount, vertices);
    WriteList(file, lineCount, lines);
    WriteList(file, faceCount, faces);
  }
  staging.Finish();
  file.WriteInt(shaderCount);
  for (const MShader* shader : shaders) shader->WriteTo(&file, nullptr);
  WriteList(file, groupCount, groups);
  file.WriteInt(0);
  file.WriteInt(0);
  file.WriteInt(vertexSelectionCache);
  if (!NewFormat()) return;
  int blockSize = 0;
  WriteMorphBlock(file, &blockSize, 0);
  file.WriteInt(blockSize + 4);
  WriteMorphBlock(file, nullptr, blockSize);
  file.WriteInt(GetPageLineStyle());
}

void MMeshObj::WriteMorphBlock(QFile& file, int* size, int blockSize) const {
  if (size != nullptr) {
    std::int64_t total = 8;
    for (const MMorph* morph : morphs) {
      int one = 0;
      morph->WriteTo(file, &one);
      total += one;
    }
    *size = static_cast<int>(total);
    return;
  }
  file.WriteInt(blockSize);
  file.WriteInt(morphs.Length());
  for (const MMorph* morph : morphs) morph->WriteTo(file, nullptr);
}

// ---- reading -------------------------------------------------------------------------

namespace {

// The stored numbers of the vertices, lines and faces of a mesh record.
struct MeshLoadIndices {
  LoadIndices<MVertex::LoadIndex> vertices;
  LoadIndices<MLine::LoadIndex> lines;
  LoadIndices<MFace::LoadIndex> faces;
};

// The five element lists, each element made by the mesh's factory and
// entered in the tables in record order.
bool ReadElementLists(MMeshObj& mesh, QFile& file, MeshElementTables& tables, MeshLoadIndices& stored) {
  std::int32_t n = 0;
  const bool read =
      ReadCount(file, n, kMinimumVertexRecord, "a mesh's vertex count") && stored.vertices.Allocate(n, tables.vertices) &&
      ReadElements(n, tables.vertices, [&] { return mesh.NewVertex(); },
                   [&](MVertex* v, std::int32_t i) { return v->ReadFrom(file, stored.vertices[i]); }) &&
      ReadCount(file, n, kMinimumLineRecord, "a mesh's line count") && stored.lines.Allocate(n, tables.lines) &&
      ReadElements(n, tables.lines, [&] { return mesh.NewLine(); },
                   [&](MLine* line, std::int32_t i) { return line->ReadFrom(file, stored.lines[i]); }) &&
      ReadCount(file, n, kMinimumFaceRecord, "a mesh's face count") && stored.faces.Allocate(n, tables.faces) &&
      ReadElements(n, tables.faces, [&] { return mesh.NewFace(); },
                   [&](MFace* face, std::int32_t i) { return face->ReadFrom(file, stored.faces[i]); }) &&
      ReadCount(file, n, kMinimumMaterialRecord, "a mesh's material count") &&
      ReadElements(n, tables.shaders, [&] { return mesh.AddShader(); },
                   [&](MShader* shader, std::int32_t) {
                     shader->ReadFrom(file);
                     return !Failed();
                   });
  if (!read) return false;
  // A mesh read from a file always has a material.
  if (n == 0 &&
      !ReadElements(1, tables.shaders, [&] { return mesh.AddShader(); }, [](MShader*, std::int32_t) { return true; }))
    return false;
  return ReadCount(file, n, kMinimumGroupRecord, "a mesh's group count") &&
         ReadElements(n, tables.groups, [&] { return mesh.AddGroup(); },
                      [&](MGroup* g, std::int32_t) { return g->ReadFrom(file); });
}

// The newer block: its size, the morph block and the page line style, each
// part read only while the size still covers it.
bool ReadNewerBlock(MMeshObj& mesh, QFile& file) {
  std::int32_t size = 0;
  file.ReadInt(size);
  if (!EngCheckNotTruncated(file, kMesh)) return false;
  if (size > file.BytesLeft()) {
    EngRecordLoadFailure(std::string(kMesh) + ": the morph block's size reaches beyond the file");
    return false;
  }
  std::int64_t left = size;
  if (left >= 8) {
    const int blockSize = mesh.ReadMorphBlock(file);
    if (blockSize == 0) return false;
    if (blockSize > left) {
      EngRecordLoadFailure(std::string(kMesh) + ": the morph block is longer than its size says");
      return false;
    }
    left -= blockSize;
    if (left >= 4) {
      std::int32_t style = 0;
      file.ReadInt(style);
      mesh.SetPageLineStyle(style);
      left -= 4;
    }
  }
  if (left > 0 && !EngSkipRecordBytes(file, left, kMesh)) return false;
  return EngCheckNotTruncated(file, kMesh);
}

template <class T>
bool ResolveAll(const EngArray<T*>& table, const MeshElementTables& tables) {
  for (int i = 0; i < table.count; ++i)
    if (!table[i]->ResolveIndices(tables)) return false;
  return true;
}

template <class T, class Index>
bool ResolveAll(const EngArray<T*>& table, LoadIndices<Index>& stored, const MeshElementTables& tables) {
  for (int i = 0; i < table.count; ++i)
    if (!table[i]->ResolveIndices(tables, stored[i])) return false;
  return true;
}

}  // namespace

void MMeshObj::ReadFrom(QFile& file) {
  MObject::ReadFrom(file);
  if (Failed()) return;
  std::int32_t zero = 0, flagWord = 0;
  file.ReadInt(zero);
  file.ReadInt(flagWord);
  file.ReadDouble(tolerance);
  if (!EngCheckNotTruncated(file, kMesh)) return;
  // Signed remainders: a negative word sets neither.
  mirrorMode = flagWord % 2 == 1 ? 1 : 0;
  smoothDisplay = flagWord % 4 > 1 ? 1 : 0;

  MeshElementTables tables;
  MeshLoadIndices stored;
  if (!ReadElementLists(*this, file, tables, stored) || !SkipValueList(file) || !SkipValueList(file)) return;
  std::int32_t selection = 0;
  file.ReadInt(selection);
  if (!EngCheckNotTruncated(file, kMesh)) return;
  vertexSelectionCache = selection != 0 ? 1 : 0;
  if (NewFormat() && !ReadNewerBlock(*this, file)) return;

  // The stored numbers become references; materials hold none.
  if (!ResolveAll(tables.vertices, stored.vertices, tables) || !ResolveAll(tables.lines, stored.lines, tables) ||
      !ResolveAll(tables.faces, stored.faces, tables) || !ResolveAll(tables.groups, tables))
    return;
  for (MMorph* morph : morphs) morph->ResolveVertexRefs(tables.vertices);
  MGroup::BreakParentCycles(tables.groups);
  vertices.Reverse();
  lines.Reverse();
  faces.Reverse();
  shaders.Reverse();
  groups.Reverse();
  // Nothing walks the mesh before its links are known to hold.
  if (!CheckLoadedLinks()) return;
  SpreadMirrorFlagsInRings();
  RepairAfterLoad();
  // The vertices decide, whatever the flag word said. A figure's joints on
  // the centre line carry the flag for themselves (they stay at x = 0 while
  // posed) and make no mirrored half: a figure keeps what it stored.
  if (!IsBoneObject()) UpdateMirrorMode();
}

int MMeshObj::ReadMorphBlock(QFile& file) {
  if (EngContext().failState == kEngFailFailed) return 0;
  const std::int64_t start = file.ReadPosition();
  std::int32_t blockSize = 0, count = 0;
  file.ReadInt(blockSize);
  file.ReadInt(count);
  if (!EngCheckNotTruncated(file, kMorphBlock)) return 0;
  if (blockSize < 8 || blockSize - 8 > file.BytesLeft()) {
    EngRecordLoadFailure(std::string(kMorphBlock) + ": its size (" + std::to_string(blockSize) +
                         ") does not fit the file");
    return 0;
  }
  if (count < 0 || count > (blockSize - 8) / (MMorph::kFixedRecordSize)) {
    EngRecordLoadFailure(std::string(kMorphBlock) + ": a morph count (" + std::to_string(count) +
                         ") does not fit the block");
    return 0;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    MMorph* morph = CreateMorph();
    if (morph == nullptr || !morph->ReadFrom(file)) return 0;
    if (file.ReadPosition() - start > blockSize) {
      EngRecordLoadFailure(std::string(kMorphBlock) + ": the morphs run past the end of the block");
      return 0;
    }
  }
  // What a later writer added inside the block.
  if (!EngSkipRecordBytes(file, blockSize - (file.ReadPosition() - start), kMorphBlock)) return 0;
  return blockSize;
}

}  // namespace engine
