#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace app {

QTranslator* InstallQtTranslations() {
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr) return nullptr;
  const QStringList folders = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                               QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"))};
  for (const QString& folder : folders) {
    auto* translator = new QTranslator(application);
    if (translator->load(QStringLiteral("qtbase_ja"), folder) && QCoreApplication::installTranslator(translator))
      return translator;
    delete translator;
  }
  return nullptr;
}

}  // namespace app
