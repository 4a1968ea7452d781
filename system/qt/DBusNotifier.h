#pragma once

#include <QDBusMessage>
#include <QString>
#include <deque>
#include <memory>
#include <string>

#include "system/DesktopNotifier.h"

// Desktop notifications through the freedesktop.org notification service on the D-Bus session bus.
// The connection is made by a BusLink, on a thread of its own after the bus has shown that it
// answers, and each notification is an asynchronous call with a bounded wait for its answer, which
// nobody reads: a slow, stuck or refusing bus holds up neither the screen nor the workers the strike
// log runs on, nor quitting. Without a session bus, or with nobody serving notifications on it,
// nothing happens and nothing is said. Main thread only.

namespace storm::qt {

class BusLink;

class DBusNotifier : public DesktopNotifier {
 public:
  DBusNotifier();
  ~DBusNotifier() override;
  DBusNotifier(const DBusNotifier&) = delete;
  DBusNotifier& operator=(const DBusNotifier&) = delete;

  void notify(const std::string& summary, const std::string& body) override;

 private:
  void send();

  std::unique_ptr<BusLink> link_;
  // Notifications waiting for the connection, the oldest first; a few at most.
  std::deque<QDBusMessage> waiting_;
};

}  // namespace storm::qt
