// The smooth surface: counts and positions of Catmull-Clark levels, creases
// held for their levels, the mirror half, texture coordinates, corner
// normals, the drawing passes and the rebuild into mesh elements.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine/mesh/MMetaSurf.h"
#include "engine/mesh/MeshDrawing.h"
#include "meshkit/MeshTestSupport.h"
#include "meshkit/MeshUndoCheck.h"

namespace {

using engine::MMetaSurf;
using engine::PointRecord;
using engine::SurfEdge;
using engine::SurfFace;
using engine::SurfVertex;
using meshkit::MeshFixture;

// The subdividing command's steps: one level built with its sources, the
// mesh rebuilt from it, inside an edit step.
void RebuildOneLevel(engine::MMeshObj& m) {
  m.SaveEditState();
  m.smoothSurface->trackSources = 1;
  m.smoothSurface->Build(1, 0);
  m.smoothSurface->Rebuild();
  m.smoothSurface->trackSources = 0;
}

class MetaSurfTest : public meshkit::MeshTest {
 protected:
  static MMetaSurf& Surface(MeshFixture& f, int levels, bool track = false) {
    MMetaSurf& s = *f->smoothSurface;
    s.trackSources = track ? 1 : 0;
    s.Build(levels, 0);
    return s;
  }
  static bool Near(const PointRecord& a, const PointRecord& b, double tolerance) {
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance;
  }
  static bool HasVertexAt(MMetaSurf& s, const PointRecord& p, double tolerance = 1e-9) {
    for (const SurfVertex& v : s.vertices)
      if (Near(v.position, p, tolerance)) return true;
    return false;
  }
  static double MaxEdgeSharpness(MMetaSurf& s) {
    double most = 0.0;
    for (const SurfEdge& e : s.edges) most = std::max(most, e.sharpness);
    return most;
  }
};

TEST_F(MetaSurfTest, ACubeOfSixQuadsGivesTwentySixVerticesFortyEightEdgesTwentyFourQuads) {
  MeshFixture f = meshkit::MakeCube(true);
  MMetaSurf& s = Surface(f, 1);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(s.vertices.Count(), 26);
  EXPECT_EQ(s.edges.Count(), 48);
  EXPECT_EQ(s.faces.Count(), 24);
  // A corner (n = 3) moves to (Fsum + R) / 9 + P / 3; faces and edges meet
  // at their points.
  EXPECT_TRUE(HasVertexAt(s, {2.0 / 9, 2.0 / 9, 2.0 / 9}));
  EXPECT_TRUE(HasVertexAt(s, {0.5, 0.5, 0.0}));       // a face point
  EXPECT_TRUE(HasVertexAt(s, {0.5, 0.125, 0.125}));   // an edge point: (A + B + Fl + Fr) / 4
  // Every face is a quad whose walk closes, and every edge has both faces.
  for (SurfFace& face : s.faces) {
    SurfVertex* c[4];
    SurfEdge* e[4];
    EXPECT_EQ(SurfFace::GetCorners(&face, c, e), 4);
  }
  for (const SurfEdge& e : s.edges) {
    EXPECT_NE(e.faceAlong, nullptr);
    EXPECT_NE(e.faceAgainst, nullptr);
  }
  // Two levels: 98 vertices, 192 edges, 96 faces.
  Surface(f, 2);
  EXPECT_EQ(s.vertices.Count(), 98);
  EXPECT_EQ(s.edges.Count(), 192);
  EXPECT_EQ(s.faces.Count(), 96);
}

TEST_F(MetaSurfTest, TrianglesGiveThreeQuadsAndQuadsFour) {
  MeshFixture triangles = meshkit::MakeQuadPair(false);
  EXPECT_EQ(Surface(triangles, 1).faces.Count(), 6);
  MeshFixture quad = meshkit::MakeQuadPair(true);
  EXPECT_EQ(Surface(quad, 1).faces.Count(), 4);
  EXPECT_EQ(FailState(), 0);
}

TEST_F(MetaSurfTest, ABuildWithoutLevelsKeepsTrianglesAndDrawsOnlyQuads) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f.Vertex(2, 0, 0);
  f.Vertex(2, 1, 0);
  f.Face(1, 4, 5);
  f.Face(1, 5, 2);
  ASSERT_TRUE(f->JoinToQuad(f.Line(1, 5)));
  MMetaSurf& s = Surface(f, 0);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(s.faces.Count(), 3);  // two triangles and a quad
  f->SetSmoothDisplay(1);
  view_.recorder.rendererKind = engine::kRendererOpenGL;
  view_.smoothShown = true;
  f->DrawBody(&view_, {{0.5, 0.5, 5}, {0.5, 0.5, 0}, {0, 0, 0}, {0, 1, 0}});
  EXPECT_EQ(view_.recorder.Count("DrawQuadNormals"), 1);
  EXPECT_EQ(FailState(), 0);
}

TEST_F(MetaSurfTest, OpenBordersAreSharpCreases) {
  MeshFixture f = meshkit::MakeGrid(2, 2);
  f.v[1]->position.z = 1.0;  // a border vertex between two border edges
  MMetaSurf& s = Surface(f, 1);
  // (6P + Ra + Rb) / 8 and the border's edge points at the midpoints.
  EXPECT_TRUE(HasVertexAt(s, {1.0, 0.0, 0.75}));
  EXPECT_TRUE(HasVertexAt(s, {0.5, 0.0, 0.5}));
}

TEST_F(MetaSurfTest, CreasesLoseOneSharpnessPerLevel) {
  MeshFixture f = meshkit::MakeCube(true);
  for (int corner : {1, 2}) f.Line(0, corner)->flags |= engine::kLineSharp;
  f.Line(1, 2)->flags |= engine::kLineSharp;  // a chain 2-0-1 ... closed with 1-2
  const double expected[] = {3.01, 2.01, 1.01, 0.01, 0.0};
  for (int level = 0; level <= 4; ++level) {
    MMetaSurf& s = Surface(f, level);
    EXPECT_NEAR(MaxEdgeSharpness(s), expected[level], 1e-12) << level;
  }
  // While the sharpness lasts, the crease's edge points are midpoints.
  MeshFixture g = meshkit::MakeCube(true);
  g.Line(0, 1)->flags |= engine::kLineSharp;
  g.Line(1, 5)->flags |= engine::kLineSharp;
  g.Line(5, 4)->flags |= engine::kLineSharp;
  g.Line(4, 0)->flags |= engine::kLineSharp;
  MMetaSurf& s = Surface(g, 1);
  EXPECT_TRUE(HasVertexAt(s, {0.5, 0.0, 0.0}));
  EXPECT_TRUE(HasVertexAt(s, {1.0, 0.0, 0.5}));
}

TEST_F(MetaSurfTest, TheMirrorHalfGivesTheSurfaceOfTheFullMesh) {
  // The right half (x >= 0) in mirror mode and the whole symmetric mesh,
  // both bent out of their plane.
  auto height = [](double x, double y) { return (std::fabs(x) == 1 ? 0.2 : 0.0) + (y == 1 ? 0.3 : 0.0); };
  MeshFixture half = meshkit::MakeMirrorHalf();
  for (engine::MVertex* v : half->vertices) v->position.z = height(v->position.x, v->position.y);
  MeshFixture full = meshkit::MakeEmptyMesh();
  for (int j = 0; j <= 2; ++j)
    for (int i = -2; i <= 2; ++i) full.Vertex(i, j, height(i, j));
  auto at = [](int i, int j) { return j * 5 + (i + 2); };
  for (int j = 0; j < 2; ++j)
    for (int i = -2; i < 2; ++i) {
      if (i >= 0) {  // as MakeGrid splits its cells
        full.Face(at(i, j), at(i + 1, j), at(i + 1, j + 1));
        full.Face(at(i, j), at(i + 1, j + 1), at(i, j + 1));
      } else {  // the mirror image of those
        full.Face(at(i, j), at(i + 1, j), at(i, j + 1));
        full.Face(at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
      }
    }
  for (int levels = 1; levels <= 2; ++levels) {
    SCOPED_TRACE(levels);
    MMetaSurf& h = Surface(half, levels);
    MMetaSurf& w = Surface(full, levels);
    ASSERT_EQ(FailState(), 0);
    int seam = 0;
    for (const SurfVertex& v : h.vertices) {
      EXPECT_TRUE(HasVertexAt(w, v.position)) << v.position.x << " " << v.position.y << " " << v.position.z;
      if ((v.flags & 1) != 0) {
        ++seam;
        EXPECT_EQ(v.position.x, 0.0);
      }
    }
    EXPECT_EQ(seam, 2 * (1 << levels) + 1);
  }
}

TEST_F(MetaSurfTest, TextureCoordinatesAreSubdividedLinearly) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  meshkit::GiveTexture(f);  // u = x, v = y on the unit square
  MMetaSurf& s = Surface(f, 1);
  ASSERT_EQ(s.faces.Count(), 4);
  for (SurfFace& face : s.faces) {
    ASSERT_NE(face.uv, nullptr);
    SurfVertex* c[4];
    SurfEdge* e[4];
    SurfFace::GetCorners(&face, c, e);
    EXPECT_DOUBLE_EQ(face.uv->uv[0][0], 0.5);  // the face point
    EXPECT_DOUBLE_EQ(face.uv->uv[0][1], 0.5);
    // On this flat square the corners' coordinates follow their control
    // positions: edge points at midpoints, the corner's own at its corner.
    for (int k = 1; k < 4; ++k) {
      double u, v;
      ASSERT_TRUE(s.GetCornerUV(c[k], &face, u, v));
      EXPECT_NEAR(std::round(u * 2) / 2, u, 1e-12);
      EXPECT_NEAR(std::round(v * 2) / 2, v, 1e-12);
    }
  }
}

TEST_F(MetaSurfTest, CornerNormalsAreSharedOnSmoothVerticesAndSplitAtCreases) {
  MeshFixture f = meshkit::MakeCube(true);
  MMetaSurf& s = Surface(f, 1);
  // At a smooth vertex every patch around it gives the same normal.
  for (SurfVertex& v : s.vertices) {
    std::vector<PointRecord> normals;
    const SurfEdge* e = v.firstEdge;
    do {
      const SurfEdge* next = v.NextEdgeAround(e);
      PointRecord n;
      v.ComputeCornerNormal(n, next, e);
      normals.push_back(n);
      e = next;
    } while (e != v.firstEdge);
    for (const PointRecord& n : normals) EXPECT_TRUE(Near(n, normals[0], 1e-12));
  }
  // Across a crease the two sides differ.
  MeshFixture g = meshkit::MakeCube(true);
  g.Line(0, 1)->flags |= engine::kLineSharp;
  MMetaSurf& t = Surface(g, 1);
  bool split = false;
  for (SurfVertex& v : t.vertices) {
    const SurfEdge* e = v.firstEdge;
    PointRecord first{}, n{};
    bool any = false;
    do {
      const SurfEdge* next = v.NextEdgeAround(e);
      v.ComputeCornerNormal(n, next, e);
      if (any && !Near(n, first, 1e-6)) split = true;
      if (!any) first = n, any = true;
      e = next;
    } while (e != v.firstEdge);
  }
  EXPECT_TRUE(split);
}

TEST_F(MetaSurfTest, TheSmoothFacePassEmitsQuadsAndDefersTransparentPatches) {
  MeshFixture f = meshkit::MakeCube(true);
  f->SetSmoothDisplay(1);
  Surface(f, 1);
  view_.recorder.rendererKind = engine::kRendererOpenGL;
  view_.smoothShown = true;
  f->DrawBody(&view_, {{3, 3, 3}, {0.5, 0.5, 0.5}, {0, 0, 0}, {0, 1, 0}});
  EXPECT_EQ(view_.recorder.Count("DrawQuadNormals"), 24);
  EXPECT_EQ(view_.recorder.Count("DrawTriangleNormals"), 0);
  f.shader->opacity = 0.5;
  view_.recorder.Clear();
  f->DrawBody(&view_, {{3, 3, 3}, {0.5, 0.5, 0.5}, {0, 0, 0}, {0, 1, 0}});
  EXPECT_EQ(view_.recorder.Count("DrawQuadNormals"), 0);
  ASSERT_EQ(view_.deferred.size(), 24u);
  EXPECT_EQ(view_.deferred[0].face, nullptr);
  EXPECT_NE(view_.deferred[0].patch, nullptr);
  // A deferred patch comes back through the single-patch drawing.
  f.shader->opacity = 1.0;
  view_.recorder.Clear();
  engine::MShader* current = nullptr;
  engine::MetaSurfDrawPatch(&view_, static_cast<SurfFace*>(const_cast<void*>(view_.deferred[0].patch)), current,
                            false, {{3, 3, 3}, {0.5, 0.5, 0.5}, {0, 0, 0}, {0, 1, 0}});
  EXPECT_EQ(view_.recorder.Count("DrawQuadNormals"), 1);
}

TEST_F(MetaSurfTest, ThePageStyleDrawsTheSurfacesSilhouetteAsRibbons) {
  MeshFixture f = meshkit::MakeCube(true);
  f->SetSmoothDisplay(1);
  MMetaSurf& s = Surface(f, 2);
  view_.recorder.rendererKind = engine::kRendererOpenGL;
  view_.smoothShown = true;
  view_.drawMode = 6;
  view_.pageFaceStyle = 0;
  view_.pageLineStyle = 1;
  view_.projectionKind = 1603;
  f->DrawBody(&view_, {{0.5, 0.5, 10}, {0.5, 0.5, 0.5}, {0, 0, 0}, {0, 1, 0}});
  // Looking down z: the silhouette runs round the middle, where the
  // patches turn from facing the eye to facing away: one ring of edges.
  const int ribbons = view_.recorder.Count("ProjectWidthScale");
  EXPECT_GE(ribbons, 16);
  EXPECT_LT(ribbons, s.edges.Count() / 4);
  for (int i = 0; i < ribbons; ++i) {
    const auto* call = view_.recorder.Find("ProjectWidthScale", i);
    EXPECT_NEAR(0.5 * (call->values[2] + call->values[5]), 0.5, 0.2);  // around z = 0.5
  }
  EXPECT_EQ(view_.recorder.Names().back(), "LightingOn");
  EXPECT_EQ(FailState(), 0);
}

// ---- rebuild ------------------------------------------------------------------------

TEST_F(MetaSurfTest, ACubeRebuiltAfterOneLevelIsTheSurfaceAsTriangles) {
  MeshFixture f = meshkit::MakeCube(true);
  EXPECT_TRUE(meshkit::UndoRoundTrip(*f, RebuildOneLevel));
  int vertices = 0, lines = 0, hidden = 0, faces = 0;
  for (engine::MVertex* v : f->vertices) vertices += v != nullptr;
  for (engine::MLine* l : f->lines) {
    ++lines;
    hidden += (l->flags & engine::kLineHiddenDiagonal) != 0;
  }
  for (engine::MFace* face : f->faces) faces += face != nullptr;
  EXPECT_EQ(vertices, 26);
  EXPECT_EQ(lines, 72);
  EXPECT_EQ(hidden, 24);
  EXPECT_EQ(faces, 48);
  EXPECT_TRUE(meshkit::FindMeshFaults(*f, 1).empty());
}

TEST_F(MetaSurfTest, ASeamRebuildsIntoRingsOfCoincidentVertices) {
  MeshFixture f = meshkit::MakeSeamTube(6, 2);
  EXPECT_TRUE(meshkit::UndoRoundTrip(
      *f,
      RebuildOneLevel,
      0));
  // Every two vertices at one place share a ring: the seam's five, twice.
  std::vector<engine::MVertex*> all;
  for (engine::MVertex* v : f->vertices) all.push_back(v);
  int pairs = 0;
  for (std::size_t i = 0; i < all.size(); ++i)
    for (std::size_t j = i + 1; j < all.size(); ++j)
      if (Near(all[i]->position, all[j]->position, 1e-12)) {
        ++pairs;
        EXPECT_TRUE(all[i]->IsInRing(all[j])) << all[i]->position.x << " " << all[i]->position.z;
      }
  EXPECT_EQ(pairs, 5);
}

TEST_F(MetaSurfTest, IndexedOutputCountsSharedAndSplitVertices) {
  MeshFixture f = meshkit::MakeCube(true);
  f.Line(0, 1)->flags |= engine::kLineSharp;
  MMetaSurf& s = Surface(f, 1);
  view_.recorder.indexedOutput = true;
  s.PrepareIndexedOutput(&view_);
  int shared = 0, split = 0, corners = 0;
  for (SurfVertex& v : s.vertices) {
    if (v.outputIndex == -1) ++shared;
    else if (v.outputIndex == -2) split += 1, corners += v.CountFacedEdges();
  }
  EXPECT_EQ(shared + split, 26);
  EXPECT_GT(split, 0);  // the crease's vertices
  EXPECT_EQ(view_.recorder.Find("SetVertexCount")->values[0], shared + corners);
  EXPECT_EQ(view_.recorder.Find("SetFaceCount")->values[0], 24);
  // Texture coordinates that differ across a vertex split it too.
  MeshFixture g = meshkit::MakeQuadPair(true);
  meshkit::GiveTexture(g);
  MMetaSurf& t = Surface(g, 1);
  for (SurfVertex& v : t.vertices) EXPECT_TRUE(t.HasContinuousUV(&v));
}

TEST_F(MetaSurfTest, RebuildWithoutALevelIsRefusedAndChangesNothing) {
  MeshFixture f = meshkit::MakeCube(true);
  const std::string before = meshkit::DumpMesh(*f);
  f->smoothSurface->trackSources = 1;
  f->smoothSurface->Build(0, 0);
  f->smoothSurface->Rebuild();
  EXPECT_EQ(FailState(), engine::kEngFailDeclined);
  engine::EngContext().ClearFailure();
  EXPECT_EQ(meshkit::DumpMesh(*f), before);
  // Without the sources either.
  f->smoothSurface->trackSources = 0;
  f->smoothSurface->Build(1, 0);
  f->smoothSurface->Rebuild();
  EXPECT_EQ(FailState(), engine::kEngFailDeclined);
  engine::EngContext().ClearFailure();
  EXPECT_EQ(meshkit::DumpMesh(*f), before);
}

TEST_F(MetaSurfTest, RebuildUndoesAfterAllocationFailures) {
  std::unique_ptr<MeshFixture> fresh;
  EXPECT_TRUE(meshkit::UndoRestoresAfterAllocationFailures(
      [&]() -> engine::MMeshObj& {
        fresh = std::make_unique<MeshFixture>(meshkit::MakeCube(true));
        return **fresh;
      },
      RebuildOneLevel));
}

}  // namespace
