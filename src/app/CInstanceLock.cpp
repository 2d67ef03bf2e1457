#include "app/CInstanceLock.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <utility>

namespace app {
namespace {

constexpr char kTag[] = "PennetFiles";  // sent with its NUL
constexpr int kConnectWaitMs = 1000;
constexpr int kWriteWaitMs = 3000;
constexpr int kLockWaitMs = 5000;

QByteArray Tag() { return QByteArray(kTag, sizeof kTag); }

}  // namespace

QByteArray EncodeFileList(const QStringList& paths) {
  QByteArray block = Tag();
  for (const QString& path : paths) {
    if (path.isEmpty()) continue;  // an empty name would end the list
    block += path.toUtf8();
    block += '\0';
  }
  block += '\0';
  return block;
}

int DecodeFileList(const QByteArray& bytes, QStringList& paths) {
  paths.clear();
  const QByteArray tag = Tag();
  if (!tag.startsWith(bytes.left(tag.size()))) return -1;
  if (bytes.size() < tag.size()) return 0;
  qsizetype at = tag.size();
  while (at < bytes.size()) {
    const qsizetype end = bytes.indexOf('\0', at);
    if (end < 0) return 0;
    if (end == at) return end + 1 == bytes.size() ? 1 : -1;  // nothing may follow the list
    paths << QString::fromUtf8(bytes.constData() + at, end - at);
    at = end + 1;
  }
  return 0;
}

QStringList ExistingPathArguments(const QStringList& arguments) {
  QStringList paths;
  for (const QString& argument : arguments) {
    const QFileInfo info(argument);
    if (!argument.isEmpty() && info.exists()) paths << info.absoluteFilePath();
  }
  return paths;
}

QString CInstanceLock::DefaultServerName() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime + QStringLiteral("/PennetMutex2");
  return QDir::tempPath() + QStringLiteral("/PennetMutex2-") + QString::number(::getuid());
}

CInstanceLock::CInstanceLock(QString serverName, QObject* parent)
    : QObject(parent), serverName_(std::move(serverName)) {}

CInstanceLock::~CInstanceLock() = default;

bool CInstanceLock::IsListening() const { return server_ != nullptr && server_->isListening(); }

CInstanceLock::Claim CInstanceLock::ClaimOrHandOver(const QStringList& files) { return TakeClaim(&files); }

CInstanceLock::Claim CInstanceLock::ClaimOrShare() { return TakeClaim(nullptr); }

CInstanceLock::Claim CInstanceLock::TakeClaim(const QStringList* files) {
  // Without the lock (an unwritable folder) the check still runs, only not
  // atomically.
  QLockFile lock(serverName_ + QStringLiteral(".lock"));
  lock.tryLock(kLockWaitMs);

  QLocalSocket probe;
  probe.connectToServer(serverName_);
  if (probe.waitForConnected(kConnectWaitMs)) {
    if (files == nullptr) {
      probe.disconnectFromServer();
      return Claim::kShared;
    }
    SendTo(probe, *files);
    return Claim::kHandedOver;
  }
  // Nobody answers: whatever socket file is left belongs to an instance that
  // ended without cleaning up.
  QLocalServer::removeServer(serverName_);
  Listen();
  return Claim::kFirst;
}

bool CInstanceLock::SendTo(QLocalSocket& socket, const QStringList& files) {
  socket.write(EncodeFileList(files));
  const bool sent = socket.waitForBytesWritten(kWriteWaitMs) || socket.bytesToWrite() == 0;
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kWriteWaitMs);
  return sent;
}

void CInstanceLock::Listen() {
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &CInstanceLock::onNewConnection);
  server_->listen(serverName_);
}

void CInstanceLock::onNewConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    auto* buffer = new QByteArray;
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
      *buffer += socket->readAll();
      QStringList paths;
      const int state = buffer->size() > kMaxBlockBytes ? -1 : DecodeFileList(*buffer, paths);
      if (state == 0) return;
      buffer->clear();
      socket->disconnectFromServer();
      if (state == 1) emit sigFilesHandedOver(paths);
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QObject::destroyed, this, [buffer] { delete buffer; });
  }
}

}  // namespace app
