// Reshaping the body: displacements spread over rings with a linear
// fall-off, a body line snapped onto a sketch, yellow-marked vertices put
// behind magenta faces, and the rig kept right afterwards.
#include <cmath>

#include "FittingTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MFace.h"
#include "support/FakeQView.h"

namespace figuretest {
// A name of its own: test files are compiled together in batches.
namespace body_reshape_test {

using namespace engine;

using BodyReshapeTest = FigureTest;

// The chain with a strip of `columns` cells along x (two rows of
// vertices, one unit apart) as its body; vertex (i, j) of the strip is
// strip.v[j * (columns + 1) + i].
struct StripBody {
  Chain chain;
  meshkit::MeshFixture strip;
  int columns;
  MVertex* At(int i, int j) const { return strip.v[j * (columns + 1) + i]; }
};
StripBody MakeStripBody(int columns) {
  StripBody s{Chain{}, meshkit::MakeGrid(columns, 1), columns};
  s.chain = MakeChainWith({s.strip.mesh.get()});
  s.strip.mesh.release();  // the group owns it now
  return s;
}

TEST_F(BodyReshapeTest, ListedDisplacementsSpreadOverOneToFiveRings) {
  struct Case {
    int listed;
    int rings;
  };
  for (const Case& c : {Case{150, 1}, Case{1000, 5}, Case{1100, 5}}) {
    StripBody s = MakeStripBody(c.listed / 2 + 8);
    PtrArray list;
    const int k = c.listed / 2;  // columns 0 .. k - 1 are the start
    for (int i = 0; i < k; ++i)
      for (int j = 0; j < 2; ++j) {
        s.At(i, j)->position.z = 1;
        list.Add(s.At(i, j));
      }
    s.chain.figure->PropagateDisplacement(nullptr, s.chain.body, nullptr, IdentityMatrix(), &list, 1);
    ASSERT_EQ(FailState(), 0);
    const int g = c.rings;
    for (int ring = 1; ring <= g + 1; ++ring) {
      const double expected = ring <= g ? double(g + 1 - ring) / (g + 1) : 0.0;
      for (int j = 0; j < 2; ++j)
        EXPECT_NEAR(s.At(k - 1 + ring, j)->position.z, expected, 1e-12) << c.listed << " ring " << ring;
    }
  }
}

TEST_F(BodyReshapeTest, MarkedLinesSpreadTheirMoveByTheirWidth) {
  for (int width : {0, 3}) {
    StripBody s = MakeStripBody(20);
    MLine* marked = s.At(10, 0)->FindLine(s.At(10, 1));
    ColourLine(marked, kCyan);
    marked->flags = (marked->flags & ~kLineWidthMask) | static_cast<std::uint32_t>(width) << kLineWidthShift;
    s.At(10, 0)->position.z = 1;
    s.At(10, 1)->position.z = 1;
    s.chain.figure->PropagateDisplacement(nullptr, s.chain.body, marked, IdentityMatrix(), nullptr, 0);
    for (int d = 1; d <= 4; ++d) {
      const double expected = d <= width ? double(width + 1 - d) / (width + 1) : 0.0;
      for (int side : {-1, 1})
        for (int j = 0; j < 2; ++j)
          EXPECT_NEAR(s.At(10 + side * d, j)->position.z, expected, 1e-12) << "width " << width << " at " << d;
    }
  }
}

TEST_F(BodyReshapeTest, VerticalHitsCountInTheWholeParallelogram) {
  const PointRecord slope[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 1}};  // the plane z = y
  struct Case {
    double x, y;
    int result;
    double z;
  };
  for (const Case& c : {Case{0.2, 0.2, 1, 0.2}, Case{0.8, 0.8, 1, 0.8}, Case{1.2, 0.2, -1, 0}, Case{0.2, -0.1, -1, 0}}) {
    PointRecord p{c.x, c.y, 9}, out{0, 0, 0};
    EXPECT_EQ(MBoneObj::HitTriangleVertically(slope, p, out), c.result) << c.x << " " << c.y;
    EXPECT_EQ(p.z, 0.0);
    if (c.result == 1) {
      EXPECT_NEAR(out.z, c.z, 1e-12);
    }
  }
  const PointRecord upright[3] = {{0, 0, 0}, {1, 0, 0}, {0.5, 0, 1}};
  PointRecord p{0.5, 0, 0}, out;
  EXPECT_EQ(MBoneObj::HitTriangleVertically(upright, p, out), -1);
}

TEST_F(BodyReshapeTest, DisplacementsAreKeptOffTheFaceThroughB) {
  struct Case {
    PointRecord b, d, expected;
  };
  const Case cases[] = {
      // Steep enough: pulled back to 0.2 of the length from the plane.
      {{0, 1, 0}, {0, 1, 0}, {0, 0.2, 0}},
      // Too small to count, or running along the face: kept.
      {{0, 1, 0}, {0, 1e-9, 0}, {0, 1e-9, 0}},
      {{1, 0.1, 0}, {0, 1, 0}, {0, 1, 0}},
  };
  for (const Case& c : cases) {
    PointRecord d = c.d;
    MBoneObj::ConstrainDisplacement({0, 0, 0}, {0, -1, 0}, c.b, d);
    EXPECT_NEAR(MUtilDistance(d, c.expected), 0, 1e-12);
  }
}

TEST_F(BodyReshapeTest, ChainEndsAreFoundAcrossJointsOfTwoLines) {
  std::unique_ptr<MGroupObj> group = standardfigure::BuildStandardFigure();
  MBoneObj& f = *standardfigure::FigureOf(*group);
  using namespace standardfigure;
  auto line = [&](int a, int b) { return f.GetVertexByIndex(a)->FindLine(f.GetVertexByIndex(b)); };
  EXPECT_EQ(f.FindChainEndBone(line(kChest, kShoulderR))->line, line(kWristR, kHandR));
  EXPECT_EQ(f.FindChainEndBone(line(kChest, kNeck))->line, line(kNeck, kHeadTop));
  EXPECT_EQ(f.FindChainEndBone(line(kAnkleL, kToeL))->line, line(kAnkleL, kToeL));
}

TEST_F(BodyReshapeTest, YellowVerticesGoJustBehindTheMagentaFaces) {
  for (bool withPlate : {false, true}) {
    std::vector<MMeshObj*> meshes{MakeUprightTube(0, 2, 0.1, 0.2)};
    if (withPlate) {
      // A plate of magenta faces at z = -0.5 behind the lower bone.
      meshkit::MeshFixture plate = meshkit::MakeGrid(2, 2);
      for (MVertex* v : plate.v) v->position = {v->position.x - 1, v->position.y * 0.5, -0.5};
      std::vector<MFace*> faces;
      for (MFace* face : plate->GetFaceList()) faces.push_back(face);
      PaintFaces(*plate, faces, {1, 0, 1});
      meshes.push_back(plate.mesh.release());
    }
    Chain chain = MakeChainWith(meshes);
    ColourLine(chain.lower, kRed);
    std::vector<MVertex*> ring;
    for (MLine* line : chain.body->lines) {
      if (std::fabs(line->end0->position.y - 0.5) < 1e-9 && std::fabs(line->end1->position.y - 0.5) < 1e-9)
        ColourLine(line, kYellow);
    }
    for (MVertex* v : chain.body->GetVertexList())
      if (std::fabs(v->position.y - 0.5) < 1e-9) ring.push_back(v);
    chain.figure->FitYellowLinesToFaces(nullptr);
    ASSERT_EQ(FailState(), 0);
    // Without faces: 0.2 of the bone's length behind its point, and 0.02
    // more; with the plate behind that: 0.02 behind the plate.
    const double depth = withPlate ? -0.52 : -0.22;
    for (MVertex* v : ring) EXPECT_NEAR(v->position.z, depth, 1e-9) << withPlate;
  }
}

TEST_F(BodyReshapeTest, ABodyLineIsSnappedOntoASketch) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  testsupport::FakeQView view;  // the screen is the figure's own x and y
  PointArray sketch;
  sketch.Add({0.5, -1, 0});
  sketch.Add({0.5, 3, 0});
  MLine* line = nullptr;
  for (MLine* l : chain.body->lines)
    if (l->end0->position.x > 0.19 && l->end1->position.x > 0.19 && std::fabs(l->end0->position.z) < 1e-9 &&
        std::fabs(l->end1->position.z) < 1e-9 && l->end0->position.y > 0.4 && l->end0->position.y < 0.6)
      line = l;
  ASSERT_NE(line, nullptr);
  std::vector<std::pair<MVertex*, PointRecord>> before;
  for (MVertex* v : chain.body->GetVertexList()) before.push_back({v, v->position});
  f.FitMarkedLineToSketch(&view, nullptr, chain.body, line, sketch);
  ASSERT_EQ(FailState(), 0);
  // The chain runs from the end the sketch starts at, which stays; the
  // rest of the right side of the body goes out to the sketch, keeping its
  // depth; the left side stays.
  const bool endZeroStays = std::fabs(line->end0->position.x - 0.2) < 1e-9;
  MVertex* anchor = endZeroStays ? line->end0 : line->end1;
  EXPECT_NEAR((endZeroStays ? line->end1 : line->end0)->position.x, 0.5, 1e-9);
  for (const auto& [v, p] : before) {
    if (v == anchor) {
      EXPECT_EQ(v->position.x, p.x);
    } else if (p.x > 0.01 && p.y > 0.01 && p.y < 1.99) {
      EXPECT_NEAR(v->position.x, 0.5, 1e-9) << p.y;
      EXPECT_EQ(v->position.z, p.z);
    } else if (p.x < -1e-9) {
      EXPECT_EQ(v->position.x, p.x);
    }
  }
}

TEST_F(BodyReshapeTest, EditedVerticesAreWeightedAgainAmongTheirBones) {
  for (bool chains : {false, true}) {
    Chain chain = MakeChain();
    MBoneObj& f = *chain.figure;
    MVertex* moved = nullptr;
    for (MVertex* v : chain.body->GetVertexList())
      if (std::fabs(v->position.y - 0.3) < 1e-9 && v->position.x > 0.19) moved = v;
    chain.body->SaveEditState();
    moved->SaveUndo();
    moved->SetPosition({0.2, 1.7, 0});
    chain.upper->flags |= kLineSelected;  // a selection of the user's: cleared by the rebuild
    f.RebuildRigFromObjects(nullptr, chains);
    ASSERT_EQ(FailState(), 0);
    f.NumberBodyVertices(nullptr);
    const SkinRecord* r = f.GetSkinRecordOfVertex(moved);
    // Among its own bone it stays on the lower one, at its far end; with
    // the whole chain it goes to the upper one.
    EXPECT_EQ(r->bones[0], chains ? 1 : 0);
    if (!chains) {
      EXPECT_EQ(r->params[0], 1.0);
    }
    PointRecord rest;
    EXPECT_NEAR(MUtilDistance(f.GetRestPosition(rest, moved), {0.2, 1.7, 0}), 0, 1e-12);
    EXPECT_EQ(chain.upper->flags & kLineSelected, 0u);
    EXPECT_EQ(moved->flags & kVertexSelected, 0u);
  }
}

TEST_F(BodyReshapeTest, BoneChainsAreSelectedAcrossJointsOfTwoLines) {
  std::unique_ptr<MGroupObj> group = standardfigure::BuildStandardFigure();
  MBoneObj& f = *standardfigure::FigureOf(*group);
  using namespace standardfigure;
  auto line = [&](int a, int b) { return f.GetVertexByIndex(a)->FindLine(f.GetVertexByIndex(b)); };
  f.SaveEditState();
  f.SelectBoneChain(line(kElbowR, kWristR));
  int selected = 0;
  for (MLine* l : f.lines) selected += (l->flags & kLineSelected) != 0 ? 1 : 0;
  EXPECT_EQ(selected, 3);
  for (MLine* l : {line(kShoulderR, kElbowR), line(kElbowR, kWristR), line(kWristR, kHandR)})
    EXPECT_NE(l->flags & kLineSelected, 0u);
  EXPECT_EQ(line(kChest, kShoulderR)->flags & kLineSelected, 0u);  // the chest joins four bones
}

}  // namespace body_reshape_test
}  // namespace figuretest
