// A symmetric drawing in a single-mesh scene, lifted into depth by the
// scene and drawn through the view: seen from the side angle the drawing
// was made for, the lifted face looks as drawn; seen from the front it is
// a face with depth, symmetric about the middle.
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "engine/core/CRGlobalM.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/scene/MDocObj.h"
#include "meshkit/MeshFixtures.h"
#include "view/ViewTestSupport.h"

namespace symmetric_drawing_render_test {

using engine::PointRecord;
using platform::Image;
using platform::RECT;
using view::QView;

// A face with depth, symmetric about x = 0, drawn as seen turned by 45
// degrees (a point (X, Y, Z) is drawn at x = (X + Z) cos 45): its outline
// (with a mouth across it) and its eyes, as two meshes.
const std::vector<PointRecord>& FacePoints() {
  static const std::vector<PointRecord> points = {
      {0, 30, 5},     {16, 24, 2},  {20, 8, -3},  {14, -12, 0}, {0, -22, 6},   {-14, -12, 0}, {-20, 8, -3},
      {-16, 24, 2},   {7, -10, 8},  {0, -13, 10}, {-7, -10, 8}, {5, 12, 9},    {12, 13, 5},   {9, 9, 8},
      {-5, 12, 9},    {-12, 13, 5}, {-9, 9, 8}};
  return points;
}

engine::MMeshObj* FacePart(int first, int count, const std::vector<std::pair<int, int>>& lines) {
  meshkit::MeshFixture f = meshkit::MakeEmptyMesh();
  for (int i = first; i < first + count; ++i) {
    const PointRecord& p = FacePoints()[static_cast<std::size_t>(i)];
    f.Vertex((p.x + p.z) * std::sqrt(0.5), p.y, 0);
  }
  for (auto [a, b] : lines) f->AddLineBetween(f.v[static_cast<std::size_t>(a)], f.v[static_cast<std::size_t>(b)]);
  for (engine::MLine* line : f->lines)
    line->flags = (line->flags & ~engine::kLineWidthMask) | (2u << engine::kLineWidthShift);
  f->Checkpoint(false);
  return f.mesh.release();
}

class SymmetricDrawingRenderTest : public viewtest::ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    engine::EngGlobalM().stepSize = 0.5;
    engine::EngGlobalM().stepCount = 0;
    scene_ = std::make_unique<engine::MDocObj>();
    scene_->SetSingleMeshMode(true);
    EXPECT_TRUE(scene_->AddChild(FacePart(0, 11, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 0},
                                                  {8, 9}, {9, 10}})));
    EXPECT_TRUE(scene_->AddChild(FacePart(11, 6, {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}})));
    scene_->EndEdit(0);
  }
  void TearDown() override {
    scene_.reset();
    engine::EngGlobalM().stepCount = 1;
    ViewTest::TearDown();
  }
  // Lines, parallel projection, looking at the origin turned by `yaw`.
  Image Render(double yaw) {
    QView v(RECT{0, 0, 200, 200});
    v.MakeCurrent(true);
    v.SetDrawMode(0);
    v.SetBackgroundColor(255, 255, 255);
    v.CreateRenderTarget(RECT{0, 0, 200, 200}, false);
    v.SetGridShown(false);
    v.SetProjectionKind(view::kProjectionParallel, false);
    v.SetTarget({0, 4, 0});
    v.SetAngles(yaw, 0.0, 0.0);
    v.SetDistance(70.0);
    v.InvalidateMatrices();
    return viewtest::RenderPicture(v, scene_.get());
  }
  std::unique_ptr<engine::MDocObj> scene_;
};

bool Inked(const Image& picture, int x, int y) {
  const platform::Bgra p = picture.GetBgra(x, y);
  return p.r < 200 || p.g < 200 || p.b < 200;
}

// The share of the inked pixels of `b` that have an inked pixel of `a`
// within two pixels.
double InkCovered(const Image& a, const Image& b) {
  int inked = 0, covered = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      if (!Inked(b, x, y)) continue;
      ++inked;
      bool near = false;
      for (int dy = -2; dy <= 2 && !near; ++dy)
        for (int dx = -2; dx <= 2 && !near; ++dx) {
          const int u = x + dx, w = y + dy;
          near = u >= 0 && w >= 0 && u < a.Width() && w < a.Height() && Inked(a, u, w);
        }
      covered += near ? 1 : 0;
    }
  return inked == 0 ? 0.0 : static_cast<double>(covered) / inked;
}

// Inked pixels left and right of the middle column, each mirrored onto the
// other side.
double MirrorCovered(const Image& picture) {
  Image mirrored = picture;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) mirrored.SetBgra(picture.Width() - 1 - x, y, picture.GetBgra(x, y));
  return InkCovered(picture, mirrored);
}

TEST_F(SymmetricDrawingRenderTest, TheLiftedFaceLooksAsDrawnFromTheSideAndSymmetricFromTheFront) {
  const double sideAngle = std::atan(1.0);  // 45 degrees
  const Image drawing = Render(0.0);
  scene_->CreateLiftedSingleMesh();
  ASSERT_EQ(FailState(), engine::kEngFailNone);
  scene_->ShowSingleMeshOnly();
  ASSERT_EQ(FailState(), engine::kEngFailNone);
  const Image front = Render(0.0);
  const Image side = Render(-sideAngle);
  const Image otherSide = Render(sideAngle);
  scene_->DropSingleMesh();
  viewtest::SavePicture(viewtest::SideBySide({drawing, front, side, otherSide}), "symmetric_drawing_lifted");

  // Seen turned by the side angle the lifted face is the drawing again;
  // turned the other way it is the drawing's mirror image, not the drawing.
  EXPECT_GT(InkCovered(drawing, side), 0.97);
  EXPECT_GT(InkCovered(side, drawing), 0.97);
  EXPECT_LT(InkCovered(drawing, otherSide), 0.8);
  // From the front it is symmetric about the middle, and the drawing is not.
  EXPECT_GT(MirrorCovered(front), 0.97);
  EXPECT_LT(MirrorCovered(drawing), 0.8);
  EXPECT_EQ(scene_->GetChildCount(), 3) << "the objects are back after the merged mesh was shown alone";
}

}  // namespace symmetric_drawing_render_test
