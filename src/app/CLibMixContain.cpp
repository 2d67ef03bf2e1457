#include "app/CLibMixContain.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/AppStrings.h"
#include "app/CLibBar.h"
#include "page/LibraryFiles.h"
#include "page/PnGlobal.h"
#include "platform/Paths.h"

namespace app {

namespace {

constexpr int kPageCommand = 10010;
constexpr int kTreeId = 10020;
constexpr int kListId = 10030;
constexpr int kPathRole = Qt::UserRole + 1;
// The part folders, page by page.
constexpr const char* kPartFolders[CLibMixContain::kPageCount] = {"BodyMix/Body", "BodyMix/Head", "BodyMix/Hair",
                                                                  "BodyMix/Item"};
// Subfolders are shown this deep at once: the part folders are small.
constexpr int kTreeDepth = 3;

QString Q(const std::string& text) { return QString::fromStdString(text); }

int ChooseFromMenu(const QPoint& where) {
  QMenu menu;
  QAction* replace = menu.addAction(QStringLiteral("入れ替え"));
  QAction* add = menu.addAction(QStringLiteral("追加"));
  QAction* chosen = menu.exec(where);
  return chosen == replace ? 0 : chosen == add ? 1 : -1;
}

CLibMixContain::MenuChooser& Chooser() {
  static CLibMixContain::MenuChooser chooser = ChooseFromMenu;
  return chooser;
}

}  // namespace

CLibMixContain::MenuChooser CLibMixContain::SetMenuChooser(MenuChooser chooser) {
  MenuChooser previous = std::move(Chooser());
  Chooser() = chooser ? std::move(chooser) : MenuChooser(ChooseFromMenu);
  return previous;
}

// ---- the lists -------------------------------------------------------------------------------

CLibMixList::CLibMixList(int partKind, QWidget* parent) : QListWidget(parent), partKind_(partKind) {
  setObjectName(QString::number(kListId + partKind));
  setViewMode(QListView::IconMode);
  setIconSize(QSize(CLibList::kThumbSize, CLibList::kThumbSize));
  setGridSize(QSize(CLibList::kThumbSize + 16, CLibList::kThumbSize + 24));
  setResizeMode(QListView::Adjust);
  setMovement(QListView::Static);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setWordWrap(true);
}

void CLibMixList::ShowFolder(const std::string& folder) {
  clear();
  page::library::LibraryContext context;
  context.dataFolder = page::PnGlobal::Get().GetDataFolder();
  for (const page::library::ListItem& entry :
       page::library::ListFolderItems(context, page::PnGlobal::Get(), folder)) {
    auto* item = new QListWidgetItem(QIcon(LocalFileThumbnail(entry.path)), Q(entry.title), this);
    item->setData(kPathRole, Q(entry.path));
  }
}

void CLibMixList::mousePressEvent(QMouseEvent* event) {
  QListWidget::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  if (QListWidgetItem* item = itemAt(event->position().toPoint())) PressItem(item);
}

void CLibMixList::PressItem(QListWidgetItem* item) {
  const QString path = item->data(kPathRole).toString();
  int operation = 0;
  if (partKind_ == 3) {
    operation = Chooser()(viewport()->mapToGlobal(visualItemRect(item).center()));
    if (operation < 0) return;
  }
  emit sigPartChosen(operation * 10 + partKind_, path);
}

// ---- the pages -------------------------------------------------------------------------------

CLibMixContain::CLibMixContain(const std::string& dataFolder, QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(0);
  pageButtons_ = new QButtonGroup(this);
  treeStack_ = new QStackedWidget(this);
  listStack_ = new QStackedWidget(this);
  for (int i = 0; i < kPageCount; ++i) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::number(kPageCommand + i));
    button->setText(Q(LoadAppString(kStrMixPageCaption + i)));
    button->setToolTip(Q(LoadAppString(kStrMixPageTip + i)));
    button->setCheckable(true);
    button->setMinimumWidth(43);
    pageButtons_->addButton(button, i);
    buttons->addWidget(button);

    auto* tree = new QTreeWidget(this);
    tree->setObjectName(QString::number(kTreeId + i));
    tree->setHeaderHidden(true);
    trees_[static_cast<std::size_t>(i)] = tree;
    treeStack_->addWidget(tree);
    auto* list = new CLibMixList(i, this);
    lists_[static_cast<std::size_t>(i)] = list;
    listStack_->addWidget(list);
    connect(list, &CLibMixList::sigPartChosen, this, &CLibMixContain::sigPartChosen);
    connect(tree, &QTreeWidget::currentItemChanged, this, [list](QTreeWidgetItem* current) {
      if (current != nullptr) list->ShowFolder(current->data(0, kPathRole).toString().toStdString());
    });
    FillPageTree(i, platform::JoinPath(dataFolder, kPartFolders[i]));
  }
  buttons->addStretch();
  layout->addLayout(buttons);
  layout->addWidget(treeStack_, 1);
  layout->addWidget(listStack_, 3);
  connect(pageButtons_, &QButtonGroup::idClicked, this, &CLibMixContain::ShowPage);
  ShowPage(0);
}

void CLibMixContain::ShowPage(int page) {
  if (page < 0 || page >= kPageCount) return;
  currentPage_ = page;
  pageButtons_->button(page)->setChecked(true);
  treeStack_->setCurrentIndex(page);
  listStack_->setCurrentIndex(page);
}

void CLibMixContain::FillPageTree(int page, const std::string& folder) {
  QTreeWidget* tree = Tree(page);
  auto* root = new QTreeWidgetItem(tree, QStringList{Q(LoadAppString(kStrMixPageCaption + page))});
  root->setData(0, kPathRole, Q(folder));
  AddChildren(root, folder, 1);
  tree->expandAll();
  // The page's own folder is listed from the start.
  tree->setCurrentItem(root);
}

void CLibMixContain::AddChildren(QTreeWidgetItem* parent, const std::string& folder, int depth) {
  if (depth > kTreeDepth) return;
  page::library::LibraryContext context;
  context.dataFolder = page::PnGlobal::Get().GetDataFolder();
  std::vector<page::library::TreeEntry> entries;
  int result = 0;
  if (!page::library::ListTreeChildren(context, folder, entries, result)) return;
  for (const page::library::TreeEntry& entry : entries) {
    auto* item = new QTreeWidgetItem(parent, QStringList{Q(entry.title)});
    item->setData(0, kPathRole, Q(entry.path));
    AddChildren(item, entry.path, depth + 1);
  }
}

}  // namespace app
