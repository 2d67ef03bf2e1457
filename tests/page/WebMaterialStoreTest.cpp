// The web material store against a loopback server: downloads cached per
// run, figures with their companion, text files behind URLs, a cut-short or
// cancelled download, and every file gone when the store ends.
#include <gtest/gtest.h>

#include <string>

#include "imaging/WebTestSupport.h"
#include "imaging/http/WebDownloader.h"
#include "page/WebMaterialStore.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace {

using imaging_test::TestHttpServer;
using imaging_test::TestReply;
using page::WebMaterialStore;

TestReply Body(const std::string& body) {
  TestReply reply;
  reply.body = body;
  return reply;
}

class WebStoreFixture : public ::testing::Test {
 protected:
  TestHttpServer server;
  WebMaterialStore store{imaging_test::PatientConfig()};
};

TEST_F(WebStoreFixture, ASecondRequestIsServedFromTheSameFile) {
  server.Set("/lib/cloud.png", Body("picture"));
  std::string first = server.Url("/lib/cloud.png");
  ASSERT_EQ(store.MakeLocal(first, true), 0);
  EXPECT_EQ(testsupport::ReadText(first), "picture");
  EXPECT_NE(platform::FileNameOf(first).find("PNT"), std::string::npos);
  EXPECT_EQ(platform::ExtensionOf(first), "png");
  std::string second = server.Url("/lib/cloud.png");
  ASSERT_EQ(store.MakeLocal(second, true), 0);
  EXPECT_EQ(second, first);
  EXPECT_EQ(server.RequestCount(), 1);
  std::string local = "/some/local/file.z4t";
  EXPECT_EQ(store.MakeLocal(local, true), 0);
  EXPECT_EQ(local, "/some/local/file.z4t");
}

TEST_F(WebStoreFixture, AFigureComesWithItsCompanionOrNotAtAll) {
  server.Set("/lib/man_z4k.z4t", Body("figure"));
  std::string path = server.Url("/lib/man_z4k.z4t");
  // No companion on the server: the request fails, and so does the next one
  // instead of answering a figure without its library list.
  EXPECT_LT(store.MakeLocal(path, true), 0);
  path = server.Url("/lib/man_z4k.z4t");
  EXPECT_LT(store.MakeLocal(path, true), 0);
  server.Set("/lib/man_z4k.Z4K", Body("companion"));
  path = server.Url("/lib/man_z4k.z4t");
  ASSERT_EQ(store.MakeLocal(path, true), 0);
  EXPECT_EQ(testsupport::ReadText(path), "figure");
  const std::string companion = path.substr(0, path.rfind('.')) + ".Z4K";
  EXPECT_EQ(testsupport::ReadText(companion), "companion");
}

TEST_F(WebStoreFixture, FailuresAreCodesAndTheNextRequestTriesAgain) {
  TestReply cut = Body(std::string(4000, 'x'));
  cut.cutAfter = 100;
  server.Set("/lib/cut.png", cut);
  std::string path = server.Url("/lib/cut.png");
  EXPECT_EQ(store.MakeLocal(path, false), imaging::WebDownloader::kNoConnection);
  EXPECT_EQ(path, server.Url("/lib/cut.png"));
  server.Set("/lib/cut.png", Body("whole"));
  ASSERT_EQ(store.MakeLocal(path, false), 0);
  EXPECT_EQ(testsupport::ReadText(path), "whole");
  std::string missing = server.Url("/lib/none.png");
  EXPECT_LT(store.MakeLocal(missing, false), 0);
}

TEST_F(WebStoreFixture, ALongDownloadShowsProgressAndCanBeCancelled) {
  TestReply held = Body(std::string(10000, 'x'));
  held.holdAfter = 10;
  server.Set("/lib/slow.png", held);
  int shown = 0;
  store.SetProgressHook([&](imaging::WebDownloader& job) {
    ++shown;
    job.cancelFlag.store(1);
  });
  std::string path = server.Url("/lib/slow.png");
  EXPECT_EQ(store.MakeLocal(path, false), imaging::WebDownloader::kCancelled);
  EXPECT_EQ(shown, 1);
  server.Release();
  // A quick download shows nothing.
  server.Set("/lib/quick.png", Body("q"));
  path = server.Url("/lib/quick.png");
  EXPECT_EQ(store.MakeLocal(path, false), 0);
  EXPECT_EQ(shown, 1);
}

TEST_F(WebStoreFixture, KeywordListsAndTextsBehindUrls) {
  server.Set("/kw/list.txt", Body(server.Url("/web/") + "\r\n"));
  server.Set("/web/KeyWords_99.txt", Body(*platform::Utf8ToCp932("*雲.png\r\nくも\r\n\r\n")));
  store.AddKeywordUrl(server.Url("/kw/list.txt"));
  store.AddKeywordUrl(server.Url("/kw/list.txt"));
  EXPECT_EQ(store.GetKeywordUrlCount(), 1);
  std::string local, folder;
  ASSERT_EQ(store.GetWebKeywordFile(0, local, folder), 0);
  EXPECT_EQ(folder, server.Url("/web/"));
  std::string text;
  ASSERT_EQ(store.ReadUrlText(server.Url("/web/KeyWords_99.txt"), text), 0);
  EXPECT_EQ(text, "*雲.png\r\nくも\r\n\r\n");
  EXPECT_EQ(store.GetWebKeywordFile(1, local, folder), -9);
}

TEST(WebStore, EveryDownloadedFileGoesWhenTheStoreEnds) {
  TestHttpServer server;
  server.Set("/a.png", Body("a"));
  server.Set("/b_z4k.z4t", Body("b"));
  server.Set("/b_z4k.Z4K", Body("k"));
  std::vector<std::string> files;
  {
    WebMaterialStore store(imaging_test::PatientConfig());
    for (const char* name : {"/a.png", "/b_z4k.z4t", "/missing.png"}) {
      std::string path = server.Url(name);
      store.MakeLocal(path, true);
    }
    files = store.LocalFiles();
    ASSERT_EQ(files.size(), 4u);  // a, the companion, b, the failed one
    for (const std::string& file : files) {
      const std::string stem = file.substr(0, file.rfind('.'));
      EXPECT_TRUE(platform::FileExists(stem)) << stem;
    }
  }
  for (const std::string& file : files) {
    EXPECT_FALSE(platform::FileExists(file)) << file;
    EXPECT_FALSE(platform::FileExists(file.substr(0, file.rfind('.')))) << file;
  }
}

}  // namespace
