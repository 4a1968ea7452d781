#include "platform/qt/RatingAutomation.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QStandardPaths>
#include <mutex>

#include "platform/Nil.h"
#include "platform/qt/AppContext.h"
#include "platform/qt/AutomationDriver.h"
#include "platform/qt/KernelReachability.h"
#include "platform/qt/QtAlertView.h"
#include "platform/qt/QtBundle.h"
#include "platform/qt/QtDispatch.h"
#include "platform/qt/QtPreferences.h"
#include "platform/qt/QtURLConnection.h"
#include "rating/RatingPrompt.h"

namespace storm::qt {

namespace {

// Reachability as the system reports it, or as an automation script says.
class ScriptableReachability : public Reachability {
 public:
  enum class Mode { System, Fixed, Failing };

  explicit ScriptableReachability(std::shared_ptr<Reachability> system) : system_(std::move(system)) {}

  std::unique_ptr<ReachabilityTarget> createWithAddress(const SocketAddressIn& address) override {
    std::lock_guard lock(mutex_);
    if (mode_ == Mode::System) return system_->createWithAddress(address);
    return std::make_unique<FixedTarget>(mode_ == Mode::Fixed, flags_);
  }

  void set(Mode mode, ReachabilityFlags flags = 0) {
    std::lock_guard lock(mutex_);
    mode_ = mode;
    flags_ = flags;
  }

 private:
  class FixedTarget : public ReachabilityTarget {
   public:
    FixedTarget(bool answers, ReachabilityFlags flags) : answers_(answers), flags_(flags) {}
    bool getFlags(ReachabilityFlags& flags) override {
      if (answers_) flags = flags_;
      return answers_;
    }

   private:
    bool answers_;
    ReachabilityFlags flags_;
  };

  const std::shared_ptr<Reachability> system_;
  std::mutex mutex_;  // guards mode_ and flags_: the queue's workers ask while the script sets
  Mode mode_ = Mode::System;
  ReachabilityFlags flags_ = 0;
};

QString probeURL() {
  const QString fromEnvironment = qEnvironmentVariable("STORM_DISTANCE_PROBE_URL");
  return fromEnvironment.isEmpty() ? QString(kRatingPromptProbeURL) : fromEnvironment;
}

Json preferencesJson(Preferences& store) {
  Json out = Json::object();
  for (const auto& [key, type] : RatingPrompt::preferenceKeys()) {
    if (!store.containsKey(key)) {
      out.set(key, nullptr);
      continue;
    }
    switch (type) {
      case PreferenceType::String: out.set(key, store.stringForKey(key).value_or("")); break;
      case PreferenceType::Double: out.set(key, store.doubleForKey(key)); break;
      case PreferenceType::Integer: out.set(key, store.integerForKey(key)); break;
      case PreferenceType::Bool: out.set(key, store.boolForKey(key)); break;
    }
  }
  return out;
}

Json alertJson(const QtAlertView& alert) {
  Json buttons = Json::array();
  for (const QString& title : alert.buttonTitles()) buttons.push(title.toStdString());
  return Json::object()
      .set("visible", alert.isVisible())
      .set("title", alert.title().toStdString())
      .set("message", alert.message().toStdString())
      .set("buttons", std::move(buttons));
}

}  // namespace

QString preferencesFilePath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/storm-distance/storm-distance.ini";
}

void installRatingPrompt(AppContext& ctx) {
  Platform& p = ctx.platform;
  p.bundle = std::make_shared<QtBundle>(ctx.options.infoFile);
  p.preferences = std::make_shared<QtPreferences>(preferencesFilePath(), RatingPrompt::preferenceKeys(), p.clock);
  p.notificationCenter = std::make_shared<NotificationCenter>();
  auto reachability = std::make_shared<KernelReachability>();
  if (ctx.options.automation) p.reachability = std::make_shared<ScriptableReachability>(reachability);
  else p.reachability = reachability;
  p.urlConnections = std::make_shared<QtURLConnectionFactory>();
  p.alertViews = std::make_shared<QtAlertViewFactory>(ctx.window);
  auto dispatch = std::make_shared<QtDispatcher>(ctx.workers);
  p.dispatch = dispatch;

  ctx.lifecycle->addObserver([center = std::weak_ptr(p.notificationCenter)](LifecycleEvent event) {
    if (event == LifecycleEvent::WillResignActive)
      send(center, &NotificationCenter::post, std::string(kApplicationWillResignActiveNotification));
  });
  // No new work after the loop ends, and none left running when the services go.
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [weak = std::weak_ptr(dispatch)] {
    RatingPrompt::setSharedPlatform(nullptr);
    send(weak, &QtDispatcher::waitForIdle);
  });
  if (qEnvironmentVariableIsSet("STORM_DISTANCE_NO_RATING_PROMPT")) return;
  RatingPrompt::setSharedPlatform(&p, probeURL().toStdString());
}

void registerRatingAutomation(AutomationDriver& driver, AppContext& ctx) {
  auto alerts = std::dynamic_pointer_cast<QtAlertViewFactory>(ctx.platform.alertViews);
  auto dispatch = std::dynamic_pointer_cast<QtDispatcher>(ctx.platform.dispatch);
  auto reachability = std::dynamic_pointer_cast<ScriptableReachability>(ctx.platform.reachability);

  AutomationDriver::Command tap = driver.command("tap");
  driver.addCommand("tap", [tap, alerts](const QStringList& args) {
    if (args.value(0) != "alert") return tap ? tap(args) : Reply::fail("tap needs one control");
    bool ok = false;
    const int index = args.size() == 2 ? args[1].toInt(&ok) : 0;
    if (!ok) return Reply::fail("tap alert needs a button index");
    auto alert = alerts ? alerts->lastAlert() : nullptr;
    if (!alert || !alert->isVisible()) return Reply::fail("no rating dialog is visible");
    QAbstractButton* button = alert->button(index);
    if (!button) return Reply::fail("the rating dialog has no button " + std::to_string(index));
    button->click();
    return Reply::ok();
  });

  driver.addCommand("reachability", [reachability](const QStringList& args) {
    if (!reachability) return Reply::fail("reachability cannot be scripted");
    if (args.size() != 1) return Reply::fail("reachability needs FLAGS, fail or system");
    if (args[0] == "system") {
      reachability->set(ScriptableReachability::Mode::System);
    } else if (args[0] == "fail") {
      reachability->set(ScriptableReachability::Mode::Failing);
    } else {
      bool ok = false;
      const uint flags = args[0].toUInt(&ok, 0);  // decimal, or hexadecimal with 0x
      if (!ok) return Reply::fail("reachability needs FLAGS (a number), fail or system");
      reachability->set(ScriptableReachability::Mode::Fixed, flags);
    }
    return Reply::ok();
  });

  driver.addCommand("defaults", [&ctx](const QStringList& args) {
    if (!args.isEmpty()) return Reply::fail("defaults takes no arguments");
    if (!ctx.platform.preferences) return Reply::fail("no preferences");
    return Reply::with(preferencesJson(*ctx.platform.preferences));
  });

  driver.addStateMember("alert", [alerts]() -> Json {
    auto alert = alerts ? alerts->lastAlert() : nullptr;
    return alert ? alertJson(*alert) : Json();
  });

  if (dispatch) driver.addIdleCheck([weak = std::weak_ptr(dispatch)] {
      auto queue = weak.lock();
      return !queue || queue->idle();
    });
}

}  // namespace storm::qt
