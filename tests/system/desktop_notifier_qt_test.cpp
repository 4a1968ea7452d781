#include <gtest/gtest.h>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>

#include <mutex>

#include "support/MapTestSupport.h"
#include "support/SessionBus.h"
#include "system/qt/DBusNotifier.h"

// The desktop notifier against a notification server of the test's own, on a private bus.

namespace storm::qt {
namespace {

class NotificationServer : public QDBusVirtualObject {
 public:
  QString introspect(const QString&) const override { return {}; }
  // Runs on the connection's thread.
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != "Notify") return false;
    std::lock_guard lock(mutex);
    calls.push_back(message.arguments());
    connection.send(message.createReply(QVariantList{1u}));
    return true;
  }
  std::mutex mutex;
  std::vector<QVariantList> calls;
};

TEST(DesktopNotifier, SendsTheNotificationToTheServerOnTheSessionBus) {
#if defined(__SANITIZE_THREAD__)
  // Both ends of the call here live in this process, inside Qt D-Bus and libdbus, which are not
  // instrumented: the thread sanitizer then mistakes memory they free and the worker pool reuses
  // for shared data. The sending side still runs under it in the storm map's end-to-end tests.
  GTEST_SKIP() << "not under the thread sanitizer";
#endif
  if (!test::SessionBus::installed()) GTEST_SKIP() << "no dbus-daemon";
  test::SessionBus bus;
  ASSERT_TRUE(bus.start(/*eavesdrop=*/true));
  const QString address = bus.address();

  NotificationServer server;
  {
    QDBusConnection connection = QDBusConnection::connectToBus(address, "notification-server");
    ASSERT_TRUE(connection.isConnected());
    ASSERT_TRUE(connection.registerService("org.freedesktop.Notifications"));
    ASSERT_TRUE(connection.registerVirtualObject("/org/freedesktop/Notifications", &server));
  }
  qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
  {
    DBusNotifier notifier;
    notifier.notify("All clear", "No thunder within 10 km for the last 30 minutes.");
    ASSERT_TRUE(test::runUntil([&] {
      std::lock_guard lock(server.mutex);
      return !server.calls.empty();
    }));
  }
  QDBusConnection::disconnectFromBus("notification-server");
  std::lock_guard lock(server.mutex);
  ASSERT_EQ(server.calls.size(), 1u);
  const QVariantList& call = server.calls[0];
  ASSERT_EQ(call.size(), 8);
  // A new notification (replacing none) with the installed icon, no actions, naming the desktop entry,
  // as long as the server decides.
  EXPECT_EQ(call.mid(0, 5), (QVariantList{"Storm Distance", 0u, "org.stormdistance.StormDistance", "All clear",
                                          "No thunder within 10 km for the last 30 minutes."}));
  EXPECT_TRUE(call[5].toStringList().isEmpty());
  EXPECT_EQ(qdbus_cast<QVariantMap>(call[6]).value("desktop-entry").toString(), "org.stormdistance.StormDistance");
  EXPECT_EQ(call[7].toInt(), -1);
}

}  // namespace
}  // namespace storm::qt
