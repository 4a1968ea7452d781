#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Named notifications, delivered to every observer of the name on the thread that posts them.

namespace storm {

// Posted on the main thread when the application is about to stop being active.
inline constexpr char kApplicationWillResignActiveNotification[] = "ApplicationWillResignActive";

class NotificationCenter {
 public:
  // Observers are kept for the life of the centre; any thread may add one or post.
  void addObserver(const std::string& name, std::function<void()> observer);
  void post(const std::string& name);

 private:
  struct Entry {
    std::string name;
    std::function<void()> observer;
  };
  std::mutex mutex_;  // guards entries_
  std::vector<Entry> entries_;
};

}  // namespace storm
