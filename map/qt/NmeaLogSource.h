#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "map/NmeaReader.h"
#include "map/qt/LiveSource.h"
#include "system/Clock.h"
#include "system/qt/MainThreadQueue.h"

// An NMEA log replayed as a receiver would have given it: read on a thread of its own by our
// NmeaReader, its epochs handed to the main thread a batch at a time (at most kBacklog ahead of
// the replay), and replayed at the log's own pace: each step between two epochs is the log's, but
// never longer than kLongestStep, and a step back in time or one without times takes kUntimedStep.
// An epoch that says there is no fix, and the end of the log, are problems at once.

namespace storm::qt {

class NmeaLogSource : public LiveSource {
 public:
  static constexpr double kLongestStep = 3;
  static constexpr double kUntimedStep = 1;
  static constexpr std::size_t kBacklog = 4096;

  NmeaLogSource(QString path, std::shared_ptr<TimerScheduler> timers, QObject* parent = nullptr);
  ~NmeaLogSource() override;

  void start() override;

 private:
  void read(const std::string& path);
  bool hand(std::deque<NmeaEpoch>& batch, bool last);
  void step();

  QString path_;
  std::shared_ptr<TimerScheduler> timers_;
  MainThreadQueue queue_;
  std::thread reader_;
  std::mutex mutex_;  // guards the reader's wait for the replay
  std::condition_variable wake_;
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> ahead_{0};  // epochs handed over and not yet replayed

  // Main thread.
  std::deque<NmeaEpoch> epochs_;
  bool allRead_ = false;
  bool stepping_ = false;  // a step is scheduled
  std::shared_ptr<Timer> timer_;
};

}  // namespace storm::qt
