#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A tile server on loopback for tests and benchmarks: GET /LAYER/Z/X/Y.png answers a generated
// PNG in the layer's colour (an overlay layer colours only the top half, the rest is transparent).
// A layer may instead misbehave the way a hostile or broken server does: bodies without end, an
// answer trickled a byte at a time, a small file that decodes to a huge image, redirects. It runs
// on plain threads of its own, with no Qt event loop, so that it serves while a test blocks on the
// app's answers and needs no application object: one accepts connections and a few answer them, so
// that a trickled answer does not hold up the others. All of them start with the server and none
// later: under the thread sanitizer, a process that has started a program (QProcess) may start no
// more threads.

namespace storm::test {

class MapTileServer {
 public:
  enum class Behaviour {
    Tile,         // the layer's PNG
    EndlessBody,  // 200 without a Content-Length, then bytes until the client hangs up
    HugeLength,   // 200 announcing 2 GB, then bytes until the client hangs up
    Trickle,      // the whole answer (a tile) one byte at a time, `trickleMs` apart
    Redirect,     // 302 to `location`, where {z}, {x} and {y} stand for the tile asked for
  };

  struct Layer {
    QColor color;
    bool topHalfOnly = false;
    int side = 256;  // pixels a side of the PNG: a large plain one weighs little and decodes to a lot
    Behaviour behaviour = Behaviour::Tile;
    QString location = {};  // for Redirect: absolute, or a path on this server ("/a/{z}/{x}/{y}.png")
  };

  explicit MapTileServer(std::map<QString, Layer> layers) {
    for (auto& [name, layer] : layers) setLayer(name, std::move(layer));
  }
  ~MapTileServer() { stop(); }
  MapTileServer(const MapTileServer&) = delete;
  MapTileServer& operator=(const MapTileServer&) = delete;

  // Adds or replaces a layer; any time.
  void setLayer(const QString& name, Layer layer) {
    const QByteArray bytes = layer.behaviour == Behaviour::Redirect ? QByteArray() : png(layer);
    std::lock_guard lock(mutex_);
    layers_[name] = {std::move(layer), bytes};
  }

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
    stopping_ = false;
    thread_ = std::thread([this] { serve(); });
    for (int i = 0; i < kAnsweringThreads; ++i) answering_.emplace_back([this] { work(); });
    return true;
  }
  // Closes the port and ends every connection: from now on connections are refused.
  void stop() {
    if (!thread_.joinable()) return;
    const char byte = 0;
    (void)!::write(stopPipe_[1], &byte, 1);  // stays readable: every thread sees it
    thread_.join();
    {
      std::lock_guard lock(queueMutex_);
      stopping_ = true;
    }
    queued_.notify_all();
    for (std::thread& t : answering_) t.join();
    answering_.clear();
    for (const int connection : waiting_) {
      ::close(connection);
      --open_;
    }
    waiting_.clear();
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
  // Bytes of body sent for the layer's tiles, over all requests.
  qint64 bodyBytesSent(const QString& layer) const {
    std::lock_guard lock(mutex_);
    auto it = bodySent_.find(layer);
    return it == bodySent_.end() ? 0 : it->second;
  }
  // Connections open now.
  int openConnections() const { return open_.load(); }
  // While set, every request is answered 503.
  void setFailing(bool failing) { failing_ = failing; }
  // Time between the bytes of a trickled answer.
  void setTrickleMs(int ms) { trickleMs_ = ms; }

 private:
  struct Served {
    Layer layer;
    QByteArray png;
  };
  // Connections answered at once; more wait for one of them to end.
  static constexpr int kAnsweringThreads = 8;

  static QByteArray png(const Layer& layer) {
    QImage image(layer.side, layer.side, QImage::Format_ARGB32);
    image.fill(layer.topHalfOnly ? QColor(Qt::transparent) : layer.color);
    if (layer.topHalfOnly)
      for (int y = 0; y < layer.side / 2; ++y)
        for (int x = 0; x < layer.side; ++x) image.setPixelColor(x, y, layer.color);
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
      ++open_;
      {
        std::lock_guard lock(queueMutex_);
        waiting_.push_back(connection);
      }
      queued_.notify_one();
    }
  }

  void work() {
    for (;;) {
      std::unique_lock lock(queueMutex_);
      queued_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
      if (stopping_) return;
      const int connection = waiting_.front();
      waiting_.pop_front();
      lock.unlock();
      answer(connection);
      ::close(connection);
      --open_;
    }
  }

  bool stopping() const {
    pollfd fd{stopPipe_[0], POLLIN, 0};
    return ::poll(&fd, 1, 0) > 0;
  }

  // Sends all of `bytes` unless the client hangs up or the server stops; says whether it did.
  bool sendAll(int connection, const char* bytes, size_t size) {
    for (size_t sent = 0; sent < size;) {
      pollfd fds[2] = {{connection, POLLOUT, 0}, {stopPipe_[0], POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents || (fds[0].revents & (POLLERR | POLLHUP))) return false;
      const ssize_t n = ::send(connection, bytes + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }

  void countBody(const QString& layer, qint64 bytes) {
    std::lock_guard lock(mutex_);
    bodySent_[layer] += bytes;
  }

  void answer(int connection) {
    std::string request;
    char chunk[2048];
    while (request.find("\r\n\r\n") == std::string::npos) {
      pollfd fds[2] = {{connection, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
      if (::poll(fds, 2, 2000) <= 0 || fds[1].revents) return;
      const ssize_t n = ::read(connection, chunk, sizeof chunk);
      if (n <= 0) return;
      request.append(chunk, static_cast<size_t>(n));
    }
    // "GET /layer/z/x/y.png HTTP/1.1"
    const QList<QByteArray> words = QByteArray::fromStdString(request.substr(0, request.find("\r\n"))).split(' ');
    const QList<QByteArray> parts = words.size() >= 2 ? words[1].split('/') : QList<QByteArray>{};
    const QString layer = parts.size() == 5 ? QString::fromLatin1(parts[1]) : QString();
    ++requests_;
    std::optional<Served> served;
    {
      std::lock_guard lock(mutex_);
      ++perLayer_[layer];
      if (auto it = layers_.find(layer); it != layers_.end()) served = it->second;
    }
    const QByteArray headers = "Content-Type: image/png\r\nConnection: close\r\n";
    if (failing_ || !served) {
      const QByteArray status = failing_ ? "503 Service Unavailable" : "404 Not Found";
      const QByteArray response = "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: 0\r\n\r\n";
      sendAll(connection, response.constData(), static_cast<size_t>(response.size()));
      return;
    }
    switch (served->layer.behaviour) {
      case Behaviour::Tile: {
        const QByteArray response =
            "HTTP/1.1 200 OK\r\n" + headers + "Content-Length: " + QByteArray::number(served->png.size()) + "\r\n\r\n";
        if (sendAll(connection, response.constData(), static_cast<size_t>(response.size())) &&
            sendAll(connection, served->png.constData(), static_cast<size_t>(served->png.size())))
          countBody(layer, served->png.size());
        return;
      }
      case Behaviour::EndlessBody:
      case Behaviour::HugeLength: {
        const QByteArray length =
            served->layer.behaviour == Behaviour::HugeLength ? "Content-Length: 2147483648\r\n" : "";
        const QByteArray response = "HTTP/1.1 200 OK\r\n" + headers + length + "\r\n";
        if (!sendAll(connection, response.constData(), static_cast<size_t>(response.size()))) return;
        const QByteArray block(64 * 1024, 'x');
        while (sendAll(connection, block.constData(), static_cast<size_t>(block.size())))
          countBody(layer, block.size());
        return;
      }
      case Behaviour::Trickle: {
        const QByteArray response = "HTTP/1.1 200 OK\r\n" + headers +
                                    "Content-Length: " + QByteArray::number(served->png.size()) + "\r\n\r\n" +
                                    served->png;
        for (const char byte : response) {
          if (!sendAll(connection, &byte, 1)) return;
          pollfd fds[2] = {{connection, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
          if (::poll(fds, 2, trickleMs_.load()) != 0) return;  // stopping, or the client hung up
        }
        return;
      }
      case Behaviour::Redirect: {
        QString location = served->layer.location;
        location.replace("{z}", QString::fromLatin1(parts[2]))
            .replace("{x}", QString::fromLatin1(parts[3]))
            .replace("{y}", QString::fromLatin1(parts[4].chopped(4)));
        const QByteArray response =
            "HTTP/1.1 302 Found\r\nLocation: " + location.toUtf8() + "\r\n" + headers + "Content-Length: 0\r\n\r\n";
        sendAll(connection, response.constData(), static_cast<size_t>(response.size()));
        return;
      }
    }
  }

  std::thread thread_;                  // accepts connections
  std::vector<std::thread> answering_;  // answer them
  std::mutex queueMutex_;               // guards waiting_ and stopping_
  std::condition_variable queued_;      // a connection is waiting, or the server is stopping
  std::deque<int> waiting_;
  bool stopping_ = false;
  int listener_ = -1;
  int stopPipe_[2] = {-1, -1};
  quint16 port_ = 0;
  std::atomic<int> requests_{0};
  std::atomic<int> open_{0};
  std::atomic<bool> failing_{false};
  std::atomic<int> trickleMs_{1000};
  mutable std::mutex mutex_;  // guards layers_, perLayer_ and bodySent_
  std::map<QString, Served> layers_;
  std::map<QString, int> perLayer_;
  std::map<QString, qint64> bodySent_;
};

}  // namespace storm::test
