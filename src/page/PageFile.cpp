#include "page/PageFile.h"

#include <cstdio>
#include <map>

#include "page/PnFile.h"
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

std::string KeptShapesNotice(const SDoc& doc) {
  std::map<int, int> countOfKind;
  for (const auto& object : doc.Objects())
    if (dynamic_cast<const SFigStored*>(object->fig.get())) ++countOfKind[object->fig->GetTypeId()];
  if (countOfKind.empty()) return {};
  std::string kinds;
  for (const auto& [type, count] : countOfKind) {
    const int nameId = type == kFig3D ? kStrKind3DShape : type == kFigPicture ? kStrKindPictureShape : kStrKindTextShape;
    if (!kinds.empty()) kinds += "、";
    kinds += PnLoadString(nameId) + " " + std::to_string(count);
  }
  std::string text = PnLoadString(kStrKeptShapesNotice);
  if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, kinds);
  return text;
}

}  // namespace page
