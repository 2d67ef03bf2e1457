#include "FigureTestSupport.h"

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <vector>

#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "page/FigureService.h"
#include "page/PnGlobal.h"
#include "page/SObj.h"
#include "page/STrackFactory.h"
#include "page/SView.h"
#include "platform/GlContext.h"
#include "platform/ImageCodec.h"
#include "support/FigureFiles.h"

namespace pagetest {

void FigurePageTest::SetUp() {
  if (::access("/dev/shm", W_OK) == 0) memoryTemp_ = std::make_unique<testsupport::ScopedEnv>("TMPDIR", "/dev/shm");
  fatal_ = std::make_unique<FatalThrows>();
  StartFigures();
}

void FigurePageTest::TearDown() {
  StopFigures();
  fatal_.reset();
  memoryTemp_.reset();
}

void StartFigures() { ASSERT_EQ(page::StartFigureService(), 0); }

void StopFigures() {
  page::PnGlobal::Get().ClearCopyBuffer();
  page::StopFigureService();
  platform::GlContext::ReleaseCurrent();
}

page::SObj& AddStandardFigure(page::SDoc& doc, double x, double y) {
  int result = 0;
  std::unique_ptr<page::SObj> object =
      page::SDoc::MakeFigureObjectFromFile(testsupport::StandardFigureFile(), {x, y}, result, false);
  EXPECT_EQ(result, 0);
  if (!object) throw std::runtime_error("the standard figure cannot be opened");
  page::SObj& added = *object;
  doc.AddObject(std::move(object), -1, -1);
  return added;
}

platform::Image DrawPage(page::SDoc& doc) {
  page::SView view;
  const int rc = view.Draw(nullptr, doc, {0, 0, doc.GetPageWidth(), doc.GetPageHeight()}, page::kDrawExport);
  EXPECT_EQ(rc, 0);
  return view.image;
}

void Keep(const platform::Image& image, const std::string& name) {
  const std::filesystem::path folder = std::filesystem::path(PENNET_TEST_OUTPUT) / "test-images";
  std::filesystem::create_directories(folder);
  EXPECT_TRUE(platform::SaveImageFile(image, (folder / (name + ".png")).string(), "png"));
}

page::SFig3D& Figure3DOf(page::SObj& object) { return dynamic_cast<page::SFig3D&>(*object.fig); }

facade::KxLibV& ViewOf(page::SObj& object) { return Figure3DOf(object).GetScene()->GetView(); }

bool PoseABone(page::SObj& object, page::SPoint towards, double dx, double dy) {
  std::vector<platform::POINT> points;
  std::vector<int> kinds;
  ViewOf(object).GetOutlineLines(points, kinds);
  // A point a third of the way along the bone whose middle is nearest to
  // `towards` (the rotation tool twists a bone taken at its middle).
  page::SPoint best;
  double nearest = std::numeric_limits<double>::max();
  for (std::size_t i = 0; i + 1 < points.size(); i += 2) {
    if (kinds[i / 2] != 0) continue;  // bones only, not their markers
    const page::SPoint a(points[i].x, points[i].y), b(points[i + 1].x, points[i + 1].y);
    const page::SPoint grip = a + (b - a) * 0.3;
    const double distance = ((a + b) * 0.5).Distance(towards);
    if (object.HitTestPose(grip, page::kToolPoseRotate) >= 3 && distance < nearest) {
      nearest = distance;
      best = grip;
    }
  }
  if (nearest == std::numeric_limits<double>::max()) return false;
  if (object.BeginPoseDrag(best, page::kToolPoseRotate) < 0) return false;
  for (int step = 1; step <= 4; ++step) object.DragPose(best + page::SPoint(dx * step / 4, dy * step / 4));
  object.EndPoseDrag(best + page::SPoint(dx, dy));
  object.FinishPoseDrag();
  return true;
}

int PixelsDiffering(const platform::Image& a, const platform::Image& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return std::numeric_limits<int>::max();
  int differing = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) differing += a.GetBgra(x, y) == b.GetBgra(x, y) ? 0 : 1;
  return differing;
}

}  // namespace pagetest
