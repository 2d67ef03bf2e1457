#include "page/PageFile.h"

#include "imaging/archive/SArchiver.h"
#include "page/PnFile.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SFigStored.h"
#include "page/StringTable.h"
#include "platform/Paths.h"

namespace page {

void WritePageFolder(const SDoc& doc, const std::string& folder) {
  PnFile out(platform::JoinPath(folder, kPageStreamName), PnFile::Mode::kCreateWrite);
  doc.Write(out);
  out.Close();
}

void ReadPageFolder(SDoc& doc, const std::string& folder) {
  PnFile in(platform::JoinPath(folder, kPageStreamName), PnFile::Mode::kRead);
  doc.Read(in);
}

namespace {

// A temporary folder that goes with everything in it when the scope ends.
class TempFolder {
 public:
  ~TempFolder() {
    if (!path.empty()) imaging::ArcRemoveFolderFiles(path);
  }
  std::string path;
};

// The package service names a member that does not inflate and a short read
// by its codec and read-or-write codes, whose message speaks of writing;
// opening a page only reads, so they mean a damaged or unreadable file.
int ReadFailureCode(int rc) {
  if (rc == imaging::kArcCodecFailed) return kResultDamaged;
  if (rc == imaging::kArcReadWriteFailed) return kResultCannotOpen;
  return rc;
}

}  // namespace

int SaveSDoc(const SDoc& doc, const std::string& path) {
  TempFolder folder;
  if (const int rc = imaging::ArcCreateTempFolder(folder.path); rc < 0) return rc;
  if (const int rc = imaging::ArcWriteThumbnailFiles(folder.path, doc.thumbText1, doc.thumbText2, doc.thumbImage);
      rc < 0)
    return rc;
  try {
    WritePageFolder(doc, folder.path);
  } catch (const PnFileError& error) {
    return error.Code();
  }
  return imaging::ArcPackFolderToFile(folder.path, path, kPageCallerBytes, false);
}

int LoadSDoc(SDoc& doc, const std::string& path, std::string* notice) {
  std::string title, description;
  platform::Image thumbnail;
  if (const int rc = imaging::ArcReadThumbnail(path, title, description, thumbnail); rc < 0)
    return ReadFailureCode(rc);
  TempFolder folder;
  if (const int rc = imaging::ArcUnpackFile(path, folder.path); rc < 0) return ReadFailureCode(rc);
  try {
    ReadPageFolder(doc, folder.path);
  } catch (const PnFileError& error) {
    return error.Code();
  }
  doc.thumbText1 = std::move(title);
  doc.thumbText2 = std::move(description);
  doc.thumbImage = std::move(thumbnail);
  if (notice) *notice = KeptShapesNotice(doc);
  return 0;
}

std::string KeptShapesNotice(const SDoc& doc) {
  int figures = 0;
  for (const auto& object : doc.Objects())
    if (dynamic_cast<const SFigStored*>(object->fig.get())) ++figures;
  if (figures == 0) return {};
  std::string text = PnLoadString(kStrKeptShapesNotice);
  const std::string kinds = PnLoadString(kStrKind3DShape) + " " + std::to_string(figures);
  if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, kinds);
  return text;
}

}  // namespace page
