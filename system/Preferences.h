#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The user's preferences: a store of typed values by key that outlives the process. Reads of an
// absent key (or of a value of another type) give the type's default; writes land in memory and
// reach persistent storage on `synchronize`. Every operation may be called from any thread.
//
// Other processes may share the storage. A read-modify-write that must not lose their changes
// (nor lose its own to them) goes through `update`; reads that should see what they saved come
// after a `refresh`.

namespace storm {

enum class PreferenceType { String, Double, Integer, Bool };

// A key and the type its value must have; a store that finds a value under a declared key that
// cannot be read as that type treats the key as absent.
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

  // Reads persistent storage afresh, runs `change` on the store (reads and writes as above) and
  // saves, with the storage locked against other processes from the read to the save; updates of
  // one store run one at a time. False when the storage could not be locked, read or written: the
  // change then stands in memory and a later save writes it.
  virtual bool update(const std::function<void(Preferences&)>& change) = 0;

  // Takes in what other processes saved since the storage was last read; changes not yet saved
  // here stay on top. Cheap when nothing changed.
  virtual void refresh() = 0;
};

}  // namespace storm
