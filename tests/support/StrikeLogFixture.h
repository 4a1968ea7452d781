#pragma once

#include <gtest/gtest.h>

#include <QJsonArray>
#include <memory>

#include "support/AutomationClient.h"
#include "support/Sandbox.h"

// The app on a sandboxed data folder, for the tests that do things to its strike log from outside.

namespace storm::e2e {

class StrikeLogFixture : public ::testing::Test {
 public:
  static constexpr double kEpoch = 1700000000;

 protected:
  test::Sandbox home;
  QString folder() const { return home.data() + "/storm-distance"; }
  QString logPath() const { return home.strikeLog(); }
  // The app on the manual clock from `epoch`.
  std::unique_ptr<AutomationClient> start(double epoch = kEpoch) {
    auto app = std::make_unique<AutomationClient>(QStringList{"--manual-clock", QString::number(epoch, 'f', 0)},
                                                  home.environment());
    EXPECT_TRUE(app->started());
    return app;
  }
  static QJsonArray strikes(AutomationClient& app) { return app.send("strikes")["strikes"].toArray(); }
};

}  // namespace storm::e2e
