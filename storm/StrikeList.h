#pragma once

#include <memory>
#include <string>

#include "storm/StrikeStore.h"
#include "kit/View.h"

// A scrolling list of the strike log, newest first, one row a strike. It reads the log a page at
// a time as rows come into sight, so a long log costs no more to show than a short one.

namespace storm {

class StrikeList : public View {
 public:
  // Lists the strikes of `store` from now on.
  virtual void showLog(std::shared_ptr<StrikeStore> store) = 0;
  // Reads the log afresh (after it was cleared, say); the rows shown stay until the answer comes.
  virtual void reload() = 0;
  // What the list shows in place of the rows while the log is empty.
  virtual void setEmptyText(const std::string& text) = 0;
  // How many strikes the list holds; -1 until the log has answered.
  virtual long strikeCount() const = 0;
};

}  // namespace storm
