#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "platform/Settings.h"

namespace {

using platform::kPrefsSection;
using platform::Settings;
using testsupport::ReadText;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteText;
using Bytes = std::vector<std::uint8_t>;

TEST(Settings, ValuesSurviveReopeningTheFile) {
  TempDir dir;
  const std::string ini = dir / "prefs.ini";
  const Bytes layout = {0x00, 0x01, 0xFF, 0x0A, 0x0D, '=', '[', 0x00};
  {
    Settings settings(ini);
    settings.SetInt(kPrefsSection, "mMaxUndo", 30);
    settings.SetInt(kPrefsSection, "mNegative", -7);
    settings.SetString(kPrefsSection, "mFontName", "ＭＳ Ｐゴシック");
    settings.SetString(kPrefsSection, "mAwkward", "a, b = [c]; @d\\e");
    settings.SetString("Recent File List", "File1", "/home/u/page 1.Z4G");
    settings.SetBinary("Bars", "BarState", layout);
  }
  Settings reopened(ini);
  EXPECT_EQ(reopened.GetInt(kPrefsSection, "mMaxUndo", 0), 30);
  EXPECT_EQ(reopened.GetInt(kPrefsSection, "mNegative", 0), -7);
  EXPECT_EQ(reopened.GetString(kPrefsSection, "mFontName"), "ＭＳ Ｐゴシック");
  EXPECT_EQ(reopened.GetString(kPrefsSection, "mAwkward"), "a, b = [c]; @d\\e");
  EXPECT_EQ(reopened.GetString("Recent File List", "File1"), "/home/u/page 1.Z4G");
  Bytes read;
  ASSERT_TRUE(reopened.GetBinary("Bars", "BarState", read));
  EXPECT_EQ(read, layout);

  // Stored as an INI file with one section per group.
  const std::string text = ReadText(ini);
  EXPECT_NE(text.find("[Prefs]"), std::string::npos) << text;
  EXPECT_NE(text.find("mMaxUndo=30"), std::string::npos) << text;
}

TEST(Settings, MissingOrMalformedValuesReadAsTheDefault) {
  TempDir dir;
  const std::string ini = dir / "hand-edited.ini";
  WriteText(ini, "[Prefs]\nmMaxUndo=many\nmBlock=@ByteArray(abc)\nmList=a, b\n");
  Settings settings(ini);
  EXPECT_EQ(settings.GetInt(kPrefsSection, "mMaxUndo", 20), 20);
  EXPECT_EQ(settings.GetInt(kPrefsSection, "mAbsent", 5), 5);
  EXPECT_EQ(settings.GetString(kPrefsSection, "mAbsent", "dflt"), "dflt");
  EXPECT_EQ(settings.GetString(kPrefsSection, "mBlock", "dflt"), "dflt");
  EXPECT_EQ(settings.GetString(kPrefsSection, "mList"), "a, b");
  Bytes untouched = {9};
  EXPECT_FALSE(settings.GetBinary(kPrefsSection, "mMaxUndo", untouched));
  EXPECT_FALSE(settings.GetBinary(kPrefsSection, "mAbsent", untouched));
  EXPECT_EQ(untouched, Bytes{9});
}

TEST(Settings, RemovesValuesAndWholeSections) {
  TempDir dir;
  const std::string ini = dir / "prefs.ini";
  {
    Settings settings(ini);
    settings.SetInt(kPrefsSection, "a", 1);
    settings.SetInt(kPrefsSection, "b", 2);
    settings.SetInt("Other", "c", 3);
    settings.SetInt("Other", "d", 4);
    settings.Remove(kPrefsSection, "a");
    settings.Remove("Other");
    ASSERT_TRUE(settings.Sync());
  }
  Settings reopened(ini);
  EXPECT_FALSE(reopened.Contains(kPrefsSection, "a"));
  EXPECT_TRUE(reopened.Contains(kPrefsSection, "b"));
  EXPECT_FALSE(reopened.Contains("Other", "c"));
  EXPECT_FALSE(reopened.Contains("Other", "d"));
}

TEST(Settings, UserSettingsLiveInTheConfigFolderUnderTheOrganisation) {
  TempDir home;
  ScopedEnv env("XDG_CONFIG_HOME", home.Path());
  Settings settings;
  EXPECT_EQ(settings.FilePath(), home / "Tamarik/Pennet.ini");
}

}  // namespace
