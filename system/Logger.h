#pragma once

#include <string>

// The application's log: one line at a time, from any thread.

namespace storm {

class Logger {
 public:
  virtual ~Logger() = default;
  virtual void log(const std::string& line) = 0;
};

}  // namespace storm
