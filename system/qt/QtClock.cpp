#include "system/qt/QtClock.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>

#include "system/qt/QtLogger.h"

namespace storm::qt {

double SystemClock::now() const {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

double SystemClock::monotonic() const {
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

namespace {

// Like a run loop's timer, the QTimer lives on (parented to the application) until it is
// invalidated or, when it does not repeat, has fired; dropping the handle does not stop it.
class QtTimer : public Timer {
 public:
  QtTimer(double interval, bool repeats, std::function<void()> fire)
      : timer_(new QTimer(QCoreApplication::instance())) {
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setSingleShot(!repeats);
    timer_->setInterval(static_cast<int>(std::lround(std::max(0.0, interval) * 1000)));
    QObject::connect(timer_, &QTimer::timeout, timer_, [t = timer_.data(), fire = std::move(fire)] {
      if (t->isSingleShot()) t->deleteLater();
      fire();
    });
    timer_->start();
  }
  void invalidate() override {
    if (!timer_) return;
    timer_->stop();
    timer_->deleteLater();
    timer_ = nullptr;
  }
  bool isValid() const override { return timer_ && timer_->isActive(); }

 private:
  QPointer<QTimer> timer_;
};

}  // namespace

std::shared_ptr<Timer> QtTimerScheduler::scheduledTimer(double interval, bool repeats, std::function<void()> fire) {
  // Qt counts a timer's interval in int milliseconds (about 24 days); beyond that it would wrap.
  if (!std::isfinite(interval) || interval * 1000 > std::numeric_limits<int>::max()) {
    qCWarning(lcStorm, "a timer of %g s cannot be kept; not scheduled", interval);
    return nullptr;
  }
  return std::make_shared<QtTimer>(interval, repeats, std::move(fire));
}

}  // namespace storm::qt
