#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <vector>

#include "map/qt/MapSources.h"
#include "map/qt/TileDiskCache.h"
#include "system/Clock.h"
#include "system/qt/MainThreadQueue.h"
#include "system/qt/WorkerPool.h"

class QNetworkReply;

// Fetches map tiles and keeps them: a bounded memory cache of decoded images in front of a bounded
// disk cache in front of the network. The map says which tiles it wants, most important first;
// the loader fetches those it lacks with a few requests per host at a time and drops requests for
// tiles no longer wanted. A tile that fails to load is tried again later, each time waiting longer.
// Files are read and images decoded on the worker pool, so the map never waits for a tile; the
// results come back to the main thread through a queue of the loader's own. Main thread only.
//
// Tile servers are not trusted: a tile's file, its image, the time it takes and the redirects
// followed for it are all bounded (see Settings), and a tile over any bound counts as failed.

namespace storm::qt {

struct TileKey {
  int layer = 0;  // from TileLoader::addLayer
  int z = 0;
  int x = 0;
  int y = 0;
  friend bool operator==(const TileKey&, const TileKey&) = default;
};
size_t qHash(const TileKey& key, size_t seed = 0);

class TileLoader : public QObject {
  Q_OBJECT

 public:
  struct Settings {
    QString diskFolder;                           // empty: no disk cache
    qint64 memoryBytes = 64LL * 1024 * 1024;      // decoded images held in memory
    qint64 diskBytes = 256LL * 1024 * 1024;       // tile files kept on disk
    int requestsPerHost = 2;                      // at once
    int firstRetryMs = 2000;                      // wait after the first failure, doubled per failure
    int lastRetryMs = 5 * 60 * 1000;              // longest wait between tries
    qint64 refreshAfterSeconds = 7 * 24 * 3600;   // older files are shown and fetched again
    int timeoutMs = 20000;                        // a request that stalls this long fails
    int totalTimeoutMs = 30000;                   // a tile not in after this long fails, however it trickles
    qint64 largestTileBytes = 4LL * 1024 * 1024;  // a tile's file, from the network or the disk
    int largestTileSide = 1024;                   // pixels; a larger image is refused before it is decoded
    int redirectsAllowed = 3;                     // per tile, and only within the layer's own scheme, host and port
    QByteArray userAgent;
    std::shared_ptr<WorkerPool> workers;  // reads files and decodes; null: a pool of its own
    // Dates the tiles on disk (wall time) and times retries and deadlines (monotonic time); null:
    // the system's clocks.
    std::shared_ptr<const Clock> clock;

    // Disk cache in $XDG_CACHE_HOME/storm-distance/tiles, User-Agent naming this application.
    static Settings defaults();
  };

  struct Stats {
    int fromNetwork = 0;
    int fromDisk = 0;
    int failures = 0;
    int cancelled = 0;
    int inFlight = 0;
    int queued = 0;
  };

  explicit TileLoader(Settings settings, QObject* parent = nullptr);
  ~TileLoader() override;

  // The number that stands for `layer` in tile keys; the same layer always gets the same number.
  int addLayer(const TileLayer& layer);
  const TileLayer& layer(int index) const { return layers_[static_cast<size_t>(index)].layer; }

  // The tile's image if it is in memory, else a null image. Counts as a use for the memory cache.
  QImage cached(const TileKey& key);
  // Whether the tile's last try failed and the next one has not been made yet.
  bool failing(const TileKey& key) const { return failures_.contains(key); }

  // The tiles wanted now, most important first: those not in memory are loaded, and requests for
  // tiles that are not in the list any more are cancelled. When every tile is in memory or on its
  // way already, nothing is started and no thread is woken.
  void want(const std::vector<TileKey>& keys);

  Stats stats() const;
  qint64 memoryUsed() const { return memory_.totalCost(); }
  qint64 memoryBound() const { return memory_.maxCost(); }
  const TileDiskCache& disk() const { return *disk_; }

 signals:
  // A tile arrived in memory.
  void tileReady(const storm::qt::TileKey& key);
  // A tile's try failed; it is tried again when a retry falls due.
  void tileFailed(const storm::qt::TileKey& key);
  // A failed tile may be tried again: want it again to do so.
  void retryDue();

 private:
  enum class Stage { Disk, Queued, InFlight, Decoding };
  struct Job {
    Stage stage = Stage::Disk;
    QPointer<QNetworkReply> reply;
    bool refresh = false;  // an old copy is already shown; this fetch only renews it
    QByteArray body;       // of the reply in flight, as far as it has come
    qint64 deadline = 0;   // ms on the monotonic clock: the request fails if the tile is not in by then
    int redirects = 0;     // followed so far
  };
  struct Failure {
    int count = 0;
    qint64 retryAt = 0;  // ms on the monotonic clock
  };
  struct Layer {
    TileLayer layer;
    QString folder;  // the layer's folder in the disk cache
    QString host;    // host and port, for the limit of requests per host
    QUrl origin;     // scheme, host and port: where redirects may lead
  };

  void startDiskLookup(const TileKey& key);
  void diskLookupDone(const TileKey& key, const QImage& image, bool stale);
  void pump();
  void startRequest(const TileKey& key, Job& job);
  void send(const TileKey& key, Job& job, const QUrl& url);
  void received(const TileKey& key, QNetworkReply* reply);
  // Stops a request in flight and counts the tile as failed, saying why.
  void refuse(const TileKey& key, QNetworkReply* reply, const QString& why);
  void requestDone(const TileKey& key, QNetworkReply* reply);
  // Ends the job of a request that got no tile and counts the failure.
  void requestFailed(const TileKey& key, QHash<TileKey, Job>::iterator job);
  void decoded(const TileKey& key, const QImage& image, bool refresh);
  // Puts the image in the memory cache; false (and the tile counted as failed) if it was not kept.
  bool keep(const TileKey& key, const QImage& image);
  void fail(const TileKey& key);
  void scheduleRetry();
  const QString& hostOf(const TileKey& key) const;
  QString tileAddress(const TileKey& key) const;  // for messages
  // The monotonic clock's time in milliseconds.
  qint64 now() const;

  Settings settings_;
  std::shared_ptr<const Clock> clock_;
  std::vector<Layer> layers_;
  QCache<TileKey, QImage> memory_;
  std::shared_ptr<TileDiskCache> disk_;
  QNetworkAccessManager network_;
  std::shared_ptr<WorkerPool> workers_;  // reads files and decodes images
  MainThreadQueue results_;              // what the workers hand back
  QTimer retryTimer_;
  QHash<TileKey, Job> jobs_;
  QHash<TileKey, Failure> failures_;
  QHash<QString, int> inFlightPerHost_;
  std::vector<TileKey> wanted_;  // in order of importance
  QSet<TileKey> wantedSet_;
  Stats stats_;
};

}  // namespace storm::qt
