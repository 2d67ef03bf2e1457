#include <gtest/gtest.h>

#include <future>
#include <limits>
#include <vector>

#include "WebTestSupport.h"
#include "imaging/http/CRWebVerGet.h"

// A name of its own: test files are compiled together in batches.
namespace news_check_test {

using imaging::CRWebVerGet;
using imaging::NewsDayNumber;
using imaging::NewsInfo;
using imaging::WebConfig;
using namespace imaging_test;

std::string Bytes(std::initializer_list<unsigned char> bytes) { return std::string(bytes.begin(), bytes.end()); }

// "最新版です" and "新しい素材を公開しました" as the publisher writes them (CP932).
const std::string kNoteSjis = Bytes({0x8d, 0xc5, 0x90, 0x56, 0x94, 0xc5, 0x82, 0xc5, 0x82, 0xb7});
const std::string kNewsSjis = Bytes({0x90, 0x56, 0x82, 0xb5, 0x82, 0xa2, 0x91, 0x66, 0x8d, 0xde, 0x82, 0xf0,
                                     0x8c, 0xf6, 0x8a, 0x4a, 0x82, 0xb5, 0x82, 0xdc, 0x82, 0xb5, 0x82, 0xbd});
const std::string kAddress = "http://www.pennet.example/download/";

std::string NewsText(const std::string& end = "\r\n", const std::string& newsText = kNewsSjis) {
  const std::vector<std::string> lines = {"2", "1", "10", kNoteSjis, kAddress, "2024", "2", "1", newsText};
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

TestReply Serve(std::string body) {
  TestReply reply;
  reply.body = std::move(body);
  return reply;
}

// A record as the caller fills it before a check: running 2.1.5.
void PrepareRecord(NewsInfo& info, bool forced) {
  info.runningMajor = 2;
  info.runningMinor = 1;
  info.runningBuild = 5;
  info.forceFlag.store(forced ? 1 : 0);
}

// Runs one check of url against the record.
void Check(NewsInfo& info, const std::string& url, std::int32_t lastSeenNewsDay = 0) {
  WebConfig config = FastConfig();
  config.newsUrl = url;
  CRWebVerGet check(&info, config, lastSeenNewsDay);
  check.Run();
}

void ExpectNewsRead(const NewsInfo& info) {
  EXPECT_EQ(info.publishedMajor, 2);
  EXPECT_EQ(info.publishedMinor, 1);
  EXPECT_EQ(info.publishedBuild, 10);
  EXPECT_EQ(info.versionNote, kNoteSjis);
  EXPECT_EQ(info.downloadAddress, kAddress);
  EXPECT_EQ(info.newsYear, 2024);
  EXPECT_EQ(info.newsMonth, 2);
  EXPECT_EQ(info.newsDay, 1);
}

void ExpectNothingRead(const NewsInfo& info) {
  EXPECT_EQ(info.publishedMajor, 0);
  EXPECT_EQ(info.publishedBuild, 0);
  EXPECT_EQ(info.newsYear, 0);
  EXPECT_EQ(info.newsText, "");
}

TEST(NewsEvaluate, NewsComesFromForceNewerVersionOrNewerItem) {
  struct Case {
    const char* name;
    std::int32_t running[3];
    std::int32_t published[3];
    std::int32_t date[3];
    std::int64_t lastSeen;
    bool forced;
    bool expectNews;
  };
  const std::int64_t feb1 = NewsDayNumber(2024, 2, 1);
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const std::vector<Case> cases = {
      {"build 5 below build 10", {2, 1, 5}, {2, 1, 10}, {2024, 2, 1}, feb1, false, true},
      {"2.2.0 above 2.1.99, item seen", {2, 2, 0}, {2, 1, 99}, {2024, 2, 1}, feb1, false, false},
      {"2.2.0 above 2.1.99, item newer", {2, 2, 0}, {2, 1, 99}, {2024, 2, 1}, feb1 - 1, false, true},
      {"31 January is the day before 1 February", {2, 2, 0}, {2, 2, 0}, {2024, 2, 1},
       NewsDayNumber(2024, 1, 31), false, true},
      {"nothing new", {2, 2, 0}, {2, 2, 0}, {2024, 2, 1}, feb1, false, false},
      {"forced", {2, 2, 0}, {2, 2, 0}, {2024, 2, 1}, feb1, true, true},
      {"published number at the int32 limit", {1, 0, 0}, {kMax, kMax, kMax}, {2024, 2, 1}, feb1, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NewsInfo info;
    info.runningMajor = c.running[0], info.runningMinor = c.running[1], info.runningBuild = c.running[2];
    info.publishedMajor = c.published[0], info.publishedMinor = c.published[1], info.publishedBuild = c.published[2];
    info.newsYear = c.date[0], info.newsMonth = c.date[1], info.newsDay = c.date[2];
    info.forceFlag.store(c.forced ? 1 : 0);
    CRWebVerGet check(&info, FastConfig(), static_cast<std::int32_t>(c.lastSeen));
    check.Evaluate();
    EXPECT_EQ(info.newFlag.load(), c.expectNews ? 1 : 0);
    // A result answers the forced check; without one it stays asked.
    EXPECT_EQ(info.forceFlag.load(), c.forced && !c.expectNews ? 1 : 0);
  }
}

TEST(NewsText, NumbersAreReadLikeTheCLibraryReadsThem) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const std::vector<std::pair<std::string, std::int32_t>> cases = {
      {"12", 12},  {"  +7 builds", 7},      {"-3", -3},          {"v2", 0},
      {"", 0},     {"99999999999", kMax},   {"-99999999999", kMin},
  };
  for (const auto& [text, number] : cases) EXPECT_EQ(imaging::LeadingNumber(text), number) << text;
}

class NewsCheck : public ::testing::Test {
 protected:
  TestHttpServer server;
};

TEST_F(NewsCheck, NineLinesFillTheRecordWhateverTheLineEnds) {
  const std::vector<std::pair<const char*, std::string>> bodies = {
      {"CR LF", NewsText("\r\n")},
      {"LF", NewsText("\n")},
      {"no end after the last line", NewsText("\r\n").substr(0, NewsText("\r\n").size() - 2)},
      {"a tenth line", NewsText("\r\n") + "not read\r\n"},
  };
  for (const auto& [name, body] : bodies) {
    SCOPED_TRACE(name);
    server.Set("/pennet2/pennet2.txt", Serve(body));
    NewsInfo info;
    PrepareRecord(info, false);
    Check(info, server.Url("/pennet2/pennet2.txt"), NewsDayNumber(2024, 2, 1));
    ExpectNewsRead(info);
    EXPECT_EQ(info.newsText, kNewsSjis);
    EXPECT_EQ(info.newFlag.load(), 1);  // 2.1.5 runs, 2.1.10 is out
  }
}

TEST_F(NewsCheck, TextsUpToNineThousandBytesAreRead) {
  for (const std::size_t size : {std::size_t{9000}, std::size_t{9001}}) {
    SCOPED_TRACE(size);
    const std::string shortText = NewsText("\r\n", "");
    const std::string padded = NewsText("\r\n", std::string(size - shortText.size(), 'x'));
    ASSERT_EQ(padded.size(), size);
    server.Set("/news.txt", Serve(padded));
    NewsInfo info;
    PrepareRecord(info, false);
    Check(info, server.Url("/news.txt"));
    if (size == 9000) {
      ExpectNewsRead(info);
      EXPECT_EQ(info.newFlag.load(), 1);
    } else {
      ExpectNothingRead(info);
      EXPECT_EQ(info.newFlag.load(), 0);
    }
  }
}

// A check the user asked for must not report news it could not fetch: the
// force flag stays set so that the caller can say it cannot connect.
TEST_F(NewsCheck, ForcedCheckWithoutReadableAnswerGivesNoNews) {
  TestReply cut = Serve(NewsText());
  cut.cutAfter = 20;
  TestReply unmeasured = Serve(NewsText());
  unmeasured.length = TestReply::Length::kMissing;
  TestReply notFound = Serve(NewsText());  // even a nine-line error page
  notFound.status = 404;
  TestReply silent;
  silent.silent = true;
  server.Set("/cut.txt", cut);
  server.Set("/unmeasured.txt", unmeasured);
  server.Set("/missing.txt", notFound);
  server.Set("/silent.txt", silent);
  const std::vector<std::pair<const char*, std::string>> urls = {
      {"no network", "http://127.0.0.1:" + std::to_string(TestHttpServer::ClosedPort()) + "/pennet2/pennet2.txt"},
      {"name not resolved", "http://a..invalid/pennet2/pennet2.txt"},
      {"never answers", server.Url("/silent.txt")},
      {"body cut short", server.Url("/cut.txt")},
      {"no Content-Length", server.Url("/unmeasured.txt")},
      {"not found", server.Url("/missing.txt")},
  };
  for (const auto& [name, url] : urls) {
    SCOPED_TRACE(name);
    NewsInfo info;
    PrepareRecord(info, true);
    Check(info, url);
    EXPECT_EQ(info.newFlag.load(), 0);
    EXPECT_EQ(info.forceFlag.load(), 1);
    ExpectNothingRead(info);
  }
}

TEST_F(NewsCheck, ShortTextKeepsWhatItReadButIsNotEvaluated) {
  const std::string text = NewsText();
  std::size_t end = 0;
  for (int line = 0; line < 6; ++line) end = text.find("\r\n", end) + 2;
  server.Set("/six.txt", Serve(text.substr(0, end)));
  NewsInfo info;
  PrepareRecord(info, true);
  info.newsMonth = 7;
  info.newsDay = 9;
  info.newsText = "earlier";
  Check(info, server.Url("/six.txt"));
  EXPECT_EQ(info.publishedBuild, 10);
  EXPECT_EQ(info.downloadAddress, kAddress);
  EXPECT_EQ(info.newsYear, 2024);
  EXPECT_EQ(info.newsMonth, 7);
  EXPECT_EQ(info.newsDay, 9);
  EXPECT_EQ(info.newsText, "earlier");
  EXPECT_EQ(info.newFlag.load(), 0);
  EXPECT_EQ(info.forceFlag.load(), 1);
}

TEST_F(NewsCheck, StopFlagEndsAWaitingCheck) {
  TestReply silent;
  silent.silent = true;
  server.Set("/silent.txt", silent);
  NewsInfo info;
  PrepareRecord(info, true);
  WebConfig config = PatientConfig();  // only the cancel can end it soon
  config.newsUrl = server.Url("/silent.txt");
  CRWebVerGet check(&info, config, 0);
  auto running = std::async(std::launch::async, [&] { check.Run(); });
  EXPECT_TRUE(WaitUntil([&] { return server.RequestCount() == 1; }));
  info.stopFlag.store(1);
  EXPECT_EQ(running.wait_for(10s), std::future_status::ready);
  running.get();
  EXPECT_EQ(info.newFlag.load(), 0);
  EXPECT_EQ(info.forceFlag.load(), 1);
}

}  // namespace news_check_test
