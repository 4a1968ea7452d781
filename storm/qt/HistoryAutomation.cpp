// Automation of the history screen: its state, and answers to the file dialog, whose window the
// automation mode cannot reach through the screens.

#include <QAbstractButton>

#include "storm/qt/HistoryWindow.h"
#include "storm/qt/StormAutomationQt.h"
#include "system/qt/QtFileChooser.h"

namespace storm::qt {

void registerHistoryAutomation(AutomationDriver& driver, std::function<HistoryWindow*()> open,
                               std::shared_ptr<QtFileChooser> files) {
  // Its buttons, which the screens' own `tap` does not know by these names.
  for (const auto& [name, objectName] : {std::pair{"export", "exportButton"}, std::pair{"clear", "clearButton"},
                                         std::pair{"direction", "directionButton"}}) {
    driver.addTapTarget(name,
                        [open, name = std::string(name),
                         objectName = QString(objectName)](const std::vector<std::string>& args) -> std::string {
                          HistoryWindow* history = open();
                          auto* button = history ? history->findChild<QAbstractButton*>(objectName) : nullptr;
                          if (!args.empty()) return "tap needs one control";
                          if (!button) return "no control " + name + " on this screen";
                          button->click();
                          return {};
                        });
  }
  driver.addCommand("choose", [files, &driver](const QStringList& args) {
    if (args.isEmpty()) return Reply::fail("choose needs PATH (the rest of the line) or cancel");
    // The path is the rest of the line as it stands, spaces included.
    const bool cancel = args.size() == 1 && args[0] == "cancel";
    if (!files || !files->answer(cancel ? std::nullopt : std::optional(driver.restOfLine(0))))
      return Reply::fail("no file dialog is open");
    drainMainQueue();
    return Reply::ok();
  });
  // Null unless the history screen is on top: how many strikes it lists (-1 until the log has
  // answered), its trend line and its result line, and what it shows of the storms and the list.
  driver.addStateMember("history", [open]() -> Json {
    const HistoryWindow* history = open();
    if (!history) return nullptr;
    const auto closest = history->chart()->closest();
    const HistoryWindow::Sight sight = history->sight();
    return Json::object()
        .set("sight", Json::object()
                          .set("chart", sight.chart)
                          .set("chooser", sight.chooser)
                          .set("chooserWhole", sight.chooserWhole)
                          .set("directionInView", sight.directionInView))
        .set("strikes", history->strikeCount())
        .set("trend", history->trendText().toStdString())
        .set("result", history->resultText().toStdString())
        .set("storms", history->stormCount())
        .set("chart",
             Json::object()
                 .set("points", history->chart()->points())
                 .set("trendLine", history->chart()->hasTrendLine())
                 .set("closest",
                      closest ? Json::object().set("time", closest->first).set("km", closest->second) : Json()));
  });
  // The path the open file dialog offers, or null.
  driver.addStateMember("fileDialog", [files]() -> Json {
    const std::optional<QString> offered = files ? files->offeredPath() : std::nullopt;
    return offered ? Json(offered->toStdString()) : Json();
  });
}

}  // namespace storm::qt
