#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// A tile server on loopback for tests and benchmarks: GET /LAYER/Z/X/Y.png answers a generated
// 256-pixel PNG in the layer's colour (an overlay layer colours only the top half, the rest is
// transparent). It runs on a plain thread of its own, with no Qt event loop, so that it serves
// while a test blocks on the app's answers and needs no application object.

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
    if (thread_.joinable()) return true;
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listener_ < 0) return false;
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 || ::pipe(stopPipe_) != 0) {
      ::close(listener_);
      return false;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
    return true;
  }
  // Closes the port: from now on connections are refused.
  void stop() {
    if (!thread_.joinable()) return;
    const char byte = 0;
    (void)!::write(stopPipe_[1], &byte, 1);
    thread_.join();
    ::close(listener_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
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

  void serve() {
    for (;;) {
      pollfd fds[2] = {{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents) return;
      const int connection = ::accept(listener_, nullptr, nullptr);
      if (connection < 0) continue;
      answer(connection);
      ::close(connection);
    }
  }

  void answer(int connection) {
    std::string request;
    char chunk[2048];
    while (request.find("\r\n\r\n") == std::string::npos) {
      pollfd fd{connection, POLLIN, 0};
      if (::poll(&fd, 1, 2000) <= 0) return;
      const ssize_t n = ::read(connection, chunk, sizeof chunk);
      if (n <= 0) return;
      request.append(chunk, static_cast<size_t>(n));
    }
    // "GET /layer/z/x/y.png HTTP/1.1"
    const QList<QByteArray> words = QByteArray::fromStdString(request.substr(0, request.find("\r\n"))).split(' ');
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
    const QByteArray response = "HTTP/1.1 " + status + "\r\nContent-Type: image/png\r\nContent-Length: " +
                                QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    for (qsizetype sent = 0; sent < response.size();) {
      const ssize_t n = ::send(connection, response.constData() + sent, static_cast<size_t>(response.size() - sent), MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += n;
    }
  }

  std::map<QString, QByteArray> tiles_;  // written before the thread starts, then only read
  std::thread thread_;
  int listener_ = -1;
  int stopPipe_[2] = {-1, -1};
  quint16 port_ = 0;
  std::atomic<int> requests_{0};
  std::atomic<bool> failing_{false};
  mutable std::mutex mutex_;  // guards perLayer_
  std::map<QString, int> perLayer_;
};

}  // namespace storm::test
