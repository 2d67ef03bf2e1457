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

  // A new object of the standard figure centred at (x, y), added to the
  // page and answered.
  static page::SObj& AddStandardFigure(page::SDoc& doc, double x, double y);
  // The page drawn as an export draws it, at its own size.
  static platform::Image DrawPage(page::SDoc& doc);
  // Writes the picture for people to look at.
  static void Keep(const platform::Image& image, const std::string& name);

  testsupport::TempDir dir_;

 private:
  std::unique_ptr<FatalThrows> fatal_;
};

page::SFig3D& FigureOf(page::SObj& object);
facade::KxLibV& ViewOf(page::SObj& object);

// Turns the figure's lower arm (the rotation tool on the bone under its
// pose handle nearest to `towards`, dragged by (dx, dy) picture pixels) and
// answers whether a bone was taken.
bool PoseABone(page::SObj& object, page::SPoint towards, double dx, double dy);

// The number of pixels whose colour or alpha differs.
int PixelsDiffering(const platform::Image& a, const platform::Image& b);

}  // namespace pagetest
