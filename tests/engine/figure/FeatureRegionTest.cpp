// Feature regions: finding the marked element groups for feature codes,
// moving them with a fall-off over rings, and fitting the marked and the
// paired regions onto their feature points.
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <queue>
#include <string>
#include <vector>

#include "FittingTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MGroup.h"
#include "engine/mesh/MeshWalk.h"

namespace figuretest {
// A name of its own: test files are compiled together in batches.
namespace feature_region_test {

using namespace engine;

using FeatureRegionTest = FigureTest;

MGroup* Region(MBoneObj& f, int type) {
  MGroup* group = nullptr;
  MMeshObj* mesh = nullptr;
  MatrixRecord frame;
  f.FindFeatureRegion(type, nullptr, group, mesh, frame);
  return group;
}

// The group's vertices (one list as the region walks collect them).
std::vector<MVertex*> RegionVertices(MMeshObj& mesh, MGroup* group) {
  PtrArray list;
  mesh.CollectGroupMembers(group, nullptr, nullptr, &list);
  std::vector<MVertex*> out;
  for (int i = 0; i < list.count; ++i) out.push_back(static_cast<MVertex*>(list[i]));
  return out;
}

PointRecord BoxCentre(const std::vector<MVertex*>& vertices) {
  PtrArray list;
  for (MVertex* v : vertices) list.Add(v);
  PointRecord c;
  MBoneObj::GetTransformedBoxCentre(list, IdentityMatrix(), 1, c);
  return c;
}

TEST_F(FeatureRegionTest, MarkedRegionsAreChosenByTheirPlaces) {
  MarkedArm arm = MakeMarkedArm();
  MBoneObj& f = *arm.chain.figure;
  for (int k = 0; k < 4; ++k) EXPECT_EQ(Region(f, 4 + k), arm.regions[k]) << 4 + k;
  // A fifth marked region leaves the marks unreadable.
  const PointRecord magenta{1, 0, 1};
  MarkPatch(*arm.chain.body, NearestVertex(*arm.chain.body, {0, 1.5, -0.2}), &magenta);
  for (int type = 4; type <= 7; ++type) EXPECT_EQ(Region(f, type), nullptr) << type;
}

TEST_F(FeatureRegionTest, WithThreeMarkedRegionsTheMiddleCodeTakesTheThirdFound) {
  MMeshObj* tube = MakeUprightTube(0, 2, 0.1, 0.2, 16);
  const PointRecord magenta{1, 0, 1};
  MGroup* right = MarkPatch(*tube, NearestVertex(*tube, {0.2, 0.5, 0.05}), &magenta);
  MGroup* left = MarkPatch(*tube, NearestVertex(*tube, {-0.2, 0.5, 0.05}), &magenta);
  MGroup* low = MarkPatch(*tube, NearestVertex(*tube, {0, 0.2, 0.2}), &magenta);
  Chain chain = MakeChainWith({tube});
  EXPECT_EQ(Region(*chain.figure, 4), right);
  EXPECT_EQ(Region(*chain.figure, 5), left);
  EXPECT_EQ(Region(*chain.figure, 7), low);
  // The groups are met newest first: the third found is the first made.
  EXPECT_EQ(Region(*chain.figure, 6), right);
}

TEST_F(FeatureRegionTest, SizedRegionsAreTheTwoLargestUpperAndLower) {
  meshkit::MeshFixture hair = meshkit::MakeSphere(12, 8, 0.3);
  meshkit::MeshFixture head = meshkit::MakeSphere(12, 8, 0.25);
  for (MVertex* v : hair.v) v->position.y += 2.2;
  for (MVertex* v : head.v) v->position.y += 1.8;
  MGroup* hairGroup = hair->AddGroup();
  MGroup* headGroup = head->AddGroup();
  for (MLine* line : hair->lines) line->group = hairGroup;
  for (MLine* line : head->lines) line->group = headGroup;
  MarkedArm arm = MakeMarkedArm();
  MBoneObj& f = *arm.chain.figure;
  arm.chain.group->AddChild(hair.mesh.release());
  arm.chain.group->AddChild(head.mesh.release());
  SetFeaturePoints(f, {{74, {0, 0, 0}}, {90, {0, 0, 0}}});
  EXPECT_EQ(Region(f, 74), hairGroup);  // the higher one
  EXPECT_EQ(Region(f, 90), headGroup);
  SetFeaturePoints(f, {{74, {0, 0, 0}}});
  EXPECT_EQ(Region(f, 74), hairGroup);  // without both codes: the larger
  EXPECT_EQ(Region(f, 90), hairGroup);
  // Blue lines do not count: the hair is no region then.
  MMeshObj* hairMesh = static_cast<MMeshObj*>(arm.chain.group->ChildAt(arm.chain.group->GetChildCount() - 2));
  for (MLine* line : hairMesh->lines) ColourLine(line, kBlue);
  EXPECT_EQ(Region(f, 74), headGroup);
}

TEST_F(FeatureRegionTest, LimbAndRedRegions) {
  std::unique_ptr<MGroupObj> group = standardfigure::BuildStandardFigure();
  MBoneObj& f = *standardfigure::FigureOf(*group);
  MMeshObj& rightArm = *static_cast<MMeshObj*>(group->ChildAt(3));
  MGroup* elbow = MarkPatch(rightArm, NearestVertex(rightArm, f.GetVertexByIndex(standardfigure::kElbowR)->position),
                            nullptr);
  f.NumberBodyVertices(nullptr);
  EXPECT_EQ(Region(f, 50), elbow);
  EXPECT_EQ(Region(f, 70), elbow);   // read as 50
  EXPECT_EQ(Region(f, 52), nullptr);  // nothing marked on the left arm
  // A red region: a group with a line beside a red face.
  EXPECT_EQ(Region(f, 100), nullptr);
  MMeshObj& torso = *static_cast<MMeshObj*>(group->ChildAt(1));
  const PointRecord red{1, 0, 0};
  MGroup* chest = MarkPatch(torso, NearestVertex(torso, {0, 1.3, 0.2}), &red);
  EXPECT_EQ(Region(f, 100), chest);
  EXPECT_EQ(Region(f, 42), nullptr);  // no region is marked for other codes
}

TEST_F(FeatureRegionTest, RegionMovesFallOffOverTheRingsOfTheLinesWidth) {
  meshkit::MeshFixture grid = meshkit::MakeGrid(8, 8);
  MVertex* centre = grid.v[4 * 9 + 4];
  MGroup* g = grid->AddGroup();
  centre->group = g;
  ForEachLineAround(centre, [&](MLine* line) {
    line->group = g;
    line->flags = (line->flags & ~kLineWidthMask) | 2u << kLineWidthShift;
  });
  Chain chain = MakeChainWith({grid.mesh.release()});
  MMeshObj& mesh = *chain.body;
  // Rings by the number of lines from the centre.
  std::map<MVertex*, int> ring{{centre, 0}};
  std::queue<MVertex*> pending;
  pending.push(centre);
  while (!pending.empty()) {
    MVertex* v = pending.front();
    pending.pop();
    ForEachLineAround(v, [&](MLine* line) {
      MVertex* n = line->OtherEnd(v);
      if (ring.emplace(n, ring[v] + 1).second) pending.push(n);
    });
  }
  const PointRecord up{0, 0, 1};
  chain.figure->MoveRegionWithFalloff(&up, 1, g, &mesh, IdentityMatrix(), nullptr, nullptr);
  for (const auto& [v, r] : ring) {
    const double expected = r <= 2 ? (2 - r + 1) / 3.0 : 0.0;
    EXPECT_NEAR(v->position.z, expected, 1e-12) << "ring " << r;
  }
  // A shape of another number of points moves nothing.
  PointArray shape;
  shape.Add({1, 1, 1});
  const PointRecord at = centre->position;
  const PointRecord origin{0, 0, 0};
  chain.figure->MoveRegionWithFalloff(nullptr, 1, g, &mesh, IdentityMatrix(), &origin, &shape);
  EXPECT_EQ(centre->position.z, at.z);
}

TEST_F(FeatureRegionTest, MarkedRegionsGoToTheirPointsAndKeepACapturedShape) {
  for (bool captured : {false, true}) {
    MarkedArm arm = MakeMarkedArm();
    MBoneObj& f = *arm.chain.figure;
    const PointRecord p[5] = {{0.3, 0.6, 0}, {-0.3, 0.6, 0}, {0, 0.9, 0}, {-0.05, 0.3, 0}, {0.05, 0.3, 0}};
    SetFeaturePoints(f, {{4, p[0]}, {5, p[1]}, {6, p[2]}, {7, p[3]}, {8, p[4]}});
    std::vector<std::vector<PointRecord>> shapes(4);
    for (int k = 0; k < 4; ++k) {
      const std::vector<MVertex*> vs = RegionVertices(*arm.chain.body, arm.regions[k]);
      const PointRecord c = BoxCentre(vs);
      for (MVertex* v : vs) shapes[k].push_back(Sub(v->position, c));
    }
    if (captured) f.CaptureRegionShapes(nullptr);
    f.FitMarkedRegions(nullptr);
    ASSERT_EQ(FailState(), 0);
    EXPECT_TRUE(AllFinite(*arm.chain.group));
    for (int k = 0; k < 4; ++k) {
      const std::vector<MVertex*> vs = RegionVertices(*arm.chain.body, arm.regions[k]);
      const PointRecord c = BoxCentre(vs);
      const PointRecord target = k < 3 ? p[k] : Mul(Add(p[3], p[4]), 0.5);
      EXPECT_NEAR(c.x, target.x, 1e-9) << k;
      EXPECT_NEAR(c.y, target.y, 1e-9) << k;
      double radius = 0;
      for (size_t i = 0; i < vs.size(); ++i) {
        radius = std::max(radius, std::hypot(vs[i]->position.x - c.x, vs[i]->position.y - c.y));
        // A captured shape comes back whole at the end.
        if (captured) {
          EXPECT_NEAR(MUtilDistance(Sub(vs[i]->position, c), shapes[k][i]), 0, 1e-9) << k;
        }
      }
      // The mouth was sized to the distance of its two points in the first
      // pass; without a captured shape it stays so.
      if (k == 3 && !captured) {
        EXPECT_NEAR(radius, 0.05, 1e-9);
      }
    }
  }
}

TEST_F(FeatureRegionTest, PairedRegionsAreSizedBetweenTheirPointsAndAMissingOneMovesNothing) {
  MarkedArm arm = MakeMarkedArm();
  MBoneObj& f = *arm.chain.figure;
  SetFeaturePoints(f, {{74, {0, 0, 0}}});
  MGroup* largest = Region(f, 74);
  ASSERT_NE(largest, nullptr);
  std::map<MVertex*, PointRecord> before;
  for (MVertex* v : arm.chain.body->GetVertexList()) before[v] = v->position;
  // 50 has no region on a chain without landmarks; 52 has no second point.
  SetFeaturePoints(f, {{50, {1, 1, 0}}, {51, {2, 1, 0}}, {52, {1, 1, 0}}, {74, {0.4, 1.5, 0}}, {75, {0.6, 1.5, 0}}});
  f.FitPairedRegions(nullptr);
  ASSERT_EQ(FailState(), 0);
  // Scaled about the vertices' centroid, then moved by the offset of their
  // box centre taken before: the region lands between the points within
  // the small distance of those two centres.
  const std::vector<MVertex*> vs = RegionVertices(*arm.chain.body, largest);
  const PointRecord c = BoxCentre(vs);
  EXPECT_NEAR(c.x, 0.5, 2e-3);
  EXPECT_NEAR(c.y, 1.5, 2e-3);
  double radius = 0;
  for (MVertex* v : vs) radius = std::max(radius, std::hypot(v->position.x - c.x, v->position.y - c.y));
  EXPECT_NEAR(radius, 0.1, 2e-3);
  // Everything else of the tube stays, beyond the rings round the region.
  int moved = 0;
  for (MVertex* v : arm.chain.body->GetVertexList()) moved += MUtilDistance(v->position, before[v]) > 0 ? 1 : 0;
  EXPECT_LT(moved, 60);
  EXPECT_TRUE(f.RigFitsBody());
}

// The faces of one corner triangle of the grid of MakeGrid, by its three
// grid points.
MFace* GridFace(MMeshObj& mesh, std::initializer_list<PointRecord> corners) {
  for (MFace* face : mesh.GetFaceList()) {
    MVertex* c[3];
    face->GetVertices(c);
    int matched = 0;
    for (const PointRecord& p : corners)
      for (MVertex* v : c) matched += MUtilDistance(v->position, p) < 1e-12 ? 1 : 0;
    if (matched == 3) return face;
  }
  return nullptr;
}

TEST_F(FeatureRegionTest, RedFacesFacingTheViewTheirCentralFaceAndBounds) {
  // Two grids: the first turned half round about y (it faces -z), both
  // with red faces in their two right columns.
  meshkit::MeshFixture turned = meshkit::MakeGrid(3, 3);
  meshkit::MeshFixture plain = meshkit::MakeGrid(3, 3);
  meshkit::GiveTexture(plain);
  std::vector<MFace*> redTurned, redPlain;
  for (MFace* face : turned->GetFaceList()) {
    MVertex* c[3];
    face->GetVertices(c);
    if (c[0]->position.x + c[1]->position.x + c[2]->position.x > 3) redTurned.push_back(face);
  }
  for (MFace* face : plain->GetFaceList()) {
    MVertex* c[3];
    face->GetVertices(c);
    if (c[0]->position.x + c[1]->position.x + c[2]->position.x > 3) redPlain.push_back(face);
  }
  ASSERT_EQ(redPlain.size(), 12u);
  ASSERT_GT(redPlain[0]->GetNormal().z, 0);
  const PointRecord red{1, 0, 0};
  PaintFaces(*turned, redTurned, red);
  // The plain grid's red material carries a texture, so its faces keep
  // texture coordinates; the turned grid's stays untextured.
  MShader* redTextured = PaintFaces(*plain, redPlain, red);
  redTextured->texture.width = redTextured->texture.height = 2;
  redTextured->texture.pixels = static_cast<unsigned char*>(EngAlloc(2 * 2 * 4));
  std::fill_n(redTextured->texture.pixels, 2 * 2 * 4, static_cast<unsigned char>(255));
  for (MFace* face : redPlain) face->SetShader(redTextured);
  MatrixRecord halfTurn;
  MUtilIdentity(halfTurn);
  halfTurn.m[0][0] = halfTurn.m[2][2] = -1;
  turned->SetMatrix(halfTurn);
  MMeshObj* turnedMesh = turned.mesh.release();
  MMeshObj* plainMesh = plain.mesh.release();
  Chain chain = MakeChainWith({turnedMesh, plainMesh});
  MBoneObj& f = *chain.figure;

  // Seen along +z, the faces whose normals point back at the eye count:
  // those of the turned grid, the first mesh that has any, with its world
  // matrix. From behind, the plain grid's.
  PtrArray faces;
  MatrixRecord matrix;
  MMeshObj* mesh = nullptr;
  f.FindRedFacingObject(false, nullptr, faces, matrix, &mesh);
  EXPECT_EQ(mesh, turnedMesh);
  EXPECT_EQ(faces.count, 12);
  EXPECT_TRUE(MUtilMatrixEqual(matrix, halfTurn));
  f.FindRedFacingObject(true, nullptr, faces, matrix, &mesh);
  ASSERT_EQ(mesh, plainMesh);
  ASSERT_EQ(faces.count, 12);
  for (int i = 0; i < faces.count; ++i)
    EXPECT_NE(std::find(redPlain.begin(), redPlain.end(), faces[i]), redPlain.end());
  EXPECT_TRUE(MUtilMatrixEqual(matrix, IdentityMatrix()));

  // The central face is the one nearest to the middle of the box's +x side,
  // in the frame the matrix gives.
  MFace* central = nullptr;
  MBoneObj::FindCentralFace(faces, IdentityMatrix(), &central);
  EXPECT_EQ(central, GridFace(*plainMesh, {{2, 1, 0}, {3, 1, 0}, {3, 2, 0}}));
  MBoneObj::FindCentralFace(faces, halfTurn, &central);  // x runs -3 .. -1: the side at x = -1
  EXPECT_EQ(central, GridFace(*plainMesh, {{1, 1, 0}, {2, 2, 0}, {1, 2, 0}}));
  ASSERT_NE(central, nullptr);

  BoundsRecord bounds;
  MBoneObj::GetFacesBounds(faces, IdentityMatrix(), bounds);
  EXPECT_EQ(bounds.empty, 0);
  EXPECT_EQ(bounds.minX, 1);
  EXPECT_EQ(bounds.maxX, 3);
  EXPECT_EQ(bounds.minY, 0);
  EXPECT_EQ(bounds.maxY, 3);
  MBoneObj::GetFacesBounds(PtrArray(), IdentityMatrix(), bounds);
  EXPECT_EQ(bounds.empty, 1);

  // Texture extents of a face; a flat extent is widened to 0.01.
  central->SetUVs(0.6, 0.5, 0.2, 0.9, 0.2, 0.5);
  double uMin, uMax, vMin, vMax;
  MBoneObj::GetFaceUVBounds(central, uMin, uMax, vMin, vMax);
  EXPECT_DOUBLE_EQ(uMin, 0.2);
  EXPECT_DOUBLE_EQ(uMax, 0.6);
  EXPECT_DOUBLE_EQ(vMin, 0.5);
  EXPECT_DOUBLE_EQ(vMax, 0.9);
  central->SetUVs(0.6, 0.5, 0.2, 0.5, 0.4, 0.5);
  MBoneObj::GetFaceUVBounds(central, uMin, uMax, vMin, vMax);
  EXPECT_DOUBLE_EQ(vMin, 0.5);
  EXPECT_DOUBLE_EQ(vMax, 0.51);
  EXPECT_DOUBLE_EQ(uMax, 0.6);
  // An untextured face has no corner coordinates: all read as zero.
  MFace* untextured = turnedMesh->GetFaceList().First();
  ASSERT_FALSE(untextured->IsTextured());
  MBoneObj::GetFaceUVBounds(untextured, uMin, uMax, vMin, vMax);
  EXPECT_EQ(uMin, 0);
  EXPECT_DOUBLE_EQ(uMax, 0.01);
  EXPECT_EQ(vMin, 0);
  EXPECT_DOUBLE_EQ(vMax, 0.01);
}

TEST_F(FeatureRegionTest, AligningTheRedRegionKeepsItInPlaceAndRebuildsTheRig) {
  std::unique_ptr<MGroupObj> group = standardfigure::BuildStandardFigure();
  MBoneObj& f = *standardfigure::FigureOf(*group);
  MMeshObj& torso = *static_cast<MMeshObj*>(group->ChildAt(1));
  const PointRecord red{1, 0, 0};
  MGroup* chest = MarkPatch(torso, NearestVertex(torso, {0, 1.3, 0.2}), &red);
  f.NumberBodyVertices(nullptr);
  const std::vector<MVertex*> region = RegionVertices(torso, chest);
  std::vector<PointRecord> before;
  for (MVertex* v : region) before.push_back(v->position);

  // Without code 100 nothing happens.
  SetFeaturePoints(f, {{50, {0, 1, 0}}});
  const std::string figureBefore = DumpFigureData(f);
  torso.Checkpoint(true);
  f.AlignRedRegion(nullptr);
  EXPECT_NE(torso.GetEditState(), kEditMeshStep);
  EXPECT_EQ(DumpFigureData(f), figureBefore);

  // With it the region stays (its point is not read), and the rig is made
  // again round it: it still fits the body and poses it.
  SetFeaturePoints(f, {{100, {5, 5, 5}}});
  f.AlignRedRegion(nullptr);
  ASSERT_EQ(FailState(), 0);
  for (size_t i = 0; i < region.size(); ++i)
    EXPECT_NEAR(MUtilDistance(region[i]->position, before[i]), 0, 1e-12);
  EXPECT_TRUE(f.RigFitsBody());
  MPose pose;
  ASSERT_TRUE(standardfigure::MakeStandardPose(f, "arms_raised", pose));
  EXPECT_TRUE(AllFinite(*group));
}

}  // namespace feature_region_test
}  // namespace figuretest
