#include "system/qt/BusLink.h"

#include <QDBusError>
#include <QPointer>
#include <mutex>
#include <thread>

namespace storm::qt {

// What an attempt's thread shares with the link, which may go before the thread ends.
struct BusLink::Attempt {
  std::mutex mutex;
  QPointer<BusLink> link;
};

BusLink::BusLink(QDBusConnection::BusType bus, QString name, QObject* parent)
    : QObject(parent), bus_(bus), name_(std::move(name)) {}

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
    const QDBusConnection connection = QDBusConnection::connectToBus(bus, name);
    const bool connected = connection.isConnected();
    const QString why = connected ? QString() : connection.lastError().message();
    const std::lock_guard lock(attempt->mutex);
    if (attempt->link)
      QMetaObject::invokeMethod(
          attempt->link.data(), [link = attempt->link, connected, why] {
            if (link) link->finished(connected, why);
          },
          Qt::QueuedConnection);
    else
      QDBusConnection::disconnectFromBus(name);
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
