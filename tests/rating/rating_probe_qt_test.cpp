#include <gtest/gtest.h>

#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <thread>

#include "rating/qt/QtURLConnection.h"

// The probe request: sent from any thread without waiting, to a server the test runs on loopback.

namespace storm::qt {
namespace {

// Answers every request with an empty page and keeps what was asked.
class LoopbackServer {
 public:
  LoopbackServer() {
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost));
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
          received_ += socket->readAll();
          if (received_.contains("\r\n\r\n")) {
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
          }
        });
      }
    });
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + "/"; }
  // Runs the event loop until a whole request came in, or 10 s passed.
  QByteArray request() {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (received_.contains("\r\n\r\n")) loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    return received_;
  }

 private:
  QTcpServer server_;
  QByteArray received_;
};

TEST(RatingProbe, IsSentFromAWorkerWithoutWaitingAndBypassesTheCache) {
  LoopbackServer server;
  QtURLConnectionFactory connections;
  bool started = false;
  std::thread worker([&] {
    started = connections.startConnection({server.url(), URLRequestCachePolicy::ReloadIgnoringLocalCacheData, 20.0});
  });
  worker.join();  // returns before the main loop has run at all
  EXPECT_TRUE(started);
  const QByteArray request = server.request();
  EXPECT_TRUE(request.startsWith("GET / HTTP/1.1\r\n")) << request.toStdString();
  EXPECT_TRUE(request.contains("\r\nCache-Control: no-cache\r\n")) << request.toStdString();
}

TEST(RatingProbe, MalformedOrUnsupportedURLsMakeNoConnection) {
  QtURLConnectionFactory connections;
  for (const char* url :
       {"", "not a url", "http://", "ftp://example.com/", "http://exa mple.com/", "file:///etc/passwd"}) {
    EXPECT_FALSE(connections.startConnection({url, URLRequestCachePolicy::ReloadIgnoringLocalCacheData, 20.0})) << url;
  }
}

}  // namespace
}  // namespace storm::qt
