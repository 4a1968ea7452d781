#include "screens/qt/ScreenKeys.h"

#include <QApplication>
#include <QKeySequence>
#include <QShortcut>

#include "map/qt/MapWidget.h"

namespace storm::qt {

namespace {

// The stops Tab makes at `widget`: the widget itself, or, when it takes no focus, its descendants
// that do, in the order the focus chain has them.
QList<QWidget*> tabStops(QWidget* widget) {
  if (widget->focusPolicy() & Qt::TabFocus) return {widget};
  QList<QWidget*> stops;
  for (QWidget* w = widget->nextInFocusChain(); w && w != widget; w = w->nextInFocusChain()) {
    if (widget->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && !stops.contains(w)) stops << w;
  }
  return stops;
}

}  // namespace

void addButtonKeys(QWidget* screen, QAbstractButton* button, const QStringList& keys, bool focused) {
  for (const QString& key : keys) {
    auto* shortcut = new QShortcut(QKeySequence(key), screen);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    shortcut->setAutoRepeat(false);
    QObject::connect(shortcut, &QShortcut::activated, button, [button, screen, focused] {
      auto* target = focused ? qobject_cast<QAbstractButton*>(QApplication::focusWidget()) : nullptr;
      if (!target || !screen->isAncestorOf(target)) target = button;
      if (target->isEnabled() && target->isVisible()) target->click();
    });
  }
}

void addZoomKeys(QWidget* screen, MapWidget* map) {
  const std::pair<QKeyCombination, double> keys[] = {{Qt::Key_Plus, 1},   {Qt::ShiftModifier | Qt::Key_Plus, 1},
                                                     {Qt::Key_Equal, 1},  {Qt::KeypadModifier | Qt::Key_Plus, 1},
                                                     {Qt::Key_Minus, -1}, {Qt::KeypadModifier | Qt::Key_Minus, -1}};
  for (const auto& [key, levels] : keys) {
    auto* shortcut = new QShortcut(QKeySequence(key), screen);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    auto zoom = [map, levels = levels] { map->zoomBy(levels); };
    QObject::connect(shortcut, &QShortcut::activated, map, zoom);
    // Where the keyboard's mapping lets one press match both + and Shift++, Qt hands it to one of
    // them as ambiguous: it zooms all the same, once.
    QObject::connect(shortcut, &QShortcut::activatedAmbiguously, map, zoom);
  }
}

void setTabWay(const QList<QWidget*>& stops) {
  QWidget* previous = nullptr;
  for (QWidget* widget : stops) {
    if (!widget) continue;
    for (QWidget* stop : tabStops(widget)) {
      if (previous) QWidget::setTabOrder(previous, stop);
      previous = stop;
    }
  }
}

}  // namespace storm::qt
