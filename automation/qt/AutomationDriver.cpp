#include "automation/qt/AutomationDriver.h"

#include <unistd.h>
#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeySequence>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

// Qt's entry for a key as the window system delivers it: shortcuts first, then the focus widget of
// the window. Exported by Qt GUI for test tools; declared here so that the product needs no test
// library.
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* window, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers,
                                    const QString& text = QString(), bool autorep = false, ushort count = 1);

namespace storm::qt {

namespace {

// The text a keyboard sends with `key`: printable keys type their character.
QString keyText(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return {};
  if (key >= Qt::Key_A && key <= Qt::Key_Z)
    return QChar(modifiers & Qt::ShiftModifier ? key : key - Qt::Key_A + 'a');
  if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) return QChar(key);
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return QStringLiteral("\r");
  if (key == Qt::Key_Escape) return QStringLiteral("\x1b");
  return {};
}

constexpr double kSettleLimitSeconds = 30;
// A command line may be this long; the answer to one that is not quotes this much of it at most.
constexpr size_t kLongestCommand = 64 * 1024;
constexpr qsizetype kEchoedCharacters = 80;
// What the lines waiting for their turn may take: their bytes, each counted this much more (the
// queue's own cost of a line, so that empty lines count too). Past the bound stdin is read no
// further until the queue is worked off; a read takes in at most kReadChunk bytes past it.
constexpr size_t kMostQueuedBytes = 1024 * 1024;
constexpr size_t kQueuedLineCost = 64;
constexpr size_t kReadChunk = 8192;
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

bool runUntil(const std::function<bool()>& done, double seconds) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done()) {
    if (elapsed.elapsed() > seconds * 1000) return false;
    QCoreApplication::sendPostedEvents();
    if (!QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents))
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void waitRunning(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(std::lround(seconds * 1000)), &loop, &QEventLoop::quit);
  loop.exec();
}

AutomationDriver::AutomationDriver(QWidget* window, std::shared_ptr<ManualClock> manualClock)
    : window_(window), manualClock_(std::move(manualClock)), animations_(new AnimationClock(this)) {
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
    if (!manualClock_) return Reply::fail("advance needs --manual-clock");
    if (args.size() != 1 || !toDouble(args[0], s) || s < 0 || s > kLongestAdvance)
      return Reply::fail("advance needs seconds from 0 to 1e9");
    manualClock_->advance(s);
    // Animations the timers started are registered once the queue runs; then they move on too, and
    // what they moved is laid out.
    drainMainQueue();
    animations_->skip(s);
    drainMainQueue();
    return Reply::ok();
  });
  addCommand("tap", [this](const QStringList& args) { return tap(args); });
  addCommand("screenshot", [this](const QStringList& args) {
    if (args.size() != 1) return Reply::fail("screenshot needs a path");
    if (!window_) return Reply::fail("no window");
    drainMainQueue();
    if (!window_->grab().save(args[0], "PNG")) return Reply::fail("cannot write " + args[0].toStdString());
    return Reply::ok();
  });
  addCommand("key", [this](const QStringList& args) {
    if (args.size() != 1) return Reply::fail("key needs one key name");
    const std::optional<QKeyCombination> key = keyNamed(args[0]);
    if (!key) return Reply::fail("no key named " + args[0].toStdString());
    // Through the shortcuts and the focus widget, as a keyboard's press and release arrive.
    QWidget* focus = QApplication::focusWidget();
    QWidget* top = focus ? focus->window() : window_.data();
    QWindow* window = top ? top->windowHandle() : nullptr;
    if (!window) return Reply::fail("no window takes keys");
    const QString text = keyText(key->key(), key->keyboardModifiers());
    qt_handleKeyEvent(window, QEvent::KeyPress, key->key(), key->keyboardModifiers(), text);
    qt_handleKeyEvent(window, QEvent::KeyRelease, key->key(), key->keyboardModifiers(), text);
    drainMainQueue();
    return Reply::ok();
  });
}

void AutomationDriver::addCommand(const QString& verb, Command command) { commands_[verb] = std::move(command); }

void AutomationDriver::addStateMember(std::string name, std::function<Json()> value) {
  stateMembers_.emplace_back(std::move(name), std::move(value));
}

void AutomationDriver::addLastStateMember(std::string name, std::function<Json()> value) {
  lastStateMembers_.emplace_back(std::move(name), std::move(value));
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
  if (!tapControl_) return Reply::fail("no screen");
  const Reply reply = tapControl_(name);
  drainMainQueue();
  return reply;
}

void AutomationDriver::addIdleCheck(std::function<bool()> idle) { idleChecks_.push_back(std::move(idle)); }

bool AutomationDriver::waitUntil(const std::function<bool()>& done) { return runUntil(done); }

void AutomationDriver::start() {
  notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { readInput(); });
}

void AutomationDriver::readInput() {
  char chunk[kReadChunk];
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
      queuedBytes_ += kQueuedLineCost;
      buffer_.clear();
      skippingLine_ = true;
    }
    if (!skippingLine_) buffer_.append(at, stop);
    if (newline) {
      if (!skippingLine_) {
        queuedBytes_ += buffer_.size() + kQueuedLineCost;
        pending_.push_back(std::move(buffer_));
      }
      buffer_.clear();
      skippingLine_ = false;
    }
    at = newline ? newline + 1 : end;
  }
  // The sender waits on the pipe meanwhile: no line is dropped, each gets its answer in turn.
  if (queuedBytes_ >= kMostQueuedBytes && !inputClosed_) notifier_->setEnabled(false);
  drain();
}

void AutomationDriver::drain() {
  if (running_) return;  // a command that runs the event loop (wait, settle) finishes first
  running_ = true;
  while (!pending_.empty()) {
    const std::optional<std::string> line = std::move(pending_.front());
    pending_.pop_front();
    queuedBytes_ -= std::min(queuedBytes_, (line ? line->size() : 0) + kQueuedLineCost);
    rawLine_ = line ? *line : std::string();
    rawGiven_ = true;
    const Reply reply =
        line ? run(QString::fromStdString(*line))
             : Reply::fail("command line longer than " + std::to_string(kLongestCommand) + " bytes; ignored");
    const std::string out = reply.error.empty() ? reply.value.dump() : Json::object().set("error", reply.error).dump();
    std::fprintf(stdout, "%s\n", out.c_str());
    std::fflush(stdout);
  }
  running_ = false;
  queuedBytes_ = 0;
  if (!inputClosed_ && notifier_ && !notifier_->isEnabled()) notifier_->setEnabled(true);
  if (inputClosed_) QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
}

QString AutomationDriver::restOfLine(int words) const {
  qsizetype at = 0;
  for (int word = 0; word <= words; ++word) {
    while (at < line_.size() && line_[at].isSpace()) ++at;
    while (at < line_.size() && !line_[at].isSpace()) ++at;
  }
  return line_.mid(at < line_.size() ? at + 1 : at);
}

QByteArray AutomationDriver::restOfLineBytes(int words) const {
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
  size_t at = 0;
  for (int word = 0; word <= words; ++word) {
    while (at < rawLine_.size() && space(rawLine_[at])) ++at;
    while (at < rawLine_.size() && !space(rawLine_[at])) ++at;
  }
  return QByteArray::fromStdString(rawLine_.substr(at < rawLine_.size() ? at + 1 : at));
}

Reply AutomationDriver::run(const QString& line) {
  line_ = line;
  if (!std::exchange(rawGiven_, false)) rawLine_ = line.toStdString();
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
    bool idle = !animations_->isRunning();
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
  for (const auto& [name, value] : stateMembers_) s.set(name, value());
  for (const auto& [name, value] : lastStateMembers_) s.set(name, value());
  return s;
}

}  // namespace storm::qt
