#include "system/qt/DBusNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>
#include <mutex>

#include "BuildConfig.h"
#include "system/qt/WorkerPool.h"

namespace storm::qt {

namespace {

constexpr char kConnectionName[] = "storm-distance-notifications";
constexpr char kService[] = "org.freedesktop.Notifications";
constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr char kApplicationName[] = "Storm Distance";
constexpr int kServerDecidesTimeout = -1;

// A value in a D-Bus address: bytes other than these are written %XX.
QString addressValue(const QString& path) {
  QString out;
  for (const char c : path.toUtf8()) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || c == '-' || c == '_' ||
        c == '/' || c == '.' || c == '\\' || c == '*')
      out += QChar(c);
    else
      out += QStringLiteral("%%1").arg(u, 2, 16, QChar('0'));
  }
  return out;
}

}  // namespace

DBusNotifier::DBusNotifier(std::shared_ptr<WorkerPool> pool) : pool_(std::move(pool)) {}

DBusNotifier::~DBusNotifier() { pool_->cancel(this); }

QString DBusNotifier::sessionBusAddress() {
  const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
  if (!address.isEmpty()) return address;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo::exists(runtime + "/bus")) return "unix:path=" + addressValue(runtime + "/bus");
  return {};
}

void DBusNotifier::notify(const std::string& summary, const std::string& body) {
  const QString address = sessionBusAddress();
  if (address.isEmpty()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "Notify");
  // The installed icon, and the desktop entry through which the server finds the application's own settings.
  const QVariantMap hints{{"desktop-entry", QString(build::kApplicationId)}};
  call << QString(kApplicationName) << 0u << QString(build::kApplicationId) << QString::fromStdString(summary)
       << QString::fromStdString(body) << QStringList() << hints << kServerDecidesTimeout;
  pool_->post(
      [address, call] {
        // One connection for the process, made when first needed and made again if it broke; two
        // workers never make it at once.
        static std::mutex connecting;
        const std::lock_guard lock(connecting);
        QDBusConnection bus = QDBusConnection(kConnectionName);
        if (!bus.isConnected()) {
          QDBusConnection::disconnectFromBus(kConnectionName);
          bus = QDBusConnection::connectToBus(address, kConnectionName);
        }
        // The answer (the notification's number, or an error) is of no use: it is not waited for.
        if (bus.isConnected()) bus.asyncCall(call);
      },
      this);
}

}  // namespace storm::qt
