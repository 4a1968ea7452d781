#pragma once

#include <memory>
#include <mutex>

#include "rating/Reachability.h"

// Reachability for automation mode: as the system reports it, or as a script says.

namespace storm::qt {

class ScriptableReachability : public Reachability {
 public:
  enum class Mode { System, Fixed, Failing };

  explicit ScriptableReachability(std::shared_ptr<Reachability> system) : system_(std::move(system)) {}

  std::unique_ptr<ReachabilityTarget> createWithAddress(const SocketAddressIn& address) override {
    std::lock_guard lock(mutex_);
    if (mode_ == Mode::System) return system_->createWithAddress(address);
    return std::make_unique<FixedTarget>(mode_ == Mode::Fixed, flags_);
  }

  void set(Mode mode, ReachabilityFlags flags = 0) {
    std::lock_guard lock(mutex_);
    mode_ = mode;
    flags_ = flags;
  }

 private:
  class FixedTarget : public ReachabilityTarget {
   public:
    FixedTarget(bool answers, ReachabilityFlags flags) : answers_(answers), flags_(flags) {}
    bool getFlags(ReachabilityFlags& flags) override {
      if (answers_) flags = flags_;
      return answers_;
    }

   private:
    bool answers_;
    ReachabilityFlags flags_;
  };

  const std::shared_ptr<Reachability> system_;
  std::mutex mutex_;  // guards mode_ and flags_: the queue's workers ask while the script sets
  Mode mode_ = Mode::System;
  ReachabilityFlags flags_ = 0;
};

}  // namespace storm::qt
