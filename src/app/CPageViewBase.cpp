#include "app/CPageViewBase.h"

#include "app/AppStrings.h"
#include "app/CLauncherLink.h"
#include "app/CPennetApp.h"
#include "app/CPennetDoc.h"
#include "app/CSMainFrame.h"
#include "platform/Hooks.h"

namespace app {
namespace {

int gViewCount = 0;

}  // namespace

CPageViewBase::CPageViewBase(CPennetDoc& doc, QWidget* parent)
    : QWidget(parent), doc_(doc), viewNumber_(++gViewCount) {
  connect(&doc_, &CPennetDoc::sigPageChanged, this, &CPageViewBase::onPageChanged);
}

CPageViewBase::~CPageViewBase() = default;

// The first view after a launch hand-off belongs to the launcher: the page
// takes the launcher's title and the launcher learns the page's number.
void CPageViewBase::OnInitialUpdate() {
  std::optional<LaunchBlock> launch = TakePendingLaunch();
  if (!launch || launch->channel.empty()) return;
  launch_ = std::move(*launch);
  launcher_ = new CLauncherLink(QString::fromStdString(launch_.channel), this);
  connect(launcher_, &CLauncherLink::sigCloseRequested, this, &CPageViewBase::onLauncherClose);
  doc_.SetTitle(QString::fromStdString(launch_.launchTitle));
  launcher_->Post(CLauncherLink::kPageOpened, viewNumber_);
}

void CPageViewBase::OnUpdate(int) { update(); }

void CPageViewBase::OnActivateView(bool) {}

void CPageViewBase::onPageChanged(int hint) { OnUpdate(hint); }

bool CPageViewBase::AskApplyAndClose(bool closeMainFrame) {
  const std::string question = LoadAppString(kStrLaunchQuestionStart) + launch_.launcherName +
                               LoadAppString(doc_.IsModified() ? kStrLaunchQuestionEndModified
                                                                    : kStrLaunchQuestionEnd);
  switch (platform::ShowMessage(question, "Pennet", platform::kMbYesNoCancel | platform::kMbIconQuestion)) {
    case platform::kIdYes:
      if (ExportForLauncher() < 0) return false;
      CloseForLauncher(false, closeMainFrame);
      return true;
    case platform::kIdNo:
      CloseForLauncher(true, closeMainFrame);
      return true;
    default: return false;
  }
}

void CPageViewBase::CloseForLauncher(bool discarded, bool closeMainFrame) {
  if (launcher_ != nullptr)
    launcher_->Post(discarded ? CLauncherLink::kPageDiscarded : CLauncherLink::kPageApplied, 0);
  doc_.SetModifiedFlag(false);
  CPennetApp* app = CPennetApp::Get();
  if (app == nullptr) return;
  CSMainFrame* frame = app->GetMainFrame();
  app->CloseDocument(doc_);
  if (closeMainFrame && frame != nullptr) frame->SaveStateAndClose();
}

// The launcher's request closes the page as applied, without a question.
void CPageViewBase::onLauncherClose() { CloseForLauncher(false, true); }

}  // namespace app
