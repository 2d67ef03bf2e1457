// The page as image files: every format opened by an independent decoder,
// the transparent background, thumbnails, animation frames, a golden image,
// and objects made into pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "RenderFixtures.h"
#include "imaging/PixelOps.h"
#include "imaging/gif/AnimGifWriter.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SFigRect.h"
#include "page/SView.h"
#include "platform/ImageCodec.h"
#include "support/ExternalTools.h"
#include "support/GoldenImage.h"
#include "support/TempDir.h"

namespace {

using page::SDoc;
using page::SView;
using platform::Bgra;
using platform::Image;
using testsupport::Quoted;
using testsupport::RunTool;

// Little-endian fields of a file's bytes.
int Le32(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<int>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<unsigned>(b[at + 3]) << 24);
}

// The JFIF header's density: units (1 = dots per inch) and x, y.
struct Density {
  int units = -1, x = 0, y = 0;
};
Density JfifDensity(const std::vector<unsigned char>& b) {
  // SOI, then APP0 "JFIF\0" version(2) units(1) x(2) y(2), big-endian.
  if (b.size() < 18 || b[2] != 0xFF || b[3] != 0xE0 || std::string(b.begin() + 6, b.begin() + 11) != std::string("JFIF\0", 5))
    return {};
  return {b[13], b[14] << 8 | b[15], b[16] << 8 | b[17]};
}

page::SObj& AddFig(SDoc& doc, std::unique_ptr<page::SFig> fig, double x, double y, double size);

class ExportTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.File(name); }
  testsupport::TempDir dir_;
  SView view_;
};

TEST_F(ExportTest, EveryFormatOpensInAnIndependentDecoderAtItsSizeAndResolution) {
  REQUIRE_TOOL("identify");
  REQUIRE_TOOL("pngcheck");
  REQUIRE_TOOL("giftext");
  auto doc = pagetest::MakeJapanesePage();
  for (const char* name : {"page.png", "page.jpg", "page.bmp", "page.gif", "page.ppm"}) {
    ASSERT_EQ(view_.ExportPageImage(*doc, 600, 400, 144, Path(name)), 0) << name;
    const auto size = RunTool("identify -format '%w %h' " + Quoted(Path(name)));
    EXPECT_EQ(size.exitCode, 0) << name;
    EXPECT_EQ(size.out, "600 400") << name;
  }
  const auto png = RunTool("pngcheck -v " + Quoted(Path("page.png")));
  EXPECT_EQ(png.exitCode, 0) << png.out;
  EXPECT_NE(png.out.find("5670x5670 pixels/meter (144 dpi)"), std::string::npos) << png.out;

  const auto jpegBytes = testsupport::TempDir::ReadAll(Path("page.jpg"));
  const Density density = JfifDensity(jpegBytes);
  EXPECT_EQ(density.units, 1);
  EXPECT_EQ(density.x, 144);
  EXPECT_EQ(density.y, 144);
  EXPECT_EQ(RunTool("identify -format '%Q' " + Quoted(Path("page.jpg"))).out, "100");

  const auto bmp = testsupport::TempDir::ReadAll(Path("page.bmp"));
  ASSERT_GT(bmp.size(), 46u);
  EXPECT_EQ(Le32(bmp, 38), 5670);  // pixels per metre
  EXPECT_EQ(Le32(bmp, 42), 5670);

  const auto gif = RunTool("giftext " + Quoted(Path("page.gif")));
  EXPECT_EQ(gif.exitCode, 0);
  EXPECT_NE(gif.out.find("Width = 600, Height = 400"), std::string::npos) << gif.out;
}

TEST_F(ExportTest, TransparentPagesKeepAlphaOnlyInFormatsThatHoldIt) {
  REQUIRE_TOOL("pngcheck");
  auto doc = pagetest::MakeShapesPage();
  doc->grid.flag1 = true;
  doc->grid.secondColor = 0xFFFFFF;
  doc->grid.extra2 = 0;
  ASSERT_EQ(view_.ExportPageImage(*doc, 160, 120, 72, Path("t.png")), 0);
  EXPECT_NE(RunTool("pngcheck -v " + Quoted(Path("t.png"))).out.find("RGB+alpha"), std::string::npos);
  Image png;
  ASSERT_TRUE(platform::LoadImageFile(Path("t.png"), png));
  EXPECT_EQ(png.GetBgra(2, 2).a, 0);
  EXPECT_EQ(png.GetBgra(40, 30).a, 255) << "the rectangle";
  for (const char* name : {"t.jpg", "t.bmp", "t.jpeg", "T.JPG"}) {
    ASSERT_EQ(view_.ExportPageImage(*doc, 160, 120, 72, Path(name)), 0);
    Image opaque;
    ASSERT_TRUE(platform::LoadImageFile(Path(name), opaque)) << name;
    const Bgra corner = opaque.GetBgra(2, 2);
    EXPECT_GE(corner.r, 250) << name << ": the page's white background";
    EXPECT_GE(corner.b, 250) << name;
    EXPECT_TRUE(doc->grid.flag1) << "the page keeps its setting";
  }
}

// Text on a transparent page: a GIF holds only opaque and transparent
// pixels, so its text is as heavy as the PNG's where the PNG's pixels are
// at least half covered, no heavier, and of the text's colour.
TEST_F(ExportTest, GifTextIsAsHeavyAsThePngText) {
  SDoc doc;
  doc.SetPageSize(240, 80);
  doc.grid.flag1 = true;
  page::SObj& text = pagetest::AddText(doc, "線の太さを比べる文字", false, 120, 40, 220, 60);
  page::Prop2DVal V;
  text.TakeProp2D(V);
  V.lineColor = 0x203080;  // B, G, R = 0x80, 0x30, 0x20
  text.ApplyProp2D(V, false);
  ASSERT_EQ(view_.ExportPageImage(doc, 480, 160, 144, Path("text.png")), 0);
  ASSERT_EQ(view_.ExportPageImage(doc, 480, 160, 144, Path("text.gif")), 0);
  Image png, gif;
  ASSERT_TRUE(platform::LoadImageFile(Path("text.png"), png));
  ASSERT_TRUE(platform::LoadImageFile(Path("text.gif"), gif));
  ASSERT_EQ(gif.Width(), png.Width());
  double coverage = 0;
  int opaque = 0, half = 0, mismatched = 0, offColour = 0;
  for (int y = 0; y < png.Height(); ++y)
    for (int x = 0; x < png.Width(); ++x) {
      const Bgra p = png.GetBgra(x, y);
      const Bgra g = gif.GetBgra(x, y);
      coverage += p.a / 255.0;
      if (p.a >= 128) ++half;
      if (g.a == 0) continue;
      ++opaque;
      if ((p.a >= 128) != (g.a == 255)) ++mismatched;
      if (std::abs(g.r - 0x80) > 24 || std::abs(g.g - 0x30) > 24 || std::abs(g.b - 0x20) > 24) ++offColour;
    }
  ASSERT_GT(coverage, 200) << "the text was drawn";
  EXPECT_LT(std::abs(opaque - coverage) / coverage, 0.15) << "opaque GIF pixels " << opaque << ", PNG coverage " << coverage;
  EXPECT_EQ(opaque, half) << "the GIF is opaque where the PNG is at least half covered";
  EXPECT_EQ(mismatched, 0);
  EXPECT_LT(offColour, opaque / 50) << "opaque pixels keep the text's colour";
}

TEST_F(ExportTest, AnUnwritableExportFails) {
  auto doc = pagetest::MakeShapesPage();
  for (const char* name : {"page.png", "page.jpg", "page.bmp", "page.gif", "page.ppm"})
    EXPECT_LT(view_.ExportPageImage(*doc, 40, 30, 72, Path("missing/") + name), 0) << name;
  EXPECT_EQ(view_.ExportPageImage(*doc, 40, 30, 72, Path("missing/page.ppm")), page::kResultFileIo);
  EXPECT_EQ(view_.ExportPageImage(*doc, 40, 30, 72, Path("page.unknownformat")), page::kResultFileIo);
}

TEST_F(ExportTest, TheThumbnailIsTheWholePageIn70By70) {
  REQUIRE_TOOL("identify");
  auto doc = pagetest::MakeJapanesePage();
  doc->grid.secondColor = 0x00FFFF;
  ASSERT_EQ(view_.ExportPageImage(*doc, 70, 70, 72, Path("thumb.jpg")), 0);
  EXPECT_EQ(RunTool("identify -format '%w %h %x' " + Quoted(Path("thumb.jpg"))).out.substr(0, 5), "70 70");
  Image thumb;
  ASSERT_TRUE(platform::LoadImageFile(Path("thumb.jpg"), thumb));
  // 300 × 200 fitted into 70 × 70: the page fills rows 12 to 58, with the
  // background's yellow above and below it; the text across lies in rows
  // 44 to 54.
  const auto dark = [&](int y) {
    int count = 0;
    for (int x = 0; x < 70; ++x) count += thumb.GetBgra(x, y).r < 100 ? 1 : 0;
    return count;
  };
  for (int y = 0; y < 10; ++y) {
    EXPECT_EQ(dark(y), 0) << y;
    EXPECT_LT(thumb.GetBgra(35, y).b, 80) << y;
  }
  int textRows = 0;
  for (int y = 44; y < 56; ++y) textRows += dark(y) > 0 ? 1 : 0;
  EXPECT_GE(textRows, 4);
}

TEST_F(ExportTest, HitTestsOnTheWindowGoOnAfterAnExport) {
  SDoc doc;
  doc.SetPageSize(200, 200);
  AddFig(doc, std::make_unique<page::SFigRect>(), 50, 50, 40);
  ASSERT_EQ(view_.Draw(nullptr, doc, {-8, -8, 392, 392}, page::kDrawScreen), 0);  // the page at (100, 100)
  int handle = 0;
  ASSERT_NE(view_.HitTest(doc, {150, 150}, handle), nullptr);
  ASSERT_EQ(view_.ExportPageImage(doc, 50, 50, 72, Path("small.png")), 0);
  EXPECT_DOUBLE_EQ(view_.transform.originX, 100);
  EXPECT_DOUBLE_EQ(view_.transform.scale, 1);
  EXPECT_NE(view_.HitTest(doc, {150, 150}, handle), nullptr);
}

// A shape with frames of its own: each frame draws another grey.
class AnimatedFig : public page::SFig {
 public:
  explicit AnimatedFig(int frames) : frames_(frames) {}
  std::unique_ptr<page::SFig> Clone() const override { return std::make_unique<AnimatedFig>(*this); }
  int GetDrawKind() const override { return page::kDrawKindPicture; }
  int GetAnimFrameCount() const override { return frames_; }
  void SetAnimFrame(int frame) override { frame_ = frame; }
  bool DrawRaster(Image& target, const page::SDrawSize&, const page::Prop2DVal&, bool) override {
    const auto v = static_cast<std::uint8_t>(60 * frame_);
    target.Fill(Bgra{v, v, v, 255});
    return true;
  }

 private:
  int frames_;
  int frame_ = 0;
};

page::SObj& AddFig(SDoc& doc, std::unique_ptr<page::SFig> fig, double x, double y, double size) {
  auto object = std::make_unique<page::SObj>();
  object->SetFig(std::move(fig), true);
  object->placement.x = x, object->placement.y = y, object->placement.width = object->placement.height = size;
  object->props2D.edgeQuality = 1;
  page::SObj& added = *object;
  doc.AddObject(std::move(object), -1, -1);
  return added;
}

TEST_F(ExportTest, AnimationFramesComeFromTheLongestAnimation) {
  REQUIRE_TOOL("identify");
  REQUIRE_TOOL("giftext");
  auto doc = pagetest::MakeShapesPage();
  EXPECT_EQ(doc->GetAnimFrameCount(), 1) << "a page without animation has one frame";
  AddFig(*doc, std::make_unique<AnimatedFig>(3), 20, 20, 10);
  AddFig(*doc, std::make_unique<AnimatedFig>(7), 30, 20, 10).flags |= page::kObjHidden;
  ASSERT_EQ(doc->GetAnimFrameCount(), 3);

  std::string folder;
  ASSERT_EQ(view_.ExportAnimationFrames(*doc, 3, folder), 0);
  std::vector<int> greys;
  for (int i = 0; i < 3; ++i) {
    const std::string frame = imaging::AnimGifFramePath(folder, i);
    EXPECT_EQ(std::filesystem::path(frame).filename(), std::to_string(1000 + i) + ".png");
    EXPECT_EQ(RunTool("identify -format '%w %h' " + Quoted(frame)).out, "160 120");
    Image image;
    ASSERT_TRUE(platform::LoadImageFile(frame, image));
    greys.push_back(image.GetBgra(20, 20).g);
  }
  EXPECT_EQ(greys, (std::vector<int>{0, 60, 120}));

  imaging::AnimGifWriter writer;
  writer.Start(Path("anim.gif"), folder, 3, "Pennet", true, 50);
  writer.Wait();
  ASSERT_EQ(writer.result.load(), 0);
  const auto gif = RunTool("giftext " + Quoted(Path("anim.gif")));
  std::size_t images = 0;
  for (std::size_t at = 0; (at = gif.out.find("Image #", at)) != std::string::npos; ++at) ++images;
  EXPECT_EQ(images, 3u) << gif.out;
  std::filesystem::remove_all(folder);
}

// Records what converting to pictures hands on.
class RecordingSink : public page::SPictureSink {
 public:
  struct Changed {
    int id;
    int width, height;
    Bgra centre;
  };
  std::vector<Changed> changed;
  std::string png;
  page::SPoint centre, size;
  int ChangeToPicture(SDoc&, int objectId, std::unique_ptr<Image> image) override {
    changed.push_back({objectId, image->Width(), image->Height(), image->GetBgra(image->Width() / 2, image->Height() / 2)});
    return 0;
  }
  int InsertComposite(SDoc&, const std::string& path, page::SPoint c, page::SPoint s) override {
    png = path, centre = c, size = s;
    return 0;
  }
};

TEST_F(ExportTest, SelectedObjectsBecomePicturesOneByOneOrTogether) {
  SDoc doc;
  page::SObj& a = AddFig(doc, std::make_unique<page::SFigRect>(), 50, 50, 40);
  a.props2D.fillColor = a.props2D.lineColor = 0xFF0000;
  page::SObj& b = AddFig(doc, std::make_unique<page::SFigRect>(), 150, 100, 20);
  b.props2D.fillColor = b.props2D.lineColor = 0x0000FF;
  AddFig(doc, std::make_unique<page::SFigRect>(), 300, 300, 20);  // not selected
  a.SetSelected(true);
  b.SetSelected(true);

  RecordingSink each;
  ASSERT_EQ(view_.ConvertToPicture(doc, 2.0, 0, each), 0);
  ASSERT_EQ(each.changed.size(), 2u);
  EXPECT_EQ(each.changed[0].id, a.id);
  EXPECT_EQ(each.changed[0].width, 80);
  EXPECT_EQ(each.changed[0].centre, (Bgra{255, 0, 0, 255}));
  EXPECT_EQ(each.changed[1].width, 40);

  RecordingSink together;
  ASSERT_EQ(view_.ConvertToPicture(doc, 2.0, 1, together), 0);
  EXPECT_TRUE(together.changed.empty());
  // The union of the boxes: (30, 30) to (160, 110).
  EXPECT_DOUBLE_EQ(together.centre.x, 95);
  EXPECT_DOUBLE_EQ(together.centre.y, 70);
  EXPECT_DOUBLE_EQ(together.size.x, 130);
  Image composite;
  ASSERT_TRUE(platform::LoadImageFile(together.png, composite));
  EXPECT_EQ(composite.Width(), 260);
  EXPECT_EQ(composite.Height(), 160);
  EXPECT_EQ(composite.GetBgra(40, 40), (Bgra{255, 0, 0, 255}));
  EXPECT_EQ(composite.GetBgra(240, 140), (Bgra{0, 0, 255, 255}));
  EXPECT_EQ(composite.GetBgra(240, 20).a, 0);
  std::filesystem::remove(together.png);
}

// ---- the golden image -------------------------------------------------------------

std::string GoldenPath() { return std::string(PENNET_PAGE_TEST_DATA) + "/golden/shapes_page_export.png"; }

TEST_F(ExportTest, ASmallPageMatchesItsGoldenImage) {
  auto doc = pagetest::MakeShapesPage();
  ASSERT_EQ(view_.ExportPageImage(*doc, 320, 240, 144, Path("shapes.png")), 0);
  Image actual;
  ASSERT_TRUE(platform::LoadImageFile(Path("shapes.png"), actual));
  if (std::getenv("PENNET_UPDATE_GOLDEN")) {
    std::filesystem::copy_file(Path("shapes.png"), GoldenPath(), std::filesystem::copy_options::overwrite_existing);
    GTEST_SKIP() << "golden image written to " << GoldenPath();
  }
  Image golden;
  ASSERT_TRUE(platform::LoadImageFile(GoldenPath(), golden)) << GoldenPath();
  ASSERT_EQ(actual.Width(), golden.Width());
  ASSERT_EQ(actual.Height(), golden.Height());
  EXPECT_EQ(testsupport::PixelsOffGolden(actual, golden), 0);
}

}  // namespace
