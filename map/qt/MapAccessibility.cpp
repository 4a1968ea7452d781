// The map as assistive technology meets it: a name, and a description of what it shows that
// follows every change of map type, storm circle and position.

#include <QLocale>

#include "map/qt/MapWidget.h"

namespace storm::qt {

QString MapWidget::accessibleSummary() const {
  QString type;
  switch (model_->mapType()) {
    case MapType::Satellite: type = tr("Satellite map."); break;
    case MapType::Hybrid: type = tr("Hybrid map."); break;
    default: type = tr("Standard map."); break;
  }
  QString circle = tr("No storm circle.");
  if (const auto& circles = model_->circleShapes(); !circles.empty()) {
    const MapCircle& shape = circles.front().circle;
    const QLocale locale;
    const QString radius = radiusWords_ ? radiusWords_(shape.radius)
                                        : locale.toString(shape.radius / 1000.0, 'f', 2) + QStringLiteral(" km");
    circle = tr("Storm circle of %1 around latitude %2, longitude %3.")
                 .arg(radius, locale.toString(shape.centre.latitude, 'f', 4),
                      locale.toString(shape.centre.longitude, 'f', 4));
  }
  const QString position = model_->userLocation() ? tr("Your position is known.") : tr("Your position is unknown.");
  return type + ' ' + circle + ' ' + position;
}

void MapWidget::setRadiusWords(std::function<QString(double metres)> words) {
  radiusWords_ = std::move(words);
  describeForAccessibility();
}

void MapWidget::describeForAccessibility() {
  if (accessibleName().isEmpty()) setAccessibleName(tr("Map"));
  const QString summary = accessibleSummary();
  // Qt sends assistive technology a DescriptionChanged event for each new description.
  if (summary != accessibleDescription()) setAccessibleDescription(summary);
}

}  // namespace storm::qt
