#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QFile>
#include <QVariantMap>

#include <memory>
#include <optional>

#include "support/GeoClueService.h"
#include "support/MapTestSupport.h"

// Debian's GeoClue on a private system bus, through the test harness, asked for the user's position
// the way an app asks: GetClient, DesktopId, RequestedAccuracyLevel exact, Start, then the Location
// that each LocationUpdated names.

namespace storm::e2e {
namespace {

using test::GeoClueService;

constexpr const char* kService = "org.freedesktop.GeoClue2";
constexpr const char* kClientInterface = "org.freedesktop.GeoClue2.Client";

struct Location {
  double latitude = 0;
  double longitude = 0;
  double accuracy = -1;
};

// One client of GeoClue, on a connection of its own.
class GeoClueClient : public QObject {
  Q_OBJECT

 public:
  explicit GeoClueClient(const QString& address)
      : name_(QString("geoclue-client-%1").arg(++connections_)), bus_(QDBusConnection::connectToBus(address, name_)) {}
  ~GeoClueClient() override { QDBusConnection::disconnectFromBus(name_); }

  // GetClient, then DesktopId and RequestedAccuracyLevel 8 (exact), then Start: the D-Bus error of
  // the step that failed, or empty.
  QString start(const QString& desktopId) {
    const QDBusMessage client = call(QDBusMessage::createMethodCall(kService, "/org/freedesktop/GeoClue2/Manager",
                                                                    "org.freedesktop.GeoClue2.Manager", "GetClient"));
    if (client.type() == QDBusMessage::ErrorMessage) return client.errorName();
    path_ = client.arguments().value(0).value<QDBusObjectPath>().path();
    bus_.connect(kService, path_, kClientInterface, "LocationUpdated", this,
                 SLOT(locationUpdated(QDBusObjectPath, QDBusObjectPath)));
    for (const auto& [property, value] :
         {std::pair{"DesktopId", QVariant(desktopId)}, std::pair{"RequestedAccuracyLevel", QVariant(8u)}}) {
      const QDBusMessage set = call(properties("Set") << property << QVariant::fromValue(QDBusVariant(value)));
      if (set.type() == QDBusMessage::ErrorMessage) return set.errorName();
    }
    return error(call(QDBusMessage::createMethodCall(kService, path_, kClientInterface, "Start")));
  }
  // Start again, on the client already made.
  QString restart() { return error(call(QDBusMessage::createMethodCall(kService, path_, kClientInterface, "Start"))); }

  // The Location of the next LocationUpdated, if one comes within 5 s.
  std::optional<Location> nextLocation() {
    const size_t seen = updates_.size();
    if (!test::runUntil([&] { return updates_.size() > seen; }, 5000)) return std::nullopt;
    const QDBusReply<QVariantMap> all =
        bus_.call(QDBusMessage::createMethodCall(kService, updates_.back(), "org.freedesktop.DBus.Properties", "GetAll")
                  << "org.freedesktop.GeoClue2.Location");
    if (!all.isValid()) return std::nullopt;
    return Location{all.value()["Latitude"].toDouble(), all.value()["Longitude"].toDouble(),
                    all.value()["Accuracy"].toDouble()};
  }

  bool active() {
    const QDBusMessage reply = call(properties("Get") << "Active");
    return reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
  }

 private slots:
  void locationUpdated(const QDBusObjectPath&, const QDBusObjectPath& location) { updates_.push_back(location.path()); }

 private:
  QDBusMessage properties(const char* method) const {
    return QDBusMessage::createMethodCall(kService, path_, "org.freedesktop.DBus.Properties", method)
           << kClientInterface;
  }
  QDBusMessage call(const QDBusMessage& message) { return bus_.call(message, QDBus::Block, 10000); }
  static QString error(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() + ": " + reply.errorMessage() : QString();
  }

  static inline int connections_ = 0;
  QString name_;
  QDBusConnection bus_;
  QString path_;
  std::vector<QString> updates_;
};

class GeoClueHarness : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    app_ = std::make_unique<QCoreApplication>(argc_, argv_);
    // Qt D-Bus's thread starts now, before any program: under the thread sanitizer, a process that
    // has started a program may start no more threads.
    QDBusConnection::connectToBus(QString("unix:path=/nonexistent"), "warm-up");
    QDBusConnection::disconnectFromBus("warm-up");
  }
  static void TearDownTestSuite() { app_.reset(); }
  void SetUp() override {
    const QString why = GeoClueService::unavailable();
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
  }

 private:
  static inline int argc_ = 1;
  static inline char name_[] = "e2e_tests";
  static inline char* argv_[] = {name_, nullptr};
  static inline std::unique_ptr<QCoreApplication> app_;
};

// The fix reaches the client as fed, in either hemisphere, with GeoClue's accuracy for its dilution.
TEST_F(GeoClueHarness, AGpsFixReachesAClientWithItsAccuracy) {
  GeoClueService geo;
  ASSERT_TRUE(geo.start()) << geo.log().toStdString();
  geo.feed({47.3769, 8.5417, 8});  // once: GeoClue connects to the socket as the client starts
  GeoClueClient client(geo.busAddress());
  ASSERT_EQ(client.start(GeoClueService::kAppId), "") << geo.log().toStdString();
  std::optional<Location> location = client.nextLocation();
  ASSERT_TRUE(location) << geo.log().toStdString();
  EXPECT_NEAR(location->latitude, 47.3769, 1e-6);
  EXPECT_NEAR(location->longitude, 8.5417, 1e-6);
  EXPECT_EQ(location->accuracy, 50) << "a dilution of 8";

  geo.feed({-33.8688, -151.2093, 1.5});  // far off and more accurate: GeoClue takes it at once
  location = client.nextLocation();
  ASSERT_TRUE(location) << geo.log().toStdString();
  EXPECT_NEAR(location->latitude, -33.8688, 1e-6);
  EXPECT_NEAR(location->longitude, -151.2093, 1e-6);
  EXPECT_EQ(location->accuracy, 1) << "a dilution of 1.5";
}

// While GeoClue is away its clients are gone; back, it serves a new client from the same GPS.
TEST_F(GeoClueHarness, AfterARestartANewClientGetsAFix) {
  GeoClueService geo;
  ASSERT_TRUE(geo.start()) << geo.log().toStdString();
  geo.feed({51.5007, -0.1246, 0.9}, 200);
  GeoClueClient client(geo.busAddress());
  ASSERT_EQ(client.start(GeoClueService::kAppId), "");
  ASSERT_TRUE(client.nextLocation()) << geo.log().toStdString();

  ASSERT_TRUE(geo.stopGeoClue());
  EXPECT_TRUE(client.restart().startsWith("org.freedesktop.DBus.Error.ServiceUnknown"));
  EXPECT_TRUE(GeoClueClient(geo.busAddress())
                  .start(GeoClueService::kAppId)
                  .startsWith("org.freedesktop.DBus.Error.ServiceUnknown"));

  ASSERT_TRUE(geo.startGeoClue()) << geo.log().toStdString();
  EXPECT_FALSE(client.restart().isEmpty()) << "the old client went with the old GeoClue";
  GeoClueClient again(geo.busAddress());
  ASSERT_EQ(again.start(GeoClueService::kAppId), "") << geo.log().toStdString();
  const std::optional<Location> location = again.nextLocation();
  ASSERT_TRUE(location) << geo.log().toStdString();
  EXPECT_NEAR(location->latitude, 51.5007, 1e-6);
  EXPECT_EQ(location->accuracy, 0) << "a dilution of 0.9";
}

// With location services off GeoClue refuses to start a client; switched on, a client gets fixes,
// and switched off again, GeoClue stops the running client.
TEST_F(GeoClueHarness, LocationServicesOffRefuseTheClient) {
  GeoClueService geo;
  ASSERT_TRUE(geo.start({.agent = GeoClueService::Agent::Off})) << geo.log().toStdString();
  geo.feed({48.8566, 2.3522, 0.9}, 200);
  EXPECT_TRUE(GeoClueClient(geo.busAddress())
                  .start(GeoClueService::kAppId)
                  .startsWith("org.freedesktop.DBus.Error.AccessDenied"));

  ASSERT_TRUE(geo.setLocationServices(true)) << geo.log().toStdString();
  GeoClueClient client(geo.busAddress());
  ASSERT_EQ(client.start(GeoClueService::kAppId), "");
  ASSERT_TRUE(client.nextLocation()) << geo.log().toStdString();
  EXPECT_TRUE(client.active());
  ASSERT_TRUE(geo.setLocationServices(false)) << geo.log().toStdString();
  EXPECT_FALSE(client.active());
}

// The app refused in GeoClue's configuration cannot start; another app can. The configuration is
// GeoClue's alone: the machine's file stays as it was.
TEST_F(GeoClueHarness, TheAppRefusedInTheConfigurationCannotStart) {
  const auto machineFile = [] {
    QFile file("/etc/geoclue/geoclue.conf");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  };
  const QByteArray before = machineFile();
  GeoClueService geo;
  ASSERT_TRUE(geo.start({.appRefused = true})) << geo.log().toStdString();
  geo.feed({40.4168, -3.7038, 0.9}, 200);

  const QString refused = GeoClueClient(geo.busAddress()).start(GeoClueService::kAppId);
  EXPECT_TRUE(refused.startsWith("org.freedesktop.DBus.Error.AccessDenied")) << refused.toStdString();
  GeoClueClient other(geo.busAddress());
  ASSERT_EQ(other.start("org.example.Other"), "");
  EXPECT_TRUE(other.nextLocation()) << geo.log().toStdString();
  EXPECT_EQ(machineFile(), before) << "read again by its name while GeoClue runs";
}

}  // namespace
}  // namespace storm::e2e

#include "geoclue_harness_e2e_test.moc"
