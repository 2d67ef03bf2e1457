#include <gtest/gtest.h>

#include <map>
#include <string>

#include "imaging/FileDialogs.h"
#include "platform/FileDialog.h"
#include "platform/ResStrings.h"

namespace {

using namespace imaging;

// A string table and a dialog that records what it was asked and answers
// a fixed path, for one test.
class FakeDialogs : public testing::Test {
 protected:
  FakeDialogs() {
    oldTable_ = platform::SetStringTableHook([this](int id) {
      const auto it = strings_.find(id);
      return it == strings_.end() ? std::string() : it->second;
    });
    oldDialog_ = platform::SetFileDialogHook([this](const platform::FileDialogRequest& request, std::string& out) {
      asked_ = request;
      out = answer_;
      return !answer_.empty();
    });
  }
  ~FakeDialogs() override {
    platform::SetStringTableHook(oldTable_);
    platform::SetFileDialogHook(oldDialog_);
  }

  std::map<int, std::string> strings_ = {
      {185, "PNG (*.png)|*.png|Jpeg (*.jpg)|*.jpg|GIF (*.gif)|*.gif|BMP (*.bmp)|*.bmp||"},
      {300, "Export"},
      {301, "page1"},
      {302, "jpg"},
      {400, "Pages (*.z4g)|*.z4g||"},
      {401, "z4g"},
  };
  std::string answer_ = "/home/u/out.jpg";
  platform::FileDialogRequest asked_;

 private:
  platform::StringTableHook oldTable_;
  platform::FileDialogHook oldDialog_;
};

TEST_F(FakeDialogs, ImageSaveDialogPreselectsTheFilterOfTheExtension) {
  struct Case {
    std::string extension;
    int index;
  } const cases[] = {{"png", 1}, {"JPG", 2}, {"gif", 3}, {"Bmp", 4}, {"tif", 0}, {"", 0}};
  for (const Case& c : cases) {
    std::string path;
    EXPECT_TRUE(PnUtilSaveFileDialog(kImageFilterStringId, "page", 300, c.extension, path));
    EXPECT_EQ(path, answer_);
    EXPECT_EQ(asked_.filterIndex, c.index) << c.extension;
  }
  EXPECT_TRUE(asked_.save);
  EXPECT_TRUE(asked_.promptOverwrite);
  EXPECT_EQ(asked_.title, "Export");
  EXPECT_EQ(asked_.defaultName, "page");
  ASSERT_EQ(asked_.filters.size(), 4u);
  EXPECT_EQ(asked_.filters[1].patterns, "*.jpg");

  std::string path;
  EXPECT_TRUE(PnUtilSaveFileDialog(400, "page", 300, "png", path));
  EXPECT_EQ(asked_.filterIndex, 0);  // only the image filter is preselected by extension
}

TEST_F(FakeDialogs, ByIdsTakesTheNameAndExtensionFromTheTable) {
  std::string path;
  EXPECT_TRUE(PnUtilSaveFileDialogByIds(kImageFilterStringId, 301, 300, 302, path));
  EXPECT_EQ(asked_.defaultName, "page1");
  EXPECT_EQ(asked_.defaultExtension, "jpg");
  EXPECT_EQ(asked_.filterIndex, 2);
}

TEST_F(FakeDialogs, OpenDialogHasNoDefaultNameAndCancelGivesFalse) {
  std::string path;
  answer_ = "/home/u/page.z4g";
  EXPECT_TRUE(PnUtilOpenFileDialog(400, 401, path));
  EXPECT_EQ(path, "/home/u/page.z4g");
  EXPECT_FALSE(asked_.save);
  EXPECT_TRUE(asked_.defaultName.empty());
  EXPECT_EQ(asked_.defaultExtension, "z4g");
  answer_.clear();
  EXPECT_FALSE(PnUtilOpenFileDialog(400, 401, path));
  EXPECT_TRUE(path.empty());
}

}  // namespace
