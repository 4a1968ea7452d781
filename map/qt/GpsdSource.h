#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "map/qt/LiveSource.h"
#include "system/qt/MainThreadQueue.h"

// gpsd, the daemon that serves USB and Bluetooth receivers, through its client library on a thread
// of its own: each TPV report of a 2D or 3D fix is a fix, with gpsd's own horizontal error (eph,
// else epx and epy) as its accuracy; a report of no fix (mode 1, or a simulated one) is the problem
// Lost. A gpsd that cannot be reached, or that goes, is the problem NoGpsd, and is asked again every
// kRetrySeconds until it answers: its return brings the fixes back.

namespace storm::qt {

class GpsdSource : public LiveSource {
 public:
  static constexpr double kRetrySeconds = 1;

  // `where` is "HOST:PORT", "HOST" or empty (localhost:2947).
  explicit GpsdSource(const QString& where, QObject* parent = nullptr);
  ~GpsdSource() override;

  void start() override;

 private:
  void run();
  // One session with gpsd, until it goes or the source stops; false when it could not be reached.
  bool session();
  void post(PositionProblem problem, const QString& detail);

  std::string host_, port_;
  MainThreadQueue queue_;
  std::thread thread_;
  std::mutex mutex_;  // guards the wait between tries
  std::condition_variable wake_;
  std::atomic<bool> stop_{false};
};

}  // namespace storm::qt
