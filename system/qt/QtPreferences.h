#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "system/Clock.h"
#include "system/Preferences.h"
#include "system/qt/IniCodec.h"
#include "system/qt/PreferencesFile.h"

// The user's preferences in an INI file that QSettings reads and writes too. The file is read on
// first use and again whenever it changed on disk; values live in memory as text and `synchronize`
// writes the changed keys back. Every save re-reads the file and replaces it whole, all or nothing
// (see PreferencesFile). Lines that are not ours (comments, other programs' keys and sections) are
// written back as they were (see IniCodec.h).
//
// Saves and `update` hold the file's lock between processes from the read to the rename, so
// processes that share the file lose none of each other's changes. A save waits for the lock for
// `PreferencesFile::kLockWait` at most, and not at all once the application is about to quit.
//
// What is read: only a regular file of `PreferencesFile::kMaxFileSize` bytes or less; anything
// else (a FIFO, a device, a directory, a larger file) is reported in one line on stderr, left alone
// and never overwritten. A file that is not UTF-8 text or not INI is moved aside under a
// timestamped name, reported in one line, and the store starts empty; nothing of the user's is
// deleted. A declared key whose value cannot be read as its type reads as absent and is reported
// in one line; the rest of the file stands.
//
// Any thread: `fileMutex_` keeps the file operations of this store one at a time, `mutex_`
// guards the values.

namespace storm::qt {

class QtPreferences : public Preferences {
 public:
  // `keys` are the keys whose type is checked on loading (more may be declared before the first
  // use); `clock` dates a damaged file's new name.
  QtPreferences(QString path, std::vector<PreferenceKey> keys, std::shared_ptr<Clock> clock);
  ~QtPreferences() override;
  QtPreferences(const QtPreferences&) = delete;
  QtPreferences& operator=(const QtPreferences&) = delete;

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
  bool update(const std::function<void(Preferences&)>& change) override;
  void refresh() override;

  const QString& path() const { return file_.path(); }

 private:
  void ensureLoaded() const;
  // With `fileMutex_` held: reads the file into memory. A damaged file is moved aside only under
  // the file lock: `lock` when this process holds it, else taken here if `mayLock`.
  void loadLocked(const PreferencesFile::Lock* lock, bool mayLock = true) const;
  // With `mutex_` held too.
  void moveAsideLocked(const PreferencesFile::Lock& lock, const QString& reason) const;
  // With `fileMutex_` and `lock` held: writes the file as read plus the pending changes.
  bool saveLocked(const PreferencesFile::Lock& lock);
  // With `mutex_` held.
  std::optional<std::string> textLocked(const std::string& key) const;
  void reportOddKeysLocked() const;
  void write(const std::string& key, std::optional<std::string> text);

  PreferencesFile file_;  // told to stop waiting for its lock when the application is about to quit
  const std::shared_ptr<Clock> clock_;
  std::function<void()> disconnectQuit_;

  mutable std::recursive_mutex fileMutex_;  // taken before mutex_, never after

  mutable std::mutex mutex_;  // guards the members below
  std::vector<PreferenceKey> keys_;
  mutable bool loaded_ = false;
  mutable bool saveDisabled_ = false;  // the file can be neither read nor moved aside
  mutable bool reportedUnreadable_ = false;
  mutable std::vector<IniLine> lines_;                         // the file as last read or written
  mutable IniValues fileValues_;                               // decoded from lines_
  mutable PreferencesFile::Stamp stamp_;                       // of the file lines_ came from
  mutable std::set<std::string> reportedOddValues_;            // "key=value" already reported
  std::map<std::string, std::optional<std::string>> changes_;  // not yet saved; nothing: removed
};

}  // namespace storm::qt
