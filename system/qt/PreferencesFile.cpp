#include "system/qt/PreferencesFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <thread>

namespace storm::qt {

bool PreferencesFile::Stamp::operator==(const Stamp& other) const {
  auto same = [](const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; };
  if (exists != other.exists) return false;
  return !exists || (device == other.device && inode == other.inode && size == other.size &&
                     same(modified, other.modified) && same(changed, other.changed));
}

namespace {

using Stamp = PreferencesFile::Stamp;

std::string errorText(int error) { return std::strerror(error); }

Stamp stampOf(const struct stat& st) {
  Stamp stamp;
  stamp.exists = true;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.modified = st.st_mtim;
  stamp.changed = st.st_ctim;
  return stamp;
}

// Writes `bytes` to a new file beside `target`, checking every write, flushes it to disk and
// renames it over `target`. On failure the temporary file is removed and `target` is as it was.
bool replaceFile(const std::string& target, const std::string& bytes, std::string& problem) {
  static std::atomic<unsigned> counter{0};
  const std::string temporary = target + ".saving-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    problem = "cannot create " + temporary + ": " + errorText(errno);
    return false;
  }
  auto fail = [&](const std::string& what) {
    problem = what + ": " + errorText(errno);
    ::close(fd);
    ::unlink(temporary.c_str());
    return false;
  };
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);  // keep the file's permissions
  for (size_t written = 0; written < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return fail("writing " + temporary);
    }
    written += static_cast<size_t>(n);
  }
  // Some file systems report a full disk only when the data is flushed.
  if (::fsync(fd) != 0) return fail("writing " + temporary);
  if (::close(fd) != 0) {
    problem = "writing " + temporary + ": " + errorText(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    problem = "renaming " + temporary + ": " + errorText(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  // The rename reaches the disk with the folder.
  const std::string folder = QFileInfo(QString::fromStdString(target)).absolutePath().toStdString();
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

// Temporary files of saves that never finished (their process was killed). Only a holder of the
// file lock writes one, so while the lock is held every one found is abandoned.
void removeAbandonedTemporaries(const QString& target) {
  const QFileInfo info(target);
  QDir folder = info.absoluteDir();
  for (const QString& name :
       folder.entryList({info.fileName() + ".saving-*"}, QDir::Files | QDir::Hidden | QDir::System))
    folder.remove(name);
}

}  // namespace

PreferencesFile::Stamp PreferencesFile::stamp() const {
  struct stat st {};
  return ::stat(path_.toStdString().c_str(), &st) == 0 ? stampOf(st) : Stamp{};
}

// Anything but a regular file is never opened (a FIFO would block, a device could be endless),
// or, if it was swapped in between, is opened without blocking and not read.
PreferencesFile::Contents PreferencesFile::read() const {
  const std::string path = path_.toStdString();
  Contents contents;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return contents;
    contents.status = Contents::Status::Unreadable;
    contents.problem = QString::fromStdString(errorText(errno));
    return contents;
  }
  contents.status = Contents::Status::Unreadable;
  if (!S_ISREG(st.st_mode)) {
    contents.problem = "it is not a regular file";
    return contents;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    contents.problem = QString::fromStdString(errorText(errno));
    if (errno == ENOENT) contents.status = Contents::Status::Absent;
    return contents;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    contents.problem = "it is not a regular file";
  } else if (static_cast<std::size_t>(st.st_size) > kMaxFileSize) {
    contents.problem = "it is larger than 1 MiB";
  } else {
    contents.bytes.resize(kMaxFileSize + 1);
    size_t length = 0;
    while (length < contents.bytes.size()) {
      const ssize_t n = ::read(fd, contents.bytes.data() + length, contents.bytes.size() - length);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        contents.problem = QString::fromStdString(errorText(errno));
        break;
      }
      if (n == 0) break;
      length += static_cast<size_t>(n);
    }
    contents.bytes.resize(length);
    if (length > kMaxFileSize) contents.problem = "it is larger than 1 MiB";
    if (contents.problem.isEmpty()) {
      contents.status = Contents::Status::Read;
      contents.stamp = stampOf(st);
    }
  }
  ::close(fd);
  if (contents.status != Contents::Status::Read) contents.bytes.clear();
  return contents;
}

// An exclusive flock on "<file>.lock". The file is removed before the lock is let go; whoever
// locks it checks that it locked the file the name still refers to, since a holder may have just
// removed it. A holder that dies lets go of the lock with its last descriptor, so an abandoned lock
// file never blocks: the next save takes it and removes it.
PreferencesFile::Lock::~Lock() {
  ::unlink(path_.c_str());
  ::close(fd_);
}

std::unique_ptr<PreferencesFile::Lock> PreferencesFile::lock(QString& problem) const {
  QDir().mkpath(QFileInfo(path_).absolutePath());
  const std::string lockPath = (path_ + ".lock").toStdString();
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
      const int error = errno;
      problem = error == EISDIR || error == ELOOP
                    ? QString("its lock file %1 is not a regular file").arg(QString::fromStdString(lockPath))
                    : QString("cannot open its lock file %1 (%2)")
                          .arg(QString::fromStdString(lockPath), QString::fromStdString(errorText(error)));
      return nullptr;
    }
    struct stat held {};
    if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
      ::close(fd);
      problem = QString("its lock file %1 is not a regular file").arg(QString::fromStdString(lockPath));
      return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      struct stat named {};
      if (::stat(lockPath.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
        return std::make_unique<Lock>(fd, lockPath);
      ::close(fd);  // the holder before removed it on its way out: lock the one the name has now
      continue;
    }
    const int error = errno;
    ::close(fd);
    if (error != EWOULDBLOCK && error != EINTR) {
      problem = QString("cannot lock %1 (%2)")
                    .arg(QString::fromStdString(lockPath), QString::fromStdString(errorText(error)));
      return nullptr;
    }
    if (quitting_) {
      problem = QString("another process holds its lock file %1 and the application is quitting")
                    .arg(QString::fromStdString(lockPath));
      return nullptr;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      problem = QString("another process has held its lock file %1 for %2 s")
                    .arg(QString::fromStdString(lockPath))
                    .arg(std::chrono::duration<double>(kLockWait).count());
      return nullptr;
    }
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(8));
  }
}

bool PreferencesFile::save(const Lock&, const std::string& text, std::string& problem) const {
  std::string target = path_.toStdString();
  if (const QFileInfo info(path_); info.isSymLink() && !info.canonicalFilePath().isEmpty())
    target = info.canonicalFilePath().toStdString();  // the file a link points to is the one to replace
  removeAbandonedTemporaries(QString::fromStdString(target));
  if (text.size() > kMaxFileSize) {
    problem = "the record would be larger than 1 MiB";
    return false;
  }
  return replaceFile(target, text, problem);
}

QString PreferencesFile::moveAside(const Lock&, double now) const {
  const QString stamp = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(now)) * 1000, Qt::UTC)
                            .toString("yyyyMMdd'T'HHmmss'Z'");
  QString aside = path_ + ".damaged-" + stamp;
  for (int n = 2; QFileInfo::exists(aside); ++n) aside = path_ + ".damaged-" + stamp + "-" + QString::number(n);
  return QFile::rename(path_, aside) ? aside : QString();
}

}  // namespace storm::qt
