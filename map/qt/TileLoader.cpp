#include "map/qt/TileLoader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QImageReader>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

#include "system/qt/QtClock.h"
#include "system/qt/QtLogger.h"

namespace storm::qt {

namespace {

// Failure records kept for tiles that may never be wanted again are forgotten past this many.
constexpr qsizetype kFailureRecordLimit = 4096;
// What the network may hold of a reply before the loader has taken it: beyond this it stops
// reading from the socket, so a body is never much larger in memory than the loader lets it grow.
constexpr qint64 kReplyBuffer = 256 * 1024;

bool everyPixelOpaque(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(line[x]) != 255) return false;
  }
  return true;
}

// The raster formats tile servers send, told by their first bytes whatever the Content-Type or
// the file's name says; empty for anything else. A vector image (SVG, a PDF) is a program for
// drawing whose cost its stated size says nothing about, and never reaches a decoder.
QByteArray rasterFormat(const QByteArray& bytes) {
  if (bytes.startsWith("\x89PNG\r\n\x1a\n")) return "png";
  if (bytes.startsWith("\xff\xd8\xff")) return "jpeg";
  if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP") return "webp";
  return {};
}

// The tile's image, or a null one with the reason in `why`. Only PNG, JPEG and WebP are decoded,
// each by its own decoder alone, and the image's size is read from its header first: a small file
// can describe an image of gigabytes, and one larger than a tile could sensibly be is refused
// before any of it is decoded. (The file's own size is bounded before it gets here.)
QImage decodeTile(const QByteArray& bytes, int largestSide, QString& why) {
  const QByteArray format = rasterFormat(bytes);
  if (format.isEmpty()) {
    why = "not a PNG, JPEG or WebP image";
    return {};
  }
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setAutoDetectImageFormat(false);
  const QSize size = reader.size();
  if (!size.isValid()) {
    why = "not an image: " + reader.errorString();
    return {};
  }
  if (size.width() > largestSide || size.height() > largestSide) {
    why = QString("an image of %1 x %2 pixels; a tile has at most %3 a side")
              .arg(size.width())
              .arg(size.height())
              .arg(largestSide);
    return {};
  }
  QImage image;
  if (!reader.read(&image)) {
    why = "not an image: " + reader.errorString();
    return {};
  }
  // The formats the raster painter draws fastest: a tile without see-through pixels is copied, not
  // blended, even when its file has an alpha channel.
  if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB32);
  image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  return everyPixelOpaque(image) ? image.convertToFormat(QImage::Format_RGB32) : image;
}

}  // namespace

size_t qHash(const TileKey& key, size_t seed) { return qHashMulti(seed, key.layer, key.z, key.x, key.y); }

TileLoader::Settings TileLoader::Settings::defaults() {
  Settings s;
  // $XDG_CACHE_HOME/storm-distance/tiles: the per-application location would add the organisation's
  // name as well.
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  if (!cache.isEmpty()) s.diskFolder = cache + "/storm-distance/tiles";
  s.userAgent = (QCoreApplication::applicationName() + "/" + QCoreApplication::applicationVersion() +
                 " (map tiles; Qt " + qVersion() + ")")
                    .toUtf8();
  return s;
}

TileLoader::TileLoader(Settings settings, QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      clock_(settings_.clock ? settings_.clock : std::make_shared<SystemClock>()),
      disk_(std::make_shared<TileDiskCache>(settings_.diskFolder, settings_.diskBytes, settings_.largestTileBytes)),
      workers_(settings_.workers ? settings_.workers : std::make_shared<WorkerPool>()) {
  memory_.setMaxCost(settings_.memoryBytes);
  retryTimer_.setSingleShot(true);
  retryTimer_.setTimerType(Qt::PreciseTimer);
  connect(&retryTimer_, &QTimer::timeout, this, [this] {
    const qint64 now = this->now();
    const bool due =
        std::any_of(failures_.cbegin(), failures_.cend(), [now](const Failure& f) { return f.retryAt <= now; });
    scheduleRetry();
    if (due) emit retryDue();
  });
}

TileLoader::~TileLoader() {
  // Reads and decodes not started are dropped; the running ones finish before their results'
  // queue goes.
  workers_->cancel(this);
  // Replies still open would report to a half-destroyed loader when the network manager goes.
  for (auto* reply : network_.findChildren<QNetworkReply*>()) {
    reply->disconnect(this);
    reply->abort();
  }
}

int TileLoader::addLayer(const TileLayer& layer) {
  for (size_t i = 0; i < layers_.size(); ++i)
    if (layers_[i].layer.url == layer.url) return static_cast<int>(i);
  const QByteArray digest = QCryptographicHash::hash(layer.url.toUtf8(), QCryptographicHash::Sha1).toHex();
  const QUrl url = layer.tileUrl(0, 0, 0);
  const int port = url.port(url.scheme() == "https" ? 443 : 80);
  const QString host = url.host() + ':' + QString::number(port);
  QUrl origin;
  origin.setScheme(url.scheme());
  origin.setHost(url.host());
  origin.setPort(port);
  layers_.push_back({layer, QString::fromLatin1(digest.left(16)), host, origin});
  return static_cast<int>(layers_.size() - 1);
}

QImage TileLoader::cached(const TileKey& key) {
  const QImage* image = memory_.object(key);
  return image ? *image : QImage();
}

qint64 TileLoader::now() const { return std::llround(clock_->monotonic() * 1000); }

const QString& TileLoader::hostOf(const TileKey& key) const { return layers_[static_cast<size_t>(key.layer)].host; }

QString TileLoader::tileAddress(const TileKey& key) const {
  return layer(key.layer).tileUrl(key.z, key.x, key.y).toString();
}

void TileLoader::want(const std::vector<TileKey>& keys) {
  if (keys != wanted_) {
    wanted_ = keys;
    wantedSet_ = QSet<TileKey>(keys.begin(), keys.end());
  }

  std::vector<QNetworkReply*> toAbort;
  for (auto it = jobs_.begin(); it != jobs_.end();) {
    const bool drop = !wantedSet_.contains(it.key()) && (it->stage == Stage::Queued || it->stage == Stage::InFlight);
    if (!drop) {
      ++it;
      continue;
    }
    if (it->stage == Stage::InFlight) {
      --inFlightPerHost_[hostOf(it.key())];
      if (it->reply) toAbort.push_back(it->reply);
    }
    ++stats_.cancelled;
    it = jobs_.erase(it);
  }
  // Aborting reports the reply finished at once; it must find its job gone, not half-removed.
  for (auto* reply : toAbort) {
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
  }

  const qint64 now = this->now();
  for (const TileKey& key : wanted_) {
    if (key.layer < 0 || static_cast<size_t>(key.layer) >= layers_.size()) continue;
    if (jobs_.contains(key) || memory_.contains(key)) continue;
    if (auto f = failures_.constFind(key); f != failures_.cend() && f->retryAt > now) continue;
    startDiskLookup(key);
  }
  pump();
}

void TileLoader::startDiskLookup(const TileKey& key) {
  Job& job = jobs_[key];
  if (settings_.diskFolder.isEmpty()) {
    job.stage = Stage::Queued;
    return;
  }
  job.stage = Stage::Disk;
  // A file written before this is out of date: shown, and fetched again.
  const qint64 freshSince = std::llround((clock_->now() - static_cast<double>(settings_.refreshAfterSeconds)) * 1000);
  workers_->post(
      [this, key, disk = disk_, folder = layers_[static_cast<size_t>(key.layer)].folder, freshSince,
       largestSide = settings_.largestTileSide, source = layer(key.layer)] {
        QImage image;
        bool stale = false;
        if (auto entry = disk->read(folder, key.z, key.x, key.y)) {
          QString why;
          image = decodeTile(entry->bytes, largestSide, why);
          // A file the cache cannot use is as good as none: the tile is fetched again.
          if (image.isNull())
            qCWarning(lcStorm, "cached tile %s: %s", qPrintable(source.tileUrl(key.z, key.x, key.y).toString()),
                      qPrintable(why));
          stale = entry->written.isValid() && entry->written.toMSecsSinceEpoch() < freshSince;
        }
        results_.post([this, key, image, stale] { diskLookupDone(key, image, stale); });
      },
      this);
}

void TileLoader::diskLookupDone(const TileKey& key, const QImage& image, bool stale) {
  auto it = jobs_.find(key);
  if (it == jobs_.end()) return;
  if (!image.isNull()) {
    if (!keep(key, image)) {
      jobs_.erase(it);
      return;
    }
    ++stats_.fromDisk;
    emit tileReady(key);
    it = jobs_.find(key);  // a slot may have changed what is wanted
    if (it == jobs_.end()) return;
    if (!stale) {
      jobs_.erase(it);
      return;
    }
    it->refresh = true;
  }
  if (!wantedSet_.contains(key)) {
    jobs_.erase(it);
    return;
  }
  it->stage = Stage::Queued;
  pump();
}

void TileLoader::pump() {
  for (const TileKey& key : wanted_) {
    auto it = jobs_.find(key);
    if (it == jobs_.end() || it->stage != Stage::Queued) continue;
    if (inFlightPerHost_.value(hostOf(key)) >= settings_.requestsPerHost) continue;
    startRequest(key, *it);
  }
}

void TileLoader::startRequest(const TileKey& key, Job& job) {
  job.stage = Stage::InFlight;
  job.redirects = 0;
  job.deadline = now() + settings_.totalTimeoutMs;
  ++inFlightPerHost_[hostOf(key)];
  send(key, job, layer(key.layer).tileUrl(key.z, key.x, key.y));
}

void TileLoader::send(const TileKey& key, Job& job, const QUrl& url) {
  QNetworkRequest request(url);
  request.setHeader(QNetworkRequest::UserAgentHeader, settings_.userAgent);
  // The transfer timeout catches a server gone quiet; the deadline below one that trickles.
  request.setTransferTimeout(settings_.timeoutMs);
  // Redirects are followed here, where their target and their number are checked.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  QNetworkReply* reply = network_.get(request);
  reply->setReadBufferSize(kReplyBuffer);
  job.reply = reply;
  job.body.clear();
  connect(reply, &QNetworkReply::metaDataChanged, this, [this, key, reply] {
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > settings_.largestTileBytes)
      refuse(key, reply, QString("announces %1 bytes").arg(length.toLongLong()));
  });
  connect(reply, &QNetworkReply::readyRead, this, [this, key, reply] { received(key, reply); });
  connect(reply, &QNetworkReply::finished, this, [this, key, reply] { requestDone(key, reply); });
  const qint64 left = std::max<qint64>(0, job.deadline - now());
  QTimer::singleShot(std::chrono::milliseconds(left), reply, [this, key, reply] {
    refuse(key, reply, QString("not in after %1 ms").arg(settings_.totalTimeoutMs));
  });
}

void TileLoader::received(const TileKey& key, QNetworkReply* reply) {
  auto it = jobs_.find(key);
  if (it == jobs_.end() || it->reply != reply || it->stage != Stage::InFlight) return;
  it->body += reply->read(settings_.largestTileBytes + 1 - it->body.size());
  if (it->body.size() > settings_.largestTileBytes)
    refuse(key, reply, QString("more than %1 bytes").arg(settings_.largestTileBytes));
}

void TileLoader::refuse(const TileKey& key, QNetworkReply* reply, const QString& why) {
  auto it = jobs_.find(key);
  if (it == jobs_.end() || it->reply != reply || it->stage != Stage::InFlight) return;
  qCWarning(lcStorm, "tile %s: %s", qPrintable(tileAddress(key)), qPrintable(why));
  // Aborting reports the reply finished at once; that report is not for this loader any more.
  reply->disconnect(this);
  reply->abort();
  reply->deleteLater();
  requestFailed(key, it);
}

void TileLoader::requestFailed(const TileKey& key, QHash<TileKey, Job>::iterator job) {
  --inFlightPerHost_[hostOf(key)];
  const bool refresh = job->refresh;
  jobs_.erase(job);
  // A failed renewal leaves the old copy on show; only a missing tile is tried again.
  if (refresh)
    ++stats_.failures;
  else
    fail(key);
  pump();
}

void TileLoader::requestDone(const TileKey& key, QNetworkReply* reply) {
  reply->deleteLater();
  auto it = jobs_.find(key);
  if (it == jobs_.end() || it->reply != reply || it->stage != Stage::InFlight) return;
  received(key, reply);
  it = jobs_.find(key);
  if (it == jobs_.end() || it->reply != reply) return;  // refused: too long
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (reply->error() == QNetworkReply::NoError && status >= 300 && status < 400) {
    const QUrl target = reply->url().resolved(reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl());
    const QUrl& origin = layers_[static_cast<size_t>(key.layer)].origin;
    const bool home = target.scheme() == origin.scheme() && target.host() == origin.host() &&
                      target.port(target.scheme() == "https" ? 443 : 80) == origin.port();
    if (!target.isValid() || !home) {
      refuse(key, reply, "redirected away from its host, to " + target.toString());
    } else if (it->redirects >= settings_.redirectsAllowed) {
      refuse(key, reply, QString("redirected more than %1 times").arg(settings_.redirectsAllowed));
    } else {
      ++it->redirects;
      reply->disconnect(this);
      send(key, *it, target);
    }
    return;
  }
  const bool ok = reply->error() == QNetworkReply::NoError && (status == 0 || status == 200);
  if (!ok) {
    requestFailed(key, it);
    return;
  }
  --inFlightPerHost_[hostOf(key)];
  it->stage = Stage::Decoding;
  const bool refresh = it->refresh;
  workers_->post(
      [this, key, refresh, bytes = std::exchange(it->body, {}), disk = disk_,
       folder = layers_[static_cast<size_t>(key.layer)].folder, largestSide = settings_.largestTileSide,
       address = tileAddress(key)] {
        QString why;
        const QImage image = decodeTile(bytes, largestSide, why);
        if (!image.isNull())
          disk->write(folder, key.z, key.x, key.y, bytes);
        else
          qCWarning(lcStorm, "tile %s: %s", qPrintable(address), qPrintable(why));
        results_.post([this, key, image, refresh] { decoded(key, image, refresh); });
      },
      this);
  pump();
}

void TileLoader::decoded(const TileKey& key, const QImage& image, bool refresh) {
  jobs_.remove(key);
  if (image.isNull()) {  // not an image: as good as no answer
    if (refresh)
      ++stats_.failures;
    else
      fail(key);
    return;
  }
  if (!keep(key, image)) return;
  failures_.remove(key);
  ++stats_.fromNetwork;
  emit tileReady(key);
}

bool TileLoader::keep(const TileKey& key, const QImage& image) {
  if (memory_.insert(key, new QImage(image), image.sizeInBytes())) return true;
  // Larger than the whole memory cache: were it announced, the map would find nothing and ask
  // again and again. It waits like any tile that failed.
  qCWarning(lcStorm, "tile %s: %lld bytes decoded, more than the memory cache holds", qPrintable(tileAddress(key)),
            static_cast<long long>(image.sizeInBytes()));
  fail(key);
  return false;
}

void TileLoader::fail(const TileKey& key) {
  ++stats_.failures;
  const qint64 now = this->now();
  if (failures_.size() > kFailureRecordLimit) {
    for (auto it = failures_.begin(); it != failures_.end();)
      it = it->retryAt <= now && !wantedSet_.contains(it.key()) ? failures_.erase(it) : std::next(it);
  }
  Failure& f = failures_[key];
  f.count = std::min(f.count + 1, 30);
  const qint64 wait =
      std::min<qint64>(static_cast<qint64>(settings_.firstRetryMs) << (f.count - 1), settings_.lastRetryMs);
  f.retryAt = now + wait;
  scheduleRetry();
  emit tileFailed(key);
}

void TileLoader::scheduleRetry() {
  const qint64 now = this->now();
  qint64 next = -1;
  for (const Failure& f : failures_)
    if (f.retryAt > now && (next < 0 || f.retryAt < next)) next = f.retryAt;
  if (next < 0)
    retryTimer_.stop();
  else
    retryTimer_.start(static_cast<int>(next - now) + 1);
}

TileLoader::Stats TileLoader::stats() const {
  Stats s = stats_;
  for (const Job& job : jobs_) {
    if (job.stage == Stage::InFlight)
      ++s.inFlight;
    else if (job.stage == Stage::Queued)
      ++s.queued;
  }
  return s;
}

}  // namespace storm::qt
