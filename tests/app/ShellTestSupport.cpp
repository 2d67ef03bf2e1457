#include "ShellTestSupport.h"

#include <QApplication>
#include <cstring>
#include <filesystem>
#include <QThread>
#include <QTimer>

#include "app/CSMainFrame.h"
#include "page/PageFile.h"
#include "page/PnGlobal.h"
#include "page/SDoc.h"
#include "page/SFigRect.h"
#include "page/SView.h"

namespace shelltest {

void WhenModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      act(modal);
    }
  });
  timer->start();
}

bool SaveScreenshot(QWidget& widget, const std::string& name) {
  const std::filesystem::path folder = std::filesystem::current_path() / "test-images";
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  QApplication::processEvents();
  return widget.grab().save(QString::fromStdString((folder / (name + ".png")).string()));
}

platform::Image DrawnPage(page::SDoc& doc) {
  page::SView renderer;
  EXPECT_EQ(renderer.Draw(nullptr, doc, {0, 0, doc.GetPageWidth(), doc.GetPageHeight()}, page::kDrawExport), 0);
  return renderer.image;
}

bool SamePixels(const platform::Image& a, const platform::Image& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.Pitch() != b.Pitch()) return false;
  return std::memcmp(a.Bits(), b.Bits(), static_cast<std::size_t>(a.Pitch()) * a.Height()) == 0;
}

SavedPrefs::SavedPrefs() : saved_(*page::PnGlobal::Get().prefs) {}
SavedPrefs::~SavedPrefs() { *page::PnGlobal::Get().prefs = saved_; }

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QThread::msleep(5);
  }
  return true;
}

std::string MakePageFile(const std::string& path, int rectangles) {
  page::SDoc doc;
  for (int i = 0; i < rectangles; ++i) {
    auto object = std::make_unique<page::SObj>();
    object->SetFig(std::make_unique<page::SFigRect>(), false);
    page::PropSCVal place;
    place.x = 100 + 50 * i, place.y = 120, place.width = 80, place.height = 40;
    object->ApplyPropSC(place, false);
    doc.AddObject(std::move(object), -1, -1);
  }
  if (page::SaveSDoc(doc, path) != 0) throw std::runtime_error("cannot write the page file " + path);
  return path;
}

int CountObjectsInFile(const std::string& path) {
  page::SDoc doc;
  return page::LoadSDoc(doc, path) < 0 ? -1 : doc.GetObjectCount();
}

ScriptedUi::ScriptedUi() {
  oldMessage_ = platform::SetMessageHook([this](const std::string& text, const std::string&, unsigned flags) {
    messages.push_back(text);
    if (!answers.empty()) {
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return (flags & platform::kMbButtonMask) == platform::kMbOk ? int{platform::kIdOk} : int{platform::kIdCancel};
  });
  oldDialog_ = platform::SetFileDialogHook([this](const platform::FileDialogRequest&, std::string& out) {
    ++dialogsShown;
    if (dialogPaths.empty()) return false;
    out = dialogPaths.front();
    dialogPaths.pop_front();
    return true;
  });
}

ScriptedUi::~ScriptedUi() {
  platform::SetMessageHook(oldMessage_);
  platform::SetFileDialogHook(oldDialog_);
}

ShellFixture::ShellFixture() : settings(std::make_unique<platform::Settings>(dir / "settings.ini")) { Start(); }

ShellFixture::~ShellFixture() {
  pennet.reset();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ShellFixture::Start() {
  pennet = std::make_unique<app::CPennetApp>(*settings);
  pennet->SetViewFactory([](app::CPennetDoc& doc) { return new RecordingView(doc); });
  pennet->CreateMainFrame();
}

void ShellFixture::Restart() {
  pennet.reset();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  Start();
}

LauncherDouble::LauncherDouble(const QString& socketPath) {
  QLocalServer::removeServer(socketPath);
  if (!server_.listen(socketPath)) throw std::runtime_error("the launcher double cannot listen");
  QObject::connect(&server_, &QLocalServer::newConnection, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      sockets_.push_back(socket);
      QObject::connect(socket, &QLocalSocket::readyRead, [this, socket] {
        while (socket->canReadLine()) lines << QString::fromUtf8(socket->readLine()).trimmed();
      });
    }
  });
}

void LauncherDouble::Send(const QByteArray& line) {
  for (QLocalSocket* socket : sockets_) {
    socket->write(line + '\n');
    socket->flush();
  }
}

bool LauncherDouble::WaitForLine(const QString& line, int timeoutMs) {
  return WaitUntil([&] { return lines.contains(line); }, timeoutMs);
}

}  // namespace shelltest
