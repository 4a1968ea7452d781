#include "system/qt/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include "system/qt/QtLogger.h"

namespace storm::qt {

namespace {

constexpr int kContactMilliseconds = 3000;  // how long a later launch tries to reach the running copy
constexpr int kAnswerMilliseconds = 3000;   // and then waits for its answer
constexpr char kActivate[] = "activate\n";
constexpr char kBroughtForward[] = "forward\n";

// The socket of this configuration folder's own, in the temporary folder.
QString socketPath(const QString& configFolder) {
  const QByteArray digest =
      QCryptographicHash::hash(QDir(configFolder).absolutePath().toUtf8(), QCryptographicHash::Sha256);
  return QDir::tempPath() + "/storm-distance-" + QString::fromLatin1(digest.toHex().left(24));
}

enum class Contact { Unreachable, Answered, Silent };

// Asks the running copy to come forward once, and waits a while for it to say it did. A copy that
// is stopped (or hangs) still has its socket taken in by the kernel: only its answer tells that it
// came forward.
Contact askOnce(const QString& path) {
  QLocalSocket socket;
  socket.connectToServer(path);
  if (!socket.waitForConnected(500)) return Contact::Unreachable;
  socket.write(kActivate);
  if (!socket.waitForBytesWritten(1000)) return Contact::Unreachable;
  QByteArray answer;
  for (QDeadlineTimer deadline(kAnswerMilliseconds); !answer.contains('\n') && !deadline.hasExpired();) {
    if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) break;
    answer += socket.readAll();
  }
  return answer == kBroughtForward ? Contact::Answered : Contact::Silent;
}

// Asks the running copy to come forward; whether it said it did in time.
bool askRunningCopy(const QString& path) {
  for (QDeadlineTimer deadline(kContactMilliseconds); !deadline.hasExpired();) {
    const Contact contact = askOnce(path);
    if (contact != Contact::Unreachable) return contact == Contact::Answered;
    // The running copy may still be starting up: it takes the lock before it listens.
    QThread::msleep(50);
  }
  return false;
}

}  // namespace

std::unique_ptr<SingleInstance> SingleInstance::claim(const QString& configFolder, bool* answered) {
  if (answered) *answered = false;
  QDir().mkpath(configFolder);
  const QString lockPath = configFolder + "/instance.lock";
  const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    // Without a lock file the copies cannot be told apart; running twice beats not running.
    qCWarning(lcStorm, "cannot open %s; not checking for another running copy", qPrintable(lockPath));
    return std::unique_ptr<SingleInstance>(new SingleInstance(-1, socketPath(configFolder)));
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    const bool forward = askRunningCopy(socketPath(configFolder));
    if (answered) *answered = forward;
    if (forward)
      qCWarning(lcStorm, "already running; brought its window forward");
    else
      qCWarning(lcStorm, "already running, but the running copy did not answer; nothing was brought forward");
    return nullptr;
  }
  return std::unique_ptr<SingleInstance>(new SingleInstance(fd, socketPath(configFolder)));
}

SingleInstance::SingleInstance(int lockFd, QString socketPath) : lockFd_(lockFd), socketPath_(std::move(socketPath)) {}

SingleInstance::~SingleInstance() {
  delete server_;  // removes its socket, before the lock that makes it ours goes
  if (lockFd_ >= 0) ::close(lockFd_);
}

void SingleInstance::listen() {
  if (server_) return;
  server_ = new QLocalServer(this);
  // Made where nobody else can reach it, not even in between, and then moved into place.
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // A socket left by a copy that crashed is ours to replace: the lock says no copy runs.
  QLocalServer::removeServer(socketPath_);
  if (!server_->listen(socketPath_)) {
    qCWarning(lcStorm, "cannot listen for later launches: %s", qPrintable(server_->errorString()));
    return;
  }
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

void SingleInstance::accept() {
  while (QLocalSocket* client = server_->nextPendingConnection()) {
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    connect(client, &QLocalSocket::readyRead, this, [this, client] {
      // A later launch writes its request at once: what one read brings is all there is.
      const bool asked = client->readAll().contains("activate");
      if (asked) {
        qCWarning(lcStorm, "another launch asked for the window; brought it forward");
        if (activate_) activate_();
        client->write(kBroughtForward);  // the launch waits for this
        client->flush();
      }
      client->disconnectFromServer();
    });
  }
}

}  // namespace storm::qt
