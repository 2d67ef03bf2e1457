#pragma once
// Helpers of the application shell's tests: a CPennetApp on settings of
// its own, scripted answers for message boxes and file dialogs, page files
// made through the page model, a stand-in launcher listening on a local
// socket, and waiting for the event loop.
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CPennetApp.h"
#include "app/CPennetView.h"
#include "page/AppPrefs.h"
#include "platform/FileDialog.h"
#include "platform/Image.h"
#include "platform/Hooks.h"
#include "platform/Settings.h"
#include "support/TempDir.h"

namespace page {
class SDoc;
}

namespace shelltest {

// Runs the event loop until `done` answers true or `timeoutMs` passed;
// answers `done` then.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// Once the next modal dialog runs, hands it to `act` (which should end it).
void WhenModal(std::function<void(QWidget*)> act);

// The whole page drawn as the export draws it.
platform::Image DrawnPage(page::SDoc& doc);
// Same size and the same bytes in every pixel.
bool SamePixels(const platform::Image& a, const platform::Image& b);
// A picture of the widget as it shows once pending events ran, left in
// test-images/ below the working directory for people to look at; answers
// whether it was written.
bool SaveScreenshot(QWidget& widget, const std::string& name);

// Puts the preferences record back as it was.
class SavedPrefs {
 public:
  SavedPrefs();
  ~SavedPrefs();

 private:
  page::AppPrefs saved_;
};

// Writes a page file holding `rectangles` rectangles; answers its path.
std::string MakePageFile(const std::string& path, int rectangles);
// The number of objects of the page in a page file (-1 when it cannot be
// read).
int CountObjectsInFile(const std::string& path);

// A view that records the files dropped on it instead of inserting them.
class RecordingView : public app::CPennetView {
 public:
  using CPennetView::CPennetView;
  int InsertFile(const std::string& path) override {
    inserted.push_back(path);
    return 0;
  }
  std::vector<std::string> inserted;
};

// Message boxes answered from a script (the default button once it runs
// out) and recorded; file dialogs answered from a list of paths (cancelled
// once it runs out). The previous hooks come back at the end.
class ScriptedUi {
 public:
  ScriptedUi();
  ~ScriptedUi();
  std::deque<int> answers;          // platform::kIdYes, kIdNo, ...
  std::deque<std::string> dialogPaths;
  std::vector<std::string> messages;
  int dialogsShown = 0;

 private:
  platform::MessageHook oldMessage_;
  platform::FileDialogHook oldDialog_;
};

// A shell on a settings file of its own, with its main frame and views
// that record dropped files.
class ShellFixture {
 public:
  ShellFixture();
  ~ShellFixture();
  testsupport::TempDir dir;
  ScriptedUi ui;
  std::unique_ptr<platform::Settings> settings;
  std::unique_ptr<app::CPennetApp> pennet;
  app::CSMainFrame& Frame() { return *pennet->GetMainFrame(); }
  // Ends this shell and starts a new one on the same settings.
  void Restart();

 private:
  void Start();
};

// A launcher double: listens on a socket and collects the lines the page
// sends.
class LauncherDouble {
 public:
  explicit LauncherDouble(const QString& socketPath);
  QStringList lines;
  // Sends a line to every page that connected.
  void Send(const QByteArray& line);
  bool WaitForLine(const QString& line, int timeoutMs = 10000);

 private:
  QLocalServer server_;
  std::vector<QLocalSocket*> sockets_;
};

}  // namespace shelltest
