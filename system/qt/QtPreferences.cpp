#include "system/qt/QtPreferences.h"

#include <QCoreApplication>
#include <algorithm>

#include "system/qt/QtLogger.h"

namespace storm::qt {

namespace {

bool hasType(const std::string& text, PreferenceType type) {
  switch (type) {
    case PreferenceType::String: return true;
    case PreferenceType::Double: return parseDoublePreference(text).has_value();
    case PreferenceType::Integer: return parseIntegerPreference(text).has_value();
    case PreferenceType::Bool: return parseBoolPreference(text).has_value();
  }
  return false;
}

const char* typeName(PreferenceType type) {
  switch (type) {
    case PreferenceType::String: return "a string";
    case PreferenceType::Double: return "a number";
    case PreferenceType::Integer: return "an integer";
    case PreferenceType::Bool: return "true or false";
  }
  return "";
}

}  // namespace

QtPreferences::QtPreferences(QString path, std::vector<PreferenceKey> keys, std::shared_ptr<Clock> clock)
    : file_(std::move(path)), clock_(std::move(clock)), keys_(std::move(keys)) {
  // Quitting must not wait out another process's lock: saves still under way give up at once.
  if (QCoreApplication* app = QCoreApplication::instance()) {
    const QMetaObject::Connection connection =
        QObject::connect(app, &QCoreApplication::aboutToQuit, [this] { file_.stopWaiting(); });
    disconnectQuit_ = [connection] { QObject::disconnect(connection); };
  }
}

QtPreferences::~QtPreferences() {
  if (disconnectQuit_) disconnectQuit_();
}

void QtPreferences::declareKeys(const std::vector<PreferenceKey>& keys) {
  std::lock_guard lock(mutex_);
  for (const auto& key : keys) {
    const bool known =
        std::any_of(keys_.begin(), keys_.end(), [&](const PreferenceKey& k) { return k.name == key.name; });
    if (!known) keys_.push_back(key);
  }
  if (loaded_) reportOddKeysLocked();
}

std::vector<PreferenceKey> QtPreferences::declaredKeys() const {
  std::lock_guard lock(mutex_);
  return keys_;
}

void QtPreferences::ensureLoaded() const {
  {
    std::lock_guard lock(mutex_);
    if (loaded_) return;
  }
  std::lock_guard file(fileMutex_);
  {
    std::lock_guard lock(mutex_);
    if (loaded_) return;
  }
  loadLocked(nullptr);
}

void QtPreferences::loadLocked(const PreferencesFile::Lock* fileLock, bool mayLock) const {
  const PreferencesFile::Contents contents = file_.read();
  if (contents.status == PreferencesFile::Contents::Status::Unreadable) {
    // Unreadable is not damaged: leave the file alone, and do not overwrite it either. What was
    // read before stays in memory.
    std::lock_guard lock(mutex_);
    loaded_ = true;
    saveDisabled_ = true;
    stamp_ = file_.stamp();
    if (!reportedUnreadable_) {
      reportedUnreadable_ = true;
      qCWarning(lcStorm, "cannot read the preferences file %s (%s); changes will not be saved",
                qPrintable(file_.path()), qPrintable(contents.problem));
    }
    return;
  }
  std::optional<std::vector<IniLine>> lines = std::vector<IniLine>{};
  QString damage;
  if (contents.status == PreferencesFile::Contents::Status::Read) {
    damage = damageInText(contents.bytes);
    if (damage.isEmpty()) lines = parseIni(contents.bytes);
    if (damage.isEmpty() && !lines) damage = "it is not in INI format";
  }
  if (!damage.isEmpty() && !fileLock && mayLock) {
    // Another process may be replacing the file right now: move it aside only under the lock,
    // after reading it once more.
    QString problem;
    if (const auto taken = file_.lock(problem)) return loadLocked(taken.get());
  }
  std::lock_guard lock(mutex_);
  loaded_ = true;
  reportedUnreadable_ = false;
  saveDisabled_ = false;
  if (!damage.isEmpty()) {
    lines_.clear();
    if (fileLock) {
      moveAsideLocked(*fileLock, damage);
    } else {
      qCWarning(lcStorm,
                "the preferences file %s is damaged (%s) and cannot be moved aside; starting afresh "
                "without saving",
                qPrintable(file_.path()), qPrintable(damage));
      saveDisabled_ = true;
    }
    stamp_ = file_.stamp();
  } else {
    lines_ = std::move(*lines);
    stamp_ = contents.stamp;
  }
  fileValues_ = iniValues(lines_);
  reportOddKeysLocked();
}

void QtPreferences::moveAsideLocked(const PreferencesFile::Lock& fileLock, const QString& reason) const {
  const QString aside = file_.moveAside(fileLock, clock_ ? clock_->now() : 0.0);
  if (!aside.isEmpty()) {
    qCWarning(lcStorm, "the preferences file %s is damaged (%s); moved it to %s and started afresh",
              qPrintable(file_.path()), qPrintable(reason), qPrintable(aside));
  } else {
    qCWarning(lcStorm,
              "the preferences file %s is damaged (%s) and cannot be moved aside; starting afresh "
              "without saving",
              qPrintable(file_.path()), qPrintable(reason));
    saveDisabled_ = true;
  }
}

void QtPreferences::reportOddKeysLocked() const {
  for (const auto& [name, type] : keys_) {
    const auto found = fileValues_.find(name);
    if (found == fileValues_.end()) continue;
    const std::optional<std::string>& text = found->second;
    if (text && hasType(*text, type)) continue;
    const std::string seen = name + "=" + text.value_or("");
    if (!reportedOddValues_.insert(seen).second) continue;
    qCWarning(lcStorm, "the value of %s in the preferences file %s is not %s; it reads as unset", name.c_str(),
              qPrintable(file_.path()), typeName(type));
  }
}

std::optional<std::string> QtPreferences::textLocked(const std::string& key) const {
  if (const auto change = changes_.find(key); change != changes_.end()) return change->second;
  const auto found = fileValues_.find(key);
  if (found == fileValues_.end() || !found->second) return std::nullopt;
  // A declared key whose value is not of its type reads as absent.
  for (const auto& [name, type] : keys_)
    if (name == key && !hasType(*found->second, type)) return std::nullopt;
  return found->second;
}

void QtPreferences::write(const std::string& key, std::optional<std::string> text) {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  changes_[key] = std::move(text);
}

bool QtPreferences::containsKey(const std::string& key) const {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  return textLocked(key).has_value();
}

std::optional<std::string> QtPreferences::stringForKey(const std::string& key) const {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  return textLocked(key);
}

void QtPreferences::setObject(const std::optional<std::string>& value, const std::string& key) { write(key, value); }

double QtPreferences::doubleForKey(const std::string& key) const {
  const auto text = stringForKey(key);
  return text ? parseDoublePreference(*text).value_or(0.0) : 0.0;
}

void QtPreferences::setDouble(double value, const std::string& key) { write(key, preferenceText(value)); }

long QtPreferences::integerForKey(const std::string& key) const {
  const auto text = stringForKey(key);
  return text ? parseIntegerPreference(*text).value_or(0) : 0;
}

void QtPreferences::setInteger(long value, const std::string& key) { write(key, std::to_string(value)); }

bool QtPreferences::boolForKey(const std::string& key) const {
  const auto text = stringForKey(key);
  return text ? parseBoolPreference(*text).value_or(false) : false;
}

void QtPreferences::setBool(bool value, const std::string& key) { write(key, value ? "true" : "false"); }

bool QtPreferences::saveLocked(const PreferencesFile::Lock& fileLock) {
  std::vector<IniLine> lines;
  std::map<std::string, std::optional<std::string>> saving;
  {
    std::lock_guard lock(mutex_);
    if (saveDisabled_) return false;
    if (changes_.empty()) return true;
    lines = lines_;
    saving = changes_;
  }
  for (const auto& [key, value] : saving) applyChange(lines, key, value);
  const std::string bytes = iniText(lines);

  std::string problem;
  const bool saved = file_.save(fileLock, bytes, problem);
  std::lock_guard lock(mutex_);
  if (!saved) {
    qCWarning(lcStorm, "cannot save the preferences to %s: %s; the file there is unchanged", qPrintable(file_.path()),
              problem.c_str());
    return false;
  }
  lines_ = std::move(lines);
  fileValues_ = iniValues(lines_);
  stamp_ = file_.stamp();
  // Changes made by other threads while this one was writing stay pending.
  for (const auto& [key, value] : saving)
    if (const auto pending = changes_.find(key); pending != changes_.end() && pending->second == value)
      changes_.erase(pending);
  return true;
}

bool QtPreferences::synchronize() {
  std::lock_guard file(fileMutex_);
  ensureLoaded();
  {
    std::lock_guard lock(mutex_);
    if (saveDisabled_) return false;
    if (changes_.empty()) return true;
  }
  QString problem;
  const auto lock = file_.lock(problem);
  if (!lock) {
    qCWarning(lcStorm, "cannot save the preferences to %s: %s", qPrintable(file_.path()), qPrintable(problem));
    return false;
  }
  // Read again, so that what other processes saved meanwhile is kept.
  loadLocked(lock.get());
  return saveLocked(*lock);
}

bool QtPreferences::update(const std::function<void(Preferences&)>& change) {
  std::lock_guard file(fileMutex_);
  QString problem;
  const auto lock = file_.lock(problem);
  if (lock) {
    loadLocked(lock.get());
  } else {
    std::unique_lock values(mutex_);
    if (!loaded_) {
      values.unlock();
      loadLocked(nullptr, false);  // without a second wait for the lock
    }
  }
  change(*this);
  if (!lock) {
    qCWarning(lcStorm, "cannot save the preferences to %s: %s", qPrintable(file_.path()), qPrintable(problem));
    return false;
  }
  return saveLocked(*lock);
}

void QtPreferences::refresh() {
  std::lock_guard file(fileMutex_);
  {
    std::lock_guard lock(mutex_);
    if (loaded_ && file_.stamp() == stamp_) return;
  }
  loadLocked(nullptr);
}

}  // namespace storm::qt
