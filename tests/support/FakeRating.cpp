#include "support/FakeRating.h"

namespace storm::fakes {

void EventLog::add(std::string event) {
  std::lock_guard lock(mutex_);
  events_.push_back(std::move(event));
}

std::vector<std::string> EventLog::events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

void EventLog::clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
}

// ---- FakePreferences ----

template <class T>
T FakePreferences::read(const std::string& key, T fallback) const {
  std::lock_guard lock(mutex_);
  reads_.push_back(key);
  auto it = values_.find(key);
  if (it == values_.end()) return fallback;
  const T* value = std::get_if<T>(&it->second);
  return value ? *value : fallback;
}

void FakePreferences::write(const std::string& key, std::optional<Value> value) {
  std::lock_guard lock(mutex_);
  if (value)
    values_[key] = std::move(*value);
  else
    values_.erase(key);
}

bool FakePreferences::containsKey(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return values_.count(key) > 0;
}

std::optional<std::string> FakePreferences::stringForKey(const std::string& key) const {
  std::lock_guard lock(mutex_);
  reads_.push_back(key);
  auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  if (const auto* text = std::get_if<std::string>(&it->second)) return *text;
  return std::nullopt;
}

void FakePreferences::setObject(const std::optional<std::string>& value, const std::string& key) {
  write(key, value ? std::optional<Value>(*value) : std::nullopt);
}

double FakePreferences::doubleForKey(const std::string& key) const { return read(key, 0.0); }
void FakePreferences::setDouble(double value, const std::string& key) { write(key, value); }
long FakePreferences::integerForKey(const std::string& key) const { return read(key, 0L); }
void FakePreferences::setInteger(long value, const std::string& key) { write(key, value); }
bool FakePreferences::boolForKey(const std::string& key) const { return read(key, false); }
void FakePreferences::setBool(bool value, const std::string& key) { write(key, value); }

bool FakePreferences::synchronize() {
  {
    std::lock_guard lock(mutex_);
    saved_ = values_;
    ++synchronizes_;
  }
  if (log_) log_->add("synchronize");
  return true;
}

bool FakePreferences::update(const std::function<void(Preferences&)>& change) {
  std::lock_guard lock(updateMutex_);
  change(*this);
  return synchronize();
}

void FakePreferences::refresh() {
  std::lock_guard lock(mutex_);
  ++refreshes_;
}

FakePreferences::Record FakePreferences::values() const {
  std::lock_guard lock(mutex_);
  return values_;
}

FakePreferences::Record FakePreferences::saved() const {
  std::lock_guard lock(mutex_);
  return saved_;
}

void FakePreferences::setValues(Record values) {
  std::lock_guard lock(mutex_);
  values_ = std::move(values);
}

std::vector<std::string> FakePreferences::reads() const {
  std::lock_guard lock(mutex_);
  return reads_;
}

void FakePreferences::clearReads() {
  std::lock_guard lock(mutex_);
  reads_.clear();
}

int FakePreferences::synchronizeCount() const {
  std::lock_guard lock(mutex_);
  return synchronizes_;
}

int FakePreferences::refreshCount() const {
  std::lock_guard lock(mutex_);
  return refreshes_;
}

// ---- FakeBundle ----

std::optional<std::string> FakeBundle::infoString(const std::string& key) const {
  auto it = info.find(key);
  return it == info.end() ? std::nullopt : std::optional(it->second);
}

std::string FakeBundle::localizedString(const std::string& key) const {
  auto it = strings.find(key);
  return it == strings.end() ? key : it->second;
}

// ---- FakeDispatcher ----

void FakeDispatcher::asyncMain(std::function<void()> block) {
  std::lock_guard lock(mutex_);
  main_.push_back(std::move(block));
}

void FakeDispatcher::asyncLowPriority(std::function<void()> block) {
  std::lock_guard lock(mutex_);
  low_.push_back(std::move(block));
}

int FakeDispatcher::runAll(std::mutex& mutex, std::deque<std::function<void()>>& queue) {
  int ran = 0;
  for (;;) {
    std::function<void()> block;
    {
      std::lock_guard lock(mutex);
      if (queue.empty()) return ran;
      block = std::move(queue.front());
      queue.pop_front();
    }
    block();
    ++ran;
  }
}

int FakeDispatcher::runLowPriority() { return runAll(mutex_, low_); }
int FakeDispatcher::runMain() { return runAll(mutex_, main_); }

size_t FakeDispatcher::pendingLowPriority() const {
  std::lock_guard lock(mutex_);
  return low_.size();
}

size_t FakeDispatcher::pendingMain() const {
  std::lock_guard lock(mutex_);
  return main_.size();
}

// ---- reachability and probe ----

namespace {

class FakeTarget : public ReachabilityTarget {
 public:
  FakeTarget(EventLog& log, ReachabilityFlags flags, bool fails) : log_(log), flags_(flags), fails_(fails) {}
  ~FakeTarget() override { log_.add("release"); }
  bool getFlags(ReachabilityFlags& flags) override {
    log_.add("getFlags");
    if (fails_) return false;
    flags = flags_;
    return true;
  }

 private:
  EventLog& log_;
  ReachabilityFlags flags_;
  bool fails_;
};

}  // namespace

std::unique_ptr<ReachabilityTarget> FakeReachability::createWithAddress(const SocketAddressIn& address) {
  addresses.push_back(address);
  log_.add("create");
  if (createFails) return nullptr;
  return std::make_unique<FakeTarget>(log_, flags, queryFails);
}

bool FakeURLConnections::startConnection(const URLRequest& request) {
  requests.push_back(request);
  log_.add("connect");
  return result;
}

// ---- dialogs ----

void FakeAlertView::show() {
  visible = true;
  ++shows;
}

void FakeAlertView::dismissWithClickedButtonIndex(long buttonIndex, bool animated) {
  visible = false;
  dismissals.emplace_back(buttonIndex, animated);
}

void FakeAlertView::press(long index) {
  visible = false;
  if (auto d = delegate.lock()) d->alertViewClickedButtonAtIndex(*this, index);
}

std::vector<std::string> FakeAlertView::buttons() const {
  std::vector<std::string> all{cancelButtonTitle};
  all.insert(all.end(), otherButtonTitles.begin(), otherButtonTitles.end());
  return all;
}

std::shared_ptr<AlertView> FakeAlertViewFactory::makeAlertView(const std::string& title, const std::string& message,
                                                               std::weak_ptr<AlertViewDelegate> delegate,
                                                               const std::string& cancelButtonTitle,
                                                               const std::vector<std::string>& otherButtonTitles) {
  auto alert = std::make_shared<FakeAlertView>();
  alert->title = title;
  alert->message = message;
  alert->delegate = std::move(delegate);
  alert->cancelButtonTitle = cancelButtonTitle;
  alert->otherButtonTitles = otherButtonTitles;
  made.push_back(alert);
  return alert;
}

}  // namespace storm::fakes
