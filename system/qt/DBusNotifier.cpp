#include "system/qt/DBusNotifier.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>

#include "BuildConfig.h"
#include "system/qt/BusLink.h"

namespace storm::qt {

namespace {

constexpr char kConnectionName[] = "storm-distance-notifications";
constexpr char kService[] = "org.freedesktop.Notifications";
constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr char kApplicationName[] = "Storm Distance";
constexpr int kServerDecidesTimeout = -1;
// How long the connection keeps a call's place for its answer.
constexpr int kReplyMilliseconds = 5000;
// Notifications kept while the connection is being made; older ones give way.
constexpr std::size_t kMostWaiting = 4;

}  // namespace

DBusNotifier::DBusNotifier() : link_(std::make_unique<BusLink>(QDBusConnection::SessionBus, kConnectionName)) {
  QObject::connect(link_.get(), &BusLink::ready, link_.get(), [this] { send(); });
  // A bus that cannot be reached is the desktop's business: the notifications are let go.
  QObject::connect(link_.get(), &BusLink::failed, link_.get(), [this] { waiting_.clear(); });
}

DBusNotifier::~DBusNotifier() = default;

void DBusNotifier::notify(const std::string& summary, const std::string& body) {
  if (BusLink::sessionBusAddress().isEmpty()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "Notify");
  // The installed icon, and the desktop entry through which the server finds the application's own settings.
  const QVariantMap hints{{"desktop-entry", QString(build::kApplicationId)}};
  call << QString(kApplicationName) << 0u << QString(build::kApplicationId) << QString::fromStdString(summary)
       << QString::fromStdString(body) << QStringList() << hints << kServerDecidesTimeout;
  waiting_.push_back(call);
  if (waiting_.size() > kMostWaiting) waiting_.pop_front();
  if (link_->isOpen())
    send();
  else
    link_->open();  // ready() or failed() follow; nothing while an attempt is under way
}

void DBusNotifier::send() {
  QDBusConnection bus = link_->connection();
  // The answer (the notification's number, or an error) is of no use: it is not waited for.
  while (!waiting_.empty()) {
    bus.asyncCall(waiting_.front(), kReplyMilliseconds);
    waiting_.pop_front();
  }
}

}  // namespace storm::qt
