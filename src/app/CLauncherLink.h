#pragma once
// The line between a page opened through a launch hand-off and the program
// that launched it: a local socket named by the launcher (the first field
// of the hand-off block), carrying one text line per message:
//
//   "<message> <parameter>\n"
//
// The page sends 32771 when it opened (the parameter is the page's number
// in this program), 32769 when it closes after writing its image for the
// launcher and 32770 when it closes without; the launcher may send 32868
// to ask the page to close. The numbers are those of the window messages
// such a launcher exchanges on other systems.
#include <QByteArray>
#include <QObject>
#include <QString>

class QLocalSocket;

namespace app {

class CLauncherLink : public QObject {
  Q_OBJECT
 public:
  enum Message : int {
    kPageApplied = 32769,    // closed; the image was written
    kPageDiscarded = 32770,  // closed without applying
    kPageOpened = 32771,     // parameter: the page's number
    kClosePage = 32868,      // from the launcher
  };

  explicit CLauncherLink(QString channel, QObject* parent = nullptr);
  ~CLauncherLink() override;

  const QString& Channel() const { return channel_; }
  // Sends one message, connecting first when needed; false when the
  // launcher cannot be reached (the page goes on without it).
  bool Post(int message, qint64 parameter);

 signals:
  // The launcher asked the page to close.
  void sigCloseRequested();

 private:
  bool Connect();
  void ReadLines();

  QString channel_;
  QLocalSocket* socket_ = nullptr;
  QByteArray received_;
};

}  // namespace app
