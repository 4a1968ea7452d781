#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QEventLoop>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <atomic>
#include <future>
#include <map>
#include <mutex>

// A tile server on loopback for tests and benchmarks: GET /LAYER/Z/X/Y.png answers a generated
// 256-pixel PNG in the layer's colour (an overlay layer colours only the top half, the rest is
// transparent). It runs on a thread of its own, so that a test blocked on the app's answers does
// not stall it.

namespace storm::test {

class MapTileServer {
 public:
  struct Layer {
    QColor color;
    bool topHalfOnly = false;
  };

  explicit MapTileServer(std::map<QString, Layer> layers) {
    for (const auto& [name, layer] : layers) tiles_[name] = png(layer);
  }
  ~MapTileServer() { stop(); }
  MapTileServer(const MapTileServer&) = delete;
  MapTileServer& operator=(const MapTileServer&) = delete;

  // Starts listening on 127.0.0.1 (a free port, or the one it had before); false if it cannot.
  bool start() {
    if (thread_) return true;
    std::promise<quint16> listening;
    auto answer = listening.get_future();
    thread_.reset(QThread::create([this, &listening] { serve(listening); }));
    thread_->start();
    port_ = answer.get();
    if (port_ == 0) {
      thread_->wait();
      thread_.reset();
      return false;
    }
    return true;
  }
  // Closes the port: from now on connections are refused.
  void stop() {
    if (!thread_) return;
    thread_->quit();
    thread_->wait();
    thread_.reset();
  }

  quint16 port() const { return port_; }
  QString urlTemplate(const QString& layer) const {
    return QString("http://127.0.0.1:%1/%2/{z}/{x}/{y}.png").arg(port_).arg(layer);
  }
  int requests() const { return requests_.load(); }
  int requests(const QString& layer) const {
    std::lock_guard lock(mutex_);
    auto it = perLayer_.find(layer);
    return it == perLayer_.end() ? 0 : it->second;
  }
  // While set, every request is answered 503.
  void setFailing(bool failing) { failing_ = failing; }

 private:
  static QByteArray png(const Layer& layer) {
    QImage image(256, 256, QImage::Format_ARGB32);
    image.fill(layer.topHalfOnly ? QColor(Qt::transparent) : layer.color);
    if (layer.topHalfOnly)
      for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x) image.setPixelColor(x, y, layer.color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
  }

  void serve(std::promise<quint16>& listening) {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, port_)) {
      listening.set_value(0);
      return;
    }
    QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
      while (QTcpSocket* socket = server.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
      }
    });
    listening.set_value(server.serverPort());
    QEventLoop loop;  // ended by QThread::quit from stop()
    loop.exec();
  }

  void answer(QTcpSocket* socket) {
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n")) return;
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QList<QByteArray> parts = words.size() >= 2 ? words[1].split('/') : QList<QByteArray>{};
    const QString layer = parts.size() == 5 ? QString::fromLatin1(parts[1]) : QString();
    ++requests_;
    {
      std::lock_guard lock(mutex_);
      ++perLayer_[layer];
    }
    QByteArray status = "200 OK";
    QByteArray body;
    if (failing_) status = "503 Service Unavailable";
    else if (auto it = tiles_.find(layer); it != tiles_.end()) body = it->second;
    else status = "404 Not Found";
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: image/png\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
  }

  std::map<QString, QByteArray> tiles_;  // written before the thread starts, then only read
  std::unique_ptr<QThread> thread_;
  quint16 port_ = 0;
  std::atomic<int> requests_{0};
  std::atomic<bool> failing_{false};
  mutable std::mutex mutex_;  // guards perLayer_
  std::map<QString, int> perLayer_;
};

}  // namespace storm::test
