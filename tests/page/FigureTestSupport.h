#pragma once
// The page tests of 3D shapes on the real figure facade: the program's 3D
// side started as the program starts it, the standard figure inserted from
// the file the build writes, pages drawn as exported, a figure posed by a
// bone drag, and the pictures left for people to look at.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "PageTestSupport.h"
#include "page/SDoc.h"
#include "page/SFig3D.h"
#include "platform/Image.h"
#include "support/TempDir.h"

namespace facade {
class KxLibV;
}

namespace pagetest {

class FigurePageTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Scenes are written many times over in these tests: temporary files go
  // to a folder in memory where there is one, so the disk's flushes stay
  // out of the tests' time.
  std::unique_ptr<testsupport::ScopedEnv> memoryTemp_;
  testsupport::TempDir dir_;

 private:
  std::unique_ptr<FatalThrows> fatal_;
};

// The program's 3D side, started as the program starts it and stopped
// (the copy buffer first) once every page and undo stack holding 3D shapes
// is gone: per test, or per suite where the fixture holds the pages.
void StartFigures();
void StopFigures();

// A new object of the standard figure centred at (x, y), added to the page
// and answered.
page::SObj& AddStandardFigure(page::SDoc& doc, double x, double y);
// The page drawn as an export draws it, at its own size.
platform::Image DrawPage(page::SDoc& doc);
// Writes the picture for people to look at.
void Keep(const platform::Image& image, const std::string& name);

page::SFig3D& Figure3DOf(page::SObj& object);
facade::KxLibV& ViewOf(page::SObj& object);

// Turns a bone of the figure with the rotation tool: the bone whose middle
// is nearest to `towards` (picture pixels), taken a third of the way along
// and dragged by (dx, dy). Answers whether a bone was taken.
bool PoseABone(page::SObj& object, page::SPoint towards, double dx, double dy);

// The number of pixels whose colour or alpha differs.
int PixelsDiffering(const platform::Image& a, const platform::Image& b);

}  // namespace pagetest
