#pragma once

#include <functional>
#include <vector>

#include "kit/Application.h"

// Turns the states the system reports (active, inactive, background) into the delegate's
// lifecycle calls, in the order an application expects them.

namespace storm {

enum class AppState { Inactive, Active, Background };

enum class LifecycleEvent {
  WillResignActive,
  DidEnterBackground,
  WillEnterForeground,
  DidBecomeActive,
  WillTerminate,
};

class LifecycleTracker {
 public:
  explicit LifecycleTracker(ApplicationDelegate& delegate) : delegate_(delegate) {}

  AppState state() const { return state_; }
  // Moves to `next`, telling the delegate (and then the observers) each step on the way.
  void moveTo(AppState next);
  void terminate();
  // Told after the delegate, on the main thread.
  void addObserver(std::function<void(LifecycleEvent)> observer) { observers_.push_back(std::move(observer)); }

 private:
  void notify(LifecycleEvent event);

  ApplicationDelegate& delegate_;
  AppState state_ = AppState::Inactive;  // launched, not yet active
  bool terminated_ = false;
  std::vector<std::function<void(LifecycleEvent)>> observers_;
};

}  // namespace storm
