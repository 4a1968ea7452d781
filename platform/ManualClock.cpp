#include "platform/ManualClock.h"

#include <algorithm>
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

void ManualClock::advance(double seconds) {
  const double target = monotonic_ + std::max(0.0, seconds);
  const double wallOffset = wall_ - monotonic_;
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
