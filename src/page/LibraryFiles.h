#pragma once
// The material library on disk: its text files (index, link, short-cut and
// keyword files, Shift-JIS with CR LF line ends), the folders and links a
// tree shows, the items a list shows, and which library page a path
// belongs to. Paths inside use "/"; paths stored in the files use "\" and
// are relative to the library's data folder unless they are URLs.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace page {

class PnGlobal;

namespace library {

// The kinds of material a list shows, in their order.
inline constexpr std::array<std::string_view, 9> kKindList = {"Z4T", "Z4H", "Z4I", "Z4E", "Z4G",
                                                              "BMP", "JPG", "PNG", "GIF"};
// The category folders of pages 0 to 2 and the one only the search covers.
inline constexpr std::array<std::string_view, 4> kCategories = {"Object", "Human", "Pose", "NewWebObj"};
inline constexpr std::string_view kIndexFileName = "indexsozai.txt";
inline constexpr std::string_view kShortCutFileName = "PennetShortCut.txt";
inline constexpr std::string_view kWebKeywordFileName = "KeyWords_99.txt";
inline constexpr std::size_t kMaxTextFileBytes = 16u << 20;

// Tree images of folders and links.
enum TreeImage : int { kImageFolder = 1, kImageComputer = 2, kImageUserFolder = 3, kImageLink = 9 };

// True for a path on the web ("http:" ...).
bool IsWebPath(std::string_view path);
// The last component's text after its last ".", in upper case ("" without).
std::string UpperExtension(std::string_view path);
// The last component without the text from its last "." on.
std::string TitleOf(std::string_view path);

// Reads a text file of the library whole: Shift-JIS decoded to UTF-8, cut
// into lines at LF with a CR before it removed. False when the file cannot
// be read, is larger than kMaxTextFileBytes or is not Shift-JIS.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);
// The same, the whole text decoded (no line cutting).
bool ReadText(const std::string& path, std::string& text);

// Makes a web path local (the path in and out, with its companion file when
// asked): 0 or a negative result code. Without a store every web path fails.
using MakeLocalFn = std::function<int(std::string& path, bool companion)>;

// A folder or link a tree shows below its parent.
struct TreeEntry {
  std::string title;
  std::string path;  // local folder, web folder URL (ending "/") or link target
  int image = kImageFolder;
};

// The library as one installation sees it.
struct LibraryContext {
  std::string dataFolder;
  MakeLocalFn makeLocal;                                   // may be empty: no web
  std::function<void(const std::string& url)> keywordUrl;  // a link to a web keyword list
};

// The folders and links below a folder: subfolders first (title without the
// part after the last dot), then the link files (".Z4J") whose targets
// exist. A web folder (or a link text file behind a URL ending ".txt")
// is read from its index file. False when a web file could not be had
// (`result` holds its code).
bool ListTreeChildren(const LibraryContext& context, const std::string& folder, std::vector<TreeEntry>& entries,
                      int& result);

// An item a list shows.
struct ListItem {
  std::string title;
  std::string path;
  bool link = false;  // listed through a short-cut file, not the folder's own
};

// The items of a local folder: its material files kind by kind (those the
// person style lets through), then the existing entries of its short-cut
// file. Web entries of the short-cut file take their titles from their
// folder's index file.
std::vector<ListItem> ListFolderItems(const LibraryContext& context, const PnGlobal& global,
                                      const std::string& folder);
// The items of a web folder from its index file: 0, or the code of the
// failed download.
int ReadIndexFile(const LibraryContext& context, const std::string& folderUrl, std::vector<ListItem>& items);
// The title of a web item from its folder's index: 0, -9 without one, or
// the download's code.
int FindIndexTitle(const LibraryContext& context, const std::string& url, std::string& title);

// The library page (0 "Object", 1 "Human", 2 "Pose", 3 "NewWebObj") of a
// path inside the data folder, with `root` the category folder; -1 for any
// path that is not under the data folder as a whole path prefix.
int FindPageOfPath(const std::string& dataFolder, const std::string& path, std::string& root);

}  // namespace library
}  // namespace page
