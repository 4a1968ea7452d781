#include "storm/Strike.h"

namespace storm {

namespace {

constexpr const char* kSourceNames[] = {"map", "key", "typed", "compass"};

}  // namespace

const char* bearingSourceName(BearingSource source) { return kSourceNames[static_cast<int>(source)]; }

std::optional<BearingSource> bearingSourceNamed(std::string_view name) {
  for (int i = 0; i < 4; ++i)
    if (name == kSourceNames[i]) return static_cast<BearingSource>(i);
  return std::nullopt;
}

}  // namespace storm
