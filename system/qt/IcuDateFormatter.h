#pragma once

#include "system/DateFormatter.h"

// Date formatters on ICU's implementation of the Unicode date patterns. Creating one is cheap:
// compiled patterns are kept per thread and shared by every formatter that uses the same pattern,
// zone and locale.

namespace storm::qt {

class IcuDateFormatterFactory : public DateFormatterFactory {
 public:
  std::unique_ptr<DateFormatter> makeDateFormatter() override;
};

}  // namespace storm::qt
