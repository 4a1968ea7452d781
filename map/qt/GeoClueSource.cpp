#include "map/qt/GeoClueSource.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <algorithm>
#include <cmath>

#include "system/qt/BusLink.h"

namespace storm::qt {

namespace {

constexpr char kService[] = "org.freedesktop.GeoClue2";
constexpr char kManagerPath[] = "/org/freedesktop/GeoClue2/Manager";
constexpr char kManager[] = "org.freedesktop.GeoClue2.Manager";
constexpr char kClient[] = "org.freedesktop.GeoClue2.Client";
constexpr char kLocation[] = "org.freedesktop.GeoClue2.Location";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";
constexpr char kConnectionName[] = "storm-distance-location";
// GeoClue's accuracy levels run from 0 (none) to 8 (exact).
constexpr uint kExact = 8;

QDBusMessage propertyCall(const QString& service, const QString& path, const char* method, const char* interface) {
  return QDBusMessage::createMethodCall(service, path, kProperties, method) << QString(interface);
}

}  // namespace

GeoClueSource::GeoClueSource(Settings settings, QObject* parent) : LiveSource(parent), settings_(std::move(settings)) {
  link_ = new BusLink(QDBusConnection::SystemBus, kConnectionName, this);
  connect(link_, &BusLink::ready, this, &GeoClueSource::linked);
  connect(link_, &BusLink::failed, this, [this](const QString& why) {
    asking_ = false;
    report(PositionProblem::NoService, "the system bus cannot be reached: " + why);
    retryLater();
  });
}

GeoClueSource::~GeoClueSource() {
  if (retry_) retry_->invalidate();
  // Lets the service switch the GPS off; nobody waits for the answer.
  if (!client_.isEmpty() && link_->isOpen())
    link_->connection().send(QDBusMessage::createMethodCall(service_, client_, kClient, "Stop"));
}

void GeoClueSource::start() { ask(); }

double GeoClueSource::now() const { return settings_.clock ? settings_.clock->monotonic() : 0; }

void GeoClueSource::ask() {
  if (asking_) return;
  if (retry_) retry_->invalidate();
  retry_.reset();
  asking_ = true;
  lastAsk_ = now();
  if (!link_->isOpen()) {
    link_->open();  // linked() goes on
    return;
  }
  call(QDBusMessage::createMethodCall(kService, kManagerPath, kManager, "GetClient"),
       [this](const QDBusMessage& reply) { clientMade(reply); });
}

void GeoClueSource::linked() {
  delete watcher_;
  watcher_ = new QDBusServiceWatcher(kService, link_->connection(),
                                     QDBusServiceWatcher::WatchForRegistration |
                                         QDBusServiceWatcher::WatchForUnregistration,
                                     this);
  connect(watcher_, &QDBusServiceWatcher::serviceRegistered, this, &GeoClueSource::askSoon);
  connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this, &GeoClueSource::serviceGone);
  asking_ = false;
  ask();
}

void GeoClueSource::askSoon() {
  if (!asking_) retryIn(std::max(0.0, lastAsk_ + kLeastAskSeconds - now()));
}

void GeoClueSource::clientMade(const QDBusMessage& reply) {
  if (reply.type() == QDBusMessage::ErrorMessage) return failed(QDBusError(reply));
  // Signals are taken from the service that made the client, by its unique name, and nobody else.
  service_ = reply.service();
  client_ = reply.arguments().value(0).value<QDBusObjectPath>().path();
  QDBusConnection bus = link_->connection();
  bus.connect(service_, client_, kClient, "LocationUpdated", this,
              SLOT(locationUpdated(QDBusObjectPath, QDBusObjectPath)));
  bus.connect(service_, client_, kProperties, "PropertiesChanged", this,
              SLOT(clientPropertiesChanged(QString, QVariantMap, QStringList)));
  const auto set = [this](const char* property, const QVariant& value) {
    return propertyCall(service_, client_, "Set", kClient) << QString(property)
                                                           << QVariant::fromValue(QDBusVariant(value));
  };
  const auto then = [this](std::function<void()> next) {
    return [this, next = std::move(next)](const QDBusMessage& reply) {
      if (reply.type() == QDBusMessage::ErrorMessage) return failed(QDBusError(reply));
      next();
    };
  };
  call(set("DesktopId", settings_.desktopId), then([this, set, then] {
         call(set("RequestedAccuracyLevel", kExact), then([this, then] {
                call(QDBusMessage::createMethodCall(service_, client_, kClient, "Start"), then([this] {
                       asking_ = false;
                       failures_ = 0;
                       report(PositionProblem::None, {});
                     }));
              }));
       }));
}

void GeoClueSource::failed(const QDBusError& error) {
  asking_ = false;
  // The service turns an application away both when the desktop's location services are off
  // ("Geolocation disabled for UID ...") and when the application is not allowed ("... disallowed by
  // configuration ...").
  if (error.type() == QDBusError::AccessDenied)
    report(error.message().contains("disabled") ? PositionProblem::Off : PositionProblem::Refused, error.message());
  else
    report(PositionProblem::NoService, error.name() + ": " + error.message());
  retryLater();
}

void GeoClueSource::serviceGone() {
  ++generation_;
  if (!client_.isEmpty()) {
    QDBusConnection bus = link_->connection();
    bus.disconnect(service_, client_, kClient, "LocationUpdated", this,
                   SLOT(locationUpdated(QDBusObjectPath, QDBusObjectPath)));
    bus.disconnect(service_, client_, kProperties, "PropertiesChanged", this,
                   SLOT(clientPropertiesChanged(QString, QVariantMap, QStringList)));
  }
  service_.clear();
  client_.clear();
  asking_ = false;
  report(PositionProblem::NoService, QString("%1 left the system bus").arg(kService));
  retryLater();
}

void GeoClueSource::locationUpdated(const QDBusObjectPath&, const QDBusObjectPath& location) {
  call(propertyCall(service_, location.path(), "GetAll", kLocation), [this](const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ErrorMessage) return;
    const QVariantMap values = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    const double latitude = values.value("Latitude").toDouble();
    const double longitude = values.value("Longitude").toDouble();
    const double accuracy = values.value("Accuracy").toDouble();
    if (!values.contains("Latitude") || !values.contains("Longitude") || !std::isfinite(latitude) ||
        !std::isfinite(longitude) || std::abs(latitude) > 90 || std::abs(longitude) > 180)
      return;
    failures_ = 0;
    emit fixed(latitude, longitude, std::isfinite(accuracy) && accuracy > 0 ? accuracy : 0);
  });
}

void GeoClueSource::clientPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                            const QStringList&) {
  if (interface != kClient || !changed.contains("Active")) return;
  // The service stops and starts its clients as the desktop's location services go off and on.
  if (changed.value("Active").toBool()) {
    report(PositionProblem::None, {});
  } else {
    report(PositionProblem::Off, QString("%1 stopped this application's client").arg(kService));
    retryLater();
  }
}

void GeoClueSource::retryLater() {
  const double delay = std::min(kLeastAskSeconds * std::exp2(std::min(failures_, 10)), kMostRetrySeconds);
  ++failures_;
  retryIn(delay);
}

void GeoClueSource::retryIn(double seconds) {
  const double at = now() + seconds;
  if (retry_ && retry_->isValid() && retryAt_ <= at) return;
  if (retry_) retry_->invalidate();
  retry_.reset();
  if (!settings_.timers) return;
  retryAt_ = at;
  retry_ = settings_.timers->scheduledTimer(seconds, false, [this] {
    retry_.reset();
    ask();
  });
}

void GeoClueSource::call(const QDBusMessage& message, Reply done) {
  const quint64 generation = generation_;
  auto* watcher = new QDBusPendingCallWatcher(link_->connection().asyncCall(message, kCallMilliseconds), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, generation, done = std::move(done)](QDBusPendingCallWatcher* finished) {
            finished->deleteLater();
            if (generation == generation_) done(finished->reply());
          });
}

void GeoClueSource::report(PositionProblem problem, const QString& detail) { emit this->problem(problem, detail); }

}  // namespace storm::qt
