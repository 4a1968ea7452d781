#include "screens/qt/MainScreen.h"

#include <QKeySequence>
#include <QShortcut>

#include "screens/qt/MapViewAdapter.h"
#include "screens/qt/QtViews.h"
#include "screens/qt/ScreenKeys.h"
#include "system/qt/ScreenFit.h"
#include "ui_Flipside.h"
#include "ui_Main.h"

namespace storm::qt {

MainScreen::MainScreen(std::shared_ptr<MainViewController> controller, QWidget* parent)
    : QWidget(parent), form_(std::make_unique<Ui::MainScreen>()), controller_(std::move(controller)) {
  form_->setupUi(this);
  applyApplicationFontSizes(this);
  connectViews();
  connectControls();
  controller_->viewDidLoad();
  ScreenFit::install(this);
}

MainScreen::~MainScreen() = default;

QWidget* MainScreen::firstFocus() const { return form_->buttonP; }

void MainScreen::connectViews() {
  auto root = std::make_shared<QtPlainView>(this);
  // The content fills the main view and follows its size.
  auto content = std::make_shared<QtPlainView>(form_->contentView);
  content->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
  auto time = std::make_shared<QtLabel>(form_->time);
  auto dist = std::make_shared<QtLabel>(form_->dist);
  auto button = std::make_shared<QtButton>(form_->buttonP);
  auto switcher = std::make_shared<QtSegmentedControl>(form_->switcher);
  auto map = makeMapView(form_->mapView);
  views_ = {time, dist, button, switcher, map};
  controller_->setView(root);
  controller_->setContentView(content);
  controller_->setTime(time);
  controller_->setDist(dist);
  controller_->setButtonP(button);
  controller_->setSwitcher(switcher);
  controller_->setMapView(map);
}

void MainScreen::connectControls() {
  MainViewController* c = controller_.get();  // lives as long as this screen
  connect(form_->buttonP, &QAbstractButton::clicked, this, [c] { c->button(); });
  connect(form_->switcher, &SegmentedControlWidget::valueChanged, this, [c] { c->switcher(nullptr); });
  connect(form_->paid, &QAbstractButton::clicked, this, [c] { c->paid(); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, this, [c] { c->cancel(); });
  addButtonKeys(this, form_->history, {"Ctrl+H"});
  addButtonKeys(this, form_->info, {"F1"});
  addButtonKeys(this, form_->buttonP, {"T"});
  addButtonKeys(this, form_->buttonP, {"Space", "Return", "Enter"}, true);
  addZoomKeys(this, form_->mapView);
  setTabWay({form_->buttonP, form_->mapView, findChild<QWidget*>("centreOnUser"), form_->switcher, form_->history,
             form_->info, form_->paid});
}

InfoScreen::InfoScreen(std::shared_ptr<FlipsideViewController> controller, QWidget* parent)
    : QWidget(parent), form_(std::make_unique<Ui::InfoScreen>()), controller_(std::move(controller)) {
  form_->setupUi(this);
  applyApplicationFontSizes(this);
  FlipsideViewController* c = controller_.get();
  connect(form_->done, &QAbstractButton::clicked, this, [c] { c->done(); });
  connect(form_->more, &QAbstractButton::clicked, this, [c] { c->more(); });
  addButtonKeys(this, form_->done, {"Escape"});
  setTabWay({form_->temperature, form_->more, form_->done});
  controller_->viewDidLoad();
  ScreenFit::install(this);
}

InfoScreen::~InfoScreen() = default;

QWidget* InfoScreen::firstFocus() const { return form_->done; }

}  // namespace storm::qt
