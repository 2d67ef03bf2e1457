// Layers and the stored scene: layer flags, groups of layers, moving,
// deleting and spreading layers, the layer backup, the layer-name block
// (with its clamps), and the scene record written and read, byte for byte
// and through hand-built images of older and damaged files.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/SceneTestSupport.h"
#include "engine/core/QFile.h"
#include "support/TempDir.h"

namespace scene_layer_record_test {

using engine::LayerRecord;
using engine::MDocObj;
using engine::MGroupObj;
using engine::MObject;
using engine::PointRecord;
using objecttest::Bytes;
using objecttest::Image;
using scenetest::DumpScene;

class SceneLayerTest : public scenetest::SceneTest {
 protected:
  std::vector<unsigned char> Written(const std::function<void(engine::QFile&)>& write) {
    return scenetest::WrittenBytes(dir_, write);
  }
  std::unique_ptr<engine::QFile> Open(const std::vector<unsigned char>& bytes) {
    return std::make_unique<engine::QFile>(dir_.Write("image.bin", bytes), platform::File::Mode::kRead);
  }
  static std::string Flags(const MDocObj& scene, int i) {
    const LayerRecord& r = scene.GetLayerRecord(i);
    return std::to_string(r.visible) + std::to_string(r.editable) + std::to_string(r.groupHead) +
           std::to_string(r.spareFlag) + std::to_string(r.mirror);
  }
  testsupport::TempDir dir_;
};

// ---- flags and groups -------------------------------------------------------------------

TEST_F(SceneLayerTest, FlagTypesRaiseTheCountAndCascadeOverGroupMembers) {
  MDocObj scene;
  scene.SetLayerFlag(5, engine::kLayerSpare, 1, false);
  EXPECT_EQ(scene.GetLayerCount(), 6);
  scene.SetLayerFlag(0, engine::kLayerVisibleEditable, 0, false);
  EXPECT_EQ(Flags(scene, 0), "00000");
  scene.SetLayerFlag(0, engine::kLayerEditable, 1, false);
  EXPECT_EQ(Flags(scene, 0), "01000");
  scene.SetLayerFlag(0, 9, 1, false);  // no such type
  EXPECT_EQ(Flags(scene, 0), "01000");

  // 3 heads 4 and 5; 6 heads 7.
  scene.SetLayerFlag(3, engine::kLayerGroupHead, 1, false);
  scene.SetLayerFlag(6, engine::kLayerGroupHead, 1, false);
  scene.SetLayerFlag(7, engine::kLayerVisible, 1, false);
  scene.SetLayerFlag(3, engine::kLayerVisible, 0, true);
  EXPECT_EQ(Flags(scene, 3), "01100");
  EXPECT_EQ(Flags(scene, 4), "01000");
  EXPECT_EQ(Flags(scene, 5), "01010");
  EXPECT_EQ(Flags(scene, 6), "11100");
  EXPECT_EQ(Flags(scene, 7), "11000");
  scene.SetLayerFlag(3, engine::kLayerVisible, 1, false);
  EXPECT_EQ(Flags(scene, 4), "01000");

  // The table reports a head visible only when all its members are.
  int count = 0, current = 0;
  LayerRecord table[engine::kLayerCount];
  scene.GetLayerTable(count, current, table);
  EXPECT_EQ(count, 8);
  EXPECT_EQ(table[3].visible, 0);
  scene.SetLayerFlag(4, engine::kLayerVisible, 1, false);
  scene.SetLayerFlag(5, engine::kLayerVisible, 1, false);
  scene.SetLayerFlag(5, engine::kLayerMirror, 1, false);
  scene.GetLayerTable(count, current, table);
  EXPECT_EQ(table[3].visible, 1);
  EXPECT_EQ(table[3].mirror, 1);
  EXPECT_EQ(table[6].mirror, 0);

  EXPECT_TRUE(EndsInFatalExit([&] { scene.SetLayerFlag(99, engine::kLayerVisible, 1, false); }));
}

TEST_F(SceneLayerTest, TheTableCountsObjectsAndCoversEveryLayerInUse) {
  MDocObj scene;
  Add(scene, Tetra(), 4);
  Add(scene, Tetra(), 4);
  Add(scene, Tetra(), 1);
  int count = 0, current = 0;
  LayerRecord table[engine::kLayerCount];
  scene.GetLayerTable(count, current, table);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(scene.GetLayerCount(), 5);
  EXPECT_EQ(table[4].objectCount, 2);
  EXPECT_EQ(table[1].objectCount, 1);
  EXPECT_EQ(table[4].index, 4);
}

TEST_F(SceneLayerTest, AddLayerStopsAtNinetyNine) {
  MDocObj scene;
  for (int i = 1; i < engine::kLayerCount; ++i) EXPECT_EQ(scene.AddLayer(0), i);
  EXPECT_STREQ(scene.GetLayerRecord(98).name, "Layer");
  EXPECT_EQ(scene.AddLayer(0), -1);
  EXPECT_EQ(scene.GetLayerCount(), 99);
}

TEST_F(SceneLayerTest, MovingAHeadLayerKeepsItsGroupTogether) {
  MDocObj scene;
  // 0 A, 1 head H, 2 H1, 3 H2, 4 head B
  const char* names[] = {"A", "H", "H1", "H2", "B"};
  for (int i = 0; i < 5; ++i) {
    if (i > 0) scene.AddLayer(0);
    scene.SetLayerName(i, names[i]);
  }
  scene.SetLayerFlag(1, engine::kLayerGroupHead, 1, false);
  scene.SetLayerFlag(4, engine::kLayerGroupHead, 1, false);
  MObject* onH1 = Add(scene, Tetra(), 2);
  auto order = [&] {
    std::string s;
    for (int i = 0; i < scene.GetLayerCount(); ++i) s += std::string(scene.GetLayerRecord(i).name) + " ";
    return s;
  };
  scene.MoveLayer(1, 1);
  scene.MoveLayer(1, 2);
  EXPECT_EQ(order(), "A H H1 H2 B ");
  scene.MoveLayer(1, 3);  // inside its own group
  EXPECT_EQ(order(), "A H H1 H2 B ");
  scene.MoveLayer(1, 5);
  EXPECT_EQ(order(), "A B H H1 H2 ");
  EXPECT_EQ(onH1->GetLayer(), 3);
  // Moving up: the destination skips to the next head, so the group lands
  // before B, never inside A's run of layers.
  scene.MoveLayer(2, 0);
  EXPECT_EQ(order(), "A H H1 H2 B ");
  EXPECT_EQ(onH1->GetLayer(), 2);
  EXPECT_EQ(scene.GetCurrentLayer(), 3);
}

TEST_F(SceneLayerTest, DeletingALayerRemovesItsObjectsAndMovesTheRestDown) {
  auto scene = MakeScene([](MDocObj& s) {
    s.AddLayer(0);
    s.AddLayer(0);
    Add(s, Tetra(), 0);
    Add(s, Tetra(), 1);
    Add(s, Tetra(), 2);
  });
  MObject* on1 = scene->ChildAt(2);
  MObject* on2 = scene->ChildAt(3);
  const std::string before = DumpScene(*scene);
  scene->DeleteLayer(0);
  EXPECT_EQ(scene->GetLayerCount(), 2);
  EXPECT_EQ(scene->GetChildCount(), 3);
  EXPECT_EQ(on1->GetLayer(), 0);
  EXPECT_EQ(on2->GetLayer(), 1);
  scene->UndoEdit(0);
  EXPECT_EQ(DumpScene(*scene), before);

  MDocObj single;
  single.DeleteLayer(0);
  EXPECT_EQ(single.GetLayerCount(), 1);
  EXPECT_EQ(single.layerBackupValid, 1);
}

TEST_F(SceneLayerTest, SpreadingGivesPlainObjectsTheFirstLayersAndMirrorsTheRest) {
  MDocObj scene;
  scene.AddLayer(0);
  scene.SetLayerFlag(1, engine::kLayerMirror, 1, false);
  MObject* mirrored = Add(scene, Tetra(), 1);
  MObject* plainA = Add(scene, Tetra(), 0);
  MObject* plainB = Add(scene, Tetra(), 0);
  EXPECT_TRUE(scene.SpreadObjectsOverLayers());
  EXPECT_EQ(plainA->GetLayer(), 0);
  EXPECT_EQ(plainB->GetLayer(), 1);
  EXPECT_EQ(mirrored->GetLayer(), 2);
  EXPECT_EQ(scene.GetLayerCount(), 3);
  EXPECT_EQ(Flags(scene, 2), "11001");
  EXPECT_STREQ(scene.GetLayerRecord(0).name, "Layer");
  // Two swaps give back the table the first one replaced.
  const std::string spread = DumpScene(scene);
  scene.SwapLayerBackup();
  EXPECT_EQ(scene.GetLayerCount(), 2);
  scene.SwapLayerBackup();
  EXPECT_EQ(DumpScene(scene), spread);
}

TEST_F(SceneLayerTest, SelectionByLayerAndEnsuringAUsableCurrentLayer) {
  MDocObj scene;
  scene.AddLayer(0);
  MObject* a = Add(scene, Tetra(), 1);
  MObject* b = Add(scene, Tetra(), 0);
  b->Select(true);
  scene.SelectLayerObjects(1, 0, 0);
  EXPECT_TRUE(a->IsSelected());
  EXPECT_FALSE(b->IsSelected());
  scene.SelectLayerObjects(1, 0, 0);  // all selected: deselects
  EXPECT_FALSE(a->IsSelected());
  EXPECT_FALSE(scene.GetGridObject()->IsSelected());

  scene.SetCurrentLayer(1);
  scene.SetLayerFlag(1, engine::kLayerEditable, 0, false);
  scene.EnsureUsableCurrentLayer();
  EXPECT_EQ(scene.GetCurrentLayer(), 0);
  scene.SetLayerFlag(0, engine::kLayerVisible, 0, false);
  scene.EnsureUsableCurrentLayer();
  EXPECT_EQ(scene.GetCurrentLayer(), 0);
  EXPECT_EQ(Flags(scene, 0), "11000");
}

// ---- the layer-name block ------------------------------------------------------------------

TEST_F(SceneLayerTest, NameBlockRoundTripsAndWritesNothingAfterTheName) {
  MDocObj scene;
  scene.AddLayer(0);
  const std::string longName(254, 'n');
  std::memset(scene.layers[0].name, 'x', sizeof scene.layers[0].name);  // stale bytes
  scene.SetLayerName(0, "short");
  scene.SetLayerName(1, longName.c_str());
  const std::vector<unsigned char> bytes = Written([&](engine::QFile& f) { scene.WriteLayerRecords(f); });
  Bytes expected = Image({1, 0, 2, 512});
  std::vector<unsigned char> first(256, 0);
  first[0] = 5;
  std::memcpy(first.data() + 1, "short", 5);
  std::vector<unsigned char> second(256, 0);
  second[0] = 254;
  std::memset(second.data() + 1, 'n', 254);
  expected.data.insert(expected.data.end(), first.begin(), first.end());
  expected.data.insert(expected.data.end(), second.begin(), second.end());
  EXPECT_EQ(bytes, expected.data);

  MDocObj back;
  back.layerBackupCount = -1;
  back.ReadLayerRecords(*Open(bytes));
  EXPECT_EQ(back.GetLayerCount(), 2);
  EXPECT_STREQ(back.GetLayerRecord(0).name, "short");
  EXPECT_EQ(std::string(back.GetLayerRecord(1).name), longName);

  // Names are UTF-8 in memory and code page 932 in the block.
  MDocObj japanese;
  japanese.SetLayerName(0, "\xE8\x83\x8C\xE6\x99\xAF");  // 背景
  const std::vector<unsigned char> stored = Written([&](engine::QFile& f) { japanese.WriteLayerRecords(f); });
  EXPECT_EQ(stored[16], 4);
  EXPECT_EQ(stored[17], 0x94);
  EXPECT_EQ(stored[18], 0x77);
  MDocObj readBack;
  readBack.layerBackupCount = -1;
  readBack.ReadLayerRecords(*Open(stored));
  EXPECT_STREQ(readBack.GetLayerRecord(0).name, "\xE8\x83\x8C\xE6\x99\xAF");
  // A name cut to the field keeps whole characters.
  std::string many;
  for (int i = 0; i < 100; ++i) many += "\xE8\x83\x8C";
  japanese.SetLayerName(0, many.c_str());
  EXPECT_EQ(std::strlen(japanese.GetLayerRecord(0).name), 255u);

  MDocObj unannounced;
  unannounced.ReadLayerRecords(*Open(bytes));
  EXPECT_EQ(unannounced.GetLayerCount(), 1);
}

TEST_F(SceneLayerTest, NameBlockCountsAreClampedToTheTable) {
  struct Case {
    int kind, n, records;
    int count;
    bool fails;
  };
  // The count word of a damaged or foreign block never leaves 1..99.
  for (const Case& c : {Case{0, 150, 150, 99, false}, Case{0, 0, 0, 1, false}, Case{0, -3, 0, 1, false},
                        Case{1, 7, 0, 7, false}, Case{0, 3, 1, 0, true}}) {
    SCOPED_TRACE(std::to_string(c.kind) + " " + std::to_string(c.n));
    engine::EngContext().ClearFailure();
    Bytes image = Image({1, c.kind, c.n, c.kind == 0 ? c.n * 256 : 12});
    if (c.kind != 0) image.Fill(12, 0xEE);
    for (int i = 0; i < c.records; ++i) {
      image.data.push_back(3);
      image.Fill(255, 'a' + i % 26);
    }
    MDocObj scene;
    scene.SetLayerName(0, "kept");
    scene.layerBackupCount = -1;
    auto in = Open(image.data);
    scene.ReadLayerRecords(*in);
    if (c.fails) {
      EXPECT_EQ(FailReason(), engine::kEngReasonCorruptFile);
      continue;
    }
    EXPECT_EQ(FailState(), 0);
    EXPECT_EQ(scene.GetLayerCount(), c.count);
    EXPECT_EQ(in->BytesLeft(), 0);
    if (c.records > 0) {
      EXPECT_STREQ(scene.GetLayerRecord(0).name, "aaa");
      EXPECT_STREQ(scene.GetLayerRecord(98).name, std::string(3, 'a' + 98 % 26).c_str());
    } else {
      EXPECT_STREQ(scene.GetLayerRecord(0).name, "kept");
    }
  }
}

// ---- the scene record ----------------------------------------------------------------------

class SceneRecordTest : public SceneLayerTest {
 protected:
  // Items 1 to 4 of a new scene's record (the group part), at the given version.
  std::vector<unsigned char> GroupPart(int version) {
    engine::EngContext().formatVersion = version;
    MDocObj scene;
    int counter = 0;
    scene.AssignIndex(counter);
    std::vector<unsigned char> bytes = Written([&](engine::QFile& f) { scene.MGroupObj::WriteTo(f); });
    return bytes;
  }
  // Reads the image into a new scene at the version.
  std::unique_ptr<MDocObj> Read(const std::vector<unsigned char>& bytes, int version, int unitBefore = 0,
                                bool names = false) {
    auto scene = std::make_unique<MDocObj>();
    scene->unitCode = unitBefore;
    engine::EngContext().formatVersion = version;
    auto in = Open(bytes);
    scene->ReadFrom(*in);
    if (names) scene->ReadLayerRecords(*in);
    lastLeft_ = in->BytesLeft();
    return scene;
  }
  // The scene's record followed by its layer-name block.
  std::vector<unsigned char> WrittenWithNames(MDocObj& scene) {
    return Written([&](engine::QFile& f) {
      scene.WriteTo(f);
      scene.WriteLayerRecords(f);
    });
  }
  static std::vector<unsigned char> Join(std::vector<unsigned char> head, const Bytes& tail) {
    head.insert(head.end(), tail.data.begin(), tail.data.end());
    return head;
  }
  static Bytes GridTail(int code, double extent, int divisions, int mode) {
    return Image({code, extent, divisions, 0.4, 0.7, 0.4, 0.7, 0.2, 0.7, mode});
  }
  std::int64_t lastLeft_ = 0;
};

TEST_F(SceneRecordTest, ANewSceneWritesTheDocumentedBytes) {
  MDocObj scene;
  const std::vector<unsigned char> head = GroupPart(-101);
  const std::vector<unsigned char> bytes = Written([&](engine::QFile& f) { scene.WriteTo(f); });
  Bytes tail = GridTail(51, 100.0, 10, 0);
  tail.Append(Image({0, 1, 147})).Fill(99, 0x03).Append(Image({8, 0, 40, 0, -1, 50, 0, 15, 12, 0, 1, 100}));
  EXPECT_EQ(bytes, Join(head, tail));
  EXPECT_EQ(scene.GetIndex(), 0);
  EXPECT_EQ(scene.ChildAt(0)->GetIndex(), 0);
}

TEST_F(SceneRecordTest, MeshesGroupsFiguresGridAndLayersRoundTrip) {
  MDocObj scene;
  scene.AddLayer(0);
  scene.AddLayer(0);
  scene.AddLayer(0);
  scene.SetLayerFlag(1, engine::kLayerMirror, 1, false);
  scene.SetLayerFlag(2, engine::kLayerGroupHead, 1, false);
  scene.SetLayerFlag(3, engine::kLayerVisible, 0, false);
  scene.unitCode = 5;
  scene.SetGrid(2, 40.0, 8, 4, PointRecord{0.1, 0.2, 0.3}, PointRecord{0.4, 0.5, 0.6});
  Add(scene, Tetra(1, 2, 3), 1);
  auto* group = new MGroupObj();
  group->AddChild(Tetra(0, 1, 0));
  group->AddChild(Place(meshkit::MakeCube(true), 2, 0, 0));
  group->SetMatrix(objecttest::Translation(-5, 0, 0));
  Add(scene, group, 3);
  auto* figure = new scenetest::StandInFigure();
  meshkit::MakeTetra()->CopyTo(figure);
  Add(scene, figure, 2);
  auto target = std::make_unique<engine::MMorphTgt>();
  target->SetGroupName("/tamarik/human/face/smile");
  target->SetTargetName("wide");
  target->SetVectorCount(3);
  scene.InsertMorphTarget(target.release(), "");
  scene.EndEdit(0);

  const std::vector<unsigned char> bytes = WrittenWithNames(scene);
  ASSERT_EQ(FailState(), 0);
  auto back = Read(bytes, -101, 0, true);
  ASSERT_EQ(FailState(), 0) << engine::EngContext().failText;
  EXPECT_EQ(lastLeft_, 0);
  EXPECT_EQ(DumpScene(*back), DumpScene(scene));
  EXPECT_EQ(back->GetUnitCode(), 5);
  EXPECT_EQ(back->layerBackupCount, -1);  // the name block was announced
  ASSERT_NE(back->FindMorphTarget("/tamarik/human/face/smile", "wide"), nullptr);
  EXPECT_EQ(back->FindMorphTarget("/tamarik/human/face/smile", "wide")->GetVectorCount(), 3);
  EXPECT_TRUE(back->ChildAt(3)->IsBoneObject());
  EXPECT_EQ(back->GetGridObject()->mirrorShown, 1);
  // What was read writes the same bytes again.
  EXPECT_EQ(WrittenWithNames(*back), bytes);
}

TEST_F(SceneRecordTest, ASingleMeshSceneRoundTripsWithItsDrawingSettingsAndMirrorLayers) {
  struct Case {
    const char* name;
    unsigned char flag;
    double factor;
  };
  const Case cases[] = {{"settings flag set", 1, 0.5}, {"settings flag clear", 0, 0.25}, {"factor zero", 1, 0.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MDocObj scene;
    scene.SetSingleMeshMode(true);
    scene.drawingParamFlag = c.flag;
    scene.drawingParamFactor = c.factor;
    scene.AddLayer(0);
    scene.SetLayerFlag(0, engine::kLayerMirror, 1, false);
    Add(scene, Place(meshkit::MakeMirrorHalf(), 0, 0, 0), 0);
    Add(scene, Tetra(-3, 0, 0), 1);
    scene.EndEdit(0);
    // The settings are taken from the clipboard as the file is written.
    engine::EngGlobalM().stepCount = c.flag;
    engine::EngGlobalM().stepSize = c.factor;

    const std::string before = DumpScene(scene);
    const std::vector<unsigned char> bytes = WrittenWithNames(scene);
    ASSERT_EQ(FailState(), 0);
    EXPECT_EQ(DumpScene(scene), before) << "writing leaves the scene as it was";
    EXPECT_EQ(scene.GetSingleMesh(), nullptr);
    auto back = Read(bytes, -101, 0, true);
    ASSERT_EQ(FailState(), 0) << engine::EngContext().failText;
    EXPECT_TRUE(back->IsSingleMeshMode());
    EXPECT_EQ(back->drawingParamFlag, c.flag);
    EXPECT_NEAR(back->drawingParamFactor, c.factor, 1e-9);
    // The objects come back as one mesh in scene space.
    ASSERT_EQ(back->GetChildCount(), 2);
    engine::MMeshObj* merged = engine::AsMesh(back->ChildAt(1));
    ASSERT_NE(merged, nullptr);
    std::vector<engine::PointRecord> points;
    int faces = 0;
    for (engine::MVertex* v : merged->GetVertexList()) points.push_back(v->position);
    for (engine::MFace* f : merged->faces) faces += f != nullptr ? 1 : 0;
    EXPECT_EQ(points.size(), 9u + 4u);
    EXPECT_EQ(faces, 8 + 4);
    for (engine::PointRecord tetra : {PointRecord{-3, 0, 1}, PointRecord{-3, 1, 0}, PointRecord{-2, 0, 0},
                                      PointRecord{-3, 0, 0}})
      EXPECT_EQ(std::count_if(points.begin(), points.end(),
                              [&](const PointRecord& p) { return p.x == tetra.x && p.y == tetra.y && p.z == tetra.z; }),
                1)
          << tetra.x << " " << tetra.y << " " << tetra.z;
    EXPECT_TRUE(meshkit::FindMeshFaults(*merged).empty());
    EXPECT_EQ(back->GetLayerRecord(0).mirror, 1) << "the mirror layer stays mirrored";
    EXPECT_EQ(back->GetLayerRecord(1).mirror, 0);
    EXPECT_EQ(merged->IsMirrorMode(), 1);
    EXPECT_EQ(back->GetGridObject()->mirrorShown, 1);
    // Merged already, it is written and read back as it was.
    auto again = Read(WrittenWithNames(*back), -101, 0, true);
    ASSERT_EQ(FailState(), 0);
    EXPECT_EQ(DumpScene(*again), DumpScene(*back));
  }
  engine::EngGlobalM().stepCount = 1;
  engine::EngGlobalM().stepSize = 0.5;
}

TEST_F(SceneRecordTest, HandBuiltImagesReadAsTheirVersionsAndCodesSay) {
  struct Case {
    const char* name;
    int version;
    Bytes tail;
    int kind, subdivisions, divisions;
    bool singleMesh;
    unsigned char drawingFlag;
    double factor;
    int unit;
    bool marker;
    bool allMirror;
  };
  auto flags = [](unsigned char layer0) {
    Bytes b = Image({99 + 8 + 40});
    b.data.push_back(layer0);
    b.Fill(98, 0x03);
    return b.Append(Image({8, 0, 40, 0, -1, 50, 0, 15, 12, 0, 1, 100}));
  };
  const std::vector<Case> cases = {
      {"version -1: items 1 to 10", -1, GridTail(31, 60.0, 6, 0), 0, 3, 6, false, 1, 0.5, 9, false, false},
      {"version -3: unit and flag", -3, GridTail(2, 60.0, 6, 0).Append(Image({0x25, 3})), 2, 5, 6, false, 1, 0.5, 5,
       true, false},
      {"unknown kind keeps the grid's", -3, GridTail(25, 60.0, 6, 0).Append(Image({0, 0})), 0, 2, 6, false, 1, 0.5,
       0, false, false},
      {"single mesh, flag set", -3, GridTail(51, 100.0, 10, 60).Append(Image({0, 1})), 0, 5, 10, true, 1, 0.5, 0,
       true, false},
      {"single mesh, flag clear", -3, GridTail(51, 100.0, 10, 170).Append(Image({0, 1})), 0, 5, 10, true, 0, 0.5,
       0, true, false},
      {"single mesh without parameters", -3, GridTail(51, 100.0, 10, 2).Append(Image({0, 1})), 0, 5, 10, true, 1,
       0.5, 0, true, false},
      {"mode 1 in an old file mirrors every layer", -3, GridTail(51, 100.0, 10, 1).Append(Image({0, 0})), 0, 5, 10,
       false, 1, 0.5, 0, false, true},
      {"mode 1 beside the flag bytes: the flags hold", -101,
       GridTail(51, 100.0, 10, 1).Append(Image({0, 1})).Append(flags(0x07)), 0, 5, 10, false, 1, 0.5, 0, true,
       false},
      {"zero divisions become 10", -101, GridTail(51, 100.0, 0, 0).Append(Image({0, 1})).Append(flags(0x03)), 0, 5,
       10, false, 1, 0.5, 0, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engine::EngContext().ClearFailure();
    const std::vector<unsigned char> image = Join(GroupPart(c.version), c.tail);
    auto scene = Read(image, c.version, 9);
    ASSERT_EQ(FailState(), 0) << engine::EngContext().failText;
    EXPECT_EQ(lastLeft_, 0);
    int kind, divisions, subdivisions;
    double extent;
    PointRecord a, b;
    scene->GetGridParams(kind, extent, divisions, subdivisions, a, b);
    EXPECT_EQ(kind, c.kind);
    EXPECT_EQ(subdivisions, c.subdivisions);
    EXPECT_EQ(divisions, c.divisions);
    EXPECT_EQ(scene->IsSingleMeshMode(), c.singleMesh);
    EXPECT_EQ(scene->drawingParamFlag, c.drawingFlag);
    EXPECT_DOUBLE_EQ(scene->drawingParamFactor, c.factor);
    EXPECT_EQ(scene->GetUnitCode(), c.unit);
    EXPECT_EQ(scene->layerBackupCount == -1, c.marker);
    EXPECT_EQ(scene->GetLayerRecord(0).mirror != 0, c.allMirror);
    EXPECT_EQ(scene->GetGridObject()->mirrorShown != 0, c.allMirror);
  }
}

TEST_F(SceneRecordTest, ExtraBytesAreSkippedAndBadSizesFailTheLoad) {
  Bytes tail = GridTail(51, 100.0, 10, 0).Append(Image({0, 1, 99 + 8 + 40 + 5}));
  tail.Fill(99, 0x03).Append(Image({8, 0, 40, 0, -1, 50, 0, 15, 12, 0, 1, 100})).Fill(5, 0xAB);
  auto scene = Read(Join(GroupPart(-101), tail), -101);
  EXPECT_EQ(FailState(), 0);
  EXPECT_EQ(lastLeft_, 0);

  Bytes tooLong = GridTail(51, 100.0, 10, 0).Append(Image({0, 1, 5000})).Fill(99, 0x03);
  Read(Join(GroupPart(-101), tooLong), -101);
  EXPECT_EQ(FailReason(), engine::kEngReasonCorruptFile);
  engine::EngContext().ClearFailure();

  Bytes badMorphs = GridTail(51, 100.0, 10, 0).Append(Image({0, 1, 99 + 8})).Fill(99, 0x03).Append(Image({400, 0}));
  Read(Join(GroupPart(-101), badMorphs), -101);
  EXPECT_EQ(FailReason(), engine::kEngReasonCorruptFile);
}

TEST_F(SceneRecordTest, AFileWithoutAGridFirstGetsOne) {
  // The record of a scene whose only child is a mesh (no grid).
  MDocObj source;
  Add(source, Tetra(4, 0, 0));
  MObject* grid = source.ChildAt(0);
  source.RemoveChild(grid);
  engine::EngContext().formatVersion = -101;
  const std::vector<unsigned char> bytes = Written([&](engine::QFile& f) {
    int counter = 0;
    source.AssignIndex(counter);
    source.MGroupObj::WriteTo(f);
  });
  delete grid;
  auto scene = Read(Join(bytes, GridTail(51, 100.0, 10, 0).Append(Image({0, 1, 99 + 48})).Fill(99, 3).Append(
                                    Image({8, 0, 40, 0, -1, 50, 0, 15, 12, 0, 1, 100}))),
                    -101);
  ASSERT_EQ(FailState(), 0) << engine::EngContext().failText;
  ASSERT_EQ(scene->GetChildCount(), 2);
  EXPECT_EQ(scene->ChildAt(0)->GetType(), engine::kObjectGrid);
  EXPECT_EQ(scene->ChildAt(1)->GetType(), engine::kObjectMesh);
  EXPECT_EQ(scene->GetGridStep(), 2.0);
}

TEST_F(SceneRecordTest, TheKindCodeSetsTheFormatVersion) {
  MDocObj scene;
  Add(scene, Tetra(1, 1, 1));
  engine::EngContext().formatVersion = 0;
  const std::vector<unsigned char> bytes = Written([&](engine::QFile& f) { scene.WriteWithKindCode(f); });
  EXPECT_EQ(engine::EngContext().formatVersion, -101);
  EXPECT_EQ(Join({}, Image({-101})), std::vector<unsigned char>(bytes.begin(), bytes.begin() + 4));
  engine::EngContext().formatVersion = 0;
  MDocObj back;
  auto in = Open(bytes);
  back.ReadWithKindCode(*in);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(engine::EngContext().formatVersion, -101);
  EXPECT_EQ(in->BytesLeft(), 0);
  EXPECT_EQ(DumpScene(back), DumpScene(scene));

  // An old plain scene of version -3 reads without the extra block.
  std::vector<unsigned char> old = Join(Image({-3}).data, Bytes());
  const std::vector<unsigned char> group = GroupPart(-3);
  old.insert(old.end(), group.begin(), group.end());
  old = Join(old, GridTail(51, 100.0, 10, 0).Append(Image({0, 1})));
  MDocObj fromOld;
  fromOld.ReadWithKindCode(*Open(old));
  EXPECT_EQ(FailState(), 0);
  EXPECT_EQ(engine::EngContext().formatVersion, -3);

  MDocObj wrong;
  wrong.ReadWithKindCode(*Open(Image({5}).data));
  EXPECT_EQ(FailReason(), engine::kEngReasonCorruptFile);
}

TEST_F(SceneRecordTest, AFileCutShortFailsTheLoadAndKeepsAGrid) {
  MDocObj scene;
  Add(scene, Tetra(1, 1, 1));
  Add(scene, Place(meshkit::MakeCube(true), 0, 3, 0));
  const std::vector<unsigned char> bytes = Written([&](engine::QFile& f) { scene.WriteTo(f); });
  for (std::size_t cut : {bytes.size() / 4, bytes.size() / 2, bytes.size() - 60, bytes.size() - 1}) {
    SCOPED_TRACE(cut);
    engine::EngContext().ClearFailure();
    auto back = Read(std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(cut)), -101);
    EXPECT_EQ(FailReason(), engine::kEngReasonCorruptFile);
    ASSERT_GE(back->GetChildCount(), 1);
    EXPECT_EQ(back->ChildAt(0)->GetType(), engine::kObjectGrid);
  }
}

TEST_F(SceneRecordTest, DuplicateMorphTargetsReadBackAsOne) {
  MDocObj scene;
  for (int i = 0; i < 2; ++i) {
    auto* target = new engine::MMorphTgt();
    target->SetGroupName("/p");
    target->SetTargetName("n");
    // Linked directly: the list itself does not refuse the twin.
    scene.morphTargets->Add(target);
  }
  const std::vector<unsigned char> bytes = Written([&](engine::QFile& f) { scene.WriteTo(f); });
  auto back = Read(bytes, -101);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(back->morphTargets->Length(), 1);
  EXPECT_EQ(lastLeft_, 0);
}

}  // namespace scene_layer_record_test
