#include "automation/qt/AnimationClock.h"

#include <QTimerEvent>
#include <cmath>

namespace storm::qt {

namespace {
constexpr int kFrameMs = 16;  // as Qt's own driver steps animations
}

AnimationClock::AnimationClock(QObject* parent) : QAnimationDriver(parent) {
  real_.start();
  install();
}

AnimationClock::~AnimationClock() { uninstall(); }

qint64 AnimationClock::elapsed() const { return real_.elapsed() + skippedMs_; }

void AnimationClock::skip(double seconds) {
  if (!(seconds > 0)) return;
  skippedMs_ += std::llround(seconds * 1000);
  if (isRunning()) advance();
}

void AnimationClock::start() {
  frames_.start(kFrameMs, Qt::PreciseTimer, this);
  QAnimationDriver::start();
}

void AnimationClock::stop() {
  frames_.stop();
  QAnimationDriver::stop();
}

void AnimationClock::timerEvent(QTimerEvent* event) {
  if (event->timerId() == frames_.timerId())
    advance();
  else
    QAnimationDriver::timerEvent(event);
}

}  // namespace storm::qt
