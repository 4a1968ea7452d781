#include <gtest/gtest.h>
#include <QAccessible>
#include <QLocale>

#include "kit/qt/BannerView.h"
#include "map/qt/MapWidget.h"
#include "measure/Measurement.h"

// What screen readers are told of the map and the banner.

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
  map.model().overrideUserLocation(CLLocationCoordinate2D{51.5, -0.12});
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

TEST(Accessibility, TheBannerIsNamedByItsHeadlineNotItsLink) {
  BannerWidget banner;
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&banner);
  ASSERT_TRUE(face);
  EXPECT_EQ(face->text(QAccessible::Name), "Advertisement");
  EXPECT_EQ(banner.focusPolicy(), Qt::NoFocus) << "nothing to open: no tab stop";

  HouseAd ad{"Storm Pro", "Radar and alerts", Qt::black, Qt::white, Qt::white, "https://apps.example.com/pro"};
  banner.setAd(&ad);
  EXPECT_EQ(face->text(QAccessible::Name), "Storm Pro");
  EXPECT_EQ(face->text(QAccessible::Description), "Advertisement: Radar and alerts");
  EXPECT_EQ(banner.focusPolicy(), Qt::TabFocus);
}

}  // namespace
}  // namespace storm::qt
