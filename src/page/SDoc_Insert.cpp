// New objects: drawn shapes, pictures from files and the clipboard, 3D
// figures from scene files, and the contents of another page file.
#include <cmath>
#include <cstdio>
#include <optional>

#include "imaging/PixelOps.h"
#include "imaging/Utilities.h"
#include "imaging/clipboard/ClipboardPictures.h"
#include "page/FigureFacade.h"
#include "page/PageFile.h"
#include "page/PnFile.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/SComs.h"
#include "page/SDoc_Internal.h"
#include "page/SFigLine.h"
#include "page/SFigOval.h"
#include "page/SFigPoly.h"
#include "page/SFigRect.h"
#include "page/SFigPic.h"
#include "page/SFigText.h"
#include "platform/Cp932.h"
#include "platform/Dc.h"
#include "platform/ImageCodec.h"
#include "platform/TempFiles.h"

namespace page {
namespace {

void CentreAt(SObj& object, SPoint centre) {
  PropSCVal P;
  object.TakePropSC(P);
  P.x = centre.x;
  P.y = centre.y;
  object.ApplyPropSC(P, false);
}

std::unique_ptr<SFig> NewShapeOfKind(int kind) {
  switch (kind) {
    case kInputRect: return std::make_unique<SFigRect>();
    case kInputOval: return std::make_unique<SFigOval>();
    case kInputLine: return std::make_unique<SFigLine>();
    case kInputPoly: return std::make_unique<SFigPoly>();
    case kInputText: return std::make_unique<SFigText>();
    default: return nullptr;
  }
}

// Text files are read as UTF-8 when they are valid UTF-8 (a byte-order
// mark is dropped), else as Shift-JIS; line ends stay as they are (the
// layout takes CR LF and LF). Nothing when neither reads.
std::optional<std::string> DecodeTextFile(std::string_view bytes) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  const std::string_view body = bytes.starts_with(kByteOrderMark) ? bytes.substr(kByteOrderMark.size()) : bytes;
  if (imaging::IsValidUtf8(body)) return std::string(body);
  return platform::Cp932ToUtf8(bytes);
}

}  // namespace

std::unique_ptr<SObj> SDoc::MakeInputObject(int kind, SPoint corner1, SPoint corner2, double angle,
                                            const Prop2DVal& values) {
  std::unique_ptr<SFig> shape = NewShapeOfKind(kind);
  if (!shape) return nullptr;
  auto object = std::make_unique<SObj>();
  object->SetFig(std::move(shape), false);
  PropSCVal P;
  object->TakePropSC(P);
  P.x = (corner1.x + corner2.x) / 2.0;
  P.y = (corner1.y + corner2.y) / 2.0;
  P.width = std::fabs(corner2.x - corner1.x);
  P.height = std::fabs(corner2.y - corner1.y);
  P.angle = angle;
  object->ApplyPropSC(P, false);
  object->ApplyProp2D(values, false);
  return object;
}

std::unique_ptr<SFig> SDoc::MakePictureShape(std::unique_ptr<platform::Image> image, bool jpeg) {
  if (!image || image->IsNull()) return nullptr;
  auto shape = std::make_unique<SFigPic>();
  if (shape->SetPicture(std::move(image), jpeg, false) < 0) return nullptr;
  return shape;
}

std::unique_ptr<SObj> SDoc::MakePictureObject(std::unique_ptr<platform::Image> image, bool jpeg) {
  std::unique_ptr<SFig> shape = MakePictureShape(std::move(image), jpeg);
  if (!shape) return nullptr;
  auto object = std::make_unique<SObj>();
  object->SetFig(std::move(shape), false);  // the object takes the picture's size
  return object;
}

std::unique_ptr<SObj> SDoc::MakePictureObjectFromFile(const std::string& path, SPoint centre, int& result) {
  auto image = std::make_unique<platform::Image>();
  if (!platform::LoadImageFile(path, *image)) {
    result = kResultCannotOpen;
    return nullptr;
  }
  std::string extension;
  imaging::PnUtilGetExtension(path, extension);
  const bool jpeg = extension == "jpg";
  // Bitmap files carry no usable alpha: what their fourth byte holds is
  // not transparency.
  if (extension == "bmp" && image->Bpp() == 32) {
    imaging::PnUtilSetAlpha(*image, 255);
    image->SetHasAlpha(true);
  }
  std::unique_ptr<SObj> object = MakePictureObject(std::move(image), jpeg);
  if (!object) {
    result = kResultUnsupportedType;
    return nullptr;
  }
  CentreAt(*object, centre);
  result = kResultOk;
  return object;
}

int SDoc::InsertPicture(const std::string& path, SPoint centre, SPoint size, SObj* container, int index) {
  int result = kResultOk;
  std::unique_ptr<SObj> object = MakePictureObjectFromFile(path, centre, result);
  if (!object) return result;
  object->parentId = container ? container->id : -1;
  PropSCVal P;
  object->TakePropSC(P);
  P.x = centre.x;
  P.y = centre.y;
  P.width = size.x;
  P.height = size.y;
  object->ApplyPropSC(P, false);
  return AddObject(std::move(object), index, -1);
}

std::unique_ptr<SObj> SDoc::MakeFigureObjectFromFile(const std::string& path, SPoint centre, int& result,
                                                     bool plain) {
  FigureFacade* figures = PnGlobal::Get().figures;
  if (figures == nullptr) {
    result = kResultUnsupportedType;
    return nullptr;
  }
  result = kResultOk;
  std::unique_ptr<SFig> shape = figures->MakeFigureShape(path, plain, result);
  if (!shape) {
    if (result >= 0) result = kResultCannotOpen;
    return nullptr;
  }
  auto object = std::make_unique<SObj>();
  object->SetFig(std::move(shape), false);  // size and values from the scene
  CentreAt(*object, centre);
  result = kResultOk;
  return object;
}

int SDoc::InsertPageFile(const std::string& path, SPoint dropPoint, std::vector<SObj*>& objects) {
  SDoc other(SComs::kMinGroupLimit);
  if (const int rc = LoadSDoc(other, path); rc < 0) return rc;
  std::vector<std::unique_ptr<SObj>> taken = other.TakeAllObjects();
  std::vector<SDatObj> inserted;
  if (const int rc = PasteObjects(inserted, &taken); rc < 0) return rc;
  // Only the inserted objects move onto the drop point: hidden objects
  // that stay selected through a deselect-all must not go along.
  SelectOnly(nullptr);
  for (const SDatObj& record : inserted) {
    record.object->SetSelected(true);
    objects.push_back(record.object);
  }
  SPoint centre;
  if (GetSelectionCentre(centre)) MoveObjects(dropPoint.x - centre.x, dropPoint.y - centre.y, false);
  return kResultOk;
}

std::unique_ptr<SObj> SDoc::MakeTextObjectFromFile(const std::string& path, SPoint centre, double widest,
                                                   int& result) {
  std::string stored;
  try {
    const PnFile file(path, PnFile::Mode::kRead);
    result = file.ReadAllText(stored);
  } catch (const PnFileError& error) {
    result = error.Code();
  }
  if (result < 0) return nullptr;
  std::optional<std::string> text = DecodeTextFile(stored);
  if (!text) {
    result = kResultDamaged;
    return nullptr;
  }
  // The page file keeps text in Shift-JIS: a UTF-8 file with characters it
  // has no code for could never be saved.
  if (!platform::IsCp932Representable(*text)) {
    result = kResultUnsupportedType;
    return nullptr;
  }
  auto shape = std::make_unique<SFigText>();
  shape->SetText(*text);
  auto object = std::make_unique<SObj>();
  SFigText& measured = *shape;
  object->SetFig(std::move(shape), false);
  if (!text->empty()) {
    // The box takes the whole text, each line of the file on a line of its
    // own where the page is wide enough.
    platform::Image scratch;
    if (!scratch.Create(8, 8, 32)) {
      result = kResultNoMemory;
      return nullptr;
    }
    platform::Dc dc(scratch);
    DcTextDevice device(dc);
    const SPoint box = measured.FittingBoxSize(device, widest);
    PropSCVal P;
    object->TakePropSC(P);
    P.width = box.x + P.margin;
    P.height = box.y + P.margin;
    object->ApplyPropSC(P, false);
  }
  CentreAt(*object, centre);
  result = kResultOk;
  return object;
}

int SaveClipboardPictureToTemp(std::string& path) {
  path.clear();
  platform::Image picture;
  if (const int rc = imaging::PasteImageFromClipboard(picture); rc < 0) return rc;
  if (picture.IsNull()) return kResultClipboard;
  std::string stem;
  if (!platform::PnUtilMakeTempFileName(stem)) return kResultDiskFull;
  const std::string png = stem + ".png";
  if (!platform::SaveImageFile(picture, png, "png")) {
    DeleteFileAndStem(png);
    return kResultDiskFull;
  }
  path = png;
  return kResultOk;
}

void DeleteFileAndStem(const std::string& path) {
  if (path.empty()) return;
  std::remove(path.c_str());
  if (path.size() > 4) std::remove(path.substr(0, path.size() - 4).c_str());
}

}  // namespace page
