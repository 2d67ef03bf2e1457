#pragma once
// The page document on disk. A page file (".Z4G") is a package of one
// folder: the page stream "sdoc.Z4G", one member file per picture and per 3D
// figure, and the package's thumbnail members.
#include <string>

namespace page {

class SDoc;

// The page stream's name inside the page's folder.
inline constexpr const char* kPageStreamName = "sdoc.Z4G";

// Writes the page stream and the shapes' member files into a folder.
// Throws PnFileError.
void WritePageFolder(const SDoc& doc, const std::string& folder);
// Reads the page stream of a folder (and the members beside it) into the
// page. Throws PnFileError; the page is then unchanged.
void ReadPageFolder(SDoc& doc, const std::string& folder);

// The message to show after opening a page that holds shapes this build
// keeps without showing (pictures, text, 3D figures), naming their kinds and
// counts; empty when there are none.
std::string KeptShapesNotice(const SDoc& doc);

}  // namespace page
