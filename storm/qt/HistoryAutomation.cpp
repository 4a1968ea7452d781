// Automation of the history screen: its state, and answers to the file dialog, whose window the
// automation mode cannot reach through the screens.

#include "kit/qt/ScreenStack.h"
#include "storm/StrikeList.h"
#include "storm/qt/StormAutomationQt.h"
#include "system/qt/QtFileChooser.h"

namespace storm::qt {

void registerHistoryAutomation(AutomationDriver& driver, ScreenStack* screens, std::shared_ptr<QtFileChooser> files) {
  driver.addCommand("choose", [files](const QStringList& args) {
    if (args.isEmpty()) return Reply::fail("choose needs PATH (the rest of the line) or cancel");
    // The path is the rest of the line, spaces included.
    const bool cancel = args.size() == 1 && args[0] == "cancel";
    if (!files || !files->answer(cancel ? std::nullopt : std::optional(args.join(' '))))
      return Reply::fail("no file dialog is open");
    drainMainQueue();
    return Reply::ok();
  });
  // Null unless the history screen is on top: how many strikes it lists (-1 until the log has
  // answered), its trend line and its result line.
  driver.addStateMember("history", [screens]() -> Json {
    const LoadedScreen* top = screens->top();
    if (!top || top->layoutName != "History") return nullptr;
    auto list = std::dynamic_pointer_cast<StrikeList>(top->outlet("strikeList"));
    auto trend = std::dynamic_pointer_cast<Label>(top->outlet("trend"));
    auto result = std::dynamic_pointer_cast<Label>(top->outlet("result"));
    return Json::object()
        .set("strikes", list ? list->strikeCount() : -1L)
        .set("trend", trend ? trend->text() : std::string())
        .set("result", result ? result->text() : std::string());
  });
  // The path the open file dialog offers, or null.
  driver.addStateMember("fileDialog", [files]() -> Json {
    const std::optional<QString> offered = files ? files->offeredPath() : std::nullopt;
    return offered ? Json(offered->toStdString()) : Json();
  });
}

}  // namespace storm::qt
