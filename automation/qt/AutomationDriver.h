#pragma once

#include <QObject>
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
#include "kit/Lifecycle.h"

// The automation mode: one command a line on stdin, one line of JSON for each on stdout. It acts
// through the real widgets, so what it drives is what a person would. The application and the
// platform's parts add their `state` members and `tap` targets through AutomationRegistry; the
// `state` answer lists "screen", then those members in the order they were added, then
// "openedURLs" and "log".

namespace storm::qt {

class ScreenStack;
struct QtPlatform;

struct Reply {
  Json value;
  std::string error;
  static Reply ok() { return {Json::object().set("ok", true), {}}; }
  static Reply fail(std::string message) { return {Json(), std::move(message)}; }
  static Reply with(Json value) { return {std::move(value), {}}; }
};

// What the driver drives.
struct AutomationContext {
  QWidget* window = nullptr;
  ScreenStack* screens = nullptr;
  LifecycleTracker* lifecycle = nullptr;
  QtPlatform* services = nullptr;
};

class AutomationDriver : public QObject, public AutomationRegistry {
 public:
  using Command = std::function<Reply(const QStringList& args)>;

  explicit AutomationDriver(AutomationContext context);
  // Starts reading commands.
  void start();

  void addCommand(const QString& verb, Command command);
  void addStateMember(std::string name, std::function<Json()> value) override;
  void addTapTarget(std::string name, std::function<std::string(const std::vector<std::string>& args)> tap) override;
  void addCommand(std::string verb, std::function<Answer(const std::vector<std::string>& args)> command) override;
  // Something that must be idle before `settle` answers (a background queue, say).
  void addIdleCheck(std::function<bool()> idle);

  Reply run(const QString& line);

 private:
  void readInput();
  void drain();
  Reply tap(const QStringList& args);
  Json state() const;
  Reply settle();

  AutomationContext ctx_;
  QSocketNotifier* notifier_ = nullptr;
  std::string buffer_;                              // the line being read
  bool skippingLine_ = false;                       // the rest of a line that was too long
  std::deque<std::optional<std::string>> pending_;  // nothing: a line that was too long
  bool running_ = false;
  bool inputClosed_ = false;
  std::map<QString, Command> commands_;
  std::map<std::string, std::function<std::string(const std::vector<std::string>&)>> tapTargets_;
  std::vector<std::pair<std::string, std::function<Json()>>> stateMembers_;
  std::vector<std::function<bool()>> idleChecks_;
};

// The platform's parts in automation mode: the map (location, camera, mapView), the banner,
// rotation, the window's size (resize) and the information screen, and the services behind the rating dialog (tap
// alert, reachability, defaults, alert, settle waiting for the low-priority queue). Register after the main screen is
// on show, so that their state members follow the application's.
void registerMapAutomation(AutomationDriver& driver, const AutomationContext& ctx);
void registerScreenAutomation(AutomationDriver& driver, const AutomationContext& ctx);
void registerServiceAutomation(AutomationDriver& driver, const AutomationContext& ctx);
// The strike log: `strikes`, `strikes clear`, `strikes export PATH`; `settle` waits for its writes.
void registerStrikeAutomation(AutomationDriver& driver, const AutomationContext& ctx);
// The history screen's `history` state member, and `choose PATH` / `choose cancel` answering the
// open file dialog.
void registerHistoryAutomation(AutomationDriver& driver, const AutomationContext& ctx);

// Runs posted work until none is left.
void drainMainQueue();

// Waits `seconds` of real time with the event loop running.
void waitRunning(double seconds);

// Reads a finite number; false for anything else.
bool toDouble(const QString& text, double& out);

}  // namespace storm::qt
