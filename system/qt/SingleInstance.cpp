#include "system/qt/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <cstring>

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

// The address of the socket at `path`; false when the path is too long for one.
bool addressOf(const QByteArray& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path)) return false;
  std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
  return true;
}

// Waits up to `milliseconds` for `fd` to be ready for `events`.
bool ready(int fd, short events, int milliseconds) {
  pollfd p{fd, events, 0};
  int n = 0;
  do n = ::poll(&p, 1, milliseconds);
  while (n < 0 && errno == EINTR);
  return n == 1 && (p.revents & events) != 0;
}

enum class Contact { Unreachable, Answered, Silent };

// Asks the running copy to come forward once, and waits a while for it to say it did. A copy that
// is stopped (or hangs) still has its socket taken in by the kernel: only its answer tells that it
// came forward.
Contact askOnce(const QByteArray& path) {
  sockaddr_un address{};
  if (!addressOf(path, address)) return Contact::Unreachable;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return Contact::Unreachable;
  Contact contact = Contact::Unreachable;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
      ((errno == EAGAIN || errno == EINPROGRESS) && ready(fd, POLLOUT, 500))) {
    const ssize_t length = static_cast<ssize_t>(sizeof kActivate - 1);
    if (ready(fd, POLLOUT, 1000) && ::send(fd, kActivate, static_cast<size_t>(length), MSG_NOSIGNAL) == length) {
      contact = Contact::Silent;
      QByteArray answer;
      QElapsedTimer waited;
      waited.start();
      for (qint64 left = kAnswerMilliseconds; left > 0 && !answer.contains('\n');
           left = kAnswerMilliseconds - waited.elapsed()) {
        if (!ready(fd, POLLIN, static_cast<int>(left))) break;
        char buffer[64];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
        if (n > 0) answer.append(buffer, n);
      }
      if (answer == kBroughtForward) contact = Contact::Answered;
    }
  }
  ::close(fd);
  return contact;
}

// Asks the running copy to come forward; whether it said it did in time.
bool askRunningCopy(const QString& path) {
  const QByteArray file = QFile::encodeName(path);
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < kContactMilliseconds) {
    const Contact contact = askOnce(file);
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

SingleInstance::SingleInstance(int lockFd, const QString& socketPath) : lockFd_(lockFd), socketPath_(socketPath) {}

void SingleInstance::listen() {
  const QByteArray path = QFile::encodeName(socketPath_);
  sockaddr_un address{};
  // The socket is made in a folder of its own that only this user may enter, and then moved into
  // place: nobody else can reach it, not even in between. A socket left by a copy that crashed is
  // ours to replace: the lock says no copy runs.
  QByteArray folder = QFile::encodeName(QDir::tempPath()) + "/storm-distance-XXXXXX";
  const bool made = ::mkdtemp(folder.data()) != nullptr;
  const QByteArray inFolder = folder + "/s";
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  const bool listening = made && fd >= 0 && addressOf(inFolder, address) &&
                         ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                         ::chmod(inFolder.constData(), S_IRWXU) == 0 && ::listen(fd, 50) == 0 &&
                         ::rename(inFolder.constData(), path.constData()) == 0;
  const int error = errno;
  if (made) {
    ::unlink(inFolder.constData());
    ::rmdir(folder.constData());
  }
  if (!listening) {
    qCWarning(lcStorm, "cannot listen for later launches: %s", std::strerror(error));
    if (fd >= 0) ::close(fd);
    return;
  }
  serverFd_ = fd;
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this] { accept(); });
}

void SingleInstance::accept() {
  for (;;) {
    const int client = ::accept4(serverFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) return;
    auto* notifier = new QSocketNotifier(client, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, client, notifier] { read(client, notifier); });
  }
}

void SingleInstance::read(int client, QSocketNotifier* notifier) {
  char buffer[64];
  const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
  // A later launch writes its request at once and leaves: what one read brings is all there is.
  notifier->setEnabled(false);
  notifier->setParent(nullptr);
  notifier->deleteLater();
  if (n <= 0 || !QByteArray(buffer, static_cast<qsizetype>(n)).contains("activate")) {
    ::close(client);
    return;
  }
  qCWarning(lcStorm, "another launch asked for the window; brought it forward");
  if (activate_) activate_();
  // The launch waits for this; a few bytes always fit in the socket's buffer.
  ::send(client, kBroughtForward, sizeof kBroughtForward - 1, MSG_NOSIGNAL);
  ::close(client);
}

SingleInstance::~SingleInstance() {
  // The server's socket and those of launches not heard out yet.
  for (QSocketNotifier* notifier : findChildren<QSocketNotifier*>()) {
    const auto fd = static_cast<int>(notifier->socket());
    delete notifier;
    ::close(fd);
  }
  if (serverFd_ >= 0) ::unlink(QFile::encodeName(socketPath_).constData());
  if (lockFd_ >= 0) ::close(lockFd_);
}

}  // namespace storm::qt
