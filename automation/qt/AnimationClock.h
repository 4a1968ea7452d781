#pragma once

#include <QAnimationDriver>
#include <QBasicTimer>
#include <QElapsedTimer>

// The clock Qt's animations (a screen's slide, the banner's, the map's glide) run on in automation
// mode: real time, as usual, plus every step of the manual clock, so that `advance` carries an
// animation to its end without waiting for it. While installed it also tells whether any animation
// is running, which `settle` waits for.

namespace storm::qt {

class AnimationClock : public QAnimationDriver {
 public:
  explicit AnimationClock(QObject* parent = nullptr);
  ~AnimationClock() override;

  // Moves every running animation `seconds` on at once.
  void skip(double seconds);
  qint64 elapsed() const override;

 protected:
  void start() override;
  void stop() override;
  void timerEvent(QTimerEvent* event) override;

 private:
  QElapsedTimer real_;
  qint64 skippedMs_ = 0;
  QBasicTimer frames_;
};

}  // namespace storm::qt
