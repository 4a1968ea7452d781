#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>
#include <string>

#include "system/Locale.h"
#include "system/Preferences.h"

// The air temperature that sets the speed of sound, on a field and a note of the information
// screen: the field shows the setting in the locale's unit (empty for the standard speed), and the
// note what it means; an entry is kept when its editing ends. One that cannot be (out of range,
// or no number) puts the field in its error state: a red frame (the property "error"), the note
// saying what is wrong and which temperature stays in use, in red, and the same words as the
// field's accessible description. A valid entry or the setting shown again ends it.

namespace storm::qt {

class TemperatureSetting : public QObject {
 public:
  // Follows `field` and writes to `note` (either may be missing); lives as long as the field.
  TemperatureSetting(QLineEdit* field, QLabel* note, std::shared_ptr<Preferences> settings,
                     std::shared_ptr<Locale> locale);

 private:
  // Shows the setting in the field and what it means in the note.
  void show();
  void showNote();
  // The temperature in use, if one is set (else the standard speed of sound is).
  std::optional<double> setting() const;
  // The field's editing ended: keeps a valid entry, explains an invalid one.
  void edited();
  // The field's and the note's error state: on with `message`, off with an empty one.
  void showError(const QString& message);
  std::string degreesText(double celsius) const;
  QString localized(const char* key, std::initializer_list<std::string> args) const;

  QPointer<QLineEdit> field_;
  QPointer<QLabel> note_;
  const std::shared_ptr<Preferences> settings_;
  const std::shared_ptr<Locale> locale_;
};

}  // namespace storm::qt
