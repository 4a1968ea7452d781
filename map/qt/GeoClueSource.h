#pragma once

#include <QDBusError>
#include <QDBusMessage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

#include "map/UserPosition.h"
#include "map/qt/LiveSource.h"
#include "system/Clock.h"

class QDBusObjectPath;
class QDBusServiceWatcher;

// The desktop's location service, GeoClue 2, asked over the system bus as exactly as it may answer
// (accuracy level "exact", so that a GPS is used where there is one) and under the application's
// own id, so that the desktop's settings for this application apply. Every call is asynchronous
// and bounded, and the bus is reached on a thread of its own: a service or a bus that hangs never
// holds up the window.
//
// When the service is not there, refuses, or is switched off, problem() says so, and the source asks
// again: as soon as the service's name appears on the bus, and else after a minute, doubling up to
// kMostRetrySeconds; never twice within kLeastAskSeconds. Main thread only.

namespace storm::qt {

class BusLink;

class GeoClueSource : public LiveSource {
  Q_OBJECT

 public:
  static constexpr double kLeastAskSeconds = 60;
  static constexpr double kMostRetrySeconds = 16 * 60;
  // How long a call may wait for its answer.
  static constexpr int kCallMilliseconds = 20000;

  struct Settings {
    QString desktopId;
    std::shared_ptr<const Clock> clock;
    std::shared_ptr<TimerScheduler> timers;
  };

  GeoClueSource(Settings settings, QObject* parent = nullptr);
  ~GeoClueSource() override;

  void start() override;

 private slots:
  void locationUpdated(const QDBusObjectPath& previous, const QDBusObjectPath& location);
  void clientPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

 private:
  using Reply = std::function<void(const QDBusMessage&)>;
  void linked();
  void ask();
  void askSoon();
  void clientMade(const QDBusMessage& reply);
  void failed(const QDBusError& error);
  void serviceGone();
  void retryLater();
  void retryIn(double seconds);
  // Sends `message` and gives `done` its reply (or an error), unless the service has gone since.
  void call(const QDBusMessage& message, Reply done);
  void report(PositionProblem problem, const QString& detail);
  double now() const;

  Settings settings_;
  BusLink* link_ = nullptr;
  QDBusServiceWatcher* watcher_ = nullptr;
  QString service_;  // the unique name of the service that made our client
  QString client_;   // its object path
  bool asking_ = false;
  double lastAsk_ = -1e300;  // monotonic seconds
  int failures_ = 0;         // asks in a row that failed
  std::shared_ptr<Timer> retry_;
  double retryAt_ = 0;  // monotonic seconds, while retry_ runs
  quint64 generation_ = 0;  // moves on whenever what was asked so far no longer counts
};

}  // namespace storm::qt
