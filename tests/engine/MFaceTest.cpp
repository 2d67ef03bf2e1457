// Faces: materials and texture coordinates, drawn lines, removal modes,
// screen orientation and the link check.
#include <gtest/gtest.h>

#include <vector>

#include "meshkit/MeshTestSupport.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;
using meshkit::MeshIsValid;
using meshkit::MeshTest;

using FaceTest = MeshTest;

// A one-pixel texture makes a material textured.
void GiveTexture(MShader* shader) { shader->texture = meshkit::BlankTexture(); }

TEST_F(FaceTest, TexturedMaterialsGiveFacesTextureCoordinatesAndOthersTakeThemAway) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  MFace* face = f->faces.First();
  MShader* textured = f->AddShader();
  GiveTexture(textured);
  face->SetShader(textured);
  ASSERT_NE(face->uv, nullptr);
  const double expected[3][2] = {{0, 0}, {1, 0}, {0, 1}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(face->uv->corner[i].u, expected[i][0]);
    EXPECT_EQ(face->uv->corner[i].v, expected[i][1]);
  }
  MVertex* corners[3];
  face->GetVertices(corners);
  corners[1]->SetFaceUV(face, 0.25, 0.75);
  double u = 0, v = 0;
  corners[1]->GetFaceUV(face, u, v);
  EXPECT_EQ(u, 0.25);
  EXPECT_EQ(v, 0.75);
  face->SetShader(textured);  // keeps the coordinates it has
  EXPECT_EQ(face->uv->corner[1].u, 0.25);
  face->SetShader(f.shader);
  EXPECT_EQ(face->uv, nullptr);
  corners[1]->GetFaceUV(face, u, v);
  EXPECT_EQ(u, 0.0);
  // With texturing off no face counts as textured.
  EngContext().textureMode = 0;
  face->SetShader(textured);
  EXPECT_EQ(face->uv, nullptr);
  EngContext().textureMode = 1;
}

TEST_F(FaceTest, VerticesShareTextureCoordinatesOnlyWhenEveryTexturedFaceAgrees) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  GiveTexture(f.shader);
  for (MFace* face : f->faces) face->SetShader(f.shader);
  MVertex* shared = f.v[0];  // a corner of both faces
  shared->SetUVInAllFaces(0.5, 0.5);
  double u = 0, v = 0;
  EXPECT_TRUE(shared->GetSharedUV(true, &u, &v));
  EXPECT_EQ(u, 0.5);
  shared->SetFaceUV(f->faces.First(), 0.5, 0.6);
  EXPECT_FALSE(shared->GetSharedUV(false, &u, &v));
  // Strict: a mix of textured and untextured faces around is no agreement.
  shared->SetUVInAllFaces(0.5, 0.5);
  f->faces.First()->SetShader(f->AddShader());
  EXPECT_TRUE(shared->GetSharedUV(false, &u, &v));
  EXPECT_FALSE(shared->GetSharedUV(true, &u, &v));
}

TEST_F(FaceTest, CopyingAFaceClonesItsDrawnLinesInReverseOrder) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  MFace* face = f->faces.First();
  std::vector<MLine*> drawn;
  for (int i = 0; i < 3; ++i) {
    MVertex* a = f->AddVertex({0.1 * i, 0.5, 0});
    MVertex* b = f->AddVertex({0.1 * i, 0.6, 0});
    drawn.push_back(f->AddLineOnFace(a, b, nullptr, nullptr, nullptr, nullptr, face));
  }
  EXPECT_EQ(face->CountFltabs(), 3);
  EXPECT_EQ(face->fltabList->First()->line, drawn[2]);  // each at the head
  MFace* clone = face->Clone();
  ASSERT_NE(clone, nullptr);
  std::vector<MLine*> cloned;
  for (MFltab* entry : *clone->fltabList) cloned.push_back(entry->line);
  EXPECT_EQ(cloned, drawn);
  EXPECT_EQ(face->copy, clone);
  delete clone;
  int vertices = 0, lines = 0, faces = 0, drawnLines = 0;
  f->CountElements(vertices, lines, faces, drawnLines);
  EXPECT_EQ(drawnLines, 3);
  EXPECT_TRUE(MeshIsValid(*f, 0));
}

TEST_F(FaceTest, RemovingAFaceLetsItsLinesGoByMode) {
  const struct {
    int mode;
    int linesLeft;
    bool verticesLive;
  } cases[] = {{0, 0, false}, {1, 0, true}, {2, 3, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    MeshFixture f = meshkit::MakeEmptyMesh();
    f.Vertex(0, 0, 0);
    f.Vertex(1, 0, 0);
    f.Vertex(0, 1, 0);
    MFace* face = f.Face(0, 1, 2);
    // A line drawn on it goes with it, whatever the mode.
    MLine* drawn = f->AddLineOnFace(f->AddVertex({0.2, 0.2, 0}), f->AddVertex({0.3, 0.2, 0}), nullptr, nullptr,
                                    nullptr, nullptr, face);
    face->Remove(c.mode);
    EXPECT_EQ(face->state, kItemCreatedRemoved);
    EXPECT_FALSE(MItemIsLive(drawn));
    EXPECT_EQ(f->lines.Length(), c.linesLeft);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(MItemIsLive(f.v[i]), c.verticesLive);
    EXPECT_TRUE(f->faces.IsEmpty());
    EXPECT_TRUE(MeshIsValid(*f, 0));
  }
}

TEST_F(FaceTest, ScreenOrientationFollowsTheProjectedWinding) {
  const struct {
    double x2, y2, depth;
    int expected;
  } cases[] = {{0, 1, 1, 2}, {0, -1, 1, 1}, {0.1, 0.05, 1, 0}, {0, 1, 0, -1}};
  MeshFixture f = meshkit::MakeQuadPair(false);
  MFace* face = f->faces.First();
  MVertex* c[3];
  face->GetVertices(c);
  auto place = [](MVertex* v, double x, double y, double depth) {
    v->screenX = x;
    v->screenY = y;
    v->screenDepth = depth;
  };
  for (const auto& k : cases) {
    place(c[0], 0, 0, 1);
    place(c[1], 1, 0, 1);
    place(c[2], k.x2, k.y2, k.depth);
    EXPECT_EQ(face->GetScreenOrientation(), k.expected);
  }
}

TEST_F(FaceTest, TheValidatorNamesTheBrokenElementAndLink) {
  MeshFixture cube = meshkit::MakeCube();
  MLine* line = cube.Line(0, 1);
  MLine* saved = line->nextAround0;
  line->nextAround0 = cube.Line(6, 7);
  const std::vector<std::string> faults = meshkit::FindMeshFaults(*cube);
  ASSERT_FALSE(faults.empty());
  EXPECT_NE(faults[0].find("line "), std::string::npos);
  EXPECT_NE(faults[0].find("wing"), std::string::npos);
  EXPECT_FALSE(cube->DescribeLinkFault(1).empty());
  line->nextAround0 = saved;
  EXPECT_TRUE(MeshIsValid(*cube));

  MFace* face = cube->faces.First();
  MLine* first = face->firstLine;
  (first->forwardFace == face ? first->forwardFace : first->backwardFace) = nullptr;
  EXPECT_NE(face->DescribeLinkFault(0), nullptr);
  EXPECT_TRUE(EndsInFatalExit([&] { face->CheckLinks(0); }));
}

}  // namespace
