// The scene's material utilities: the line style of the selected meshes
// with undo, whether the selection holds textured faces, texture indices
// of the distinct textured materials for the texture files, and the
// current material written and read as a record.
#include <functional>
#include <vector>

#include "SceneTestSupport.h"
#include "engine/core/CRGlobalM.h"
#include "engine/core/EngMath.h"
#include "engine/core/QFile.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MMorph.h"
#include "engine/mesh/MShader.h"
#include "meshkit/MeshFixtures.h"
#include "support/TempDir.h"

namespace scene_material_test {

using namespace engine;

class SceneMaterialTest : public scenetest::SceneTest {
 protected:
  // The current material is the program's, not the scene's: what a test
  // sets on it would colour every mesh later tests make.
  void SetUp() override {
    SceneTest::SetUp();
    EngGlobalM().currentMaterial.Get()->AssignTo(&savedMaterial_);
  }
  void TearDown() override {
    savedMaterial_.AssignTo(EngGlobalM().currentMaterial.Get());
    EngContext().textureMode = 1;
    EngContext().textureFileCount = 0;
    EngContext().textureFileTable.RemoveAll();
    SceneTest::TearDown();
  }
  // A textured material of its own for the faces of the fixture's selected
  // lines.
  static MShader* TextureSelectedFaces(meshkit::MeshFixture& f) {
    MShader* textured = f->AddShader();
    textured->texture = meshkit::BlankTexture(2, 2);
    PtrArray faces;
    f->GatherSelected(0, &faces, nullptr, nullptr);
    EXPECT_EQ(faces.count, 1);
    f->AssignShader(faces, textured);
    f->ClearSelection();
    return textured;
  }

 private:
  MShader savedMaterial_;
};

TEST_F(SceneMaterialTest, TheLineStyleOfTheSelectedMeshesUndoesAndRedoes) {
  auto scene = MakeScene([](MDocObj& s) {
    Add(s, Tetra());
    Add(s, Tetra(3, 0, 0));
    Add(s, Tetra(6, 0, 0));
  });
  SelectOnly(*scene, {1, 3});
  scene->SetSelectedMeshLineStyle(6);
  ASSERT_EQ(FailState(), 0) << FailReason();
  auto styles = [&] {
    std::vector<int> out;
    for (int i = 1; i <= 3; ++i) out.push_back(AsMesh(scene->ChildAt(i))->GetPageLineStyle());
    return out;
  };
  EXPECT_EQ(styles(), (std::vector<int>{6, 0, 6}));
  scene->UndoEdit(0);
  EXPECT_EQ(styles(), (std::vector<int>{0, 0, 0}));
  scene->UndoEdit(1);
  EXPECT_EQ(styles(), (std::vector<int>{6, 0, 6}));
}

TEST_F(SceneMaterialTest, ATexturedSelectionIsFoundOnTheSelectedFacesOrTheSelectedObjects) {
  // Child 1: a tetrahedron whose face 0-2-1 has a textured material of its
  // own; child 2: a plain one.
  meshkit::MeshFixture f = meshkit::MakeTetra();
  meshkit::SelectVertices(f, {0, 1, 2});
  TextureSelectedFaces(f);
  auto scene = MakeScene([&](MDocObj& s) {
    Add(s, f.mesh.get());
    Add(s, Tetra(3, 0, 0));
  });
  // The scene owns the mesh from here; the fixture keeps its vertices.
  struct Lent {
    meshkit::MeshFixture& f;
    ~Lent() { (void)f.mesh.release(); }
  } lent{f};
  struct Case {
    const char* what;
    std::function<void(MDocObj&)> select;
    int textureMode;
    bool expected;
  };
  const Case cases[] = {
      {"nothing selected", [](MDocObj&) {}, 1, false},
      {"the textured object", [](MDocObj& s) { SelectOnly(s, {1}); }, 1, true},
      {"the plain object", [](MDocObj& s) { SelectOnly(s, {2}); }, 1, false},
      {"both with textures off", [](MDocObj& s) { SelectOnly(s, {1, 2}); }, 0, false},
      {"the textured face's vertices", [&](MDocObj&) { meshkit::SelectVertices(f, {0, 1, 2}); }, 1, true},
      {"a plain face's vertices", [&](MDocObj&) { meshkit::SelectVertices(f, {0, 1, 3}); }, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    scene->SelectAll(false);
    c.select(*scene);
    EngContext().textureMode = c.textureMode;
    EXPECT_EQ(scene->HasTexturedSelection(), c.expected);
    ASSERT_EQ(FailState(), 0) << FailReason();
  }
}

TEST_F(SceneMaterialTest, EqualTexturedMaterialsShareAnIndexAndTheTableHasOneEntryEach) {
  auto textured = [](double red) {
    auto* m = new MShader();
    m->texture = meshkit::BlankTexture(2, 2);
    m->baseColor.x = red;
    return std::unique_ptr<MShader>(m);
  };
  std::unique_ptr<MShader> a = textured(0.5), same = textured(0.5), apart = textured(0.5 + 2e-8);
  std::unique_ptr<MShader> plain(new MShader());
  MDocObj scene;
  PtrArray list;
  EXPECT_EQ(scene.RegisterTexturedShader(a.get(), list), nullptr);
  EXPECT_EQ(scene.RegisterTexturedShader(same.get(), list), a.get());
  EXPECT_EQ(scene.RegisterTexturedShader(apart.get(), list), nullptr);
  EXPECT_EQ(scene.RegisterTexturedShader(plain.get(), list), nullptr);
  EXPECT_EQ(list.count, 2);
  EXPECT_EQ(a->textureIndex, 0);
  EXPECT_EQ(same->textureIndex, 0);
  EXPECT_EQ(apart->textureIndex, 1);
  EXPECT_EQ(plain->textureIndex, -1);
  EngContext().textureMode = 0;
  std::unique_ptr<MShader> off = textured(0.1);
  EXPECT_EQ(scene.RegisterTexturedShader(off.get(), list), nullptr);
  EXPECT_EQ(off->textureIndex, -1) << "with textures off no texture is written";
  EngContext().textureMode = 1;

  // Over a scene: two meshes' textured materials (equal), a morph's own and
  // a target's own (each different) give three distinct textures.
  meshkit::MeshFixture f = meshkit::MakeTetra();
  meshkit::SelectVertices(f, {0, 1, 2});
  TextureSelectedFaces(f);
  meshkit::MeshFixture g = meshkit::MakeTetra();
  meshkit::SelectVertices(g, {0, 1, 2});
  TextureSelectedFaces(g);
  std::unique_ptr<MMorphTgt> target = meshkit::MakeMorph(g, {0, 1}, "/tamarik/prop/brow");
  std::unique_ptr<MShader> morphOwn = textured(0.2), targetOwn = textured(0.3);
  g->FindMorph("/tamarik/prop/brow")->CreateOwnShader(morphOwn.get());
  target->CreateOwnShader(targetOwn.get());
  target->SetGroupName("/tamarik/prop/brow");
  target->SetTargetName("up");
  auto full = MakeScene([&](MDocObj& s) {
    Add(s, f.mesh.release());
    Add(s, g.mesh.release());
  });
  full->InsertMorphTarget(target.release(), "");
  EngContext().textureFileTable.Add(7);
  full->AssignTextureIndices();
  EXPECT_EQ(EngContext().textureFileTable.count, 1) << "no texture files are being written: nothing happens";
  EngContext().textureFileCount = 1;
  full->AssignTextureIndices();
  ASSERT_EQ(FailState(), 0) << FailReason();
  const EngArray<int>& table = EngContext().textureFileTable;
  ASSERT_EQ(table.count, 3);
  for (int i = 0; i < table.count; ++i) EXPECT_EQ(table[i], -1);
  full->ClearTextureSlots();
  EXPECT_EQ(table.count, 0);
}

TEST_F(SceneMaterialTest, TheCurrentMaterialRoundTripsAndADamagedRecordLeavesItAsItWas) {
  testsupport::TempDir dir;
  MShader* current = EngGlobalM().currentMaterial.Get();
  ASSERT_NE(current, nullptr);
  current->baseColor = {0.25, 0.5, 0.75};
  current->opacity = 0.4;
  EngContext().formatVersion = -3;
  MDocObj scene;
  {
    QFile out(dir.File("material.bin"), platform::File::Mode::kCreateWrite);
    EXPECT_EQ(scene.WriteCurrentMaterial(out), 0);
    out.FlushAndClose();
  }
  EXPECT_EQ(EngContext().formatVersion, -3) << "the file's own version comes back";
  current->baseColor = {1, 1, 1};
  current->opacity = 1;
  {
    QFile in(dir.File("material.bin"), platform::File::Mode::kRead);
    EXPECT_EQ(scene.ReadCurrentMaterial(in), 0);
    EXPECT_EQ(in.BytesLeft(), 0);
  }
  ASSERT_EQ(FailState(), 0) << FailReason();
  EXPECT_EQ(current->baseColor.y, 0.5);
  EXPECT_EQ(current->opacity, 0.4);
  EXPECT_EQ(EngContext().formatVersion, -3);

  // Cut short: refused, and the material the user had stays.
  const std::vector<unsigned char> whole = testsupport::TempDir::ReadAll(dir.File("material.bin"));
  QFile cut(dir.Write("cut.bin", std::vector<unsigned char>(whole.begin(), whole.begin() + whole.size() / 2)),
            platform::File::Mode::kRead);
  EXPECT_EQ(scene.ReadCurrentMaterial(cut), -1);
  EXPECT_NE(FailState(), 0);
  EngContext().ClearFailure();
  EXPECT_EQ(current->baseColor.z, 0.75);
  EXPECT_EQ(current->opacity, 0.4);
  EXPECT_EQ(EngContext().formatVersion, -3);
  EngContext().formatVersion = 0;
}

// A view along Z with the identity as its view matrix, looking down -z,
// and a picture of the given size.
class PictureStandIn : public PictureView {
 public:
  PictureStandIn(int width, int height, int axis) : axis_(axis) {
    image_ = meshkit::BlankTexture(width, height);
    MUtilIdentity(matrix_);
  }
  ~PictureStandIn() override { EngFree(image_.pixels); }
  bool GetBackgroundImage(RgbaImageRecord& out) override {
    out = image_;
    return true;
  }
  int GetAxisCode() const override { return axis_; }
  const MatrixRecord& GetViewMatrix() override { return matrix_; }
  void GetEyeAndTarget(PointRecord& eye, PointRecord& target) override {
    eye = {0, 0, 10};
    target = {0, 0, 0};
  }

 private:
  RgbaImageRecord image_;
  MatrixRecord matrix_;
  int axis_;
};

TEST_F(SceneMaterialTest, TheViewsPictureStandsOnTheGridAndTexturesTheSelectedMeshes) {
  // The tetrahedron's corners (0,0,0), (1,0,0), (0,1,0), (0,0,1) seen
  // along z: x and y place them on the picture. Flat projection: u runs
  // from 1 at the picture's left edge to 0 at its right, v from 0 at its
  // bottom to 1 at its top.
  struct Case {
    const char* what;
    int width, height;
    double left, right, bottom, top;  // in halves of the grid's size s
  };
  const Case cases[] = {
      {"a tall picture stands on the floor, twice s high", 1, 2, -0.5, 0.5, 0, 2},
      {"a wide picture is centred at height s", 4, 2, -1, 1, 0.5, 1.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    meshkit::MeshFixture f = meshkit::MakeTetra();
    std::vector<MVertex*> v = f.v;
    auto scene = MakeScene([&](MDocObj& s) {
      Add(s, f.mesh.release());
      Add(s, Tetra(3, 0, 0));
    });
    int kind = 0, divisions = 0, subdivisions = 0;
    double extent = 0;
    PointRecord a, b;
    scene->GetGridParams(kind, extent, divisions, subdivisions, a, b);
    const double s = extent / 2;
    SelectOnly(*scene, {1});
    const std::string before = scenetest::DumpScene(*scene);
    PictureStandIn view(c.width, c.height, 3);
    scene->ProjectViewPicture(view, 0);
    ASSERT_EQ(FailState(), 0) << FailReason();
    MMeshObj* mesh = AsMesh(scene->ChildAt(1));
    for (MFace* face : mesh->faces) {
      ASSERT_NE(face->uv, nullptr);
      ASSERT_NE(face->shader, nullptr);
      EXPECT_TRUE(face->shader->HasTexture());
      for (int k = 0; k < 4; ++k) {
        const int corner = face->CornerIndex(v[k]);
        if (corner < 0) continue;
        const PointRecord& p = v[k]->position;
        EXPECT_NEAR(face->uv->corner[corner].u, (c.right * s - p.x) / ((c.right - c.left) * s), 1e-9) << k;
        EXPECT_NEAR(face->uv->corner[corner].v, (p.y - c.bottom * s) / ((c.top - c.bottom) * s), 1e-9) << k;
      }
    }
    EXPECT_EQ(AsMesh(scene->ChildAt(2))->faces.First()->uv, nullptr) << "the unselected mesh is left alone";
    scene->UndoEdit(0);
    EXPECT_EQ(scenetest::DumpScene(*scene), before);
  }
  // A side view projects nothing.
  auto scene = MakeScene([](MDocObj& s) { Add(s, Tetra()); });
  SelectOnly(*scene, {1});
  const std::string before = scenetest::DumpScene(*scene);
  PictureStandIn side(2, 2, 1);
  scene->ProjectViewPicture(side, 0);
  EXPECT_EQ(scenetest::DumpScene(*scene), before);
}

}  // namespace scene_material_test
