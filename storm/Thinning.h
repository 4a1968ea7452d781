#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace storm {

// Keeps `most` of `items` (sorted by time), spread evenly over them, the first and the last among
// them: a busy storm's fits rest on that many strikes, so that their cost does not grow with the
// log. Fewer are left as they are.
template <class T>
void thinEvenly(std::vector<T>& items, std::size_t most) {
  if (items.size() <= most || most < 2) return;
  std::vector<T> spread(most);
  const std::size_t n = items.size() - 1, k = most - 1;
  for (std::size_t i = 0; i <= k; ++i) spread[i] = items[i * n / k];
  items = std::move(spread);
}

}  // namespace storm
