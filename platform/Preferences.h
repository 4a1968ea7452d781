#pragma once

#include <optional>
#include <string>
#include <vector>

// The user's preferences: a store of typed values by key that outlives the process. Reads of an
// absent key (or of a value of another type) give the type's default; writes land in memory and
// reach persistent storage on `synchronize`. Every operation may be called from any thread.

namespace storm {

enum class PreferenceType { String, Double, Integer, Bool };

// A key and the type its value must have; a store that finds another type under a declared key
// treats its file as damaged.
struct PreferenceKey {
  std::string name;
  PreferenceType type;
};

class Preferences {
 public:
  virtual ~Preferences() = default;

  // Declares keys and their types before the store is first used (a store may check its file
  // against them) and adds them to those `declaredKeys` lists.
  virtual void declareKeys(const std::vector<PreferenceKey>& keys) = 0;
  virtual std::vector<PreferenceKey> declaredKeys() const = 0;

  virtual bool containsKey(const std::string& key) const = 0;

  // Absent: no value. Writing no value removes the key.
  virtual std::optional<std::string> stringForKey(const std::string& key) const = 0;
  virtual void setObject(const std::optional<std::string>& value, const std::string& key) = 0;

  virtual double doubleForKey(const std::string& key) const = 0;  // absent: 0.0
  virtual void setDouble(double value, const std::string& key) = 0;

  // The platform's signed word-size integer.
  virtual long integerForKey(const std::string& key) const = 0;  // absent: 0
  virtual void setInteger(long value, const std::string& key) = 0;

  virtual bool boolForKey(const std::string& key) const = 0;  // absent: false
  virtual void setBool(bool value, const std::string& key) = 0;

  // Writes the pending changes to persistent storage; false when they could not be written.
  virtual bool synchronize() = 0;
};

}  // namespace storm
