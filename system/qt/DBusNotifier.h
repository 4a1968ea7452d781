#pragma once

#include <QString>
#include <memory>
#include <string>

#include "system/DesktopNotifier.h"

// Desktop notifications through the freedesktop.org notification service on the D-Bus session bus.
// The bus is reached on the process's workers, so a slow or stuck bus never holds up the screen;
// the call does not wait for its answer. Without a session bus, or with nobody serving
// notifications on it, nothing happens and nothing is said.

namespace storm::qt {

class WorkerPool;

class DBusNotifier : public DesktopNotifier {
 public:
  explicit DBusNotifier(std::shared_ptr<WorkerPool> pool);
  // Drops a notification not yet sent and waits for one being sent.
  ~DBusNotifier() override;
  DBusNotifier(const DBusNotifier&) = delete;
  DBusNotifier& operator=(const DBusNotifier&) = delete;

  void notify(const std::string& summary, const std::string& body) override;

  // The session bus's address: DBUS_SESSION_BUS_ADDRESS, else the socket $XDG_RUNTIME_DIR/bus if
  // there is one, else nothing. (Never an address that would start a bus of its own.)
  static QString sessionBusAddress();

 private:
  std::shared_ptr<WorkerPool> pool_;
};

}  // namespace storm::qt
