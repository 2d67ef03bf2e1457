#include "app/CLauncherLink.h"

#include <QLocalSocket>
#include <utility>

namespace app {
namespace {

constexpr int kWaitMs = 2000;
// A launcher that sends endless text without line ends is cut off.
constexpr qsizetype kMaxLineBytes = 4096;

}  // namespace

CLauncherLink::CLauncherLink(QString channel, QObject* parent) : QObject(parent), channel_(std::move(channel)) {}

CLauncherLink::~CLauncherLink() {
  if (socket_ != nullptr && socket_->state() == QLocalSocket::ConnectedState) socket_->flush();
}

bool CLauncherLink::Connect() {
  if (socket_ != nullptr && socket_->state() == QLocalSocket::ConnectedState) return true;
  if (channel_.isEmpty()) return false;
  if (socket_ == nullptr) {
    socket_ = new QLocalSocket(this);
    connect(socket_, &QLocalSocket::readyRead, this, &CLauncherLink::ReadLines);
  }
  socket_->connectToServer(channel_);
  return socket_->waitForConnected(kWaitMs);
}

bool CLauncherLink::Post(int message, qint64 parameter) {
  if (!Connect()) return false;
  socket_->write(QByteArray::number(message) + ' ' + QByteArray::number(parameter) + '\n');
  return socket_->waitForBytesWritten(kWaitMs) || socket_->bytesToWrite() == 0;
}

void CLauncherLink::ReadLines() {
  received_ += socket_->readAll();
  qsizetype end;
  while ((end = received_.indexOf('\n')) >= 0) {
    const QByteArray line = received_.left(end).trimmed();
    received_.remove(0, end + 1);
    if (line.split(' ').value(0) == QByteArray::number(kClosePage)) emit sigCloseRequested();
  }
  if (received_.size() > kMaxLineBytes) received_.clear();
}

}  // namespace app
