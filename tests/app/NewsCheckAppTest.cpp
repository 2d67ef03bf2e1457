// The news check of the program: when automatic checks run, what a check
// the user asked for says, the version dialog's texts and buttons, and the
// web pages of the Help menu.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <string>
#include <vector>

#include "../imaging/TestHttpServer.h"
#include "QtTestApp.h"
#include "ShellTestSupport.h"
#include "app/AppCommands.h"
#include "app/AppStrings.h"
#include "app/CSMainFrame.h"
#include "app/WebDlg2.h"
#include "page/PnGlobal.h"

namespace news_check_app_test {

using app::CPennetApp;
using app::WebDlg2;
using imaging::NewsDayNumber;
using imaging::NewsInfo;
using imaging_test::TestHttpServer;
using imaging_test::TestReply;
using shelltest::WhenModal;

const std::int64_t kToday = NewsDayNumber(2026, 12, 11);

// The news text: published version, an update note, the address and a news
// item (ASCII, which reads alike in Shift-JIS).
TestReply News(const std::string& version, const std::string& date) {
  std::string body;
  for (char c : version) body += (c == '.' ? std::string("\r\n") : std::string(1, c));
  body += "\r\nNew pens\r\nhttp://www.pennet.example/download/\r\n";
  for (char c : date) body += (c == '-' ? std::string("\r\n") : std::string(1, c));
  body += "\r\nA new library\r\n";
  TestReply reply;
  reply.body = body;
  return reply;
}

QString Field(QWidget* dialog, int id) {
  auto* label = dialog->findChild<QLabel*>(QString::number(id));
  return label != nullptr ? label->text() : QStringLiteral("(missing)");
}

// A shell whose news check reads the test server, with web use on, a clock
// of its own and a record of the pages it opened.
class NewsCheckApp : public ::testing::Test {
 protected:
  void SetUp() override {
    app_.pennet->GetWebConfig().newsUrl = server_.Url("/pennet2/pennet2.txt");
    app_.pennet->GetWebConfig().newsTimeouts = {std::chrono::seconds(2), std::chrono::milliseconds(500),
                                                std::chrono::seconds(5)};
    app_.pennet->SetDayClock([this] { return day_; });
    CPennetApp::SetWebPageOpener([this](const std::string& url) { opened_.push_back(url); });
    page::PnGlobal& global = page::PnGlobal::Get();
    savedWebUse_ = global.webUse;
    global.webUse = 1;
    global.prefs->mLastWebCheckDate = 0;
    global.prefs->mLastNewsVersion = 0;
  }
  void TearDown() override {
    CPennetApp::SetWebPageOpener(nullptr);
    page::PnGlobal::Get().webUse = savedWebUse_;
  }
  // Lets the worker of an automatic check end and its result be handled.
  void Settle(int requests) {
    shelltest::WaitUntil([&] { return server_.RequestCount() >= requests; });
    shelltest::WaitUntil([&] { return false; }, 100);
  }
  page::AppPrefs& Prefs() { return *page::PnGlobal::Get().prefs; }

  shelltest::SavedPrefs savedPrefs_;
  shelltest::ShellFixture app_;
  TestHttpServer server_;
  std::int64_t day_ = kToday;
  std::vector<std::string> opened_;
  int savedWebUse_ = 0;
};

// A check that shows nothing lets the next run on the following day; one
// that shows the dialog waits three days; a clock set back checks again.
TEST_F(NewsCheckApp, AutomaticChecksRunOncePerDayAndWaitThreeDaysAfterTheDialog) {
  NewsInfo own;
  CPennetApp::ReadOwnVersion(own);
  const std::string ownVersion = std::to_string(own.runningMajor) + "." + std::to_string(own.runningMinor) + "." +
                                 std::to_string(own.runningBuild);
  server_.Set("/pennet2/pennet2.txt", News(ownVersion, "2026-12-1"));  // nothing new
  Prefs().mLastNewsVersion = static_cast<int>(NewsDayNumber(2026, 12, 1));
  struct Step {
    std::int64_t day;
    bool checks;
    bool dialog;
  };
  const std::int64_t d = kToday;
  const std::vector<Step> steps = {
      {d, true, false},       // stores d - 2
      {d, false, false},      // a second start the same day
      {d + 1, true, true},    // the next day; a newer item is served now
      {d + 2, false, false},  // three days after the dialog
      {d + 3, false, false},
      {d + 4, true, false},
      {d - 30, true, false},  // the clock set back
  };
  int requests = 0;
  int dialogs = 0;
  std::int64_t stored = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.day - d);
    if (step.day == d + 1) server_.Set("/pennet2/pennet2.txt", News(ownVersion, "2026-12-12"));
    if (step.dialog) WhenModal([&](QWidget* modal) {
        ++dialogs;
        static_cast<QDialog*>(modal)->accept();
      });
    day_ = step.day;
    app_.pennet->CheckNews(false);
    if (step.checks) ++requests;
    Settle(requests);
    if (step.dialog) shelltest::WaitUntil([&] { return dialogs == 1; });
    EXPECT_EQ(server_.RequestCount(), requests);
    if (step.checks) stored = step.dialog ? step.day : step.day - 2;
    EXPECT_EQ(Prefs().mLastWebCheckDate, stored);
  }
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(Prefs().mLastNewsVersion, NewsDayNumber(2026, 12, 12));
}

TEST_F(NewsCheckApp, AskedForCheckSaysWhenItCannotConnectButNotWhenAResultWaits) {
  // Nothing served: the text cannot be read.
  app_.pennet->CheckNews(true);
  ASSERT_EQ(app_.ui.messages.size(), 1u);
  EXPECT_EQ(app_.ui.messages[0], app::LoadAppString(app::kStrNewsNoConnection));
  EXPECT_EQ(app_.pennet->GetNewsInfo().forceFlag.load(), 0);

  // A result not shown yet is shown, not fetched again and not a failure.
  app_.pennet->GetNewsInfo().newFlag.store(1);
  const int requests = server_.RequestCount();
  bool shown = false;
  WhenModal([&](QWidget* modal) {
    shown = true;
    static_cast<QDialog*>(modal)->accept();
  });
  app_.pennet->CheckNews(true);
  EXPECT_EQ(server_.RequestCount(), requests);
  EXPECT_EQ(app_.ui.messages.size(), 1u);
  EXPECT_TRUE(shelltest::WaitUntil([&] { return shown; }));

  // An asked-for check with news shows the dialog even with nothing new.
  server_.Set("/pennet2/pennet2.txt", News("0.1.0", "2020-1-1"));
  Prefs().mLastNewsVersion = static_cast<int>(kToday);
  shown = false;
  WhenModal([&](QWidget* modal) {
    shown = true;
    static_cast<QDialog*>(modal)->accept();
  });
  app_.pennet->CheckNews(true);
  EXPECT_TRUE(shelltest::WaitUntil([&] { return shown; }));
  EXPECT_EQ(app_.ui.messages.size(), 1u);

  // Without web use nothing is fetched and the commands are off.
  page::PnGlobal::Get().webUse = 0;
  app_.pennet->CheckNews(true);
  EXPECT_EQ(server_.RequestCount(), requests + 1);
  app_.Frame().UpdateCommandUI();
  EXPECT_FALSE(app_.Frame().CommandAction(app::ID_CHECK_NEWS)->isEnabled());
  EXPECT_FALSE(app_.Frame().CommandAction(app::ID_WEB_REQUEST_BOARD)->isEnabled());
  EXPECT_TRUE(app_.Frame().CommandAction(app::ID_WEB_QUESTIONS)->isEnabled());
}

TEST(VersionDialog, ShowsVersionsNoteAndNewsWhileAYearOld) {
  NewsInfo info;
  info.runningMajor = 2, info.runningMinor = 1, info.runningBuild = 5;
  info.versionNote = "\x8d\xc5\x90\x56";  // "最新" in Shift-JIS
  info.newsText = "A new library";
  info.newsYear = 2026, info.newsMonth = 1, info.newsDay = 1;
  struct Case {
    const char* name;
    std::int32_t published[3];
    std::int64_t today;
    bool newest;
    bool newsShown;
  };
  const std::int64_t jan1 = NewsDayNumber(2026, 1, 1);
  const std::vector<Case> cases = {
      {"newer published, news of today", {2, 2, 0}, jan1, false, true},
      {"same version, news 364 days old", {2, 1, 5}, jan1 + 364, true, true},
      {"same version, news a year old", {2, 1, 5}, jan1 + 365, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    info.publishedMajor = c.published[0], info.publishedMinor = c.published[1], info.publishedBuild = c.published[2];
    WebDlg2 dialog(info, c.today);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("最新情報"));
    EXPECT_EQ(Field(&dialog, WebDlg2::kIdRunning), QStringLiteral("2.1.5"));
    EXPECT_EQ(Field(&dialog, WebDlg2::kIdPublished),
              QString::asprintf("%d.%d.%d", c.published[0], c.published[1], c.published[2]));
    EXPECT_EQ(Field(&dialog, WebDlg2::kIdState).toStdString(),
              app::LoadAppString(c.newest ? app::kStrNewestVersion : app::kStrNotNewestVersion));
    EXPECT_EQ(Field(&dialog, WebDlg2::kIdUpdateNote), c.newest ? QString() : QStringLiteral("最新"));
    EXPECT_EQ(Field(&dialog, WebDlg2::kIdNews), c.newsShown ? QStringLiteral("A new library") : QString());
    auto* download = dialog.findChild<QAbstractButton*>(QString::number(WebDlg2::kIdDownload));
    ASSERT_NE(download, nullptr);
    EXPECT_EQ(download->isEnabled(), !c.newest);
    // Escape acts as the download button only while that is enabled.
    dialog.reject();
    EXPECT_EQ(dialog.DownloadRequested(), !c.newest);
  }
}

// The download button opens the download page and ends the program.
TEST_F(NewsCheckApp, DownloadButtonOpensTheDownloadPageAndClosesTheProgram) {
  server_.Set("/pennet2/pennet2.txt", News("9.0.0", "2026-12-10"));
  app_.Frame().show();
  WhenModal([](QWidget* modal) {
    modal->findChild<QAbstractButton*>(QString::number(WebDlg2::kIdDownload))->click();
  });
  app_.pennet->CheckNews(true);
  ASSERT_TRUE(shelltest::WaitUntil([&] { return !opened_.empty(); }));
  EXPECT_EQ(opened_, std::vector<std::string>{"http://www.pennet.example/download/"});
  EXPECT_TRUE(shelltest::WaitUntil([&] { return !app_.Frame().isVisible(); }));
}

TEST_F(NewsCheckApp, HelpMenuOpensThePublishersPages) {
  app_.pennet->GetWebConfig().productCode = "pn2";
  app_.Frame().UpdateCommandUI();  // as the menu opens: web use is on
  const std::vector<std::pair<int, std::string>> pages = {
      {app::ID_WEB_QUESTIONS, "pnfaq"}, {app::ID_WEB_ASK_EVERYONE, "pnoqa"}, {app::ID_WEB_REQUEST_BOARD, "pnreq"}};
  for (const auto& [command, id] : pages) {
    QAction* action = app_.Frame().CommandAction(command);
    ASSERT_NE(action, nullptr);
    action->trigger();
    EXPECT_EQ(opened_.back(), "http://www.pennet.example/site/gd/index.php?id=" + id + "&app=pn2");
  }
  EXPECT_EQ(app_.Frame().CommandAction(app::ID_WEB_QUESTIONS)->text().toStdString(),
            app::LoadAppString(app::kStrQuestions));
}

}  // namespace news_check_app_test
