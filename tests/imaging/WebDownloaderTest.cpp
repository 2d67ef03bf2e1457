#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "WebTestSupport.h"
#include "imaging/http/WebDownloader.h"

// A name of its own: test files are compiled together in batches.
namespace web_downloader_test {

using imaging::WebConfig;
using imaging::WebDownloader;
using namespace imaging_test;

class Download : public ::testing::Test {
 protected:
  // Runs a job to its end on the test thread, as its worker would.
  std::int32_t Fetch(const std::string& url, const std::string& target, const WebConfig& config = FastConfig()) {
    WebDownloader job(config);
    job.url = url;
    job.MakeTargetPath(target);
    WebDownloader::ThreadProc(&job);
    EXPECT_EQ(job.doneFlag.load(), 1);
    return job.progress.load();
  }

  TestHttpServer server;
  TempFolder folder;
};

struct CompleteCase {
  const char* name;
  TestReply reply;
  std::string expected;  // the file's content
};

TEST_F(Download, CompleteAnswersAreWrittenWhole) {
  const std::string marker = "<p>error (files.test)</p>";
  auto pattern = [](std::uint64_t size, std::size_t piece = 1000) {
    TestReply r;
    r.patternSize = size;
    r.pieceSize = piece;  // pieces that do not line up with 4096
    return r;
  };
  TestReply slow;
  slow.body = Pattern(8 * 512);
  slow.pieceSize = 512;
  slow.pieceDelay = 40ms;  // 320 ms in all, each gap well below the 300 ms silence bound
  TestReply lateMarker;
  lateMarker.body = Pattern(4096) + marker;
  TestReply otherHost;
  otherHost.body = "<p>error (elsewhere.test)</p>";
  TestReply moved;
  moved.status = 302;
  moved.location = "/moved-here.bin";
  server.Set("/moved-here.bin", pattern(5000));

  const std::vector<CompleteCase> cases = {
      {"empty", pattern(0), ""},
      {"one piece", pattern(4096), Pattern(4096)},
      {"two pieces", pattern(8192), Pattern(8192)},
      {"two pieces and a byte", pattern(8193), Pattern(8193)},
      {"one large write", pattern(100000, 64 * 1024), Pattern(100000)},
      {"slow but steady", slow, slow.body},
      {"marker after the first piece", lateMarker, lateMarker.body},
      {"marker of another host", otherHost, otherHost.body},
      {"redirected", moved, Pattern(5000)},
  };
  for (const CompleteCase& c : cases) {
    SCOPED_TRACE(c.name);
    server.Set("/item.bin", c.reply);
    const std::string target = folder.File("item.bin");
    EXPECT_EQ(Fetch(server.Url("/item.bin"), target), WebDownloader::kDone);
    EXPECT_EQ(ReadWholeFile(target), c.expected);
  }
}

struct FailureCase {
  const char* name;
  TestReply reply;
  std::int32_t code;
};

TEST_F(Download, BrokenAnswersFailAndLeaveNoFile) {
  auto reply = [](std::uint64_t size) {
    TestReply r;
    r.patternSize = size;
    r.pieceSize = 1000;
    return r;
  };
  TestReply cut = reply(10000);
  cut.cutAfter = 6000;
  TestReply overstated = reply(10000);
  overstated.length = TestReply::Length::kDeclared;
  overstated.declaredLength = 20000;
  TestReply unmeasured = reply(10000);
  unmeasured.length = TestReply::Length::kMissing;
  TestReply notFound;
  notFound.status = 404;
  notFound.body = "<html>Not Found</html>";
  TestReply errorPage;
  errorPage.body = "<html><p>error (files.test)</p></html>" + Pattern(9000);
  TestReply silent;
  silent.silent = true;
  TestReply stalledAtStart = reply(10000);
  stalledAtStart.holdAfter = 0;
  TestReply stalledMidway = reply(10000);
  stalledMidway.holdAfter = 5000;

  const std::vector<FailureCase> cases = {
      {"body cut short", cut, WebDownloader::kNoConnection},
      {"length larger than the body", overstated, WebDownloader::kNoConnection},
      {"no Content-Length", unmeasured, WebDownloader::kCannotOpen},
      {"not found", notFound, WebDownloader::kServerError},
      {"error page", errorPage, WebDownloader::kServerError},
      {"never answers", silent, WebDownloader::kCannotOpen},
      {"stalls after the head", stalledAtStart, WebDownloader::kNoConnection},
      {"stalls in the body", stalledMidway, WebDownloader::kNoConnection},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    server.Set("/item.bin", c.reply);
    const std::string target = folder.File("item.bin");
    EXPECT_EQ(Fetch(server.Url("/item.bin"), target), c.code);
    EXPECT_FALSE(std::filesystem::exists(target));
  }
}

TEST_F(Download, ErrorStatusLeavesAnExistingTargetAlone) {
  const std::string target = folder.File("kept.bin");
  std::ofstream(target) << "previous";
  TestReply notFound;
  notFound.status = 404;
  notFound.body = "gone";
  server.Set("/kept.bin", notFound);
  EXPECT_EQ(Fetch(server.Url("/kept.bin"), target), WebDownloader::kServerError);
  EXPECT_EQ(ReadWholeFile(target), "previous");
}

TEST_F(Download, UnreachableAddressesAndUnwritableTargets) {
  TestReply fine;
  fine.body = "content";
  server.Set("/fine.bin", fine);
  const std::string closed = "http://127.0.0.1:" + std::to_string(TestHttpServer::ClosedPort()) + "/x.bin";
  struct Case {
    const char* name;
    std::string url;
    std::string target;
    std::int32_t code;
  };
  const std::vector<Case> cases = {
      {"no network", closed, folder.File("a.bin"), WebDownloader::kCannotOpen},
      // An empty label cannot resolve, and needs no name server to say so.
      {"name not resolved", "http://a..invalid/x.bin", folder.File("b.bin"), WebDownloader::kNoConnection},
      {"not a web address", "file:///etc/hostname", folder.File("c.bin"), WebDownloader::kCannotOpen},
      {"target folder missing", server.Url("/fine.bin"), folder.File("none/d.bin"), WebDownloader::kCannotCreate},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Fetch(c.url, c.target), c.code);
    EXPECT_FALSE(std::filesystem::exists(c.target));
  }
}

TEST_F(Download, CancelEndsTheDownloadAtAnyMoment) {
  TestReply silent;
  silent.silent = true;
  TestReply paused;
  paused.patternSize = 200000;
  paused.holdAfter = 8192;  // 4 %
  struct Case {
    const char* name;
    TestReply reply;
    std::int32_t progressBeforeCancel;
  };
  const std::vector<Case> cases = {{"waiting for the answer", silent, 0}, {"in the body", paused, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server.Set("/big.bin", c.reply);
    const int requestsBefore = server.RequestCount();
    WebDownloader job(PatientConfig());  // only the cancel can end it soon
    job.url = server.Url("/big.bin");
    job.MakeTargetPath(folder.File("big.bin"));
    std::thread worker(WebDownloader::ThreadProc, &job);
    EXPECT_TRUE(WaitUntil([&] {
      return server.RequestCount() > requestsBefore && job.progress.load() >= c.progressBeforeCancel;
    }));
    job.cancelFlag.store(1);
    EXPECT_TRUE(WaitUntil([&] { return job.doneFlag.load() == 1; }));
    worker.join();
    EXPECT_EQ(job.progress.load(), WebDownloader::kCancelled);
    EXPECT_FALSE(std::filesystem::exists(job.targetPath));
  }
}

// Checks the file against the pattern a mebibyte at a time.
bool FileHoldsPattern(const std::string& path, std::uint64_t size) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> block(1 << 20);
  std::uint64_t offset = 0;
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i)
      if (block[static_cast<std::size_t>(i)] != PatternByte(offset + static_cast<std::uint64_t>(i))) return false;
    offset += static_cast<std::uint64_t>(in.gcount());
  }
  return offset == size;
}

TEST_F(Download, LargeDownloadReportsRisingProgressAndArrivesIntact) {
  constexpr std::uint64_t kSize = 50ull << 20;
  TestReply large;
  large.patternSize = kSize;
  // A pause at 80 %, far beyond where a 32-bit per cent product overflows.
  large.holdAfter = 40ull << 20;
  server.Set("/large.z4n", large);
  WebDownloader job(PatientConfig());
  job.url = server.Url("/large.z4n");
  job.MakeTargetPath(folder.File("large.z4n"));

  std::vector<std::int32_t> seen;
  auto sample = [&] {
    const std::int32_t value = job.progress.load();
    if (seen.empty() || seen.back() != value) seen.push_back(value);
    return value;
  };
  std::thread worker(WebDownloader::ThreadProc, &job);
  EXPECT_TRUE(WaitUntil([&] {
    const std::int32_t value = sample();
    return value >= 80 || value < 0;
  }));
  server.Release();
  EXPECT_TRUE(WaitUntil([&] { return job.doneFlag.load() == 1; }));
  worker.join();
  sample();

  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), WebDownloader::kDone);
  EXPECT_NE(std::find(seen.begin(), seen.end(), 80), seen.end());
  for (std::size_t i = 0; i + 1 < seen.size(); ++i) {
    EXPECT_GE(seen[i], 0);
    EXPECT_LE(seen[i], 100);
    EXPECT_LT(seen[i], seen[i + 1]);
  }
  EXPECT_TRUE(FileHoldsPattern(job.targetPath, kSize));
}

TEST(DownloadTarget, GivenPathIsKeptAndEmptyOneBecomesATemporaryName) {
  const std::string temp = std::filesystem::temp_directory_path().string();
  struct Case {
    const char* name;
    std::string url;
    std::string given;
    std::string expectedEnd;  // with an empty given path
  };
  const std::vector<Case> cases = {
      {"given path", "http://www.pennet.example/lib/item.z4n", "/somewhere/else.bin", ""},
      {"extension of the file", "http://www.pennet.example/lib/item.z4n", "", ".z4n"},
      {"last dot in a folder", "http://www.pennet.example/lib.v2/item", "", ".v2/item"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WebDownloader job;
    job.url = c.url;
    const std::string target = job.MakeTargetPath(c.given);
    EXPECT_EQ(target, job.targetPath);
    if (!c.given.empty()) {
      EXPECT_EQ(target, c.given);
      continue;
    }
    // "<temp>/PNTxxxxxx" + "." + extension; the name without it stays as an empty file.
    const std::string base = target.substr(0, target.size() - c.expectedEnd.size());
    EXPECT_EQ(target.substr(base.size()), c.expectedEnd);
    EXPECT_EQ(std::filesystem::path(base).parent_path(), std::filesystem::path(temp));
    EXPECT_EQ(std::filesystem::path(base).filename().string().substr(0, 3), "PNT");
    EXPECT_TRUE(std::filesystem::is_regular_file(base));
    EXPECT_EQ(std::filesystem::file_size(base), 0u);
    std::filesystem::remove(base);
  }
}

}  // namespace web_downloader_test
