#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "PageTestSupport.h"
#include "page/PnFatal.h"
#include "page/ResultCodes.h"
#include "page/StringTable.h"
#include "platform/Hooks.h"
#include "platform/ResStrings.h"

namespace {

using page::ErrorMessageOfCode;
using page::PnLoadString;

const std::string kFatalPrefix = "予期せぬ問題のためプログラムを強制終了します。　";
const std::string kGeneric = "何らかのエラーが発生して今の処理を実行できませんでした。";
const std::string kWriteFailed = "ファイルへの書き込みに失敗したため今の処理を実行できませんでした。";
const std::string kDamaged = "ファイルが壊れているため今の処理を実行できませんでした。";

// ---- the table's text form --------------------------------------------------

TEST(StringTable, ParsesEntriesAndKeepsTheirTextExactly) {
  std::map<int, std::string> table;
  ASSERT_TRUE(page::ParseStringTable("# comment\n\n171\ttext with a trailing space \r\n9\t\ttab inside\n", table));
  EXPECT_EQ(table, (std::map<int, std::string>{{171, "text with a trailing space "}, {9, "\ttab inside"}}));
}

TEST(StringTable, RefusesMalformedLinesAndNamesTheLine) {
  struct Case {
    std::string text;
    int badLine;
  };
  const std::vector<Case> cases = {
      {"1\tone\nno tab here\n", 2},
      {"\tno id\n", 1},
      {"12x\tletters in the id\n", 1},
      {"1\tone\n# fine\n1\tthe same id again\n", 3},
  };
  for (const Case& c : cases) {
    std::map<int, std::string> table;
    int badLine = 0;
    EXPECT_FALSE(page::ParseStringTable(c.text, table, &badLine)) << c.text;
    EXPECT_EQ(badLine, c.badLine) << c.text;
  }
}

TEST(StringTable, ProgramTableHoldsTheFatalPrefixWithItsWideSpace) {
  EXPECT_EQ(PnLoadString(page::kStrFatalPrefix), kFatalPrefix);
  EXPECT_EQ(PnLoadString(123456), "");
}

TEST(StringTable, InstalledTableAnswersThePlatformsLookups) {
  const platform::StringTableHook previous = platform::SetStringTableHook(nullptr);
  page::InstallProgramStringTable();
  EXPECT_EQ(platform::LoadResString(page::kStrGenericError), kGeneric);
  platform::SetStringTableHook(previous);
}

// ---- result codes -----------------------------------------------------------

TEST(ResultCodes, MessageIsTheCodesTextASpaceAndTheCode) {
  struct Case {
    int code;
    std::string message;
  };
  const std::vector<Case> cases = {
      {-1, "メモリが足りないため今の処理を実行できませんでした。 -1"},
      {-8, "ディスクがいっぱいで今の処理を実行できませんでした。 -8"},
      {-11, kWriteFailed + " -11"},
      {-12, kWriteFailed + " -12"},
      {-13, kGeneric + " -13"},
      {-14, kDamaged + " -14"},
      {-16, kDamaged + " -16"},
      {-24, "No DirectX -24"},
      {-99, kGeneric + " -99"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorMessageOfCode(c.code), c.message) << c.code;
}

TEST(ResultCodes, EveryCodeOfTheTableHasItsOwnTextInTheProgram) {
  for (int code = -41; code <= -1; ++code) {
    const int id = page::ErrorStringId(code);
    if (code == -24) continue;
    EXPECT_FALSE(PnLoadString(id).empty()) << "code " << code << " string " << id;
  }
}

TEST(ResultCodes, ReportShowsOneOkBoxWithoutIcon) {
  std::vector<std::pair<std::string, unsigned>> shown;
  const auto previous = platform::SetMessageHook([&](const std::string& text, const std::string&, unsigned flags) {
    shown.emplace_back(text, flags);
    return platform::kIdOk;
  });
  page::ReportErrorCode(-13);
  platform::SetMessageHook(previous);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, kGeneric + " -13");
  EXPECT_EQ(shown[0].second, static_cast<unsigned>(platform::kMbOk));
}

// ---- the fatal exit ---------------------------------------------------------

TEST(PnFatal, MessageNamesTheCheckAfterThePrefix) {
  pagetest::FatalThrows fatalThrows;
  try {
    page::PnFatalCheck("SDoc", 342);
    FAIL() << "returned";
  } catch (const pagetest::FatalThrows::Fatal& fatal) {
    EXPECT_EQ(std::string(fatal.what()), kFatalPrefix + " SDoc 342");
  }
}

TEST(PnFatalDeathTest, ExitsWithANonZeroCodeAfterShowingTheMessage) {
  EXPECT_EXIT(page::PnFatalCheck("SDoc", 650), testing::ExitedWithCode(platform::kFatalExitCode), "SDoc 650");
}

}  // namespace
