#include "app/CLibBar.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/CThumbDialog.h"
#include "imaging/archive/SArchiver.h"
#include "page/LibrarySearch.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/WebMaterialStore.h"
#include "platform/Hooks.h"
#include "platform/Image.h"
#include "platform/Paths.h"

namespace app {

namespace {

constexpr int kPathRole = CLibList::kPathRole;
constexpr int kFilledRole = Qt::UserRole + 2;  // the item's own folders are in

struct PageSpec {
  const char* caption;
  const char* tip;
};
constexpr PageSpec kPages[CLibBar::kPageCount] = {
    {"素材", "小物や情景の素材"}, {"人物", "人物素材"}, {"表情", "表情"}, {"ﾌｧｲﾙ", "フォルダを参照"},
    {"検索", "素材を検索"}};
constexpr PageSpec kStyles[3] = {
    {"リアル", "「素材」と「人物／基本人物」の人がリアルタイプになります（お堅い文書向け）"},
    {"イラスト", "「素材」と「人物／基本人物」の人がイラストタイプになります（一般向け）"},
    {"マンガ", "「素材」と「人物／基本人物」の人がマンガタイプになります（気軽な文書向け）"}};

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

page::AppPrefs* Prefs() { return page::PnGlobal::Get().prefs.get(); }

QPixmap FallbackPicture(bool folder) {
  QPixmap pixmap(CLibList::kThumbSize, CLibList::kThumbSize);
  pixmap.fill(Qt::white);
  QPainter painter(&pixmap);
  painter.setPen(QColor(120, 120, 120));
  if (folder) {
    painter.setBrush(QColor(240, 210, 120));
    painter.drawRect(12, 20, 46, 34);
    painter.drawRect(12, 14, 18, 6);
  } else {
    painter.setBrush(QColor(230, 230, 230));
    painter.drawRect(18, 10, 34, 50);
  }
  return pixmap;
}

// The overlay of items listed through a short-cut file or from the web: a
// small corner mark.
void DrawLinkMark(QPixmap& pixmap, bool web) {
  QPainter painter(&pixmap);
  painter.setPen(Qt::NoPen);
  painter.setBrush(web ? QColor(40, 120, 220) : QColor(60, 160, 60));
  const QPoint corner[3] = {{0, 0}, {17, 0}, {0, 17}};
  painter.drawPolygon(corner, 3);
}

}  // namespace

// ---- the item list --------------------------------------------------------------

CLibList::CLibList(CLibBar& owner, QWidget* parent) : QListWidget(parent), owner_(owner) {
  setViewMode(QListView::IconMode);
  setIconSize(QSize(kThumbSize, kThumbSize));
  setResizeMode(QListView::Adjust);
  setMovement(QListView::Static);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setWordWrap(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Base, QColor(240, 240, 240));
  setPalette(colours);
  connect(this, &QListWidget::itemDoubleClicked, this, &CLibList::OnDoubleClick);
}

void CLibList::ShowFolder(const std::string& folder) {
  if (!folder.empty()) folder_ = folder;
  clear();
  scrollToTop();
  if (folder_.empty()) return;
  const page::AppPrefs* prefs = Prefs();
  const int gapH = prefs != nullptr ? prefs->mListGapH : 4;
  const int gapV = prefs != nullptr ? prefs->mListGapV : 34;
  setGridSize(QSize(kThumbSize + gapH + 16, kThumbSize + gapV));
  std::vector<page::library::ListItem> items;
  if (page::library::IsWebPath(folder_)) {
    if (const int rc = page::library::ReadIndexFile(owner_.Context(), folder_, items); rc < 0)
      page::ReportErrorCode(rc);
  } else {
    items = page::library::ListFolderItems(owner_.Context(), page::PnGlobal::Get(), folder_);
  }
  for (const page::library::ListItem& entry : items) {
    auto* item = new QListWidgetItem(QIcon(owner_.Thumbnail(entry.path, entry.link)), Q(entry.title), this);
    item->setData(kPathRole, Q(entry.path));
    item->setToolTip(Q(entry.title));
  }
}

QStringList CLibList::mimeTypes() const { return {QString::fromLatin1(kLibraryItemMime)}; }

QMimeData* CLibList::mimeData(const QList<QListWidgetItem*>& items) const {
  if (items.isEmpty()) return nullptr;
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(kLibraryItemMime), items.front()->data(kPathRole).toString().toUtf8());
  return data;
}

// Folders (search results) are not dragged; materials go as their path.
void CLibList::startDrag(Qt::DropActions /*actions*/) {
  QListWidgetItem* item = currentItem();
  if (item == nullptr || platform::IsDirectory(S(item->data(kPathRole).toString()))) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(mimeData({item}));
  drag->setPixmap(item->icon().pixmap(kThumbSize / 2, kThumbSize / 2));
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

// A folder opens in its page; a material opens in the middle of the active
// page, which takes the request on its next timer tick.
void CLibList::OnDoubleClick(QListWidgetItem* item) {
  const std::string path = S(item->data(kPathRole).toString());
  if (platform::IsDirectory(path)) {
    owner_.OpenPath(path, false);
    return;
  }
  RequestItem(path, page::PnGlobal::kLibInsert);
}

void CLibList::RequestItem(const std::string& path, int request) {
  page::PnGlobal& global = page::PnGlobal::Get();
  if (global.activeView == nullptr) return;
  global.pendingLibPath = path;
  global.pendingLibApply = 1;
  global.pendingLibRequest = request;
}

void CLibList::contextMenuEvent(QContextMenuEvent* event) {
  QListWidgetItem* item = itemAt(event->pos());
  if (item == nullptr || page::PnGlobal::Get().activeView == nullptr) return;
  setCurrentItem(item);
  const std::string path = S(item->data(kPathRole).toString());
  const std::string kind = page::library::UpperExtension(path);
  QMenu menu(this);
  if (platform::IsDirectory(path)) {
    menu.addAction(QStringLiteral("フォルダを開く"), this, [this, path] { owner_.OpenPath(path, false); });
  } else {
    menu.addAction(QStringLiteral("開く"), this, [this, path] { RequestItem(path, page::PnGlobal::kLibInsert); });
    if (path.find(folder_) == std::string::npos) {
      menu.addAction(QStringLiteral("１つ上のフォルダを開く"), this,
                     [this, path] { owner_.OpenPath(platform::FolderOf(path), false); });
    } else if (kind == "Z4I" || kind == "Z4H" || kind == "Z4E") {
      menu.addAction(QStringLiteral("選択図形の人物に適用"), this,
                     [this, path] { RequestItem(path, page::PnGlobal::kLibApply); });
    }
  }
  menu.addAction(QStringLiteral("プロパティ"), this, [this, path] { ShowItemProperties(path); });
  menu.exec(event->globalPos());
}

void CLibList::ShowItemProperties(const std::string& path) {
  std::string local = path;
  if (const int rc = page::PnGlobal::Get().GetWebStore().MakeLocal(local, true); rc < 0) {
    page::ReportErrorCode(rc);
    return;
  }
  ThumbShowFields fields;
  std::string text1, text2;
  platform::Image picture;
  if (imaging::ArcLoadFileThumbnail(local, platform::ExtensionOf(local), text1, text2, picture, kThumbSize) == 0)
    fields.thumbnail = std::move(picture);
  fields.title = text1;
  fields.description = text2;
  fields.fileName = platform::FileNameOf(path);
  fields.location = path;
  const std::string kind = page::library::UpperExtension(path);
  if (kind == "Z4T") fields.kind = "一般立体図形";
  else if (kind == "Z4H") fields.kind = "人物立体図形";
  else if (kind == "Z4I") fields.kind = "道具立体図形";
  else if (kind == "Z4E") fields.kind = "ポーズ・表情情報";
  else if (kind == "Z4G") fields.kind = "Pennet図形";
  else if (kind.empty()) fields.kind = "フォルダ";
  else fields.kind = "画像ファイル";
  CThumbShowDialog dialog(fields, this);
  dialog.exec();
}

// ---- the bar --------------------------------------------------------------------

CLibBar::CLibBar(page::WebMaterialStore& store, QWidget* parent) : QWidget(parent), store_(store) {
  setObjectName(QStringLiteral("CLibBar"));
  context_.dataFolder = page::PnGlobal::Get().GetDataFolder();
  context_.makeLocal = [this](std::string& path, bool companion) { return store_.MakeLocal(path, companion); };
  context_.keywordUrl = [this](const std::string& url) { store_.AddKeywordUrl(url); };

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(2);
  auto* styleRow = new QHBoxLayout;
  auto* styleGroup = new QButtonGroup(this);
  for (int i = 0; i < 3; ++i) {
    auto* button = new QToolButton(this);
    button->setText(QString::fromUtf8(kStyles[i].caption));
    button->setToolTip(QString::fromUtf8(kStyles[i].tip));
    button->setCheckable(true);
    button->setObjectName(QStringLiteral("LibStyle%1").arg(i));
    styleGroup->addButton(button, i);
    styleRow->addWidget(button);
    styleButtons_[static_cast<std::size_t>(i)] = button;
  }
  styleRow->addStretch();
  column->addLayout(styleRow);
  auto* pageRow = new QHBoxLayout;
  auto* pageGroup = new QButtonGroup(this);
  for (int i = 0; i < kPageCount; ++i) {
    auto* button = new QToolButton(this);
    button->setText(QString::fromUtf8(kPages[i].caption));
    button->setToolTip(QString::fromUtf8(kPages[i].tip));
    button->setCheckable(true);
    button->setObjectName(QStringLiteral("LibPage%1").arg(i));
    pageGroup->addButton(button, i);
    pageRow->addWidget(button);
    pageButtons_[static_cast<std::size_t>(i)] = button;
  }
  pageRow->addStretch();
  column->addLayout(pageRow);

  searchBox_ = new QWidget(this);
  auto* searchColumn = new QVBoxLayout(searchBox_);
  searchColumn->setContentsMargins(0, 0, 0, 0);
  auto* searchRow = new QHBoxLayout;
  findCombo_ = new QComboBox(searchBox_);
  findCombo_->setEditable(true);
  findCombo_->lineEdit()->setMaxLength(255);
  findCombo_->setInsertPolicy(QComboBox::NoInsert);
  auto* findButton = new QPushButton(QStringLiteral("検索"), searchBox_);
  searchRow->addWidget(findCombo_, 1);
  searchRow->addWidget(findButton);
  searchColumn->addLayout(searchRow);
  allWords_ = new QRadioButton(QStringLiteral("すべての単語を含む"), searchBox_);
  anyWord_ = new QRadioButton(QStringLiteral("いずれかの単語を含む"), searchBox_);
  searchColumn->addWidget(allWords_);
  searchColumn->addWidget(anyWord_);
  column->addWidget(searchBox_);
  searchBox_->hide();

  auto* splitter = new QSplitter(Qt::Vertical, this);
  treeStack_ = new QStackedWidget(splitter);
  listStack_ = new QStackedWidget(splitter);
  for (int i = 0; i < kPageCount; ++i) {
    auto* tree = new QTreeWidget(treeStack_);
    tree->setHeaderHidden(true);
    tree->setObjectName(QStringLiteral("LibTree%1").arg(i));
    treeStack_->addWidget(tree);
    trees_[static_cast<std::size_t>(i)] = tree;
    auto* list = new CLibList(*this, listStack_);
    list->setObjectName(QStringLiteral("LibList%1").arg(i));
    listStack_->addWidget(list);
    lists_[static_cast<std::size_t>(i)] = list;
    connect(tree, &QTreeWidget::itemSelectionChanged, this, [this, i] { OnSelectionChanged(i); });
    connect(tree, &QTreeWidget::itemExpanded, this, &CLibBar::OnItemExpanded);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree, &QWidget::customContextMenuRequested, this, [this, tree](const QPoint& at) {
      QMenu menu;
      menu.addAction(QStringLiteral("最新の情報に更新"), this, &CLibBar::Refresh);
      menu.exec(tree->mapToGlobal(at));
    });
  }
  const page::AppPrefs* prefs = Prefs();
  splitter->setSizes({prefs != nullptr ? prefs->mSepaPosY : 200, 400});
  // The tree's height is kept for the next start.
  connect(splitter, &QSplitter::splitterMoved, this, [](int position) {
    if (page::AppPrefs* p = Prefs()) p->mSepaPosY = std::max(position, 72);
  });
  column->addWidget(splitter, 1);

  refilling_ = true;
  for (int i = 0; i < kPageCount; ++i) FillPageTree(i);
  refilling_ = false;
  connect(pageGroup, &QButtonGroup::idClicked, this, &CLibBar::ShowPage);
  connect(styleGroup, &QButtonGroup::idClicked, this, &CLibBar::SetPersonStyle);
  connect(findButton, &QPushButton::clicked, this, &CLibBar::RunSearch);
  connect(findCombo_->lineEdit(), &QLineEdit::returnPressed, this, &CLibBar::RunSearch);
  connect(allWords_, &QRadioButton::clicked, this, [] {
    if (page::AppPrefs* p = Prefs()) p->mFindRadioInd = 0;
  });
  connect(anyWord_, &QRadioButton::clicked, this, [] {
    if (page::AppPrefs* p = Prefs()) p->mFindRadioInd = 1;
  });
  const int style = prefs != nullptr ? prefs->mHumanAtm : 1;
  styleButtons_[static_cast<std::size_t>(std::clamp(style, 0, 2))]->setChecked(true);
  ((prefs != nullptr && prefs->mFindRadioInd == 1) ? anyWord_ : allWords_)->setChecked(true);
  ShowPage(0);
}

CLibBar::~CLibBar() = default;

void CLibBar::ReportResult(int code) {
  if (code < 0) page::ReportErrorCode(code);
}

QPixmap CLibBar::Thumbnail(const std::string& path, bool link) const {
  const bool web = page::library::IsWebPath(path);
  QPixmap pixmap;
  std::string local = path;
  if (web) {
    // A web item's thumbnail: the picture itself, or the same name as ".JPG".
    const std::string kind = page::library::UpperExtension(path);
    if (kind != "PNG" && kind != "JPG" && kind != "BMP" && kind != "GIF")
      local = path.substr(0, path.rfind('.')) + ".JPG";
    if (const_cast<page::WebMaterialStore&>(store_).MakeLocal(local, false) < 0) local.clear();
  }
  pixmap = local.empty() ? FallbackPicture(platform::IsDirectory(path)) : LocalFileThumbnail(local);
  if (web || link) DrawLinkMark(pixmap, web);
  return pixmap;
}

QPixmap LocalFileThumbnail(const std::string& path) {
  platform::Image picture;
  std::string text1, text2;
  if (platform::IsRegularFile(path) &&
      imaging::ArcLoadFileThumbnail(path, platform::ExtensionOf(path), text1, text2, picture, CLibList::kThumbSize) ==
          0 &&
      picture.Width() > 0) {
    QImage image(picture.Bits(), picture.Width(), picture.Height(), picture.Pitch(),
                 picture.Bpp() == 32 ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    return QPixmap::fromImage(image.copy());
  }
  return FallbackPicture(platform::IsDirectory(path));
}

void CLibBar::FillPageTree(int page) {
  QTreeWidget* tree = Tree(page);
  tree->clear();
  if (page == kSearchPage) return;
  if (page == kComputerPage) {
    const char* home = std::getenv("HOME");
    const std::string homeFolder = home != nullptr ? home : "/";
    auto* user = new QTreeWidgetItem(tree, {Q(platform::FileNameOf(homeFolder))});
    user->setData(0, kPathRole, Q(homeFolder));
    AddChildren(user, homeFolder, true);
    auto* root = new QTreeWidgetItem(tree, {QStringLiteral("コンピュータ")});
    root->setData(0, kPathRole, QStringLiteral("/"));
    AddChildren(root, "/", true);
    return;
  }
  const std::string category =
      platform::JoinPath(context_.dataFolder, page::library::kCategories[static_cast<std::size_t>(page)]);
  AddChildren(tree->invisibleRootItem(), category, true);
}

// The item's folders, and with `recurse` theirs: two levels, the next one
// added when a folder opens.
void CLibBar::AddChildren(QTreeWidgetItem* parent, const std::string& folder, bool recurse) {
  std::vector<page::library::TreeEntry> entries;
  int rc = 0;
  if (!page::library::ListTreeChildren(context_, folder, entries, rc)) ReportResult(rc);
  parent->setData(0, kFilledRole, true);
  // The style reads its icon files on every call: once for all the entries.
  const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
  const QIcon linkIcon = style()->standardIcon(QStyle::SP_FileLinkIcon);
  for (const page::library::TreeEntry& entry : entries) {
    auto* item = new QTreeWidgetItem(parent, {Q(entry.title)});
    item->setData(0, kPathRole, Q(entry.path));
    item->setIcon(0, entry.image == page::library::kImageLink ? linkIcon : folderIcon);
    if (recurse) AddChildren(item, entry.path, false);
  }
}

void CLibBar::OnItemExpanded(QTreeWidgetItem* item) {
  if (refilling_) return;
  for (int i = 0; i < item->childCount(); ++i) {
    QTreeWidgetItem* child = item->child(i);
    if (!child->data(0, kFilledRole).toBool()) AddChildren(child, S(child->data(0, kPathRole).toString()), false);
  }
}

void CLibBar::OnSelectionChanged(int page) {
  if (refilling_) return;
  const QList<QTreeWidgetItem*> selected = Tree(page)->selectedItems();
  if (selected.isEmpty()) return;
  const std::string path = S(selected.front()->data(0, kPathRole).toString());
  List(page)->ShowFolder(path);
  if (page < 4 && !page::library::IsWebPath(path))
    if (page::AppPrefs* prefs = Prefs()) prefs->mLastPath[static_cast<std::size_t>(page)] = path;
}

void CLibBar::ShowPage(int page) {
  if (page < 0 || page >= kPageCount) return;
  currentPage_ = page;
  pageButtons_[static_cast<std::size_t>(page)]->setChecked(true);
  treeStack_->setCurrentIndex(page);
  listStack_->setCurrentIndex(page);
  treeStack_->setVisible(page != kSearchPage);
  searchBox_->setVisible(page == kSearchPage);
  if (page::AppPrefs* prefs = Prefs()) prefs->mLastBtnInd = page;
}

void CLibBar::SetPersonStyle(int style) {
  if (page::AppPrefs* prefs = Prefs()) prefs->mHumanAtm = style;
  styleButtons_[static_cast<std::size_t>(style)]->setChecked(true);
  if (!List(1)->Folder().empty()) List(1)->ShowFolder({});
}

void CLibBar::Refresh() {
  if (currentPage_ == kSearchPage) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    page::AppPrefs* prefs = Prefs();
    std::string date = prefs != nullptr ? prefs->mFileBaseInstDate : std::string();
    page::library::RebuildDataFileList(context_.dataFolder, page::PnGlobal::GetUserDataFolder(),
                                       page::PnGlobal::Get().GetInstallDate(), date, true);
    if (prefs != nullptr) prefs->mFileBaseInstDate = date;
    QApplication::restoreOverrideCursor();
    return;
  }
  refilling_ = true;
  for (int i = 0; i < kPageCount; ++i) FillPageTree(i);
  refilling_ = false;
}

void CLibBar::RunSearch() {
  page::PnGlobal& global = page::PnGlobal::Get();
  page::AppPrefs* prefs = global.prefs.get();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::string date = prefs != nullptr ? prefs->mFileBaseInstDate : std::string();
  const std::string userFolder = page::PnGlobal::GetUserDataFolder();
  const std::string list =
      page::library::RebuildDataFileList(context_.dataFolder, userFolder, global.GetInstallDate(), date, false);
  if (prefs != nullptr) prefs->mFileBaseInstDate = date;
  std::vector<page::library::WebKeywordFile> webKeywords;
  if (prefs != nullptr && prefs->GetFindWebOption(global.webUse) != 0) {
    for (int j = 0; j < store_.GetKeywordUrlCount(); ++j) {
      page::library::WebKeywordFile file;
      if (store_.GetWebKeywordFile(j, file.localFile, file.folderUrl) == 0) webKeywords.push_back(file);
    }
  }
  const QString text = findCombo_->currentText();
  const bool anyWord = prefs != nullptr && prefs->mFindRadioInd == 1;
  const page::library::SearchOutcome outcome =
      page::library::RunLibrarySearch(list, context_.dataFolder, userFolder, S(text), anyWord, webKeywords);
  QApplication::restoreOverrideCursor();
  if (outcome.status != page::library::SearchOutcome::kDone) return;
  if (outcome.truncated)
    platform::ShowMessage("該当する素材が多いため、その一部だけを表示します。");
  else if (outcome.count == 0)
    platform::ShowMessage(
        "該当する素材がありませんでした。単語を変えたり、1文字だけで探したり、素材が含まれそうなジャンル名で検索してみてく"
        "ださい。\n例：「農業」→「農」　「カニ」→「魚」");
  List(kSearchPage)->ShowFolder(userFolder);
  // The history: the search text first, an older entry it begins removed.
  const int older = findCombo_->findText(text, Qt::MatchStartsWith);
  if (older >= 0) findCombo_->removeItem(older);
  findCombo_->insertItem(0, text);
  findCombo_->setCurrentIndex(0);
  findCombo_->lineEdit()->setFocus();
}

bool CLibBar::SelectTreePath(int page, const std::string& root, const std::string& path) {
  QTreeWidget* tree = Tree(page);
  QTreeWidgetItem* parent = tree->invisibleRootItem();
  std::string at = root;
  std::string rest = path.size() > root.size() ? path.substr(root.size() + 1) : std::string();
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string component = rest.substr(0, slash);
    rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
    at = platform::JoinPath(at, component);
    QTreeWidgetItem* found = nullptr;
    if (parent != tree->invisibleRootItem()) parent->setExpanded(true);
    for (int i = 0; i < parent->childCount() && found == nullptr; ++i)
      if (S(parent->child(i)->data(0, kPathRole).toString()) == at) found = parent->child(i);
    if (found == nullptr) return false;
    if (rest.empty()) {
      tree->setCurrentItem(found);
      return true;
    }
    parent = found;
  }
  return false;
}

void CLibBar::OpenPath(const std::string& path, bool keepPage) {
  std::string root;
  const int page = page::library::FindPageOfPath(context_.dataFolder, path, root);
  if (path.empty() || page < 0) return;
  if (!keepPage) ShowPage(page);
  SelectTreePath(page, root, path);
}

void CLibBar::RestoreLibraryState() {
  if (const page::AppPrefs* prefs = Prefs()) {
    for (const std::string& path : prefs->mLastPath)
      if (!page::library::IsWebPath(path)) OpenPath(path, true);
    ShowPage(prefs->mLastBtnInd);
  }
}

}  // namespace app

#include "app/CPennetApp.h"
#include "app/CSMainFrame.h"
#include "app/HGetDlg.h"
#include "imaging/http/WebDownloader.h"
#include "page/STrackLibDrop.h"

namespace app {

CLibBar* InstallLibraryBar(CSMainFrame& frame, CPennetApp& app) {
  page::WebMaterialStore& store = page::PnGlobal::Get().GetWebStore();
  store.SetProgressHook([&frame](imaging::WebDownloader& job) {
    HGetDlg dialog(&frame);
    dialog.SetTitle(QStringLiteral("インターネットからファイルを取得中"));
    dialog.SetProgressSource(&job.cancelFlag, &job.doneFlag, &job.progress, false);
    dialog.exec();
  });
  page::SetLibraryLocalHook([&store](std::string& path, bool companion) { return store.MakeLocal(path, companion); });
  auto* bar = new CLibBar(store, &frame);
  frame.SetBarWidget(CSMainFrame::kLibraryBar, bar);
  app.Hooks().restoreLibraryBar = [bar] { bar->RestoreLibraryState(); };
  return bar;
}

}  // namespace app
