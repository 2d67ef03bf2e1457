// The main frame's menus and the commands of the application, the
// documents, the windows, the bars and the help menu.
#include <QAction>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "app/AppCommands.h"
#include "app/AppStrings.h"
#include "app/CPennetApp.h"
#include "app/CPageViewBase.h"
#include "app/CPennetDoc.h"
#include "app/CSMainFrame.h"
#include "app/PagePrinter.h"
#include "app/SettingsDialogs.h"
#include "page/PnGlobal.h"
#include "platform/Hooks.h"

namespace app {

QMenu* CSMainFrame::GetMenu(MenuId menu) const { return menus_.value(menu, nullptr); }

QAction* CSMainFrame::CommandAction(int id) const { return commands_.value(id, nullptr); }

QAction* CSMainFrame::AddCommand(int id, const QString& text, QMenu* menu) {
  auto* action = new QAction(text, this);
  action->setData(id);
  commands_.insert(id, action);
  if (menu != nullptr) menu->addAction(action);
  addAction(action);  // its shortcut works wherever the focus is
  return action;
}

void CSMainFrame::CreateMenus() {
  menus_.insert(kFileMenu, menuBar()->addMenu(QStringLiteral("ファイル(&F)")));
  menus_.insert(kEditMenu, menuBar()->addMenu(QStringLiteral("編集(&E)")));
  menus_.insert(kViewMenu, menuBar()->addMenu(QStringLiteral("表示(&V)")));
  menus_.insert(kWindowMenu, menuBar()->addMenu(QStringLiteral("ウィンドウ(&W)")));
  menus_.insert(kHelpMenu, menuBar()->addMenu(QStringLiteral("ヘルプ(&H)")));
  CreateFileCommands();
  CreateWindowCommands();
  CreateHelpCommands();
  // The options change the preferences record, which is saved when the
  // program ends.
  QAction* options = AddCommand(ID_OPTIONS, QStringLiteral("オプション(&N)..."), GetMenu(kEditMenu));
  options->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
  connect(options, &QAction::triggered, this, [] {
    page::AppPrefs& prefs = *page::PnGlobal::Get().prefs;
    CPrefsDialog dialog;
    dialog.Load(prefs);
    if (dialog.DoModal() == QDialog::Accepted) dialog.Store(prefs);
  });
  // The View menu's bar commands come with the bars (CreateViewCommands).
}

void CSMainFrame::CreateFileCommands() {
  QMenu* menu = GetMenu(kFileMenu);
  AddCommand(ID_FILE_NEW, QStringLiteral("新規作成(&N)"), menu)->setShortcut(QKeySequence::New);
  AddCommand(ID_FILE_OPEN, QStringLiteral("開く(&O)..."), menu)->setShortcut(QKeySequence::Open);
  AddCommand(ID_FILE_CLOSE, QStringLiteral("閉じる(&C)"), menu)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  AddCommand(ID_FILE_SAVE, QStringLiteral("上書き保存(&S)"), menu)->setShortcut(QKeySequence::Save);
  AddCommand(ID_FILE_SAVE_AS, QStringLiteral("名前を付けて保存(&A)..."), menu)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  menu->addSeparator();
  AddCommand(ID_FILE_PRINT, QStringLiteral("印刷(&P)..."), menu)->setShortcut(QKeySequence::Print);
  AddCommand(ID_FILE_PRINT_PREVIEW, QStringLiteral("印刷プレビュー(&V)"), menu);
  menu->addSeparator();
  recentFileSeparator_ = menu->addSeparator();
  for (int i = 0; i < app_.GetRecentFiles().GetSize(); ++i) {
    QAction* action = AddCommand(ID_FILE_MRU_FILE1 + i, QString(), nullptr);
    menu->insertAction(recentFileSeparator_, action);
    connect(action, &QAction::triggered, this, &CSMainFrame::onOpenRecentFile);
    recentFileActions_ << action;
  }
  AddCommand(ID_APP_EXIT, QStringLiteral("アプリケーションの終了(&X)"), menu);

  connect(CommandAction(ID_FILE_NEW), &QAction::triggered, &app_, [this] { app_.OnFileNew(); });
  connect(CommandAction(ID_FILE_OPEN), &QAction::triggered, &app_, [this] { app_.OnFileOpen(); });
  connect(CommandAction(ID_FILE_CLOSE), &QAction::triggered, this, [this] {
    if (QMdiSubWindow* window = mdiArea_->currentSubWindow()) window->close();
  });
  connect(CommandAction(ID_FILE_SAVE), &QAction::triggered, this, [this] {
    if (CPennetDoc* doc = app_.GetActiveDocument()) app_.DoFileSave(*doc);
  });
  connect(CommandAction(ID_FILE_SAVE_AS), &QAction::triggered, this, [this] {
    if (CPennetDoc* doc = app_.GetActiveDocument()) app_.DoSaveAs(*doc);
  });
  connect(CommandAction(ID_FILE_PRINT), &QAction::triggered, this, [this] {
    CPageViewBase* view = GetActiveView();
    if (page::SView* renderer = view != nullptr ? view->GetPageRenderer() : nullptr)
      RunPrintDialog(*renderer, view->GetDocument().GetSDoc(), this);
  });
  connect(CommandAction(ID_FILE_PRINT_PREVIEW), &QAction::triggered, this, [this] {
    CPageViewBase* view = GetActiveView();
    if (page::SView* renderer = view != nullptr ? view->GetPageRenderer() : nullptr)
      ShowPrintPreview(*renderer, view->GetDocument().GetSDoc(), this);
  });
  // Exit takes the path of closing the window.
  connect(CommandAction(ID_APP_EXIT), &QAction::triggered, this, &QWidget::close);
  connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandUI(); });
  connect(&app_, &CPennetApp::sigRecentFilesChanged, this, &CSMainFrame::onUpdateRecentFileMenu);
  connect(&app_, &CPennetApp::sigDocumentCountChanged, this, [this] { UpdateCommandUI(); });
  onUpdateRecentFileMenu();
}

void CSMainFrame::CreateWindowCommands() {
  QMenu* menu = GetMenu(kWindowMenu);
  connect(AddCommand(ID_WINDOW_CASCADE, QStringLiteral("重ねて表示(&C)"), menu), &QAction::triggered, mdiArea_,
          &QMdiArea::cascadeSubWindows);
  connect(AddCommand(ID_WINDOW_TILE_HORZ, QStringLiteral("並べて表示(&T)"), menu), &QAction::triggered, mdiArea_,
          &QMdiArea::tileSubWindows);
}

void CSMainFrame::CreateHelpCommands() {
  QMenu* menu = GetMenu(kHelpMenu);
  connect(AddCommand(ID_BASIC_MANUAL, QStringLiteral("基本マニュアル(&B)..."), menu), &QAction::triggered, this,
          &CSMainFrame::onBasicManual);
  connect(AddCommand(ID_APPLIED_MANUAL, QStringLiteral("応用マニュアル(&E)..."), menu), &QAction::triggered, this,
          &CSMainFrame::onAppliedManual);
}

void CSMainFrame::onBasicManual() {
  if (!OpenManualFile(QString::fromStdString(LoadAppString(kStrBasicManualFile))))
    platform::ShowMessage(LoadAppString(kStrNeedPdfReader));
}

void CSMainFrame::onAppliedManual() { OpenManualFile(QStringLiteral("index.html")); }

// The entries show "&1 path" and so on; the separator after them shows only
// with a list.
void CSMainFrame::onUpdateRecentFileMenu() {
  const CRecentFileList& recent = app_.GetRecentFiles();
  for (int i = 0; i < recentFileActions_.size(); ++i) {
    QAction* action = recentFileActions_[i];
    const bool listed = i < recent.GetCount();
    action->setVisible(listed);
    if (listed) action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QString::fromStdString(recent[i])));
  }
  recentFileSeparator_->setVisible(recent.GetCount() > 0);
}

void CSMainFrame::onOpenRecentFile() {
  if (const auto* action = qobject_cast<const QAction*>(sender())) app_.OnOpenRecentFile(action->data().toInt());
}

void CSMainFrame::UpdateCommandUI() {
  const bool hasDocument = app_.GetActiveDocument() != nullptr;
  for (const int id : {ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW}) {
    if (QAction* action = CommandAction(id)) action->setEnabled(hasDocument);
  }
}

}  // namespace app
