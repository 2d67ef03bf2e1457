#pragma once
// The document behind one page window: it owns the page (SDoc) and connects
// opening and saving to the page file format. The document manager
// (CPennetApp) makes, opens, saves and closes documents; views reach the
// page through GetSDoc and hear of changes through the signals.
#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "page/SDoc.h"

namespace app {

class CPennetDoc : public QObject {
  Q_OBJECT
 public:
  // A new, empty page.
  explicit CPennetDoc(QObject* parent = nullptr);
  ~CPennetDoc() override;

  page::SDoc& GetSDoc() { return *sdoc_; }
  const page::SDoc& GetSDoc() const { return *sdoc_; }

  // ---- title, path and modified flag -------------------------------------
  const QString& GetTitle() const { return title_; }
  void SetTitle(const QString& title);
  // The file the page was opened from or saved to; empty for a new page.
  const std::string& GetPathName() const { return path_; }
  // Takes the path, and the file's name as the title.
  void SetPathName(const std::string& path);
  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified = true);

  // ---- the page file -------------------------------------------------------
  // Reads the page file into a fresh page; on success the document takes
  // the path and is unmodified, and `notice` (optional) receives the note on
  // shapes kept without showing them. On failure the page is unchanged and
  // the result code (page/ResultCodes.h) is returned: the file cannot be
  // opened, is damaged, or memory ran out.
  int OnOpenDocument(const std::string& path, std::string* notice = nullptr);
  // Writes the page file; on success the document takes the path and is
  // unmodified. 0, or a negative result code.
  int OnSaveDocument(const std::string& path);

  // Tells the views that the page changed (`hint` is theirs to agree on; 0
  // redraws everything).
  void UpdateAllViews(int hint = 0);

 signals:
  void sigTitleChanged(const QString& title);
  void sigModifiedChanged(bool modified);
  void sigPageChanged(int hint);

 private:
  std::unique_ptr<page::SDoc> sdoc_;
  QString title_;
  std::string path_;
  bool modified_ = false;
};

}  // namespace app
