// The main frame's menus and the commands of the application, the
// documents, the windows, the bars and the help menu.
#include <QAction>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <span>
#include <utility>

#include "app/AppCommands.h"
#include "app/AppStrings.h"
#include "app/CBodyMixDialog.h"
#include "app/CPennetApp.h"
#include "app/CPageViewBase.h"
#include "app/CPennetDoc.h"
#include "app/CSChildFrame.h"
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
  menus_.insert(kObjectMenu, menuBar()->addMenu(QStringLiteral("オブジェクト(&O)")));
  menus_.insert(kImageMenu, menuBar()->addMenu(QStringLiteral("画像(&I)")));
  menus_.insert(kWindowMenu, menuBar()->addMenu(QStringLiteral("ウィンドウ(&W)")));
  menus_.insert(kHelpMenu, menuBar()->addMenu(QStringLiteral("ヘルプ(&H)")));
  CreateFileCommands();
  CreatePageCommands();
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
  AddCommand(ID_FILE_PRINT_SETUP, QStringLiteral("プリンタの設定(&U)..."), menu);
  menu->addSeparator();
  recentFileSeparator_ = menu->addSeparator();
  for (int i = 0; i < app_.GetRecentFiles().GetSize(); ++i) {
    QAction* action = AddCommand(ID_FILE_MRU_FILE1 + i, QString(), nullptr);
    menu->insertAction(recentFileSeparator_, action);
    connect(action, &QAction::triggered, this, &CSMainFrame::onOpenRecentFile);
    recentFileActions_ << action;
  }
  AddCommand(ID_PERSON_COMPOSER, QStringLiteral("人物の合成（カスタム人物）(&M)..."), menu);
  menu->addSeparator();
  AddCommand(ID_APP_EXIT, QStringLiteral("アプリケーションの終了(&X)"), menu);

  connect(CommandAction(ID_FILE_NEW), &QAction::triggered, &app_, [this] { app_.OnFileNew(); });
  connect(CommandAction(ID_PERSON_COMPOSER), &QAction::triggered, this, [this] { RunPersonComposer(); });
  connect(CommandAction(ID_FILE_OPEN), &QAction::triggered, &app_, [this] { app_.OnFileOpen(); });
  connect(CommandAction(ID_FILE_CLOSE), &QAction::triggered, this, [this] {
    if (QMdiSubWindow* window = mdiArea_->currentSubWindow()) window->close();
  });
  connect(CommandAction(ID_FILE_SAVE), &QAction::triggered, this, [this] {
    if (CPennetDoc* doc = app_.GetActiveDocument()) app_.DoFileSave(*doc);
  });
  // A launched page keeps the launcher's title after Save As.
  connect(CommandAction(ID_FILE_SAVE_AS), &QAction::triggered, this, [this] {
    CPennetDoc* doc = app_.GetActiveDocument();
    if (doc == nullptr) return;
    app_.DoSaveAs(*doc);
    CPageViewBase* view = GetActiveView();
    if (view != nullptr && &view->GetDocument() == doc && view->IsLaunchedPage())
      doc->SetTitle(QString::fromStdString(view->GetLaunch().launchTitle));
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
  connect(CommandAction(ID_FILE_PRINT_SETUP), &QAction::triggered, this, [this] { RunPrinterSetup(this); });
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
  // Going round the page windows, as MDI programs do; no menu items.
  QAction* next = AddCommand(ID_WINDOW_NEXT, QStringLiteral("次のウィンドウ"), nullptr);
  next->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F6));
  connect(next, &QAction::triggered, mdiArea_, &QMdiArea::activateNextSubWindow);
  QAction* previous = AddCommand(ID_WINDOW_PREVIOUS, QStringLiteral("前のウィンドウ"), nullptr);
  previous->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6));
  connect(previous, &QAction::triggered, mdiArea_, &QMdiArea::activatePreviousSubWindow);
  connect(menu, &QMenu::aboutToShow, this, &CSMainFrame::onUpdateWindowList);
}

// The Window menu ends with the open pages in the order they were opened,
// "&1 title" and so on, the active one ticked; choosing one brings it up.
void CSMainFrame::onUpdateWindowList() {
  QMenu* menu = GetMenu(kWindowMenu);
  for (QAction* action : windowListActions_) {
    menu->removeAction(action);
    action->deleteLater();
  }
  windowListActions_.clear();
  const std::vector<CSChildFrame*> frames = GetChildFrames();
  if (frames.empty()) return;
  windowListActions_ << menu->addSeparator();
  const CSChildFrame* active = GetActiveChildFrame();
  int number = 0;
  for (CSChildFrame* frame : frames) {
    ++number;
    QString title = frame->GetDocument().GetTitle();
    title.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const QString text = number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(title) : title;
    QAction* action = menu->addAction(text);
    action->setData(ID_WINDOW_FIRST_PAGE + number - 1);
    action->setCheckable(true);
    action->setChecked(frame == active);
    connect(action, &QAction::triggered, this, [this, target = QPointer<CSChildFrame>(frame)] {
      if (target.isNull() || target->IsClosing()) return;
      if (target->isMinimized()) target->showNormal();
      mdiArea_->setActiveSubWindow(target);
    });
    windowListActions_ << action;
  }
}

void CSMainFrame::CreateHelpCommands() {
  QMenu* menu = GetMenu(kHelpMenu);
  connect(AddCommand(ID_BASIC_MANUAL, QStringLiteral("基本マニュアル(&B)..."), menu), &QAction::triggered, this,
          &CSMainFrame::onBasicManual);
  connect(AddCommand(ID_APPLIED_MANUAL, QStringLiteral("応用マニュアル(&E)..."), menu), &QAction::triggered, this,
          &CSMainFrame::onAppliedManual);
  menu->addSeparator();
  for (const auto& [id, text] : {std::pair{ID_WEB_QUESTIONS, kStrQuestions}, std::pair{ID_WEB_ASK_EVERYONE, kStrAskEveryone},
                                 std::pair{ID_WEB_REQUEST_BOARD, kStrRequestBoard}}) {
    connect(AddCommand(id, QString::fromStdString(LoadAppString(text)), menu), &QAction::triggered, this,
            [this, page = id] { CPennetApp::OpenWebPage(app_.WebPageAddress(page), std::string()); });
  }
  menu->addSeparator();
  connect(AddCommand(ID_CHECK_NEWS, QStringLiteral("最新情報(&N)..."), menu), &QAction::triggered, this,
          [this] { app_.CheckNews(true); });
  connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandUI(); });
}

// The composer needs its default parts; without them it does not open.
void CSMainFrame::RunPersonComposer() {
  CBodyMixDialog dialog(this);
  if (dialog.PrepareMix() != 0) {
    platform::ShowMessage(LoadAppString(kStrOutOfMemory));
    return;
  }
  dialog.DoModal();
}

// The basic manual is the PDF, the applied one the same text as a web page.
void CSMainFrame::onBasicManual() {
  OpenManualFile(QString::fromStdString(LoadAppString(kStrBasicManualFile)), LoadAppString(kStrNeedPdfReader));
}

void CSMainFrame::onAppliedManual() { OpenManualFile(QStringLiteral("index.html"), std::string()); }

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
  CPageViewBase* view = GetActiveView();
  const bool launched = view != nullptr && view->IsLaunchedPage();
  // A launched page goes back to its launcher: no other page from here.
  for (const int id : {ID_FILE_NEW, ID_FILE_OPEN}) {
    if (QAction* action = CommandAction(id)) action->setEnabled(!launched);
  }
  if (QAction* save = CommandAction(ID_FILE_SAVE); save != nullptr && launched) save->setEnabled(false);
  if (QAction* close = CommandAction(ID_FILE_CLOSE)) {
    close->setText(launched ? QString::fromStdString(LoadAppString(kStrCloseToLauncherStart) +
                                                     view->GetLaunch().launcherName +
                                                     LoadAppString(kStrCloseToLauncherEnd))
                                  .section(QLatin1Char('\t'), 0, 0)
                            : QStringLiteral("閉じる(&C)"));
  }
  // The web's own commands need web use.
  const bool webUse = page::PnGlobal::Get().webUse != 0;
  for (const int id : {ID_CHECK_NEWS, ID_WEB_REQUEST_BOARD}) {
    if (QAction* action = CommandAction(id)) action->setEnabled(webUse);
  }
  UpdatePageCommands(view);
}

void CSMainFrame::UpdatePageCommands(CPageViewBase* view) {
  for (const int id : pageCommands_) {
    QAction* action = CommandAction(id);
    CommandState state;
    const bool known = view != nullptr && view->GetCommandState(id, state);
    action->setEnabled(known && state.enabled);
    if (action->isCheckable()) action->setChecked(known && state.checked);
  }
}

namespace {

struct PageCommandSpec {
  int id;
  const char* text;
  QKeyCombination key;  // QKeyCombination() for none
  bool checkable;
};

// The page's commands by menu, in menu order; id 0 is a separator.
constexpr QKeyCombination kNoKey{};
constexpr Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

const PageCommandSpec kInsertCommands[] = {
    {ID_INSERT_PICTURE, "画像ファイル...", Qt::CTRL | Qt::Key_I, false},
    {ID_INSERT_3D, "CorvandelVeltoファイル...", Qt::CTRL | Qt::Key_R, false},
    {ID_INSERT_TEXT, "テキストファイル...", kNoKey, false},
    {ID_INSERT_PAGE, "Pennetファイル...", kNoKey, false},
};

const PageCommandSpec kEditCommands[] = {
    {ID_EDIT_UNDO, "元に戻す(&U)", Qt::CTRL | Qt::Key_Z, false},
    {ID_EDIT_REDO, "やりなおす(&R)", Qt::CTRL | Qt::Key_Y, false},
    {0, nullptr, kNoKey, false},
    {ID_EDIT_CUT, "切り取り(&T)", Qt::CTRL | Qt::Key_X, false},
    {ID_EDIT_COPY, "コピー(&C)", Qt::CTRL | Qt::Key_C, false},
    {ID_EDIT_PASTE, "貼り付け(&P)", Qt::CTRL | Qt::Key_V, false},
    {ID_EDIT_DELETE, "消去(&X)", QKeyCombination(Qt::Key_Delete), false},
    {0, nullptr, kNoKey, false},
    {ID_SELECT_ALL, "すべて選択(&A)", Qt::CTRL | Qt::Key_A, false},
    {ID_SELECT_NONE, "選択解除(&D)", Qt::CTRL | Qt::Key_D, false},
    {ID_SELECT_PICTURES, "画像図形を選択(&I)", kNoKey, false},
    {ID_SELECT_2D, "平面図形を選択(&2)", kNoKey, false},
    {ID_SELECT_3D, "立体図形を選択(&3)", kNoKey, false},
    {ID_SELECT_TEXTS, "文字図形を選択(&T)", kNoKey, false},
    {ID_SELECT_FRAME_CONTENTS, "選択コマ枠内の図形を選択(&L)", Qt::CTRL | Qt::Key_L, false},
    {ID_SELECT_FRAMES_OF_SELECTION, "選択図形が所属するコマ枠を選択(&M)", QKeyCombination(kCtrlShift, Qt::Key_L), false},
};

const PageCommandSpec kObjectCommands[] = {
    {ID_GROUP, "グループ化(&G)", Qt::CTRL | Qt::Key_G, false},
    {ID_UNGROUP, "グループ解除(&U)", Qt::CTRL | Qt::Key_U, false},
    {ID_TO_FRONT, "最前面へ(&F)", Qt::CTRL | Qt::Key_F, false},
    {ID_TO_BACK, "最背面へ(&B)", Qt::CTRL | Qt::Key_B, false},
    {ID_HIDE, "隠す(&H)", Qt::CTRL | Qt::Key_H, false},
    {ID_SHOW_ALL, "すべてを表示(&V)", QKeyCombination(kCtrlShift, Qt::Key_H), false},
    {0, nullptr, kNoKey, false},
    {ID_FRAME_SET, "コマ枠にする", Qt::CTRL | Qt::Key_K, false},
    {ID_FRAME_RELEASE, "コマ枠解除", QKeyCombination(kCtrlShift, Qt::Key_K), false},
    {ID_FRAME_VOID, "コマ枠一時無効", QKeyCombination(kCtrlShift | Qt::AltModifier, Qt::Key_K), false},
    {ID_FRAME_INSERT, "コマ枠に入れる", Qt::CTRL | Qt::Key_J, false},
    {ID_FRAME_TAKE_OUT, "コマ枠から出す", QKeyCombination(kCtrlShift, Qt::Key_J), false},
    {0, nullptr, kNoKey, false},
    {ID_SIZE_AND_POSITION, "大きさと位置(&P)...", QKeyCombination(kCtrlShift, Qt::Key_P), false},
    {ID_MIRROR, "左右反転(&M)...", kNoKey, false},
    {ID_EDIT_CONTENT, "内容を編集(&Z)...", QKeyCombination(kCtrlShift, Qt::Key_Y), false},
    {ID_EDIT_POINTS, "頂点を編集(&A)", QKeyCombination(kCtrlShift, Qt::Key_V), false},
    {ID_CONVERT_TO_PICTURE, "画像図形に変換(&I)...", QKeyCombination(kCtrlShift, Qt::Key_X), false},
    {ID_COMPOSE_PICTURE, "セリフ枠の合成(&C)...", kNoKey, false},
};

// Ctrl+Shift+L selects the frames of the selection; aligning the left
// edges takes Ctrl+Shift+Q, which nothing else uses.
const PageCommandSpec kAlignCommands[] = {
    {ID_ALIGN_TOP, "上端をそろえる(&U)", QKeyCombination(kCtrlShift, Qt::Key_F), false},
    {ID_ALIGN_MIDDLE, "中心の上下位置をそろえる(&M)", QKeyCombination(kCtrlShift, Qt::Key_E), false},
    {ID_ALIGN_BOTTOM, "下端をそろえる(&D)", QKeyCombination(kCtrlShift, Qt::Key_D), false},
    {ID_ALIGN_RIGHT, "右端をそろえる(&R)", QKeyCombination(kCtrlShift, Qt::Key_N), false},
    {ID_ALIGN_CENTRE, "中心の左右位置をそろえる(&C)", QKeyCombination(kCtrlShift, Qt::Key_M), false},
    {ID_ALIGN_LEFT, "左端をそろえる(&L)", QKeyCombination(kCtrlShift, Qt::Key_Q), false},
    {0, nullptr, kNoKey, false},
    {ID_SPACE_CENTRES_VERTICAL, "中心の上下間隔をそろえる(&V)", kNoKey, false},
    {ID_SPACE_CENTRES_HORIZONTAL, "中心の左右間隔をそろえる(&H)", kNoKey, false},
    {ID_SPACE_GAPS_VERTICAL, "上下の隙間をそろえる(&A)", kNoKey, false},
    {ID_SPACE_GAPS_HORIZONTAL, "左右の隙間をそろえる(&S)", kNoKey, false},
    {ID_SAME_HEIGHT, "高さをそろえる(&H)", kNoKey, false},
    {ID_SAME_WIDTH, "幅をそろえる(&W)", kNoKey, false},
};

const PageCommandSpec kZoomCommands[] = {
    {ID_ZOOM_400, "400%(&1)", Qt::ALT | Qt::Key_1, true},
    {ID_ZOOM_300, "300%(&2)", Qt::ALT | Qt::Key_2, true},
    {ID_ZOOM_200, "200%(&3)", Qt::ALT | Qt::Key_3, true},
    {ID_ZOOM_150, "150%(&4)", Qt::ALT | Qt::Key_4, true},
    {ID_ZOOM_100, "100%(&5)", Qt::ALT | Qt::Key_5, true},
    {ID_ZOOM_75, "75%(&6)", Qt::ALT | Qt::Key_6, true},
    {ID_ZOOM_50, "50%(&7)", Qt::ALT | Qt::Key_7, true},
    {ID_ZOOM_25, "25%(&8)", Qt::ALT | Qt::Key_8, true},
    {0, nullptr, kNoKey, false},
    {ID_ZOOM_IN, "拡大(&U)", Qt::CTRL | Qt::Key_Plus, false},
    {ID_ZOOM_OUT, "縮小(&D)", Qt::CTRL | Qt::Key_Minus, false},
};

const PageCommandSpec kGridCommands[] = {
    {ID_GRID_SETTINGS, "グリッドの設定(&B)...", QKeyCombination(kCtrlShift, Qt::Key_R), false},
    {ID_GRID_SHOW, "グリッドを表示(&G)", QKeyCombination(kCtrlShift, Qt::Key_G), true},
    {ID_GRID_SNAP, "グリッドにスナップ(&N)", QKeyCombination(kCtrlShift, Qt::Key_I), true},
};

const PageCommandSpec kImageCommands[] = {
    {ID_COPY_PICTURE, "画像をコピー(&G)", QKeyCombination(kCtrlShift, Qt::Key_C), false},
    {ID_SAVE_PICTURE, "画像を保存(&I)...", Qt::CTRL | Qt::Key_M, false},
    {ID_OUTPUT_SIZE, "出力サイズと背景の設定(&O)...", Qt::CTRL | Qt::Key_T, false},
    {0, nullptr, kNoKey, false},
    {ID_FILE_PROPERTIES, "ファイルプロパティの編集(&E)...", kNoKey, false},
    {ID_EXPORT_SCENE, "CorvandelVelto形式で保存(&R)...", QKeyCombination(kCtrlShift, Qt::Key_W), false},
    {ID_ANIMATED_GIF, "アニメーションGIFの保存(&G)...", kNoKey, false},
};

const PageCommandSpec kCopyFormatCommands[] = {
    {ID_COPY_FORMAT_AUTO, "自動(&A)", QKeyCombination(kCtrlShift, Qt::Key_A), true},
    {ID_COPY_FORMAT_METAFILE, "拡張メタファイル(&M)", kNoKey, true},
    {ID_COPY_FORMAT_PNG, "PNG(&P)", kNoKey, true},
    {ID_COPY_FORMAT_BITMAP, "ビットマップ(&B)", QKeyCombination(kCtrlShift, Qt::Key_B), true},
};

}  // namespace

void CSMainFrame::CreatePageCommands() {
  const auto addAll = [this](QMenu* menu, std::span<const PageCommandSpec> specs) {
    for (const PageCommandSpec& spec : specs) {
      if (spec.id == 0) {
        menu->addSeparator();
        continue;
      }
      QAction* action = AddCommand(spec.id, QString::fromUtf8(spec.text), menu);
      if (spec.key != kNoKey) action->setShortcut(QKeySequence(spec.key));
      action->setCheckable(spec.checkable);
      pageCommands_ << spec.id;
      connect(action, &QAction::triggered, this, [this, id = spec.id] {
        if (CPageViewBase* view = GetActiveView()) view->OnCommand(id);
      });
    }
  };
  QMenu* edit = GetMenu(kEditMenu);
  addAll(edit, kEditCommands);
  edit->addSeparator();
  addAll(edit->addMenu(QStringLiteral("挿入(&N)")), kInsertCommands);
  QMenu* object = GetMenu(kObjectMenu);
  addAll(object, kObjectCommands);
  object->addSeparator();
  addAll(object->addMenu(QStringLiteral("整列(&L)")), kAlignCommands);
  QMenu* view = GetMenu(kViewMenu);
  addAll(view->addMenu(QStringLiteral("ズーム(&Z)")), kZoomCommands);
  addAll(view, kGridCommands);
  view->addSeparator();
  QMenu* image = GetMenu(kImageMenu);
  addAll(image, kImageCommands);
  addAll(image->addMenu(QStringLiteral("画像のコピー形式(&F)")), kCopyFormatCommands);
  for (QMenu* menu : {edit, object, view, image}) connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandUI(); });
  UpdatePageCommands(nullptr);
}

}  // namespace app
