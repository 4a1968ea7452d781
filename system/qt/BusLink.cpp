#include "system/qt/BusLink.h"

#include <QByteArray>
#include <QDBusError>
#include <QFileInfo>
#include <functional>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "system/qt/MainThreadQueue.h"

namespace storm::qt {

namespace {

// How long a bus may take to answer the first line of its handshake.
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

// The socket of the first Unix-socket entry of a D-Bus address (a leading NUL for an abstract one);
// empty when it has none.
QByteArray unixSocket(const QString& address) {
  for (const QString& entry : address.split(';', Qt::SkipEmptyParts)) {
    if (!entry.startsWith("unix:")) continue;
    for (const QString& pair : entry.mid(5).split(',')) {
      const QString key = pair.section('=', 0, 0);
      const QByteArray value = QByteArray::fromPercentEncoding(pair.section('=', 1).toUtf8());
      if (key == "path") return value;
      if (key == "abstract") return '\0' + value;
    }
  }
  return {};
}

// The bus's Hello call, the first message of every connection, marshalled little-endian.
QByteArray helloMessage() {
  QByteArray fields;
  auto align = [&fields](int to) {
    while ((16 + fields.size()) % to != 0) fields.append('\0');  // the fields start at byte 16
  };
  auto word = [](QByteArray& out, quint32 value) {
    for (int i = 0; i < 4; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xff));
  };
  auto field = [&](char code, char type, const QByteArray& text) {
    align(8);
    fields.append(code).append('\1').append(type).append('\0');
    align(4);
    word(fields, static_cast<quint32>(text.size()));
    fields.append(text).append('\0');
  };
  field(1, 'o', "/org/freedesktop/DBus");
  field(2, 's', "org.freedesktop.DBus");
  field(3, 's', "Hello");
  field(6, 's', "org.freedesktop.DBus");
  QByteArray message("l\1\0\1", 4);
  word(message, 0);  // no body
  word(message, 1);  // serial
  word(message, static_cast<quint32>(fields.size()));
  message += fields;
  while (message.size() % 8 != 0) message.append('\0');
  return message;
}

// Whether the bus at `address` answers a handshake and takes a registration in time: the libdbus
// connection that Qt makes waits for it without a bound, on a thread that quitting waits for, and
// a refused registration leaves Qt's connection torn down under whoever asks about it. Addresses
// other than Unix sockets are left to that connection.
QString probe(const QString& address) {
  const QByteArray path = unixSocket(address);
  if (path.isEmpty()) return {};
  sockaddr_un where{};
  if (static_cast<size_t>(path.size()) >= sizeof where.sun_path) return "the bus's socket path is too long";
  where.sun_family = AF_UNIX;
  std::memcpy(where.sun_path, path.constData(), static_cast<size_t>(path.size()));
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + static_cast<size_t>(path.size()));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHandshakeMilliseconds);
  // Sends `out`, then reads into `answer` until `enough` says so; the reason when it could not.
  QByteArray answer;
  auto exchange = [&](const QByteArray& out, const std::function<bool()>& enough) -> QString {
    qsizetype sent = 0;
    while (sent < out.size() || !enough()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd p{fd, static_cast<short>(sent < out.size() ? POLLOUT : POLLIN), 0};
      if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) == 0) return "the bus does not answer";
      if (p.revents & (POLLERR | POLLHUP)) return "the bus closed the connection";
      if (sent < out.size()) {
        const ssize_t n = send(fd, out.constData() + sent, static_cast<size_t>(out.size() - sent), MSG_NOSIGNAL);
        if (n > 0) sent += n;
        else if (errno != EAGAIN && errno != EINTR) return QString::fromLocal8Bit(std::strerror(errno));
      } else {
        char buffer[256];
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) answer.append(buffer, n);
        else if (n == 0) return "the bus closed the connection";
        else if (errno != EAGAIN && errno != EINTR) return QString::fromLocal8Bit(std::strerror(errno));
      }
    }
    return {};
  };
  QString why;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&where), length) != 0 && errno != EINPROGRESS) {
    why = QString::fromLocal8Bit(std::strerror(errno));
  } else {
    const QByteArray auth = QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(getuid()).toHex() + "\r\n";
    why = exchange(auth, [&] { return answer.contains('\n'); });
    if (why.isEmpty() && answer.startsWith("OK ")) {
      // The reply to Hello comes first; its second byte says whether it is a return or an error.
      answer.clear();
      why = exchange("BEGIN\r\n" + helloMessage(), [&] { return answer.size() >= 2; });
      if (why.isEmpty() && answer[1] == '\3') why = "the bus refuses the registration";
    }
  }
  close(fd);
  return why;
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
