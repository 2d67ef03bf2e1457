#pragma once
// Shape morphs. An MMorph is a named shape key of one mesh (the mesh keeps
// its morphs in a list of its own): a set of the mesh's vertices with their
// base positions and, for each, the index of its displacement in every
// target of the morph. An MMorphTgt is one target: a named list of
// displacement vectors, one per target index, with an optional material
// and a texture offset. Targets do not belong to a mesh: the scene keeps
// them, and a target reaches the morph of every mesh through the morph's
// name, which it stores as its group name. One morph name may span several
// meshes; their entries' target indices run on from mesh to mesh, so one
// target holds the vectors of all of them.
//
// The frame: base positions and vectors are stored in the mesh's
// coordinates of the moment the morph was made (frame = identity). When the
// mesh later moves all its vertices by a matrix, every morph appends that
// matrix to its frame instead of rewriting its data. Applying maps base
// positions through the frame and vectors through its 3×3 part; recording
// maps current positions back through the inverse. The saved frame (and the
// saved texture offset) follow the mesh's undo step.
//
// Neither class owns vertices, the mesh or the other class; each owns its
// own material copy.
#include <cstdint>

#include "engine/core/EngArray.h"
#include "engine/core/EngArrays.h"
#include "engine/core/EngGeometry.h"
#include "engine/mesh/MItem.h"
#include "engine/mesh/MeshRecords.h"

namespace engine {

class MVertex;
class MShader;
class QFile;

// One vertex of a morph.
struct MorphVertexEntry {
  std::int32_t targetIndex;  // index of this vertex's vector in each target
  MVertex* vertex;           // null when no vertex carries the stored number
  PointRecord reserved;      // always (0, 0, 0); copied and stored with the entry
  PointRecord basePosition;  // in the morph's frame
  std::int32_t vertexNumber; // element number read from a file, for ResolveVertexRefs
  std::int32_t spare;
};
using MorphEntryArray = EngArray<MorphVertexEntry>;

class MMorph : public MElement<MMorph> {
 public:
  static constexpr int kNameSize = kNameTextSize;
  // Bytes of a morph record besides its entries and material record.
  static constexpr int kFixedRecordSize = 320 + 152;
  static constexpr int kEntryRecordSize = 56;

  MMorph();
  ~MMorph() override;

  // ---- value, index, name: MMorph.cpp --------------------------------------
  void SetIndex(int n) { index = n; }
  int GetIndex() const { return index; }
  // The vector count n, with the sign flag kept (-n while it is set).
  void SetValue(int n);
  int GetValue() const { return value < 0 ? -value : value; }
  void SetSignFlag(unsigned char flag);
  bool GetSignFlag() const { return value < 0; }
  // Copies at most 255 bytes and the terminator.
  // Names are UTF-8 here and code page 932 in files, where they hold at most
  // 255 bytes; callers keep names that fit.
  void SetName(const char* text);
  void SetParams(const BoundsRecord& box) { bounds = box; }
  bool HasName(const char* text) const;

  // ---- entries: MMorph.cpp -------------------------------------------------
  int GetEntryCount() const { return entries.count; }
  // Appends an entry with a zero reserved vector; out of memory records the
  // failure (unless one is recorded) and adds nothing.
  void AddEntry(int targetIndex, MVertex* vertex, const PointRecord& base);
  // Any out argument may be null. i must lie below the entry count.
  void GetEntry(int i, int* targetIndex, MVertex** vertex, PointRecord* base) const;
  void SetEntry(int i, int targetIndex, MVertex* vertex, const PointRecord& base);

  // ---- own material: MMorph.cpp --------------------------------------------
  // Replaces the own material with a copy of `source`; out of memory records
  // the failure and leaves none.
  void CreateOwnShader(const MShader* source);
  MShader* GetShader() const { return shader; }

  // ---- copying: MMorph.cpp -------------------------------------------------
  // Into the target: name, bounds, every entry appended (vertex pointers as
  // they are), value, a copy of the own material, the three frames and the
  // texture offset; not the index. Out of memory records the failure.
  void CopyTo(MMorph* target) const;
  // A copy with index -1; this morph's copy link is the clone. Null (failure
  // recorded) when memory runs out.
  MMorph* Clone();
  // After a mesh copy: each entry's vertex becomes that vertex's copy; an
  // entry of a removed vertex (not copied) gets none.
  void RemapToCopies();

  // ---- frame: MMorph.cpp ---------------------------------------------------
  // frame := frame followed by t (the mesh moved its vertices by t).
  void AppendTransform(const MatrixRecord& t);
  void UpdateInverse();
  void TransformPoint(const PointRecord& in, PointRecord& out) const;
  void InverseTransformPoint(const PointRecord& in, PointRecord& out) const;
  void TransformVector(const PointRecord& in, PointRecord& out) const;
  void InverseTransformVector(const PointRecord& in, PointRecord& out) const;
  // The mesh opens an edit step: the frame and the texture offset are saved.
  void SaveTransform();
  // An undo or redo exchange: frame and texture offset trade with the saved
  // ones.
  void SwapSavedTransform();
  void GetTextureOffset(double& u, double& v) const {
    u = textureOffsetU;
    v = textureOffsetV;
  }
  void SetTextureOffset(double u, double v) {
    textureOffsetU = u;
    textureOffsetV = v;
  }

  // ---- record: MMorph_Record.cpp -------------------------------------------
  // With `size` given nothing is written and the record's size goes there.
  // Vertices are stored by their element numbers (the mesh numbers them
  // before it writes).
  void WriteTo(QFile& file, int* size) const;
  // Into a new, empty morph. False (load failure recorded) when the record
  // is damaged or cut short; the entries keep the stored vertex numbers
  // until ResolveVertexRefs.
  bool ReadFrom(QFile& file);
  // Each entry's vertex: the table's item at its vertex number, or null when
  // the number is outside the table.
  void ResolveVertexRefs(const EngArray<MVertex*>& vertices);

  char name[kNameSize];
  BoundsRecord bounds;
  MorphEntryArray entries;
  std::int32_t value = 0;  // |value| vector count, negative with the sign flag
  MShader* shader = nullptr;  // owned
  MatrixRecord frame;
  MatrixRecord frameInverse;
  MatrixRecord savedFrame;
  double textureOffsetU = 0;
  double textureOffsetV = 0;
  double savedTextureOffsetU = 0;
  double savedTextureOffsetV = 0;
  int index = -1;
};

class MMorphTgt : public MElement<MMorphTgt> {
 public:
  static constexpr int kNameSize = kNameTextSize;
  static constexpr int kFixedRecordSize = 552;
  // Flag bits.
  static constexpr std::int32_t kTextureOffsetMode = 1;
  static constexpr std::int32_t kFlag2 = 2;
  static constexpr std::int32_t kFlag4 = 4;

  MMorphTgt();
  ~MMorphTgt() override;

  void SetTargetName(const char* text);
  void SetGroupName(const char* text);
  // Copy the name with its terminator into a buffer of kNameTextSize bytes.
  void GetTargetName(char* buffer) const;
  void GetGroupName(char* buffer) const;

  // Discards the vectors and makes n zero vectors; out of memory leaves none
  // and records the failure (unless one is recorded).
  void SetVectorCount(int n);
  int GetVectorCount() const { return vectors.count; }
  // An index at or beyond the vector count is fatal.
  void SetVector(int i, const PointRecord& v);
  void GetVector(PointRecord& out, int i) const;

  void CreateOwnShader(const MShader* source);
  MShader* GetShader() const { return shader; }
  void SetWeight(double w) { weight = w; }
  double GetWeight() const { return weight; }
  void SetTextureOffsetMode(unsigned char on) { SetFlag(kTextureOffsetMode, on); }
  bool IsTextureOffsetMode() const { return (flags & kTextureOffsetMode) != 0; }
  void SetFlag2(unsigned char on) { SetFlag(kFlag2, on); }
  bool GetFlag2() const { return (flags & kFlag2) != 0; }
  void SetFlag4(unsigned char on) { SetFlag(kFlag4, on); }
  bool GetFlag4() const { return (flags & kFlag4) != 0; }
  void SetTextureOffset(double u, double v) {
    textureOffsetU = u;
    textureOffsetV = v;
  }
  void GetTextureOffset(double& u, double& v) const {
    u = textureOffsetU;
    v = textureOffsetV;
  }

  // ---- record: MMorph_Record.cpp -------------------------------------------
  void WriteTo(QFile& file, int* size) const;
  // False (load failure recorded) when the record is damaged or cut short.
  // The material's texture files stay stored image bytes until the target
  // is applied.
  bool ReadFrom(QFile& file);

  // Both names, every vector appended, a copy of the material, weight, flags
  // and offset. Out of memory records the failure and stops.
  void CopyTo(MMorphTgt* target) const;
  MMorphTgt* Clone();

  char groupName[kNameSize];
  char targetName[kNameSize];
  PointArray vectors;  // by target index, in the morph's frame
  MShader* shader = nullptr;  // owned
  double weight = 0;
  std::int32_t flags = 0;
  double textureOffsetU = 0;
  double textureOffsetV = 0;

 private:
  void SetFlag(std::int32_t bit, unsigned char on) { flags = on != 0 ? (flags | bit) : (flags & ~bit); }
};

// Copies a zero-terminated name into a name field: what fits, cut at a
// character boundary, then zeros to the end.
void CopyNameField(char (&field)[kNameTextSize], const char* text);

}  // namespace engine
