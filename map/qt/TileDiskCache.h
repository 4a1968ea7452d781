#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <mutex>
#include <optional>

// Tiles kept on disk between runs: one file per tile under a folder per layer, the whole store held
// under a size bound by removing the oldest files first. Safe to use from several threads at once.
// What is found in the folder is not trusted: only a regular file up to the size of the largest
// tile is read, without waiting on it; anything else in a tile's place is removed and reads as
// missing.

namespace storm::qt {

class TileDiskCache {
 public:
  struct Entry {
    QByteArray bytes;
    QDateTime written;
  };

  // `folder` empty: nothing is kept. `largestFile`: bytes of the largest tile read or written.
  TileDiskCache(QString folder, qint64 maxBytes, qint64 largestFile);

  // The tile's file, or nothing when it is missing or unfit (which removes it).
  std::optional<Entry> read(const QString& layer, int z, int x, int y);
  void write(const QString& layer, int z, int x, int y, const QByteArray& bytes);
  // Bytes on disk as far as this cache knows (after its first write, the whole folder).
  qint64 size() const;
  const QString& folder() const { return folder_; }

 private:
  QString path(const QString& layer, int z, int x, int y) const;
  void scanLocked();
  void pruneLocked();

  const QString folder_;
  const qint64 maxBytes_;
  const qint64 largestFile_;
  mutable std::mutex mutex_;  // guards size_ and scanned_, and serialises pruning and removals against writes
  qint64 size_ = 0;
  bool scanned_ = false;
};

}  // namespace storm::qt
