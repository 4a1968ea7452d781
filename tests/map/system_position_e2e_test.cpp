#include <gtest/gtest.h>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTime>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "support/AutomationClient.h"
#include "support/GeoClueService.h"
#include "support/Sandbox.h"
#include "support/WaitForState.h"

// The app against Debian's GeoClue on a private system bus, switched to it with `location system`:
// a GPS fix and its accuracy, a feed that stops, location services off and then on, no service at
// start and then one, and the app refused by GeoClue's configuration. The app's clock is manual:
// the ages of positions and the app's asking again move only with `advance`.

namespace storm::e2e {
namespace {

using test::GeoClueService;

class SystemPosition : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString why = GeoClueService::unavailable();
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
  }

  std::unique_ptr<AutomationClient> launch(const GeoClueService& geo) {
    auto app = std::make_unique<AutomationClient>(QStringList{"--manual-clock", "1700000000"},
                                                  geo.environment(home_.environment()));
    if (!app->started()) return nullptr;
    app->ok("location system");
    return app;
  }
  static QJsonObject position(const QJsonObject& state) { return state["storm"].toObject()["position"].toObject(); }
  static QString notice(const QJsonObject& state) { return state["mapView"].toObject()["notice"].toString(); }
  static bool logged(const QJsonObject& state, const QString& text) {
    for (const QJsonValue& line : state["log"].toArray())
      if (line.toString().contains(text)) return true;
    return false;
  }
  // Until the location service has answered, the note is only that the position is unknown.
  static QJsonObject fixAt(AutomationClient& app, double latitude) {
    return waitFor(app, [&](const QJsonObject& s) { return position(s)["lat"].toDouble() == latitude; });
  }

  test::Sandbox home_;
};

// The fix arrives as GeoClue gives it, with its accuracy, as a current position; when no more come,
// after five minutes the map calls it the last known position and says why.
TEST_F(SystemPosition, AGpsFixArrivesWithItsAccuracyAndGrowsOldWhenTheFeedStops) {
  GeoClueService geo;
  ASSERT_TRUE(geo.start()) << geo.log().toStdString();
  geo.feed({47.3769, 8.5417, 8});  // once: a dilution of 8 is 50 m to GeoClue
  const auto app = launch(geo);
  ASSERT_TRUE(app);
  QJsonObject state = fixAt(*app, 47.3769);
  EXPECT_EQ(position(state)["lon"].toDouble(), 8.5417);
  EXPECT_EQ(position(state)["accuracy"].toDouble(), 50);
  EXPECT_EQ(position(state)["source"].toString(), "system");
  EXPECT_EQ(position(state)["age"].toDouble(), 0);
  EXPECT_EQ(state["mapView"].toObject()["accuracy"].toDouble(), 50) << "the halo around the dot";
  EXPECT_TRUE(state["mapView"].toObject()["notice"].isNull()) << notice(state).toStdString();

  app->ok("advance 301");
  state = app->state();
  EXPECT_EQ(position(state)["age"].toDouble(), 301);
  EXPECT_TRUE(notice(state).startsWith("Last known position, 5 min ago\nNo fix from the location service"))
      << notice(state).toStdString();
  EXPECT_TRUE(logged(state, "Position: no fix"));

  // A strike measured now says where its position came from.
  app->ok("tap button");
  app->ok("advance 3");
  app->ok("tap button");
  app->ok("settle");
  EXPECT_EQ(app->send("strikes")["strikes"].toArray()[0].toObject()["source"].toString(), "system");
  EXPECT_EQ(app->quit(), 0);
}

// Off: the note says how to switch them on. Switched on, the app finds out when it asks again a
// minute later, without a restart; switched off again, the fix it had is no longer current.
TEST_F(SystemPosition, LocationServicesOffAreNamedAndTheFixComesOnceTheyAreOn) {
  GeoClueService geo;
  ASSERT_TRUE(geo.start({.agent = GeoClueService::Agent::Off})) << geo.log().toStdString();
  geo.feed({48.8566, 2.3522, 5}, 200);  // 3 m: a fix that says how accurate it is
  const auto app = launch(geo);
  ASSERT_TRUE(app);
  QJsonObject state = waitFor(*app, [](const QJsonObject& s) { return notice(s).contains('\n'); });
  EXPECT_EQ(notice(state),
            "Position unknown.\nLocation services are off. Switch them on in the desktop\u2019s privacy settings, or "
            "right-click or hold the map: \u201cI am here\u201d.");
  EXPECT_TRUE(logged(state, "Position: location services are switched off"));

  ASSERT_TRUE(geo.setLocationServices(true)) << geo.log().toStdString();
  app->ok("advance 60");
  state = fixAt(*app, 48.8566);
  EXPECT_TRUE(state["mapView"].toObject()["notice"].isNull()) << notice(state).toStdString();
  EXPECT_TRUE(logged(state, "Position: the location service answers again"));

  ASSERT_TRUE(geo.setLocationServices(false)) << geo.log().toStdString();
  state = waitFor(*app, [](const QJsonObject& s) { return !notice(s).isEmpty(); });
  EXPECT_TRUE(notice(state).startsWith("Last known position, less than a minute ago\nLocation services are off."))
      << notice(state).toStdString();
  EXPECT_EQ(app->quit(), 0);
}

// No service: the app asks again a minute later, then two; when GeoClue's name appears on the bus,
// it asks a minute after its last ask, not at the end of the longer wait.
TEST_F(SystemPosition, TheServiceThatStartsLaterIsFoundWithoutARestart) {
  GeoClueService geo;
  ASSERT_TRUE(geo.start()) << geo.log().toStdString();
  ASSERT_TRUE(geo.stopGeoClue());
  geo.feed({40.4168, -3.7038, 0.9}, 200);
  const auto app = launch(geo);
  ASSERT_TRUE(app);
  QJsonObject state = waitFor(*app, [](const QJsonObject& s) { return notice(s).contains('\n'); });
  EXPECT_TRUE(notice(state).startsWith("Position unknown.\nNo location service is available.")) << notice(state).toStdString();
  app->ok("advance 60");  // asked again: still none, so the next ask waits two minutes
  app->ok("settle");

  ASSERT_TRUE(geo.startGeoClue()) << geo.log().toStdString();
  app->ok("advance 59");
  // The service's name was on the bus before these commands reached the app: an ask that its
  // appearance set off at once has gone out by the time the app answers them.
  app->ok("settle");
  const QTime due = QTime::currentTime();
  app->ok("advance 1");
  state = fixAt(*app, 40.4168);
  const QTime asked = geo.firstClientAt();
  ASSERT_TRUE(asked.isValid()) << geo.log().toStdString();
  EXPECT_GE(asked, due) << "never twice within a minute";
  EXPECT_EQ(position(state)["accuracy"].toDouble(), 0) << "a dilution under 1";
  EXPECT_EQ(app->quit(), 0);
}

TEST_F(SystemPosition, AnAppRefusedByTheConfigurationIsToldHowToAllowIt) {
  GeoClueService geo;
  ASSERT_TRUE(geo.start({.appRefused = true})) << geo.log().toStdString();
  geo.feed({40.4168, -3.7038, 0.9}, 200);
  const auto app = launch(geo);
  ASSERT_TRUE(app);
  const QJsonObject state = waitFor(*app, [](const QJsonObject& s) { return notice(s).contains('\n'); });
  EXPECT_TRUE(notice(state).startsWith(
      "Position unknown.\nThe location service refuses this app. Allow it in the desktop\u2019s privacy settings"))
      << notice(state).toStdString();
  EXPECT_TRUE(logged(state, "Position: the location service refuses this application"));
  EXPECT_EQ(app->quit(), 0);
}

// A system bus that takes connections and never answers (a stopped daemon): the window goes on
// answering, the note comes once the handshake has waited its few seconds, and quitting is prompt.
TEST(SystemPositionHang, ABusThatNeverAnswersHoldsUpNothing) {
  QTemporaryDir dir;
  const QByteArray path = QFile::encodeName(dir.filePath("bus"));
  const int bus = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un where{};
  where.sun_family = AF_UNIX;
  std::memcpy(where.sun_path, path.constData(), static_cast<size_t>(path.size()));
  ASSERT_EQ(bind(bus, reinterpret_cast<const sockaddr*>(&where), sizeof where), 0);
  ASSERT_EQ(listen(bus, 8), 0);  // the kernel takes the connections; nobody reads them

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + QString::fromUtf8(path));
  AutomationClient app({"--manual-clock", "1700000000"}, env);
  ASSERT_TRUE(app.started());
  app.ok("location system");
  EXPECT_FALSE(app.send("state", 2000).isEmpty()) << "the window answers at once";
  const QJsonObject state = waitFor(app, [](const QJsonObject& s) {
    return s["mapView"].toObject()["notice"].toString().contains("No location service is available.");
  });
  EXPECT_TRUE(state["log"].toArray().contains("Position: the location service is not available (the system bus "
                                              "cannot be reached: the bus does not answer)"));
  EXPECT_EQ(app.quit(), 0);
  EXPECT_EQ(app.pid(), 0) << "quitting waits for no bus";
  close(bus);
}

}  // namespace
}  // namespace storm::e2e
