#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "screens/AdBanner.h"
#include "screens/qt/QtViews.h"
#include "system/Clock.h"
#include "system/Logger.h"
#include "system/URLOpener.h"

// The advertising service on this platform: banners that show the house advertisements listed in
// resources/house-ads.json (or the file given with --house-ads), one after another.

namespace storm::qt {

// The advertisements' links to the application's own screens begin so.
inline constexpr const char* kOwnLinkPrefix = "storm-distance:";

struct HouseAd {
  QString text;
  QString detail;
  QColor background;
  QColor foreground;
  QColor accent;
  QString link;
};

// Reads the advertisements; an unreadable or invalid file gives none, with the reason in `error`.
std::vector<HouseAd> readHouseAds(const QString& path, double* rotateSeconds, QString* error);

class BannerWidget : public QWidget {
  Q_OBJECT

 public:
  explicit BannerWidget(QWidget* parent = nullptr);
  void setAd(const HouseAd* ad);

 signals:
  void tapped();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  const HouseAd* ad_ = nullptr;
};

class QtBannerService : public ADBannerService, public std::enable_shared_from_this<QtBannerService> {
 public:
  // Advertisements rotate on `timers`, open their links through `urls`, and an advertisements file
  // that cannot be used is reported in `logger`.
  QtBannerService(std::shared_ptr<TimerScheduler> timers, std::shared_ptr<URLOpener> urls,
                  std::shared_ptr<Logger> logger, const QString& adsFile);

  std::shared_ptr<ADBannerView> initWithFrame(const Rect& frame) override;
  Size sizeFromBannerContentSizeIdentifier(const std::string& identifier) const override;

  // The window banners are made for (their width is the window's).
  void setWindow(QWidget* window) { window_ = window; }
  // Links of the application's own ("storm-distance:NAME") go to `open` with NAME.
  void setOwnLinks(std::function<void(const QString& name)> open) { ownLinks_ = std::move(open); }
  // While held, the banners keep the advertisement they show.
  void holdRotation(bool held) { rotationHeld_ = held; }
  // The advertising service's own reports, for tests: every banner gets an advertisement, or
  // loses it.
  void forceLoad();
  void forceFailure();
  // Taps the advertisement of the newest banner.
  bool tapNewest();
  std::shared_ptr<ADBannerView> newest() const { return newest_.lock(); }

 private:
  friend class QtBannerView;
  std::shared_ptr<TimerScheduler> timers_;
  std::shared_ptr<URLOpener> urls_;
  std::vector<HouseAd> ads_;
  double rotateSeconds_ = 30;
  QString loadError_;
  QPointer<QWidget> window_;
  std::function<void(const QString&)> ownLinks_;
  bool rotationHeld_ = false;
  std::weak_ptr<ADBannerView> newest_;
  std::vector<std::weak_ptr<ADBannerView>> all_;
};

}  // namespace storm::qt
