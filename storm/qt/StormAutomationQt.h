#pragma once

#include <functional>
#include <memory>

#include "automation/qt/AutomationDriver.h"

// The storm's Qt parts in automation mode.

namespace storm {
class StormWatch;
}

namespace storm::qt {

class QtFileChooser;
class HistoryWindow;
class SqliteStrikeStore;
class StormLayer;

// The member `stormMap`: the rings of earlier strikes on the map, newest first, and the panel's
// lines (null where the panel has none).
void registerStormMapAutomation(AutomationDriver& driver, std::shared_ptr<StormLayer> layer);
// The strike log: `strikes`, `strikes clear`, `strikes undo` (the newest strike; through the storm's
// watch, as the screens' do), `strikes export PATH`; `settle` waits for its writes.
void registerStrikeAutomation(AutomationDriver& driver, std::shared_ptr<SqliteStrikeStore> store,
                              std::shared_ptr<StormWatch> watch);
// The history screen (`open` gives it while it is open): its `history` member, `tap export` and
// `tap clear`; `fileDialog`, and `choose PATH` / `choose cancel` answering the open file dialog.
void registerHistoryAutomation(AutomationDriver& driver, std::function<HistoryWindow*()> open,
                               std::shared_ptr<QtFileChooser> files);

}  // namespace storm::qt
