// The picture shape: what it keeps of a picture, how it is drawn and hit,
// and how it is stored.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "PageTestSupport.h"
#include "imaging/ImageFiles.h"
#include "page/PageFile.h"
#include "page/PnFile.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SFigPic.h"
#include "platform/ImageCodec.h"
#include "support/TempDir.h"

namespace {

using page::SFigPic;
using page::SObj;
using platform::Bgra;
using platform::Image;
using pagetest::LeBytes;

// A 4 × 2 picture: the left half opaque blue, the right half transparent.
std::unique_ptr<Image> HalfTransparent() {
  auto image = std::make_unique<Image>(4, 2, 32, true);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) image->SetBgra(x, y, x < 2 ? Bgra{255, 0, 0, 255} : Bgra{0, 0, 0, 0});
  return image;
}

// A picture object centred on (50, 30), 40 × 20.
std::unique_ptr<SObj> PictureObject(std::unique_ptr<Image> image) {
  auto fig = std::make_unique<SFigPic>();
  EXPECT_EQ(fig->SetPicture(std::move(image), false, false), 0);
  auto object = std::make_unique<SObj>();
  object->SetFig(std::move(fig), false);
  object->placement.x = 50, object->placement.y = 30;
  object->placement.width = 40, object->placement.height = 20;
  object->props2D.edgeQuality = 1;
  return object;
}

TEST(PictureShape, PicturesWithoutAlphaBecomeOpaqueAndOthersPremultiplied) {
  struct Case {
    const char* what;
    int bpp;
    bool alpha;
    Bgra stored;    // written into every pixel (8-bit: palette entry 3)
    Bgra expected;  // what the shape keeps
  };
  const Case cases[] = {
      {"24-bit", 24, false, {10, 20, 30, 0}, {10, 20, 30, 255}},
      {"32-bit without alpha", 32, false, {10, 20, 30, 7}, {10, 20, 30, 255}},
      {"8-bit with a palette", 8, false, {30, 30, 30, 0}, {3, 3, 3, 255}},
      {"32-bit with alpha", 32, true, {200, 100, 50, 128}, {100, 50, 25, 128}},
  };
  for (const Case& c : cases) {
    auto image = std::make_unique<Image>(3, 2, c.bpp, c.alpha);
    if (c.bpp == 8) {
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) image->SetIndex(x, y, 3);
    } else {
      image->Fill(c.stored);
    }
    SFigPic pic;
    ASSERT_EQ(pic.SetPicture(std::move(image), c.bpp == 24, false), 0) << c.what;
    ASSERT_NE(pic.GetPicture(), nullptr);
    EXPECT_EQ(pic.GetPicture()->Bpp(), 32) << c.what;
    EXPECT_EQ(pic.GetPicture()->GetBgra(2, 1), c.expected) << c.what;
  }
  SFigPic none;
  EXPECT_EQ(none.SetPicture(nullptr, false, false), page::kResultNoMemory);
  EXPECT_EQ(none.GetPicture(), nullptr);
}

TEST(PictureShape, ANewObjectTakesThePicturesSize) {
  auto fig = std::make_unique<SFigPic>();
  fig->SetPicture(std::make_unique<Image>(37, 21, 24), false, false);
  SObj object;
  object.SetFig(std::move(fig), false);
  EXPECT_EQ(object.placement.width, 37);
  EXPECT_EQ(object.placement.height, 21);
}

TEST(PictureShape, IsHitOnlyWhereItsAlphaIsNotZero) {
  auto object = PictureObject(HalfTransparent());
  struct Case {
    page::SPoint at;
    bool hit;
  };
  // The box spans x 30 to 70: its left half is opaque.
  const Case cases[] = {{{35, 30}, true}, {{49, 25}, true}, {{51, 30}, false}, {{69, 35}, false}, {{20, 30}, false}};
  for (const Case& c : cases) EXPECT_EQ(object->HitTest(c.at, 1.0, nullptr, 0).hit, c.hit) << c.at.x;
  // Turned a half turn, the opaque half is on the right.
  object->placement.angle = 3.14159265358979;
  EXPECT_FALSE(object->HitTest({35, 30}, 1.0, nullptr, 0).hit);
  EXPECT_TRUE(object->HitTest({65, 30}, 1.0, nullptr, 0).hit);
}

TEST(PictureShape, IsStretchedOverItsBoxAndHiddenWithItsFill) {
  Image page(100, 60, 32);
  page.Fill(Bgra::FromColorRef(0xFFFFFF));
  auto object = PictureObject(HalfTransparent());
  page::SDrawBuffers buffers;
  page::PageTransform transform;
  ASSERT_EQ(object->Draw(&page, transform, nullptr, false, buffers), 0);
  EXPECT_EQ(page.GetBgra(31, 21), (Bgra{255, 0, 0, 255}));
  EXPECT_EQ(page.GetBgra(49, 39), (Bgra{255, 0, 0, 255}));
  EXPECT_EQ(page.GetBgra(51, 30).ToColorRef(), 0xFFFFFFu);
  EXPECT_EQ(page.GetBgra(29, 30).ToColorRef(), 0xFFFFFFu);

  // With its fill off it draws nothing, and is still there to be hit.
  page.Fill(Bgra::FromColorRef(0xFFFFFF));
  object->props2D.fillColorMode = page::Prop2DVal::kColorNone;
  object->props2D.lineColorMode = page::Prop2DVal::kColorGiven;
  ASSERT_EQ(object->Draw(&page, transform, nullptr, false, buffers), 0);
  EXPECT_EQ(page.GetBgra(40, 30).ToColorRef(), 0xFFFFFFu);
  EXPECT_TRUE(object->HitTest({40, 30}, 1.0, nullptr, 0).hit);
}

class PictureFileTest : public ::testing::Test {
 protected:
  // Reads a page of one picture object (id 1000) whose members lie in dir_.
  int ReadPicturePage(page::SDoc& doc) {
    LeBytes objects;
    pagetest::ObjectHead(objects, 1000, page::kFigPicture).Int(-1).Int(0);
    dir_.Write(page::kPageStreamName, pagetest::OnePage(objects.Get(), 1));
    try {
      page::ReadPageFolder(doc, dir_.Path());
    } catch (const page::PnFileError& error) {
      return error.Code();
    }
    return 0;
  }
  testsupport::TempDir dir_;
};

TEST_F(PictureFileTest, ACopyOfAJpegPictureIsStoredAsPng) {
  Image jpeg(8, 6, 24);
  jpeg.Fill(Bgra{40, 80, 120, 0});
  ASSERT_EQ(imaging::SaveJpegWithResolution(jpeg, 72, dir_.File("image1000_.JPG"), 90), 0);
  page::SDoc doc;
  ASSERT_EQ(ReadPicturePage(doc), 0);
  ASSERT_TRUE(dynamic_cast<SFigPic&>(*doc.GetObject(0)->fig).IsJpeg());
  doc.AddObject(doc.GetObject(0)->Clone(), -1, -1);  // id 1001

  testsupport::TempDir out;
  page::WritePageFolder(doc, out.Path());
  EXPECT_TRUE(std::filesystem::exists(out.File("image1000_.JPG")));
  EXPECT_FALSE(std::filesystem::exists(out.File("image1001_.JPG")));
  Image copy;
  ASSERT_TRUE(platform::LoadImageFile(out.File("image1001_.PNG"), copy));
  EXPECT_EQ(copy.Width(), 8);
  EXPECT_EQ(copy.Height(), 6);
}

TEST_F(PictureFileTest, StoredValuesComeBackAsTheyWereAfterAChange) {
  // A premultiplied picture, mirrored so that it is written anew.
  auto object = PictureObject(HalfTransparent());
  page::SDoc doc;
  doc.AddObject(std::move(object), -1, -1);
  ASSERT_TRUE(doc.GetObject(0)->fig->MirrorHorizontal());
  page::WritePageFolder(doc, dir_.Path());

  page::SDoc again;
  ASSERT_EQ(ReadPicturePage(again), 0);
  const Image* picture = again.GetObject(0)->fig->GetPicture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->GetBgra(0, 0).a, 0);
  EXPECT_EQ(picture->GetBgra(3, 1), (Bgra{255, 0, 0, 255}));
}

TEST_F(PictureFileTest, AMissingMemberIsAnEmptyPictureAndABrokenOneCannotBeMade) {
  {
    page::SDoc doc;
    ASSERT_EQ(ReadPicturePage(doc), 0);
    EXPECT_EQ(doc.GetObject(0)->fig->GetPicture(), nullptr);
    // It saves again as it was: no member.
    testsupport::TempDir out;
    page::WritePageFolder(doc, out.Path());
    EXPECT_FALSE(std::filesystem::exists(out.File("image1000_.PNG")));
  }
  dir_.Write("image1000_.PNG", "not a picture");
  page::SDoc doc;
  EXPECT_EQ(ReadPicturePage(doc), page::kResultNoMemory);
  EXPECT_EQ(doc.GetObjectCount(), 0);
  // A good JPEG beside a broken PNG is taken instead.
  Image jpeg(2, 2, 24);
  ASSERT_EQ(imaging::SaveJpegWithResolution(jpeg, 72, dir_.File("image1000_.JPG"), 90), 0);
  EXPECT_EQ(ReadPicturePage(doc), 0);
  EXPECT_TRUE(dynamic_cast<SFigPic&>(*doc.GetObject(0)->fig).IsJpeg());
}

}  // namespace
