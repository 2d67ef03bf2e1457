#pragma once
// The two settings records every object carries: its projected-shadow
// settings with the shadow frame and image the shadow pass computes, and a
// set of light values that are stored, copied and written but drive no
// drawing. Each has a record of its own inside the object header, headed by
// its size so that a reader can step over a longer record of a newer writer.
#include <cstdint>

#include "engine/core/EngGeometry.h"
#include "engine/core/RgbaImageRecord.h"

namespace engine {

class QFile;

// shadowMode values.
enum ShadowMode : int {
  kShadowFromChildren = 0,  // a group lets its children decide
  kShadowNone = 1,
  kShadowCasts = 2,
  kShadowReceives = 3,
};

class ShadowInfo {
 public:
  static constexpr int kRecordSize = 44;

  ShadowInfo() = default;
  virtual ~ShadowInfo();
  ShadowInfo(const ShadowInfo&) = delete;
  ShadowInfo& operator=(const ShadowInfo&) = delete;

  // Frees the image pixels; width and height stay as they were.
  void FreeImage();
  // The eight settings; not the frame, the corners or the image.
  void CopySettingsTo(ShadowInfo& target) const;
  // The frame block: lightDir, axisU, axisV, centre.
  void CopyProjectionTo(ShadowInfo& target) const;

  // With `sizeOut` only stores the record size there and writes nothing;
  // otherwise writes the record with `size` in its size field.
  void WriteTo(QFile* file, int* sizeOut, int size) const;
  // Reads the 44-byte record and answers its stored size. A longer record
  // (a newer writer's) has its surplus skipped; a size below 44, or one
  // beyond `limit` bytes (the rest of the enclosing block; negative: the rest
  // of the file), is a load failure.
  int ReadFrom(QFile& file, std::int64_t limit = -1);

  // The record's fields after its size, in stored order; `io` reads or
  // writes each (Int, Double), so that both directions share one list.
  // `self` is the record, const when it is written.
  template <class Self, class Io>
  static void Fields(Self& self, Io& io) {
    io.Int(self.shadowMode);
    io.Int(self.lightKind);
    io.Int(self.shadowOnly);
    io.Int(self.projectOnObjects);
    io.Int(self.blurRadius);
    io.Int(self.shadowColour);
    io.Double(self.opacity);
    io.Double(self.shadowValue);
  }

  // ---- settings ----
  int shadowMode = kShadowFromChildren;
  int lightKind = 0;  // 0 the view's first light, 1 its second, 2 straight down
  int shadowOnly = 0;
  int projectOnObjects = 0;  // 0 onto the floor, else onto receiving objects
  int blurRadius = 4;
  int shadowColour = 0;  // 0x00BBGGRR
  double opacity = 0.5;
  double shadowValue = 0.1;  // carried, copied and stored only

  // ---- computed by the shadow pass ----
  PointRecord lightDir{};
  PointRecord axisU{};
  PointRecord axisV{};
  PointRecord centre{};
  PointRecord corners[4]{};
  RgbaImageRecord image;
};

class LightInfo {
 public:
  static constexpr int kRecordSize = 40;

  LightInfo() = default;
  virtual ~LightInfo() = default;
  LightInfo(const LightInfo&) = default;
  LightInfo& operator=(const LightInfo&) = default;

  // Size mode and writing as ShadowInfo::WriteTo.
  void WriteTo(QFile* file, int* sizeOut, int size) const;
  // Reads the 40-byte record, skips the surplus of a longer one and answers
  // the stored size; a size below 40 or beyond `limit` is a load failure.
  int ReadFrom(QFile& file, std::int64_t limit = -1);

  // The record's fields after its size, in stored order (see ShadowInfo).
  template <class Self, class Io>
  static void Fields(Self& self, Io& io) {
    io.Int(self.lightValueA);
    io.Int(self.lightValueB);
    io.Double(self.lightDistance);
    io.Int(self.lightValueC);
    io.Int(self.lightValueD);
    io.Int(self.lightValueE);
    io.Int(self.lightColour);
    io.Int(self.lightValueF);
  }

  int lightValueA = 0;
  int lightValueB = 1;
  double lightDistance = 100.0;  // a length in scene units: scaling the scene scales it
  int lightValueC = 40;
  int lightValueD = 4;
  int lightValueE = 4;
  int lightColour = 0xFFFFFF;  // 0x00BBGGRR
  int lightValueF = 30;
};

}  // namespace engine
