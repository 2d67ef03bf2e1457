// Mirror partners and symmetric drawings: the pairing search on generated
// symmetric drawings, measuring and lifting pairs into depth, pairing along
// chains, mirrored points on lines, and splitting a drawing at the plane.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "engine/ModelingTestSupport.h"
#include "engine/ModelingUndoTable.h"
#include "engine/core/CRGlobalM.h"
#include "meshkit/MeshTestSupport.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_symmetry_test {

using namespace engine;
using meshkit::MeshFixture;
using modelingtest::ModelingCase;

class MeshSymmetry : public meshkit::MeshTest {
 protected:
  void SetUp() override {
    meshkit::MeshTest::SetUp();
    savedFactor_ = EngGlobalM().stepSize;
    savedSide_ = EngGlobalM().stepCount;
  }
  void TearDown() override {
    EngGlobalM().stepSize = savedFactor_;
    EngGlobalM().stepCount = savedSide_;
    meshkit::MeshTest::TearDown();
  }

 private:
  // The side-angle setting: factor and other side.
  double savedFactor_ = 0.5;
  int savedSide_ = 1;
};

// A drawing: free lines between the points (indices into f.v).
MeshFixture Drawing(const std::vector<PointRecord>& points, const std::vector<std::pair<int, int>>& lines) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  for (const PointRecord& p : points) f.Vertex(p.x, p.y, p.z);
  for (auto [a, b] : lines) f->AddLineBetween(f.v[a], f.v[b]);
  f->Checkpoint(true);
  return f;
}

// ---- generated symmetric drawings -------------------------------------------------------------

// A drawing symmetric about the line through the origin at right angles to
// `axis`, with every point moved a little at random. `partner[i]` is the
// index of point i's mirror image (i itself on the line of symmetry).
struct SymmetricDrawing {
  std::vector<PointRecord> points;
  std::vector<std::pair<int, int>> lines;
  std::vector<int> partner;
};

class DrawingBuilder {
 public:
  explicit DrawingBuilder(unsigned seed) : random_(seed) {}
  // A point on the right (x > 0) and its mirror image; answers the right one.
  int Pair(double x, double y) {
    const int right = Point(x, y);
    const int left = Point(-x, y);
    d_.partner[right] = left;
    d_.partner[left] = right;
    return right;
  }
  int OnAxis(double y) {
    const int i = Point(0, y);
    d_.partner[i] = i;
    return i;
  }
  // A line and its mirror image (once when it is its own).
  void Line(int a, int b) {
    d_.lines.push_back({a, b});
    const int ma = d_.partner[a], mb = d_.partner[b];
    if (!((ma == a && mb == b) || (ma == b && mb == a))) d_.lines.push_back({ma, mb});
  }
  // Turns the drawing so that its pairs lie along (cos a, sin a), moves
  // every point by up to `jitter`, and shuffles the point order.
  SymmetricDrawing Finish(double angle, double jitter) {
    std::uniform_real_distribution<double> wobble(-jitter, jitter);
    for (PointRecord& p : d_.points) {
      const double x = p.x * std::cos(angle) - p.y * std::sin(angle);
      const double y = p.x * std::sin(angle) + p.y * std::cos(angle);
      p = {x + wobble(random_), y + wobble(random_), 0};
    }
    std::vector<int> order(d_.points.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::shuffle(order.begin(), order.end(), random_);
    std::vector<int> where(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) where[order[i]] = static_cast<int>(i);
    SymmetricDrawing out;
    for (int old : order) out.points.push_back(d_.points[old]);
    for (auto [a, b] : d_.lines) out.lines.push_back({where[a], where[b]});
    out.partner.resize(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) out.partner[where[i]] = where[d_.partner[i]];
    return out;
  }

 private:
  int Point(double x, double y) {
    d_.points.push_back({x, y, 0});
    d_.partner.push_back(-1);
    return static_cast<int>(d_.points.size()) - 1;
  }
  SymmetricDrawing d_;
  std::mt19937 random_;
};

// A face: a closed outline through two points on the axis, two eyes (each
// a triangle of its own), a nose line on the axis and a mouth across it.
SymmetricDrawing Face(unsigned seed, double angle) {
  DrawingBuilder b(seed);
  const int top = b.OnAxis(3);
  const int r1 = b.Pair(1.6, 2.4), r2 = b.Pair(2.0, 0.8), r3 = b.Pair(1.4, -1.2);
  const int chin = b.OnAxis(-2.2);
  b.Line(top, r1);
  b.Line(r1, r2);
  b.Line(r2, r3);
  b.Line(r3, chin);
  const int e1 = b.Pair(0.5, 1.2), e2 = b.Pair(1.2, 1.3), e3 = b.Pair(0.9, 0.9);
  b.Line(e1, e2);
  b.Line(e2, e3);
  b.Line(e3, e1);
  const int n1 = b.OnAxis(0.9), n2 = b.OnAxis(-0.2);
  b.Line(n1, n2);
  const int m1 = b.Pair(0.7, -1.0), m2 = b.OnAxis(-1.3);
  b.Line(m1, m2);
  return b.Finish(angle, 0.02);
}

// A symmetric V: the apex on the axis.
SymmetricDrawing Vee(unsigned seed, double angle) {
  DrawingBuilder b(seed);
  const int apex = b.OnAxis(0), arm = b.Pair(1, 1);
  b.Line(apex, arm);
  return b.Finish(angle, 0.01);
}

// Two chains of three points, one on each side, not joined.
SymmetricDrawing TwoChains(unsigned seed, double angle) {
  DrawingBuilder b(seed);
  const int a = b.Pair(1, 0), c = b.Pair(1.5, 1), d = b.Pair(1.2, 2);
  b.Line(a, c);
  b.Line(c, d);
  return b.Finish(angle, 0.01);
}

// A ladder across the axis: rungs join partners, rails run beside it.
SymmetricDrawing Ladder(unsigned seed, double angle) {
  DrawingBuilder b(seed);
  int previous = -1;
  for (int k = 0; k < 4; ++k) {
    const int right = b.Pair(1 + 0.1 * k, k);
    b.Line(right, -1 == previous ? right : previous);
    previous = right;
  }
  return b.Finish(angle, 0.02);
}

// Many separate strokes: a small triangle on each side at each of `count`
// heights `step` apart, inside a wide outline. (Stacked strokes alone are
// ambiguous: the pairs of neighbouring heights, taken slanted, spread
// wider.)
SymmetricDrawing StackedStrokes(unsigned seed, double angle, int count, double step) {
  DrawingBuilder b(seed);
  const int top = b.OnAxis(2), bottom = b.OnAxis(-2);
  const int r1 = b.Pair(3, 1), r2 = b.Pair(3.2, -1);
  b.Line(top, r1);
  b.Line(r1, r2);
  b.Line(r2, bottom);
  for (int k = 0; k < count; ++k) {
    const double y = -1.5 + step * k;
    const int p = b.Pair(0.3 + 0.02 * k, y), q = b.Pair(0.6, y + 0.05), r = b.Pair(0.5, y - 0.06);
    b.Line(p, q);
    b.Line(q, r);
    b.Line(r, p);
  }
  return b.Finish(angle, 0.005);
}

SymmetricDrawing Strokes(unsigned seed, double angle) { return StackedStrokes(seed, angle, 10, 0.3); }

// So many strokes that the search meets its budget of steps.
SymmetricDrawing CrowdedStrokes(unsigned seed, double angle) { return StackedStrokes(seed, angle, 24, 0.125); }

TEST_F(MeshSymmetry, TheSearchFindsTheMirrorPairingOfGeneratedDrawings) {
  struct Case {
    const char* name;
    SymmetricDrawing (*make)(unsigned, double);
    double angle;
  };
  const Case cases[] = {
      {"a face, upright", Face, 0},
      {"a face, turned by 30 degrees", Face, std::numbers::pi / 6},
      {"a face, turned by -40 degrees", Face, -2 * std::numbers::pi / 9},
      {"a V", Vee, 0.2},
      {"two chains side by side", TwoChains, 0},
      {"a ladder", Ladder, -0.3},
      {"ten pairs of strokes in an outline", Strokes, 0.1},
      {"twenty-four pairs of strokes in an outline", CrowdedStrokes, 0.1},
  };
  for (const Case& c : cases)
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
      SCOPED_TRACE(testing::Message() << c.name << ", seed " << seed);
      const SymmetricDrawing d = c.make(seed, c.angle);
      MeshFixture f = Drawing(d.points, d.lines);
      EXPECT_EQ(f->AutoPairMirror(), 0);
      ASSERT_EQ(FailState(), kEngFailNone);
      int wrong = 0;
      for (std::size_t i = 0; i < d.points.size(); ++i)
        wrong += f.v[i]->mirrorPartner != f.v[d.partner[i]];
      EXPECT_EQ(wrong, 0);
      EXPECT_TRUE(f->AllVerticesPaired());
      EXPECT_EQ(f->AutoPairMirror(), 1) << "nothing left to pair";
    }
}

TEST_F(MeshSymmetry, PairsTooFarFromTheAxisDirectionAreNeverMade) {
  // The arm ends lie on a line 30 degrees off the pairing direction the
  // search can try: they must not become partners.
  const double lean = 30 * std::numbers::pi / 180;
  MeshFixture f = Drawing({{0, 0, 0}, {std::cos(lean), std::sin(lean) + 1, 0}, {-std::cos(lean), 1 - std::sin(lean), 0}},
                          {{0, 1}, {0, 2}});
  // Hand pairs along x make the measured direction (1, 0, 0) trusted.
  std::vector<MVertex*> hand;
  for (int k = 0; k < 4; ++k) {
    hand.push_back(f.Vertex(2, 10 + k, 0));
    hand.push_back(f.Vertex(-2, 10 + k, 0));
    f->AddLineBetween(hand[hand.size() - 2], hand.back());
    hand[hand.size() - 2]->SetMirrorPartner(hand.back());
  }
  f->Checkpoint(true);
  f->AutoPairMirror();
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_NE(f.v[1]->mirrorPartner, f.v[2]);
  EXPECT_EQ(hand[0]->mirrorPartner, hand[1]) << "hand-made pairs stay";
}

TEST_F(MeshSymmetry, AWorkingCopyHandsItsPairsToTheMeshItWasCopiedFrom) {
  const SymmetricDrawing d = Face(7, 0);
  MeshFixture f = Drawing(d.points, d.lines);
  std::unique_ptr<MMeshObj> copy(static_cast<MMeshObj*>(f->Clone()));
  ASSERT_NE(copy, nullptr);
  f->LinkCopiesBack();
  copy->AutoPairMirror();
  ASSERT_EQ(FailState(), kEngFailNone);
  for (std::size_t i = 0; i < d.points.size(); ++i) EXPECT_EQ(f.v[i]->mirrorPartner, f.v[d.partner[i]]) << i;
  f->ClearVertexCopyLinks();
  copy->ClearVertexCopyLinks();
  for (const MVertex* v : f->vertices) EXPECT_EQ(v->copy, nullptr);
}

// ---- measuring and lifting --------------------------------------------------------------------

TEST_F(MeshSymmetry, TheMeasuredDirectionAndItsLevelFollowThePairs) {
  struct Case {
    const char* name;
    int pairs;
    double dy;  // the right point of each pair lies this much higher
    PointRecord direction;
    int level;
  };
  const double r = 1 / std::sqrt(2.0);
  const Case cases[] = {
      {"no pair", 0, 0, {1, 0, 0}, 0},
      {"one pair across a vertical axis", 1, 0, {1, 0, 0}, 1},
      {"three pairs", 3, 0, {1, 0, 0}, 1},
      {"four pairs", 4, 0, {1, 0, 0}, 2},
      {"four pairs along a diagonal", 4, 2, {r, r, 0}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = meshkit::MakeEmptyMesh();
    for (int k = 0; k < c.pairs; ++k) {
      MVertex* left = f.Vertex(-1, k, 0);
      MVertex* right = f.Vertex(1, k + c.dy, 0);
      // Either order of the pair gives the same direction.
      (k % 2 ? left : right)->SetMirrorPartner(k % 2 ? right : left);
    }
    f.Vertex(0, -5, 0)->SetMirrorPartner(f.v.back());  // on the axis: not counted
    int level = -1;
    const PointRecord d = f->MeasureAsymmetry(&level);
    EXPECT_NEAR(d.x, c.direction.x, 1e-12);
    EXPECT_NEAR(d.y, c.direction.y, 1e-12);
    EXPECT_NEAR(d.z, c.direction.z, 1e-12);
    EXPECT_EQ(level, c.level);
  }
}

TEST_F(MeshSymmetry, LiftedPairsAreSymmetricAndDrawnWhereTheyWereFromTheSideAngle) {
  struct Case {
    double factor;
    int otherSide;
  };
  for (Case c : {Case{0.5, 0}, Case{0.5, 1}, Case{0.1, 0}, Case{1.0, 1}}) {
    SCOPED_TRACE(testing::Message() << c.factor << " " << c.otherSide);
    EngGlobalM().stepSize = c.factor;
    EngGlobalM().stepCount = c.otherSide;
    double t = (0.6 * c.factor + 0.2) * std::numbers::pi / 2;
    if (c.otherSide) t = -t;
    const std::vector<PointRecord> drawn = {{1, 0, 0}, {-1, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0.3, 2, 0}};
    MeshFixture f = Drawing(drawn, {{0, 1}, {2, 3}});
    f.v[0]->SetMirrorPartner(f.v[1]);
    f.v[2]->SetMirrorPartner(f.v[3]);
    f.v[4]->SetMirrorPartner(f.v[4]);
    f->Checkpoint(true);
    f->LiftSymmetricPairs({1, 0, 0});
    ASSERT_EQ(FailState(), kEngFailNone);
    for (auto [a, b] : {std::pair{0, 1}, std::pair{2, 3}}) {
      const PointRecord& p = f.v[a]->position;
      const PointRecord& q = f.v[b]->position;
      EXPECT_NEAR(p.x, -q.x, 1e-12);
      EXPECT_NEAR(p.y, q.y, 1e-12);
      EXPECT_NEAR(p.z, q.z, 1e-12);
      // Seen turned by t, the pair lands on the drawing again.
      EXPECT_NEAR(p.x * std::cos(t) + p.z * std::sin(t), drawn[a].x, 1e-12);
      EXPECT_NEAR(q.x * std::cos(t) + q.z * std::sin(t), drawn[b].x, 1e-12);
    }
    EXPECT_NEAR(f.v[4]->position.x, 0, 1e-12) << "a vertex paired with itself lies on the plane";
  }
  // The documented case: 45 degrees from the front side.
  EngGlobalM().stepSize = 0.5;
  EngGlobalM().stepCount = 0;
  MeshFixture f = Drawing({{1, 0, 0}, {-1, 0, 0}}, {{0, 1}});
  f.v[0]->SetMirrorPartner(f.v[1]);
  f->DepthFromSymmetricDrawing();
  EXPECT_NEAR(f.v[0]->position.x, std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(f.v[1]->position.x, -std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(f.v[0]->position.z, 0, 1e-12);
  // With the other side the depth changes sign.
  MeshFixture g = Drawing({{2, 1, 0}, {0, 1, 0}}, {{0, 1}});
  g.v[0]->SetMirrorPartner(g.v[1]);
  g->LiftSymmetricPairs({1, 0, 0});
  const double front = g.v[0]->position.z;
  EngGlobalM().stepCount = 1;
  MeshFixture h = Drawing({{2, 1, 0}, {0, 1, 0}}, {{0, 1}});
  h.v[0]->SetMirrorPartner(h.v[1]);
  h->LiftSymmetricPairs({1, 0, 0});
  EXPECT_GT(std::fabs(front), 0.5);
  EXPECT_NEAR(h.v[0]->position.z, -front, 1e-12);
}

// ---- chains, points on lines, partners ---------------------------------------------------------

TEST_F(MeshSymmetry, PairingAlongChainsFollowsMirrorChainsAndStopsWhereTheyDiffer) {
  // Two chains 0-1-2-3 and 4-5-6-7; the left one forks at 2 (line 2-8).
  MeshFixture f = Drawing({{1, 0, 0}, {1, 1, 0}, {1, 2, 0}, {1, 3, 0}, {-1, 0, 0}, {-1, 1, 0}, {-1, 2, 0}, {-1, 3, 0},
                           {2, 2, 0}},
                          {{0, 1}, {1, 2}, {2, 3}, {4, 5}, {5, 6}, {6, 7}, {2, 8}});
  f.v[0]->SetMirrorPartner(f.v[4]);
  f->Checkpoint(true);
  f->PairAlongChains(f.v[0], 0, f.v[4]);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f.v[1]->mirrorPartner, f.v[5]);
  EXPECT_EQ(f.v[2]->mirrorPartner, nullptr) << "3 lines against 2: the chains differ here";
  EXPECT_EQ(f.v[6]->mirrorPartner, nullptr);

  // Without the fork the whole chain pairs.
  MeshFixture g = Drawing({{1, 0, 0}, {1, 1, 0}, {1, 2, 0}, {-1, 0, 0}, {-1, 1, 0}, {-1, 2, 0}},
                          {{0, 1}, {1, 2}, {3, 4}, {4, 5}});
  g.v[0]->SetMirrorPartner(g.v[3]);
  g->PairAlongChains(g.v[0], 0, g.v[3]);
  EXPECT_EQ(g.v[1]->mirrorPartner, g.v[4]);
  EXPECT_EQ(g.v[2]->mirrorPartner, g.v[5]);
}

TEST_F(MeshSymmetry, APointOnALineMapsOntoThePartnersLineAwayFromItsEnds) {
  // 0 (1,0) - 1 (1,4) mirrored by 2 (-1,0) - 3 (-1,4); line 4-5 crosses the
  // axis with its ends each other's partners.
  MeshFixture f = Drawing({{1, 0, 0}, {1, 4, 0}, {-1, 0, 0}, {-1, 4, 0}, {2, 6, 0}, {-2, 6, 0}, {3, 0, 0}, {3, 4, 0}},
                          {{0, 1}, {3, 2}, {4, 5}, {6, 7}});
  f.v[0]->SetMirrorPartner(f.v[2]);
  f.v[1]->SetMirrorPartner(f.v[3]);
  f.v[4]->SetMirrorPartner(f.v[5]);
  struct Case {
    const char* name;
    MLine* line;
    PointRecord point;
    MLine* mirrorLine;
    PointRecord mirrored;
  };
  MLine* right = f.Line(0, 1);
  MLine* left = f.Line(2, 3);  // runs from 3 down to 2
  MLine* across = f.Line(4, 5);
  const double tAcross = across->end0 == f.v[4] ? 1 : -1;
  const Case cases[] = {
      {"a quarter up", right, {1, 1, 0}, left, {-1, 1, 0}},
      {"near an end: kept 5 % away", right, {1, 0.01, 0}, left, {-1, 0.2, 0}},
      {"beyond an end", right, {1, 5, 0}, left, {-1, 3.8, 0}},
      {"from the other side", left, {-1, 3, 0}, right, {1, 3, 0}},
      {"a line that is its own image", across, {2 - tAcross * 1, 6, 0}, across, {-2 + tAcross * 1, 6, 0}},
      {"ends without partners", f.Line(6, 7), {3, 1, 0}, nullptr, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PointRecord out{99, 99, 99};
    double u = -1;
    EXPECT_EQ(f->MirrorPointOnLine(c.line, c.point, &out, &u), c.mirrorLine);
    if (c.mirrorLine == nullptr) continue;
    EXPECT_NEAR(out.x, c.mirrored.x, 1e-12);
    EXPECT_NEAR(out.y, c.mirrored.y, 1e-12);
    EXPECT_GE(u, 0.05);
    EXPECT_LE(u, 0.95);
  }
  // A line joining two vertices that are not each other's partners is not
  // its own image.
  f.v[5]->SetMirrorPartner(nullptr);
  f.v[4]->SetMirrorPartner(f.v[4]);
  EXPECT_EQ(f->MirrorPointOnLine(across, {0, 6, 0}, nullptr, nullptr), nullptr);
}

TEST_F(MeshSymmetry, ClearingPartnersAndPointingThemAtCopies) {
  MeshFixture f = Drawing({{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}}, {{0, 1}, {1, 2}});
  MeshFixture other = meshkit::MakeEmptyMesh();
  MVertex* outside = other.Vertex(5, 5, 5);
  f.v[0]->SetMirrorPartner(f.v[1]);
  f.v[2]->mirrorPartner = outside;  // a link into another mesh, as a copy has
  outside->mirrorPartner = f.v[2];
  f->ClearMirrorPartners(0);
  for (const MVertex* v : f->vertices) EXPECT_EQ(v->mirrorPartner, nullptr);
  EXPECT_EQ(outside->mirrorPartner, f.v[2]) << "flag 0 leaves the far side alone";
  f.v[2]->mirrorPartner = outside;
  f->ClearMirrorPartners(1);
  EXPECT_EQ(outside->mirrorPartner, nullptr);

  // A copy whose partners still name the vertices it was copied from.
  MeshFixture copy = Drawing({{1, 0, 0}, {-1, 0, 0}}, {{0, 1}});
  copy.v[0]->mirrorPartner = f.v[1];
  f.v[1]->copy = copy.v[1];
  f.v[0]->mirrorPartner = f.v[1];  // no copy link: stays
  copy->RemapPartnersToCopies();
  f->RemapPartnersToCopies();
  EXPECT_EQ(copy.v[0]->mirrorPartner, copy.v[1]);
  EXPECT_EQ(f.v[0]->mirrorPartner, copy.v[1]) << "a partner with a copy is replaced by it";
  f->ClearVertexCopyLinks();
  EXPECT_EQ(f.v[1]->copy, nullptr);
  f.v[0]->mirrorPartner = nullptr;
}

// ---- splitting at the plane --------------------------------------------------------------------

TEST_F(MeshSymmetry, SplittingAtThePlaneLeavesTheLeftHalfInMirrorMode) {
  const SymmetricDrawing d = Face(3, 0);
  MeshFixture f = Drawing(d.points, d.lines);
  for (std::size_t i = 0; i < d.points.size(); ++i) f.v[i]->SetMirrorPartner(f.v[d.partner[i]]);
  f->DepthFromSymmetricDrawing();
  f->Checkpoint(true);
  const int before = f->lines.Length();
  f->SplitLinesAtMirror();
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->mirrorMode, 1);
  int onPlane = 0;
  for (const MVertex* v : f->vertices) {
    const bool plane = (v->flags & kVertexOnMirror) != 0;
    if (plane) {
      ++onPlane;
      EXPECT_EQ(v->position.x, 0);
    } else {
      EXPECT_LT(v->position.x, 0);
    }
    EXPECT_EQ(v->mirrorPartner, nullptr);
  }
  // Top, chin, nose (2), mouth's middle, and the eye's and the mouth's
  // crossing lines have none: only lines joining partners are split.
  EXPECT_GE(onPlane, 5);
  EXPECT_LT(f->lines.Length(), before);
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
}

TEST_F(MeshSymmetry, ALineJoiningPartnersIsSplitAtItsMiddleOnThePlane) {
  MeshFixture f = Drawing({{1, 0, 0}, {-1, 0, 0}, {1, 1, 0}, {-1, 1, 0}}, {{0, 1}, {0, 2}, {1, 3}});
  f.v[0]->SetMirrorPartner(f.v[1]);
  f.v[2]->SetMirrorPartner(f.v[3]);
  f->SplitLinesAtMirror();
  ASSERT_EQ(FailState(), kEngFailNone);
  // Left: 1, 3 and the new middle vertex, joined as 3-1-middle.
  EXPECT_EQ(f->vertices.Length(), 3);
  EXPECT_EQ(f->lines.Length(), 2);
  int middles = 0;
  for (const MVertex* v : f->vertices)
    if (v->flags & kVertexOnMirror) {
      ++middles;
      EXPECT_EQ(v->position.x, 0);
      EXPECT_EQ(v->position.y, 0);
    }
  EXPECT_EQ(middles, 1);
}

TEST_F(MeshSymmetry, AMeshWithFacesIsNotSplitAtThePlane) {
  MeshFixture f = meshkit::MakeTetra();
  f.v[1]->SetMirrorPartner(f.v[2]);
  f->Checkpoint(true);
  const std::string before = meshkit::DumpMesh(*f);
  f->SplitLinesAtMirror();
  EXPECT_EQ(FailState(), kEngFailDeclined);
  EXPECT_EQ(meshkit::DumpMesh(*f), before);
}

// ---- undo ---------------------------------------------------------------------------------------

MeshFixture PairedFace() {
  const SymmetricDrawing d = Face(5, 0);
  MeshFixture f = Drawing(d.points, d.lines);
  for (std::size_t i = 0; i < d.points.size(); ++i) f.v[i]->SetMirrorPartner(f.v[d.partner[i]]);
  f->Checkpoint(true);
  return f;
}

std::vector<ModelingCase> Cases() {
  return {
      {"lifting a drawing", PairedFace, [](MeshFixture&, MMeshObj& m) { m.DepthFromSymmetricDrawing(); }},
      {"splitting at the plane", PairedFace, [](MeshFixture&, MMeshObj& m) { m.SplitLinesAtMirror(); }},
      {"the automatic pairing",
       [] {
         const SymmetricDrawing d = Face(6, 0.2);
         return Drawing(d.points, d.lines);
       },
       [](MeshFixture&, MMeshObj& m) { m.AutoPairMirror(); }},
      {"pairing along chains",
       [] {
         MeshFixture f = Drawing({{1, 0, 0}, {1, 1, 0}, {1, 2, 0}, {-1, 0, 0}, {-1, 1, 0}, {-1, 2, 0}},
                                 {{0, 1}, {1, 2}, {3, 4}, {4, 5}});
         f.v[0]->SetMirrorPartner(f.v[3]);
         f->Checkpoint(true);
         return f;
       },
       [](MeshFixture& f, MMeshObj& m) { m.PairAlongChains(f.v[0], 0, f.v[3]); }},
  };
}

TEST_F(MeshSymmetry, EverySymmetryEditSurvivesUndoAndRedo) { modelingtest::ExpectEachSurvivesUndoAndRedo(Cases()); }

TEST_F(MeshSymmetry, ASymmetryEditThatRunsOutOfMemoryIsUndoneToTheMeshBeforeIt) {
  modelingtest::ExpectEachUndoneAfterRunningOutOfMemory(Cases());
}

}  // namespace mesh_symmetry_test
