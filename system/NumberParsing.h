#pragma once

#include <string_view>

// Reading numbers from text the same way in every locale.

namespace storm {

// The longest leading decimal number of `text` (after leading white space) as a 32-bit float,
// 0 when there is none.
float floatValue(std::string_view text);

}  // namespace storm
