#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <atomic>
#include <condition_variable>
#include <thread>

#include "support/Sandbox.h"
#include "support/AutomationClient.h"

// The rating prompt through the real binary: the manual clock moves time, a loopback server
// stands in for the probe's web server, and the preferences live in a temporary folder.

namespace storm::e2e {
namespace {

constexpr double kEpoch = 1'700'000'000;  // 2023-11-14 22:13:20 UTC
constexpr double kThirtyDays = 2592000;
const char kMessage[] =
    "If you enjoy using Storm Distance, would you mind taking a moment to rate it? It won't take more than a "
    "minute. Thanks for your support!";

// Counts the HTTP requests it is sent on 127.0.0.1 and answers each with an empty page. It runs on
// its own thread, since the test's thread mostly waits for the app.
class ProbeServer {
 public:
  ProbeServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ADD_FAILURE() << "cannot listen on loopback";
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~ProbeServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    ::close(listener_);
  }

  QString url() const { return QString("http://127.0.0.1:%1/").arg(port_); }
  int requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  // Waits until `count` requests have come, for 10 s at most.
  bool waitForRequests(int count) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(10), [&] { return requests_ >= count; });
  }

 private:
  void serve() {
    while (!stop_) {
      pollfd listening{listener_, POLLIN, 0};
      if (::poll(&listening, 1, 50) <= 0) continue;
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      std::string request;
      char chunk[1024];
      for (pollfd reading{client, POLLIN, 0}; request.find("\r\n\r\n") == std::string::npos;) {
        if (::poll(&reading, 1, 5000) <= 0) break;
        const ssize_t n = ::read(client, chunk, sizeof chunk);
        if (n <= 0) break;
        request.append(chunk, static_cast<size_t>(n));
      }
      if (request.rfind("GET / ", 0) == 0) {
        std::lock_guard lock(mutex_);
        ++requests_;
        arrived_.notify_all();
      }
      const char reply[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
      [[maybe_unused]] const ssize_t written = ::write(client, reply, sizeof reply - 1);
      ::close(client);
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;  // guards requests_
  std::condition_variable arrived_;
  int requests_ = 0;
};

class RatingPromptE2E : public ::testing::Test {
 protected:
  QString configHome() const { return dir_.config(); }
  QString preferencesFile() const { return dir_.preferencesFile(); }

  // An information dictionary with `version`.
  QString infoFile(const QString& version) {
    const QString path = dir_.path() + "/Info-" + version + ".json";
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QString(R"({"CFBundleVersion":"%1","CFBundleName":"Storm Distance"})").arg(version).toUtf8());
    return path;
  }
  void writePreferences(const QByteArray& content) {
    QDir().mkpath(configHome() + "/storm-distance");
    QFile file(preferencesFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
  }
  // Version 1.0 used nine times, the first thirty days ago: the launch is the tenth use and the
  // next return to the foreground the eleventh.
  void writeNineUses() {
    writePreferences(QString("[General]\nkRatingPromptCurrentVersion=1.0\nkRatingPromptFirstUseDate=%1\n"
                             "kRatingPromptUseCount=9\n")
                         .arg(kEpoch - kThirtyDays, 0, 'f', 0)
                         .toUtf8());
  }
  std::unique_ptr<AutomationClient> start(const QString& version = "1.0", QProcessEnvironment env = {}) {
    env = dir_.environment(env.isEmpty() ? QProcessEnvironment::systemEnvironment() : env);
    env.insert("STORM_DISTANCE_PROBE_URL", server_.url());
    if (!env.contains("LC_ALL")) env.insert("LC_ALL", "C");
    env.remove("LANGUAGE");
    auto client = std::make_unique<AutomationClient>(
        QStringList{"--manual-clock", QString::number(kEpoch, 'f', 0), "--info", infoFile(version)}, env);
    EXPECT_TRUE(client->started());
    return client;
  }
  // Leaves the app and comes back: one use.
  static void returnToForeground(AutomationClient& app) {
    app.ok("lifecycle background");
    app.ok("lifecycle foreground");
    app.ok("settle");
  }
  // From nine recorded uses to the dialog on show.
  std::unique_ptr<AutomationClient> startAtTheDialog() {
    writeNineUses();
    auto app = start();
    app->ok("settle");
    app->ok("reachability 2");
    app->ok("lifecycle active");
    returnToForeground(*app);
    EXPECT_TRUE(alertVisible(*app));
    EXPECT_TRUE(server_.waitForRequests(1));
    return app;
  }
  static bool alertVisible(AutomationClient& app) {
    return app.state().value("alert").toObject().value("visible").toBool();
  }

  test::Sandbox dir_;
  ProbeServer server_;
};

TEST_F(RatingPromptE2E, ElevenUsesAndThirtyDaysLeadToTheProbeAndTheDialog) {
  auto app = start();
  app->ok("settle");
  QJsonObject record = app->send("defaults");
  EXPECT_EQ(record.value("kRatingPromptCurrentVersion").toString(), "1.0");
  EXPECT_EQ(record.value("kRatingPromptUseCount").toInt(), 1);
  EXPECT_EQ(record.value("kRatingPromptFirstUseDate").toDouble(), kEpoch);
  EXPECT_TRUE(record.value("kRatingPromptDeclinedToRate").isNull());

  app->ok("reachability 2");
  app->ok("lifecycle active");
  for (int use = 2; use <= 10; ++use) returnToForeground(*app);
  EXPECT_EQ(app->send("defaults").value("kRatingPromptUseCount").toInt(), 10);
  EXPECT_TRUE(app->state().value("alert").isNull());
  EXPECT_EQ(server_.requests(), 0);

  app->ok("advance 2592000");
  returnToForeground(*app);
  ASSERT_TRUE(server_.waitForRequests(1));
  const QJsonObject alert = app->state().value("alert").toObject();
  EXPECT_TRUE(alert.value("visible").toBool());
  EXPECT_EQ(alert.value("title").toString(), "Rate Storm Distance");
  EXPECT_EQ(alert.value("message").toString(), kMessage);
  EXPECT_EQ(alert.value("buttons").toArray(), (QJsonArray{"No, Thanks", "Rate Storm Distance", "Remind me later"}));
  EXPECT_EQ(app->send("defaults").value("kRatingPromptUseCount").toInt(), 11);
  EXPECT_EQ(app->quit(), 0);
  EXPECT_EQ(server_.requests(), 1);
}

TEST_F(RatingPromptE2E, NoThanksIsRecordedAndTheVersionIsNotAskedAgain) {
  auto app = startAtTheDialog();
  app->ok("tap alert 0");
  EXPECT_FALSE(alertVisible(*app));
  const QJsonObject record = app->send("defaults");
  EXPECT_TRUE(record.value("kRatingPromptDeclinedToRate").toBool());
  EXPECT_TRUE(record.value("kRatingPromptRatedCurrentVersion").isNull());
  EXPECT_TRUE(record.value("kRatingPromptReminderRequestDate").isNull());
  app->ok("advance 864000");
  returnToForeground(*app);
  EXPECT_FALSE(alertVisible(*app));
  EXPECT_TRUE(app->state().value("openedURLs").toArray().isEmpty());
  EXPECT_EQ(app->quit(), 0);
  EXPECT_EQ(server_.requests(), 1);
}

TEST_F(RatingPromptE2E, RateIsRecordedAndOpensTheReviewPage) {
  auto app = startAtTheDialog();
  app->ok("tap alert 1");
  EXPECT_FALSE(alertVisible(*app));
  EXPECT_TRUE(app->send("defaults").value("kRatingPromptRatedCurrentVersion").toBool());
  const QJsonArray urls = app->state().value("openedURLs").toArray();
  ASSERT_EQ(urls.size(), 1);
  EXPECT_TRUE(QRegularExpression("^itms-apps://[^/]+/WebObjects/MZStore\\.woa/wa/viewContentsUserReviews\\?"
                                 "type=Purple\\+Software&id=[0-9]+$")
                  .match(urls[0].toString())
                  .hasMatch())
      << urls[0].toString().toStdString();
  returnToForeground(*app);
  EXPECT_FALSE(alertVisible(*app));
  EXPECT_EQ(app->quit(), 0);
}

TEST_F(RatingPromptE2E, RemindMeLaterAsksAgainADayLater) {
  auto app = startAtTheDialog();
  app->ok("tap alert 2");
  EXPECT_EQ(app->send("defaults").value("kRatingPromptReminderRequestDate").toDouble(), kEpoch);
  app->ok("advance 86399");
  returnToForeground(*app);
  EXPECT_FALSE(alertVisible(*app));
  app->ok("advance 1");
  returnToForeground(*app);
  EXPECT_TRUE(alertVisible(*app));
  EXPECT_TRUE(server_.waitForRequests(2));
  EXPECT_EQ(app->quit(), 0);
}

TEST_F(RatingPromptE2E, BecomingInactiveHidesTheDialogWithoutAnAnswerAndItComesBack) {
  auto app = startAtTheDialog();
  const QJsonObject before = app->send("defaults");
  app->ok("lifecycle inactive");
  EXPECT_FALSE(alertVisible(*app));
  app->ok("settle");
  EXPECT_EQ(app->send("defaults"), before) << "hiding records nothing";
  EXPECT_EQ(app->send("tap alert 0").value("error").toString(), "no rating dialog is visible");

  app->ok("lifecycle background");
  app->ok("lifecycle foreground");
  app->ok("settle");
  EXPECT_TRUE(alertVisible(*app));
  EXPECT_TRUE(server_.waitForRequests(2));
  EXPECT_EQ(app->quit(), 0);
}

TEST_F(RatingPromptE2E, ANewVersionStartsTheRecordOver) {
  {
    auto app = startAtTheDialog();
    app->ok("tap alert 0");
    EXPECT_EQ(app->quit(), 0);
  }
  auto app = start("1.1");
  app->ok("settle");
  const QJsonObject record = app->send("defaults");
  EXPECT_EQ(record.value("kRatingPromptCurrentVersion").toString(), "1.1");
  EXPECT_EQ(record.value("kRatingPromptUseCount").toInt(), 1);
  EXPECT_EQ(record.value("kRatingPromptSignificantEventCount").toInt(-1), 0);
  EXPECT_EQ(record.value("kRatingPromptFirstUseDate").toDouble(), kEpoch);
  EXPECT_FALSE(record.value("kRatingPromptDeclinedToRate").toBool(true));
  EXPECT_FALSE(record.value("kRatingPromptRatedCurrentVersion").toBool(true));
  EXPECT_EQ(record.value("kRatingPromptReminderRequestDate").toDouble(-1), 0.0);
  EXPECT_EQ(app->quit(), 0);
}

TEST_F(RatingPromptE2E, ADamagedPreferencesFileIsMovedAsideAndTheRecordStartsAfresh) {
  const QByteArray garbage("[General]\nkRatingPromptUseCount=\x01\x02\xff garbage", 40);
  writePreferences(garbage);
  auto app = start();
  app->ok("settle");
  EXPECT_EQ(app->send("defaults").value("kRatingPromptUseCount").toInt(), 1);
  const QString aside = preferencesFile() + ".damaged-20231114T221320Z";
  QFile kept(aside);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), garbage);
  EXPECT_EQ(app->quit(), 0);
  const QStringList damageLines = app->stderrText().split('\n').filter("damaged");
  ASSERT_EQ(damageLines.size(), 1);
  EXPECT_TRUE(damageLines[0].contains(aside)) << damageLines[0].toStdString();
  QFile fresh(preferencesFile());
  ASSERT_TRUE(fresh.open(QIODevice::ReadOnly));
  EXPECT_TRUE(fresh.readAll().contains("kRatingPromptUseCount=1\n"));
}

// Another process holds the record's lock and never lets go: each save gives up after its wait,
// the record stays as it was, and quitting does not wait for the saves still queued.
TEST_F(RatingPromptE2E, QuittingDoesNotWaitForALockThatNeverFrees) {
  writeNineUses();
  QFile record(preferencesFile());
  ASSERT_TRUE(record.open(QIODevice::ReadOnly));
  const QByteArray before = record.readAll();
  const int holder =
      ::open(QFile::encodeName(preferencesFile() + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);

  auto app = start();
  for (int use = 0; use < 3; ++use) {
    app->ok("lifecycle background");
    app->ok("lifecycle foreground");
  }
  QElapsedTimer quitting;
  quitting.start();
  EXPECT_EQ(app->quit(), 0);
  // Four saves were queued behind the lock: waiting each out would take 8 s.
  EXPECT_LT(quitting.elapsed(), 4000);
  ::close(holder);
  record.close();
  ASSERT_TRUE(record.open(QIODevice::ReadOnly));
  EXPECT_EQ(record.readAll(), before);
  EXPECT_TRUE(app->stderrText().contains("cannot save the preferences"));
}

TEST_F(RatingPromptE2E, TheDialogSpeaksTheUsersLanguage) {
  writeNineUses();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("LC_ALL", "de_DE.UTF-8");
  auto app = start("1.0", env);
  app->ok("reachability 2");
  app->ok("lifecycle active");
  returnToForeground(*app);
  const QJsonObject alert = app->state().value("alert").toObject();
  EXPECT_EQ(alert.value("title").toString(), "Storm Distance bewerten");
  EXPECT_EQ(alert.value("buttons").toArray(),
            (QJsonArray{"Nein, danke", "Storm Distance bewerten", QString::fromUtf8("Später erinnern")}));
  EXPECT_EQ(app->quit(), 0);
}

TEST_F(RatingPromptE2E, AFailedReachabilityQueryIsLoggedAndSendsNoProbe) {
  writeNineUses();
  auto app = start();
  app->ok("settle");
  app->ok("reachability fail");
  app->ok("lifecycle active");
  returnToForeground(*app);
  const QJsonObject state = app->state();
  EXPECT_TRUE(state.value("alert").isNull());
  EXPECT_TRUE(state.value("log").toArray().contains("Error. Could not recover network reachability flags"));
  EXPECT_EQ(app->send("defaults").value("kRatingPromptUseCount").toInt(), 11);
  EXPECT_EQ(app->quit(), 0);
  EXPECT_EQ(server_.requests(), 0);
}

// A press of Space meant for the thunder, just as the dialog comes: it stops the measurement and
// answers nothing; the dialog waits for the stop. Escape then hides it without an answer.
TEST_F(RatingPromptE2E, TheDialogTakesNoKeyMeantForTheStopwatchAndWaitsForTheMeasurement) {
  writeNineUses();
  auto app = start();
  app->ok("settle");
  app->ok("reachability 2");
  app->ok("lifecycle active");
  app->ok("tap button");
  returnToForeground(*app);
  EXPECT_FALSE(alertVisible(*app)) << "a running measurement is not interrupted";
  app->ok("key Space");
  QJsonObject state = app->state();
  EXPECT_EQ(state.value("phase").toInt(), 0);
  EXPECT_EQ(state.value("button").toString(), "SAW LIGHTNING");
  EXPECT_TRUE(state.value("alert").toObject().value("visible").toBool()) << "shown once the measurement stops";
  app->ok("key Space");
  app->ok("key Return");
  EXPECT_EQ(app->state().value("phase").toInt(), 0) << "Space started a measurement, Return stopped it";
  EXPECT_TRUE(alertVisible(*app));
  EXPECT_TRUE(app->send("defaults").value("kRatingPromptDeclinedToRate").isNull());

  app->ok("key Escape");
  EXPECT_FALSE(alertVisible(*app));
  app->ok("settle");
  EXPECT_TRUE(app->send("defaults").value("kRatingPromptDeclinedToRate").isNull()) << "Escape answers nothing";
  returnToForeground(*app);
  EXPECT_TRUE(alertVisible(*app));
  EXPECT_EQ(app->quit(), 0);
}

}  // namespace
}  // namespace storm::e2e
