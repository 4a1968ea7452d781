#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// One running copy of the application per user session (per configuration folder). The first
// copy holds a lock on a file in that folder for as long as it runs and listens on a local
// socket; a later launch finds the lock taken, asks the running copy to bring its window forward
// and leaves.

namespace storm::qt {

class SingleInstance : public QObject {
 public:
  // The running copy's claim on `configFolder`, or nothing when another copy holds it (which has
  // then been asked to come forward).
  static std::unique_ptr<SingleInstance> claim(const QString& configFolder);
  ~SingleInstance() override;

  // Called when a later launch asks for the window.
  void setOnActivate(std::function<void()> activate) { activate_ = std::move(activate); }

 private:
  SingleInstance(int lockFd, const QString& serverName);

  int lockFd_ = -1;
  QLocalServer server_;
  std::function<void()> activate_;
};

}  // namespace storm::qt
