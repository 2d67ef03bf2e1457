// The mesh object: defaults, copies, numbering, the transforms that move the
// matrix into the vertices, the edit step, selection cache and the small
// vertex and material operations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/EngMath.h"
#include "engine/mesh/ElementPool.h"
#include "engine/mesh/MMetaSurf.h"
#include "meshkit/MeshTestSupport.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;
using meshkit::MeshIsValid;
using meshkit::MeshTest;

using MeshObject = MeshTest;

TEST_F(MeshObject, ANewMeshIsEmptyWithItsDefaults) {
  MMeshObj mesh;
  EXPECT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(mesh.GetType(), kObjectMesh);
  EXPECT_EQ(mesh.GetEditState(), kEditCreated);
  EXPECT_FALSE(mesh.HasFaces());
  EXPECT_EQ(mesh.vertexSelectionCache, -1);
  EXPECT_EQ(mesh.lineSelectionCache, -1);
  EXPECT_EQ(mesh.faceSelectionCache, -1);
  EXPECT_EQ(mesh.GetTolerance(), 1e-8);
  EXPECT_EQ(mesh.GetVisitStamp(), 1);
  EXPECT_EQ(mesh.GetWorkIndex(), -1);
  EXPECT_EQ(mesh.supportDistance, -1.0);
  ASSERT_NE(mesh.smoothSurface, nullptr);
  EXPECT_EQ(mesh.smoothSurface->mesh, &mesh);
  EXPECT_EQ(mesh.smoothSurface->fullCreaseSharpness, 3.01);
  // The ring holds one step, with its holders ready.
  EXPECT_EQ(mesh.GetUndoDepth(), 1);
  EXPECT_EQ(mesh.ringPos, 0);
  EXPECT_NE(mesh.undoRing[0].vertexHolder, nullptr);
  EXPECT_EQ(mesh.undoRing[1].vertexHolder, nullptr);
  EXPECT_FALSE(mesh.IsSymmetric());
  mesh.SetMirrorMode(1);
  EXPECT_TRUE(mesh.IsSymmetric());
}

TEST_F(MeshObject, ConstructionUnderAllocationFailureReportsItAndFreesCleanly) {
  meshkit::ForEachAllocationFailure(
      [] {
        MMeshObj* mesh = new (std::nothrow) MMeshObj();
        if (mesh == nullptr) EngRecordFailure(kEngReasonOutOfMemory);
        delete mesh;
      },
      [this](int) { EXPECT_EQ(FailReason(), kEngReasonOutOfMemory); });
}

TEST_F(MeshObject, ACopyKeepsTheOrderOfEveryListAndRefersOnlyToItsOwnElements) {
  MeshFixture f = meshkit::MakeSeamTube(4, 2);
  MGroup* group = f->AddGroup();
  f->AddGroup()->parent = group;
  f->faces.First()->SetGroup(group);
  f->AddShader()->diffuseColor = {0.1, 0.2, 0.3};
  for (const char* name : {"first", "second"}) {
    MMorph* morph = new MMorph();
    std::snprintf(morph->name, sizeof morph->name, "%s", name);
    f->AddMorph(morph);
  }
  f->SetTolerance(0.001);
  f->SetPageLineStyle(3);
  f->SetMirrorMode(1);
  f->SetEditState(kEditUnchanged);
  const std::string before = meshkit::DumpMesh(*f);
  std::unique_ptr<MMeshObj> copy(static_cast<MMeshObj*>(f->Clone()));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(meshkit::DumpMesh(*copy), before);
  EXPECT_EQ(meshkit::DumpMesh(*f), before);
  // The validator also checks that every reference and holder is the copy's.
  EXPECT_TRUE(MeshIsValid(*copy));
  EXPECT_EQ(copy->GetEditState(), kEditUnchanged);
  EXPECT_EQ(copy->GetTolerance(), 0.001);
  // Morphs come out in the reverse order.
  EXPECT_STREQ(f->morphs.First()->name, "second");
  EXPECT_STREQ(copy->morphs.First()->name, "first");
  EXPECT_EQ(copy->morphs.First()->index, -1);
}

TEST_F(MeshObject, EachMeshOwnsItsOwnElementsOnly) {
  MeshFixture f = meshkit::MakeCube();
  std::unique_ptr<MMeshObj> copy(static_cast<MMeshObj*>(f->Clone()));
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(f->OwnsElement(f->faces.First(), nullptr, nullptr));
  EXPECT_TRUE(f->OwnsElement(nullptr, f->lines.First(), nullptr));
  EXPECT_TRUE(f->OwnsElement(nullptr, nullptr, f->vertices.First()));
  EXPECT_FALSE(copy->OwnsElement(f->faces.First(), nullptr, nullptr));
  EXPECT_FALSE(copy->OwnsElement(nullptr, f->lines.First(), nullptr));
  EXPECT_FALSE(copy->OwnsElement(nullptr, nullptr, f->vertices.First()));
  EXPECT_TRUE(copy->OwnsElement(nullptr, nullptr, copy->vertices.First()));
  EXPECT_FALSE(f->OwnsElement(nullptr, nullptr, nullptr));
}

TEST_F(MeshObject, ACloneThatRunsOutOfMemoryAnswersNullAndLeavesNothingBehind) {
  MeshFixture f = meshkit::MakeCube();
  const int vertices = VertexPool().SlotsInUse();
  const int lines = LinePool().SlotsInUse();
  const int faces = FacePool().SlotsInUse();
  MObject* copy = nullptr;
  const int allocations = meshkit::ForEachAllocationFailure(
      [&] { copy = f->Clone(); },
      [&](int) {
        EXPECT_EQ(copy, nullptr);
        EXPECT_EQ(VertexPool().SlotsInUse(), vertices);
        EXPECT_EQ(LinePool().SlotsInUse(), lines);
        EXPECT_EQ(FacePool().SlotsInUse(), faces);
      });
  EXPECT_GT(allocations, 8 + 18 + 12);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(MeshIsValid(*static_cast<MMeshObj*>(copy)));
  delete copy;
}

TEST_F(MeshObject, NumberingGivesListPositionsAndLiftsTheVisitStampAboveThem) {
  MeshFixture cube = meshkit::MakeCube();
  cube->AddGroup();
  int counter = 5;
  cube->AssignIndex(counter);
  EXPECT_EQ(cube->GetIndex(), 5);
  EXPECT_EQ(counter, 6);
  EXPECT_EQ(cube->vertexCount, 8);
  EXPECT_EQ(cube->lineCount, 18);
  EXPECT_EQ(cube->faceCount, 12);
  EXPECT_EQ(cube->shaderCount, 1);
  EXPECT_EQ(cube->groupCount, 1);
  EXPECT_EQ(cube->GetVisitStamp(), 8 + 18 + 12 + 1 + 1 + 1);
  int n = 0;
  for (MLine* line : cube->lines) EXPECT_EQ(line->id, n++);
  EXPECT_EQ(cube->GetFaceAt(3)->id, 3);
  EXPECT_EQ(cube->GetFaceIndex(cube->GetFaceAt(3)), 3);
  EXPECT_EQ(cube->GetFaceAt(12), nullptr);
  cube->SetIndex(0);
  for (MLine* line : cube->lines) EXPECT_EQ(line->id, 0);
  EXPECT_EQ(cube->GetVisitStamp(), 1);
}

PointRecord WorldOf(MMeshObj& mesh, const MVertex* v) {
  MatrixRecord m;
  mesh.GetMatrix(m);
  PointRecord out;
  MUtilTransformPoint(m, v->position, out);
  return out;
}

// Each transform moves (part of) the matrix into the vertices: the world
// shape stays, vertices on the mirror plane stay exactly on it, and the
// mesh's edit step is opened with every vertex saved.
TEST_F(MeshObject, TransformsIntoTheVerticesKeepTheWorldShape) {
  const struct {
    const char* name;
    std::function<void(MMeshObj&)> apply;
    std::function<void(const MatrixRecord&)> check;
  } cases[] = {
      {"ApplyScale", [](MMeshObj& m) { m.ApplyScale(); },
       [](const MatrixRecord& m) {
         double y, x, z;
         PointRecord scale, translation;
         MUtilDecomposeMatrix(m, y, x, z, scale, translation);
         EXPECT_NEAR(scale.x, 1, 1e-12);
         EXPECT_NEAR(scale.z, 1, 1e-12);
         EXPECT_NEAR(translation.x, 3, 1e-12);
       }},
      {"SetPivot", [](MMeshObj& m) { m.SetPivot({5, 6, 7}); },
       [](const MatrixRecord& m) {
         EXPECT_NEAR(m.m[3][0], 5, 1e-12);
         EXPECT_NEAR(m.m[3][2], 7, 1e-12);
       }},
      {"ResetPivot", [](MMeshObj& m) { m.ResetPivot(); },
       [](const MatrixRecord& m) {
         EXPECT_EQ(m.m[3][0], 0);
         EXPECT_NEAR(m.m[0][1], 0, 1e-12);  // no rotation left
         EXPECT_NEAR(m.m[1][1], 3, 1e-12);  // the scale kept
       }},
      {"ApplyMatrixToVertices", [](MMeshObj& m) { m.ApplyMatrixToVertices(); },
       [](const MatrixRecord& m) {
         MatrixRecord identity;
         MUtilIdentity(identity);
         EXPECT_TRUE(MUtilMatrixEqual(m, identity));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = meshkit::MakeMirrorHalf();
    MMeshObj& mesh = *f;
    MatrixRecord m;
    MUtilComposeMatrix(0.3, -0.2, 0.1, {2, 3, 2}, {3, -1, 2}, nullptr, m);
    mesh.SetMatrix(m);
    // As after a checkpoint: nothing created in this step.
    mesh.SetEditState(kEditUnchanged);
    for (MVertex* v : mesh.vertices) v->state = kItemUnchanged;
    MMorph* morph = new MMorph();
    mesh.AddMorph(morph);
    std::vector<PointRecord> before;
    for (MVertex* v : mesh.vertices) before.push_back(WorldOf(mesh, v));
    c.apply(mesh);
    MatrixRecord after;
    mesh.GetMatrix(after);
    c.check(after);
    int i = 0;
    for (MVertex* v : mesh.vertices) {
      EXPECT_EQ(v->state, kItemSaved);
      if (v->flags & kVertexOnMirror) {
        EXPECT_EQ(v->position.x, 0.0);
      } else {
        const PointRecord world = WorldOf(mesh, v);
        EXPECT_NEAR(world.x, before[i].x, 1e-9);
        EXPECT_NEAR(world.y, before[i].y, 1e-9);
        EXPECT_NEAR(world.z, before[i].z, 1e-9);
      }
      ++i;
    }
    EXPECT_EQ(mesh.removedVertices.Length(), 9);
    EXPECT_EQ(mesh.GetEditState(), kEditMeshStep);
    // The morph's frame follows the vertices; its saved frame is the old one.
    EXPECT_FALSE(MUtilMatrixEqual(morph->frame, morph->savedFrame));
    EXPECT_TRUE(MeshIsValid(mesh));
  }
}

TEST_F(MeshObject, ReversingAllFacesTurnsEveryFaceOverAndTwiceRestoresTheMesh) {
  MeshFixture cube = meshkit::MakeCube();
  MShader* textured = cube->AddShader();
  textured->texture = meshkit::BlankTexture();
  MFace* face = cube->faces.First();
  face->SetShader(textured);
  face->SetUVs(0.1, 0.2, 0.3, 0.4, 0.5, 0.6);
  MVertex* before[3];
  face->GetVertices(before);
  const PointRecord outward = face->GetNormal();
  const std::string original = meshkit::DumpMesh(*cube);
  cube->ReverseAllFaces();
  EXPECT_TRUE(MeshIsValid(*cube));
  MVertex* after[3];
  face->GetVertices(after);
  EXPECT_EQ(after[0], before[1]);
  EXPECT_EQ(after[1], before[0]);
  EXPECT_EQ(after[2], before[2]);
  EXPECT_EQ(face->GetNormal().x, -outward.x);
  EXPECT_EQ(face->GetNormal().z, -outward.z);
  // Each corner keeps its own texture coordinates.
  double u = 0, v = 0;
  before[0]->GetFaceUV(face, u, v);
  EXPECT_EQ(u, 0.1);
  EXPECT_EQ(v, 0.2);
  cube->ReverseAllFaces();
  EXPECT_EQ(meshkit::DumpMesh(*cube), original);
}

TEST_F(MeshObject, SaveEditStateSnapshotsTheStepValuesOncePerStep) {
  MMeshObj mesh;
  mesh.SetEditState(kEditUnchanged);
  mesh.SetMirrorMode(1);
  mesh.SetPageLineStyle(2);
  mesh.SetVisitStamp(40);
  mesh.vertexSelectionCache = 1;
  mesh.SaveEditState();
  EXPECT_EQ(mesh.GetEditState(), kEditMeshStep);
  EXPECT_EQ(mesh.savedMirrorMode, 1);
  EXPECT_EQ(mesh.savedPageLineStyle, 2);
  EXPECT_EQ(mesh.savedVisitStamp, 40);
  EXPECT_EQ(mesh.savedVertexSelectionCache, 1);
  mesh.SetMirrorMode(0);
  mesh.SaveEditState();  // already open: the first snapshot stays
  EXPECT_EQ(mesh.savedMirrorMode, 1);
  // A mesh created in this step opens no step of its own: the scene's
  // undo removes it whole.
  MMeshObj created;
  created.SetMirrorMode(1);
  created.SaveEditState();
  EXPECT_EQ(created.GetEditState(), kEditCreated);
  EXPECT_EQ(created.savedMirrorMode, 0);
}

TEST_F(MeshObject, TheSelectionCacheFollowsTheSelectionBits) {
  const struct {
    const char* name;
    std::function<void(MeshFixture&)> select;
    int vertex, line, face;
  } cases[] = {
      {"nothing", [](MeshFixture&) {}, 0, 0, 0},
      {"a vertex", [](MeshFixture& f) { f.v[0]->flags |= kVertexSelected; }, 1, 0, 0},
      {"a line", [](MeshFixture& f) { f.Line(0, 1)->flags |= kLineSelected; }, 1, 1, 0},
      {"three outer edges of the quad",
       [](MeshFixture& f) {
         for (auto [a, b] : {std::pair{0, 1}, {1, 2}, {2, 3}}) f.Line(a, b)->flags |= kLineSelected;
       },
       1, 1, 0},
      {"all four outer edges of the quad",
       [](MeshFixture& f) {
         for (auto [a, b] : {std::pair{0, 1}, {1, 2}, {2, 3}, {3, 0}}) f.Line(a, b)->flags |= kLineSelected;
       },
       1, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = meshkit::MakeQuadPair(true);
    c.select(f);
    f->UpdateSelectionCache();
    EXPECT_EQ(f->vertexSelectionCache, c.vertex);
    EXPECT_EQ(f->lineSelectionCache, c.line);
    EXPECT_EQ(f->faceSelectionCache, c.face);
  }
  // Without the hidden diagonal each triangle stands alone.
  MeshFixture pair = meshkit::MakeQuadPair(false);
  for (auto [a, b] : {std::pair{0, 1}, {1, 2}, {2, 0}}) pair.Line(a, b)->flags |= kLineSelected;
  pair->UpdateSelectionCache();
  EXPECT_EQ(pair->faceSelectionCache, 1);
}

TEST_F(MeshObject, MarkedVerticesRememberASelectionThatCanBeRestored) {
  MeshFixture f = meshkit::MakeTetra();
  f->SetEditState(kEditUnchanged);
  for (MVertex* v : f->vertices) v->state = kItemUnchanged;
  f.v[1]->flags |= kVertexSelected;
  f.v[3]->flags |= kVertexSelected;
  f->MarkSelectedVertices(true);
  EXPECT_EQ(f->GetEditState(), kEditMeshStep);
  EXPECT_EQ(f.v[1]->state, kItemSaved);
  EXPECT_EQ(f.v[0]->state, kItemUnchanged);
  for (MVertex* v : f->vertices) v->flags &= ~static_cast<std::uint32_t>(kVertexSelected);
  f->SelectMarkedVertices();
  for (int i = 0; i < 4; ++i) EXPECT_EQ((f.v[i]->flags & kVertexSelected) != 0, i == 1 || i == 3);
  EXPECT_EQ(f->vertexSelectionCache, 1);
  f->MarkSelectedVertices(false);
  EXPECT_EQ(f.v[3]->flags & kVertexMarked, 0u);
}

TEST_F(MeshObject, MaterialsAvoidTheKeyGreenAndReportTransparency) {
  const struct {
    PointRecord diffuse;
    double green;
  } cases[] = {{{0, 1, 0}, 254.0 / 255.0}, {{0.1, 1, 0}, 1}, {{0, 0.5, 0}, 0.5}};
  MMeshObj mesh;
  for (const auto& c : cases) mesh.AddShader()->diffuseColor = c.diffuse;
  EXPECT_FALSE(mesh.HasTransparentShader());
  mesh.AvoidKeyGreenShaders();
  int i = 3;
  for (MShader* shader : mesh.shaders) EXPECT_EQ(shader->diffuseColor.y, cases[--i].green);
  mesh.shaders.First()->opacity = 0.5;
  EXPECT_TRUE(mesh.HasTransparentShader());
}

TEST_F(MeshObject, SliverFacesAreDegenerateAgainstTheMeshTolerance) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Vertex(0, 0, 0);
  f.Vertex(1, 0, 0);
  f.Vertex(0, 1, 0);
  f.Vertex(2, 1e-9, 0);
  MFace* good = f.Face(0, 1, 2);
  MFace* sliver = f.Face(0, 3, 1);
  EXPECT_EQ(f->IsFaceDegenerate(good), 0);
  EXPECT_EQ(f->IsFaceDegenerate(sliver), 1);
  // A coarser tolerance makes even the good face too thin.
  f->SetTolerance(0.01);
  EXPECT_EQ(f->IsFaceDegenerate(good), 1);
  EXPECT_EQ(f->IsDegenerate(f.v[0], f.v[1], f.v[2], 1, 0.3), 1);
  EXPECT_EQ(f->IsDegenerate(f.v[0], f.v[1], f.v[2], 1, 0.2), 0);
}

}  // namespace
