#include "app/AppResources.h"

#include <QCoreApplication>
#include <QFile>
#include <QPixmap>
#include <QTextStream>
#include <map>

#include "platform/Paths.h"
#include "platform/ResStrings.h"

namespace app {
namespace {

constexpr int kSkinFolderNameString = 274;

std::string& ChosenFolder() {
  static std::string folder;
  return folder;
}

// The cursor's hot spot from "hotspots.txt" (lines "id x y"); the centre
// when the cursor is not listed.
QPoint HotSpotOf(int id, const QImage& image) {
  QFile file(QString::fromStdString(platform::JoinPath(ResourceFolder(), "cursors/hotspots.txt")));
  if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    QTextStream in(&file);
    while (!in.atEnd()) {
      int listed = -1, x = 0, y = 0;
      in >> listed >> x >> y;
      if (in.status() != QTextStream::Ok) break;
      if (listed == id && image.rect().contains(x, y)) return QPoint(x, y);
    }
  }
  return image.rect().center();
}

QString CursorPath(int id) {
  return QString::fromStdString(
      platform::JoinPath(ResourceFolder(), "cursors/cursor_" + std::to_string(id) + ".png"));
}

}  // namespace

std::string ResourceFolder() {
  if (!ChosenFolder().empty()) return ChosenFolder();
  if (QCoreApplication::instance()) {
    const std::string besideProgram =
        platform::JoinPath(QCoreApplication::applicationDirPath().toStdString(), "resources");
    if (platform::IsDirectory(platform::JoinPath(besideProgram, "skins"))) return besideProgram;
  }
  return PENNET_SOURCE_RESOURCES;
}

void SetResourceFolder(const std::string& folder) { ChosenFolder() = folder; }

std::string SkinFolder() {
  std::string name = platform::LoadResString(kSkinFolderNameString);
  if (name.empty()) name = "skins";
  return platform::JoinPath(ResourceFolder(), name);
}

// Icons are drawn on every repaint of the pads and the palette: each file
// is read once.
QImage LoadAppIcon(int id) {
  static std::map<std::string, QImage> loaded;
  const std::string path = platform::JoinPath(ResourceFolder(), "icons/icon_" + std::to_string(id) + ".png");
  auto found = loaded.find(path);
  if (found == loaded.end()) {
    QImage icon(QString::fromStdString(path));
    if (!icon.isNull()) icon = icon.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    found = loaded.emplace(path, std::move(icon)).first;
  }
  return found->second;
}

QImage LoadAppBitmap(int id) {
  return QImage(QString::fromStdString(
      platform::JoinPath(ResourceFolder(), "bitmaps/bitmap_" + std::to_string(id) + ".png")));
}

bool HasAppCursor(int id) { return QFile::exists(CursorPath(id)); }

QCursor LoadAppCursor(int id) {
  const QImage image(CursorPath(id));
  if (image.isNull()) return QCursor(Qt::ArrowCursor);
  const QPoint hotSpot = HotSpotOf(id, image);
  return QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
}

}  // namespace app
