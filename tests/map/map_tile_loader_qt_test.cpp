#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QBuffer>
#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <future>

#include "map/qt/TileLoader.h"
#include "support/MapTestSupport.h"
#include "support/MapTileServer.h"
#include "system/ManualClock.h"

// The tile loader against a tile server on loopback: caching in memory and on disk, the limit of
// requests per host, cancelling, waiting after failures, the caches' bounds, and the bounds that
// hold against a server (or a cache folder) that sends what no tile should be.

namespace storm::qt {
namespace {

using test::runUntil;
using Behaviour = test::MapTileServer::Behaviour;

class TileLoaderTest : public ::testing::Test {
 protected:
  TileLoaderTest() : server_({{"a", {Qt::red}}, {"b", {Qt::blue}}}) {}
  void SetUp() override { ASSERT_TRUE(server_.start()); }

  TileLoader::Settings settings() const {
    TileLoader::Settings s;
    s.diskFolder = dir_.path() + "/tiles";
    s.userAgent = "storm-distance-test";
    return s;
  }
  TileLayer layer(const QString& name) const { return {server_.urlTemplate(name), 0, 19, name}; }

  static std::vector<TileKey> row(int layer, int count, int z = 10, int y = 400) {
    std::vector<TileKey> keys;
    for (int x = 0; x < count; ++x) keys.push_back({layer, z, 500 + x, y});
    return keys;
  }
  static bool allCached(TileLoader& loader, const std::vector<TileKey>& keys) {
    for (const auto& k : keys)
      if (loader.cached(k).isNull()) return false;
    return true;
  }

  test::MapTileServer server_;
  QTemporaryDir dir_;
};

TEST_F(TileLoaderTest, FetchesEachTileOnceAndKeepsItInMemory) {
  TileLoader loader(settings());
  const int a = loader.addLayer(layer("a"));
  EXPECT_EQ(loader.addLayer(layer("a")), a);
  const auto keys = row(a, 6);
  loader.want(keys);
  ASSERT_TRUE(runUntil([&] { return allCached(loader, keys); }));
  EXPECT_EQ(loader.cached(keys[0]).pixelColor(10, 10), QColor(Qt::red));
  EXPECT_EQ(server_.requests("a"), 6);

  loader.want(keys);
  EXPECT_EQ(loader.stats().inFlight + loader.stats().queued, 0);
  EXPECT_EQ(server_.requests("a"), 6);
}

// The map asks again at every frame of a glide: tiles in memory or on their way start nothing.
TEST_F(TileLoaderTest, WantingTheSameTilesAgainWakesNoWorker) {
  auto s = settings();
  s.workers = std::make_shared<WorkerPool>(1);
  TileLoader loader(s);
  const auto keys = row(loader.addLayer(layer("a")), 6);
  loader.want(keys);
  const auto posted = s.workers->posted();
  for (int i = 0; i < 5; ++i) loader.want(keys);
  EXPECT_EQ(s.workers->posted(), posted) << "while on their way";
  ASSERT_TRUE(runUntil([&] { return allCached(loader, keys); }));
  const auto loaded = s.workers->posted();
  for (int i = 0; i < 5; ++i) loader.want(keys);
  EXPECT_EQ(s.workers->posted(), loaded) << "once in memory";
  EXPECT_EQ(server_.requests("a"), 6);
}

TEST_F(TileLoaderTest, TilesSeenOnceComeFromDiskWithoutTheNetwork) {
  const auto keys = row(0, 4);
  {
    TileLoader loader(settings());
    loader.addLayer(layer("a"));
    loader.want(keys);
    ASSERT_TRUE(runUntil([&] { return allCached(loader, keys); }));
  }
  server_.stop();
  TileLoader loader(settings());
  loader.addLayer(layer("a"));
  loader.want(keys);
  ASSERT_TRUE(runUntil([&] { return allCached(loader, keys); }));
  EXPECT_EQ(loader.stats().fromDisk, 4);
  EXPECT_EQ(loader.stats().failures, 0);
}

TEST_F(TileLoaderTest, KeepsToTheHostLimitAndCancelsTilesNoLongerWanted) {
  auto s = settings();
  s.diskFolder.clear();
  TileLoader loader(s);
  const int a = loader.addLayer(layer("a"));
  const int b = loader.addLayer(layer("b"));
  loader.want(row(a, 20));
  EXPECT_EQ(loader.stats().inFlight, 2);
  EXPECT_EQ(loader.stats().queued, 18);

  const auto keysB = row(b, 20);
  loader.want(keysB);
  EXPECT_EQ(loader.stats().cancelled, 20);
  ASSERT_TRUE(runUntil([&] { return allCached(loader, keysB); }));
  EXPECT_LE(server_.requests("a"), 2) << "only the two already sent reached the server";
  EXPECT_EQ(server_.requests("b"), 20);
}

// The wait after a failure is measured on the clock the loader is given.
TEST_F(TileLoaderTest, AFailedTileIsNotTriedAgainBeforeItsTime) {
  server_.setFailing(true);
  auto clock = std::make_shared<ManualClock>(1e9);
  auto s = settings();
  s.firstRetryMs = 60000;
  s.clock = clock;
  TileLoader loader(s);
  const auto key = row(loader.addLayer(layer("a")), 1);
  loader.want(key);
  ASSERT_TRUE(runUntil([&] { return loader.failing(key[0]); }));
  // Every repaint wants the tile again; none of them may fetch it.
  for (int i = 0; i < 50; ++i) {
    loader.want(key);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  clock->advance(59.9);
  loader.want(key);
  EXPECT_EQ(server_.requests(), 1);
  EXPECT_EQ(loader.stats().inFlight + loader.stats().queued, 0);

  clock->advance(0.2);
  loader.want(key);
  ASSERT_TRUE(runUntil([&] { return server_.requests() == 2; }));
}

// A tile on disk older than the refresh age, by the wall time of the loader's clock, is shown at
// once and fetched again; a younger one is only shown.
TEST_F(TileLoaderTest, TilesOnDiskPastTheirAgeAreShownAndFetchedAgain) {
  auto clock = std::make_shared<ManualClock>(static_cast<double>(QDateTime::currentSecsSinceEpoch()));
  auto s = settings();
  s.clock = clock;
  s.refreshAfterSeconds = 3600;
  const auto keys = row(0, 2);
  {
    TileLoader loader(s);
    loader.addLayer(layer("a"));
    loader.want(keys);
    ASSERT_TRUE(runUntil([&] { return allCached(loader, keys); }));
  }
  clock->setWallTime(clock->now() + 1800);
  {
    TileLoader loader(s);
    loader.addLayer(layer("a"));
    loader.want(keys);
    ASSERT_TRUE(runUntil([&] { return allCached(loader, keys); }));
    EXPECT_EQ(loader.stats().fromDisk, 2);
    EXPECT_EQ(loader.stats().inFlight + loader.stats().queued, 0);
  }
  EXPECT_EQ(server_.requests("a"), 2);
  clock->setWallTime(clock->now() + 3600);
  TileLoader loader(s);
  loader.addLayer(layer("a"));
  loader.want(keys);
  ASSERT_TRUE(runUntil([&] { return loader.stats().fromNetwork == 2; }));
  EXPECT_EQ(loader.stats().fromDisk, 2);
  EXPECT_EQ(server_.requests("a"), 4);
}

TEST_F(TileLoaderTest, AFailedTileIsTriedAgainWhenItsTimeComes) {
  server_.setFailing(true);
  auto s = settings();
  s.firstRetryMs = 50;
  TileLoader loader(s);
  const auto key = row(loader.addLayer(layer("a")), 1);
  bool due = false;
  QObject::connect(&loader, &TileLoader::retryDue, [&] { due = true; });
  loader.want(key);
  ASSERT_TRUE(runUntil([&] { return loader.failing(key[0]); }));
  server_.setFailing(false);
  ASSERT_TRUE(runUntil([&] { return due; }));
  loader.want(key);
  ASSERT_TRUE(runUntil([&] { return !loader.cached(key[0]).isNull(); }));
  EXPECT_FALSE(loader.failing(key[0]));
  EXPECT_EQ(server_.requests(), 2);
}

TEST_F(TileLoaderTest, SomethingThatIsNotAnImageCountsAsAFailure) {
  TileLoader loader(settings());
  const auto key = row(loader.addLayer(layer("nowhere")), 1);  // the server answers 404
  loader.want(key);
  ASSERT_TRUE(runUntil([&] { return loader.failing(key[0]); }));
  EXPECT_TRUE(loader.cached(key[0]).isNull());
}

TEST_F(TileLoaderTest, ALoaderThatGoesAwayLeavesNothingOfItsOwnOnASharedPool) {
  auto pool = std::make_shared<WorkerPool>(1);
  std::promise<void> gate;
  pool->post([open = gate.get_future().share()] { open.wait(); });
  {
    auto s = settings();
    s.workers = pool;
    TileLoader loader(s);
    loader.want(row(loader.addLayer(layer("a")), 6));
    EXPECT_EQ(pool->posted(), 7u) << "the disk look-ups wait on the shared pool";
  }
  // Were the loader's look-ups still queued, they would hand their results to a loader that is gone.
  gate.set_value();
  pool->waitForIdle();
  QCoreApplication::processEvents();
  std::atomic<bool> ran = false;
  pool->post([&] { ran = true; });
  pool->waitForIdle();
  EXPECT_TRUE(ran);
}

TEST_F(TileLoaderTest, BothCachesKeepToTheirBounds) {
  auto s = settings();
  const qint64 tileBytes = 256 * 256 * 4;
  s.memoryBytes = 8 * tileBytes;
  s.diskBytes = 6000;  // a handful of the server's small PNGs
  TileLoader loader(s);
  const int a = loader.addLayer(layer("a"));
  for (int batch = 0; batch < 5; ++batch) {
    const auto keys = row(a, 6, 10, 300 + batch);
    loader.want(keys);
    ASSERT_TRUE(runUntil([&] { return loader.stats().fromNetwork == 6 * (batch + 1); }));
    EXPECT_LE(loader.memoryUsed(), s.memoryBytes);
  }
  // The newest tiles are the ones kept.
  EXPECT_TRUE(allCached(loader, row(a, 6, 10, 304)));
  EXPECT_TRUE(loader.cached({a, 10, 500, 300}).isNull());

  qint64 onDisk = 0;
  int files = 0;
  for (QDirIterator it(s.diskFolder, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); ++files)
    onDisk += QFileInfo(it.next()).size();
  EXPECT_LE(onDisk, s.diskBytes);
  EXPECT_GT(files, 0);
  EXPECT_EQ(loader.disk().size(), onDisk);
}

// A body without end, or one announced as far larger than a tile, is cut off: the tile fails like
// any other and its place among the host's requests goes to the next tile.
TEST_F(TileLoaderTest, ABodyLargerThanATileIsCutOffAndFails) {
  server_.setLayer("endless", {Qt::red, false, 256, Behaviour::EndlessBody});
  server_.setLayer("huge", {Qt::red, false, 256, Behaviour::HugeLength});
  auto s = settings();
  s.largestTileBytes = 1024 * 1024;
  TileLoader loader(s);
  const TileKey endless{loader.addLayer(layer("endless")), 10, 500, 400};
  const TileKey huge{loader.addLayer(layer("huge")), 10, 500, 400};
  const auto good = row(loader.addLayer(layer("a")), 3);
  std::vector<TileKey> keys{endless, huge};
  keys.insert(keys.end(), good.begin(), good.end());
  loader.want(keys);
  ASSERT_TRUE(runUntil([&] { return loader.failing(endless) && loader.failing(huge) && allCached(loader, good); }));
  EXPECT_TRUE(loader.cached(endless).isNull());
  EXPECT_TRUE(runUntil([&] { return server_.openConnections() == 0; })) << "the transfers were ended";
  // What the kernel's socket buffers took in before the transfer ended, beside the bound.
  EXPECT_LT(server_.bodyBytesSent("endless"), 32 * 1024 * 1024);
}

// An image's size is read from its header before it is decoded: a small file that decodes to far
// more than a tile is refused. A tile the memory cache cannot hold is never announced (the map
// would look for it, find nothing and ask again without end) and waits like a failed one.
TEST_F(TileLoaderTest, AnImageLargerThanATileOrTheMemoryCacheIsRefusedAndWaits) {
  server_.setLayer("large", {Qt::red, false, 2048});  // 16 MiB decoded: the memory cache could hold it
  auto s = settings();
  s.firstRetryMs = 60000;
  s.workers = std::make_shared<WorkerPool>(1);
  {
    TileLoader loader(s);
    const auto key = row(loader.addLayer(layer("large")), 1);
    loader.want(key);
    ASSERT_TRUE(runUntil([&] { return loader.failing(key[0]); }));
    EXPECT_TRUE(loader.cached(key[0]).isNull());
  }

  s.memoryBytes = 256 * 256 * 4 - 1;  // less than one tile
  TileLoader loader(s);
  const auto key = row(loader.addLayer(layer("a")), 1);
  int announced = 0;
  QObject::connect(&loader, &TileLoader::tileReady, [&] { ++announced; });
  loader.want(key);
  ASSERT_TRUE(runUntil([&] { return loader.failing(key[0]); }));
  const auto posted = s.workers->posted();
  for (int i = 0; i < 20; ++i) {
    loader.want(key);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  EXPECT_EQ(announced, 0);
  EXPECT_EQ(s.workers->posted(), posted) << "nothing read or decoded again before the retry";
  EXPECT_EQ(loader.memoryUsed(), 0);
}

// A server that trickles its answer never goes quiet long enough for the idle timeout; the tile's
// whole request has a deadline too, and passing it frees the host's place for the next tile.
TEST_F(TileLoaderTest, ATileThatTricklesInFailsAtItsDeadlineAndFreesItsPlace) {
  server_.setLayer("trickle", {Qt::red, false, 256, Behaviour::Trickle});
  server_.setTrickleMs(50);  // more than a minute for the whole answer
  auto s = settings();
  s.diskFolder.clear();
  s.totalTimeoutMs = 300;
  TileLoader loader(s);
  const auto slow = row(loader.addLayer(layer("trickle")), 2);
  const auto good = row(loader.addLayer(layer("a")), 2);
  std::vector<TileKey> keys = slow;
  keys.insert(keys.end(), good.begin(), good.end());
  loader.want(keys);
  EXPECT_EQ(loader.stats().inFlight, 2) << "the trickling tiles hold both places";
  ASSERT_TRUE(runUntil([&] { return loader.failing(slow[0]) && loader.failing(slow[1]) && allCached(loader, good); }));
  EXPECT_TRUE(runUntil([&] { return server_.openConnections() == 0; })) << "the trickles were hung up on";
}

// Redirects are followed only within the layer's own scheme, host and port, and only a few times.
TEST_F(TileLoaderTest, RedirectsAreFollowedAFewHopsWithinTheLayersOwnHostOnly) {
  test::MapTileServer elsewhere({{"a", {Qt::green}}});
  ASSERT_TRUE(elsewhere.start());
  server_.setLayer("hop1", {{}, false, 256, Behaviour::Redirect, "/a/{z}/{x}/{y}.png"});
  for (int hop = 2; hop <= 4; ++hop)
    server_.setLayer(QString("hop%1").arg(hop),
                     {{}, false, 256, Behaviour::Redirect, QString("/hop%1/{z}/{x}/{y}.png").arg(hop - 1)});
  server_.setLayer("away", {{}, false, 256, Behaviour::Redirect, elsewhere.urlTemplate("a")});
  server_.setLayer("loop", {{}, false, 256, Behaviour::Redirect, "/loop/{z}/{x}/{y}.png"});
  auto s = settings();
  s.firstRetryMs = 60000;
  s.requestsPerHost = 4;
  TileLoader loader(s);
  const TileKey threeHops{loader.addLayer(layer("hop3")), 10, 500, 400};
  const TileKey fourHops{loader.addLayer(layer("hop4")), 10, 500, 400};
  const TileKey away{loader.addLayer(layer("away")), 10, 500, 400};
  const TileKey loop{loader.addLayer(layer("loop")), 10, 500, 400};
  loader.want({threeHops, fourHops, away, loop});
  ASSERT_TRUE(runUntil([&] {
    return !loader.cached(threeHops).isNull() && loader.failing(fourHops) && loader.failing(away) &&
           loader.failing(loop);
  }));
  EXPECT_EQ(loader.cached(threeHops).pixelColor(10, 10), QColor(Qt::red));
  EXPECT_EQ(elsewhere.requests(), 0);
  EXPECT_EQ(server_.requests("loop"), 4) << "the request and three redirects";
}

// Whatever sits in a tile's place in the disk cache is read only when it is a regular file no
// larger than a tile: a FIFO (which would block the reading worker, and quitting with it), a link
// to an endless device, or an oversized file read as missing, and the tile is fetched again.
TEST_F(TileLoaderTest, OnlyRegularFilesOfATilesSizeAreReadFromTheDiskCache) {
  auto s = settings();
  s.largestTileBytes = 64 * 1024;
  const auto keys = row(0, 3);
  {
    TileLoader loader(s);
    loader.addLayer(layer("a"));
    loader.want(keys);
    ASSERT_TRUE(runUntil([&] { return allCached(loader, keys); }));
  }
  QStringList files;
  for (QDirIterator it(s.diskFolder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) files << it.next();
  files.sort();
  ASSERT_EQ(files.size(), 3);
  for (const QString& file : files) ASSERT_TRUE(QFile::remove(file));
  ASSERT_EQ(::mkfifo(QFile::encodeName(files[0]).constData(), 0600), 0);
  ASSERT_TRUE(QFile::link("/dev/zero", files[1]));
  {
    // A tile of another colour, made larger than a tile's file may be.
    QImage blue(256, 256, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QFile file(files[2]);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(blue.save(&file, "PNG"));
    file.write(QByteArray(s.largestTileBytes, '\0'));
  }

  TileLoader loader(s);
  loader.addLayer(layer("a"));
  loader.want(keys);
  ASSERT_TRUE(runUntil([&] { return allCached(loader, keys); }));
  for (const auto& key : keys) EXPECT_EQ(loader.cached(key).pixelColor(10, 10), QColor(Qt::red));
  EXPECT_EQ(loader.stats().fromDisk, 0);
  EXPECT_EQ(loader.stats().fromNetwork, 3);
  for (const QString& file : files) {
    const QFileInfo info(file);
    EXPECT_TRUE(info.isFile() && !info.isSymLink()) << "replaced by the fetched tile: " << file.toStdString();
  }
}

// Only PNG, JPEG and WebP are decoded, told by their first bytes: an SVG in a tile's place (which
// its decoder would draw at whatever cost its paths take) is refused as it stands, and so is a PNG
// whose header claims 100000 x 100000 pixels; the tiles are fetched again.
TEST_F(TileLoaderTest, OnlyRasterImagesOfATilesSizeAreDecoded) {
  const auto settings = this->settings();
  const auto keys = row(0, 2);
  {
    TileLoader loader(settings);
    loader.addLayer(layer("a"));
    loader.want(keys);
    ASSERT_TRUE(runUntil([&] { return allCached(loader, keys); }));
  }
  QStringList files;
  for (QDirIterator it(settings.diskFolder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
    files << it.next();
  ASSERT_EQ(files.size(), 2);
  const QByteArray svg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256">)"
                         R"(<rect width="256" height="256" fill="#00ff00"/></svg>)";
  ASSERT_FALSE(QImage::fromData(svg).isNull()) << "the SVG decoder is there to be kept out";
  // A PNG's signature and header chunk, its checksum right, claiming a vast image.
  QByteArray header("IHDR");
  for (const quint32 side : {100000u, 100000u})
    for (int shift = 24; shift >= 0; shift -= 8) header += static_cast<char>((side >> shift) & 0xff);
  header += QByteArray("\x08\x02\x00\x00\x00", 5);
  quint32 crc = 0xffffffffu;
  for (const char c : header) {
    crc ^= static_cast<quint8>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  crc ^= 0xffffffffu;
  QByteArray bomb = QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\x0d", 12) + header;
  for (int shift = 24; shift >= 0; shift -= 8) bomb += static_cast<char>((crc >> shift) & 0xff);
  bomb += QByteArray("\x00\x00\x00\x10IDAT", 8) + QByteArray(20, '\0');  // where the header ends
  QBuffer claim(&bomb);
  ASSERT_EQ(QImageReader(&claim, "png").size(), QSize(100000, 100000));
  for (const auto& [file, bytes] : {std::pair(files[0], svg), std::pair(files[1], bomb)}) {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bytes);
  }

  TileLoader loader(settings);
  loader.addLayer(layer("a"));
  loader.want(keys);
  ASSERT_TRUE(runUntil([&] { return allCached(loader, keys); }));
  for (const auto& key : keys) EXPECT_EQ(loader.cached(key).pixelColor(10, 10), QColor(Qt::red));
  EXPECT_EQ(loader.stats().fromDisk, 0);
  EXPECT_EQ(loader.stats().fromNetwork, 2);
}

}  // namespace
}  // namespace storm::qt
