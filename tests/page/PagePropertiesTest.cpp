// What the page's properties dialog reads, checks and stores, without the
// dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "RenderFixtures.h"
#include "PageTestSupport.h"
#include "page/PageProperties.h"
#include "page/SView.h"
#include "support/TempDir.h"

namespace {

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(PageProperties, TextsAreCheckedInCodePageBytes) {
  struct Case {
    const char* what;
    std::string title, description;
    const char* message;  // a part of the message; empty: accepted
  };
  const Case cases[] = {
      {"short", "題名", "説明", ""},
      {"30 full-width characters are 60 bytes", Repeat("題", 30), "", ""},
      {"31 full-width characters are too many", Repeat("題", 31), "", "60"},
      {"61 Latin letters are too many", Repeat("a", 61), "", "60"},
      {"255 bytes of description", "", Repeat("説", 127) + "x", ""},
      {"256 bytes of description", "", Repeat("説", 128), "255"},
      {"a character the page file cannot hold", "\xF0\x9F\x98\x80", "", "保存できない"},
  };
  for (const Case& c : cases) {
    page::PageProperties p;
    p.title = c.title;
    p.description = c.description;
    pagetest::ExpectMessage(page::ValidatePageProperties(p), c.message, c.what);
  }
}

TEST(PageProperties, ThePagesThumbnailComesAndGoesAsA70By70Picture) {
  page::SDoc doc;
  doc.thumbText1 = "題名";
  doc.thumbText2 = "説明";
  doc.thumbImage.Create(50, 40, 32);
  doc.thumbImage.Fill(platform::Bgra{10, 20, 30, 255});
  page::PageProperties p = page::TakePageProperties(doc);
  EXPECT_EQ(p.title, "題名");
  EXPECT_EQ(p.description, "説明");
  ASSERT_EQ(p.thumbnail.Width(), 70);
  ASSERT_EQ(p.thumbnail.Height(), 70);
  EXPECT_EQ(p.thumbnail.GetBgra(49, 39), (platform::Bgra{10, 20, 30, 255}));

  p.title = "新しい題名";
  p.thumbnail.Destroy();  // no picture: the page keeps its own
  page::StorePageProperties(doc, p);
  EXPECT_EQ(doc.thumbText1, "新しい題名");
  EXPECT_EQ(doc.thumbImage.Width(), 50);
}

TEST(PageProperties, UsingTheCurrentPageTwiceLeavesNoTemporaryFiles) {
  testsupport::TempDir temp;
  testsupport::ScopedEnv tmpdir("TMPDIR", temp.Path());
  auto doc = pagetest::MakeShapesPage();
  page::SView view;
  platform::Image thumbnail;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(page::MakePageThumbnail(view, *doc, thumbnail), 0);
    EXPECT_EQ(thumbnail.Width(), 70);
    EXPECT_EQ(thumbnail.Height(), 70);
    EXPECT_EQ(temp.CountFiles(), 0);
  }
  // The shapes page's yellow rectangle lies in the thumbnail's top-left part.
  const platform::Bgra yellow = thumbnail.GetBgra(18, 22);
  EXPECT_GT(yellow.r, 200);
  EXPECT_LT(yellow.b, 60);
  page::PageProperties p = page::TakePageProperties(*doc);
  p.thumbnail = thumbnail;
  page::StorePageProperties(*doc, p);
  EXPECT_EQ(doc->thumbImage.Width(), 70);
  EXPECT_EQ(doc->thumbImage.Bpp(), 32);
}

}  // namespace
