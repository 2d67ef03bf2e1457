#pragma once
// One Pennet per user at a time. The first instance listens on a local
// socket; a later start connects to it, hands over the files named on its
// command line and ends. The running instance opens them as if they had
// been dropped on its window outside any page.
//
// The socket lies in the user's runtime folder ($XDG_RUNTIME_DIR, else the
// temporary folder with the user id in the name). A lock file beside it
// makes "look for a running instance, else become it" one step, so two
// programs started together cannot both become the first.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace app {

// The hand-over block: a tag, then each path (UTF-8) followed by a NUL,
// then one more NUL, as in a dropped-file list. An empty list is the tag and
// one NUL.
QByteArray EncodeFileList(const QStringList& paths);
// 1 with the paths when the block is complete, 0 while it is not yet, -1
// when it is no hand-over block.
int DecodeFileList(const QByteArray& bytes, QStringList& paths);

class CInstanceLock : public QObject {
  Q_OBJECT
 public:
  enum class Claim {
    kFirst,       // no other instance: this one now listens
    kHandedOver,  // another instance runs and was given the files
    kShared,      // another instance runs; this one goes on beside it
  };
  // Hand-over blocks larger than this are refused.
  static constexpr qsizetype kMaxBlockBytes = 1 << 20;

  // The per-user socket name of the program (from "PennetMutex2").
  static QString DefaultServerName();

  explicit CInstanceLock(QString serverName = DefaultServerName(), QObject* parent = nullptr);
  ~CInstanceLock() override;

  // An ordinary start: when an instance runs, hands it `files` (absolute
  // paths; an empty list too) and answers kHandedOver; otherwise starts
  // listening and answers kFirst.
  Claim ClaimOrHandOver(const QStringList& files);
  // A start that always runs (a launch hand-off): listens when no instance
  // runs (kFirst), else leaves the running one alone (kShared).
  Claim ClaimOrShare();

  bool IsListening() const;
  const QString& ServerName() const { return serverName_; }

 signals:
  // A later start handed these files over.
  void sigFilesHandedOver(const QStringList& files);

 private slots:
  void onNewConnection();

 private:
  Claim TakeClaim(const QStringList* files);
  bool SendTo(QLocalSocket& socket, const QStringList& files);
  void Listen();

  QString serverName_;
  QLocalServer* server_ = nullptr;
};

// The arguments that name existing files or folders, in their order, as
// absolute paths (the running instance may have another working folder).
QStringList ExistingPathArguments(const QStringList& arguments);

}  // namespace app
