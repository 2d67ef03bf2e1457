#include "page/PageFile.h"

#include "imaging/archive/SArchiver.h"
#include "page/PnFile.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SFig3D.h"
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

// The package service names a member that does not inflate (or expands
// past the member bound) and a short read by its codec and read-or-write
// codes, whose message speaks of writing; opening a page only reads, so
// they mean a damaged or unreadable file.
int ReadFailureCode(std::int64_t rc) {
  if (rc == imaging::kArcCodecFailed) return kResultDamaged;
  if (rc == imaging::kArcReadWriteFailed) return kResultCannotOpen;
  return static_cast<int>(rc);
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
  // Thumbnails only decorate the page: a damaged one is left out (what was
  // read of the others stays), and the next save writes a new one.
  imaging::ArcReadThumbnail(path, title, description, thumbnail);
  imaging::ArcPackage package;
  if (const int rc = package.Open(path); rc < 0) return ReadFailureCode(rc);
  const imaging::PackageEntry* stream = package.Find(kPageStreamName);
  if (!stream) return kResultCannotOpen;
  TempFolder folder;
  if (const int rc = imaging::ArcCreateTempFolder(folder.path); rc < 0) return rc;
  // Only the members the page asks for are extracted, each once, under the
  // name the page gives it.
  const auto extract = [&](const imaging::PackageEntry& entry, const std::string& name) {
    const std::string target = platform::JoinPath(folder.path, name);
    if (platform::IsRegularFile(target)) return target;
    if (const std::int64_t written = package.Extract(entry, target); written < 0)
      throw PnFileError(ReadFailureCode(written), "the member " + name + " cannot be extracted");
    return target;
  };
  try {
    PnFile in(extract(*stream, kPageStreamName), PnFile::Mode::kRead);
    in.SetMemberFinder([&](const std::string& name) -> std::optional<std::string> {
      const imaging::PackageEntry* entry = package.Find(name);
      if (!entry) return std::nullopt;
      return extract(*entry, name);
    });
    doc.Read(in);
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
  for (const auto& object : doc.Objects()) {
    const auto* figure = dynamic_cast<const SFig3D*>(object->fig.get());
    if (figure != nullptr && figure->IsKeptAsStored()) return ErrorMessageOfCode(kResultDamagedData);
  }
  return {};
}

}  // namespace page
