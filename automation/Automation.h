#pragma once

#include <functional>
#include <string>
#include <vector>

#include "automation/Json.h"

// What the application adds to the automation mode, in which the app drives itself for tests: the
// members it contributes to the `state` answer, the controls `tap` can press and commands of its
// own. Only in automation mode.

namespace storm {

class AutomationRegistry {
 public:
  virtual ~AutomationRegistry() = default;

  // A member of the `state` answer, computed when asked; members appear in the order added.
  virtual void addStateMember(std::string name, std::function<Json()> value) = 0;
  // `tap NAME ARGS...`: the handler gets ARGS and answers an error text, or "" when it pressed.
  virtual void addTapTarget(std::string name, std::function<std::string(const std::vector<std::string>& args)> tap) = 0;
  // A command `VERB ARGS...` of its own: the handler answers the reply's JSON, or an error text.
  struct Answer {
    Json value;
    std::string error;
  };
  virtual void addCommand(std::string verb, std::function<Answer(const std::vector<std::string>& args)> command) = 0;
  // Something that must be idle before `settle` answers (a background queue, say).
  virtual void addIdleCheck(std::function<bool()> idle) = 0;
  // For a command whose answer waits on work elsewhere: runs the application until `done` says so
  // (for a while at most); whether it did.
  virtual bool waitUntil(const std::function<bool()>& done) { return done(); }
};

}  // namespace storm
