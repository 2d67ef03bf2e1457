// Single-mesh mode: the merged mesh built from the scene's meshes in scene
// space, lifted into depth with its pairs handed back to the meshes it was
// made from, copied and cut to the clipboard with the scene left as it was,
// shown alone and dropped, written as the grid and one mesh; pairing along
// mirror chains across meshes. Edits go through the edit step's undo and
// redo and are cut short by memory at every allocation.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/SceneTestSupport.h"
#include "engine/core/QFile.h"
#include "support/TempDir.h"

namespace scene_single_mesh_test {

using engine::MDocObj;
using engine::MMeshObj;
using engine::MVertex;
using engine::PointRecord;
using engine::PtrArray;
using scenetest::DumpIs;
using scenetest::DumpScene;

// Free lines between the points (indices into f.v), placed at x offset `dx`
// with the points given in scene space: the mesh's own coordinates are
// shifted back, so only its matrix makes the drawing symmetric.
MMeshObj* Lines(const std::vector<PointRecord>& points, const std::vector<std::pair<int, int>>& lines, double dx) {
  meshkit::MeshFixture f = meshkit::MakeEmptyMesh();
  for (const PointRecord& p : points) f.Vertex(p.x - dx, p.y, p.z);
  for (auto [a, b] : lines) f->AddLineBetween(f.v[a], f.v[b]);
  return scenetest::SceneTest::Place(std::move(f), dx, 0, 0);
}

// A face with depth, symmetric about x = 0, as drawn seen turned by 45
// degrees (the side angle of the drawing settings at 0.5): a point (X, Y, Z)
// is drawn at x = (X + Z) cos 45. The outline (a closed loop through two
// points on the axis, with a mouth across it) is one mesh placed at x = 2,
// the eyes (a triangle each side) another.
PointRecord Drawn(double x, double y, double z) { return {(x + z) * std::sqrt(0.5), y, 0}; }
const std::vector<PointRecord>& FacePoints() {
  static const std::vector<PointRecord> points = {
      {0, 3, 0.5},    {1.6, 2.4, 0.2}, {2.0, 0.8, -0.3}, {1.4, -1.2, 0},  {0, -2.2, 0.6},  {-1.4, -1.2, 0},
      {-2.0, 0.8, -0.3}, {-1.6, 2.4, 0.2}, {0.7, -1.0, 0.8}, {0, -1.3, 1.0},  {-0.7, -1.0, 0.8}, {0.5, 1.2, 0.9},
      {1.2, 1.3, 0.5}, {0.9, 0.9, 0.8}, {-0.5, 1.2, 0.9}, {-1.2, 1.3, 0.5}, {-0.9, 0.9, 0.8}};
  return points;
}
MMeshObj* FacePart(int first, int count, const std::vector<std::pair<int, int>>& lines, double dx) {
  std::vector<PointRecord> drawn;
  for (int i = first; i < first + count; ++i) {
    const PointRecord& p = FacePoints()[static_cast<std::size_t>(i)];
    drawn.push_back(Drawn(p.x, p.y, p.z));
  }
  return Lines(drawn, lines, dx);
}
MMeshObj* Outline() {
  return FacePart(0, 11, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 0}, {8, 9}, {9, 10}}, 2);
}
MMeshObj* Eyes() { return FacePart(11, 6, {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}}, 0); }
// Two mirror chains of three vertices, one per mesh, their first vertices
// paired across the meshes.
void ChainPair(MDocObj& s) {
  MMeshObj* right = Lines({{1, 0, 0}, {1.2, 1, 0}, {1.1, 2, 0}}, {{0, 1}, {1, 2}}, 0);
  MMeshObj* left = Lines({{-1, 0, 0}, {-1.2, 1, 0}, {-1.1, 2, 0}}, {{0, 1}, {1, 2}}, 0);
  right->GetVertexList().First()->SetMirrorPartner(left->GetVertexList().First());
  scenetest::SceneTest::Add(s, right);
  scenetest::SceneTest::Add(s, left);
}

int CountVertices(MMeshObj* mesh) {
  int n = 0;
  for (MVertex* v : mesh->GetVertexList()) n += v != nullptr ? 1 : 0;
  return n;
}

class SceneSingleMeshTest : public scenetest::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    engine::EngGlobalM().stepSize = 0.5;
    engine::EngGlobalM().stepCount = 0;
  }
  void TearDown() override {
    engine::EngGlobalM().stepSize = 0.5;
    engine::EngGlobalM().stepCount = 1;
    SceneTest::TearDown();
  }
  // The face in a single-mesh scene, the eyes selected.
  static std::unique_ptr<MDocObj> FaceScene() {
    auto scene = MakeScene([](MDocObj& s) {
      s.SetSingleMeshMode(true);
      Add(s, Outline());
      Add(s, Eyes());
    });
    SelectOnly(*scene, {2});
    return scene;
  }
  // Sound meshes; a partner may be a vertex of another of the scene's
  // meshes (pairs are made across meshes) as long as it names this one back.
  static void ExpectMeshesSound(MDocObj& scene) {
    PtrArray meshes;
    scene.CollectMeshes(&scene, meshes);
    for (int i = 0; i < meshes.count; ++i) {
      auto* mesh = static_cast<MMeshObj*>(meshes[i]);
      for (const std::string& fault : meshkit::FindMeshFaults(*mesh))
        if (fault.find("mirrorPartner") == std::string::npos) ADD_FAILURE() << fault;
      for (MVertex* v : mesh->GetVertexList()) {
        if (v->mirrorPartner == nullptr) continue;
        EXPECT_EQ(v->mirrorPartner->mirrorPartner, v);
        EXPECT_NE(scene.FindMeshOfElement(nullptr, nullptr, v->mirrorPartner), nullptr);
      }
    }
  }
  std::vector<unsigned char> Written(const std::function<void(engine::QFile&)>& write) {
    return scenetest::WrittenBytes(dir_, write);
  }
  testsupport::TempDir dir_;
};

// ---- building and lifting ---------------------------------------------------------------

TEST_F(SceneSingleMeshTest, TheMergedMeshHoldsTheVisibleMeshesInSceneSpaceWithTheirPartners) {
  struct Case {
    const char* name;
    unsigned char visibleOnly;
    int vertices;
    int paired;
  };
  const Case cases[] = {{"every layer", 0, 3 + 3 + 4, 4}, {"visible layers only", 1, 3 + 3, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto scene = MakeScene([](MDocObj& s) {
      ChainPair(s);
      s.AddLayer(0);
      Add(s, Tetra(5, 0, 0), 1);
      s.SetLayerFlag(1, engine::kLayerVisible, 0, false);
      // A pair reaching into the hidden mesh.
      MVertex* last = nullptr;
      for (MVertex* v : engine::AsMesh(s.ChildAt(1))->GetVertexList()) last = v;
      last->SetMirrorPartner(engine::AsMesh(s.ChildAt(3))->GetVertexList().First());
    });
    scene->visibleLayersOnly = c.visibleOnly;
    const std::string before = DumpScene(*scene);
    scene->CreateSingleMesh();
    ASSERT_EQ(FailState(), 0);
    MMeshObj* merged = scene->GetSingleMesh();
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(merged->GetParent(), scene.get());
    EXPECT_EQ(scene->GetChildCount(), 4) << "not one of the scene's children";
    EXPECT_EQ(CountVertices(merged), c.vertices);
    EXPECT_TRUE(meshkit::FindMeshFaults(*merged).empty());
    // Each merged vertex links back to its source, in scene space; the pair
    // made across the two meshes is a pair of merged vertices.
    int paired = 0;
    for (MVertex* v : merged->GetVertexList()) {
      ASSERT_NE(v->copy, nullptr);
      auto* source = static_cast<MVertex*>(v->copy);
      MMeshObj* owner = scene->FindMeshOfElement(nullptr, nullptr, source);
      ASSERT_NE(owner, nullptr);
      engine::MatrixRecord m;
      owner->GetMatrix(m);
      ExpectNear(v->position, source->position.x + m.m[3][0], source->position.y, source->position.z);
      if (v->mirrorPartner != nullptr) {
        ++paired;
        EXPECT_EQ(v->mirrorPartner->copy, source->mirrorPartner);
        EXPECT_EQ(v->mirrorPartner->mirrorPartner, v);
      }
    }
    EXPECT_EQ(paired, c.paired);
    EXPECT_TRUE(scene->IsSingleMeshUnpaired());
    scene->DropSingleMesh();
    EXPECT_EQ(scene->GetSingleMesh(), nullptr);
    EXPECT_EQ(DumpScene(*scene), before);
    // The search and the lift see only the merged mesh's own pairs.
    scene->CreateLiftedSingleMesh();
    ASSERT_EQ(FailState(), 0);
    ASSERT_NE(scene->GetSingleMesh(), nullptr);
    for (MVertex* v : scene->GetSingleMesh()->GetVertexList())
      EXPECT_TRUE(v->mirrorPartner == nullptr ||
                  scene->GetSingleMesh()->OwnsElement(nullptr, nullptr, v->mirrorPartner));
  }
}

TEST_F(SceneSingleMeshTest, ALiftedDrawingIsSymmetricAndItsPairsGoBackToTheMeshesItCameFrom) {
  auto scene = FaceScene();
  scene->CreateLiftedSingleMesh();
  ASSERT_EQ(FailState(), 0) << engine::EngContext().failReason;
  MMeshObj* merged = scene->GetSingleMesh();
  ASSERT_NE(merged, nullptr);
  EXPECT_FALSE(scene->IsSingleMeshUnpaired());
  // The face comes back with its depth, symmetric about x = 0.
  for (MVertex* v : merged->GetVertexList()) {
    MVertex* p = v->mirrorPartner;
    ASSERT_NE(p, nullptr);
    ExpectNear(p->position, -v->position.x, v->position.y, v->position.z, 1e-9);
    const auto& face = FacePoints();
    EXPECT_EQ(std::count_if(face.begin(), face.end(),
                            [&](const PointRecord& f) {
                              return std::fabs(f.x - v->position.x) < 1e-9 && std::fabs(f.y - v->position.y) < 1e-9 &&
                                     std::fabs(f.z - v->position.z) < 1e-9;
                            }),
              1)
        << v->position.x << " " << v->position.y << " " << v->position.z;
  }
  // The drawing's own meshes hold the pairs.
  for (int child : {1, 2}) {
    SCOPED_TRACE(child == 1 ? "outline" : "eyes");
    for (MVertex* v : engine::AsMesh(scene->ChildAt(child))->GetVertexList()) {
      ASSERT_NE(v->mirrorPartner, nullptr);
      // Drawn partners differ by 2 X cos 45 and stand at the same height.
      EXPECT_EQ(v->mirrorPartner->position.y, v->position.y);
      EXPECT_EQ(v->mirrorPartner->position.z, 0);
      EXPECT_EQ(scene->FindMeshOfElement(nullptr, nullptr, v->mirrorPartner), scene->ChildAt(child));
    }
  }
  // A drawing that is not lifted stays unpaired; with no merged mesh there
  // is nothing unpaired.
  scene->DropSingleMesh();
  EXPECT_FALSE(scene->IsSingleMeshUnpaired());
}

// ---- copy, cut ----------------------------------------------------------------------------

TEST_F(SceneSingleMeshTest, CopyAndCutHandOutTheLiftedAndTheSplitMeshAndLeaveTheSceneAsItWas) {
  for (bool cut : {false, true}) {
    SCOPED_TRACE(cut ? "cut" : "copy");
    auto scene = FaceScene();
    const scenetest::SceneOrder order = scenetest::OrderOf(*scene);
    const std::string before = DumpScene(*scene, false, &order);
    if (cut)
      scene->CutSelection();
    else
      scene->CopySelection(false);
    ASSERT_EQ(FailState(), 0) << engine::EngContext().failReason;
    EXPECT_EQ(scene->GetSingleMesh(), nullptr);
    const engine::CRGlobalM& store = engine::EngGlobalM();
    ASSERT_EQ(store.objects.count, 3);
    EXPECT_EQ(store.pasteFlag, 1);
    auto* lifted = engine::AsMesh(static_cast<engine::MObject*>(store.objects[0]));
    auto* split = engine::AsMesh(static_cast<engine::MObject*>(store.objects[1]));
    ASSERT_NE(lifted, nullptr);
    ASSERT_NE(split, nullptr);
    EXPECT_EQ(lifted->GetParent(), nullptr);
    EXPECT_EQ(split->GetParent(), nullptr);
    EXPECT_EQ(CountVertices(lifted), 11 + 6);
    double depth = 0;
    for (MVertex* v : lifted->GetVertexList()) {
      EXPECT_EQ(v->mirrorPartner, nullptr);
      depth = std::max(depth, std::fabs(v->position.z));
    }
    EXPECT_GT(depth, 0.5);
    // The split half: nothing right of the plane but the points on it.
    EXPECT_EQ(split->IsMirrorMode(), 1);
    int onPlane = 0;
    for (MVertex* v : split->GetVertexList()) {
      if ((v->flags & engine::kVertexOnMirror) != 0) {
        ++onPlane;
        EXPECT_NEAR(v->position.x, 0, 1e-9);
      } else {
        EXPECT_LT(v->position.x, 0);
      }
    }
    EXPECT_GE(onPlane, 3) << "top, chin and mouth middle";
    EXPECT_TRUE(meshkit::FindMeshFaults(*split).empty());
    auto* copiedEyes = engine::AsMesh(static_cast<engine::MObject*>(store.objects[2]));
    ASSERT_NE(copiedEyes, nullptr);
    EXPECT_EQ(CountVertices(copiedEyes), 6);
    for (MVertex* v : copiedEyes->GetVertexList()) EXPECT_EQ(v->mirrorPartner, nullptr);

    if (!cut) {
      EXPECT_TRUE(DumpIs(*scene, before, &order));
      EXPECT_FALSE(scene->IsRedoAvailable());
      continue;
    }
    EXPECT_EQ(scene->GetChildCount(), 2) << "the eyes are cut";
    scene->UndoEdit(0);
    EXPECT_TRUE(DumpIs(*scene, before, &order));
  }
}

TEST_F(SceneSingleMeshTest, ACopyCutShortByMemoryLeavesAnEmptyClipboardAndNoMergedMesh) {
  std::unique_ptr<MDocObj> scene;
  scenetest::SceneOrder order;
  std::string before;
  auto fresh = [&] {
    scene = FaceScene();
    order = scenetest::OrderOf(*scene);
    before = DumpScene(*scene, false, &order);
  };
  fresh();
  const int needed = meshkit::ForEachAllocationFailure([&] { scene->CopySelection(false); },
                                                       [&](int nth) {
                                                         EXPECT_EQ(engine::EngGlobalM().objects.count, 0) << nth;
                                                         EXPECT_EQ(scene->GetSingleMesh(), nullptr) << nth;
                                                         engine::EngContext().ClearFailure();
                                                         scene->UndoEdit(0);
                                                         EXPECT_TRUE(DumpIs(*scene, before, &order)) << nth;
                                                         ExpectMeshesSound(*scene);
                                                                                                              fresh();
                                                       },
                                                       3000);
  EXPECT_GT(needed, 10);
}

TEST_F(SceneSingleMeshTest, OutsideSingleMeshModeTheCopyHandsOutOnlyTheSelection) {
  auto scene = FaceScene();
  scene->SetSingleMeshMode(false);
  scene->CopyLiftedSingleMesh();
  EXPECT_EQ(engine::EngGlobalM().objects.count, 0);
  scene->CopySelection(false);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(engine::EngGlobalM().objects.count, 1);
}

// ---- shown alone, dropped --------------------------------------------------------------------

TEST_F(SceneSingleMeshTest, ShownAloneTheMergedMeshStandsBesideTheGridUntilItIsDropped) {
  auto scene = FaceScene();
  std::vector<engine::MObject*> children;
  for (int i = 0; i < scene->GetChildCount(); ++i) children.push_back(scene->ChildAt(i));
  scene->CreateLiftedSingleMesh();
  scene->ShowSingleMeshOnly();
  ASSERT_EQ(FailState(), 0);
  ASSERT_EQ(scene->GetChildCount(), 2);
  EXPECT_EQ(scene->ChildAt(0), scene->GetGridObject());
  EXPECT_EQ(scene->ChildAt(1), scene->GetSingleMesh());
  scene->DropSingleMesh();
  EXPECT_EQ(scene->GetSingleMesh(), nullptr);
  ASSERT_EQ(scene->GetChildCount(), static_cast<int>(children.size()));
  for (std::size_t i = 0; i < children.size(); ++i) EXPECT_EQ(scene->ChildAt(static_cast<int>(i)), children[i]);

  // Out of memory for the saved list: nothing changes. A scene deleted while
  // the merged mesh is shown deletes every object once (the sanitizer build
  // checks).
  scene->CreateSingleMesh();
  {
    engine::EngAllocFailureScope fail(1);
    scene->ShowSingleMeshOnly();
  }
  EXPECT_EQ(FailState(), engine::kEngFailFailed);
  EXPECT_EQ(scene->GetChildCount(), static_cast<int>(children.size()));
  engine::EngContext().ClearFailure();
  scene->ShowSingleMeshOnly();
  EXPECT_EQ(scene->GetChildCount(), 2);
  scene.reset();
}

// ---- writing ----------------------------------------------------------------------------------

TEST_F(SceneSingleMeshTest, WrittenAsOneMeshTheCountIsTwoOnlyWhenTheSceneHoldsMoreThanTheGrid) {
  struct Case {
    const char* name;
    bool withObjects;
    int version;
  };
  const Case cases[] = {{"grid only", false, -101}, {"face", true, -101}, {"face, old version", true, -3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto scene = MakeScene([&](MDocObj& s) {
      s.SetSingleMeshMode(true);
      if (!c.withObjects) return;
      Add(s, Outline());
      Add(s, Eyes());
    });
    const std::string before = DumpScene(*scene);
    engine::EngContext().formatVersion = c.version;
    const auto header = Written([&](engine::QFile& f) { scene->engine::MObject::WriteTo(f); });
    const auto grid = Written([&](engine::QFile& f) { scene->GetGridObject()->WriteTo(f); });
    const auto all = Written([&](engine::QFile& f) { scene->WriteAsSingleMesh(f); });
    ASSERT_EQ(FailState(), 0);
    EXPECT_EQ(DumpScene(*scene), before);
    EXPECT_EQ(scene->GetSingleMesh(), nullptr);
    ASSERT_GT(all.size(), header.size() + 4 + grid.size());
    auto intAt = [&](std::size_t at) {
      return static_cast<int>(static_cast<std::uint32_t>(all[at]) << 24 | static_cast<std::uint32_t>(all[at + 1]) << 16 |
                              static_cast<std::uint32_t>(all[at + 2]) << 8 | all[at + 3]);
    };
    EXPECT_TRUE(std::equal(header.begin(), header.end(), all.begin()));
    EXPECT_EQ(intAt(header.size()), c.withObjects ? 2 : 1);
    EXPECT_TRUE(std::equal(grid.begin(), grid.end(), all.begin() + static_cast<long>(header.size() + 4)));
    const std::size_t afterGrid = header.size() + 4 + grid.size();
    const std::size_t tail = c.version < -4 ? 4 : 0;
    if (!c.withObjects) {
      EXPECT_EQ(all.size(), afterGrid + tail);
      continue;
    }
    EXPECT_EQ(intAt(afterGrid), engine::kObjectMesh) << "one mesh record follows";
    EXPECT_GT(all.size(), afterGrid + 4 + tail);
    if (tail != 0) {
      EXPECT_EQ(intAt(all.size() - 4), 0);
    }
  }
}

TEST_F(SceneSingleMeshTest, WritingCutShortByMemoryLeavesTheSceneAndNoMergedMesh) {
  auto scene = FaceScene();
  scene->EndEdit(0);
  const std::string before = DumpScene(*scene);
  engine::EngContext().formatVersion = -101;
  meshkit::ForEachAllocationFailure([&] { Written([&](engine::QFile& f) { scene->WriteAsSingleMesh(f); }); },
                                    [&](int nth) {
                                      EXPECT_EQ(scene->GetSingleMesh(), nullptr) << nth;
                                      engine::EngContext().ClearFailure();
                                      EXPECT_EQ(DumpScene(*scene), before) << nth;
                                                                      },
                                    3000);
}

// ---- edits through the step -----------------------------------------------------------------

struct Command {
  const char* name;
  std::function<std::unique_ptr<MDocObj>()> make;
  std::function<void(MDocObj&)> run;
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"pairing along chains across meshes",
       [] { return scenetest::SceneTest::MakeScene(ChainPair); },
       [](MDocObj& s) {
         MMeshObj* right = engine::AsMesh(s.ChildAt(1));
         s.PairMirrorChainsFrom(right, right->GetVertexList().First());
       }},
      {"lifting hands pairs to the sources",
       [] {
         return scenetest::SceneTest::MakeScene([](MDocObj& s) {
           s.SetSingleMeshMode(true);
           scenetest::SceneTest::Add(s, Outline());
           scenetest::SceneTest::Add(s, Eyes());
         });
       },
       [](MDocObj& s) {
         s.CreateLiftedSingleMesh();
         s.DropSingleMesh();
       }},
  };
  return commands;
}

TEST_F(SceneSingleMeshTest, EveryEditUndoesAndRedoesToTheSameScene) {
  for (const Command& c : Commands()) {
    SCOPED_TRACE(c.name);
    auto scene = c.make();
    const scenetest::SceneOrder order = scenetest::OrderOf(*scene);
    const std::string before = DumpScene(*scene, false, &order);
    c.run(*scene);
    ASSERT_EQ(FailState(), 0) << engine::EngContext().failReason;
    const std::string after = DumpScene(*scene, false, &order);
    EXPECT_NE(after, before) << "the edit changed nothing";
    scene->UndoEdit(0);
    EXPECT_TRUE(DumpIs(*scene, before, &order));
    scene->UndoEdit(1);
    EXPECT_TRUE(DumpIs(*scene, after, &order));
    scene->UndoEdit(0);
    EXPECT_TRUE(DumpIs(*scene, before, &order));
    scene->EndEdit(0);
    EXPECT_TRUE(DumpIs(*scene, before, &order));
    ExpectMeshesSound(*scene);
  }
}

TEST_F(SceneSingleMeshTest, AnEditCutShortByMemoryUndoesToTheSceneBefore) {
  for (const Command& c : Commands()) {
    SCOPED_TRACE(c.name);
    scenetest::ExpectUndoneAfterEachAllocationFailure(c.make, c.run, 3000, [](MDocObj& scene) {
      EXPECT_EQ(scene.GetSingleMesh(), nullptr);
      ExpectMeshesSound(scene);
    });
  }
}

TEST_F(SceneSingleMeshTest, ChainsArePairedAcrossMeshesFromAPairedVertexOnly) {
  auto scene = MakeScene(ChainPair);
  MMeshObj* right = engine::AsMesh(scene->ChildAt(1));
  MMeshObj* left = engine::AsMesh(scene->ChildAt(2));
  // From a vertex without a partner nothing is paired.
  MVertex* unpaired = nullptr;
  for (MVertex* v : right->GetVertexList())
    if (v->mirrorPartner == nullptr) unpaired = v;
  scene->PairMirrorChainsFrom(right, unpaired);
  int paired = 0;
  for (MVertex* v : right->GetVertexList()) paired += v->mirrorPartner != nullptr ? 1 : 0;
  EXPECT_EQ(paired, 1);
  scene->PairMirrorChainsFrom(right, right->GetVertexList().First());
  ASSERT_EQ(FailState(), 0);
  for (MVertex* v : right->GetVertexList()) {
    ASSERT_NE(v->mirrorPartner, nullptr);
    EXPECT_EQ(scene->FindMeshOfElement(nullptr, nullptr, v->mirrorPartner), left);
    ExpectNear(v->mirrorPartner->position, -v->position.x, v->position.y, 0);
  }
}

}  // namespace scene_single_mesh_test
