#pragma once
// Private to src/app: comparing paths as the files they name.
#include <QFileInfo>
#include <QString>
#include <string>

namespace app {

// The same file however the path was written ("a/../b", "./b").
inline bool IsSameFile(const std::string& a, const std::string& b) {
  return QFileInfo(QString::fromStdString(a)).absoluteFilePath() ==
         QFileInfo(QString::fromStdString(b)).absoluteFilePath();
}

}  // namespace app
