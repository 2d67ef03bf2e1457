#pragma once
// The person composer's part pages: four page buttons (body, head, hair,
// items), each page a tree of its "BodyMix" folder over a list of the
// figure files there with their 70 x 70 thumbnails. A press on a body, head
// or hair file asks for it to replace that part; on the item page a menu
// offers "入れ替え" (replace) and "追加" (add). The request carries the
// part kind plus ten times the operation (0 replace, 1 add), as the
// composer decodes it.
#include <QListWidget>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

class QButtonGroup;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace app {

class CLibMixList : public QListWidget {
  Q_OBJECT
 public:
  static constexpr int kPathRole = Qt::UserRole + 1;
  CLibMixList(int partKind, QWidget* parent);
  int PartKind() const { return partKind_; }
  void ShowFolder(const std::string& folder);
  // What a press on the item does: a replace request, or on the item page
  // the one the menu's choice names (none when the menu is dismissed).
  void PressItem(QListWidgetItem* item);

 signals:
  void sigPartChosen(int request, const QString& path);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  int partKind_;
};

class CLibMixContain : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kPageCount = 4;
  // The menu of the item page; the tests answer it (0 replace, 1 add, -1
  // none). Returns the previous chooser.
  using MenuChooser = std::function<int(const QPoint& where)>;
  static MenuChooser SetMenuChooser(MenuChooser chooser);

  CLibMixContain(const std::string& dataFolder, QWidget* parent);
  void ShowPage(int page);
  int CurrentPage() const { return currentPage_; }
  QTreeWidget* Tree(int page) const { return trees_[static_cast<std::size_t>(page)]; }
  CLibMixList* List(int page) const { return lists_[static_cast<std::size_t>(page)]; }

 signals:
  void sigPartChosen(int request, const QString& path);

 private:
  void FillPageTree(int page, const std::string& folder);
  void AddChildren(QTreeWidgetItem* parent, const std::string& folder, int depth);

  std::array<QTreeWidget*, kPageCount> trees_{};
  std::array<CLibMixList*, kPageCount> lists_{};
  QButtonGroup* pageButtons_ = nullptr;
  QStackedWidget* treeStack_ = nullptr;
  QStackedWidget* listStack_ = nullptr;
  int currentPage_ = 0;

  friend class CLibMixList;
};

}  // namespace app
