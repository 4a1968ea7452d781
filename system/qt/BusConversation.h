#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

// A short conversation with a D-Bus bus over its Unix socket, written by hand so that every step
// has a bound: libdbus, under Qt's connections, waits for a bus's handshake without one. It
// registers with the bus (Hello) and makes calls whose answers are read back as raw bodies. One
// deadline covers the whole conversation. Any thread.

namespace storm::qt {

class BusConversation {
 public:
  BusConversation(const QString& address, std::chrono::milliseconds bound);
  ~BusConversation();
  BusConversation(const BusConversation&) = delete;
  BusConversation& operator=(const BusConversation&) = delete;

  // Connects, authenticates and registers; empty when the bus took the registration, else why not.
  // An address without a Unix socket is not spoken to: "" and no further calls.
  QString hello();
  bool spoken() const { return fd_ >= 0; }

  // Calls `member` with string arguments; the reply's body, or an empty optional with `why` set.
  struct Reply {
    QByteArray body;
    bool bigEndian = false;
  };
  QString call(const QString& destination, const QString& path, const QString& interface, const QString& member,
               const QStringList& arguments, Reply* reply);

  // The D-Bus string at the start of a reply body ("s"), or of a variant holding one; the boolean
  // of a variant holding one ("v" of "b").
  static QString stringOf(const Reply& reply);
  static bool booleanOf(const Reply& reply);

 private:
  QString exchange(const QByteArray& out, const std::function<bool()>& enough);
  // Complete messages at the front of what came in: type and body of the `n`th reply (return or
  // error), counting from the first; false while it has not fully come.
  bool nthReply(int n, int* type, Reply* reply) const;

  int fd_ = -1;
  std::chrono::steady_clock::time_point deadline_;
  QByteArray path_;  // of the socket; a leading NUL for an abstract one
  QByteArray answer_;
  quint32 serial_ = 0;
};

}  // namespace storm::qt
