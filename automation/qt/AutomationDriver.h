#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QStringList>
#include <QWidget>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "automation/Automation.h"
#include "automation/Json.h"
#include "automation/qt/AnimationClock.h"
#include "system/ManualClock.h"

// The automation mode: one command a line on stdin, one line of JSON for each on stdout. It acts
// through the real widgets, so what it drives is what a person would. The driver itself knows the
// window, the clock and the keyboard (quit, state, settle, wait, advance, tap, screenshot, key);
// each feature adds its own commands, `state` members and `tap` targets from its own folder. The
// `state` answer lists the members in the order they were added, those added as last after the
// rest.

namespace storm::qt {

struct Reply {
  Json value;
  std::string error;
  static Reply ok() { return {Json::object().set("ok", true), {}}; }
  static Reply fail(std::string message) { return {Json(), std::move(message)}; }
  static Reply with(Json value) { return {std::move(value), {}}; }
};

class AutomationDriver : public QObject, public AutomationRegistry {
 public:
  using Command = std::function<Reply(const QStringList& args)>;

  // `manualClock` is the clock `advance` moves (with --manual-clock); without one `advance` refuses.
  // Qt's animations run on an AnimationClock from now on: `advance` moves them too, and `settle`
  // waits for them to end.
  AutomationDriver(QWidget* window, std::shared_ptr<ManualClock> manualClock);
  // Starts reading commands.
  void start();

  void addCommand(const QString& verb, Command command);
  void addStateMember(std::string name, std::function<Json()> value) override;
  // A member listed after all the others.
  void addLastStateMember(std::string name, std::function<Json()> value);
  void addTapTarget(std::string name, std::function<std::string(const std::vector<std::string>& args)> tap) override;
  void addCommand(std::string verb, std::function<Answer(const std::vector<std::string>& args)> command) override;
  void addIdleCheck(std::function<bool()> idle) override;
  bool waitUntil(const std::function<bool()>& done) override;
  // `tap NAME` for a name no tap target has: presses the control of that name on the screen on top.
  void setControlTapper(std::function<Reply(const std::string& name)> tapper) { tapControl_ = std::move(tapper); }

  Reply run(const QString& line);
  // The line of the command being run after its verb and `words` more words, as it stands: the
  // spaces inside it kept (a path's, say), only the one that ends the last word skipped.
  QString restOfLine(int words) const;
  // The same as the bytes that came in, for a file name that is not valid text.
  QByteArray restOfLineBytes(int words) const;

 private:
  void readInput();
  void drain();
  Reply tap(const QStringList& args);
  Json state() const;
  Reply settle();

  QPointer<QWidget> window_;
  std::shared_ptr<ManualClock> manualClock_;
  AnimationClock* animations_;
  std::function<Reply(const std::string&)> tapControl_;
  QSocketNotifier* notifier_ = nullptr;
  std::string buffer_;                              // the line being read
  bool skippingLine_ = false;                       // the rest of a line that was too long
  std::deque<std::optional<std::string>> pending_;  // nothing: a line that was too long
  size_t queuedBytes_ = 0;                          // what pending_ takes, as the bound counts it
  bool running_ = false;
  bool inputClosed_ = false;
  QString line_;  // the command being run
  std::string rawLine_;    // its bytes
  bool rawGiven_ = false;  // rawLine_ was set by the reader for the next run
  std::map<QString, Command> commands_;
  std::map<std::string, std::function<std::string(const std::vector<std::string>&)>> tapTargets_;
  std::vector<std::pair<std::string, std::function<Json()>>> stateMembers_;
  std::vector<std::pair<std::string, std::function<Json()>>> lastStateMembers_;
  std::vector<std::function<bool()>> idleChecks_;
};

// Runs posted work until none is left.
void drainMainQueue();

// Runs the event loop until `done` says so, for at most `seconds`; whether it did.
bool runUntil(const std::function<bool()>& done, double seconds = 30);

// Waits `seconds` of real time with the event loop running.
void waitRunning(double seconds);

// Reads a finite number; false for anything else.
bool toDouble(const QString& text, double& out);

}  // namespace storm::qt
