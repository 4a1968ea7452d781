#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "kit/AlertView.h"
#include "kit/ViewController.h"
#include "storm/StrikeList.h"
#include "storm/StrikeStore.h"
#include "system/Clock.h"
#include "system/FileChooser.h"
#include "system/Locale.h"

// The history screen: the storm's trend over the last quarter hour, every strike of the log
// newest first, the log written out as CSV or cleared, and the way back to the main screen
// through its delegate.

namespace storm {

class HistoryViewController;

class HistoryViewControllerDelegate {
 public:
  virtual ~HistoryViewControllerDelegate() = default;
  virtual void historyViewControllerDidFinish(HistoryViewController& controller) = 0;
};

class HistoryViewController : public ViewController, public AlertViewDelegate {
 public:
  static constexpr const char* kExportFileName = "storm-distance-strikes.csv";

  struct Services {
    std::shared_ptr<StrikeStore> strikes;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<Locale> locale;
    std::shared_ptr<AlertViewFactory> alertViews;
    std::shared_ptr<FileChooser> files;
  };

  explicit HistoryViewController(Services services) : services_(std::move(services)) {}

  std::shared_ptr<HistoryViewControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<HistoryViewControllerDelegate> delegate) { delegate_ = std::move(delegate); }

  // Outlets: the list, the trend line at the top and the line that reports an export.
  bool setOutlet(std::string_view name, const std::shared_ptr<View>& view) override;
  void viewDidLoad() override;

  // Asks the delegate to close this screen.
  void done(View* sender);
  // Asks where to write the log as CSV, then writes it there.
  void exportLog(View* sender);
  // Asks whether to empty the log; only a press of Clear does.
  void clear(View* sender);
  void alertViewClickedButtonAtIndex(AlertView& alertView, long buttonIndex) override;

  // The trend line, from the strikes of the last kTrendWindowSeconds.
  void updateTrend();

 protected:
  Action action(std::string_view selector) override;

 private:
  std::shared_ptr<HistoryViewController> self() {
    return std::static_pointer_cast<HistoryViewController>(shared_from_this());
  }
  void exportTo(const std::string& path);
  std::string localized(const char* key) const;

  const Services services_;
  std::weak_ptr<HistoryViewControllerDelegate> delegate_;
  std::weak_ptr<StrikeList> strikeList_;
  std::weak_ptr<Label> trend_;
  std::weak_ptr<Label> result_;
  std::shared_ptr<AlertView> clearAlert_;
};

}  // namespace storm
