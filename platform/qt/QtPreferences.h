#pragma once

#include <QString>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Preferences.h"

// The user's preferences in an INI file written through QSettings. The file is read on first
// use; values live in memory as text and `synchronize` writes the changed keys back, atomically
// (a new file renamed over the old), so a crash leaves the old record or the new one.
//
// A damaged file (not UTF-8 text, cut off in the middle of a line, not INI, or a declared key
// whose value is not of its type) is moved aside under a timestamped name, reported in one line
// on stderr, and the store starts empty; nothing of the user's is deleted.
//
// Any thread: `mutex_` guards the values, `saveMutex_` keeps saves one at a time.

namespace storm::qt {

class QtPreferences : public Preferences {
 public:
  // `keys` are the keys whose type is checked on loading (more may be declared before the first
  // use); `clock` dates a damaged file's new name.
  QtPreferences(QString path, std::vector<PreferenceKey> keys, std::shared_ptr<Clock> clock);

  void declareKeys(const std::vector<PreferenceKey>& keys) override;
  std::vector<PreferenceKey> declaredKeys() const override;
  bool containsKey(const std::string& key) const override;
  std::optional<std::string> stringForKey(const std::string& key) const override;
  void setObject(const std::optional<std::string>& value, const std::string& key) override;
  double doubleForKey(const std::string& key) const override;
  void setDouble(double value, const std::string& key) override;
  long integerForKey(const std::string& key) const override;
  void setInteger(long value, const std::string& key) override;
  bool boolForKey(const std::string& key) const override;
  void setBool(bool value, const std::string& key) override;
  bool synchronize() override;

  const QString& path() const { return path_; }

 private:
  void loadLocked() const;
  std::optional<std::string> textLocked(const std::string& key) const;
  void write(const std::string& key, std::optional<std::string> text);
  void moveAsideLocked(const QString& reason) const;

  const QString path_;
  const std::shared_ptr<Clock> clock_;

  mutable std::mutex mutex_;  // guards the members below
  std::vector<PreferenceKey> keys_;
  mutable bool loaded_ = false;
  mutable bool saveDisabled_ = false;  // the file could be neither read nor moved aside
  mutable bool reportedSaveFailure_ = false;
  mutable std::map<std::string, std::string> values_;
  std::map<std::string, std::optional<std::string>> changes_;  // not yet saved; nothing: removed

  std::mutex saveMutex_;  // taken before mutex_, never after
};

// Values as the file stores them; the parsers accept exactly what the formatters write and read
// the same value back.
std::string preferenceText(double value);
std::optional<double> parseDoublePreference(const std::string& text);
std::optional<long> parseIntegerPreference(const std::string& text);
std::optional<bool> parseBoolPreference(const std::string& text);

}  // namespace storm::qt
