#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QTime>

#include "BuildConfig.h"

// Debian's GeoClue 2.6 for a test, with everything around it the test's own, in a temporary folder
// that goes with it. How the pieces work:
//  - The bus: a dbus-daemon with a configuration written here, a system bus's default policy plus
//    Debian's GeoClue policy files, and no service files, so that nothing is started on demand;
//    environment() points DBUS_SYSTEM_BUS_ADDRESS at it, for GeoClue, the agent and the app.
//  - GeoClue: started under `unshare -m`, where a private bind mount lays a configuration written
//    here over /etc/geoclue/geoclue.conf; the machine's file is left alone. The process id is
//    GeoClue's own (unshare and sh exec). The configuration turns on the NMEA socket source and off
//    the Wi-Fi, 3G, CDMA, modem GPS and compass sources; the city-level GeoIP lookup, which 2.6 runs
//    even with Wi-Fi off, goes to a loopback port that refuses connections. It may refuse the app.
//    Its log (debug level) is kept here for failure messages and for knowing when an agent is in.
//  - The agent: since 2.6 GeoClue holds every client's GetClient until an agent of the client's user
//    registers. Debian's demo agent allows the exact level; the harness's own (geoclue_agent.py)
//    allows the level given and switches on request, 0 being location services off.
//  - The GPS: nmea_feeder.py listens on the socket GeoClue reads NMEA from. GeoClue connects when
//    its first client starts and hangs up when its last stops, and drops the source for good when the
//    socket closes on it, so the feeder never hangs up and every new reader gets the current fix at once.
// Each process is ended by its own id. Use the same user for the app as for the agent (root here).
// GeoClue's accuracy from an NMEA fix is a step of the dilution of precision (HDOP): at most 1 is
// 0 m, 2 is 1 m, 5 is 3 m, 10 is 50 m, 20 is 100 m, more 300 m; and it keeps a fix rather than take a
// less accurate one that lies within the new fix's own radius of it.

namespace storm::test {

class GeoClueService {
 public:
  static constexpr const char* kAppId = build::kApplicationId;

  enum class Agent {
    Demo,  // Debian's demo agent: location services on
    On,    // the harness's own, location services on; setLocationServices() switches them
    Off,   // the harness's own, location services off (maximum accuracy level 0)
    None,  // no agent: GeoClue answers no GetClient until one registers
  };
  struct Options {
    Agent agent = Agent::Demo;
    bool appRefused = false;  // [kAppId] allowed=false in GeoClue's configuration
  };
  struct Fix {
    double latitude = 0;
    double longitude = 0;
    double hdop = 1.5;  // GeoClue: 1 m
  };

  // Why GeoClue cannot run here, or empty when it can.
  static QString unavailable() {
    for (const char* program : {kDaemon, kDemoAgent, kPython})
      if (!QFileInfo(program).isExecutable()) return QString("%1 is not installed").arg(program);
    for (const char* tool : {"dbus-daemon", "dbus-send", "unshare"})
      if (QStandardPaths::findExecutable(tool).isEmpty()) return QString("%1 is not installed").arg(tool);
    if (!QFileInfo::exists(kConfigFile)) return QString("%1 is missing").arg(kConfigFile);
    if (QProcess::execute("unshare", {"-m", "true"}) != 0) return "unshare -m is not allowed here (it needs root)";
    return {};
  }

  GeoClueService() = default;
  ~GeoClueService() {
    for (QProcess* process : {&agent_, &geoClue_, &feeder_, &bus_}) end(*process);
  }
  GeoClueService(const GeoClueService&) = delete;
  GeoClueService& operator=(const GeoClueService&) = delete;

  // The bus, the feeder, GeoClue and the agent; false if any did not come up (log() says more).
  bool start() { return start(Options()); }
  bool start(const Options& options) {
    options_ = options;
    return startBus() && startFeeder() && startGeoClue() && startAgent(options.agent);
  }

  QString busAddress() const { return busAddress_; }
  // `base` with the private bus as the system bus.
  QProcessEnvironment environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const {
    base.insert("DBUS_SYSTEM_BUS_ADDRESS", busAddress_);
    return base;
  }

  // Ends GeoClue and waits until its name is gone from the bus.
  bool stopGeoClue() {
    end(geoClue_);
    return waitUntil([this] { return !geoClueOnBus(); });
  }
  // Starts GeoClue (again) with the options of start(); waits for its name and for the agent, if
  // one runs, to register with it.
  bool startGeoClue() {
    if (!writeConfiguration()) return false;
    geoClueLogStart_ = QFileInfo(path("geoclue.log")).size();
    const QString mount =
        QString("mount --bind '%1' %2 && exec %3 --timeout 0").arg(path("geoclue.conf"), kConfigFile, kDaemon);
    QProcessEnvironment env = environment();
    env.insert("G_MESSAGES_DEBUG", "Geoclue");
    if (!launch(geoClue_, "unshare", {"-m", "sh", "-c", mount}, "geoclue.log", env)) return false;
    if (!waitUntil([this] { return !running(geoClue_) || geoClueOnBus(); }) || !running(geoClue_)) return false;
    return !running(agent_) || registered(0);
  }

  // Replaces the agent; while GeoClue runs, waits until it has registered.
  bool startAgent(Agent agent) {
    end(agent_);
    agentKind_ = agent;
    if (agent == Agent::None) return true;
    const int before = agentsRegistered();
    const bool started =
        agent == Agent::Demo
            ? launch(agent_, kDemoAgent, {}, "agent.log")
            : launch(agent_, kPython,
                     {script("geoclue_agent.py"), kOwnAgentId, QString::number(agent == Agent::On ? kExact : 0)},
                     "agent.log");
    return started && (!running(geoClue_) || registered(before));
  }
  void stopAgent() { startAgent(Agent::None); }
  // Switches location services with the harness's own agent; waits until GeoClue has taken it in.
  bool setLocationServices(bool on) {
    if (agentKind_ != Agent::On && agentKind_ != Agent::Off) return false;
    const int before = count("agent.log", "level ");
    agent_.write(on ? "8\n" : "0\n");
    agent_.waitForBytesWritten(2000);
    return waitUntil([&] { return count("agent.log", "level ") > before; });
  }

  // Every reader of the NMEA socket gets `fix` now, or as it connects, and then every `everyMs`
  // (0: only once).
  void feed(const Fix& fix, int everyMs = 0) {
    command(QString("fix %1 %2 %3 %4\n")
                .arg(QString::number(fix.latitude, 'f', 8), QString::number(fix.longitude, 'f', 8),
                     QString::number(fix.hdop, 'g', 4), QString::number(everyMs)));
  }
  // No more fixes; the socket stays open.
  void stopFeeding() { command("stop\n"); }

  // When GeoClue, as last started, took its first client in (its log's time of day), or an invalid
  // time while it has taken none.
  QTime firstClientAt() const {
    static const QRegularExpression line(R"((\d\d:\d\d:\d\d\.\d\d\d): Number of connected clients)");
    const QRegularExpressionMatch match = line.match(read("geoclue.log", geoClueLogStart_));
    return match.hasMatch() ? QTime::fromString(match.captured(1), "HH:mm:ss.zzz") : QTime();
  }

  // What GeoClue, the agent and the feeder said, for failure messages.
  QString log() const {
    QString text;
    for (const char* name : {"geoclue.log", "agent.log", "feeder.log", "bus.log"})
      text += QString("--- %1\n%2").arg(name, read(name));
    return text;
  }

 private:
  static constexpr const char* kDaemon = "/usr/libexec/geoclue";
  static constexpr const char* kDemoAgent = "/usr/libexec/geoclue-2.0/demos/agent";
  static constexpr const char* kConfigFile = "/etc/geoclue/geoclue.conf";
  // Debian's: PATH may lead to a Python without the GObject bindings.
  static constexpr const char* kPython = "/usr/bin/python3";
  static constexpr const char* kOwnAgentId = "storm-test-agent";
  static constexpr int kExact = 8;

  QString path(const QString& name) const { return dir_.filePath(name); }
  static QString script(const QString& name) { return QString(STORM_TEST_SUPPORT_DIR "/") + name; }
  QString read(const QString& name, qint64 from = 0) const {
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from)) return {};
    return QString::fromUtf8(file.readAll());
  }
  int count(const QString& name, const QString& text, qint64 from = 0) const {
    return static_cast<int>(read(name, from).count(text));
  }
  int agentsRegistered() const { return count("geoclue.log", "New agent for user ID", geoClueLogStart_); }
  // Waits for GeoClue to register one more agent than `before`, unless the agent ends first.
  bool registered(int before) {
    waitUntil([&] { return agentsRegistered() > before || !running(agent_); });
    return agentsRegistered() > before;
  }

  // Polls `done` until it holds or `ms` pass: the processes here tell nothing by themselves.
  template <typename Done>
  static bool waitUntil(Done done, int ms = 10000) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
      if (deadline.hasExpired()) return false;
      QThread::msleep(5);
    }
    return true;
  }

  bool launch(QProcess& process, const QString& program, const QStringList& arguments, const QString& logName) const {
    return launch(process, program, arguments, logName, environment());
  }
  bool launch(QProcess& process, const QString& program, const QStringList& arguments, const QString& logName,
              const QProcessEnvironment& env) const {
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardOutputFile(path(logName), QIODevice::Append);
    process.start(program, arguments);
    return process.waitForStarted(10000);
  }
  // Without an event loop, QProcess learns of an end only when asked.
  static bool running(QProcess& process) {
    return process.state() != QProcess::NotRunning && !process.waitForFinished(0);
  }
  static void end(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(5000)) process.kill();
    process.waitForFinished(2000);
  }

  bool startBus() {
    QStringList policies;
    for (const char* folder : {"/usr/share/dbus-1/system.d", "/etc/dbus-1/system.d"})
      for (const QFileInfo& file : QDir(folder).entryInfoList({"org.freedesktop.GeoClue2*.conf"}, QDir::Files))
        policies << QString("<include>%1</include>").arg(file.filePath());
    QFile config(path("bus.conf"));
    if (!config.open(QIODevice::WriteOnly)) return false;
    config.write(QString(R"(<busconfig>
  <type>system</type>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Properties"/>
  </policy>
  %2
</busconfig>
)")
                     .arg(path("system_bus_socket"), policies.join("\n  "))
                     .toUtf8());
    config.close();
    bus_.setStandardErrorFile(path("bus.log"));
    bus_.start("dbus-daemon", {"--config-file=" + config.fileName(), "--nofork", "--nopidfile", "--print-address=1"});
    if (!bus_.waitForStarted(10000)) return false;
    const QDeadlineTimer deadline(10000);
    while (!bus_.canReadLine())
      if (deadline.hasExpired() || !bus_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) return false;
    busAddress_ = QString::fromUtf8(bus_.readLine()).trimmed();
    return !busAddress_.isEmpty();
  }

  bool startFeeder() {
    if (!launch(feeder_, kPython, {script("nmea_feeder.py"), path("nmea.socket")}, "feeder.log")) return false;
    if (!waitUntil([this] { return read("feeder.log").contains('\n') || !running(feeder_); })) return false;
    const QStringList ready = read("feeder.log").section('\n', 0, 0).split(' ');
    refusingPort_ = ready.value(0) == "ready" ? ready.value(1) : QString();
    return !refusingPort_.isEmpty();
  }
  void command(const QString& line) {
    feeder_.write(line.toUtf8());
    feeder_.waitForBytesWritten(2000);
  }

  bool writeConfiguration() const {
    QString text = QString(R"([agent]
whitelist=geoclue-demo-agent;%1
[network-nmea]
enable=true
nmea-socket=%2
[wifi]
enable=false
url=%3
submit-data=false
[3g]
enable=false
[cdma]
enable=false
[modem-gps]
enable=false
[compass]
enable=false
)")
                       .arg(kOwnAgentId, path("nmea.socket"), QString("http://127.0.0.1:%1/").arg(refusingPort_));
    if (options_.appRefused) text += QString("[%1]\nallowed=false\nsystem=false\nusers=\n").arg(kAppId);
    const QByteArray bytes = text.toUtf8();
    QFile file(path("geoclue.conf"));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
  }

  bool geoClueOnBus() const {
    QProcess ask;
    ask.start("dbus-send",
              {"--bus=" + busAddress_, "--print-reply=literal", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
               "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.GeoClue2"});
    return ask.waitForFinished(5000) && ask.readAllStandardOutput().contains("true");
  }

  QTemporaryDir dir_;
  Options options_;
  QProcess bus_, feeder_, geoClue_, agent_;
  Agent agentKind_ = Agent::None;
  QString busAddress_, refusingPort_;
  qint64 geoClueLogStart_ = 0;
};

}  // namespace storm::test
