#pragma once

#include <sys/stat.h>
#include <QString>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>

// The file that holds a preferences record, and the lock that processes sharing it take; it
// knows nothing of what the file says.
//
// Reads are bounded: only a regular file of `kMaxFileSize` bytes or less is read; anything else
// (a FIFO, a device, a directory, a larger file) is never read, and never opened in a way that
// could block. A save writes the whole text to a temporary file beside the file (each write
// checked, then flushed to disk) that is renamed over the old one, so a crash or a full disk
// leaves the old file or the new one, never a mixture or an empty file.
//
// The lock is an advisory flock on "<file>.lock", removed again on release. Saving and moving a
// damaged file aside take the held lock as an argument. Waiting for the lock ends after
// `kLockWait`, and at once after `stopWaiting`.
//
// Any thread: the only state besides the path is whether waiting should end.

namespace storm::qt {

class PreferencesFile {
 public:
  static constexpr std::chrono::milliseconds kLockWait{2000};
  static constexpr std::size_t kMaxFileSize = 1 << 20;

  // Identifies one version of the file: a save renames a new file into place.
  struct Stamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    bool operator==(const Stamp& other) const;
  };

  struct Contents {
    enum class Status { Absent, Read, Unreadable } status = Status::Absent;
    std::string bytes;  // Read: the whole file
    Stamp stamp;        // Read: of the file the bytes came from
    QString problem;    // Unreadable: why
  };

  // The held lock, made by `lock`. Whoever destroys it removes the lock file, then lets go of it.
  class Lock {
   public:
    Lock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    const int fd_;
    const std::string path_;
  };

  explicit PreferencesFile(QString path) : path_(std::move(path)) {}
  PreferencesFile(const PreferencesFile&) = delete;
  PreferencesFile& operator=(const PreferencesFile&) = delete;

  const QString& path() const { return path_; }

  Contents read() const;
  // Of the file there now; `exists` is false when there is none.
  Stamp stamp() const;

  // Takes the lock, waiting for another holder for `kLockWait` at most (not at all after
  // `stopWaiting`). Nothing, and `problem` says why, when it cannot be had.
  std::unique_ptr<Lock> lock(QString& problem) const;
  void stopWaiting() { quitting_ = true; }

  // Replaces the file (the one it links to, for a symbolic link) with `text`, all or nothing;
  // false, and `problem` says why, when the file is unchanged.
  bool save(const Lock& lock, const std::string& text, std::string& problem) const;

  // Renames the file to "<file>.damaged-<UTC time of `now`>", with "-2", "-3"… after it when
  // that name is taken. The new name, or nothing when the file could not be renamed.
  QString moveAside(const Lock& lock, double now) const;

 private:
  const QString path_;
  std::atomic<bool> quitting_{false};  // the application is about to quit: waiting for the lock ends
};

}  // namespace storm::qt
