#include "system/qt/QtPreferences.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <thread>

#include "system/qt/QtLogger.h"

namespace storm::qt {

bool QtPreferences::Stamp::operator==(const Stamp& other) const {
  auto same = [](const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; };
  if (exists != other.exists) return false;
  return !exists || (device == other.device && inode == other.inode && size == other.size &&
                     same(modified, other.modified) && same(changed, other.changed));
}

namespace {

using Stamp = QtPreferences::Stamp;

bool hasType(const std::string& text, PreferenceType type) {
  switch (type) {
    case PreferenceType::String: return true;
    case PreferenceType::Double: return parseDoublePreference(text).has_value();
    case PreferenceType::Integer: return parseIntegerPreference(text).has_value();
    case PreferenceType::Bool: return parseBoolPreference(text).has_value();
  }
  return false;
}

const char* typeName(PreferenceType type) {
  switch (type) {
    case PreferenceType::String: return "a string";
    case PreferenceType::Double: return "a number";
    case PreferenceType::Integer: return "an integer";
    case PreferenceType::Bool: return "true or false";
  }
  return "";
}

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

Stamp currentStamp(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? stampOf(st) : Stamp{};
}

// ---- files ----

struct FileContents {
  enum class Status { Absent, Read, Unreadable } status = Status::Absent;
  std::string bytes;
  Stamp stamp;
  QString problem;  // Unreadable: why
};

// Reads the file at `path` if it is a regular file of at most `kMaxFileSize` bytes. Anything else
// is never opened (a FIFO would block, a device could be endless), or, if it was swapped in
// between, is opened without blocking and not read.
FileContents readRecordFile(const std::string& path) {
  FileContents contents;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return contents;
    contents.status = FileContents::Status::Unreadable;
    contents.problem = QString::fromStdString(errorText(errno));
    return contents;
  }
  contents.status = FileContents::Status::Unreadable;
  if (!S_ISREG(st.st_mode)) {
    contents.problem = "it is not a regular file";
    return contents;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    contents.problem = QString::fromStdString(errorText(errno));
    if (errno == ENOENT) contents.status = FileContents::Status::Absent;
    return contents;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    contents.problem = "it is not a regular file";
  } else if (static_cast<std::size_t>(st.st_size) > QtPreferences::kMaxFileSize) {
    contents.problem = "it is larger than 1 MiB";
  } else {
    contents.bytes.resize(QtPreferences::kMaxFileSize + 1);
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
    if (length > QtPreferences::kMaxFileSize) contents.problem = "it is larger than 1 MiB";
    if (contents.problem.isEmpty()) {
      contents.status = FileContents::Status::Read;
      contents.stamp = stampOf(st);
    }
  }
  ::close(fd);
  if (contents.status != FileContents::Status::Read) contents.bytes.clear();
  return contents;
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

// ---- the file lock ----

// An exclusive flock on "<file>.lock". The file is removed before the lock is let go; whoever
// locks it checks that it locked the file the name still refers to, since a holder may have just
// removed it. A holder that dies lets go of the lock with its last descriptor, so an abandoned lock
// file never blocks: the next save takes it and removes it.
class QtPreferences::FileLock {
 public:
  FileLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~FileLock() {
    ::unlink(path_.c_str());
    ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  const int fd_;
  const std::string path_;
};

std::unique_ptr<QtPreferences::FileLock> QtPreferences::lockFile(QString& problem) const {
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
        return std::make_unique<FileLock>(fd, lockPath);
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

// ---- the store ----

QtPreferences::QtPreferences(QString path, std::vector<PreferenceKey> keys, std::shared_ptr<Clock> clock)
    : path_(std::move(path)), clock_(std::move(clock)), keys_(std::move(keys)) {
  // Quitting must not wait out another process's lock: saves still under way give up at once.
  if (QCoreApplication* app = QCoreApplication::instance()) {
    const QMetaObject::Connection connection =
        QObject::connect(app, &QCoreApplication::aboutToQuit, [this] { quitting_ = true; });
    disconnectQuit_ = [connection] { QObject::disconnect(connection); };
  }
}

QtPreferences::~QtPreferences() {
  if (disconnectQuit_) disconnectQuit_();
}

void QtPreferences::declareKeys(const std::vector<PreferenceKey>& keys) {
  std::lock_guard lock(mutex_);
  for (const auto& key : keys) {
    const bool known =
        std::any_of(keys_.begin(), keys_.end(), [&](const PreferenceKey& k) { return k.name == key.name; });
    if (!known) keys_.push_back(key);
  }
  if (loaded_) reportOddKeysLocked();
}

std::vector<PreferenceKey> QtPreferences::declaredKeys() const {
  std::lock_guard lock(mutex_);
  return keys_;
}

void QtPreferences::ensureLoaded() const {
  {
    std::lock_guard lock(mutex_);
    if (loaded_) return;
  }
  std::lock_guard file(fileMutex_);
  {
    std::lock_guard lock(mutex_);
    if (loaded_) return;
  }
  loadLocked(nullptr);
}

void QtPreferences::loadLocked(const FileLock* fileLock, bool mayLock) const {
  const FileContents contents = readRecordFile(path_.toStdString());
  if (contents.status == FileContents::Status::Unreadable) {
    // Unreadable is not damaged: leave the file alone, and do not overwrite it either. What was
    // read before stays in memory.
    std::lock_guard lock(mutex_);
    loaded_ = true;
    saveDisabled_ = true;
    stamp_ = currentStamp(path_.toStdString());
    if (!reportedUnreadable_) {
      reportedUnreadable_ = true;
      qCWarning(lcStorm, "cannot read the preferences file %s (%s); changes will not be saved", qPrintable(path_),
                qPrintable(contents.problem));
    }
    return;
  }
  std::optional<std::vector<IniLine>> lines = std::vector<IniLine>{};
  QString damage;
  if (contents.status == FileContents::Status::Read) {
    damage = damageInText(contents.bytes);
    if (damage.isEmpty()) lines = parseIni(contents.bytes);
    if (damage.isEmpty() && !lines) damage = "it is not in INI format";
  }
  if (!damage.isEmpty() && !fileLock && mayLock) {
    // Another process may be replacing the file right now: move it aside only under the lock,
    // after reading it once more.
    QString problem;
    if (const auto taken = lockFile(problem)) return loadLocked(taken.get());
  }
  std::lock_guard lock(mutex_);
  loaded_ = true;
  reportedUnreadable_ = false;
  saveDisabled_ = false;
  if (!damage.isEmpty()) {
    lines_.clear();
    if (fileLock) {
      moveAsideLocked(damage);
    } else {
      qCWarning(lcStorm,
                "the preferences file %s is damaged (%s) and cannot be moved aside; starting afresh "
                "without saving",
                qPrintable(path_), qPrintable(damage));
      saveDisabled_ = true;
    }
    stamp_ = currentStamp(path_.toStdString());
  } else {
    lines_ = std::move(*lines);
    stamp_ = contents.stamp;
  }
  fileValues_ = iniValues(lines_);
  reportOddKeysLocked();
}

void QtPreferences::moveAsideLocked(const QString& reason) const {
  const double now = clock_ ? clock_->now() : 0.0;
  const QString stamp = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(now)) * 1000, Qt::UTC)
                            .toString("yyyyMMdd'T'HHmmss'Z'");
  QString aside = path_ + ".damaged-" + stamp;
  for (int n = 2; QFileInfo::exists(aside); ++n) aside = path_ + ".damaged-" + stamp + "-" + QString::number(n);
  if (QFile::rename(path_, aside)) {
    qCWarning(lcStorm, "the preferences file %s is damaged (%s); moved it to %s and started afresh", qPrintable(path_),
              qPrintable(reason), qPrintable(aside));
  } else {
    qCWarning(lcStorm,
              "the preferences file %s is damaged (%s) and cannot be moved aside; starting afresh "
              "without saving",
              qPrintable(path_), qPrintable(reason));
    saveDisabled_ = true;
  }
}

void QtPreferences::reportOddKeysLocked() const {
  for (const auto& [name, type] : keys_) {
    const auto found = fileValues_.find(name);
    if (found == fileValues_.end()) continue;
    const std::optional<std::string>& text = found->second;
    if (text && hasType(*text, type)) continue;
    const std::string seen = name + "=" + text.value_or("");
    if (!reportedOddValues_.insert(seen).second) continue;
    qCWarning(lcStorm, "the value of %s in the preferences file %s is not %s; it reads as unset", name.c_str(),
              qPrintable(path_), typeName(type));
  }
}

std::optional<std::string> QtPreferences::textLocked(const std::string& key) const {
  if (const auto change = changes_.find(key); change != changes_.end()) return change->second;
  const auto found = fileValues_.find(key);
  if (found == fileValues_.end() || !found->second) return std::nullopt;
  // A declared key whose value is not of its type reads as absent.
  for (const auto& [name, type] : keys_)
    if (name == key && !hasType(*found->second, type)) return std::nullopt;
  return found->second;
}

void QtPreferences::write(const std::string& key, std::optional<std::string> text) {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  changes_[key] = std::move(text);
}

bool QtPreferences::containsKey(const std::string& key) const {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  return textLocked(key).has_value();
}

std::optional<std::string> QtPreferences::stringForKey(const std::string& key) const {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  return textLocked(key);
}

void QtPreferences::setObject(const std::optional<std::string>& value, const std::string& key) { write(key, value); }

double QtPreferences::doubleForKey(const std::string& key) const {
  const auto text = stringForKey(key);
  return text ? parseDoublePreference(*text).value_or(0.0) : 0.0;
}

void QtPreferences::setDouble(double value, const std::string& key) { write(key, preferenceText(value)); }

long QtPreferences::integerForKey(const std::string& key) const {
  const auto text = stringForKey(key);
  return text ? parseIntegerPreference(*text).value_or(0) : 0;
}

void QtPreferences::setInteger(long value, const std::string& key) { write(key, std::to_string(value)); }

bool QtPreferences::boolForKey(const std::string& key) const {
  const auto text = stringForKey(key);
  return text ? parseBoolPreference(*text).value_or(false) : false;
}

void QtPreferences::setBool(bool value, const std::string& key) { write(key, value ? "true" : "false"); }

bool QtPreferences::saveLocked(const FileLock&) {
  std::vector<IniLine> lines;
  std::map<std::string, std::optional<std::string>> saving;
  {
    std::lock_guard lock(mutex_);
    if (saveDisabled_) return false;
    if (changes_.empty()) return true;
    lines = lines_;
    saving = changes_;
  }
  for (const auto& [key, value] : saving) applyChange(lines, key, value);
  const std::string bytes = iniText(lines);

  std::string target = path_.toStdString();
  if (const QFileInfo info(path_); info.isSymLink() && !info.canonicalFilePath().isEmpty())
    target = info.canonicalFilePath().toStdString();  // the file a link points to is the one to replace
  removeAbandonedTemporaries(QString::fromStdString(target));
  std::string problem;
  const bool saved = bytes.size() <= kMaxFileSize ? replaceFile(target, bytes, problem)
                                                  : (problem = "the record would be larger than 1 MiB", false);
  std::lock_guard lock(mutex_);
  if (!saved) {
    qCWarning(lcStorm, "cannot save the preferences to %s: %s; the file there is unchanged", qPrintable(path_),
              problem.c_str());
    return false;
  }
  lines_ = std::move(lines);
  fileValues_ = iniValues(lines_);
  stamp_ = currentStamp(path_.toStdString());
  // Changes made by other threads while this one was writing stay pending.
  for (const auto& [key, value] : saving)
    if (const auto pending = changes_.find(key); pending != changes_.end() && pending->second == value)
      changes_.erase(pending);
  return true;
}

bool QtPreferences::synchronize() {
  std::lock_guard file(fileMutex_);
  ensureLoaded();
  {
    std::lock_guard lock(mutex_);
    if (saveDisabled_) return false;
    if (changes_.empty()) return true;
  }
  QString problem;
  const auto lock = lockFile(problem);
  if (!lock) {
    qCWarning(lcStorm, "cannot save the preferences to %s: %s", qPrintable(path_), qPrintable(problem));
    return false;
  }
  // Read again, so that what other processes saved meanwhile is kept.
  loadLocked(lock.get());
  return saveLocked(*lock);
}

bool QtPreferences::update(const std::function<void(Preferences&)>& change) {
  std::lock_guard file(fileMutex_);
  QString problem;
  const auto lock = lockFile(problem);
  if (lock) {
    loadLocked(lock.get());
  } else {
    std::unique_lock values(mutex_);
    if (!loaded_) {
      values.unlock();
      loadLocked(nullptr, false);  // without a second wait for the lock
    }
  }
  change(*this);
  if (!lock) {
    qCWarning(lcStorm, "cannot save the preferences to %s: %s", qPrintable(path_), qPrintable(problem));
    return false;
  }
  return saveLocked(*lock);
}

void QtPreferences::refresh() {
  std::lock_guard file(fileMutex_);
  {
    std::lock_guard lock(mutex_);
    if (loaded_ && currentStamp(path_.toStdString()) == stamp_) return;
  }
  loadLocked(nullptr);
}

}  // namespace storm::qt
