#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

// One running copy of the application per user session (per configuration folder). The first
// copy holds a lock on a file in that folder for as long as it runs and listens on a local socket
// (`QLocalServer`); a later launch finds the lock taken, asks the running copy to bring its window
// forward, waits a few seconds at most for its answer, and leaves. The lock is taken at once; the
// socket may open later (the application opens it once its window is up), as a later launch keeps
// asking for a few seconds. The socket, in the temporary folder, is for its user alone.
//
// The lock is an advisory flock, which the kernel lets go of when its holder dies, rather than a
// QLockFile: writing a QLockFile's holder, host and machine into it costs the start about 5 ms,
// a flock a tenth of a millisecond.

namespace storm::qt {

class SingleInstance : public QObject {
 public:
  // The running copy's claim on `configFolder`, or nothing when another copy holds it (which has
  // then been asked to come forward; `answered` tells whether it said, within a few seconds, that
  // it did).
  static std::unique_ptr<SingleInstance> claim(const QString& configFolder, bool* answered = nullptr);
  ~SingleInstance() override;

  // Called when a later launch asks for the window.
  void setOnActivate(std::function<void()> activate) { activate_ = std::move(activate); }
  // Opens the socket later launches ask on; once.
  void listen();

 private:
  SingleInstance(int lockFd, QString socketPath);
  void accept();

  const int lockFd_;  // -1 when there was no lock file to be had
  const QString socketPath_;
  QLocalServer* server_ = nullptr;
  std::function<void()> activate_;
};

}  // namespace storm::qt
