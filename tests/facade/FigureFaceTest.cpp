// The eyedropper and the bucket on a posed figure: the face under a pixel
// of the picture is the skin face drawn there (posed, not at rest), its
// colour is the one drawn, and painting it shows and puts back.
#include <vector>

#include "FacadeTestSupport.h"

namespace figurefacetest {

// The channel that clearly leads (0 blue, 1 green, 2 red), or -1.
int LeadingChannel(int b, int g, int r) {
  if (b > g + 30 && b > r + 30) return 0;
  if (g > b + 30 && g > r + 30) return 1;
  if (r > b + 30 && r > g + 30) return 2;
  return -1;
}

int LeadingChannel(platform::COLORREF c) {
  return LeadingChannel(static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                        static_cast<int>(c & 0xFF));
}

// Whether the pixels two steps around (x, y) are all drawn (`drawn`) or
// all empty: the pixel lies well inside or well outside the figure, away
// from the half pixel by which the edges of picks and pictures may differ.
bool AllAround(const platform::Image& picture, int x, int y, bool drawn) {
  for (int dy = -2; dy <= 2; dy += 2)
    for (int dx = -2; dx <= 2; dx += 2) {
      const int u = x + dx, v = y + dy;
      const bool inside = u >= 0 && v >= 0 && u < picture.Width() && v < picture.Height();
      if ((inside && picture.GetBgra(u, v).a != 0) != drawn) return false;
    }
  return true;
}

class FigureFaceTest : public facadetest::StandardFigureTest {
 protected:
  // The figure in the first frame of its walk, drawn.
  platform::Image Walking() {
    facade::KxLibAnimArray none;
    EXPECT_EQ(figure_->ApplyAnimFile(facadetest::WriteStandardAnimation("walk", Path("walk.z4e")), 1, none, true),
              facade::kFacadeOk);
    EXPECT_EQ(figure_->SetFrame(0), facade::kFacadeOk);
    const platform::Image* image = figure_->GetView().GetImage(false);
    EXPECT_NE(image, nullptr);
    return image != nullptr ? *image : platform::Image();
  }
};

// Every pixel inside the posed figure finds a face, also where two parts
// overlap (a leg before the other, an arm before the body); where the
// picture is clearly blue, green or red the face's colour leads with the
// same channel; outside the figure nothing is found.
TEST_F(FigureFaceTest, TheEyedropperFindsTheSkinFaceDrawnAtEachPixel) {
  const platform::Image picture = Walking();
  facadetest::SavePicture(picture, "figure_faces_walking");
  int inside = 0, found = 0, coloured = 0, sameColour = 0, outside = 0, foundOutside = 0;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const bool in = AllAround(picture, x, y, true);
      if (!in && !AllAround(picture, x, y, false)) continue;
      int mesh = -1, face = -1;
      const bool hit = figure_->GetView().PickFace(x, y, mesh, face);
      if (!in) {
        ++outside;
        foundOutside += hit ? 1 : 0;
        continue;
      }
      ++inside;
      if (!hit) continue;
      ++found;
      const platform::Bgra p = picture.GetBgra(x, y);
      const int lead = LeadingChannel(p.b, p.g, p.r);
      if (lead < 0) continue;
      ++coloured;
      const int colour = figure_->GetElementColor(mesh, face);
      ASSERT_GE(colour, 0);
      sameColour += LeadingChannel(static_cast<platform::COLORREF>(colour)) == lead ? 1 : 0;
    }
  ASSERT_GT(inside, 600);
  ASSERT_GT(coloured, 300);
  // Outline strokes drawn where two parts meet may lie over a seam.
  EXPECT_GE(found, inside * 98 / 100) << found << " of " << inside;
  EXPECT_GE(sameColour, coloured * 98 / 100) << sameColour << " of " << coloured;
  EXPECT_EQ(foundOutside, 0) << "of " << outside;
}

// The bucket paints the material of the face under a pixel of the shirt;
// the picture shows the new colour there. Setting back the colours it
// replaced, latest first as the page's undo does, gives the picture of
// before exactly, although the shirt's colour lies between 8-bit values.
TEST_F(FigureFaceTest, TheBucketPaintsASkinFaceAndPutsItBack) {
  const platform::Image before = Walking();
  facadetest::SavePicture(before, "figure_face_before_paint");
  // A clearly blue pixel: the shirt.
  int x = -1, y = -1;
  for (int j = 0; j < before.Height() && x < 0; ++j)
    for (int i = 0; i < before.Width() && x < 0; ++i) {
      const platform::Bgra p = before.GetBgra(i, j);
      if (AllAround(before, i, j, true) && LeadingChannel(p.b, p.g, p.r) == 0) x = i, y = j;
    }
  ASSERT_GE(x, 0);
  int mesh = -1, face = -1;
  ASSERT_TRUE(figure_->GetView().PickFace(x, y, mesh, face));
  const platform::COLORREF red = platform::MakeRgb(230, 20, 20), green = platform::MakeRgb(20, 200, 20);
  const int old = figure_->SetElementColor(mesh, face, red);
  ASSERT_GE(old, 0);
  EXPECT_EQ(LeadingChannel(static_cast<platform::COLORREF>(old)), 0);
  EXPECT_EQ(figure_->GetElementColor(mesh, face), static_cast<int>(red));
  const platform::Image painted = *figure_->GetView().GetImage(false);
  facadetest::SavePicture(painted, "figure_face_painted");
  const platform::Bgra p = painted.GetBgra(x, y);
  EXPECT_EQ(LeadingChannel(p.b, p.g, p.r), 2) << "red where the eyedropper looked";
  EXPECT_EQ(figure_->SetElementColor(mesh, face, green), static_cast<int>(red));

  // Undone latest first, then done and undone again.
  EXPECT_EQ(figure_->SetElementColor(mesh, face, red), static_cast<int>(green));
  EXPECT_EQ(facadetest::PixelsDiffering(*figure_->GetView().GetImage(false), painted), 0);
  EXPECT_EQ(figure_->SetElementColor(mesh, face, static_cast<platform::COLORREF>(old)), static_cast<int>(red));
  const platform::Image back = *figure_->GetView().GetImage(false);
  facadetest::SavePicture(back, "figure_face_painted_back");
  EXPECT_EQ(facadetest::PixelsDiffering(back, before), 0);
  EXPECT_EQ(figure_->SetElementColor(mesh, face, red), old);
  EXPECT_EQ(figure_->SetElementColor(mesh, face, static_cast<platform::COLORREF>(old)), static_cast<int>(red));
  EXPECT_EQ(facadetest::PixelsDiffering(*figure_->GetView().GetImage(false), before), 0);
}

}  // namespace figurefacetest
