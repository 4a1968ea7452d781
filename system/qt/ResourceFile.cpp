#include "system/qt/ResourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace storm::qt {

namespace {

// Opens without waiting and checks what was opened; -1 with the reason otherwise.
int openRegular(const QString& path, QString& error, qint64 limit) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error = QString::fromLocal8Bit(std::strerror(errno));
    return -1;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "not a regular file";
  } else if (info.st_size > limit) {
    error = QString("larger than %1 bytes").arg(limit);
  } else {
    return fd;
  }
  ::close(fd);
  return -1;
}

}  // namespace

bool isReadableRegularFile(const QString& path, QString& error, qint64 limit) {
  if (path.startsWith(':')) return true;
  const int fd = openRegular(path, error, limit);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

std::optional<QByteArray> readResourceFile(const QString& path, QString& error, qint64 limit) {
  if (path.startsWith(':')) {
    QFile resource(path);
    if (!resource.open(QIODevice::ReadOnly)) {
      error = resource.errorString();
      return std::nullopt;
    }
    return resource.readAll();
  }
  const int fd = openRegular(path, error, limit);
  if (fd < 0) return std::nullopt;
  QByteArray bytes;
  char chunk[16384];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = QString::fromLocal8Bit(std::strerror(errno));
    if (n <= 0) break;
    bytes.append(chunk, n);
    // A file that grows while it is read is held to the same limit.
    if (bytes.size() > limit) {
      error = QString("larger than %1 bytes").arg(limit);
      break;
    }
  }
  ::close(fd);
  if (!error.isEmpty()) return std::nullopt;
  return bytes;
}

}  // namespace storm::qt
