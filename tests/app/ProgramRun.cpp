#include "ProgramRun.h"

#include <sys/stat.h>

#include <QFileInfo>
#include <QProcessEnvironment>
#include <filesystem>

#include "ShellTestSupport.h"

namespace shelltest {

QString BuiltProgram() { return QStringLiteral(PENNET_PROGRAM); }

ProgramRun::ProgramRun(const testsupport::TempDir& home, QString program)
    : program_(program.isEmpty() ? BuiltProgram() : std::move(program)),
      runtime_(home / "runtime"),
      config_(home / "config") {
  std::filesystem::create_directories(runtime_);
  std::filesystem::create_directories(config_);
  ::chmod(runtime_.c_str(), 0700);
}

ProgramRun::~ProgramRun() {
  for (QProcess* process : processes_) {
    if (process->state() != QProcess::NotRunning) {
      process->kill();
      process->waitForFinished(5000);
    }
    delete process;
  }
}

QProcess& ProgramRun::Start(const QStringList& arguments) {
  auto* process = new QProcess;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime_));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config_));
  process->setProcessEnvironment(environment);
  process->start(program_, arguments);
  processes_.push_back(process);
  return *process;
}

std::string ProgramRun::SettingsFile() const { return config_ + "/Tamarik/Pennet.ini"; }

bool ProgramRun::WaitForInstanceSocket(int timeoutMs) const {
  const QString socket = QString::fromStdString(runtime_ + "/PennetMutex2");
  return WaitUntil([&] { return QFileInfo::exists(socket); }, timeoutMs);
}

bool ProgramRun::WaitForRecentFile(const std::string& path, int timeoutMs) const {
  return WaitUntil(
      [&] { return testsupport::ReadText(SettingsFile()).find("File1=" + path + "\n") != std::string::npos; },
      timeoutMs);
}

}  // namespace shelltest
