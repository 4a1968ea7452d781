#include "system/ManualClock.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace storm {

struct ManualClock::Entry {
  double start = 0;
  double interval = 0;
  bool repeats = false;
  uint64_t fired = 0;  // firings so far; the next is due at start + (fired + 1) * interval
  bool valid = true;
  std::function<void()> fire;

  double nextDue() const { return start + static_cast<double>(fired + 1) * interval; }
};

class ManualClock::ManualTimer : public Timer {
 public:
  explicit ManualTimer(std::shared_ptr<Entry> e) : entry_(std::move(e)) {}
  void invalidate() override {
    entry_->valid = false;
    entry_->fire = nullptr;
  }
  bool isValid() const override { return entry_->valid; }

 private:
  std::shared_ptr<Entry> entry_;
};

std::shared_ptr<Timer> ManualClock::scheduledTimer(double interval, bool repeats, std::function<void()> fire) {
  auto entry = std::make_shared<Entry>();
  entry->start = monotonic_;
  // Like the platform's timers, a non-positive interval fires after a tenth of a millisecond.
  entry->interval = std::max(interval, 0.0001);
  entry->repeats = repeats;
  entry->fire = std::move(fire);
  entries_.push_back(entry);
  return std::make_shared<ManualTimer>(entry);
}

namespace {
// A repeating timer fires at each of its due times up to this many times in one advance; the rest
// collapse into one firing at the last of them, as a run loop fires a timer once after a long sleep.
constexpr uint64_t kFiringsBeforeCatchingUp = 1000;
}  // namespace

void ManualClock::advance(double seconds) {
  const double target = monotonic_ + std::max(0.0, seconds);
  const double wallOffset = wall_ - monotonic_;
  std::vector<std::pair<std::shared_ptr<Entry>, uint64_t>> firedNow;  // this advance's firings of each timer
  for (;;) {
    std::erase_if(entries_, [](const auto& e) { return !e->valid; });
    std::shared_ptr<Entry> next;
    double due = std::numeric_limits<double>::infinity();
    for (const auto& e : entries_) {
      if (e->nextDue() < due) {
        due = e->nextDue();
        next = e;
      }
    }
    if (!next || due > target) break;
    auto counted = std::find_if(firedNow.begin(), firedNow.end(), [&](const auto& f) { return f.first == next; });
    if (counted == firedNow.end()) counted = firedNow.insert(firedNow.end(), {next, 0});
    if (++counted->second > kFiringsBeforeCatchingUp && next->repeats) {
      // Skip to the last due time up to the target.
      const auto last = static_cast<uint64_t>(std::floor((target - next->start) / next->interval));
      if (last > next->fired + 1) {
        next->fired = last - 1;
        continue;  // due again at its new time, if that is still the earliest
      }
    }
    monotonic_ = due;
    wall_ = due + wallOffset;
    ++next->fired;
    auto fire = next->fire;  // the timer may be invalidated by its own firing
    if (!next->repeats) next->valid = false;
    if (fire) fire();
  }
  monotonic_ = target;
  wall_ = target + wallOffset;
}

size_t ManualClock::activeTimers() const {
  return static_cast<size_t>(std::count_if(entries_.begin(), entries_.end(), [](const auto& e) { return e->valid; }));
}

}  // namespace storm
