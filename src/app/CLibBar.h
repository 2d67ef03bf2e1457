#pragma once
// The library bar: five pages (materials, persons, expressions, the
// computer's folders, the search), each a folder tree over an item list of
// 70 x 70 thumbnails, with the three person-style buttons and, on the
// search page, the search box. An item dragged onto a page is placed there
// (a Qt drag carrying its path, kLibraryItemMime); a double click opens it
// in the middle of the active page through PnGlobal's pending request.
#include <QListWidget>
#include <QWidget>
#include <array>
#include <memory>
#include <string>

#include "page/LibraryFiles.h"

class QButtonGroup;
class QComboBox;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace page {
class WebMaterialStore;
}

namespace app {

// The drag format of a library item: its path in UTF-8.
inline constexpr char kLibraryItemMime[] = "application/x-pennet-library-item";

class CLibBar;

// The 70 x 70 thumbnail of a local file (a drawn stand-in when it has none).
QPixmap LocalFileThumbnail(const std::string& path);

// One page's item list.
class CLibList : public QListWidget {
  Q_OBJECT
 public:
  static constexpr int kThumbSize = 70;
  static constexpr int kPathRole = Qt::UserRole + 1;

  CLibList(CLibBar& owner, QWidget* parent);
  // Shows the materials of a folder (web folders through their index).
  void ShowFolder(const std::string& folder);
  const std::string& Folder() const { return folder_; }
  // The drag data of the first item: its path as kLibraryItemMime.
  QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
  QStringList mimeTypes() const override;

 protected:
  void startDrag(Qt::DropActions actions) override;
  // Open, apply to the selection's persons, open its folder, properties.
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void OnDoubleClick(QListWidgetItem* item);
  // Asks the active page to insert (or apply) the item at once.
  void RequestItem(const std::string& path, int request);
  void ShowItemProperties(const std::string& path);

  CLibBar& owner_;
  std::string folder_;
};

class CLibBar : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kPageCount = 5;
  static constexpr int kSearchPage = 4;
  static constexpr int kComputerPage = 3;

  explicit CLibBar(page::WebMaterialStore& store, QWidget* parent = nullptr);
  ~CLibBar() override;

  // Reopens the folders and the page of the last run.
  void RestoreLibraryState();
  // Shows a folder of the library in its page's tree (switching to that
  // page unless `keepPage`).
  void OpenPath(const std::string& path, bool keepPage);
  void ShowPage(int page);
  int CurrentPage() const { return currentPage_; }
  // Empties and refills every tree; on the search page rebuilds the index.
  void Refresh();
  void RunSearch();

  const page::library::LibraryContext& Context() const { return context_; }
  QTreeWidget* Tree(int page) const { return trees_[static_cast<std::size_t>(page)]; }
  CLibList* List(int page) const { return lists_[static_cast<std::size_t>(page)]; }
  // The thumbnail of an item (the fallback picture when it has none).
  QPixmap Thumbnail(const std::string& path, bool link) const;

 private:
  void FillPageTree(int page);
  void AddChildren(QTreeWidgetItem* parent, const std::string& folder, bool recurse);
  void OnItemExpanded(QTreeWidgetItem* item);
  void OnSelectionChanged(int page);
  void SetPersonStyle(int style);
  bool SelectTreePath(int page, const std::string& root, const std::string& path);
  void ReportResult(int code);

  page::WebMaterialStore& store_;
  page::library::LibraryContext context_;
  std::array<QToolButton*, kPageCount> pageButtons_{};
  std::array<QToolButton*, 3> styleButtons_{};
  std::array<QTreeWidget*, kPageCount> trees_{};
  std::array<CLibList*, kPageCount> lists_{};
  QStackedWidget* treeStack_ = nullptr;
  QStackedWidget* listStack_ = nullptr;
  QWidget* searchBox_ = nullptr;
  QComboBox* findCombo_ = nullptr;
  QRadioButton* allWords_ = nullptr;
  QRadioButton* anyWord_ = nullptr;
  int currentPage_ = 0;
  bool refilling_ = false;
};

}  // namespace app

namespace app {
class CSMainFrame;
class CPennetApp;
// Puts the library bar into the frame's library dock, the web material
// store behind the library drops (with the progress dialog), and the
// restoring of the bar's last folders into the start-up.
CLibBar* InstallLibraryBar(CSMainFrame& frame, CPennetApp& app);
}  // namespace app
