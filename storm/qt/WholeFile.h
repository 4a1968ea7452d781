#pragma once

#include <QByteArray>
#include <string>

// The app's own files, written without following a link or waiting on a special file.
//
// WholeFile replaces a file whole: it writes a temporary file made afresh in the target's folder
// (O_EXCL, so never a link or anything else already there) and renames it over the target once it
// is complete and on the disk; a reader sees the old file or the new one, never a part. The target
// is refused when it is a symbolic link or not a regular file, so neither the file a link names nor
// a FIFO or device is ever written. Paths are the file system's bytes, as given.

namespace storm::qt {

enum class PathKind { Missing, Regular, Link, Other };

// What is at `path`, a final link not followed; Other also when it cannot be looked at.
PathKind pathKind(const QByteArray& path);

class WholeFile {
 public:
  explicit WholeFile(QByteArray target) : target_(std::move(target)) {}
  // An unfinished temporary file is removed.
  ~WholeFile();
  WholeFile(const WholeFile&) = delete;
  WholeFile& operator=(const WholeFile&) = delete;

  // False, with error(), when the target may not be replaced or its folder takes no new file.
  bool open();
  bool write(const char* data, size_t size);
  bool write(const std::string& text) { return write(text.data(), text.size()); }
  // The temporary file on the disk and renamed over the target (looked at again first).
  bool commit();
  void cancel();
  // Why the last step failed, in a few words.
  const std::string& error() const { return error_; }

  // Removes the temporary files that rewrites of `target` left when they were killed before the
  // rename; only for a target no other process rewrites now (the caller holds its lock).
  static void removeLeftovers(const QByteArray& target);

 private:
  bool flushBuffer();
  bool fail(const std::string& why);

  const QByteArray target_;
  QByteArray temp_;
  int fd_ = -1;
  std::string buffer_;
  std::string error_;
};

}  // namespace storm::qt
