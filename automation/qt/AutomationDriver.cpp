#include "automation/qt/AutomationDriver.h"

#include <unistd.h>
#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeySequence>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "system/ManualClock.h"
#include "system/qt/QtLogger.h"
#include "app/QtPlatform.h"
#include "system/qt/QtURLOpener.h"
#include "kit/qt/QtViews.h"
#include "kit/qt/ScreenStack.h"
#include "kit/qt/SegmentedControlWidget.h"

namespace storm::qt {

namespace {

constexpr double kSettleLimitSeconds = 30;
// A command line may be this long; the answer to one that is not quotes this much of it at most.
constexpr size_t kLongestCommand = 64 * 1024;
constexpr qsizetype kEchoedCharacters = 80;
// The longest single step of the manual clock (about 31 years).
constexpr double kLongestAdvance = 1e9;

// A key by its name as QKeySequence spells it ("Space", "Escape", "Ctrl+S"), or "plus" / "minus".
std::optional<QKeyCombination> keyNamed(const QString& name) {
  if (name.compare("plus", Qt::CaseInsensitive) == 0) return QKeyCombination(Qt::Key_Plus);
  if (name.compare("minus", Qt::CaseInsensitive) == 0) return QKeyCombination(Qt::Key_Minus);
  const QKeySequence sequence = QKeySequence::fromString(name, QKeySequence::PortableText);
  if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown) return std::nullopt;
  return sequence[0];
}

}  // namespace

bool toDouble(const QString& text, double& out) {
  bool ok = false;
  out = text.toDouble(&ok);
  return ok && std::isfinite(out);
}

void drainMainQueue() {
  // Posted events may post more; a few rounds reach the end of any chain of ours.
  for (int round = 0; round < 8; ++round) {
    QCoreApplication::sendPostedEvents();
    if (!QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents)) break;
  }
}

void waitRunning(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(std::lround(seconds * 1000)), &loop, &QEventLoop::quit);
  loop.exec();
}

AutomationDriver::AutomationDriver(AutomationContext context) : ctx_(context) {
  addCommand("quit", [](const QStringList&) {
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    return Reply::ok();
  });
  addCommand("state", [this](const QStringList&) { return Reply::with(state()); });
  addCommand("settle", [this](const QStringList&) { return settle(); });
  addCommand("wait", [](const QStringList& args) {
    double s = 0;
    if (args.size() != 1 || !toDouble(args[0], s) || s < 0 || s > 600)
      return Reply::fail("wait needs seconds (0 to 600)");
    waitRunning(s);
    return Reply::ok();
  });
  addCommand("advance", [this](const QStringList& args) {
    double s = 0;
    if (!ctx_.services->manualClock) return Reply::fail("advance needs --manual-clock");
    if (args.size() != 1 || !toDouble(args[0], s) || s < 0 || s > kLongestAdvance)
      return Reply::fail("advance needs seconds from 0 to 1e9");
    ctx_.services->manualClock->advance(s);
    drainMainQueue();
    return Reply::ok();
  });
  addCommand("tap", [this](const QStringList& args) { return tap(args); });
  addCommand("segment", [this](const QStringList& args) {
    bool ok = false;
    const int index = args.size() == 1 ? args[0].toInt(&ok) : 0;
    auto* screen = ctx_.screens->top();
    auto* control = screen ? qobject_cast<SegmentedControlWidget*>(screen->widgetForAction("switcher:")) : nullptr;
    if (!ok) return Reply::fail("segment needs an index");
    if (!control) return Reply::fail("no map-type selector on this screen");
    if (index < -1 || index >= control->segments().size()) return Reply::fail("no segment " + std::to_string(index));
    control->choose(index);
    drainMainQueue();
    return Reply::ok();
  });
  addCommand("screenshot", [this](const QStringList& args) {
    if (args.size() != 1) return Reply::fail("screenshot needs a path");
    if (!ctx_.window) return Reply::fail("no window");
    drainMainQueue();
    if (!ctx_.window->grab().save(args[0], "PNG")) return Reply::fail("cannot write " + args[0].toStdString());
    return Reply::ok();
  });
  addCommand("key", [this](const QStringList& args) {
    if (args.size() != 1) return Reply::fail("key needs one key name");
    const std::optional<QKeyCombination> key = keyNamed(args[0]);
    if (!key) return Reply::fail("no key named " + args[0].toStdString());
    // Through the focus widget and the shortcuts, as a keyboard's press and release arrive.
    QWidget* target = QApplication::focusWidget();
    if (!target) target = ctx_.window;
    QTest::keyClick(target, key->key(), key->keyboardModifiers());
    drainMainQueue();
    return Reply::ok();
  });
  addCommand("lifecycle", [this](const QStringList& args) {
    static const std::map<QString, AppState> states{{"background", AppState::Background},
                                                    {"foreground", AppState::Inactive},
                                                    {"inactive", AppState::Inactive},
                                                    {"active", AppState::Active}};
    auto it = args.size() == 1 ? states.find(args[0]) : states.end();
    if (it == states.end()) return Reply::fail("lifecycle needs background, foreground, inactive or active");
    // Coming to the foreground ends active, as it does on a device.
    ctx_.lifecycle->moveTo(it->second);
    if (args[0] == "foreground") ctx_.lifecycle->moveTo(AppState::Active);
    drainMainQueue();
    return Reply::ok();
  });
}

void AutomationDriver::addCommand(const QString& verb, Command command) { commands_[verb] = std::move(command); }

void AutomationDriver::addStateMember(std::string name, std::function<Json()> value) {
  stateMembers_.emplace_back(std::move(name), std::move(value));
}

void AutomationDriver::addTapTarget(std::string name,
                                    std::function<std::string(const std::vector<std::string>& args)> tap) {
  tapTargets_[std::move(name)] = std::move(tap);
}

void AutomationDriver::addCommand(std::string verb,
                                  std::function<Answer(const std::vector<std::string>& args)> command) {
  addCommand(QString::fromStdString(verb), [command = std::move(command)](const QStringList& args) {
    std::vector<std::string> words;
    for (const QString& arg : args) words.push_back(arg.toStdString());
    Answer answer = command(words);
    return answer.error.empty() ? Reply::with(std::move(answer.value)) : Reply::fail(std::move(answer.error));
  });
}

Reply AutomationDriver::tap(const QStringList& args) {
  if (args.isEmpty()) return Reply::fail("tap needs one control");
  const std::string name = args[0].toStdString();
  if (auto target = tapTargets_.find(name); target != tapTargets_.end()) {
    std::vector<std::string> rest;
    for (qsizetype i = 1; i < args.size(); ++i) rest.push_back(args[i].toStdString());
    const std::string error = target->second(rest);
    if (!error.empty()) return Reply::fail(error);
    drainMainQueue();
    return Reply::ok();
  }
  if (args.size() != 1) return Reply::fail("tap needs one control");
  auto* screen = ctx_.screens->top();
  if (!screen) return Reply::fail("no screen");
  // A control connected to the action of that name, or the widget of that name (a segue's button).
  QWidget* w = screen->widgetForAction(name + ":");
  if (!w && screen->root) w = screen->root->findChild<QWidget*>(args[0]);
  auto* button = qobject_cast<QAbstractButton*>(w);
  if (!button) return Reply::fail("no control " + name + " on this screen");
  if (!button->isEnabled()) return Reply::fail("control " + name + " is disabled");
  button->click();
  drainMainQueue();
  return Reply::ok();
}

void AutomationDriver::addIdleCheck(std::function<bool()> idle) { idleChecks_.push_back(std::move(idle)); }

void AutomationDriver::start() {
  notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { readInput(); });
}

void AutomationDriver::readInput() {
  char chunk[65536];
  const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
  if (n <= 0) {
    notifier_->setEnabled(false);
    inputClosed_ = true;
  }
  // Each byte is looked at once, however long the line.
  for (const char *at = chunk, *end = chunk + std::max<ssize_t>(n, 0); at < end;) {
    const char* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
    const char* stop = newline ? newline : end;
    if (!skippingLine_ && buffer_.size() + static_cast<size_t>(stop - at) > kLongestCommand) {
      pending_.push_back(std::nullopt);  // answered with an error, in its turn
      buffer_.clear();
      skippingLine_ = true;
    }
    if (!skippingLine_) buffer_.append(at, stop);
    if (newline) {
      if (!skippingLine_) pending_.push_back(std::move(buffer_));
      buffer_.clear();
      skippingLine_ = false;
    }
    at = newline ? newline + 1 : end;
  }
  drain();
}

void AutomationDriver::drain() {
  if (running_) return;  // a command that runs the event loop (wait, settle) finishes first
  running_ = true;
  while (!pending_.empty()) {
    const std::optional<std::string> line = std::move(pending_.front());
    pending_.pop_front();
    const Reply reply =
        line ? run(QString::fromStdString(*line))
             : Reply::fail("command line longer than " + std::to_string(kLongestCommand) + " bytes; ignored");
    const std::string out = reply.error.empty() ? reply.value.dump() : Json::object().set("error", reply.error).dump();
    std::fprintf(stdout, "%s\n", out.c_str());
    std::fflush(stdout);
  }
  running_ = false;
  if (inputClosed_) QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
}

Reply AutomationDriver::run(const QString& line) {
  QStringList words = line.trimmed().split(' ', Qt::SkipEmptyParts);
  if (words.isEmpty()) return Reply::fail("empty command");
  const QString verb = words.takeFirst();
  auto it = commands_.find(verb);
  if (it == commands_.end()) return Reply::fail("unknown command: " + verb.left(kEchoedCharacters).toStdString());
  return it->second(words);
}

Reply AutomationDriver::settle() {
  QElapsedTimer elapsed;
  elapsed.start();
  int quietRounds = 0;
  while (elapsed.elapsed() < kSettleLimitSeconds * 1000) {
    bool idle = !ctx_.screens->transitioning();
    for (auto& check : idleChecks_) idle = idle && check();
    QCoreApplication::sendPostedEvents();
    const bool worked = QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents);
    quietRounds = idle && !worked ? quietRounds + 1 : 0;
    if (quietRounds >= 3) return Reply::ok();
    if (!worked) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return Reply::fail("still busy after 30 s");
}

Json AutomationDriver::state() const {
  Json s = Json::object();
  auto* main = ctx_.screens->main();
  auto* top = ctx_.screens->top();
  s.set("screen", !top || top == main ? "main" : top->layoutName == "History" ? "history" : "info");
  for (const auto& [name, value] : stateMembers_) s.set(name, value());
  Json urls = Json::array();
  for (const auto& url : ctx_.services->urlOpener->openedURLs()) urls.push(url);
  s.set("openedURLs", std::move(urls));
  Json log = Json::array();
  for (const auto& line : ctx_.services->logger->lines()) log.push(line);
  s.set("log", std::move(log));
  return s;
}

}  // namespace storm::qt
