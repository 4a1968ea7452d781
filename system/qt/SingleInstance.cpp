#include "system/qt/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

#include "system/qt/QtLogger.h"

namespace storm::qt {

namespace {

constexpr int kContactMilliseconds = 3000;  // how long a later launch tries to reach the running copy
constexpr char kActivate[] = "activate\n";

// A socket name of this configuration folder's own.
QString serverName(const QString& configFolder) {
  const QByteArray digest =
      QCryptographicHash::hash(QDir(configFolder).absolutePath().toUtf8(), QCryptographicHash::Sha256);
  return "storm-distance-" + QString::fromLatin1(digest.toHex().left(24));
}

// Asks the running copy to come forward; false when it cannot be reached in time.
bool askRunningCopy(const QString& name) {
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < kContactMilliseconds) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (socket.waitForConnected(500)) {
      socket.write(kActivate);
      return socket.waitForBytesWritten(1000);
    }
    // The running copy may still be starting up: it takes the lock before it listens.
    QThread::msleep(50);
  }
  return false;
}

}  // namespace

std::unique_ptr<SingleInstance> SingleInstance::claim(const QString& configFolder) {
  QDir().mkpath(configFolder);
  const QString lockPath = configFolder + "/instance.lock";
  const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    // Without a lock file the copies cannot be told apart; running twice beats not running.
    qCWarning(lcStorm, "cannot open %s; not checking for another running copy", qPrintable(lockPath));
    return std::unique_ptr<SingleInstance>(new SingleInstance(-1, serverName(configFolder)));
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    if (askRunningCopy(serverName(configFolder)))
      qCWarning(lcStorm, "already running; brought its window forward");
    else
      qCWarning(lcStorm, "already running, but it did not answer");
    return nullptr;
  }
  return std::unique_ptr<SingleInstance>(new SingleInstance(fd, serverName(configFolder)));
}

SingleInstance::SingleInstance(int lockFd, const QString& name) : lockFd_(lockFd), serverName_(name) {}

void SingleInstance::listen() {
  // A socket left by a copy that crashed is ours to replace: the lock says no copy runs.
  QLocalServer::removeServer(serverName_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_.listen(serverName_))
    qCWarning(lcStorm, "cannot listen for later launches: %s", qPrintable(server_.errorString()));
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->readAll().contains("activate")) return;
        qCWarning(lcStorm, "another launch asked for the window; brought it forward");
        if (activate_) activate_();
      });
    }
  });
}

SingleInstance::~SingleInstance() {
  server_.close();
  if (lockFd_ >= 0) ::close(lockFd_);
}

}  // namespace storm::qt
