#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "rating/AlertView.h"
#include "rating/RatingPrompt.h"
#include "rating/Reachability.h"
#include "rating/URLConnection.h"
#include "system/Clock.h"
#include "system/Dispatch.h"
#include "system/Locale.h"
#include "system/Preferences.h"

// Fakes of the services the rating prompt runs on: an in-memory preference store, the application's
// information and texts, queues
// that run only when told, scripted reachability, a recording probe and recording dialogs. All
// record into one event list, so tests can check the order of calls across them.

namespace storm::fakes {

// Calls made on the fakes, in order. Any thread.
class EventLog {
 public:
  void add(std::string event);
  std::vector<std::string> events() const;
  void clear();

 private:
  mutable std::mutex mutex_;  // guards events_
  std::vector<std::string> events_;
};

// Values keep the type they were written with; a typed read of another type reads as absent. No
// other process shares it: `update` runs the change and saves, `refresh` only counts.
class FakePreferences : public Preferences {
 public:
  using Value = std::variant<std::string, double, long, bool>;
  using Record = std::map<std::string, Value>;

  explicit FakePreferences(EventLog* log = nullptr) : log_(log) {}

  void declareKeys(const std::vector<PreferenceKey>& keys) override { declared_ = keys; }
  std::vector<PreferenceKey> declaredKeys() const override { return declared_; }
  bool containsKey(const std::string& key) const override;
  std::optional<std::string> stringForKey(const std::string& key) const override;
  void setObject(const std::optional<std::string>& value, const std::string& key) override;
  double doubleForKey(const std::string& key) const override;
  void setDouble(double value, const std::string& key) override;
  long integerForKey(const std::string& key) const override;
  void setInteger(long value, const std::string& key) override;
  bool boolForKey(const std::string& key) const override;
  void setBool(bool value, const std::string& key) override;
  bool synchronize() override;
  bool update(const std::function<void(Preferences&)>& change) override;
  void refresh() override;

  // The values in memory, and those the last synchronize saved.
  Record values() const;
  Record saved() const;
  void setValues(Record values);
  // Keys read, in order, since the last clear.
  std::vector<std::string> reads() const;
  void clearReads();
  int synchronizeCount() const;
  int refreshCount() const;

 private:
  template <class T>
  T read(const std::string& key, T fallback) const;
  std::vector<PreferenceKey> declared_;
  void write(const std::string& key, std::optional<Value> value);

  EventLog* log_;
  mutable std::mutex mutex_;  // guards everything below
  Record values_;
  Record saved_;
  mutable std::vector<std::string> reads_;
  int synchronizes_ = 0;
  int refreshes_ = 0;
  std::mutex updateMutex_;  // keeps updates one at a time
};

// The application's information (version and name) and its translated texts.
class FakeBundle : public Locale {
 public:
  std::optional<std::string> infoString(const std::string& key) const;
  std::string localizedString(const std::string& key) const override;

  std::map<std::string, std::string> info{{kCFBundleVersionKey, "1.0"}, {kCFBundleNameKey, "Storm Distance"}};
  std::map<std::string, std::string> strings;  // translations by key
};

// Blocks wait until the test runs them, so "returns at once" and "runs on which queue" can be seen.
class FakeDispatcher : public Dispatcher {
 public:
  void asyncMain(std::function<void()> block) override;
  void asyncLowPriority(std::function<void()> block) override;

  // Run the queued blocks (and those they queue on the same queue); the number run.
  int runLowPriority();
  int runMain();
  size_t pendingLowPriority() const;
  size_t pendingMain() const;

 private:
  static int runAll(std::mutex& mutex, std::deque<std::function<void()>>& queue);
  mutable std::mutex mutex_;  // guards both queues
  std::deque<std::function<void()>> main_;
  std::deque<std::function<void()>> low_;
};

class FakeReachability : public Reachability {
 public:
  explicit FakeReachability(EventLog& log) : log_(log) {}
  std::unique_ptr<ReachabilityTarget> createWithAddress(const SocketAddressIn& address) override;

  ReachabilityFlags flags = kSCNetworkReachabilityFlagsReachable;
  bool createFails = false;
  bool queryFails = false;
  std::vector<SocketAddressIn> addresses;  // asked for, in order

 private:
  EventLog& log_;
};

class FakeURLConnections : public URLConnectionFactory {
 public:
  explicit FakeURLConnections(EventLog& log) : log_(log) {}
  bool startConnection(const URLRequest& request) override;

  bool result = true;
  std::vector<URLRequest> requests;

 private:
  EventLog& log_;
};

class FakeAlertView : public AlertView {
 public:
  void show() override;
  bool isVisible() const override { return visible; }
  void dismissWithClickedButtonIndex(long buttonIndex, bool animated) override;

  // The user presses button `index`: the dialog closes, then the delegate hears of it.
  void press(long index);
  // All button titles by index.
  std::vector<std::string> buttons() const;

  std::string title, message, cancelButtonTitle;
  std::vector<std::string> otherButtonTitles;
  std::weak_ptr<AlertViewDelegate> delegate;
  bool visible = false;
  int shows = 0;
  std::vector<std::pair<long, bool>> dismissals;  // index, animated
};

class FakeAlertViewFactory : public AlertViewFactory {
 public:
  std::shared_ptr<AlertView> makeAlertView(const std::string& title, const std::string& message,
                                           std::weak_ptr<AlertViewDelegate> delegate,
                                           const std::string& cancelButtonTitle,
                                           const std::vector<std::string>& otherButtonTitles) override;
  std::vector<std::shared_ptr<FakeAlertView>> made;
};

}  // namespace storm::fakes
