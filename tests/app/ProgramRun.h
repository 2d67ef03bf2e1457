#pragma once
// Runs the real program (or a copy of it) on the screenless platform with a
// private runtime folder (where its single-instance socket lies) and
// settings folder, so it meets neither the user's Pennet nor other tests.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>

#include "support/TempDir.h"

namespace shelltest {

class ProgramRun {
 public:
  // `program` defaults to the pennet built beside the tests.
  explicit ProgramRun(const testsupport::TempDir& home, QString program = QString());
  ~ProgramRun();

  // Starts one more process of the program; answers it (owned here).
  QProcess& Start(const QStringList& arguments);
  // The settings file the processes write.
  std::string SettingsFile() const;
  // Waits until the first process listens for later starts.
  bool WaitForInstanceSocket(int timeoutMs = 20000) const;
  // Waits until the recent-file list's first entry is `path`.
  bool WaitForRecentFile(const std::string& path, int timeoutMs = 20000) const;

 private:
  QString program_;
  std::string runtime_;
  std::string config_;
  std::vector<QProcess*> processes_;
};

// The program built beside the tests.
QString BuiltProgram();

}  // namespace shelltest
