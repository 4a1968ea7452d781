#pragma once

#include <functional>
#include <optional>
#include <string>

// Asks the user for a file. Asking does not wait: the answer is reported afterwards. Main thread
// only.

namespace storm {

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // Where to save a new file, offering `suggestedName` in the user's documents folder; `done`
  // gets the chosen path, or nothing when the user cancels.
  virtual void chooseSaveFile(const std::string& suggestedName,
                              std::function<void(std::optional<std::string> path)> done) = 0;
};

}  // namespace storm
