#pragma once
// Named animations and the scene's animation list. An animation (MAnim)
// groups the tracks that drive one scene object (its transform, its pose,
// its morph weights) under a name; one without objects holds the camera
// track. The scene keeps a current list and copies of it for undo.
//
// A track block (an animation file's "anim.Z4E" member, and each entry of
// the scene record's animation list) is a packed header (track count in
// bits 0-15, the writing scene's length-unit code from bit 16) followed by
// the track records.
#include <cstdint>

#include "engine/core/EngArrays.h"
#include "engine/scene/AnimKeys.h"

namespace engine {

class MObject;
class QFile;

inline std::int32_t AnimPackTrackHeader(int count, int unitCode) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(count) | (static_cast<std::uint32_t>(unitCode) << 16));
}
inline void AnimUnpackTrackHeader(std::int32_t value, int& count, int& unitCode) {
  count = value & 0xFFFF;
  unitCode = (value >> 16) & 0xF;
}

class MAnim {
 public:
  MAnim() = default;
  virtual ~MAnim();
  MAnim(const MAnim&) = delete;
  MAnim& operator=(const MAnim&) = delete;

  const char* SetName(const char* text);
  void GetName(char* buffer) const;
  int GetLastFrame() const;
  void ScaleBy(double factor);
  // Same objects, cloned tracks, same name; null with the failure state set.
  MAnim* Clone() const;
  // Puts the source's tracks on this animation's matching tracks: with
  // `apply` 0 only counts. A negative offset replaces each matched track; 0
  // or more adds the source's keys shifted by it. 0 nothing matched, 2 every
  // track matched, 1 some.
  int Transfer(MAnim* source, int apply, int offset);
  int Match(MAnim* source) { return Transfer(source, 0, -1); }
  int Apply(MAnim* source, int offset) { return Transfer(source, 1, offset); }
  // Reads one track block into the animation; answers its unit code (0 with
  // the failure state set when reading failed).
  static int ReadTracks(QFile& file, MAnim* animation);
  // A new animation read from a track block; null with the failure state set.
  static MAnim* CreateFromFile(QFile& file, int* unitOut);
  // Writes the tracks as one track block.
  void WriteTracks(QFile& file, int unitCode, const int* context);
  // The block's size.
  int TrackBlockSize() const;

  MAnimKeys* Track(int i) const { return static_cast<MAnimKeys*>(tracks[i]); }
  MObject* Object(int i) const { return static_cast<MObject*>(objects[i]); }
  bool HasObject(MObject* object) const;

  PtrArray objects;  // MObject, not owned
  PtrArray tracks;   // MAnimKeys, owned
  char name[256] = {};
};

struct AnimList {
  AnimList() { Init(); }
  ~AnimList();
  AnimList(const AnimList&) = delete;
  AnimList& operator=(const AnimList&) = delete;

  void Init();
  void Clear();
  void ScaleBy(double factor);
  // Into an empty list: the settings and a clone of every animation.
  void CopyTo(AnimList& target) const;
  // Takes the object out of every animation's objects.
  void ForgetObject(MObject* object);
  // Every animation of `old` names `fresh` instead.
  void ReplaceObject(MObject* old, MObject* fresh);
  void Swap(AnimList& other);

  MAnim* At(int i) const { return static_cast<MAnim*>(animations[i]); }
  int Count() const { return animations.count; }

  std::int32_t cameraState = -1;
  std::int32_t frameCount = 50;
  std::int32_t currentFrame = 0;
  std::int32_t storedValue = 15;
  std::int32_t extraValues[3] = {0, 1, 100};
  PtrArray animations;  // MAnim, owned
};

}  // namespace engine
