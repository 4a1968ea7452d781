#include "storm/qt/TemperatureSetting.h"

#include <QEvent>
#include <QPalette>
#include <QStyle>
#include <cmath>

#include "storm/SpeedOfSound.h"
#include "storm/StormTexts.h"
#include "system/qt/Accessibility.h"

namespace storm::qt {

namespace {

// Qt greys a field's hint out below a readable contrast, and its style sheet sets that grey again
// whenever it polishes the field: three parts of the text's colour to two of the ground's keep
// the hint apart from typed text and still legible (some 5.7:1 for black on white).
class ReadablePlaceholder : public QObject {
 public:
  static constexpr const char* kName = "storm-readable-placeholder";
  explicit ReadablePlaceholder(QLineEdit* field) : QObject(field) {
    setObjectName(kName);
    field->installEventFilter(this);
    apply(field);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange || event->type() == QEvent::Show)
      apply(static_cast<QLineEdit*>(watched));
    return false;
  }

 private:
  static void apply(QLineEdit* field) {
    QPalette palette = field->palette();
    const QColor ink = palette.color(QPalette::Text), ground = palette.color(QPalette::Base);
    const QColor hint((3 * ink.red() + 2 * ground.red()) / 5, (3 * ink.green() + 2 * ground.green()) / 5,
                      (3 * ink.blue() + 2 * ground.blue()) / 5);
    if (palette.color(QPalette::PlaceholderText) == hint) return;
    palette.setColor(QPalette::PlaceholderText, hint);
    field->setPalette(palette);
  }
};

}  // namespace

TemperatureSetting::TemperatureSetting(QLineEdit* field, QLabel* note, std::shared_ptr<Preferences> settings,
                                       std::shared_ptr<Locale> locale)
    : QObject(field), field_(field), note_(note), settings_(std::move(settings)), locale_(std::move(locale)) {
  if (field) {
    connect(field, &QLineEdit::editingFinished, this, &TemperatureSetting::edited);
    // The error state ends as soon as the entry can be kept.
    connect(field, &QLineEdit::textEdited, this, [this](const QString& text) {
      if (field_->property("error").toBool() && locale_ &&
          parseTemperatureEntry(text.toStdString(), usesFahrenheit(*locale_)).kind != TemperatureEntry::Invalid)
        showNote();
    });
  }
  show();
}

QString TemperatureSetting::localized(const char* key, std::initializer_list<std::string> args) const {
  return QString::fromStdString(formatText(locale_->localizedString(key), args));
}

std::string TemperatureSetting::degreesText(double celsius) const {
  const bool fahrenheit = usesFahrenheit(*locale_);
  const double degrees = fahrenheit ? fahrenheitFromCelsius(celsius) : celsius;
  // Whole degrees as such, anything finer to a tenth.
  const bool whole = std::fabs(degrees - std::round(degrees)) < 0.05;
  std::string text = locale_->decimalText(degrees, whole ? 0 : 1);
  if (text.rfind('-', 0) == 0) text.replace(0, 1, "\u2212");
  return text + (fahrenheit ? " \u00b0F" : " \u00b0C");
}

std::optional<double> TemperatureSetting::setting() const {
  const Preferences* settings = settings_.get();
  if (!settings || !settings->containsKey(kAirTemperatureKey) ||
      !speedOfSoundAt(settings->doubleForKey(kAirTemperatureKey)))
    return std::nullopt;
  return settings->doubleForKey(kAirTemperatureKey);
}

void TemperatureSetting::show() {
  if (!locale_) return;
  const Preferences* settings = settings_.get();
  const bool set = setting().has_value();
  if (field_) {
    field_->setPlaceholderText(localized("Standard (%1)", {degreesText(15.0)}));
    if (!field_->findChild<QObject*>(ReadablePlaceholder::kName, Qt::FindDirectChildrenOnly))
      new ReadablePlaceholder(field_);
    std::string entry;
    if (set) {
      entry = degreesText(settings->doubleForKey(kAirTemperatureKey));
      entry.resize(entry.rfind(' '));  // the number alone; the unit is the locale's
    }
    field_->setText(QString::fromStdString(entry));
  }
  showNote();
}

void TemperatureSetting::showNote() {
  showError({});
  const Preferences* settings = settings_.get();
  const bool set = setting().has_value();
  const double speed = speedOfSoundSetting(settings) * 1000.0;
  if (note_) {
    const std::string metres = locale_->decimalText(speed, 2);
    note_->setText(set ? localized("Speed of sound at %1: %2 m/s.",
                                   {degreesText(settings->doubleForKey(kAirTemperatureKey)), metres})
                       : localized("Standard speed of sound: %1 m/s. Type the air temperature for a closer figure, "
                                   "or leave the field empty.",
                                   {metres}));
  }
}

void TemperatureSetting::edited() {
  if (!field_ || !settings_ || !locale_) return;
  const TemperatureEntry entry = parseTemperatureEntry(field_->text().toStdString(), usesFahrenheit(*locale_));
  if (entry.kind == TemperatureEntry::Invalid) {
    const std::optional<double> kept = setting();
    const QString inUse = kept ? localized("Still using %1.", {degreesText(*kept)})
                               : localized("Still using the standard %1.", {degreesText(15.0)});
    showError(localized("Enter a temperature from %1 to %2, or leave the field empty for the standard speed of sound.",
                        {degreesText(kLowestAirTemperature), degreesText(kHighestAirTemperature)}) +
              ' ' + inUse);
    return;
  }
  setAirTemperature(*settings_, entry.kind == TemperatureEntry::Degrees ? std::optional(entry.celsius) : std::nullopt);
  show();
}

void TemperatureSetting::showError(const QString& message) {
  const bool error = !message.isEmpty();
  for (QWidget* widget : {static_cast<QWidget*>(field_.data()), static_cast<QWidget*>(note_.data())}) {
    if (!widget || widget->property("error").toBool() == error) continue;
    widget->setProperty("error", error);
    // The style sheet's rules for the property apply once the widget is polished again.
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
  }
  if (field_) field_->setAccessibleDescription(message);
  if (note_ && error) note_->setText(message);
  // Said the moment it is found wrong: the focused field's new description is said by itself, and
  // here when the focus has moved on.
  if (error && field_ && !field_->hasFocus())
    if (Announcer* announcer = Announcer::of(field_->window(), "temperature")) announcer->announce(message);
}

}  // namespace storm::qt
