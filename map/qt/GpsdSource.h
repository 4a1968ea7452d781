#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "map/qt/LiveSource.h"
#include "system/qt/MainThreadQueue.h"

// gpsd, the daemon that serves USB and Bluetooth receivers, through its client library on a thread
// of its own: each TPV report of a 2D or 3D fix is a fix, with gpsd's own horizontal error (eph,
// else epx and epy) as its accuracy; a report of no fix (mode 1, or a simulated one) is the problem
// Lost. A gpsd that cannot be reached, or that goes, is the problem NoGpsd, and is asked again every
// kRetrySeconds until it answers: its return brings the fixes back. The thread is let go, never
// waited for, when the source ends: a host that does not answer holds up neither the window nor
// the app's end.

namespace storm::qt {

class GpsdSource : public LiveSource {
 public:
  static constexpr double kRetrySeconds = 1;

  // `where` is "HOST:PORT", "HOST" or empty (localhost:2947).
  explicit GpsdSource(const QString& where, QObject* parent = nullptr);
  ~GpsdSource() override;

  void start() override;

 private:
  // What the thread shares with the source, and outlives it.
  struct Shared {
    std::mutex mutex;  // guards queue, and the wait between tries
    std::condition_variable wake;
    std::atomic<bool> stop{false};
    MainThreadQueue* queue = nullptr;  // null once the source has ended
    bool post(std::function<void()> block);
  };
  static void run(const std::shared_ptr<Shared>& shared, const std::string& host, const std::string& port,
                  GpsdSource* source);
  // One session with gpsd, until it goes or the source stops; false when it could not be reached.
  static bool session(Shared& shared, const std::string& host, const std::string& port, GpsdSource* source);

  std::string host_, port_;
  MainThreadQueue queue_;
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  bool started_ = false;
};

}  // namespace storm::qt
