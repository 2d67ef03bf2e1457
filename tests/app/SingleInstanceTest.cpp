// One instance per user: a later start hands its files to the running one.
// Also the launch hand-off, which always starts, and its messages.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QApplication>
#include <QSignalSpy>

#include "ProgramRun.h"
#include "ShellTestSupport.h"
#include "app/AppStrings.h"
#include "app/CInstanceLock.h"

namespace {

using app::CInstanceLock;
using shelltest::WaitUntil;

TEST(FileHandOver, BlocksCarryTheirPathsAndNothingElse) {
  const QStringList paths = {QStringLiteral("/tmp/a.z4g"), QStringLiteral("/tmp/頁 2.z4g")};
  QStringList decoded;
  const QByteArray block = app::EncodeFileList(paths);
  EXPECT_EQ(app::DecodeFileList(block, decoded), 1);
  EXPECT_EQ(decoded, paths);
  EXPECT_EQ(app::DecodeFileList(app::EncodeFileList({}), decoded), 1);
  EXPECT_TRUE(decoded.isEmpty());

  // Incomplete blocks wait for more; anything else is refused.
  EXPECT_EQ(app::DecodeFileList(block.left(block.size() - 1), decoded), 0);
  EXPECT_EQ(app::DecodeFileList(block.left(3), decoded), 0);
  EXPECT_EQ(app::DecodeFileList(QByteArray("GET / HTTP/1.0\r\n"), decoded), -1);
  EXPECT_EQ(app::DecodeFileList(block + "x", decoded), -1);
}

TEST(CInstanceLock, ALaterStartHandsItsFilesToTheFirst) {
  testsupport::TempDir dir;
  const QString name = QString::fromStdString(dir / "instance");
  CInstanceLock first(name);
  ASSERT_EQ(first.ClaimOrHandOver({}), CInstanceLock::Claim::kFirst);
  EXPECT_TRUE(first.IsListening());
  QSignalSpy handed(&first, &CInstanceLock::sigFilesHandedOver);

  CInstanceLock second(name);
  const QStringList files = {QString::fromStdString(dir / "a.z4g"), QString::fromStdString(dir / "b.z4g")};
  EXPECT_EQ(second.ClaimOrHandOver(files), CInstanceLock::Claim::kHandedOver);
  EXPECT_FALSE(second.IsListening());
  ASSERT_TRUE(WaitUntil([&] { return handed.count() == 1; }));
  EXPECT_EQ(handed[0][0].toStringList(), files);

  // A launch hand-off starts beside the running one and hands nothing.
  CInstanceLock launched(name);
  EXPECT_EQ(launched.ClaimOrShare(), CInstanceLock::Claim::kShared);
  QApplication::processEvents();
  EXPECT_EQ(handed.count(), 1);
}

TEST(CInstanceLock, ASocketLeftByAnEndedInstanceIsTakenOver) {
  testsupport::TempDir dir;
  const QString name = QString::fromStdString(dir / "instance");
  testsupport::WriteText(name.toStdString(), "");  // nobody listens on it
  CInstanceLock lock(name);
  EXPECT_EQ(lock.ClaimOrHandOver({}), CInstanceLock::Claim::kFirst);
  EXPECT_TRUE(lock.IsListening());
}

TEST(CInstanceLock, OnlyExistingArgumentsAreHandedOverAsAbsolutePaths) {
  testsupport::TempDir dir;
  testsupport::WriteText(dir / "page.z4g", "x");
  const QStringList arguments = {QStringLiteral("no-such-file.z4g"), QString::fromStdString(dir / "page.z4g"),
                                 QString::fromStdString(dir.Path())};
  EXPECT_EQ(app::ExistingPathArguments(arguments),
            (QStringList{QString::fromStdString(dir / "page.z4g"), QString::fromStdString(dir.Path())}));
}

// Two real processes: the second, given a page file, makes the first open
// it (the first lists it as its newest recent file) and ends at once.
TEST(SingleInstance, ASecondProgramMakesTheFirstOpenItsFile) {
  testsupport::TempDir home;
  shelltest::ProgramRun run(home);
  const std::string page = shelltest::MakePageFile(home / "handed.z4g", 1);
  QProcess& first = run.Start({});
  ASSERT_TRUE(run.WaitForInstanceSocket()) << first.readAllStandardError().toStdString();

  QProcess& second = run.Start({QString::fromStdString(page)});
  ASSERT_TRUE(second.waitForFinished(20000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(second.readAllStandardError().isEmpty());  // no message with a file

  EXPECT_TRUE(run.WaitForRecentFile(page)) << first.readAllStandardError().toStdString();
  EXPECT_EQ(first.state(), QProcess::Running);

  // A missing file is named by the later start, which hands over the
  // rest and ends.
  const std::string missing = home / "missing.z4g";
  QProcess& fourth = run.Start({QString::fromStdString(missing)});
  ASSERT_TRUE(fourth.waitForFinished(20000));
  EXPECT_EQ(fourth.exitCode(), 0);
  const std::string said = fourth.readAllStandardError().toStdString();
  EXPECT_NE(said.find(missing), std::string::npos) << said;
  EXPECT_NE(said.find("ファイルを開けない"), std::string::npos) << said;
  EXPECT_EQ(first.state(), QProcess::Running);

  // Without a file the later start says why it ends.
  QProcess& third = run.Start({});
  ASSERT_TRUE(third.waitForFinished(20000));
  EXPECT_EQ(third.exitCode(), 0);
  EXPECT_NE(third.readAllStandardError().toStdString().find(app::LoadAppString(app::kStrAlreadyRunning)),
            std::string::npos);
  EXPECT_EQ(first.state(), QProcess::Running);
}

// A launcher's start runs beside a running instance, tells the launcher the
// page opened, and ends when the launcher asks its page to close.
TEST(SingleInstance, ALaunchHandOffRunsBesideAndTalksToItsLauncher) {
  testsupport::TempDir home;
  shelltest::ProgramRun run(home);
  QProcess& first = run.Start({});
  ASSERT_TRUE(run.WaitForInstanceSocket());

  const QString socket = QString::fromStdString(home / "launcher.sock");
  shelltest::LauncherDouble launcher(socket);
  const std::string shmName = "/pennet-launch-" + std::to_string(::getpid());
  const std::u16string text = socket.toStdU16String() + u";Launcher;頁;" + QString::fromStdString(home / "o.png").toStdU16String() + u";";
  std::string block(4, '\0');
  const auto n = static_cast<std::uint32_t>(2 * text.size());
  for (int i = 0; i < 4; ++i) block[i] = static_cast<char>(n >> (8 * i));
  for (const char16_t unit : text) block += static_cast<char>(unit & 0xFF), block += static_cast<char>(unit >> 8);
  const int fd = ::shm_open(shmName.c_str(), O_CREAT | O_RDWR | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, block.data(), block.size()), static_cast<ssize_t>(block.size()));
  ::close(fd);

  QProcess& launched = run.Start({QStringLiteral("/jssumap") + QString::fromStdString(shmName)});
  EXPECT_TRUE(launcher.WaitForLine(QStringLiteral("32771 1"), 20000)) << launched.readAllStandardError().toStdString();
  launcher.Send("32868 0");
  EXPECT_TRUE(launcher.WaitForLine(QStringLiteral("32769 0"), 20000));
  EXPECT_TRUE(WaitUntil([&] { return launched.state() == QProcess::NotRunning; }, 20000));
  EXPECT_EQ(launched.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);
  ::shm_unlink(shmName.c_str());
}

}  // namespace
