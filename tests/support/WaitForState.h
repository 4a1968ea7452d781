#pragma once

#include <gtest/gtest.h>
#include <QJsonObject>

#include <functional>

#include "support/AutomationClient.h"

// Polls the app's `state` until `done` holds for it (or about 20 s pass, which fails the test) and
// returns the last state read. The app's own clock is not involved: it waits in real time.

namespace storm::e2e {

inline QJsonObject waitFor(AutomationClient& app, const std::function<bool(const QJsonObject&)>& done) {
  QJsonObject state;
  for (int i = 0; i < 400; ++i) {
    state = app.state();
    if (done(state)) return state;
    app.ok("wait 0.05");
  }
  ADD_FAILURE() << "the app did not get there: screen " << state["screen"].toString().toStdString() << ", focus "
                << state["focus"].toString().toStdString() << ", button " << state["button"].toString().toStdString();
  return state;
}

}  // namespace storm::e2e
