#include "app/qt/Lifecycle.h"

#include <map>
#include <utility>

namespace storm::qt {

void Lifecycle::moveTo(Qt::ApplicationState next) {
  if (next == Qt::ApplicationSuspended) next = Qt::ApplicationHidden;
  if (next == state_) return;
  // Going between active and the background passes through inactive: both are said.
  const Qt::ApplicationState left = std::exchange(state_, next);
  if (left == Qt::ApplicationActive) emit willResignActive();
  if (left == Qt::ApplicationHidden) emit willEnterForeground();
}

void registerLifecycleAutomation(AutomationDriver& driver, Lifecycle& lifecycle) {
  driver.addCommand("lifecycle", [&lifecycle](const QStringList& args) {
    static const std::map<QString, Qt::ApplicationState> states{{"background", Qt::ApplicationHidden},
                                                                {"foreground", Qt::ApplicationInactive},
                                                                {"inactive", Qt::ApplicationInactive},
                                                                {"active", Qt::ApplicationActive}};
    auto it = args.size() == 1 ? states.find(args[0]) : states.end();
    if (it == states.end()) return Reply::fail("lifecycle needs background, foreground, inactive or active");
    // Coming to the foreground ends active, as it does on a device.
    lifecycle.moveTo(it->second);
    if (args[0] == "foreground") lifecycle.moveTo(Qt::ApplicationActive);
    drainMainQueue();
    return Reply::ok();
  });
}

}  // namespace storm::qt
