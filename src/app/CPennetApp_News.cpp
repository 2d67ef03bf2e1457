// The news check: the publisher's version and news text, read on a worker
// at start-up (at most once a day) or at once when the user asks, and shown
// in the version dialog at the next quiet moment; and the web pages of the
// Help menu.
#include <QApplication>
#include <QDate>
#include <QDesktopServices>
#include <QMetaObject>
#include <QUrl>
#include <algorithm>
#include <limits>

#include "app/AppCommands.h"
#include "app/AppStrings.h"
#include "app/CPennetApp.h"
#include "app/CSMainFrame.h"
#include "app/WebDlg2.h"
#include "page/AppPrefs.h"
#include "page/PnGlobal.h"
#include "platform/Cp932.h"
#include "platform/Hooks.h"

namespace app {

namespace {

std::function<void(const std::string&)>& WebPageOpener() {
  static std::function<void(const std::string&)> opener;
  return opener;
}

int ToPrefValue(std::int64_t day) {
  return static_cast<int>(std::clamp<std::int64_t>(day, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

std::int64_t CPennetApp::TodayDayNumber() const {
  if (dayClock_) return dayClock_();
  const QDate today = QDate::currentDate();
  if (!today.isValid()) return 0;
  return imaging::NewsDayNumber(today.year(), today.month(), today.day());
}

void CPennetApp::ReadOwnVersion(imaging::NewsInfo& info) {
  info.runningMajor = PENNET_VERSION_MAJOR;
  info.runningMinor = PENNET_VERSION_MINOR;
  info.runningBuild = PENNET_VERSION_BUILD;
}

// An automatic check that shows nothing leaves the next one to the following
// day; one that shows the dialog waits three days (ShowVersionDialog).
void CPennetApp::CheckNews(bool manual) {
  page::PnGlobal& global = page::PnGlobal::Get();
  page::AppPrefs& prefs = *global.prefs;
  const std::int64_t today = TodayDayNumber();
  // A clock set back (today before the stored day) checks again.
  if (!manual && prefs.mLastWebCheckDate <= today && today < std::int64_t{prefs.mLastWebCheckDate} + 3) return;
  prefs.mLastWebCheckDate = ToPrefValue(today - 2);
  prefs.SavePrefs(settings_);
  if (global.webUse == 0) return;

  if (manual) {
    // A check started at start-up may still be reading: this one waits for
    // it and then gives its own answer.
    JoinNewsThread();
    newsInfo_.forceFlag.store(1);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int result = NewsThreadProc();
    QApplication::restoreOverrideCursor();
    // A result still waiting to be shown is not a failed connection: the
    // dialog shows it next.
    if (newsInfo_.forceFlag.exchange(0) != 0 && result != kNewsCheckSkipped)
      platform::ShowMessage(LoadAppString(kStrNewsNoConnection));
    QueueIdle();
    return;
  }
  newsInfo_.forceFlag.store(0);
  JoinNewsThread();
  newsThread_ = std::thread([this] {
    NewsThreadProc();
    QueueIdle();
  });
}

int CPennetApp::NewsThreadProc() {
  if (newsInfo_.newFlag.load() != 0 || newsThreadRunning_.exchange(1) != 0) return kNewsCheckSkipped;
  ReadOwnVersion(newsInfo_);
  imaging::CRWebVerGet check(&newsInfo_, webConfig_, page::PnGlobal::Get().prefs->mLastNewsVersion);
  check.Run();
  newsThreadRunning_.store(0);
  return 0;
}

void CPennetApp::JoinNewsThread() {
  if (newsThread_.joinable()) newsThread_.join();
}

void CPennetApp::QueueIdle() { QMetaObject::invokeMethod(this, [this] { OnIdle(); }, Qt::QueuedConnection); }

void CPennetApp::OnIdle() {
  if (newsInfo_.newFlag.exchange(0) != 0) ShowVersionDialog();
}

void CPennetApp::ShowVersionDialog() {
  page::AppPrefs& prefs = *page::PnGlobal::Get().prefs;
  const std::int64_t today = TodayDayNumber();
  WebDlg2 dialog(newsInfo_, today, mainFrame_.get());
  // Kept in memory; they reach the settings with the other preferences.
  prefs.mLastWebCheckDate = ToPrefValue(today);
  prefs.mLastNewsVersion = ToPrefValue(imaging::NewsDayNumber(newsInfo_.newsYear, newsInfo_.newsMonth, newsInfo_.newsDay));
  if (dialog.DoModal() == QDialog::Rejected && dialog.DownloadRequested()) {
    OpenWebPage(platform::Cp932ToUtf8Replacing(newsInfo_.downloadAddress), std::string());
    if (mainFrame_) QMetaObject::invokeMethod(mainFrame_.get(), "close", Qt::QueuedConnection);
  }
}

void CPennetApp::SetWebPageOpener(std::function<void(const std::string& url)> opener) {
  WebPageOpener() = std::move(opener);
}

void CPennetApp::OpenWebPage(const std::string& address, const std::string& suffix) {
  const std::string url = address + suffix;
  if (WebPageOpener()) {
    WebPageOpener()(url);
    return;
  }
  // The desktop's browser; a failure is not reported, as before.
  QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

std::string CPennetApp::WebPageAddress(int command) const {
  const char* page = nullptr;
  switch (command) {
    case ID_WEB_QUESTIONS: page = "pnfaq"; break;
    case ID_WEB_ASK_EVERYONE: page = "pnoqa"; break;
    case ID_WEB_REQUEST_BOARD: page = "pnreq"; break;
    default: return std::string();
  }
  return webConfig_.sitePageUrl + "?id=" + page + "&app=" + webConfig_.productCode;
}

}  // namespace app
