#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <memory>

// A connection to a D-Bus bus, made on a thread of its own, after the bus has shown within a few
// seconds that it answers: a bus that accepts connections and then says nothing (a stopped daemon)
// holds up neither the window nor, as a connection waiting on it without end would, quitting.
// Main thread only.

namespace storm::qt {

class MainThreadQueue;

class BusLink : public QObject {
  Q_OBJECT

 public:
  // `name` names the connection within the process; it is dropped with the link.
  BusLink(QDBusConnection::BusType bus, QString name, QObject* parent = nullptr);
  ~BusLink() override;
  BusLink(const BusLink&) = delete;
  BusLink& operator=(const BusLink&) = delete;

  // Connects, or connects again when the connection broke; ready() or failed() follow. Does
  // nothing while connected or while an attempt is under way.
  void open();
  bool isOpen() const { return open_ && connection().isConnected(); }
  QDBusConnection connection() const { return QDBusConnection(name_); }

  // The session bus's address, as the connection finds it: DBUS_SESSION_BUS_ADDRESS, else the
  // socket $XDG_RUNTIME_DIR/bus if there is one, else nothing (never an address that would start a
  // bus of its own).
  static QString sessionBusAddress();

 signals:
  void ready();
  void failed(const QString& why);

 private:
  struct Attempt;
  void finished(bool connected, const QString& why);

  QDBusConnection::BusType bus_;
  QString name_;
  bool open_ = false;
  std::shared_ptr<Attempt> attempt_;  // while one runs
  std::unique_ptr<MainThreadQueue> toMain_;
};

}  // namespace storm::qt
