// The install record beside the program, and the program's check of it.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <filesystem>

#include "ProgramRun.h"
#include "ShellTestSupport.h"
#include "app/AppStrings.h"
#include "app/CPennetApp.h"
#include "app/InstallRecord.h"

namespace {

TEST(InstallRecord, IsReadFromBesideTheProgram) {
  testsupport::TempDir dir;
  EXPECT_FALSE(app::ReadInstallRecord(dir.Path()).has_value());
  testsupport::WriteText(dir / app::kInstallRecordName, "[INSTALL]\nInstDate=2024-05-01\n");
  EXPECT_FALSE(app::ReadInstallRecord(dir.Path()).has_value());  // it names no folder

  ASSERT_TRUE(app::WriteInstallRecord(dir.Path(), {"/opt/pennet/bin", "2024-05-01T10:00:00"}));
  const std::optional<app::InstallRecord> record = app::ReadInstallRecord(dir.Path());
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->folder, "/opt/pennet/bin");
  EXPECT_EQ(record->date, "2024-05-01T10:00:00");
}

TEST(InstallRecord, TheBuildWritesOneBesideTheProgram) {
  const std::string folder = std::filesystem::path(shelltest::BuiltProgram().toStdString()).parent_path().string();
  const std::optional<app::InstallRecord> record = app::ReadInstallRecord(folder);
  ASSERT_TRUE(record.has_value());
  EXPECT_TRUE(std::filesystem::equivalent(record->folder, folder));
  EXPECT_FALSE(record->date.empty());
}

// The build puts the manual beside the program: the web page, and the PDF
// made from the same text.
TEST(InstallRecord, TheBuildMakesTheManualBesideTheProgram) {
  const std::string folder = std::string(PENNET_BUILD_DIR) + "/manual";
  const QByteArray html = [&] {
    QFile file(QString::fromStdString(folder + "/index.html"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }();
  EXPECT_TRUE(html.contains("<h2>5. テキスト</h2>"));
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QString::fromStdString(folder + "/PennetBasMan.pdf"), QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(20000));
  ASSERT_EQ(text.exitCode(), 0) << "pdftotext (poppler-utils) reads the PDF";
  const QString pdf = QString::fromUtf8(text.readAllStandardOutput());
  for (const char* heading : {"Pennet マニュアル", "5. テキスト", "6. コマ枠", "8. 書き出しと印刷"})
    EXPECT_TRUE(pdf.contains(QString::fromUtf8(heading))) << heading;
}

// A copy of the program away from its installation says so and ends with
// a failure code, before it opens any window.
TEST(InstallRecord, AProgramWithoutOneEndsWithAFailureCode) {
  testsupport::TempDir home;
  const QString copy = QString::fromStdString(home / "pennet");
  ASSERT_TRUE(QFile::copy(shelltest::BuiltProgram(), copy));
  shelltest::ProgramRun run(home, copy);
  QProcess& process = run.Start({});
  ASSERT_TRUE(process.waitForFinished(20000));
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), app::CPennetApp::kExitNotInstalled);
  const std::string message = app::LoadAppString(app::kStrNotInstalled);
  ASSERT_FALSE(message.empty());
  EXPECT_NE(process.readAllStandardError().toStdString().find(message), std::string::npos);
}

// `cmake --install` puts a record of the installed folder beside the
// installed program, which then starts and opens a page.
TEST(InstallRecord, AnInstalledProgramHasItsOwnRecordAndStarts) {
  testsupport::TempDir home;
  const std::string prefix = home / "prefix";
  QProcess install;
  install.start(QStringLiteral(PENNET_CMAKE), {QStringLiteral("--install"), QStringLiteral(PENNET_BUILD_DIR),
                                               QStringLiteral("--prefix"), QString::fromStdString(prefix)});
  ASSERT_TRUE(install.waitForFinished(60000));
  ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();

  const std::optional<app::InstallRecord> record = app::ReadInstallRecord(prefix + "/bin");
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->folder, prefix + "/bin");
  EXPECT_TRUE(std::filesystem::is_directory(prefix + "/bin/resources/skins"));
  for (const char* manual : {"/bin/manual/index.html", "/bin/manual/PennetBasMan.pdf"})
    EXPECT_TRUE(std::filesystem::is_regular_file(prefix + manual)) << manual;

  shelltest::ProgramRun run(home, QString::fromStdString(prefix + "/bin/pennet"));
  const std::string page = shelltest::MakePageFile(home / "start.z4g", 1);
  QProcess& program = run.Start({QString::fromStdString(page)});
  EXPECT_TRUE(run.WaitForRecentFile(page)) << program.readAllStandardError().toStdString();
}

}  // namespace
