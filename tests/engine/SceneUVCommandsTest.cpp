// Texture coordinates of one texture across the scene's meshes: which
// meshes take part, picking, rectangle marking, the mean and extreme points
// and the commands that move marked corners, through undo and redo.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/SceneTestSupport.h"

namespace scene_uv_commands_test {

using engine::MDocObj;
using engine::MMeshObj;
using engine::PointRecord;
using engine::PtrArray;
using engine::TripleArray;

// A textured quad pair (u = x, v = y of its corners) whose coordinates are
// shifted by (du, 0).
MMeshObj* TexturedQuad(double du) {
  meshkit::MeshFixture f = meshkit::MakeQuadPair(true);
  meshkit::GiveTexture(f);
  for (engine::MFace* face : f->faces) {
    engine::MVertex* c[3];
    face->GetVertices(c);
    face->SetUVs(c[0]->position.x + du, c[0]->position.y, c[1]->position.x + du, c[1]->position.y,
                 c[2]->position.x + du, c[2]->position.y);
  }
  return scenetest::SceneTest::Place(std::move(f), 0, 0, 0);
}

// Children 1 and 2 on visible, editable layers (the second with its
// coordinates shifted by 0.05 in u), 3 on a hidden layer, 4 on a locked one.
std::unique_ptr<MDocObj> UVScene() {
  return scenetest::SceneTest::MakeScene([](MDocObj& s) {
    s.AddLayer(0);
    s.AddLayer(0);
    s.AddLayer(0);
    scenetest::SceneTest::Add(s, TexturedQuad(0), 0);
    scenetest::SceneTest::Add(s, TexturedQuad(0.05), 1);
    scenetest::SceneTest::Add(s, TexturedQuad(0), 2);
    scenetest::SceneTest::Add(s, TexturedQuad(0), 3);
    s.SetLayerFlag(2, engine::kLayerVisible, 0, false);
    s.SetLayerFlag(3, engine::kLayerEditable, 0, false);
  });
}

MMeshObj* MeshOf(MDocObj& scene, int child) { return engine::AsMesh(scene.ChildAt(child)); }

engine::MShader* KeyOf(MDocObj& scene) { return *MeshOf(scene, 1)->GetShaderList().begin(); }

// Marks every corner of the mesh whose coordinates lie strictly inside the
// rectangle.
void MarkInside(MMeshObj* mesh, engine::MShader* material, double u0, double v0, double u1, double v1) {
  mesh->MarkUVInRect(u0, v0, u1, v1, material, true, nullptr);
}

// The coordinates of every marked corner of the mesh, "u,v" per corner.
std::vector<std::pair<double, double>> MarkedCorners(MMeshObj* mesh) {
  std::vector<std::pair<double, double>> out;
  for (engine::MFace* face : mesh->GetFaceList())
    for (int k = 0; k < 3; ++k)
      if (face->HasUVCornerMark(k)) out.emplace_back(face->uv->corner[k].u, face->uv->corner[k].v);
  return out;
}

// The scene's dump with the faces' corner and edge marks left out: the
// marks say what the user picked, and an undone step does not give them
// back (the mesh's undo keeps coordinates, not marks).
std::string DumpWithoutMarks(MDocObj& scene, const scenetest::SceneOrder& order) {
  std::string dump = scenetest::DumpScene(scene, false, &order);
  std::string out;
  std::size_t at = 0;
  while (at < dump.size()) {
    std::size_t end = dump.find('\n', at);
    if (end == std::string::npos) end = dump.size();
    std::string line = dump.substr(at, end - at);
    const std::size_t flags = line.find(" flags=");
    if (line.rfind("F", 0) == 0 && flags != std::string::npos) {
      const std::size_t value = flags + 7, stop = line.find(' ', value);
      const unsigned long bits = std::stoul(line.substr(value, stop - value), nullptr, 0) & ~0xFCul;
      line = line.substr(0, value) + std::to_string(bits) + line.substr(stop);
    }
    out += line + "\n";
    at = end + 1;
  }
  return out;
}

class SceneUVCommandsTest : public scenetest::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    scene = UVScene();
    scene->CollectTextureMeshes(KeyOf(*scene), meshes, materials);
  }
  std::unique_ptr<MDocObj> scene;
  PtrArray meshes, materials;
};

TEST_F(SceneUVCommandsTest, MeshesOnVisibleLayersUsingTheTextureAreListed) {
  ASSERT_EQ(meshes.count, 3);
  EXPECT_EQ(meshes[0], MeshOf(*scene, 1));
  EXPECT_EQ(meshes[1], MeshOf(*scene, 2));
  EXPECT_EQ(meshes[2], MeshOf(*scene, 4)) << "a locked layer is listed, a hidden one is not";
  for (int i = 0; i < meshes.count; ++i)
    EXPECT_EQ(materials[i], *static_cast<MMeshObj*>(meshes[i])->GetShaderList().begin());

  // Another texture: no list, and every command finds nothing to do.
  engine::MShader other;
  other.texture = meshkit::BlankTexture(3, 3);
  PtrArray none, noMaterials;
  scene->CollectTextureMeshes(&other, none, noMaterials);
  EXPECT_EQ(none.count, 0);
  PointRecord point{5, 5, 5};
  scene->GetUVSelectionPoint(point, none, noMaterials, -1);
  ExpectNear(point, 0, 0, 0);
  EXPECT_FALSE(scene->HasUVOutsideRange(&other));
}

TEST_F(SceneUVCommandsTest, CoordinatesOutsideTheRangeCountOnlyOnEditableLayers) {
  EXPECT_FALSE(scene->HasUVOutsideRange(KeyOf(*scene)));
  // Far out on the locked mesh only: not counted.
  for (engine::MFace* face : MeshOf(*scene, 4)->GetFaceList()) face->SetUVs(2, 2, 2, 2, 2, 2);
  EXPECT_FALSE(scene->HasUVOutsideRange(KeyOf(*scene)));
  for (engine::MFace* face : MeshOf(*scene, 2)->GetFaceList()) face->SetUVs(1.2, 0, 0, 0, 0, 1);
  EXPECT_TRUE(scene->HasUVOutsideRange(KeyOf(*scene)));
}

TEST_F(SceneUVCommandsTest, APickTakesTheNearestCornerWhateverTheListOrder) {
  // Near (1.25, 0.0): mesh 1's corner (1, 0) lies 0.25 away, mesh 2's (1.05, 0) 0.2.
  for (bool reversed : {false, true}) {
    SCOPED_TRACE(reversed ? "reversed" : "in order");
    PtrArray m, s;
    for (int i = 0; i < meshes.count; ++i) {
      const int k = reversed ? meshes.count - 1 - i : i;
      m.Add(meshes[k]);
      s.Add(materials[k]);
    }
    MMeshObj* picked = nullptr;
    TripleArray corners;
    scene->PickUV(PointRecord{1.25, 0, 0}, 0.5, m, s, picked, corners);
    EXPECT_EQ(picked, MeshOf(*scene, 2));
    ASSERT_GT(corners.count, 0);
    EXPECT_EQ(corners[0].first, 0) << "a corner";
  }
  // Nothing near: the outputs stay as they were.
  MMeshObj* picked = MeshOf(*scene, 4);
  TripleArray corners;
  scene->PickUV(PointRecord{9, 9, 0}, 0.1, meshes, materials, picked, corners);
  EXPECT_EQ(picked, MeshOf(*scene, 4));
  EXPECT_EQ(corners.count, 0);
}

TEST_F(SceneUVCommandsTest, AToggledRectangleUnmarksWhatIsMostlyMarkedAndMarksOtherwise) {
  // Both editable meshes lie wholly inside.
  const PointRecord a{-0.5, -0.5, 0}, b{1.2, 1.5, 0};
  auto markedCount = [&] { return MarkedCorners(MeshOf(*scene, 1)).size(); };
  scene->SelectUVRect(a, b, 1, meshes, materials);
  EXPECT_EQ(markedCount(), 6u) << "nothing marked: the rectangle marks";
  scene->SelectUVRect(b, a, 1, meshes, materials);
  EXPECT_EQ(markedCount(), 0u) << "all marked: the rectangle unmarks";
  EXPECT_TRUE(MarkedCorners(MeshOf(*scene, 4)).empty()) << "a locked mesh is not marked";
  scene->SelectUVRect(a, b, 0, meshes, materials);
  scene->SelectUVRect(a, b, 0, meshes, materials);
  EXPECT_EQ(markedCount(), 6u) << "without toggle it always marks";
}

TEST_F(SceneUVCommandsTest, MeanAndExtremesComeFromMarkedCornersOfEditableMeshes) {
  // Mesh 1: the corners at (1, 0) and (1, 1); mesh 2 none; the locked mesh
  // all of its corners, which must not count.
  MarkInside(MeshOf(*scene, 1), static_cast<engine::MShader*>(materials[0]), 0.5, -0.5, 1.5, 1.5);
  MarkInside(MeshOf(*scene, 4), static_cast<engine::MShader*>(materials[2]), -1, -1, 2, 2);
  const auto marked = MarkedCorners(MeshOf(*scene, 1));
  ASSERT_FALSE(marked.empty());
  double su = 0, sv = 0;
  for (const auto& [u, v] : marked) {
    su += u;
    sv += v;
  }
  PointRecord p;
  scene->GetUVSelectionPoint(p, meshes, materials, -1);
  ExpectNear(p, su / marked.size(), sv / marked.size(), 0);
  // Extremes: mesh 2's missing corners do not pull the smallest u to 0.
  scene->GetUVSelectionPoint(p, meshes, materials, 1);
  EXPECT_EQ(p.x, 1);
  scene->GetUVSelectionPoint(p, meshes, materials, 0);
  EXPECT_EQ(p.y, 1);
  scene->GetUVSelectionPoint(p, meshes, materials, 2);
  EXPECT_EQ(p.y, 0);
}

TEST_F(SceneUVCommandsTest, FlippingAndAligningMoveMarkedCornersAboutTheirMeanAndExtreme) {
  // Mesh 1 corners at u 0 marked, mesh 2 corners at u 1.05 marked.
  auto mark = [&] {
    MarkInside(MeshOf(*scene, 1), static_cast<engine::MShader*>(materials[0]), -0.5, -0.5, 0.5, 1.5);
    MarkInside(MeshOf(*scene, 2), static_cast<engine::MShader*>(materials[1]), 1.0, -0.5, 1.5, 1.5);
    ASSERT_FALSE(MarkedCorners(MeshOf(*scene, 1)).empty());
    ASSERT_FALSE(MarkedCorners(MeshOf(*scene, 2)).empty());
  };
  mark();
  PointRecord mean;
  scene->GetUVSelectionPoint(mean, meshes, materials, -1);
  scene->FlipSelectedUV(1, meshes, materials);
  for (const auto& [u, v] : MarkedCorners(MeshOf(*scene, 1))) EXPECT_NEAR(u, 2 * mean.x, 1e-12);
  for (const auto& [u, v] : MarkedCorners(MeshOf(*scene, 2))) EXPECT_NEAR(u, 2 * mean.x - 1.05, 1e-12);
  scene->UndoEdit(0);
  for (engine::MFace* face : MeshOf(*scene, 1)->GetFaceList())
    for (const auto& c : face->uv->corner) EXPECT_TRUE(c.u == 0 || c.u == 1) << c.u;
  scene->EndEdit(0);

  // Kind 3: every marked corner to the largest u; v stays.
  mark();
  scene->AlignUVToExtreme(3, meshes, materials);
  for (int child : {1, 2})
    for (const auto& [u, v] : MarkedCorners(MeshOf(*scene, child))) {
      EXPECT_NEAR(u, 1.05, 1e-12);
      EXPECT_TRUE(v == 0 || v == 1) << v;
    }
}

struct UVEdit {
  const char* name;
  std::function<void(MDocObj&, PtrArray&, PtrArray&)> run;
  std::function<void(MDocObj&)> extra = {};  // after the marks, before the dump
};

// The first marked corner of the mesh as a one-corner list.
TripleArray FirstMarkedCorner(MMeshObj* mesh) {
  TripleArray list;
  for (engine::MFace* face : mesh->GetFaceList())
    for (int k = 0; k < 3; ++k)
      if (list.count == 0 && face->HasUVCornerMark(k)) list.Add({face, 0, k});
  return list;
}

// Mesh 1 wholly selected, its coordinates moved two and a half repeats
// out (drawn so in an earlier step).
void SelectFarOutMesh(MDocObj& s) {
  s.EndEdit(0);  // the marks' step: its saved faces must not hold older coordinates
  MMeshObj* mesh = MeshOf(s, 1);
  for (engine::MFace* face : mesh->GetFaceList())
    for (auto& c : face->uv->corner) c = {c.u + 2.5, c.v - 1.5};
  for (engine::MVertex* v : mesh->GetVertexList()) v->flags |= engine::kVertexSelected;
  for (engine::MLine* line : mesh->lines) line->flags |= engine::kLineSelected;
  mesh->InvalidateSelectionCache();
}

TEST_F(SceneUVCommandsTest, EveryCoordinateCommandUndoesAndRedoesAndSurvivesMemoryFailures) {
  const std::vector<UVEdit> edits = {
      {"move marked", [](MDocObj& s, PtrArray& m, PtrArray& t) { s.MoveUV(PointRecord{0.1, 0.2, 0}, nullptr, {}, m, t); }},
      {"rotate", [](MDocObj& s, PtrArray& m, PtrArray& t) { s.RotateUV(0.5, m, t); }},
      {"scale", [](MDocObj& s, PtrArray& m, PtrArray& t) { s.ScaleUV(2, 0.5, m, t); }},
      {"weld", [](MDocObj& s, PtrArray& m, PtrArray& t) { s.WeldSelectedUV(m, t); }},
      {"flip v", [](MDocObj& s, PtrArray& m, PtrArray& t) { s.FlipSelectedUV(0, m, t); }},
      {"align to smallest u", [](MDocObj& s, PtrArray& m, PtrArray& t) { s.AlignUVToExtreme(1, m, t); }},
      {"a marked corner moved alone, then its ring joined to it",
       [](MDocObj& s, PtrArray& m, PtrArray& t) {
         s.MoveUV(PointRecord{0.1, 0.1, 0}, MeshOf(s, 1), FirstMarkedCorner(MeshOf(s, 1)), m, t);
         if (FailState() == 0) s.JoinUVCorners(m, t);
       }},
      {"selected coordinates normalised",
       [](MDocObj& s, PtrArray&, PtrArray&) { s.NormalizeSelectedTextureCoords(); }, SelectFarOutMesh},
  };
  auto prepare = [](MDocObj& s, PtrArray& m, PtrArray& t) {
    s.CollectTextureMeshes(KeyOf(s), m, t);
    for (int child : {1, 2}) MarkInside(MeshOf(s, child), *MeshOf(s, child)->GetShaderList().begin(), 0.5, -0.5, 1.5, 0.5);
    MarkInside(MeshOf(s, 1), *MeshOf(s, 1)->GetShaderList().begin(), -0.5, 0.5, 0.5, 1.5);
  };
  for (const UVEdit& e : edits) {
    SCOPED_TRACE(e.name);
    {
      auto s = UVScene();
      PtrArray m, t;
      prepare(*s, m, t);
      if (e.extra) e.extra(*s);
      const scenetest::SceneOrder order = scenetest::OrderOf(*s);
      const std::string before = DumpWithoutMarks(*s, order);
      e.run(*s, m, t);
      ASSERT_EQ(FailState(), 0);
      const std::string after = DumpWithoutMarks(*s, order);
      EXPECT_NE(after, before) << "the command changed nothing";
      s->UndoEdit(0);
      EXPECT_EQ(DumpWithoutMarks(*s, order), before);
      s->UndoEdit(1);
      EXPECT_EQ(DumpWithoutMarks(*s, order), after);
      s->UndoEdit(0);
      s->EndEdit(0);
      EXPECT_EQ(DumpWithoutMarks(*s, order), before);
    }
    std::unique_ptr<MDocObj> s;
    PtrArray m, t;
    std::string before;
    scenetest::SceneOrder order;
    auto fresh = [&] {
      s = UVScene();
      m.count = t.count = 0;
      prepare(*s, m, t);
      if (e.extra) e.extra(*s);
      order = scenetest::OrderOf(*s);
      before = DumpWithoutMarks(*s, order);
    };
    fresh();
    meshkit::ForEachAllocationFailure([&] { e.run(*s, m, t); },
                                      [&](int nth) {
                                        engine::EngContext().ClearFailure();
                                        s->UndoEdit(0);
                                        EXPECT_EQ(DumpWithoutMarks(*s, order), before) << "allocation " << nth;
                                        fresh();
                                      });
  }
}

TEST_F(SceneUVCommandsTest, JoiningGivesEachRingTheMarkedCornersCoordinatesOnEditableMeshesOnly) {
  // On meshes 1 and 4 the two corners at the origin drift apart: the first
  // face's, marked, to u 0.25, the other's to 0.5.
  for (int child : {1, 4}) {
    bool first = true;
    for (engine::MFace* face : MeshOf(*scene, child)->GetFaceList())
      for (int k = 0; k < 3; ++k)
        if (face->uv->corner[k].u == 0 && face->uv->corner[k].v == 0) {
          face->uv->corner[k].u = first ? 0.25 : 0.5;
          if (first) face->SetUVCornerMark(k);
          first = false;
        }
  }
  scene->JoinUVCorners(meshes, materials);
  ASSERT_EQ(FailState(), 0);
  auto cornersAtOrigin = [&](int child) {
    std::vector<double> us;
    for (engine::MFace* face : MeshOf(*scene, child)->GetFaceList()) {
      engine::MVertex* c[3];
      face->GetVertices(c);
      for (int k = 0; k < 3; ++k)
        if (c[k]->position.x == 0 && c[k]->position.y == 0) us.push_back(face->uv->corner[k].u);
    }
    return us;
  };
  const auto joined = cornersAtOrigin(1);
  ASSERT_EQ(joined.size(), 2u) << "both faces meet at the origin";
  for (double u : joined) EXPECT_EQ(u, 0.25);
  const auto locked = cornersAtOrigin(4);
  EXPECT_TRUE(std::find(locked.begin(), locked.end(), 0.5) != locked.end()) << "a locked mesh is not joined";
}

TEST_F(SceneUVCommandsTest, MarksSetOnAMeshAreReportedAndMarkedEdgesBecomeMarkedCorners) {
  MMeshObj* mesh = MeshOf(*scene, 1);
  engine::MFace* face = *mesh->GetFaceList().begin();
  TripleArray list, marked;
  list.Add({face, 0, 1});
  list.Add({face, 1, 2});  // an edge: no corner of its own yet
  scene->SetUVMarksOf(mesh, list, true, marked);
  ASSERT_EQ(FailState(), 0);
  ASSERT_EQ(marked.count, 1);
  EXPECT_EQ(marked[0].pointer, face);
  EXPECT_EQ(marked[0].second, 1);
  EXPECT_TRUE(face->HasUVEdgeMark(2));

  // Committing the marks: the edge's two corners (2 and 0) and their twins
  // in the other face are marked corners now.
  PtrArray one;
  one.Add(mesh);
  scene->CommitUVMarks(one);
  ASSERT_EQ(FailState(), 0);
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(face->HasUVCornerMark(k)) << k;
  int marks = 0;
  for (engine::MFace* f : mesh->GetFaceList())
    for (int k = 0; k < 3; ++k) marks += f->HasUVCornerMark(k);
  EXPECT_GT(marks, 3) << "twins in the other face";

  // Unmarking the corner again leaves the others.
  TripleArray corner, after;
  corner.Add({face, 0, 1});
  scene->SetUVMarksOf(mesh, corner, false, after);
  EXPECT_EQ(after.count, marks - 1);
}

// A view whose view matrix is the identity: the projection sees scene x, y.
class FlatView : public engine::ProjectionView {
 public:
  FlatView() { engine::MUtilIdentity(matrix); }
  const engine::MatrixRecord& GetViewMatrix() override { return matrix; }
  engine::MatrixRecord matrix;
};

// Textured quad pairs of sizes 1, 3 and 2 (corners (0, 0) to (s, s)) side
// by side, all selected.
std::unique_ptr<MDocObj> ThreeQuadScene() {
  auto scene = scenetest::SceneTest::MakeScene([](MDocObj& s) {
    double x = 0;
    for (double size : {1.0, 3.0, 2.0}) {
      meshkit::MeshFixture f = meshkit::MakeQuadPair(true);
      meshkit::GiveTexture(f);
      for (engine::MVertex* v : f->vertices) v->position = {v->position.x * size, v->position.y * size, 0};
      scenetest::SceneTest::Add(s, scenetest::SceneTest::Place(std::move(f), x, 0, 0));
      x += size + 1;
    }
  });
  scenetest::SceneTest::SelectOnly(*scene, {1, 2, 3});
  return scene;
}

TEST_F(SceneUVCommandsTest, ProjectingFromTheViewTexturesOnlyTheLargestSelectedMesh) {
  auto s = ThreeQuadScene();
  const scenetest::SceneOrder order = scenetest::OrderOf(*s);
  const std::string before = scenetest::DumpScene(*s, false, &order);
  FlatView view;
  PtrArray faces;
  EXPECT_TRUE(s->ProjectUVsFromView(view, false, faces)) << "other candidates were passed over";
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(faces.count, 2);
  // The large quad spans u 1 -> 0 along x and v 0 -> 1 along y.
  for (engine::MFace* face : MeshOf(*s, 2)->GetFaceList()) {
    EXPECT_EQ(faces[0] == face || faces[1] == face, true);
    engine::MVertex* c[3];
    face->GetVertices(c);
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(face->uv->corner[k].u, 1 - c[k]->position.x / 3, 1e-9);
      EXPECT_NEAR(face->uv->corner[k].v, c[k]->position.y / 3, 1e-9);
    }
  }
  // The others keep u = x, v = y of their own corners.
  for (int child : {1, 3})
    for (engine::MFace* face : MeshOf(*s, child)->GetFaceList()) {
      engine::MVertex* c[3];
      face->GetVertices(c);
      for (int k = 0; k < 3; ++k) EXPECT_EQ(face->uv->corner[k].u, c[k]->position.x / (child == 1 ? 1 : 2));
    }
  s->UndoEdit(0);
  EXPECT_TRUE(scenetest::DumpIs(*s, before, &order));

  // One selected mesh alone: true is not answered.
  scenetest::SceneTest::SelectOnly(*s, {3});
  PtrArray only;
  EXPECT_FALSE(s->ProjectUVsFromView(view, true, only));
  EXPECT_EQ(FailState(), 0);

  // Out of memory at each allocation: the undo gives the scene back.
  scenetest::ExpectUndoneAfterEachAllocationFailure(ThreeQuadScene, [&](MDocObj& t) {
    PtrArray list;
    t.ProjectUVsFromView(view, false, list);
  });
}

}  // namespace scene_uv_commands_test
