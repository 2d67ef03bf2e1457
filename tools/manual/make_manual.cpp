// Makes the user manual at build time from its one source text: the web
// page "index.html" as it stands, and "PennetBasMan.pdf" laid out from the
// same text by Qt's PDF writer (A4, the IPA fonts the program also uses).
//
//   make_manual <manual.html> <output folder>
//
// Each file is written beside its final name and renamed when complete.
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <cstdio>

namespace {

bool WriteWhole(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool WritePdf(const QString& path, const QString& html) {
  const QString partial = path + QStringLiteral(".part");
  {
    QPdfWriter writer(partial);
    writer.setTitle(QStringLiteral("Pennet 基本マニュアル"));
    writer.setCreator(QStringLiteral("Pennet"));
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 18, 18, 18),
                                     QPageLayout::Millimeter));
    QTextDocument document;
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setHtml(html);
    document.print(&writer);
  }
  if (QFileInfo(partial).size() == 0) {
    QFile::remove(partial);
    return false;
  }
  QFile::remove(path);
  return QFile::rename(partial, path);
}

}  // namespace

int main(int argc, char** argv) {
  // Only fonts and a PDF: no window system is needed.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_manual <manual.html> <output folder>\n");
    return 2;
  }
  QFile source(QString::fromLocal8Bit(argv[1]));
  if (!source.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "make_manual: cannot read %s\n", argv[1]);
    return 1;
  }
  const QByteArray bytes = source.readAll();
  const QString folder = QString::fromLocal8Bit(argv[2]);
  if (!WriteWhole(folder + QStringLiteral("/index.html"), bytes)) {
    std::fprintf(stderr, "make_manual: cannot write index.html in %s\n", argv[2]);
    return 1;
  }
  if (!WritePdf(folder + QStringLiteral("/PennetBasMan.pdf"), QString::fromUtf8(bytes))) {
    std::fprintf(stderr, "make_manual: cannot write PennetBasMan.pdf in %s\n", argv[2]);
    return 1;
  }
  return 0;
}
