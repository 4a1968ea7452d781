#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Json.h"

// The automation mode: one command a line on stdin, one line of JSON for each on stdout. It acts
// through the real widgets, so what it drives is what a person would.

namespace storm::qt {

struct AppContext;

struct Reply {
  Json value;
  std::string error;
  static Reply ok() { return {Json::object().set("ok", true), {}}; }
  static Reply fail(std::string message) { return {Json(), std::move(message)}; }
  static Reply with(Json value) { return {std::move(value), {}}; }
};

class AutomationDriver : public QObject {
 public:
  using Command = std::function<Reply(const QStringList& args)>;

  explicit AutomationDriver(AppContext& ctx);
  void start();

  void addCommand(const QString& verb, Command command);
  // The command registered for `verb`, or an empty one: lets a command be extended.
  Command command(const QString& verb) const;
  void addStateMember(const std::string& name, std::function<Json()> value);
  // Something that must be idle before `settle` answers (a background queue, say).
  void addIdleCheck(std::function<bool()> idle);

  Reply run(const QString& line);

 private:
  void readInput();
  void drain();
  Json state() const;
  Reply settle();

  AppContext& ctx_;
  QSocketNotifier* notifier_ = nullptr;
  std::string buffer_;
  std::deque<std::string> pending_;
  bool running_ = false;
  bool inputClosed_ = false;
  std::map<QString, Command> commands_;
  std::vector<std::pair<std::string, std::function<Json()>>> stateMembers_;
  std::vector<std::function<bool()>> idleChecks_;
};

// The commands and state of the banner, the information screen and rotation.
void registerScreenCommands(AutomationDriver& driver, AppContext& ctx);

// Runs posted work until none is left.
void drainMainQueue();

// Waits `seconds` of real time with the event loop running.
void waitRunning(double seconds);

}  // namespace storm::qt
