#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include "support/XvfbServer.h"

// The Orca screen reader for a test, hearing an app on a private X server, with what it says
// written down: a private session bus with the accessibility bus launcher on it, speech-dispatcher
// with an output module that appends each utterance to a file (one line each), and Orca itself with
// speech on, run through orca_launcher.py (never Debian's start script, which stops every other
// Orca on the machine). Every folder is the rig's own; every process ends with it.

namespace storm::test {

class OrcaRig {
 public:
  static constexpr const char* kPython = "/usr/bin/python3";

  // Orca is the one part a test may do without; the rest scripts/deps.sh installs with it.
  static bool installed() { return QFileInfo::exists("/usr/bin/orca"); }

  ~OrcaRig() {
    for (QProcess* process : {&orca_, &speech_, &launcher_, &bus_}) {
      if (process->state() == QProcess::NotRunning) continue;
      process->terminate();
      if (!process->waitForFinished(5000)) process->kill();
      process->waitForFinished(2000);
    }
  }

  // Starts everything and waits for Orca to say it is on; an empty string, or what failed.
  QString start() {
    if (!dir_.isValid() || !x_.start()) return "no X server";
    for (const char* sub : {"config", "data/orca", "cache", "runtime", "speech/modules", "speech/log"})
      QDir(dir_.path()).mkpath(sub);
    QFile::setPermissions(path("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    bus_.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (!bus_.waitForStarted(5000) || !bus_.waitForReadyRead(5000)) return "no session bus";
    env_ = x_.environment();
    env_.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(bus_.readLine()).trimmed());
    for (const auto& [name, sub] : {std::pair{"XDG_CONFIG_HOME", "config"},
                                    {"XDG_DATA_HOME", "data"},
                                    {"XDG_CACHE_HOME", "cache"},
                                    {"XDG_RUNTIME_DIR", "runtime"},
                                    {"HOME", ""}})
      env_.insert(name, path(sub));
    env_.insert("SPEECHD_ADDRESS", "unix_socket:" + path("speech/socket"));
    launcher_.setProcessEnvironment(env_);
    launcher_.start("/usr/libexec/at-spi-bus-launcher", {"--launch-immediately"});
    if (!launcher_.waitForStarted(5000)) return "no accessibility bus";
    if (!writeSpeechConfig() || !writeOrcaSettings()) return "no configuration";
    speech_.setProcessEnvironment(env_);
    speech_.start("speech-dispatcher", {"-s", "-t", "0", "-C", path("speech"), "-L", path("speech/log"), "-S",
                                        path("speech/socket"), "-c", "unix_socket"});
    if (!speech_.waitForStarted(5000)) return "speech-dispatcher did not start";
    orca_.setProcessEnvironment(env_);
    orca_.setStandardOutputFile(path("orca.out"));
    orca_.setStandardErrorFile(path("orca.err"));
    orca_.start(kPython, {STORM_TEST_SUPPORT_DIR "/orca_launcher.py", "-u", path("data/orca"), "--debug-file",
                          path("orca-debug.txt")});
    if (!orca_.waitForStarted(5000)) return "Orca did not start";
    if (!waitToHear("Screen reader on", 30000)) return "Orca said nothing: " + readAll(path("orca.err")).right(400);
    return {};
  }

  // The environment an app runs in to be heard: the rig's X server and buses.
  QProcessEnvironment environment() const {
    QProcessEnvironment env = env_;
    env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    return env;
  }
  const XvfbServer& x() const { return x_; }

  // Everything Orca said so far, an utterance a line.
  QStringList spoken() const { return readAll(path("spoken.txt")).split('\n', Qt::SkipEmptyParts); }
  // Waits until an utterance from the `from`th on contains `words`; true if one came in time.
  bool waitToHear(const QString& words, int milliseconds, qsizetype from = 0) const {
    const QDeadlineTimer deadline(milliseconds);
    do {
      const QStringList lines = spoken();
      for (qsizetype i = from; i < lines.size(); ++i)
        if (lines[i].contains(words, Qt::CaseInsensitive)) return true;
      QThread::msleep(20);  // polling a file another process appends to
    } while (!deadline.hasExpired());
    return false;
  }

 private:
  QString path(const QString& sub) const { return sub.isEmpty() ? dir_.path() : dir_.path() + "/" + sub; }
  static QString readAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
  static bool write(const QString& file, const QByteArray& text, bool executable = false) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) return false;
    f.close();
    return !executable || f.setPermissions(f.permissions() | QFile::ExeOwner);
  }

  // speech-dispatcher's generic module runs a command for each utterance: ours appends it to
  // spoken.txt as one line, and always succeeds (the module stops speaking after a failure); its
  // audio goes through libao, the one output that opens on a machine without sound. The
  // delimiter is a character no utterance has (~), so that an utterance is never split.
  bool writeSpeechConfig() const {
    const QByteArray say = "#!/bin/sh\ntr '\\n' ' ' >> '" + path("spoken.txt").toUtf8() + "'\necho >> '" +
                           path("spoken.txt").toUtf8() + "'\nexit 0\n";
    const QByteArray module = "GenericExecuteSynth \"printf %s \\'$DATA\\' | " + path("speech/say.sh").toUtf8() +
                              "\"\nGenericDelimiters \"~\"\nGenericMaxChunkLength 4000\n"
                              "GenericLanguage \"en\" \"en\" \"utf-8\"\nAddVoice \"en\" \"MALE1\" \"default\"\n";
    const QByteArray conf =
        "AddModule \"logger\" \"sd_generic\" \"logger.conf\"\nDefaultModule logger\n"
        "DefaultLanguage \"en\"\nAudioOutputMethod \"libao\"\n";
    return write(path("speech/say.sh"), say, true) && write(path("speech/modules/logger.conf"), module) &&
           write(path("speech/speechd.conf"), conf);
  }

  bool writeOrcaSettings() const {
    const QJsonObject general{{"enableSpeech", true},
                              {"speechServerFactory", "speechdispatcherfactory"},
                              {"enableBraille", false},
                              {"enableSound", false},
                              {"enableTutorialMessages", false},
                              {"startingProfile", QJsonArray{"Default", "default"}}};
    const QJsonObject settings{
        {"general", general},
        {"pronunciations", QJsonObject{}},
        {"keybindings", QJsonObject{}},
        {"profiles", QJsonObject{{"default", QJsonObject{{"profile", QJsonArray{"Default", "default"}}}}}}};
    return write(path("data/orca/user-settings.conf"), QJsonDocument(settings).toJson());
  }

  QTemporaryDir dir_;
  XvfbServer x_;
  QProcess bus_, launcher_, speech_, orca_;
  QProcessEnvironment env_;
};

}  // namespace storm::test
