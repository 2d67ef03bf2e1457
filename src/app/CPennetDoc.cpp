#include "app/CPennetDoc.h"

#include <QFileInfo>

#include "page/PageFile.h"
#include "page/ResultCodes.h"

namespace app {

CPennetDoc::CPennetDoc(QObject* parent) : QObject(parent), sdoc_(std::make_unique<page::SDoc>()) {}

CPennetDoc::~CPennetDoc() = default;

void CPennetDoc::SetTitle(const QString& title) {
  if (title == title_) return;
  title_ = title;
  emit sigTitleChanged(title_);
}

void CPennetDoc::SetPathName(const std::string& path) {
  path_ = path;
  SetTitle(QFileInfo(QString::fromStdString(path)).fileName());
}

void CPennetDoc::SetModifiedFlag(bool modified) {
  if (modified == modified_) return;
  modified_ = modified;
  emit sigModifiedChanged(modified_);
}

int CPennetDoc::OnOpenDocument(const std::string& path, std::string* notice) {
  // Read into a page of its own: a failed open leaves this one as it was.
  auto loaded = std::make_unique<page::SDoc>();
  int rc;
  try {
    rc = page::LoadSDoc(*loaded, path, notice);
  } catch (const std::bad_alloc&) {
    rc = page::kResultNoMemory;
  }
  if (rc < 0) return rc;
  sdoc_ = std::move(loaded);
  SetPathName(path);
  SetModifiedFlag(false);
  UpdateAllViews();
  return page::kResultOk;
}

int CPennetDoc::OnSaveDocument(const std::string& path) {
  int rc;
  try {
    rc = page::SaveSDoc(*sdoc_, path);
  } catch (const std::bad_alloc&) {
    rc = page::kResultNoMemory;
  }
  if (rc < 0) return rc;
  SetPathName(path);
  SetModifiedFlag(false);
  return page::kResultOk;
}

void CPennetDoc::UpdateAllViews(int hint) { emit sigPageChanged(hint); }

}  // namespace app
