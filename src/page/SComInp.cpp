#include "page/SComInp.h"

#include <cstdio>

#include "imaging/Utilities.h"
#include "page/ResultCodes.h"

namespace page {

SComInp::SComInp(SDoc* doc, std::string path, SPoint position, int frameId)
    : SCom(doc), path_(std::move(path)), savedNextId_(doc->nextId), position_(position), frameId_(frameId) {}

SComInp::~SComInp() { SDoc::DeleteObjects(removed_); }

int SComInp::Do() {
  savedIds_.clear();
  Doc().SaveIdState(savedIds_);
  return Redo();
}

int SComInp::Undo() {
  SDoc& doc = Doc();
  doc.InsertObjects(removed_, false);
  removed_.clear();
  for (const int id : createdIds_) SDoc::DeleteObject(doc.RemoveObjectById(id));
  createdIds_.clear();
  doc.nextId = savedNextId_;
  doc.RestoreIdState(savedIds_, true);
  return 0;
}

void SComInp::PlaceObjects(std::span<SObj* const> objects) {
  SDoc& doc = Doc();
  // Deselecting all leaves hidden objects selected (selected by kind): they
  // must not go into the frame with the new objects.
  doc.SelectOnly(nullptr);
  for (SObj* object : objects) object->SetSelected(true);
  if (SObj* frame = frameId_ >= 0 ? doc.FindObjectById(frameId_) : nullptr) {
    frame->SetSelected(true);
    doc.PutSelectionIntoFrame(removed_, frame);
  }
  doc.SelectOnly(nullptr);
  createdIds_.clear();
  for (SObj* object : objects) {
    object->SetSelected(true);
    createdIds_.push_back(object->id);
  }
}

void SComInp::PlaceObject(SObj* object) {
  SObj* const one[] = {object};
  PlaceObjects(one);
}

namespace {

// Adds a made object under a new id and places it.
int AddAndPlace(SDoc& doc, SComInp& command, std::unique_ptr<SObj> object, int result) {
  if (!object) return result < 0 ? result : kResultNoMemory;
  SObj* added = object.get();
  if (const int id = doc.AddObject(std::move(object), -1, -1); id < 0) return id;
  command.PlaceObject(added);
  return 0;
}

}  // namespace

int SComInpPic::Redo() {
  int result = kResultOk;
  std::unique_ptr<SObj> object = SDoc::MakePictureObjectFromFile(path_, position_, result);
  return AddAndPlace(Doc(), *this, std::move(object), result);
}

int SComInp3D::Redo() {
  int result = kResultOk;
  std::unique_ptr<SObj> object = SDoc::MakeFigureObjectFromFile(path_, position_, result, false);
  return AddAndPlace(Doc(), *this, std::move(object), result);
}

int SComInpText::Redo() {
  int result = kResultOk;
  std::unique_ptr<SObj> object = SDoc::MakeTextObjectFromFile(path_, position_, Doc().GetPageWidth(), result);
  return AddAndPlace(Doc(), *this, std::move(object), result);
}

int SComInpPn::Redo() {
  std::vector<SObj*> objects;
  if (const int rc = Doc().InsertPageFile(path_, position_, objects); rc < 0) return rc;
  PlaceObjects(objects);
  return 0;
}

SComInpPaste::~SComInpPaste() { DeleteFileAndStem(path_); }

int SComInpPaste::Do() {
  if (const int rc = SaveClipboardPictureToTemp(path_); rc < 0) return rc;
  return SComInpPic::Do();
}

SComInpFukidashi::~SComInpFukidashi() {
  if (!path_.empty()) std::remove(path_.c_str());
}

int SComInpFukidashi::Redo() {
  SDoc& doc = Doc();
  const int id = doc.InsertPicture(path_, position_, size_, doc.FindObjectById(containerId_), index_);
  if (id < 0) return id;
  createdIds_.assign(1, id);
  return 0;
}

int MakeInsertFileCommand(SDoc& doc, const std::string& path, SPoint position, int frameId,
                          std::unique_ptr<SCom>& command) {
  command.reset();
  std::string extension;
  imaging::PnUtilGetExtension(path, extension);
  if (extension == "txt")
    command = std::make_unique<SComInpText>(&doc, path, position, frameId);
  else if (extension == "bmp" || extension == "png" || extension == "jpg" || extension == "jpeg" || extension == "gif")
    command = std::make_unique<SComInpPic>(&doc, path, position, frameId);
  else if (extension == "z4t" || extension == "z4h")
    command = std::make_unique<SComInp3D>(&doc, path, position, frameId);
  else if (extension == "z4g")
    command = std::make_unique<SComInpPn>(&doc, path, position, frameId);
  else
    return kResultUnsupportedType;
  return kResultOk;
}

}  // namespace page
