#pragma once
// The page document on disk. A page file (".Z4G") is a package of one
// folder: the page stream "sdoc.Z4G", one member file per picture and per 3D
// figure, and the package's thumbnail members.
#include <array>
#include <cstdint>
#include <string>

namespace page {

class SDoc;

// The page stream's name inside the page's folder.
inline constexpr const char* kPageStreamName = "sdoc.Z4G";
// The first 8 bytes of a page file's package: int32 6 and int32 1.
inline constexpr std::array<std::uint8_t, 8> kPageCallerBytes = {6, 0, 0, 0, 1, 0, 0, 0};

// Writes the page stream and the shapes' member files into a folder.
// Throws PnFileError.
void WritePageFolder(const SDoc& doc, const std::string& folder);
// Reads the page stream of a folder (and the members beside it) into the
// page. Throws PnFileError; the page is then unchanged.
void ReadPageFolder(SDoc& doc, const std::string& folder);

// Saves the page as a page file: the page stream, the members and the
// thumbnail members (thumbText1, thumbText2, thumbImage) packed into one
// package. The previous file at `path` is replaced only by a complete new
// one. 0, or a negative result code.
int SaveSDoc(const SDoc& doc, const std::string& path);
// Opens a page file into the page (which is left as it was on failure).
// Only the page stream and the members it names are extracted (into a
// temporary folder that goes afterwards); member names are compared
// ignoring case. Thumbnails that cannot be read are left out. `notice`
// (optional) receives KeptShapesNotice of the opened page. 0, or a negative
// result code: kResultCannotOpen for a file that is no readable package or
// lacks its page stream, kResultDamaged for a damaged stream or a member
// that does not expand or expands past the member bound, kResultNoMemory
// for a picture that cannot be read or a missing scene.
int LoadSDoc(SDoc& doc, const std::string& path, std::string* notice = nullptr);

// The message to show after opening a page that holds 3D shapes whose
// scenes could not be read (kept as read, so that saving loses nothing):
// the damaged-data message. Empty when there are none.
std::string KeptShapesNotice(const SDoc& doc);

}  // namespace page
