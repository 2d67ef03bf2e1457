#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "imaging/PnUtil.h"
#include "platform/Hooks.h"
#include "platform/Image.h"
#include "platform/InputState.h"

namespace {

using namespace imaging;

TEST(PathText, FolderExtensionAndUrlHelpers) {
  struct FolderCase {
    std::string path, folder;
  } const folders[] = {
      {"C:\\a\\b.txt", "C:\\a"},
      {"C:file", "C:"},
      {"/home/u/page.Z4G", "/home/u"},
      {"dir/sub\\name", "dir/sub"},  // either separator
      {"name.txt", ""},              // no folder and no drive
  };
  for (const FolderCase& c : folders) {
    std::string path = c.path;
    PnUtilGetFolder(path);
    EXPECT_EQ(path, c.folder) << c.path;
  }

  struct NameCase {
    std::string path, withoutExtension, extension;
  } const names[] = {
      {"IMAGE.PNG", "IMAGE", "png"},
      {"C:\\x.y\\file", "C:\\x", "y\\file"},  // the last dot, wherever it is
      {"README", "README", ""},
      {"a.tar.GZ", "a.tar", "gz"},
      {"trailing.", "trailing", ""},
  };
  for (const NameCase& c : names) {
    std::string out = "stale";
    PnUtilRemoveExtension(c.path, out);
    EXPECT_EQ(out, c.withoutExtension) << c.path;
    out = "stale";
    PnUtilGetExtension(c.path, out);
    EXPECT_EQ(out, c.extension) << c.path;
  }

  EXPECT_TRUE(PnUtilHasBackslash("C:\\a"));
  EXPECT_TRUE(PnUtilHasBackslash("a/b"));
  EXPECT_FALSE(PnUtilHasBackslash("plain.txt"));

  EXPECT_TRUE(PnUtilIsHttpUrl("http://example.invalid/"));
  EXPECT_FALSE(PnUtilIsHttpUrl("HTTP://example.invalid/"));
  EXPECT_FALSE(PnUtilIsHttpUrl("https://example.invalid/"));
  EXPECT_FALSE(PnUtilIsHttpUrl("http"));

  std::string url = "http://host/a/b/file.z4g";
  PnUtilGetUrlFolder(url);
  EXPECT_EQ(url, "http://host/a/b/");
  std::string bare = "nofolder";
  PnUtilGetUrlFolder(bare);
  EXPECT_EQ(bare, "nofolder");
}

TEST(UrlEncode, KeepsUnreservedCharactersAndEscapesEveryOtherByte) {
  struct Case {
    std::string text, encoded;
  } const cases[] = {
      {"", ""},
      {"AZaz09-._~", "AZaz09-._~"},
      {"a b", "a%20b"},
      {"\n", "%0A"},
      {"&=/?+%", "%26%3D%2F%3F%2B%25"},
      {"\xE6\x97\xA5", "%E6%97%A5"},  // bytes of 0x80 and above, upper-case hex
      {std::string("\0x", 2), "%00x"},
  };
  for (const Case& c : cases) {
    std::string out = "stale";
    PnUtilUrlEncode(c.text, out);
    EXPECT_EQ(out, c.encoded);
  }
}

TEST(ToUtf8, AcceptsOnlyNonEmptyValidUtf8AndLeavesItAsItIs) {
  struct Case {
    std::string text;
    bool ok;
  } const cases[] = {
      {"", false},           {"plain", true},          {"日本語", true},
      {"\x82\xA0", false},   // Shift-JIS bytes are not UTF-8
      {"\xC0\xAF", false},   // overlong
      {"\xED\xA0\x80", false},  // surrogate
      {"\xE6\x97", false},   // cut short
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(PnUtilToUtf8(text), c.ok) << testing::PrintToString(c.text);
    EXPECT_EQ(text, c.text);
  }
}

TEST(KeyState, SwappedButtonsExchangeTheMouseButtons) {
  std::set<int> down = {platform::VK_RBUTTON, platform::VK_SHIFT};
  bool swapped = false;
  auto oldKeys = platform::SetKeyStateHook([&](int vk) { return down.count(vk) > 0; });
  auto oldSwap = platform::SetSwappedButtonsHook([&] { return swapped; });

  EXPECT_FALSE(PnUtilIsKeyDown(platform::VK_LBUTTON));
  EXPECT_TRUE(PnUtilIsKeyDown(platform::VK_RBUTTON));
  EXPECT_TRUE(PnUtilIsKeyDown(platform::VK_SHIFT));
  swapped = true;  // the physical right button is now the primary one
  EXPECT_TRUE(PnUtilIsKeyDown(platform::VK_LBUTTON));
  EXPECT_FALSE(PnUtilIsKeyDown(platform::VK_RBUTTON));
  EXPECT_TRUE(PnUtilIsKeyDown(platform::VK_SHIFT));

  platform::SetKeyStateHook(oldKeys);
  platform::SetSwappedButtonsHook(oldSwap);
  EXPECT_FALSE(PnUtilIsKeyDown(platform::VK_SHIFT));  // headless: nothing pressed
}

TEST(AppCursor, MapsCodesToTheCursors) {
  std::vector<int> set;
  auto old = platform::SetCursorHook([&](int code) { set.push_back(code); });
  for (int code : {-3, -2, -1, -7, 0, 164, 2022}) SetAppCursor(code);
  platform::SetCursorHook(old);
  EXPECT_EQ(set, (std::vector<int>{platform::kCursorWait, platform::kCursorSizeAll, platform::kCursorArrow,
                                   platform::kCursorArrow, 0, 164, 2022}));
}

TEST(DeviceDpi, ComesFromTheContextsDevice) {
  platform::Image image(4, 4, 32);
  platform::Dc dc(image);
  EXPECT_EQ(PnUtilGetDeviceDpi(dc), std::make_pair(96, 96));
  dc.SetLogPixels(platform::SIZE{600, 300});  // a printer's context
  EXPECT_EQ(PnUtilGetDeviceDpi(dc), std::make_pair(600, 300));
}

}  // namespace
