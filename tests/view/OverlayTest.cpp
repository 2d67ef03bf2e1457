// Overlay lines drawn over a picture by kind, the thinning of long lists,
// the two lists and their swaps, what an overlay draw keeps, and the light
// guides and the marker points drawn into the frame.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "FigureViewTestSupport.h"
#include "engine/core/CrPrefs.h"
#include "engine/image/OsUtilDraw.h"
#include "platform/Dc.h"
#include "platform/ImageCodec.h"
#include "support/GoldenImage.h"

namespace {

using engine::PointRecord;
using platform::Bgra;
using platform::Image;
using platform::RECT;

constexpr int kCell = 40;
constexpr int kColumns = 9;

bool Is(const Bgra& p, platform::COLORREF c) {
  return p.r == platform::GetRValue(c) && p.g == platform::GetGValue(c) && p.b == platform::GetBValue(c);
}

class OverlayTest : public viewtest::FigureViewTest {
 protected:
  void SetUp() override {
    FigureViewTest::SetUp();
    previousPrefs_ = engine::EngContext().prefs;
    engine::EngContext().prefs = &prefs_;
  }
  void TearDown() override {
    engine::EngContext().prefs = previousPrefs_;
    FigureViewTest::TearDown();
  }
  static Image Filled(int w, int h, int grey) {
    Image image;
    image.Create(w, h, 32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.SetBgra(x, y, {static_cast<std::uint8_t>(grey), static_cast<std::uint8_t>(grey),
                                                       static_cast<std::uint8_t>(grey), 255});
    return image;
  }
  engine::CrPrefs prefs_;
  engine::CrPrefs* previousPrefs_ = nullptr;
};

// Every kind from 0 to 44 in a cell of its own, drawn through a parallel
// camera looking straight down the z axis; some pens are probed, the whole
// table is compared with its golden picture.
TEST_F(OverlayTest, EveryKindDrawsWithItsPen) {
  view::QView v(RECT{0, 0, kColumns * kCell, 5 * kCell});
  v.MakeCurrent(true);
  v.SetProjectionKind(view::kProjectionParallel, false);
  v.SetAngles(0, 0, 0);
  v.SetDistance(4.0);
  v.SetViewport(RECT{0, 0, kColumns * kCell, 5 * kCell}, true);
  // A world point under a pixel, halfway along the ray.
  const auto world = [&](double x, double y) {
    PointRecord n, f;
    v.ScreenToRay(x, y, n, f);
    return PointRecord{(n.x + f.x) / 2, (n.y + f.y) / 2, (n.z + f.z) / 2};
  };
  const auto centre = [](int kind, int& cx, int& cy) {
    cx = kCell * (kind % kColumns) + kCell / 2;
    cy = kCell * (kind / kColumns) + kCell / 2;
  };
  const auto add = [&](int kind) {
    int cx = 0, cy = 0;
    centre(kind, cx, cy);
    const bool point = (kind >= 27 && kind <= 33) || kind == 42;
    const bool frame = kind == 13 || kind == 44;
    PointRecord a{cx - 12.0, double(cy), 0}, b{cx + 12.0, double(cy), 0};
    if (point) a = b = {double(cx), double(cy), 0};
    if (frame) a = {cx - 8.0, cy - 8.0, 0}, b = {cx + 8.0, cy + 8.0, 0};
    if (kind != 10 && kind != 11) a = world(a.x, a.y), b = world(b.x, b.y);
    return v.AddOverlayLine(a, b, kind) == 0;
  };
  // Each kind by itself: an XOR kind would turn XOR on for the lines after
  // it in the same draw.
  Image picture = Filled(kColumns * kCell, 5 * kCell, 200);
  {
    platform::Dc dc(picture);
    for (int kind = 0; kind <= 44; ++kind) {
      v.ClearOverlayLines();
      ASSERT_TRUE(add(kind));
      v.DrawOverlaySegmentsGdi(-1, dc);
    }
  }
  const std::string written = viewtest::SavePicture(picture, "overlay_kinds");
  const auto at = [&](int kind, int dx, int dy) {
    int cx = 0, cy = 0;
    centre(kind, cx, cy);
    return picture.GetBgra(cx + dx, cy + dy);
  };
  const platform::COLORREF grey = platform::MakeRgb(200, 200, 200);
  EXPECT_TRUE(Is(at(1, 0, 0), engine::OsUtilColorOfKind(2)));
  EXPECT_TRUE(Is(at(1, 0, 2), grey)) << "one pixel wide";
  EXPECT_TRUE(Is(at(4, 0, 0), engine::OsUtilColorOfKind(3)));
  EXPECT_TRUE(Is(at(19, 0, 4), engine::OsUtilColorOfKind(6))) << "ten pixels wide";
  EXPECT_TRUE(Is(at(19, 0, 7), grey));
  EXPECT_TRUE(Is(at(10, 0, 0), platform::MakeRgb(55, 55, 55))) << "white in XOR over grey";
  EXPECT_TRUE(Is(at(15, -2, -2), platform::MakeRgb(200, 55, 55))) << "0xFFFF00 in XOR, moved up and left";
  EXPECT_FALSE(Is(at(8, -13, -3), grey)) << "pushed apart down the diagonal";
  EXPECT_FALSE(Is(at(9, -13, 3), grey)) << "pushed apart up the diagonal";
  EXPECT_TRUE(Is(at(36, 0, 0), engine::OsUtilColorOfKind(17))) << "a ring's own colour";
  EXPECT_TRUE(Is(at(43, 0, 0), engine::OsUtilColorOfKind(19)));
  int dots = 0, gaps = 0;
  for (int dx = -10; dx < 10; ++dx) (Is(at(12, dx, 0), grey) ? gaps : dots) += 1;
  EXPECT_GT(dots, 5);
  EXPECT_GT(gaps, 5) << "dotted";
  EXPECT_FALSE(Is(at(27, -2, -4), grey)) << "the letter X";
  EXPECT_TRUE(Is(at(27, 0, -4), grey));

  const std::string golden = std::string(std::getenv("PENNET_SOURCE_DIR") ? std::getenv("PENNET_SOURCE_DIR")
                                                                          : PENNET_SOURCE_DIR_FALLBACK) +
                             "/tests/view/golden/overlay_kinds.png";
  if (std::getenv("PENNET_UPDATE_GOLDEN")) {
    std::filesystem::copy_file(written, golden, std::filesystem::copy_options::overwrite_existing);
    return;
  }
  Image expected;
  ASSERT_TRUE(platform::LoadImageFile(golden, expected)) << golden;
  EXPECT_LE(testsupport::PixelsOffGolden(picture, expected, 2), 10);

  // In one draw, XOR once switched on stays on: a plain line after a
  // rubber band is XORed too.
  Image twice = Filled(kColumns * kCell, 5 * kCell, 200);
  v.ClearOverlayLines();
  ASSERT_TRUE(add(10));
  ASSERT_TRUE(add(1));
  {
    platform::Dc dc(twice);
    v.DrawOverlaySegmentsGdi(-1, dc);
  }
  int cx = 0, cy = 0;
  centre(1, cx, cy);
  const platform::COLORREF red = engine::OsUtilColorOfKind(2);
  EXPECT_TRUE(Is(twice.GetBgra(cx, cy), platform::MakeRgb(platform::GetRValue(red) ^ 200,
                                                           platform::GetGValue(red) ^ 200,
                                                           platform::GetBValue(red) ^ 200)));
}

TEST_F(OverlayTest, ThinningKeepsTheFirstThousandAndEveryFewAfter) {
  struct Case {
    int count, step, limit, fullEnd, stride;
  } cases[] = {{1500, 1, 200, 1000, 2}, {800, 1, 200, 800, 1}, {1500, 2, 200, 500, 9},
               {100000, 1, 200, 1000, 492}, {1500, 5000, 200, 0, 1500}};
  for (const Case& c : cases) {
    int fullEnd = -1, stride = -1;
    view::QView::ThinOverlayLines(c.count, c.step, c.limit, fullEnd, stride);
    EXPECT_EQ(fullEnd, c.fullEnd) << c.count << " " << c.step;
    EXPECT_EQ(stride, c.stride) << c.count << " " << c.step;
  }

  // 1500 one-pixel rubber bands side by side: after the first three (drawn
  // by kind) and the next 997 in full, every second one shows.
  const int kLines = 1500;
  Image picture = Filled(kLines + 100, 12, 255);
  view_->SetOverlayMode(7);
  for (int i = 0; i < kLines; ++i) view_->AddOverlayLine({50.0 + i, 1, 0}, {50.0 + i, 11, 0}, 11);
  {
    platform::Dc dc(picture);
    view_->DrawOverlays(scene_.get(), dc);
  }
  viewtest::SavePicture(picture, "overlay_thinned");
  EXPECT_EQ(view_->GetOverlayLines().count, 0) << "emptied by the draw";
  int wrong = 0;
  for (int i = 3; i < kLines; ++i) {
    const bool drawn = !Is(picture.GetBgra(50 + i, 6), platform::MakeRgb(255, 255, 255));
    const bool expected = i < 1000 || (i - 1000) % 2 == 0;
    if (drawn != expected) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
}

// Two swaps with another view restore both lists and the flag; while the
// flag is set an overlay draw keeps the list. The previous list trades
// places with the current one.
TEST_F(OverlayTest, ListsAreSwappedAndKeptWhileSwapped) {
  view::QView other(RECT{0, 0, 50, 50});
  view_->AddOverlayLine({1, 1, 1}, {2, 2, 2}, 5);
  other.AddOverlayLine({3, 3, 3}, {4, 4, 4}, 5);
  other.AddOverlayLine({5, 5, 5}, {6, 6, 6}, 5);
  view_->SwapOverlayListsWith(other);
  EXPECT_TRUE(view_->IsOverlaySwapped());
  EXPECT_EQ(view_->GetOverlayLines().count, 2);
  EXPECT_EQ(other.GetOverlayLines().count, 1);
  Image picture = viewtest::RenderPicture(*view_, scene_.get());
  view_->SetOverlayMode(7);
  {
    platform::Dc dc(picture);
    view_->DrawOverlays(scene_.get(), dc);
  }
  EXPECT_EQ(view_->GetOverlayLines().count, 2) << "kept while swapped";
  view_->SwapOverlayListsWith(other);
  EXPECT_FALSE(view_->IsOverlaySwapped());
  ASSERT_EQ(view_->GetOverlayLines().count, 1);
  EXPECT_EQ(view_->GetOverlayLines()[0].from.x, 1.0);
  EXPECT_EQ(other.GetOverlayLines().count, 2);

  EXPECT_FALSE(view_->HasPreviousOverlayLines());
  view_->SwapOverlayLists();
  EXPECT_TRUE(view_->HasPreviousOverlayLines());
  EXPECT_EQ(view_->GetOverlayLines().count, 0);
  view_->SwapOverlayLists();
  EXPECT_EQ(view_->GetOverlayLines().count, 1);
}

// In mode 0 a single line (a tracker's) stays in front of the scene's own
// segments; two or more are replaced by them.
TEST_F(OverlayTest, TheSceneCollectsBehindOneKeptLine) {
  view::QView keeper(RECT{0, 0, 50, 50});
  view_->SwapOverlayListsWith(keeper);  // so the list outlives the draw
  ASSERT_EQ(view_->GetOverlayLines().count, 0);
  const PointRecord mark{123, 456, 789};
  Image picture = viewtest::RenderPicture(*view_, scene_.get());
  for (int lines : {1, 2}) {
    SCOPED_TRACE(lines);
    view_->ClearOverlayLines();
    for (int i = 0; i < lines; ++i) view_->AddOverlayLine(mark, mark, 6);
    view_->SetOverlayMode(0);
    view_->SetCollectingOutlines(true);  // as the page's figure view does: bones show only then
    {
      platform::Dc dc(picture);
      view_->DrawOverlays(scene_.get(), dc);
    }
    view_->SetCollectingOutlines(false);
    engine::LineSegArray& list = view_->GetOverlayLines();
    ASSERT_GT(list.count, 3) << "the figure's bones and joints";
    EXPECT_EQ(list[0].from.x == mark.x, lines == 1);
    EXPECT_NE(list[1].from.x, mark.x);
  }
}

// The arrowheads of the two lights around the middle of the picture, in
// their colour kinds.
TEST_F(OverlayTest, LightGuidesShowBothLights) {
  Image picture = viewtest::RenderPicture(*view_, scene_.get());
  const Image plain = picture;
  view::LightSettings lights;
  view_->GetLights(lights);
  lights.firstAngles[1] = 0.4;  // the second light off the viewing axis, so it shows
  lights.secondAngles[1] = 0.3;
  view_->SetLights(&lights, false);
  {
    platform::Dc dc(picture);
    view_->DrawLightGuides(dc);
  }
  viewtest::SavePicture(picture, "light_guides");
  int first = 0, second = 0;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      if (Is(plain.GetBgra(x, y), engine::OsUtilColorOfKind(4))) continue;
      first += Is(picture.GetBgra(x, y), engine::OsUtilColorOfKind(4)) ? 1 : 0;
      second += Is(picture.GetBgra(x, y), engine::OsUtilColorOfKind(5)) ? 1 : 0;
    }
  EXPECT_GT(first, 30);
  EXPECT_GT(second, 30);
}

// Marker points in the marker colour (stored as whole 0-255 values) at the
// joints, and points of the second style, whose default 25 is clamped to
// white by GL, drawn into a rendered frame.
TEST_F(OverlayTest, MarkersAndPointsAreDrawnIntoTheFrame) {
  view::QView& v = *view_;
  double colour[3];
  v.SetMarkerColor(0.2, 0.9, 0.3);
  v.GetMarkerColor(colour);
  EXPECT_EQ(colour[0], 51 / 255.0);
  EXPECT_EQ(colour[1], 229 / 255.0);
  EXPECT_EQ(colour[2], 76 / 255.0) << "truncated, not rounded";
  EXPECT_EQ(v.GetPointSize(), 4.0);

  v.MakeCurrent(true);
  engine::GlClear();
  v.RenderFrame(scene_.get());
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  engine::MVertex* knee = figure_->GetVertexByIndex(standardfigure::kKneeR);
  engine::MVertex* wrist = figure_->GetVertexByIndex(standardfigure::kWristR);
  engine::MVertex* hip = figure_->GetVertexByIndex(standardfigure::kHipR);
  // The meshes set the marker colour to their vertex colour while drawing.
  v.SetMarkerColor(0.2, 0.9, 0.3);
  v.DrawMarkerPoint(knee->position, 0.0);
  v.DrawMarkerPoint(hip->position, 3.0);
  v.DrawPoint(wrist->position);
  v.SetPointColor(0.9, 0.9, 1.7);  // truncated to 0, 0, 1
  v.DrawPoint(figure_->GetVertexByIndex(standardfigure::kWristL)->position);
  v.FinishRendering();
  const Image picture = *v.GetFramePicture();
  v.MakeCurrent(false);
  viewtest::SavePicture(picture, "markers");

  const auto at = [&](engine::MVertex* joint, int dx, int dy) {
    int x = 0, y = 0;
    view::UnpackScreenPoint(OnScreen(joint->position), x, y);
    return picture.GetBgra(x + dx, y + dy);
  };
  const platform::COLORREF marker = platform::MakeRgb(51, 229, 76);
  EXPECT_TRUE(Is(at(knee, 0, 0), marker));
  EXPECT_TRUE(Is(at(knee, 3, -3), marker)) << "eight pixels wide";
  EXPECT_FALSE(Is(at(knee, 6, 0), marker));
  EXPECT_TRUE(Is(at(hip, 0, 0), marker));
  EXPECT_FALSE(Is(at(hip, 3, 0), marker)) << "three pixels wide";
  EXPECT_TRUE(Is(at(wrist, 0, 0), platform::MakeRgb(255, 255, 255)));
  EXPECT_TRUE(Is(at(wrist, 1, 1), platform::MakeRgb(255, 255, 255))) << "four pixels wide";
  EXPECT_FALSE(Is(at(wrist, 4, 0), platform::MakeRgb(255, 255, 255)));
  EXPECT_TRUE(Is(at(figure_->GetVertexByIndex(standardfigure::kWristL), 0, 0), platform::MakeRgb(0, 0, 255)));
}

}  // namespace
