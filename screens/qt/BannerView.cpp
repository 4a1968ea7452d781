#include "screens/qt/BannerView.h"

#include <cstring>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "screens/Nil.h"
#include "system/qt/ResourceFile.h"

namespace storm::qt {

namespace {

constexpr double kFirstAdSeconds = 2.0;
constexpr double kShortestRotationSeconds = 5;
constexpr double kLongestRotationSeconds = 3600;
constexpr Size kPortraitSize{320, 50};
constexpr Size kLandscapeSize{480, 32};

QColor colorOr(const QJsonValue& v, const QColor& fallback) {
  const QColor c(v.toString());
  return c.isValid() ? c : fallback;
}

}  // namespace

std::vector<HouseAd> readHouseAds(const QString& path, double* rotateSeconds, QString* error) {
  std::vector<HouseAd> ads;
  QString why;
  const std::optional<QByteArray> bytes = readResourceFile(path, why);
  if (!bytes) {
    *error = "cannot read " + path + " (" + why + ")";
    return ads;
  }
  QJsonParseError parse{};
  const QJsonDocument doc = QJsonDocument::fromJson(*bytes, &parse);
  if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
    *error = path + " is not a JSON object: " +
             (parse.error != QJsonParseError::NoError ? parse.errorString() : QString("it holds something else"));
    return ads;
  }
  const QJsonObject root = doc.object();
  // Each advertisement stays long enough to be read, and the next comes within the hour.
  const double rotate = root["rotateSeconds"].toDouble();
  if (rotateSeconds && std::isfinite(rotate) && rotate > 0)
    *rotateSeconds = std::clamp(rotate, kShortestRotationSeconds, kLongestRotationSeconds);
  for (const QJsonValue& v : root["ads"].toArray()) {
    const QJsonObject o = v.toObject();
    HouseAd ad;
    ad.text = o["text"].toString();
    ad.detail = o["detail"].toString();
    ad.link = o["link"].toString();
    ad.background = colorOr(o["background"], QColor("#0b3954"));
    ad.foreground = colorOr(o["foreground"], Qt::white);
    ad.accent = colorOr(o["accent"], ad.foreground);
    if (!ad.text.isEmpty()) ads.push_back(ad);
  }
  if (ads.empty()) *error = path + " lists no advertisement with a text";
  return ads;
}

BannerWidget::BannerWidget(QWidget* parent) : QWidget(parent) {
  setObjectName("banner");
  setProperty("accessibleRole", "link");  // it opens its advertisement's page
  setCursor(Qt::PointingHandCursor);
  setAd(nullptr);
}

void BannerWidget::setAd(const HouseAd* ad) {
  ad_ = ad;
  setToolTip(ad ? ad->link : QString());
  // Read out as its headline; the link stays the tooltip. Tab stops here only while there is
  // something to open: without one the banner waits below the window's edge.
  setFocusPolicy(ad ? Qt::TabFocus : Qt::NoFocus);
  setAccessibleName(ad ? ad->text : tr("Advertisement"));
  setAccessibleDescription(ad && !ad->detail.isEmpty() ? tr("Advertisement: %1").arg(ad->detail) : tr("Advertisement"));
  update();
}

void BannerWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  if (!ad_) {
    p.fillRect(rect(), QColor("#323f4b"));
    return;
  }
  p.fillRect(rect(), ad_->background);
  QFont font = p.font();
  const bool roomy = height() >= 44;
  font.setPixelSize(roomy ? 14 : 12);
  font.setBold(true);
  p.setFont(font);
  p.setPen(ad_->foreground);
  const QRect text = rect().adjusted(12, roomy ? 6 : 2, -40, roomy ? -height() / 2 + 2 : -2);
  const QRect line = roomy ? text : rect().adjusted(12, 0, -40, 0);
  p.drawText(line, Qt::AlignVCenter | Qt::AlignLeft,
             p.fontMetrics().elidedText(ad_->text, Qt::ElideRight, line.width()));
  if (roomy && !ad_->detail.isEmpty()) {
    font.setBold(false);
    font.setPixelSize(12);
    p.setFont(font);
    p.setPen(ad_->accent);
    p.drawText(rect().adjusted(12, height() / 2, -40, -4), Qt::AlignVCenter | Qt::AlignLeft, ad_->detail);
  }
  // The marker that tells an advertisement from the app's own controls.
  font.setPixelSize(10);
  font.setBold(true);
  p.setFont(font);
  const QRect tag(width() - 32, (height() - 16) / 2, 24, 16);
  p.setPen(Qt::NoPen);
  p.setBrush(ad_->accent);
  p.drawRoundedRect(tag, 3, 3);
  p.setPen(ad_->background);
  p.drawText(tag, Qt::AlignCenter, "Ad");
  // Where the keyboard is: a ring inside the edge, in the advertisement's own two colours so
  // that it shows on any of them.
  if (hasFocus()) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ad_->background, 4));
    p.drawRect(QRectF(rect()).adjusted(2, 2, -2, -2));
    p.setPen(QPen(ad_->accent, 2));
    p.drawRect(QRectF(rect()).adjusted(2, 2, -2, -2));
  }
}

void BannerWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit tapped();
}

void BannerWidget::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space)
    emit tapped();
  else
    QWidget::keyPressEvent(event);
}

// ---- one banner ----

class QtBannerView : public QtView<ADBannerView>, public std::enable_shared_from_this<QtBannerView> {
 public:
  QtBannerView(QtBannerService& service, BannerWidget* widget) : QtView(widget), service_(service.shared_from_this()) {}
  ~QtBannerView() override {
    send(firstAd_, &Timer::invalidate);
    send(rotation_, &Timer::invalidate);
    // A banner never added to a view has no parent to delete its widget.
    if (widget_ && !widget_->parentWidget()) delete widget_.data();
  }

  void start() {
    std::weak_ptr<QtBannerView> weak = shared_from_this();
    firstAd_ = send(service_->timers_, &TimerScheduler::scheduledTimer, kFirstAdSeconds, false, [weak] {
      if (auto self = weak.lock()) self->firstReport();
    });
    QObject::connect(banner(), &BannerWidget::tapped, banner(), [weak] {
      if (auto self = weak.lock()) self->tap();
    });
  }

  std::weak_ptr<ADBannerViewDelegate> delegate() const override { return delegate_; }
  void setDelegate(std::weak_ptr<ADBannerViewDelegate> delegate) override { delegate_ = std::move(delegate); }
  std::set<std::string> requiredContentSizeIdentifiers() const override { return required_; }
  void setRequiredContentSizeIdentifiers(const std::set<std::string>& ids) override { required_ = ids; }
  std::string currentContentSizeIdentifier() const override { return current_; }
  void setCurrentContentSizeIdentifier(const std::string& identifier) override {
    current_ = identifier;
    // The banner takes the height of its new size and keeps its place and width.
    const Size size = service_->sizeFromBannerContentSizeIdentifier(identifier);
    if (size.height > 0) {
      Rect f = frame();
      f.height = size.height;
      setFrame(f);
    }
  }
  bool isBannerLoaded() const override { return loaded_; }

  void load() {
    if (service_->ads_.empty()) return fail();
    loaded_ = true;
    banner()->setAd(&service_->ads_[adIndex_ % service_->ads_.size()]);
    if (auto d = delegate_.lock()) d->bannerViewDidLoadAd(*this);
  }

  void fail() {
    loaded_ = false;
    banner()->setAd(nullptr);
    const std::string reason =
        service_->loadError_.isEmpty() ? "no advertisement available" : service_->loadError_.toStdString();
    if (auto d = delegate_.lock()) d->bannerViewDidFailToReceiveAdWithError(*this, reason);
  }

  void tap() {
    if (!loaded_ || service_->ads_.empty()) return;
    const HouseAd& ad = service_->ads_[adIndex_ % service_->ads_.size()];
    auto d = delegate_.lock();
    if (d && !d->bannerViewActionShouldBeginWillLeaveApplication(*this, true)) return;
    // A link of the application's own opens a screen of it; any other is handed to the desktop.
    if (ad.link.startsWith(kOwnLinkPrefix) && service_->ownLinks_)
      service_->ownLinks_(ad.link.mid(static_cast<qsizetype>(std::strlen(kOwnLinkPrefix))));
    else
      send(service_->urls_, &URLOpener::openURL, ad.link.toStdString());
    if (d) d->bannerViewActionDidFinish(*this);
  }

 private:
  BannerWidget* banner() const { return static_cast<BannerWidget*>(widget_.data()); }

  void firstReport() {
    load();
    if (service_->ads_.size() < 2) return;
    std::weak_ptr<QtBannerView> weak = shared_from_this();
    rotation_ = send(service_->timers_, &TimerScheduler::scheduledTimer, service_->rotateSeconds_, true, [weak] {
      if (auto self = weak.lock(); self && self->loaded_ && !self->service_->rotationHeld_) {
        ++self->adIndex_;
        self->load();
      }
    });
  }

  std::shared_ptr<QtBannerService> service_;
  std::weak_ptr<ADBannerViewDelegate> delegate_;
  std::set<std::string> required_{ADBannerContentSizeIdentifierPortrait};
  std::string current_ = ADBannerContentSizeIdentifierPortrait;
  bool loaded_ = false;
  size_t adIndex_ = 0;
  std::shared_ptr<Timer> firstAd_;
  std::shared_ptr<Timer> rotation_;
};

// ---- the service ----

QtBannerService::QtBannerService(std::shared_ptr<TimerScheduler> timers, std::shared_ptr<URLOpener> urls,
                                 std::shared_ptr<Logger> logger, const QString& adsFile)
    : timers_(std::move(timers)), urls_(std::move(urls)) {
  ads_ = readHouseAds(adsFile.isEmpty() ? ":/resources/house-ads.json" : adsFile, &rotateSeconds_, &loadError_);
  if (!loadError_.isEmpty()) send(logger, &Logger::log, "Advertisements: " + loadError_.toStdString());
}

std::shared_ptr<ADBannerView> QtBannerService::initWithFrame(const Rect& frame) {
  auto* widget = new BannerWidget;
  auto banner = std::make_shared<QtBannerView>(*this, widget);
  Rect f = frame;
  if (f.width <= 0 || f.height <= 0) {
    // The platform's banner: as wide as the window, as high as a portrait banner.
    f.width = window_ ? static_cast<float>(window_->width()) : kPortraitSize.width;
    f.height = kPortraitSize.height;
  }
  // Across the foot of the window whatever its size: as wide as the window, at its bottom edge.
  banner->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleTopMargin);
  banner->setFrame(f);
  banner->start();
  newest_ = banner;
  all_.push_back(banner);
  return banner;
}

Size QtBannerService::sizeFromBannerContentSizeIdentifier(const std::string& identifier) const {
  if (identifier == ADBannerContentSizeIdentifierPortrait) return kPortraitSize;
  if (identifier == ADBannerContentSizeIdentifierLandscape) return kLandscapeSize;
  return {};
}

void QtBannerService::forceLoad() {
  for (auto& weak : all_)
    if (auto b = std::static_pointer_cast<QtBannerView>(weak.lock())) b->load();
}

void QtBannerService::forceFailure() {
  for (auto& weak : all_)
    if (auto b = std::static_pointer_cast<QtBannerView>(weak.lock())) b->fail();
}

bool QtBannerService::tapNewest() {
  auto b = std::static_pointer_cast<QtBannerView>(newest_.lock());
  if (!b || !b->isBannerLoaded()) return false;
  b->tap();
  return true;
}

}  // namespace storm::qt
