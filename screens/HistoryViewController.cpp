#include "screens/HistoryViewController.h"

#include "kit/Nil.h"
#include "storm/StormTexts.h"
#include "storm/Trend.h"

namespace storm {

namespace {

constexpr long kClearButtonIndex = 1;  // the cancel button is 0

// The trend line's parts ("0.4 mi/min") kept whole, so that a narrow screen wraps the line only
// after a separator: no-break spaces inside a part and before a separator, a word joiner after a
// slash.
std::string keptTogether(const std::string& line) {
  static const std::string separator = " \u00b7 ";
  std::string out;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line.compare(i, separator.size(), separator) == 0) {
      out += "\u00a0\u00b7 ";
      i += separator.size() - 1;
    } else if (line[i] == ' ') {
      out += "\u00a0";
    } else {
      out += line[i];
      if (line[i] == '/') out += "\u2060";
    }
  }
  return out;
}

}  // namespace

bool HistoryViewController::setOutlet(std::string_view name, const std::shared_ptr<View>& view) {
  if (name == "strikeList") return connect(strikeList_, view);
  if (name == "trend") return connect(trend_, view);
  if (name == "result") return connect(result_, view);
  return ViewController::setOutlet(name, view);
}

ViewController::Action HistoryViewController::action(std::string_view selector) {
  if (selector == "done:") return [this](View* sender) { done(sender); };
  if (selector == "export:") return [this](View* sender) { exportLog(sender); };
  if (selector == "clear:") return [this](View* sender) { clear(sender); };
  return ViewController::action(selector);
}

std::string HistoryViewController::localized(const char* key) const {
  return services_.locale ? services_.locale->localizedString(key) : std::string(key);
}

void HistoryViewController::viewDidLoad() {
  updateTrend();
  send(result_, &Label::setText, std::string());
  send(strikeList_, &StrikeList::setEmptyText, localized("No strikes recorded yet"));
  if (services_.strikes) send(strikeList_, &StrikeList::showLog, services_.strikes);
}

void HistoryViewController::updateTrend() {
  const double now = services_.clock->now();
  const std::vector<Strike> recent =
      services_.strikes ? services_.strikes->recent(now - kTrendWindowSeconds) : std::vector<Strike>{};
  const std::optional<Trend> trend = trendAt(recent, now);
  const std::string text =
      trend && services_.locale
          ? formatText(localized("Last 15 minutes: %1"), {keptTogether(trendText(*trend, *services_.locale))})
          : localized("Not enough strikes in the last 15 minutes for a trend");
  send(trend_, &Label::setText, text);
}

void HistoryViewController::done(View*) {
  if (auto delegate = delegate_.lock()) delegate->historyViewControllerDidFinish(*this);
}

void HistoryViewController::exportLog(View*) {
  std::weak_ptr<HistoryViewController> weak = self();
  send(services_.files, &FileChooser::chooseSaveFile, std::string(kExportFileName),
       [weak](std::optional<std::string> path) {
         if (auto controller = weak.lock(); controller && path) controller->exportTo(*path);
       });
}

void HistoryViewController::exportTo(const std::string& path) {
  if (!services_.strikes) return;
  std::weak_ptr<HistoryViewController> weak = self();
  services_.strikes->exportCSV(path, [weak, path](bool written) {
    auto controller = weak.lock();
    if (!controller) return;
    if (!written) {
      send(controller->result_, &Label::setText, formatText(controller->localized("Could not write %1"), {path}));
      return;
    }
    // The log's size as the export saw it: nothing can be appended while this screen covers the
    // main one, and the read is queued behind the export.
    controller->services_.strikes->readPage(0, 0, [weak, path](StrikePage page) {
      auto controller = weak.lock();
      if (!controller) return;
      const std::string count = controller->services_.locale
                                    ? controller->services_.locale->decimalText(static_cast<double>(page.total), 0)
                                    : std::to_string(page.total);
      send(controller->result_, &Label::setText,
           page.total == 1 ? formatText(controller->localized("Exported 1 strike to %1"), {path})
                           : formatText(controller->localized("Exported %1 strikes to %2"), {count, path}));
    });
  });
}

void HistoryViewController::clear(View*) {
  if (!services_.alertViews || (clearAlert_ && clearAlert_->isVisible())) return;
  clearAlert_ = services_.alertViews->makeAlertView(
      localized("Clear all strikes?"), localized("This removes every recorded strike. It cannot be undone."), self(),
      localized("Cancel"), {localized("Clear")});
  clearAlert_->show();
}

void HistoryViewController::alertViewClickedButtonAtIndex(AlertView&, long buttonIndex) {
  if (buttonIndex != kClearButtonIndex || !services_.strikes) return;
  std::weak_ptr<HistoryViewController> weak = self();
  services_.strikes->clear([weak](bool cleared) {
    auto controller = weak.lock();
    if (!controller) return;
    send(controller->result_, &Label::setText,
         cleared ? std::string() : controller->localized("Could not clear the strike log"));
    send(controller->strikeList_, &StrikeList::reload);
    controller->updateTrend();
  });
}

}  // namespace storm
