#include "system/NumberParsing.h"

#include <charconv>

namespace storm {

float floatValue(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                             text[i] == '\f' || text[i] == '\v'))
    ++i;
  text.remove_prefix(i);
  // from_chars takes no leading '+'; a leading '-' it does.
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) return 0;
  }
  float value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  (void)ptr;
  if (ec != std::errc{}) return 0;  // no number, or one beyond the float range
  return negative ? -value : value;
}

}  // namespace storm
