#include "map/qt/NightControl.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

#include "map/qt/MapControlButton.h"
#include "map/qt/MapWidget.h"

namespace storm::qt {

namespace {

QString tr(const char* text) { return QCoreApplication::translate("MapWidget", text); }

QString modeWords(NightMode mode) {
  switch (mode) {
    case NightMode::Always: return tr("Night look: on");
    case NightMode::Never: return tr("Night look: off");
    case NightMode::Automatic: break;
  }
  return tr("Night look: from sunset to sunrise");
}

// A crescent: a disc with a disc taken out of its upper right.
void drawMoon(QPainter& p, QPointF c, QColor ink) {
  QPainterPath disc, bite;
  disc.addEllipse(c, 8, 8);
  bite.addEllipse(c + QPointF(4.5, -3.5), 7, 7);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawPath(disc.subtracted(bite));
}

}  // namespace

void addNightControl(MapWidget* map, std::shared_ptr<NightLook> look) {
  if (!map || !look) return;
  auto* control = new MapControlButton(map, drawMoon);
  control->setObjectName("nightControl");
  control->setFocusPolicy(Qt::NoFocus);
  auto describe = [control, look] {
    const QString words = modeWords(look->mode());
    control->setToolTip(words);
    control->setAccessibleName(words);
  };
  describe();
  QObject::connect(control, &QAbstractButton::clicked, control, [control, look, describe] {
    QMenu menu(control);
    auto* choices = new QActionGroup(&menu);
    for (NightMode mode : {NightMode::Automatic, NightMode::Always, NightMode::Never}) {
      QAction* action = menu.addAction(modeWords(mode));
      action->setCheckable(true);
      action->setChecked(look->mode() == mode);
      action->setActionGroup(choices);
      QObject::connect(action, &QAction::triggered, control, [look, mode, describe] {
        look->setMode(mode);
        describe();
      });
    }
    menu.exec(control->mapToGlobal(QPoint(0, control->height())));
  });
  map->addControl(control);
  map->setControlWanted(control, true);
}

void registerNightAutomation(AutomationDriver& driver, std::shared_ptr<NightLook> look) {
  if (!look) return;
  driver.addCommand("night", [look](const QStringList& args) {
    const std::optional<NightMode> mode = args.size() == 1 ? nightModeNamed(args[0].toStdString()) : std::nullopt;
    if (!mode) return Reply::fail("night needs on, off or auto");
    look->setMode(*mode);
    return Reply::ok();
  });
  driver.addStateMember("night", [look]() -> Json { return look->night(); });
}

}  // namespace storm::qt
