#pragma once
// Small services of the page editor and the application shell: key state,
// cursors, device resolution, path, extension and URL text helpers,
// temporary files and text for web requests. Text is UTF-8.
#include <string>
#include <string_view>
#include <utility>

#include "platform/Dc.h"
#include "platform/TempFiles.h"

namespace imaging {

// True when the key or mouse button is down (or was pressed since the last
// query). With swapped mouse buttons, VK_LBUTTON and VK_RBUTTON ask about
// the other physical button, so they keep meaning the primary and the
// secondary button.
bool PnUtilIsKeyDown(int virtualKey);

// Sets the mouse cursor: -3 the wait cursor, -2 the four-way move cursor,
// any other negative code the arrow, 0 and above the program's cursor of
// that id.
void SetAppCursor(int cursorCode);

// Logical pixels per inch (x, y) of the context's device.
std::pair<int, int> PnUtilGetDeviceDpi(const platform::Dc& dc);

// Paths may come with either separator: "\" as stored in files, "/" as
// used inside the program.
// True when the path holds a folder separator.
bool PnUtilHasBackslash(std::string_view path);
// True when the text starts with exactly "http:" (so not "HTTP:" nor
// "https:").
bool PnUtilIsHttpUrl(std::string_view text);
// Cuts the path at its last separator (the separator goes too). A path
// without one keeps a drive prefix such as "C:" and is otherwise emptied.
void PnUtilGetFolder(std::string& path);
// The path before its last "."; the whole path when it has none.
void PnUtilRemoveExtension(std::string_view path, std::string& out);
// Cuts the URL after its last "/" (the slash stays); unchanged without one.
void PnUtilGetUrlFolder(std::string& url);
// The text after the last ".", in lower case; empty when there is none.
void PnUtilGetExtension(std::string_view path, std::string& out);

// New temporary file and folder names (see platform/TempFiles.h).
using platform::PnUtilMakeTempFileName;
using platform::PnUtilMakeTempFolder;

// Text inside the program is already UTF-8 (stored Shift-JIS is converted
// where it is read), so this only checks it: false for an empty text or one
// that is not valid UTF-8, which is left as it is.
bool PnUtilToUtf8(std::string& text);

// True for well-formed UTF-8: no overlong forms, surrogates or code points
// past U+10FFFF, no sequence cut short. An empty text is valid.
bool IsValidUtf8(std::string_view text);

// Percent-encodes text for a URL query: letters, digits and "-", ".", "_",
// "~" stay; every other byte becomes "%" and two upper-case hex digits.
void PnUtilUrlEncode(std::string_view text, std::string& out);

}  // namespace imaging
