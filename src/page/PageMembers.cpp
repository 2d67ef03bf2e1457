#include "page/PageMembers.h"

#include "page/PnFile.h"
#include "platform/Paths.h"

namespace page {

std::string PictureMemberName(int objectId, bool jpeg) {
  return "image" + std::to_string(objectId) + (jpeg ? "_.JPG" : "_.PNG");
}

std::string SceneMemberName(int objectId) { return "data" + std::to_string(objectId) + "_.Z4T"; }

std::optional<std::string> FindPictureMember(const std::string& folder, int objectId, bool& jpeg) {
  for (const bool asJpeg : {false, true}) {
    const std::string path = platform::JoinPath(folder, PictureMemberName(objectId, asJpeg));
    if (platform::IsRegularFile(path)) {
      jpeg = asJpeg;
      return path;
    }
  }
  jpeg = false;
  return std::nullopt;
}

std::string ReadMemberFile(const std::string& path) {
  PnFile in(path, PnFile::Mode::kRead);
  std::string bytes;
  in.ReadAllText(bytes);
  return bytes;
}

void WriteMemberFile(const std::string& path, std::string_view bytes) {
  PnFile out(path, PnFile::Mode::kCreateWrite);
  out.WriteBytes(bytes.data(), bytes.size());
  out.Close();
}

}  // namespace page
