// Automation commands and state of the rating dialog, the network and the usage record.

#include "rating/qt/RatingAutomation.h"

#include <QAbstractButton>

#include "rating/qt/ScriptableReachability.h"
#include "system/qt/WindowDialog.h"

namespace storm::qt {

namespace {

Json preferencesJson(Preferences& store) {
  Json out = Json::object();
  for (const auto& [key, type] : store.declaredKeys()) {
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

Json alertJson(const WindowDialog& alert) {
  Json buttons = Json::array();
  for (const QString& title : alert.buttonTitles()) buttons.push(title.toStdString());
  return Json::object()
      .set("visible", alert.isVisible())
      .set("title", alert.title().toStdString())
      .set("message", alert.message().toStdString())
      .set("buttons", std::move(buttons));
}

}  // namespace

void registerRatingAutomation(AutomationDriver& driver, const RatingAutomation& ctx) {
  const std::shared_ptr<ScriptableReachability> reachability = ctx.reachability;
  const std::shared_ptr<Preferences> preferences = ctx.preferences;

  driver.addTapTarget("alert", [](const std::vector<std::string>& args) -> std::string {
    bool ok = false;
    const int index = args.size() == 1 ? QString::fromStdString(args[0]).toInt(&ok) : 0;
    if (!ok) return "tap alert needs a button index";
    WindowDialog* alert = WindowDialog::newest();
    if (!alert || !alert->isVisible()) return "no rating dialog is visible";
    QAbstractButton* button = alert->button(index);
    if (!button) return "the rating dialog has no button " + std::to_string(index);
    button->click();
    return {};
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

  driver.addCommand("defaults", [preferences](const QStringList& args) {
    if (!args.isEmpty()) return Reply::fail("defaults takes no arguments");
    if (!preferences) return Reply::fail("no preferences");
    return Reply::with(preferencesJson(*preferences));
  });

  driver.addStateMember("alert", []() -> Json {
    WindowDialog* alert = WindowDialog::newest();
    return alert ? alertJson(*alert) : Json();
  });
}

}  // namespace storm::qt
