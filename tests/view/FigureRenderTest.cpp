// The standard figure in a scene rendered through a real view: its body
// drawn by the mesh drawing in every draw style (shaded, lines, page tones,
// page outlines) and kept as one golden picture, and its bones' influence
// lines drawn as the view's draw mode allows.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "SceneTestSupport.h"
#include "StandardFigure.h"
#include "engine/figure/MBoneObj.h"
#include "support/GoldenImage.h"
#include "support/PixelCensus.h"
#include "view/ViewTestSupport.h"

namespace {

using platform::Bgra;
using platform::Image;
using platform::RECT;
using view::QView;

constexpr int kWidth = 160;
constexpr int kHeight = 240;

// One draw style of the view.
struct Style {
  const char* name;
  int drawMode;
  int shadingKind;
  int lineKind;
};
constexpr Style kStyles[] = {{"shaded", 2, 2, 1}, {"lines", 0, 2, 1}, {"page_toned", 6, 2, 1},
                             {"page_outlines", 6, 0, 1}};

class FigureRenderTest : public viewtest::ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    auto group = standardfigure::BuildStandardFigure();
    ASSERT_NE(group, nullptr);
    figure_ = standardfigure::FigureOf(*group);
    engine::MPose pose;
    ASSERT_TRUE(standardfigure::MakeStandardPose(*figure_, "walking", pose));
    scene_ = scenetest::SceneTest::MakeScene(
        [&](engine::MDocObj& s) { scenetest::SceneTest::Add(s, group.release()); });
  }
  // The scene in the style, seen from the front left, the whole figure in
  // the picture, without the floor grid.
  Image Render(const Style& style) {
    QView v(RECT{0, 0, kWidth, kHeight});
    v.shadingKind = style.shadingKind;
    v.lineKind = style.lineKind;
    if (style.drawMode == 6) {
      // Outlines two pixels wide, as the page's figure view asks for them.
      v.SetLineWidthOverride(true);
      v.SetLineWidth(2);
    }
    v.SetGridShown(false);
    viewtest::OpenWhitePicture(v, kWidth, kHeight, style.drawMode);
    v.SetAngles(-0.6, -0.15, 0.0);
    v.SetViewport(RECT{0, 0, kWidth, kHeight}, true);
    v.FitToBounds(scene_->ChildAt(1));
    v.SetDistance(0.75 * v.GetDistance());  // closer than the fit's margin
    v.InvalidateMatrices();
    return viewtest::RenderPicture(v, scene_.get());
  }

  std::unique_ptr<engine::MDocObj> scene_;
  engine::MBoneObj* figure_ = nullptr;
};

TEST_F(FigureRenderTest, TheStandardFigureRendersInEveryDrawStyle) {
  prefs_.vertexDisplayMode = 1;  // no vertex points over the faces
  std::vector<Image> pictures;
  for (const Style& style : kStyles) {
    SCOPED_TRACE(style.name);
    Image picture = Render(style);
    viewtest::SavePicture(picture, std::string("figure_") + style.name);
    ASSERT_EQ(FailState(), engine::kEngFailNone);
    const testsupport::PixelCensus census = testsupport::CountPixels(picture);
    EXPECT_GT(census.background, kWidth * kHeight / 2) << "the figure stands in the middle";
    EXPECT_GT(census.dark, 150) << "its lines or outlines";
    const bool faces = style.drawMode == 2 || (style.drawMode == 6 && style.shadingKind != 0);
    if (faces)
      EXPECT_GT(census.other, 1500) << "its faces";
    else
      EXPECT_LT(census.other, census.dark) << "only lines";
    pictures.push_back(std::move(picture));
  }
  // The toned page style differs from the shaded one (tones, not shading).
  EXPECT_GT(viewtest::PixelsOff(pictures[0], pictures[2], 24), 500);

  Image all = viewtest::SideBySide(pictures);
  all.SetHasAlpha(false);
  Image expected;
  if (viewtest::FetchGoldenPicture(all, "standard_figure_styles", expected)) {
    EXPECT_LE(testsupport::PixelsOffGolden(all, expected, 4), 60);
  }
}

TEST_F(FigureRenderTest, InBoneEditingTheInfluenceLinesFollowTheViewsDrawMode) {
  prefs_.lineDisplayMode = 2;  // the body draws no lines of its own
  (*figure_->bones)[9].line->flags |= engine::kLineSelected;
  struct Case {
    int drawMode;
    bool influence;
  };
  for (const Case& c : {Case{2, true}, Case{0, true}, Case{3, false}, Case{6, false}}) {
    SCOPED_TRACE(c.drawMode);
    const Image picture = Render({"bones", c.drawMode, 2, 1});
    ASSERT_EQ(FailState(), engine::kEngFailNone);
    if (c.drawMode == 2) viewtest::SavePicture(picture, "figure_bone_influence");
    int green = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const Bgra p = picture.GetBgra(x, y);
        green += p.g > 150 && p.r < 60 && p.b < 60;
      }
    if (c.influence)
      EXPECT_GT(green, 40) << "the selected arm's lines in green";
    else
      EXPECT_EQ(green, 0);
  }
}

}  // namespace
