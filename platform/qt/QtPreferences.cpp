#include "platform/qt/QtPreferences.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>
#include <algorithm>
#include <chrono>
#include <charconv>
#include <cmath>
#include <thread>

#include "platform/qt/QtLogger.h"

namespace storm::qt {

std::string preferenceText(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);  // shortest text that reads back exactly
  return std::string(text, result.ptr);
}

std::optional<double> parseDoublePreference(const std::string& text) {
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<long> parseIntegerPreference(const std::string& text) {
  long value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<bool> parseBoolPreference(const std::string& text) {
  if (text == "true") return true;
  if (text == "false") return false;
  return std::nullopt;
}

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

// Why `bytes` cannot be a file QSettings wrote, or nothing.
QString damageInText(const QByteArray& bytes) {
  if (bytes.isEmpty()) return {};
  if (bytes.contains('\0')) return "it holds binary data";
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  [[maybe_unused]] const QString text = decoder(bytes);
  if (decoder.hasError()) return "it is not UTF-8 text";
  // Every line QSettings writes ends in a line feed; a file that does not was cut short.
  if (!bytes.endsWith('\n')) return "it ends in the middle of a line";
  return {};
}

// QSettings guards each save with a lock file holding the owner's process id, and takes a lock
// whose owner is gone as stale at once. A process killed between creating that file and filling
// it leaves it empty, though, and QSettings would wait 30 s before calling that one stale. A live
// owner fills the file at once, so one still empty a moment later was abandoned.
void removeAbandonedLock(const QString& lockPath) {
  if (!QFileInfo::exists(lockPath) || QFileInfo(lockPath).size() != 0) return;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const QFileInfo again(lockPath);
  if (again.exists() && again.size() == 0) QFile::remove(lockPath);
}

}  // namespace

QtPreferences::QtPreferences(QString path, std::vector<PreferenceKey> keys, std::shared_ptr<Clock> clock)
    : path_(std::move(path)), clock_(std::move(clock)), keys_(std::move(keys)) {}

void QtPreferences::declareKeys(const std::vector<PreferenceKey>& keys) {
  std::lock_guard lock(mutex_);
  for (const auto& key : keys) {
    const bool known = std::any_of(keys_.begin(), keys_.end(), [&](const PreferenceKey& k) { return k.name == key.name; });
    if (!known) keys_.push_back(key);
  }
}

std::vector<PreferenceKey> QtPreferences::declaredKeys() const {
  std::lock_guard lock(mutex_);
  return keys_;
}

void QtPreferences::loadLocked() const {
  if (loaded_) return;
  loaded_ = true;
  QFile file(path_);
  if (!file.exists()) return;
  if (!file.open(QIODevice::ReadOnly)) {
    // Unreadable is not damaged: leave the file alone, and do not overwrite it either.
    qCWarning(lcStorm, "cannot read the preferences file %s (%s); changes will not be saved",
                 qPrintable(path_), qPrintable(file.errorString()));
    saveDisabled_ = true;
    return;
  }
  QString damage = damageInText(file.readAll());
  file.close();
  std::map<std::string, std::string> values;
  if (damage.isEmpty()) {
    QSettings settings(path_, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) damage = "it is not in INI format";
    for (const QString& key : settings.allKeys()) {
      const QVariant value = settings.value(key);
      if (value.typeId() == QMetaType::QString) values[key.toStdString()] = value.toString().toStdString();
    }
    for (const auto& [name, type] : keys_) {
      if (!damage.isEmpty()) break;
      const auto text = values.find(name);
      if (settings.contains(QString::fromStdString(name)) && (text == values.end() || !hasType(text->second, type)))
        damage = QString("%1 is not %2").arg(QString::fromStdString(name), typeName(type));
    }
  }
  if (damage.isEmpty()) values_ = std::move(values);
  else moveAsideLocked(damage);
}

void QtPreferences::moveAsideLocked(const QString& reason) const {
  const double now = clock_ ? clock_->now() : 0.0;
  const QString stamp =
      QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(now)) * 1000, Qt::UTC).toString("yyyyMMdd'T'HHmmss'Z'");
  QString aside = path_ + ".damaged-" + stamp;
  for (int n = 2; QFileInfo::exists(aside); ++n) aside = path_ + ".damaged-" + stamp + "-" + QString::number(n);
  if (QFile::rename(path_, aside)) {
    qCWarning(lcStorm, "the preferences file %s is damaged (%s); moved it to %s and started afresh",
                 qPrintable(path_), qPrintable(reason), qPrintable(aside));
  } else {
    qCWarning(lcStorm, "the preferences file %s is damaged (%s) and cannot be moved aside; starting afresh "
                 "without saving",
                 qPrintable(path_), qPrintable(reason));
    saveDisabled_ = true;
  }
}

std::optional<std::string> QtPreferences::textLocked(const std::string& key) const {
  loadLocked();
  auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void QtPreferences::write(const std::string& key, std::optional<std::string> text) {
  std::lock_guard lock(mutex_);
  loadLocked();
  if (text) values_[key] = *text;
  else values_.erase(key);
  changes_[key] = std::move(text);
}

bool QtPreferences::containsKey(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return textLocked(key).has_value();
}

std::optional<std::string> QtPreferences::stringForKey(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return textLocked(key);
}

void QtPreferences::setObject(const std::optional<std::string>& value, const std::string& key) { write(key, value); }

double QtPreferences::doubleForKey(const std::string& key) const {
  std::lock_guard lock(mutex_);
  const auto text = textLocked(key);
  return text ? parseDoublePreference(*text).value_or(0.0) : 0.0;
}

void QtPreferences::setDouble(double value, const std::string& key) { write(key, preferenceText(value)); }

long QtPreferences::integerForKey(const std::string& key) const {
  std::lock_guard lock(mutex_);
  const auto text = textLocked(key);
  return text ? parseIntegerPreference(*text).value_or(0) : 0;
}

void QtPreferences::setInteger(long value, const std::string& key) { write(key, std::to_string(value)); }

bool QtPreferences::boolForKey(const std::string& key) const {
  std::lock_guard lock(mutex_);
  const auto text = textLocked(key);
  return text ? parseBoolPreference(*text).value_or(false) : false;
}

void QtPreferences::setBool(bool value, const std::string& key) { write(key, value ? "true" : "false"); }

bool QtPreferences::synchronize() {
  std::lock_guard save(saveMutex_);
  std::map<std::string, std::optional<std::string>> changes;
  {
    std::lock_guard lock(mutex_);
    loadLocked();
    if (saveDisabled_) return false;
    changes.swap(changes_);
  }
  if (changes.empty()) return true;

  QDir().mkpath(QFileInfo(path_).absolutePath());
  removeAbandonedLock(path_ + ".lock");
  // A fresh QSettings re-reads the file, so keys that other programs wrote there are kept. Its
  // saves go through a temporary file renamed over the old one, under a lock file.
  QSettings settings(path_, QSettings::IniFormat);
  settings.setAtomicSyncRequired(true);
  for (const auto& [key, text] : changes) {
    if (text) settings.setValue(QString::fromStdString(key), QString::fromStdString(*text));
    else settings.remove(QString::fromStdString(key));
  }
  settings.sync();
  if (settings.status() == QSettings::NoError) return true;

  std::lock_guard lock(mutex_);
  for (auto& [key, text] : changes) changes_.try_emplace(key, std::move(text));  // newer changes win
  if (!reportedSaveFailure_) {
    reportedSaveFailure_ = true;
    qCWarning(lcStorm, "cannot save the preferences to %s", qPrintable(path_));
  }
  return false;
}

}  // namespace storm::qt
