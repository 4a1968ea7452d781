#pragma once

#include <optional>
#include <string>

#include "system/Locale.h"

// The application's bundle: its information dictionary, and its localized strings as the
// user's locale gives them.

namespace storm {

inline constexpr char kCFBundleVersionKey[] = "CFBundleVersion";
inline constexpr char kCFBundleNameKey[] = "CFBundleName";

class Bundle : public Locale {
 public:
  // The string under `key` in the information dictionary; nothing when the key is absent or its
  // value is not a string.
  virtual std::optional<std::string> infoString(const std::string& key) const = 0;
};

}  // namespace storm
