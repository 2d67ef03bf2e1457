// The object header record, the shadow and light settings records inside
// it, and the object factory: golden bytes, newer and longer blocks, old
// formats, and corrupt input as load failures.
#include <gtest/gtest.h>

#include <memory>

#include "engine/core/MGridObj.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/ObjectFactory.h"
#include "MathTestSupport.h"
#include "ObjectTestSupport.h"
#include "support/TempDir.h"

// A name of its own: test files are compiled together in batches.
namespace object_record_test {

using namespace engine;
using objecttest::Bytes;
using objecttest::FakeMesh;
using objecttest::Translation;
using Mode = platform::File::Mode;

constexpr std::int32_t kMarker = 0x5EED1234;

// Shadow settings and light values records with their defaults and the
// size field given.
Bytes ShadowRecord(int size = 44) {
  return Bytes().Int(size).Int(0).Int(0).Int(0).Int(0).Int(4).Int(0).Double(0.5).Double(0.1);
}
Bytes LightRecord(int size = 40) {
  return Bytes().Int(size).Int(0).Int(1).Double(100.0).Int(40).Int(4).Int(4).Int(0xFFFFFF).Int(30);
}
// A header of the given tag up to its settings block, with index 0, layer 0
// and the identity matrix.
Bytes HeaderStart(int tag) { return Bytes().Int(tag).Int(2).Matrix(mathtest::Identity()); }

class ObjectRecordTest : public objecttest::EngineObjectTest {
 protected:
  void TearDown() override {
    RegisterObjectCreator(kObjectMesh, nullptr);
    RegisterObjectCreator(kObjectFigure, nullptr);
    EngineObjectTest::TearDown();
  }

  std::vector<unsigned char> Written(MObject& object) {
    const std::string path = dir_.File("written.bin");
    QFile out(path, Mode::kCreateWrite);
    object.WriteTo(out);
    out.FlushAndClose();
    return testsupport::TempDir::ReadAll(path);
  }
  // Opens the bytes for reading; the stream stays open for later reads.
  QFile& Open(const Bytes& bytes) {
    file_ = std::make_unique<QFile>(dir_.Write("read.bin", bytes.data), Mode::kRead);
    return *file_;
  }
  std::unique_ptr<MObject> Read(const Bytes& bytes) { return std::unique_ptr<MObject>(ReadObject(Open(bytes))); }
  std::int32_t NextInt() {
    std::int32_t value = 0;
    file_->ReadInt(value);
    return value;
  }

  testsupport::TempDir dir_;
  std::unique_ptr<QFile> file_;
};

// ---- golden bytes -------------------------------------------------------------------

TEST_F(ObjectRecordTest, HeaderWithSettingsRecordsHasItsGoldenBytes) {
  MObject object;
  object.index = 3;
  object.layer = 5;
  object.SetMatrix(Translation(1, 2, 3));
  ShadowInfo& s = object.shadowInfo;
  s.shadowMode = 2;
  s.lightKind = 1;
  s.shadowOnly = 1;
  s.projectOnObjects = 7;
  s.blurRadius = 6;
  s.shadowColour = 0x112233;
  s.opacity = 0.75;
  s.shadowValue = -2.5;
  object.flags = 1;
  object.excluded = 1;
  LightInfo& l = object.lightInfo;
  l.lightValueA = 7;
  l.lightValueB = 8;
  l.lightDistance = 50.5;
  l.lightValueC = 9;
  l.lightValueD = 10;
  l.lightValueE = 11;
  l.lightColour = 0xABCDEF;
  l.lightValueF = 12;
  object.extraValue = 99;

  const Bytes start = Bytes().Int(1).Int(3 * 65536 + 7).Matrix(Translation(1, 2, 3));
  const Bytes block = Bytes()
                          .Int(96)
                          .Append(Bytes().Int(44).Int(2).Int(1).Int(1).Int(7).Int(6).Int(0x112233).Double(0.75).Double(-2.5))
                          .Int(1)
                          .Int(1)
                          .Append(Bytes().Int(40).Int(7).Int(8).Double(50.5).Int(9).Int(10).Int(11).Int(0xABCDEF).Int(12))
                          .Int(99);
  EngContext().formatVersion = -101;
  EXPECT_EQ(Written(object), Bytes(start).Append(block).data);
  EXPECT_EQ(Written(object).size(), 236u);

  EngContext().formatVersion = -4;
  EXPECT_EQ(Written(object), start.data);
}

TEST_F(ObjectRecordTest, HeaderReadsBackEverySettingItWrote) {
  MObject object;
  object.index = 12;
  object.layer = 98;
  object.SetMatrix(objecttest::Composed(0.5, -0.25, 1.0, {2, 3, 4}, {-7, 8, 9}));
  object.shadowInfo.shadowMode = 3;
  object.shadowInfo.opacity = 0.125;
  object.flags = 1;
  object.excluded = 1;
  object.lightInfo.lightDistance = 7.5;
  object.lightInfo.lightValueF = -3;
  object.extraValue = 42;
  Bytes bytes;
  bytes.data = Written(object);
  auto back = Read(bytes);
  ASSERT_NE(back, nullptr) << EngContext().failText;
  EXPECT_EQ(back->index, 12);
  EXPECT_EQ(back->layer, 98);
  EXPECT_TRUE(mathtest::MatrixNear(back->matrix, object.matrix, 0.0));
  EXPECT_EQ(back->shadowInfo.shadowMode, 3);
  EXPECT_EQ(back->shadowInfo.opacity, 0.125);
  EXPECT_EQ(back->flags, 1);
  EXPECT_EQ(back->excluded, 1);
  EXPECT_EQ(back->lightInfo.lightDistance, 7.5);
  EXPECT_EQ(back->lightInfo.lightValueF, -3);
  EXPECT_EQ(back->extraValue, 42);
}

// ---- the packed word ------------------------------------------------------------------

TEST_F(ObjectRecordTest, PackedWordHoldsIndexAndLayerAndClampsTheLayer) {
  struct Case {
    std::int32_t word;
    int index;
    int layer;
  };
  const Case cases[] = {
      {3 * 65536 + 7, 3, 5},
      {2, 0, 0},
      {1, 0, 0},             // layer -1
      {200, 0, 98},          // layer 198
      {100, 0, 98},          // layer 98 exactly
      {5 * 65536 + 101, 5, 98},
      {-2 * 65536 + 2, -1, 0},  // the quotient truncates toward zero (floor gives -2)
      {-1, 0, 0},            // remainder -1: layer -3
  };
  for (const Case& c : cases) {
    auto object = Read(Bytes().Int(1).Int(c.word).Matrix(mathtest::Identity()).Append(Bytes().Int(0)));
    ASSERT_NE(object, nullptr) << c.word;
    EXPECT_EQ(object->index, c.index) << c.word;
    EXPECT_EQ(object->GetLayer(), c.layer) << c.word;
  }
  // And the writer packs index and layer the same way.
  MObject object;
  object.index = 3;
  object.layer = 5;
  EngContext().formatVersion = -4;
  const std::vector<unsigned char> bytes = Written(object);
  EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 4, bytes.begin() + 8),
            (std::vector<unsigned char>{0x00, 0x03, 0x00, 0x07}));
}

TEST_F(ObjectRecordTest, ReadMatrixAlwaysGetsM33OfOne) {
  engine::MatrixRecord stored = Translation(1, 1, 1);
  stored.m[3][3] = 5.0;
  auto object = Read(Bytes().Int(1).Int(2).Matrix(stored).Int(0));
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->matrix.m[3][3], 1.0);
  EXPECT_EQ(object->matrix.m[3][0], 1.0);
}

// ---- newer and older blocks ---------------------------------------------------------------

TEST_F(ObjectRecordTest, LongerBlocksAndRecordsOfNewerWritersAreSteppedOver) {
  struct Case {
    const char* what;
    Bytes block;
  };
  const Case cases[] = {
      {"a longer block", Bytes()
                             .Int(104)
                             .Append(ShadowRecord())
                             .Int(1)
                             .Int(1)
                             .Append(LightRecord())
                             .Int(77)
                             .Fill(8, 0xEE)},
      {"a longer light record", Bytes()
                                    .Int(104)
                                    .Append(ShadowRecord())
                                    .Int(1)
                                    .Int(1)
                                    .Append(LightRecord(48))
                                    .Fill(8, 0xEE)
                                    .Int(77)},
      {"a longer shadow record", Bytes()
                                     .Int(104)
                                     .Append(ShadowRecord(52))
                                     .Fill(8, 0xEE)
                                     .Int(1)
                                     .Int(1)
                                     .Append(LightRecord())
                                     .Int(77)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EngContext().ClearFailure();
    auto object = Read(HeaderStart(1).Append(c.block).Int(kMarker));
    ASSERT_NE(object, nullptr) << EngContext().failText;
    EXPECT_EQ(object->flags, 1);
    EXPECT_EQ(object->excluded, 1);
    EXPECT_EQ(object->shadowInfo.blurRadius, 4);
    EXPECT_EQ(object->lightInfo.lightValueF, 30);
    EXPECT_EQ(object->extraValue, 77);
    EXPECT_EQ(NextInt(), kMarker);
  }
}

TEST_F(ObjectRecordTest, ShorterBlockHoldsOnlyItsFirstFields) {
  // 52 bytes: the shadow record, the flags and the exclusion.
  auto object = Read(HeaderStart(1).Int(52).Append(ShadowRecord()).Int(1).Int(2).Int(kMarker));
  ASSERT_NE(object, nullptr) << EngContext().failText;
  EXPECT_EQ(object->flags, 1);
  EXPECT_EQ(object->excluded, 0);  // only a stored 1 means excluded
  EXPECT_EQ(object->lightInfo.lightDistance, 100.0);
  EXPECT_EQ(NextInt(), kMarker);
}

TEST_F(ObjectRecordTest, OldFormatHoldsNoBlockAndKeepsTheDefaults) {
  MObject object;
  object.shadowInfo.shadowMode = 2;
  object.flags = 1;
  object.excluded = 1;
  object.lightInfo.lightValueA = 5;
  object.extraValue = 3;
  EngContext().formatVersion = -4;
  Bytes bytes;
  bytes.data = Written(object);
  ASSERT_EQ(bytes.data.size(), 136u);
  auto back = Read(Bytes(bytes).Int(kMarker));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->shadowInfo.shadowMode, 0);
  EXPECT_EQ(back->flags, 0);
  EXPECT_EQ(back->excluded, 0);
  EXPECT_EQ(back->lightInfo.lightValueA, 0);
  EXPECT_EQ(back->extraValue, 0);
  EXPECT_EQ(NextInt(), kMarker);
}

// ---- corrupt input ----------------------------------------------------------------------

TEST_F(ObjectRecordTest, CorruptRecordsAreLoadFailuresNeverFatal) {
  const Bytes fullBlock = Bytes().Int(96).Append(ShadowRecord()).Int(0).Int(0).Append(LightRecord()).Int(0);
  struct Case {
    const char* what;
    Bytes bytes;
  };
  const Case cases[] = {
      {"type tag 0", HeaderStart(0).Append(fullBlock)},
      {"the scene's tag 5", HeaderStart(5).Append(fullBlock)},
      {"type tag 7", HeaderStart(7).Append(fullBlock)},
      {"a negative tag", HeaderStart(-3).Append(fullBlock)},
      {"a mesh tag nobody registered", HeaderStart(4).Append(fullBlock)},
      {"no tag at all", Bytes().Fill(2, 0)},
      {"the file ends in the matrix", Bytes().Int(1).Int(2).Fill(50, 0)},
      {"the file ends in the block", HeaderStart(1).Int(96).Append(ShadowRecord()).Int(0)},
      {"a negative block size", HeaderStart(1).Int(-4)},
      {"a block size beyond the file", HeaderStart(1).Int(1000000).Append(ShadowRecord())},
      {"a block too short for the shadow record", HeaderStart(1).Int(20).Fill(20, 0)},
      {"a block too short for the light record", HeaderStart(1).Int(70).Append(ShadowRecord()).Int(0).Int(0).Fill(18, 0)},
      {"a shadow record below 44", HeaderStart(1).Int(96).Append(ShadowRecord(40)).Int(0).Int(0).Append(LightRecord()).Int(0)},
      {"a shadow record beyond its block", HeaderStart(1).Int(96).Append(ShadowRecord(0x7FFFFFFF)).Fill(52, 0)},
      {"a light record below 40", HeaderStart(1).Int(96).Append(ShadowRecord()).Int(0).Int(0).Append(LightRecord(36)).Int(0)},
      {"a light record beyond its block", HeaderStart(1).Int(96).Append(ShadowRecord()).Int(0).Int(0).Append(LightRecord(60)).Int(0).Fill(30, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EngContext().ClearFailure();
    std::unique_ptr<MObject> object;
    EXPECT_NO_THROW(object = Read(c.bytes));
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(FailState(), kEngFailFailed);
    EXPECT_EQ(FailReason(), kEngReasonCorruptFile);
    EXPECT_FALSE(EngContext().failText.empty());
  }
}

// ---- the factory ------------------------------------------------------------------------

TEST_F(ObjectRecordTest, FactoryCreatesTheClassOfEachBuiltInTag) {
  for (int tag : {kObjectEmpty, kObjectGroup, kObjectGrid}) {
    Bytes bytes = HeaderStart(tag).Append(Bytes().Int(96).Append(ShadowRecord()).Int(0).Int(0).Append(LightRecord()).Int(0));
    if (tag == kObjectGroup) bytes.Int(0).Int(0);  // no children, an empty trailer
    auto object = Read(bytes);
    ASSERT_NE(object, nullptr) << tag << ": " << EngContext().failText;
    EXPECT_EQ(object->GetType(), tag);
    EXPECT_EQ(dynamic_cast<MGroupObj*>(object.get()) != nullptr, tag == kObjectGroup);
    EXPECT_EQ(dynamic_cast<MGridObj*>(object.get()) != nullptr, tag == kObjectGrid);
  }
}

TEST_F(ObjectRecordTest, FigureIsStoredAsTag6OnlyInTheNewerFormats) {
  RegisterObjectCreator(kObjectMesh, FakeMesh::Create);
  RegisterObjectCreator(kObjectFigure, [] {
    auto* figure = new (std::nothrow) FakeMesh();
    if (figure != nullptr) figure->figure = true;
    return static_cast<MObject*>(figure);
  });
  for (int version : {-101, -4}) {
    SCOPED_TRACE(version);
    EngContext().formatVersion = version;
    FakeMesh figure({{1, 2, 3}});
    figure.figure = true;
    Bytes bytes;
    bytes.data = Written(figure);
    EXPECT_EQ(bytes.data[3], version == -101 ? 6 : 4);
    auto back = Read(bytes);
    ASSERT_NE(back, nullptr) << EngContext().failText;
    EXPECT_EQ(back->GetType(), kObjectMesh);
    EXPECT_EQ(back->IsBoneObject(), version == -101);
    EXPECT_EQ(static_cast<FakeMesh*>(back.get())->vertices.size(), 1u);
  }
}

TEST_F(ObjectRecordTest, FactoryAnswersNullWhenMemoryRunsOut) {
  QFile& file = Open(HeaderStart(1).Int(0));
  {
    EngAllocFailureScope failNext(1);
    EXPECT_EQ(ReadObject(file), nullptr);
  }
  EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
}

TEST_F(ObjectRecordTest, ObjectWhoseReaderFailsIsDeleted) {
  RegisterObjectCreator(kObjectMesh, FakeMesh::Create);
  // A registered class's own part fails: its vertex count is beyond the file.
  QFile& file = Open(HeaderStart(4).Append(Bytes().Int(96).Append(ShadowRecord()).Int(0).Int(0).Append(LightRecord()).Int(0)).Int(1000));
  const EngAllocStats before = EngAllocationStats();
  EXPECT_EQ(ReadObject(file), nullptr);
  const EngAllocStats after = EngAllocationStats();
  EXPECT_EQ(FailReason(), kEngReasonCorruptFile);
  EXPECT_EQ(after.allocations - before.allocations, after.frees - before.frees);
}

}  // namespace object_record_test
