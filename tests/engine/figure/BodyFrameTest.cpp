// The geometric services of the body fitting: bone frames, extents around a
// bone, box centres, pushing points through quads, and collecting marked
// limb vertices.
#include <cmath>
#include <set>

#include "FittingTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MFace.h"

namespace figuretest {
// A name of its own: test files are compiled together in batches.
namespace body_frame_test {

using namespace engine;

using BodyFrameTest = FigureTest;

// The quad of the unit square in z = 0 (its triangle is the lower left half).
const QuadRecord kSquare{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

TEST_F(BodyFrameTest, OffsetThroughQuadTakesCrossingsOnTheQuadNearTheFarPoint) {
  // The line from b = (x, y, -1) through a = (x, y, z) meets the plane at
  // t = 1 / (z + 1).
  struct Case {
    const char* what;
    double x, y, t;
    bool taken;
  };
  const Case cases[] = {
      {"t = 0.49 is before the half", 0.2, 0.2, 0.49, false},
      {"t = 0.5 is taken", 0.2, 0.2, 0.5, true},
      {"t = 1 inside", 0.2, 0.2, 1.0, true},
      {"t = 1.6 is taken", 0.2, 0.2, 1.6, true},
      {"t = 1.61 is too far", 0.2, 0.2, 1.61, false},
      {"outside the square (u above 1)", 1.2, 0.2, 1.0, false},
      {"outside the square (v below 0)", 0.2, -0.1, 1.0, false},
      {"in the square, outside the triangle", 0.8, 0.8, 1.0, true},
  };
  for (const Case& c : cases) {
    const PointRecord b{c.x, c.y, -1};
    const PointRecord a{c.x, c.y, 1 / c.t - 1};
    PointRecord out{9, 9, 9};
    const bool taken = MBoneObj::OffsetThroughQuad(kSquare, a, b, 5.0, out);
    EXPECT_EQ(taken, c.taken) << c.what;
    if (taken && c.taken) {
      // The crossing moved on by the distance, towards a.
      EXPECT_NEAR(out.x, c.x, 1e-12) << c.what;
      EXPECT_NEAR(out.y, c.y, 1e-12) << c.what;
      EXPECT_NEAR(out.z, 5.0, 1e-12) << c.what;
    }
  }
  PointRecord out;
  // Parallel to the plane.
  EXPECT_FALSE(MBoneObj::OffsetThroughQuad(kSquare, {0.5, 0.5, 1}, {0.2, 0.2, 1}, 5.0, out));
  // The crossing lies 1 before a (t = 0.5, |a - b| = 2): more than 0.5 away.
  EXPECT_FALSE(MBoneObj::OffsetThroughQuad(kSquare, {0.2, 0.2, 1}, {0.2, 0.2, -1}, 0.5, out));
  EXPECT_TRUE(MBoneObj::OffsetThroughQuad(kSquare, {0.2, 0.2, 1}, {0.2, 0.2, -1}, 1.0, out));
}

TEST_F(BodyFrameTest, BoneFramesRunFromTheFirstEndUnlessItIsAJunction) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  PointRecord o, d, n;
  // The lower bone A -> B: A is an end joint; the perpendicular turns the
  // direction a quarter round in x-y.
  EXPECT_DOUBLE_EQ(MBoneObj::GetBoneFrame((*f.bones)[0], o, d, n), 1.0);
  EXPECT_EQ(o.y, 0.0);
  EXPECT_EQ(d.y, 1.0);
  EXPECT_EQ(n.x, -1.0);
  // The upper bone B -> C starts at a joint of two lines: the frame runs
  // from C back to B.
  MBoneObj::GetBoneFrame((*f.bones)[1], o, d, n);
  EXPECT_EQ(o.y, 2.0);
  EXPECT_EQ(d.y, -1.0);
  // A bone along the view (z) has no perpendicular in x-y: (0, 0, 1).
  chain.c->position = {0, 1, 1};
  MBoneObj::GetBoneFrame((*f.bones)[1], o, d, n);
  EXPECT_EQ(n.z, 1.0);
  // A bone along x: the perpendicular turns it a quarter round in x-y.
  chain.c->position = {1, 1, 0};
  MBoneObj::GetBoneFrame((*f.bones)[1], o, d, n);
  EXPECT_NEAR(d.x, -1, 1e-12);
  EXPECT_NEAR(n.y, -1, 1e-12);
  double across, along;
  MBoneObj::ProjectOnBoneFrame(o, d, n, {0.5, 0.7, 0}, across, along);
  EXPECT_NEAR(along, 0.5, 1e-12);
  EXPECT_NEAR(across, 0.3, 1e-12);
}

TEST_F(BodyFrameTest, MeasureAroundBoneTakesEachSideNearestToTwoFifths) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  // The lower bone: along is y, across is -x.
  PointArray points;
  for (const PointRecord& p : std::initializer_list<PointRecord>{
           {0.3, 0.1, 0}, {0.2, 0.45, 0}, {0.25, 0.3, 0}, {-0.5, 0.8, 0}, {0, 0.4, 0}, {-0.1, -0.2, 0}})
    points.Add(p);
  double low, high, negative = 7, positive = 7;
  EXPECT_EQ(f.MeasureAroundBone((*f.bones)[0], points, low, high, negative, positive), 3);
  EXPECT_DOUBLE_EQ(low, -0.2);
  EXPECT_DOUBLE_EQ(high, 0.8);
  // Each side's point nearest to 0.4 along; the point across 0 counts on
  // neither side.
  EXPECT_DOUBLE_EQ(negative, -0.2);
  EXPECT_DOUBLE_EQ(positive, 0.5);
  // One side only: the other answer is left alone.
  PointArray oneSide;
  oneSide.Add({0.1, 0.4, 0});
  negative = positive = 7;
  EXPECT_EQ(f.MeasureAroundBone((*f.bones)[0], oneSide, low, high, negative, positive), 1);
  EXPECT_EQ(positive, 7);
}

TEST_F(BodyFrameTest, BoxCentreOfTransformedVertices) {
  meshkit::MeshFixture cube = meshkit::MakeCube();
  PtrArray list;
  for (MVertex* v : cube->GetVertexList()) list.Add(v);
  MatrixRecord m;
  MUtilIdentity(m);
  MUtilTranslateAfter(m, {10, 20, 30}, m);
  PointRecord c;
  MBoneObj::GetTransformedBoxCentre(list, m, 1, c);
  EXPECT_NEAR(c.x, 10.5, 1e-12);
  EXPECT_NEAR(c.y, 20.5, 1e-12);
  EXPECT_NEAR(c.z, 30.5, 1e-12);
  MBoneObj::GetTransformedBoxCentre(list, m, -1, c);
  EXPECT_EQ(c.z, 0.0);  // a negative mode drops the depth whatever the points
  PtrArray none;
  MBoneObj::GetTransformedBoxCentre(none, m, 1, c);
  EXPECT_EQ(c.x, 0.0);
}

TEST_F(BodyFrameTest, ClassifySideAndProjectedExtents) {
  // Extents a (greatest along) 1, b (least across) -1, c (greatest
  // across) 1, d (least along) 0: the lines from (0, 1) to (-1, 0) and to
  // (1, 0) split the plane into four.
  struct Case {
    double across, along;
    int side;
  };
  const Case cases[] = {{-2, 0.5, 0}, {-0.1, 0.5, 1}, {0.1, 0.5, 2}, {2, 0.5, 3}, {0, 0.5, 2}};
  for (const Case& c : cases)
    EXPECT_EQ(MBoneObj::ClassifySide(c.across, c.along, 1, -1, 1, 0), c.side) << c.across;

  meshkit::MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{1, 2, 0}, {-3, 1, 0}, {0, 4, 0}});
  PtrArray list;
  for (MVertex* v : f.v) list.Add(v);
  MatrixRecord identity;
  MUtilIdentity(identity);
  MBoneObj figure;
  double e[4];
  // Axis y from (0, 1): across is x.
  figure.GetProjectedExtents(list, 0, identity, {0, 1, 0}, {0, 1, 0}, e);
  EXPECT_DOUBLE_EQ(e[0], 3);   // greatest along
  EXPECT_DOUBLE_EQ(e[1], -3);  // least across
  EXPECT_DOUBLE_EQ(e[2], 1);   // greatest across
  EXPECT_DOUBLE_EQ(e[3], 0);   // least along
}

TEST_F(BodyFrameTest, ProjectionPushesVerticesOutAndStopsAtAVertexWithoutRecord) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  // A mesh added after the rig: its vertex has no skin record.
  meshkit::MeshFixture extra = meshkit::MakeEmptyMesh();
  MVertex* stray = extra.Vertex(0.2, 0.5, 0);
  chain.group->AddChild(extra.mesh.release());
  f.NumberBodyVertices(nullptr);
  // Two tube vertices at x = 0.2 with y between 0 and 1.
  std::vector<MVertex*> side;
  for (MVertex* v : chain.body->GetVertexList())
    if (std::fabs(v->position.x - 0.2) < 1e-9 && v->position.y > 0.2 && v->position.y < 0.8) side.push_back(v);
  ASSERT_GE(side.size(), 2u);
  const PointRecord second = side[1]->position;
  MatrixRecord identity;
  MUtilIdentity(identity);
  PtrArray vertices, matrices;
  for (MVertex* v : {side[0], stray, side[1]}) {
    vertices.Add(v);
    matrices.Add(&identity);
  }
  // The plane x = 0.25 across the whole chain.
  QuadRecordArray quads;
  quads.Add({{0.25, -1, -1}, {0.25, 3, -1}, {0.25, -1, 1}, {1, 0, 0}});
  int count = 1;
  chain.body->SaveEditState();
  f.ProjectVerticesOntoQuads(vertices, matrices, count, quads, 0.6);
  EXPECT_NEAR(side[0]->position.x, 0.85, 1e-9);
  EXPECT_NEAR(stray->position.x, 0.2, 0);
  EXPECT_EQ(side[1]->position.x, second.x);  // the walk stopped at the stray vertex
}

TEST_F(BodyFrameTest, MarkedLimbVerticesComeFromMagentaFacesOnTheRedBoneAndTheBestMeshIsTheFirstLargest) {
  MMeshObj* small = MakeUprightTube(0.1, 0.9, 0.1, 0.2);
  MMeshObj* large = MakeUprightTube(0.1, 0.9, 0.1, 0.3);
  MMeshObj* equal = MakeUprightTube(0.1, 0.9, 0.1, 0.4);
  Chain chain = MakeChainWith({small, large, equal});
  MBoneObj& f = *chain.figure;
  ColourLine(chain.lower, kRed);
  // Magenta faces: 2 in the first tube, 6 in the second and in the third.
  auto paint = [](MMeshObj* m, int n) {
    std::vector<MFace*> faces;
    for (MFace* face : m->GetFaceList()) {
      MVertex* c[3];
      face->GetVertices(c);
      if (c[0]->position.y < 0.9 && c[1]->position.y < 0.9 && c[2]->position.y < 0.9 &&
          static_cast<int>(faces.size()) < n)
        faces.push_back(face);
    }
    PaintFaces(*m, faces, {1, 0, 1});
  };
  paint(small, 2);
  paint(large, 6);
  paint(equal, 6);
  f.NumberBodyVertices(nullptr);
  PtrArray vertices, refs, best;
  MatrixArray matrices;
  BoneRecord* bone = nullptr;
  MMeshObj* bestMesh = nullptr;
  ASSERT_TRUE(f.CollectMarkedLimbVertices(nullptr, vertices, &bone, matrices, refs, best, &bestMesh));
  EXPECT_EQ(bone, &(*f.bones)[0]);
  EXPECT_EQ(bestMesh, large);
  EXPECT_EQ(vertices.count, refs.count);
  EXPECT_GT(best.count, 0);
  std::set<void*> ofLarge;
  for (MVertex* v : large->GetVertexList()) ofLarge.insert(v);
  for (int i = 0; i < best.count; ++i) EXPECT_EQ(ofLarge.count(best[i]), 1u);
  // Without the red bone nothing qualifies.
  ColourLine(chain.lower, kBlue);
  PtrArray none, noRefs, noBest;
  MatrixArray noMatrices;
  bestMesh = nullptr;
  ASSERT_TRUE(f.CollectMarkedLimbVertices(nullptr, none, nullptr, noMatrices, noRefs, noBest, &bestMesh));
  EXPECT_EQ(none.count, 0);
  EXPECT_EQ(bestMesh, nullptr);
}

TEST_F(BodyFrameTest, RedLimbVerticesWithTheirRestPositions) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  ColourLine(chain.lower, kRed);
  int marked = 0;
  for (MLine* line : chain.body->lines) {
    if (line->end0->position.y < 0.5 && line->end1->position.y < 0.5) {
      ColourLine(line, kRed);
      ++marked;
    }
  }
  ASSERT_GT(marked, 0);
  // One of them hidden: left out.
  MVertex* hidden = nullptr;
  for (MVertex* v : chain.body->GetVertexList())
    if (v->position.y < 0.45 && v->position.y > 0.35) hidden = v;
  hidden->flags |= kVertexHidden;
  f.NumberBodyVertices(nullptr);
  PtrArray vertices;
  PointArray positions;
  ASSERT_TRUE(f.CollectRedLimbVertices(nullptr, vertices, positions));
  ASSERT_GT(vertices.count, 0);
  ASSERT_EQ(vertices.count, positions.count);
  for (int i = 0; i < vertices.count; ++i) {
    EXPECT_NE(vertices[i], hidden);
    EXPECT_LT(positions[i].y, 0.5);
  }
}

}  // namespace body_frame_test
}  // namespace figuretest
