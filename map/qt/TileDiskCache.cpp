#include "map/qt/TileDiskCache.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <vector>

#include "system/qt/QtLogger.h"
#include "system/qt/ResourceFile.h"

namespace storm::qt {

namespace {
// Pruning goes below the bound so that it does not run again on the very next write.
constexpr double kPruneTo = 0.9;
}  // namespace

TileDiskCache::TileDiskCache(QString folder, qint64 maxBytes, qint64 largestFile)
    : folder_(std::move(folder)), maxBytes_(maxBytes), largestFile_(largestFile) {}

QString TileDiskCache::path(const QString& layer, int z, int x, int y) const {
  return QStringLiteral("%1/%2/%3/%4/%5").arg(folder_, layer).arg(z).arg(x).arg(y);
}

std::optional<TileDiskCache::Entry> TileDiskCache::read(const QString& layer, int z, int x, int y) {
  if (folder_.isEmpty()) return std::nullopt;
  const QString file = path(layer, z, x, y);
  QString error;
  std::optional<QByteArray> bytes = readResourceFile(file, error, largestFile_);
  if (!bytes) {
    // Not there (the usual miss), or something that is no tile: a FIFO, a device, a huge file.
    // Something is in the way when even the link itself exists.
    std::lock_guard lock(mutex_);  // a tile written meanwhile is left alone
    const QFileInfo info(file);
    const bool regular = info.isFile() && !info.isSymLink();
    if ((info.exists() || info.isSymLink()) && !(regular && info.size() <= largestFile_)) {
      qCWarning(lcStorm, "tile cache: %s: %s; removed", qPrintable(file), qPrintable(error));
      if (QFile::remove(file) && scanned_ && regular) size_ -= info.size();
    }
    return std::nullopt;
  }
  if (bytes->isEmpty()) return std::nullopt;
  return Entry{std::move(*bytes), QFileInfo(file).lastModified()};
}

void TileDiskCache::write(const QString& layer, int z, int x, int y, const QByteArray& bytes) {
  if (folder_.isEmpty() || bytes.isEmpty() || bytes.size() > maxBytes_ || bytes.size() > largestFile_) return;
  const QString target = path(layer, z, x, y);
  std::lock_guard lock(mutex_);
  if (!scanned_) scanLocked();
  const qint64 before = QFileInfo(target).size();  // 0 when new
  if (!QDir().mkpath(QFileInfo(target).path())) return;
  // Written aside and renamed, so a reader never sees half a tile.
  QSaveFile file(target);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) return;
  size_ += bytes.size() - before;
  if (size_ > maxBytes_) pruneLocked();
}

qint64 TileDiskCache::size() const {
  std::lock_guard lock(mutex_);
  return size_;
}

void TileDiskCache::scanLocked() {
  size_ = 0;
  QDirIterator it(folder_, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    size_ += it.fileInfo().size();
  }
  scanned_ = true;
}

void TileDiskCache::pruneLocked() {
  struct File {
    QString path;
    qint64 size;
    QDateTime written;
  };
  std::vector<File> files;
  QDirIterator it(folder_, QDir::Files, QDirIterator::Subdirectories);
  qint64 total = 0;
  while (it.hasNext()) {
    it.next();
    const QFileInfo info = it.fileInfo();
    files.push_back({info.filePath(), info.size(), info.lastModified()});
    total += info.size();
  }
  std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.written < b.written; });
  const auto goal = static_cast<qint64>(static_cast<double>(maxBytes_) * kPruneTo);
  for (const File& f : files) {
    if (total <= goal) break;
    if (QFile::remove(f.path)) total -= f.size;
  }
  size_ = total;
}

}  // namespace storm::qt
