#pragma once
// The member files of a page: pictures and 3D scenes lie beside the page
// stream in the page's folder, named after their object's id.
#include <optional>
#include <string>
#include <string_view>

namespace page {

// "image<id>_.PNG", or "image<id>_.JPG" for a picture that came from JPEG.
std::string PictureMemberName(int objectId, bool jpeg);
// "data<id>_.Z4T".
std::string SceneMemberName(int objectId);

// The picture member of an object: the ".PNG" one when it is there, else
// the ".JPG" one (then `jpeg` is set). Nothing when neither exists: a
// picture without image writes no member, and reads back as an empty
// picture.
std::optional<std::string> FindPictureMember(const std::string& folder, int objectId, bool& jpeg);

// Whole member files. Reading throws PnFileError(kResultCannotOpen) when the
// file cannot be read; writing throws kResultDiskFull or kResultFileIo.
std::string ReadMemberFile(const std::string& path);
void WriteMemberFile(const std::string& path, std::string_view bytes);

}  // namespace page
