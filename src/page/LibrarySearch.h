#pragma once
// The library search: the data-file list of every material under the
// category folders (rebuilt once per installation), the keyword files, and
// the result file the search page shows as a short-cut file. Words are
// compared as characters (UTF-8 inside), never as Shift-JIS bytes, so a
// word cannot match across the boundary of two characters.
#include <string>
#include <string_view>
#include <vector>

#include "page/LibraryFiles.h"

namespace page::library {

inline constexpr std::string_view kDataFileListName = "PnDataFiles.txt";
inline constexpr int kKeywordFileCount = 20;
inline constexpr int kMaxSearchResults = 200;

// The words of a search text, cut at ASCII and ideographic spaces.
std::vector<std::string> SplitSearchWords(std::string_view text);

// Writes the data-file list of the data folder's categories to `listPath`:
// one line per folder and material file, relative to the data folder with
// "\" separators, Shift-JIS, CR LF. The file is written whole through a
// temporary and replaces the old one only when complete. False on failure
// (the old list stays).
bool WriteDataFileList(const std::string& dataFolder, const std::string& listPath);

// The list for this installation: kept while `builtForDate` equals
// `installDate` and the file exists, else rebuilt, and only after a
// complete write is `builtForDate` set. Empty when it cannot be written.
std::string RebuildDataFileList(const std::string& dataFolder, const std::string& userFolder,
                                const std::string& installDate, std::string& builtForDate, bool force);

// Adds to `matches` the items of a keyword file (its lines) whose closed
// block holds every word (`anyWord` false) or one of them (true); each
// item's text is put after `prefix`.
void SearchKeywordLines(const std::vector<std::string>& lines, const std::vector<std::string>& words,
                        const std::string& prefix, bool anyWord, std::vector<std::string>& matches);

// The lines of the result: the web matches first, then the data-file lines
// whose last component holds a match or the words; at most
// kMaxSearchResults (`truncated` then set).
std::vector<std::string> ChooseSearchResults(const std::vector<std::string>& dataFiles,
                                             const std::vector<std::string>& words,
                                             const std::vector<std::string>& matches, bool anyWord,
                                             bool& truncated);

// The whole search. Keyword files: the data folder's "KeyWords_00.txt" to
// "KeyWords_19.txt", after the web keyword files given (local file and
// folder URL). Writes the result file into the user folder.
struct SearchOutcome {
  enum Status { kDone, kNoIndex, kCannotWrite } status = kDone;
  int count = 0;
  bool truncated = false;
  std::string resultFile;
};
struct WebKeywordFile {
  std::string localFile;
  std::string folderUrl;
};
SearchOutcome RunLibrarySearch(const std::string& dataFileList, const std::string& dataFolder,
                               const std::string& userFolder, std::string_view text, bool anyWord,
                               const std::vector<WebKeywordFile>& webKeywords);

// "KeyWords_%02d.txt" in the data folder.
std::string GetKeywordFilePath(const std::string& dataFolder, int index);

}  // namespace page::library
