#include <gtest/gtest.h>
#include <QAccessible>

#include "screens/qt/BannerView.h"

// What screen readers are told of the advertising banner.

namespace storm::qt {
namespace {

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
