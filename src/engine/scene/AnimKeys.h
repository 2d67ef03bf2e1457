#pragma once
// Animation keys and key tracks. A key is one recorded value of one animated
// aspect of a scene at one frame: the view's camera, an object's transform,
// a figure's pose or an object's morph weights. A track (MAnimKeys) keeps the
// keys of one aspect sorted by frame, one per frame, and answers the value at
// any frame as a weighted blend of up to four keys along a cubic curve; the
// key kinds carry out the blends, so one curve serves every kind.
//
// Records (big-endian, through QFile): every key starts with its size and a
// 16-byte header (header size 16, flag word, frame, further header bytes),
// then its kind's payload, ending in a count of trailing bytes that later
// versions may fill. Readers take optional fields only when the count covers
// them and never skip past their record.
#include <cstdint>

#include "engine/core/EngArrays.h"
#include "engine/core/EngGeometry.h"
#include "engine/figure/MPose.h"

namespace engine {

class MDocObj;
class QFile;

// The camera as a key keeps it.
struct CameraKeyValues {
  double yaw = 0, pitch = 0, roll = 0;  // radians
  std::int32_t projection = 0;          // 1600-1603
  std::int32_t fieldOfView = 0;
  PointRecord target{0, 0, 0};
  double distance = 0;
  double zoom = 0;
};

// What camera keys ask of the scene's view; the 3D view answers it.
class AnimView {
 public:
  virtual ~AnimView() = default;
  virtual void GetCamera(CameraKeyValues& out) = 0;
  // Makes the view current and sets every value, applying at once.
  virtual void SetCamera(const CameraKeyValues& values) = 0;
  // Turns the camera object's matrix into the camera's placement.
  virtual void GetCameraMatrix(MatrixRecord& matrix) = 0;
};

// Track kinds.
enum AnimTrackKind : int {
  kTrackCamera = 0,
  kTrackPose = 1,
  kTrackMorph = 2,
  kTrackObject = 3,
};

constexpr int kKeyNotPlaced = -100;  // frame of a blended key without a value
constexpr int kKeySelected = 0x100;

// The turn and place of one matrix with the per-axis scale of another.
void AnimTurnAndPlaceWithScale(const MatrixRecord& turnAndPlace, const MatrixRecord& scaleFrom, MatrixRecord& out);

class MAKeyInfo {
 public:
  MAKeyInfo() = default;
  virtual ~MAKeyInfo() = default;
  MAKeyInfo(const MAKeyInfo&) = delete;
  MAKeyInfo& operator=(const MAKeyInfo&) = delete;

  void SetInterpolation(int kind) { flagWord = (flagWord & ~0xFF) | kind; }
  int GetInterpolation() const { return flagWord & 0xFF; }
  void SetSelected(int on) { flagWord = (on & 0xFF) != 0 ? (flagWord | kKeySelected) : (flagWord & ~kKeySelected); }
  int IsSelected() const { return (flagWord & kKeySelected) != 0 ? 1 : 0; }
  void SetFrame(int value) { frame = value; }
  int GetFrame() const { return frame; }

  // A new key of the same kind and values; null with out of memory.
  virtual MAKeyInfo* Clone() const = 0;
  virtual int GetExtraFlag() { return -1; }
  virtual void SetExtraFlag(int) {}
  virtual void CaptureFrom(MDocObj*, AnimView*, const char*) {}
  void ApplyIfPlaced(MDocObj* scene, AnimView* view) {
    if (frame != kKeyNotPlaced) ApplyTo(scene, view);
  }
  virtual void ApplyTo(MDocObj*, AnimView*) {}
  // Blends `count` keys (null or zero-weight ones skipped) into this fresh key.
  virtual void Interpolate(int count, MAKeyInfo* const* keys, const double* weights) = 0;
  // With `sizeOut` only the record's size is stored there.
  virtual void WriteTo(QFile* file, int* sizeOut, int size, const int* context) = 0;
  // Reads one record; answers its size field (0 when reading failed).
  virtual int ReadFrom(QFile& file) = 0;
  // 0 no; 1 yes; 2 yes, as numbered copies of one figure.
  virtual int IsCompatible(MAKeyInfo*) { return 0; }
  virtual void MergeInto(MAKeyInfo*) {}
  virtual void SetObjectPath(const char*) {}
  virtual void ScaleBy(double) {}

  int flagWord = 0;
  int frame = 0;

 protected:
  // The header after the size field: 16 bytes.
  void WriteHeader(QFile& file) const;
  // Reads the header; false (a load failure) when it does not fit the record
  // of `size` bytes, which starts `used` bytes before.
  bool ReadHeader(QFile& file, std::int32_t size, std::int64_t start);
  void CopyBaseFrom(const MAKeyInfo& other) {
    flagWord = other.flagWord;
    frame = other.frame;
  }
};

class MAKeyView : public MAKeyInfo {
 public:
  static constexpr int kRecordSize = 96;
  MAKeyInfo* Clone() const override;
  void CaptureFrom(MDocObj* scene, AnimView* view, const char* name) override;
  void ApplyTo(MDocObj* scene, AnimView* view) override;
  void Interpolate(int count, MAKeyInfo* const* keys, const double* weights) override;
  void WriteTo(QFile* file, int* sizeOut, int size, const int* context) override;
  int ReadFrom(QFile& file) override;
  int IsCompatible(MAKeyInfo*) override { return 1; }
  void ScaleBy(double factor) override;

  CameraKeyValues camera;
};

class MAKeyObj : public MAKeyInfo {
 public:
  static constexpr int kRecordSize = 156;
  MAKeyObj();
  MAKeyInfo* Clone() const override;
  void CaptureFrom(MDocObj* scene, AnimView* view, const char* name) override;
  void ApplyTo(MDocObj* scene, AnimView* view) override;
  void Interpolate(int count, MAKeyInfo* const* keys, const double* weights) override;
  void WriteTo(QFile* file, int* sizeOut, int size, const int* context) override;
  int ReadFrom(QFile& file) override;
  int IsCompatible(MAKeyInfo*) override { return 1; }
  void ScaleBy(double factor) override;

  MatrixRecord matrix;
};

class MAKeyPose : public MAKeyInfo {
 public:
  MAKeyInfo* Clone() const override;
  int GetExtraFlag() override { return pose.GetAddPose().IsEnabled() ? 1 : 0; }
  void SetExtraFlag(int value) override { pose.GetAddPose().SetEnabled(value == 1); }
  void CaptureFrom(MDocObj* scene, AnimView* view, const char* name) override;
  void ApplyTo(MDocObj* scene, AnimView* view) override;
  void Interpolate(int count, MAKeyInfo* const* keys, const double* weights) override;
  void WriteTo(QFile* file, int* sizeOut, int size, const int* context) override;
  int ReadFrom(QFile& file) override;
  int IsCompatible(MAKeyInfo* other) override;
  void ScaleBy(double factor) override { pose.ScaleAddPose(factor); }

  MPose pose;
};

// One morph's weight in a morph key.
struct MorphWeight {
  char name[256];
  double weight;
};

class MAKeyMorph : public MAKeyInfo {
 public:
  ~MAKeyMorph() override { ClearEntries(); }
  MAKeyInfo* Clone() const override;
  void CaptureFrom(MDocObj* scene, AnimView* view, const char* path) override;
  void ApplyTo(MDocObj* scene, AnimView* view) override;
  void Interpolate(int count, MAKeyInfo* const* keys, const double* weights) override;
  void WriteTo(QFile* file, int* sizeOut, int size, const int* context) override;
  int ReadFrom(QFile& file) override;
  int IsCompatible(MAKeyInfo* other) override;
  void MergeInto(MAKeyInfo* other) override;
  void SetObjectPath(const char* text) override;
  void ClearEntries();
  // Appends an entry; false with out of memory.
  bool AddEntry(const char* name, double weight);
  MorphWeight* Entry(int i) const { return static_cast<MorphWeight*>(entries[i]); }

  char path[256] = {};
  PtrArray entries;  // MorphWeight, owned
};

class MAnimKeys {
 public:
  MAnimKeys() = default;
  virtual ~MAnimKeys();
  MAnimKeys(const MAnimKeys&) = delete;
  MAnimKeys& operator=(const MAnimKeys&) = delete;

  void Setup(int number, int kindValue, const char* text);
  // A new empty key for the track's kind; null when memory ran out.
  MAKeyInfo* NewKey() const;
  MAKeyInfo* KeyAt(int i) const { return static_cast<MAKeyInfo*>(keys[i]); }
  MAKeyInfo* FindKey(int frame, int* indexOut) const;
  // Inserts in frame order; nothing (the key stays the caller's) when the
  // frame already has a key. Answers whether the track took the key.
  bool InsertKey(int frame, MAKeyInfo* key);
  void RemoveKey(int frame, MAKeyInfo** keyOut);
  void CollectFrames(EngArray<std::int32_t>& out) const;
  int GetLastFrame() const;
  void ScaleBy(double factor);
  MAnimKeys* Clone() const;
  int Matches(MAnimKeys* other);
  void AdaptTo(MAnimKeys* other);
  void InsertKeysFrom(MAnimKeys* other, int offset);

  // The neighbours of a frame: `single` (a key on the frame, or the end key
  // outside the keyed range) or the four keys around it; all null without keys.
  void FindNeighbours(int frame, MAKeyInfo*& single, MAKeyInfo* (&four)[4]) const;
  // The curve's 4 x 4 control weights (row: control point, column: key k0..k3).
  static void ComputeControlWeights(const MAKeyInfo* const (&four)[4], double (&m)[4][4]);
  // The weights of k0..k3 at the frame, between k1 and k2.
  static void WeightsAt(int frame, const MAKeyInfo* const (&four)[4], double (&w)[4]);
  // Fills the fresh key `result` with the value at the frame.
  void ValueAt(int frame, MAKeyInfo* result) const;

  void WriteTo(QFile* file, int* sizeOut, int size, const int* context);
  // Answers the size field; 0 when reading failed.
  int ReadFrom(QFile& file);

  int kind = kTrackCamera;
  int trackNumber = -1;
  char name[256] = {};
  PtrArray keys;  // MAKeyInfo, owned, ascending frames
};

}  // namespace engine
