#pragma once
// Fixtures for the object tests: a clean engine context with preferences, a
// throwing fatal hook (a fatal exit fails the test instead of ending it), a
// beep counter and a fake view; and small object classes that stand in for
// meshes and figures.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MObject.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "platform/Hooks.h"
#include "support/FakeQView.h"

namespace objecttest {

class EngineObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::EngGlobalContext& context = engine::EngContext();
    context.ClearFailure();
    context.formatVersion = -101;
    context.pickScale = 1.0;
    context.facePickActive = 0;
    previousPrefs_ = context.prefs;
    context.prefs = &prefs_;
    previousFatal_ = platform::SetFatalHook([](const std::string& text) { throw std::runtime_error(text); });
    previousBeep_ = platform::SetBeepHook([this] { ++beeps_; });
  }
  void TearDown() override {
    engine::EngGlobalContext& context = engine::EngContext();
    context.prefs = previousPrefs_;
    context.ClearFailure();
    context.formatVersion = 0;
    context.facePickActive = 0;
    engine::EngClearAllocationFailure();
    platform::SetFatalHook(previousFatal_);
    platform::SetBeepHook(previousBeep_);
  }

  static int FailState() { return engine::EngContext().failState; }
  static int FailReason() { return engine::EngContext().failReason; }

  engine::CrPrefs prefs_;
  testsupport::FakeQView view_;
  int beeps_ = 0;

 private:
  engine::CrPrefs* previousPrefs_ = nullptr;
  platform::FatalHook previousFatal_;
  platform::BeepHook previousBeep_;
};

// Byte images of stored records, written most significant byte first by
// hand (not through the engine's stream), so that a writer and a reader
// cannot agree on the same mistake.
struct Bytes {
  std::vector<unsigned char> data;
  Bytes& Int(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8) data.push_back(static_cast<unsigned char>(bits >> shift));
    return *this;
  }
  Bytes& Double(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 56; shift >= 0; shift -= 8) data.push_back(static_cast<unsigned char>(bits >> shift));
    return *this;
  }
  Bytes& Matrix(const engine::MatrixRecord& m) {
    for (const auto& row : m.m)
      for (double value : row) Double(value);
    return *this;
  }
  Bytes& Fill(std::size_t n, unsigned char byte) {
    data.insert(data.end(), n, byte);
    return *this;
  }
  Bytes& Append(const Bytes& more) {
    data.insert(data.end(), more.data.begin(), more.data.end());
    return *this;
  }
};

// One field of a hand-built record image: an int, or a double when written
// with a decimal point.
struct Field {
  Field(int v) : i(v) {}
  Field(unsigned v) : i(static_cast<std::int32_t>(v)) {}
  Field(double v) : d(v), isDouble(true) {}
  std::int32_t i = 0;
  double d = 0;
  bool isDouble = false;
};

inline Bytes Image(std::initializer_list<Field> fields) {
  Bytes image;
  for (const Field& f : fields) f.isDouble ? image.Double(f.d) : image.Int(f.i);
  return image;
}

inline engine::MatrixRecord Translation(double x, double y, double z) {
  engine::MatrixRecord m;
  engine::MUtilIdentity(m);
  m.m[3][0] = x;
  m.m[3][1] = y;
  m.m[3][2] = z;
  return m;
}

inline engine::MatrixRecord Composed(double angleY, double angleX, double angleZ, engine::PointRecord scale,
                                     engine::PointRecord translation) {
  engine::MatrixRecord m;
  engine::MUtilComposeMatrix(angleY, angleX, angleZ, scale, translation, nullptr, m);
  return m;
}

inline engine::BoundsRecord Box(double x0, double y0, double z0, double x1, double y1, double z1) {
  return engine::BoundsRecord{x0, y0, z0, x1, y1, z1, 0};
}

// A plain object with a local box of its own, as drawable objects have.
class BoxObject : public engine::MObject {
 public:
  explicit BoxObject(engine::BoundsRecord box) : box_(box) {}
  void GetLocalBounds(engine::BoundsRecord& out) override { out = box_; }
  engine::BoundsRecord box_;
};

// A stand-in for a mesh (type 4) or, with `figure` set, a figure: a few
// vertices that take the matrix's scale when the scale is applied, pick
// answers a test sets, and a record of its own after the object header.
class FakeMesh : public engine::MObject {
 public:
  FakeMesh() { typeCode = engine::kObjectMesh; }
  explicit FakeMesh(std::vector<engine::PointRecord> points) : FakeMesh() { vertices = std::move(points); }

  static engine::MObject* Create() { return new (std::nothrow) FakeMesh(); }

  void GetLocalBounds(engine::BoundsRecord& out) override {
    engine::MUtilBoxOfPoints(static_cast<int>(vertices.size()), vertices.data(), out);
  }
  // Meshes take the scale into their vertices and keep angles and place.
  void ApplyScale() override {
    double y, x, z;
    engine::PointRecord scale, translation;
    engine::MUtilDecomposeMatrix(matrix, y, x, z, scale, translation);
    for (engine::PointRecord& p : vertices) p = {p.x * scale.x, p.y * scale.y, p.z * scale.z};
    SetMatrix(Composed(y, x, z, {1, 1, 1}, translation));
    MarkChanged();
  }
  bool IsSymmetric() override { return symmetric; }
  bool IsBoneObject() override { return figure; }
  void ReverseAllFaces() override { ++reversals; }
  void CopyTo(engine::MObject* target) override {
    engine::MObject::CopyTo(target);
    auto* mesh = static_cast<FakeMesh*>(target);
    mesh->vertices = vertices;
    mesh->symmetric = symmetric;
    mesh->figure = figure;
  }
  engine::MObject* Clone() override { return FinishClone(new (std::nothrow) FakeMesh()); }

  engine::MObject* PickElement(const engine::PointRecord&, const engine::PointRecord&, const engine::PointRecord& a,
                               const engine::PointRecord& b, double* t, bool) override {
    return Answer(a, b, t);
  }
  engine::MObject* PickNearest(const engine::PointRecord&, const engine::PointRecord& a, const engine::PointRecord& b,
                               double* t, bool) override {
    return Answer(a, b, t);
  }
  engine::MObject* PickFace(const engine::PointRecord&, const engine::PointRecord& a, const engine::PointRecord& b,
                            double* t, engine::MVertex** vertex, engine::MLine**, engine::MFace** face) override {
    if (vertex != nullptr) *vertex = reinterpret_cast<engine::MVertex*>(&faceToken);
    if (face != nullptr) *face = reinterpret_cast<engine::MFace*>(&faceToken);
    return Answer(a, b, t);
  }
  void CollectByShadowMode(int mode, engine::PtrArray* out) override {
    if (shadowInfo.shadowMode == mode) out->Add(this);
  }

  // The header, then the vertex count and the vertices.
  void WriteTo(engine::QFile& file) override {
    engine::MObject::WriteTo(file);
    file.WriteInt(static_cast<std::int32_t>(vertices.size()));
    for (const engine::PointRecord& p : vertices) {
      file.WriteDouble(p.x);
      file.WriteDouble(p.y);
      file.WriteDouble(p.z);
    }
  }
  void ReadFrom(engine::QFile& file) override {
    engine::MObject::ReadFrom(file);
    if (engine::EngContext().failState != 0) return;
    std::int32_t n = 0;
    file.ReadInt(n);
    if (n < 0 || n > file.BytesLeft() / 24) {
      engine::EngRecordLoadFailure("fake mesh: vertex count");
      return;
    }
    vertices.resize(static_cast<std::size_t>(n));
    for (engine::PointRecord& p : vertices) {
      file.ReadDouble(p.x);
      file.ReadDouble(p.y);
      file.ReadDouble(p.z);
    }
  }

  std::vector<engine::PointRecord> vertices;
  bool symmetric = false;
  bool figure = false;
  int reversals = 0;
  // Pick answer: hit with this ray parameter when `hits`.
  bool hits = false;
  double hitT = 0.0;
  engine::PointRecord lastRayStart{}, lastRayEnd{};
  int faceToken = 0;

 private:
  engine::MObject* Answer(const engine::PointRecord& a, const engine::PointRecord& b, double* t) {
    lastRayStart = a;
    lastRayEnd = b;
    if (!hits) return nullptr;
    *t = hitT;
    return this;
  }
};

}  // namespace objecttest
