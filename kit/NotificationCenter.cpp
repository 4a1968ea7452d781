#include "kit/NotificationCenter.h"

namespace storm {

void NotificationCenter::addObserver(const std::string& name, std::function<void()> observer) {
  std::lock_guard lock(mutex_);
  entries_.push_back({name, std::move(observer)});
}

void NotificationCenter::post(const std::string& name) {
  // Observers run outside the lock, so one may add another observer or post again.
  std::vector<std::function<void()>> due;
  {
    std::lock_guard lock(mutex_);
    for (const auto& entry : entries_)
      if (entry.name == name) due.push_back(entry.observer);
  }
  for (auto& observer : due) observer();
}

}  // namespace storm
