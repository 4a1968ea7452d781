#include <gtest/gtest.h>
#include <QLocale>

#include "map/qt/MapWidget.h"
#include "measure/Measurement.h"

// What screen readers are told of the map.

namespace storm::qt {
namespace {

TEST(Accessibility, TheMapDescribesItsTypeCircleAndPositionAsTheyChange) {
  const QLocale before;
  QLocale::setDefault(QLocale::c());
  MapWidget map;
  EXPECT_EQ(map.accessibleName(), "Map");
  EXPECT_EQ(map.accessibleDescription(), "Standard map. No storm circle. Your position is unknown.");

  // In the distance label's words, as the application has it.
  map.setRadiusWords([](double metres) {
    return QString::fromStdString(distanceText(distanceForKilometres(static_cast<float>(metres / 1000.0))));
  });
  map.model().setMapType(MapType::Hybrid);
  map.model().overrideUserLocation(GeoPoint{51.5, -0.12});
  // The circle the main screen draws for 9 s of delay, "1.90mi or 3.06km".
  const MapCircleId circle = map.model().addCircle({51.5, -0.12}, 3062.61, {});
  EXPECT_EQ(map.accessibleDescription(),
            "Hybrid map. Storm circle of 1.90mi or 3.06km around latitude 51.5000, longitude -0.1200. Your position "
            "is known.");

  map.model().removeCircle(circle);
  map.model().overrideUserLocation(std::nullopt);
  EXPECT_EQ(map.accessibleDescription(), "Hybrid map. No storm circle. Your position is unknown.");
  QLocale::setDefault(before);
}

}  // namespace
}  // namespace storm::qt
