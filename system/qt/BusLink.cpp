#include "system/qt/BusLink.h"

#include <QByteArray>
#include <QDBusError>
#include <QFileInfo>
#include <mutex>
#include <thread>

#include <chrono>

#include "system/qt/BusConversation.h"
#include "system/qt/MainThreadQueue.h"

namespace storm::qt {

namespace {

// How long a bus may take to answer its handshake and registration.
constexpr int kHandshakeMilliseconds = 5000;

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

QString busAddress(QDBusConnection::BusType bus) {
  if (bus == QDBusConnection::SessionBus) return BusLink::sessionBusAddress();
  const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
  return address.isEmpty() ? QStringLiteral("unix:path=/var/run/dbus/system_bus_socket") : address;
}

// Whether the bus at `address` answers a handshake and takes a registration in time: the libdbus
// connection that Qt makes waits for it without a bound, on a thread that quitting waits for, and
// a refused registration leaves Qt's connection torn down under whoever asks about it. Addresses
// other than Unix sockets are left to that connection.
QString probe(const QString& address) {
  return BusConversation(address, std::chrono::milliseconds(kHandshakeMilliseconds)).hello();
}

}  // namespace

// What an attempt's thread shares with the link: while `link` is set (under `mutex`), the link and
// its queue to the main thread are alive.
struct BusLink::Attempt {
  std::mutex mutex;
  BusLink* link = nullptr;
};

QString BusLink::sessionBusAddress() {
  const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
  if (!address.isEmpty()) return address;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo::exists(runtime + "/bus")) return "unix:path=" + addressValue(runtime + "/bus");
  return {};
}

BusLink::BusLink(QDBusConnection::BusType bus, QString name, QObject* parent)
    : QObject(parent), bus_(bus), name_(std::move(name)), toMain_(std::make_unique<MainThreadQueue>()) {}

BusLink::~BusLink() {
  if (attempt_) {
    const std::lock_guard lock(attempt_->mutex);
    attempt_->link = nullptr;
  } else {
    QDBusConnection::disconnectFromBus(name_);
  }
}

void BusLink::open() {
  if (attempt_ || isOpen()) return;
  open_ = false;
  attempt_ = std::make_shared<Attempt>();
  attempt_->link = this;
  std::thread([attempt = attempt_, bus = bus_, name = name_] {
    // A broken connection keeps its name until it is dropped.
    QDBusConnection::disconnectFromBus(name);
    QString why = probe(busAddress(bus));
    bool connected = false;
    if (why.isEmpty()) {
      const QDBusConnection connection = QDBusConnection::connectToBus(bus, name);
      // A bus that refuses the registration has its connection closed by Qt's D-Bus thread
      // meanwhile, and asking libdbus about it from here may meet it half torn down: the name the
      // bus gave, kept by Qt, says whether the registration went through.
      connected = !connection.baseService().isEmpty();
      if (!connected) why = connection.lastError().message();
    }
    const std::lock_guard lock(attempt->mutex);
    if (attempt->link) {
      // Through a queue whose own lock hands the result over, which every checker of threads sees.
      attempt->link->toMain_->post([attempt, connected, why] {
        BusLink* link = nullptr;
        {
          const std::lock_guard lock(attempt->mutex);
          link = attempt->link;
        }
        if (link) link->finished(connected, why);
      });
    } else {
      QDBusConnection::disconnectFromBus(name);
    }
  }).detach();
}

void BusLink::finished(bool connected, const QString& why) {
  attempt_.reset();
  open_ = connected;
  if (connected)
    emit ready();
  else
    emit failed(why.isEmpty() ? QStringLiteral("the bus cannot be reached") : why);
}

}  // namespace storm::qt
