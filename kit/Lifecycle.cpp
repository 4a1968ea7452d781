#include "kit/Lifecycle.h"

namespace storm {

void LifecycleTracker::notify(LifecycleEvent event) {
  switch (event) {
    case LifecycleEvent::WillResignActive: delegate_.applicationWillResignActive(); break;
    case LifecycleEvent::DidEnterBackground: delegate_.applicationDidEnterBackground(); break;
    case LifecycleEvent::WillEnterForeground: delegate_.applicationWillEnterForeground(); break;
    case LifecycleEvent::DidBecomeActive: delegate_.applicationDidBecomeActive(); break;
    case LifecycleEvent::WillTerminate: delegate_.applicationWillTerminate(); break;
  }
  for (auto& observer : observers_) observer(event);
}

void LifecycleTracker::moveTo(AppState next) {
  if (terminated_ || next == state_) return;
  // Active <-> Inactive <-> Background: going between the ends passes through Inactive.
  if (next == AppState::Active) {
    if (state_ == AppState::Background) notify(LifecycleEvent::WillEnterForeground);
    state_ = AppState::Active;
    notify(LifecycleEvent::DidBecomeActive);
  } else if (next == AppState::Inactive) {
    if (state_ == AppState::Active)
      notify(LifecycleEvent::WillResignActive);
    else
      notify(LifecycleEvent::WillEnterForeground);
    state_ = AppState::Inactive;
  } else {
    if (state_ == AppState::Active) notify(LifecycleEvent::WillResignActive);
    state_ = AppState::Background;
    notify(LifecycleEvent::DidEnterBackground);
  }
}

void LifecycleTracker::terminate() {
  if (terminated_) return;
  terminated_ = true;
  notify(LifecycleEvent::WillTerminate);
}

}  // namespace storm
