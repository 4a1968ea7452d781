#include "storm/qt/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace storm::qt {

namespace {

constexpr size_t kBufferBytes = 64 * 1024;

// Why the target may not be replaced, or nothing.
std::string refusalOf(PathKind kind) {
  if (kind == PathKind::Link) return "it is a symbolic link";
  if (kind == PathKind::Other) return "it is not a regular file";
  return {};
}

}  // namespace

PathKind pathKind(const QByteArray& path) {
  struct stat info {};
  if (::lstat(path.constData(), &info) != 0) return errno == ENOENT ? PathKind::Missing : PathKind::Other;
  if (S_ISLNK(info.st_mode)) return PathKind::Link;
  return S_ISREG(info.st_mode) ? PathKind::Regular : PathKind::Other;
}

WholeFile::~WholeFile() { cancel(); }

bool WholeFile::fail(const std::string& why) {
  error_ = why;
  cancel();
  return false;
}

void WholeFile::removeLeftovers(const QByteArray& target) {
  const QFileInfo info(QFile::decodeName(target));
  const QString prefix = info.fileName() + ".";
  // The names open() makes: the target's, a dot and six letters or digits.
  for (const QString& name : QDir(info.absolutePath()).entryList({prefix + "??????"}, QDir::Files | QDir::Hidden)) {
    const QString tail = name.mid(prefix.size());
    if (!std::all_of(tail.begin(), tail.end(), [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; }))
      continue;
    const QByteArray path = QFile::encodeName(info.absolutePath() + "/" + name);
    if (pathKind(path) == PathKind::Regular) ::unlink(path.constData());
  }
}

bool WholeFile::open() {
  if (std::string refused = refusalOf(pathKind(target_)); !refused.empty()) return fail(refused);
  QByteArray name = target_ + ".XXXXXX";
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) return fail(std::strerror(errno));
  temp_ = name;
  // The mode a file of ours has; a file replaced keeps its own.
  struct stat old {};
  (void)::fchmod(fd_, ::lstat(target_.constData(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  buffer_.reserve(kBufferBytes);
  return true;
}

bool WholeFile::flushBuffer() {
  for (size_t at = 0; at < buffer_.size();) {
    const ssize_t n = ::write(fd_, buffer_.data() + at, buffer_.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(n < 0 ? std::strerror(errno) : "nothing could be written");
    at += static_cast<size_t>(n);
  }
  buffer_.clear();
  return true;
}

bool WholeFile::write(const char* data, size_t size) {
  if (fd_ < 0) return false;
  buffer_.append(data, size);
  return buffer_.size() < kBufferBytes || flushBuffer();
}

bool WholeFile::commit() {
  if (fd_ < 0 || !flushBuffer()) return false;
  if (::fsync(fd_) != 0) return fail(std::strerror(errno));
  ::close(fd_);
  fd_ = -1;
  // Something may have been put in the target's place meanwhile.
  if (std::string refused = refusalOf(pathKind(target_)); !refused.empty()) return fail(refused);
  if (::rename(temp_.constData(), target_.constData()) != 0) return fail(std::strerror(errno));
  temp_.clear();
  return true;
}

void WholeFile::cancel() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.isEmpty()) ::unlink(temp_.constData());
  temp_.clear();
  buffer_.clear();
}

}  // namespace storm::qt
