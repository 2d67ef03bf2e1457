#pragma once
// The frame of one page window inside the main window's MDI area. It holds
// the document's view and shows the document's title; closing it asks about
// unsaved changes (or, for a page opened by a launcher, whether the result
// goes back to the launcher) and then closes the document.
#include <QMdiSubWindow>

namespace app {

class CPageViewBase;
class CPennetDoc;

// Set while the program opens the page of its command line or of a launch
// hand-off: page windows made meanwhile come up maximised.
extern bool gInStartup;

class CSChildFrame : public QMdiSubWindow {
  Q_OBJECT
 public:
  // Takes the view as its widget.
  CSChildFrame(CPennetDoc& doc, CPageViewBase* view, QWidget* parent = nullptr);
  ~CSChildFrame() override;

  CPennetDoc& GetDocument() const { return doc_; }
  CPageViewBase* GetView() const { return view_; }

  // Closes without asking anything (the document is being closed).
  void CloseWithoutAsking();
  // Closed, waiting to be deleted.
  bool IsClosing() const { return closingWithoutAsking_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void onTitleChanged();

 private:
  CPennetDoc& doc_;
  CPageViewBase* view_;
  bool closingWithoutAsking_ = false;
};

}  // namespace app
