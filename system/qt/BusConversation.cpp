#include "system/qt/BusConversation.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace storm::qt {

namespace {

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

void putWord(QByteArray& out, quint32 value) {
  for (int i = 0; i < 4; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

void pad(QByteArray& out, int to) {
  while (out.size() % to != 0) out.append('\0');
}

quint32 wordAt(const QByteArray& data, qsizetype at, bool bigEndian) {
  quint32 value = 0;
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<quint32>(static_cast<unsigned char>(data[at + (bigEndian ? i : 3 - i)]));
    value = (value << 8) | byte;
  }
  return value;
}

// A method call marshalled little-endian, with string arguments only. The header fields start at
// byte 16, so aligning within them aligns within the message.
QByteArray methodCall(quint32 serial, const QString& destination, const QString& path, const QString& interface,
                      const QString& member, const QStringList& arguments) {
  QByteArray fields, body;
  auto text = [](QByteArray& out, const QByteArray& value) {
    pad(out, 4);
    putWord(out, static_cast<quint32>(value.size()));
    out.append(value).append('\0');
  };
  auto field = [&](char code, char type, const QByteArray& value) {
    pad(fields, 8);
    fields.append(code).append('\1').append(type).append('\0');
    if (type == 'g')
      fields.append(static_cast<char>(value.size())).append(value).append('\0');
    else
      text(fields, value);
  };
  field(1, 'o', path.toUtf8());
  field(2, 's', interface.toUtf8());
  field(3, 's', member.toUtf8());
  field(6, 's', destination.toUtf8());
  if (!arguments.isEmpty()) field(8, 'g', QByteArray(arguments.size(), 's'));
  for (const QString& argument : arguments) text(body, argument.toUtf8());
  QByteArray message("l\1\2\1", 4);  // a method call that starts no service
  putWord(message, static_cast<quint32>(body.size()));
  putWord(message, serial);
  putWord(message, static_cast<quint32>(fields.size()));
  message += fields;
  pad(message, 8);
  return message + body;
}

}  // namespace

BusConversation::BusConversation(const QString& address, std::chrono::milliseconds bound)
    : deadline_(std::chrono::steady_clock::now() + bound), path_(unixSocket(address)) {}

BusConversation::~BusConversation() {
  if (fd_ >= 0) close(fd_);
}

QString BusConversation::exchange(const QByteArray& out, const std::function<bool()>& enough) {
  qsizetype sent = 0;
  while (sent < out.size() || !enough()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
    pollfd p{fd_, static_cast<short>(sent < out.size() ? POLLOUT : POLLIN), 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) == 0) return "the bus does not answer";
    if ((p.revents & (POLLERR | POLLHUP)) && !(p.revents & POLLIN)) return "the bus closed the connection";
    if (sent < out.size()) {
      const ssize_t n = send(fd_, out.constData() + sent, static_cast<size_t>(out.size() - sent), MSG_NOSIGNAL);
      if (n > 0)
        sent += n;
      else if (errno != EAGAIN && errno != EINTR)
        return QString::fromLocal8Bit(std::strerror(errno));
    } else {
      char buffer[512];
      const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
      if (n > 0)
        answer_.append(buffer, n);
      else if (n == 0)
        return "the bus closed the connection";
      else if (errno != EAGAIN && errno != EINTR)
        return QString::fromLocal8Bit(std::strerror(errno));
    }
  }
  return {};
}

QString BusConversation::hello() {
  if (path_.isEmpty()) return {};
  sockaddr_un where{};
  if (static_cast<size_t>(path_.size()) >= sizeof where.sun_path) return "the bus's socket path is too long";
  where.sun_family = AF_UNIX;
  std::memcpy(where.sun_path, path_.constData(), static_cast<size_t>(path_.size()));
  fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ < 0) return QString::fromLocal8Bit(std::strerror(errno));
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + static_cast<size_t>(path_.size()));
  if (connect(fd_, reinterpret_cast<const sockaddr*>(&where), length) != 0 && errno != EINPROGRESS)
    return QString::fromLocal8Bit(std::strerror(errno));
  const QByteArray auth = QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(getuid()).toHex() + "\r\n";
  if (QString why = exchange(auth, [this] { return answer_.contains('\n'); }); !why.isEmpty()) return why;
  if (!answer_.startsWith("OK ")) return "the bus refuses the handshake";
  answer_.clear();
  const QByteArray hello =
      methodCall(++serial_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello", {});
  int type = 0;
  if (QString why = exchange("BEGIN\r\n" + hello, [&] { return nthReply(0, &type, nullptr); }); !why.isEmpty())
    return why;
  return type == 3 ? QStringLiteral("the bus refuses the registration") : QString();
}

QString BusConversation::call(const QString& destination, const QString& path, const QString& interface,
                              const QString& member, const QStringList& arguments, Reply* reply) {
  if (fd_ < 0) return "not connected";
  const int n = static_cast<int>(serial_);  // replies so far: one for each earlier call
  int type = 0;
  const QByteArray message = methodCall(++serial_, destination, path, interface, member, arguments);
  if (QString why = exchange(message, [&] { return nthReply(n, &type, reply); }); !why.isEmpty()) return why;
  return type == 3 ? QStringLiteral("the bus answers %1 with an error").arg(member) : QString();
}

bool BusConversation::nthReply(int n, int* type, Reply* reply) const {
  qsizetype at = 0;
  for (int seen = 0; at + 16 <= answer_.size();) {
    const bool big = answer_[at] == 'B';
    const quint32 bodyLength = wordAt(answer_, at + 4, big);
    const quint32 fieldsLength = wordAt(answer_, at + 12, big);
    const qsizetype bodyStart = at + 16 + ((fieldsLength + 7) / 8) * 8;
    if (fieldsLength > (1u << 26) || bodyLength > (1u << 26) || bodyStart + bodyLength > answer_.size()) return false;
    const int kind = answer_[at + 1];
    if (kind == 2 || kind == 3) {  // a return or an error; signals come in between
      if (seen++ == n) {
        *type = kind;
        if (reply) *reply = {answer_.mid(bodyStart, bodyLength), big};
        return true;
      }
    }
    at = bodyStart + bodyLength;
  }
  return false;
}

QString BusConversation::stringOf(const Reply& reply) {
  if (reply.body.size() < 4) return {};
  const quint32 length = wordAt(reply.body, 0, reply.bigEndian);
  if (length > static_cast<quint32>(reply.body.size() - 4)) return {};
  return QString::fromUtf8(reply.body.mid(4, length));
}

bool BusConversation::booleanOf(const Reply& reply) {
  // A variant: its signature ("b"), then the value at the next multiple of four.
  if (reply.body.size() < 8 || reply.body[0] != 1 || reply.body[1] != 'b') return false;
  return wordAt(reply.body, 4, reply.bigEndian) != 0;
}

}  // namespace storm::qt
