// File dialogs, the string table and input state: the hooks the windows fill.
#include <gtest/gtest.h>

#include "platform/FileDialog.h"
#include "platform/InputState.h"
#include "platform/ResStrings.h"

namespace {

using namespace platform;

TEST(FileFilter, SplitsDescriptionPatternPairs) {
  EXPECT_EQ(ParseFileFilter("PNG (*.png)|*.png|Jpeg (*.jpg)|*.jpg|GIF (*.gif)|*.gif|BMP (*.bmp)|*.bmp||"),
            (std::vector<FileFilter>{{"PNG (*.png)", "*.png"},
                                     {"Jpeg (*.jpg)", "*.jpg"},
                                     {"GIF (*.gif)", "*.gif"},
                                     {"BMP (*.bmp)", "*.bmp"}}));
  EXPECT_EQ(ParseFileFilter("Pictures|*.png;*.jpg"), (std::vector<FileFilter>{{"Pictures", "*.png;*.jpg"}}));
  EXPECT_EQ(ParseFileFilter("Lonely description"), std::vector<FileFilter>{});
  EXPECT_EQ(ParseFileFilter(""), std::vector<FileFilter>{});
}

TEST(UiHooks, HeadlessDefaultsAnswerNothing) {
  std::string path = "stale";
  EXPECT_FALSE(RunFileDialog(FileDialogRequest{}, path));
  EXPECT_TRUE(path.empty());
  EXPECT_EQ(LoadResString(185), "");
  EXPECT_FALSE(IsAsyncKeyDown(VK_CONTROL));
  EXPECT_FALSE(AreMouseButtonsSwapped());

  auto oldTable = SetStringTableHook([](int id) { return id == 7 ? std::string("seven") : std::string(); });
  EXPECT_EQ(LoadResString(7), "seven");
  SetStringTableHook(oldTable);
  auto oldDialog = SetFileDialogHook([](const FileDialogRequest& request, std::string& out) {
    out = request.save ? "/saved" : "";
    return true;
  });
  FileDialogRequest save;
  save.save = true;
  EXPECT_TRUE(RunFileDialog(save, path));
  EXPECT_EQ(path, "/saved");
  EXPECT_FALSE(RunFileDialog(FileDialogRequest{}, path));  // confirmed without a path counts as cancelled
  SetFileDialogHook(oldDialog);
}

}  // namespace
