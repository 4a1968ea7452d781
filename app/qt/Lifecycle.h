#pragma once

#include <QObject>

#include "automation/qt/AutomationDriver.h"

// The application's lifecycle as Qt reports it (or automation mode's `lifecycle` command says):
// leaving the active state is the resign-active event, leaving the background the return to the
// foreground. Main thread.

namespace storm::qt {

class Lifecycle : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Moves to `next` (suspended counts as hidden: both are the background), saying what it leaves.
  void moveTo(Qt::ApplicationState next);

 signals:
  void willResignActive();
  void willEnterForeground();

 private:
  Qt::ApplicationState state_ = Qt::ApplicationInactive;  // launched, not yet active
};

// `lifecycle background|foreground|inactive|active`: the moves the platform would report.
void registerLifecycleAutomation(AutomationDriver& driver, Lifecycle& lifecycle);

}  // namespace storm::qt
