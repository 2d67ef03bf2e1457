#pragma once
// Where the program's own art lives at run time, and loading it.
//
// The resource folder holds skins/ (button frames and pictures), icons/
// ("icon_<id>.png"), bitmaps/ ("bitmap_<id>.png") and cursors/ ("cursor_<id>.png" with their hot spots in
// "hotspots.txt"). It is, in this order: the folder set through
// SetResourceFolder; "resources" beside the program file (the build copies
// it there); the source tree's resources folder, for programs run from a
// build tree that has no copy (the tests).
#include <QCursor>
#include <QImage>
#include <string>

namespace app {

std::string ResourceFolder();
// An empty folder restores the search above.
void SetResourceFolder(const std::string& folder);

// The skin folder: the resource folder's "skins" (or the name in string
// 274).
std::string SkinFolder();

// Icon `id` as a premultiplied picture; a null image when it is missing.
QImage LoadAppIcon(int id);

// Bitmap `id` ("bitmaps/bitmap_<id>.png", the hint dialogs' pictures); a
// null image when it is missing.
QImage LoadAppBitmap(int id);

// Cursor `id` of the program with its hot spot; the arrow when it is
// missing.
QCursor LoadAppCursor(int id);
bool HasAppCursor(int id);

}  // namespace app
