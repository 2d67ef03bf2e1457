// Building meshes face by face through the factories: the winged-edge links
// of new faces and lines, refusals that leave the mesh unchanged, and the
// invariants of whole meshes.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "meshkit/MeshTestSupport.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;
using meshkit::MeshIsValid;
using meshkit::MeshTest;

using MeshBuild = MeshTest;

double Dot(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Three lone vertices: 0 (0,0,0), 1 (1,0,0), 2 (0,1,0).
MeshFixture LoneCorners() {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  return f;
}

TEST_F(MeshBuild, FaceOnThreeLoneVerticesCreatesThreeLinesHoldingItForward) {
  MeshFixture f = LoneCorners();
  MFace* face = f.Face(0, 1, 2);
  ASSERT_NE(face, nullptr);
  ASSERT_EQ(f->lines.Length(), 3);
  for (MLine* line : f->lines) {
    EXPECT_EQ(line->forwardFace, face);
    EXPECT_EQ(line->backwardFace, nullptr);
    EXPECT_EQ(line->holder, &f->removedLines);
    EXPECT_EQ(line->state, kItemCreated);
  }
  // Each corner has two lines, each the other's next and previous line.
  for (MVertex* v : f.v) {
    ASSERT_EQ(v->lineCount, 2);
    MLine* a = v->firstLine;
    MLine* b = a->GetNextAround(v);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->GetPrevAround(v), b);
    EXPECT_EQ(b->GetNextAround(v), a);
    EXPECT_EQ(b->GetPrevAround(v), a);
  }
  MVertex* corners[3];
  face->GetVertices(corners);
  EXPECT_EQ(corners[0], f.v[0]);
  EXPECT_EQ(corners[1], f.v[1]);
  EXPECT_EQ(corners[2], f.v[2]);
  MLine* lines[3];
  face->GetLines(lines);
  EXPECT_EQ(lines[0], f.Line(0, 1));
  EXPECT_EQ(lines[1], f.Line(1, 2));
  EXPECT_EQ(lines[2], f.Line(2, 0));
  const PointRecord n = face->GetNormal();
  EXPECT_EQ(n.z, 1.0);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshBuild, ReversedFaceReusesTheLinesOnTheirBackwardSides) {
  MeshFixture f = LoneCorners();
  MFace* front = f.Face(0, 1, 2);
  MFace* back = f.Face(0, 2, 1);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(f->lines.Length(), 3);
  for (MLine* line : f->lines) {
    EXPECT_EQ(line->forwardFace, front);
    EXPECT_EQ(line->backwardFace, back);
  }
  EXPECT_EQ(back->GetNormal().z, -1.0);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshBuild, FacesThatDoNotFitAreRefusedWithATopologyConflictAndNothingChanges) {
  struct Case {
    const char* name;
    std::function<MeshFixture()> build;
    std::function<MFace*(MeshFixture&)> add;
  };
  const Case cases[] = {
      {"the same face again, its sides taken", [] { return meshkit::MakeTetra(); },
       [](MeshFixture& f) { return f->AddFace(f.v[0], f.v[1], f.v[3], f.shader); }},
      // Spoke 0-2 would lie inside the face 0-1-3: its lines at vertex 0
      // are not neighbours there.
      {"lines that are not neighbours at a corner",
       [] {
         MeshFixture f = meshkit::MakeFan(6, 0);
         f.mesh->faces.First()->Remove(2);
         f.mesh->faces.First()->Remove(2);
         return f;
       },
       [](MeshFixture& f) { return f->AddFace(f.v[0], f.v[5], f.v[1], f.shader); }},
      {"a corner closed on every side",
       [] {
         MeshFixture f = meshkit::MakeFan(6, 0);
         f.Vertex(0, 0, 2);
         f.Vertex(1, 0, 2);
         return f;
       },
       [](MeshFixture& f) { return f->AddFace(f.v[0], f.v[7], f.v[8], f.shader); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = c.build();
    ASSERT_TRUE(MeshIsValid(*f, 0));
    const std::string before = meshkit::DumpMesh(*f);
    EXPECT_EQ(c.add(f), nullptr);
    EXPECT_EQ(FailState(), kEngFailFailed);
    EXPECT_EQ(FailReason(), kEngReasonTopologyConflict);
    EngContext().ClearFailure();
    EXPECT_EQ(meshkit::DumpMesh(*f), before);
    EXPECT_TRUE(MeshIsValid(*f, 0));
  }
}

struct Shape {
  const char* name;
  std::function<MeshFixture()> build;
  int vertices, lines, faces;
  bool closed;
};

// The fixtures built face by face, with their element counts; closed ones
// must also face outwards everywhere.
TEST_F(MeshBuild, ClosedAndOpenMeshesBuiltFaceByFaceKeepEveryInvariant) {
  const Shape shapes[] = {
      {"tetrahedron", [] { return meshkit::MakeTetra(); }, 4, 6, 4, true},
      {"cube", [] { return meshkit::MakeCube(); }, 8, 18, 12, true},
      {"cube of quads", [] { return meshkit::MakeCube(true); }, 8, 18, 12, true},
      {"cube in scattered order",
       [] {
         MeshFixture f = meshkit::MakeCubeCorners();
         const int order[12][3] = {{0, 3, 2}, {4, 6, 7}, {1, 2, 6}, {0, 4, 7}, {0, 1, 5}, {2, 3, 7},
                                   {0, 2, 1}, {4, 5, 6}, {1, 6, 5}, {0, 7, 3}, {0, 5, 4}, {2, 7, 6}};
         for (const auto& t : order) f.Face(t[0], t[1], t[2]);
         return f;
       },
       8, 18, 12, true},
      {"grid", [] { return meshkit::MakeGrid(3, 2); }, 12, 23, 12, false},
      {"fan", [] { return meshkit::MakeFan(6, 0); }, 7, 12, 6, false},
      {"tube with a seam", [] { return meshkit::MakeSeamTube(4, 2); }, 15, 30, 16, false},
      {"mirror half", [] { return meshkit::MakeMirrorHalf(); }, 9, 16, 8, false},
  };
  for (const Shape& s : shapes) {
    SCOPED_TRACE(s.name);
    MeshFixture f = s.build();
    EXPECT_EQ(FailState(), kEngFailNone);
    EXPECT_TRUE(MeshIsValid(*f));
    int v = 0, l = 0, fc = 0, drawn = 0;
    f->CountElements(v, l, fc, drawn);
    EXPECT_EQ(v, s.vertices);
    EXPECT_EQ(l, s.lines);
    EXPECT_EQ(fc, s.faces);
    EXPECT_EQ(v - l + fc, s.closed ? 2 : 1);
    if (!s.closed) continue;
    PointRecord centre{0, 0, 0};
    for (MVertex* vertex : f->vertices) {
      centre.x += vertex->position.x / v;
      centre.y += vertex->position.y / v;
      centre.z += vertex->position.z / v;
    }
    for (MFace* face : f->faces) {
      MVertex* c[3];
      face->GetVertices(c);
      const PointRecord out{c[0]->position.x - centre.x, c[0]->position.y - centre.y, c[0]->position.z - centre.z};
      EXPECT_GT(Dot(face->GetNormal(), out), 0);
    }
  }
}

TEST_F(MeshBuild, FactoriesLinkAtTheHeadInStateOneWithTheMeshsHolders) {
  MMeshObj mesh;
  MVertex* a = mesh.AddVertex({1, 0, 0});
  MVertex* b = mesh.AddVertex({2, 0, 0});
  MVertex* c = mesh.AddVertex({3, 0, 0});
  MVertex* listed[3];
  int n = 0;
  for (MVertex* v : mesh.vertices) listed[n++] = v;
  ASSERT_EQ(n, 3);
  EXPECT_EQ(listed[0], c);
  EXPECT_EQ(listed[1], b);
  EXPECT_EQ(listed[2], a);
  MGroup* group = mesh.AddGroup();
  MShader* shader = mesh.AddShader();
  MLine* line = mesh.AddLine(a, b, nullptr, nullptr, nullptr, nullptr);
  for (MItem* element : std::initializer_list<MItem*>{a, b, c, group, shader, line}) EXPECT_EQ(element->state, 1);
  EXPECT_EQ(a->holder, &mesh.removedVertices);
  EXPECT_EQ(group->holder, &mesh.removedGroups);
  EXPECT_EQ(shader->holder, &mesh.removedShaders);
  EXPECT_EQ(line->holder, &mesh.removedLines);
  // A line made between lone vertices is its own wing everywhere.
  EXPECT_EQ(line->nextAround0, line);
  EXPECT_EQ(line->prevAround0, line);
  EXPECT_EQ(line->prevAround1, line);
  EXPECT_EQ(line->nextAround1, line);
  EXPECT_EQ(a->firstLine, line);
  EXPECT_EQ(b->lineCount, 1);
  // A face on corners already joined by lines creates none.
  MeshFixture pair = meshkit::MakeQuadPair(false);
  pair->faces.First()->Remove(2);
  ASSERT_EQ(pair->lines.Length(), 5);
  ASSERT_NE(pair.Face(0, 2, 3), nullptr);
  EXPECT_EQ(pair->lines.Length(), 5);
  EXPECT_TRUE(MeshIsValid(*pair));
}

TEST_F(MeshBuild, AddVertexCopyJoinsTheSourcesRingWithItsAttributes) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  MVertex* source = f.Vertex(1, 2, 3);
  MVertex* other = f.Vertex(1, 2, 3);
  source->JoinRing(other);
  source->flags = kVertexOnMirror | kVertexSelected;
  source->group = f->AddGroup();
  MVertex* copy = f->AddVertexCopy(source);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->position.y, 2.0);
  EXPECT_EQ(copy->flags, source->flags);
  EXPECT_EQ(copy->group, source->group);
  EXPECT_EQ(source->CountRing(), 3);
  EXPECT_TRUE(copy->IsInRing(other));
  EXPECT_EQ(copy->lineCount, 0);
}

TEST_F(MeshBuild, RunningOutOfMemoryInAddFaceLeavesTheMeshUnchanged) {
  MeshFixture f = meshkit::MakeGrid(2, 1);
  f->faces.First()->Remove(0);  // the last face, 1-5-4, with its outer line 5-4
  // A textured material makes the face need its texture coordinates too.
  f.shader->texture = meshkit::BlankTexture();
  const std::string before = meshkit::DumpMesh(*f);
  MFace* added = nullptr;
  const int allocations = meshkit::ForEachAllocationFailure(
      [&] { added = f->AddFace(f.v[1], f.v[5], f.v[4], f.shader); },
      [&](int nth) {
        SCOPED_TRACE(nth);
        EXPECT_EQ(added, nullptr);
        EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
        EXPECT_EQ(meshkit::DumpMesh(*f), before);
      });
  // The face, its one new line and its texture coordinates, and any pool
  // block they need.
  EXPECT_GE(allocations, 3);
  ASSERT_NE(added, nullptr);
  EXPECT_NE(added->uv, nullptr);
  EXPECT_TRUE(MeshIsValid(*f));
}

}  // namespace
