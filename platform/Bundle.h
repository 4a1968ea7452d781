#pragma once

#include <optional>
#include <string>

// The application's bundle: its information dictionary and its localized strings.

namespace storm {

inline constexpr char kCFBundleVersionKey[] = "CFBundleVersion";
inline constexpr char kCFBundleNameKey[] = "CFBundleName";

class Bundle {
 public:
  virtual ~Bundle() = default;
  // The string under `key` in the information dictionary; nothing when the key is absent or its
  // value is not a string.
  virtual std::optional<std::string> infoString(const std::string& key) const = 0;
  // The text for `key` in the user's language from the default strings table, or `key` itself
  // when the table has none.
  virtual std::string localizedString(const std::string& key) const = 0;
};

}  // namespace storm
